// The log lines about connections that end before they sign on, digested:
// a flood of hundreds of strangers must not write hundreds of lines. The
// first event of a kind (same address, same text) is logged at once, with
// the peer's port; those that follow within the period are counted and
// logged in one line when the period ends:
//
//   ... info    127.0.0.2:40533: not signed on in time; closing the connection
//   ... info    127.0.0.2: 7 more connections within 5 s: not signed on in time; closing the
//   connection
//
// so that every connection is in the log exactly once, and a steady flood
// costs two lines per kind and period.
//
// Thread safety: every method may be called from any thread.
#ifndef VANTORA_HOST_HOSTD_CONNECTION_LOG_H_
#define VANTORA_HOST_HOSTD_CONNECTION_LOG_H_

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

#include "host/server/session/host.h"

namespace vantora::hostd {

class ConnectionLog {
 public:
  using Clock = std::chrono::steady_clock;
  using Sink = std::function<void(host::LogLevel, const std::string&)>;

  ConnectionLog(Sink sink, std::chrono::milliseconds period);

  // An event of the connection `peer` ("address:port") from `address`.
  void Note(host::LogLevel level, const std::string& address, const std::string& peer,
            const std::string& what, Clock::time_point now = Clock::now());
  // Logs the counts of the periods that have ended by `now`; with `all`,
  // of every period, ended or not (when the server stops).
  void Flush(Clock::time_point now = Clock::now(), bool all = false);

 private:
  struct Period {
    Clock::time_point start;
    int more = 0;  // events after the first
  };
  using Key = std::tuple<std::string, host::LogLevel, std::string>;  // address, level, what

  const Sink sink_;
  const std::chrono::milliseconds period_;
  std::mutex mutex_;
  std::map<Key, Period> periods_;
};

}  // namespace vantora::hostd

#endif  // VANTORA_HOST_HOSTD_CONNECTION_LOG_H_
