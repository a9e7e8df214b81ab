// The driver's three entry tables, in slot order, as handed to the engine.
// The frame hands them out; they are filled above it, in driver/
// entry_tables.cpp, which alone sees both the frame and the cursors, as the
// host's handler table sits above the host's rooms.
#ifndef VANTORA_DRIVER_FRAME_ENTRY_TABLES_H_
#define VANTORA_DRIVER_FRAME_ENTRY_TABLES_H_

#include "idapi.h"

namespace vantora::driver {

constexpr char kDriverType[] = "Morvalis400";
// What the engine is told of each table's size, beside the real sizes of
// idapi.h (35, 41 and 109 slots).
constexpr uint16_t kDriverTableLevel = 38;
constexpr uint16_t kDatabaseTableLevel = 38;
constexpr uint16_t kCursorTableLevel = 102;

const IdapiEntry* DriverTable();
const IdapiEntry* DatabaseTable();
const IdapiEntry* CursorTable();

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_ENTRY_TABLES_H_
