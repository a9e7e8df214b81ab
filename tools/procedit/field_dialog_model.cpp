#include "tools/procedit/field_dialog_model.h"

#include <charconv>

#include "tools/procedit/texts.h"
#include "tools/procedit/type_tables.h"

namespace vantora::procedit {

FieldDialogModel::FieldDialogModel(platform::UiSink& sink) : sink_(sink) {}

FieldDialogModel::FieldDialogModel(platform::UiSink& sink, const ProcFieldRecord& row,
                                   bool startsParameter)
    : sink_(sink),
      name_(TrimRight(row.fieldName)),
      direction_(row.direction),
      startsParameter_(startsParameter),
      asType_(ValidHostType(row.asType) ? row.asType : kHostChar),
      asDigits_(row.asDigits),
      asDecimals_(row.asDecimals),
      pcType_(ValidPcType(row.pcType) ? row.pcType : kPcChar),
      pcLength_(row.pcLength),
      pcDecimals_(row.pcDecimals) {}

bool FieldDialogModel::decimalsEnabled() const {
  return kHostTypes[asType_].decimalsEditable;
}

bool FieldDialogModel::PcLengthVariable() const {
  return kPcTypes[pcType_].fixedLength == kNoFixedValue;
}

void FieldDialogModel::NameTyped(const std::string& text) {
  name_ = text.substr(0, kNameLength);
}

void FieldDialogModel::UsageChosen(int16_t direction) {
  if (direction >= kDirectionIn && direction <= kDirectionInOut) direction_ = direction;
}

void FieldDialogModel::HostTypeChosen(int code) {
  if (!ValidHostType(code)) return;
  const HostType& type = kHostTypes[code];
  asType_ = static_cast<int16_t>(code);
  pcType_ = type.defaultPcType;
  if (type.fixedDigits) asDigits_ = static_cast<int16_t>(type.fixedBytes);
  if (type.forcedDecimals != kNoFixedValue) asDecimals_ = static_cast<int16_t>(type.forcedDecimals);
  pcLength_ = PcLengthVariable() ? asDigits_ : static_cast<int16_t>(kPcTypes[pcType_].fixedLength);
}

void FieldDialogModel::PcTypeChosen(int code) {
  if (!ValidPcType(code)) return;
  pcType_ = static_cast<int16_t>(code);
  pcLength_ = PcLengthVariable() ? asDigits_ : static_cast<int16_t>(kPcTypes[pcType_].fixedLength);
}

bool FieldDialogModel::ParseInteger(const std::string& text, int16_t* value) {
  int parsed = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() || parsed < 0 ||
      parsed > 32767) {
    sink_.Message(text::kProgramTitle, text::kNeedInteger, platform::MessageKind::kWarning);
    return false;
  }
  *value = static_cast<int16_t>(parsed);
  return true;
}

bool FieldDialogModel::DigitsLeft(const std::string& text) {
  if (!ParseInteger(text, &asDigits_)) return false;
  if (PcLengthVariable()) pcLength_ = asDigits_;
  return true;
}

bool FieldDialogModel::AsDecimalsLeft(const std::string& text) {
  if (!ParseInteger(text, &asDecimals_)) return false;
  if (PcLengthVariable()) pcDecimals_ = asDecimals_;
  return true;
}

bool FieldDialogModel::PcLengthLeft(const std::string& text) {
  return ParseInteger(text, &pcLength_);
}

bool FieldDialogModel::PcDecimalsLeft(const std::string& text) {
  return ParseInteger(text, &pcDecimals_);
}

bool FieldDialogModel::Ok() {
  if (name_.empty()) {
    sink_.Message(text::kProgramTitle, text::kNeedFieldName, platform::MessageKind::kWarning);
    return false;
  }
  return true;
}

}  // namespace vantora::procedit
