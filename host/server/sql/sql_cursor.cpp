#include "host/server/sql/sql_cursor.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

#include "host/server/sql/sql_statement.h"
#include "host/server/sql/sql_tokens.h"

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

// Whether every field called `name` in the statement's files keeps its
// values in a text column (character, date and time fields): such a column
// holds only texts, blobs and nulls.
bool OnlyTextFieldsNamed(const std::vector<FileDescription>& files, const std::string& name) {
  for (const auto& file : files) {
    for (const auto& format : file.formats) {
      const int i = format.FieldIndex(name);
      if (i < 0) continue;
      const FieldType type = format.fields[static_cast<size_t>(i)].type;
      if (!IsCharacter(type) && !IsDateTime(type)) return false;
    }
  }
  return true;
}

// Whether the query combines selects (UNION, INTERSECT, EXCEPT): a column
// then takes its declared type from the first select only, and its values
// from any.
bool IsCompound(const std::string& sqliteText) {
  std::vector<Token> tokens;
  if (!Tokenize(sqliteText, &tokens).ok()) return true;
  for (const Token& t : tokens) {
    if (t.Is("UNION") || t.Is("INTERSECT") || t.Is("EXCEPT")) return true;
  }
  return false;
}

// What the values of an expression column were, for its form.
struct ColumnValues {
  bool allInt32 = true;
  bool anyNumber = false;
  bool anyText = false;
  size_t longest = 1;

  void Add(const SqlStatement& stmt, int column) {
    switch (stmt.ColumnKind(column)) {
      case SqlColumnKind::kInteger: {
        const int64_t v = stmt.ColumnInteger(column);
        anyNumber = true;
        allInt32 = allInt32 && v >= std::numeric_limits<int32_t>::min() &&
                   v <= std::numeric_limits<int32_t>::max();
        longest = std::max(longest, stmt.ColumnText(column).size());  // when texts join it
        break;
      }
      case SqlColumnKind::kReal:
        anyNumber = true;
        allInt32 = false;
        longest = std::max(longest, stmt.ColumnText(column).size());
        break;
      case SqlColumnKind::kNull:
        break;
      default:
        anyText = true;
        longest = std::max(longest, stmt.ColumnText(column).size());
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

// How a column's values are read for its form. A field's column holds
// what the field does; one that can hold only texts, blobs and nulls is read
// as text at once (its kind asked only when no bytes come: a null or an
// empty blob). An expression column takes every value in the form its
// values chose: an integer as a real in a DOUBLE column, a number as its
// text in a CHAR one.
enum class ColumnRead : uint8_t { kAsStored, kTextColumn, kAsReal, kAsText };

ColumnRead ReadFor(const FieldDef& expression) {
  if (expression.type == FieldType::kDouble) return ColumnRead::kAsReal;
  if (expression.type == FieldType::kChar) return ColumnRead::kAsText;
  return ColumnRead::kAsStored;
}

// A text's view; never a null pointer (an empty blob gives none), since the
// bytes are copied.
ValueView TextView(std::string_view text) {
  return ValueView::Text(text.data() != nullptr ? text : std::string_view(""));
}

// The current row's column `i` in place: valid until the next step. Stored
// values keep the kinds a Record read from the row would hold (blobs as
// texts).
ValueView ColumnView(const SqlStatement& stmt, int i, ColumnRead read) {
  if (read == ColumnRead::kTextColumn) {
    const std::string_view text = stmt.ColumnText(i);
    if (text.data() != nullptr) return ValueView::Text(text);
    return stmt.ColumnKind(i) == SqlColumnKind::kNull ? ValueView() : TextView({});
  }
  switch (stmt.ColumnKind(i)) {
    case SqlColumnKind::kNull:
      return ValueView();
    case SqlColumnKind::kInteger:
      if (read == ColumnRead::kAsReal) {
        return ValueView::Real(static_cast<double>(stmt.ColumnInteger(i)));
      }
      if (read == ColumnRead::kAsText) return TextView(stmt.ColumnText(i));
      return ValueView::Integer(stmt.ColumnInteger(i));
    case SqlColumnKind::kReal:
      if (read == ColumnRead::kAsText) return TextView(stmt.ColumnText(i));
      return ValueView::Real(stmt.ColumnReal(i));
    default:
      return TextView(stmt.ColumnText(i));
  }
}

SqlError Bind(SqlStatement& stmt, const std::vector<Value>& parameters) {
  if (static_cast<size_t>(stmt.ParameterCount()) != parameters.size()) {
    return {-313, "07001", ""};
  }
  for (size_t i = 0; i < parameters.size(); ++i) {
    const Value& v = parameters[i];
    const int at = static_cast<int>(i + 1);
    switch (v.kind()) {
      case Value::Kind::kInteger:
        stmt.BindInteger(at, v.integer());
        break;
      case Value::Kind::kReal:
        stmt.BindReal(at, v.real());
        break;
      case Value::Kind::kText:
        stmt.BindText(at, v.text());
        break;
      case Value::Kind::kNull:
        stmt.BindNull(at);
        break;
    }
  }
  return SqlOk();
}

}  // namespace

SqlError CheckQuery(Storage& storage, const std::string& sqliteText) {
  SqlError outcome;
  Status s = storage.RunLocked([&](SqlConnection& db) {
    StatementGuard guard(db);
    SqlStatement stmt;
    if (!db.Prepare(sqliteText, &stmt) && !db.FoundNoStatement()) {
      outcome = LastSqlError(db);
    }
    return Status::Ok();
  });
  if (!s.ok()) return FromStatus(s);
  return outcome;
}

bool CursorResult::Append(const uint8_t* image) {
  uint8_t* room = AppendRow();
  if (room != nullptr) std::copy_n(image, rowLength(), room);
  return room != nullptr;
}

uint8_t* CursorResult::AppendRow() {
  const size_t length = rowLength();
  if (bytes_ + length > kMaxResultBytes) return nullptr;
  if (bytes_ + length > capacity_) {
    constexpr size_t kFirstRoom = 16u << 10;
    const size_t grown =
        std::min(kMaxResultBytes, std::max({bytes_ + length, 2 * capacity_, kFirstRoom}));
    auto* moved = static_cast<uint8_t*>(std::realloc(images_.get(), grown));
    if (moved == nullptr) return nullptr;  // the old block stays, and is freed with the result
    static_cast<void>(images_.release());
    images_.reset(moved);
    capacity_ = grown;
  }
  uint8_t* room = images_.get() + bytes_;
  bytes_ += length;
  ++count_;
  return room;
}

void CursorResult::DropLastRow() {
  bytes_ -= rowLength();
  --count_;
}

void CursorResult::Erase(size_t i) {
  const size_t length = rowLength();
  uint8_t* at = images_.get() + i * length;
  std::memmove(at, at + length, bytes_ - (i + 1) * length);
  bytes_ -= length;
  --count_;
}

void CursorResult::Replace(size_t i, const uint8_t* image) {
  std::memcpy(images_.get() + i * rowLength(), image, rowLength());
}

SqlError RunQuery(Storage& storage, const Query& query, CursorResult* out, BlockedRecord* blocked) {
  out->recordNumbers.clear();
  out->next = 0;
  out->gap = false;
  *blocked = BlockedRecord{};
  const std::string& sqliteText = query.sql;
  const bool recordNumbers = query.recordNumbers;
  SqlError outcome;
  Status s = storage.RunLocked([&](SqlConnection& db) {
    for (int64_t file : query.committedOnly) {
      int64_t rrn = 0;
      if (Status u = storage.journal().UncommittedByOtherLocked(file, query.job, &rrn); !u.ok()) {
        outcome = FromStatus(u);
        return Status::Ok();
      }
      if (rrn != 0) {
        *blocked = {file, rrn};
        outcome = SqlResourceBusy();
        return Status::Ok();
      }
    }
    StatementGuard guard(db);
    SqlStatement stmt;
    if (!db.Prepare(sqliteText, &stmt)) {
      outcome = LastSqlError(db);
      return Status::Ok();
    }
    outcome = Bind(stmt, query.parameters);
    const int count = stmt.ColumnCount() - (recordNumbers ? 1 : 0);
    // The columns' forms: fields as they are, expressions from their values.
    RecordFormat format;
    format.name = std::string(kResultFormat);
    std::vector<int> expressions;
    const bool compound = IsCompound(sqliteText);
    std::vector<ColumnRead> reads(static_cast<size_t>(std::max(count, 0)), ColumnRead::kAsStored);
    for (int i = 0; i < count && outcome.ok(); ++i) {
      const std::string name(stmt.ColumnName(i));
      // Only a direct column reference has a declared type.
      std::optional<FieldDef> field;
      if (stmt.ColumnIsDeclared(i)) field = FieldNamed(query.files, name);
      if (!field) expressions.push_back(i);
      if (field && (IsCharacter(field->type) || IsDateTime(field->type)) && !compound &&
          OnlyTextFieldsNamed(query.files, name)) {
        reads[static_cast<size_t>(i)] = ColumnRead::kTextColumn;
      }
      format.fields.push_back(field.value_or(FieldDef{}));
      format.fields.back().name = name.substr(0, 30);
    }
    if (outcome.ok() && !expressions.empty()) {
      std::vector<ColumnValues> values(expressions.size());
      SqlStep step;
      while ((step = stmt.Step()) == SqlStep::kRow) {
        for (size_t k = 0; k < expressions.size(); ++k) values[k].Add(stmt, expressions[k]);
      }
      if (step != SqlStep::kDone) outcome = LastSqlError(db);
      stmt.Reset();
      for (size_t k = 0; k < expressions.size(); ++k) {
        const auto i = static_cast<size_t>(expressions[k]);
        std::string name = format.fields[i].name;
        format.fields[i] = values[k].Field();
        format.fields[i].name = std::move(name);
        reads[i] = ReadFor(format.fields[i]);
      }
    }
    if (outcome.ok()) {
      if (Status b = RecordCodec::Build(format, query.options, &out->codec); !b.ok()) {
        outcome = SqlSystemError(b.ToString().substr(0, 70));
      }
    }
    // Each row goes from the statement's columns straight into its room in
    // the result: no Value or Record per row, nothing allocated but the
    // result's own growth.
    std::vector<ValueView> row(static_cast<size_t>(count));
    std::vector<uint8_t> spare;  // the image of a row past the size limit
    SqlStep step = SqlStep::kDone;
    while (outcome.ok() && (step = stmt.Step()) == SqlStep::kRow) {
      for (int i = 0; i < count; ++i)
        row[static_cast<size_t>(i)] = ColumnView(stmt, i, reads[static_cast<size_t>(i)]);
      uint8_t* room = out->AppendRow();
      const bool pastLimit = room == nullptr;
      if (pastLimit) {
        // Still encoded: a value that does not fit answers before the limit.
        spare.resize(out->rowLength());
        room = spare.data();
      }
      if (!out->codec.EncodeViews(row, room).ok()) {
        if (!pastLimit) out->DropLastRow();
        outcome = {-802, "22003", ""};  // a value that does not fit its form
      } else if (pastLimit) {
        outcome = {-904, "57011", "RESULT"};
      } else if (recordNumbers) {
        out->recordNumbers.push_back(stmt.ColumnInteger(count));
      }
    }
    if (outcome.ok() && step == SqlStep::kFailed) outcome = LastSqlError(db);
    return Status::Ok();
  });
  if (!s.ok()) return FromStatus(s);
  return outcome;
}

}  // namespace vantora::host::sql
