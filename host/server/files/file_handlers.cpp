// Record-level file requests: every group registers its own handlers.
#include "host/server/files/file_handlers.h"

namespace vantora::host {

void AddFileHandlers(HandlerTable& table) {
  AddOpenHandlers(table);
  AddReadHandlers(table);
  AddWriteHandlers(table);
  AddDescribeHandlers(table);
}

}  // namespace vantora::host
