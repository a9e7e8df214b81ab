#include "transport/tcp/tcp_settings.h"

#include <optional>
#include <string>

#include "platform/console.h"

namespace vantora::tcp {
namespace {

constexpr int kMaxSeconds = 24 * 3600;

int SecondsSetting(const platform::Profile& profile, const char* key, int fallbackMs) {
  int32_t seconds = profile.GetInt("Tcp", key, fallbackMs / 1000);
  if (seconds <= 0) return -1;
  return (seconds > kMaxSeconds ? kMaxSeconds : seconds) * 1000;
}

std::optional<std::string> Env(const char* name) {
  auto value = platform::EnvironmentValue(name);
  if (value && value->empty()) return std::nullopt;
  return value;
}

}  // namespace

bool SplitAddress(const std::string& text, std::string* host, uint16_t* port) {
  std::string name = text;
  std::string portText;
  bool hasPort = false;
  if (!text.empty() && text[0] == '[') {
    const size_t close = text.find(']');
    if (close == std::string::npos) return false;
    name = text.substr(1, close - 1);
    if (close + 1 < text.size()) {
      if (text[close + 1] != ':') return false;
      hasPort = true;
      portText = text.substr(close + 2);
    }
  } else if (const size_t colon = text.find(':');
             colon != std::string::npos && colon == text.rfind(':')) {
    name = text.substr(0, colon);
    hasPort = true;
    portText = text.substr(colon + 1);
  }  // more than one colon and no brackets: a bare IPv6 address
  long value = 0;
  if (hasPort) {
    if (portText.empty() || portText.size() > 5) return false;
    for (char c : portText) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
  }
  *host = name;
  if (hasPort) *port = static_cast<uint16_t>(value);
  return true;
}

TcpSettings ReadTcpSettings(const platform::Profile& profile, const char* machine) {
  TcpSettings s;
  int32_t port = profile.GetInt("Tcp", "Port", kDefaultPort);
  if (port >= 1 && port <= 65535) s.port = static_cast<uint16_t>(port);
  s.connectTimeoutMs = SecondsSetting(profile, "ConnectTimeout", s.connectTimeoutMs);
  s.receiveTimeoutMs = SecondsSetting(profile, "ReceiveTimeout", s.receiveTimeoutMs);
  s.tls = profile.GetInt("Tcp", "Tls", 0) != 0;
  s.tlsCaFile = profile.GetString("Tcp", "TlsCaFile", "");
  std::string address = machine != nullptr && *machine != '\0'
                            ? std::string(machine)
                            : profile.GetString("General", "Location", "");
  s.host = "localhost";
  if (!address.empty() && !SplitAddress(address, &s.host, &s.port)) s.host = address;
  if (s.host.empty()) s.host = "localhost";
  const std::optional<std::string> user = Env("VANTORA_USER");
  const std::optional<std::string> password = Env("VANTORA_PASSWORD");
  // The environment wins over the settings, each of the two on its own: a
  // user from Tcp/User signs on with the password of VANTORA_PASSWORD (which
  // no settings file should hold); VANTORA_USER alone has no password.
  s.user = user ? *user : profile.GetString("Tcp", "User", "");
  s.password = password ? *password : user ? "" : profile.GetString("Tcp", "Password", "");
  s.hasCredentials = !s.user.empty();
  return s;
}

}  // namespace vantora::tcp
