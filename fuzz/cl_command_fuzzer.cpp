// libFuzzer target: CL command texts through the parser and the binding to
// the host's command definitions. Nothing may crash; a text that parses and
// binds gives every parameter of its definition a value or a default.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/cl/cl_parser.h"
#include "host/cl/command_binding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantora::host::cl;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  ClCommand command;
  ClSyntaxError syntax;
  if (!ParseClCommand(text, &command, &syntax)) {
    if (syntax.messageId.empty()) __builtin_trap();
    return 0;
  }
  BoundCommand bound;
  BindError error;
  if (!BindCommand(command, &bound, &error)) {
    if (error.messageId.empty()) __builtin_trap();
    return 0;
  }
  for (const ParamDef& p : bound.def().params) {
    if (bound.Values(p.keyword).empty() && p.defaultValue != nullptr && *p.defaultValue != '\0') {
      __builtin_trap();
    }
  }
  return 0;
}
