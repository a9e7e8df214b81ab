// Helpers shared by the client's tests against the scripted transport.
#ifndef VANTORA_TESTS_SUPPORT_TEST_SESSION_H_
#define VANTORA_TESTS_SUPPORT_TEST_SESSION_H_

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "protocol/message_format.h"
#include "tests/support/scripted_transport.h"

namespace vantora::testing {

// Each test starts from the library's initial state with a fresh script,
// and leaves it there.
class ClientTest : public ::testing::Test {
 protected:
  void SetUp() override { ScriptedTransport::Reset(); }
  void TearDown() override {
    ScriptedTransport::Reset();
    VNXTerminate();
  }

  // Opens the session (auto-reply answers the session-open request) and
  // forgets the calls made so far.
  void Connect() {
    ASSERT_EQ(StartSession(), 1);
    ScriptedTransport::Reset();
  }
};

// The request part as sent: 4 transport bytes, then the header and data.
inline const uint8_t* PartHeader(const std::vector<uint8_t>& part) {
  return part.data() + 4;
}
inline int32_t HeaderI32(const std::vector<uint8_t>& part, int offset) {
  return wire::LoadLeI32(PartHeader(part) + offset);
}
inline int32_t Slot(const std::vector<uint8_t>& part, int i) {
  return HeaderI32(part, wire::kHdrSlots + 4 * i);
}
inline std::vector<uint8_t> PartData(const std::vector<uint8_t>& part) {
  return std::vector<uint8_t>(part.begin() + 4 + wire::kHeaderSize, part.end());
}

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_TEST_SESSION_H_
