// Reads of a converted file: what the open asks the host, raw records read
// back as PC images, one at a time and in blocks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/record_conversion.h"

namespace vantora::testing {
namespace {

TEST_F(RecordConversion, OpenAsksForHeaderFieldsAndKeys) {
  Connect();
  FileScript f;
  f.keys = {1};
  QueueOpen(f);
  ASSERT_EQ(VNXopen("QGPL/CUSTOMER", kConvert | 0x4, 7), 3);

  auto open = Requests(kOpenCode);
  ASSERT_EQ(open.size(), 1u);
  EXPECT_EQ(Slot(open[0], 1), VNX_OPEN_RAW | 0x4);  // the host is asked for raw records
  auto desc = Requests(kGetDescCode);
  ASSERT_EQ(desc.size(), 3u);
  // Slots: handle, bytes asked, entry size, flags, format name length.
  const int32_t expected[3][3] = {
      {16, 16, 0x08000000}, {3 * 22, 22, 0x10020003}, {26, 26, 0x21020001}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Slot(desc[i], 0), 3) << i;
    EXPECT_EQ(Slot(desc[i], 1), expected[i][0]) << i;
    EXPECT_EQ(Slot(desc[i], 2), expected[i][1]) << i;
    EXPECT_EQ(Slot(desc[i], 3), expected[i][2]) << i;
    EXPECT_EQ(Slot(desc[i], 4), 10) << i;
    Bytes data = PartData(desc[i]);
    // The format name travels after the output placeholder: ten zero bytes.
    ASSERT_GE(data.size(), 26u);
    EXPECT_EQ(Bytes(data.begin() + 16, data.begin() + 26), Bytes(10, 0)) << i;
  }
}

TEST_F(RecordConversion, ReadGivesPcImageFromRawRecord) {
  OpenConverted();
  QueueRead(1, RawCustomer(kHello, 0x1234567D, 100000), {42});
  Bytes pc(kPcLength + 2, 0xEE);
  int32_t number = 0;
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, &number), 1);

  EXPECT_EQ(std::string(pc.begin(), pc.begin() + 10), "HELLO     ");
  EXPECT_DOUBLE_EQ(PcDouble(pc.data() + 10), -12345.67);
  EXPECT_EQ(wire::LoadLeI32(pc.data() + 18), 100000);
  EXPECT_EQ(pc[22], 0xEE);  // nothing past the image
  EXPECT_EQ(pc[23], 0xEE);
  EXPECT_EQ(number, 42);

  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(Slot(reads[0], 1), kRawLength);  // raw bytes asked
  EXPECT_EQ(Slot(reads[0], 2), kRawLength);  // record length on the wire
  EXPECT_EQ(Slot(reads[0], 3), VNX_READ_NEXT);
}

TEST_F(RecordConversion, BlockReadFillsImagesSpacedByCallerLength) {
  OpenConverted();
  constexpr int32_t kStride = 30;
  Bytes raw;
  for (int i = 0; i < 5; ++i) {
    // Packed 000i+1000 with 2 decimals: 10.00, 20.00, ...
    Bytes r = RawCustomer(kHello, 0x0000000C | static_cast<uint32_t>(i + 1) << 16, i - 2);
    raw.insert(raw.end(), r.begin(), r.end());
  }
  QueueRead(5, raw, {10, 11, 12, 13, 14});
  Bytes pc(5 * kStride, 0xEE);
  int32_t numbers[5] = {};
  ASSERT_EQ(VNXRead(3, pc.data(), kStride, VNX_READ_NEXT | VNX_BLOCK | 5, nullptr, 0, numbers), 5);

  for (int i = 0; i < 5; ++i) {
    const uint8_t* image = pc.data() + i * kStride;
    EXPECT_EQ(std::string(image, image + 10), "HELLO     ") << i;
    EXPECT_DOUBLE_EQ(PcDouble(image + 10), 10.0 * (i + 1)) << i;
    EXPECT_EQ(wire::LoadLeI32(image + 18), i - 2) << i;
    for (int b = kPcLength; b < kStride; ++b) EXPECT_EQ(image[b], 0xEE) << i << " " << b;
    EXPECT_EQ(numbers[i], 10 + i);
  }
  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(Slot(reads[0], 1), 5 * kRawLength);
  EXPECT_EQ(Slot(reads[0], 2), kRawLength);
  EXPECT_EQ(Slot(reads[0], 6), 20);
}

TEST_F(RecordConversion, BlockReadConvertsOnlyTheRecordsRead) {
  OpenConverted();
  Bytes raw;
  for (int i = 0; i < 2; ++i) {
    Bytes r = RawCustomer(kAcme, 0x0000001F, 7);
    raw.insert(raw.end(), r.begin(), r.end());
  }
  QueueRead(2, raw, {1, 2});
  Bytes pc(4 * kPcLength, 0xEE);
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT | VNX_BLOCK | 4, nullptr, 0, nullptr),
            2);
  EXPECT_EQ(std::string(pc.begin() + kPcLength, pc.begin() + kPcLength + 4), "ACME");
  // Records 3 and 4 never came: their images are left alone, not filled
  // from whatever the raw buffer held.
  EXPECT_EQ(Bytes(pc.begin() + 2 * kPcLength, pc.end()), Bytes(2 * kPcLength, 0xEE));
}

TEST_F(RecordConversion, ShortCallerRecordCutsTheImage) {
  OpenConverted();
  QueueRead(1, RawCustomer(kHello, 0x1234567D, 5), {});
  Bytes pc(16, 0xEE);
  ASSERT_EQ(VNXRead(3, pc.data(), 14, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  EXPECT_EQ(std::string(pc.begin(), pc.begin() + 10), "HELLO     ");
  // The DOUBLE is cut by the record's end: not converted, not written.
  EXPECT_EQ(Bytes(pc.begin() + 10, pc.end()), Bytes(6, 0xEE));
}

}  // namespace
}  // namespace vantora::testing
