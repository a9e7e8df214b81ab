// Filters as people write them, through the engine's parser into the
// expression tree and through the driver's translation into the selection
// text an open query file takes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "driver/cursors/filter_text.h"
#include "engine/filter_parser.h"
#include "idapi.h"

namespace vantora {
namespace {

const std::vector<engine::FilterField> kFields = {
    {"ID", 1, IDAPI_TYPE_INT32},        {"NAME", 2, IDAPI_TYPE_STRING},
    {"OPENED", 3, IDAPI_TYPE_DATE},     {"CLOCK", 4, IDAPI_TYPE_TIME},
    {"STAMP", 5, IDAPI_TYPE_TIMESTAMP}, {"RATE", 6, IDAPI_TYPE_FLOAT},
};

std::string Selection(const std::string& filter) {
  const engine::ParsedFilter parsed = engine::ParseFilter(filter, kFields);
  if (!parsed.ok) return "error " + std::to_string(parsed.position) + ": " + parsed.error;
  const driver::FilterText t = driver::TranslateFilter(parsed.expression.data(), 0);
  return t.ok ? t.text : "untranslated: " + t.problem;
}

TEST(FilterRoundTrip, TextsBecomeSelections) {
  const struct {
    const char* filter;
    const char* selection;
  } cases[] = {
      {"ID = 100", "(ID *EQ 100)"},
      {"id=100 and Name = 'NY'", "((ID *EQ 100) *AND (NAME *EQ \"NY\"))"},
      // AND binds closer than OR; NOT closer than AND.
      {"ID = 1 OR ID = 2 AND NOT ID = 3", "((ID *EQ 1) *OR ((ID *EQ 2) *AND  *NOT ((ID *EQ 3))))"},
      {"(ID = 1 OR ID = 2) AND ID <> 3", "(((ID *EQ 1) *OR (ID *EQ 2)) *AND (ID *NE 3))"},
      {"NOT (ID = 1)", " *NOT ((ID *EQ 1))"},
      {"ID != 4", "(ID *NE 4)"},
      {"ID >= 1 AND ID <= 9 AND ID > 0 AND ID < 10",
       "((((ID >= 1) *AND (ID <= 9)) *AND (ID > 0)) *AND (ID < 10))"},
      {"ID + 2 * 3 = 7", "((ID + (2 * 3)) *EQ 7)"},
      {"(ID + 2) * 3 = 7", "(((ID + 2) * 3) *EQ 7)"},
      {"((ID + 2)) * 3 = 7", "(((ID + 2) * 3) *EQ 7)"},
      {"((ID = 1))", "(ID *EQ 1)"},
      {"(NOT ID = 1 OR ID = 2)", "( *NOT ((ID *EQ 1)) *OR (ID *EQ 2))"},
      {"(ID + 1 = 2 AND ID = 1) OR ID = 5", "((((ID + 1) *EQ 2) *AND (ID *EQ 1)) *OR (ID *EQ 5))"},
      {"ID - 1 - 1 = 0", "(((ID - 1) - 1) *EQ 0)"},
      {"-ID = -5", "( - (ID) *EQ  - (5))"},
      {"ID / 4 = 2", "((ID / 4) *EQ 2)"},
      {"NAME LIKE 'AB%'", "(NAME LIKE \"AB%\")"},
      {"ISBLANK(NAME)", " ISBLANK (NAME)"},
      {"NOTBLANK (NAME) AND ID = 1", "( NOTBLANK (NAME) *AND (ID *EQ 1))"},
      // Quotes inside strings: ' doubled once here, again inside QRYSLT('...').
      {"NAME = 'O''BRIEN'", "(NAME *EQ \"O''BRIEN\")"},
      {"NAME = 'SAY \"HI\"'", "(NAME *EQ \"SAY \"\"HI\"\"\")"},
      // Strings compared with dates, times and timestamps become their values.
      {"OPENED >= '2001-03-01'", "(OPENED >= \"2001-03-01\")"},
      {"OPENED = DATE '0001-01-01'", "(OPENED *EQ \"0001-01-01\")"},
      {"CLOCK < '13:05:09'", "(CLOCK < \"13.05.09\")"},
      {"STAMP > '2024-02-29 08:00:00.5'", "(STAMP > \"2024-02-29-08.00.00.500000\")"},
      // Floats: sixteen significant digits, no trailing zeros.
      {"RATE > 0.5", "(RATE > 0.5)"},
      {"RATE > 1234567.25", "(RATE > 1234567.25)"},
      {"RATE < 3000000000", "(RATE < 3000000000)"},
      {"RATE < 0.01", "(RATE < 1e-02)"},
      {"RATE < 1e20", "(RATE < 1e+20)"},
      {"ID = 2147483647", "(ID *EQ 2147483647)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filter);
    EXPECT_EQ(Selection(c.filter), c.selection);
  }
}

TEST(FilterRoundTrip, MistakesNamedWithTheirPlace) {
  const struct {
    const char* filter;
    const char* error;
  } cases[] = {
      {"", "error 1: the filter ends where a value is expected"},
      {"ID =", "error 5: the filter ends where a value is expected"},
      {"ID = 1 AND", "error 11: the filter ends where a value is expected"},
      {"(ID = 1", "error 8: ')' expected"},
      {"ID = 1)", "error 7: ')' where the filter should end"},
      {"NAME LIKE 5", "error 11: a string after LIKE"},
      {"ISBLANK NAME", "error 9: '(' after ISBLANK"},
      {"OPENED = '2001-02-29'", "error 10: '2001-02-29' is no value of the field OPENED"},
      {"OPENED = DATE 'soon'", "error 15: 'soon' is no DATE"},
      {"(ID = 1) + 1 = 2", "error 10: a condition where a value is expected"},
      {"ID = (ID = 1)", "error 4: a condition where a value is expected"},
      {"ID = 1e999", "error 6: '1e999' is no number"},
      {"ID = 1 ; DROP", "error 8: ';' is no part of a filter"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filter);
    EXPECT_EQ(Selection(c.filter), c.error);
  }
}

TEST(FilterRoundTrip, HostileSizesAreRefusedNotFollowed) {
  // Deep nesting fails cleanly instead of exhausting the stack.
  std::string deep(5000, '(');
  deep += "ID = 1" + std::string(5000, ')');
  EXPECT_NE(Selection(deep).find("nested too deeply"), std::string::npos);
  std::string negations;
  for (int i = 0; i < 500; ++i) negations += "NOT ";
  EXPECT_NE(Selection(negations + "ID = 1").find("nested too deeply"), std::string::npos);
  // A text beyond the limit is refused before it is read.
  std::string longText = "ID = 1";
  while (longText.size() <= engine::kMaxFilterText) longText += " OR ID = 1";
  EXPECT_EQ(engine::ParseFilter(longText, kFields).ok, false);
  // A long chain without parentheses nests the tree as deeply: refused by
  // the parser, not by the driver's translation after it was accepted.
  std::string chain = "ID = 0";
  for (int i = 0; i < 300; ++i) chain += "-1";
  EXPECT_NE(Selection(chain).find("nested too deeply"), std::string::npos) << Selection(chain);
  std::string ors = "ID = 0";
  for (int i = 0; i < 300; ++i) ors += " OR ID = 1";
  EXPECT_NE(Selection(ors).find("nested too deeply"), std::string::npos);
  // Just inside the limits the tree is whole and every part is translated.
  std::string wide = "ID = 0";
  for (int i = 1; i < 60; ++i) wide += " OR ID = " + std::to_string(i);
  const std::string s = Selection(wide);
  EXPECT_EQ(s.rfind("(((", 0), 0u) << s;
  EXPECT_NE(s.find("(ID *EQ 59))"), std::string::npos);
}

// Inputs the fuzzer found: accepted by the parser, refused by the translation.
TEST(FilterRoundTrip, FuzzerFindingsAreRefusedOrTranslated) {
  for (const char* name : {"filter-long-chain", "filter-negated-chain"}) {
    SCOPED_TRACE(name);
    std::ifstream in(std::string(FUZZ_REGRESSIONS) + "/" + name, std::ios::binary);
    ASSERT_TRUE(in.good());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const engine::ParsedFilter parsed = engine::ParseFilter(text, kFields);
    if (parsed.ok) {
      EXPECT_TRUE(driver::TranslateFilter(parsed.expression.data(), parsed.expression.size()).ok);
    } else {
      EXPECT_EQ(parsed.error, "the filter is nested too deeply");
    }
  }
}

}  // namespace
}  // namespace vantora
