#include "host/server/host_services.h"

#include <memory>

#include "host/server/host.h"

namespace vantora::host {

HostServices& ServicesOf(Host& host) {
  static std::mutex mutex;
  static std::map<std::filesystem::path, std::unique_ptr<HostServices>> table;
  std::lock_guard lock(mutex);
  auto& services = table[host.directory()];
  if (!services) services = std::make_unique<HostServices>(host.directory());
  if (services->owner != &host) {
    services->owner = &host;
    services->queues.ResumeWaits();
  }
  return *services;
}

void StopServiceWaits(Host& host) {
  ServicesOf(host).queues.StopWaits();
}

}  // namespace vantora::host
