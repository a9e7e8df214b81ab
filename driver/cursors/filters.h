// Filters of a record cursor, translated into open query files on the host.
#ifndef VANTORA_DRIVER_CURSORS_FILTERS_H_
#define VANTORA_DRIVER_CURSORS_FILTERS_H_

#include <cstdint>

#include "driver/frame/record_cursor.h"

namespace vantora::driver {

// Makes `filter` the active filter of `cursor` (cursor slot 90).
uint16_t ActivateFilter(RecordCursor* cursor, int32_t filter);
// Ends `filter` when it is the active one (cursor slot 91).
uint16_t DeactivateFilter(RecordCursor* cursor, int32_t filter);
// Deactivates and frees every filter of `cursor` (before the cursor is freed).
void DropFilters(RecordCursor* cursor);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_FILTERS_H_
