#include "host/server/commands/command_runner.h"

#include "host/cl/cl_parser.h"
#include "host/server/commands/command_table.h"
#include "host/server/session/host_status.h"
#include "host/server/session/job.h"
#include "protocol/host_message_ids.h"
#include "protocol/host_messages.h"

namespace vantora::host {
namespace {

const CommandTable& Effects() {
  static const CommandTable table = [] {
    CommandTable t;
    AddJobCommands(t);
    AddObjectCommands(t);
    AddFileCommands(t);
    AddQueryCommands(t);
    return t;
  }();
  return table;
}

// Escape messages of commands all carry the severity of a failed command.
constexpr int kEscapeSeverity = 40;

// The escape message's text: its first-level text from QCPFMSG. A command's
// failure carries no substitution values, so each shows as *N (the host's
// word for data it does not have); a text that is only a variable ("&1.")
// takes the failure's detail, which is then the whole message.
std::string EscapeText(const CommandOutcome& outcome) {
  const wire::MessageDescription* m =
      wire::FindMessage(wire::kSystemMessageFile, outcome.messageId);
  if (m == nullptr) return outcome.detail;
  const std::string_view text = m->text;
  if (text == "&1.") return outcome.detail + ".";
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      // "type *&3" names a type without its asterisk.
      if (!out.empty() && out.back() == '*') out.pop_back();
      out += "*N";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

CommandOutcome Execute(Storage& storage, Job& job, std::string_view text) {
  cl::ClCommand parsed;
  cl::ClSyntaxError syntax;
  if (!cl::ParseClCommand(text, &parsed, &syntax)) {
    return CommandOutcome::Failed(syntax.messageId.c_str(),
                                  syntax.detail + " at " + std::to_string(syntax.offset));
  }
  cl::BoundCommand bound;
  cl::BindError bindError;
  if (!cl::BindCommand(parsed, &bound, &bindError)) {
    return CommandOutcome::Failed(bindError.messageId.c_str(), bindError.detail);
  }
  auto it = Effects().find(bound.name());
  if (it == Effects().end()) {
    return CommandOutcome::Failed(wire::kMsgCommandNotFound,
                                  "command " + parsed.name + " has no effect here");
  }
  CommandContext context{storage, job};
  return it->second(context, bound);
}

}  // namespace

CommandOutcome CommandOutcome::Failed(const Status& s) {
  CommandOutcome o;
  o.ok = false;
  o.status = StatusWordOf(s.code());
  o.messageId = s.messageId();
  o.detail = s.detail();
  return o;
}

CommandOutcome CommandOutcome::Failed(const char* messageId, std::string detail) {
  CommandOutcome o;
  o.ok = false;
  o.status = kStatusOther;
  o.messageId = messageId;
  o.detail = std::move(detail);
  return o;
}

Status RequireLibrary(CommandContext& c, const std::string& library) {
  bool exists = false;
  Status s = c.storage.catalogue().LibraryExists(library, &exists);
  if (s.ok() && !exists) return Status::Error(StatusCode::kLibraryNotFound, "library " + library);
  return s;
}

Status ResolveExistingFile(CommandContext& c, const std::string& value, ObjectName* out) {
  std::string lib, name;
  cl::SplitQualified(value, &lib, &name);
  if (lib.empty() || lib == "*LIBL") {
    return c.storage.catalogue().ResolveFile(c.job.SearchList(), name, out);
  }
  if (lib == "*CURLIB") lib = c.job.currentLibrary();
  if (Status s = RequireLibrary(c, lib); !s.ok()) return s;
  FileDescription d;
  Status s = c.storage.catalogue().DescribeFile({lib, name}, &d);
  if (!s.ok()) return s;
  *out = d.name;
  return Status::Ok();
}

Status NewObjectName(CommandContext& c, const std::string& value, ObjectName* out) {
  std::string lib, name;
  cl::SplitQualified(value, &lib, &name);
  if (lib.empty() || lib == "*LIBL" || lib == "*CURLIB") lib = c.job.currentLibrary();
  if (Status s = RequireLibrary(c, lib); !s.ok()) return s;
  return NormaliseObjectName({lib, name}, out);
}

Status ResolveExistingObject(CommandContext& c, const std::string& value, std::string_view type,
                             ObjectName* out) {
  std::string lib, name;
  cl::SplitQualified(value, &lib, &name);
  std::vector<std::string> libraries;
  if (lib.empty() || lib == "*LIBL") {
    libraries = c.job.SearchList();
  } else {
    libraries.push_back(lib == "*CURLIB" ? c.job.currentLibrary() : lib);
    if (Status s = RequireLibrary(c, libraries[0]); !s.ok()) return s;
  }
  for (const std::string& l : libraries) {
    ObjectEntry entry;
    Status s = c.storage.catalogue().FindObject({l, name}, type, &entry);
    if (s.ok()) {
      *out = entry.name;
      return Status::Ok();
    }
    if (s.code() != StatusCode::kObjectNotFound) return s;
  }
  return Status::Error(StatusCode::kObjectNotFound, std::string(type) + " " + name + " not found");
}

std::string TextValue(const cl::BoundCommand& command, std::string_view keyword) {
  const auto& v = command.Values(keyword);
  if (v.empty() ||
      (v[0].kind == cl::ClElement::Kind::kWord && !v[0].text.empty() && v[0].text[0] == '*')) {
    return {};
  }
  return v[0].text;
}

CommandOutcome RunCommand(Storage& storage, Job& job, std::string_view text) {
  std::string_view request = text;
  while (!request.empty() && (request.back() == ' ' || request.back() == '\0')) {
    request.remove_suffix(1);
  }
  job.log().AddRequest(request);
  CommandOutcome outcome = Execute(storage, job, text);
  if (!outcome.ok) job.log().AddEscape(outcome.messageId, kEscapeSeverity, EscapeText(outcome));
  return outcome;
}

}  // namespace vantora::host
