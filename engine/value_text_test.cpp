#include "engine/value_text.h"

#include <gtest/gtest.h>

#include <cstring>

#include "idapi.h"

namespace vantora::engine {
namespace {

TEST(ValueText, RoundTripsEveryType) {
  const struct {
    uint16_t type;
    uint16_t length;
    const char* text;
  } cases[] = {
      {IDAPI_TYPE_STRING, 10, "O'BRIEN"},
      {IDAPI_TYPE_STRING, 3, ""},
      {IDAPI_TYPE_INT16, 2, "-32768"},
      {IDAPI_TYPE_UINT16, 2, "65535"},
      {IDAPI_TYPE_INT32, 4, "2147483647"},
      {IDAPI_TYPE_UINT32, 4, "4294967295"},
      {IDAPI_TYPE_BOOL, 2, "1"},
      {IDAPI_TYPE_FLOAT, 8, "-1234.5"},
      {IDAPI_TYPE_FLOAT, 8, "1e+300"},
      {IDAPI_TYPE_DATE, 4, "2008-03-05"},
      {IDAPI_TYPE_DATE, 4, "0001-01-01"},
      {IDAPI_TYPE_TIME, 4, "13:05:09.250"},
      {IDAPI_TYPE_TIME, 4, "23:59:59"},
      {IDAPI_TYPE_TIMESTAMP, 8, "1999-12-31 23:59:59.999"},
      {IDAPI_TYPE_BYTES, 3, "00FF7A"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<uint8_t> value;
    ASSERT_TRUE(TextToValue(c.type, c.length, c.text, &value));
    std::vector<uint8_t> padded = value;
    padded.resize(std::max<size_t>(value.size(), ValueSize(c.type, c.length)) + 1, 0);
    EXPECT_EQ(ValueToText(c.type, c.length, padded.data()), c.text);
  }
}

TEST(ValueText, ReadsOtherSpellings) {
  const struct {
    uint16_t type;
    const char* in;
    const char* out;
  } cases[] = {
      {IDAPI_TYPE_TIME, "13.05.09", "13:05:09"},
      {IDAPI_TYPE_TIME, "13:05", "13:05:00"},
      {IDAPI_TYPE_TIME, "13:05:09.123456", "13:05:09.123"},
      {IDAPI_TYPE_TIMESTAMP, "2024-02-29T08:00:00", "2024-02-29 08:00:00"},
      {IDAPI_TYPE_TIMESTAMP, "2024-02-29-08.00.00.500000", "2024-02-29 08:00:00.500"},
      {IDAPI_TYPE_BOOL, "true", "1"},
      {IDAPI_TYPE_FLOAT, "0.1", "0.1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    std::vector<uint8_t> value;
    ASSERT_TRUE(TextToValue(c.type, 8, c.in, &value));
    value.resize(16, 0);
    EXPECT_EQ(ValueToText(c.type, 8, value.data()), c.out);
  }
}

TEST(ValueText, RefusesWhatIsNoValue) {
  const struct {
    uint16_t type;
    uint16_t length;
    const char* text;
  } cases[] = {
      {IDAPI_TYPE_STRING, 3, "ABCD"},     {IDAPI_TYPE_INT16, 2, "32768"},
      {IDAPI_TYPE_INT16, 2, "12a"},       {IDAPI_TYPE_INT16, 2, ""},
      {IDAPI_TYPE_UINT16, 2, "-1"},       {IDAPI_TYPE_INT32, 4, "2147483648"},
      {IDAPI_TYPE_FLOAT, 8, "1.5x"},      {IDAPI_TYPE_FLOAT, 8, "inf"},
      {IDAPI_TYPE_DATE, 4, "2023-02-29"}, {IDAPI_TYPE_DATE, 4, "23-02-01"},
      {IDAPI_TYPE_TIME, 4, "24:00:00"},   {IDAPI_TYPE_TIME, 4, "12:60"},
      {IDAPI_TYPE_BYTES, 2, "0G00"},      {IDAPI_TYPE_BYTES, 2, "00"},
      {IDAPI_TYPE_BOOL, 2, "2"},          {IDAPI_TYPE_TIMESTAMP, 8, "2024-01-01"},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> value;
    EXPECT_FALSE(TextToValue(c.type, c.length, c.text, &value)) << c.text;
  }
}

}  // namespace
}  // namespace vantora::engine
