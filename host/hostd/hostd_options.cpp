#include "host/hostd/hostd_options.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "host/server/host_setup.h"
#include "transport/tcp/socket.h"
#include "transport/tcp/tcp_settings.h"

namespace vantora::hostd {
namespace {

constexpr int kDefaultIdleSeconds = 3600;
constexpr int kMaxSeconds = 7 * 24 * 3600;
constexpr int kDefaultSignOnLimit = 32;
constexpr int kDefaultSignOnPerAddress = 8;
constexpr int kDefaultSignOnSeconds = 5;
constexpr int kMaxSignOnSeconds = 3600;

bool ParseNumber(const std::string& text, long low, long high, long* out) {
  if (text.empty() || text.size() > 9) return false;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < low || value > high) return false;
  *out = value;
  return true;
}

bool ParseLevel(const std::string& text, host::LogLevel* out) {
  static const char* const kNames[] = {"error", "warning", "info", "debug"};
  for (int i = 0; i < 4; ++i) {
    if (text == kNames[i] || text == std::to_string(i)) {
      *out = static_cast<host::LogLevel>(i);
      return true;
    }
  }
  return false;
}

int IdleMs(long seconds) {
  return seconds == 0 ? -1 : static_cast<int>(seconds) * 1000;
}

}  // namespace

std::string HostdUsage() {
  return "Usage: vantora-hostd [options]\n"
         "Serves the Vantora host over TCP: one job per connection.\n"
         "\n"
         "  --listen ADDRESS      numeric IPv4 or IPv6 address to listen on (127.0.0.1)\n"
         "  --port N              TCP port (8471; 0 picks a free one, printed at start)\n"
         "  --data-dir DIR        host data directory (created when absent)\n"
         "  --max-connections N   sessions served at once; more are refused (64)\n"
         "  --sign-on-limit N     connections not signed on yet, at most (32)\n"
         "  --sign-on-early N     above this many of them, refuse new ones at random,\n"
         "                        more often the nearer the limit (half the limit)\n"
         "  --sign-on-per-address N\n"
         "                        connections not signed on yet from one address (8)\n"
         "  --sign-on-timeout S   seconds from connect to open session (5)\n"
         "  --idle-timeout S      seconds a connection may wait between requests;\n"
         "                        0 = no limit (3600)\n"
         "  --log-level LEVEL     error, warning, info or debug (info)\n"
         "  --tls-cert FILE       serve TLS only, with this certificate chain (PEM)\n"
         "  --tls-key FILE        the certificate's private key (PEM)\n"
         "  --tls-required        refuse clients without TLS (always so with a certificate)\n"
         "  --allow-plaintext     allow plain TCP on an address other than loopback\n"
         "  --no-read-ahead       do not prepare a sequential reader's next read while\n"
         "                        its reply travels (results are the same either way)\n"
         "  --add-user NAME       create the user profile NAME (or change its password)\n"
         "                        with the password in $VANTORA_PASSWORD, else asked on\n"
         "                        the terminal, then exit\n"
         "  --help                this text\n"
         "\n"
         "Defaults come from the settings file ($MV400_INI, section Hostd). Logs go to\n"
         "standard error; SIGTERM or SIGINT stops the server cleanly, SIGUSR1 writes\n"
         "a status line (connections, jobs, open files, locks).\n";
}

bool ParseHostdOptions(const std::vector<std::string>& args, const platform::Profile& settings,
                       HostdOptions* out, std::string* error) {
  HostdOptions o;
  o.server.listenAddress = settings.GetString("Hostd", "Listen", "127.0.0.1");
  long number = 0;
  const int32_t tcpPort = settings.GetInt("Tcp", "Port", tcp::kDefaultPort);
  const int32_t port = settings.GetInt("Hostd", "Port", tcpPort);
  o.server.port = port >= 0 && port <= 65535 ? static_cast<uint16_t>(port) : tcp::kDefaultPort;
  o.dataDirectory =
      settings.GetString("Hostd", "DataDirectory",
                         settings.GetString("Host", "DataDirectory", host::DefaultDataDirectory()));
  const int32_t maxConnections = settings.GetInt("Hostd", "MaxConnections", 64);
  o.server.budget.maxSessions = maxConnections > 0 ? maxConnections : 64;
  // Negative: not given (derived from the limit below).
  int32_t signOnLimit = settings.GetInt("Hostd", "SignOnLimit", kDefaultSignOnLimit);
  int32_t signOnEarly = settings.GetInt("Hostd", "SignOnEarly", -1);
  int32_t signOnPerAddress = settings.GetInt("Hostd", "SignOnPerAddress", -1);
  const int32_t signOnSeconds = settings.GetInt("Hostd", "SignOnTimeout", kDefaultSignOnSeconds);
  o.server.limits.signOnTimeoutMs =
      (signOnSeconds >= 1 && signOnSeconds <= kMaxSignOnSeconds ? signOnSeconds
                                                                : kDefaultSignOnSeconds) *
      1000;
  const int32_t idle = settings.GetInt("Hostd", "IdleTimeout", kDefaultIdleSeconds);
  o.server.limits.idleTimeoutMs = IdleMs(idle >= 0 && idle <= kMaxSeconds ? idle : 3600);
  if (!ParseLevel(settings.GetString("Hostd", "LogLevel", "info"), &o.logLevel)) {
    o.logLevel = host::LogLevel::kInfo;
  }

  o.tlsCert = settings.GetString("Hostd", "TlsCert", "");
  o.tlsKey = settings.GetString("Hostd", "TlsKey", "");
  o.allowPlaintext = settings.GetInt("Hostd", "AllowPlaintext", 0) != 0;
  o.server.limits.readAhead = settings.GetInt("Hostd", "ReadAhead", 1) != 0;
  bool tlsRequired = false;

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--help" || option == "-h") {
      o.help = true;
      continue;
    }
    if (option == "--tls-required") {
      tlsRequired = true;
      continue;
    }
    if (option == "--allow-plaintext") {
      o.allowPlaintext = true;
      continue;
    }
    if (option == "--no-read-ahead") {
      o.server.limits.readAhead = false;
      continue;
    }
    static const char* const kValueOptions[] = {"--listen",
                                                "--port",
                                                "--data-dir",
                                                "--max-connections",
                                                "--sign-on-limit",
                                                "--sign-on-early",
                                                "--sign-on-per-address",
                                                "--sign-on-timeout",
                                                "--idle-timeout",
                                                "--log-level",
                                                "--tls-cert",
                                                "--tls-key",
                                                "--add-user"};
    if (std::find(std::begin(kValueOptions), std::end(kValueOptions), option) ==
        std::end(kValueOptions)) {
      *error = "unknown option " + option;
      return false;
    }
    if (i + 1 >= args.size()) {
      *error = option + " needs a value";
      return false;
    }
    const std::string& value = args[++i];
    bool ok = true;
    if (option == "--listen") {
      o.server.listenAddress = value;
    } else if (option == "--port") {
      ok = ParseNumber(value, 0, 65535, &number);
      if (ok) o.server.port = static_cast<uint16_t>(number);
    } else if (option == "--data-dir") {
      ok = !value.empty();
      o.dataDirectory = value;
    } else if (option == "--max-connections") {
      ok = ParseNumber(value, 1, 100000, &number);
      if (ok) o.server.budget.maxSessions = static_cast<int>(number);
    } else if (option == "--sign-on-limit") {
      ok = ParseNumber(value, 1, 100000, &number);
      if (ok) signOnLimit = static_cast<int32_t>(number);
    } else if (option == "--sign-on-early") {
      ok = ParseNumber(value, 1, 100000, &number);
      if (ok) signOnEarly = static_cast<int32_t>(number);
    } else if (option == "--sign-on-per-address") {
      ok = ParseNumber(value, 1, 100000, &number);
      if (ok) signOnPerAddress = static_cast<int32_t>(number);
    } else if (option == "--sign-on-timeout") {
      ok = ParseNumber(value, 1, kMaxSignOnSeconds, &number);
      if (ok) o.server.limits.signOnTimeoutMs = static_cast<int>(number) * 1000;
    } else if (option == "--idle-timeout") {
      ok = ParseNumber(value, 0, kMaxSeconds, &number);
      if (ok) o.server.limits.idleTimeoutMs = IdleMs(number);
    } else if (option == "--log-level") {
      ok = ParseLevel(value, &o.logLevel);
    } else if (option == "--tls-cert") {
      ok = !value.empty();
      o.tlsCert = value;
    } else if (option == "--tls-key") {
      ok = !value.empty();
      o.tlsKey = value;
    } else if (option == "--add-user") {
      ok = !value.empty() && value.size() <= 10;
      o.addUser = value;
    }
    if (!ok) {
      *error = "bad value for " + option;
      error->append(": ").append(value);
      return false;
    }
  }
  if (signOnLimit < 1) signOnLimit = kDefaultSignOnLimit;
  if (signOnEarly < 0) signOnEarly = std::max(1, signOnLimit / 2);
  if (signOnPerAddress < 0) signOnPerAddress = std::min(kDefaultSignOnPerAddress, signOnLimit);
  if (signOnEarly > signOnLimit || signOnPerAddress > signOnLimit || signOnEarly < 1 ||
      signOnPerAddress < 1) {
    *error = "--sign-on-early and --sign-on-per-address must be from 1 to --sign-on-limit (" +
             std::to_string(signOnLimit) + ")";
    return false;
  }
  o.server.budget.maxSigningOn = signOnLimit;
  o.server.budget.earlySigningOn = signOnEarly;
  o.server.budget.maxSigningOnPerAddress = signOnPerAddress;
  if (o.tlsCert.empty() != o.tlsKey.empty()) {
    *error = "a TLS certificate needs its key and a key its certificate (--tls-cert and --tls-key)";
    return false;
  }
  if (tlsRequired && o.tlsCert.empty()) {
    *error = "--tls-required needs a certificate and its key (--tls-cert and --tls-key)";
    return false;
  }
  if (o.tlsCert.empty() && !o.allowPlaintext && o.addUser.empty() && !o.help &&
      !tcp::IsLoopbackAddress(o.server.listenAddress)) {
    *error = "refusing to listen on " + o.server.listenAddress +
             " without TLS: passwords and records would cross the network in clear; give "
             "--tls-cert and --tls-key, or --allow-plaintext for a network you trust";
    return false;
  }
  *out = std::move(o);
  return true;
}

}  // namespace vantora::hostd
