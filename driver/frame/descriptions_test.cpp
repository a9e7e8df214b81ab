#include "driver/frame/descriptions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "idapi.h"

namespace vantora::driver {
namespace {

using Bytes = std::vector<unsigned char>;

void PutText(Bytes& b, size_t at, const char* text) {
  std::memcpy(b.data() + at, text, std::strlen(text));
}
void PutWord(Bytes& b, size_t at, uint16_t v) {
  b[at] = static_cast<unsigned char>(v & 0xFF);
  b[at + 1] = static_cast<unsigned char>(v >> 8);
}

TEST(Descriptions, DriverDescriptionByteForByte) {
  Bytes expected(IDAPI_DRIVER_DESC_SIZE, 0);
  PutText(expected, 0, "Morvalis400");
  PutText(expected, 32, "Morvalis/400 the BDE driver to ");
  expected[64] = 3;
  PutText(expected, 70, "AS400");
  const uint16_t flags[] = {1, 1, 1, 0, 1, 0, 0, 1, 0, 1, 2, 0};
  for (size_t i = 0; i < 12; ++i) PutWord(expected, 102 + 2 * i, flags[i]);
  Bytes got(IDAPI_DRIVER_DESC_SIZE, 0xEE);
  DescribeDriver(got.data());
  EXPECT_EQ(got, expected);
  EXPECT_EQ(got[63], 0);  // the 31 characters of the text keep their terminator
}

TEST(Descriptions, TableTypeOneOnly) {
  Bytes expected(IDAPI_TABLE_TYPE_DESC_SIZE, 0);
  PutWord(expected, 0, 1);
  PutText(expected, 2, "Morvalis400");
  PutText(expected, 34, "AS400 DB file");
  PutText(expected, 66, "CREATEABLE");
  const uint16_t flags[] = {1, 1, 0, 0, 0, 0, 1, 1};
  for (size_t i = 0; i < 8; ++i) PutWord(expected, 98 + 2 * i, flags[i]);
  PutWord(expected, 116, 32000);
  PutWord(expected, 118, 1300);
  PutWord(expected, 120, 10);
  Bytes got(IDAPI_TABLE_TYPE_DESC_SIZE, 0xEE);
  EXPECT_EQ(DescribeTableType(1, got.data()), IDAPI_OK);
  EXPECT_EQ(got, expected);
  // Any other number is refused, but the template is copied all the same.
  EXPECT_EQ(DescribeTableType(2, got.data()), IDAPI_ERR_UNKNOWN_TYPE);
  EXPECT_EQ(idapi_get_u16(got.data(), 0), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(got.data() + 66), "FIXED  ");
  EXPECT_EQ(DescribeTableType(0, got.data()), IDAPI_ERR_UNKNOWN_TYPE);
}

TEST(Descriptions, FieldTypesByteForByte) {
  const struct {
    const char* name;
    const char* text;
    uint16_t native, logical, max1, max2, size, min;
  } types[] = {
      {"CHAR", "Character String", 1, 1, 1024, 0, 1, 1},
      {"BIN2", "Small integer", 5, 5, 1, 0, 2, 1},
      {"BIN4", "Long integer", 6, 6, 1, 0, 4, 1},
      {"DOUBLE", "Double", 7, 7, 1, 0, 8, 1},
      {"BOOL", "Boolean", 4, 4, 1, 0, 1, 1},
      {"DATE", "Standard date", 2, 2, 8, 0, 1, 8},
      {"TIME", "Standard time", 10, 10, 6, 0, 1, 6},
      {"TIMEST", "TimeStamp", 11, 11, 1, 0, 26, 1},
      {"UINT16", "Small unsigned integer", 12, 12, 1, 0, 2, 1},
      {"UINT32", "Long unsigned integer", 13, 13, 1, 0, 4, 1},
      {"PACK", "Packed number", 0x2002, 7, 9999, 99, 1, 1},
  };
  for (uint16_t n = 1; n <= 11; ++n) {
    SCOPED_TRACE(n);
    const auto& t = types[n - 1];
    Bytes expected(IDAPI_FIELD_TYPE_DESC_SIZE, 0);
    PutWord(expected, 0, n);
    PutText(expected, 2, t.name);
    PutText(expected, 34, t.text);
    PutWord(expected, 66, t.native);
    PutWord(expected, 68, t.logical);
    PutWord(expected, 72, t.max1);
    PutWord(expected, 74, t.max2);
    PutWord(expected, 76, t.size);
    for (size_t i = 0; i < 7; ++i) PutWord(expected, 80 + 2 * i, 1);
    PutWord(expected, 94, t.min);
    PutWord(expected, 98, 1);
    Bytes got(IDAPI_FIELD_TYPE_DESC_SIZE, 0xEE);
    EXPECT_EQ(DescribeFieldType(n, got.data()), IDAPI_OK);
    EXPECT_EQ(got, expected);
  }
  Bytes got(IDAPI_FIELD_TYPE_DESC_SIZE, 0);
  EXPECT_EQ(DescribeFieldType(12, got.data()), IDAPI_ERR_UNKNOWN_TYPE);
  EXPECT_EQ(DescribeFieldType(0, got.data()), IDAPI_ERR_UNKNOWN_TYPE);
  EXPECT_STREQ(reinterpret_cast<const char*>(got.data() + 2), "CHAR");  // the template
}

TEST(Descriptions, CapabilitiesAreWordsEightToTen) {
  Bytes got(IDAPI_CAPABILITIES_SIZE, 0xEE);
  DescribeCapabilities(got.data());
  for (size_t w = 0; w < 21; ++w) {
    EXPECT_EQ(idapi_get_u16(got.data(), 2 * w), (w >= 8 && w <= 10) ? 1 : 0) << w;
  }
}

TEST(Descriptions, TranslateFieldDescriptors) {
  const struct {
    uint16_t toNative;
    uint16_t type, length, units1;
    uint16_t wantType, wantLength, wantUnits1;
  } cases[] = {
      {0, IDAPI_NATIVE_PACKED, 5, 9, IDAPI_TYPE_FLOAT, 8, 9},  // packed to an engine float
      {0, IDAPI_TYPE_TIMESTAMP, 26, 1, IDAPI_TYPE_TIMESTAMP, 8, 1},
      {0, IDAPI_TYPE_STRING, 10, 10, IDAPI_TYPE_STRING, 10, 10},
      {1, IDAPI_TYPE_TIMESTAMP, 8, 7, IDAPI_TYPE_TIMESTAMP, 26, 1},
      {1, IDAPI_TYPE_FLOAT, 8, 15, IDAPI_TYPE_FLOAT, 8, 15},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    Bytes from(IDAPI_FIELD_DESC_SIZE, 0), to(IDAPI_FIELD_DESC_SIZE, 0xEE);
    PutText(from, IDAPI_FLD_NAME, "AMOUNT");
    PutWord(from, IDAPI_FLD_TYPE, c.type);
    PutWord(from, IDAPI_FLD_LENGTH, c.length);
    PutWord(from, IDAPI_FLD_UNITS1, c.units1);
    PutWord(from, IDAPI_FLD_OFFSET, 42);
    if (c.toNative) {
      TranslateFieldDescriptor(1, from.data(), to.data());
    } else {
      TranslateFieldDescriptor(0, to.data(), from.data());
    }
    EXPECT_EQ(idapi_get_u16(to.data(), IDAPI_FLD_TYPE), c.wantType);
    EXPECT_EQ(idapi_get_u16(to.data(), IDAPI_FLD_LENGTH), c.wantLength);
    EXPECT_EQ(idapi_get_u16(to.data(), IDAPI_FLD_UNITS1), c.wantUnits1);
    EXPECT_EQ(idapi_get_u16(to.data(), IDAPI_FLD_OFFSET), 42);
    EXPECT_STREQ(reinterpret_cast<const char*>(to.data() + IDAPI_FLD_NAME), "AMOUNT");
  }
}

}  // namespace
}  // namespace vantora::driver
