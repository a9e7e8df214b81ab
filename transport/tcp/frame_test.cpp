#include "transport/tcp/frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantora::tcp {
namespace {

std::vector<uint8_t> MakeFrame(FrameKind kind, size_t length, uint8_t fill) {
  std::vector<uint8_t> f(kPrefixSize + length, fill);
  EncodePrefix(f.data(), kind, static_cast<uint32_t>(length));
  return f;
}

TEST(FrameReader, ReadsFramesFedAtEverySplitPoint) {
  std::vector<uint8_t> stream = MakeFrame(FrameKind::kRequest, 100, 0xAA);
  std::vector<uint8_t> second = MakeFrame(FrameKind::kContinued, 3, 0xBB);
  stream.insert(stream.end(), second.begin(), second.end());
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    SCOPED_TRACE(cut);
    FrameReader reader(ServerSideLimits());
    Frame f;
    reader.Append(stream.data(), cut);
    std::vector<std::pair<FrameKind, size_t>> seen;
    while (reader.Next(&f) == FrameReader::Result::kFrame)
      seen.emplace_back(f.kind, f.payload.size());
    reader.Append(stream.data() + cut, stream.size() - cut);
    while (reader.Next(&f) == FrameReader::Result::kFrame)
      seen.emplace_back(f.kind, f.payload.size());
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(FrameKind::kRequest, size_t{100}));
    EXPECT_EQ(seen[1], std::make_pair(FrameKind::kContinued, size_t{3}));
    EXPECT_EQ(reader.buffered(), 0u);
  }
}

TEST(FrameReader, RefusesWhatTheSideDoesNotAccept) {
  struct Case {
    const char* name;
    uint8_t kind;
    uint32_t length;
    FrameReader::Error error;
  } cases[] = {
      {"oversize request part", 0x03, 4097, FrameReader::Error::kBadLength},
      {"request shorter than a header", 0x03, 63, FrameReader::Error::kBadLength},
      {"empty continuation", 0x04, 0, FrameReader::Error::kBadLength},
      {"huge hello", 0x01, 0xFFFFFF, FrameReader::Error::kBadLength},
      {"reply sent to a server", 0x05, 64, FrameReader::Error::kUnknownKind},
      {"kind 0", 0x00, 4, FrameReader::Error::kUnknownKind},
      {"kind 0x47 ('G' of GET)", 0x47, 0x455420, FrameReader::Error::kUnknownKind},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FrameReader reader(ServerSideLimits());
    uint8_t prefix[4] = {c.kind, static_cast<uint8_t>(c.length >> 16),
                         static_cast<uint8_t>(c.length >> 8), static_cast<uint8_t>(c.length)};
    reader.Append(prefix, 4);
    Frame f;
    EXPECT_EQ(reader.Next(&f), FrameReader::Result::kError);
    EXPECT_EQ(reader.error(), c.error);
    // Sticky: a valid frame after it is not read.
    std::vector<uint8_t> good = MakeFrame(FrameKind::kContinued, 1, 0);
    reader.Append(good.data(), good.size());
    EXPECT_EQ(reader.Next(&f), FrameReader::Result::kError);
  }
}

TEST(FrameReader, DoesNotBufferAnOversizeFrameBeforeRefusingIt) {
  FrameReader reader(ClientSideLimits());
  uint8_t prefix[4];
  EncodePrefix(prefix, FrameKind::kWelcome, 100000);
  reader.Append(prefix, 4);
  Frame f;
  EXPECT_EQ(reader.Next(&f), FrameReader::Result::kError);
}

TEST(FrameReader, ClientAcceptsLargeReplies) {
  FrameReader reader(ClientSideLimits());
  std::vector<uint8_t> reply = MakeFrame(FrameKind::kReply, 200000, 7);
  for (size_t at = 0; at < reply.size(); at += 4096) {
    size_t room = 0;
    uint8_t* space = reader.Space(4096, &room);
    size_t n = std::min<size_t>(4096, reply.size() - at);
    std::copy_n(reply.data() + at, n, space);
    reader.Commit(n);
  }
  Frame f;
  ASSERT_EQ(reader.Next(&f), FrameReader::Result::kFrame);
  EXPECT_EQ(f.payload.size(), 200000u);
  EXPECT_EQ(f.payload[199999], 7);
}

TEST(Refusal, RoundTripsAndKeepsTextPrintable) {
  std::vector<uint8_t> frame = EncodeRefusal(FrameRefusal::kTooManyConnections, "full\n");
  FrameReader reader(ClientSideLimits());
  reader.Append(frame.data(), frame.size());
  Frame f;
  ASSERT_EQ(reader.Next(&f), FrameReader::Result::kFrame);
  ASSERT_EQ(f.kind, FrameKind::kRefusal);
  uint32_t reason = 0;
  std::string text;
  ASSERT_TRUE(DecodeRefusal(f.payload, &reason, &text));
  EXPECT_EQ(reason, 1u);
  EXPECT_EQ(text, "full?");
  EXPECT_FALSE(DecodeRefusal(f.payload.first(3), &reason, &text));
}

}  // namespace
}  // namespace vantora::tcp
