#include "selection/failure_text.h"

#include <cstdio>
#include <vector>

#include "mv432ida.h"

namespace vantora::selection {
namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
  const int n = std::snprintf(nullptr, 0, format, args...);
  if (n <= 0) return {};
  std::vector<char> text(static_cast<size_t>(n) + 1);
  std::snprintf(text.data(), text.size(), format, args...);
  return std::string(text.data(), static_cast<size_t>(n));
}

}  // namespace

std::string FailureText(std::string_view step, int32_t result) {
  const std::string s(step);
  switch (result) {
    case VNX_ERR_INTERNAL:
      return Format("%s: VANTORA Internal Error %ld\r\r\n", s.c_str(),
                    static_cast<long>(Internal_Error()));
    case VNX_ERR_COMM: {
      int16_t primary = 0;
      int32_t secondary = 0;
      APPC_ERR(&primary, &secondary);
      return Format("%s: APPC Error %x %lx \r\r\n", s.c_str(),
                    static_cast<unsigned>(static_cast<uint16_t>(primary)),
                    static_cast<unsigned long>(static_cast<uint32_t>(secondary)));
    }
    case VNX_ERR_SIGNAL:
    case VNX_ERR_HOST: {
      char id[9] = {};
      Return_Syserr(id);
      id[7] = '\0';
      return Format("%s: Error of class E_ERROR %ld %s\r\r\n", s.c_str(),
                    static_cast<long>(retstat()), id);
    }
    default:
      return Format("%s: Unknown error !!!\r\r\n", s.c_str());
  }
}

}  // namespace vantora::selection
