#include "driver/frame/settings.h"

#include "platform/profile.h"

namespace vantora::driver {
namespace {

DriverSettings& Current() {
  static DriverSettings settings;
  return settings;
}

std::string Cut(const std::string& value, size_t bufferSize) {
  return value.substr(0, bufferSize - 1);
}

}  // namespace

void ReadDriverSettings() {
  const platform::Profile p = platform::Profile::FromDefaultFile();
  DriverSettings s;
  s.records = p.GetInt("Buffers", "Records", 30);
  s.optimize1 = p.GetInt("Buffers", "Optimize1", 20);
  s.optimize2 = p.GetInt("Buffers", "Optimize2", 1);
  s.logLevel = p.GetInt("Logfile", "Level", 0);
  s.threadAttach = p.GetInt("MultiThread", "ThreadAttach", 0) != 0;
  Current() = s;
}

const DriverSettings& Settings() {
  return Current();
}

std::string ConversionTablePath() {
  return Cut(platform::Profile::FromDefaultFile().GetString("GENERAL", "convtable", ""), 260);
}

std::string PasswordSetting() {
  return Cut(platform::Profile::FromDefaultFile().GetString("GENERAL", "pwd", ""), 10);
}

}  // namespace vantora::driver
