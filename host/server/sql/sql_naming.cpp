#include "host/server/sql/sql_naming.h"

#include <vector>

#include "host/server/sql/sql_tokens.h"

namespace vantora::host::sql {
namespace {

bool IsSymbol(const Token& t, std::string_view s) {
  return t.kind == TokenKind::kSymbol && t.text == s;
}

bool IsPart(const Token& t) {
  return t.kind == TokenKind::kWord || t.kind == TokenKind::kQuoted;
}

// A quoted part that is an ordinary upper-case name loses its quotes.
std::string Part(const Token& t) {
  if (t.kind != TokenKind::kQuoted || t.text.size() < 3) return t.text;
  const std::string inner = t.text.substr(1, t.text.size() - 2);
  bool plain = inner.size() <= 10 && !(inner[0] >= '0' && inner[0] <= '9');
  for (char c : inner) {
    plain = plain && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '#' ||
                      c == '@' || c == '$');
  }
  return plain ? inner : t.text;
}

// Words that end a FROM list at its parenthesis depth.
bool EndsFromList(const Token& t) {
  for (std::string_view w :
       {"WHERE", "GROUP",    "HAVING", "ORDER", "UNION", "EXCEPT", "INTERSECT", "FETCH",
        "FOR",   "OPTIMIZE", "WITH",   "ON",    "SET",   "VALUES", "LIMIT",     "JOIN",
        "INNER", "LEFT",     "RIGHT",  "FULL",  "CROSS", "USING"}) {
    if (t.Is(w)) return true;
  }
  return false;
}

}  // namespace

bool IsSetNaming(std::string_view text, Naming* naming, SqlError* error) {
  std::vector<Token> tokens;
  if (!Tokenize(text, &tokens).ok()) return false;
  std::vector<const Token*> sig;
  for (const Token& t : tokens) {
    if (t.kind != TokenKind::kSpace) sig.push_back(&t);
  }
  if (sig.size() < 2 || !sig[0]->Is("SET") || !sig[1]->Is("OPTION")) return false;
  // SET OPTION NAMING = *SQL | *SYS
  if (sig.size() == 6 && sig[2]->Is("NAMING") && IsSymbol(*sig[3], "=") && IsSymbol(*sig[4], "*") &&
      (sig[5]->Is("SQL") || sig[5]->Is("SYS"))) {
    *naming = sig[5]->Is("SQL") ? Naming::kSql : Naming::kSystem;
    *error = SqlOk();
    return true;
  }
  *error = SqlSyntax(sig.size() > 2 ? sig[2]->text : "OPTION");
  return true;
}

SqlError SqlToSystemNaming(std::string_view text, std::string* out) {
  std::vector<Token> tokens;
  if (SqlError e = Tokenize(text, &tokens); !e.ok()) return e;
  std::vector<size_t> sig;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind != TokenKind::kSpace) sig.push_back(i);
  }
  auto at = [&](size_t n) -> const Token& { return tokens[sig[n]]; };
  // A dotted pair without blanks: tokens i, i+1 '.', i+2.
  auto dotted = [&](size_t i) {
    return i + 2 < tokens.size() && IsPart(tokens[i]) && IsSymbol(tokens[i + 1], ".") &&
           IsPart(tokens[i + 2]);
  };
  auto qualify = [&](size_t i) {
    tokens[i].text = Part(tokens[i]) + "/" + Part(tokens[i + 2]);
    tokens[i + 1].text.clear();
    tokens[i + 2].text.clear();
  };
  const bool createIndex = sig.size() > 2 && at(0).Is("CREATE") &&
                           (at(1).Is("INDEX") || (at(1).Is("UNIQUE") && at(2).Is("INDEX")));
  bool expect = false;  // the next reference is an object
  int listDepth = -1;   // depth of the FROM list being read, -1 none
  int depth = 0;
  for (size_t n = 0; n < sig.size(); ++n) {
    const size_t i = sig[n];
    const Token& t = tokens[i];
    if (t.kind == TokenKind::kSymbol && t.text == "/" && n > 0 && IsPart(at(n - 1)) && i > 0 &&
        sig[n - 1] == i - 1 && i + 1 < tokens.size() && IsPart(tokens[i + 1])) {
      return SqlError{-5016, "42833", at(n - 1).text + "/" + tokens[i + 1].text};
    }
    if (IsSymbol(t, "(")) ++depth;
    if (IsSymbol(t, ")")) {
      --depth;
      if (listDepth > depth) listDepth = -1;
    }
    if (listDepth == depth && (EndsFromList(t) || IsSymbol(t, ")"))) listDepth = -1;
    if (IsPart(t) && dotted(i)) {
      const bool threeParts =
          i + 4 < tokens.size() && IsSymbol(tokens[i + 3], ".") && IsPart(tokens[i + 4]);
      if (threeParts || expect || (listDepth == depth && n > 0 && IsSymbol(at(n - 1), ","))) {
        qualify(i);
        expect = false;
        // Skip the two tokens taken.
        while (n + 1 < sig.size() && sig[n + 1] <= i + 2) ++n;
        continue;
      }
    }
    if (t.kind == TokenKind::kWord) {
      if (t.Is("FROM")) {
        expect = true;
        listDepth = depth;
        continue;
      }
      if (t.Is("JOIN") || t.Is("INTO") || t.Is("UPDATE") || t.Is("TABLE") || t.Is("INDEX") ||
          (createIndex && t.Is("ON"))) {
        expect = true;
        continue;
      }
    }
    if (!IsSymbol(t, "(")) expect = false;
  }
  out->clear();
  for (const Token& t : tokens) *out += t.text;
  return SqlOk();
}

}  // namespace vantora::host::sql
