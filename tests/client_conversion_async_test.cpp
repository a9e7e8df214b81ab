// Conversion in asynchronous mode: records converted only once their reply
// is there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/record_conversion.h"

namespace vantora::testing {
namespace {

TEST_F(RecordConversion, ConversionOpenIsRefusedInAsynchronousMode) {
  Connect();
  ASSERT_EQ(VNXMode(1, 1), 1);
  ExpectRefusedWithNothingSent(VNXopen("QGPL/CUSTOMER", kConvert, 0), VNX_IERR_CONVERSION_ASYNC);
}

TEST_F(RecordConversion, AsynchronousReadConvertsWhenTheReplyIsThere) {
  OpenConverted();
  ASSERT_EQ(VNXMode(1, 1), 1);
  QueueRead(1, RawCustomer(kHello, 0x0000123C, 8), {});
  Bytes pc(kPcLength, 0xEE);
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  EXPECT_EQ(VNXStatus(), VNX_STATUS_COMPLETE);
  EXPECT_EQ(VNXComplete(), 1);
  EXPECT_EQ(std::string(pc.begin(), pc.begin() + 5), "HELLO");
  EXPECT_DOUBLE_EQ(PcDouble(pc.data() + 10), 1.23);
}

TEST_F(RecordConversion, AsynchronousReadStillInFlightIsNotConverted) {
  OpenConverted();
  ASSERT_EQ(VNXMode(1, 1), 1);
  ScriptedTransport::SetAutoReply(false);
  Bytes pc(kPcLength, 0xEE);
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  // Converting now would turn the raw buffer's old bytes into a record.
  EXPECT_EQ(pc, Bytes(kPcLength, 0xEE));
  EXPECT_EQ(VNXStatus(), VNX_STATUS_WAITING);
}

TEST_F(RecordConversion, PositionOnlyReadLeavesRecordsAlone) {
  OpenConverted();
  Bytes pc(kPcLength, 0xEE);
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_FIRST | VNX_READ_POSITION_ONLY, nullptr, 0,
                    nullptr),
            1);
  EXPECT_EQ(pc, Bytes(kPcLength, 0xEE));
}

}  // namespace
}  // namespace vantora::testing
