#include "protocol/request_parts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "protocol/byte_order.h"
#include "protocol/message_format.h"

namespace vantora::wire {
namespace {

uint64_t Addr(const void* p) {
  return reinterpret_cast<uintptr_t>(p);
}

struct Built {
  std::vector<uint8_t> header;
  std::vector<std::vector<uint8_t>> parts;  // data of each part
  std::vector<int32_t> announced;           // header offset 8 of each part
};

Built BuildAll(int op, uint64_t* args) {
  Built b;
  b.header.assign(kHeaderSize, 0xEE);
  MessageProgress progress;
  std::vector<uint8_t> data(kDataAreaSize, 0xEE);
  const Operation& entry = OperationEntry(op);
  for (int guard = 0; progress.state != kComplete && guard < 100; ++guard) {
    int n = BuildRequestPart(entry, entry.code, guard + 1, args, progress, b.header.data(),
                             data.data());
    b.parts.emplace_back(data.begin(), data.begin() + n);
    b.announced.push_back(LoadLeI32(b.header.data() + kHdrLength));
    if (b.parts.size() == 1) b.header.resize(kHeaderSize);
  }
  return b;
}

int32_t Slot(const std::vector<uint8_t>& header, int i) {
  return LoadLeI32(header.data() + kHdrSlots + 4 * i);
}

TEST(RequestParts, LargeInputGoesOutInTwoParts) {
  std::vector<uint8_t> command(5000);
  for (size_t i = 0; i < command.size(); ++i) command[i] = uint8_t(i * 7);
  uint64_t args[kMaxArgWords] = {5000, Addr(command.data())};
  MessageProgress progress;
  uint8_t header[kHeaderSize];
  uint8_t data[kDataAreaSize];
  const Operation& op = OperationEntry(kOpRsystem);
  int first = BuildRequestPart(op, op.code, 1, args, progress, header, data);
  EXPECT_EQ(first, 4032);
  EXPECT_EQ(LoadLeI32(header + kHdrLength), 5000);
  EXPECT_EQ(LoadLeI32(header + kHdrSlots), 5000);
  EXPECT_EQ(LoadLeI32(header + kHdrCode), 0x0512);
  EXPECT_EQ(std::memcmp(data, command.data(), 4032), 0);
  EXPECT_NE(progress.state, kComplete);
  int second = BuildRequestPart(op, op.code, 2, args, progress, header, data);
  EXPECT_EQ(second, 968);
  EXPECT_EQ(std::memcmp(data, command.data() + 4032, 968), 0);
  EXPECT_EQ(progress.state, kComplete);
}

TEST(RequestParts, OddInputIsPaddedAndValueStaysInSlot) {
  const char text[] = "ab";  // 3 bytes with the terminator
  uint64_t args[kMaxArgWords] = {Addr(nullptr)};
  // Rcommit has one input; use StartFile_Test: in(file), option.
  args[0] = 3;
  args[1] = Addr(text);
  args[2] = 0x1234;
  Built b = BuildAll(kOpStartFileTest, args);
  ASSERT_EQ(b.parts.size(), 1u);
  EXPECT_EQ(b.parts[0].size(), 4u);
  EXPECT_EQ(std::memcmp(b.parts[0].data(), "ab\0", 3), 0);
  EXPECT_EQ(b.announced[0], 4);
  EXPECT_EQ(Slot(b.header, 0), 3);
  EXPECT_EQ(Slot(b.header, 1), 0x1234);
}

TEST(RequestParts, OutputPlaceholdersAlignTo16) {
  // ReadTable: one output; Sqlca: out, value; Rgetkey: h, out, length.
  uint8_t buf[32] = {};
  uint64_t args[kMaxArgWords] = {9, 32, Addr(buf), 32};
  Built b = BuildAll(kOpRgetkey, args);
  ASSERT_EQ(b.parts.size(), 1u);
  EXPECT_EQ(b.parts[0].size(), 16u);  // placeholder at offset 0
  EXPECT_EQ(b.announced[0], 16);
  EXPECT_EQ(Slot(b.header, 1), 32);

  // GetDesc-shaped: after a 5-byte input an output starts at 16.
  // JOBsendreceive: job, sendLength, in(5), receiveLength, out(8).
  char send[5] = {1, 2, 3, 4, 5};
  uint8_t receive[8] = {};
  uint64_t a2[kMaxArgWords] = {7, 5, 5, Addr(send), 8, 8, Addr(receive)};
  Built c = BuildAll(kOpJobSendReceive, a2);
  ASSERT_EQ(c.parts.size(), 1u);
  EXPECT_EQ(c.parts[0].size(), 32u);  // 5 + 1 pad + 10 pad + 16 placeholder
  EXPECT_EQ(c.announced[0], 32);
  EXPECT_EQ(std::memcmp(c.parts[0].data(), send, 5), 0);
  EXPECT_EQ(Slot(c.header, 4), 8);

  // Two outputs in a row: PgmLink's out(2), out(2) after 22 + 14n input.
  uint8_t descriptor[34] = {};
  uint8_t params[14] = {};
  uint8_t entries[2] = {};
  uint64_t a3[kMaxArgWords] = {
      22, Addr(descriptor),      1, 14, Addr(params), 2, Addr(descriptor + 28),
      2,  Addr(descriptor + 30), 1, 2,  Addr(entries)};
  Built d = BuildAll(kOpPgmLink, a3);
  ASSERT_EQ(d.parts.size(), 1u);
  // 22 + 14 = 36 -> first placeholder at 48, second at 64, then 2 bytes.
  EXPECT_EQ(d.parts[0].size(), 82u);
  EXPECT_EQ(d.announced[0], 82);
}

TEST(RequestParts, NullBufferSendsLengthZero) {
  uint64_t args[kMaxArgWords] = {3, 100, 0, 100, 0};  // Rreadn(h=3, null, 100, 0)
  Built b = BuildAll(kOpRreadn, args);
  EXPECT_EQ(Slot(b.header, 1), 0);
  EXPECT_EQ(Slot(b.header, 2), 100);
  EXPECT_EQ(b.parts[0].size(), 16u);
}

TEST(RequestParts, ValueAfterIncompleteBufferRepeatsInSlot) {
  // Rwrite(h, 5000-byte record, 5000): the trailing value is in the first
  // part's slot though the buffer is not through yet.
  std::vector<uint8_t> record(5000, 0x41);
  uint64_t args[kMaxArgWords] = {2, 5000, Addr(record.data()), 5000};
  Built b = BuildAll(kOpRwrite, args);
  ASSERT_EQ(b.parts.size(), 2u);
  EXPECT_EQ(Slot(b.header, 2), 5000);
  EXPECT_EQ(b.parts[1].size(), 968u);
}

std::vector<uint8_t> ReplyHeader(int code, int32_t toCome, int32_t result,
                                 std::initializer_list<int32_t> slots) {
  std::vector<uint8_t> h(kHeaderSize, 0);
  StoreLeI32(h.data() + kHdrCode, code);
  StoreLeI32(h.data() + kHdrLength, toCome);
  StoreLeI32(h.data() + kHdrResult, result);
  int i = 0;
  for (int32_t s : slots) StoreLeI32(h.data() + kHdrSlots + 4 * i++, s);
  return h;
}

int32_t Distribute(std::vector<uint8_t>& header, const uint8_t* data, int32_t available,
                   uint64_t* args, MessageProgress& progress) {
  const Operation& op = OperationEntry(OperationOf(LoadLeI32(header.data() + kHdrCode)));
  return DistributeReplyPart(op, header.data(), data, available, args, progress);
}

TEST(RequestParts, ReplyInTwoPartsFillsBuffer) {
  std::vector<uint8_t> reply(6000);
  for (size_t i = 0; i < reply.size(); ++i) reply[i] = uint8_t(i * 13 + 1);
  std::vector<uint8_t> buffer(6000, 0);
  uint64_t args[kMaxArgWords] = {4, 6000, Addr(buffer.data()), 6000, 0};
  auto header = ReplyHeader(0x0102, 6000, 1, {0, 6000, 0, 0});
  MessageProgress progress;
  EXPECT_EQ(Distribute(header, reply.data(), 4032, args, progress), 1);
  EXPECT_EQ(progress.state, kContinuationExpected);
  EXPECT_EQ(Distribute(header, reply.data() + 4032, 1968, args, progress), 1);
  EXPECT_EQ(progress.state, kComplete);
  EXPECT_EQ(buffer, reply);
}

TEST(RequestParts, ReplyLongerThanBufferIsCutAndStaysInStep) {
  // Two outputs: PgmLink's out(2) at descriptor+28 and out(2) at +30; the
  // server announces 5 bytes for the first. Only 2 may be written; the rest
  // is dropped and the second output still gets its own bytes.
  uint8_t descriptor[40];
  std::memset(descriptor, 0xAA, sizeof descriptor);
  uint64_t args[kMaxArgWords] = {22, Addr(descriptor),      0, 0, 0, 2, Addr(descriptor + 28),
                                 2,  Addr(descriptor + 30), 0, 0, 0};
  auto header = ReplyHeader(0x0128, 7, 5, {0, 0, 0, 5, 2, 0, 0});
  const uint8_t data[7] = {1, 2, 3, 4, 5, 8, 9};
  MessageProgress progress;
  EXPECT_EQ(Distribute(header, data, 7, args, progress), 5);
  EXPECT_EQ(progress.state, kComplete);
  EXPECT_EQ(descriptor[28], 1);
  EXPECT_EQ(descriptor[29], 2);
  EXPECT_EQ(descriptor[30], 8);
  EXPECT_EQ(descriptor[31], 9);
  EXPECT_EQ(descriptor[32], 0xAA);
}

TEST(RequestParts, ReplyToNullBufferWritesNothing) {
  uint64_t args[kMaxArgWords] = {4, 0, 0, 100, 0};
  auto header = ReplyHeader(0x0102, 10, 1, {0, 10});
  uint8_t data[10] = {};
  MessageProgress progress;
  EXPECT_EQ(Distribute(header, data, 10, args, progress), 1);
  EXPECT_EQ(progress.state, kComplete);
}

TEST(RequestParts, ReplyAnnouncingNothingMoreCompletes) {
  uint8_t buffer[100] = {};
  uint64_t args[kMaxArgWords] = {4, 100, Addr(buffer), 100, 0};
  auto header = ReplyHeader(0x0102, 0, -1, {0, 100});  // slot says 100, nothing to come
  MessageProgress progress;
  EXPECT_EQ(Distribute(header, nullptr, 0, args, progress), -1);
  EXPECT_EQ(progress.state, kComplete);
}

TEST(RequestParts, ReplyBytesSplitAtEveryPoint) {
  // GetTypeFld-like: one 44-byte output delivered in two pieces split at each point.
  std::vector<uint8_t> reply(44);
  for (size_t i = 0; i < reply.size(); ++i) reply[i] = uint8_t(i + 1);
  for (int split = 0; split <= 44; ++split) {
    std::vector<uint8_t> buffer(44, 0);
    uint64_t args[kMaxArgWords] = {1, 2, 44, Addr(buffer.data())};
    auto header = ReplyHeader(0x011B, 44, 2, {0, 0, 44});
    MessageProgress progress;
    Distribute(header, reply.data(), split, args, progress);
    if (split < 44) {
      EXPECT_EQ(progress.state, kContinuationExpected);
      Distribute(header, reply.data() + split, 44 - split, args, progress);
    }
    EXPECT_EQ(progress.state, kComplete) << split;
    EXPECT_EQ(buffer, reply) << split;
  }
}

}  // namespace
}  // namespace vantora::wire
