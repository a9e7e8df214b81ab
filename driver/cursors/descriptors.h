// What a cursor tells the engine about itself: its properties, its field
// descriptors and its index descriptors.
#ifndef VANTORA_DRIVER_CURSORS_DESCRIPTORS_H_
#define VANTORA_DRIVER_CURSORS_DESCRIPTORS_H_

#include <cstdint>

#include "driver/frame/handles.h"
#include "idapi.h"

namespace vantora::driver {

// Cursor slot 0 (any kind of cursor); the language driver's name is filled
// in from the database's language driver.
uint16_t CursorProperties(DriverHandle* cursor, const IdapiCursorObject* engineCursor,
                          void* properties);
// Cursor slot 1: the field descriptors in field order (strings one longer,
// for their terminator).
uint16_t FieldDescriptors(DriverHandle* cursor, void* descriptors);
// Cursor slot 20: index `number` (0 = the active one; 1 up from the first
// access path, then the rest of the index list).
uint16_t IndexDescriptor(DriverHandle* cursor, uint16_t number, void* descriptor);
// Cursor slot 98: every index of the file.
uint16_t AllIndexDescriptors(DriverHandle* cursor, void* descriptors);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_DESCRIPTORS_H_
