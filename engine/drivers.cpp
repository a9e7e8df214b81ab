#include "engine/drivers.h"

#include <map>
#include <memory>
#include <mutex>

#include "engine/parameter_block.h"
#include "platform/module_loader.h"
#include "platform/profile.h"
#include "protocol/blank_padded.h"

namespace vantora::engine {
namespace {

struct TypeCompare {
  bool operator()(const std::string& a, const std::string& b) const {
    return wire::LessIgnoringCase(a, b);
  }
};

struct DriverModule {
  platform::Module module;
  IdapiDrvInit init = nullptr;
};

struct Registry {
  std::recursive_mutex mutex;
  std::map<std::string, std::unique_ptr<DriverModule>, TypeCompare> modules;
  std::map<std::string, Driver*, TypeCompare> drivers;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

std::string ModuleStem(const platform::Profile& settings, const std::string& type) {
  const std::string fallback = wire::EqualsIgnoringCase(type, "Morvalis400") ? "MV432DRV" : "";
  return settings.GetString("Driver." + type, "Module", fallback);
}

DriverModule* ModuleOf(Registry& r, const std::string& type, const platform::Profile& settings) {
  auto it = r.modules.find(type);
  if (it != r.modules.end()) return it->second.get();
  const std::string stem = ModuleStem(settings, type);
  if (stem.empty()) return nullptr;
  auto m = std::make_unique<DriverModule>();
  m->module = platform::CurrentModuleLoader().Open(platform::DecoratedModuleName(stem),
                                                   reinterpret_cast<const void*>(&RegisterDriver));
  if (!m->module.IsOpen()) return nullptr;
  m->init = reinterpret_cast<IdapiDrvInit>(m->module.Symbol(IDAPI_DRVINIT_NAME));
  if (m->init == nullptr) return nullptr;
  // Kept for the life of the process: a driver's code must stay mapped while
  // any of its objects or threads may still run.
  return r.modules.emplace(type, std::move(m)).first->second.get();
}

}  // namespace

uint16_t RegisterDriver(const std::string& type, Driver** driver) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.mutex);
  const platform::Profile settings = platform::Profile::FromDefaultFile();
  DriverModule* m = ModuleOf(r, type, settings);
  if (m == nullptr) return IDAPI_ERR_NO_DRIVER;
  ParameterBlock params;
  for (const auto& [key, value] : settings.Section("Driver." + type)) {
    if (!wire::EqualsIgnoringCase(key, "Module")) params.Add(key, value);
  }
  void* object = nullptr;
  const uint16_t status =
      m->init(0, 0, params.count(), params.descriptors(), params.values(), nullptr, &object);
  if (status != IDAPI_OK) return status;
  Driver* d = AsDriver(object);
  if (d == nullptr) return IDAPI_ERR_BAD_OBJECT;
  r.drivers[type] = d;
  *driver = d;
  return IDAPI_OK;
}

Driver* RegisteredDriver(const std::string& type) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.mutex);
  auto it = r.drivers.find(type);
  return it == r.drivers.end() ? nullptr : it->second;
}

uint16_t CloseDriver(Driver* driver) {
  auto close = reinterpret_cast<IdapiDrvClose>(driver->table[IDAPI_DRV_CLOSE]);
  if (close == nullptr) return IDAPI_ERR_NOT_SUPPORTED;
  return close(&driver->pub);
}

void DriverRegistered(Driver* driver) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.mutex);
  r.drivers[driver->type] = driver;
}

void DriverReleased(Driver* driver) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.mutex);
  for (auto it = r.drivers.begin(); it != r.drivers.end(); ++it) {
    if (it->second == driver) {
      r.drivers.erase(it);
      return;
    }
  }
}

}  // namespace vantora::engine
