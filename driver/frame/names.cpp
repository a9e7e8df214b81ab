#include "driver/frame/names.h"

#include <cctype>

namespace vantora::driver {

SplitName Split(std::string_view name) {
  std::string s = Trim(name);
  if (!s.empty() && s.back() == '.') s.pop_back();
  s = Upper(s);
  SplitName parts;
  const size_t slash = s.find('/');
  if (slash == std::string::npos) {
    parts.library = Pad("", 10);
    parts.file = Pad(Trim(s), 10);
  } else {
    parts.library = Pad(Trim(s.substr(0, slash)), 10);
    parts.file = Pad(Trim(s.substr(slash + 1)), 10);
  }
  return parts;
}

std::string Join(std::string_view library, std::string_view file) {
  const std::string lib = Trim(library);
  const std::string f = Trim(file);
  return Upper(lib.empty() ? f : lib + "/" + f);
}

std::string Qualify(std::string_view name, std::string_view library) {
  std::string s = Trim(name);
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s.find('/') == std::string::npos && !Trim(library).empty()) {
    s = Trim(library) + "/" + s;
  }
  return Upper(s);
}

bool IsObjectName(std::string_view name) {
  if (name.empty() || name.size() > 10) return false;
  for (unsigned char c : name) {
    if (c <= ' ' || c == '\'' || c == '"' || c == '(' || c == ')' || c == ',' || c == ';' ||
        c == '/' || c == 0x7F) {
      return false;
    }
  }
  return true;
}

}  // namespace vantora::driver
