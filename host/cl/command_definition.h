// The definitions of the CL commands the host knows: for each command its
// parameters (keyword, kind of value, allowed special values, default,
// number of values) and how many of them may be given by position. The
// table is data; command_binding.h checks a parsed command against it, the
// host's command runner gives each command its effect.
#ifndef VANTORA_HOST_CL_COMMAND_DEFINITION_H_
#define VANTORA_HOST_CL_COMMAND_DEFINITION_H_

#include <cstdint>
#include <string_view>
#include <vector>

namespace vantora::host::cl {

enum class ParamType : uint8_t {
  kName,           // a host name (1-10 characters) or one of `specials`
  kQualifiedName,  // [LIB/]NAME, LIB a name, *LIBL or *CURLIB; NAME a name or one of `specials`
  kText,           // a quoted or plain text of at most `maxLength` bytes, or one of `specials`
  kChar,           // one character of `chars` (quoted or plain), or one of `specials`
  kInteger,        // a whole number from `minValue` to `maxValue`, or one of `specials`
  kSpecial,        // one of `specials` only
  kList,           // any elements; the command checks them itself
};

struct ParamDef {
  std::string_view keyword;
  ParamType type = ParamType::kName;
  std::string_view specials;           // blank-separated special values, "*YES *NO"
  const char* defaultValue = "";       // nullptr: required; otherwise blank-separated values
  int maxElements = 1;                 // values the parameter may list
  int maxLength = 0;                   // kText
  std::string_view chars;              // kChar
  int64_t minValue = 0, maxValue = 0;  // kInteger
};

struct CommandDef {
  std::string_view name;
  int positional = 0;  // the first `positional` parameters may be given by position
  std::vector<ParamDef> params;

  const ParamDef* Find(std::string_view keyword) const;
};

// The definition of command `name` (upper case), or null when the host has
// none.
const CommandDef* FindCommand(std::string_view name);
// All definitions, in alphabetical order (documentation and tests).
const std::vector<CommandDef>& AllCommands();

}  // namespace vantora::host::cl

#endif  // VANTORA_HOST_CL_COMMAND_DEFINITION_H_
