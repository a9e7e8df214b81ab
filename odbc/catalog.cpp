// The catalogue functions: tables, columns, keys, indexes and procedures of
// the connection's library, or of another library a schema names, as result
// sets whose columns are the reference's. The library is the schema
// (TABLE_SCHEM); there are no catalogs. Names are patterns (% and _ with
// backslash escapes) where the reference says so.
#include <algorithm>
#include <cctype>
#include <functional>

#include "odbc/connection.h"
#include "odbc/handles.h"
#include "odbc/statement.h"
#include "odbc/text_io.h"

using namespace vantora::odbc;

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// An argument: absent (null pointer) is "every", an empty one matches nothing
// but the empty name.
struct Arg {
  bool given = false;
  std::string text;
};

Arg ArgOf(const SQLCHAR* p, SQLSMALLINT n) {
  return p == nullptr ? Arg{} : Arg{true, In(p, n)};
}
Arg ArgOfW(const SQLWCHAR* p, SQLSMALLINT n) {
  return p == nullptr ? Arg{} : Arg{true, InW(p, n)};
}

bool Like(const std::string& pattern, size_t p, const std::string& name, size_t n) {
  while (p < pattern.size()) {
    const char c = pattern[p];
    if (c == '%') {
      for (size_t k = n; k <= name.size(); ++k) {
        if (Like(pattern, p + 1, name, k)) return true;
      }
      return false;
    }
    if (n >= name.size()) return false;
    if (c == '\\' && p + 1 < pattern.size()) {
      if (std::toupper(static_cast<unsigned char>(pattern[p + 1])) !=
          std::toupper(static_cast<unsigned char>(name[n]))) {
        return false;
      }
      p += 2;
    } else {
      if (c != '_' && std::toupper(static_cast<unsigned char>(c)) !=
                          std::toupper(static_cast<unsigned char>(name[n]))) {
        return false;
      }
      ++p;
    }
    ++n;
  }
  return n == name.size();
}

bool Matches(const Arg& a, const std::string& name, bool pattern) {
  if (!a.given) return true;
  if (pattern) return Like(a.text, 0, name, 0);
  std::string t = a.text;
  if (t.size() >= 2 && t.front() == '"' && t.back() == '"')
    return t.substr(1, t.size() - 2) == name;
  return Upper(t) == Upper(name);
}

std::vector<Column> Columns(std::initializer_list<std::pair<const char*, SQLSMALLINT>> list) {
  std::vector<Column> cols;
  for (const auto& [name, type] : list) {
    Column c;
    c.name = name;
    c.sqlType = type;
    c.size = type == SQL_VARCHAR ? 128 : type == SQL_SMALLINT ? 5 : 10;
    c.nullable = SQL_NULLABLE;
    cols.push_back(c);
  }
  return cols;
}

Value Text(const std::string& s) {
  return Value::Text(s);
}
Value Int(int64_t v) {
  return Value::Integer(v);
}
Value Null() {
  return Value::Null();
}

// The library a catalogue call is about and its database.
struct Scope {
  std::string library;
  VdbDatabase* db = nullptr;
};

bool IsLibraryName(const std::string& name) {
  if (name.empty() || name.size() > 10 || std::isdigit(static_cast<unsigned char>(name[0]))) {
    return false;
  }
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isupper(static_cast<unsigned char>(c)) ||
           std::isdigit(static_cast<unsigned char>(c)) || c == '_' || c == '#' || c == '@' ||
           c == '$';
  });
}

// The connection's library when no schema is given or the schema (a pattern
// where `pattern`) matches it; another library when the schema names one (a
// pattern without %, its escapes taken away). False with nothing in `scope`
// when the call is about no library the host has; false with SQL_ERROR in
// `r` when the library could not be opened.
bool ScopeOf(Stmt* st, const Arg& schema, bool pattern, Scope* scope, SQLRETURN* r) {
  *r = SQL_SUCCESS;
  Dbc* dbc = st->dbc;
  if (!schema.given || Matches(schema, dbc->library, pattern)) {
    *scope = {dbc->library, dbc->db};
    return true;
  }
  std::string name = schema.text;
  if (pattern) {
    if (name.find('%') != std::string::npos) return false;
    std::string plain;
    for (size_t i = 0; i < name.size(); ++i) {
      if (name[i] == '\\' && i + 1 < name.size()) ++i;
      plain += name[i];
    }
    name = Upper(plain);
  } else if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
    name = name.substr(1, name.size() - 2);
  } else {
    name = Upper(name);
  }
  if (!IsLibraryName(name)) return false;
  bool missing = false;
  VdbDatabase* db = LibraryDatabase(dbc, name, &missing, st->diag);
  if (db == nullptr) {
    if (!missing) *r = SQL_ERROR;
    return false;
  }
  *scope = {name, db};
  return true;
}

// The names of the tables of the library.
SQLRETURN TableNames(Stmt* st, const Scope& scope, std::vector<std::string>* names) {
  VdbCursor* c = nullptr;
  if (const uint16_t s = VdbOpenTableList(scope.db, &c); s != IDAPI_OK) {
    return st->diag.AddEngineError(s);
  }
  while (VdbNext(c) == IDAPI_OK) {
    char name[300] = {};
    VdbGetFieldText(c, 1, name, sizeof name, nullptr);
    names->push_back(name);
  }
  VdbCloseCursor(c);
  VdbClearError();
  std::sort(names->begin(), names->end());
  return SQL_SUCCESS;
}

// Procedures are declared for the library list, not for one library: they
// are the connection's library's.
bool SchemaMatches(Stmt* st, const Arg& schema, bool pattern) {
  return Matches(schema, st->dbc->library, pattern);
}

bool NoCatalog(const Arg& catalog) {
  return !catalog.given || catalog.text.empty();
}

SQLRETURN Tables(Stmt* st, const Arg& catalog, const Arg& schema, const Arg& table,
                 const Arg& types) {
  auto result = std::make_unique<TableResult>(Columns({{"TABLE_CAT", SQL_VARCHAR},
                                                       {"TABLE_SCHEM", SQL_VARCHAR},
                                                       {"TABLE_NAME", SQL_VARCHAR},
                                                       {"TABLE_TYPE", SQL_VARCHAR},
                                                       {"REMARKS", SQL_VARCHAR}}));
  const std::string& library = st->dbc->library;
  // The special enumerations of the reference.
  if (catalog.given && catalog.text == SQL_ALL_CATALOGS && schema.given && schema.text.empty() &&
      table.given && table.text.empty()) {
    SetResult(st, std::move(result));
    return SQL_SUCCESS;
  }
  if (schema.given && schema.text == SQL_ALL_SCHEMAS && (!catalog.given || catalog.text.empty()) &&
      table.given && table.text.empty()) {
    result->Add({Null(), Text(library), Null(), Null(), Null()});
    SetResult(st, std::move(result));
    return SQL_SUCCESS;
  }
  if (types.given && types.text == SQL_ALL_TABLE_TYPES &&
      (!catalog.given || catalog.text.empty()) && (!schema.given || schema.text.empty()) &&
      table.given && table.text.empty()) {
    result->Add({Null(), Null(), Null(), Text("TABLE"), Null()});
    SetResult(st, std::move(result));
    return SQL_SUCCESS;
  }
  bool wantTables = !types.given || types.text.empty();
  if (!wantTables) {
    std::string t = Upper(types.text);
    for (size_t i = 0; i <= t.size();) {
      size_t end = t.find(',', i);
      if (end == std::string::npos) end = t.size();
      std::string one = t.substr(i, end - i);
      one.erase(std::remove(one.begin(), one.end(), '\''), one.end());
      one.erase(std::remove(one.begin(), one.end(), ' '), one.end());
      if (one == "TABLE" || one == "%") wantTables = true;
      i = end + 1;
    }
  }
  Scope scope;
  SQLRETURN r = SQL_SUCCESS;
  if (wantTables && (NoCatalog(catalog) || catalog.text == "%") &&
      ScopeOf(st, schema, true, &scope, &r)) {
    std::vector<std::string> names;
    if (r = TableNames(st, scope, &names); r != SQL_SUCCESS) return r;
    for (const std::string& n : names) {
      if (Matches(table, n, true))
        result->Add({Null(), Text(scope.library), Text(n), Text("TABLE"), Null()});
    }
  }
  if (r != SQL_SUCCESS) return r;
  SetResult(st, std::move(result));
  return SQL_SUCCESS;
}

// Opens `table` read-only for its description; null (diagnostics added) when it cannot.
VdbCursor* OpenTable(Stmt* st, const Scope& scope, const std::string& table, SQLRETURN* r) {
  VdbCursor* c = nullptr;
  if (const uint16_t s = VdbOpenTable(scope.db, table.c_str(), nullptr, VDB_READ_ONLY, &c);
      s != IDAPI_OK) {
    *r = st->diag.AddEngineError(s);
    return nullptr;
  }
  *r = SQL_SUCCESS;
  return c;
}

std::vector<Value> ColumnRow(const std::string& library, const std::string& table, const Column& c,
                             uint16_t position) {
  const bool character = c.sqlType == SQL_CHAR || c.sqlType == SQL_VARCHAR;
  const bool datetime =
      c.sqlType == SQL_TYPE_DATE || c.sqlType == SQL_TYPE_TIME || c.sqlType == SQL_TYPE_TIMESTAMP;
  const bool exact = c.sqlType == SQL_DECIMAL || c.sqlType == SQL_NUMERIC ||
                     c.sqlType == SQL_SMALLINT || c.sqlType == SQL_INTEGER ||
                     c.sqlType == SQL_BIGINT;
  const bool approximate = c.sqlType == SQL_REAL || c.sqlType == SQL_DOUBLE;
  return {Null(),
          Text(library),
          Text(table),
          Text(c.name),
          Int(c.sqlType),
          Text(TypeName(c.sqlType)),
          Int(static_cast<int64_t>(c.size)),
          Int(OctetLength(c)),
          exact || c.sqlType == SQL_TYPE_TIMESTAMP ? Int(c.decimals) : Null(),
          exact         ? Int(10)
          : approximate ? Int(2)
                        : Null(),
          Int(c.nullable),
          Null(),
          Null(),
          Int(datetime ? SQL_DATETIME : c.sqlType),
          c.sqlType == SQL_TYPE_DATE        ? Int(SQL_CODE_DATE)
          : c.sqlType == SQL_TYPE_TIME      ? Int(SQL_CODE_TIME)
          : c.sqlType == SQL_TYPE_TIMESTAMP ? Int(SQL_CODE_TIMESTAMP)
                                            : Null(),
          character || c.sqlType == SQL_BINARY ? Int(OctetLength(c)) : Null(),
          Int(position),
          Text(c.nullable == SQL_NULLABLE ? "YES" : "NO")};
}

SQLRETURN ColumnsOf(Stmt* st, const Arg& catalog, const Arg& schema, const Arg& table,
                    const Arg& column) {
  auto result = std::make_unique<TableResult>(Columns({{"TABLE_CAT", SQL_VARCHAR},
                                                       {"TABLE_SCHEM", SQL_VARCHAR},
                                                       {"TABLE_NAME", SQL_VARCHAR},
                                                       {"COLUMN_NAME", SQL_VARCHAR},
                                                       {"DATA_TYPE", SQL_SMALLINT},
                                                       {"TYPE_NAME", SQL_VARCHAR},
                                                       {"COLUMN_SIZE", SQL_INTEGER},
                                                       {"BUFFER_LENGTH", SQL_INTEGER},
                                                       {"DECIMAL_DIGITS", SQL_SMALLINT},
                                                       {"NUM_PREC_RADIX", SQL_SMALLINT},
                                                       {"NULLABLE", SQL_SMALLINT},
                                                       {"REMARKS", SQL_VARCHAR},
                                                       {"COLUMN_DEF", SQL_VARCHAR},
                                                       {"SQL_DATA_TYPE", SQL_SMALLINT},
                                                       {"SQL_DATETIME_SUB", SQL_SMALLINT},
                                                       {"CHAR_OCTET_LENGTH", SQL_INTEGER},
                                                       {"ORDINAL_POSITION", SQL_INTEGER},
                                                       {"IS_NULLABLE", SQL_VARCHAR}}));
  Scope scope;
  SQLRETURN r = SQL_SUCCESS;
  if (NoCatalog(catalog) && ScopeOf(st, schema, true, &scope, &r)) {
    std::vector<std::string> names;
    if (r = TableNames(st, scope, &names); r != SQL_SUCCESS) return r;
    for (const std::string& n : names) {
      if (!Matches(table, n, true)) continue;
      VdbCursor* c = OpenTable(st, scope, n, &r);
      if (c == nullptr) {
        st->diag.Clear();  // a file that cannot be opened has no columns to tell
        continue;
      }
      uint16_t count = 0;
      VdbFieldCount(c, &count);
      for (uint16_t i = 1; i <= count; ++i) {
        VdbField f{};
        VdbFieldInfo(c, i, &f);
        const Column col = ColumnOf(f);
        if (Matches(column, col.name, true)) result->Add(ColumnRow(scope.library, n, col, i));
      }
      VdbCloseCursor(c);
    }
  }
  if (r != SQL_SUCCESS) return r;
  SetResult(st, std::move(result));
  return SQL_SUCCESS;
}

struct IndexInfo {
  std::string name;
  uint16_t number = 0;
  bool unique = false;
  bool descending = false;
  std::vector<std::string> keys;
};

// The indexes of `table` (the file's own key first), with their key fields' names.
SQLRETURN IndexesOf(Stmt* st, const Scope& scope, const std::string& table,
                    std::vector<IndexInfo>* out) {
  SQLRETURN r;
  VdbCursor* t = OpenTable(st, scope, table, &r);
  if (t == nullptr) return r;
  VdbCursor* list = nullptr;
  if (const uint16_t s = VdbOpenIndexList(scope.db, table.c_str(), &list); s != IDAPI_OK) {
    VdbCloseCursor(t);
    return st->diag.AddEngineError(s);
  }
  while (VdbNext(list) == IDAPI_OK) {
    void* row = nullptr;
    VdbRecordBuffer(list, &row, nullptr);
    const auto* d = static_cast<const uint8_t*>(row);
    IndexInfo info;
    info.name = reinterpret_cast<const char*>(d + IDAPI_IDX_NAME);
    if (const size_t slash = info.name.find('/'); slash != std::string::npos) {
      info.name.erase(0, slash + 1);
    }
    info.number = idapi_get_u16(d, IDAPI_IDX_NUMBER);
    info.unique = idapi_get_u16(d, IDAPI_IDX_UNIQUE) != 0;
    info.descending = idapi_get_u16(d, IDAPI_IDX_DESCENDING) != 0;
    const uint16_t n = idapi_get_u16(d, IDAPI_IDX_KEY_FIELDS);
    for (uint16_t k = 0; k < n && k < IDAPI_IDX_MAX_KEY_FIELDS; ++k) {
      VdbField f{};
      if (VdbFieldInfo(t, idapi_get_u16(d, IDAPI_IDX_FIELD_NUMBERS + 2u * k), &f) == IDAPI_OK) {
        info.keys.push_back(f.name);
      }
    }
    out->push_back(std::move(info));
  }
  VdbClearError();
  VdbCloseCursor(list);
  VdbCloseCursor(t);
  return SQL_SUCCESS;
}

// The primary key: the physical file's own unique key.
const IndexInfo* PrimaryKey(const std::vector<IndexInfo>& indexes) {
  for (const IndexInfo& i : indexes) {
    if (i.number == 0 && i.unique && !i.keys.empty()) return &i;
  }
  return nullptr;
}

SQLRETURN PrimaryKeys(Stmt* st, const Arg& catalog, const Arg& schema, const Arg& table) {
  auto result = std::make_unique<TableResult>(Columns({{"TABLE_CAT", SQL_VARCHAR},
                                                       {"TABLE_SCHEM", SQL_VARCHAR},
                                                       {"TABLE_NAME", SQL_VARCHAR},
                                                       {"COLUMN_NAME", SQL_VARCHAR},
                                                       {"KEY_SEQ", SQL_SMALLINT},
                                                       {"PK_NAME", SQL_VARCHAR}}));
  if (!table.given) return st->diag.Add("HY009", "A table name is required");
  Scope scope;
  SQLRETURN r = SQL_SUCCESS;
  if (NoCatalog(catalog) && ScopeOf(st, schema, false, &scope, &r)) {
    const std::string name = Upper(table.text);
    std::vector<IndexInfo> indexes;
    if (IndexesOf(st, scope, name, &indexes) != SQL_SUCCESS) {
      st->diag.Clear();  // no such table: no key
    } else if (const IndexInfo* pk = PrimaryKey(indexes)) {
      for (size_t k = 0; k < pk->keys.size(); ++k) {
        result->Add({Null(), Text(scope.library), Text(name), Text(pk->keys[k]),
                     Int(static_cast<int64_t>(k + 1)), Text(pk->name)});
      }
    }
  }
  if (r != SQL_SUCCESS) return r;
  SetResult(st, std::move(result));
  return SQL_SUCCESS;
}

SQLRETURN Statistics(Stmt* st, const Arg& catalog, const Arg& schema, const Arg& table,
                     SQLUSMALLINT unique) {
  auto result = std::make_unique<TableResult>(Columns({{"TABLE_CAT", SQL_VARCHAR},
                                                       {"TABLE_SCHEM", SQL_VARCHAR},
                                                       {"TABLE_NAME", SQL_VARCHAR},
                                                       {"NON_UNIQUE", SQL_SMALLINT},
                                                       {"INDEX_QUALIFIER", SQL_VARCHAR},
                                                       {"INDEX_NAME", SQL_VARCHAR},
                                                       {"TYPE", SQL_SMALLINT},
                                                       {"ORDINAL_POSITION", SQL_SMALLINT},
                                                       {"COLUMN_NAME", SQL_VARCHAR},
                                                       {"ASC_OR_DESC", SQL_CHAR},
                                                       {"CARDINALITY", SQL_INTEGER},
                                                       {"PAGES", SQL_INTEGER},
                                                       {"FILTER_CONDITION", SQL_VARCHAR}}));
  if (!table.given) return st->diag.Add("HY009", "A table name is required");
  Scope scope;
  SQLRETURN found = SQL_SUCCESS;
  if (NoCatalog(catalog) && ScopeOf(st, schema, false, &scope, &found)) {
    const std::string name = Upper(table.text);
    const std::string& library = scope.library;
    std::vector<IndexInfo> indexes;
    if (IndexesOf(st, scope, name, &indexes) != SQL_SUCCESS) {
      st->diag.Clear();
    } else {
      SQLRETURN r;
      int32_t rows = -1;
      if (VdbCursor* t = OpenTable(st, scope, name, &r)) {
        if (VdbRecordCount(t, &rows) != IDAPI_OK) rows = -1;
        VdbClearError();
        VdbCloseCursor(t);
      }
      result->Add({Null(), Text(library), Text(name), Null(), Null(), Null(), Int(SQL_TABLE_STAT),
                   Null(), Null(), Null(), rows >= 0 ? Int(rows) : Null(), Null(), Null()});
      // NON_UNIQUE, then the index's name, then the key's order.
      std::sort(indexes.begin(), indexes.end(), [](const IndexInfo& a, const IndexInfo& b) {
        if (a.unique != b.unique) return a.unique;
        return a.name < b.name;
      });
      for (const IndexInfo& i : indexes) {
        if (unique == SQL_INDEX_UNIQUE && !i.unique) continue;
        for (size_t k = 0; k < i.keys.size(); ++k) {
          result->Add({Null(), Text(library), Text(name), Int(i.unique ? SQL_FALSE : SQL_TRUE),
                       Text(library), Text(i.name), Int(SQL_INDEX_OTHER),
                       Int(static_cast<int64_t>(k + 1)), Text(i.keys[k]),
                       Text(i.descending ? "D" : "A"), Null(), Null(), Null()});
        }
      }
    }
  }
  if (found != SQL_SUCCESS) return found;
  SetResult(st, std::move(result));
  return SQL_SUCCESS;
}

SQLRETURN SpecialColumns(Stmt* st, SQLUSMALLINT identifier, const Arg& catalog, const Arg& schema,
                         const Arg& table) {
  auto result = std::make_unique<TableResult>(Columns({{"SCOPE", SQL_SMALLINT},
                                                       {"COLUMN_NAME", SQL_VARCHAR},
                                                       {"DATA_TYPE", SQL_SMALLINT},
                                                       {"TYPE_NAME", SQL_VARCHAR},
                                                       {"COLUMN_SIZE", SQL_INTEGER},
                                                       {"BUFFER_LENGTH", SQL_INTEGER},
                                                       {"DECIMAL_DIGITS", SQL_SMALLINT},
                                                       {"PSEUDO_COLUMN", SQL_SMALLINT}}));
  if (!table.given) return st->diag.Add("HY009", "A table name is required");
  Scope scope;
  SQLRETURN found = SQL_SUCCESS;
  if (identifier == SQL_BEST_ROWID && NoCatalog(catalog) &&
      ScopeOf(st, schema, false, &scope, &found)) {
    const std::string name = Upper(table.text);
    std::vector<IndexInfo> indexes;
    SQLRETURN r;
    if (IndexesOf(st, scope, name, &indexes) == SQL_SUCCESS) {
      if (const IndexInfo* pk = PrimaryKey(indexes)) {
        if (VdbCursor* t = OpenTable(st, scope, name, &r)) {
          for (const std::string& key : pk->keys) {
            uint16_t number = 0;
            VdbField f{};
            if (VdbFieldNumber(t, key.c_str(), &number) != IDAPI_OK ||
                VdbFieldInfo(t, number, &f) != IDAPI_OK) {
              continue;
            }
            const Column c = ColumnOf(f);
            result->Add({Int(SQL_SCOPE_SESSION), Text(c.name), Int(c.sqlType),
                         Text(TypeName(c.sqlType)), Int(static_cast<int64_t>(c.size)),
                         Int(OctetLength(c)), Int(c.decimals), Int(SQL_PC_NOT_PSEUDO)});
          }
          VdbCloseCursor(t);
        }
      }
    }
    st->diag.Clear();
  }
  if (found != SQL_SUCCESS) return found;
  SetResult(st, std::move(result));
  return SQL_SUCCESS;
}

// The declared procedures' names.
SQLRETURN ProcedureNames(Stmt* st, std::vector<std::string>* names) {
  VdbCursor* c = nullptr;
  if (const uint16_t s = VdbOpenProcedureList(st->dbc->db, &c); s != IDAPI_OK) {
    return st->diag.AddEngineError(s);
  }
  while (VdbNext(c) == IDAPI_OK) {
    char name[64] = {};
    VdbGetFieldText(c, 1, name, sizeof name, nullptr);
    names->push_back(name);
  }
  VdbClearError();
  VdbCloseCursor(c);
  std::sort(names->begin(), names->end());
  return SQL_SUCCESS;
}

// Calls `each(number, field, direction)` for the parameters of `procedure`.
void ForEachParameter(Stmt* st, const std::string& procedure,
                      const std::function<void(uint16_t, const VdbField&, uint16_t)>& each) {
  VdbStatement* call = nullptr;
  if (VdbPrepareProcedure(st->dbc->db, procedure.c_str(), &call) != IDAPI_OK) {
    VdbClearError();
    return;
  }
  uint16_t count = 0;
  VdbParameterCount(call, &count);
  for (uint16_t n = 1; n <= count; ++n) {
    VdbField f{};
    uint16_t direction = 0;
    VdbParameterInfo(call, n, &f, &direction);
    each(n, f, direction);
  }
  VdbFreeStatement(call);
}

SQLRETURN Procedures(Stmt* st, const Arg& catalog, const Arg& schema, const Arg& procedure) {
  auto result = std::make_unique<TableResult>(Columns({{"PROCEDURE_CAT", SQL_VARCHAR},
                                                       {"PROCEDURE_SCHEM", SQL_VARCHAR},
                                                       {"PROCEDURE_NAME", SQL_VARCHAR},
                                                       {"NUM_INPUT_PARAMS", SQL_INTEGER},
                                                       {"NUM_OUTPUT_PARAMS", SQL_INTEGER},
                                                       {"NUM_RESULT_SETS", SQL_INTEGER},
                                                       {"REMARKS", SQL_VARCHAR},
                                                       {"PROCEDURE_TYPE", SQL_SMALLINT}}));
  if ((!catalog.given || catalog.text.empty()) && SchemaMatches(st, schema, true)) {
    std::vector<std::string> names;
    if (SQLRETURN r = ProcedureNames(st, &names); r != SQL_SUCCESS) return r;
    for (const std::string& n : names) {
      if (!Matches(procedure, n, true)) continue;
      int in = 0, out = 0;
      ForEachParameter(st, n, [&](uint16_t, const VdbField&, uint16_t direction) {
        if (direction & IDAPI_PARAM_IN) ++in;
        if (direction & IDAPI_PARAM_OUT) ++out;
      });
      result->Add({Null(), Text(st->dbc->library), Text(n), Int(in), Int(out), Int(0), Null(),
                   Int(SQL_PT_PROCEDURE)});
    }
  }
  SetResult(st, std::move(result));
  return SQL_SUCCESS;
}

SQLRETURN ProcedureColumns(Stmt* st, const Arg& catalog, const Arg& schema, const Arg& procedure,
                           const Arg& column) {
  auto result = std::make_unique<TableResult>(Columns({{"PROCEDURE_CAT", SQL_VARCHAR},
                                                       {"PROCEDURE_SCHEM", SQL_VARCHAR},
                                                       {"PROCEDURE_NAME", SQL_VARCHAR},
                                                       {"COLUMN_NAME", SQL_VARCHAR},
                                                       {"COLUMN_TYPE", SQL_SMALLINT},
                                                       {"DATA_TYPE", SQL_SMALLINT},
                                                       {"TYPE_NAME", SQL_VARCHAR},
                                                       {"COLUMN_SIZE", SQL_INTEGER},
                                                       {"BUFFER_LENGTH", SQL_INTEGER},
                                                       {"DECIMAL_DIGITS", SQL_SMALLINT},
                                                       {"NUM_PREC_RADIX", SQL_SMALLINT},
                                                       {"NULLABLE", SQL_SMALLINT},
                                                       {"REMARKS", SQL_VARCHAR},
                                                       {"COLUMN_DEF", SQL_VARCHAR},
                                                       {"SQL_DATA_TYPE", SQL_SMALLINT},
                                                       {"SQL_DATETIME_SUB", SQL_SMALLINT},
                                                       {"CHAR_OCTET_LENGTH", SQL_INTEGER},
                                                       {"ORDINAL_POSITION", SQL_INTEGER},
                                                       {"IS_NULLABLE", SQL_VARCHAR}}));
  if ((!catalog.given || catalog.text.empty()) && SchemaMatches(st, schema, true)) {
    std::vector<std::string> names;
    if (SQLRETURN r = ProcedureNames(st, &names); r != SQL_SUCCESS) return r;
    for (const std::string& n : names) {
      if (!Matches(procedure, n, true)) continue;
      ForEachParameter(st, n, [&](uint16_t number, const VdbField& f, uint16_t direction) {
        Column c = ColumnOf(f);
        c.nullable = SQL_NO_NULLS;
        if (!Matches(column, c.name, true)) return;
        std::vector<Value> row = ColumnRow(st->dbc->library, n, c, number);
        // The column rows' layout with COLUMN_TYPE after COLUMN_NAME.
        const int type = direction == (IDAPI_PARAM_IN | IDAPI_PARAM_OUT) ? SQL_PARAM_INPUT_OUTPUT
                         : (direction & IDAPI_PARAM_OUT) != 0            ? SQL_PARAM_OUTPUT
                                                                         : SQL_PARAM_INPUT;
        row.insert(row.begin() + 4, Int(type));
        result->Add(std::move(row));
      });
    }
  }
  SetResult(st, std::move(result));
  return SQL_SUCCESS;
}

SQLRETURN ForeignKeys(Stmt* st) {
  // The host's files declare no referential constraints: an empty result.
  SetResult(st, std::make_unique<TableResult>(Columns({{"PKTABLE_CAT", SQL_VARCHAR},
                                                       {"PKTABLE_SCHEM", SQL_VARCHAR},
                                                       {"PKTABLE_NAME", SQL_VARCHAR},
                                                       {"PKCOLUMN_NAME", SQL_VARCHAR},
                                                       {"FKTABLE_CAT", SQL_VARCHAR},
                                                       {"FKTABLE_SCHEM", SQL_VARCHAR},
                                                       {"FKTABLE_NAME", SQL_VARCHAR},
                                                       {"FKCOLUMN_NAME", SQL_VARCHAR},
                                                       {"KEY_SEQ", SQL_SMALLINT},
                                                       {"UPDATE_RULE", SQL_SMALLINT},
                                                       {"DELETE_RULE", SQL_SMALLINT},
                                                       {"FK_NAME", SQL_VARCHAR},
                                                       {"PK_NAME", SQL_VARCHAR},
                                                       {"DEFERRABILITY", SQL_SMALLINT}})));
  return SQL_SUCCESS;
}

#define CATALOG_STATEMENT(handle)                 \
  std::lock_guard lock(DriverLock());             \
  Stmt* st = LiveAs<Stmt>((handle), Kind::kStmt); \
  if (st == nullptr) return SQL_INVALID_HANDLE;   \
  st->diag.Clear();                               \
  if (st->result != nullptr) return st->diag.Add("24000", "A cursor is open: close it first")

}  // namespace

ODBC_EXPORT SQLRETURN SQL_API SQLTables(SQLHSTMT h, SQLCHAR* c, SQLSMALLINT cl, SQLCHAR* s,
                                        SQLSMALLINT sl, SQLCHAR* t, SQLSMALLINT tl, SQLCHAR* y,
                                        SQLSMALLINT yl) {
  CATALOG_STATEMENT(h);
  return Tables(st, ArgOf(c, cl), ArgOf(s, sl), ArgOf(t, tl), ArgOf(y, yl));
}

ODBC_EXPORT SQLRETURN SQL_API SQLTablesW(SQLHSTMT h, SQLWCHAR* c, SQLSMALLINT cl, SQLWCHAR* s,
                                         SQLSMALLINT sl, SQLWCHAR* t, SQLSMALLINT tl, SQLWCHAR* y,
                                         SQLSMALLINT yl) {
  CATALOG_STATEMENT(h);
  return Tables(st, ArgOfW(c, cl), ArgOfW(s, sl), ArgOfW(t, tl), ArgOfW(y, yl));
}

ODBC_EXPORT SQLRETURN SQL_API SQLColumns(SQLHSTMT h, SQLCHAR* c, SQLSMALLINT cl, SQLCHAR* s,
                                         SQLSMALLINT sl, SQLCHAR* t, SQLSMALLINT tl, SQLCHAR* n,
                                         SQLSMALLINT nl) {
  CATALOG_STATEMENT(h);
  return ColumnsOf(st, ArgOf(c, cl), ArgOf(s, sl), ArgOf(t, tl), ArgOf(n, nl));
}

ODBC_EXPORT SQLRETURN SQL_API SQLColumnsW(SQLHSTMT h, SQLWCHAR* c, SQLSMALLINT cl, SQLWCHAR* s,
                                          SQLSMALLINT sl, SQLWCHAR* t, SQLSMALLINT tl, SQLWCHAR* n,
                                          SQLSMALLINT nl) {
  CATALOG_STATEMENT(h);
  return ColumnsOf(st, ArgOfW(c, cl), ArgOfW(s, sl), ArgOfW(t, tl), ArgOfW(n, nl));
}

ODBC_EXPORT SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT h, SQLCHAR* c, SQLSMALLINT cl, SQLCHAR* s,
                                             SQLSMALLINT sl, SQLCHAR* t, SQLSMALLINT tl) {
  CATALOG_STATEMENT(h);
  return PrimaryKeys(st, ArgOf(c, cl), ArgOf(s, sl), ArgOf(t, tl));
}

ODBC_EXPORT SQLRETURN SQL_API SQLPrimaryKeysW(SQLHSTMT h, SQLWCHAR* c, SQLSMALLINT cl, SQLWCHAR* s,
                                              SQLSMALLINT sl, SQLWCHAR* t, SQLSMALLINT tl) {
  CATALOG_STATEMENT(h);
  return PrimaryKeys(st, ArgOfW(c, cl), ArgOfW(s, sl), ArgOfW(t, tl));
}

ODBC_EXPORT SQLRETURN SQL_API SQLStatistics(SQLHSTMT h, SQLCHAR* c, SQLSMALLINT cl, SQLCHAR* s,
                                            SQLSMALLINT sl, SQLCHAR* t, SQLSMALLINT tl,
                                            SQLUSMALLINT unique, SQLUSMALLINT) {
  CATALOG_STATEMENT(h);
  return Statistics(st, ArgOf(c, cl), ArgOf(s, sl), ArgOf(t, tl), unique);
}

ODBC_EXPORT SQLRETURN SQL_API SQLStatisticsW(SQLHSTMT h, SQLWCHAR* c, SQLSMALLINT cl, SQLWCHAR* s,
                                             SQLSMALLINT sl, SQLWCHAR* t, SQLSMALLINT tl,
                                             SQLUSMALLINT unique, SQLUSMALLINT) {
  CATALOG_STATEMENT(h);
  return Statistics(st, ArgOfW(c, cl), ArgOfW(s, sl), ArgOfW(t, tl), unique);
}

ODBC_EXPORT SQLRETURN SQL_API SQLSpecialColumns(SQLHSTMT h, SQLUSMALLINT id, SQLCHAR* c,
                                                SQLSMALLINT cl, SQLCHAR* s, SQLSMALLINT sl,
                                                SQLCHAR* t, SQLSMALLINT tl, SQLUSMALLINT,
                                                SQLUSMALLINT) {
  CATALOG_STATEMENT(h);
  return SpecialColumns(st, id, ArgOf(c, cl), ArgOf(s, sl), ArgOf(t, tl));
}

ODBC_EXPORT SQLRETURN SQL_API SQLSpecialColumnsW(SQLHSTMT h, SQLUSMALLINT id, SQLWCHAR* c,
                                                 SQLSMALLINT cl, SQLWCHAR* s, SQLSMALLINT sl,
                                                 SQLWCHAR* t, SQLSMALLINT tl, SQLUSMALLINT,
                                                 SQLUSMALLINT) {
  CATALOG_STATEMENT(h);
  return SpecialColumns(st, id, ArgOfW(c, cl), ArgOfW(s, sl), ArgOfW(t, tl));
}

ODBC_EXPORT SQLRETURN SQL_API SQLProcedures(SQLHSTMT h, SQLCHAR* c, SQLSMALLINT cl, SQLCHAR* s,
                                            SQLSMALLINT sl, SQLCHAR* p, SQLSMALLINT pl) {
  CATALOG_STATEMENT(h);
  return Procedures(st, ArgOf(c, cl), ArgOf(s, sl), ArgOf(p, pl));
}

ODBC_EXPORT SQLRETURN SQL_API SQLProceduresW(SQLHSTMT h, SQLWCHAR* c, SQLSMALLINT cl, SQLWCHAR* s,
                                             SQLSMALLINT sl, SQLWCHAR* p, SQLSMALLINT pl) {
  CATALOG_STATEMENT(h);
  return Procedures(st, ArgOfW(c, cl), ArgOfW(s, sl), ArgOfW(p, pl));
}

ODBC_EXPORT SQLRETURN SQL_API SQLProcedureColumns(SQLHSTMT h, SQLCHAR* c, SQLSMALLINT cl,
                                                  SQLCHAR* s, SQLSMALLINT sl, SQLCHAR* p,
                                                  SQLSMALLINT pl, SQLCHAR* n, SQLSMALLINT nl) {
  CATALOG_STATEMENT(h);
  return ProcedureColumns(st, ArgOf(c, cl), ArgOf(s, sl), ArgOf(p, pl), ArgOf(n, nl));
}

ODBC_EXPORT SQLRETURN SQL_API SQLProcedureColumnsW(SQLHSTMT h, SQLWCHAR* c, SQLSMALLINT cl,
                                                   SQLWCHAR* s, SQLSMALLINT sl, SQLWCHAR* p,
                                                   SQLSMALLINT pl, SQLWCHAR* n, SQLSMALLINT nl) {
  CATALOG_STATEMENT(h);
  return ProcedureColumns(st, ArgOfW(c, cl), ArgOfW(s, sl), ArgOfW(p, pl), ArgOfW(n, nl));
}

ODBC_EXPORT SQLRETURN SQL_API SQLForeignKeys(SQLHSTMT h, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                             SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                             SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                             SQLSMALLINT) {
  CATALOG_STATEMENT(h);
  return ForeignKeys(st);
}

ODBC_EXPORT SQLRETURN SQL_API SQLForeignKeysW(SQLHSTMT h, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*,
                                              SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*,
                                              SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*,
                                              SQLSMALLINT) {
  CATALOG_STATEMENT(h);
  return ForeignKeys(st);
}
