// The host server: accepts TCP connections and serves each on a thread of
// its own (job_connection.h), within the budget of connection_budget.h:
// sessions up to a maximum, and connections that have not signed on yet
// within a smaller budget of their own. Connections beyond it get a refusal
// frame and are closed at once; the log lines of connections that never
// signed on are digested (connection_log.h).
//
//   host::Host& host = ...;
//   TcpServer server(host, config);
//   std::string error;
//   if (!server.Start(&error)) ...;
//   ... server.port() ...
//   server.Stop();   // from any thread, e.g. on SIGTERM
//   server.Wait();   // every job has ended
//
// Thread safety: Stop may be called from any thread; the other methods from
// the owner's.
#ifndef VANTORA_HOST_HOSTD_TCP_SERVER_H_
#define VANTORA_HOST_HOSTD_TCP_SERVER_H_

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "host/hostd/connection_budget.h"
#include "host/hostd/connection_log.h"
#include "host/hostd/job_connection.h"
#include "host/server/session/host.h"
#include "transport/tcp/socket.h"
#include "transport/tcp/tls.h"

namespace vantora::hostd {

struct ServerConfig {
  std::string listenAddress = "127.0.0.1";
  uint16_t port = 8471;  // 0: any free port (see port())
  BudgetLimits budget;   // sessions and connections signing on at once
  ConnectionLimits limits;
  // Set: every connection speaks TLS with this server context (tls.h).
  std::shared_ptr<tcp::TlsContext> tls;
};

class TcpServer {
 public:
  TcpServer(host::Host& host, ServerConfig config);
  // Stops and waits.
  ~TcpServer();
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  // Listens and starts accepting. False (with `error` saying why) when the
  // address cannot be listened on.
  bool Start(std::string* error);
  // The port listened on, once started.
  uint16_t port() const { return listener_.port(); }
  // Stops accepting and asks every connection to end; returns at once.
  void Stop();
  // Returns once the accept thread and every connection have ended.
  void Wait();
  int activeConnections() const { return active_; }
  const ConnectionBudget& budget() const { return budget_; }

 private:
  struct Worker {
    std::thread thread;
    std::atomic<bool> done{false};
  };

  void AcceptLoop();
  void ReapFinished();
  void Refuse(tcp::Socket& socket, Admission why, const std::string& address,
              const std::string& peer);

  host::Host& host_;
  ServerConfig config_;
  ConnectionBudget budget_;
  ConnectionLog connectionLog_;
  tcp::Listener listener_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> active_{0};
  std::thread acceptor_;
  std::mutex workersMutex_;
  std::list<Worker> workers_;
};

}  // namespace vantora::hostd

#endif  // VANTORA_HOST_HOSTD_TCP_SERVER_H_
