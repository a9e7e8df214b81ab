// The entries of an object list: the host's 108-byte OBJL0200 list entry,
// the text of one line of the selection list, and the attribute filters.
//
// OBJL0200 entry, as read through the format file YOBJL0200 (characters in
// the PC code page, blank-padded); only these fields are used:
//   0  object name          10 characters
//  31  extended attribute   10 characters ("PF", "LF", "DSPF", blank)
//  41  text description     50 characters
//
// Entry text: the first 3 characters of the extended attribute, a tab, the
// 10-character name, a tab, the 50-character text. The name therefore always
// starts at character 5 (index 4).
#ifndef VANTORA_SELECTION_OBJECT_ENTRY_H_
#define VANTORA_SELECTION_OBJECT_ENTRY_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vantora::selection {

inline constexpr int kEntryLength = 108;
inline constexpr size_t kEntryNameOffset = 0;
inline constexpr size_t kEntryAttributeOffset = 31;
inline constexpr size_t kEntryTextOffset = 41;
inline constexpr size_t kNameLength = 10;
inline constexpr size_t kAttributeLength = 10;
inline constexpr size_t kTextLength = 50;
// Where the object name starts in an entry text.
inline constexpr size_t kEntryTextNameStart = 4;

// Filters with a meaning of their own; any other non-empty filter keeps the
// entries whose extended attribute begins with it.
inline constexpr std::string_view kFilterFiles = "*FILE";     // PF and LF
inline constexpr std::string_view kFilterLibraries = "*LIB";  // list libraries, no filter

// The entry text of one OBJL0200 entry. REQUIRES: entry.size() >= kEntryLength.
std::string EntryText(std::span<const uint8_t> entry);
// The extended attribute of one OBJL0200 entry (10 characters).
std::string_view EntryAttribute(std::span<const uint8_t> entry);
// The object name of an entry text: characters 5 to 14, upper-cased,
// padded with blanks to 10 (blanks when the text is shorter).
std::string EntryObjectName(std::string_view entryText);
// Whether an entry with the extended `attribute` passes `filter`: empty and
// "*LIB" keep all, "*FILE" keeps "PF..." and "LF...", any other keeps the
// attributes that begin with the filter (case-sensitive).
bool PassesFilter(std::string_view attribute, std::string_view filter);

// `text` upper-cased, cut to 10 characters and padded with blanks into the
// 10 bytes at `buffer` (no terminator).
void CopyName(std::string_view text, char* buffer);

}  // namespace vantora::selection

#endif  // VANTORA_SELECTION_OBJECT_ENTRY_H_
