#include "host/server/handlers.h"

#include "host/server/host_status.h"

namespace vantora::host {

void RequestContext::Fail(const Status& s) {
  result = -1;
  status = StatusWordOf(s.code());
  messageId = s.messageId();
}

void RequestContext::Fail(int32_t statusWord, const char* id) {
  result = -1;
  status = statusWord;
  messageId = id;
}

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
