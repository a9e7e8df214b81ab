// vantora-db: SQL statements, transactions and definitions.
#include <CLI/CLI.hpp>

#include <strings.h>

#include <cstdlib>

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

// "NAME:CHAR(30)", "ID:INTEGER", "AMOUNT:DECIMAL(9,2)", ... as a new field.
bool ParseFieldSpec(const std::string& spec, std::string* name, VdbNewField* field,
                    std::string* problem) {
  const size_t colon = spec.find(':');
  if (colon == std::string::npos || colon == 0) {
    *problem = "'" + spec + "' is no FIELD:TYPE";
    return false;
  }
  *name = spec.substr(0, colon);
  std::string type = spec.substr(colon + 1);
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
    type = type.substr(0, open);
  }
  const struct {
    const char* name;
    uint16_t type;
    bool sized;
  } kTypes[] = {
      {"CHAR", IDAPI_TYPE_STRING, true},      {"SMALLINT", IDAPI_TYPE_INT16, false},
      {"INTEGER", IDAPI_TYPE_INT32, false},   {"INT", IDAPI_TYPE_INT32, false},
      {"DOUBLE", IDAPI_TYPE_FLOAT, false},    {"FLOAT", IDAPI_TYPE_FLOAT, false},
      {"DATE", IDAPI_TYPE_DATE, false},       {"TIME", IDAPI_TYPE_TIME, false},
      {"TIMESTAMP", IDAPI_TYPE_TIMESTAMP, false}, {"DECIMAL", IDAPI_NATIVE_PACKED, true},
      {"BOOLEAN", IDAPI_TYPE_BOOL, false},
  };
  for (const auto& t : kTypes) {
    if (strcasecmp(type.c_str(), t.name) != 0) continue;
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
  *problem = "'" + type + "' is no type (CHAR(n), SMALLINT, INTEGER, DOUBLE, DATE, TIME, "
             "TIMESTAMP, DECIMAL(p,s), BOOLEAN)";
  return false;
}

}  // namespace

void Shell::AddSqlCommands() {
  commands_["sql"] = {"sql \"STATEMENT\" [--limit N] [--all]",
                      "run an SQL statement; a SELECT prints its rows (unqualified tables are "
                      "the open database's library's)",
                      [this](const Args& a) { return Sql(a); }};
  commands_["begin"] = {"begin", "begin a transaction (the database was opened with --transaction)",
                        [this](const Args& a) { return Transaction("begin", a); }};
  commands_["commit"] = {"commit", "commit the record-level and SQL work of the transaction",
                         [this](const Args& a) { return Transaction("commit", a); }};
  commands_["rollback"] = {"rollback", "roll the transaction's work back",
                           [this](const Args& a) { return Transaction("rollback", a); }};
  commands_["create"] = {
      "create table NAME FIELD:TYPE... [--key F,F] [--unique] | "
      "create index TABLE INDEX FIELD... [--unique] [--descending]",
      "create a table from DDS (types CHAR(n), SMALLINT, INTEGER, DOUBLE, DATE, TIME, "
      "TIMESTAMP, DECIMAL(p,s), BOOLEAN) or an index over a table",
      [this](const Args& a) { return Create(a); }};
  commands_["drop"] = {"drop index TABLE INDEX", "delete an index of a table",
                       [this](const Args& a) { return Drop(a); }};
}

bool Shell::Sql(const Args& args) {
  CLI::App app("run an SQL statement", "sql");
  std::vector<std::string> words;
  long limit = 20;
  bool all = false;
  app.add_option("statement", words, "the statement (quote it)")->required();
  app.add_option("--limit", limit, "print at most this many rows (default 20)");
  app.add_flag("--all", all, "print every row");
  app.allow_extras(false);
  bool help = false;
  if (!ParseOptions(app, args, options_.out, options_.err, &help)) return help;
  if (!RequireDatabase()) return false;
  const std::string text = Joined(words);
  VdbCursor* rows = nullptr;
  if (uint16_t s = VdbExecuteSql(database_, text.c_str(), &rows); s != IDAPI_OK) return Fail(s);
  if (rows == nullptr) {
    std::fprintf(options_.out, "done\n");
    return true;
  }
  const bool ok = PrintRows(rows, VdbFirst(rows), all ? -1 : limit);
  VdbCloseCursor(rows);
  return ok;
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
  std::fprintf(options_.out, "%s\n", what == "begin" ? "transaction begun"
                                     : what == "commit" ? "committed" : "rolled back");
  return true;
}

bool Shell::Create(const Args& args) {
  if (args.empty() || (args[0] != "table" && args[0] != "index")) {
    return Usage("create", "create table ... or create index ...");
  }
  if (!RequireDatabase()) return false;
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "table") {
    CLI::App app("create a table", "create table");
    std::string name, key;
    std::vector<std::string> specs;
    bool unique = false;
    app.add_option("name", name, "the table (FILE or LIBRARY/FILE)")->required();
    app.add_option("fields", specs, "FIELD:TYPE ...")->required();
    app.add_option("--key", key, "the key fields, F or F,G");
    app.add_flag("--unique", unique, "a unique key");
    bool help = false;
    if (!ParseOptions(app, rest, options_.out, options_.err, &help)) return help;
    std::vector<std::string> names(specs.size());
    std::vector<VdbNewField> fields(specs.size());
    for (size_t i = 0; i < specs.size(); ++i) {
      std::string problem;
      if (!ParseFieldSpec(specs[i], &names[i], &fields[i], &problem)) {
        return Usage("create", problem);
      }
    }
    for (size_t i = 0; i < specs.size(); ++i) fields[i].name = names[i].c_str();
    std::vector<uint16_t> keys;
    size_t at = 0;
    while (!key.empty() && at <= key.size()) {
      const size_t comma = std::min(key.find(',', at), key.size());
      const std::string k = key.substr(at, comma - at);
      size_t i = 0;
      while (i < names.size() && strcasecmp(names[i].c_str(), k.c_str()) != 0) ++i;
      if (i == names.size()) return Usage("create", "the key field " + k + " is no field");
      keys.push_back(static_cast<uint16_t>(i));
      at = comma + 1;
    }
    if (uint16_t s = VdbCreateTable(database_, name.c_str(), fields.data(),
                                    static_cast<uint16_t>(fields.size()), keys.data(),
                                    static_cast<uint16_t>(keys.size()), unique ? 1 : 0);
        s != IDAPI_OK) {
      return Fail(s);
    }
    std::fprintf(options_.out, "table %s created\n", name.c_str());
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
  if (!ParseOptions(app, rest, options_.out, options_.err, &help)) return help;
  VdbCursor* c = OpenCursor(table, "", true);
  if (c == nullptr) return false;
  std::vector<uint16_t> numbers;
  for (const std::string& k : keyNames) {
    uint16_t n = 0;
    if (VdbFieldNumber(c, k.c_str(), &n) != IDAPI_OK) {
      VdbCloseCursor(c);
      return Usage("create", k + " is no field of " + table);
    }
    numbers.push_back(n);
  }
  const uint16_t s = VdbAddIndex(c, index.c_str(), numbers.data(),
                                 static_cast<uint16_t>(numbers.size()), unique ? 1 : 0,
                                 descending ? 1 : 0, 0);
  VdbCloseCursor(c);
  if (s != IDAPI_OK) return Fail(s);
  std::fprintf(options_.out, "index %s created\n", index.c_str());
  return true;
}

bool Shell::Drop(const Args& args) {
  if (args.size() != 3 || args[0] != "index") return Usage("drop", "drop index TABLE INDEX");
  VdbCursor* c = OpenCursor(args[1], "", true);
  if (c == nullptr) return false;
  const uint16_t s = VdbDropIndex(c, args[2].c_str());
  VdbCloseCursor(c);
  if (s != IDAPI_OK) return Fail(s);
  std::fprintf(options_.out, "index %s deleted\n", args[2].c_str());
  return true;
}

}  // namespace vantora::db
