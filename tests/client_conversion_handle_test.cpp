// The conversion slot of each file handle: dropped by a close or a plain
// open, kept when the table grows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/record_conversion.h"

namespace vantora::testing {
namespace {

TEST_F(RecordConversion, RcloseThenReadTalksUnconverted) {
  OpenConverted();
  ASSERT_EQ(Rclose(3), 1);
  Bytes record(kPcLength);
  for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(0x80 + i);
  QueueRead(1, record, {});
  Bytes buffer(kPcLength, 0);
  ASSERT_EQ(VNXRead(3, buffer.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  EXPECT_EQ(buffer, record);  // as the host sent it
  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(Slot(reads[0], 1), kPcLength);
  EXPECT_EQ(Slot(reads[0], 2), kPcLength);
  ASSERT_EQ(Requests(kCloseCode).size(), 1u);
}

TEST_F(RecordConversion, PlainOpenOfAHandleDropsItsOldSlot) {
  OpenConverted();
  // The file went away without Rclose (RLclose); the host gives the handle
  // to a file opened without client-side conversion.
  ASSERT_EQ(RLclose(3), 1);
  Queue(kOpenCode, 3);
  ASSERT_EQ(VNXopen("QGPL/OTHER", 0, 0), 3);
  ScriptedTransport::Reset();
  Bytes buffer(40, 0);
  ASSERT_EQ(VNXRead(3, buffer.data(), 40, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  EXPECT_EQ(Slot(Requests(kReadCode).at(0), 2), 40);
}

TEST_F(RecordConversion, SlotTableGrowsForLargerHandles) {
  OpenConverted();  // handle 3
  FileScript far;
  far.handle = 40;  // beyond the table made for handle 3
  far.fields = {{kPcLong, 4, 0, kAsBin2, 2, 0}};
  far.rawLength = 2;
  QueueOpen(far);
  ASSERT_EQ(VNXopen("QGPL/FAR", kConvert, 0), 40);
  ScriptedTransport::Reset();

  QueueRead(1, {0xFF, 0xFE}, {});
  int32_t value = 0;
  ASSERT_EQ(VNXRead(40, &value, 4, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  EXPECT_EQ(value, -2);
  // Handle 3 kept its slot through the growth.
  QueueRead(1, RawCustomer(kAcme, 0x0000005D, 9), {});
  Bytes pc(kPcLength);
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  EXPECT_EQ(std::string(pc.begin(), pc.begin() + 4), "ACME");
  EXPECT_DOUBLE_EQ(PcDouble(pc.data() + 10), -0.05);
  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(Slot(reads[0], 2), 2);
  EXPECT_EQ(Slot(reads[1], 2), kRawLength);
}

}  // namespace
}  // namespace vantora::testing
