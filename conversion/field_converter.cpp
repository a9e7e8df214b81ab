// Converting one field between its raw AS/400 form and its PC form. Each
// direction asks the operation matrix whether the pair is converted at all,
// then goes by the type of the source field and, within it, by the target's.
#include "conversion/field_converter.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "conversion/decimal.h"
#include "conversion/decimal_text.h"
#include "conversion/field_types.h"
#include "conversion/operation_matrix.h"
#include "conversion/packed_zoned.h"
#include "protocol/byte_order.h"

namespace vantora::conversion {
namespace {

using wire::LoadBe16;
using wire::LoadBe32;
using wire::LoadBe64;

constexpr FieldStatus kConverted = FieldStatus::kConverted;
constexpr FieldStatus kNotConverted = FieldStatus::kNotConverted;
constexpr FieldStatus kOverflow = FieldStatus::kOverflow;
constexpr FieldStatus kInvalid = FieldStatus::kInvalidValue;

// Magnitudes from here on round to infinity as a float.
constexpr double kFloatOverflow = 0x1p128 - 0x1p103;

// ---- Binary integers of 1 to 8 bytes: "INT", "LONG", "COMP", "BIN2", "BIN4".

struct IntegerRange {
  int64_t min;
  int64_t max;
};

IntegerRange RangeOfBytes(int bytes) {
  int64_t max = static_cast<int64_t>((uint64_t{1} << (8 * bytes - 1)) - 1);
  return {-max - 1, max};
}

int64_t LoadBigEndian(const uint8_t* p, int bytes) {
  uint64_t v = p[0] & 0x80 ? ~uint64_t{0} : 0;  // sign-extended
  for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
  return static_cast<int64_t>(v);
}

void StoreBigEndian(uint8_t* p, int bytes, int64_t value) {
  auto v = static_cast<uint64_t>(value);
  for (int i = bytes - 1; i >= 0; --i, v >>= 8) p[i] = static_cast<uint8_t>(v);
}

int64_t LoadLittleEndian(const uint8_t* p, int bytes) {
  return bytes == 2 ? wire::LoadLeI16(p) : wire::LoadLeI32(p);
}

// Truncates toward zero into a signed integer of `bytes` bytes.
FieldStatus Truncate(double v, int bytes, int64_t* out) {
  if (!std::isfinite(v)) return kInvalid;
  double t = std::trunc(v);
  double limit = std::ldexp(1.0, 8 * bytes - 1);  // exact power of two
  if (t < -limit || t >= limit) return kOverflow;
  *out = static_cast<int64_t>(t);
  return kConverted;
}

FieldStatus Narrow(double v, float* out) {
  if (std::fabs(v) >= kFloatOverflow && std::isfinite(v)) return kOverflow;
  *out = static_cast<float>(v);
  return kConverted;
}

// ---- PC side.

// The bytes a PC type needs in full (0: any width will do).
int FixedPcSize(const FieldDescription& d) {
  switch (static_cast<PcType>(d.pcType)) {
    case PcType::kInt:
    case PcType::kLong:
    case PcType::kFloat:
    case PcType::kDouble:
    case PcType::kComp3:
    case PcType::kComp3s:
    case PcType::kComp:
      return d.pcLength;
    default:
      return 0;
  }
}

// Stores an integer into a PC "INT", "LONG" (little-endian) or "COMP"
// (big-endian) field.
FieldStatus StorePcInteger(const FieldDescription& d, int64_t v, uint8_t* pc) {
  IntegerRange range = RangeOfBytes(d.pcLength);
  if (v < range.min || v > range.max) return kOverflow;
  switch (static_cast<PcType>(d.pcType)) {
    case PcType::kInt:
      wire::StoreLeI16(pc, static_cast<int16_t>(v));
      break;
    case PcType::kLong:
      wire::StoreLeI32(pc, static_cast<int32_t>(v));
      break;
    default:
      StoreBigEndian(pc, d.pcLength, v);
      break;
  }
  return kConverted;
}

// An integer PC field holds its value times 10^pcDecimals.
FieldStatus StorePcScaled(const FieldDescription& d, const Decimal& v, uint8_t* pc) {
  IntegerRange range = RangeOfBytes(d.pcLength);
  int64_t scaled;
  FieldStatus s = DecimalToInteger(v, d.pcDecimals, range.min, range.max, &scaled);
  return s == kConverted ? StorePcInteger(d, scaled, pc) : s;
}

FieldStatus StorePcFloating(const FieldDescription& d, double v, uint8_t* pc) {
  if (static_cast<PcType>(d.pcType) == PcType::kDouble) {
    wire::StoreLe64(pc, std::bit_cast<uint64_t>(v));
    return kConverted;
  }
  float f;
  FieldStatus s = Narrow(v, &f);
  if (s == kConverted) wire::StoreLe32(pc, std::bit_cast<uint32_t>(f));
  return s;
}

FieldStatus StorePcDecimal(const FieldDescription& d, const Decimal& v, uint8_t* pc) {
  if (static_cast<PcType>(d.pcType) == PcType::kDouble) {
    return StorePcFloating(d, DecimalToDouble(v), pc);
  }
  float f;
  FieldStatus s = DecimalToFloat(v, &f);
  if (s == kConverted) wire::StoreLe32(pc, std::bit_cast<uint32_t>(f));
  return s;
}

FieldStatus StorePcPacked(const FieldDescription& d, const Decimal& v, uint8_t* pc) {
  uint8_t positive =
      static_cast<PcType>(d.pcType) == PcType::kComp3s ? kSignPositiveC : kSignPositive;
  return StorePacked(v, d.pcDecimals, positive, kSignNegative, pc, d.pcLength);
}

FieldStatus WriteLeftJustified(const Decimal& v, int decimals, uint8_t* out, int width) {
  int length = FormatLeftJustified(v, decimals, out, width);
  if (length < 0) return kOverflow;
  std::memset(out + length, ' ', static_cast<size_t>(width - length));
  return kConverted;
}

double LoadPcFloating(const FieldDescription& d, const uint8_t* pc) {
  if (static_cast<PcType>(d.pcType) == PcType::kDouble) {
    return std::bit_cast<double>(wire::LoadLe64(pc));
  }
  return std::bit_cast<float>(wire::LoadLe32(pc));
}

// ---- AS/400 side.

int64_t LoadBinary(const FieldDescription& d, const uint8_t* raw) {
  return d.asLength == 2 ? static_cast<int16_t>(LoadBe16(raw))
                         : static_cast<int32_t>(LoadBe32(raw));
}

double LoadAsFloating(const FieldDescription& d, const uint8_t* raw) {
  if (static_cast<AsType>(d.asType) == AsType::kDouble) {
    return std::bit_cast<double>(LoadBe64(raw));
  }
  return std::bit_cast<float>(LoadBe32(raw));
}

FieldStatus LoadAsDecimal(const FieldDescription& d, const uint8_t* raw, Decimal* v) {
  if (static_cast<AsType>(d.asType) == AsType::kPack) {
    return LoadPacked(raw, d.asLength, d.asDecimals, v);
  }
  return LoadZoned(raw, d.asLength, d.asDecimals, v);
}

FieldStatus StoreAsBinary(const FieldDescription& d, int64_t v, uint8_t* raw) {
  IntegerRange range = RangeOfBytes(d.asLength);
  if (v < range.min || v > range.max) return kOverflow;
  StoreBigEndian(raw, d.asLength, v);
  return kConverted;
}

FieldStatus StoreAsFloating(const FieldDescription& d, double v, uint8_t* raw) {
  if (static_cast<AsType>(d.asType) == AsType::kDouble) {
    wire::StoreBe64(raw, std::bit_cast<uint64_t>(v));
    return kConverted;
  }
  float f;
  FieldStatus s = Narrow(v, &f);
  if (s == kConverted) wire::StoreBe32(raw, std::bit_cast<uint32_t>(f));
  return s;
}

FieldStatus StoreAsDecimal(const FieldDescription& d, const Decimal& v, uint8_t zone,
                           uint8_t* raw) {
  if (static_cast<AsType>(d.asType) == AsType::kPack) {
    return StorePacked(v, d.asDecimals, kSignPositive, kSignNegative, raw, d.asLength);
  }
  return StoreZoned(v, d.asDecimals, zone, raw, d.asLength);
}

void Translate(uint8_t* field, int length, const uint8_t* table) {
  for (int i = 0; i < length; ++i) field[i] = table[field[i]];
}

// ---- AS/400 -> PC, by operation.

FieldStatus ToPcFromText(int op, const FieldDescription& d, const uint8_t* raw, uint8_t* pc,
                         int width, const CodePage& cp) {
  const auto pcType = static_cast<PcType>(d.pcType);
  const int la = d.asLength;
  Decimal v;
  FieldStatus s;
  switch (op) {
    case 1:   // CHAR -> INT
    case 2:   // CHAR -> LONG
    case 51:  // CHAR -> COMP
      s = ParseLeadingDecimal(raw, la, cp.toPc.data(), &v);
      return s == kConverted ? StorePcScaled(d, v, pc) : s;
    case 3:  // CHAR -> FLOAT
    {
      float f;
      s = ParseLeadingFloat(raw, la, cp.toPc.data(), &f);
      if (s == kConverted) wire::StoreLe32(pc, std::bit_cast<uint32_t>(f));
      return s;
    }
    case 4:  // CHAR -> DOUBLE
    {
      double x;
      s = ParseLeadingDouble(raw, la, cp.toPc.data(), &x);
      if (s == kConverted) wire::StoreLe64(pc, std::bit_cast<uint64_t>(x));
      return s;
    }
    default:  // CHAR, DATE, TIME, TIMSTP -> CHAR, STRING
    {
      int n = la < width ? la : width;
      for (int i = 0; i < n; ++i) pc[i] = cp.toPc[raw[i]];
      std::memset(pc + n, pcType == PcType::kString ? 0 : ' ', static_cast<size_t>(width - n));
      return kConverted;
    }
  }
}

FieldStatus ToPcFromBinary(const FieldDescription& d, const uint8_t* raw, uint8_t* pc, int width) {
  int64_t n = LoadBinary(d, raw);
  switch (static_cast<PcType>(d.pcType)) {
    case PcType::kChar:    // ops 5, 10
    case PcType::kString:  // ops 87, 88
    {
      Decimal v;
      DecimalFromInteger(n, 0, &v);
      return WriteLeftJustified(v, 0, pc, width);
    }
    case PcType::kFloat:   // ops 8, 13
    case PcType::kDouble:  // ops 9, 14
      return StorePcFloating(d, static_cast<double>(n), pc);
    default:  // INT, LONG, COMP: ops 6, 7, 11, 12, 54, 57
      return StorePcInteger(d, n, pc);
  }
}

FieldStatus ToPcFromDecimal(int op, const FieldDescription& d, const uint8_t* raw, uint8_t* pc,
                            int width) {
  Decimal v;
  FieldStatus s = LoadAsDecimal(d, raw, &v);
  if (s != kConverted) return s;
  switch (static_cast<PcType>(d.pcType)) {
    case PcType::kInt:   // ops 16, 26
    case PcType::kLong:  // ops 17, 27
    case PcType::kComp:  // ops 60, 63
      return StorePcScaled(d, v, pc);
    case PcType::kFloat:   // ops 18, 28
    case PcType::kDouble:  // ops 19, 29
      return StorePcDecimal(d, v, pc);
    case PcType::kComp3:   // ops 59, 62
    case PcType::kComp3s:  // ops 80, 81
      return StorePcPacked(d, v, pc);
    default:
      if (op == 15) return WriteLeftJustified(v, d.pcDecimals, pc, width);  // PACK -> CHAR
      return FormatRightJustified(v, d.pcDecimals, pc, width);              // ops 25, 89, 90
  }
}

FieldStatus ToPcFromFloating(const FieldDescription& d, const uint8_t* raw, uint8_t* pc,
                             int width) {
  double x = LoadAsFloating(d, raw);
  Decimal v;
  FieldStatus s;
  switch (static_cast<PcType>(d.pcType)) {
    case PcType::kInt:   // ops 41, 46
    case PcType::kLong:  // ops 42, 47
    {
      int64_t n;
      s = Truncate(x, d.pcLength, &n);
      return s == kConverted ? StorePcInteger(d, n, pc) : s;
    }
    case PcType::kFloat:   // ops 43, 48
    case PcType::kDouble:  // ops 44, 49
      return StorePcFloating(d, x, pc);
    default:  // CHAR, STRING, COMP3, COMP3S
      break;
  }
  s = DecimalFromDouble(x, d.pcDecimals, &v);
  if (s != kConverted) return s;
  switch (static_cast<PcType>(d.pcType)) {
    case PcType::kChar:  // ops 40, 45
      return WriteLeftJustified(v, d.pcDecimals, pc, width);
    case PcType::kString:  // ops 93, 94
      return FormatRightJustified(v, d.pcDecimals, pc, width);
    default:  // ops 71, 74, 84, 85
      return StorePcPacked(d, v, pc);
  }
}

FieldStatus ToPcOperation(int op, const FieldDescription& d, const uint8_t* raw, uint8_t* pc,
                          int width, const CodePage& cp) {
  if (!IsConverted(op)) return kNotConverted;
  switch (static_cast<AsType>(d.asType)) {
    case AsType::kBin2:
    case AsType::kBin4:
      return ToPcFromBinary(d, raw, pc, width);
    case AsType::kPack:
    case AsType::kZoned:
      return ToPcFromDecimal(op, d, raw, pc, width);
    case AsType::kFloat:
    case AsType::kDouble:
      return ToPcFromFloating(d, raw, pc, width);
    default:  // CHAR, DATE, TIME, TIMSTP
      return ToPcFromText(op, d, raw, pc, width, cp);
  }
}

// ---- PC -> AS/400, by operation.

FieldStatus ToAsFromText(const FieldDescription& d, const uint8_t* pc, uint8_t* raw, int width,
                         const CodePage& cp) {
  const int la = d.asLength;
  Decimal v;
  FieldStatus s;
  switch (static_cast<AsType>(d.asType)) {
    case AsType::kPack:   // ops 15, 89
    case AsType::kZoned:  // ops 25, 90
      s = ParseDecimalText(pc, width, &v);
      return s == kConverted ? StoreAsDecimal(d, v, kZoneText, raw) : s;
    case AsType::kFloat:  // ops 40, 93
    {
      float f;
      s = ParseLeadingFloat(pc, width, nullptr, &f);
      if (s == kConverted) wire::StoreBe32(raw, std::bit_cast<uint32_t>(f));
      return s;
    }
    case AsType::kDouble:  // ops 45, 94
    {
      double x;
      s = ParseLeadingDouble(pc, width, nullptr, &x);
      if (s == kConverted) wire::StoreBe64(raw, std::bit_cast<uint64_t>(x));
      return s;
    }
    case AsType::kBin2:  // ops 5, 87
    case AsType::kBin4:  // ops 10, 88
    {
      s = ParseLeadingDecimal(pc, width, nullptr, &v);
      if (s != kConverted) return s;
      IntegerRange range = RangeOfBytes(la);
      int64_t n;
      s = DecimalToInteger(v, 0, range.min, range.max, &n);
      return s == kConverted ? StoreAsBinary(d, n, raw) : s;
    }
    default:  // CHAR, DATE, TIME, TIMSTP: ops 0, 30, 35, 104, 86, 91, 92, 113
    {
      int n = width;
      if (static_cast<PcType>(d.pcType) == PcType::kString) {
        const void* zero = std::memchr(pc, 0, static_cast<size_t>(width));
        if (zero) n = static_cast<int>(static_cast<const uint8_t*>(zero) - pc);
      }
      if (n > la) n = la;
      for (int i = 0; i < n; ++i) raw[i] = cp.toHost[pc[i]];
      std::memset(raw + n, cp.toHost[' '], static_cast<size_t>(la - n));
      return kConverted;
    }
  }
}

FieldStatus ToAsFromInteger(const FieldDescription& d, const uint8_t* pc, uint8_t* raw,
                            const CodePage& cp) {
  int64_t n = LoadLittleEndian(pc, d.pcLength);
  Decimal v;
  switch (static_cast<AsType>(d.asType)) {
    case AsType::kBin2:  // ops 6, 7
    case AsType::kBin4:  // ops 11, 12
      return StoreAsBinary(d, n, raw);
    case AsType::kPack:   // ops 16, 17
    case AsType::kZoned:  // ops 26, 27
      DecimalFromInteger(n, d.pcDecimals, &v);
      return StoreAsDecimal(d, v, kZoneF, raw);
    case AsType::kFloat:   // ops 41, 42
    case AsType::kDouble:  // ops 46, 47
      return StoreAsFloating(d, static_cast<double>(n), raw);
    default:  // CHAR: ops 1, 2
    {
      DecimalFromInteger(n, d.pcDecimals, &v);
      FieldStatus s = FormatRightJustified(v, d.pcDecimals, raw, d.asLength);
      if (s == kConverted) Translate(raw, d.asLength, cp.toHost.data());
      return s;
    }
  }
}

FieldStatus ToAsFromFloating(const FieldDescription& d, const uint8_t* pc, uint8_t* raw,
                             const CodePage& cp) {
  double x = LoadPcFloating(d, pc);
  Decimal v;
  FieldStatus s;
  switch (static_cast<AsType>(d.asType)) {
    case AsType::kBin2:  // ops 8, 9
    case AsType::kBin4:  // ops 13, 14
    {
      int64_t n;
      s = Truncate(x, d.asLength, &n);
      return s == kConverted ? StoreAsBinary(d, n, raw) : s;
    }
    case AsType::kPack:   // ops 18, 19
    case AsType::kZoned:  // ops 28, 29
      s = DecimalFromDouble(x, d.asDecimals, &v);
      return s == kConverted ? StoreAsDecimal(d, v, kZoneF, raw) : s;
    case AsType::kFloat:   // ops 43, 44
    case AsType::kDouble:  // ops 48, 49
      return StoreAsFloating(d, x, raw);
    default:  // CHAR: ops 3, 4
      s = DecimalFromDouble(x, d.pcDecimals, &v);
      if (s == kConverted) s = FormatRightJustified(v, d.pcDecimals, raw, d.asLength);
      if (s == kConverted) Translate(raw, d.asLength, cp.toHost.data());
      return s;
  }
}

FieldStatus ToAsFromPacked(const FieldDescription& d, const uint8_t* pc, uint8_t* raw) {
  Decimal v;
  FieldStatus s = LoadPacked(pc, d.pcLength, d.pcDecimals, &v);
  if (s != kConverted) return s;
  switch (static_cast<AsType>(d.asType)) {
    case AsType::kPack:  // ops 59, 80: the sign half goes over as it is,
    {                    // but for COMP3S's 0xC, which becomes 0xF
      uint8_t sign = PackedSign(pc, d.pcLength);
      if (static_cast<PcType>(d.pcType) == PcType::kComp3s && sign == kSignPositiveC) {
        sign = kSignPositive;
      }
      return StorePacked(v, d.asDecimals, sign, sign, raw, d.asLength);
    }
    case AsType::kZoned:  // ops 62, 81
      return StoreAsDecimal(d, v, kZoneF, raw);
    case AsType::kDouble:  // ops 74, 85
      return StoreAsFloating(d, DecimalToDouble(v), raw);
    default:  // FLOAT: ops 71, 84
    {
      float f;
      s = DecimalToFloat(v, &f);
      if (s == kConverted) wire::StoreBe32(raw, std::bit_cast<uint32_t>(f));
      return s;
    }
  }
}

FieldStatus ToAsFromComp(const FieldDescription& d, const uint8_t* pc, uint8_t* raw,
                         const CodePage& cp) {
  int64_t n = LoadBigEndian(pc, d.pcLength);
  Decimal v;
  DecimalFromInteger(n, d.pcDecimals, &v);
  switch (static_cast<AsType>(d.asType)) {
    case AsType::kPack:   // op 60
    case AsType::kZoned:  // op 63, as from the number's text
      return StoreAsDecimal(d, v, kZoneText, raw);
    case AsType::kBin2:  // op 54
    case AsType::kBin4:  // op 57
      return StoreAsBinary(d, n, raw);
    default:  // CHAR: op 51
    {
      int length = FormatLeftJustified(v, d.pcDecimals, raw, d.asLength);
      if (length < 0) return kOverflow;
      std::memset(raw + length, ' ', static_cast<size_t>(d.asLength - length));
      Translate(raw, d.asLength, cp.toHost.data());
      return kConverted;
    }
  }
}

FieldStatus ToAsOperation(int op, const FieldDescription& d, const uint8_t* pc, uint8_t* raw,
                          int width, const CodePage& cp) {
  if (!IsConverted(op)) return kNotConverted;
  switch (static_cast<PcType>(d.pcType)) {
    case PcType::kInt:
    case PcType::kLong:
      return ToAsFromInteger(d, pc, raw, cp);
    case PcType::kFloat:
    case PcType::kDouble:
      return ToAsFromFloating(d, pc, raw, cp);
    case PcType::kComp3:
    case PcType::kComp3s:
      return ToAsFromPacked(d, pc, raw);
    case PcType::kComp:
      return ToAsFromComp(d, pc, raw, cp);
    default:  // CHAR, STRING
      return ToAsFromText(d, pc, raw, width, cp);
  }
}

}  // namespace

FieldStatus toPc(const FieldDescription& d, const uint8_t* raw, uint8_t* pc, int32_t remaining,
                 const CodePage& codePage) {
  FieldStatus s = CheckDescription(d);
  if (s != kConverted) return s;
  int width = PcWidth(d, remaining);
  if (width == 0) return kNotConverted;
  if (static_cast<PcType>(d.pcType) == PcType::kBytes) {
    std::memcpy(pc, raw, static_cast<size_t>(width < d.asLength ? width : d.asLength));
    return kConverted;
  }
  if (width < FixedPcSize(d)) return kNotConverted;
  return ToPcOperation(FieldOperation(d.asType, d.pcType), d, raw, pc, width, codePage);
}

FieldStatus toPc(const FieldDescription& d, const uint8_t* raw, uint8_t* pc, int32_t remaining) {
  return toPc(d, raw, pc, remaining, CurrentCodePage());
}

FieldStatus toAs(const FieldDescription& d, const uint8_t* pc, uint8_t* raw, int32_t remaining,
                 const CodePage& codePage) {
  FieldStatus s = CheckDescription(d);
  if (s != kConverted) return s;
  int width = PcWidth(d, remaining);
  if (static_cast<PcType>(d.pcType) == PcType::kBytes) {
    int n = width < d.asLength ? width : d.asLength;
    if (n > 0) std::memcpy(raw, pc, static_cast<size_t>(n));
    return kConverted;
  }
  s = kNotConverted;
  if (width > 0 && width >= FixedPcSize(d)) {
    s = ToAsOperation(FieldOperation(d.asType, d.pcType), d, pc, raw, width, codePage);
  }
  // An AS/400 "CHAR" field is never left with what it held before.
  if (s == kNotConverted && static_cast<AsType>(d.asType) == AsType::kChar && d.asLength > 0) {
    std::memset(raw, codePage.toHost[' '], static_cast<size_t>(d.asLength));
  }
  return s;
}

FieldStatus toAs(const FieldDescription& d, const uint8_t* pc, uint8_t* raw, int32_t remaining) {
  return toAs(d, pc, raw, remaining, CurrentCodePage());
}

}  // namespace vantora::conversion
