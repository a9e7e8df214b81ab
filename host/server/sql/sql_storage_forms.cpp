#include "host/server/sql/sql_storage_forms.h"

#include <map>
#include <string_view>

#include "host/server/sql/sql_tokens.h"
#include "host/storage/names.h"

namespace vantora::host::sql {
namespace {

// A field whose stored form differs from the value SQL writes.
bool HasStorageForm(const FieldDef& f) {
  return IsScaledInteger(f.type) || IsDateTime(f.type);
}

bool IsSymbol(const Token& t, std::string_view s) {
  return t.kind == TokenKind::kSymbol && t.text == s;
}

// Words that follow a table reference without being its alias.
bool IsClauseWord(const std::string& upper) {
  static const char* const kWords[] = {
      "WHERE",  "GROUP", "ORDER", "HAVING", "ON",      "SET",    "VALUES", "FOR",       "UNION",
      "EXCEPT", "FETCH", "LIMIT", "SELECT", "JOIN",    "INNER",  "LEFT",   "RIGHT",     "CROSS",
      "FULL",   "OUTER", "WITH",  "USING",  "NATURAL", "WINDOW", "OFFSET", "INTERSECT", "DEFAULT"};
  for (const char* w : kWords) {
    if (upper == w) return true;
  }
  return false;
}

// A range of significant tokens, first..last inclusive.
struct Range {
  size_t first;
  size_t last;
};

class Scaler {
 public:
  Scaler(const std::vector<FileDescription>& files, const DateTimeStyle& style, StatementKind kind)
      : files_(files), style_(style), kind_(kind) {}

  SqlError Run(std::string* sql);

 private:
  struct Pending {
    Range value;
    const FieldDef* field;
  };

  const Token& Sig(size_t n) const { return tokens_[sig_[n]]; }
  bool SigSymbol(size_t n, std::string_view s) const {
    return n < sig_.size() && IsSymbol(Sig(n), s);
  }
  bool SigWord(size_t n, std::string_view upper) const {
    return n < sig_.size() && Sig(n).Is(upper);
  }
  // The ")" that closes the "(" at `open`, or the end.
  size_t Match(size_t open) const;
  // The items of [from, to) separated by commas outside parentheses.
  std::vector<Range> Items(size_t from, size_t to) const;
  // Where the select list starting at `from` ends: its FROM, the ")" that
  // closes the subselect, or the end.
  size_t SelectListEnd(size_t from) const;
  const FieldDef* FieldOf(size_t file, const std::string& name) const;
  // The field a column reference at `n` names (last: its last token).
  const FieldDef* Column(size_t n, size_t* last) const;
  void FindQualifiers();
  void KeepTarget(Range item);
  void Targets();
  void ValuesFor(size_t at, const std::vector<const FieldDef*>& columns);

  SqlError DateTimeLiteral(const Pending& p);
  // Takes the character literals a date or time field at [first, last] is
  // compared with (op, BETWEEN, IN) into pending_; true when there were any.
  bool ComparedLiterals(size_t first, size_t last, const FieldDef* f);

  const std::vector<FileDescription>& files_;
  const DateTimeStyle& style_;
  StatementKind kind_;
  std::vector<Token> tokens_;
  std::vector<size_t> sig_;
  std::vector<std::string> prefix_;
  std::vector<std::string> suffix_;
  std::vector<bool> keep_;                    // not to be wrapped as a column
  std::map<std::string, size_t> qualifiers_;  // table name or alias -> file
  std::vector<Pending> pending_;
};

size_t Scaler::Match(size_t open) const {
  int depth = 0;
  for (size_t n = open; n < sig_.size(); ++n) {
    if (SigSymbol(n, "(")) ++depth;
    if (SigSymbol(n, ")") && --depth == 0) return n;
  }
  return sig_.size();
}

std::vector<Range> Scaler::Items(size_t from, size_t to) const {
  std::vector<Range> items;
  int depth = 0;
  size_t start = from;
  for (size_t n = from; n < to; ++n) {
    if (SigSymbol(n, "(")) ++depth;
    if (SigSymbol(n, ")")) --depth;
    if (depth == 0 && SigSymbol(n, ",")) {
      if (n > start) items.push_back({start, n - 1});
      start = n + 1;
    }
  }
  if (to > start) items.push_back({start, to - 1});
  return items;
}

size_t Scaler::SelectListEnd(size_t from) const {
  int depth = 0;
  for (size_t n = from; n < sig_.size(); ++n) {
    if (SigSymbol(n, "(")) ++depth;
    if (SigSymbol(n, ")") && --depth < 0) return n;
    if (depth == 0 && SigWord(n, "FROM")) return n;
  }
  return sig_.size();
}

const FieldDef* Scaler::FieldOf(size_t file, const std::string& name) const {
  if (file >= files_.size() || files_[file].formats.empty()) return nullptr;
  const RecordFormat& format = files_[file].formats.front();
  const int i = format.FieldIndex(name);
  return i < 0 ? nullptr : &format.fields[static_cast<size_t>(i)];
}

const FieldDef* Scaler::Column(size_t n, size_t* last) const {
  const Token& t = Sig(n);
  if ((t.kind == TokenKind::kWord || t.kind == TokenKind::kQuoted) && SigSymbol(n + 1, ".") &&
      n + 2 < sig_.size() && Sig(n + 2).kind == TokenKind::kWord) {
    *last = n + 2;
    auto it = qualifiers_.find(t.kind == TokenKind::kWord ? t.Upper() : t.text);
    return it == qualifiers_.end() ? nullptr : FieldOf(it->second, Sig(n + 2).text);
  }
  if (t.kind != TokenKind::kWord || SigSymbol(n + 1, "(")) return nullptr;
  if (n > 0 && (SigSymbol(n - 1, ".") || Sig(n - 1).Is("AS"))) return nullptr;
  *last = n;
  for (size_t f = 0; f < files_.size(); ++f) {
    if (const FieldDef* field = FieldOf(f, t.text)) return field;
  }
  return nullptr;
}

void Scaler::FindQualifiers() {
  for (size_t n = 0; n < sig_.size(); ++n) {
    if (Sig(n).kind != TokenKind::kQuoted || SigSymbol(n + 1, ".")) continue;
    for (size_t f = 0; f < files_.size(); ++f) {
      const std::string table = SqlTableName(files_[f].name);
      if (Sig(n).text != table && Sig(n).text != "\"" + table + "\"") continue;
      qualifiers_[Sig(n).text] = f;
      size_t m = n + 1;
      if (SigWord(m, "AS")) ++m;
      if (m < sig_.size() && Sig(m).kind == TokenKind::kWord && !IsClauseWord(Sig(m).Upper())) {
        qualifiers_[Sig(m).Upper()] = f;
        keep_[m] = true;
      }
      break;
    }
  }
}

void Scaler::KeepTarget(Range item) {
  for (size_t n = item.first; n <= item.last; ++n) keep_[n] = true;
}

void Scaler::ValuesFor(size_t at, const std::vector<const FieldDef*>& columns) {
  auto store = [&](const std::vector<Range>& items) {
    for (size_t k = 0; k < items.size() && k < columns.size(); ++k) {
      const FieldDef* f = columns[k];
      if (f != nullptr && HasStorageForm(*f)) pending_.push_back({items[k], f});
    }
  };
  if (SigWord(at, "VALUES")) {
    for (size_t q = at + 1; SigSymbol(q, "(");) {
      const size_t close = Match(q);
      store(Items(q + 1, close));
      if (!SigSymbol(close + 1, ",")) break;
      q = close + 2;
    }
  } else if (SigWord(at, "SELECT")) {
    size_t from = at + 1;
    if (SigWord(from, "DISTINCT") || SigWord(from, "ALL")) ++from;
    std::vector<Range> items = Items(from, SelectListEnd(from));
    for (const Range& r : items) {
      if (r.first == r.last && SigSymbol(r.first, "*")) return;  // copied as stored
    }
    store(items);
  }
}

void Scaler::Targets() {
  if (sig_.empty()) return;
  if (kind_ == StatementKind::kQuery && SigWord(0, "SELECT")) {
    // A field on its own in the outermost select list keeps its own form.
    size_t from = 1;
    if (SigWord(from, "DISTINCT") || SigWord(from, "ALL")) ++from;
    for (const Range& item : Items(from, SelectListEnd(from))) {
      size_t last = 0;
      if (Column(item.first, &last) != nullptr && last == item.last) KeepTarget(item);
    }
    return;
  }
  if (kind_ == StatementKind::kUpdate) {
    size_t set = 0;
    while (set < sig_.size() && !SigWord(set, "SET")) ++set;
    size_t end = set;
    int depth = 0;
    for (; end < sig_.size(); ++end) {
      if (SigSymbol(end, "(")) ++depth;
      if (SigSymbol(end, ")")) --depth;
      if (depth == 0 && SigWord(end, "WHERE")) break;
    }
    for (const Range& item : Items(set + 1, end)) {
      size_t last = 0;
      const FieldDef* f = Column(item.first, &last);
      if (!SigSymbol(last + 1, "=") || last + 2 > item.last) continue;
      KeepTarget({item.first, last});
      if (f != nullptr && HasStorageForm(*f)) pending_.push_back({{last + 2, item.last}, f});
    }
    return;
  }
  if (kind_ == StatementKind::kInsert && !files_.empty()) {
    size_t table = 0;
    while (table < sig_.size() && !SigWord(table, "INTO")) ++table;
    ++table;
    std::vector<const FieldDef*> columns;
    size_t next = table + 1;
    if (SigSymbol(next, "(") && !SigWord(next + 1, "SELECT") && !SigWord(next + 1, "VALUES")) {
      const size_t close = Match(next);
      for (const Range& item : Items(next + 1, close)) {
        columns.push_back(FieldOf(0, Sig(item.first).text));
        KeepTarget(item);
      }
      next = close + 1;
    } else if (!files_.front().formats.empty()) {
      for (const FieldDef& f : files_.front().formats.front().fields) columns.push_back(&f);
    }
    ValuesFor(next, columns);
  }
}

// The styles a date or time text may come in besides the job's own.
constexpr DateTimeStyle kIso{0x00, '-', 0x00, '.'};
constexpr DateTimeStyle kUsa{0x01, '/', 0x01, ':'};
constexpr DateTimeStyle kEur{0x05, '.', 0x05, '.'};
constexpr DateTimeStyle kJis{0x07, '-', 0x07, ':'};

SqlError Scaler::DateTimeLiteral(const Pending& p) {
  if (p.value.first != p.value.last || Sig(p.value.first).kind != TokenKind::kString) {
    return SqlOk();  // an expression: SQL's own value goes in
  }
  Token& literal = tokens_[sig_[p.value.first]];
  std::string text = literal.text.substr(1, literal.text.size() - 2);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  std::string iso;
  bool read = false;
  if (p.field->type == FieldType::kTimestamp) {
    read = IsTimestampText(text);
    iso = text;
  } else {
    for (const DateTimeStyle* s : {&style_, &kIso, &kUsa, &kEur, &kJis}) {
      read =
          p.field->type == FieldType::kDate ? ParseDate(text, *s, &iso) : ParseTime(text, *s, &iso);
      if (read) break;
    }
  }
  if (!read) return {-180, "22007", text};
  literal.text = "'" + iso + "'";
  return SqlOk();
}

bool IsComparison(const Token& t) {
  static const char* const kOperators[] = {"=", "<>", "!=", "<", "<=", ">", ">="};
  for (const char* op : kOperators) {
    if (IsSymbol(t, op)) return true;
  }
  return false;
}

bool Scaler::ComparedLiterals(size_t first, size_t last, const FieldDef* f) {
  const size_t before = pending_.size();
  auto literal = [&](size_t n) {
    if (n < sig_.size() && Sig(n).kind == TokenKind::kString) pending_.push_back({{n, n}, f});
  };
  if (first >= 2 && IsComparison(Sig(first - 1))) literal(first - 2);
  size_t n = last + 1;
  if (n < sig_.size() && IsComparison(Sig(n))) {
    literal(n + 1);
  } else {
    if (SigWord(n, "NOT")) ++n;
    if (SigWord(n, "BETWEEN") && SigWord(n + 2, "AND")) {
      literal(n + 1);
      literal(n + 3);
    } else if (SigWord(n, "IN") && SigSymbol(n + 1, "(")) {
      const size_t close = Match(n + 1);
      for (const Range& item : Items(n + 2, close)) {
        if (item.first == item.last) literal(item.first);
      }
    }
  }
  return pending_.size() > before;
}

SqlError Scaler::Run(std::string* sql) {
  if (SqlError e = Tokenize(*sql, &tokens_); !e.ok()) return e;
  for (size_t i = 0; i < tokens_.size(); ++i) {
    if (tokens_[i].kind != TokenKind::kSpace) sig_.push_back(i);
  }
  prefix_.assign(sig_.size(), "");
  suffix_.assign(sig_.size(), "");
  keep_.assign(sig_.size(), false);
  FindQualifiers();
  Targets();
  bool changed = !pending_.empty();
  for (size_t n = 0; n < sig_.size(); ++n) {
    if (keep_[n]) continue;
    size_t last = n;
    const FieldDef* f = Column(n, &last);
    if (f == nullptr) continue;
    if (IsScaledInteger(f->type) && f->decimals > 0) {
      prefix_[n] += "(";
      suffix_[last] += " / 1" + std::string(static_cast<size_t>(f->decimals), '0') + ".0)";
      changed = true;
    }
    if (IsDateTime(f->type)) changed |= ComparedLiterals(n, last, f);
    n = last;
  }
  if (!changed) return SqlOk();
  for (const Pending& p : pending_) {
    if (IsDateTime(p.field->type)) {
      if (SqlError e = DateTimeLiteral(p); !e.ok()) return e;
      continue;
    }
    prefix_[p.value.first] = "vnx_scale(" + prefix_[p.value.first];
    suffix_[p.value.last] += ", " + std::to_string(p.field->decimals) + ", " +
                             std::to_string(EffectiveDigits(*p.field)) + ")";
  }
  std::string out;
  size_t n = 0;
  for (size_t i = 0; i < tokens_.size(); ++i) {
    if (n < sig_.size() && sig_[n] == i) {
      out += prefix_[n] + tokens_[i].text + suffix_[n];
      ++n;
    } else {
      out += tokens_[i].text;
    }
  }
  *sql = std::move(out);
  return SqlOk();
}

}  // namespace

SqlError ApplyStorageForms(const std::vector<FileDescription>& files, const DateTimeStyle& style,
                           Translation* t) {
  if (t->sql.empty()) return SqlOk();
  if (SqlError e = Scaler(files, style, t->kind).Run(&t->sql); !e.ok()) return e;
  if (!t->rowSql.empty()) return Scaler(files, style, t->kind).Run(&t->rowSql);
  return SqlOk();
}

}  // namespace vantora::host::sql
