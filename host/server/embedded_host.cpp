#include "host/server/embedded_host.h"

#include "host/server/host_setup.h"
#include "host/server/server_session.h"

namespace vantora::host {

EmbeddedHost::Session::Session(std::unique_ptr<ServerSession> session)
    : session_(std::move(session)) {}

EmbeddedHost::Session::~Session() = default;

EmbeddedHost::Outcome EmbeddedHost::Session::Feed(const uint8_t* part, size_t length) {
  switch (session_->Feed(part, length)) {
    case ServerSession::Outcome::kNeedMore:
      return Outcome::kNeedMore;
    case ServerSession::Outcome::kReply:
      return Outcome::kReply;
    case ServerSession::Outcome::kNoReply:
      return Outcome::kNoReply;
    case ServerSession::Outcome::kEnd:
      break;
  }
  return Outcome::kEnd;
}

std::span<const uint8_t> EmbeddedHost::Session::Reply() const {
  return session_->Reply();
}

std::string EmbeddedHost::DefaultDataDirectory() {
  return host::DefaultDataDirectory();
}

const char* EmbeddedHost::DefaultUser() {
  return kDefaultLocalUser;
}

std::unique_ptr<EmbeddedHost> EmbeddedHost::Open(const EmbeddedHostOptions& options,
                                                 std::string* error) {
  HostOptions hostOptions;
  hostOptions.storage.syncEachCommit = options.syncEachCommit;
  std::unique_ptr<Host> host;
  Status s = OpenPreparedHost(options.dataDirectory, options.defaultUser, hostOptions, &host);
  if (!s.ok()) {
    if (error != nullptr) *error = s.ToString();
    return nullptr;
  }
  return std::unique_ptr<EmbeddedHost>(new EmbeddedHost(std::move(host), options.defaultUser));
}

EmbeddedHost::EmbeddedHost(std::unique_ptr<Host> host, std::string defaultUser)
    : host_(std::move(host)), defaultUser_(std::move(defaultUser)) {}

EmbeddedHost::~EmbeddedHost() = default;

std::unique_ptr<EmbeddedHost::Session> EmbeddedHost::NewSession() {
  SessionOptions options;
  options.defaultUser = defaultUser_;
  options.trustDefaultUser = true;
  options.peer = "embedded";
  return std::unique_ptr<Session>(
      new Session(std::make_unique<ServerSession>(*host_, std::move(options))));
}

}  // namespace vantora::host
