// Parameter values between the engine's form and the program's record.
#include "driver/cursors/parameter_values.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "driver/cursors/date_time_text.h"

namespace vantora::driver {
namespace {

ProcedureField Host(int16_t asType, int16_t length, int16_t decimals, int16_t digits) {
  ProcedureField f;
  f.asType = asType;
  f.asLength = length;
  f.asDecimals = decimals;
  f.asDigits = digits;
  f.direction = 3;
  return f;
}

EngineField Double() {
  EngineField e;
  e.type = IDAPI_TYPE_FLOAT;
  e.length = 8;
  return e;
}

std::vector<uint8_t> DoubleValue(double v) {
  std::vector<uint8_t> b(8);
  std::memcpy(b.data(), &v, 8);
  return b;
}

TEST(ParameterValues, NumbersInTheirHostForms) {
  const struct {
    ProcedureField field;
    double value;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {Host(kAsPacked, 4, 2, 7), 123.45, {0x00, 0x12, 0x34, 0x5F}},
      {Host(kAsPacked, 4, 2, 7), -0.5, {0x00, 0x00, 0x05, 0x0D}},
      {Host(kAsPacked, 1, 0, 0), 7, {0x7F}},
      {Host(kAsZoned, 5, 1, 5), -12.5, {0xF0, 0xF0, 0xF1, 0xF2, 0xD5}},
      {Host(kAsBin2, 2, 0, 4), -2, {0xFF, 0xFE}},
      {Host(kAsBin4, 4, 2, 9), 1.5, {0x00, 0x00, 0x00, 0x96}},
      {Host(kAsDouble, 8, 0, 0), 1.0, {0x3F, 0xF0, 0, 0, 0, 0, 0, 0}},
      {Host(kAsFloat, 4, 0, 0), -2.0, {0xC0, 0x00, 0x00, 0x00}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    std::vector<uint8_t> out(c.bytes.size(), 0xAA);
    std::string problem;
    ASSERT_TRUE(EngineToHost(Double(), DoubleValue(c.value).data(), c.field, out.data(), &problem))
        << problem;
    EXPECT_EQ(out, c.bytes);
    std::vector<uint8_t> back(8, 0);
    ASSERT_TRUE(HostToEngine(c.field, c.bytes.data(), Double(), back.data(), &problem)) << problem;
    double v;
    std::memcpy(&v, back.data(), 8);
    EXPECT_DOUBLE_EQ(v, c.value);
  }
}

TEST(ParameterValues, WhatDoesNotFitIsRefused) {
  std::vector<uint8_t> out(16);
  std::string problem;
  EXPECT_FALSE(EngineToHost(Double(), DoubleValue(100000).data(), Host(kAsPacked, 4, 2, 7),
                            out.data(), &problem));
  EXPECT_FALSE(EngineToHost(Double(), DoubleValue(40000).data(), Host(kAsBin2, 2, 0, 4), out.data(),
                            &problem));
  EngineField text;
  text.type = IDAPI_TYPE_STRING;
  text.length = 12;
  EXPECT_FALSE(EngineToHost(text, reinterpret_cast<const uint8_t*>("TOO LONG!!!"),
                            Host(kAsChar, 5, 0, 5), out.data(), &problem));
  EXPECT_FALSE(EngineToHost(text, reinterpret_cast<const uint8_t*>("12x"), Host(kAsPacked, 2, 0, 3),
                            out.data(), &problem));
  const uint8_t badPacked[] = {0xAB, 0x1F};
  std::vector<uint8_t> back(8);
  EXPECT_FALSE(HostToEngine(Host(kAsPacked, 2, 0, 3), badPacked, Double(), back.data(), &problem));
}

TEST(ParameterValues, TextsArePaddedAndTrimmed) {
  EngineField text;
  text.type = IDAPI_TYPE_STRING;
  text.length = 11;
  std::vector<uint8_t> out(10);
  std::string problem;
  ASSERT_TRUE(EngineToHost(text, reinterpret_cast<const uint8_t*>("AB"), Host(kAsChar, 10, 0, 10),
                           out.data(), &problem));
  EXPECT_EQ(std::string(out.begin(), out.end()), "AB        ");
  std::vector<uint8_t> back(11, 0xFF);
  ASSERT_TRUE(HostToEngine(Host(kAsChar, 10, 0, 10), out.data(), text, back.data(), &problem));
  EXPECT_STREQ(reinterpret_cast<const char*>(back.data()), "AB");
  // A number into a text parameter, and a date in its format word's text.
  EngineField date;
  date.type = IDAPI_TYPE_DATE;
  date.length = 4;
  int32_t day = 0;
  ASSERT_TRUE(DateFromText("2024-02-29", 0, &day));
  std::vector<uint8_t> value(4);
  idapi_put_u32(value.data(), 0, static_cast<uint32_t>(day));
  ASSERT_TRUE(
      EngineToHost(date, value.data(), Host(kAsDate, 10, 0x0500, 10), out.data(), &problem));
  EXPECT_EQ(std::string(out.begin(), out.end()), "29.02.2024");
}

}  // namespace
}  // namespace vantora::driver
