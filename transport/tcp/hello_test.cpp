#include "transport/tcp/hello.h"

#include <gtest/gtest.h>

#include "transport/tcp/frame.h"

namespace vantora::tcp {
namespace {

std::span<const uint8_t> Payload(const std::vector<uint8_t>& frame) {
  return std::span<const uint8_t>(frame).subspan(kPrefixSize);
}

TEST(Hello, CarriesCredentialsOnlyWhenSet) {
  Hello h;
  h.hasCredentials = true;
  h.user = "ALICE";
  h.password = "averylongpassword";
  h.program = "VANTORA/VANTORA";
  std::vector<uint8_t> frame = EncodeHello(h);
  ASSERT_EQ(frame.size(), kPrefixSize + kHelloSize);
  Hello back;
  ASSERT_TRUE(DecodeHello(Payload(frame), &back));
  EXPECT_TRUE(back.hasCredentials);
  EXPECT_EQ(back.user, "ALICE");
  EXPECT_EQ(back.password, "averylongp");  // cut to its 10-byte field
  EXPECT_EQ(back.program, "VANTORA/VANTORA");
  EXPECT_EQ(back.version, kProtocolVersion);

  h.hasCredentials = false;
  frame = EncodeHello(h);
  ASSERT_TRUE(DecodeHello(Payload(frame), &back));
  EXPECT_FALSE(back.hasCredentials);
  EXPECT_EQ(back.user, "");
  EXPECT_EQ(back.password, "");
}

TEST(Hello, RefusesWrongSizeOrMagic) {
  std::vector<uint8_t> frame = EncodeHello(Hello{});
  Hello back;
  EXPECT_FALSE(DecodeHello(Payload(frame).first(kHelloSize - 1), &back));
  frame[kPrefixSize] = 'X';
  EXPECT_FALSE(DecodeHello(Payload(frame), &back));
}

TEST(Welcome, RoundTrips) {
  std::vector<uint8_t> frame = EncodeWelcome(0x00070500);
  uint16_t version = 0;
  int32_t host = 0;
  ASSERT_TRUE(DecodeWelcome(Payload(frame), &version, &host));
  EXPECT_EQ(version, kProtocolVersion);
  EXPECT_EQ(host, 0x00070500);
  EXPECT_FALSE(DecodeWelcome(Payload(frame).first(4), &version, &host));
}

}  // namespace
}  // namespace vantora::tcp
