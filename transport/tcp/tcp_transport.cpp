// libMV432tcp.so: the transport of network type "tcp". Each session record
// gets its own TCP connection to a host server (vantora-hostd); the frames
// are described in frame.h, the handshake in hello.h, the settings in
// tcp_settings.h and the RESAppcErr codes in tcp_connection.h.
//
// The client library hands each part with its 4 free bytes in front
// (mv432transport.h): the frame prefix goes there, and the kind of part is
// known from where it starts.
//
// A session opened without a user (no VNXSetUserId) sends the credentials of
// the settings in its handshake; the host authenticates them.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "mv432transport.h"
#include "platform/profile.h"
#include "transport/tcp/tcp_connection.h"
#include "transport/tcp/tcp_settings.h"

namespace vantora::tcp {
namespace {

constexpr size_t kFirstPartPrefix = MV432T_FIRST_PART_PREFIX;
constexpr int16_t kFailed = MV432T_FAILED;

struct Connections {
  std::mutex mutex;
  std::map<const void*, std::unique_ptr<Connection>> bySession;
};

Connections& All() {
  static Connections connections;
  return connections;
}

// The connection of `session`; it stays valid while that session's thread
// uses it (only the session's own connect and disconnect replace it).
Connection* Find(const void* session) {
  std::lock_guard lock(All().mutex);
  auto it = All().bySession.find(session);
  return it == All().bySession.end() ? nullptr : it->second.get();
}

}  // namespace
}  // namespace vantora::tcp

using namespace vantora::tcp;

MV432T_API int16_t RESConnexion(void* session, const char* machine, const char* program,
                                const char* user, const char* /*password*/) {
  const TcpSettings settings =
      ReadTcpSettings(vantora::platform::Profile::FromDefaultFile(), machine);
  auto connection = std::make_unique<Connection>();
  const bool ok = connection->Open(settings, program != nullptr ? program : "", user == nullptr);
  {
    std::lock_guard lock(All().mutex);
    All().bySession[session] = std::move(connection);  // kept when failed, for RESAppcErr
  }
  return ok ? 1 : kFailed;
}

MV432T_API int16_t RESDeconnexion(void* session) {
  std::unique_ptr<Connection> gone;
  {
    std::lock_guard lock(All().mutex);
    auto it = All().bySession.find(session);
    if (it == All().bySession.end()) return 1;
    if (it->second->broken()) {
      // Kept, closed, so that RESAppcErr still tells why (the client library
      // disconnects a session whose open failed before it reports).
      it->second->Close();
      return 1;
    }
    gone = std::move(it->second);
    All().bySession.erase(it);
  }
  gone->Close();
  return 1;
}

MV432T_API int16_t RESModeEnvoi(void* session) {
  if (Connection* c = Find(session)) c->EndReply();
  return 1;
}

MV432T_API int16_t RESEnvoi(void* session, int16_t length, void* buffer) {
  Connection* c = Find(session);
  if (c == nullptr) return kFailed;
  auto* prefixed = static_cast<uint8_t*>(buffer);
  const bool first = prefixed == static_cast<uint8_t*>(session) + kFirstPartPrefix;
  return c->SendPart(prefixed, length, first) ? 1 : kFailed;
}

MV432T_API int16_t RESModeReception(void* session) {
  Connection* c = Find(session);
  if (c == nullptr) return kFailed;
  if (c->broken()) return kFailed;
  c->ExpectReply();
  return 1;
}

MV432T_API int16_t RESReception(void* session, int16_t maximum, void* buffer, int16_t* count,
                                int16_t flag) {
  if (count != nullptr) *count = 0;
  Connection* c = Find(session);
  if (c == nullptr || buffer == nullptr || count == nullptr || maximum <= 0) return kFailed;
  size_t got = 0;
  if (!c->Receive(static_cast<uint8_t*>(buffer), static_cast<size_t>(maximum), flag != 2, &got)) {
    return kFailed;
  }
  *count = static_cast<int16_t>(got);
  return got == 0 ? 0 : 1;
}

MV432T_API int16_t RESFlush(void* session) {
  Connection* c = Find(session);
  // Sends complete before RESEnvoi returns: nothing is left to push.
  return c != nullptr && !c->broken() ? 1 : kFailed;
}

MV432T_API int16_t RESDebutMultiSession(void*, int16_t) {
  return 1;
}

MV432T_API int16_t RESFinMultiSession(void*) {
  // The records of the table go away: forget the failed connects kept for
  // RESAppcErr (connected records have been disconnected by now).
  std::lock_guard lock(All().mutex);
  std::erase_if(All().bySession, [](const auto& entry) { return entry.second->broken(); });
  return 1;
}

MV432T_API int16_t RESAppcErr(void* session, int16_t* primary, int32_t* secondary) {
  Connection* c = Find(session);
  if (primary != nullptr) *primary = c != nullptr ? c->primary() : int16_t{kNotConnected};
  if (secondary != nullptr) *secondary = c != nullptr ? c->secondary() : 0;
  return 1;
}

MV432T_API int16_t RESTerminate(void) {
  std::lock_guard lock(All().mutex);
  All().bySession.clear();
  return 1;
}

MV432T_API int16_t RESErrorText(void* session, char* buffer, int16_t size) {
  Connection* c = Find(session);
  if (c == nullptr) return 0;
  const std::string text = c->FailureText();
  if (buffer != nullptr && size > 0) {
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
  }
  return static_cast<int16_t>(std::min<size_t>(text.size(), INT16_MAX));
}
