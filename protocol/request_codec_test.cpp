// The client's request builder against the host's decoder, and the host's
// reply writer against the client's distributor: whatever one side writes
// the other reads back, across part boundaries; hostile requests are refused.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "protocol/byte_order.h"
#include "protocol/message_format.h"
#include "protocol/reply_writer.h"
#include "protocol/request_decoder.h"
#include "protocol/request_parts.h"

namespace vantora::wire {
namespace {

uint64_t Addr(const void* p) {
  return reinterpret_cast<uintptr_t>(p);
}

// Sends a request for `op` through the client builder into a decoder.
RequestDecoder::Progress SendThrough(const Operation& op, uint64_t* args, RequestDecoder& decoder,
                                     int* parts = nullptr) {
  MessageProgress progress;
  uint8_t header[kHeaderSize];
  uint8_t data[kDataAreaSize];
  RequestDecoder::Progress p = RequestDecoder::Progress::kNeedMore;
  int count = 0;
  bool first = true;
  do {
    int n = BuildRequestPart(op, op.code, ++count, args, progress, header, data);
    std::vector<uint8_t> part;
    if (first) part.assign(header, header + kHeaderSize);
    part.insert(part.end(), data, data + n);
    p = decoder.Feed(part.data(), part.size());
    first = false;
  } while (progress.state != kComplete && p == RequestDecoder::Progress::kNeedMore);
  if (parts) *parts = count;
  return p;
}

TEST(RequestCodec, EveryOperationRoundTripsWithRandomBuffers) {
  std::mt19937 random(20261208);
  for (int opNumber = 0; opNumber < kOperationCount; ++opNumber) {
    const Operation& op = OperationEntry(opNumber);
    if (!op.Used()) continue;
    for (int round = 0; round < 20; ++round) {
      SCOPED_TRACE(std::string(op.name) + " round " + std::to_string(round));
      std::vector<std::vector<uint8_t>> buffers(op.count);
      uint64_t args[kMaxArgWords] = {};
      int32_t values[8] = {};
      int w = 0;
      for (int i = 0; i < op.count; ++i) {
        if (op.Kind(i) == kValue) {
          values[i] = static_cast<int32_t>(random());
          args[w++] = static_cast<uint32_t>(values[i]);
          continue;
        }
        // Mostly small, sometimes large enough to cross part boundaries.
        size_t n = random() % 4 == 0 ? random() % 9000 : random() % 40;
        buffers[i].resize(n);
        for (auto& b : buffers[i]) b = static_cast<uint8_t>(random());
        args[w++] = n;
        args[w++] = n == 0 ? 0 : Addr(buffers[i].data());
      }
      RequestDecoder decoder;
      ASSERT_EQ(SendThrough(op, args, decoder), RequestDecoder::Progress::kComplete)
          << decoder.error();
      EXPECT_EQ(decoder.code(), op.code);
      for (int i = 0; i < op.count; ++i) {
        switch (op.Kind(i)) {
          case kValue:
            EXPECT_EQ(decoder.Value(i), values[i]);
            break;
          case kInput:
          case kInOut: {
            auto in = decoder.Input(i);
            EXPECT_EQ(std::vector<uint8_t>(in.begin(), in.end()), buffers[i]) << "param " << i;
            if (op.Kind(i) == kInOut) {
              EXPECT_EQ(decoder.OutputLength(i), int(buffers[i].size()));
            }
            break;
          }
          case kOutput:
            EXPECT_EQ(decoder.OutputLength(i), int(buffers[i].size())) << "param " << i;
            break;
        }
      }
    }
  }
}

TEST(RequestCodec, TextStopsAtTerminator) {
  const Operation& op = OperationEntry(kOpRsystem);
  const char command[] = "CRTLIB LIB(X)";
  uint64_t args[kMaxArgWords] = {sizeof command, Addr(command)};
  RequestDecoder decoder;
  ASSERT_EQ(SendThrough(op, args, decoder), RequestDecoder::Progress::kComplete);
  EXPECT_EQ(decoder.Text(0), "CRTLIB LIB(X)");
}

std::vector<uint8_t> Header(int32_t code, int32_t announced, std::initializer_list<int32_t> slots) {
  std::vector<uint8_t> h(kHeaderSize, 0);
  StoreLeI32(h.data() + kHdrCode, code);
  StoreLeI32(h.data() + kHdrLength, announced);
  int i = 0;
  for (int32_t s : slots) StoreLeI32(h.data() + kHdrSlots + 4 * i++, s);
  return h;
}

TEST(RequestCodec, HostileRequestsAreRefused) {
  struct Case {
    const char* what;
    std::vector<uint8_t> part;
  } cases[] = {
      {"short header", std::vector<uint8_t>(10, 0)},
      {"unknown operation", Header(0x0150, 0, {})},
      {"code out of range", Header(0x10102, 0, {})},
      {"negative length", Header(0x0512, -4, {-4})},
      {"announced beyond the limit", Header(0x0512, kMaxRequestData + 2, {kMaxRequestData + 2})},
      {"slots disagree with the announced length", Header(0x0512, 10, {4})},
      {"output beyond the limit", Header(0x0110, 16, {3, kMaxOutputLength + 1})},
      {"oversized first part", std::vector<uint8_t>(5000, 0)},
  };
  for (auto& c : cases) {
    RequestDecoder decoder;
    EXPECT_EQ(decoder.Feed(c.part.data(), c.part.size()), RequestDecoder::Progress::kError)
        << c.what;
    EXPECT_FALSE(decoder.error().empty()) << c.what;
  }
  // More data than announced, in a first or a later part.
  auto h = Header(0x0512, 4, {4});
  h.insert(h.end(), {'a', 'b', 'c', 0, 'x', 'y'});
  RequestDecoder decoder;
  EXPECT_EQ(decoder.Feed(h.data(), h.size()), RequestDecoder::Progress::kError);
  auto h2 = Header(0x0512, 5000, {5000});
  h2.resize(kHeaderSize + 4032);
  RequestDecoder d2;
  EXPECT_EQ(d2.Feed(h2.data(), h2.size()), RequestDecoder::Progress::kNeedMore);
  std::vector<uint8_t> tooMuch(1000);
  EXPECT_EQ(d2.Feed(tooMuch.data(), tooMuch.size()), RequestDecoder::Progress::kError);
  d2.Reset();
  EXPECT_EQ(d2.Feed(h2.data(), h2.size()), RequestDecoder::Progress::kNeedMore);
  std::vector<uint8_t> rest(968, 7);
  EXPECT_EQ(d2.Feed(rest.data(), rest.size()), RequestDecoder::Progress::kComplete);
}

TEST(RequestCodec, ReplyWriterFeedsTheClientDistributor) {
  // VNXRead: h, out(L), recordLength, options, in(key), keyLength, out(N).
  const Operation& op = OperationEntry(kOpRead);
  const int32_t asked[8] = {0, 5000, 0, 0, 0, 0, 8, 0};
  ReplyWriter writer;
  writer.Start(op, op.code, asked);
  uint8_t* records = writer.Output(1, 9999);  // cut to 5000
  for (int i = 0; i < 5000; ++i) records[i] = static_cast<uint8_t>(i * 3);
  EXPECT_EQ(writer.Output(1, 4), nullptr);  // a parameter given twice
  const uint8_t numbers[8] = {1, 0, 0, 0, 2, 0, 0, 0};
  writer.SetOutput(6, numbers);
  writer.Finish(2, 0, "CPF5001", 0);
  auto message = writer.Message();
  ASSERT_EQ(message.size(), 64u + 5008u);
  ASSERT_EQ(ReplyPartCount(message.size()), 2u);

  std::vector<uint8_t> buffer(5000, 0);
  uint8_t got[8] = {};
  uint64_t args[kMaxArgWords] = {9, 5000,     Addr(buffer.data()), 500, 0x0A080000, 0, 0, 0,
                                 8, Addr(got)};
  std::vector<uint8_t> header(message.begin(), message.begin() + kHeaderSize);
  MessageProgress progress;
  EXPECT_EQ(DistributeReplyPart(op, header.data(), message.data() + 64, 4032, args, progress), 2);
  EXPECT_EQ(progress.state, kContinuationExpected);
  EXPECT_EQ(DistributeReplyPart(op, header.data(), message.data() + 4096,
                                int32_t(message.size() - 4096), args, progress),
            2);
  EXPECT_EQ(progress.state, kComplete);
  EXPECT_EQ(std::memcmp(buffer.data(), message.data() + 64, 5000), 0);
  EXPECT_EQ(std::memcmp(got, numbers, 8), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(message.data()) + kHdrSystemError, 7),
            "CPF5001");
}

}  // namespace
}  // namespace vantora::wire

namespace vantora::wire {
namespace {

// A VNXRead request as the client builds it, decoded; `sequence` is
// written into the first part's header afterwards.
struct ReadArgs {
  int32_t handle = 3;
  int32_t recordsLength = 400;
  int32_t recordLength = 100;
  int32_t options = 0x02080004;  // next, block, 4 records
  std::vector<uint8_t> key;
  int32_t keyLength = 0;
  int32_t numbersLength = 16;
  int32_t sequence = 7;
};

void DecodeRead(const ReadArgs& a, RequestDecoder* decoder) {
  const Operation& op = OperationEntry(kOpRead);
  uint8_t records[1] = {}, numbers[1] = {};
  uint64_t args[kMaxArgWords] = {static_cast<uint32_t>(a.handle),
                                 static_cast<uint64_t>(a.recordsLength),
                                 Addr(records),
                                 static_cast<uint32_t>(a.recordLength),
                                 static_cast<uint32_t>(a.options),
                                 a.key.size(),
                                 a.key.empty() ? 0 : Addr(a.key.data()),
                                 static_cast<uint32_t>(a.keyLength),
                                 static_cast<uint64_t>(a.numbersLength),
                                 Addr(numbers)};
  MessageProgress progress;
  uint8_t header[kHeaderSize];
  uint8_t data[kDataAreaSize];
  int n = BuildRequestPart(op, op.code, 1, args, progress, header, data);
  ASSERT_EQ(progress.state, kComplete);
  StoreLeI32(header + kHdrSequence, a.sequence);
  std::vector<uint8_t> part(header, header + kHeaderSize);
  part.insert(part.end(), data, data + n);
  ASSERT_EQ(decoder->Feed(part.data(), part.size()), RequestDecoder::Progress::kComplete)
      << decoder->error();
}

TEST(RequestCodec, SameRequestComparesAllButTheSequence) {
  const ReadArgs base;
  struct Case {
    const char* what;
    std::function<void(ReadArgs&)> change;
    bool same;
  } cases[] = {
      {"identical", [](ReadArgs&) {}, true},
      {"another sequence number", [](ReadArgs& a) { a.sequence = 8; }, true},
      {"another handle", [](ReadArgs& a) { a.handle = 4; }, false},
      {"another count", [](ReadArgs& a) { a.options = 0x02080005; }, false},
      {"prior instead of next", [](ReadArgs& a) { a.options = 0x03080004; }, false},
      {"another record length", [](ReadArgs& a) { a.recordLength = 99; }, false},
      {"room for fewer records", [](ReadArgs& a) { a.recordsLength = 300; }, false},
      {"no room for the numbers", [](ReadArgs& a) { a.numbersLength = 0; }, false},
      {"a key",
       [](ReadArgs& a) {
         a.key = {1, 2};
       },
       false},
      {"another key length", [](ReadArgs& a) { a.keyLength = 2; }, false},
  };
  ReadArgs withKey = base;
  withKey.key = {1, 2, 3, 4};
  RequestDecoder first;
  DecodeRead(base, &first);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReadArgs a = base;
    c.change(a);
    RequestDecoder other;
    DecodeRead(a, &other);
    EXPECT_EQ(first.SameRequest(other), c.same);
    EXPECT_EQ(other.SameRequest(first), c.same);
  }
  // Key bytes count, not only their length.
  RequestDecoder keyed, otherKey;
  DecodeRead(withKey, &keyed);
  withKey.key[3] = 5;
  DecodeRead(withKey, &otherKey);
  EXPECT_FALSE(keyed.SameRequest(otherKey));
}

}  // namespace
}  // namespace vantora::wire
