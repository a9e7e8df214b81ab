// The drivers of the engine: which module serves a driver type, loading it,
// registering it through its DrvInit, and closing it.
//
// A driver type's module is named by the setting Driver.<type>/Module (a
// module stem, decorated by the platform: "MV432DRV" is libMV432DRV.so),
// looked for beside libIDAPI32.so first; "Morvalis400" defaults to
// "MV432DRV". The other keys of that section are the configuration
// parameters handed to DrvInit.
#ifndef VANTORA_ENGINE_DRIVERS_H_
#define VANTORA_ENGINE_DRIVERS_H_

#include <cstdint>
#include <string>

#include "engine/objects.h"

namespace vantora::engine {

// Calls DrvInit of `type`'s driver (loading its module first when needed).
// On success `*driver` is the registered driver object.
uint16_t RegisterDriver(const std::string& type, Driver** driver);
// The registered driver of `type`, or null.
Driver* RegisteredDriver(const std::string& type);
// Calls the driver's close entry once.
uint16_t CloseDriver(Driver* driver);

// Called by IdapiRegisterDriver: records the driver object made for `type`.
void DriverRegistered(Driver* driver);
// Called when a driver object is released: forgets it.
void DriverReleased(Driver* driver);

}  // namespace vantora::engine

#endif  // VANTORA_ENGINE_DRIVERS_H_
