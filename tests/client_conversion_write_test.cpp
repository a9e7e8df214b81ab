// Writes of a converted file: PC images sent as raw records.
#include <gtest/gtest.h>

#include <vector>

#include "tests/support/record_conversion.h"

namespace vantora::testing {
namespace {

TEST_F(RecordConversion, WriteSendsRawRecords) {
  OpenConverted();
  Bytes pc = PcCustomer("HELLO", -12345.67, 100000);
  Bytes second = PcCustomer("ACME", 0.5, -1);
  pc.insert(pc.end(), second.begin(), second.end());
  int32_t numbers[2] = {};
  ASSERT_EQ(VNXWrite(3, pc.data(), kPcLength, VNX_BLOCK | 2, numbers), 1);

  auto writes = Requests(kWriteCode);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(Slot(writes[0], 1), 2 * kRawLength);
  EXPECT_EQ(Slot(writes[0], 2), kRawLength);
  EXPECT_EQ(Slot(writes[0], 3), VNX_BLOCK | 2);
  Bytes expected = RawCustomer(kHello, 0x1234567D, 100000);
  Bytes raw2 = RawCustomer(kAcme, 0x0000050F, -1);
  expected.insert(expected.end(), raw2.begin(), raw2.end());
  EXPECT_EQ(RecordsSent(writes[0], 2 * kRawLength), expected);
}

TEST_F(RecordConversion, ShortPcRecordSendsNeutralFieldsNotStaleBytes) {
  FileScript f;
  f.fields = {{kPcChar, 4, 0, kAsChar, 4, 0},
              {kPcLong, 4, 0, kAsPack, 2, 0},
              {kPcLong, 4, 0, kAsZoned, 3, 0},
              {kPcLong, 4, 0, kAsBin2, 2, 0},
              {kPcChar, 3, 0, kAsChar, 3, 0}};
  f.rawLength = 16;  // two bytes beyond the fields
  OpenConverted(f);
  // A record read leaves the host's bytes, past the fields too, in the
  // shared raw buffer.
  QueueRead(1,
            {0xC1, 0xC1, 0xC1, 0xC1, 0x00, 0x1F, 0xF0, 0xF0, 0xF1, 0x00, 0x01, 0xC1, 0xC1, 0xC1,
             0xAB, 0xCD},
            {});
  Bytes image(19);
  ASSERT_EQ(VNXRead(3, image.data(), 19, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  // So does a full record written.
  Bytes full = {'W', 'X', 'Y', 'Z', 99, 0, 0, 0, 77, 0, 0, 0, 5, 0, 0, 0, 'A', 'B', 'C'};
  ASSERT_EQ(VNXWrite(3, full.data(), 19, 0, nullptr), 1);
  // Then one whose image ends inside the PACK field.
  ASSERT_EQ(VNXWrite(3, full.data(), 6, 0, nullptr), 1);

  auto writes = Requests(kWriteCode);
  ASSERT_EQ(writes.size(), 2u);
  const Bytes first = {0xE6, 0xE7, 0xE8, 0xE9, 0x09, 0x9F, 0xF0, 0xF7,
                       0xF7, 0x00, 0x05, 0xC1, 0xC2, 0xC3, 0x00, 0x00};
  EXPECT_EQ(RecordsSent(writes[0], 16), first);
  const Bytes neutral = {0xE6, 0xE7, 0xE8, 0xE9, 0x00, 0x0F, 0xF0, 0xF0,
                         0xF0, 0x00, 0x00, 0x40, 0x40, 0x40, 0x00, 0x00};
  EXPECT_EQ(RecordsSent(writes[1], 16), neutral);
}

TEST_F(RecordConversion, WholeRawBufferIsUsableByBlocks) {
  FileScript f;
  f.fields = {{kPcChar, 4096, 0, kAsChar, 4096, 0}};
  f.rawLength = 4096;
  OpenConverted(f);
  Bytes pc(8 * 4096, 'q');
  ASSERT_EQ(VNXWrite(3, pc.data(), 4096, VNX_BLOCK | 8, nullptr), 1);
  auto parts = ScriptedTransport::SentParts();
  ASSERT_FALSE(parts.empty());
  EXPECT_EQ(HeaderI32(parts[0], wire::kHdrCode), kWriteCode);
  EXPECT_EQ(Slot(parts[0], 1), 32768);
  EXPECT_EQ(PartData(parts[0]).at(0), 0x98);  // 'q' in EBCDIC
}

}  // namespace
}  // namespace vantora::testing
