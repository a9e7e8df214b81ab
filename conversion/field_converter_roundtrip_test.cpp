// Round trips PC -> AS/400 -> PC of random values for every pair of types the
// converter carries, checked against a model written here: values are decimal
// strings, and the model builds the raw bytes expected from them (packed
// nibbles, zoned bytes, EBCDIC texts) without the converter's routines. For
// floating point the model is the C library (strtod, printf "%.*f").
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "conversion/code_page.h"
#include "conversion/field_converter.h"
#include "conversion/field_types.h"
#include "conversion/operation_matrix.h"

namespace vantora::conversion {
namespace {

using Bytes = std::vector<uint8_t>;
using Rng = std::mt19937_64;

// ---- The decimal model.

struct Value {
  bool negative = false;
  std::string integer;   // without leading zeros, empty for 0
  std::string fraction;  // the value's decimals
};

bool IsZero(const Value& v) {
  return v.integer.empty() && v.fraction.find_first_not_of('0') == std::string::npos;
}

std::string Fraction(const Value& v, int decimals) {
  EXPECT_LE(static_cast<int>(v.fraction.size()), decimals) << "the model never cuts decimals";
  std::string f = v.fraction;
  f.resize(static_cast<size_t>(decimals), '0');
  return f;
}

std::string FieldDigits(const Value& v, int width, int decimals) {
  std::string digits = v.integer + Fraction(v, decimals);
  EXPECT_LE(static_cast<int>(digits.size()), width);
  return std::string(static_cast<size_t>(width) - digits.size(), '0') + digits;
}

uint8_t Nibble(char digit) {
  return static_cast<uint8_t>(digit - '0');
}

Bytes Packed(const Value& v, int length, int decimals, uint8_t positiveSign) {
  std::string nibbles = FieldDigits(v, 2 * length - 1, decimals);
  uint8_t sign = v.negative && !IsZero(v) ? 0xD : positiveSign;
  Bytes out;
  for (int i = 0; i + 1 < length; ++i) {
    out.push_back(static_cast<uint8_t>(Nibble(nibbles[2 * i]) << 4 | Nibble(nibbles[2 * i + 1])));
  }
  out.push_back(static_cast<uint8_t>(Nibble(nibbles.back()) << 4 | sign));
  return out;
}

Bytes Zoned(const Value& v, int length, int decimals, uint8_t zone) {
  std::string digits = FieldDigits(v, length, decimals);
  Bytes out;
  for (char c : digits) out.push_back(static_cast<uint8_t>(zone | Nibble(c)));
  out.back() =
      static_cast<uint8_t>((v.negative && !IsZero(v) ? 0xD0 : 0xF0) | Nibble(digits.back()));
  return out;
}

std::string LeftText(const Value& v, int decimals) {
  std::string s = v.negative && !IsZero(v) ? "-" : "";
  s += v.integer.empty() ? "0" : v.integer;
  if (decimals > 0) s += "." + Fraction(v, decimals);
  return s;
}

std::string RightText(const Value& v, int width, int decimals) {
  std::string body = v.integer;
  if (decimals > 0) body += "." + Fraction(v, decimals);
  std::string s = std::string(static_cast<size_t>(width) - body.size(), '0') + body;
  if (v.negative && !IsZero(v)) s[0] = '-';
  return s;
}

std::string Plain(const Value& v) {
  return LeftText(v, static_cast<int>(v.fraction.size()));
}

Value FromInteger(int64_t n, int decimals) {
  Value v;
  v.negative = n < 0;
  std::string digits = std::to_string(n < 0 ? -static_cast<uint64_t>(n) : static_cast<uint64_t>(n));
  if (static_cast<int>(digits.size()) <= decimals) {
    digits.insert(0, static_cast<size_t>(decimals) + 1 - digits.size(), '0');
  }
  v.integer = digits.substr(0, digits.size() - static_cast<size_t>(decimals));
  v.fraction = digits.substr(v.integer.size());
  v.integer.erase(0, v.integer.find_first_not_of('0'));
  if (IsZero(v)) v.negative = false;
  return v;
}

// A value read from printf's "%.*f" text.
Value FromText(const std::string& text) {
  Value v;
  size_t start = text[0] == '-' ? 1 : 0;
  v.negative = start == 1;
  size_t point = text.find('.');
  v.integer = text.substr(start, point == std::string::npos ? std::string::npos : point - start);
  if (point != std::string::npos) v.fraction = text.substr(point + 1);
  v.integer.erase(0, v.integer.find_first_not_of('0'));
  if (IsZero(v)) v.negative = false;
  return v;
}

std::string Printf(double x, int decimals) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, x);
  return buffer;
}

// EBCDIC of digits, sign, point and blank, written out here.
Bytes Ebcdic(const std::string& text) {
  Bytes out;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      out.push_back(static_cast<uint8_t>(0xF0 | (c - '0')));
    } else {
      out.push_back(c == '-' ? 0x60 : c == '.' ? 0x4B : c == ' ' ? 0x40 : 0x00);
      EXPECT_TRUE(c == '-' || c == '.' || c == ' ') << c;
    }
  }
  return out;
}

Bytes Padded(const std::string& text, int width, char pad = ' ') {
  Bytes out(text.begin(), text.end());
  out.resize(static_cast<size_t>(width), static_cast<uint8_t>(pad));
  return out;
}

Bytes BigEndian(int64_t n, int bytes) {
  Bytes out(static_cast<size_t>(bytes));
  for (int i = bytes - 1; i >= 0; --i, n >>= 8)
    out[static_cast<size_t>(i)] = static_cast<uint8_t>(n);
  return out;
}

Bytes LittleEndian(int64_t n, int bytes) {
  Bytes out = BigEndian(n, bytes);
  return Bytes(out.rbegin(), out.rend());
}

template <typename T>
Bytes BitsOf(T x, bool bigEndian) {
  auto bits = static_cast<int64_t>(
      std::bit_cast<std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>(x));
  return bigEndian ? BigEndian(bits, sizeof(T)) : LittleEndian(bits, sizeof(T));
}

// ---- Random values.

int Uniform(Rng& rng, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(rng);
}

std::string RandomDigits(Rng& rng, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += static_cast<char>('0' + Uniform(rng, 0, 9));
  return s;
}

// A value with up to `maxInteger` integer digits and `decimals` decimals.
Value RandomValue(Rng& rng, int maxInteger, int decimals) {
  Value v;
  v.negative = Uniform(rng, 0, 1) == 1;
  int mode = Uniform(rng, 0, 9);
  if (mode == 0) {  // the largest magnitude
    v.integer = std::string(static_cast<size_t>(maxInteger), '9');
    v.fraction = std::string(static_cast<size_t>(decimals), '9');
  } else if (mode == 1) {
    v.fraction = std::string(static_cast<size_t>(decimals), '0');
  } else {
    int length = Uniform(rng, 0, maxInteger);
    if (length > 0) v.integer = std::to_string(Uniform(rng, 1, 9)) + RandomDigits(rng, length - 1);
    v.fraction = RandomDigits(rng, decimals);
  }
  if (IsZero(v)) v.negative = false;
  return v;
}

int64_t RandomInteger(Rng& rng, int64_t lo, int64_t hi) {
  int mode = Uniform(rng, 0, 7);
  if (mode == 0) return lo;
  if (mode == 1) return hi;
  if (mode < 5) {  // spread over the magnitudes
    int digits = Uniform(rng, 1, 18);
    int64_t limit = 1;
    for (int i = 1; i < digits; ++i) limit *= 10;
    int64_t n = std::uniform_int_distribution<int64_t>(-limit, limit)(rng);
    return std::clamp(n, lo, hi);
  }
  return std::uniform_int_distribution<int64_t>(lo, hi)(rng);
}

int64_t MaxOfBytes(int bytes) {
  return static_cast<int64_t>((uint64_t{1} << (8 * bytes - 1)) - 1);
}

// ---- One round trip.

struct Case {
  FieldDescription d;
  Bytes pc;    // the PC field
  Bytes raw;   // the raw field the model expects from it
  Bytes back;  // the PC field the model expects back from the raw one
};

constexpr int16_t kChar = 0, kInt = 1, kLong = 2, kFloat = 3, kDouble = 4, kB = 5, kComp3 = 6,
                  kComp = 7, kComp3s = 9, kString = 10;
enum As : int16_t { aChar, aBin2, aBin4, aPack, aZoned, aDate, aTime, aFloat, aDouble, aTimstp };

bool IsTextAs(int as) {
  return as == aChar || as == aDate || as == aTime || as == aTimstp;
}
bool IsDecimalAs(int as) {
  return as == aPack || as == aZoned;
}
int DigitsOf(int as, int length) {
  return as == aPack ? 2 * length - 1 : length;
}

// A length for a PACK or ZONED field holding `integers` integer digits and
// `decimals` decimals, with some room to spare.
int16_t DecimalLength(Rng& rng, int as, int integers, int decimals) {
  int digits = integers + decimals + Uniform(rng, 0, 3);
  int length = as == aPack ? digits / 2 + 1 : std::max(digits, 1);
  return static_cast<int16_t>(std::min(length, as == aPack ? 32 : 63));
}

Bytes AsDecimal(const Value& v, const FieldDescription& d, uint8_t zone) {
  return d.asType == aPack ? Packed(v, d.asLength, d.asDecimals, 0xF)
                           : Zoned(v, d.asLength, d.asDecimals, zone);
}

// The width of the shortest right-justified text of the value (at least 1).
int Needed(const Value& v, int decimals) {
  int width =
      static_cast<int>(v.integer.size()) + (decimals > 0 ? decimals + 1 : 0) + (v.negative ? 1 : 0);
  return std::max(width, 1);
}

// Text <-> text: CHAR or STRING with CHAR, DATE, TIME, TIMSTP.
Case TextPair(Rng& rng, int16_t pc, int16_t as) {
  int16_t length = static_cast<int16_t>(Uniform(rng, 1, 40));
  Case c{{pc, length, 0, as, length, 0}, {}, {}, {}};
  bool plain = Uniform(rng, 0, 1) == 0;
  std::string text;
  for (int i = 0; i < length; ++i) {
    text += plain ? "0123456789 .-"[Uniform(rng, 0, 12)]
                  : static_cast<char>(Uniform(rng, pc == kString ? 1 : 0, 255));
  }
  c.pc = Padded(text, length);
  c.raw = plain ? Ebcdic(text) : Bytes();
  if (!plain) {
    for (uint8_t b : c.pc) c.raw.push_back(BuiltInCodePage().toHost[b]);
  }
  c.back = c.pc;
  return c;
}

Case TextWithNumber(Rng& rng, int16_t pc, int16_t as) {
  Case c;
  c.d.pcType = pc;
  c.d.asType = as;
  if (as == aBin2 || as == aBin4) {  // "%ld", left-justified
    c.d.asLength = as == aBin2 ? 2 : 4;
    int64_t n = RandomInteger(rng, -MaxOfBytes(c.d.asLength) - 1, MaxOfBytes(c.d.asLength));
    std::string text = std::to_string(n);
    c.d.pcLength = static_cast<int16_t>(text.size() + static_cast<size_t>(Uniform(rng, 0, 4)));
    c.pc = c.back = Padded(text, c.d.pcLength);
    c.raw = BigEndian(n, c.d.asLength);
    return c;
  }
  c.d.pcDecimals = static_cast<int16_t>(Uniform(rng, 0, 5));
  bool left = pc == kChar && (as == aPack || as == aFloat || as == aDouble);
  Value v;
  if (IsDecimalAs(as)) {
    c.d.asDecimals = static_cast<int16_t>(Uniform(rng, 0, 5));
    v = RandomValue(rng, Uniform(rng, 0, 12), std::min(c.d.pcDecimals, c.d.asDecimals));
    c.d.asLength = DecimalLength(rng, as, static_cast<int>(v.integer.size()), c.d.asDecimals);
    if (static_cast<int>(v.integer.size()) + c.d.asDecimals > DigitsOf(as, c.d.asLength)) {
      v.integer.erase(0, 1);  // keep within the field (the length is capped)
      if (IsZero(v)) v.negative = false;
    }
    c.raw = AsDecimal(v, c.d, 0x30);
  } else {  // FLOAT, DOUBLE: digits within their precision
    c.d.asLength = as == aFloat ? 4 : 8;
    int precision = as == aFloat ? 6 : 15;
    c.d.pcDecimals = static_cast<int16_t>(std::min<int>(c.d.pcDecimals, precision));
    v = RandomValue(rng, precision - c.d.pcDecimals, Uniform(rng, 0, c.d.pcDecimals));
    c.raw = as == aFloat ? BitsOf(std::strtof(Plain(v).c_str(), nullptr), true)
                         : BitsOf(std::strtod(Plain(v).c_str(), nullptr), true);
  }
  if (left) {
    std::string text = LeftText(v, c.d.pcDecimals);
    c.d.pcLength = static_cast<int16_t>(text.size() + static_cast<size_t>(Uniform(rng, 0, 4)));
    c.pc = c.back = Padded(text, c.d.pcLength);
  } else {
    c.d.pcLength = static_cast<int16_t>(Needed(v, c.d.pcDecimals) + Uniform(rng, 0, 4));
    c.pc = c.back = Padded(RightText(v, c.d.pcLength, c.d.pcDecimals), c.d.pcLength);
  }
  return c;
}

Case IntegerPair(Rng& rng, int16_t pc, int16_t as) {
  Case c;
  c.d.pcType = pc;
  c.d.pcLength = pc == kInt ? 2 : pc == kLong ? 4 : static_cast<int16_t>(Uniform(rng, 1, 8));
  c.d.asType = as;
  int64_t max = MaxOfBytes(c.d.pcLength);
  bool scaled = as == aChar || IsDecimalAs(as);  // the PC decimals count only there
  c.d.pcDecimals = static_cast<int16_t>(Uniform(rng, 0, 4));
  if (as == aBin2 || as == aBin4) {
    c.d.asLength = as == aBin2 ? 2 : 4;
    max = std::min(max, MaxOfBytes(c.d.asLength));
  } else if (as == aFloat || as == aDouble) {
    c.d.asLength = as == aFloat ? 4 : 8;
    if (as == aFloat) max = std::min<int64_t>(max, 1 << 24);  // exact in a float
  }
  int64_t n = RandomInteger(rng, -max - (max == MaxOfBytes(c.d.pcLength) ? 1 : 0), max);
  Value v = FromInteger(n, scaled ? c.d.pcDecimals : 0);
  c.pc = c.back = pc == kComp ? BigEndian(n, c.d.pcLength) : LittleEndian(n, c.d.pcLength);
  switch (as) {
    case aBin2:
    case aBin4:
      c.raw = BigEndian(n, c.d.asLength);
      break;
    case aFloat:
      c.raw = BitsOf(static_cast<float>(n), true);
      break;
    case aDouble:
      c.raw = BitsOf(static_cast<double>(n), true);
      break;
    case aChar:
      if (pc == kComp) {  // left-justified
        c.d.asLength = static_cast<int16_t>(LeftText(v, c.d.pcDecimals).size() +
                                            static_cast<size_t>(Uniform(rng, 0, 4)));
        c.raw = Ebcdic(std::string(
            reinterpret_cast<const char*>(Padded(LeftText(v, c.d.pcDecimals), c.d.asLength).data()),
            static_cast<size_t>(c.d.asLength)));
      } else {
        c.d.asLength = static_cast<int16_t>(Needed(v, c.d.pcDecimals) + Uniform(rng, 0, 4));
        c.raw = Ebcdic(RightText(v, c.d.asLength, c.d.pcDecimals));
      }
      break;
    default:  // PACK, ZONED
      c.d.asDecimals = static_cast<int16_t>(c.d.pcDecimals + Uniform(rng, 0, 3));
      c.d.asLength = DecimalLength(rng, as, static_cast<int>(v.integer.size()), c.d.asDecimals);
      c.raw = AsDecimal(v, c.d, pc == kComp ? 0x30 : 0xF0);
      break;
  }
  return c;
}

Case FloatingPair(Rng& rng, int16_t pc, int16_t as) {
  Case c;
  c.d.pcType = pc;
  c.d.pcLength = pc == kFloat ? 4 : 8;
  c.d.asType = as;
  int precision = pc == kFloat ? 6 : 15;
  auto pcBits = [&](double x) {
    return pc == kFloat ? BitsOf(static_cast<float>(x), false) : BitsOf(x, false);
  };
  if (as == aFloat || as == aDouble) {
    c.d.asLength = as == aFloat ? 4 : 8;
    uint64_t bits = rng();
    double x = pc == kFloat ? static_cast<double>(std::bit_cast<float>(static_cast<uint32_t>(bits)))
                            : std::bit_cast<double>(bits);
    if (!std::isfinite(x)) x = 1.0;
    int exponent;
    if (as == aFloat && pc == kDouble)
      x = std::ldexp(std::frexp(x, &exponent), Uniform(rng, -100, 100));
    c.pc = pcBits(x);
    c.raw = as == aFloat ? BitsOf(static_cast<float>(x), true) : BitsOf(x, true);
    // An AS/400 FLOAT keeps what a float holds.
    c.back = pcBits(as == aFloat ? static_cast<double>(static_cast<float>(x)) : x);
    return c;
  }
  if (as == aBin2 || as == aBin4) {
    c.d.asLength = as == aBin2 ? 2 : 4;
    int64_t max = MaxOfBytes(c.d.asLength);
    if (pc == kFloat) max = std::min<int64_t>(max, 1 << 24);
    int64_t n = RandomInteger(rng, -max, max);
    c.pc = c.back = pcBits(static_cast<double>(n));
    c.raw = BigEndian(n, c.d.asLength);
    return c;
  }
  // PACK, ZONED: rounded to the AS/400 decimals; CHAR: to the PC decimals.
  int decimals = Uniform(rng, 0, 6);
  int integers = Uniform(rng, 0, precision - std::min(decimals, precision));
  Value v = RandomValue(rng, integers, Uniform(rng, 0, std::min(decimals, precision - integers)));
  double x = pc == kFloat ? static_cast<double>(std::strtof(Plain(v).c_str(), nullptr))
                          : std::strtod(Plain(v).c_str(), nullptr);
  c.pc = c.back = pcBits(x);
  Value rounded = FromText(Printf(x, decimals));
  if (as == aChar) {
    c.d.pcDecimals = static_cast<int16_t>(decimals);
    c.d.asLength = static_cast<int16_t>(Needed(rounded, decimals) + Uniform(rng, 0, 4));
    c.raw = Ebcdic(RightText(rounded, c.d.asLength, decimals));
  } else {
    c.d.asDecimals = static_cast<int16_t>(decimals);
    c.d.asLength = DecimalLength(rng, as, static_cast<int>(rounded.integer.size()), decimals);
    c.raw = AsDecimal(rounded, c.d, 0xF0);
  }
  return c;
}

Case PackedPair(Rng& rng, int16_t pc, int16_t as) {
  Case c;
  c.d.pcType = pc;
  c.d.asType = as;
  c.d.pcDecimals = static_cast<int16_t>(Uniform(rng, 0, 4));
  uint8_t positive = pc == kComp3s ? 0xC : 0xF;
  Value v;
  if (as == aFloat || as == aDouble) {
    c.d.asLength = as == aFloat ? 4 : 8;
    int precision = as == aFloat ? 6 : 15;
    v = RandomValue(rng, Uniform(rng, 0, precision - c.d.pcDecimals),
                    Uniform(rng, 0, c.d.pcDecimals));
    c.raw = as == aFloat ? BitsOf(std::strtof(Plain(v).c_str(), nullptr), true)
                         : BitsOf(std::strtod(Plain(v).c_str(), nullptr), true);
  } else {
    c.d.asDecimals = static_cast<int16_t>(Uniform(rng, 0, 4));
    v = RandomValue(rng, Uniform(rng, 0, 14), std::min(c.d.pcDecimals, c.d.asDecimals));
    c.d.asLength = DecimalLength(rng, as, static_cast<int>(v.integer.size()), c.d.asDecimals);
    if (static_cast<int>(v.integer.size()) + c.d.asDecimals > DigitsOf(as, c.d.asLength)) {
      v.integer.erase(0, 1);
      if (IsZero(v)) v.negative = false;
    }
    c.raw = AsDecimal(v, c.d, 0xF0);
  }
  c.d.pcLength = DecimalLength(rng, aPack, static_cast<int>(v.integer.size()), c.d.pcDecimals);
  c.pc = c.back = Packed(v, c.d.pcLength, c.d.pcDecimals, positive);
  return c;
}

Case BytesPair(Rng& rng, int16_t as) {
  static const int16_t kLengths[] = {7, 2, 4, 5, 6, 10, 8, 4, 8, 26};
  int16_t length = kLengths[as];
  Case c{{kB, length, 0, as, length, 0}, {}, {}, {}};
  for (int i = 0; i < length; ++i) c.pc.push_back(static_cast<uint8_t>(Uniform(rng, 0, 255)));
  c.raw = c.back = c.pc;
  return c;
}

Case MakeCase(Rng& rng, int16_t pc, int16_t as) {
  if (pc == kB) return BytesPair(rng, as);
  if (pc == kChar || pc == kString) {
    return IsTextAs(as) ? TextPair(rng, pc, as) : TextWithNumber(rng, pc, as);
  }
  if (pc == kInt || pc == kLong || pc == kComp) return IntegerPair(rng, pc, as);
  if (pc == kFloat || pc == kDouble) return FloatingPair(rng, pc, as);
  return PackedPair(rng, pc, as);
}

std::string Describe(const Case& c) {
  const FieldDescription& d = c.d;
  return std::string(PcTypeName(d.pcType)) + "(" + std::to_string(d.pcLength) + "," +
         std::to_string(d.pcDecimals) + ") <-> " + AsTypeName(d.asType) + "(" +
         std::to_string(d.asLength) + "," + std::to_string(d.asDecimals) + ")";
}

TEST(FieldConverterRoundTrip, EveryConvertedPairKeepsItsValues) {
  Rng rng(20240531);
  int pairs = 0;
  for (int16_t as = 0; as < kAsTypeCount; ++as) {
    for (int16_t pc = 0; pc < kPcTypeCount; ++pc) {
      if (pc != kB && !IsConverted(FieldOperation(as, pc))) continue;
      ++pairs;
      for (int i = 0; i < 400; ++i) {
        Case c = MakeCase(rng, pc, as);
        ASSERT_EQ(c.pc.size(), static_cast<size_t>(c.d.pcLength)) << Describe(c);
        Bytes raw(static_cast<size_t>(c.d.asLength), 0xAA);
        ASSERT_EQ(toAs(c.d, c.pc.data(), raw.data(), c.d.pcLength), FieldStatus::kConverted)
            << Describe(c);
        ASSERT_EQ(raw, c.raw) << Describe(c) << " case " << i;
        Bytes back(static_cast<size_t>(c.d.pcLength), 0xAA);
        ASSERT_EQ(toPc(c.d, raw.data(), back.data(), c.d.pcLength), FieldStatus::kConverted)
            << Describe(c);
        ASSERT_EQ(back, c.back) << Describe(c) << " case " << i;
      }
    }
  }
  EXPECT_EQ(pairs, 61 + kAsTypeCount);  // the converted operations and the "B" column
}

}  // namespace
}  // namespace vantora::conversion
