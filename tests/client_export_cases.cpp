// The export table's session requests and the exports that issue no
// request of their own (see client_export_cases.h).
#include "tests/client_export_cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <thread>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/scripted_transport.h"

namespace vantora::testing {

void PrintTo(const WireCase& c, std::ostream* os) {
  *os << c.exportName << " (" << c.variant << ")";
}

void PrintTo(const LocalCase& c, std::ostream* os) {
  *os << c.exportName;
}

// ---- The table: the session requests ---------------------------------------

void AddSessionCases(std::vector<WireCase>& t) {
  std::vector<uint8_t> machine(18, 0);
  const std::string host = "AS400B";
  std::copy(host.begin(), host.end(), machine.begin());
  t.push_back({"StartSession",
               "session open with machine, user and password",
               0x0115,
               {V(3), V(2), In(Text("VANTORA")), V(0), In(machine), In(Raw("QPGMR     ")),
                In(Raw("PW1       "))},
               [](Io&) { return StartSession(); },
               0,
               1,
               [=](Io&) {
                 MCH_name(host.c_str());
                 VNXSetUserId("QPGMR", "PW1");
               },
               {},
               false});
  t.push_back(
      {"FreeSession", "end of session, no reply", 0x0216, {}, [](Io&) { return FreeSession(); }});
}

std::vector<WireCase> WireCases() {
  std::vector<WireCase> t;
  AddSessionCases(t);
  AddFileCases(t);
  AddServiceCases(t);
  return t;
}

namespace {

// ---- Exports that issue no request of their own -----------------------------

// Opens the session (the transport auto-replies) and forgets the calls so far.
void OpenSession() {
  ASSERT_EQ(StartSession(), 1);
  ScriptedTransport::Reset();
}

// A failed request whose reply carries every error detail.
void FailWithDetail() {
  OpenSession();
  ScriptedTransport::SetAutoReply(false);
  Reply reply;
  reply.code = 0x0111;
  reply.result = -1;
  reply.status = 3004;
  reply.systemError = std::string("CPF9801\0", 8);
  reply.internalError = 77;
  ScriptedTransport::QueueReceive(reply.Bytes());
  ASSERT_EQ(Rlength(1), -1);
}

}  // namespace

std::vector<LocalCase> LocalCases() {
  return {
      {"OpenMultiSession",
       [] {
         EXPECT_EQ(OpenMultiSession(0), 0);
         EXPECT_EQ(OpenMultiSession(2), 1);
         EXPECT_EQ(VNXSession(1), 1);
         EXPECT_EQ(CloseMultiSession(), 1);
         EXPECT_TRUE(ScriptedTransport::Calls("RESDebutMultiSession").empty());
         // A connected default session is ended before its table is replaced.
         OpenSession();
         EXPECT_EQ(OpenMultiSession(2), 1);
         auto parts = ScriptedTransport::SentParts();
         ASSERT_EQ(parts.size(), 1u);
         EXPECT_EQ(wire::LoadLeI32(parts[0].data() + 4 + 4), 0x0216);
         EXPECT_EQ(ScriptedTransport::Calls("RESDeconnexion").size(), 1u);
         EXPECT_EQ(CloseMultiSession(), 1);
         // Not in multi-thread mode.
         ASSERT_EQ(VNXThreadAttach(), 1);
         EXPECT_EQ(OpenMultiSession(2), 0);
       }},
      {"CloseMultiSession",
       [] {
         OpenSession();
         EXPECT_EQ(CloseMultiSession(), 1);  // ends the connected session
         auto parts = ScriptedTransport::SentParts();
         ASSERT_EQ(parts.size(), 1u);
         // The request code: after the transport's 4 bytes, at header offset 4.
         EXPECT_EQ(wire::LoadLeI32(parts[0].data() + 4 + 4), 0x0216);
         EXPECT_EQ(ScriptedTransport::Calls("RESDeconnexion").size(), 1u);
       }},
      {"VNXSession",
       [] {
         EXPECT_EQ(VNXSession(0), 0);
         EXPECT_EQ(VNXSession(1), -1);
         EXPECT_EQ(VNXSession(-1), -1);  // outside multi-thread mode: keeps the selection
         EXPECT_EQ(StartSession(), 1);
       }},
      {"VNXThreadAttach",
       [] {
         EXPECT_EQ(VNXThreadAttach(), 1);
         EXPECT_EQ(VNXThreadAttach(), 2);
         auto begin = ScriptedTransport::Calls("RESDebutMultiSession");
         ASSERT_EQ(begin.size(), 1u);
         EXPECT_EQ(begin[0].length, 2);  // NbSession of the test settings
       }},
      {"VNXThreadDetach",
       [] {
         EXPECT_EQ(VNXThreadDetach(), 0);  // not in multi-thread mode
         ASSERT_EQ(VNXThreadAttach(), 1);
         EXPECT_EQ(VNXThreadDetach(), 1);
         EXPECT_EQ(VNXThreadDetach(), 0);
       }},
      {"VNXTerminate",
       [] {
         OpenSession();
         EXPECT_EQ(VNXTerminate(), 1);
         EXPECT_EQ(ScriptedTransport::TerminateCalls(), 1);
         // The next session function binds the transport again.
         EXPECT_EQ(StartSession(), 1);
         EXPECT_EQ(ScriptedTransport::Calls("RESConnexion").size(), 1u);
       }},
      {"MCH_name",
       [] {
         EXPECT_EQ(MCH_name("ABCDEFGHIJKLMNOPQ"), 1);  // 17 characters
         EXPECT_EQ(MCH_name("ABCDEFGHIJKLMNOPQR"), -1);
         ASSERT_EQ(StartSession(), 1);
         EXPECT_EQ(ScriptedTransport::Calls("RESConnexion").at(0).machine, "ABCDEFGHIJKLMNOPQ");
       }},
      {"VNXGET_MCH_name",
       [] {
         ASSERT_EQ(MCH_name("SYS1"), 1);
         char name[20];
         std::fill(std::begin(name), std::end(name), 'x');
         EXPECT_EQ(VNXGET_MCH_name(name, 20), 0);
         EXPECT_EQ(std::string(name, 20), std::string("SYS1") + std::string(16, '\0'));
         std::fill(std::begin(name), std::end(name), 'x');
         EXPECT_EQ(VNXGET_MCH_name(name, 2), 0);
         EXPECT_EQ(std::string(name, 3), "SYx");
       }},
      {"VNXSetUserId",
       [] {
         EXPECT_EQ(VNXSetUserId("AB", ""), 1);
         ASSERT_EQ(StartSession(), 1);
         auto connect = ScriptedTransport::Calls("RESConnexion").at(0);
         EXPECT_EQ(connect.user, "AB        ");
         EXPECT_EQ(connect.password, "          ");
       }},
      {"PGM_name",
       [] {
         EXPECT_EQ(PGM_name(std::string(64, 'P').c_str()), -1);
         EXPECT_EQ(PGM_name("MYLIB/MYSERVER"), 1);
         EXPECT_EQ(StartSession(), 1);
         EXPECT_EQ(PGM_name("VANTORA/VANTORA"), 1);  // shared by all sessions: restore it
         EXPECT_EQ(ScriptedTransport::Calls("RESConnexion").at(0).program, "MYLIB/MYSERVER");
       }},
      {"VNXMode",
       [] {
         OpenSession();
         EXPECT_EQ(VNXMode(1, 1), 1);
         ScriptedTransport::SetAutoReply(true, 5);
         EXPECT_EQ(Rlength(1), 1);  // armed: RESModeReception's result
         EXPECT_EQ(VNXStatus(), VNX_STATUS_COMPLETE);
         EXPECT_EQ(VNXComplete(), 5);
       }},
      {"VNXStatus",
       [] {
         EXPECT_EQ(VNXStatus(), VNX_STATUS_IDLE);  // nothing asked yet
         // A synchronous request leaves its message complete, which the
         // status reports as a complete reply.
         OpenSession();
         EXPECT_EQ(VNXStatus(), VNX_STATUS_COMPLETE);
       }},
      {"VNXComplete",
       [] {
         OpenSession();
         EXPECT_EQ(VNXComplete(), VNX_ERR_INTERNAL);
         EXPECT_EQ(Internal_Error(), VNX_IERR_NO_COMPLETE_REPLY);
       }},
      {"retstat",
       [] {
         FailWithDetail();
         EXPECT_EQ(retstat(), 3004);
       }},
      {"Return_Syserr",
       [] {
         FailWithDetail();
         char id[8] = {};
         EXPECT_EQ(Return_Syserr(id), 1);
         EXPECT_STREQ(id, "CPF9801");
       }},
      {"Internal_Error",
       [] {
         FailWithDetail();
         EXPECT_EQ(Internal_Error(), 77);
       }},
      {"APPC_ERR",
       [] {
         OpenSession();
         ScriptedTransport::SetAppcError(7, 1234);
         int16_t primary = 0;
         int32_t secondary = 0;
         EXPECT_EQ(APPC_ERR(&primary, &secondary), 1);
         EXPECT_EQ(primary, 7);
         EXPECT_EQ(secondary, 1234);
         EXPECT_EQ(ScriptedTransport::Calls("RESAppcErr").size(), 1u);
       }},
      {"VNXErrorText",
       [] {
         FailWithDetail();
         // A local function: the words come from what the session keeps.
         const size_t calls = ScriptedTransport::Calls().size();
         char text[128] = {};
         const int32_t length = VNXErrorText(text, sizeof text);
         EXPECT_EQ(std::string(text), "object *N not found (CPF9801)");
         EXPECT_EQ(length, static_cast<int32_t>(std::strlen(text)));
         EXPECT_EQ(ScriptedTransport::Calls().size(), calls);
       }},
      {"Map_Appc",
       [] {
         EXPECT_EQ(Map_Appc(), 0);
         EXPECT_TRUE(ScriptedTransport::Calls().empty());
       }},
      {"RTV_PC_VER",
       [] {
         int32_t version = 0;
         EXPECT_EQ(RTV_PC_VER(&version), 4);
         EXPECT_EQ(version, 202);
         EXPECT_TRUE(ScriptedTransport::Calls().empty());  // no session opened
         // Also on a thread that has no session at all.
         ASSERT_EQ(VNXThreadAttach(), 1);
         int32_t result = 0;
         int32_t threadVersion = 0;
         int32_t request = 0;
         std::thread([&] {
           result = RTV_PC_VER(&threadVersion);
           request = Rlength(1);
         }).join();
         EXPECT_EQ(result, 4);
         EXPECT_EQ(threadVersion, 202);
         EXPECT_EQ(request, VNX_ERR_INTERNAL);
       }},
  };
}

}  // namespace vantora::testing
