// What vantora-hostd serves and how: the command line over the settings
// file (section Hostd) over the defaults.
//
//   option               setting                 default
//   --listen ADDRESS     Hostd/Listen            127.0.0.1
//   --port N             Hostd/Port              Tcp/Port, else 8471 (0: any free port)
//   --data-dir DIR       Hostd/DataDirectory     Host/DataDirectory, else the default host
//   directory
//   --max-connections N  Hostd/MaxConnections    64 sessions at once
//   --sign-on-limit N    Hostd/SignOnLimit       32 connections not signed on yet
//   --sign-on-early N    Hostd/SignOnEarly       half the limit: above it, random refusals
//   --sign-on-per-address N  Hostd/SignOnPerAddress  8 (at most the limit)
//   --sign-on-timeout S  Hostd/SignOnTimeout     5 seconds from connect to open session
//   --idle-timeout S     Hostd/IdleTimeout       3600 seconds (0: no limit)
//   --log-level LEVEL    Hostd/LogLevel          info (error, warning, info, debug)
//   --tls-cert FILE      Hostd/TlsCert           none: the certificate chain (PEM)
//   --tls-key FILE       Hostd/TlsKey            none: its private key (PEM)
//   --tls-required       (implied by a certificate: the server then speaks only TLS)
//   --allow-plaintext    Hostd/AllowPlaintext    0: plain TCP on a non-loopback address
//   --no-read-ahead      Hostd/ReadAhead         1: prepare a sequential reader's next read
//   --add-user NAME      creates (or gives a new password to) the user profile NAME
//                        with the password in $VANTORA_PASSWORD, else typed on the
//                        terminal (host/admin/profile_password.h), then exits
#ifndef VANTORA_HOST_HOSTD_HOSTD_OPTIONS_H_
#define VANTORA_HOST_HOSTD_HOSTD_OPTIONS_H_

#include <string>
#include <vector>

#include "host/hostd/tcp_server.h"
#include "host/server/session/host.h"
#include "platform/profile.h"

namespace vantora::hostd {

struct HostdOptions {
  ServerConfig server;
  std::string dataDirectory;
  host::LogLevel logLevel = host::LogLevel::kInfo;
  bool help = false;
  std::string addUser;  // --add-user: set the profile up instead of serving
  std::string tlsCert;  // both set: serve TLS only
  std::string tlsKey;
  bool allowPlaintext = false;
};

// Fills `out` from `args` (without the program name) and `settings`. False
// with `error` set on an unknown option or a bad value, on a certificate
// without its key (or the other way round), and on plain TCP on an address
// other than loopback without --allow-plaintext.
bool ParseHostdOptions(const std::vector<std::string>& args, const platform::Profile& settings,
                       HostdOptions* out, std::string* error);

// The --help text.
std::string HostdUsage();

}  // namespace vantora::hostd

#endif  // VANTORA_HOST_HOSTD_HOSTD_OPTIONS_H_
