// The field-list cursor of a table (database slot 5): one row per engine
// field descriptor of the table.
#ifndef VANTORA_DRIVER_FRAME_FIELD_LIST_H_
#define VANTORA_DRIVER_FRAME_FIELD_LIST_H_

#include <cstdint>
#include <vector>

#include "driver/frame/catalogue_cursor.h"

namespace vantora::driver {

class FieldListCursor : public CatalogueCursor {
 public:
  FieldListCursor() : CatalogueCursor(HandleKind::kFieldList) {}
  static bool IsKind(HandleKind k) { return k == HandleKind::kFieldList; }
  uint16_t Next(void* out) override;
  int32_t RowCount() const override { return static_cast<int32_t>(rows.size()); }
  std::vector<EngineField> rows;
};

uint16_t OpenFieldList(void* engineDatabase, const char* table, void** outCursor);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_FIELD_LIST_H_
