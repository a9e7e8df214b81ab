// Reading and writing numeric texts.
#include "conversion/decimal_text.h"

#include <charconv>
#include <cstring>

namespace vantora::conversion {
namespace {

bool IsSpace(int c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(int c) {
  return c >= '0' && c <= '9';
}

bool AnyNonZero(const uint8_t* digits, int count) {
  for (int i = 0; i < count; ++i) {
    if (digits[i] != 0) return true;
  }
  return false;
}

// A text read character by character, translated when it is AS/400 text.
// Peek() answers 0 at the zero byte that ends the text and at the field end.
class TextReader {
 public:
  TextReader(const uint8_t* text, int length, const uint8_t* translate)
      : text_(text), length_(length), translate_(translate) {}
  int Peek() const {
    if (position_ >= length_) return 0;
    return translate_ ? translate_[text_[position_]] : text_[position_];
  }
  void Advance() { ++position_; }

 private:
  const uint8_t* text_;
  int length_;
  const uint8_t* translate_;
  int position_ = 0;
};

// Collects digits into a Decimal. Leading zeros are not kept, so the digit
// limit applies to significant digits; fraction digits past what any field
// can hold are dropped, which truncates as every text reader here does.
class DigitSink {
 public:
  explicit DigitSink(Decimal* out) : out_(out) {
    out->negative = false;
    out->scale = 0;
    out->count = 0;
  }
  void Integer(int c) {
    uint8_t digit = static_cast<uint8_t>(c - '0');
    if (out_->count == 0 && digit == 0) return;
    if (out_->count == kMaxDigits) {
      overflow_ = true;
      return;
    }
    out_->digits[out_->count++] = digit;
  }
  void Fraction(int c) {
    uint8_t digit = static_cast<uint8_t>(c - '0');
    if (out_->scale == kMaxDecimals || out_->count == kMaxDigits) return;
    ++out_->scale;
    if (out_->count == 0 && digit == 0) return;
    out_->digits[out_->count++] = digit;
  }
  FieldStatus status() const {
    return overflow_ ? FieldStatus::kOverflow : FieldStatus::kConverted;
  }

 private:
  Decimal* out_;
  bool overflow_ = false;
};

// Whether the number text that std::from_chars found out of range is below 1
// in magnitude (an underflow) rather than above the type's range.
bool BelowOne(const char* p, const char* end) {
  if (p < end && *p == '-') ++p;
  while (p < end && *p == '0') ++p;
  long magnitude = 0;
  while (p < end && IsDigit(*p)) ++magnitude, ++p;
  if (p < end && *p == '.') {
    ++p;
    if (magnitude == 0) {
      while (p < end && *p == '0') --magnitude, ++p;
    }
    while (p < end && IsDigit(*p)) ++p;
  }
  long exponent = 0;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    while (p < end && IsDigit(*p)) {
      if (exponent < 100000) exponent = exponent * 10 + (*p - '0');
      ++p;
    }
    if (negative) exponent = -exponent;
  }
  return magnitude + exponent <= 0;
}

// Reads the number that starts at `begin`; `cut` says the text went on
// beyond `end`.
template <typename T>
FieldStatus ParseFloatingText(const char* begin, const char* end, bool cut, T* out) {
  while (begin < end && IsSpace(*begin)) ++begin;
  // strtod takes a "+" that std::from_chars does not.
  if (end - begin >= 2 && begin[0] == '+' && begin[1] != '-' && begin[1] != '+') ++begin;
  T value = 0;
  auto [stop, ec] = std::from_chars(begin, end, value);
  if (ec == std::errc::invalid_argument) {
    *out = 0;
    return FieldStatus::kConverted;
  }
  if (cut && stop == end) return FieldStatus::kInvalidValue;
  if (ec == std::errc::result_out_of_range) {
    if (!BelowOne(begin, stop)) return FieldStatus::kOverflow;
    value = *begin == '-' ? -T(0) : T(0);
  }
  *out = value;
  return FieldStatus::kConverted;
}

template <typename T>
FieldStatus ParseLeadingFloating(const uint8_t* text, int length, const uint8_t* translate,
                                 T* out) {
  if (translate == nullptr) {
    auto begin = reinterpret_cast<const char*>(text);
    const void* zero = std::memchr(text, 0, static_cast<size_t>(length));
    return ParseFloatingText(begin, zero ? static_cast<const char*>(zero) : begin + length, false,
                             out);
  }
  // AS/400 text: translated into a bounded copy, white space skipped first.
  TextReader reader(text, length, translate);
  while (IsSpace(reader.Peek())) reader.Advance();
  char scratch[kMaxNumberText];
  int n = 0;
  for (int c; n < kMaxNumberText && (c = reader.Peek()) != 0; reader.Advance()) {
    scratch[n++] = static_cast<char>(c);
  }
  return ParseFloatingText(scratch, scratch + n, reader.Peek() != 0, out);
}

}  // namespace

FieldStatus ParseDecimalText(const uint8_t* text, int length, Decimal* out) {
  TextReader reader(text, length, nullptr);
  DigitSink sink(out);
  while (reader.Peek() == ' ') reader.Advance();
  if (reader.Peek() == '+') {
    reader.Advance();
  } else if (reader.Peek() == '-') {
    out->negative = true;
    reader.Advance();
  }
  while (reader.Peek() == '0' || reader.Peek() == ' ') reader.Advance();
  int c;
  for (; (c = reader.Peek()) != 0 && c != '.' && c != ' '; reader.Advance()) {
    if (!IsDigit(c)) return FieldStatus::kInvalidValue;
    sink.Integer(c);
  }
  if (c == '.') {
    reader.Advance();
    for (; (c = reader.Peek()) != 0 && c != ' '; reader.Advance()) {
      if (!IsDigit(c)) return FieldStatus::kInvalidValue;
      sink.Fraction(c);
    }
  }
  while (reader.Peek() == ' ') reader.Advance();
  if (reader.Peek() != 0) return FieldStatus::kInvalidValue;
  return sink.status();
}

FieldStatus ParseLeadingDecimal(const uint8_t* text, int length, const uint8_t* translate,
                                Decimal* out) {
  TextReader reader(text, length, translate);
  DigitSink sink(out);
  while (IsSpace(reader.Peek())) reader.Advance();
  if (reader.Peek() == '+') {
    reader.Advance();
  } else if (reader.Peek() == '-') {
    out->negative = true;
    reader.Advance();
  }
  for (; IsDigit(reader.Peek()); reader.Advance()) sink.Integer(reader.Peek());
  if (reader.Peek() == '.') {
    reader.Advance();
    for (; IsDigit(reader.Peek()); reader.Advance()) sink.Fraction(reader.Peek());
  }
  return sink.status();
}

FieldStatus ParseLeadingDouble(const uint8_t* text, int length, const uint8_t* translate,
                               double* out) {
  return ParseLeadingFloating(text, length, translate, out);
}

FieldStatus ParseLeadingFloat(const uint8_t* text, int length, const uint8_t* translate,
                              float* out) {
  return ParseLeadingFloating(text, length, translate, out);
}

FieldStatus FormatRightJustified(const Decimal& value, int decimals, uint8_t* out, int width) {
  int integers = IntegerDigits(value);
  uint8_t digits[kMaxDigits + kMaxDecimals];
  int total = integers + decimals;
  AlignDigits(value, total, decimals, digits);
  bool negative = value.negative && AnyNonZero(digits, total);
  int needed = total + (decimals > 0 ? 1 : 0);
  if (needed > width || (negative && needed == width)) return FieldStatus::kOverflow;
  int fill = width - needed;
  if (fill > 0) std::memset(out, '0', static_cast<size_t>(fill));
  if (negative) out[0] = '-';
  uint8_t* p = out + fill;
  for (int i = 0; i < integers; ++i) *p++ = static_cast<uint8_t>('0' + digits[i]);
  if (decimals > 0) {
    *p++ = '.';
    for (int i = integers; i < total; ++i) *p++ = static_cast<uint8_t>('0' + digits[i]);
  }
  return FieldStatus::kConverted;
}

int FormatLeftJustified(const Decimal& value, int decimals, uint8_t* out, int capacity) {
  int integers = IntegerDigits(value);
  uint8_t digits[kMaxDigits + kMaxDecimals];
  int total = integers + decimals;
  AlignDigits(value, total, decimals, digits);
  bool negative = value.negative && AnyNonZero(digits, total);
  int length =
      (negative ? 1 : 0) + (integers > 0 ? integers : 1) + (decimals > 0 ? decimals + 1 : 0);
  if (length > capacity) return -1;
  uint8_t* p = out;
  if (negative) *p++ = '-';
  if (integers == 0) *p++ = '0';
  for (int i = 0; i < integers; ++i) *p++ = static_cast<uint8_t>('0' + digits[i]);
  if (decimals > 0) {
    *p++ = '.';
    for (int i = integers; i < total; ++i) *p++ = static_cast<uint8_t>('0' + digits[i]);
  }
  return length;
}

int FormatDecimalText(const Decimal& value, char* out, int capacity) {
  int scale = value.scale;
  int length = 1 + value.count + (scale > 0 ? 1 : 0) +
               (scale > value.count ? scale - value.count : 0) + (scale < 0 ? -scale : 0);
  if (length > capacity) return -1;
  char* p = out;
  *p++ = value.negative ? '-' : '+';
  int pointAt = value.count - scale;  // digits before the point
  if (scale > 0 && pointAt <= 0) {
    *p++ = '.';
    for (int i = pointAt; i < 0; ++i) *p++ = '0';
  }
  for (int i = 0; i < value.count; ++i) {
    if (scale > 0 && i == pointAt && pointAt > 0) *p++ = '.';
    *p++ = static_cast<char>('0' + value.digits[i]);
  }
  for (int i = 0; i < -scale; ++i) *p++ = '0';
  return length;
}

}  // namespace vantora::conversion
