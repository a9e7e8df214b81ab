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

TEST(ResultTable, JsonKeepsNumbersAndNullsAndEscapesTexts) {
  ResultTable t = Sample();
  t.AddValues({ResultTable::Value(), ResultTable::Value()});
  t.SetMore(true);
  EXPECT_EQ(t.Text(OutputFormat::kJson),
            "{\"columns\": [\"name\", \"amount\"], \"rows\": ["
            "{\"name\": \"O'BRIEN, \\\"Jo\\\"\", \"amount\": -3.25}, "
            "{\"name\": \"Zoé\", \"amount\": 12}, "
            "{\"name\": \"line\\nbreak\", \"amount\": \"n/a\"}, "
            "{\"name\": null, \"amount\": null}], \"more\": true}");
  EXPECT_EQ(ResultTable({"a"}).Text(OutputFormat::kJson), "{\"columns\": [\"a\"], \"rows\": []}");
  EXPECT_EQ(JsonString(std::string("\x01", 1)), "\"\\u0001\"");
}

TEST(ResultTable, NullsAreEmptyInATableAndInCsv) {
  ResultTable t({"a", "b"});
  t.AddValues({ResultTable::Value(), ResultTable::Value("x")});
  EXPECT_EQ(t.Text(OutputFormat::kCsv), "a,b\r\n,x\r\n");
  EXPECT_EQ(t.Text(OutputFormat::kTable), "a  b\n-  -\n   x\n");
}

TEST(ResultTable, JsonNumbersKeepEveryDigit) {
  const struct {
    const char* text;
    const char* number;
  } cases[] = {
      {"12345678901234567890123456789.01", "12345678901234567890123456789.01"},
      {"-0.50", "-0.50"},
      {".5", "0.5"},
      {"-.5", "-0.5"},
      {"007", "7"},
      {"+3", "3"},
      {"1.", "1"},
      {"1.5E+10", "1.5E+10"},
      {"0", "0"},
      {"", ""},
      {"-", ""},
      {".", ""},
      {"n/a", ""},
      {"1 2", ""},
      {"inf", ""},
      {"1e", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonNumber(c.text), c.number) << c.text;
}

}  // namespace
}  // namespace vantora::db
