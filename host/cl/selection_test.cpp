#include "host/cl/selection.h"

#include <gtest/gtest.h>

#include "host/cl/selection_parser.h"

namespace vantora::host {
namespace {

RecordFormat Format() {
  RecordFormat f;
  f.name = "CUSTREC";
  f.fields = {PackedField("CUSTNO", 7, 0),
              CharField("NAME", 30),
              CharField("STATE", 2),
              PackedField("BALANCE", 11, 2),
              DateTimeField("OPENED", FieldType::kDate),
              CharField("PHONE", 15)};
  f.fields[5].nullCapable = true;
  return f;
}

Record Row(int64_t no, const char* name, const char* state, int64_t balanceCents,
           const char* opened, const char* phone) {
  Record r(6);
  r[0] = Value::Integer(no);
  r[1] = Value::Text(name);
  r[2] = Value::Text(state);
  r[3] = Value::Integer(balanceCents);
  r[4] = Value::Text(opened);
  if (phone) r[5] = Value::Text(phone);
  return r;
}

bool Accepts(const std::string& selection, const Record& r) {
  std::unique_ptr<Selection> s;
  cl::SelectionError e;
  EXPECT_TRUE(Selection::Compile(selection, Format(), &s, &e))
      << selection << ": " << e.messageId << " " << e.detail;
  return s && s->Accept(r);
}

TEST(Selection, Operators) {
  const Record obrien = Row(100, "O'BRIEN 10", "NY", 12345, "2001-03-01", nullptr);
  struct Case {
    const char* selection;
    bool expected;
  } cases[] = {
      {"(CUSTNO *EQ 100)", true},
      {"((CUSTNO *EQ 100) *AND (STATE *EQ \"NY\"))", true},
      {"CUSTNO = 100 & STATE = 'NY'", true},
      {"CUSTNO *NE 100 | STATE *EQ 'NJ'", false},
      {"CUSTNO > 99 *AND CUSTNO < 101 *AND CUSTNO >= 100 *AND CUSTNO <= 100", true},
      {"CUSTNO *GT 100", false},
      {"CUSTNO *NG 100 *AND CUSTNO *NL 100", true},
      {"CUSTNO \xAC= 100", false},
      {"CUSTNO \xC2\xAC> 100", true},
      {"\xAC(CUSTNO *EQ 100)", false},
      {"*NOT (CUSTNO *EQ 101)", true},
      {"BALANCE *EQ 123.45", true},
      {"BALANCE *GT 123.4", true},
      {"BALANCE * 2 *EQ 246.9", true},
      {"(CUSTNO + 1) *EQ 101 *AND (CUSTNO - 1) = 99 *AND CUSTNO / 4 = 25", true},
      {"(CUSTNO MOD 7) *EQ 2 *AND (CUSTNO REM 7) *EQ 2", true},
      {" - (CUSTNO) *EQ -100", true},
      {"(NAME *EQ \"O''BRIEN 10\")", true},
      {"NAME = 'O''BRIEN 10'", true},
      {"NAME *EQ 'O''BRIEN 10   '", true},
      {"NAME *CT 'BRI'", true},
      {"(NAME CONT \"BRI\")", true},
      {"(NAME LIKE \"O%10\")", true},
      {"(NAME LIKE \"O_BRIEN%\")", true},
      {"(NAME LIKE \"X%\")", false},
      {"NAME *EQ %WLDCRD('O*1_')", true},
      {"NAME *EQ %WLDCRD('O?BRIEN*' '?*')", true},
      {"NAME *NE %WLDCRD('A*')", true},
      {"CUSTNO *EQ %RANGE(50 150)", true},
      {"CUSTNO *EQ %RANGE(101 150)", false},
      {"STATE *EQ %VALUES('NJ' 'NY' 'CT')", true},
      {"STATE *EQ %VALUES('NJ', 'CT')", false},
      {"(OPENED *EQ \"2001-03-01\")", true},
      {"OPENED *GT '2001/02/28'", true},
      {"OPENED *LT '2001-03-01'", false},
      {" ISBLANK (PHONE)", true},
      {" NOTBLANK (NAME)", true},
      {"PHONE *EQ '123'", false},
      {"*NOT (PHONE *EQ '123')", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Accepts(c.selection, obrien), c.expected) << c.selection;
  }
}

TEST(Selection, Errors) {
  struct Case {
    const char* selection;
    const char* id;
  } cases[] = {
      {"", "CPD3104"},
      {"(CUSTNO *EQ 100", "CPD3104"},
      {"CUSTNO *EQ", "CPD3104"},
      {"CUSTNO *EQ \"100", "CPD3104"},
      {"CUSTNO *EQ 100)", "CPD3104"},
      {"CUSTNO *XX 100", "CPD3104"},
      {"CUSTNO ~ 100", "CPD3104"},
      {"CUSTNO *EQ 1A", "CPD3104"},
      {"NOSUCH *EQ 1", "CPD3105"},
      {"CUSTNO *EQ 'A'", "CPD3108"},
      {"NAME *EQ 5", "CPD3108"},
      {"CUSTNO", "CPD3108"},
      {"CUSTNO *AND NAME", "CPD3108"},
      {"CUSTNO *CT 'A'", "CPD3108"},
      {"OPENED *EQ '2001-13-01'", "CPD3110"},
      {"OPENED *EQ 'yesterday'", "CPD3110"},
      {"(CUSTNO SUM 1)", "CPD3109"},
      {" NOT DEFINED (CUSTNO)", "CPD3109"},
      {"CUSTNO *GT %RANGE(1 2)", "CPD3109"},
      {"CUSTNO *EQ %RANGE(1)", "CPD3104"},
      {"NAME *EQ %WLDCRD(NAME)", "CPD3104"},
      {"CUSTNO *EQ %FOO(1)", "CPD3109"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<Selection> s;
    cl::SelectionError e;
    EXPECT_FALSE(Selection::Compile(c.selection, Format(), &s, &e)) << c.selection;
    EXPECT_EQ(e.messageId, c.id) << c.selection << ": " << e.detail;
  }
}

TEST(Selection, Limits) {
  cl::SelectionNode n;
  cl::SelectionError e;
  std::string deep = std::string(300, '(') + "A *EQ 1" + std::string(300, ')');
  EXPECT_FALSE(cl::ParseSelection(deep, &n, &e));
  std::string chain = "A";
  for (int i = 0; i < 1000; ++i) chain += " + A";
  EXPECT_FALSE(cl::ParseSelection(chain + " *EQ 1", &n, &e));
  std::string nots;
  for (int i = 0; i < 1000; ++i) nots += "*NOT ";
  EXPECT_FALSE(cl::ParseSelection(nots + "A *EQ 1", &n, &e));
  std::string wide = "A *EQ 1";
  for (int i = 0; i < 500; ++i) wide += " *OR A *EQ 1";
  EXPECT_TRUE(cl::ParseSelection(wide, &n, &e)) << e.detail;
}

TEST(Selection, EveryPrefixFailsCleanly) {
  const std::string text =
      "((CUSTNO *EQ 100) *AND (NAME *EQ \"O''BRIEN\")) *OR STATE *EQ %VALUES('A' 'B')";
  for (size_t n = 0; n < text.size(); ++n) {
    cl::SelectionNode node;
    cl::SelectionError e;
    if (!cl::ParseSelection(text.substr(0, n), &node, &e)) {
      EXPECT_FALSE(e.messageId.empty());
    }
  }
}

}  // namespace
}  // namespace vantora::host
