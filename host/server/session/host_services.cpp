#include "host/server/session/host_services.h"

#include <memory>

#include "host/server/session/host.h"

namespace vantora::host {

HostServices& ServicesOf(Host& host) {
  return host.services();
}

void StopServiceWaits(Host& host) {
  ServicesOf(host).queues.StopWaits();
}

}  // namespace vantora::host
