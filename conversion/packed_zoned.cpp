// Reading and writing packed and zoned fields (layouts in the header).
#include "conversion/packed_zoned.h"

namespace vantora::conversion {
namespace {

bool AnyNonZero(const uint8_t* digits, int count) {
  for (int i = 0; i < count; ++i) {
    if (digits[i] != 0) return true;
  }
  return false;
}

}  // namespace

FieldStatus LoadPacked(const uint8_t* field, int length, int scale, Decimal* out) {
  int count = PackedDigits(length);
  for (int i = 0; i < length; ++i) {
    uint8_t high = field[i] >> 4;
    uint8_t low = field[i] & 0x0F;
    if (high > 9 || (low > 9 && i + 1 < length)) return FieldStatus::kInvalidValue;
    out->digits[2 * i] = high;
    if (i + 1 < length) out->digits[2 * i + 1] = low;
  }
  out->count = count;
  out->scale = scale;
  out->negative = PackedSign(field, length) == kSignNegative;
  return FieldStatus::kConverted;
}

FieldStatus LoadZoned(const uint8_t* field, int length, int scale, Decimal* out) {
  for (int i = 0; i < length; ++i) {
    uint8_t digit = field[i] & 0x0F;
    if (digit > 9) return FieldStatus::kInvalidValue;
    out->digits[i] = digit;
  }
  out->count = length;
  out->scale = scale;
  out->negative = (field[length - 1] >> 4) == kSignNegative;
  return FieldStatus::kConverted;
}

FieldStatus StorePacked(const Decimal& value, int scale, uint8_t positiveSign, uint8_t negativeSign,
                        uint8_t* field, int length) {
  int count = PackedDigits(length);
  uint8_t digits[kMaxDigits];
  if (!AlignDigits(value, count, scale, digits)) return FieldStatus::kOverflow;
  bool negative = value.negative && AnyNonZero(digits, count);
  uint8_t sign = negative ? negativeSign : positiveSign;
  for (int i = 0; i + 1 < length; ++i) {
    field[i] = static_cast<uint8_t>(digits[2 * i] << 4 | digits[2 * i + 1]);
  }
  field[length - 1] = static_cast<uint8_t>(digits[count - 1] << 4 | sign);
  return FieldStatus::kConverted;
}

FieldStatus StoreZoned(const Decimal& value, int scale, uint8_t zone, uint8_t* field, int length) {
  uint8_t digits[kMaxDigits];
  if (!AlignDigits(value, length, scale, digits)) return FieldStatus::kOverflow;
  bool negative = value.negative && AnyNonZero(digits, length);
  for (int i = 0; i + 1 < length; ++i) field[i] = static_cast<uint8_t>(zone | digits[i]);
  uint8_t sign = negative ? kSignNegative : kSignPositive;
  field[length - 1] = static_cast<uint8_t>(sign << 4 | digits[length - 1]);
  return FieldStatus::kConverted;
}

}  // namespace vantora::conversion
