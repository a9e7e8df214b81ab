// SQL functions over the storage's decimal representation (a decimal field
// holds its value scaled by 10^decimals as an integer, see field.h), which
// the host's SQL uses to show fields unscaled and store values scaled:
//
//   vnx_scale(value, decimals, digits) -> the integer to store: `value` (an
//     integer, a real, or a numeric text with blanks around) times
//     10^decimals, digits beyond the decimals dropped; NULL stays NULL.
//     Fails with kDecimalOverflow when the result has more than `digits`
//     digits, with kDecimalNotNumber when a text is not a number.
//
// Reals are taken at 15 significant digits, so 1.15 stores 115, not 114.
#ifndef VANTORA_HOST_STORAGE_DECIMAL_FUNCTIONS_H_
#define VANTORA_HOST_STORAGE_DECIMAL_FUNCTIONS_H_

#include <cstdint>
#include <string_view>

struct sqlite3;

namespace vantora::host {

inline constexpr std::string_view kDecimalOverflow = "decimal value does not fit: ";
inline constexpr std::string_view kDecimalNotNumber = "not a number: ";

// Registers the functions on `db`; false when SQLite refuses.
bool RegisterDecimalFunctions(sqlite3* db);

// The scaled integer of the numeric text `text` (blanks around, optional
// sign, digits, optional point and decimals); false when it is not one or
// does not fit `digits`. `overflow` tells which.
bool ScaleDecimalText(std::string_view text, int decimals, int digits, int64_t* out,
                      bool* overflow);

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_DECIMAL_FUNCTIONS_H_
