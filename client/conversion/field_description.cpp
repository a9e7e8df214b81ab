// Field description entries.
//
// Entry layout (22 bytes, integers in PC byte order, little-endian):
//    0  10 bytes  field name, blank-padded
//   10  int16     PC type
//   12  int16     PC length in bytes
//   14  int16     PC decimals
//   16  int16     AS/400 type
//   18  int16     AS/400 length in bytes
//   20  int16     AS/400 decimals
#include "client/conversion/field_description.h"

#include "client/conversion/decimal.h"
#include "client/conversion/field_types.h"
#include "client/conversion/packed_zoned.h"
#include "protocol/byte_order.h"

namespace vantora::conversion {
namespace {

constexpr int kOffPcType = 10;
constexpr int kOffPcLength = 12;
constexpr int kOffPcDecimals = 14;
constexpr int kOffAsType = 16;
constexpr int kOffAsLength = 18;
constexpr int kOffAsDecimals = 20;

bool PcLengthFits(int type, int length) {
  switch (static_cast<PcType>(type)) {
    case PcType::kInt:
      return length == 2;
    case PcType::kLong:
    case PcType::kFloat:
      return length == 4;
    case PcType::kDouble:
      return length == 8;
    case PcType::kComp3:
    case PcType::kComp3s:
      return length >= 1 && length <= kMaxPackedLength;
    case PcType::kComp:
      return length >= 1 && length <= 8;
    default:
      return length >= 0;
  }
}

bool AsLengthFits(int type, int length) {
  switch (static_cast<AsType>(type)) {
    case AsType::kBin2:
      return length == 2;
    case AsType::kBin4:
    case AsType::kFloat:
      return length == 4;
    case AsType::kDouble:
      return length == 8;
    case AsType::kPack:
      return length >= 1 && length <= kMaxPackedLength;
    case AsType::kZoned:
      return length >= 1 && length <= kMaxZonedLength;
    default:
      return length >= 0;
  }
}

bool DecimalsFit(int decimals) {
  return decimals >= 0 && decimals <= kMaxDecimals;
}

}  // namespace

FieldDescription ReadFieldDescription(const uint8_t* entry) {
  FieldDescription d;
  d.pcType = wire::LoadLeI16(entry + kOffPcType);
  d.pcLength = wire::LoadLeI16(entry + kOffPcLength);
  d.pcDecimals = wire::LoadLeI16(entry + kOffPcDecimals);
  d.asType = wire::LoadLeI16(entry + kOffAsType);
  d.asLength = wire::LoadLeI16(entry + kOffAsLength);
  d.asDecimals = wire::LoadLeI16(entry + kOffAsDecimals);
  return d;
}

FieldStatus CheckDescription(const FieldDescription& d) {
  bool known = d.pcType >= 0 && d.pcType < kPcTypeCount && d.asType >= 0 && d.asType < kAsTypeCount;
  if (!known || !PcLengthFits(d.pcType, d.pcLength) || !AsLengthFits(d.asType, d.asLength) ||
      !DecimalsFit(d.pcDecimals) || !DecimalsFit(d.asDecimals)) {
    return FieldStatus::kBadDescription;
  }
  return FieldStatus::kConverted;
}

}  // namespace vantora::conversion
