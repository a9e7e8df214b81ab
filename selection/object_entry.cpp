#include "selection/object_entry.h"

#include <cctype>
#include <cstring>

namespace vantora::selection {
namespace {

std::string_view Field(std::span<const uint8_t> entry, size_t offset, size_t length) {
  return {reinterpret_cast<const char*>(entry.data()) + offset, length};
}

}  // namespace

std::string EntryText(std::span<const uint8_t> entry) {
  std::string text(Field(entry, kEntryAttributeOffset, 3));
  text += '\t';
  text += Field(entry, kEntryNameOffset, kNameLength);
  text += '\t';
  text += Field(entry, kEntryTextOffset, kTextLength);
  return text;
}

std::string_view EntryAttribute(std::span<const uint8_t> entry) {
  return Field(entry, kEntryAttributeOffset, kAttributeLength);
}

std::string EntryObjectName(std::string_view entryText) {
  char name[kNameLength];
  CopyName(entryText.size() > kEntryTextNameStart
               ? entryText.substr(kEntryTextNameStart, kNameLength)
               : std::string_view(),
           name);
  return std::string(name, kNameLength);
}

bool PassesFilter(std::string_view attribute, std::string_view filter) {
  if (filter.empty() || filter == kFilterLibraries) return true;
  if (filter == kFilterFiles) return attribute.starts_with("PF") || attribute.starts_with("LF");
  return attribute.starts_with(filter);
}

void CopyName(std::string_view text, char* buffer) {
  std::memset(buffer, ' ', kNameLength);
  const size_t n = text.size() < kNameLength ? text.size() : kNameLength;
  for (size_t i = 0; i < n; ++i) {
    buffer[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
  }
}

}  // namespace vantora::selection
