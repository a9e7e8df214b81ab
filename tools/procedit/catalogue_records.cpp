#include "tools/procedit/catalogue_records.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "protocol/byte_order.h"

namespace vantora::procedit {
namespace {

// Header offsets.
constexpr size_t kHdrProcName = 0;
constexpr size_t kHdrLibrary = 10;
constexpr size_t kHdrProgram = 20;
constexpr size_t kHdrParameterCount = 30;
constexpr size_t kHdrFieldCount = 32;
constexpr size_t kHdrDescription = 34;
constexpr size_t kHdrTargetKind = 114;
constexpr size_t kHdrReserved = 115;
constexpr size_t kReservedLength = 3;

// Field record offsets.
constexpr size_t kFldProcName = 0;
constexpr size_t kFldRowSequence = 10;
constexpr size_t kFldParameterNo = 12;
constexpr size_t kFldDirection = 14;
constexpr size_t kFldPcType = 16;
constexpr size_t kFldPcLength = 18;
constexpr size_t kFldPcDecimals = 20;
constexpr size_t kFldAsType = 22;
constexpr size_t kFldAsByteLength = 24;
constexpr size_t kFldAsDecimals = 26;
constexpr size_t kFldAsDigits = 28;
constexpr size_t kFldFieldName = 30;

void PutText(std::vector<uint8_t>& image, size_t offset, size_t width, const std::string& text) {
  const std::string fixed = FixedText(text, width);
  std::memcpy(image.data() + offset, fixed.data(), width);
}

std::string GetText(std::span<const uint8_t> image, size_t offset, size_t width) {
  return std::string(reinterpret_cast<const char*>(image.data() + offset), width);
}

void PutInt(std::vector<uint8_t>& image, size_t offset, int16_t value) {
  wire::StoreLeI16(image.data() + offset, value);
}

int16_t GetInt(std::span<const uint8_t> image, size_t offset) {
  return wire::LoadLeI16(image.data() + offset);
}

}  // namespace

std::string FixedText(const std::string& text, size_t width) {
  std::string out = text.substr(0, std::min(text.size(), width));
  out.resize(width, ' ');
  return out;
}

std::string TrimRight(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && text[end - 1] == ' ') --end;
  return text.substr(0, end);
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::vector<uint8_t> EncodeHeader(const ProcHeaderRecord& header) {
  std::vector<uint8_t> image(kHeaderLength, 0);
  PutText(image, kHdrProcName, kNameLength, header.procName);
  PutText(image, kHdrLibrary, kNameLength, header.programLibrary);
  PutText(image, kHdrProgram, kNameLength, header.programName);
  PutInt(image, kHdrParameterCount, header.parameterCount);
  PutInt(image, kHdrFieldCount, header.fieldCount);
  PutText(image, kHdrDescription, kDescriptionLength, header.description);
  image[kHdrTargetKind] = static_cast<uint8_t>(header.targetKind);
  if (!header.reserved.empty()) PutText(image, kHdrReserved, kReservedLength, header.reserved);
  return image;
}

ProcHeaderRecord DecodeHeader(std::span<const uint8_t> image) {
  ProcHeaderRecord h;
  h.procName = GetText(image, kHdrProcName, kNameLength);
  h.programLibrary = GetText(image, kHdrLibrary, kNameLength);
  h.programName = GetText(image, kHdrProgram, kNameLength);
  h.parameterCount = GetInt(image, kHdrParameterCount);
  h.fieldCount = GetInt(image, kHdrFieldCount);
  h.description = GetText(image, kHdrDescription, kDescriptionLength);
  h.targetKind = static_cast<char>(image[kHdrTargetKind]);
  h.reserved = GetText(image, kHdrReserved, kReservedLength);
  return h;
}

std::vector<uint8_t> EncodeField(const ProcFieldRecord& f) {
  std::vector<uint8_t> image(kFieldLength, 0);
  PutText(image, kFldProcName, kNameLength, f.procName);
  PutInt(image, kFldRowSequence, f.rowSequence);
  PutInt(image, kFldParameterNo, f.parameterNo);
  PutInt(image, kFldDirection, f.direction);
  PutInt(image, kFldPcType, f.pcType);
  PutInt(image, kFldPcLength, f.pcLength);
  PutInt(image, kFldPcDecimals, f.pcDecimals);
  PutInt(image, kFldAsType, f.asType);
  PutInt(image, kFldAsByteLength, f.asByteLength);
  PutInt(image, kFldAsDecimals, f.asDecimals);
  PutInt(image, kFldAsDigits, f.asDigits);
  PutText(image, kFldFieldName, kNameLength, f.fieldName);
  return image;
}

ProcFieldRecord DecodeField(std::span<const uint8_t> image) {
  ProcFieldRecord f;
  f.procName = GetText(image, kFldProcName, kNameLength);
  f.rowSequence = GetInt(image, kFldRowSequence);
  f.parameterNo = GetInt(image, kFldParameterNo);
  f.direction = GetInt(image, kFldDirection);
  f.pcType = GetInt(image, kFldPcType);
  f.pcLength = GetInt(image, kFldPcLength);
  f.pcDecimals = GetInt(image, kFldPcDecimals);
  f.asType = GetInt(image, kFldAsType);
  f.asByteLength = GetInt(image, kFldAsByteLength);
  f.asDecimals = GetInt(image, kFldAsDecimals);
  f.asDigits = GetInt(image, kFldAsDigits);
  f.fieldName = GetText(image, kFldFieldName, kNameLength);
  return f;
}

std::string ProcedureKey(const std::string& name) {
  return FixedText(name, kNameLength);
}

std::string ProgramKey(const std::string& library, const std::string& program) {
  return FixedText(library, kNameLength) + FixedText(program, kNameLength);
}

}  // namespace vantora::procedit
