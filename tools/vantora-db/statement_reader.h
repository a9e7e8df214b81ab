// Cutting what a person or a script gives the shell into pieces: the shell's
// own commands (a line, or up to a ';') and SQL statements (from a line that
// starts with an SQL verb up to the ';' that ends them, over as many lines as
// they take). Quotes (' and ") keep ';' and line breaks in them; in SQL a
// "--" comment runs to the end of its line.
#ifndef VANTORA_TOOLS_VANTORA_DB_STATEMENT_READER_H_
#define VANTORA_TOOLS_VANTORA_DB_STATEMENT_READER_H_

#include <string>
#include <string_view>
#include <vector>

namespace vantora::db {

struct Piece {
  bool sql = false;
  std::string text;  // a command's text, or the statement without its ';' and comments
  size_t line = 1;   // the line it starts on, from 1
};

struct ReadPiecesResult {
  std::vector<Piece> pieces;
  // The text ended inside an SQL statement that wants its ';' (only when
  // not `atEnd`): the pieces are those before it.
  bool incomplete = false;
};

// Cuts `text` into pieces. At the end of the input (`atEnd`) an SQL
// statement without its ';' is whole.
ReadPiecesResult ReadPieces(std::string_view text, bool atEnd);

// Whether a piece whose first line has `words` (split as command_words.h
// does) is SQL: its first word is an SQL verb, in any case, and, for the
// verbs that are also the shell's commands, the rest reads as SQL
// (INSERT INTO, UPDATE t SET, DELETE FROM, CALL p(...), COMMIT WORK, DROP
// INDEX i, CREATE INDEX i ON, CREATE TABLE without the shell's KEY items and
// BOOLEAN and BYTES(n) types, ...).
bool IsSqlStart(const std::vector<std::string>& words);

// The SQL verbs that start a statement at the prompt, in lower case.
const std::vector<std::string>& SqlVerbs();

}  // namespace vantora::db

#endif  // VANTORA_TOOLS_VANTORA_DB_STATEMENT_READER_H_
