#include "host/server/sql/sql_definition.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "host/server/sql/sql_tokens.h"
#include "host/storage/field.h"
#include "host/storage/file_definition.h"

namespace vantora::host::sql {
namespace {

constexpr int64_t kMaxVarcharLength = 32740;
constexpr int64_t kMaxFloatPrecision = 53;
constexpr int64_t kMaxRealPrecision = 24;

SqlError StorageFailure(const Status& s) {
  return SqlSystemError(s.ToString().substr(0, 70));
}

// A word or a delimited name as a host name: folded to upper case, checked.
SqlError HostName(const Token& t, std::string* out) {
  std::string raw;
  if (t.kind == TokenKind::kWord) {
    raw = t.text;
  } else if (t.kind == TokenKind::kQuoted) {
    for (size_t i = 1; i + 1 < t.text.size(); ++i) {
      raw += t.text[i];
      if (t.text[i] == '"') ++i;  // "" inside stands for one quote
    }
    while (!raw.empty() && raw.back() == ' ') raw.pop_back();
  } else {
    return SqlSyntax(t.text);
  }
  if (raw.size() > kMaxNameLength) return SqlNameTooLong(raw);
  if (!NormaliseName(raw, out).ok()) return SqlSyntax(t.text);
  return SqlOk();
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {
    for (size_t i = 0; i < tokens_.size(); ++i) {
      if (tokens_[i].kind != TokenKind::kSpace) sig_.push_back(i);
    }
    end_ = sig_.size();
    if (end_ > 0 && At(end_ - 1).kind == TokenKind::kSymbol && At(end_ - 1).text == ";") --end_;
  }

  size_t end() const { return end_; }
  const Token& At(size_t n) const { return tokens_[sig_[n]]; }
  bool Is(size_t n, std::string_view word) const { return n < end_ && At(n).Is(word); }
  bool IsSymbol(size_t n, std::string_view s) const {
    return n < end_ && At(n).kind == TokenKind::kSymbol && At(n).text == s;
  }
  bool IsWord(size_t n) const { return n < end_ && At(n).kind == TokenKind::kWord; }

  // The syntax error at significant position n (the last token past the end).
  SqlError Unexpected(size_t n) const {
    if (n < end_) return SqlSyntax(At(n).text);
    return SqlSyntax(end_ > 0 ? At(end_ - 1).text : "");
  }
  SqlError End(size_t n) const { return n == end_ ? SqlOk() : Unexpected(n); }
  SqlError ExpectSymbol(size_t* n, std::string_view s) const {
    if (!IsSymbol(*n, s)) return Unexpected(*n);
    ++*n;
    return SqlOk();
  }
  SqlError ExpectWord(size_t* n, std::string_view word) const {
    if (!Is(*n, word)) return Unexpected(*n);
    ++*n;
    return SqlOk();
  }
  // "(item, item, ...)": `item(n)` reads one element at *n.
  template <typename Item>
  SqlError List(size_t* n, Item item) const {
    if (SqlError e = ExpectSymbol(n, "("); !e.ok()) return e;
    for (;;) {
      if (SqlError e = item(n); !e.ok()) return e;
      if (!IsSymbol(*n, ",")) return ExpectSymbol(n, ")");
      ++*n;
    }
  }

  SqlError Name(size_t* n, std::string* out) const {
    if (*n >= end_) return Unexpected(*n);
    if (SqlError e = HostName(At(*n), out); !e.ok()) return e;
    ++*n;
    return SqlOk();
  }

  // LIB/NAME (no blanks around the slash) or NAME; `library` empty for NAME.
  SqlError QualifiedName(size_t* n, std::string* library, std::string* name) const {
    if (*n >= end_) return Unexpected(*n);
    const size_t at = sig_[*n];
    auto isPart = [&](size_t i) {
      return i < tokens_.size() &&
             (tokens_[i].kind == TokenKind::kWord || tokens_[i].kind == TokenKind::kQuoted);
    };
    if (isPart(at) && at + 2 < tokens_.size() && tokens_[at + 1].kind == TokenKind::kSymbol &&
        tokens_[at + 1].text == "/" && isPart(at + 2) && *n + 2 < end_) {
      if (SqlError e = HostName(tokens_[at], library); !e.ok()) return e;
      if (SqlError e = HostName(tokens_[at + 2], name); !e.ok()) return e;
      *n += 3;
      return SqlOk();
    }
    library->clear();
    if (SqlError e = Name(n, name); !e.ok()) return e;
    if (IsSymbol(*n, "/")) return Unexpected(*n);
    return SqlOk();
  }

  // An unsigned integer; values too large for any attribute come out large.
  SqlError Number(size_t* n, int64_t* value) const {
    if (*n >= end_ || At(*n).kind != TokenKind::kNumber) return Unexpected(*n);
    const std::string& t = At(*n).text;
    int64_t v = 0;
    for (char ch : t) {
      if (ch < '0' || ch > '9') return Unexpected(*n);
      v = std::min<int64_t>(v * 10 + (ch - '0'), INT32_MAX);
    }
    *value = v;
    ++*n;
    return SqlOk();
  }

  // "(a)" or, when `scale` is given, "(a, b)"; nothing when no '(' follows.
  SqlError Attributes(size_t* n, bool* given, int64_t* a, int64_t* b) const {
    *given = IsSymbol(*n, "(");
    if (!*given) return SqlOk();
    ++*n;
    if (SqlError e = Number(n, a); !e.ok()) return e;
    if (b != nullptr && IsSymbol(*n, ",")) {
      ++*n;
      if (SqlError e = Number(n, b); !e.ok()) return e;
    }
    return ExpectSymbol(n, ")");
  }

 private:
  std::vector<Token> tokens_;
  std::vector<size_t> sig_;
  size_t end_ = 0;
};

// The column's type at n into `f` (f->name already set).
SqlError ColumnType(const Parser& p, size_t* n, FieldDef* f) {
  if (!p.IsWord(*n)) return p.Unexpected(*n);
  const std::string type = p.At(*n).Upper();
  ++*n;
  bool given = false;
  int64_t a = 0;
  int64_t b = 0;
  auto invalid = [&] { return SqlInvalidAttribute(f->name); };
  if (type == "CHAR" || type == "CHARACTER" || type == "VARCHAR") {
    bool varying = type == "VARCHAR";
    if (!varying && p.Is(*n, "VARYING")) {
      varying = true;
      ++*n;
    }
    if (SqlError e = p.Attributes(n, &given, &a, nullptr); !e.ok()) return e;
    if (varying && !given) return p.Unexpected(*n);
    if (!given) a = 1;
    if (a < 1 || a > (varying ? kMaxVarcharLength : kMaxCharLength)) return invalid();
    *f = varying ? VarcharField(f->name, static_cast<int>(a))
                 : CharField(f->name, static_cast<int>(a));
    return SqlOk();
  }
  if (type == "SMALLINT" || type == "INT" || type == "INTEGER" || type == "BIGINT") {
    *f = BinaryField(f->name, type == "SMALLINT" ? FieldType::kBin2
                              : type == "BIGINT" ? FieldType::kBin8
                                                 : FieldType::kBin4);
    return SqlOk();
  }
  if (type == "DECIMAL" || type == "DEC" || type == "NUMERIC") {
    a = 5;
    if (SqlError e = p.Attributes(n, &given, &a, &b); !e.ok()) return e;
    if (a < 1 || a > kMaxDecimalDigits || b > a) return invalid();
    *f = type == "NUMERIC" ? ZonedField(f->name, static_cast<int>(a), static_cast<int>(b))
                           : PackedField(f->name, static_cast<int>(a), static_cast<int>(b));
    return SqlOk();
  }
  if (type == "REAL" || type == "FLOAT" || type == "DOUBLE") {
    FieldType t = type == "REAL" ? FieldType::kFloat : FieldType::kDouble;
    if (type == "DOUBLE" && p.Is(*n, "PRECISION")) ++*n;
    if (type == "FLOAT") {
      if (SqlError e = p.Attributes(n, &given, &a, nullptr); !e.ok()) return e;
      if (given && (a < 1 || a > kMaxFloatPrecision)) return invalid();
      if (given && a <= kMaxRealPrecision) t = FieldType::kFloat;
    }
    *f = FloatField(f->name, t);
    return SqlOk();
  }
  if (type == "DATE" || type == "TIME" || type == "TIMESTAMP") {
    *f = DateTimeField(f->name, type == "DATE"   ? FieldType::kDate
                                : type == "TIME" ? FieldType::kTime
                                                 : FieldType::kTimestamp);
    return SqlOk();
  }
  // DB2 looks other names up as user-defined types; the host has none.
  return SqlNotFound(type);
}

// One column definition at n: name, type, options.
SqlError Column(const Parser& p, size_t* n, FieldDef* f, bool* primaryKey) {
  std::string name;
  if (SqlError e = p.Name(n, &name); !e.ok()) return e;
  if (name == "ROWID" || name == "OID" || name == "_ROWID_") return p.Unexpected(*n - 1);
  f->name = name;
  if (SqlError e = ColumnType(p, n, f); !e.ok()) return e;
  bool notNull = false;
  size_t typeDefault = SIZE_MAX;  // position of a DEFAULT without a value
  size_t nullDefault = SIZE_MAX;  // position of the NULL of DEFAULT NULL
  *primaryKey = false;
  while (*n < p.end() && !p.IsSymbol(*n, ",") && !p.IsSymbol(*n, ")")) {
    if (p.Is(*n, "NOT") && p.Is(*n + 1, "NULL")) {
      notNull = true;
      *n += 2;
    } else if (p.Is(*n, "PRIMARY") && p.Is(*n + 1, "KEY")) {
      *primaryKey = true;
      *n += 2;
    } else if (p.Is(*n, "DEFAULT") || (p.Is(*n, "WITH") && p.Is(*n + 1, "DEFAULT"))) {
      const size_t at = p.Is(*n, "WITH") ? *n + 1 : *n;
      *n = at + 1;
      if (p.Is(*n, "NULL")) {
        nullDefault = (*n)++;
      } else if (*n < p.end() && !p.IsSymbol(*n, ",") && !p.IsSymbol(*n, ")") && !p.Is(*n, "NOT") &&
                 !p.Is(*n, "PRIMARY")) {
        return p.Unexpected(*n);  // a default value: the storage has only the type's
      } else {
        typeDefault = at;
      }
    } else {
      return p.Unexpected(*n);
    }
  }
  f->nullCapable = !notNull && !*primaryKey;
  if (nullDefault != SIZE_MAX && !f->nullCapable) return p.Unexpected(nullDefault);
  // The storage fills an omitted null-capable field with null and an omitted
  // date with 0001-01-01, where DB2 would give the type's default and the
  // current date.
  if (typeDefault != SIZE_MAX && (f->nullCapable || IsDateTime(f->type))) {
    return p.Unexpected(typeDefault);
  }
  if (!ValidateFieldDef(*f).ok()) return SqlInvalidAttribute(f->name);
  return SqlOk();
}

// "(c1, c2, ...)" of a primary key.
SqlError ColumnList(const Parser& p, size_t* n, std::vector<std::string>* out) {
  return p.List(n, [&](size_t* at) {
    std::string name;
    if (SqlError e = p.Name(at, &name); !e.ok()) return e;
    if (std::find(out->begin(), out->end(), name) != out->end()) return SqlDuplicateColumn(name);
    out->push_back(name);
    return SqlOk();
  });
}

std::string LibraryOr(const std::string& library, const std::string& currentLibrary) {
  if (!library.empty()) return library;
  return currentLibrary.empty() ? "QGPL" : currentLibrary;
}

SqlError CreateFailure(const Status& s, const ObjectName& name) {
  switch (s.code()) {
    case StatusCode::kObjectExists:
      return SqlObjectExists(name.name);
    case StatusCode::kLibraryNotFound:
      return SqlNotFound(name.library);
    case StatusCode::kDuplicateKey:
      return SqlDuplicateRows(name.name);
    default:
      return StorageFailure(s);
  }
}

SqlError DeleteFailure(const Status& s, const ObjectName& name) {
  switch (s.code()) {
    case StatusCode::kObjectInUse:
      return SqlObjectInUse(name.ToString());
    case StatusCode::kFileNotFound:
      return SqlNotFound(name.name);
    default:
      return StorageFailure(s);
  }
}

SqlError CreateTable(Catalogue& catalogue, const Parser& p, size_t n,
                     const std::string& currentLibrary, DefinitionOutcome* outcome) {
  std::string library;
  PhysicalFileDef def;
  if (SqlError e = p.QualifiedName(&n, &library, &def.name.name); !e.ok()) return e;
  def.name.library = LibraryOr(library, currentLibrary);
  def.formatName = def.name.name;
  std::vector<std::string> key;
  bool hasKey = false;
  SqlError listed = p.List(&n, [&](size_t* at) {
    if (p.Is(*at, "PRIMARY") && p.Is(*at + 1, "KEY")) {
      if (hasKey) return SqlPrimaryKeyExists(def.name.name);
      hasKey = true;
      *at += 2;
      return ColumnList(p, at, &key);
    }
    if (p.Is(*at, "CONSTRAINT") || p.Is(*at, "UNIQUE") || p.Is(*at, "FOREIGN") ||
        p.Is(*at, "CHECK")) {
      return p.Unexpected(*at);
    }
    FieldDef f;
    bool primaryKey = false;
    if (SqlError e = Column(p, at, &f, &primaryKey); !e.ok()) return e;
    for (const FieldDef& other : def.fields) {
      if (other.name == f.name) return SqlDuplicateColumn(f.name);
    }
    if (primaryKey) {
      if (hasKey) return SqlPrimaryKeyExists(def.name.name);
      hasKey = true;
      key = {f.name};
    }
    def.fields.push_back(std::move(f));
    return SqlOk();
  });
  if (!listed.ok()) return listed;
  if (SqlError e = p.End(n); !e.ok()) return e;
  if (def.fields.empty()) return p.Unexpected(n - 1);
  for (const std::string& column : key) {
    auto it = std::find_if(def.fields.begin(), def.fields.end(),
                           [&](const FieldDef& f) { return f.name == column; });
    if (it == def.fields.end()) return SqlColumnNotInTable(column);
    it->nullCapable = false;  // primary key columns are NOT NULL
    def.key.push_back({column, false});
  }
  def.unique = !def.key.empty();
  if (Status s = catalogue.CreatePhysicalFile(def); !s.ok()) return CreateFailure(s, def.name);
  if (outcome != nullptr) outcome->created = def.name;
  return SqlOk();
}

SqlError CreateIndex(Catalogue& catalogue, const Parser& p, size_t n, bool unique,
                     const std::string& currentLibrary, const FileResolver& resolve,
                     DefinitionOutcome* outcome) {
  std::string library;
  LogicalFileDef def;
  def.unique = unique;
  if (SqlError e = p.QualifiedName(&n, &library, &def.name.name); !e.ok()) return e;
  def.name.library = LibraryOr(library, currentLibrary);
  if (SqlError e = p.ExpectWord(&n, "ON"); !e.ok()) return e;
  std::string tableLibrary;
  std::string table;
  if (SqlError e = p.QualifiedName(&n, &tableLibrary, &table); !e.ok()) return e;
  std::vector<KeyField> key;
  SqlError listed = p.List(&n, [&](size_t* at) {
    KeyField k;
    if (SqlError e = p.Name(at, &k.field); !e.ok()) return e;
    if (p.Is(*at, "ASC")) {
      ++*at;
    } else if (p.Is(*at, "DESC")) {
      k.descending = true;
      ++*at;
    }
    for (const KeyField& other : key) {
      if (other.field == k.field) return SqlDuplicateColumn(k.field);
    }
    key.push_back(std::move(k));
    return SqlOk();
  });
  if (!listed.ok()) return listed;
  if (SqlError e = p.End(n); !e.ok()) return e;

  ObjectName based;
  if (!resolve(tableLibrary, table, &based)) return SqlNotFound(table);
  FileDescription d;
  if (!catalogue.DescribeFile(based, &d).ok()) return SqlNotFound(table);
  if (d.kind != FileKind::kPhysical) return SqlNotTable(table);
  for (const KeyField& k : key) {
    if (d.formats[0].FieldIndex(k.field) < 0) return SqlColumnNotInTable(k.field);
  }
  LogicalFormatDef format;
  format.name = d.formats[0].name;  // an index shares its table's record format
  format.basedOn = {d.name};
  format.key = std::move(key);
  def.formats.push_back(std::move(format));
  if (Status s = catalogue.CreateLogicalFile(def); !s.ok()) {
    return s.code() == StatusCode::kFileNotFound ? SqlNotFound(table) : CreateFailure(s, def.name);
  }
  if (outcome != nullptr) outcome->created = def.name;
  return SqlOk();
}

// The definition that creates a logical file like the one described.
LogicalFileDef Recreation(const FileDescription& d) {
  LogicalFileDef def;
  def.name = d.name;
  def.join = d.join;
  def.unique = d.unique;
  def.text = d.text;
  for (size_t i = 0; i < d.formats.size(); ++i) {
    LogicalFormatDef f;
    f.name = d.formats[i].name;
    if (d.join) {
      f.basedOn = d.basedOn;
    } else if (i < d.basedOn.size()) {
      f.basedOn = {d.basedOn[i]};
    }
    for (const FieldDef& field : d.formats[i].fields) f.fields.push_back(field.name);
    f.key = d.formats[i].key;
    def.formats.push_back(std::move(f));
  }
  return def;
}

SqlError Drop(Catalogue& catalogue, const Parser& p, size_t n, bool table,
              const FileResolver& resolve, DefinitionOutcome* outcome) {
  std::string library;
  std::string name;
  if (SqlError e = p.QualifiedName(&n, &library, &name); !e.ok()) return e;
  bool restrictDrop = false;
  if (table && (p.Is(n, "CASCADE") || p.Is(n, "RESTRICT"))) {
    restrictDrop = p.Is(n, "RESTRICT");
    ++n;
  }
  if (SqlError e = p.End(n); !e.ok()) return e;
  ObjectName found;
  FileDescription d;
  if (!resolve(library, name, &found) || !catalogue.DescribeFile(found, &d).ok()) {
    return SqlNotFound(name);
  }
  if (!table) {
    if (d.kind != FileKind::kLogical || d.formats.empty() || d.formats[0].key.empty()) {
      return SqlNotFound(name);
    }
    if (Status s = catalogue.DeleteFile(d.name); !s.ok()) return DeleteFailure(s, d.name);
    if (outcome != nullptr) outcome->dropped = {d.name};
    return SqlOk();
  }
  if (d.kind == FileKind::kLogical) return SqlNotFound(name);
  std::vector<Dependent> dependents;
  if (Status s = catalogue.ListDependents(d.name, &dependents); !s.ok()) return StorageFailure(s);
  if (restrictDrop && !dependents.empty()) return SqlDependentObjects(name);
  std::vector<FileDescription> deleted;
  auto undo = [&] {
    for (const FileDescription& lf : deleted) {
      catalogue.CreateLogicalFile(Recreation(lf)).IgnoreError();
    }
  };
  for (const Dependent& dep : dependents) {
    FileDescription lf;
    if (!catalogue.DescribeFile(dep.file, &lf).ok()) continue;  // gone meanwhile
    if (Status s = catalogue.DeleteFile(dep.file); !s.ok()) {
      undo();
      return DeleteFailure(s, dep.file);
    }
    deleted.push_back(std::move(lf));
  }
  if (Status s = catalogue.DeleteFile(d.name); !s.ok()) {
    undo();
    return DeleteFailure(s, d.name);
  }
  if (outcome != nullptr) {
    outcome->dropped.clear();
    for (const FileDescription& lf : deleted) outcome->dropped.push_back(lf.name);
    outcome->dropped.push_back(d.name);
  }
  return SqlOk();
}

}  // namespace

bool IsDefinition(std::string_view text) {
  size_t i = 0;
  while (i < text.size() &&
         (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) {
    ++i;
  }
  size_t end = i;
  while (end < text.size() &&
         ((text[end] >= 'A' && text[end] <= 'Z') || (text[end] >= 'a' && text[end] <= 'z') ||
          (text[end] >= '0' && text[end] <= '9') || text[end] == '_' || text[end] == '$' ||
          text[end] == '#' || text[end] == '@')) {
    ++end;
  }
  std::string word(text.substr(i, end - i));
  for (char& ch : word) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return word == "CREATE" || word == "DROP";
}

SqlError RunDefinition(Catalogue& catalogue, std::string_view text,
                       const std::string& currentLibrary, const FileResolver& resolve,
                       DefinitionOutcome* outcome) {
  std::vector<Token> tokens;
  if (SqlError e = Tokenize(text, &tokens); !e.ok()) return e;
  Parser p(std::move(tokens));
  if (p.end() == 0) return SqlSyntax("");
  if (p.Is(0, "CREATE")) {
    if (p.Is(1, "TABLE")) return CreateTable(catalogue, p, 2, currentLibrary, outcome);
    if (p.Is(1, "INDEX")) {
      return CreateIndex(catalogue, p, 2, false, currentLibrary, resolve, outcome);
    }
    if (p.Is(1, "UNIQUE")) {
      if (!p.Is(2, "INDEX")) return p.Unexpected(2);
      return CreateIndex(catalogue, p, 3, true, currentLibrary, resolve, outcome);
    }
  } else if (p.Is(0, "DROP")) {
    if (p.Is(1, "TABLE") || p.Is(1, "INDEX")) {
      return Drop(catalogue, p, 2, p.Is(1, "TABLE"), resolve, outcome);
    }
  } else {
    return p.Unexpected(0);
  }
  if (!p.IsWord(1)) return p.Unexpected(1);
  return SqlNotAllowed(p.At(0).Upper() + " " + p.At(1).Upper());
}

}  // namespace vantora::host::sql
