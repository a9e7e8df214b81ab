#include "driver/cursors/parameter_values.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/cursors/constant_text.h"
#include "driver/cursors/date_time_text.h"
#include "driver/frame/type_mapping.h"
#include "idapi.h"

namespace vantora::driver {
namespace {

bool Fail(std::string* problem, const std::string& why) {
  *problem = why;
  return false;
}

bool IsText(int16_t asType) {
  return asType == kAsChar || asType == kAsDate || asType == kAsTime || asType == kAsTimestamp;
}

// The engine value as a number; false when it is none.
bool EngineNumber(const EngineField& e, const uint8_t* v, double* out) {
  switch (e.type) {
    case IDAPI_TYPE_BOOL:
    case IDAPI_TYPE_INT16:
      *out = idapi_get_i16(v, 0);
      return true;
    case IDAPI_TYPE_UINT16:
      *out = idapi_get_u16(v, 0);
      return true;
    case IDAPI_TYPE_INT32:
      *out = idapi_get_i32(v, 0);
      return true;
    case IDAPI_TYPE_UINT32:
      *out = idapi_get_u32(v, 0);
      return true;
    case IDAPI_TYPE_FLOAT:  // the engine's floats are doubles
      std::memcpy(out, v, 8);
      return std::isfinite(*out);
    case IDAPI_TYPE_STRING: {
      const std::string text(reinterpret_cast<const char*>(v), idapi_text_length(v, 0, e.length));
      char* end = nullptr;
      *out = std::strtod(text.c_str(), &end);
      while (end != nullptr && *end == ' ') ++end;
      return !text.empty() && end != nullptr && *end == '\0' && std::isfinite(*out);
    }
    default:
      return false;
  }
}

// The engine value as the text a CHAR, DATE, TIME or TIMESTP field holds.
bool EngineText(const EngineField& e, const uint8_t* v, const ProcedureField& f, std::string* text,
                std::string* problem) {
  char buffer[64];
  const uint16_t word = static_cast<uint16_t>(f.asDecimals);
  int n = 0;
  switch (e.type) {
    case IDAPI_TYPE_STRING:
      text->assign(reinterpret_cast<const char*>(v), idapi_text_length(v, 0, e.length));
      return true;
    case IDAPI_TYPE_DATE:
      n = DateToText(buffer, idapi_get_i32(v, 0), f.asType == kAsDate ? word : 0);
      break;
    case IDAPI_TYPE_TIME:
      n = TimeToText(buffer, idapi_get_i32(v, 0), false, f.asType == kAsTime ? word : 0);
      break;
    case IDAPI_TYPE_TIMESTAMP: {
      double d;
      std::memcpy(&d, v, 8);
      n = TimestampToText(buffer, d, 0);
      break;
    }
    default: {
      std::string why;
      text->clear();
      if (!AppendConstant(e.type, v, e.length, kSqlStyle, text, &why)) return Fail(problem, why);
      return true;
    }
  }
  if (n <= 0) return Fail(problem, "the value cannot be written in the parameter's format");
  text->assign(buffer, static_cast<size_t>(n));
  return true;
}

void PutBigEndian(uint8_t* out, uint64_t bits, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) {
    out[i] = static_cast<uint8_t>(bits & 0xFF);
    bits >>= 8;
  }
}

uint64_t GetBigEndian(const uint8_t* in, int bytes) {
  uint64_t bits = 0;
  for (int i = 0; i < bytes; ++i) bits = (bits << 8) | in[i];
  return bits;
}

int Digits(const ProcedureField& f) {
  if (f.asDigits > 0) return f.asDigits;
  return f.asType == kAsPacked ? f.asLength * 2 - 1 : f.asLength;
}

bool ScaledValue(double v, const ProcedureField& f, int digits, long long* scaled,
                 std::string* problem) {
  const double s = std::round(v * std::pow(10.0, f.asDecimals));
  if (std::fabs(s) >= std::pow(10.0, digits)) {
    return Fail(problem, "the value has more digits than the parameter holds");
  }
  *scaled = static_cast<long long>(s);
  return true;
}

// The engine value of the number `v` for `e`.
bool StoreNumber(double v, const EngineField& e, uint8_t* out, std::string* problem) {
  switch (e.type) {
    case IDAPI_TYPE_BOOL:
    case IDAPI_TYPE_INT16:
      if (v < INT16_MIN || v > INT16_MAX) return Fail(problem, "the value does not fit");
      idapi_put_u16(out, 0, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v))));
      return true;
    case IDAPI_TYPE_UINT16:
      if (v < 0 || v > UINT16_MAX) return Fail(problem, "the value does not fit");
      idapi_put_u16(out, 0, static_cast<uint16_t>(std::lround(v)));
      return true;
    case IDAPI_TYPE_INT32:
      if (v < INT32_MIN || v > INT32_MAX) return Fail(problem, "the value does not fit");
      idapi_put_u32(out, 0, static_cast<uint32_t>(static_cast<int32_t>(std::llround(v))));
      return true;
    case IDAPI_TYPE_UINT32:
      if (v < 0 || v > UINT32_MAX) return Fail(problem, "the value does not fit");
      idapi_put_u32(out, 0, static_cast<uint32_t>(std::llround(v)));
      return true;
    case IDAPI_TYPE_FLOAT:
      std::memcpy(out, &v, 8);
      return true;
    case IDAPI_TYPE_STRING: {
      const std::string text = FloatText(v);
      if (text.size() + 1 > e.length) return Fail(problem, "the value does not fit");
      std::memcpy(out, text.c_str(), text.size() + 1);
      return true;
    }
    default:
      return Fail(problem, "the parameter's engine type takes no number");
  }
}

}  // namespace

bool EngineToHost(const EngineField& e, const uint8_t* v, const ProcedureField& f, uint8_t* out,
                  std::string* problem) {
  const int n = f.asLength;
  if (n <= 0) return Fail(problem, "the parameter has no length");
  if (IsText(f.asType)) {
    std::string text;
    if (!EngineText(e, v, f, &text, problem)) return false;
    if (text.size() > static_cast<size_t>(n)) {
      return Fail(problem,
                  "the value is longer than the parameter's " + std::to_string(n) + " characters");
    }
    std::memset(out, ' ', static_cast<size_t>(n));
    std::memcpy(out, text.data(), text.size());
    return true;
  }
  double number = 0;
  if (!EngineNumber(e, v, &number)) return Fail(problem, "the value is no number");
  long long scaled = 0;
  switch (f.asType) {
    case kAsBin2:
    case kAsBin4: {
      const int bytes = f.asType == kAsBin2 ? 2 : 4;
      if (!ScaledValue(number, f, bytes == 2 ? 4 : 9, &scaled, problem)) return false;
      PutBigEndian(out, static_cast<uint64_t>(scaled), bytes);
      return true;
    }
    case kAsPacked: {
      const int digits = std::min(Digits(f), n * 2 - 1);
      if (!ScaledValue(number, f, digits, &scaled, problem)) return false;
      std::memset(out, 0, static_cast<size_t>(n));
      unsigned long long magnitude = static_cast<unsigned long long>(std::llabs(scaled));
      int nibble = n * 2 - 1;  // the sign's
      out[n - 1] = scaled < 0 ? 0x0D : 0x0F;
      while (--nibble >= 0 && magnitude > 0) {
        const uint8_t d = static_cast<uint8_t>(magnitude % 10);
        magnitude /= 10;
        out[nibble / 2] |= (nibble % 2 == 0) ? static_cast<uint8_t>(d << 4) : d;
      }
      return true;
    }
    case kAsZoned: {
      const int digits = std::min(Digits(f), n);
      if (!ScaledValue(number, f, digits, &scaled, problem)) return false;
      unsigned long long magnitude = static_cast<unsigned long long>(std::llabs(scaled));
      for (int i = n - 1; i >= 0; --i) {
        out[i] = static_cast<uint8_t>(0xF0 | (magnitude % 10));
        magnitude /= 10;
      }
      if (scaled < 0) out[n - 1] = static_cast<uint8_t>(0xD0 | (out[n - 1] & 0x0F));
      return true;
    }
    case kAsFloat: {
      const float fl = static_cast<float>(number);
      uint32_t bits;
      std::memcpy(&bits, &fl, 4);
      PutBigEndian(out, bits, 4);
      return true;
    }
    case kAsDouble: {
      uint64_t bits;
      std::memcpy(&bits, &number, 8);
      PutBigEndian(out, bits, 8);
      return true;
    }
    default:
      return Fail(problem,
                  "the parameter's host type " + std::to_string(f.asType) + " has no conversion");
  }
}

bool HostToEngine(const ProcedureField& f, const uint8_t* in, const EngineField& e, uint8_t* value,
                  std::string* problem) {
  const int n = f.asLength;
  if (IsText(f.asType)) {
    std::string text(reinterpret_cast<const char*>(in), static_cast<size_t>(n));
    const uint16_t word = static_cast<uint16_t>(f.asDecimals);
    switch (e.type) {
      case IDAPI_TYPE_STRING: {
        while (!text.empty() && text.back() == ' ') text.pop_back();
        if (e.length == 0) return Fail(problem, "the parameter's buffer has no room");
        text = text.substr(0, e.length - 1u);
        std::memcpy(value, text.c_str(), text.size() + 1);
        return true;
      }
      case IDAPI_TYPE_DATE: {
        int32_t date = 0;
        if (!DateFromText(text, f.asType == kAsDate ? word : 0, &date)) {
          return Fail(problem, "the program answered '" + text + "', no date");
        }
        idapi_put_u32(value, 0, static_cast<uint32_t>(date));
        return true;
      }
      case IDAPI_TYPE_TIME: {
        int32_t ms = 0;
        if (!TimeFromText(text, false, f.asType == kAsTime ? word : 0, &ms)) {
          return Fail(problem, "the program answered '" + text + "', no time");
        }
        idapi_put_u32(value, 0, static_cast<uint32_t>(ms));
        return true;
      }
      case IDAPI_TYPE_TIMESTAMP: {
        double d = 0;
        if (!TimestampFromText(text, 0, &d)) {
          return Fail(problem, "the program answered '" + text + "', no timestamp");
        }
        std::memcpy(value, &d, 8);
        return true;
      }
      default: {
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        if (end == text.c_str()) return Fail(problem, "the program answered no number");
        return StoreNumber(v, e, value, problem);
      }
    }
  }
  double number = 0;
  switch (f.asType) {
    case kAsBin2:
      number = static_cast<int16_t>(GetBigEndian(in, 2));
      break;
    case kAsBin4:
      number = static_cast<int32_t>(GetBigEndian(in, 4));
      break;
    case kAsPacked: {
      long long magnitude = 0;
      for (int nibble = 0; nibble < n * 2 - 1; ++nibble) {
        const int d = nibble % 2 == 0 ? in[nibble / 2] >> 4 : in[nibble / 2] & 0x0F;
        if (d > 9) return Fail(problem, "the program answered a packed value that is no number");
        magnitude = magnitude * 10 + d;
      }
      const int sign = in[n - 1] & 0x0F;
      number = static_cast<double>(sign == 0x0D || sign == 0x0B ? -magnitude : magnitude);
      break;
    }
    case kAsZoned: {
      long long magnitude = 0;
      for (int i = 0; i < n; ++i) {
        const int d = in[i] & 0x0F;
        if (d > 9) return Fail(problem, "the program answered a zoned value that is no number");
        magnitude = magnitude * 10 + d;
      }
      const int zone = in[n - 1] >> 4;
      number = static_cast<double>(zone == 0x0D || zone == 0x0B ? -magnitude : magnitude);
      break;
    }
    case kAsFloat: {
      const uint32_t bits = static_cast<uint32_t>(GetBigEndian(in, 4));
      float fl;
      std::memcpy(&fl, &bits, 4);
      number = fl;
      break;
    }
    case kAsDouble: {
      const uint64_t bits = GetBigEndian(in, 8);
      std::memcpy(&number, &bits, 8);
      break;
    }
    default:
      return Fail(problem,
                  "the parameter's host type " + std::to_string(f.asType) + " has no conversion");
  }
  if (f.asType != kAsFloat && f.asType != kAsDouble) {
    number /= std::pow(10.0, f.asDecimals);
  }
  return StoreNumber(number, e, value, problem);
}

}  // namespace vantora::driver
