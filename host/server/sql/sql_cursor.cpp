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

// What the values of an expression column were, for its form.
struct ColumnValues {
  bool allInt32 = true;
  bool anyNumber = false;
  bool anyText = false;
  size_t longest = 1;

  void Add(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
      case SQLITE_INTEGER: {
        const int64_t v = sqlite3_column_int64(stmt, column);
        anyNumber = true;
        allInt32 = allInt32 && v >= std::numeric_limits<int32_t>::min() &&
                   v <= std::numeric_limits<int32_t>::max();
        break;
      }
      case SQLITE_FLOAT:
        anyNumber = true;
        allInt32 = false;
        break;
      case SQLITE_NULL:
        break;
      default:
        anyText = true;
        longest = std::max(longest, static_cast<size_t>(sqlite3_column_bytes(stmt, column)));
    }
  }

  FieldDef Field() const {
    FieldDef def;
    if (anyText || !anyNumber) {
      def.type = FieldType::kChar;
      def.length = static_cast<int>(std::min<size_t>(longest, kMaxCharLength));
    } else if (allInt32) {
      def.type = FieldType::kBin4;
      def.digits = 9;
    } else {
      def.type = FieldType::kDouble;
    }
    def.nullCapable = true;
    return def;
  }
};

Value ColumnValue(sqlite3_stmt* stmt, int i) {
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
      return Value::Integer(sqlite3_column_int64(stmt, i));
    case SQLITE_FLOAT:
      return Value::Real(sqlite3_column_double(stmt, i));
    case SQLITE_NULL:
      return Value();
    default: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      const int n = sqlite3_column_bytes(stmt, i);
      return Value::Text(std::string_view(text != nullptr ? text : "", static_cast<size_t>(n)));
    }
  }
}

SqlError Bind(sqlite3_stmt* stmt, const std::vector<Value>& parameters) {
  if (static_cast<size_t>(sqlite3_bind_parameter_count(stmt)) != parameters.size()) {
    return {-313, "07001", ""};
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
  return SqlOk();
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

bool CursorResult::Append(const uint8_t* image) {
  if (images_.size() + rowLength() > kMaxResultBytes) return false;
  images_.insert(images_.end(), image, image + rowLength());
  ++count_;
  return true;
}

void CursorResult::Erase(size_t i) {
  const auto at = images_.begin() + static_cast<std::ptrdiff_t>(i * rowLength());
  images_.erase(at, at + static_cast<std::ptrdiff_t>(rowLength()));
  --count_;
}

void CursorResult::Replace(size_t i, const uint8_t* image) {
  std::copy_n(image, rowLength(), images_.begin() + static_cast<std::ptrdiff_t>(i * rowLength()));
}

SqlError RunQuery(Storage& storage, const Query& query, CursorResult* out, BlockedRecord* blocked) {
  out->recordNumbers.clear();
  out->next = 0;
  out->gap = false;
  *blocked = BlockedRecord{};
  const std::string& sqliteText = query.sql;
  const bool recordNumbers = query.recordNumbers;
  SqlError outcome;
  Status s = storage.RunLocked([&](sqlite3* db) {
    for (int64_t file : query.committedOnly) {
      if (int64_t rrn = storage.journal().UncommittedByOtherLocked(file, query.job); rrn != 0) {
        *blocked = {file, rrn};
        outcome = SqlResourceBusy();
        return Status::Ok();
      }
    }
    StatementGuard guard(db);
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sqliteText.c_str(), static_cast<int>(sqliteText.size()), &stmt,
                                nullptr);
    if (rc != SQLITE_OK || stmt == nullptr) {
      outcome = rc != SQLITE_OK ? FromSqlite(db, rc) : SqlSyntax("");
      sqlite3_finalize(stmt);
      return Status::Ok();
    }
    outcome = Bind(stmt, query.parameters);
    const int count = sqlite3_column_count(stmt) - (recordNumbers ? 1 : 0);
    // The columns' forms: fields as they are, expressions from their values.
    RecordFormat format;
    format.name = std::string(kResultFormat);
    std::vector<int> expressions;
    for (int i = 0; i < count && outcome.ok(); ++i) {
      const char* name = sqlite3_column_name(stmt, i);
      // Only a direct column reference has a declared type.
      std::optional<FieldDef> field;
      if (sqlite3_column_decltype(stmt, i) != nullptr) field = FieldNamed(query.files, name);
      if (!field) expressions.push_back(i);
      format.fields.push_back(field.value_or(FieldDef{}));
      format.fields.back().name = std::string(name != nullptr ? name : "").substr(0, 30);
    }
    if (outcome.ok() && !expressions.empty()) {
      std::vector<ColumnValues> values(expressions.size());
      while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (size_t k = 0; k < expressions.size(); ++k) values[k].Add(stmt, expressions[k]);
      }
      if (rc != SQLITE_DONE) outcome = FromSqlite(db, rc);
      sqlite3_reset(stmt);
      for (size_t k = 0; k < expressions.size(); ++k) {
        std::string name = format.fields[static_cast<size_t>(expressions[k])].name;
        format.fields[static_cast<size_t>(expressions[k])] = values[k].Field();
        format.fields[static_cast<size_t>(expressions[k])].name = std::move(name);
      }
    }
    if (outcome.ok()) {
      if (Status b = RecordCodec::Build(format, query.options, &out->codec); !b.ok()) {
        outcome = SqlSystemError(b.ToString().substr(0, 70));
      }
    }
    Record row(static_cast<size_t>(count));
    std::vector<uint8_t> image(out->rowLength());
    while (outcome.ok() && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      for (int i = 0; i < count; ++i) row[static_cast<size_t>(i)] = ColumnValue(stmt, i);
      if (!out->codec.Encode(row, image.data()).ok()) {
        outcome = {-802, "22003", ""};  // a value that does not fit its form
      } else if (!out->Append(image.data())) {
        outcome = {-904, "57011", "RESULT"};
      } else if (recordNumbers) {
        out->recordNumbers.push_back(sqlite3_column_int64(stmt, count));
      }
    }
    if (outcome.ok() && rc != SQLITE_DONE) outcome = FromSqlite(db, rc);
    sqlite3_finalize(stmt);
    return Status::Ok();
  });
  if (!s.ok()) return SqlSystemError(s.ToString().substr(0, 70));
  return outcome;
}

}  // namespace vantora::host::sql
