// The engine's configuration parameters (DrvInit and open database): a
// count of field descriptors naming each parameter and the offset of its
// text in a value area.
#ifndef VANTORA_DRIVER_FRAME_PARAMETERS_H_
#define VANTORA_DRIVER_FRAME_PARAMETERS_H_

#include <cstdint>
#include <string>
#include <vector>

namespace vantora::driver {

struct ConfigParameter {
  std::string name;
  std::string value;
};

// Null arrays give no parameters.
std::vector<ConfigParameter> ReadParameters(uint32_t count, const void* descriptors,
                                            const void* values);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_PARAMETERS_H_
