// The numeric text of a scaled integer, written straight from its binary
// value: the record images' form of PACK, ZONED and BIN8 fields (see
// record_codec.h), without going through a decimal digit string first.
#ifndef VANTORA_HOST_SERVER_FILES_NUMERIC_TEXT_H_
#define VANTORA_HOST_SERVER_FILES_NUMERIC_TEXT_H_

#include <cstdint>

namespace vantora::host {

// Writes `value` / 10^decimals left-justified into out[0, capacity): "-"
// when negative, the integer digits without leading zeros ("0" when none),
// then "." and exactly `decimals` decimals when decimals > 0; nothing
// after it. Answers the length written, or -1 (nothing written) when it
// needs more than `capacity`. `integerDigits` gets the digits before the
// point (0 for "0.5"), written or not. REQUIRES: 0 <= decimals <= 18.
int FormatScaledInteger(int64_t value, int decimals, uint8_t* out, int capacity,
                        int* integerDigits);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_FILES_NUMERIC_TEXT_H_
