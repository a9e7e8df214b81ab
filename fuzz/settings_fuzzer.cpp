// libFuzzer target: the settings-file reader on any text, read back through
// every accessor the programs use (fixed buffers among them).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using vantora::platform::Profile;
  const Profile p = Profile::FromText(std::string_view(reinterpret_cast<const char*>(data), size));
  static const char* const kKeys[][2] = {{"General", "Network"}, {"General", "Location"},
                                         {"Tcp", "Port"},        {"Host", "DataDirectory"},
                                         {"Logfile", "Level"},   {"Buffers", "Records"}};
  for (const auto& k : kKeys) {
    p.GetString(k[0], k[1], "default");
    char small[5];
    const size_t n = p.GetString(k[0], k[1], "fallback value", small, sizeof small);
    if (n >= sizeof small || std::strlen(small) != n) __builtin_trap();
    p.GetInt(k[0], k[1], -1);
    p.Section(k[0]);
  }
  return 0;
}
