#include "host/server/session/host.h"

#include "host/server/session/host_services.h"

namespace vantora::host {

Host::~Host() = default;

void Host::Log(LogLevel level, std::string_view text) const {
  if (Logs(level)) options_.log(level, text);
}

}  // namespace vantora::host
