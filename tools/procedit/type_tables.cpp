#include "tools/procedit/type_tables.h"

namespace vantora::procedit {

bool ValidHostType(int code) {
  return code >= 0 && code < kHostTypeCount;
}
bool ValidPcType(int code) {
  return code >= 0 && code < kPcTypeCount;
}

std::string HostTypeName(int code) {
  return ValidHostType(code) ? kHostTypes[code].name : "?";
}
std::string PcTypeName(int code) {
  return ValidPcType(code) ? kPcTypes[code].name : "?";
}

int HostTypeCode(const std::string& name) {
  for (int i = 0; i < kHostTypeCount; ++i) {
    if (name == kHostTypes[i].name) return i;
  }
  return -1;
}

int PcTypeCode(const std::string& name) {
  for (int i = 0; i < kPcTypeCount; ++i) {
    if (name == kPcTypes[i].name) return i;
  }
  return -1;
}

int16_t DerivedByteLength(int asType, int asDigits) {
  if (asType == kHostPack) return static_cast<int16_t>(asDigits / 2 + 1);
  if (ValidHostType(asType) && kHostTypes[asType].fixedBytes != kNoFixedValue) {
    return static_cast<int16_t>(kHostTypes[asType].fixedBytes);
  }
  return static_cast<int16_t>(asDigits);
}

}  // namespace vantora::procedit
