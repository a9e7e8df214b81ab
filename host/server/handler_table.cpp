// The host's table of request handlers: every room registers its own. This
// library sits above all rooms, so the table is put together here.
#include "host/server/session/handlers.h"

namespace vantora::host {

HandlerTable BuildHandlerTable() {
  HandlerTable table{};
  AddServiceHandlers(table);
  AddFileHandlers(table);
  AddCommandHandlers(table);
  AddSqlHandlers(table);
  AddVirtualFileHandlers(table);
  AddApiHandlers(table);
  AddQueueHandlers(table);
  AddProgramHandlers(table);
  AddFileServiceHandlers(table);
  AddRemainingHandlers(table);
  return table;
}

}  // namespace vantora::host
