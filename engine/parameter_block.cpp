#include "engine/parameter_block.h"

#include "idapi.h"

namespace vantora::engine {

bool ParameterBlock::Add(const std::string& name, const std::string& value) {
  const size_t offset = values_.size();
  if (offset + value.size() + 1 > 0xFFFF || count() == 0xFFFF) return false;
  values_.insert(values_.end(), value.begin(), value.end());
  values_.push_back('\0');
  const size_t at = descriptors_.size();
  descriptors_.resize(at + kSize, 0);
  unsigned char* d = descriptors_.data() + at;
  idapi_put_u16(d, IDAPI_FLD_NUMBER, count());
  idapi_put_text(d, IDAPI_FLD_NAME, IDAPI_FLD_NAME_SIZE, name.c_str());
  idapi_put_u16(d, IDAPI_FLD_TYPE, IDAPI_TYPE_STRING);
  idapi_put_u16(d, IDAPI_FLD_UNITS1, static_cast<uint16_t>(value.size() + 1));
  idapi_put_u16(d, IDAPI_FLD_OFFSET, static_cast<uint16_t>(offset));
  idapi_put_u16(d, IDAPI_FLD_LENGTH, static_cast<uint16_t>(value.size() + 1));
  return true;
}

}  // namespace vantora::engine
