#include "conversion/field_converter.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "conversion/field_types.h"
#include "conversion/operation_matrix.h"
#include "protocol/byte_order.h"

namespace vantora::conversion {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr int16_t kPcChar = 0, kPcInt = 1, kPcLong = 2, kPcFloat = 3, kPcDouble = 4, kPcB = 5,
                  kPcComp3 = 6, kPcComp = 7, kPcNumcob = 8, kPcComp3s = 9, kPcString = 10;
constexpr int16_t kAsChar = 0, kAsBin2 = 1, kAsBin4 = 2, kAsPack = 3, kAsZoned = 4, kAsDate = 5,
                  kAsFloat = 7, kAsDouble = 8, kAsTimstp = 9;

FieldDescription Describe(int16_t pcType, int16_t pcLength, int16_t pcDecimals, int16_t asType,
                          int16_t asLength, int16_t asDecimals) {
  return {pcType, pcLength, pcDecimals, asType, asLength, asDecimals};
}

Bytes Text(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

// EBCDIC for the characters these tests use, written out independently of
// the code-page tables.
Bytes Ebcdic(const std::string& s) {
  Bytes out;
  for (char c : s) {
    if (c >= '0' && c <= '9')
      out.push_back(static_cast<uint8_t>(0xF0 + (c - '0')));
    else if (c >= 'A' && c <= 'I')
      out.push_back(static_cast<uint8_t>(0xC1 + (c - 'A')));
    else if (c >= 'J' && c <= 'R')
      out.push_back(static_cast<uint8_t>(0xD1 + (c - 'J')));
    else if (c >= 'S' && c <= 'Z')
      out.push_back(static_cast<uint8_t>(0xE2 + (c - 'S')));
    else if (c == ' ')
      out.push_back(0x40);
    else if (c == '.')
      out.push_back(0x4B);
    else if (c == '-')
      out.push_back(0x60);
    else if (c == '+')
      out.push_back(0x4E);
    else if (c == ':')
      out.push_back(0x7A);
    else
      ADD_FAILURE() << "no EBCDIC for " << c;
  }
  return out;
}

Bytes Le16(int v) {
  Bytes b(2);
  wire::StoreLeI16(b.data(), static_cast<int16_t>(v));
  return b;
}
Bytes Le32(int32_t v) {
  Bytes b(4);
  wire::StoreLeI32(b.data(), v);
  return b;
}
Bytes LeDouble(double v) {
  Bytes b(8);
  wire::StoreLe64(b.data(), std::bit_cast<uint64_t>(v));
  return b;
}
Bytes LeFloat(float v) {
  Bytes b(4);
  wire::StoreLe32(b.data(), std::bit_cast<uint32_t>(v));
  return b;
}
Bytes BeDouble(double v) {
  Bytes b(8);
  wire::StoreBe64(b.data(), std::bit_cast<uint64_t>(v));
  return b;
}
Bytes BeFloat(float v) {
  Bytes b(4);
  wire::StoreBe32(b.data(), std::bit_cast<uint32_t>(v));
  return b;
}

constexpr uint8_t kFill = 0xAA;  // what a target held before the call

struct Outcome {
  FieldStatus status;
  Bytes field;
};

Outcome ToPc(const FieldDescription& d, const Bytes& raw, int remaining = -1) {
  Bytes pc(static_cast<size_t>(d.pcLength), kFill);
  FieldStatus s = toPc(d, raw.data(), pc.data(), remaining < 0 ? d.pcLength : remaining);
  return {s, pc};
}

Outcome ToAs(const FieldDescription& d, const Bytes& pc, int remaining = -1) {
  Bytes raw(static_cast<size_t>(d.asLength), kFill);
  FieldStatus s = toAs(d, pc.data(), raw.data(), remaining < 0 ? d.pcLength : remaining);
  return {s, raw};
}

Bytes Unchanged(int length) {
  return Bytes(static_cast<size_t>(length), kFill);
}

// ---- The cases the conversion is known by.

TEST(FieldConverter, ZonedNegativeReadsAsDoubleAndAsRightJustifiedString) {
  const Bytes zoned = {0xF0, 0xF1, 0xD5};
  Outcome r = ToPc(Describe(kPcDouble, 8, 0, kAsZoned, 3, 2), zoned);
  EXPECT_EQ(r.status, FieldStatus::kConverted);
  EXPECT_EQ(r.field, LeDouble(-0.15));
  r = ToPc(Describe(kPcString, 6, 2, kAsZoned, 3, 2), zoned);
  EXPECT_EQ(r.status, FieldStatus::kConverted);
  EXPECT_EQ(r.field, Text("-00.15"));
}

TEST(FieldConverter, PackedIntoIntKeepsThePcDecimals) {
  Outcome r = ToPc(Describe(kPcInt, 2, 1, kAsPack, 3, 2), {0x12, 0x34, 0x5C});
  EXPECT_EQ(r.status, FieldStatus::kConverted);
  EXPECT_EQ(r.field, Le16(1234));
}

TEST(FieldConverter, ValueTooWideForRightJustifiedTextLeavesThePcFieldUnchanged) {
  Outcome r = ToPc(Describe(kPcString, 5, 2, kAsPack, 3, 2), {0x12, 0x34, 0x5C});
  EXPECT_EQ(r.status, FieldStatus::kOverflow);
  EXPECT_EQ(r.field, Unchanged(5));
  // A negative value whose digits fill the field exactly has no room for its sign.
  r = ToPc(Describe(kPcString, 6, 2, kAsPack, 3, 2), {0x12, 0x34, 0x5D});
  EXPECT_EQ(r.status, FieldStatus::kOverflow);
  EXPECT_EQ(r.field, Unchanged(6));
}

TEST(FieldConverter, DoubleIntoPackedRoundsAsTheCorrectlyRoundedDecimalTextSays) {
  // 2.675 is held as 2.67499999999999982236431605997495353221893310546875.
  Outcome r = ToAs(Describe(kPcDouble, 8, 0, kAsPack, 2, 2), LeDouble(2.675));
  EXPECT_EQ(r.status, FieldStatus::kConverted);
  EXPECT_EQ(r.field, (Bytes{0x26, 0x7F}));
  // 0.125 is exact: the tie goes to the even digit, as in printf.
  r = ToAs(Describe(kPcDouble, 8, 0, kAsPack, 2, 2), LeDouble(0.125));
  EXPECT_EQ(r.field, (Bytes{0x01, 0x2F}));
  r = ToAs(Describe(kPcDouble, 8, 0, kAsZoned, 4, 2), LeDouble(-0.375));
  EXPECT_EQ(r.field, (Bytes{0xF0, 0xF0, 0xF3, 0xD8}));
}

struct TextParseCase {
  std::string text;
  int16_t asType;
  int16_t asLength;
  int16_t asDecimals;
  FieldStatus status;
  Bytes raw;
};

TEST(FieldConverter, TextIntoPackedAndZoned) {
  const TextParseCase cases[] = {
      {"123.45", kAsPack, 4, 2, FieldStatus::kConverted, {0x00, 0x12, 0x34, 0x5F}},
      {"-123.45", kAsPack, 4, 2, FieldStatus::kConverted, {0x00, 0x12, 0x34, 0x5D}},
      {" +12.3", kAsPack, 4, 2, FieldStatus::kConverted, {0x00, 0x01, 0x23, 0x0F}},
      {"123.45", kAsZoned, 6, 2, FieldStatus::kConverted, {0x30, 0x31, 0x32, 0x33, 0x34, 0xF5}},
      {"-1.5", kAsZoned, 3, 1, FieldStatus::kConverted, {0x30, 0x31, 0xD5}},
      {"1.999", kAsPack, 2, 2, FieldStatus::kConverted, {0x19, 0x9F}},  // extra decimals dropped
      {"", kAsPack, 2, 0, FieldStatus::kConverted, {0x00, 0x0F}},
      // Too many integer digits: refused rather than written as zero.
      {"123456", kAsPack, 3, 2, FieldStatus::kOverflow, Unchanged(3)},
      {"12x", kAsPack, 3, 0, FieldStatus::kInvalidValue, Unchanged(3)},
  };
  for (const TextParseCase& c : cases) {
    for (int16_t pcType : {kPcChar, kPcString}) {
      std::string text = c.text + "   ";
      auto d = Describe(pcType, static_cast<int16_t>(text.size()), 0, c.asType, c.asLength,
                        c.asDecimals);
      Outcome r = ToAs(d, Text(text));
      EXPECT_EQ(r.status, c.status) << c.text;
      EXPECT_EQ(r.field, c.raw) << c.text;
    }
  }
}

TEST(FieldConverter, PackedToRightJustifiedTextWidths) {
  const Bytes packed = {0x00, 0x12, 0x34, 0x5C};  // 123.45
  EXPECT_EQ(ToPc(Describe(kPcString, 10, 2, kAsPack, 4, 2), packed).field, Text("0000123.45"));
  EXPECT_EQ(ToPc(Describe(kPcString, 10, 3, kAsPack, 4, 2), packed).field, Text("000123.450"));
  EXPECT_EQ(ToPc(Describe(kPcString, 10, 0, kAsPack, 4, 2), packed).field, Text("0000000123"));
  EXPECT_EQ(ToPc(Describe(kPcString, 10, 2, kAsPack, 4, 2), {0x00, 0x12, 0x34, 0x5D}).field,
            Text("-000123.45"));
  // ZONED into CHAR is right-justified too.
  EXPECT_EQ(ToPc(Describe(kPcChar, 7, 1, kAsZoned, 3, 0), {0xF1, 0xF2, 0xD3}).field,
            Text("-0123.0"));
}

TEST(FieldConverter, PackedToCharIsLeftJustifiedAndBlankFilled) {
  const Bytes packed = {0x00, 0x12, 0x34, 0x5D};  // -123.45
  EXPECT_EQ(ToPc(Describe(kPcChar, 10, 2, kAsPack, 4, 2), packed).field, Text("-123.45   "));
  EXPECT_EQ(ToPc(Describe(kPcChar, 10, 0, kAsPack, 4, 2), packed).field, Text("-123      "));
  EXPECT_EQ(ToPc(Describe(kPcChar, 6, 1, kAsPack, 2, 2), {0x00, 0x5C}).field, Text("0.0   "));
  EXPECT_EQ(ToPc(Describe(kPcChar, 3, 0, kAsPack, 2, 0), {0x00, 0x0D}).field, Text("0  "));
  Outcome r = ToPc(Describe(kPcChar, 6, 2, kAsPack, 4, 2), packed);
  EXPECT_EQ(r.status, FieldStatus::kOverflow);
  EXPECT_EQ(r.field, Unchanged(6));
}

TEST(FieldConverter, Comp3IntoPackedRealignsDigitsAndKeepsTheSign) {
  Outcome r = ToAs(Describe(kPcComp3, 3, 2, kAsPack, 4, 3), {0x12, 0x34, 0x5C});
  EXPECT_EQ(r.status, FieldStatus::kConverted);
  EXPECT_EQ(r.field, (Bytes{0x01, 0x23, 0x45, 0x0C}));
  r = ToAs(Describe(kPcComp3s, 3, 2, kAsPack, 4, 3), {0x12, 0x34, 0x5C});
  EXPECT_EQ(r.field, (Bytes{0x01, 0x23, 0x45, 0x0F}));
  r = ToAs(Describe(kPcComp3s, 3, 2, kAsPack, 2, 1), {0x00, 0x34, 0x5D});
  EXPECT_EQ(r.field, (Bytes{0x03, 0x4D}));  // -3.45 cut to -3.4
}

TEST(FieldConverter, NumbersTooWideForPackedOrZonedAreRefused) {
  struct Case {
    FieldDescription d;
    Bytes pc;
  };
  const Case cases[] = {
      {Describe(kPcComp3, 3, 0, kAsPack, 2, 0), {0x12, 0x34, 0x5C}},
      {Describe(kPcComp3s, 3, 2, kAsPack, 2, 1), {0x12, 0x34, 0x5C}},
      {Describe(kPcComp3, 3, 0, kAsZoned, 4, 0), {0x12, 0x34, 0x5C}},
      {Describe(kPcDouble, 8, 0, kAsPack, 3, 2), LeDouble(1000.0)},
      {Describe(kPcDouble, 8, 0, kAsPack, 3, 2), LeDouble(999.996)},  // rounds up to 1000.00
      {Describe(kPcFloat, 4, 0, kAsZoned, 3, 0), LeFloat(-1e3f)},
      {Describe(kPcDouble, 8, 0, kAsPack, 32, 0), LeDouble(1e300)},
      {Describe(kPcLong, 4, 0, kAsPack, 2, 1), Le32(100)},
      {Describe(kPcComp, 4, 0, kAsZoned, 2, 0), {0x00, 0x00, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    Outcome r = ToAs(c.d, c.pc);
    EXPECT_EQ(r.status, FieldStatus::kOverflow) << c.d.pcType << " " << c.d.asType;
    EXPECT_EQ(r.field, Unchanged(c.d.asLength));
  }
  Outcome r = ToAs(Describe(kPcDouble, 8, 0, kAsPack, 3, 2), LeDouble(999.994));
  EXPECT_EQ(r.field, (Bytes{0x99, 0x99, 0x9F}));
}

TEST(FieldConverter, NotANumberIsRefusedWhereDigitsAreNeeded) {
  for (int16_t asType : {kAsPack, kAsZoned, kAsBin4}) {
    auto d = Describe(kPcDouble, 8, 0, asType, 4, 0);
    EXPECT_EQ(ToAs(d, LeDouble(NAN)).status, FieldStatus::kInvalidValue);
    EXPECT_EQ(ToAs(d, LeDouble(-INFINITY)).status, FieldStatus::kInvalidValue);
  }
  // Floating point keeps them.
  Outcome r = ToAs(Describe(kPcDouble, 8, 0, kAsFloat, 4, 0), LeDouble(INFINITY));
  EXPECT_EQ(r.field, BeFloat(INFINITY));
}

TEST(FieldConverter, IntegerIntoPackedAndZonedTakesThePcDecimals) {
  EXPECT_EQ(ToAs(Describe(kPcInt, 2, 0, kAsPack, 3, 2), Le16(123)).field,
            (Bytes{0x12, 0x30, 0x0F}));  // 123.00
  EXPECT_EQ(ToAs(Describe(kPcInt, 2, 1, kAsPack, 3, 2), Le16(123)).field,
            (Bytes{0x01, 0x23, 0x0F}));  // 12.30
  EXPECT_EQ(ToAs(Describe(kPcLong, 4, 3, kAsPack, 3, 1), Le32(-12345)).field,
            (Bytes{0x00, 0x12, 0x3D}));  // -12.345 cut to -12.3
  EXPECT_EQ(ToAs(Describe(kPcLong, 4, 0, kAsZoned, 3, 0), Le32(-7)).field,
            (Bytes{0xF0, 0xF0, 0xD7}));
}

TEST(FieldConverter, DecimalsToIntegersTruncateTowardZero) {
  EXPECT_EQ(ToPc(Describe(kPcLong, 4, 0, kAsPack, 2, 2), {0x99, 0x9D}).field, Le32(-9));
  EXPECT_EQ(ToPc(Describe(kPcLong, 4, 2, kAsZoned, 2, 0), {0xF4, 0xF2}).field, Le32(4200));
  EXPECT_EQ(ToPc(Describe(kPcInt, 2, 0, kAsDouble, 8, 0), BeDouble(-2.9)).field, Le16(-2));
  EXPECT_EQ(ToAs(Describe(kPcDouble, 8, 0, kAsBin2, 2, 0), LeDouble(-2.9)).field,
            (Bytes{0xFF, 0xFE}));
  Outcome r = ToPc(Describe(kPcInt, 2, 0, kAsPack, 3, 0), {0x32, 0x76, 0x7F});
  EXPECT_EQ(r.field, Le16(32767));
  r = ToPc(Describe(kPcInt, 2, 0, kAsPack, 3, 0), {0x32, 0x76, 0x8D});
  EXPECT_EQ(r.field, Le16(-32768));
  r = ToPc(Describe(kPcInt, 2, 0, kAsPack, 3, 0), {0x32, 0x76, 0x8F});
  EXPECT_EQ(r.status, FieldStatus::kOverflow);
  EXPECT_EQ(r.field, Unchanged(2));
}

TEST(FieldConverter, BinaryFields) {
  const Bytes bin4 = {0x00, 0x01, 0x11, 0x70};  // 70000
  EXPECT_EQ(ToPc(Describe(kPcLong, 4, 0, kAsBin4, 4, 0), bin4).field, Le32(70000));
  EXPECT_EQ(ToPc(Describe(kPcDouble, 8, 0, kAsBin4, 4, 0), bin4).field, LeDouble(70000));
  EXPECT_EQ(ToPc(Describe(kPcInt, 2, 0, kAsBin4, 4, 0), bin4).status, FieldStatus::kOverflow);
  EXPECT_EQ(ToPc(Describe(kPcChar, 8, 0, kAsBin4, 4, 0), bin4).field, Text("70000   "));
  EXPECT_EQ(ToPc(Describe(kPcString, 6, 0, kAsBin2, 2, 0), {0xFF, 0xFB}).field, Text("-5    "));
  EXPECT_EQ(ToPc(Describe(kPcChar, 4, 0, kAsBin4, 4, 0), bin4).status, FieldStatus::kOverflow);
  EXPECT_EQ(ToAs(Describe(kPcLong, 4, 0, kAsBin2, 2, 0), Le32(-32768)).field, (Bytes{0x80, 0x00}));
  EXPECT_EQ(ToAs(Describe(kPcLong, 4, 0, kAsBin2, 2, 0), Le32(40000)).status,
            FieldStatus::kOverflow);
  EXPECT_EQ(ToAs(Describe(kPcDouble, 8, 0, kAsBin4, 4, 0), LeDouble(2147483648.0)).status,
            FieldStatus::kOverflow);
  EXPECT_EQ(ToAs(Describe(kPcDouble, 8, 0, kAsBin4, 4, 0), LeDouble(-2147483648.9)).field,
            (Bytes{0x80, 0x00, 0x00, 0x00}));
  // A text gives its leading integer.
  EXPECT_EQ(ToAs(Describe(kPcChar, 10, 0, kAsBin4, 4, 0), Text("  -1234xyz")).field,
            (Bytes{0xFF, 0xFF, 0xFB, 0x2E}));
  EXPECT_EQ(ToAs(Describe(kPcString, 6, 0, kAsBin2, 2, 0), Text(std::string("40000\0", 6))).status,
            FieldStatus::kOverflow);
}

TEST(FieldConverter, FloatingPointFields) {
  EXPECT_EQ(ToPc(Describe(kPcDouble, 8, 0, kAsFloat, 4, 0), BeFloat(0.1f)).field,
            LeDouble(static_cast<double>(0.1f)));
  EXPECT_EQ(ToPc(Describe(kPcFloat, 4, 0, kAsDouble, 8, 0), BeDouble(0.1)).field, LeFloat(0.1f));
  EXPECT_EQ(ToPc(Describe(kPcFloat, 4, 0, kAsDouble, 8, 0), BeDouble(1e39)).status,
            FieldStatus::kOverflow);
  EXPECT_EQ(ToAs(Describe(kPcDouble, 8, 0, kAsFloat, 4, 0), LeDouble(-1e39)).status,
            FieldStatus::kOverflow);
  // "%.2f", left-justified, blank-filled.
  EXPECT_EQ(ToPc(Describe(kPcChar, 8, 2, kAsFloat, 4, 0), BeFloat(1.5f)).field, Text("1.50    "));
  EXPECT_EQ(ToPc(Describe(kPcChar, 8, 1, kAsDouble, 8, 0), BeDouble(-0.25)).field,
            Text("-0.2    "));
  EXPECT_EQ(ToPc(Describe(kPcString, 8, 1, kAsDouble, 8, 0), BeDouble(-0.25)).field,
            Text("-00000.2"));
  EXPECT_EQ(ToPc(Describe(kPcChar, 3, 2, kAsDouble, 8, 0), BeDouble(1.5)).status,
            FieldStatus::kOverflow);
  EXPECT_EQ(ToPc(Describe(kPcComp3, 3, 2, kAsDouble, 8, 0), BeDouble(-123.456)).field,
            (Bytes{0x12, 0x34, 0x6D}));
  EXPECT_EQ(ToPc(Describe(kPcComp3s, 2, 0, kAsFloat, 4, 0), BeFloat(12.5f)).field,
            (Bytes{0x01, 0x2C}));  // 12.5 ties to the even 12
  EXPECT_EQ(ToAs(Describe(kPcComp3, 3, 2, kAsDouble, 8, 0), {0x12, 0x34, 0x5D}).field,
            BeDouble(-123.45));
  EXPECT_EQ(ToAs(Describe(kPcComp3s, 3, 2, kAsFloat, 4, 0), {0x12, 0x34, 0x5C}).field,
            BeFloat(123.45f));
}

TEST(FieldConverter, TextIntoAndFromFloatingPoint) {
  EXPECT_EQ(ToAs(Describe(kPcChar, 8, 0, kAsDouble, 8, 0), Text("  2.5e1x")).field, BeDouble(25.0));
  EXPECT_EQ(
      ToAs(Describe(kPcString, 8, 0, kAsFloat, 4, 0), Text(std::string("0.1\0\0\0\0\0", 8))).field,
      BeFloat(0.1f));
  EXPECT_EQ(ToAs(Describe(kPcChar, 5, 0, kAsDouble, 8, 0), Text("abcde")).field, BeDouble(0.0));
  // Longer than 39 characters is fine.
  std::string longText = std::string(60, ' ') + "-0.000000000000000000000000000000000001";
  EXPECT_EQ(ToAs(Describe(kPcChar, static_cast<int16_t>(longText.size()), 0, kAsDouble, 8, 0),
                 Text(longText))
                .field,
            BeDouble(-1e-36));
  EXPECT_EQ(ToPc(Describe(kPcDouble, 8, 0, kAsChar, 7, 0), Ebcdic(" -12.5 ")).field,
            LeDouble(-12.5));
  EXPECT_EQ(ToPc(Describe(kPcFloat, 4, 0, kAsChar, 3, 0), Ebcdic("1E2")).field, LeFloat(100.0f));
  // FLOAT, DOUBLE into CHAR: rounded to the PC decimals, right-justified.
  EXPECT_EQ(ToAs(Describe(kPcDouble, 8, 2, kAsChar, 8, 0), LeDouble(-3.14159)).field,
            Ebcdic("-0003.14"));
  EXPECT_EQ(ToAs(Describe(kPcFloat, 4, 0, kAsChar, 3, 0), LeFloat(999.5f)).status,
            FieldStatus::kOverflow);  // 1000 needs four places
}

TEST(FieldConverter, TextAndIntegers) {
  // CHAR into INT, LONG: the leading number, times 10^pcDecimals.
  EXPECT_EQ(ToPc(Describe(kPcLong, 4, 0, kAsChar, 8, 0), Ebcdic("  -42ABC")).field, Le32(-42));
  EXPECT_EQ(ToPc(Describe(kPcLong, 4, 2, kAsChar, 8, 0), Ebcdic("123.456 ")).field, Le32(12345));
  EXPECT_EQ(ToPc(Describe(kPcInt, 2, 0, kAsChar, 5, 0), Ebcdic("ABC  ")).field, Le16(0));
  EXPECT_EQ(ToPc(Describe(kPcInt, 2, 0, kAsChar, 5, 0), Ebcdic("99999")).status,
            FieldStatus::kOverflow);
  // INT, LONG into CHAR: right-justified with the point before the PC decimals.
  EXPECT_EQ(ToAs(Describe(kPcInt, 2, 2, kAsChar, 8, 0), Le16(12345)).field, Ebcdic("00123.45"));
  EXPECT_EQ(ToAs(Describe(kPcLong, 4, 0, kAsChar, 4, 0), Le32(-42)).field, Ebcdic("-042"));
  EXPECT_EQ(ToAs(Describe(kPcLong, 4, 0, kAsChar, 3, 0), Le32(-420)).status,
            FieldStatus::kOverflow);
}

TEST(FieldConverter, CompFields) {
  const Bytes comp = {0xFF, 0xFF, 0xCF, 0xC7};  // -12345
  EXPECT_EQ(ToAs(Describe(kPcComp, 4, 2, kAsPack, 3, 2), comp).field, (Bytes{0x12, 0x34, 0x5D}));
  EXPECT_EQ(ToAs(Describe(kPcComp, 4, 2, kAsZoned, 6, 3), comp).field,
            (Bytes{0x31, 0x32, 0x33, 0x34, 0x35, 0xD0}));
  EXPECT_EQ(ToAs(Describe(kPcComp, 4, 2, kAsChar, 8, 0), comp).field, Ebcdic("-123.45 "));
  EXPECT_EQ(ToAs(Describe(kPcComp, 4, 0, kAsBin2, 2, 0), comp).field, (Bytes{0xCF, 0xC7}));
  EXPECT_EQ(ToAs(Describe(kPcComp, 4, 0, kAsBin2, 2, 0), {0x00, 0x01, 0x00, 0x00}).status,
            FieldStatus::kOverflow);
  EXPECT_EQ(ToPc(Describe(kPcComp, 4, 2, kAsPack, 3, 2), {0x12, 0x34, 0x5D}).field, comp);
  EXPECT_EQ(ToPc(Describe(kPcComp, 2, 0, kAsBin4, 4, 0), {0xFF, 0xFF, 0xCF, 0xC7}).field,
            (Bytes{0xCF, 0xC7}));
  EXPECT_EQ(ToPc(Describe(kPcComp, 8, 1, kAsChar, 6, 0), Ebcdic("-12.34")).field,
            (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x85}));
}

TEST(FieldConverter, PackedIntoComp3) {
  EXPECT_EQ(ToPc(Describe(kPcComp3, 3, 1, kAsPack, 3, 2), {0x12, 0x34, 0x5D}).field,
            (Bytes{0x01, 0x23, 0x4D}));
  EXPECT_EQ(ToPc(Describe(kPcComp3s, 3, 1, kAsZoned, 4, 0), {0xF0, 0xF1, 0xF2, 0xC3}).field,
            (Bytes{0x01, 0x23, 0x0C}));
  EXPECT_EQ(ToAs(Describe(kPcComp3, 3, 1, kAsZoned, 4, 0), {0x01, 0x23, 0x4D}).field,
            (Bytes{0xF0, 0xF1, 0xF2, 0xD3}));
}

TEST(FieldConverter, BadPackedDataIsRefused) {
  Outcome r = ToPc(Describe(kPcDouble, 8, 0, kAsPack, 2, 0), {0x1A, 0x2C});
  EXPECT_EQ(r.status, FieldStatus::kInvalidValue);
  EXPECT_EQ(r.field, Unchanged(8));
  EXPECT_EQ(ToAs(Describe(kPcComp3, 2, 0, kAsPack, 2, 0), {0x1A, 0x2C}).status,
            FieldStatus::kInvalidValue);
  EXPECT_EQ(ToPc(Describe(kPcLong, 4, 0, kAsZoned, 2, 0), {0xFB, 0xF1}).status,
            FieldStatus::kInvalidValue);
}

// ---- Text fields and the code page.

TEST(FieldConverter, TextFieldsAreTranslatedAndPadded) {
  const Bytes host = Ebcdic("AB CD");
  EXPECT_EQ(ToPc(Describe(kPcChar, 5, 0, kAsChar, 5, 0), host).field, Text("AB CD"));
  EXPECT_EQ(ToPc(Describe(kPcChar, 7, 0, kAsChar, 5, 0), host).field, Text("AB CD  "));
  EXPECT_EQ(ToPc(Describe(kPcString, 7, 0, kAsChar, 5, 0), host).field,
            Text(std::string("AB CD\0\0", 7)));
  EXPECT_EQ(ToPc(Describe(kPcChar, 3, 0, kAsChar, 5, 0), host).field, Text("AB "));
  EXPECT_EQ(ToPc(Describe(kPcChar, 10, 0, kAsDate, 10, 0), Ebcdic("2024-01-31")).field,
            Text("2024-01-31"));
  EXPECT_EQ(ToPc(Describe(kPcString, 8, 0, kAsTimstp, 8, 0), Ebcdic("12.00.00")).field,
            Text("12.00.00"));
  EXPECT_EQ(ToAs(Describe(kPcChar, 3, 0, kAsChar, 5, 0), Text("XYZ")).field, Ebcdic("XYZ  "));
  EXPECT_EQ(ToAs(Describe(kPcString, 5, 0, kAsChar, 5, 0), Text(std::string("XY\0Z!", 5))).field,
            Ebcdic("XY   "));
  EXPECT_EQ(ToAs(Describe(kPcChar, 7, 0, kAsChar, 5, 0), Text("ABCDEFG")).field, Ebcdic("ABCDE"));
  EXPECT_EQ(ToAs(Describe(kPcString, 8, 0, kAsDate, 10, 0), Text("24-01-31")).field,
            Ebcdic("24-01-31  "));
}

TEST(FieldConverter, TextFollowsTheCurrentCodePage) {
  std::array<uint8_t, 256> upper = BuiltInCodePage().toPc;
  upper[0x81] = 'A';  // EBCDIC "a" read as "A"
  SetEbcdicToPcTable(upper.data());
  Outcome r = ToPc(Describe(kPcChar, 2, 0, kAsChar, 2, 0), {0x81, 0x81});
  ResetCodePage();
  EXPECT_EQ(r.field, Text("AA"));
  // A code page given by the caller.
  CodePage page = BuiltInCodePage();
  page.toHost['!'] = 0x5A;
  page.toHost[' '] = 0x41;
  Bytes raw(3, kFill);
  ASSERT_EQ(toAs(Describe(kPcChar, 1, 0, kAsChar, 3, 0), Text("!").data(), raw.data(), 1, page),
            FieldStatus::kConverted);
  EXPECT_EQ(raw, (Bytes{0x5A, 0x41, 0x41}));
}

// ---- Widths, descriptions, pairs without an operation.

TEST(FieldConverter, BytesAreCopiedAsTheyAre) {
  const Bytes raw = {0x01, 0x02, 0x03, 0x04};
  EXPECT_EQ(ToPc(Describe(kPcB, 4, 0, kAsPack, 4, 0), raw).field, raw);
  EXPECT_EQ(ToPc(Describe(kPcB, 6, 0, kAsBin4, 4, 0), raw).field,
            (Bytes{0x01, 0x02, 0x03, 0x04, kFill, kFill}));
  EXPECT_EQ(ToAs(Describe(kPcB, 2, 0, kAsChar, 4, 0), raw).field,
            (Bytes{0x01, 0x02, kFill, kFill}));
  EXPECT_EQ(ToPc(Describe(kPcB, 4, 0, kAsChar, 4, 0), raw, 3).field,
            (Bytes{0x01, 0x02, 0x03, kFill}));
}

TEST(FieldConverter, RecordEndCutsTextsAndSkipsFixedSizeFields) {
  Outcome r = ToPc(Describe(kPcChar, 5, 0, kAsChar, 5, 0), Ebcdic("ABCDE"), 3);
  EXPECT_EQ(r.status, FieldStatus::kConverted);
  EXPECT_EQ(r.field, (Bytes{'A', 'B', 'C', kFill, kFill}));
  r = ToPc(Describe(kPcDouble, 8, 0, kAsPack, 2, 0), {0x12, 0x3C}, 5);
  EXPECT_EQ(r.status, FieldStatus::kNotConverted);
  EXPECT_EQ(r.field, Unchanged(8));
  r = ToPc(Describe(kPcLong, 4, 0, kAsBin4, 4, 0), {0, 0, 0, 1}, 0);
  EXPECT_EQ(r.status, FieldStatus::kNotConverted);
  r = ToAs(Describe(kPcChar, 5, 0, kAsChar, 5, 0), Text("ABCDE"), 2);
  EXPECT_EQ(r.field, Ebcdic("AB   "));
  r = ToAs(Describe(kPcDouble, 8, 0, kAsPack, 2, 0), LeDouble(1), 7);
  EXPECT_EQ(r.status, FieldStatus::kNotConverted);
  EXPECT_EQ(r.field, Unchanged(2));
  r = ToAs(Describe(kPcDouble, 8, 0, kAsChar, 2, 0), LeDouble(1), 7);
  EXPECT_EQ(r.field, Ebcdic("  "));
}

TEST(FieldConverter, BadDescriptionsAreRefusedBeforeAnythingIsWritten) {
  Outcome r = ToPc(Describe(kPcInt, 4, 0, kAsBin2, 2, 0), {0, 1});
  EXPECT_EQ(r.status, FieldStatus::kBadDescription);
  EXPECT_EQ(r.field, Unchanged(4));
  r = ToAs(Describe(kPcChar, 4, 0, 10, 4, 0), Text("ABCD"));
  EXPECT_EQ(r.status, FieldStatus::kBadDescription);
  EXPECT_EQ(r.field, Unchanged(4));
}

TEST(FieldConverter, PairsWithoutAnOperationLeaveTheTarget) {
  Outcome r = ToPc(Describe(kPcNumcob, 4, 0, kAsPack, 2, 0), {0x12, 0x3C});
  EXPECT_EQ(r.status, FieldStatus::kNotConverted);
  EXPECT_EQ(r.field, Unchanged(4));
  r = ToPc(Describe(kPcInt, 2, 0, kAsDate, 10, 0), Ebcdic("2024-01-31"));
  EXPECT_EQ(r.status, FieldStatus::kNotConverted);
  EXPECT_EQ(r.field, Unchanged(2));
  r = ToAs(Describe(kPcDouble, 8, 0, kAsDate, 10, 0), LeDouble(1));
  EXPECT_EQ(r.status, FieldStatus::kNotConverted);
  EXPECT_EQ(r.field, Unchanged(10));
  // An AS/400 CHAR field is blanked all the same.
  r = ToAs(Describe(kPcNumcob, 4, 0, kAsChar, 4, 0), Text("1234"));
  EXPECT_EQ(r.status, FieldStatus::kNotConverted);
  EXPECT_EQ(r.field, Ebcdic("    "));
}

// A description suited to each type, for the sweep below.
FieldDescription SweepDescription(int asType, int pcType) {
  static const int16_t kPcLength[] = {12, 2, 4, 4, 8, 4, 4, 4, 4, 4, 12, 4};
  static const int16_t kAsLength[] = {12, 2, 4, 4, 6, 12, 12, 4, 8, 12};
  return {static_cast<int16_t>(pcType), kPcLength[pcType], 1,
          static_cast<int16_t>(asType), kAsLength[asType], 1};
}

TEST(FieldConverter, EveryConvertedPairConvertsBothWaysAndNoOtherDoes) {
  for (int as = 0; as < kAsTypeCount; ++as) {
    for (int pc = 0; pc < kPcTypeCount; ++pc) {
      if (pc == kPcB) continue;
      FieldDescription d = SweepDescription(as, pc);
      bool converted = IsConverted(FieldOperation(as, pc));
      // A PC value of 1.5 in every PC form, and a raw field made from it.
      Bytes pcValue;
      switch (pc) {
        case kPcChar:
        case kPcString:
          pcValue = Text("1.5         ");
          break;
        case kPcInt:
          pcValue = Le16(15);
          break;
        case kPcLong:
          pcValue = Le32(15);
          break;
        case kPcFloat:
          pcValue = LeFloat(1.5f);
          break;
        case kPcDouble:
          pcValue = LeDouble(1.5);
          break;
        case kPcComp:
          pcValue = {0x00, 0x00, 0x00, 0x0F};
          break;
        default:  // COMP3, COMP3S; NUMCOB and ABAL get the same bytes
          pcValue = {0x00, 0x00, 0x01, 0x5F};
          break;
      }
      Outcome out = ToAs(d, pcValue);
      EXPECT_EQ(out.status, converted ? FieldStatus::kConverted : FieldStatus::kNotConverted)
          << AsTypeName(as) << " from " << PcTypeName(pc);
      if (!converted) continue;
      Outcome back = ToPc(d, out.field);
      EXPECT_EQ(back.status, FieldStatus::kConverted) << AsTypeName(as) << " to " << PcTypeName(pc);
    }
  }
}

}  // namespace
}  // namespace vantora::conversion
