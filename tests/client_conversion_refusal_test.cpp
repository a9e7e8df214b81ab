// Converted reads and writes that are refused: -30, a documented code,
// nothing on the wire.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstddef>
#include <new>
#include <vector>

#include "tests/support/record_conversion.h"

namespace {

// The raw buffer is the library's only allocation of this size; failing it
// on demand shows what VNXRead and VNXWrite do without it.
constexpr std::size_t kRawBufferBytes = 32768;
std::atomic<bool> failRawBuffer{false};
std::atomic<int> rawBufferRequests{0};

}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (size == kRawBufferBytes) {
    ++rawBufferRequests;
    if (failRawBuffer) return nullptr;
  }
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

namespace vantora::testing {
namespace {

TEST_F(RecordConversion, WriteOfTooManyDigitsIsRefused) {
  OpenConverted();
  Bytes pc = PcCustomer("HELLO", 123456.0, 1);  // PACK 7,2 holds 5 integer digits
  ExpectRefusedWithNothingSent(VNXWrite(3, pc.data(), kPcLength, 0, nullptr),
                               VNX_IERR_FIELD_OVERFLOW);
}

TEST_F(RecordConversion, BlockWriteWithOneBadRecordSendsNothing) {
  OpenConverted();
  Bytes pc = PcCustomer("GOOD", 1.0, 1);
  Bytes bad = PcCustomer("BAD", 1.0e9, 1);
  pc.insert(pc.end(), bad.begin(), bad.end());
  ExpectRefusedWithNothingSent(VNXWrite(3, pc.data(), kPcLength, VNX_BLOCK | 2, nullptr),
                               VNX_IERR_FIELD_OVERFLOW);
}

TEST_F(RecordConversion, KeyOfTooManyDigitsIsRefused) {
  FileScript f;
  f.keys = {1};
  OpenConverted(f);
  uint8_t pcKey[8];
  wire::StoreLe64(pcKey, std::bit_cast<uint64_t>(1.0e7));
  Bytes pc(kPcLength);
  ExpectRefusedWithNothingSent(VNXRead(3, pc.data(), kPcLength, VNX_READ_KEY_EQ, pcKey, 8, nullptr),
                               VNX_IERR_FIELD_OVERFLOW);
}

TEST_F(RecordConversion, BlocksBeyondTheRawBufferAreRefused) {
  OpenConverted();
  constexpr int32_t kCount = 32768 / kRawLength + 1;  // 1821 x 18 = 32778 bytes
  Bytes pc(static_cast<size_t>(kCount) * kPcLength, 0);
  for (int i = 0; i < kCount; ++i) {
    Bytes one = PcCustomer("X", 1.0, i);
    std::copy(one.begin(), one.end(), pc.begin() + i * kPcLength);
  }
  ExpectRefusedWithNothingSent(
      VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT | VNX_BLOCK | kCount, nullptr, 0, nullptr),
      VNX_IERR_RAW_BUFFER_LIMIT);
  ExpectRefusedWithNothingSent(VNXWrite(3, pc.data(), kPcLength, VNX_BLOCK | kCount, nullptr),
                               VNX_IERR_RAW_BUFFER_LIMIT);
  // One record fewer fits.
  ASSERT_EQ(VNXWrite(3, pc.data(), kPcLength, VNX_BLOCK | (kCount - 1), nullptr), 1);
  EXPECT_EQ(Slot(Requests(kWriteCode).at(0), 1), (kCount - 1) * kRawLength);
}

TEST_F(RecordConversion, NoRawBufferMeansNoRequest) {
  if (rawBufferRequests > 0) GTEST_SKIP() << "the raw buffer exists already; run this test alone";
  OpenConverted();
  failRawBuffer = true;
  Bytes pc = PcCustomer("HELLO", 1.0, 1);
  ExpectRefusedWithNothingSent(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, nullptr),
                               VNX_IERR_CONVERSION_MEMORY);
  ExpectRefusedWithNothingSent(VNXWrite(3, pc.data(), kPcLength, 0, nullptr),
                               VNX_IERR_CONVERSION_MEMORY);
  // Asked for again on the next call.
  failRawBuffer = false;
  ASSERT_EQ(VNXWrite(3, pc.data(), kPcLength, 0, nullptr), 1);
  EXPECT_EQ(Requests(kWriteCode).size(), 1u);
}

TEST_F(RecordConversion, UnreadableRecordAnswersMinus30) {
  OpenConverted();
  QueueRead(1, RawCustomer(kHello, 0x12A4567D, 1), {});  // digit 0xA
  Bytes pc(kPcLength, 0);
  EXPECT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, nullptr), VNX_ERR_INTERNAL);
  EXPECT_EQ(Internal_Error(), VNX_IERR_FIELD_INVALID);
}

}  // namespace
}  // namespace vantora::testing
