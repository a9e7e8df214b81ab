#include "driver/frame/server_name.h"

#include "protocol/blank_padded.h"

namespace vantora::driver {

using wire::Upper;

ServerName ParseServerName(std::string_view text) {
  ServerName name;
  std::string rest = Upper(text.substr(0, 100));
  if (rest.rfind("AS400:", 0) == 0) rest.erase(0, 6);
  if (!rest.empty() && (rest[0] == '/' || rest[0] == '\\')) {
    rest.erase(0, 1);
    size_t end = rest.find('/');
    if (end == std::string::npos) end = rest.find('\\');
    if (end == std::string::npos) {
      name.system = rest;
      return name;
    }
    name.system = rest.substr(0, end);
    rest.erase(0, end + 1);
  }
  if (rest.empty()) return name;
  if (rest[0] == '!') {
    name.marker = '*';
    rest.erase(0, 1);
  } else {
    name.marker = '.';
  }
  name.library = rest.substr(0, 10);
  return name;
}

}  // namespace vantora::driver
