// Names and texts as they travel between client and host: AS/400 object
// names are upper case, at most 10 characters, in fields padded with blanks;
// texts come back blank-padded (a C text may end in NULs instead). The one
// set of helpers for them, used on both sides and by the parts above.
#ifndef VANTORA_PROTOCOL_BLANK_PADDED_H_
#define VANTORA_PROTOCOL_BLANK_PADDED_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace vantora::wire {

// The width of an object name's field.
inline constexpr size_t kNameWidth = 10;

inline char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// `text` with its ASCII letters in upper case (other bytes as they are).
inline std::string Upper(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = UpperAscii(c);
  return s;
}

// `text` without its trailing blanks and NULs.
inline std::string TrimRight(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
  return std::string(text);
}

// `text` without its leading blanks, nor its trailing blanks and NULs.
inline std::string Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return TrimRight(text);
}

// `text` blank-padded, or cut, to `width`.
inline std::string Pad(std::string_view text, size_t width = kNameWidth) {
  std::string s(text.substr(0, width));
  s.resize(width, ' ');
  return s;
}

// Whether `a` and `b` are the same but for the case of ASCII letters.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

// Whether `text` begins with `prefix` but for the case of ASCII letters.
inline bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

inline char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `a` sorts before `b` but for the case of ASCII letters: bytes
// compared unsigned, letters as lower case (the C library's order in the C
// locale, where `_` sorts before the letters).
inline bool LessIgnoringCase(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(LowerAscii(a[i]));
    const auto y = static_cast<unsigned char>(LowerAscii(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

}  // namespace vantora::wire

#endif  // VANTORA_PROTOCOL_BLANK_PADDED_H_
