#include "host/cl/cl_parser.h"

#include <gtest/gtest.h>

namespace vantora::host::cl {
namespace {

using Kind = ClElement::Kind;

TEST(ClParser, DriverCommands) {
  ClCommand c;
  ClSyntaxError e;
  ASSERT_TRUE(ParseClCommand("CHGJOB DATFMT(*YMD) DATSEP('-') TIMSEP('.')", &c, &e)) << e.detail;
  EXPECT_EQ(c.name, "CHGJOB");
  ASSERT_EQ(c.parameters.size(), 3u);
  EXPECT_EQ(c.parameters[0].keyword, "DATFMT");
  EXPECT_EQ(c.parameters[0].elements[0].text, "*YMD");
  EXPECT_EQ(c.parameters[1].elements[0].kind, Kind::kQuoted);
  EXPECT_EQ(c.parameters[1].elements[0].text, "-");

  ASSERT_TRUE(ParseClCommand(
      "OPNQRYF FILE((MYLIB/ORDERS)) OPTION(*INP) QRYSLT('(NAME *EQ \"O''''BRIEN\")') "
      "KEYFLD(*FILE) OPNID(VNX12345)",
      &c, &e));
  ASSERT_EQ(c.parameters.size(), 5u);
  const ClElement& file = c.parameters[0].elements[0];
  ASSERT_EQ(file.kind, Kind::kList);
  EXPECT_EQ(file.items[0].text, "MYLIB/ORDERS");
  EXPECT_EQ(c.parameters[2].elements[0].text, "(NAME *EQ \"O''BRIEN\")");
  EXPECT_EQ(c.parameters[4].elements[0].text, "VNX12345");
}

TEST(ClParser, PositionalParenthesesAndCase) {
  ClCommand c;
  ClSyntaxError e;
  ASSERT_TRUE(ParseClCommand("clof (vnx0012)", &c, &e));
  EXPECT_EQ(c.name, "CLOF");
  ASSERT_EQ(c.parameters.size(), 1u);
  EXPECT_TRUE(c.parameters[0].keyword.empty());
  EXPECT_EQ(c.parameters[0].elements[0].text, "VNX0012");

  ASSERT_TRUE(ParseClCommand("QSYS/OVRDBF orders share(*yes) /* note */ OVRSCOPE(*JOB)", &c, &e));
  EXPECT_EQ(c.library, "QSYS");
  EXPECT_EQ(c.parameters[0].elements[0].text, "ORDERS");
  EXPECT_EQ(c.parameters[1].keyword, "SHARE");
  EXPECT_EQ(c.parameters[1].elements[0].text, "*YES");
  EXPECT_EQ(c.parameters[2].keyword, "OVRSCOPE");

  ASSERT_TRUE(ParseClCommand("CRTPF FILE(L/F) SIZE(10000 1000 100) TEXT('it''s')", &c, &e));
  EXPECT_EQ(c.parameters[1].elements.size(), 3u);
  EXPECT_EQ(c.parameters[2].elements[0].text, "it's");
}

TEST(ClParser, MalformedCommands) {
  struct Case {
    const char* text;
    const char* id;
  } cases[] = {
      {"", "CPD0013"},
      {"   ", "CPD0013"},
      {"123ABC", "CPD0013"},
      {"TOOLONGNAMEX PARM", "CPD0013"},
      {"CHGJOB DATFMT(*YMD", "CPD0006"},
      {"CHGJOB DATFMT(*YMD))", "CPD0006"},
      {"CHGJOB DATSEP('-)", "CPD0014"},
      {"CHGJOB /* never closed", "CPD0020"},
      {"CHGJOB DATFMT(A'B)", "CPD0020"},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.text);
    ClCommand c;
    ClSyntaxError e;
    EXPECT_FALSE(ParseClCommand(t.text, &c, &e));
    EXPECT_EQ(e.messageId, t.id);
  }
}

TEST(ClParser, Limits) {
  ClCommand c;
  ClSyntaxError e;
  EXPECT_FALSE(ParseClCommand("X A" + std::string(20, '(') + std::string(20, ')'), &c, &e));
  EXPECT_EQ(e.messageId, "CPD0031");
  EXPECT_FALSE(ParseClCommand("X " + std::string(kMaxCommandLength, 'A'), &c, &e));
  EXPECT_EQ(e.messageId, "CPD0031");
  std::string many = "X";
  for (size_t i = 0; i <= kMaxElements; ++i) many += " A";
  EXPECT_FALSE(ParseClCommand(many, &c, &e));
  EXPECT_EQ(e.messageId, "CPD0031");
}

// Every prefix of a valid command either parses or fails cleanly.
TEST(ClParser, EveryPrefix) {
  const std::string text =
      "OPNQRYF FILE((MYLIB/ORDERS)) OPTION(*ALL) QRYSLT('(CUSTNO *EQ 100) *AND (STATE *EQ "
      "\"NY\")') KEYFLD(*FILE) OPNID(VNX0003)";
  for (size_t n = 0; n <= text.size(); ++n) {
    ClCommand c;
    ClSyntaxError e;
    bool ok = ParseClCommand(text.substr(0, n), &c, &e);
    if (!ok) {
      EXPECT_FALSE(e.messageId.empty()) << n;
    }
  }
}

}  // namespace
}  // namespace vantora::host::cl
