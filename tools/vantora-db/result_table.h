// What a shell command prints: a table of named columns and rows of texts,
// written aligned for a person, or as CSV or JSON for a script.
#ifndef VANTORA_TOOLS_VANTORA_DB_RESULT_TABLE_H_
#define VANTORA_TOOLS_VANTORA_DB_RESULT_TABLE_H_

#include <cstdio>
#include <string>
#include <vector>

namespace vantora::db {

enum class OutputFormat { kTable, kCsv, kJson };

class ResultTable {
 public:
  explicit ResultTable(std::vector<std::string> columns) : columns_(std::move(columns)) {}

  // A row of as many texts as there are columns (missing ones are empty).
  void Add(std::vector<std::string> row);
  // Numeric columns are right-aligned in a table and unquoted in JSON.
  void SetNumeric(size_t column);

  const std::vector<std::string>& columns() const { return columns_; }
  const std::vector<std::vector<std::string>>& rows() const { return rows_; }

  void Write(OutputFormat format, std::FILE* out) const;
  std::string Text(OutputFormat format) const;

 private:
  std::vector<std::string> columns_;
  std::vector<bool> numeric_;
  std::vector<std::vector<std::string>> rows_;
};

// Quoting helpers, for tests and for single values.
std::string CsvField(const std::string& text);
std::string JsonString(const std::string& text);

}  // namespace vantora::db

#endif  // VANTORA_TOOLS_VANTORA_DB_RESULT_TABLE_H_
