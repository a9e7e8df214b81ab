// The shell's table commands: lists of tables, fields and indexes, browsing
// a table, seeking a key, counting, and changing records.
#include <chrono>
#include <cstring>
#include <sstream>

#include "platform/console.h"
#include "platform/interrupt.h"
#include "tools/vantora-db/command_options.h"
#include "tools/vantora-db/shell.h"

namespace vantora::db {

const char* TypeName(uint16_t type) {
  switch (type) {
    case IDAPI_TYPE_STRING:
      return "string";
    case IDAPI_TYPE_DATE:
      return "date";
    case IDAPI_TYPE_BLOB:
      return "blob";
    case IDAPI_TYPE_BOOL:
      return "boolean";
    case IDAPI_TYPE_INT16:
      return "int16";
    case IDAPI_TYPE_INT32:
      return "int32";
    case IDAPI_TYPE_FLOAT:
      return "float";
    case IDAPI_TYPE_PACKED:
      return "packed";
    case IDAPI_TYPE_BYTES:
      return "bytes";
    case IDAPI_TYPE_TIME:
      return "time";
    case IDAPI_TYPE_TIMESTAMP:
      return "timestamp";
    case IDAPI_TYPE_UINT16:
      return "uint16";
    case IDAPI_TYPE_UINT32:
      return "uint32";
    default:
      return "raw";
  }
}

namespace {

// Binary and floating numbers, and packed and zoned decimals (also those the
// host delivers as text).
bool IsNumeric(const VdbField& field) {
  switch (field.type) {
    case IDAPI_TYPE_INT16:
    case IDAPI_TYPE_INT32:
    case IDAPI_TYPE_FLOAT:
    case IDAPI_TYPE_PACKED:
    case IDAPI_TYPE_UINT16:
    case IDAPI_TYPE_UINT32:
      return true;
    case IDAPI_TYPE_STRING:
      return (field.subtype & IDAPI_SUBTYPE_KIND_MASK) != 0;
    default:
      return false;
  }
}

// "A,B" as the values of a key's fields.
std::vector<std::string> KeyValues(const std::string& text) {
  std::vector<std::string> values;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, ',')) values.push_back(part);
  if (text.empty() || text.back() == ',') values.push_back("");
  return values;
}

std::vector<const char*> Pointers(const std::vector<std::string>& values) {
  std::vector<const char*> p;
  p.reserve(values.size());
  for (const auto& v : values) p.push_back(v.c_str());
  return p;
}

// Rows read so far, shown on a terminal during long scans.
class Progress {
 public:
  explicit Progress(std::FILE* err) : err_(err), shown_(platform::IsTerminal(err)) {
    start_ = std::chrono::steady_clock::now();
  }
  ~Progress() { Clear(); }
  // Takes the line of figures away, before a message or the table.
  void Clear() {
    if (shown_ && printed_) std::fputs("\r\033[K", err_);
    printed_ = false;
  }
  void Row(long rows) {
    if (!shown_ || rows % 5000 != 0) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::fprintf(err_, "\r%ld rows, %.0f rows/s", rows,
                 seconds > 0 ? static_cast<double>(rows) / seconds : 0.0);
    std::fflush(err_);
    printed_ = true;
  }

 private:
  std::FILE* err_;
  bool shown_;
  bool printed_ = false;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace

void Shell::AddTableCommands() {
  commands_["tables"] = {"tables", "list the tables of the open database",
                         [this](const Args& a) { return Tables(a); }};
  commands_["fields"] = {"fields TABLE", "list the fields of a table",
                         [this](const Args& a) { return Fields(a); }};
  commands_["indexes"] = {"indexes TABLE", "list the indexes of a table",
                          [this](const Args& a) { return Indexes(a); }};
  commands_["browse"] = {
      "browse TABLE [--index I] [--from KEY] [--to KEY] [--where FILTER] "
      "[--limit N] [--all]",
      "print the records of a table in key order (KEY: A or A,B for several "
      "key fields; --from and --to include their keys; FILTER: a condition "
      "such as \"CITY = 'PARIS' AND AMOUNT > 100\", selected on the host)",
      [this](const Args& a) { return Browse(a); }};
  commands_["seek"] = {"seek TABLE KEY [--index I] [--gt | --ge]",
                       "print the record with the key (or the first after it, or at or after it)",
                       [this](const Args& a) { return Seek(a); }};
  commands_["count"] = {"count TABLE [--where FILTER]",
                        "count the records of a table (or those the filter selects)",
                        [this](const Args& a) { return Count(a); }};
  commands_["insert"] = {"insert TABLE FIELD=VALUE...",
                         "add a record (fields not given are blank; FIELD= alone makes a field "
                         "null)",
                         [this](const Args& a) { return Insert(a); }};
  commands_["update"] = {"update TABLE KEY FIELD=VALUE... [--index I]",
                         "change fields of the record with the key",
                         [this](const Args& a) { return Update(a); }};
  commands_["delete"] = {"delete TABLE KEY [--index I]", "delete the record with the key",
                         [this](const Args& a) { return Delete(a); }};
}

VdbCursor* Shell::OpenCursor(const std::string& table, const std::string& index, bool readOnly) {
  if (!RequireDatabase()) return nullptr;
  VdbCursor* c = nullptr;
  const uint16_t s =
      VdbOpenTable(database_, table.c_str(), index.c_str(), readOnly ? VDB_READ_ONLY : 0, &c);
  if (s != IDAPI_OK) {
    Fail(s);
    return nullptr;
  }
  return c;
}

bool Shell::PrintRows(VdbCursor* c, uint16_t first, long limit, bool lookAhead) {
  uint16_t count = 0;
  VdbFieldCount(c, &count);
  std::vector<std::string> names;
  std::vector<VdbField> fields(count);
  for (uint16_t i = 0; i < count; ++i) {
    VdbFieldInfo(c, static_cast<uint16_t>(i + 1), &fields[i]);
    names.push_back(fields[i].name);
  }
  ResultTable table(names);
  for (uint16_t i = 0; i < count; ++i) {
    if (IsNumeric(fields[i])) table.SetNumeric(i);
  }
  Progress progress(options_.err);
  uint16_t status = first;
  long rows = 0;
  std::vector<char> text(65536);
  while (status == IDAPI_OK && (limit < 0 || rows < limit)) {
    if (platform::Interrupted()) {
      progress.Clear();
      return Interrupted();
    }
    std::vector<ResultTable::Value> row;
    for (uint16_t i = 0; i < count; ++i) {
      int16_t isNull = 0;
      if (uint16_t s = VdbGetFieldText(c, static_cast<uint16_t>(i + 1), text.data(),
                                       static_cast<uint32_t>(text.size()), &isNull);
          s != IDAPI_OK) {
        return Fail(s);
      }
      row.push_back(isNull != 0 ? ResultTable::Value() : ResultTable::Value(text.data()));
    }
    table.AddValues(std::move(row));
    progress.Row(++rows);
    if (!lookAhead && limit >= 0 && rows >= limit) break;
    status = VdbNext(c);
  }
  // Stopped at the limit with a record still to come.
  if (status == IDAPI_OK && lookAhead) table.SetMore(true);
  progress.Clear();
  if (status != IDAPI_OK && status != IDAPI_ERR_EOF) return Fail(status);
  Print(table);
  return true;
}

bool Shell::Tables(const Args& args) {
  if (!args.empty()) return Usage("tables", "takes no arguments");
  if (!RequireDatabase()) return false;
  VdbCursor* c = nullptr;
  if (uint16_t s = VdbOpenTableList(database_, &c); s != IDAPI_OK) return Fail(s);
  ResultTable t({"table", "type"});
  uint16_t s;
  char name[300], type[64];
  while ((s = VdbNext(c)) == IDAPI_OK) {
    VdbGetFieldText(c, 1, name, sizeof name, nullptr);
    VdbGetFieldText(c, 4, type, sizeof type, nullptr);
    t.Add({name, type});
  }
  VdbCloseCursor(c);
  if (s != IDAPI_ERR_EOF) return Fail(s);
  Print(t);
  return true;
}

bool Shell::Fields(const Args& args) {
  if (args.size() != 1) return Usage("fields", "wants one table");
  VdbCursor* c = OpenCursor(args[0], "", true);
  if (c == nullptr) return false;
  uint16_t count = 0;
  VdbFieldCount(c, &count);
  ResultTable t({"no", "field", "type", "length", "units", "decimals", "null"});
  for (size_t col : {0u, 3u, 4u, 5u}) t.SetNumeric(col);
  for (uint16_t i = 1; i <= count; ++i) {
    VdbField f;
    VdbFieldInfo(c, i, &f);
    t.Add({std::to_string(f.number), f.name, TypeName(f.type), std::to_string(f.length),
           std::to_string(f.units1), std::to_string(f.units2), f.nullable ? "yes" : ""});
  }
  VdbCloseCursor(c);
  Print(t);
  return true;
}

bool Shell::Indexes(const Args& args) {
  if (args.size() != 1) return Usage("indexes", "wants one table");
  if (!RequireDatabase()) return false;
  VdbCursor* c = nullptr;
  if (uint16_t s = VdbOpenIndexList(database_, args[0].c_str(), &c); s != IDAPI_OK) {
    return Fail(s);
  }
  // The table's fields name the key fields.
  VdbCursor* table = OpenCursor(args[0], "", true);
  if (table == nullptr) {
    VdbCloseCursor(c);
    return false;
  }
  ResultTable t({"index", "number", "unique", "descending", "key"});
  t.SetNumeric(1);
  uint16_t s;
  while ((s = VdbNext(c)) == IDAPI_OK) {
    void* row = nullptr;
    VdbRecordBuffer(c, &row, nullptr);
    const auto* d = static_cast<const uint8_t*>(row);
    std::string key;
    const uint16_t n = idapi_get_u16(d, IDAPI_IDX_KEY_FIELDS);
    for (uint16_t k = 0; k < n && k < IDAPI_IDX_MAX_KEY_FIELDS; ++k) {
      VdbField f;
      if (VdbFieldInfo(table, idapi_get_u16(d, IDAPI_IDX_FIELD_NUMBERS + 2u * k), &f) == IDAPI_OK) {
        key += (k ? ", " : "") + std::string(f.name);
      }
    }
    t.Add({reinterpret_cast<const char*>(d), std::to_string(idapi_get_u16(d, IDAPI_IDX_NUMBER)),
           idapi_get_u16(d, IDAPI_IDX_UNIQUE) ? "yes" : "",
           idapi_get_u16(d, IDAPI_IDX_DESCENDING) ? "yes" : "", key});
  }
  VdbCloseCursor(table);
  VdbCloseCursor(c);
  if (s != IDAPI_ERR_EOF) return Fail(s);
  Print(t);
  return true;
}

bool Shell::Browse(const Args& args) {
  CLI::App app("print the records of a table in key order", "browse");
  std::string table, index, from, to;
  long limit = 20;
  bool all = false;
  bool fromGiven = false, toGiven = false;
  app.add_option("table", table, "the table")->required();
  app.add_option("--index", index, "an index name or @FIELD@FIELD");
  auto* f = app.add_option("--from", from, "the first key (A or A,B)");
  auto* t = app.add_option("--to", to, "the last key");
  std::string where;
  app.add_option("--where", where, "a filter the host selects the records with");
  app.add_option("--limit", limit, "at most this many records (default 20)");
  app.add_flag("--all", all, "every record");
  bool help = false;
  if (!ParseOptions(app, args, options_.out, ErrorStream(), &help)) return help;
  fromGiven = f->count() > 0;
  toGiven = t->count() > 0;
  if (where.empty()) where = FilterOf(table);
  VdbCursor* c = OpenCursor(table, index, true);
  if (c == nullptr) return false;
  if (!where.empty()) {
    if (uint16_t s = VdbSetFilter(c, where.c_str(), nullptr); s != IDAPI_OK) {
      VdbCloseCursor(c);
      return Fail(s);
    }
  }
  if (fromGiven || toGiven) {
    const std::vector<std::string> low = KeyValues(from), high = KeyValues(to);
    const std::vector<const char*> lowP = Pointers(low), highP = Pointers(high);
    if (fromGiven && toGiven && low.size() != high.size()) {
      VdbCloseCursor(c);
      return Usage("browse", "--from and --to want as many key fields");
    }
    const uint16_t n = static_cast<uint16_t>(fromGiven ? low.size() : high.size());
    if (uint16_t s = VdbSetRange(c, n, fromGiven ? lowP.data() : nullptr, 1,
                                 toGiven ? highP.data() : nullptr, 1);
        s != IDAPI_OK) {
      VdbCloseCursor(c);
      return Fail(s);
    }
  }
  const bool ok = PrintRows(c, VdbFirst(c), all ? -1 : limit);
  VdbCloseCursor(c);
  return ok;
}

bool Shell::Seek(const Args& args) {
  CLI::App app("print the record with a key", "seek");
  std::string table, key, index;
  bool gt = false, ge = false;
  app.add_option("table", table, "the table")->required();
  app.add_option("key", key, "the key (A or A,B)")->required();
  app.add_option("--index", index, "an index name or @FIELD@FIELD");
  auto* gtFlag = app.add_flag("--gt", gt, "the first record after the key");
  app.add_flag("--ge", ge, "the first record at or after the key")->excludes(gtFlag);
  bool help = false;
  if (!ParseOptions(app, args, options_.out, ErrorStream(), &help)) return help;
  VdbCursor* c = OpenCursor(table, index, true);
  if (c == nullptr) return false;
  const std::vector<std::string> values = KeyValues(key);
  const std::vector<const char*> p = Pointers(values);
  const uint16_t s = VdbSeek(c,
                             gt   ? VDB_SEEK_GT
                             : ge ? VDB_SEEK_GE
                                  : VDB_SEEK_EQ,
                             p.data(), static_cast<uint16_t>(p.size()));
  const bool ok = s == IDAPI_OK ? PrintRows(c, IDAPI_OK, 1, false) : Fail(s);
  VdbCloseCursor(c);
  return ok;
}

bool Shell::Count(const Args& args) {
  CLI::App app("count the records of a table", "count");
  std::string table, where;
  app.add_option("table", table, "the table")->required();
  app.add_option("--where", where, "count only the records this filter selects");
  bool help = false;
  if (!ParseOptions(app, args, options_.out, ErrorStream(), &help)) return help;
  if (where.empty()) where = FilterOf(table);
  VdbCursor* c = OpenCursor(table, "", true);
  if (c == nullptr) return false;
  int32_t count = 0;
  uint16_t s;
  if (where.empty()) {
    s = VdbRecordCount(c, &count);
  } else {
    // The file's count knows nothing of the selection: the records are read.
    s = VdbSetFilter(c, where.c_str(), nullptr);
    Progress progress(options_.err);
    while (s == IDAPI_OK && (s = VdbNext(c)) == IDAPI_OK) {
      if (platform::Interrupted()) {
        progress.Clear();
        VdbCloseCursor(c);
        return Interrupted();
      }
      progress.Row(++count);
    }
    if (s == IDAPI_ERR_EOF) s = IDAPI_OK;
  }
  VdbCloseCursor(c);
  if (s != IDAPI_OK) return Fail(s);
  ResultTable t({"table", "records"});
  t.SetNumeric(1);
  t.Add({table, std::to_string(count)});
  Print(t);
  return true;
}

namespace {

struct Assignment {
  std::string field;
  std::string value;
  bool null = false;
};

bool ReadAssignments(const std::vector<std::string>& words, std::vector<Assignment>* out,
                     std::string* problem) {
  for (const std::string& w : words) {
    const size_t eq = w.find('=');
    if (eq == std::string::npos || eq == 0) {
      *problem = "'" + w + "' is not FIELD=VALUE";
      return false;
    }
    Assignment a{w.substr(0, eq), w.substr(eq + 1), eq + 1 == w.size()};
    out->push_back(std::move(a));
  }
  return true;
}

}  // namespace

bool Shell::Insert(const Args& args) {
  if (args.size() < 2) return Usage("insert", "wants a table and FIELD=VALUE pairs");
  std::vector<Assignment> values;
  std::string problem;
  if (!ReadAssignments(Args(args.begin() + 1, args.end()), &values, &problem)) {
    return Usage("insert", problem);
  }
  VdbCursor* c = OpenCursor(args[0], "", false);
  if (c == nullptr) return false;
  uint16_t s = VdbInitRecord(c);
  for (const Assignment& a : values) {
    uint16_t n = 0;
    if (s == IDAPI_OK) s = VdbFieldNumber(c, a.field.c_str(), &n);
    if (s == IDAPI_OK) s = VdbPutFieldText(c, n, a.null ? nullptr : a.value.c_str());
  }
  if (s == IDAPI_OK) s = VdbInsert(c);
  VdbCloseCursor(c);
  if (s != IDAPI_OK) return Fail(s);
  Note("1 record inserted\n");
  return true;
}

bool Shell::Update(const Args& args) {
  CLI::App app("change fields of a record", "update");
  std::string table, key, index;
  std::vector<std::string> pairs;
  app.add_option("table", table, "the table")->required();
  app.add_option("key", key, "the key (A or A,B)")->required();
  app.add_option("values", pairs, "FIELD=VALUE (FIELD= makes it null)")->required();
  app.add_option("--index", index, "an index name or @FIELD@FIELD");
  bool help = false;
  if (!ParseOptions(app, args, options_.out, ErrorStream(), &help)) return help;
  std::vector<Assignment> values;
  std::string problem;
  if (!ReadAssignments(pairs, &values, &problem)) return Usage("update", problem);
  VdbCursor* c = OpenCursor(table, index, false);
  if (c == nullptr) return false;
  const std::vector<std::string> k = KeyValues(key);
  const std::vector<const char*> p = Pointers(k);
  uint16_t s = VdbSeek(c, VDB_SEEK_EQ, p.data(), static_cast<uint16_t>(p.size()));
  for (const Assignment& a : values) {
    uint16_t n = 0;
    if (s == IDAPI_OK) s = VdbFieldNumber(c, a.field.c_str(), &n);
    if (s == IDAPI_OK) s = VdbPutFieldText(c, n, a.null ? nullptr : a.value.c_str());
  }
  if (s == IDAPI_OK) s = VdbModify(c);
  VdbCloseCursor(c);
  if (s != IDAPI_OK) return Fail(s);
  Note("1 record updated\n");
  return true;
}

bool Shell::Delete(const Args& args) {
  CLI::App app("delete a record", "delete");
  std::string table, key, index;
  app.add_option("table", table, "the table")->required();
  app.add_option("key", key, "the key (A or A,B)")->required();
  app.add_option("--index", index, "an index name or @FIELD@FIELD");
  bool help = false;
  if (!ParseOptions(app, args, options_.out, ErrorStream(), &help)) return help;
  VdbCursor* c = OpenCursor(table, index, false);
  if (c == nullptr) return false;
  const std::vector<std::string> k = KeyValues(key);
  const std::vector<const char*> p = Pointers(k);
  uint16_t s = VdbSeek(c, VDB_SEEK_EQ, p.data(), static_cast<uint16_t>(p.size()));
  if (s == IDAPI_OK) s = VdbDelete(c);
  VdbCloseCursor(c);
  if (s != IDAPI_OK) return Fail(s);
  Note("1 record deleted\n");
  return true;
}

}  // namespace vantora::db

namespace vantora::db {

const std::vector<std::string>& Shell::TableNames() {
  if (tableNamesRead_ || database_ == nullptr) return tableNames_;
  tableNamesRead_ = true;
  tableNames_.clear();
  VdbCursor* c = nullptr;
  if (VdbOpenTableList(database_, &c) != IDAPI_OK) return tableNames_;
  char name[300];
  while (VdbNext(c) == IDAPI_OK) {
    if (VdbGetFieldText(c, 1, name, sizeof name, nullptr) == IDAPI_OK) tableNames_.push_back(name);
  }
  VdbCloseCursor(c);
  VdbClearError();
  return tableNames_;
}

const std::vector<std::string>& Shell::FieldNames(const std::string& table) {
  std::string key = table;
  for (char& ch : key) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  auto [it, added] = fieldNames_.try_emplace(key);
  if (!added || database_ == nullptr) return it->second;
  VdbCursor* c = nullptr;
  if (VdbOpenTable(database_, table.c_str(), "", VDB_READ_ONLY, &c) == IDAPI_OK) {
    uint16_t count = 0;
    VdbFieldCount(c, &count);
    for (uint16_t i = 1; i <= count; ++i) {
      VdbField f;
      if (VdbFieldInfo(c, i, &f) == IDAPI_OK) it->second.push_back(f.name);
    }
    VdbCloseCursor(c);
  }
  VdbClearError();
  return it->second;
}

}  // namespace vantora::db
