// The request/reply exchange through the dispatcher: parts on the wire,
// replies in parts, asynchronous mode, error detail and transport failures.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "tests/support/test_session.h"

namespace vantora::testing {
namespace {

using Protocol = ClientTest;

std::vector<uint8_t> Pattern(size_t n, int seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 31 + seed);
  return v;
}

TEST_F(Protocol, LargeInputBufferGoesOutInTwoParts) {
  Connect();
  std::string command(4999, 'C');  // 5000 bytes with the terminator
  for (size_t i = 0; i < command.size(); ++i) command[i] = static_cast<char>('A' + i % 26);
  EXPECT_EQ(Rsystem(command.c_str()), 1);
  auto parts = ScriptedTransport::SentParts();
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0].size(), 4u + 4096u);
  EXPECT_EQ(parts[1].size(), 4u + 968u);
  EXPECT_EQ(HeaderI32(parts[0], wire::kHdrLength), 5000);
  EXPECT_EQ(HeaderI32(parts[0], wire::kHdrCode), 0x0512);
  EXPECT_EQ(Slot(parts[0], 0), 5000);
  EXPECT_EQ(std::memcmp(parts[0].data() + 4 + 64 + 52 - 64, "VANTORA ", 0), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(PartHeader(parts[0]) + 52), 8), "VANTORA ");
  std::string sent(parts[0].begin() + 68, parts[0].end());
  sent.append(parts[1].begin() + 4, parts[1].end());
  EXPECT_EQ(sent, command + '\0');
  // Each part is preceded by RESModeEnvoi; sequence numbers count parts.
  EXPECT_EQ(ScriptedTransport::Calls("RESModeEnvoi").size(), 3u);  // 2 parts + after the reply
}

TEST_F(Protocol, ReplyInTwoPartsFillsTheBuffer) {
  Connect();
  ScriptedTransport::SetAutoReply(false);
  auto payload = Pattern(6000, 3);
  Reply reply;
  reply.code = 0x0102;
  reply.result = 1;
  reply.slots = {0, 6000};
  reply.data = payload;
  auto bytes = reply.Bytes();
  ScriptedTransport::QueueReceive(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4096));
  ScriptedTransport::QueueReceive(std::vector<uint8_t>(bytes.begin() + 4096, bytes.end()));
  std::vector<uint8_t> buffer(6000, 0);
  EXPECT_EQ(Rreadn(5, buffer.data(), 6000, 0), 1);
  EXPECT_EQ(buffer, payload);
  EXPECT_EQ(ScriptedTransport::Calls("RESReception").size(), 2u);
}

TEST_F(Protocol, ReplySplitAcrossReceptionCalls) {
  Connect();
  ScriptedTransport::SetAutoReply(false);
  auto payload = Pattern(100, 9);
  Reply reply;
  reply.code = 0x011B;
  reply.result = 2;
  reply.status = 42;
  reply.slots = {0, 0, 100};
  reply.data = payload;
  auto bytes = reply.Bytes();
  // 10 header bytes, then the rest of the header and 20 data bytes, then the rest.
  ScriptedTransport::QueueReceive({bytes.begin(), bytes.begin() + 10});
  ScriptedTransport::QueueReceive({bytes.begin() + 10, bytes.begin() + 84});
  ScriptedTransport::QueueReceive({bytes.begin() + 84, bytes.end()});
  std::vector<uint8_t> buffer(100, 0);
  EXPECT_EQ(GetTypeFld(1, 5, buffer.data()), 2);  // 5 x 22 = 110 asked, 100 returned
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.end()), payload);
  EXPECT_EQ(retstat(), 42);
}

TEST_F(Protocol, OverlongReplyNeverWritesPastTheBuffer) {
  Connect();
  ScriptedTransport::SetAutoReply(false);
  Reply reply;
  reply.code = 0x0110;
  reply.slots = {0, 40};  // 40 bytes for a 24-byte status area
  reply.data = Pattern(40, 1);
  ScriptedTransport::QueueReceive(reply.Bytes());
  uint8_t area[32];
  std::memset(area, 0xAA, sizeof area);
  EXPECT_EQ(Rrstatus(3, area), 1);
  EXPECT_EQ(std::memcmp(area, reply.data.data(), 24), 0);
  for (int i = 24; i < 32; ++i) EXPECT_EQ(area[i], 0xAA) << i;
  // The exchange stays in step: the next request gets its own reply.
  ScriptedTransport::SetAutoReply(true, 77);
  EXPECT_EQ(Rlength(3), 77);
}

TEST_F(Protocol, ReplyToAnotherRequestIsRefused) {
  Connect();
  ScriptedTransport::SetAutoReply(false);
  Reply reply;
  reply.code = 0x0102;  // a read's reply to a record-length request
  reply.slots = {0, 8};
  reply.data = Pattern(8, 0);
  ScriptedTransport::QueueReceive(reply.Bytes());
  EXPECT_EQ(Rlength(3), VNX_ERR_INTERNAL);
  EXPECT_EQ(Internal_Error(), VNX_IERR_REPLY_MISMATCH);
}

TEST_F(Protocol, ReplyToAnotherRequestIsReadToItsEnd) {
  Connect();
  ScriptedTransport::SetAutoReply(false);
  Reply reply;
  reply.code = 0x0146;  // a block read's reply, three parts long
  reply.slots = {0, 9000};
  reply.data = Pattern(9000, 3);
  ScriptedTransport::QueueReceive(reply.Bytes());
  EXPECT_EQ(Rlength(3), VNX_ERR_INTERNAL);
  EXPECT_EQ(Internal_Error(), VNX_IERR_REPLY_MISMATCH);
  // Its later parts are not taken for the next reply.
  ScriptedTransport::SetAutoReply(true, 77);
  EXPECT_EQ(Rlength(3), 77);
}

TEST_F(Protocol, ErrorDetailFromTheReply) {
  Connect();
  ScriptedTransport::SetAutoReply(false);
  Reply failed;
  failed.code = 0x0500;
  failed.result = -1;
  failed.status = 3004;
  failed.systemError = std::string("CPF4101\0", 8);
  failed.internalError = 12;
  ScriptedTransport::QueueReceive(failed.Bytes());
  EXPECT_EQ(Ropen("MYLIB/NOFILE", "rr"), -1);
  EXPECT_EQ(retstat(), 3004);
  EXPECT_EQ(Internal_Error(), 12);
  char id[8];
  EXPECT_EQ(Return_Syserr(id), 1);
  EXPECT_STREQ(id, "CPF4101");
  // A later reply without an identifier keeps the last one.
  Reply ok;
  ok.code = 0x0111;
  ok.result = 100;
  ScriptedTransport::QueueReceive(ok.Bytes());
  EXPECT_EQ(Rlength(1), 100);
  EXPECT_EQ(retstat(), 0);
  EXPECT_EQ(Internal_Error(), 0);
  Return_Syserr(id);
  EXPECT_STREQ(id, "CPF4101");
}

TEST_F(Protocol, NoReplyRequestsReturnOneAfterFlush) {
  Connect();
  EXPECT_EQ(Rclose(4), 1);
  EXPECT_TRUE(ScriptedTransport::Calls("RESReception").empty());
  EXPECT_EQ(ScriptedTransport::Calls("RESFlush").size(), 1u);
  ScriptedTransport::FailCall("RESFlush", 0);
  EXPECT_EQ(Rclose(4), VNX_ERR_COMM);
}

struct FailureCase {
  const char* entry;
  int nth;
  int16_t result;
  int32_t expected;
};

class TransportFailure : public ClientTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(TransportFailure, ReturnsDocumentedResultAndStaysConnected) {
  const FailureCase& c = GetParam();
  Connect();
  ScriptedTransport::FailCall(c.entry, c.result, c.nth);
  std::string command(4999, 'X');  // two request parts
  std::vector<uint8_t> buffer(16);
  int32_t r = std::string(c.entry) == "RESEnvoi" && c.nth == 2 ? Rsystem(command.c_str())
                                                               : Rreadn(1, buffer.data(), 16, 0);
  EXPECT_EQ(r, c.expected);
  // Nothing retried, no reconnection; the session is still usable.
  EXPECT_EQ(Rlength(1), 1);
  EXPECT_TRUE(ScriptedTransport::Calls("RESConnexion").empty());
  EXPECT_TRUE(ScriptedTransport::Calls("RESDeconnexion").empty());
}

INSTANTIATE_TEST_SUITE_P(EachStep, TransportFailure,
                         ::testing::Values(FailureCase{"RESModeEnvoi", 1, -5, -5},
                                           FailureCase{"RESEnvoi", 1, -6, -6},
                                           FailureCase{"RESEnvoi", 2, -7, -7},
                                           FailureCase{"RESModeReception", 1, -8, -8},
                                           FailureCase{"RESReception", 1, -20, -20}));

TEST_F(Protocol, CommunicationErrorDetailFromTheTransport) {
  Connect();
  ScriptedTransport::FailCall("RESReception", -20);
  ScriptedTransport::SetAppcError(0x0F, 104);
  EXPECT_EQ(Rlength(1), VNX_ERR_COMM);
  int16_t primary = 0;
  int32_t secondary = 0;
  EXPECT_EQ(APPC_ERR(&primary, &secondary), 1);
  EXPECT_EQ(primary, 0x0F);
  EXPECT_EQ(secondary, 104);
}

TEST_F(Protocol, AsynchronousRequest) {
  Connect();
  ASSERT_EQ(VNXMode(1, 1), 1);
  ScriptedTransport::SetAutoReply(false);
  std::vector<uint8_t> buffer(6000, 0);
  EXPECT_EQ(Rreadn(2, buffer.data(), 6000, 0), 1);  // armed: RESModeReception's result
  EXPECT_EQ(Rlength(2), -1);                        // a request is in flight
  EXPECT_EQ(VNXComplete(), VNX_ERR_INTERNAL);
  EXPECT_EQ(Internal_Error(), VNX_IERR_NO_COMPLETE_REPLY);

  EXPECT_EQ(VNXStatus(), VNX_STATUS_WAITING);  // nothing yet
  auto payload = Pattern(6000, 5);
  Reply reply;
  reply.code = 0x0102;
  reply.result = 1;
  reply.slots = {0, 6000};
  reply.data = payload;
  auto bytes = reply.Bytes();
  ScriptedTransport::QueueReceive({bytes.begin(), bytes.begin() + 30});  // part of the header
  ScriptedTransport::QueueNothingYet();
  EXPECT_EQ(VNXStatus(), VNX_STATUS_WAITING);
  ScriptedTransport::QueueReceive({bytes.begin() + 30, bytes.begin() + 4096});
  EXPECT_EQ(VNXStatus(), VNX_STATUS_PARTIAL);
  EXPECT_EQ(VNXStatus(), VNX_STATUS_WAITING);  // the continuation has not come yet
  ScriptedTransport::QueueReceive({bytes.begin() + 4096, bytes.end()});
  EXPECT_EQ(VNXStatus(), VNX_STATUS_COMPLETE);
  EXPECT_EQ(VNXStatus(), VNX_STATUS_COMPLETE);
  EXPECT_EQ(VNXComplete(), 1);
  EXPECT_EQ(buffer, payload);
  for (auto& c : ScriptedTransport::Calls("RESReception")) EXPECT_EQ(c.flag, 2);
}

TEST_F(Protocol, AsynchronousCommunicationFailureCompletesTheRequest) {
  Connect();
  VNXMode(1, 1);
  ScriptedTransport::SetAutoReply(false);
  EXPECT_EQ(Rlength(2), 1);
  ScriptedTransport::FailCall("RESReception", -20);
  EXPECT_EQ(VNXStatus(), VNX_STATUS_COMPLETE);
  EXPECT_EQ(VNXComplete(), VNX_ERR_COMM);
  // A new request is accepted from the complete state.
  ScriptedTransport::SetAutoReply(true, 9);
  EXPECT_EQ(Rlength(2), 1);
  int polls = 0;
  while (VNXStatus() != VNX_STATUS_COMPLETE && ++polls < 10) {
  }
  EXPECT_LT(polls, 10);
  EXPECT_EQ(VNXComplete(), 9);
}

TEST_F(Protocol, ModeChangesOnlyWhenIdleOrComplete) {
  Connect();
  VNXMode(1, 1);
  ScriptedTransport::SetAutoReply(false);
  EXPECT_EQ(Rlength(2), 1);
  EXPECT_EQ(VNXMode(1, 0), 1);  // ignored while waiting
  EXPECT_EQ(Rlength(2), -1);    // still asynchronous, still in flight
}

TEST_F(Protocol, RequestsWithoutSessionAnswerMinus30AfterTerminate) {
  // The library binds the transport again after VNXTerminate, so there is
  // always a session in single mode; in multi-thread mode an unattached
  // thread has none.
  std::thread([] { EXPECT_EQ(VNXThreadAttach(), 1); }).join();
  int32_t r = 0;
  std::thread([&] { r = Rlength(1); }).join();
  EXPECT_EQ(r, VNX_ERR_INTERNAL);
}

}  // namespace
}  // namespace vantora::testing
