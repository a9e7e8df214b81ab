// The operations behind the slots of the three entry tables that the
// driver frame itself answers, and the helpers the slots share.
#ifndef VANTORA_DRIVER_FRAME_SLOTS_H_
#define VANTORA_DRIVER_FRAME_SLOTS_H_

#include <cstdint>

#include "driver/frame/handles.h"
#include "idapi.h"

namespace vantora::driver {

// The driver handle behind an engine cursor object (session made current),
// or null.
DriverHandle* CursorHandle(const void* engineCursor);

// Asks the engine for a cursor object on `engineDatabase`, runs `open` with
// the database's handle number and the new cursor object, and hands the
// object out on success; on failure the object is released again.
template <typename Open>
uint16_t OpenCursorObject(void* engineDatabase, void** outCursor, Open open);

// Database slot 30 and cursor slot 105.
uint16_t GetProperty(const IdapiDatabaseObject* db, uint32_t property, char* out, uint16_t* length);

namespace detail {
uint16_t NewCursorObject(void* engineDatabase, IdapiCursorObject** cursor);
int32_t DatabaseHandleNumber(const void* engineDatabase);
}  // namespace detail

template <typename Open>
uint16_t OpenCursorObject(void* engineDatabase, void** outCursor, Open open) {
  if (outCursor == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  *outCursor = nullptr;
  IdapiCursorObject* cursor = nullptr;
  if (uint16_t s = detail::NewCursorObject(engineDatabase, &cursor); s != IDAPI_OK) return s;
  cursor->secondObject = nullptr;
  cursor->secondKind = 2;
  const uint16_t status = open(detail::DatabaseHandleNumber(engineDatabase), cursor);
  if (status != IDAPI_OK) {
    IdapiReleaseObject(cursor);
    return status;
  }
  *outCursor = cursor;
  return IDAPI_OK;
}

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_SLOTS_H_
