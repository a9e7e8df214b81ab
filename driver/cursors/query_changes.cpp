#include "driver/cursors/query_changes.h"

#include "idapi.h"

namespace vantora::driver {

uint16_t InsertQueryRow(RecordCursor*, uint8_t*) {
  return IDAPI_ERR_NOT_SUPPORTED;
}

uint16_t ModifyQueryRow(RecordCursor*, uint8_t*) {
  return IDAPI_ERR_NOT_SUPPORTED;
}

uint16_t DeleteQueryRow(RecordCursor*) {
  return IDAPI_ERR_NOT_SUPPORTED;
}

uint16_t QueryRecordCount(RecordCursor*, int32_t*) {
  return IDAPI_ERR_NOT_SUPPORTED;
}

}  // namespace vantora::driver
