#include "host/cl/command_binding.h"

#include <gtest/gtest.h>

namespace vantora::host::cl {
namespace {

bool Bind(const std::string& text, BoundCommand* out, BindError* error) {
  ClCommand c;
  ClSyntaxError e;
  if (!ParseClCommand(text, &c, &e)) {
    error->messageId = e.messageId;
    return false;
  }
  return BindCommand(c, out, error);
}

TEST(CommandBinding, KeywordsPositionsAndDefaults) {
  BoundCommand b;
  BindError e;
  ASSERT_TRUE(Bind("CHGJOB DATFMT(*YMD) DATSEP('-') TIMSEP('.')", &b, &e)) << e.detail;
  EXPECT_EQ(b.Text("DATFMT"), "*YMD");
  EXPECT_EQ(b.Text("DATSEP"), "-");
  EXPECT_EQ(b.Text("JOB"), "*");
  EXPECT_TRUE(b.Given("DATFMT"));
  EXPECT_FALSE(b.Given("JOB"));

  ASSERT_TRUE(Bind("OVRDBF ORDERS SHARE(*YES) OVRSCOPE(*JOB)", &b, &e)) << e.detail;
  EXPECT_EQ(b.Text("FILE"), "ORDERS");
  EXPECT_EQ(b.Text("TOFILE"), "*FILE");
  EXPECT_EQ(b.Text("SHARE"), "*YES");

  ASSERT_TRUE(Bind("CRTPF FILE(MYLIB/CUST) SRCFILE(MYLIB/QDDSSRC) SIZE(10000 1000 100) SHARE(*YES)",
                   &b, &e))
      << e.detail;
  EXPECT_EQ(b.Text("SRCMBR"), "*FILE");
  EXPECT_EQ(b.Values("SIZE").size(), 3u);

  ASSERT_TRUE(Bind("STRCMTCTL LCKLVL(*CHG)", &b, &e)) << e.detail;
  ASSERT_TRUE(Bind("CLOF (VNX0012)", &b, &e)) << e.detail;
  EXPECT_EQ(b.Text("OPNID"), "VNX0012");
  ASSERT_TRUE(Bind("CRTDTAQ DTAQ(QGPL/Q1) MAXLEN(100) SEQ(*KEYED) KEYLEN(8)", &b, &e)) << e.detail;
  ASSERT_TRUE(Bind("CLRPFM YIDXR0100", &b, &e)) << e.detail;
}

TEST(CommandBinding, Errors) {
  struct Case {
    const char* text;
    const char* id;
  } cases[] = {
      {"NOSUCHCMD A", "CPD0030"},
      {"MYLIB/CHGJOB DATFMT(*YMD)", "CPD0030"},
      {"CHGJOB DATFMT(*YMD) COLOUR(*RED)", "CPD0043"},
      {"CHGJOB DATFMT(*YMD) DATFMT(*MDY)", "CPD0044"},
      {"CHGJOB * *YMD", "CPD0071"},
      {"STRCMTCTL", "CPD0072"},
      {"STRCMTCTL LCKLVL(*CHG *CS)", "CPD0078"},
      {"CHGJOB DATFMT(*XYZ)", "CPD0084"},
      {"CHGJOB DATSEP('X')", "CPD0084"},
      {"CHGJOB DATFMT('YMD')", "CPD0084"},
      {"CRTLIB LIB(1BAD)", "CPD0085"},
      {"CRTLIB LIB(TOOLONGNAME1)", "CPD0085"},
      {"CRTDTAQ DTAQ(Q) MAXLEN(ABC)", "CPD0075"},
      {"CRTDTAQ DTAQ(Q) MAXLEN(99999999)", "CPD0084"},
      {"CRTLIB LIB(X) TEXT((A))", "CPD0084"},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.text);
    BoundCommand b;
    BindError e;
    EXPECT_FALSE(Bind(t.text, &b, &e));
    EXPECT_EQ(e.messageId, t.id);
  }
  BoundCommand b;
  BindError e;
  EXPECT_FALSE(Bind("CRTLIB LIB(X) TEXT('" + std::string(60, 'a') + "')", &b, &e));
  EXPECT_EQ(e.messageId, "CPD0086");
}

TEST(CommandBinding, EveryDefinitionBindsItsDefaults) {
  for (const CommandDef& def : AllCommands()) {
    for (const ParamDef& p : def.params) {
      if (p.defaultValue == nullptr) continue;
      std::string text(def.name);
      // Defaults given explicitly must bind too.
      text += " " + std::string(p.keyword) + "(" + p.defaultValue + ")";
      for (const ParamDef& q : def.params) {
        if (q.defaultValue == nullptr) {
          text += " " + std::string(q.keyword) + "(" +
                  (q.type == ParamType::kInteger ? "1"
                   : q.type == ParamType::kSpecial
                       ? std::string(q.specials.substr(0, q.specials.find(' ')))
                   : q.type == ParamType::kList ? "(A/B)"
                                                : "A") +
                  ")";
        }
      }
      SCOPED_TRACE(text);
      BoundCommand b;
      BindError e;
      EXPECT_TRUE(Bind(text, &b, &e)) << e.messageId << " " << e.detail;
    }
  }
}

}  // namespace
}  // namespace vantora::host::cl
