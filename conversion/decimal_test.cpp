#include "conversion/decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace vantora::conversion {
namespace {

__extension__ using Wide = unsigned __int128;

Decimal Number(bool negative, const std::string& digits, int scale) {
  Decimal d;
  d.negative = negative;
  d.scale = scale;
  d.count = static_cast<int>(digits.size());
  for (int i = 0; i < d.count; ++i) d.digits[i] = static_cast<uint8_t>(digits[i] - '0');
  return d;
}

// The value as the test reads it: sign, significant digits, scale.
std::string Show(const Decimal& d) {
  std::string digits;
  for (int i = 0; i < d.count; ++i) {
    if (!digits.empty() || d.digits[i] != 0) digits += static_cast<char>('0' + d.digits[i]);
  }
  if (digits.empty()) return "0/" + std::to_string(d.scale);
  return (d.negative ? "-" : "") + digits + "/" + std::to_string(d.scale);
}

struct FromDoubleCase {
  double value;
  int scale;
  std::string expected;
};

TEST(Decimal, FromDoubleRoundsTheExactBinaryValue) {
  const FromDoubleCase cases[] = {
      {2.675, 2, "267/2"},  // held as 2.67499999999999982236431605997495353221893310546875
      {1.005, 2, "100/2"},  // held as 1.00499999999999989341858963598497211933135986328125
      {0.125, 2, "12/2"},   // an exact tie goes to the even digit
      {0.375, 2, "38/2"},
      {2.5, 0, "2/0"},
      {-3.5, 0, "-4/0"},
      {-0.001, 2, "0/2"},
      {123456.785, 2, "12345679/2"},  // held as 123456.785000000003...
      {1e22, 0, "10000000000000000000000/0"},
      {5e-324, 63, "0/63"},
  };
  for (const FromDoubleCase& c : cases) {
    Decimal d;
    ASSERT_EQ(DecimalFromDouble(c.value, c.scale, &d), FieldStatus::kConverted) << c.value;
    EXPECT_EQ(Show(d), c.expected) << c.value;
  }
}

TEST(Decimal, FromDoubleRefusesWhatNoFieldHolds) {
  Decimal d;
  EXPECT_EQ(DecimalFromDouble(NAN, 0, &d), FieldStatus::kInvalidValue);
  EXPECT_EQ(DecimalFromDouble(INFINITY, 0, &d), FieldStatus::kInvalidValue);
  EXPECT_EQ(DecimalFromDouble(-INFINITY, 2, &d), FieldStatus::kInvalidValue);
  EXPECT_EQ(DecimalFromDouble(1e63, 0, &d), FieldStatus::kOverflow);
  EXPECT_EQ(DecimalFromDouble(1e40, 30, &d), FieldStatus::kOverflow);  // 71 digits
  EXPECT_EQ(DecimalFromDouble(9e62, 0, &d), FieldStatus::kConverted);
  EXPECT_EQ(d.count, 63);
}

// Checks with exact integer arithmetic that `d` is `x` rounded to `scale`
// decimals, half to even: x = m * 2^-k, R = d * 10^scale, so
// |R * 2^k - m * 10^scale| must be below 2^(k-1), or equal to it with R even.
void ExpectCorrectlyRounded(double x, int scale, const Decimal& d) {
  int exponent;
  double fraction = std::frexp(std::fabs(x), &exponent);
  auto m = static_cast<uint64_t>(std::ldexp(fraction, 53));
  int k = 53 - exponent;
  ASSERT_GT(k, 0);
  ASSERT_LT(k, 100);
  Wide target = m;
  for (int i = 0; i < scale; ++i) target *= 10;
  Wide r = 0;
  for (int i = 0; i < d.count; ++i) r = r * 10 + d.digits[i];
  ASSERT_EQ(d.scale, scale);
  Wide scaled = r << k;
  Wide diff = scaled > target ? scaled - target : target - scaled;
  Wide half = Wide{1} << (k - 1);
  EXPECT_TRUE(diff < half || (diff == half && r % 2 == 0)) << x << " scale " << scale;
  if (r != 0) {
    EXPECT_EQ(d.negative, x < 0) << x;
  }
}

TEST(Decimal, FromDoubleIsCorrectlyRoundedForRandomValues) {
  std::mt19937_64 rng(1789);
  std::uniform_real_distribution<double> exponent(-3, 6);
  std::uniform_int_distribution<int> scale(0, 8);
  for (int i = 0; i < 20000; ++i) {
    double x = std::pow(10.0, exponent(rng)) * (rng() % 2 ? 1 : -1);
    // Values on a tie or near one are the hard cases: aim for them too.
    int s = scale(rng);
    if (i % 3 == 0) x = (std::round(x * std::pow(10.0, s)) + 0.5) / std::pow(10.0, s);
    Decimal d;
    ASSERT_EQ(DecimalFromDouble(x, s, &d), FieldStatus::kConverted);
    ExpectCorrectlyRounded(x, s, d);
  }
}

TEST(Decimal, ToDoubleAndFloatRoundCorrectly) {
  std::mt19937_64 rng(4711);
  for (int i = 0; i < 20000; ++i) {
    int count = 1 + static_cast<int>(rng() % kMaxDigits);
    int scale = static_cast<int>(rng() % 80) - 10;
    std::string digits;
    for (int j = 0; j < count; ++j) digits += static_cast<char>('0' + rng() % 10);
    bool negative = rng() % 2;
    Decimal d = Number(negative, digits, scale);
    std::string text = (negative ? "-" : "") + digits + "e" + std::to_string(-scale);
    EXPECT_EQ(DecimalToDouble(d), std::strtod(text.c_str(), nullptr)) << text;
    float f;
    float expected = std::strtof(text.c_str(), nullptr);
    if (std::isinf(expected)) {
      EXPECT_EQ(DecimalToFloat(d, &f), FieldStatus::kOverflow) << text;
    } else {
      ASSERT_EQ(DecimalToFloat(d, &f), FieldStatus::kConverted) << text;
      EXPECT_EQ(f, expected) << text;
    }
  }
}

TEST(Decimal, ToFloatFlushesTinyValuesToZero) {
  float f = 1;
  EXPECT_EQ(DecimalToFloat(Number(false, "1", 60), &f), FieldStatus::kConverted);
  EXPECT_EQ(f, 0.0f);
  EXPECT_EQ(DecimalToDouble(Number(true, "000", 2)), 0.0);
  EXPECT_FALSE(std::signbit(DecimalToDouble(Number(true, "000", 2))));
}

struct ToIntegerCase {
  Decimal value;
  int scale;
  int64_t min;
  int64_t max;
  FieldStatus status;
  int64_t expected;
};

TEST(Decimal, ToIntegerTruncatesTowardZeroWithinRange) {
  constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();
  constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();
  const ToIntegerCase cases[] = {
      {Number(false, "12345", 2), 1, -32768, 32767, FieldStatus::kConverted, 1234},
      {Number(true, "12345", 2), 1, -32768, 32767, FieldStatus::kConverted, -1234},
      {Number(true, "12345", 2), 0, -32768, 32767, FieldStatus::kConverted, -123},
      {Number(false, "12345", 2), 4, -32768, 32767, FieldStatus::kOverflow, 0},
      {Number(false, "32767", 0), 0, -32768, 32767, FieldStatus::kConverted, 32767},
      {Number(false, "32768", 0), 0, -32768, 32767, FieldStatus::kOverflow, 0},
      {Number(true, "32768", 0), 0, -32768, 32767, FieldStatus::kConverted, -32768},
      {Number(true, "32769", 0), 0, -32768, 32767, FieldStatus::kOverflow, 0},
      {Number(false, "5", 0), 3, -32768, 32767, FieldStatus::kConverted, 5000},
      {Number(false, "0000", 0), 60, -32768, 32767, FieldStatus::kConverted, 0},
      {Number(false, "7", 5), 2, -32768, 32767, FieldStatus::kConverted, 0},
      {Number(true, "9223372036854775808", 0), 0, kMin64, kMax64, FieldStatus::kConverted, kMin64},
      {Number(false, "9223372036854775808", 0), 0, kMin64, kMax64, FieldStatus::kOverflow, 0},
  };
  for (const ToIntegerCase& c : cases) {
    int64_t out = -1;
    EXPECT_EQ(DecimalToInteger(c.value, c.scale, c.min, c.max, &out), c.status) << Show(c.value);
    if (c.status == FieldStatus::kConverted) {
      EXPECT_EQ(out, c.expected) << Show(c.value);
    }
  }
}

TEST(Decimal, FromIntegerCoversTheWholeRange) {
  Decimal d;
  DecimalFromInteger(std::numeric_limits<int64_t>::min(), 2, &d);
  EXPECT_EQ(Show(d), "-9223372036854775808/2");
  DecimalFromInteger(0, 0, &d);
  EXPECT_EQ(Show(d), "0/0");
  EXPECT_TRUE(IsZero(d));
}

struct AlignCase {
  Decimal value;
  int digits;
  int scale;
  bool fits;
  std::string expected;
};

TEST(Decimal, AlignDigits) {
  const AlignCase cases[] = {
      {Number(false, "12345", 2), 7, 3, true, "0123450"},  // a decimal added
      {Number(false, "12345", 2), 4, 1, true, "1234"},     // one dropped
      {Number(false, "12345", 2), 3, 1, false, ""},        // 123 does not fit 2 places
      {Number(false, "0012345", 2), 5, 2, true, "12345"},  // leading zeros may fall off
      {Number(false, "5", -2), 4, 0, true, "0500"},        // zeros after the digits
      {Number(false, "5", 4), 3, 2, true, "000"},          // all decimals dropped
  };
  for (const AlignCase& c : cases) {
    uint8_t out[kMaxDigits];
    ASSERT_EQ(AlignDigits(c.value, c.digits, c.scale, out), c.fits) << Show(c.value);
    if (!c.fits) continue;
    std::string got;
    for (int i = 0; i < c.digits; ++i) got += static_cast<char>('0' + out[i]);
    EXPECT_EQ(got, c.expected);
  }
  EXPECT_EQ(IntegerDigits(Number(false, "0012345", 2)), 3);
  EXPECT_EQ(IntegerDigits(Number(false, "5", 4)), 0);
  EXPECT_EQ(IntegerDigits(Number(false, "5", -2)), 3);
}

}  // namespace
}  // namespace vantora::conversion
