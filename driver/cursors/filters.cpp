#include "driver/cursors/filters.h"

#include "idapi.h"

namespace vantora::driver {

uint16_t ActivateFilter(RecordCursor*, int32_t filter) {
  return filter < 0 ? IDAPI_OK : IDAPI_ERR_NOT_SUPPORTED;
}

uint16_t DeactivateFilter(RecordCursor* cursor, int32_t filter) {
  if (filter < 0 || filter != cursor->linked) return IDAPI_OK;
  return IDAPI_ERR_NOT_SUPPORTED;
}

void DropFilters(RecordCursor*) {}

}  // namespace vantora::driver
