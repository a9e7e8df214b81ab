// Field description entries (layout in protocol/file_descriptions.h).
#include "conversion/field_description.h"

#include "conversion/decimal.h"
#include "conversion/field_types.h"
#include "conversion/packed_zoned.h"
#include "protocol/file_descriptions.h"

namespace vantora::conversion {
namespace {

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
  const wire::FieldEntry e = wire::ReadFieldEntry(entry);
  FieldDescription d;
  d.pcType = e.pcType;
  d.pcLength = e.pcLength;
  d.pcDecimals = e.pcDecimals;
  d.asType = e.asType;
  d.asLength = e.asLength;
  d.asDecimals = e.asDecimals;
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
