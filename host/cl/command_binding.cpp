#include "host/cl/command_binding.h"

#include <charconv>

namespace vantora::host::cl {
namespace {

bool Fail(BindError* e, const char* id, std::string detail) {
  e->messageId = id;
  e->detail = std::move(detail);
  return false;
}

bool IsSpecial(std::string_view specials, std::string_view word) {
  size_t pos = 0;
  while (pos < specials.size()) {
    size_t end = specials.find(' ', pos);
    if (end == std::string_view::npos) end = specials.size();
    if (specials.substr(pos, end - pos) == word) return true;
    pos = end + 1;
  }
  return false;
}

std::vector<ClElement> DefaultValues(const char* text) {
  std::vector<ClElement> out;
  std::string_view s(text);
  size_t pos = 0;
  while (pos < s.size()) {
    size_t end = s.find(' ', pos);
    if (end == std::string_view::npos) end = s.size();
    if (end > pos) {
      ClElement e;
      e.text = std::string(s.substr(pos, end - pos));
      out.push_back(std::move(e));
    }
    pos = end + 1;
  }
  return out;
}

bool CheckValue(const ParamDef& p, const ClElement& e, BindError* error) {
  const std::string where = "parameter " + std::string(p.keyword);
  if (p.type == ParamType::kList) return true;
  if (e.kind == ClElement::Kind::kList) {
    return Fail(error, "CPD0084", "a list is not valid for " + where);
  }
  const bool word = e.kind == ClElement::Kind::kWord;
  if (word && !e.text.empty() && e.text[0] == '*' && IsSpecial(p.specials, e.text)) return true;
  switch (p.type) {
    case ParamType::kSpecial:
      return Fail(error, "CPD0084", "value '" + e.text + "' not valid for " + where);
    case ParamType::kName:
      if (!word || !IsValidName(e.text)) {
        return Fail(error, word && e.text[0] == '*' ? "CPD0084" : "CPD0085",
                    "value '" + e.text + "' for " + where + " not a valid name");
      }
      return true;
    case ParamType::kQualifiedName: {
      std::string lib, name;
      SplitQualified(e.text, &lib, &name);
      bool libOk = lib.empty() || lib == "*LIBL" || lib == "*CURLIB" || IsValidName(lib);
      bool nameOk = IsValidName(name) || (!name.empty() && IsSpecial(p.specials, name));
      if (!word || !libOk || !nameOk) {
        return Fail(error,
                    !name.empty() && name[0] == '*' && nameOk == false ? "CPD0084" : "CPD0085",
                    "value '" + e.text + "' for " + where + " not a valid name");
      }
      return true;
    }
    case ParamType::kText:
      if (word && !e.text.empty() && e.text[0] == '*') {
        return Fail(error, "CPD0084", "value '" + e.text + "' not valid for " + where);
      }
      if (e.text.size() > static_cast<size_t>(p.maxLength)) {
        return Fail(error, "CPD0086",
                    "text for " + where + " longer than " + std::to_string(p.maxLength));
      }
      return true;
    case ParamType::kChar:
      if (e.text.size() != 1 || p.chars.find(e.text[0]) == std::string_view::npos) {
        return Fail(error, "CPD0084", "value '" + e.text + "' not valid for " + where);
      }
      return true;
    case ParamType::kInteger: {
      int64_t v = 0;
      const char* end = e.text.data() + e.text.size();
      auto r = std::from_chars(e.text.data(), end, v);
      if (e.text.empty() || r.ec != std::errc() || r.ptr != end) {
        return Fail(error, "CPD0075", "value '" + e.text + "' for " + where + " not a number");
      }
      if (v < p.minValue || v > p.maxValue) {
        return Fail(error, "CPD0084", "value " + e.text + " outside the range of " + where);
      }
      return true;
    }
    case ParamType::kList:
      break;
  }
  return true;
}

bool CheckParameter(const ParamDef& p, const std::vector<ClElement>& values, BindError* error) {
  if (values.empty()) {
    return Fail(error, "CPD0072", "parameter " + std::string(p.keyword) + " has no value");
  }
  if (values.size() > static_cast<size_t>(p.maxElements)) {
    return Fail(error, "CPD0078",
                "more than " + std::to_string(p.maxElements) + " values for parameter " +
                    std::string(p.keyword));
  }
  for (const ClElement& e : values) {
    if (!CheckValue(p, e, error)) return false;
  }
  return true;
}

}  // namespace

bool IsValidName(std::string_view name) {
  if (name.empty() || name.size() > 10) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    bool letter = (c >= 'A' && c <= 'Z') || c == '$' || c == '#' || c == '@';
    bool other = (c >= '0' && c <= '9') || c == '_';
    if (!(letter || (i > 0 && other))) return false;
  }
  return true;
}

void SplitQualified(std::string_view text, std::string* library, std::string* name) {
  size_t slash = text.find('/');
  if (slash == std::string_view::npos) {
    library->clear();
    *name = std::string(text);
  } else {
    *library = std::string(text.substr(0, slash));
    *name = std::string(text.substr(slash + 1));
  }
}

const std::vector<ClElement>& BoundCommand::Values(std::string_view keyword) const {
  static const std::vector<ClElement> kNone;
  auto it = values_.find(keyword);
  return it == values_.end() ? kNone : it->second;
}

std::string BoundCommand::Text(std::string_view keyword) const {
  const auto& v = Values(keyword);
  return v.empty() ? std::string() : v[0].text;
}

bool BoundCommand::Given(std::string_view keyword) const {
  auto it = given_.find(keyword);
  return it != given_.end() && it->second;
}

bool BindCommand(const ClCommand& command, BoundCommand* out, BindError* error) {
  *out = BoundCommand{};
  const CommandDef* def = FindCommand(command.name);
  if (def == nullptr || (!command.library.empty() && command.library != "QSYS" &&
                         command.library != "*LIBL" && command.library != "QGPL")) {
    return Fail(error, "CPD0030",
                "command " + command.name + " in library " +
                    (command.library.empty() ? std::string("*LIBL") : command.library) +
                    " not found");
  }
  out->def_ = def;
  int position = 0;
  for (const ClParameter& p : command.parameters) {
    const ParamDef* param = nullptr;
    if (p.keyword.empty()) {
      if (position >= def->positional) {
        return Fail(error, "CPD0071",
                    "more than " + std::to_string(def->positional) + " positional values");
      }
      param = &def->params[static_cast<size_t>(position++)];
    } else {
      param = def->Find(p.keyword);
      if (param == nullptr) {
        return Fail(error, "CPD0043", "keyword " + p.keyword + " not valid for this command");
      }
    }
    std::string keyword(param->keyword);
    if (out->given_[keyword]) {
      return Fail(error, "CPD0044", "parameter " + keyword + " given more than once");
    }
    if (!CheckParameter(*param, p.elements, error)) return false;
    out->given_[keyword] = true;
    out->values_[keyword] = p.elements;
  }
  for (const ParamDef& p : def->params) {
    std::string keyword(p.keyword);
    if (out->given_[keyword]) continue;
    if (p.defaultValue == nullptr) {
      return Fail(error, "CPD0072", "parameter " + keyword + " required");
    }
    out->values_[keyword] = DefaultValues(p.defaultValue);
  }
  return true;
}

}  // namespace vantora::host::cl
