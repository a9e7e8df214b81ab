// Record-level file requests.
#include "host/server/handlers.h"

namespace vantora::host {

void AddFileHandlers(HandlerTable&) {}

}  // namespace vantora::host
