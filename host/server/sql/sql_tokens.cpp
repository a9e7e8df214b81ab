#include "host/server/sql/sql_tokens.h"

namespace vantora::host::sql {
namespace {

bool IsNameStart(unsigned char ch) {
  return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || ch == '$' || ch == '#' ||
         ch == '@' || ch == '_';
}
bool IsDigit(unsigned char ch) {
  return ch >= '0' && ch <= '9';
}
bool IsNamePart(unsigned char ch) {
  return IsNameStart(ch) || IsDigit(ch);
}
bool IsSpace(unsigned char ch) {
  return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

// Scans a literal quoted with `quote` from `start`; a doubled quote stays
// inside. Answers the index after the closing quote, or npos.
size_t ScanQuoted(std::string_view text, size_t start, char quote) {
  size_t i = start + 1;
  while (i < text.size()) {
    if (text[i] == quote) {
      if (i + 1 < text.size() && text[i + 1] == quote) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return std::string_view::npos;
}

}  // namespace

std::string Token::Upper() const {
  if (kind != TokenKind::kWord) return {};
  std::string u = text;
  for (char& ch : u) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return u;
}

bool Token::Is(std::string_view upperWord) const {
  return Upper() == upperWord;
}

SqlError Tokenize(std::string_view text, std::vector<Token>* out) {
  out->clear();
  if (size_t nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  if (text.size() > kMaxStatementLength) return SqlTooComplex();
  size_t i = 0;
  while (i < text.size()) {
    if (out->size() >= kMaxTokens) return SqlTooComplex();
    const auto ch = static_cast<unsigned char>(text[i]);
    size_t end = i + 1;
    TokenKind kind = TokenKind::kSymbol;
    if (IsSpace(ch)) {
      kind = TokenKind::kSpace;
      while (end < text.size() && IsSpace(static_cast<unsigned char>(text[end]))) ++end;
    } else if (IsNameStart(ch)) {
      kind = TokenKind::kWord;
      while (end < text.size() && IsNamePart(static_cast<unsigned char>(text[end]))) ++end;
    } else if (IsDigit(ch) || (ch == '.' && i + 1 < text.size() &&
                               IsDigit(static_cast<unsigned char>(text[i + 1])))) {
      kind = TokenKind::kNumber;
      while (end < text.size() &&
             (IsDigit(static_cast<unsigned char>(text[end])) || text[end] == '.')) {
        ++end;
      }
      if (end < text.size() && (text[end] == 'E' || text[end] == 'e')) {
        size_t e = end + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
        if (e < text.size() && IsDigit(static_cast<unsigned char>(text[e]))) {
          end = e;
          while (end < text.size() && IsDigit(static_cast<unsigned char>(text[end]))) ++end;
        }
      }
    } else if (ch == '\'' || ch == '"') {
      kind = ch == '\'' ? TokenKind::kString : TokenKind::kQuoted;
      end = ScanQuoted(text, i, static_cast<char>(ch));
      if (end == std::string_view::npos) {
        return SqlUnterminatedString(std::string(text.substr(i, 20)));
      }
    } else if (ch < 0x20 || ch > 0x7E) {
      return SqlIllegalCharacter(std::string(1, static_cast<char>(ch)));
    } else if (i + 1 < text.size()) {
      const std::string_view two = text.substr(i, 2);
      if (two == "<=" || two == ">=" || two == "<>" || two == "!=" || two == "||") end = i + 2;
    }
    out->push_back({kind, std::string(text.substr(i, end - i))});
    i = end;
  }
  return SqlOk();
}

}  // namespace vantora::host::sql
