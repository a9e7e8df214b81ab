// The SERVER NAME connection parameter: an optional "AS400:" prefix, an
// optional system name between slashes, and a library with an optional
// leading exclamation mark:
//   AS400:/PARIS/SALES   system PARIS, library SALES, marker '.'
//   AS400:/PARIS/!SALES  system PARIS, library SALES, marker '*'
//   AS400:/PARIS/        system PARIS, no library, marker 0
//   SALES                no system, library SALES, marker '.'
#ifndef VANTORA_DRIVER_FRAME_SERVER_NAME_H_
#define VANTORA_DRIVER_FRAME_SERVER_NAME_H_

#include <string>
#include <string_view>

namespace vantora::driver {

struct ServerName {
  std::string system;   // upper case; "" = the default system
  std::string library;  // upper case, at most 10 characters; "" = none
  char marker = 0;      // '*' for "!LIBRARY", '.' for "LIBRARY", 0 without a library
};

// At most 100 characters of `text` are read.
ServerName ParseServerName(std::string_view text);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_SERVER_NAME_H_
