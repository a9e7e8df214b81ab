// The driver's registration with the engine: DrvInit, the use count, and
// the driver close that ends the host sessions.
#ifndef VANTORA_DRIVER_FRAME_REGISTRATION_H_
#define VANTORA_DRIVER_FRAME_REGISTRATION_H_

#include <cstdint>

#include "idapi.h"

namespace vantora::driver {

// The engine's driver object of the current registration, or null.
IdapiDriverObject* CurrentDriverObject();

// Driver slot 8.
uint16_t CloseDriver(void* driverObject);

}  // namespace vantora::driver

extern "C" IDAPI_DRIVER_EXPORT uint16_t DrvInit(uint32_t reserved1, uint32_t reserved2,
                                                uint32_t paramCount, const void* descriptors,
                                                const void* values, void* reserved6,
                                                void** outDriver);

#endif  // VANTORA_DRIVER_FRAME_REGISTRATION_H_
