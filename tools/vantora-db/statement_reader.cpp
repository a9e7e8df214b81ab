#include "tools/vantora-db/statement_reader.h"

#include <algorithm>

#include "protocol/blank_padded.h"
#include "tools/vantora-db/command_words.h"

namespace vantora::db {
namespace {

bool Is(const std::string& word, const char* name) {
  return wire::EqualsIgnoringCase(word, name);
}

// Where the text from `at` ends its line or command: the first ';' or line
// break outside quotes, or the end.
size_t CommandEnd(std::string_view text, size_t at) {
  char quote = 0;
  for (size_t i = at; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;  // a doubled quote closes and opens again
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';' || c == '\n') {
      return i;
    }
  }
  return text.size();
}

// Where the SQL statement from `at` ends: its ';' outside quotes and
// comments, or npos.
size_t StatementEnd(std::string_view text, size_t at) {
  char quote = 0;
  for (size_t i = at; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      while (i < text.size() && text[i] != '\n') ++i;
    } else if (c == ';') {
      return i;
    }
  }
  return std::string_view::npos;
}

// The statement without its "--" comments, which the host does not read.
std::string WithoutComments(std::string_view text) {
  std::string out;
  char quote = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      while (i + 1 < text.size() && text[i + 1] != '\n') ++i;
      continue;
    }
    out += c;
  }
  return out;
}

std::string Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return "";
  return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

}  // namespace

const std::vector<std::string>& SqlVerbs() {
  static const std::vector<std::string> verbs = {
      "alter",    "call",      "comment", "commit", "create",   "declare", "delete", "drop",
      "grant",    "insert",    "label",   "lock",   "merge",    "release", "rename", "revoke",
      "rollback", "savepoint", "select",  "set",    "truncate", "update",  "values", "with"};
  return verbs;
}

bool IsSqlStart(const std::vector<std::string>& words) {
  if (words.empty()) return false;
  std::string verb = words[0];
  for (char& c : verb) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const auto& verbs = SqlVerbs();
  if (std::find(verbs.begin(), verbs.end(), verb) == verbs.end()) return false;
  const size_t n = words.size();
  auto has = [&](const char* name) {
    return std::any_of(words.begin() + 1, words.end(),
                       [&](const std::string& w) { return Is(w, name); });
  };
  if (verb == "insert") return n == 1 || Is(words[1], "INTO");
  if (verb == "update") return n <= 2 || Is(words[2], "SET");
  if (verb == "delete") return n == 1 || Is(words[1], "FROM");
  if (verb == "commit" || verb == "rollback") return n > 1;
  if (verb == "drop") return !(n == 4 && Is(words[1], "index"));
  if (verb == "call") {
    return std::any_of(words.begin() + 1, words.end(),
                       [](const std::string& w) { return w.find('(') != std::string::npos; });
  }
  if (verb == "create" && n >= 2) {
    // The shell's own forms: create table NAME (FIELD TYPE, ..., KEY ...)
    // whole on its line, and create index TABLE INDEX FIELD... without ON.
    if (Is(words[1], "index")) return has("ON");
    if (Is(words[1], "table")) {
      // The shell's KEY items and its BOOLEAN and BYTES(n) types.
      const bool shellOnly = std::any_of(words.begin() + 2, words.end(), [](const std::string& w) {
        return wire::StartsWithIgnoringCase(w, "BOOLEAN") ||
               wire::StartsWithIgnoringCase(w, "BYTES(");
      });
      return !shellOnly && !(has("KEY") && !has("PRIMARY"));
    }
  }
  return true;
}

ReadPiecesResult ReadPieces(std::string_view text, bool atEnd) {
  ReadPiecesResult result;
  size_t at = 0;
  size_t line = 1;
  auto advance = [&](size_t to) {
    line += static_cast<size_t>(std::count(text.begin() + at, text.begin() + to, '\n'));
    at = to;
  };
  while (at < text.size()) {
    const size_t start = text.find_first_not_of(" \t\r\n;", at);
    if (start == std::string_view::npos) break;
    advance(start);
    const size_t end = CommandEnd(text, at);
    const std::string_view first = text.substr(at, end - at);
    const SplitResult split = SplitCommands(first);
    const bool comment = !first.empty() && first[0] == '#';
    if (!comment && split.error.empty() && !split.commands.empty() &&
        IsSqlStart(split.commands[0])) {
      const size_t stop = StatementEnd(text, at);
      if (stop == std::string_view::npos && !atEnd) {
        result.incomplete = true;
        return result;
      }
      const size_t last = stop == std::string_view::npos ? text.size() : stop;
      result.pieces.push_back({true, Trimmed(WithoutComments(text.substr(at, last - at))), line});
      advance(last);
    } else {
      result.pieces.push_back({false, std::string(first), line});
      advance(end);
    }
    if (at < text.size()) advance(at + 1);  // the ';' or line break
  }
  return result;
}

}  // namespace vantora::db
