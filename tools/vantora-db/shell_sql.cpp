// vantora-db: SQL statements, transactions and definitions.
#include <CLI/CLI.hpp>

#include <cctype>
#include <climits>
#include <cstdlib>

#include "protocol/blank_padded.h"
#include "tools/vantora-db/command_options.h"
#include "tools/vantora-db/shell.h"

namespace vantora::db {
namespace {

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& w : words) {
    if (!text.empty()) text += ' ';
    text += w;
  }
  return text;
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The items of "( A, B(1,2), C )" separated by the commas outside parentheses.
bool ListItems(const std::string& text, std::vector<std::string>* items) {
  const std::string t = Trimmed(text);
  if (t.size() < 2 || t.front() != '(' || t.back() != ')') return false;
  int depth = 0;
  std::string item;
  for (size_t i = 1; i + 1 < t.size(); ++i) {
    const char c = t[i];
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (depth < 0) return false;
    if (c == ',' && depth == 0) {
      items->push_back(Trimmed(item));
      item.clear();
    } else {
      item += c;
    }
  }
  if (depth != 0) return false;
  items->push_back(Trimmed(item));
  return true;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text + " ") {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return words;
}

// "NAME CHAR(30)", "ID INTEGER", "AMOUNT DECIMAL(9,2)", ... as a new field.
bool ParseFieldSpec(const std::string& spec, std::string* name, VdbNewField* field,
                    std::string* problem) {
  const size_t blank = spec.find_first_of(" \t");
  if (blank == std::string::npos) {
    *problem = "'" + spec + "' is no FIELD TYPE";
    return false;
  }
  *name = spec.substr(0, blank);
  std::string type = Trimmed(spec.substr(blank));
  long first = 0, second = 0;
  const size_t open = type.find('(');
  if (open != std::string::npos) {
    if (type.back() != ')') {
      *problem = "'" + spec + "': a ')' is missing";
      return false;
    }
    const std::string inside = type.substr(open + 1, type.size() - open - 2);
    char* end = nullptr;
    first = std::strtol(inside.c_str(), &end, 10);
    if (*end == ',') second = std::strtol(end + 1, &end, 10);
    if (*end != '\0' || first < 1 || first > 32766 || second < 0 || second > first) {
      *problem = "'" + spec + "': the length or decimals are no numbers that fit";
      return false;
    }
    type = Trimmed(type.substr(0, open));
  }
  const struct {
    const char* name;
    uint16_t type;
    bool sized;
  } kTypes[] = {
      {"CHAR", IDAPI_TYPE_STRING, true},          {"SMALLINT", IDAPI_TYPE_INT16, false},
      {"INTEGER", IDAPI_TYPE_INT32, false},       {"INT", IDAPI_TYPE_INT32, false},
      {"DOUBLE", IDAPI_TYPE_FLOAT, false},        {"FLOAT", IDAPI_TYPE_FLOAT, false},
      {"DATE", IDAPI_TYPE_DATE, false},           {"TIME", IDAPI_TYPE_TIME, false},
      {"TIMESTAMP", IDAPI_TYPE_TIMESTAMP, false}, {"DECIMAL", IDAPI_NATIVE_PACKED, true},
      {"BOOLEAN", IDAPI_TYPE_BOOL, false},        {"BYTES", IDAPI_TYPE_BYTES, true},
  };
  for (const auto& t : kTypes) {
    if (!wire::EqualsIgnoringCase(type, t.name)) continue;
    if (t.sized != (open != std::string::npos)) {
      *problem = "'" + spec + "': " + t.name + (t.sized ? " needs (LENGTH)" : " takes no length");
      return false;
    }
    field->type = t.type;
    if (t.type == IDAPI_NATIVE_PACKED) {
      field->units1 = static_cast<uint16_t>(first - second);
      field->units2 = static_cast<uint16_t>(second);
    } else {
      field->units1 = static_cast<uint16_t>(first);
      field->units2 = 0;
    }
    return true;
  }
  *problem = "'" + type +
             "' is no type (CHAR(n), SMALLINT, INTEGER, DOUBLE, DATE, TIME, "
             "TIMESTAMP, DECIMAL(p,s), BOOLEAN, BYTES(n))";
  return false;
}

// A parameter value of `sql`: integers and decimal numbers as numbers, any
// other text as a string.
VdbValue ParameterValue(const std::string& text) {
  char* end = nullptr;
  const long long integer = std::strtoll(text.c_str(), &end, 10);
  if (!text.empty() && *end == '\0' && integer >= INT32_MIN && integer <= INT32_MAX) {
    return {IDAPI_TYPE_INT32, text.c_str()};
  }
  std::strtod(text.c_str(), &end);
  if (!text.empty() && *end == '\0') return {IDAPI_TYPE_FLOAT, text.c_str()};
  return {IDAPI_TYPE_STRING, text.c_str()};
}

}  // namespace

void Shell::AddSqlCommands() {
  commands_["sql"] = {"sql \"STATEMENT\" [PARAM...] [--limit N] [--all]",
                      "run an SQL statement, its ? markers taking the PARAMs in order; a SELECT "
                      "prints its rows, another statement the rows it changed (unqualified "
                      "tables are the open database's library's)",
                      [this](const Args& a) { return Sql(a); }};
  commands_["filter"] = {"filter TABLE \"EXPRESSION\"",
                         "select the records of a table that browse and count show (on the host)",
                         [this](const Args& a) { return Filter(a); }};
  commands_["nofilter"] = {"nofilter [TABLE]", "forget the filter of a table, or of every table",
                           [this](const Args& a) { return NoFilter(a); }};
  commands_["begin"] = {"begin", "begin a transaction (the database was opened with --transaction)",
                        [this](const Args& a) { return Transaction("begin", a); }};
  commands_["commit"] = {"commit", "commit the record-level and SQL work of the transaction",
                         [this](const Args& a) { return Transaction("commit", a); }};
  commands_["rollback"] = {"rollback", "roll the transaction's work back",
                           [this](const Args& a) { return Transaction("rollback", a); }};
  commands_["create"] = {
      "create table NAME (FIELD TYPE, ... [, KEY FIELD...] [, UNIQUE KEY FIELD...]) | "
      "create index TABLE INDEX FIELD... [--unique] [--descending]",
      "create a table from DDS (types CHAR(n), SMALLINT, INTEGER, DOUBLE, DATE, TIME, "
      "TIMESTAMP, DECIMAL(p,s), BOOLEAN, BYTES(n)) or an index over a table",
      [this](const Args& a) { return Create(a); }};
  commands_["procs"] = {"procs", "list the stored procedures declared for the database",
                        [this](const Args& a) { return Procedures(a); }};
  commands_["params"] = {"params PROCEDURE", "list the parameters of a stored procedure",
                         [this](const Args& a) { return Parameters(a); }};
  commands_["call"] = {"call PROCEDURE [VALUE...]",
                       "call a stored procedure with its input parameters in order and print "
                       "its output parameters",
                       [this](const Args& a) { return Call(a); }};
  commands_["drop"] = {"drop index TABLE INDEX", "delete an index of a table",
                       [this](const Args& a) { return Drop(a); }};
}

bool Shell::Sql(const Args& args) {
  CLI::App app("run an SQL statement", "sql");
  std::string text;
  std::vector<std::string> parameters;
  long limit = 20;
  bool all = false;
  app.add_option("statement", text, "the statement (quote it)")->required();
  app.add_option("parameters", parameters, "the values of its ? markers");
  app.add_option("--limit", limit, "print at most this many rows (default 20)");
  app.add_flag("--all", all, "print every row");
  bool help = false;
  if (!ParseOptions(app, args, options_.out, ErrorStream(), &help)) return help;
  if (!RequireDatabase()) return false;
  VdbStatement* st = nullptr;
  if (uint16_t s = VdbPrepare(database_, text.c_str(), 0, &st); s != IDAPI_OK) return Fail(s);
  std::vector<VdbValue> values;
  values.reserve(parameters.size());
  for (const std::string& p : parameters) values.push_back(ParameterValue(p));
  if (!values.empty()) {
    if (uint16_t s = VdbBind(st, values.data(), static_cast<uint16_t>(values.size()));
        s != IDAPI_OK) {
      VdbFreeStatement(st);
      return Fail(s);
    }
  }
  return ExecuteStatement(st, all ? -1 : limit);
}

bool Shell::RunSql(const std::string& statement) {
  if (!RequireDatabase()) return false;
  const std::vector<std::string> words = Words(statement);
  const bool ends = !words.empty() && (wire::EqualsIgnoringCase(words[0], "COMMIT") ||
                                       wire::EqualsIgnoringCase(words[0], "ROLLBACK"));
  VdbStatement* st = nullptr;
  if (uint16_t s = VdbPrepare(database_, statement.c_str(), 0, &st); s != IDAPI_OK) {
    return Fail(s);
  }
  const bool ok = ExecuteStatement(st, -1);
  if (ok && ends) inTransaction_ = false;
  return ok;
}

bool Shell::ExecuteStatement(VdbStatement* st, long limit) {
  VdbCursor* rows = nullptr;
  if (uint16_t s = VdbExecute(st, &rows); s != IDAPI_OK) {
    VdbFreeStatement(st);
    return Fail(s);
  }
  if (rows == nullptr) {
    int32_t changed = 0;
    VdbRowsChanged(st, &changed);
    VdbFreeStatement(st);
    Note("%d row%s changed\n", changed, changed == 1 ? "" : "s");
    return true;
  }
  const bool ok = PrintRows(rows, VdbFirst(rows), limit);
  VdbCloseCursor(rows);
  VdbFreeStatement(st);
  return ok;
}

bool Shell::Filter(const Args& args) {
  if (args.size() != 2) return Usage("filter", "names a table and an expression");
  if (!RequireDatabase()) return false;
  // Tried at once, so that a mistake shows now and not at the next browse.
  VdbCursor* c = OpenCursor(args[0], "", true);
  if (c == nullptr) return false;
  const uint16_t s = VdbSetFilter(c, args[1].c_str(), nullptr);
  VdbCloseCursor(c);
  if (s != IDAPI_OK) return Fail(s);
  std::string key = args[0];
  for (char& ch : key) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  filters_[key] = args[1];
  Note("filter set on %s\n", args[0].c_str());
  return true;
}

bool Shell::NoFilter(const Args& args) {
  if (args.size() > 1) return Usage("nofilter", "names at most one table");
  if (args.empty()) {
    filters_.clear();
  } else {
    std::string key = args[0];
    for (char& ch : key) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    filters_.erase(key);
  }
  return true;
}

std::string Shell::FilterOf(const std::string& table) const {
  std::string key = table;
  for (char& ch : key) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  const auto it = filters_.find(key);
  return it != filters_.end() ? it->second : "";
}

bool Shell::Transaction(const std::string& what, const Args& args) {
  if (!args.empty()) return Usage(what, "takes no arguments");
  if (!RequireDatabase()) return false;
  uint16_t s;
  if (what == "begin") {
    s = VdbBeginTransaction(database_, nullptr);
  } else {
    s = VdbEndTransaction(database_, 0, what == "commit" ? IDAPI_END_COMMIT : IDAPI_END_ROLLBACK);
  }
  if (s != IDAPI_OK) return Fail(s);
  inTransaction_ = what == "begin";
  Note("%s\n", what == "begin"    ? "transaction begun"
               : what == "commit" ? "committed"
                                  : "rolled back");
  return true;
}

bool Shell::Create(const Args& args) {
  if (args.empty() || (args[0] != "table" && args[0] != "index")) {
    return Usage("create", "create table ... or create index ...");
  }
  if (!RequireDatabase()) return false;
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "table") {
    if (rest.size() < 2) return Usage("create", "create table NAME (FIELD TYPE, ...)");
    const std::string& name = rest[0];
    std::vector<std::string> items;
    if (!ListItems(Joined(Args(rest.begin() + 1, rest.end())), &items)) {
      return Usage("create", "the fields go between ( and ), separated by commas");
    }
    std::vector<std::string> names;
    std::vector<VdbNewField> fields;
    std::vector<std::string> keyNames;
    bool unique = false;
    for (const std::string& item : items) {
      const std::vector<std::string> w = Words(item);
      const bool uniqueKey = w.size() >= 3 && wire::EqualsIgnoringCase(w[0], "UNIQUE") &&
                             wire::EqualsIgnoringCase(w[1], "KEY");
      if (uniqueKey || (w.size() >= 2 && wire::EqualsIgnoringCase(w[0], "KEY"))) {
        if (!keyNames.empty()) return Usage("create", "a table has one key");
        keyNames.assign(w.begin() + (uniqueKey ? 2 : 1), w.end());
        unique = uniqueKey;
        continue;
      }
      std::string fieldName, problem;
      VdbNewField f{};
      if (!ParseFieldSpec(item, &fieldName, &f, &problem)) return Usage("create", problem);
      names.push_back(fieldName);
      fields.push_back(f);
    }
    for (size_t i = 0; i < fields.size(); ++i) fields[i].name = names[i].c_str();
    std::vector<uint16_t> keys;
    for (const std::string& k : keyNames) {
      size_t i = 0;
      while (i < names.size() && !wire::EqualsIgnoringCase(names[i], k)) ++i;
      if (i == names.size()) return Usage("create", "the key field " + k + " is no field");
      keys.push_back(static_cast<uint16_t>(i));
    }
    if (uint16_t s = VdbCreateTable(database_, name.c_str(), fields.data(),
                                    static_cast<uint16_t>(fields.size()), keys.data(),
                                    static_cast<uint16_t>(keys.size()), unique ? 1 : 0);
        s != IDAPI_OK) {
      return Fail(s);
    }
    Note("table %s created\n", name.c_str());
    return true;
  }
  CLI::App app("create an index", "create index");
  std::string table, index;
  std::vector<std::string> keyNames;
  bool unique = false, descending = false;
  app.add_option("table", table, "the table")->required();
  app.add_option("index", index, "the index (a logical file)")->required();
  app.add_option("fields", keyNames, "its key fields")->required();
  app.add_flag("--unique", unique, "a unique key");
  app.add_flag("--descending", descending, "in descending order");
  bool help = false;
  if (!ParseOptions(app, rest, options_.out, ErrorStream(), &help)) return help;
  VdbCursor* c = OpenCursor(table, "", true);
  if (c == nullptr) return false;
  std::vector<uint16_t> numbers;
  for (const std::string& k : keyNames) {
    uint16_t n = 0;
    if (VdbFieldNumber(c, k.c_str(), &n) != IDAPI_OK) {
      VdbCloseCursor(c);
      std::string problem = k;
      problem += " is no field of ";
      problem += table;
      return Usage("create", problem);
    }
    numbers.push_back(n);
  }
  const uint16_t s =
      VdbAddIndex(c, index.c_str(), numbers.data(), static_cast<uint16_t>(numbers.size()),
                  unique ? 1 : 0, descending ? 1 : 0, 0);
  VdbCloseCursor(c);
  if (s != IDAPI_OK) return Fail(s);
  Note("index %s created\n", index.c_str());
  return true;
}

bool Shell::Procedures(const Args& args) {
  if (!args.empty()) return Usage("procs", "takes no arguments");
  if (!RequireDatabase()) return false;
  VdbCursor* c = nullptr;
  if (uint16_t s = VdbOpenProcedureList(database_, &c); s != IDAPI_OK) return Fail(s);
  const bool ok = PrintRows(c, VdbNext(c), -1);
  VdbCloseCursor(c);
  return ok;
}

bool Shell::Parameters(const Args& args) {
  if (args.size() != 1) return Usage("params", "names one procedure");
  if (!RequireDatabase()) return false;
  VdbStatement* st = nullptr;
  if (uint16_t s = VdbPrepareProcedure(database_, args[0].c_str(), &st); s != IDAPI_OK) {
    return Fail(s);
  }
  uint16_t count = 0;
  VdbParameterCount(st, &count);
  ResultTable t({"no", "parameter", "direction", "type", "units", "decimals"});
  t.SetNumeric(0);
  for (uint16_t i = 1; i <= count; ++i) {
    VdbField f;
    uint16_t direction = 0;
    VdbParameterInfo(st, i, &f, &direction);
    const char* way = direction == 1 ? "in" : direction == 2 ? "out" : "in/out";
    t.Add({std::to_string(i), f.name, way, TypeName(f.type), std::to_string(f.units1),
           std::to_string(f.units2)});
  }
  VdbFreeStatement(st);
  Print(t);
  return true;
}

bool Shell::Call(const Args& args) {
  if (args.empty()) return Usage("call", "names a procedure");
  if (!RequireDatabase()) return false;
  VdbStatement* st = nullptr;
  if (uint16_t s = VdbPrepareProcedure(database_, args[0].c_str(), &st); s != IDAPI_OK) {
    return Fail(s);
  }
  uint16_t count = 0;
  VdbParameterCount(st, &count);
  size_t given = 1;
  uint16_t s = IDAPI_OK;
  for (uint16_t i = 1; i <= count && s == IDAPI_OK; ++i) {
    uint16_t direction = 0;
    VdbParameterInfo(st, i, nullptr, &direction);
    if ((direction & 1) == 0) continue;
    if (given >= args.size()) {
      VdbFreeStatement(st);
      return Usage("call", "the procedure takes more input values");
    }
    s = VdbSetParameterText(st, i, args[given++].c_str());
  }
  if (s == IDAPI_OK && given < args.size()) {
    VdbFreeStatement(st);
    return Usage("call", "the procedure takes only " + std::to_string(given - 1) + " input values");
  }
  if (s == IDAPI_OK) s = VdbExecute(st, nullptr);
  if (s != IDAPI_OK) {
    VdbFreeStatement(st);
    return Fail(s);
  }
  ResultTable t({"parameter", "value"});
  for (uint16_t i = 1; i <= count; ++i) {
    VdbField f;
    uint16_t direction = 0;
    VdbParameterInfo(st, i, &f, &direction);
    if ((direction & 2) == 0) continue;
    char text[4096] = {};
    VdbGetParameterText(st, i, text, sizeof text);
    t.Add({f.name, text});
  }
  VdbFreeStatement(st);
  Print(t);
  return true;
}

bool Shell::Drop(const Args& args) {
  if (args.size() != 3 || args[0] != "index") return Usage("drop", "drop index TABLE INDEX");
  VdbCursor* c = OpenCursor(args[1], "", true);
  if (c == nullptr) return false;
  const uint16_t s = VdbDropIndex(c, args[2].c_str());
  VdbCloseCursor(c);
  if (s != IDAPI_OK) return Fail(s);
  Note("index %s deleted\n", args[2].c_str());
  return true;
}

}  // namespace vantora::db
