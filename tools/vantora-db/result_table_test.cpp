#include "tools/vantora-db/result_table.h"

#include <gtest/gtest.h>

namespace vantora::db {
namespace {

ResultTable Sample() {
  ResultTable t({"name", "amount"});
  t.SetNumeric(1);
  t.Add({"O'BRIEN, \"Jo\"", "-3.25"});
  t.Add({"Zoé", "12"});
  t.Add({"line\nbreak", "n/a"});
  return t;
}

TEST(ResultTable, AlignedForAPerson) {
  EXPECT_EQ(Sample().Text(OutputFormat::kTable),
            "name           amount\n"
            "-------------  ------\n"
            "O'BRIEN, \"Jo\"   -3.25\n"
            "Zoé                12\n"
            "line\\nbreak       n/a\n");
}

TEST(ResultTable, CsvQuotesWhatNeedsIt) {
  EXPECT_EQ(Sample().Text(OutputFormat::kCsv),
            "name,amount\r\n"
            "\"O'BRIEN, \"\"Jo\"\"\",-3.25\r\n"
            "Zoé,12\r\n"
            "\"line\nbreak\",n/a\r\n");
}

TEST(ResultTable, JsonKeepsNumbersAndEscapesTexts) {
  EXPECT_EQ(Sample().Text(OutputFormat::kJson),
            "[\n {\"name\": \"O'BRIEN, \\\"Jo\\\"\", \"amount\": -3.25},\n"
            " {\"name\": \"Zoé\", \"amount\": 12},\n"
            " {\"name\": \"line\\nbreak\", \"amount\": \"n/a\"}\n]\n");
  EXPECT_EQ(ResultTable({"a"}).Text(OutputFormat::kJson), "[]\n");
  EXPECT_EQ(JsonString(std::string("\x01", 1)), "\"\\u0001\"");
}

}  // namespace
}  // namespace vantora::db
