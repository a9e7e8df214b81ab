// The host as a front inside the client's process reaches it: open a data
// directory, then open sessions that take the request parts as the client
// library sends them and hand back each reply message. The one way the
// embedded transport (libMV432ehn.so) reaches the host.
//
// Thread safety: the host may be used from several threads; a session by one
// thread at a time.
#ifndef VANTORA_HOST_SERVER_EMBEDDED_HOST_H_
#define VANTORA_HOST_SERVER_EMBEDDED_HOST_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace vantora::host {

class Host;
class ServerSession;

struct EmbeddedHostOptions {
  std::string dataDirectory;  // created on first use, with the demo library
  std::string defaultUser;    // a session opened without a user runs as it, trusted
  bool syncEachCommit = false;
};

class EmbeddedHost {
 public:
  // What a session does with a request part.
  enum class Outcome {
    kNeedMore,  // the request is not complete yet
    kReply,     // Reply() holds the reply
    kNoReply,   // done; the request expects no reply
    kEnd,       // the session is over
  };

  class Session {
   public:
    ~Session();  // ends the job: its files closed, its uncommitted work rolled back
    Outcome Feed(const uint8_t* part, size_t length);
    std::span<const uint8_t> Reply() const;

   private:
    friend class EmbeddedHost;
    explicit Session(std::unique_ptr<ServerSession> session);
    std::unique_ptr<ServerSession> session_;
  };

  // $XDG_DATA_HOME/vantora/host, else ~/.local/share/vantora/host.
  static std::string DefaultDataDirectory();
  // The profile a session without a user runs as by default ("VANTORA").
  static const char* DefaultUser();

  // Opens the host of `options.dataDirectory`. On failure answers null and
  // sets `error` to why, in words.
  static std::unique_ptr<EmbeddedHost> Open(const EmbeddedHostOptions& options, std::string* error);
  ~EmbeddedHost();

  std::unique_ptr<Session> NewSession();

 private:
  EmbeddedHost(std::unique_ptr<Host> host, std::string defaultUser);
  std::unique_ptr<Host> host_;
  std::string defaultUser_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_EMBEDDED_HOST_H_
