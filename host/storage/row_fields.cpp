// Fields read straight from the current row of a statement, with the kinds
// ColumnValue gives them.
#include "host/storage/row_fields.h"

#include <sqlite3.h>

#include <string_view>

namespace vantora::host {

bool RowFields::IsNull(size_t field) const {
  return sqlite3_column_type(row_, first_ + static_cast<int>(field)) == SQLITE_NULL;
}

ValueView RowFields::Field(size_t field) const {
  const int column = first_ + static_cast<int>(field);
  if (field < 64 && (textColumns_ >> field & 1) != 0) {
    // A text or a blob: read as text, as ColumnValue reads both. No pointer
    // means null, an empty blob or no memory: the type below says which.
    if (auto p = reinterpret_cast<const char*>(sqlite3_column_text(row_, column))) {
      return ValueView::Text(
          std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(row_, column))));
    }
  }
  switch (sqlite3_column_type(row_, column)) {
    case SQLITE_NULL:
      return ValueView();
    case SQLITE_INTEGER:
      return ValueView::Integer(sqlite3_column_int64(row_, column));
    case SQLITE_FLOAT:
      return ValueView::Real(sqlite3_column_double(row_, column));
    default: {
      // Text first, then its length: the order SQLite asks for.
      auto p = reinterpret_cast<const char*>(sqlite3_column_text(row_, column));
      auto n = static_cast<size_t>(sqlite3_column_bytes(row_, column));
      return ValueView::Text(p ? std::string_view(p, n) : std::string_view(""));
    }
  }
}

}  // namespace vantora::host
