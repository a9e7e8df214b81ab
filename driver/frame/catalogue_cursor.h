// The catalogue cursors of a database: the lists of tables, fields,
// indexes, procedures and procedure parameters. Each describes its rows to
// the engine with virtual field descriptors.
#ifndef VANTORA_DRIVER_FRAME_CATALOGUE_CURSOR_H_
#define VANTORA_DRIVER_FRAME_CATALOGUE_CURSOR_H_

#include <cstdint>
#include <string>
#include <vector>

#include "driver/frame/handles.h"
#include "driver/frame/record_cursor.h"

namespace vantora::driver {

class CatalogueCursor : public DriverHandle {
 public:
  explicit CatalogueCursor(HandleKind k) : DriverHandle(k) {}
  static bool IsKind(HandleKind k) {
    return k == HandleKind::kTableList || k == HandleKind::kFieldList ||
           k == HandleKind::kIndexList || k == HandleKind::kProcedureList ||
           k == HandleKind::kProcedureParameters;
  }

  // Adds a field at the running offset (or at `offset` when given).
  void AddField(const char* name, uint16_t type, uint16_t length, int32_t offset = -1);

  // Cursor slot 2: the next row into `out` (may be null), IDAPI_ERR_EOF
  // after the last one.
  virtual uint16_t Next(void* out) = 0;
  // The number of rows, or -1 when it is not known in advance.
  virtual int32_t RowCount() const { return -1; }
  // Cursor slot 28 on a row of this cursor.
  uint16_t GetField(uint16_t field, const uint8_t* record, void* value, int16_t* isBlank) const;

  std::vector<EngineField> virtualFields;
  int32_t rowLength = 0;  // the engine's row
};

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_CATALOGUE_CURSOR_H_
