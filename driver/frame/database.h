// Opening and closing a database: the connection to an AS/400 library.
#ifndef VANTORA_DRIVER_FRAME_DATABASE_H_
#define VANTORA_DRIVER_FRAME_DATABASE_H_

#include <cstdint>
#include <string>

#include "driver/frame/handles.h"

namespace vantora::driver {

constexpr uint32_t kTransactionFlag = 0x20;  // open option under commitment control

// An open database (kind 4): the library its unqualified names live in, the
// commitment-control flag, and (as its second file) the read handle of the
// index dictionary YIDXR0100 (negative when the file could not be opened).
class DatabaseHandle : public DriverHandle {
 public:
  DatabaseHandle() : DriverHandle(HandleKind::kDatabase) {}
  static bool IsKind(HandleKind k) { return k == HandleKind::kDatabase; }

  uint32_t transactionFlag = 0;
  bool sqlNaming = false;  // NAMING "sql": statements qualify as LIB.FILE
};

// The database handle behind an engine database object, making its session
// current; null when the object carries no live database handle.
DatabaseHandle* DatabaseOf(const void* engineDatabase);

// Driver slot 5 and database slot 11.
uint16_t OpenDatabase(const char* name, uint16_t openMode, uint16_t shareMode, char* password,
                      uint16_t paramCount, const void* descriptors, const void* values,
                      void** outDatabase);
uint16_t CloseDatabase(void* engineDatabase);

// Databases open now.
int32_t OpenDatabaseCount();

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_DATABASE_H_
