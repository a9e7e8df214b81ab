#include "driver/frame/table_list.h"

#include "idapi.h"

namespace vantora::driver {

uint16_t TableListCursor::Next(void*) {
  return IDAPI_ERR_EOF;
}

uint16_t OpenTableList(void*, void** outCursor) {
  if (outCursor != nullptr) *outCursor = nullptr;
  return IDAPI_ERR_NOT_SUPPORTED;
}

}  // namespace vantora::driver
