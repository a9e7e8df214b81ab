// Normalising host names and building SQLite identifiers from them.
#include "host/storage/names.h"

namespace vantora::host {
namespace {

bool IsFirstChar(char c) {
  return (c >= 'A' && c <= 'Z') || c == '$' || c == '#' || c == '@';
}
bool IsNameChar(char c) {
  return IsFirstChar(c) || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

Status NormaliseName(std::string_view in, std::string* out) {
  while (!in.empty() && (in.back() == ' ' || in.back() == '\0')) in.remove_suffix(1);
  if (in.empty() || in.size() > kMaxNameLength) {
    return Status::Error(StatusCode::kInvalidArgument,
                         "name '" + std::string(in) + "' must have 1 to 10 characters");
  }
  std::string s(in);
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  bool valid = IsFirstChar(s[0]);
  for (char c : s) valid = valid && IsNameChar(c);
  if (!valid) {
    return Status::Error(StatusCode::kInvalidArgument, "name '" + s + "' is not a host name");
  }
  *out = std::move(s);
  return Status::Ok();
}

Status NormaliseObjectName(const ObjectName& in, ObjectName* out) {
  ObjectName n;
  Status s = NormaliseName(in.library, &n.library);
  if (s.ok()) s = NormaliseName(in.name, &n.name);
  if (s.ok()) *out = std::move(n);
  return s;
}

std::string QuoteIdentifier(std::string_view identifier) {
  std::string q = "\"";
  for (char c : identifier) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

std::string SqlTableName(const ObjectName& file) {
  return QuoteIdentifier(file.ToString());
}

std::string SqlIndexName(const ObjectName& file) {
  return QuoteIdentifier(file.ToString() + ":KEY");
}

}  // namespace vantora::host
