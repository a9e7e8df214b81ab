// The rows a statement gives: an engine cursor read forward (a SELECT with a
// forward-only cursor), or rows held in memory (catalogue functions, type
// information, and a SELECT with a static cursor, read whole when executed:
// a snapshot that scrolls).
#ifndef VANTORA_ODBC_RESULT_SET_H_
#define VANTORA_ODBC_RESULT_SET_H_

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <string>
#include <vector>

#include "idapi_app.h"
#include "odbc/values.h"

namespace vantora::odbc {

struct Diagnostics;

struct Column {
  std::string name;
  SQLSMALLINT sqlType = SQL_VARCHAR;
  SQLULEN size = 0;  // column size: characters, digits, or the text length of a date/time
  SQLSMALLINT decimals = 0;
  SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
  std::string table;
  std::string schema;
  bool isSigned = false;
};

// Describes a column of an engine type (VdbField) as ODBC sees it.
Column ColumnOf(const VdbField& f);
// The octet length and display size of a column.
SQLLEN OctetLength(const Column& c);
SQLLEN DisplaySize(const Column& c);
// The SQL type's name as SQLGetTypeInfo and SQLColumns give it.
const char* TypeName(SQLSMALLINT sqlType);

class ResultSet {
 public:
  virtual ~ResultSet() = default;
  const std::vector<Column>& columns() const { return columns_; }
  // The next row: SQL_SUCCESS, SQL_NO_DATA, or SQL_ERROR (in `diag`).
  virtual SQLRETURN Next(Diagnostics& diag) = 0;
  // Rows held in memory scroll: the row at `position` (0-based) becomes the
  // current one; false when there is none.
  virtual bool Scrollable() const { return false; }
  virtual bool MoveTo(long /*position*/) { return false; }
  virtual long Position() const = 0;  // of the current row, -1 before the first
  virtual long Size() const { return -1; }
  // A column of the current row (from 1).
  virtual SQLRETURN Get(int column, Value* value, Diagnostics& diag) = 0;

 protected:
  std::vector<Column> columns_;
};

class TableResult : public ResultSet {
 public:
  explicit TableResult(std::vector<Column> columns) { columns_ = std::move(columns); }
  void Add(std::vector<Value> row) { rows_.push_back(std::move(row)); }
  SQLRETURN Next(Diagnostics& diag) override;
  bool Scrollable() const override { return true; }
  bool MoveTo(long position) override;
  long Position() const override { return position_; }
  long Size() const override { return static_cast<long>(rows_.size()); }
  SQLRETURN Get(int column, Value* value, Diagnostics& diag) override;
  std::vector<std::vector<Value>>& rows() { return rows_; }

 private:
  std::vector<std::vector<Value>> rows_;
  long position_ = -1;
};

class EngineResult : public ResultSet {
 public:
  // Takes `cursor` (closed with the result). `codePage` of its texts.
  EngineResult(VdbCursor* cursor, uint16_t codePage, const std::string& table,
               const std::string& schema);
  ~EngineResult() override;
  SQLRETURN Next(Diagnostics& diag) override;
  long Position() const override { return position_; }
  SQLRETURN Get(int column, Value* value, Diagnostics& diag) override;
  VdbCursor* cursor() const { return cursor_; }
  // Reads the rest into a table that scrolls (a static cursor).
  std::unique_ptr<TableResult> ReadAll(Diagnostics& diag, SQLRETURN* status);

 private:
  // The current record's values, read from the engine in one call at the
  // first Get after a move.
  SQLRETURN LoadRow(Diagnostics& diag);

  VdbCursor* cursor_;
  std::vector<VdbField> fields_;
  uint16_t codePage_;
  long position_ = -1;
  bool atEnd_ = false;
  bool rowLoaded_ = false;
  std::vector<VdbFieldSpan> spans_;
  std::vector<uint8_t> values_;
};

// The value of engine field `f` from its bytes in the engine's own form
// (VdbGetFieldValue), into `value` (reusing its text's memory).
void DecodeFieldValue(const VdbField& f, const uint8_t* bytes, uint32_t length, bool isNull,
                      uint16_t codePage, Value* value);

}  // namespace vantora::odbc

#endif  // VANTORA_ODBC_RESULT_SET_H_
