#include "driver/cursors/constant_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "driver/cursors/date_time_text.h"
#include "idapi.h"

namespace vantora::driver {

std::string FloatText(double v) {
  char text[64];
  const double a = std::fabs(v);
  if (v == 0) return "0";
  if (a >= 0.1 && a < 1e16) {
    const int integerDigits = a < 1 ? 0 : static_cast<int>(std::floor(std::log10(a))) + 1;
    std::snprintf(text, sizeof text, "%.*f", 16 - integerDigits, v);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
      while (s.back() == '0') s.pop_back();
      if (s.back() == '.') s.pop_back();
    }
    return s;
  }
  std::snprintf(text, sizeof text, "%.15e", v);
  std::string s = text;
  const size_t e = s.find('e');
  std::string mantissa = s.substr(0, e);
  while (mantissa.back() == '0') mantissa.pop_back();
  if (mantissa.back() == '.') mantissa.pop_back();
  return mantissa + s.substr(e);
}

std::string Quoted(const std::string& text, char quote) {
  std::string out(1, quote);
  for (char c : text) {
    if (c == quote) out += c;
    out += c;
  }
  out += quote;
  return out;
}

bool AppendConstant(uint16_t type, const uint8_t* v, size_t size, const ConstantStyle& style,
                    std::string* out, std::string* problem) {
  auto fail = [&](const char* why) {
    *problem = why;
    return false;
  };
  auto quoted = [&](const std::string& s) {
    *out += style.quote;
    *out += s;
    *out += style.quote;
    return true;
  };
  char text[64];
  switch (type) {
    case IDAPI_TYPE_STRING: {
      const size_t n = idapi_text_length(v, 0, size);
      const char other = style.quote == '"' ? '\'' : '"';
      std::string s;
      for (size_t i = 0; i < n; ++i) {
        const char c = static_cast<char>(v[i]);
        if (c == style.quote || (style.doubleBothQuotes && c == other)) s += c;
        s += c;
      }
      return quoted(s);
    }
    case IDAPI_TYPE_DATE: {
      if (size < 4) return fail("a date constant is too short");
      const int n = DateToText(text, idapi_get_i32(v, 0), 0x0000);
      if (n == 0) return fail("a date constant that is no date");
      return quoted(std::string(text, static_cast<size_t>(n)));
    }
    case IDAPI_TYPE_TIME: {
      if (size < 4) return fail("a time constant is too short");
      const int n = TimeToText(text, idapi_get_i32(v, 0), false, 0x0000);
      if (n == 0) return fail("a time constant that is no time");
      return quoted(std::string(text, static_cast<size_t>(n)));
    }
    case IDAPI_TYPE_TIMESTAMP: {
      if (size < 8) return fail("a timestamp constant is too short");
      double d;
      std::memcpy(&d, v, 8);
      const int n = TimestampToText(text, d, 0x0000);
      if (n == 0) return fail("a timestamp constant that is no timestamp");
      return quoted(std::string(text, static_cast<size_t>(n)));
    }
    case IDAPI_TYPE_BOOL:
    case IDAPI_TYPE_INT16:
      if (size < 2) return fail("a constant is too short");
      *out += std::to_string(idapi_get_i16(v, 0));
      return true;
    case IDAPI_TYPE_UINT16:
      if (size < 2) return fail("a constant is too short");
      *out += std::to_string(idapi_get_u16(v, 0));
      return true;
    case IDAPI_TYPE_INT32:
      if (size < 4) return fail("a constant is too short");
      *out += std::to_string(idapi_get_i32(v, 0));
      return true;
    case IDAPI_TYPE_UINT32:
      if (size < 4) return fail("a constant is too short");
      *out += std::to_string(idapi_get_u32(v, 0));
      return true;
    case IDAPI_TYPE_FLOAT: {
      double d;
      if (size == 4) {
        float f;
        std::memcpy(&f, v, 4);
        d = f;
      } else if (size >= 8) {
        std::memcpy(&d, v, 8);
      } else {
        return fail("a constant is too short");
      }
      if (!std::isfinite(d)) return fail("a number that is not finite");
      *out += FloatText(d);
      return true;
    }
    default:
      return fail("a constant of a type without a text");
  }
}

}  // namespace vantora::driver
