#include "host/server/host_services.h"

#include <memory>

#include "host/server/host.h"

namespace vantora::host {

HostServices& ServicesOf(Host& host) {
  return host.services();
}

void StopServiceWaits(Host& host) {
  ServicesOf(host).queues.StopWaits();
}

}  // namespace vantora::host
