#include "driver/frame/parameters.h"

#include "idapi.h"

namespace vantora::driver {

std::vector<ConfigParameter> ReadParameters(uint32_t count, const void* descriptors,
                                            const void* values) {
  std::vector<ConfigParameter> parameters;
  if (descriptors == nullptr || values == nullptr) return parameters;
  const auto* d = static_cast<const unsigned char*>(descriptors);
  const auto* v = static_cast<const char*>(values);
  for (uint32_t i = 0; i < count; ++i, d += IDAPI_FIELD_DESC_SIZE) {
    ConfigParameter p;
    p.name.assign(reinterpret_cast<const char*>(d + IDAPI_FLD_NAME),
                  idapi_text_length(d, IDAPI_FLD_NAME, IDAPI_FLD_NAME_SIZE));
    p.value = v + idapi_get_u16(d, IDAPI_FLD_OFFSET);
    parameters.push_back(std::move(p));
  }
  return parameters;
}

}  // namespace vantora::driver
