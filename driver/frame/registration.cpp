#include "driver/frame/registration.h"

#include <mutex>

#include "driver/frame/entry_tables.h"
#include "driver/frame/handles.h"
#include "driver/frame/parameters.h"
#include "driver/frame/sessions.h"
#include "driver/frame/settings.h"
#include "mv432ida.h"
#include "protocol/blank_padded.h"

namespace vantora::driver {
namespace {

struct Registration {
  std::mutex lock;  // DrvInit and close driver against each other
  IdapiDriverObject* driver = nullptr;
  bool registeredOnce = false;
};

Registration& TheRegistration() {
  static Registration* r = new Registration;
  return *r;
}

// The work done at each registration: settings, and the client library's
// table of sessions (bound again after the last close terminated it).
void StartDriver(Registration& r) {
  ReadDriverSettings();
  SetThreadSessions(Settings().threadAttach);
  if (!Settings().threadAttach) OpenMultiSession(kSessionEntries);
  if (!r.registeredOnce) {
    SessionGeneration() = 0;
    r.registeredOnce = true;
  } else {
    SessionGeneration() += 1;
  }
  std::lock_guard guard(HandleLock());
  CurrentSessionNumber() = 0;
}

}  // namespace

IdapiDriverObject* CurrentDriverObject() {
  return TheRegistration().driver;
}

uint16_t CloseDriver(void* driverObject) {
  Registration& r = TheRegistration();
  std::lock_guard guard(r.lock);
  if (r.driver == nullptr || driverObject != r.driver) return IDAPI_ERR_INVALID_ARGUMENT;
  if (--r.driver->useCount > 0) return IDAPI_OK;
  IdapiReleaseObject(r.driver);
  r.driver = nullptr;
  EndDriverSessions();
  SessionGeneration() -= 1;
  VNXTerminate();
  return IDAPI_OK;
}

}  // namespace vantora::driver

using namespace vantora::driver;

extern "C" IDAPI_DRIVER_EXPORT uint16_t DrvInit(uint32_t, uint32_t, uint32_t paramCount,
                                                const void* descriptors, const void* values, void*,
                                                void** outDriver) {
  if (outDriver == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  *outDriver = nullptr;
  const uint16_t count = static_cast<uint16_t>(paramCount & 0xFFFF);
  if (count > 0 && (descriptors == nullptr || values == nullptr)) {
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  Registration& r = TheRegistration();
  std::lock_guard guard(r.lock);
  if (r.driver != nullptr) {
    *outDriver = r.driver;
    r.driver->useCount += 1;
    return IDAPI_OK;
  }
  void* object = nullptr;
  const uint16_t status = IdapiRegisterDriver(kDriverType, 1, 300, 0, IDAPI_DRIVER_SLOTS,
                                              DriverTable(), kDriverTableLevel, &object);
  if (status != IDAPI_OK) return status;
  r.driver = static_cast<IdapiDriverObject*>(object);
  *outDriver = r.driver;
  r.driver->entryAddress = reinterpret_cast<void*>(&DrvInit);
  r.driver->useCount = 1;
  for (const ConfigParameter& p : ReadParameters(count, descriptors, values)) {
    if (vantora::wire::EqualsIgnoringCase(p.name, "LANGDRIVER")) {
      idapi_put_text(r.driver->defaultLanguageDriver, 0, IDAPI_NAME_SIZE, p.value.c_str());
    }
  }
  StartDriver(r);
  return IDAPI_OK;
}
