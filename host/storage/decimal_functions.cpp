#include "host/storage/decimal_functions.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdio>
#include <string>

namespace vantora::host {
namespace {

constexpr int kMaxDigits = 18;

void Fail(sqlite3_context* ctx, std::string_view why, std::string_view value) {
  std::string message(why);
  message.append(value.substr(0, 40));
  sqlite3_result_error(ctx, message.c_str(), static_cast<int>(message.size()));
}

void Scale(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const int decimals = sqlite3_value_int(argv[1]);
  const int digits = sqlite3_value_int(argv[2]);
  std::string text;
  switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
      sqlite3_result_null(ctx);
      return;
    case SQLITE_INTEGER:
      text = std::to_string(sqlite3_value_int64(argv[0]));
      break;
    case SQLITE_FLOAT: {
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.15g", sqlite3_value_double(argv[0]));
      text = buffer;
      break;
    }
    default: {
      const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
      if (bytes != nullptr) text.assign(bytes, static_cast<size_t>(sqlite3_value_bytes(argv[0])));
    }
  }
  // A real in exponent form ("1e+20", "1.5e-07") reads through its plain
  // decimal text.
  if (text.find_first_of("eE") != std::string::npos &&
      sqlite3_value_type(argv[0]) == SQLITE_FLOAT) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, sqlite3_value_double(argv[0]));
    text = buffer;
  }
  int64_t scaled = 0;
  bool overflow = false;
  if (!ScaleDecimalText(text, decimals, digits, &scaled, &overflow)) {
    return Fail(ctx, overflow ? kDecimalOverflow : kDecimalNotNumber, text);
  }
  sqlite3_result_int64(ctx, scaled);
}

}  // namespace

bool ScaleDecimalText(std::string_view text, int decimals, int digits, int64_t* out,
                      bool* overflow) {
  *overflow = false;
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (digits < 1 || digits > kMaxDigits) digits = kMaxDigits;
  if (decimals < 0 || decimals > digits) return false;
  int64_t value = 0;
  int integerDigits = 0;
  int fraction = -1;  // decimals read so far; -1 before the point
  bool any = false;
  for (char ch : text) {
    if (ch == '.' && fraction < 0) {
      fraction = 0;
      continue;
    }
    if (std::isdigit(static_cast<unsigned char>(ch)) == 0) return false;
    any = true;
    if (fraction >= 0) {
      if (fraction == decimals) continue;  // beyond the field's decimals: dropped
      ++fraction;
    } else if (value != 0 || ch != '0') {
      ++integerDigits;
    }
    if (integerDigits > digits - decimals) {
      *overflow = true;
      return false;
    }
    value = value * 10 + (ch - '0');
  }
  if (!any) return false;
  for (int i = fraction < 0 ? 0 : fraction; i < decimals; ++i) value *= 10;
  *out = negative ? -value : value;
  return true;
}

bool RegisterDecimalFunctions(sqlite3* db) {
  return sqlite3_create_function_v2(db, "vnx_scale", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                    Scale, nullptr, nullptr, nullptr) == SQLITE_OK;
}

}  // namespace vantora::host
