#include "host/server/numeric_text.h"

namespace vantora::host {

int FormatScaledInteger(int64_t value, int decimals, uint8_t* out, int capacity,
                        int* integerDigits) {
  const bool negative = value < 0;
  // The magnitude of INT64_MIN does not fit int64_t; work unsigned.
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  uint8_t reversed[20];  // least significant first; at most 20 digits
  int count = 0;
  while (magnitude != 0) {
    reversed[count++] = static_cast<uint8_t>(magnitude % 10);
    magnitude /= 10;
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
