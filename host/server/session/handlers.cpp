#include "host/server/session/handlers.h"

#include "host/server/session/host_status.h"

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

}  // namespace vantora::host
