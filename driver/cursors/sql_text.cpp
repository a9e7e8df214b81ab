#include "driver/cursors/sql_text.h"

#include <cctype>
#include <string_view>

#include "protocol/blank_padded.h"

namespace vantora::driver {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsNameStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '$' || c == '#' || c == '@' ||
         c == '_';
}

bool IsNameChar(char c) {
  return IsNameStart(c) || std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The end of the quoted string that starts at `at` (one past its closing quote).
size_t SkipQuoted(const std::string& s, size_t at) {
  const char quote = s[at];
  size_t i = at + 1;
  while (i < s.size()) {
    if (s[i] == quote) {
      if (i + 1 < s.size() && s[i + 1] == quote) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return i;
}

bool WordAt(const std::string& s, size_t at, const char* word) {
  return at <= s.size() && wire::StartsWithIgnoringCase(std::string_view(s).substr(at), word);
}

// `word` at `at`, with white space (or the start) before it and white space after.
bool KeywordAt(const std::string& s, size_t at, const char* word) {
  const size_t n = std::char_traits<char>::length(word);
  return (at == 0 || IsSpace(s[at - 1])) && WordAt(s, at, word) && at + n < s.size() &&
         IsSpace(s[at + n]);
}

// "GROUP BY" and "ORDER BY" with any white space between the words.
bool TwoWordKeywordAt(const std::string& s, size_t at, const char* first) {
  if (!KeywordAt(s, at, first)) return false;
  size_t i = at + std::char_traits<char>::length(first);
  while (i < s.size() && IsSpace(s[i])) ++i;
  return KeywordAt(s, i, "BY");
}

bool ClauseEndsAt(const std::string& s, size_t at) {
  return KeywordAt(s, at, "WHERE") || TwoWordKeywordAt(s, at, "GROUP") ||
         TwoWordKeywordAt(s, at, "ORDER");
}

// The first FROM keyword outside quoted strings, or npos.
size_t FindFrom(const std::string& s, size_t from = 0) {
  for (size_t i = from; i < s.size();) {
    if (s[i] == '\'' || s[i] == '"') {
      i = SkipQuoted(s, i);
      continue;
    }
    if (KeywordAt(s, i, "FROM")) return i;
    ++i;
  }
  return std::string::npos;
}

}  // namespace

bool IsSelect(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  return WordAt(text, i, "SELECT") && (i + 6 == text.size() || !IsNameChar(text[i + 6]));
}

TableList SelectTables(const std::string& s) {
  TableList list;
  size_t i = 0;
  while (i < s.size() && IsSpace(s[i])) ++i;
  if (!WordAt(s, i, "SELECT") || i + 6 >= s.size() || !IsSpace(s[i + 6])) return list;
  const size_t from = FindFrom(s, i + 6);
  if (from == std::string::npos) return list;
  i = from + 4;
  while (true) {
    while (i < s.size() && IsSpace(s[i])) ++i;
    if (i >= s.size() || ClauseEndsAt(s, i)) break;
    const size_t start = i;
    while (i < s.size() && !IsSpace(s[i]) && s[i] != ',') ++i;
    if (i > start) {
      list.names.append(s, start, i - start);
      list.names += ' ';
      ++list.count;
    }
    // An alias up to the next comma is dropped.
    while (i < s.size() && s[i] != ',' && !ClauseEndsAt(s, i)) ++i;
    if (i >= s.size() || s[i] != ',') break;
    ++i;
  }
  return list;
}

namespace {

std::string DropColumnLibraries(const std::string& s) {
  if (s.find('/') == std::string::npos) return s;
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (c == '\'' || c == '"') {
      const size_t end = SkipQuoted(s, i);
      out.append(s, i, end - i);
      i = end;
      continue;
    }
    if (c == '/') {
      size_t start = out.size();
      while (start > 0 && IsNameChar(out[start - 1])) --start;
      size_t j = i + 1;
      while (j < s.size() && IsNameChar(s[j])) ++j;
      const bool library = start < out.size() && IsNameStart(out[start]);
      const bool column = j > i + 1 && j + 1 < s.size() && s[j] == '.' && IsNameChar(s[j + 1]);
      if (library && column) {
        out.erase(start);  // LIB/FILE.FIELD -> FILE.FIELD
        ++i;
        continue;
      }
    }
    out += c;
    ++i;
  }
  return out;
}

// The next FROM, UPDATE or INTO keyword outside quoted strings at or after
// `from`, or npos; `word` receives it.
size_t FindTableKeyword(const std::string& s, size_t from, const char** word) {
  static const char* const kWords[] = {"FROM", "UPDATE", "INTO"};
  for (size_t i = from; i < s.size();) {
    if (s[i] == '\'' || s[i] == '"') {
      i = SkipQuoted(s, i);
      continue;
    }
    for (const char* w : kWords) {
      if (KeywordAt(s, i, w)) {
        *word = w;
        return i;
      }
    }
    ++i;
  }
  return std::string::npos;
}

// Qualifies the tables after FROM (a list separated by commas, up to ")",
// "(", the end or a clause) and the table after UPDATE and INTO.
std::string QualifyTables(const std::string& s, const std::string& library, char separator) {
  std::string out;
  size_t i = 0;
  const char* word = nullptr;
  while (i < s.size()) {
    const size_t at = FindTableKeyword(s, i, &word);
    if (at == std::string::npos) break;
    out.append(s, i, at - i);
    out += word;
    i = at + std::char_traits<char>::length(word);
    const bool list = word[0] == 'F';
    bool atReference = true;
    while (i < s.size()) {
      const char c = s[i];
      // A subquery's own FROM is found by the outer loop.
      if (c == ')' || c == '(' || ClauseEndsAt(s, i)) break;
      if (c == '\'' || c == '"') {
        const size_t end = SkipQuoted(s, i);
        out.append(s, i, end - i);
        i = end;
        atReference = false;
        continue;
      }
      if (c == ',') {
        if (!list) break;
        atReference = true;
      } else if (atReference && !IsSpace(c)) {
        atReference = false;
        size_t j = i;
        while (j < s.size() && IsNameChar(s[j])) ++j;
        const bool qualified = j > i && j < s.size() && (s[j] == '/' || s[j] == '.');
        if (IsNameStart(c) && !qualified) out += library + separator;
        if (!list) {
          out.append(s, i, j - i);
          i = j;
          break;
        }
      }
      out += c;
      ++i;
    }
  }
  out.append(s, i, std::string::npos);
  return out;
}

}  // namespace

std::string AdaptStatement(const std::string& text, const std::string& library, char separator) {
  std::string s = text;
  for (char& c : s) {
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  }
  while (!s.empty() && s.back() == ' ') s.pop_back();
  s = DropColumnLibraries(s);
  if (!library.empty()) s = QualifyTables(s, library, separator);
  return s;
}

std::string SubstituteMarkers(const std::string& text, const std::vector<std::string>& literals,
                              size_t* used) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\'') {
      const size_t end = SkipQuoted(text, i);
      out.append(text, i, end - i);
      i = end;
      continue;
    }
    if (text[i] == '?' && next < literals.size()) {
      out += literals[next++];
    } else {
      out += text[i];
    }
    ++i;
  }
  if (used != nullptr) *used = next;
  return out;
}

size_t CountMarkers(const std::string& text) {
  size_t n = 0;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\'') {
      i = SkipQuoted(text, i);
      continue;
    }
    n += text[i] == '?';
    ++i;
  }
  return n;
}

std::string CountStatement(const std::string& statement) {
  const size_t from = FindFrom(statement);
  if (from == std::string::npos) return {};
  std::string rest = statement.substr(from);
  // A top-level ORDER BY orders nothing in a count: it goes, up to a FOR
  // clause (FOR FETCH ONLY) or the end.
  int depth = 0;
  size_t order = std::string::npos, end = rest.size();
  for (size_t i = 0; i < rest.size();) {
    const char c = rest[i];
    if (c == '\'' || c == '"') {
      i = SkipQuoted(rest, i);
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (depth == 0 && order == std::string::npos && TwoWordKeywordAt(rest, i, "ORDER")) order = i;
    if (depth == 0 && order != std::string::npos && KeywordAt(rest, i, "FOR")) {
      end = i;
      break;
    }
    ++i;
  }
  if (order != std::string::npos) {
    size_t cut = order;
    while (cut > 0 && IsSpace(rest[cut - 1])) --cut;
    rest.erase(cut, end - cut);
    if (end < statement.size() - from && cut < rest.size()) rest.insert(cut, " ");
  }
  return "SELECT COUNT(*) " + rest;
}

bool IsGrouped(const std::string& statement) {
  for (size_t i = 0; i + 5 <= statement.size(); ++i) {
    if (wire::StartsWithIgnoringCase(std::string_view(statement).substr(i), "GROUP")) return true;
  }
  return false;
}

}  // namespace vantora::driver
