// Filters of a record cursor, translated into open query files on the host.
#ifndef VANTORA_DRIVER_CURSORS_FILTERS_H_
#define VANTORA_DRIVER_CURSORS_FILTERS_H_

#include <cstdint>
#include <string>

#include "driver/frame/record_cursor.h"

namespace vantora::driver {

// A filter (kind 8): its selection text and (as its link) the cursor it
// belongs to.
class FilterHandle : public DriverHandle {
 public:
  FilterHandle() : DriverHandle(HandleKind::kFilter) {}
  static bool IsKind(HandleKind k) { return k == HandleKind::kFilter; }
  std::string text;
};

// Cursor slot 88: translates `expression` into a filter of `cursor`
// (inactive). IDAPI_ERR_FAILED, with the reason posted, when it cannot be
// written as a selection.
uint16_t AddFilter(RecordCursor* cursor, const void* expression, int32_t* filter);
// Cursor slot 89: deactivates the filter when it is the active one and frees it.
uint16_t DropFilter(RecordCursor* cursor, int32_t filter);
// Makes `filter` the active filter of `cursor` (cursor slot 90): the cursor's
// access path is opened again as an open query file of the selection.
uint16_t ActivateFilter(RecordCursor* cursor, int32_t filter);
// Ends `filter` when it is the active one (cursor slot 91).
uint16_t DeactivateFilter(RecordCursor* cursor, int32_t filter);
// Deactivates and frees every filter of `cursor` (before the cursor is freed).
void DropFilters(RecordCursor* cursor);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_FILTERS_H_
