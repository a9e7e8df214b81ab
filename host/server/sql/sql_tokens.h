// The tokenizer of the host's SQL text. It only splits: words, numbers,
// '...' literals, "..." identifiers, symbols and blanks, each keeping its
// original bytes, so that the translator can rewrite names and paste every
// other token back exactly as it came (literals are never changed).
//
// Hostile input: the text is cut at its first NUL; texts longer than
// kMaxStatementLength or of more than kMaxTokens tokens answer SQL0101;
// an unterminated literal answers SQL0010; a byte outside literals that
// SQL cannot hold (a control character other than blanks, or one above
// 0x7F) answers SQL0007.
#ifndef VANTORA_HOST_SERVER_SQL_SQL_TOKENS_H_
#define VANTORA_HOST_SERVER_SQL_SQL_TOKENS_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host/server/sql/sql_error.h"

namespace vantora::host::sql {

inline constexpr size_t kMaxStatementLength = 32767;
inline constexpr size_t kMaxTokens = 8192;

enum class TokenKind {
  kWord,    // name or keyword: a letter or $#@_, then also digits
  kNumber,  // digits, with an optional point and exponent
  kString,  // '...' with '' inside, quotes included
  kQuoted,  // "..." with "" inside, quotes included
  kSymbol,  // one operator or punctuation character (two for <= >= <> != ||)
  kSpace,   // blanks, tabs and line ends
};

struct Token {
  TokenKind kind;
  std::string text;  // the original bytes

  // The word in upper case (empty for other kinds): keywords compare this.
  std::string Upper() const;
  bool Is(std::string_view upperWord) const;
};

// Splits `text` into `out` (replaced).
SqlError Tokenize(std::string_view text, std::vector<Token>* out);

}  // namespace vantora::host::sql

#endif  // VANTORA_HOST_SERVER_SQL_SQL_TOKENS_H_
