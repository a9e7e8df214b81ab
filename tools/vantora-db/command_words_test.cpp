#include "tools/vantora-db/command_words.h"

#include <gtest/gtest.h>

namespace vantora::db {
namespace {

using Commands = std::vector<std::vector<std::string>>;

TEST(CommandWords, SplitsCommandsAndWords) {
  const struct {
    const char* text;
    Commands expected;
  } cases[] = {
      {"open DEMO; info", {{"open", "DEMO"}, {"info"}}},
      {"  open   DEMO  ", {{"open", "DEMO"}}},
      {";;\n\t;", {}},
      {"sql \"SELECT * FROM T WHERE A = 'X;Y'\"", {{"sql", "SELECT * FROM T WHERE A = 'X;Y'"}}},
      {"insert T NAME='O''BRIEN'", {{"insert", "T", "NAME=O'BRIEN"}}},
      {"filter T \"NAME = \"\"Q\"\"\"", {{"filter", "T", "NAME = \"Q\""}}},
      {"a ''", {{"a", ""}}},
      {"open DEMO\ninfo\r\nstatus", {{"open", "DEMO"}, {"info"}, {"status"}}},
      {"x 'a b'c", {{"x", "a bc"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const SplitResult r = SplitCommands(c.text);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.commands, c.expected);
  }
}

TEST(CommandWords, AnOpenQuoteIsAnErrorWithItsPlace) {
  const SplitResult r = SplitCommands("open DEMO; sql \"SELECT 1");
  EXPECT_TRUE(r.commands.empty());
  EXPECT_EQ(r.error, "a quote (\") opened at character 16 is not closed");
  EXPECT_NE(SplitCommands("x 'it''s").error, "");
}

}  // namespace
}  // namespace vantora::db
