#include "platform/user_paths.h"

#include "platform/console.h"

namespace vantora::platform {
namespace {

std::string FromEnvironment(const char* own, const char* underHome) {
  if (auto value = EnvironmentValue(own); value && !value->empty()) return *value;
  if (auto home = EnvironmentValue("HOME"); home && !home->empty()) return *home + underHome;
  return {};
}

}  // namespace

std::string UserConfigHome() {
  return FromEnvironment("XDG_CONFIG_HOME", "/.config");
}

std::string UserDataHome() {
  return FromEnvironment("XDG_DATA_HOME", "/.local/share");
}

}  // namespace vantora::platform
