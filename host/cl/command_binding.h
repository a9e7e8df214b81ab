// Binding a parsed command to its definition: positional parameters take
// their keywords, every value is checked against its parameter's kind and
// allowed values, and parameters not given take their defaults. A command
// that does not bind has no effect; the identifiers answered are listed in
// docs/host-commands.md.
#ifndef VANTORA_HOST_CL_COMMAND_BINDING_H_
#define VANTORA_HOST_CL_COMMAND_BINDING_H_

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "host/cl/cl_parser.h"
#include "host/cl/command_definition.h"

namespace vantora::host::cl {

// A failure to bind: message identifier and detail.
struct BindError {
  std::string messageId;
  std::string detail;
};

class BoundCommand {
 public:
  const CommandDef& def() const { return *def_; }
  std::string_view name() const { return def_->name; }

  // The values of `keyword`, as given or by default. REQUIRES: the
  // definition has the keyword.
  const std::vector<ClElement>& Values(std::string_view keyword) const;
  // The first value's text ("" when the parameter has none).
  std::string Text(std::string_view keyword) const;
  // The parameter was written in the command.
  bool Given(std::string_view keyword) const;

 private:
  friend bool BindCommand(const ClCommand&, BoundCommand*, BindError*);
  const CommandDef* def_ = nullptr;
  std::map<std::string, std::vector<ClElement>, std::less<>> values_;
  std::map<std::string, bool, std::less<>> given_;
};

// Binds `command`. Errors: CPD0030 unknown command, CPD0043 unknown keyword,
// CPD0044 keyword given twice, CPD0071 too many positional values, CPD0072
// a required parameter missing, CPD0078 too many values, CPD0084 a value the
// parameter does not allow, CPD0085 not a valid name, CPD0075 not a valid
// number, CPD0086 text too long.
bool BindCommand(const ClCommand& command, BoundCommand* out, BindError* error);

// Splits "LIB/NAME" (or "NAME": library "") of a qualified-name value.
void SplitQualified(std::string_view text, std::string* library, std::string* name);
// A valid host name: 1-10 characters, A-Z $ # @ first, then also 0-9 and _.
bool IsValidName(std::string_view name);

}  // namespace vantora::host::cl

#endif  // VANTORA_HOST_CL_COMMAND_BINDING_H_
