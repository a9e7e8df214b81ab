// Sessions: the table, its modes, the current-session choice and the
// session-open and end-of-session exchanges, against the scripted transport.
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "tests/support/test_session.h"

namespace vantora::testing {
namespace {

using Sessions = ClientTest;

std::vector<uint8_t> Bytes(const std::string& s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

TEST_F(Sessions, SessionOpenRequestBytes) {
  ASSERT_EQ(MCH_name("AS400A"), 1);
  ASSERT_EQ(VNXSetUserId("QUSER", "SECRET"), 1);
  ASSERT_EQ(StartSession(), 1);

  auto connects = ScriptedTransport::Calls("RESConnexion");
  ASSERT_EQ(connects.size(), 1u);
  EXPECT_EQ(connects[0].machine, "AS400A");
  EXPECT_EQ(connects[0].program, "VANTORA/VANTORA");
  EXPECT_TRUE(connects[0].userGiven);
  EXPECT_EQ(connects[0].user, "QUSER     ");
  EXPECT_EQ(connects[0].password, "SECRET    ");

  auto parts = ScriptedTransport::SentParts();
  ASSERT_EQ(parts.size(), 1u);
  const auto& p = parts[0];
  // Header: sequence 1, code 0x0115, 56 data bytes announced, result 0.
  std::vector<uint8_t> expected(4 + 64, 0);
  std::memcpy(expected.data(), p.data(), 4);  // the transport's own bytes
  uint8_t* h = expected.data() + 4;
  wire::StoreLeI32(h + 0, 1);
  wire::StoreLeI32(h + 4, 0x0115);
  wire::StoreLeI32(h + 8, 8 + 18 + 10 + 10);
  int32_t slots[8] = {3, 2, 8, 0, 18, 10, 10, 0};
  for (int i = 0; i < 8; ++i) wire::StoreLeI32(h + 20 + 4 * i, slots[i]);
  std::memcpy(h + 52, "VANTORA ", 8);
  std::vector<uint8_t> data = Bytes(std::string("VANTORA\0", 8));
  std::vector<uint8_t> machine(18, 0);
  std::memcpy(machine.data(), "AS400A", 6);
  data.insert(data.end(), machine.begin(), machine.end());
  for (auto b : Bytes("QUSER     SECRET    ")) data.push_back(b);
  expected.insert(expected.end(), data.begin(), data.end());
  EXPECT_EQ(p, expected);
}

TEST_F(Sessions, NoUserSetPassesNoCredentials) {
  ASSERT_EQ(StartSession(), 1);
  auto connects = ScriptedTransport::Calls("RESConnexion");
  ASSERT_EQ(connects.size(), 1u);
  EXPECT_FALSE(connects[0].userGiven);
  EXPECT_EQ(StartSession(), 1);  // already connected: no second connect
  EXPECT_EQ(ScriptedTransport::Calls("RESConnexion").size(), 1u);
}

TEST_F(Sessions, UserIdPaddingAndCut) {
  ASSERT_EQ(VNXSetUserId("AB", ""), 1);
  ASSERT_EQ(StartSession(), 1);
  auto c = ScriptedTransport::Calls("RESConnexion").at(0);
  EXPECT_EQ(c.user, "AB        ");
  EXPECT_EQ(c.password, "          ");
  ASSERT_EQ(FreeSession(), 1);
  ScriptedTransport::Reset();
  ASSERT_EQ(VNXSetUserId("ABCDEFGHIJK", "pw"), 1);
  ASSERT_EQ(StartSession(), 1);
  c = ScriptedTransport::Calls("RESConnexion").at(0);
  EXPECT_EQ(c.user, "ABCDEFGHIJ");
  EXPECT_EQ(c.password, "pw        ");
}

TEST_F(Sessions, MachineNameLimits) {
  EXPECT_EQ(MCH_name("ABCDEFGHIJKLMNOPQ"), 1);    // 17 characters
  EXPECT_EQ(MCH_name("ABCDEFGHIJKLMNOPQR"), -1);  // 18 characters: unchanged
  char name[18];
  std::memset(name, 'X', sizeof name);
  EXPECT_EQ(VNXGET_MCH_name(name, sizeof name), 0);
  EXPECT_STREQ(name, "ABCDEFGHIJKLMNOPQ");
  char small[4];
  EXPECT_EQ(VNXGET_MCH_name(small, sizeof small), 0);
  EXPECT_EQ(std::string(small, 4), "ABCD");
}

TEST_F(Sessions, ServerProgramLimits) {
  EXPECT_EQ(PGM_name(std::string(63, 'P').c_str()), 1);
  EXPECT_EQ(PGM_name(std::string(64, 'P').c_str()), -1);
  EXPECT_EQ(PGM_name("MYLIB/MYSRV"), 1);
  ASSERT_EQ(StartSession(), 1);
  EXPECT_EQ(ScriptedTransport::Calls("RESConnexion").at(0).program, "MYLIB/MYSRV");
  PGM_name("VANTORA/VANTORA");
}

TEST_F(Sessions, FreeSessionInInitialStateDoesNothing) {
  EXPECT_EQ(FreeSession(), 1);
  EXPECT_TRUE(ScriptedTransport::Calls().empty());
}

TEST_F(Sessions, FreeSessionEndsAndClears) {
  ASSERT_EQ(MCH_name("HOST"), 1);
  Connect();
  ASSERT_EQ(FreeSession(), 1);
  auto calls = ScriptedTransport::Calls();
  std::vector<std::string> entries;
  for (auto& c : calls) entries.push_back(c.entry);
  EXPECT_EQ(entries,
            (std::vector<std::string>{"RESModeEnvoi", "RESEnvoi", "RESFlush", "RESDeconnexion"}));
  auto end = ScriptedTransport::SentParts().at(0);
  EXPECT_EQ(HeaderI32(end, wire::kHdrCode), 0x0216);
  EXPECT_EQ(end.size(), 4u + 64u);
  char name[18] = {'X'};
  VNXGET_MCH_name(name, sizeof name);
  EXPECT_STREQ(name, "");  // cleared: must be set again before the next connect
}

TEST_F(Sessions, FailedDisconnectLeavesRecord) {
  ASSERT_EQ(MCH_name("HOST"), 1);
  Connect();
  ScriptedTransport::FailCall("RESDeconnexion", -7);
  EXPECT_EQ(FreeSession(), -7);
  char name[18] = {};
  VNXGET_MCH_name(name, sizeof name);
  EXPECT_STREQ(name, "HOST");
}

TEST_F(Sessions, ConnectFailureIsReturnedAndLeavesSessionUnconnected) {
  ScriptedTransport::FailCall("RESConnexion", -20);
  EXPECT_EQ(StartSession(), -20);
  EXPECT_EQ(StartSession(), 1);
  EXPECT_EQ(ScriptedTransport::Calls("RESConnexion").size(), 2u);
}

TEST_F(Sessions, RefusedSessionOpenClearsSessionButKeepsInternalError) {
  ScriptedTransport::SetAutoReply(false);
  Reply refused;
  refused.code = 0x0115;
  refused.result = -1;
  refused.internalError = 77;
  refused.systemError = "CPF2204";
  refused.status = 3009;
  ScriptedTransport::QueueReceive(refused.Bytes());
  ASSERT_EQ(MCH_name("HOST"), 1);
  EXPECT_EQ(StartSession(), -1);
  EXPECT_EQ(Internal_Error(), 77);
  // The status and the message identifier say why, as after any request.
  EXPECT_EQ(retstat(), 3009);
  char id[9] = {};
  Return_Syserr(id);
  EXPECT_STREQ(id, "CPF2204");
  EXPECT_EQ(ScriptedTransport::Calls("RESDeconnexion").size(), 1u);
  char name[18] = {'X'};
  VNXGET_MCH_name(name, sizeof name);
  EXPECT_STREQ(name, "");
}

TEST_F(Sessions, MultiSessionSwitching) {
  ASSERT_EQ(OpenMultiSession(3), 1);
  EXPECT_EQ(VNXSession(3), -1);
  EXPECT_EQ(VNXSession(-2), -1);
  EXPECT_EQ(VNXSession(0), 0);  // already selected
  EXPECT_EQ(VNXSession(2), 2);
  ASSERT_EQ(MCH_name("TWO"), 1);
  ASSERT_EQ(StartSession(), 1);
  EXPECT_EQ(VNXSession(1), 1);
  ASSERT_EQ(MCH_name("ONE"), 1);
  ASSERT_EQ(StartSession(), 1);
  auto connects = ScriptedTransport::Calls("RESConnexion");
  ASSERT_EQ(connects.size(), 2u);
  EXPECT_NE(connects[0].session, connects[1].session);
  EXPECT_EQ(connects[0].machine, "TWO");
  EXPECT_EQ(connects[1].machine, "ONE");
  // Freeing one session of a multi-session table keeps the table.
  ASSERT_EQ(FreeSession(), 1);
  EXPECT_EQ(VNXSession(2), 2);
  char name[18] = {};
  VNXGET_MCH_name(name, sizeof name);
  EXPECT_STREQ(name, "TWO");
  ASSERT_EQ(CloseMultiSession(), 1);
  EXPECT_EQ(ScriptedTransport::Calls("RESDeconnexion").size(), 2u);
  EXPECT_EQ(VNXSession(1), -1);  // back to one record
  EXPECT_EQ(OpenMultiSession(0), 0);
}

TEST_F(Sessions, SecondThreadAttachKeepsTheSameRecord) {
  std::thread worker([] {
    EXPECT_EQ(VNXThreadAttach(), 1);
    EXPECT_EQ(StartSession(), 1);
    EXPECT_EQ(VNXThreadAttach(), 2);
    EXPECT_EQ(StartSession(), 1);
    EXPECT_EQ(VNXThreadDetach(), 1);
    EXPECT_EQ(VNXThreadDetach(), 0);
  });
  worker.join();
  EXPECT_EQ(ScriptedTransport::Calls("RESConnexion").size(), 1u);
  EXPECT_EQ(ScriptedTransport::Calls("RESDeconnexion").size(), 1u);
  auto begin = ScriptedTransport::Calls("RESDebutMultiSession");
  ASSERT_EQ(begin.size(), 1u);
  EXPECT_EQ(begin[0].length, 2);  // NbSession from the settings file
}

TEST_F(Sessions, ThirdThreadFindsNoFreeRecord) {
  std::barrier sync(3);
  std::atomic<int> attached{0};
  std::atomic<int> refused{0};
  std::atomic<int> refusedRequests{0};
  std::vector<std::thread> threads;
  // The first attach creates the table; do it before the race.
  std::thread first([&] {
    EXPECT_EQ(VNXThreadAttach(), 1);
    attached++;
    sync.arrive_and_wait();  // all three threads hold or tried for a record
    EXPECT_EQ(StartSession(), 1);
    sync.arrive_and_wait();
  });
  for (int i = 0; i < 2; ++i) {
    threads.emplace_back([&] {
      while (attached.load() == 0) std::this_thread::yield();
      int r = VNXThreadAttach();
      if (r == 1) {
        attached++;
        sync.arrive_and_wait();
        EXPECT_EQ(StartSession(), 1);
      } else {
        EXPECT_EQ(r, 0);
        refused++;
        sync.arrive_and_wait();
        if (StartSession() == VNX_ERR_INTERNAL) refusedRequests++;
      }
      sync.arrive_and_wait();
    });
  }
  first.join();
  for (auto& t : threads) t.join();
  EXPECT_EQ(attached.load(), 2);
  EXPECT_EQ(refused.load(), 1);
  EXPECT_EQ(refusedRequests.load(), 1);
  // Each attached thread's session was ended when the thread ended.
  EXPECT_EQ(ScriptedTransport::Calls("RESConnexion").size(), 2u);
  EXPECT_EQ(ScriptedTransport::Calls("RESDeconnexion").size(), 2u);
  std::set<const void*> records;
  for (auto& c : ScriptedTransport::Calls("RESConnexion")) records.insert(c.session);
  EXPECT_EQ(records.size(), 2u);
}

TEST_F(Sessions, FirstAttachesAtTheSameMomentShareOneTable) {
  std::barrier start(2);
  std::barrier done(2);
  std::atomic<int> attached{0};
  auto work = [&] {
    start.arrive_and_wait();
    if (VNXThreadAttach() == 1) attached++;
    EXPECT_EQ(StartSession(), 1);
    done.arrive_and_wait();  // both hold their records at once
  };
  std::thread a(work);
  std::thread b(work);
  a.join();
  b.join();
  EXPECT_EQ(attached.load(), 2);
  EXPECT_EQ(ScriptedTransport::Calls("RESDebutMultiSession").size(), 1u);
  std::set<const void*> records;
  for (auto& c : ScriptedTransport::Calls("RESConnexion")) records.insert(c.session);
  EXPECT_EQ(records.size(), 2u);
}

TEST_F(Sessions, ExplicitSelectionBlocksOtherThreadsUntilReleased) {
  std::atomic<bool> ownerHolds{false};
  std::atomic<bool> otherDone{false};
  std::atomic<bool> release{false};
  std::thread owner([&] {
    ASSERT_EQ(VNXThreadAttach(), 1);
    EXPECT_EQ(VNXSession(0), 0);
    ownerHolds = true;
    while (!release.load()) std::this_thread::yield();
    EXPECT_FALSE(otherDone.load());
    EXPECT_EQ(VNXSession(-1), 1);
    EXPECT_EQ(VNXSession(-1), 0);  // no longer the owner
  });
  std::thread other([&] {
    while (!ownerHolds.load()) std::this_thread::yield();
    EXPECT_EQ(VNXThreadAttach(), 1);
    EXPECT_EQ(StartSession(), 1);  // blocks until the owner releases
    otherDone = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(otherDone.load());
  release = true;
  owner.join();
  other.join();
  EXPECT_TRUE(otherDone.load());
}

TEST_F(Sessions, ThreadThatEndsReleasesItsRecordForOthers) {
  std::thread([] { EXPECT_EQ(VNXThreadAttach(), 1); }).join();
  std::thread([] { EXPECT_EQ(VNXThreadAttach(), 1); }).join();
  std::thread([] { EXPECT_EQ(VNXThreadAttach(), 1); }).join();  // 2 records, 3 threads in turn
}

TEST_F(Sessions, TerminateUnloadsAndNextUseBindsAgain) {
  Connect();
  EXPECT_EQ(VNXTerminate(), 1);
  EXPECT_EQ(ScriptedTransport::TerminateCalls(), 1);
  EXPECT_EQ(ScriptedTransport::Calls("RESDeconnexion").size(), 1u);
  EXPECT_EQ(StartSession(), 1);
}

TEST_F(Sessions, LocalFunctionsNeedNoSession) {
  int32_t version = 0;
  EXPECT_EQ(RTV_PC_VER(&version), 4);
  EXPECT_EQ(version, 202);
  EXPECT_EQ(Map_Appc(), 0);
  EXPECT_TRUE(ScriptedTransport::Calls().empty());
}

}  // namespace
}  // namespace vantora::testing
