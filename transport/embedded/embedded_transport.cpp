// libMV432ehn.so: the transport of network type "ehn", which runs the
// emulated host inside the client's process. Each session record gets its
// own host session; a request is served as soon as its last part arrives and
// its reply is handed out in parts of at most 4096 bytes.
//
// The host's data directory comes from the settings file (section Host, key
// DataDirectory; default $XDG_DATA_HOME/vantora/host, else
// ~/.local/share/vantora/host) and is created on first use; Host/SyncEachCommit
// 1 syncs every commit to disk. A session opened
// without a user runs as the profile named by Host/DefaultUser ("VANTORA"):
// the process that can reach the data directory is trusted with it.
//
// RESAppcErr codes: primary 1 = the host's data directory could not be
// opened (secondary: 0); primary 2 = the session was ended by the host
// (a request it refused, or the end of the session); primary 3 = a reply was
// awaited that no request asked for.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/server/embedded_host.h"
#include "mv432transport.h"
#include "platform/profile.h"

namespace vantora::host {
namespace {

constexpr int16_t kAppcHostUnavailable = 1;
constexpr int16_t kAppcSessionEnded = 2;
constexpr int16_t kAppcNoReply = 3;

struct Connection {
  std::unique_ptr<EmbeddedHost::Session> session;
  std::vector<uint8_t> pending;  // reply bytes not yet received
  size_t delivered = 0;
  bool ended = false;
  int16_t appcPrimary = 0;
  int32_t appcSecondary = 0;
};

struct Embedded {
  std::mutex mutex;
  std::unique_ptr<EmbeddedHost> host;
  std::map<const void*, std::unique_ptr<Connection>> connections;
  int16_t lastPrimary = 0;
  std::string lastFailure;  // why the host could not be opened
};

Embedded& TheEmbedded() {
  static Embedded embedded;
  return embedded;
}

Connection* Find(const void* session) {
  std::lock_guard lock(TheEmbedded().mutex);
  auto it = TheEmbedded().connections.find(session);
  return it == TheEmbedded().connections.end() ? nullptr : it->second.get();
}

bool EnsureHost() {
  if (TheEmbedded().host) return true;
  platform::Profile settings = platform::Profile::FromDefaultFile();
  EmbeddedHostOptions options;
  options.dataDirectory =
      settings.GetString("Host", "DataDirectory", EmbeddedHost::DefaultDataDirectory());
  options.defaultUser = settings.GetString("Host", "DefaultUser", EmbeddedHost::DefaultUser());
  options.syncEachCommit = settings.GetInt("Host", "SyncEachCommit", 0) != 0;
  std::string error;
  TheEmbedded().host = EmbeddedHost::Open(options, &error);
  if (!TheEmbedded().host) {
    TheEmbedded().lastFailure = "the host's data directory " + options.dataDirectory +
                                " cannot be opened: " + error + " (Host/DataDirectory names it)";
    return false;
  }
  return true;
}

}  // namespace
}  // namespace vantora::host

using namespace vantora::host;

MV432T_API int16_t RESConnexion(void* session, const char* /*machine*/, const char* /*program*/,
                                const char* /*user*/, const char* /*password*/) {
  std::lock_guard lock(TheEmbedded().mutex);
  if (!EnsureHost()) {
    TheEmbedded().lastPrimary = kAppcHostUnavailable;
    return -20;
  }
  auto connection = std::make_unique<Connection>();
  connection->session = TheEmbedded().host->NewSession();
  TheEmbedded().connections[session] = std::move(connection);
  return 1;
}

MV432T_API int16_t RESDeconnexion(void* session) {
  std::unique_ptr<Connection> gone;
  {
    std::lock_guard lock(TheEmbedded().mutex);
    auto it = TheEmbedded().connections.find(session);
    if (it == TheEmbedded().connections.end()) return 1;
    gone = std::move(it->second);
    TheEmbedded().connections.erase(it);
  }
  return 1;  // the session (and its job) ends as `gone` goes
}

MV432T_API int16_t RESModeEnvoi(void*) {
  return 1;
}
MV432T_API int16_t RESModeReception(void*) {
  return 1;
}
MV432T_API int16_t RESFlush(void*) {
  return 1;
}

MV432T_API int16_t RESEnvoi(void* session, int16_t length, void* buffer) {
  Connection* c = Find(session);
  if (c == nullptr || length < 0) return -20;
  if (c->ended) {
    c->appcPrimary = kAppcSessionEnded;
    return -20;
  }
  const auto* part = static_cast<const uint8_t*>(buffer) + MV432T_PREFIX_SIZE;
  switch (c->session->Feed(part, static_cast<size_t>(length))) {
    case EmbeddedHost::Outcome::kNeedMore:
    case EmbeddedHost::Outcome::kNoReply:
      break;
    case EmbeddedHost::Outcome::kReply: {
      auto reply = c->session->Reply();
      c->pending.assign(reply.begin(), reply.end());
      c->delivered = 0;
      break;
    }
    case EmbeddedHost::Outcome::kEnd:
      c->ended = true;
      c->pending.clear();
      c->delivered = 0;
      break;
  }
  return 1;
}

MV432T_API int16_t RESReception(void* session, int16_t maximum, void* buffer, int16_t* count,
                                int16_t flag) {
  *count = 0;
  Connection* c = Find(session);
  if (c == nullptr) return -20;
  const size_t left = c->pending.size() - c->delivered;
  if (left == 0) {
    if (flag == MV432T_RECEIVE_NOWAIT && !c->ended) return 0;
    c->appcPrimary = c->ended ? kAppcSessionEnded : kAppcNoReply;
    return -20;
  }
  const size_t n = std::min<size_t>({left, static_cast<size_t>(maximum), 4096});
  std::memcpy(buffer, c->pending.data() + c->delivered, n);
  c->delivered += n;
  if (c->delivered == c->pending.size()) {
    c->pending.clear();
    c->delivered = 0;
  }
  *count = static_cast<int16_t>(n);
  return 1;
}

MV432T_API int16_t RESDebutMultiSession(void*, int16_t) {
  return 1;
}
MV432T_API int16_t RESFinMultiSession(void*) {
  return 1;
}

MV432T_API int16_t RESAppcErr(void* session, int16_t* primary, int32_t* secondary) {
  Connection* c = Find(session);
  int16_t p = c != nullptr ? c->appcPrimary : TheEmbedded().lastPrimary;
  int32_t s = c != nullptr ? c->appcSecondary : 0;
  if (primary != nullptr) *primary = p;
  if (secondary != nullptr) *secondary = s;
  return 1;
}

MV432T_API int16_t RESTerminate(void) {
  std::lock_guard lock(TheEmbedded().mutex);
  TheEmbedded().connections.clear();
  TheEmbedded().host.reset();
  return 1;
}

MV432T_API int16_t RESErrorText(void* session, char* buffer, int16_t size) {
  std::string text;
  {
    std::lock_guard lock(TheEmbedded().mutex);
    auto it = TheEmbedded().connections.find(session);
    const int16_t primary =
        it != TheEmbedded().connections.end() ? it->second->appcPrimary : TheEmbedded().lastPrimary;
    if (primary == kAppcHostUnavailable) {
      text = TheEmbedded().lastFailure;
    } else if (primary == kAppcSessionEnded) {
      text = "the host ended the session";
    } else if (primary == kAppcNoReply) {
      text = "a reply was asked for when no request awaits one";
    }
  }
  if (buffer != nullptr && size > 0) {
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
  }
  return static_cast<int16_t>(std::min<size_t>(text.size(), INT16_MAX));
}
