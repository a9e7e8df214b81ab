#include "host/server/session/job_services.h"

#include "host/server/session/job.h"

namespace vantora::host {

JobServices& ServicesOf(Job& job) {
  auto& services = job.services();
  if (!services) services = std::make_shared<JobServices>();
  return *services;
}

JobServices* FindJobServices(Job& job) {
  return job.services().get();
}

}  // namespace vantora::host
