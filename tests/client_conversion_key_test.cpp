// Keys and record numbers of converted reads: a PC key goes out as the raw
// key bytes, cut where the caller's key length ends.
#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "tests/support/record_conversion.h"

namespace vantora::testing {
namespace {

TEST_F(RecordConversion, PackedKeyGoesOutRaw) {
  FileScript f;
  f.keys = {1};  // the PACK 7,2 field, PC DOUBLE
  OpenConverted(f);
  QueueRead(1, RawCustomer(kHello, 0x1234567F, 1), {});
  const double key = 12345.67;
  uint8_t pcKey[8];
  wire::StoreLe64(pcKey, std::bit_cast<uint64_t>(key));
  Bytes pc(kPcLength);
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_KEY_EQ, pcKey, 8, nullptr), 1);

  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(Slot(reads[0], 4), 4);  // key bytes
  EXPECT_EQ(Slot(reads[0], 5), 4);  // key length value
  EXPECT_EQ(KeySent(reads[0]), (Bytes{0x12, 0x34, 0x56, 0x7F}));
  EXPECT_DOUBLE_EQ(PcDouble(pc.data() + 10), 12345.67);
}

TEST_F(RecordConversion, CompositeKeyStopsAtTheCallerKeyLength) {
  FileScript f;
  f.keys = {0, 2};  // CHAR(10) then BIN4 as LONG
  OpenConverted(f);
  const char pcKey[14] = {'A', 'C', 'M', 'E', ' ', ' ', ' ', ' ', ' ', ' ', 0x10, 0x27, 0, 0};
  for (int i = 0; i < 3; ++i) QueueRead(1, RawCustomer(kAcme, 0x0000000F, 10000), {});
  Bytes pc(kPcLength);
  // The whole key: 10 + 4 raw bytes.
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_KEY_GE, pcKey, 14, nullptr), 1);
  // Only the CHAR part plus two bytes of the LONG: the cut LONG ends the key.
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_KEY_GE, pcKey, 12, nullptr), 1);
  // A cut text field is taken, blank-padded.
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_KEY_GE, pcKey, 2, nullptr), 1);

  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 3u);
  Bytes full(kAcme, kAcme + 10);
  full.insert(full.end(), {0x00, 0x00, 0x27, 0x10});
  EXPECT_EQ(Slot(reads[0], 5), 14);
  EXPECT_EQ(KeySent(reads[0]), full);
  EXPECT_EQ(Slot(reads[1], 5), 10);
  EXPECT_EQ(KeySent(reads[1]), Bytes(kAcme, kAcme + 10));
  EXPECT_EQ(Slot(reads[2], 5), 10);
  EXPECT_EQ(KeySent(reads[2]), (Bytes{0xC1, 0xC3, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40}));
}

TEST_F(RecordConversion, KeyLengthWithoutKeyCountsRawBytes) {
  FileScript f;
  f.keys = {1};
  OpenConverted(f);
  QueueRead(1, RawCustomer(kHello, 0x1234567F, 1), {});
  Bytes pc(kPcLength);
  // Next record with the same key: a length and no key value.
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT_EQUAL, nullptr, 8, nullptr), 1);
  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(Slot(reads[0], 4), 0);  // no key bytes
  EXPECT_EQ(Slot(reads[0], 5), 4);  // the raw length of the PACK key
}

TEST_F(RecordConversion, ReadByRecordNumberPassesTheNumberThrough) {
  FileScript f;
  f.keys = {1};
  OpenConverted(f);
  QueueRead(1, RawCustomer(kHello, 0x1234567F, 1), {});
  Bytes pc(kPcLength);
  // The relative record number travels in the key length, with no key.
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_RRN, nullptr, 4711, nullptr), 1);
  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(Slot(reads[0], 4), 0);
  EXPECT_EQ(Slot(reads[0], 5), 4711);
}

}  // namespace
}  // namespace vantora::testing
