// What a shell command prints: a table of named columns and rows of texts
// (a value may be null), written aligned for a person, or as CSV or JSON for
// a script.
#ifndef VANTORA_TOOLS_VANTORA_DB_RESULT_TABLE_H_
#define VANTORA_TOOLS_VANTORA_DB_RESULT_TABLE_H_

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace vantora::db {

enum class OutputFormat { kTable, kCsv, kJson };

class ResultTable {
 public:
  using Value = std::optional<std::string>;  // nothing for null

  explicit ResultTable(std::vector<std::string> columns) : columns_(std::move(columns)) {}

  // A row of as many values as there are columns (missing ones are empty).
  void Add(std::vector<std::string> row);
  void AddValues(std::vector<Value> row);
  // Numeric columns are right-aligned in a table and numbers in JSON.
  void SetNumeric(size_t column);
  // The rows shown stopped at a limit: there are more.
  void SetMore(bool more) { more_ = more; }
  bool more() const { return more_; }

  const std::vector<std::string>& columns() const { return columns_; }
  const std::vector<std::vector<Value>>& rows() const { return rows_; }

  // The table in `format`: aligned with a header rule (null as an empty
  // cell), CSV with a header line (RFC 4180, CRLF; null as an empty field),
  // or one JSON object {"columns": [...], "rows": [{...}, ...]} (with
  // "more": true when the rows stopped at a limit) on one line, without a
  // line break after it.
  std::string Text(OutputFormat format) const;

 private:
  bool IsNumeric(size_t column) const { return column < numeric_.size() && numeric_[column]; }

  std::vector<std::string> columns_;
  std::vector<bool> numeric_;
  std::vector<std::vector<Value>> rows_;
  bool more_ = false;
};

// A CSV field, quoted when it needs to be.
std::string CsvField(const std::string& text);
// A JSON string of `text` (invalid UTF-8 replaced).
std::string JsonString(const std::string& text);
// The JSON number of a decimal text as the engine writes numbers ("-3.25",
// ".5", "1.5E+10"), every digit kept; "" when `text` is no number.
std::string JsonNumber(const std::string& text);

}  // namespace vantora::db

#endif  // VANTORA_TOOLS_VANTORA_DB_RESULT_TABLE_H_
