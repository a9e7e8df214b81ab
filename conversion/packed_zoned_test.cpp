#include "conversion/packed_zoned.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantora::conversion {
namespace {

using Bytes = std::vector<uint8_t>;

// The digits of a Decimal as characters, with its sign and scale.
std::string Show(const Decimal& d) {
  std::string s = d.negative ? "-" : "+";
  for (int i = 0; i < d.count; ++i) s += static_cast<char>('0' + d.digits[i]);
  return s + "/" + std::to_string(d.scale);
}

Decimal Number(bool negative, const std::string& digits, int scale) {
  Decimal d;
  d.negative = negative;
  d.scale = scale;
  d.count = static_cast<int>(digits.size());
  for (int i = 0; i < d.count; ++i) d.digits[i] = static_cast<uint8_t>(digits[i] - '0');
  return d;
}

struct LoadCase {
  Bytes field;
  bool packed;
  int scale;
  FieldStatus status;
  std::string value;
};

TEST(PackedZoned, Load) {
  const LoadCase cases[] = {
      {{0x12, 0x34, 0x5C}, true, 2, FieldStatus::kConverted, "+12345/2"},
      {{0x00, 0x12, 0x34, 0x5D}, true, 0, FieldStatus::kConverted, "-0012345/0"},
      {{0x00, 0x00, 0x1C}, true, 4, FieldStatus::kConverted, "+00001/4"},
      {{0x9F}, true, 0, FieldStatus::kConverted, "+9/0"},
      {{0x1B}, true, 0, FieldStatus::kConverted, "+1/0"},  // only 0xD is negative
      {{0x10}, true, 0, FieldStatus::kConverted, "+1/0"},
      {{0x1A, 0x2C}, true, 0, FieldStatus::kInvalidValue, ""},
      {{0xA2, 0x2C}, true, 0, FieldStatus::kInvalidValue, ""},
      {{0xF0, 0xF1, 0xD5}, false, 2, FieldStatus::kConverted, "-015/2"},
      {{0x30, 0x31, 0x32, 0x33, 0x34, 0xF5}, false, 2, FieldStatus::kConverted, "+012345/2"},
      {{0x40, 0x40}, false, 0, FieldStatus::kConverted, "+00/0"},  // blanks read as zero
      {{0xF1, 0xFA}, false, 0, FieldStatus::kInvalidValue, ""},
      {{0xC1}, false, 0, FieldStatus::kConverted, "+1/0"},
  };
  for (const LoadCase& c : cases) {
    Decimal d;
    int length = static_cast<int>(c.field.size());
    FieldStatus s = c.packed ? LoadPacked(c.field.data(), length, c.scale, &d)
                             : LoadZoned(c.field.data(), length, c.scale, &d);
    EXPECT_EQ(s, c.status) << c.value;
    if (s == FieldStatus::kConverted) {
      EXPECT_EQ(Show(d), c.value);
    }
  }
}

struct StoreCase {
  Decimal value;
  int length;
  int scale;
  FieldStatus status;
  Bytes field;
};

TEST(PackedZoned, StorePacked) {
  const StoreCase cases[] = {
      {Number(false, "12345", 2), 4, 2, FieldStatus::kConverted, {0x00, 0x12, 0x34, 0x5F}},
      {Number(true, "12345", 2), 4, 2, FieldStatus::kConverted, {0x00, 0x12, 0x34, 0x5D}},
      {Number(false, "12345", 2), 4, 3, FieldStatus::kConverted, {0x01, 0x23, 0x45, 0x0F}},
      {Number(false, "12345", 2), 3, 0, FieldStatus::kConverted, {0x00, 0x12, 0x3F}},
      {Number(false, "000012345", 2), 3, 2, FieldStatus::kConverted, {0x12, 0x34, 0x5F}},
      // Negative, but zero once cut to the field's decimals: written positive.
      {Number(true, "1", 3), 2, 2, FieldStatus::kConverted, {0x00, 0x0F}},
      // Too many integer digits: refused, never cut.
      {Number(false, "123456", 2), 3, 2, FieldStatus::kOverflow, {0xEE, 0xEE, 0xEE}},
      {Number(false, "100000", 0), 3, 0, FieldStatus::kOverflow, {0xEE, 0xEE, 0xEE}},
  };
  for (const StoreCase& c : cases) {
    Bytes field(static_cast<size_t>(c.length), 0xEE);
    EXPECT_EQ(StorePacked(c.value, c.scale, kSignPositive, kSignNegative, field.data(), c.length),
              c.status)
        << Show(c.value);
    EXPECT_EQ(field, c.field) << Show(c.value);
  }
}

TEST(PackedZoned, StorePackedWithOtherSigns) {
  Bytes field(2);
  StorePacked(Number(false, "12", 0), 0, kSignPositiveC, kSignNegative, field.data(), 2);
  EXPECT_EQ(field, (Bytes{0x01, 0x2C}));
  // The same sign for both: written as given, even for a negative value.
  StorePacked(Number(true, "12", 0), 0, 0xA, 0xA, field.data(), 2);
  EXPECT_EQ(field, (Bytes{0x01, 0x2A}));
}

TEST(PackedZoned, StoreZoned) {
  const StoreCase cases[] = {
      {Number(false, "12345", 2),
       6,
       2,
       FieldStatus::kConverted,
       {0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5}},
      {Number(true, "15", 2), 3, 2, FieldStatus::kConverted, {0xF0, 0xF1, 0xD5}},
      {Number(true, "0", 0), 2, 0, FieldStatus::kConverted, {0xF0, 0xF0}},
      {Number(false, "1234", 0), 3, 0, FieldStatus::kOverflow, {0xEE, 0xEE, 0xEE}},
  };
  for (const StoreCase& c : cases) {
    Bytes field(static_cast<size_t>(c.length), 0xEE);
    EXPECT_EQ(StoreZoned(c.value, c.scale, kZoneF, field.data(), c.length), c.status)
        << Show(c.value);
    EXPECT_EQ(field, c.field) << Show(c.value);
  }
  Bytes field(6);
  StoreZoned(Number(false, "12345", 2), 2, kZoneText, field.data(), 6);
  EXPECT_EQ(field, (Bytes{0x30, 0x31, 0x32, 0x33, 0x34, 0xF5}));
}

TEST(PackedZoned, LongestFieldsKeepEveryDigit) {
  Bytes packed(kMaxPackedLength, 0x99);
  packed.back() = 0x9D;
  Decimal d;
  ASSERT_EQ(LoadPacked(packed.data(), kMaxPackedLength, 0, &d), FieldStatus::kConverted);
  EXPECT_EQ(d.count, kMaxDigits);
  Bytes zoned(kMaxZonedLength);
  ASSERT_EQ(StoreZoned(d, 0, kZoneF, zoned.data(), kMaxZonedLength), FieldStatus::kConverted);
  EXPECT_EQ(zoned.front(), 0xF9);
  EXPECT_EQ(zoned.back(), 0xD9);
}

}  // namespace
}  // namespace vantora::conversion
