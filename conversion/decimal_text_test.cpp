#include "conversion/decimal_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "conversion/code_page.h"

namespace vantora::conversion {
namespace {

const uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}
int Length(const std::string& s) {
  return static_cast<int>(s.size());
}

Decimal Number(bool negative, const std::string& digits, int scale) {
  Decimal d;
  d.negative = negative;
  d.scale = scale;
  d.count = static_cast<int>(digits.size());
  for (int i = 0; i < d.count; ++i) d.digits[i] = static_cast<uint8_t>(digits[i] - '0');
  return d;
}

// The value in plain notation, written by the test: "-7.5", "0", "0.0012".
std::string Plain(const Decimal& d) {
  std::string digits;
  for (int i = 0; i < d.count; ++i) digits += static_cast<char>('0' + d.digits[i]);
  if (d.scale < 0) digits.append(static_cast<size_t>(-d.scale), '0');
  int scale = d.scale > 0 ? d.scale : 0;
  if (static_cast<int>(digits.size()) <= scale) {
    digits.insert(0, static_cast<size_t>(scale - static_cast<int>(digits.size()) + 1), '0');
  }
  std::string integer = digits.substr(0, digits.size() - static_cast<size_t>(scale));
  std::string fraction = digits.substr(integer.size());
  integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size() - 1));
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  std::string text = fraction.empty() ? integer : integer + "." + fraction;
  bool zero = text.find_first_not_of("0.") == std::string::npos;
  return d.negative && !zero ? "-" + text : text;
}

std::string Ebcdic(const std::string& text) {
  std::string out;
  for (char c : text) out += static_cast<char>(BuiltInCodePage().toHost[static_cast<uint8_t>(c)]);
  return out;
}

struct ParseCase {
  std::string text;
  FieldStatus status;
  std::string value;
};

TEST(DecimalText, DecimalTextParse) {
  const ParseCase cases[] = {
      {"123.45", FieldStatus::kConverted, "123.45"},
      {"-123.45", FieldStatus::kConverted, "-123.45"},
      {" +12.3", FieldStatus::kConverted, "12.3"},
      {"  -0 7.5  ", FieldStatus::kConverted, "-7.5"},  // zeros and blanks after the sign
      {"", FieldStatus::kConverted, "0"},
      {"     ", FieldStatus::kConverted, "0"},
      {"-", FieldStatus::kConverted, "0"},
      {".", FieldStatus::kConverted, "0"},
      {"12.", FieldStatus::kConverted, "12"},
      {".05", FieldStatus::kConverted, "0.05"},
      {std::string("12\0xyz", 6), FieldStatus::kConverted, "12"},  // a zero byte ends the text
      {std::string(100, '0') + "1", FieldStatus::kConverted, "1"},
      {"12a", FieldStatus::kInvalidValue, ""},
      {"1,5", FieldStatus::kInvalidValue, ""},
      {"1.2.3", FieldStatus::kInvalidValue, ""},
      {"1 2", FieldStatus::kInvalidValue, ""},
      {"12.5x", FieldStatus::kInvalidValue, ""},
      {"--1", FieldStatus::kInvalidValue, ""},
      {"1e5", FieldStatus::kInvalidValue, ""},
      {std::string(63, '9'), FieldStatus::kConverted, std::string(63, '9')},
      {std::string(64, '9'), FieldStatus::kOverflow, ""},
  };
  for (const ParseCase& c : cases) {
    Decimal d;
    EXPECT_EQ(ParseDecimalText(Bytes(c.text), Length(c.text), &d), c.status) << c.text;
    if (c.status == FieldStatus::kConverted) {
      EXPECT_EQ(Plain(d), c.value) << c.text;
    }
  }
}

TEST(DecimalText, ParseKeepsAsManyDecimalsAsAnyFieldHolds) {
  std::string text = "0." + std::string(70, '3');
  Decimal d;
  ASSERT_EQ(ParseDecimalText(Bytes(text), Length(text), &d), FieldStatus::kConverted);
  EXPECT_EQ(Plain(d), "0." + std::string(kMaxDecimals, '3'));
  text = std::string(40, '1') + "." + std::string(40, '2');
  ASSERT_EQ(ParseDecimalText(Bytes(text), Length(text), &d), FieldStatus::kConverted);
  EXPECT_EQ(d.count, kMaxDigits);
  EXPECT_EQ(Plain(d), std::string(40, '1') + "." + std::string(kMaxDigits - 40, '2'));
}

TEST(DecimalText, LeadingDecimal) {
  const ParseCase cases[] = {
      {"  -12.5kg", FieldStatus::kConverted, "-12.5"},
      {"\t42", FieldStatus::kConverted, "42"},
      {"+7", FieldStatus::kConverted, "7"},
      {"+-3", FieldStatus::kConverted, "0"},
      {"abc", FieldStatus::kConverted, "0"},
      {"12 34", FieldStatus::kConverted, "12"},
      {"-.5", FieldStatus::kConverted, "-0.5"},
      {std::string(64, '9'), FieldStatus::kOverflow, ""},
  };
  for (const ParseCase& c : cases) {
    Decimal d;
    EXPECT_EQ(ParseLeadingDecimal(Bytes(c.text), Length(c.text), nullptr, &d), c.status) << c.text;
    if (c.status == FieldStatus::kConverted) {
      EXPECT_EQ(Plain(d), c.value) << c.text;
    }
    // The same text in EBCDIC, read through the table.
    std::string host = Ebcdic(c.text);
    EXPECT_EQ(ParseLeadingDecimal(Bytes(host), Length(host), BuiltInCodePage().toPc.data(), &d),
              c.status)
        << c.text;
    if (c.status == FieldStatus::kConverted) {
      EXPECT_EQ(Plain(d), c.value) << c.text;
    }
  }
}

struct FloatCase {
  std::string text;
  FieldStatus status;
  double value;
};

TEST(DecimalText, LeadingDouble) {
  const FloatCase cases[] = {
      {"  1.5e3xyz", FieldStatus::kConverted, 1500},
      {"+2.5", FieldStatus::kConverted, 2.5},
      {"+-1", FieldStatus::kConverted, 0},
      {"", FieldStatus::kConverted, 0},
      {"x1", FieldStatus::kConverted, 0},
      {"-.25", FieldStatus::kConverted, -0.25},
      {"0.1", FieldStatus::kConverted, 0.1},
      {std::string("7\0"
                   "5",
                   3),
       FieldStatus::kConverted, 7},
      {"1e400", FieldStatus::kOverflow, 0},
      {"-1e400", FieldStatus::kOverflow, 0},
      {"1e-400", FieldStatus::kConverted, 0},
      {"0." + std::string(319, '0') + "1", FieldStatus::kConverted, 1e-320},  // subnormal
      {"0." + std::string(380, '0') + "1", FieldStatus::kConverted, 0},       // below the least
      {"inf", FieldStatus::kConverted, INFINITY},
  };
  for (const FloatCase& c : cases) {
    double x = -99;
    EXPECT_EQ(ParseLeadingDouble(Bytes(c.text), Length(c.text), nullptr, &x), c.status) << c.text;
    if (c.status == FieldStatus::kConverted) {
      EXPECT_EQ(x, c.value) << c.text;
    }
    std::string host = Ebcdic(c.text);
    x = -99;
    EXPECT_EQ(ParseLeadingDouble(Bytes(host), Length(host), BuiltInCodePage().toPc.data(), &x),
              c.status)
        << c.text;
    if (c.status == FieldStatus::kConverted) {
      EXPECT_EQ(x, c.value) << c.text;
    }
  }
}

TEST(DecimalText, LeadingFloatRoundsOnceAndKnowsItsRange) {
  std::string text = "0.1";
  float f;
  ASSERT_EQ(ParseLeadingFloat(Bytes(text), 3, nullptr, &f), FieldStatus::kConverted);
  EXPECT_EQ(f, 0.1f);
  text = "3.5e38";
  EXPECT_EQ(ParseLeadingFloat(Bytes(text), Length(text), nullptr, &f), FieldStatus::kOverflow);
  text = "1e-50";
  ASSERT_EQ(ParseLeadingFloat(Bytes(text), Length(text), nullptr, &f), FieldStatus::kConverted);
  EXPECT_EQ(f, 0.0f);
}

TEST(DecimalText, HostNumberRunningPastTheReadLimitIsRefused) {
  std::string host = Ebcdic("  " + std::string(kMaxNumberText + 10, '1'));
  double x;
  EXPECT_EQ(ParseLeadingDouble(Bytes(host), Length(host), BuiltInCodePage().toPc.data(), &x),
            FieldStatus::kInvalidValue);
  // Blanks before the number do not count, nor what follows a shorter number.
  host = Ebcdic(std::string(1000, ' ') + "2.5 " + std::string(kMaxNumberText, 'x'));
  ASSERT_EQ(ParseLeadingDouble(Bytes(host), Length(host), BuiltInCodePage().toPc.data(), &x),
            FieldStatus::kConverted);
  EXPECT_EQ(x, 2.5);
}

struct RightCase {
  Decimal value;
  int decimals;
  int width;
  std::string expected;  // empty: does not fit
};

TEST(DecimalText, RightJustified) {
  const RightCase cases[] = {
      {Number(false, "12345", 2), 2, 10, "0000123.45"},
      {Number(true, "12345", 2), 2, 10, "-000123.45"},
      {Number(false, "12345", 2), 3, 10, "000123.450"},
      {Number(false, "12345", 2), 0, 10, "0000000123"},
      {Number(true, "015", 2), 2, 6, "-00.15"},
      {Number(true, "015", 2), 2, 4, "-.15"},
      {Number(true, "015", 2), 2, 3, ""},  // ".15" leaves no room for the sign
      {Number(false, "015", 2), 2, 3, ".15"},
      {Number(false, "12345", 2), 2, 6, "123.45"},
      {Number(false, "12345", 2), 2, 5, ""},
      {Number(true, "1", 3), 2, 5, "00.00"},  // zero at two decimals: no sign
      {Number(false, "0", 0), 0, 4, "0000"},
  };
  for (const RightCase& c : cases) {
    std::string out(static_cast<size_t>(c.width), '#');
    auto* p = reinterpret_cast<uint8_t*>(out.data());
    FieldStatus s = FormatRightJustified(c.value, c.decimals, p, c.width);
    if (c.expected.empty()) {
      EXPECT_EQ(s, FieldStatus::kOverflow) << Plain(c.value);
      EXPECT_EQ(out, std::string(static_cast<size_t>(c.width), '#'));
    } else {
      EXPECT_EQ(s, FieldStatus::kConverted) << Plain(c.value);
      EXPECT_EQ(out, c.expected);
    }
  }
}

struct LeftCase {
  Decimal value;
  int decimals;
  std::string expected;
};

TEST(DecimalText, LeftJustifiedWritesAsPrintfDoes) {
  const LeftCase cases[] = {
      {Number(false, "12345", 2), 2, "123.45"},   {Number(false, "0012345", 2), 0, "123"},
      {Number(false, "12345", 2), 4, "123.4500"}, {Number(false, "000", 2), 2, "0.00"},
      {Number(false, "000", 2), 0, "0"},          {Number(true, "015", 2), 2, "-0.15"},
      {Number(true, "015", 2), 1, "-0.1"},        {Number(true, "015", 2), 0, "0"},
  };
  for (const LeftCase& c : cases) {
    uint8_t out[32];
    int n = FormatLeftJustified(c.value, c.decimals, out, sizeof out);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), static_cast<size_t>(n)), c.expected);
  }
  uint8_t out[5] = {'#', '#', '#', '#', '#'};
  EXPECT_EQ(FormatLeftJustified(Number(true, "12345", 2), 2, out, 5), -1);
  EXPECT_EQ(out[0], '#');
}

TEST(DecimalText, DecimalTextOfPackedDigits) {
  const struct {
    Decimal value;
    std::string expected;
  } cases[] = {
      {Number(false, "12345", 2), "+123.45"}, {Number(false, "00001", 4), "+0.0001"},
      {Number(true, "12", 4), "-.0012"},      {Number(false, "12", 2), "+.12"},
      {Number(false, "12", -2), "+1200"},     {Number(false, "120", 0), "+120"},
  };
  for (const auto& c : cases) {
    char out[16];
    int n = FormatDecimalText(c.value, out, sizeof out);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(out, static_cast<size_t>(n)), c.expected);
  }
  char small[4];
  EXPECT_EQ(FormatDecimalText(Number(false, "12345", 2), small, 4), -1);
}

}  // namespace
}  // namespace vantora::conversion
