// Qualified AS/400 names: LIBRARY/FILE in upper case, each part at most 10
// characters; a blank library leaves out the library and the slash.
#ifndef VANTORA_DRIVER_FRAME_NAMES_H_
#define VANTORA_DRIVER_FRAME_NAMES_H_

#include <string>
#include <string_view>

#include "protocol/blank_padded.h"

namespace vantora::driver {

struct SplitName {
  std::string library;  // 10 characters, blank-padded; blanks when the name has no slash
  std::string file;     // 10 characters, blank-padded
};

// Splits `name` at its first slash; a trailing full stop is dropped, both
// parts are upper-cased and cut to 10 characters.
SplitName Split(std::string_view name);
// Trims each part, joins them with a slash (none for an empty library).
std::string Join(std::string_view library, std::string_view file);
// The qualified name: a name without a slash gets `library` in front.
std::string Qualify(std::string_view name, std::string_view library);
using wire::Pad;
using wire::Trim;
using wire::Upper;

// Whether `name` can stand in a CL command or SQL statement as an object
// name: 1 to 10 characters, none of blank, quote, parenthesis, comma,
// semicolon, slash or a control character.
bool IsObjectName(std::string_view name);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_NAMES_H_
