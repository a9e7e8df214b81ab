// Data-queue entries when vantora-hostd is killed: the server runs as a
// child process on a data directory of the test's own; jobs send and
// receive through the client library over TCP; the server is killed with
// SIGKILL between sends and receives (or while senders are sending), started
// again on the same directory, and new jobs receive what is left. Every
// send that was answered must be there, in its order, exactly once.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/server/session/host.h"
#include "mv432ida.h"
#include "tests/support/message_id.h"
#include "tests/support/restarted_host.h"
#include "tests/support/test_directory.h"

namespace vantora::testing {
namespace {

std::string Pad(const std::string& s, size_t n) {
  std::string out = s;
  out.resize(n, ' ');
  return out;
}

int32_t Link(const char* queue, int32_t create = 0, int32_t keyLength = 0,
             const char* sequence = "") {
  return VNXLinkDataQueue(Pad(queue, 10).c_str(), Pad("KILLQ", 10).c_str(), create, keyLength,
                          Pad(sequence, 10).c_str());
}

bool Send(int32_t link, const std::string& data, const std::string& key = "") {
  return VNXSendDataQueue(link, data.data(), static_cast<int32_t>(data.size()),
                          key.empty() ? nullptr : key.data(),
                          static_cast<int32_t>(key.size())) == 1;
}

// The entry received without waiting; "" when there is none, "error" on a failure.
std::string Receive(int32_t link, const char* order = nullptr, const std::string& key = "") {
  char buffer[128] = {};
  const int32_t n =
      VNXReceiveDataQueue(link, buffer, sizeof buffer, 0, order, key.empty() ? nullptr : key.data(),
                          static_cast<int32_t>(key.size()));
  return n < 0 ? "error" : std::string(buffer, static_cast<size_t>(n));
}

class HostQueueCrash : public RestartedHostTest {
 protected:
  void SetUp() override {
    MakeDirectories("vantora-queue-crash-tests");
    std::unique_ptr<host::Host> h;
    ASSERT_TRUE(host::Host::Open(data_, {}, &h).ok());
    ASSERT_TRUE(h->storage().userProfiles().Create(kUser, kPassword, "test user").ok());
    ASSERT_TRUE(h->storage().catalogue().CreateLibrary("KILLQ", "queue crash tests").ok());
  }

  void StartServer() {
    RestartedHostTest::StartServer({"--max-connections", "16"}, "[NT]\nNbSession=8\n");
  }

  void KillAndRestart() {
    server_.Kill();
    ASSERT_FALSE(server_.running());
    VNXTerminate();  // the old connections are gone
    StartServer();
  }
};

TEST_F(HostQueueCrash, AKilledHostKeepsEveryAnsweredSendInItsOrder) {
  StartServer();
  ASSERT_EQ(StartSession(), 1);
  const int32_t fifo = Link("FIFOQ", 100, 0, "*FIFO");
  const int32_t lifo = Link("LIFOQ", 100, 0, "*LIFO");
  const int32_t keyed = Link("KEYQ", 100, 3, "*KEYED");
  ASSERT_GT(fifo, 0);
  ASSERT_GT(lifo, 0);
  ASSERT_GT(keyed, 0);
  for (int i = 1; i <= 20; ++i) {
    ASSERT_TRUE(Send(fifo, "f" + std::to_string(i)));
    ASSERT_TRUE(Send(lifo, "l" + std::to_string(i)));
  }
  const char* keys[] = {"BBB", "AAA", "BBB", "CCC", "AAA"};
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(Send(keyed, "k" + std::to_string(i), keys[i]));
  // Some are received before the host dies: those must not come again.
  EXPECT_EQ(Receive(fifo), "f1");
  EXPECT_EQ(Receive(fifo), "f2");
  EXPECT_EQ(Receive(lifo), "l20");
  EXPECT_EQ(Receive(keyed, "EQ", "AAA"), "k1");
  // The last answer is a send: the host is killed right after it.
  ASSERT_TRUE(Send(fifo, "f21"));
  KillAndRestart();
  if (HasFatalFailure()) return;

  ASSERT_EQ(StartSession(), 1);
  const int32_t fifo2 = Link("FIFOQ");
  const int32_t lifo2 = Link("LIFOQ");
  const int32_t keyed2 = Link("KEYQ");
  for (int i = 3; i <= 21; ++i) EXPECT_EQ(Receive(fifo2), "f" + std::to_string(i));
  EXPECT_EQ(Receive(fifo2), "");
  for (int i = 19; i >= 1; --i) EXPECT_EQ(Receive(lifo2), "l" + std::to_string(i));
  EXPECT_EQ(Receive(lifo2), "");
  EXPECT_EQ(Receive(keyed2, "EQ", "BBB"), "k0");
  EXPECT_EQ(Receive(keyed2, "GT", "AAA"), "k2");
  EXPECT_EQ(Receive(keyed2, "NE", "CCC"), "k4");
  EXPECT_EQ(Receive(keyed2, "GE", "AAA"), "k3");
  EXPECT_EQ(Receive(keyed2, "GE", "AAA"), "");

  // A receive answered just before the kill is gone for good too.
  ASSERT_TRUE(Send(fifo2, "last"));
  ASSERT_TRUE(Send(fifo2, "after last"));
  EXPECT_EQ(Receive(fifo2), "last");
  KillAndRestart();
  if (HasFatalFailure()) return;
  ASSERT_EQ(StartSession(), 1);
  const int32_t fifo3 = Link("FIFOQ");
  EXPECT_EQ(Receive(fifo3), "after last");
  EXPECT_EQ(Receive(fifo3), "");
  EXPECT_EQ(FreeSession(), 1);
}

// Senders keep sending while the host is killed; afterwards two receivers
// drain the queue at the same time. Each answered send comes exactly once;
// of a send the kill cut off, the entry may be there or not (its answer
// never came), but at most once.
TEST_F(HostQueueCrash, SendsInFlightWhenTheHostIsKilledAndTwoReceiversAfter) {
  StartServer();
  ASSERT_EQ(StartSession(), 1);
  ASSERT_GT(Link("BUSYQ", 100, 0, "*FIFO"), 0);
  VNXTerminate();
  constexpr int kSenders = 3;
  constexpr int kKillAfter = 40;  // answered sends of every sender
  std::atomic<int> ready{0};
  std::atomic<int> answered[kSenders] = {};
  std::vector<int> lastAnswered(kSenders, -1);  // per sender, the last send answered
  ASSERT_EQ(VNXThreadAttach(), 1);  // multi-thread mode is entered before the threads race
  ASSERT_EQ(VNXThreadDetach(), 1);
  std::vector<std::thread> senders;
  for (int t = 0; t < kSenders; ++t) {
    senders.emplace_back([&, t] {
      const int32_t link = VNXThreadAttach() == 1 && StartSession() == 1 ? Link("BUSYQ") : -1;
      ++ready;
      if (link <= 0) {
        ADD_FAILURE() << "sender " << t << " has no session";
        answered[t] = kKillAfter;
        return;
      }
      // All start together, so that the kill finds every one sending.
      while (ready.load() < kSenders) std::this_thread::yield();
      for (int i = 0; i < 100000; ++i) {
        if (!Send(link, std::to_string(t) + ":" + std::to_string(i))) break;  // the host is gone
        lastAnswered[static_cast<size_t>(t)] = i;
        ++answered[t];
      }
      VNXThreadDetach();
    });
  }
  for (auto& a : answered) {
    while (a.load() < kKillAfter) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  server_.Kill();
  for (auto& s : senders) s.join();
  ASSERT_FALSE(server_.running());
  VNXTerminate();
  StartServer();

  std::vector<std::string> got[2];
  std::thread receivers[2];
  ASSERT_EQ(VNXThreadAttach(), 1);
  ASSERT_EQ(VNXThreadDetach(), 1);
  for (int r = 0; r < 2; ++r) {
    receivers[r] = std::thread([&, r] {
      if (VNXThreadAttach() != 1 || StartSession() != 1) {
        ADD_FAILURE() << "receiver " << r << " has no session";
        return;
      }
      const int32_t link = Link("BUSYQ");
      for (std::string e; link > 0 && !(e = Receive(link)).empty();) {
        if (e == "error") {
          ADD_FAILURE() << "receiver " << r << ": " << MessageId();
          break;
        }
        got[r].push_back(e);
      }
      VNXThreadDetach();
    });
  }
  for (auto& r : receivers) r.join();

  std::map<int, std::set<int>> seen;  // sender -> sequence numbers received
  for (int r = 0; r < 2; ++r) {
    std::map<int, int> previous;  // each receiver sees a sender's entries in order
    for (const std::string& e : got[r]) {
      const int t = std::stoi(e.substr(0, e.find(':')));
      const int i = std::stoi(e.substr(e.find(':') + 1));
      EXPECT_TRUE(seen[t].insert(i).second) << e << " received twice";
      if (previous.count(t) != 0) {
        EXPECT_GT(i, previous[t]) << e;
      }
      previous[t] = i;
    }
  }
  for (int t = 0; t < kSenders; ++t) {
    SCOPED_TRACE("sender " + std::to_string(t));
    const int last = lastAnswered[static_cast<size_t>(t)];
    ASSERT_GE(last, 0);
    // 0 .. last answered, and perhaps the one send in flight.
    const std::set<int>& s = seen[t];
    EXPECT_GE(static_cast<int>(s.size()), last + 1);
    EXPECT_LE(static_cast<int>(s.size()), last + 2);
    for (int i = 0; i <= last; ++i) EXPECT_EQ(s.count(i), 1u) << "answered send " << i << " lost";
    if (!s.empty()) {
      EXPECT_LE(*s.rbegin(), last + 1);
    }
  }
}

}  // namespace
}  // namespace vantora::testing
