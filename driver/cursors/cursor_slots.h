// The cursor table's slots for record and catalogue cursors.
#ifndef VANTORA_DRIVER_CURSORS_CURSOR_SLOTS_H_
#define VANTORA_DRIVER_CURSORS_CURSOR_SLOTS_H_

#include "idapi.h"

namespace vantora::driver {

// Enters the slots into `table` (IDAPI_CURSOR_SLOTS entries).
void FillCursorSlots(IdapiEntry* table);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_CURSOR_SLOTS_H_
