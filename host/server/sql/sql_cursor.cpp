#include "host/server/sql/sql_cursor.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "host/server/sql/sql_statement.h"

namespace vantora::host::sql {
namespace {

// The field of the statement's files that a direct column reference names.
std::optional<FieldDef> FieldNamed(const std::vector<FileDescription>& files,
                                   const std::string& name) {
  for (const auto& file : files) {
    for (const auto& format : file.formats) {
      const int i = format.FieldIndex(name);
      if (i >= 0) return format.fields[static_cast<size_t>(i)];
    }
  }
  return std::nullopt;
}

// The form of an expression column, from the values it took.
FieldDef ExpressionField(const std::vector<Record>& rows, size_t column) {
  bool allInt32 = true;
  bool anyNumber = false;
  size_t longest = 1;
  bool anyText = false;
  for (const auto& row : rows) {
    const Value& v = row[column];
    if (v.isNull()) continue;
    if (v.kind() == Value::Kind::kInteger) {
      anyNumber = true;
      allInt32 = allInt32 && v.integer() >= std::numeric_limits<int32_t>::min() &&
                 v.integer() <= std::numeric_limits<int32_t>::max();
    } else if (v.kind() == Value::Kind::kReal) {
      anyNumber = true;
      allInt32 = false;
    } else {
      anyText = true;
      longest = std::max(longest, v.text().size());
    }
  }
  FieldDef def;
  if (anyText || !anyNumber) {
    def.type = FieldType::kChar;
    def.length = static_cast<int>(std::min<size_t>(longest, 32766));
  } else if (allInt32) {
    def.type = FieldType::kBin4;
    def.digits = 9;
  } else {
    def.type = FieldType::kDouble;
  }
  def.nullCapable = true;
  return def;
}

}  // namespace

SqlError CheckQuery(Storage& storage, const std::string& sqliteText) {
  SqlError outcome;
  Status s = storage.RunLocked([&](sqlite3* db) {
    StatementGuard guard(db);
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db, sqliteText.c_str(), static_cast<int>(sqliteText.size()),
                                      &stmt, nullptr);
    if (rc != SQLITE_OK) outcome = FromSqlite(db, rc);
    sqlite3_finalize(stmt);
    return Status::Ok();
  });
  if (!s.ok()) return SqlSystemError(s.ToString().substr(0, 70));
  return outcome;
}

SqlError RunQuery(Storage& storage, const std::string& sqliteText,
                  const std::vector<Value>& parameters, const std::vector<FileDescription>& files,
                  const CodecOptions& options, bool recordNumbers, CursorResult* out) {
  *out = CursorResult{};
  SqlError outcome;
  std::vector<std::optional<FieldDef>> columns;
  std::vector<std::string> names;
  Status s = storage.RunLocked([&](sqlite3* db) {
    StatementGuard guard(db);
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db, sqliteText.c_str(), static_cast<int>(sqliteText.size()), &stmt,
                                &tail);
    if (rc != SQLITE_OK || stmt == nullptr) {
      outcome = rc != SQLITE_OK ? FromSqlite(db, rc) : SqlSyntax("");
      sqlite3_finalize(stmt);
      return Status::Ok();
    }
    if (static_cast<size_t>(sqlite3_bind_parameter_count(stmt)) != parameters.size()) {
      outcome = {-313, "07001", ""};
      sqlite3_finalize(stmt);
      return Status::Ok();
    }
    for (size_t i = 0; i < parameters.size(); ++i) {
      const Value& v = parameters[i];
      const int at = static_cast<int>(i + 1);
      switch (v.kind()) {
        case Value::Kind::kInteger:
          sqlite3_bind_int64(stmt, at, v.integer());
          break;
        case Value::Kind::kReal:
          sqlite3_bind_double(stmt, at, v.real());
          break;
        case Value::Kind::kText:
          sqlite3_bind_text(stmt, at, v.text().data(), static_cast<int>(v.text().size()),
                            SQLITE_TRANSIENT);
          break;
        case Value::Kind::kNull:
          sqlite3_bind_null(stmt, at);
          break;
      }
    }
    const int count = sqlite3_column_count(stmt) - (recordNumbers ? 1 : 0);
    for (int i = 0; i < count; ++i) {
      const char* name = sqlite3_column_name(stmt, i);
      names.emplace_back(name != nullptr ? name : "");
      // Only a direct column reference has a declared type.
      columns.push_back(sqlite3_column_decltype(stmt, i) != nullptr
                            ? FieldNamed(files, names.back())
                            : std::nullopt);
    }
    size_t bytes = 0;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      Record row(static_cast<size_t>(count));
      for (int i = 0; i < count; ++i) {
        switch (sqlite3_column_type(stmt, i)) {
          case SQLITE_INTEGER:
            row[static_cast<size_t>(i)] = Value::Integer(sqlite3_column_int64(stmt, i));
            break;
          case SQLITE_FLOAT:
            row[static_cast<size_t>(i)] = Value::Real(sqlite3_column_double(stmt, i));
            break;
          case SQLITE_NULL:
            break;
          default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            const int n = sqlite3_column_bytes(stmt, i);
            row[static_cast<size_t>(i)] =
                Value::Text(std::string_view(text != nullptr ? text : "", static_cast<size_t>(n)));
            bytes += static_cast<size_t>(n);
          }
        }
      }
      if (recordNumbers) out->recordNumbers.push_back(sqlite3_column_int64(stmt, count));
      bytes += 16 * static_cast<size_t>(count);
      if (bytes > kMaxResultBytes) {
        outcome = {-904, "57011", "RESULT"};
        break;
      }
      out->rows.push_back(std::move(row));
    }
    if (outcome.ok() && rc != SQLITE_DONE) outcome = FromSqlite(db, rc);
    sqlite3_finalize(stmt);
    return Status::Ok();
  });
  if (!s.ok()) return SqlSystemError(s.ToString().substr(0, 70));
  if (!outcome.ok()) return outcome;
  RecordFormat format;
  format.name = std::string(kResultFormat);
  for (size_t i = 0; i < columns.size(); ++i) {
    FieldDef def = columns[i].has_value() ? *columns[i] : ExpressionField(out->rows, i);
    def.name = names[i].substr(0, 30);
    format.fields.push_back(def);
  }
  if (Status b = RecordCodec::Build(format, options, &out->codec); !b.ok()) {
    return SqlSystemError(b.ToString().substr(0, 70));
  }
  return SqlOk();
}

}  // namespace vantora::host::sql
