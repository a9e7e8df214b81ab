#include "host/server/files/numeric_text.h"

#include <cstddef>

namespace vantora::host {

int FormatScaledInteger(int64_t value, int decimals, uint8_t* out, int capacity,
                        int* integerDigits) {
  const bool negative = value < 0;
  // The magnitude of INT64_MIN does not fit int64_t; work unsigned.
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  // Two digits per division: the digit pairs 00..99 as text.
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  uint8_t reversed[20];  // digit values, least significant first; at most 20 digits
  int count = 0;
  while (magnitude >= 100) {
    auto pair = static_cast<size_t>(magnitude % 100) * 2;
    magnitude /= 100;
    reversed[count++] = static_cast<uint8_t>(kPairs[pair + 1] - '0');
    reversed[count++] = static_cast<uint8_t>(kPairs[pair] - '0');
  }
  if (magnitude >= 10) {
    auto pair = static_cast<size_t>(magnitude) * 2;
    reversed[count++] = static_cast<uint8_t>(kPairs[pair + 1] - '0');
    reversed[count++] = static_cast<uint8_t>(kPairs[pair] - '0');
  } else if (magnitude > 0) {
    reversed[count++] = static_cast<uint8_t>(magnitude);
  }
  const int integers = count > decimals ? count - decimals : 0;
  *integerDigits = integers;
  const int length =
      (negative ? 1 : 0) + (integers > 0 ? integers : 1) + (decimals > 0 ? decimals + 1 : 0);
  if (length > capacity) return -1;
  uint8_t* p = out;
  if (negative) *p++ = '-';
  if (integers == 0) *p++ = '0';
  for (int i = count - 1; i >= decimals; --i) *p++ = static_cast<uint8_t>('0' + reversed[i]);
  if (decimals > 0) {
    *p++ = '.';
    for (int i = decimals - 1; i >= 0; --i) {
      *p++ = static_cast<uint8_t>('0' + (i < count ? reversed[i] : 0));
    }
  }
  return length;
}

}  // namespace vantora::host
