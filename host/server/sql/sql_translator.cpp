#include "host/server/sql/sql_translator.h"

#include <cstdint>
#include <vector>

#include "host/server/sql/sql_tokens.h"

namespace vantora::host::sql {
namespace {

bool IsSpace(const Token& t) {
  return t.kind == TokenKind::kSpace;
}
bool IsSymbol(const Token& t, std::string_view s) {
  return t.kind == TokenKind::kSymbol && t.text == s;
}

// The significant (non-blank) tokens' positions.
std::vector<size_t> Significant(const std::vector<Token>& tokens) {
  std::vector<size_t> out;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (!IsSpace(tokens[i])) out.push_back(i);
  }
  return out;
}

// The verbs of statements the language has but this host does not run
// (SQL0084); any other word that starts a statement is a syntax error at
// that word (SQL0104), as a misspelt SELECT is.
bool IsStatementVerb(const std::string& verb) {
  static constexpr std::string_view kVerbs[] = {
      "ALTER",    "BEGIN",      "CALL",   "CLOSE",     "COMMENT", "CONNECT",  "CREATE",  "DECLARE",
      "DESCRIBE", "DISCONNECT", "DROP",   "END",       "EXECUTE", "FETCH",    "FREE",    "GET",
      "GRANT",    "INCLUDE",    "LABEL",  "LOCK",      "MERGE",   "OPEN",     "PREPARE", "REFRESH",
      "RELEASE",  "RENAME",     "REVOKE", "SAVEPOINT", "SIGNAL",  "TRUNCATE", "WITH"};
  for (std::string_view v : kVerbs) {
    if (verb == v) return true;
  }
  return false;
}

// Parentheses deeper than this answer SQL0101 (SQLite's parser recurses).
constexpr size_t kMaxDepth = 64;

// Keywords that end a FROM list or cannot be a table's alias.
bool EndsTableList(const std::string& upper) {
  static const char* const kWords[] = {"WHERE",  "GROUP", "ORDER", "HAVING",    "ON",    "SET",
                                       "VALUES", "FOR",   "UNION", "EXCEPT",    "FETCH", "LIMIT",
                                       "SELECT", "JOIN",  "INNER", "LEFT",      "RIGHT", "CROSS",
                                       "FULL",   "OUTER", "WITH",  "INTERSECT", "USING"};
  for (const char* w : kWords) {
    if (upper == w) return true;
  }
  return false;
}

class Translator {
 public:
  Translator(std::vector<Token> tokens, const FileResolver& resolve)
      : tokens_(std::move(tokens)), resolve_(resolve), sig_(Significant(tokens_)) {}

  SqlError Run(Translation* out);

 private:
  const Token& Sig(size_t n) const { return tokens_[sig_[n]]; }
  bool SigIs(size_t n, std::string_view word) const { return n < sig_.size() && Sig(n).Is(word); }
  SqlError Control(Translation* out);
  SqlError Rewrite(std::string* sql);
  // At significant position n a LIB/FILE or FILE table reference starts:
  // replaces its tokens and answers how many significant tokens it took.
  SqlError TableReference(size_t n, size_t* taken);
  // `sql` (the rewritten text) with the record number column before the
  // top-level FROM.
  std::string WithRecordNumber(const std::string& sql) const;
  // Peels the clauses DB2 allows after a query (FOR FETCH ONLY, FOR UPDATE
  // OF, FETCH FIRST n ROWS ONLY, OPTIMIZE FOR n ROWS, WITH isolation) off
  // the end; `limit` receives the LIMIT that FETCH FIRST becomes.
  SqlError TrailingClauses(size_t* end, std::string* limit);
  SqlError Resolve(const std::string& library, const std::string& file, std::string* sqlName);

  std::vector<Token> tokens_;
  const FileResolver& resolve_;
  std::vector<size_t> sig_;
  std::vector<ObjectName> files_;
  bool readOnly_ = false;      // FOR FETCH ONLY / FOR READ ONLY
  std::string isolation_;      // WITH NC / UR / CS / RS / RR
  bool fixedRows_ = false;     // DISTINCT, GROUP BY, ... at the top level
  size_t topFrom_ = SIZE_MAX;  // token index of the top-level FROM
};

// SQLite's text for CURRENT DATE / TIME / TIMESTAMP (also written with
// '_'), in the storage's forms and the host's local time; null for other
// words. `next` is the word after `upper`.
const char* CurrentValue(const std::string& upper, const std::string& next) {
  const std::string which = upper == "CURRENT"              ? next
                            : upper.starts_with("CURRENT_") ? upper.substr(8)
                                                            : std::string();
  if (which == "DATE") return "date('now', 'localtime')";
  if (which == "TIME") return "strftime('%H.%M.%S', 'now', 'localtime')";
  if (which == "TIMESTAMP") {
    return "(strftime('%Y-%m-%d-%H.%M.', 'now', 'localtime') || "
           "strftime('%f', 'now', 'localtime') || '000')";
  }
  return nullptr;
}

bool IsAggregate(const std::string& upper) {
  return upper == "COUNT" || upper == "SUM" || upper == "AVG" || upper == "MIN" || upper == "MAX" ||
         upper == "TOTAL" || upper == "GROUP_CONCAT";
}

SqlError Translator::Control(Translation* out) {
  const std::string verb = Sig(0).Upper();
  size_t n = 1;
  if (verb == "SET") {
    if (!SigIs(1, "TRANSACTION") || !SigIs(2, "ISOLATION") || !SigIs(3, "LEVEL")) {
      return SqlSyntax(sig_.size() > 1 ? Sig(1).text : verb);
    }
    if (sig_.size() < 5) return SqlSyntax("LEVEL");
    static const char* const kLevels[] = {"NC", "UR", "CS", "RS", "RR", "CHG", "ALL", "NONE"};
    std::string level = Sig(4).Upper();
    bool known = false;
    for (const char* l : kLevels) known = known || level == l;
    if (!known) return SqlSyntax(Sig(4).text);
    // READ COMMITTED etc. are longer spellings; this slice takes the short ones.
    if (sig_.size() > 5) return SqlSyntax(Sig(5).text);
    out->kind = StatementKind::kSetTransaction;
    out->isolation = level;
    return SqlOk();
  }
  out->kind = verb == "COMMIT" ? StatementKind::kCommit : StatementKind::kRollback;
  if (SigIs(n, "WORK")) ++n;
  if (SigIs(n, "HOLD")) {
    out->hold = true;
    ++n;
  }
  if (n < sig_.size()) return SqlSyntax(Sig(n).text);
  return SqlOk();
}

SqlError Translator::Resolve(const std::string& library, const std::string& file,
                             std::string* sqlName) {
  std::string lib;
  std::string name;
  if (!library.empty() && !NormaliseName(library, &lib).ok()) {
    return library.size() > kMaxNameLength ? SqlNameTooLong(library) : SqlSyntax(library);
  }
  if (!NormaliseName(file, &name).ok()) {
    return file.size() > kMaxNameLength ? SqlNameTooLong(file) : SqlSyntax(file);
  }
  ObjectName found;
  if (!resolve_(lib, name, &found)) return SqlNotFound(name);
  *sqlName = SqlTableName(found);
  files_.push_back(found);
  return SqlOk();
}

SqlError Translator::TableReference(size_t n, size_t* taken) {
  const Token& first = Sig(n);
  std::string sqlName;
  if (first.kind == TokenKind::kQuoted) {
    // A delimited file name still goes through the catalogue: SQL never
    // reaches a table the catalogue does not list (the host's own tables).
    std::string name = first.text.substr(1, first.text.size() - 2);
    if (SqlError e = Resolve("", name, &sqlName); !e.ok()) return e;
    tokens_[sig_[n]].text = sqlName;
    *taken = 1;
    return SqlOk();
  }
  if (first.kind != TokenKind::kWord) {
    *taken = 0;  // a subquery: its own FROM is translated in turn
    return SqlOk();
  }
  // LIB/FILE must be written without blanks, as the host's system naming has it.
  const size_t at = sig_[n];
  if (at + 2 < tokens_.size() && IsSymbol(tokens_[at + 1], "/") &&
      tokens_[at + 2].kind == TokenKind::kWord) {
    if (SqlError e = Resolve(first.text, tokens_[at + 2].text, &sqlName); !e.ok()) return e;
    tokens_[at].text = sqlName;
    tokens_[at + 1].text.clear();
    tokens_[at + 2].text.clear();
    *taken = 3;
    return SqlOk();
  }
  if (at + 1 < tokens_.size() && IsSymbol(tokens_[at + 1], "/")) return SqlSyntax("/");
  if (SqlError e = Resolve("", first.text, &sqlName); !e.ok()) return e;
  tokens_[at].text = sqlName;
  *taken = 1;
  return SqlOk();
}

SqlError Translator::Rewrite(std::string* sql) {
  size_t end = sig_.size();
  if (end > 0 && IsSymbol(Sig(end - 1), ";")) --end;
  std::string limit;
  if (SqlError e = TrailingClauses(&end, &limit); !e.ok()) return e;
  bool expectTable = false;  // the next word is a table reference
  bool inFromList = false;   // a ',' introduces another table reference
  std::vector<bool> outer;   // inFromList of the enclosing parentheses
  for (size_t n = 0; n < end; ++n) {
    const Token& t = Sig(n);
    if (IsSymbol(t, ";")) return SqlSyntax(";");
    const std::string upper = t.Upper();
    bool nestedTable = false;  // "(" in a table position: a table may follow
    if (expectTable) {
      expectTable = false;
      size_t taken = 0;
      if (SqlError e = TableReference(n, &taken); !e.ok()) return e;
      if (taken > 0) {
        n += taken - 1;
        continue;
      }
      nestedTable = IsSymbol(t, "(") && n + 1 < end && !SigIs(n + 1, "SELECT") &&
                    !SigIs(n + 1, "VALUES") && !SigIs(n + 1, "WITH");
    }
    if (outer.empty()) {
      if (upper == "DISTINCT" || upper == "GROUP" || upper == "HAVING" || upper == "UNION" ||
          upper == "EXCEPT" || upper == "INTERSECT" ||
          (topFrom_ == SIZE_MAX && IsAggregate(upper) && n + 1 < end &&
           IsSymbol(Sig(n + 1), "("))) {
        fixedRows_ = true;
      }
      if (upper == "FROM" && topFrom_ == SIZE_MAX) topFrom_ = sig_[n];
    }
    if (upper == "FROM") {
      expectTable = true;
      inFromList = true;
    } else if (upper == "JOIN" || upper == "INTO" || (upper == "UPDATE" && n == 0)) {
      expectTable = true;
    } else if (upper == "IN" && n + 1 < end &&
               (Sig(n + 1).kind == TokenKind::kWord || Sig(n + 1).kind == TokenKind::kQuoted)) {
      expectTable = true;  // SQLite reads "x IN name" as a table's rows
    } else if (inFromList && IsSymbol(t, ",")) {
      expectTable = true;
    } else if (IsSymbol(t, "(")) {
      if (outer.size() >= kMaxDepth) return SqlTooComplex();
      outer.push_back(inFromList);
      inFromList = nestedTable;
      expectTable = nestedTable;
    } else if (IsSymbol(t, ")")) {
      if (outer.empty()) return SqlSyntax(")");
      inFromList = outer.back();
      outer.pop_back();
    } else if (EndsTableList(upper)) {
      inFromList = false;
    } else if (const char* now = upper.starts_with("CURRENT")
                                     ? CurrentValue(upper, n + 1 < end ? Sig(n + 1).Upper() : "")
                                     : nullptr) {
      // CURRENT DATE / TIME / TIMESTAMP in the storage's forms, local time.
      tokens_[sig_[n]].text = now;
      if (upper == "CURRENT") {
        for (size_t i = sig_[n] + 1; i <= sig_[n + 1]; ++i) tokens_[i].text.clear();
        ++n;
      }
    } else if (t.kind == TokenKind::kWord) {
      // LIB/FILE.COLUMN outside a table position: a column qualified by its file.
      const size_t at = sig_[n];
      if (at + 4 < tokens_.size() && IsSymbol(tokens_[at + 1], "/") &&
          tokens_[at + 2].kind == TokenKind::kWord && IsSymbol(tokens_[at + 3], ".") &&
          tokens_[at + 4].kind == TokenKind::kWord) {
        std::string sqlName;
        if (SqlError e = Resolve(t.text, tokens_[at + 2].text, &sqlName); !e.ok()) return e;
        tokens_[at].text = sqlName;
        tokens_[at + 1].text.clear();
        tokens_[at + 2].text.clear();
        n += 2;
      }
    }
  }
  if (expectTable) return SqlSyntax(end > 0 ? Sig(end - 1).text : "");
  const size_t stop = end == sig_.size() ? tokens_.size() : sig_[end];
  for (size_t i = 0; i < stop; ++i) *sql += tokens_[i].text;
  while (!sql->empty() && sql->back() == ' ') sql->pop_back();
  *sql += limit;
  return SqlOk();
}

SqlError Translator::TrailingClauses(size_t* end, std::string* limit) {
  // DB2's clauses after a query, peeled from the end in any order.
  for (bool found = true; found;) {
    found = false;
    const size_t e = *end;
    auto is = [&](size_t back, std::string_view word) {
      return e >= back && Sig(e - back).Is(word);
    };
    if (is(3, "FOR") && (is(2, "FETCH") || is(2, "READ")) && is(1, "ONLY")) {
      *end -= 3;  // FOR FETCH ONLY, FOR READ ONLY
      readOnly_ = found = true;
    } else if (is(2, "WITH") &&
               (is(1, "NC") || is(1, "UR") || is(1, "CS") || is(1, "RS") || is(1, "RR"))) {
      *end -= 2;  // WITH isolation: the statement's own level
      isolation_ = Sig(e - 1).Upper();
      found = true;
    } else if (is(4, "OPTIMIZE") && is(3, "FOR") && e >= 2 &&
               Sig(e - 2).kind == TokenKind::kNumber && (is(1, "ROW") || is(1, "ROWS"))) {
      *end -= 4;  // OPTIMIZE FOR n ROWS: a hint
      found = true;
    } else if (is(1, "ONLY") && (is(2, "ROW") || is(2, "ROWS"))) {
      // FETCH FIRST [n] ROW[S] ONLY, FETCH NEXT ...
      size_t at = e - 2;
      std::string count = "1";
      if (at >= 1 && Sig(at - 1).kind == TokenKind::kNumber) count = Sig(--at).text;
      if (at < 2 || !Sig(at - 2).Is("FETCH") ||
          !(Sig(at - 1).Is("FIRST") || Sig(at - 1).Is("NEXT"))) {
        return SqlSyntax("ONLY");
      }
      if (!limit->empty()) return SqlSyntax("FETCH");
      *limit = " LIMIT " + count;
      *end = at - 2;
      found = true;
    } else {
      // FOR UPDATE [OF column, ...]: the rows may change (the default here).
      for (size_t n = e; n-- > 1;) {
        if (!Sig(n - 1).Is("FOR") || !Sig(n).Is("UPDATE")) continue;
        bool list = n + 1 == e || (Sig(n + 1).Is("OF") && n + 2 < e);
        for (size_t k = n + 2; list && k < e; ++k) {
          list = (k - n) % 2 == 0 ? Sig(k).kind == TokenKind::kWord : IsSymbol(Sig(k), ",");
        }
        if (list && (e - n) % 2 == 1) {
          *end = n - 1;
          found = true;
        }
        break;
      }
    }
  }
  return SqlOk();
}

std::string Translator::WithRecordNumber(const std::string& sql) const {
  size_t head = 0;
  for (size_t i = 0; i < tokens_.size() && i < topFrom_; ++i) head += tokens_[i].text.size();
  std::string out = sql.substr(0, head);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  out += ", rowid AS \"";
  out += kRecordNumberColumn;
  out += "\" ";
  out += sql.substr(head);
  return out;
}

SqlError Translator::Run(Translation* out) {
  *out = Translation{};
  if (sig_.empty()) return SqlSyntax("");
  const std::string verb = Sig(0).Upper();
  if (verb == "COMMIT" || verb == "ROLLBACK" || verb == "SET") return Control(out);
  if (verb == "SELECT" || verb == "VALUES") {
    out->kind = StatementKind::kQuery;
  } else if (verb == "INSERT") {
    out->kind = StatementKind::kInsert;
  } else if (verb == "UPDATE") {
    out->kind = StatementKind::kUpdate;
  } else if (verb == "DELETE") {
    out->kind = StatementKind::kDelete;
  } else if (Sig(0).kind == TokenKind::kWord && IsStatementVerb(verb)) {
    return SqlNotAllowed(verb);
  } else {
    return SqlSyntax(Sig(0).text);
  }
  SqlError e = Rewrite(&out->sql);
  out->files = files_;
  out->isolation = isolation_;
  if (e.ok() && verb == "SELECT" && files_.size() == 1 && !readOnly_ && !fixedRows_ &&
      topFrom_ != SIZE_MAX) {
    out->updatable = true;
    out->rowSql = WithRecordNumber(out->sql);
  }
  return e;
}

}  // namespace

SqlError Translate(std::string_view text, const FileResolver& resolve, Translation* out) {
  std::vector<Token> tokens;
  if (SqlError e = Tokenize(text, &tokens); !e.ok()) return e;
  return Translator(std::move(tokens), resolve).Run(out);
}

SqlError RetargetToPhysical(const ObjectName& logical, const ObjectName& physical,
                            const std::vector<std::string>& fields, Translation* t) {
  std::vector<Token> tokens;
  if (SqlError e = Tokenize(t->sql, &tokens); !e.ok()) return e;
  const std::string from = SqlTableName(logical);
  std::string columns;
  for (const auto& f : fields) columns += (columns.empty() ? " (" : ", ") + f;
  columns += ")";
  bool target = true;  // the first reference is the file changed
  std::string out;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind != TokenKind::kQuoted || tokens[i].text != from) {
      out += tokens[i].text;
      continue;
    }
    out += SqlTableName(physical);
    if (target && t->kind == StatementKind::kInsert) {
      size_t next = i + 1;
      while (next < tokens.size() && IsSpace(tokens[next])) ++next;
      const bool listed = next < tokens.size() && IsSymbol(tokens[next], "(");
      if (!listed) out += columns;
    }
    target = false;
  }
  t->sql = std::move(out);
  for (auto& f : t->files) {
    if (f.library == logical.library && f.name == logical.name) f = physical;
  }
  return SqlOk();
}

}  // namespace vantora::host::sql
