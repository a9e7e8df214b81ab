// Where and how the TCP transport connects: read from the settings file and
// the environment at each connect, so a changed setting takes effect on the
// next session.
//
//   host      the machine name given with MCH_name, else General/Location,
//             else "localhost"; either may end in ":port"
//             ("[address]:port" for IPv6 addresses)
//   port      that suffix, else Tcp/Port, else 8471
//   Tcp/ConnectTimeout  seconds to connect and shake hands (default 10)
//   Tcp/ReceiveTimeout  seconds a send or a reply may stall (default 60, 0 = no limit)
//   Tcp/Tls   1: speak TLS, verifying the server's certificate and that it
//             names `host` (default 0, plain TCP)
//   Tcp/TlsCaFile  the PEM file of the authorities trusted (default: the
//             system's trust store)
//   credentials for sessions opened without a user: $VANTORA_USER, else
//             Tcp/User; $VANTORA_PASSWORD, else (when VANTORA_USER is unset)
//             Tcp/Password
#ifndef VANTORA_TRANSPORT_TCP_TCP_SETTINGS_H_
#define VANTORA_TRANSPORT_TCP_TCP_SETTINGS_H_

#include <cstdint>
#include <string>

#include "platform/profile.h"

namespace vantora::tcp {

inline constexpr uint16_t kDefaultPort = 8471;

struct TcpSettings {
  std::string host;
  uint16_t port = kDefaultPort;
  int connectTimeoutMs = 10'000;
  int receiveTimeoutMs = 60'000;  // negative: no limit
  bool tls = false;
  std::string tlsCaFile;  // empty: the system's trust store
  bool hasCredentials = false;
  std::string user;
  std::string password;
};

// The settings for a connect to `machine` (may be null or empty).
TcpSettings ReadTcpSettings(const platform::Profile& profile, const char* machine);

// Splits "host", "host:port", "[v6]:port" or a bare IPv6 address. False when
// the port is not a number from 1 to 65535 (then nothing is written).
bool SplitAddress(const std::string& text, std::string* host, uint16_t* port);

}  // namespace vantora::tcp

#endif  // VANTORA_TRANSPORT_TCP_TCP_SETTINGS_H_
