#include "protocol/file_descriptions.h"

#include <algorithm>
#include <cstring>

#include "protocol/byte_order.h"

namespace vantora::wire {

void WriteDescriptionName(std::string_view name, uint8_t* out) {
  std::memset(out, ' ', kDescNameLength);
  std::memcpy(out, name.data(), std::min<size_t>(name.size(), kDescNameLength));
}

void WriteFieldEntry(const FieldEntry& e, bool withFlags, uint8_t* out) {
  WriteDescriptionName(e.name, out + kDescFldName);
  StoreLeI16(out + kDescFldPcType, e.pcType);
  StoreLeI16(out + kDescFldPcLength, e.pcLength);
  StoreLeI16(out + kDescFldPcDecimals, e.pcDecimals);
  StoreLeI16(out + kDescFldAsType, e.asType);
  StoreLeI16(out + kDescFldAsLength, e.asLength);
  StoreLeI16(out + kDescFldAsDecimals, e.asDecimals);
  if (withFlags) StoreLe16(out + kDescFldFlags, e.flags);
}

FieldEntry ReadFieldEntry(const uint8_t* entry) {
  FieldEntry e;
  e.name = std::string_view(reinterpret_cast<const char*>(entry + kDescFldName), kDescNameLength);
  e.pcType = LoadLeI16(entry + kDescFldPcType);
  e.pcLength = LoadLeI16(entry + kDescFldPcLength);
  e.pcDecimals = LoadLeI16(entry + kDescFldPcDecimals);
  e.asType = LoadLeI16(entry + kDescFldAsType);
  e.asLength = LoadLeI16(entry + kDescFldAsLength);
  e.asDecimals = LoadLeI16(entry + kDescFldAsDecimals);
  return e;
}

}  // namespace vantora::wire
