#include "host/server/sql/sql_work_area.h"

#include <map>
#include <memory>
#include <mutex>

#include "host/server/session/job.h"
#include "host/server/session/job_services.h"

namespace vantora::host::sql {
namespace {

struct Entry {
  std::weak_ptr<JobServices> owner;  // expires when the job ends
  std::unique_ptr<SqlWorkArea> area;
};

std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}

std::map<const Job*, Entry>& Registry() {
  static std::map<const Job*, Entry> r;
  return r;
}

// Forgets the areas of ended jobs. REQUIRES: the registry mutex is held.
void Prune() {
  auto& r = Registry();
  for (auto it = r.begin(); it != r.end();) {
    it = it->second.owner.expired() ? r.erase(it) : std::next(it);
  }
}

SqlWorkArea& Start(Job& job) {
  ServicesOf(job);  // the job's services stand for the job's life
  Prune();
  Entry& e = Registry()[&job];
  e.owner = job.services();
  e.area = std::make_unique<SqlWorkArea>();
  return *e.area;
}

}  // namespace

SqlWorkArea& WorkAreaOf(Job& job) {
  std::lock_guard lock(RegistryMutex());
  Prune();  // ended jobs' results go as soon as any job uses SQL
  auto& r = Registry();
  auto it = r.find(&job);
  if (it != r.end() && !it->second.owner.expired() && it->second.owner.lock() == job.services()) {
    return *it->second.area;
  }
  return Start(job);
}

void BeginWorkArea(Job& job) {
  std::lock_guard lock(RegistryMutex());
  Start(job);
}

void EndWorkArea(Job& job) {
  std::lock_guard lock(RegistryMutex());
  Registry().erase(&job);
  Prune();
}

}  // namespace vantora::host::sql
