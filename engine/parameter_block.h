// Configuration parameters as a driver receives them: one field descriptor
// per parameter (its name at IDAPI_FLD_NAME, the offset of its value at
// IDAPI_FLD_OFFSET) and a value area of NUL-terminated texts.
#ifndef VANTORA_ENGINE_PARAMETER_BLOCK_H_
#define VANTORA_ENGINE_PARAMETER_BLOCK_H_

#include <cstdint>
#include <string>
#include <vector>

namespace vantora::engine {

class ParameterBlock {
 public:
  // Adds a parameter; false when the value area would pass 65535 bytes.
  // Names are cut to 31 characters.
  bool Add(const std::string& name, const std::string& value);

  uint16_t count() const { return static_cast<uint16_t>(descriptors_.size() / kSize); }
  // Null when there are no parameters.
  const void* descriptors() const { return descriptors_.empty() ? nullptr : descriptors_.data(); }
  const void* values() const { return values_.empty() ? nullptr : values_.data(); }

 private:
  static constexpr size_t kSize = 62;
  std::vector<unsigned char> descriptors_;
  std::vector<char> values_;
};

}  // namespace vantora::engine

#endif  // VANTORA_ENGINE_PARAMETER_BLOCK_H_
