// procedit's command line: what it accepts and refuses.
#include "tools/procedit/command_line.h"

#include <gtest/gtest.h>

namespace vantora::procedit {
namespace {

TEST(ProceditCommandLine, Parsing) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
    Action action;
    std::string argument;
    std::string library;
    bool replace;
  } cases[] = {
      {{}, true, Action::kDialog, "", "", false},
      {{"--help"}, true, Action::kHelp, "", "", false},
      {{"--list"}, true, Action::kList, "", "", false},
      {{"--show", "TAX"}, true, Action::kShow, "TAX", "", false},
      {{"--export", "TAX"}, true, Action::kExport, "TAX", "", false},
      {{"--remove", "TAX", "--library", "demo"}, true, Action::kRemove, "TAX", "DEMO", false},
      {{"--define", "p.json", "--replace"}, true, Action::kDefine, "p.json", "", true},
      {{"--show"}, false, Action::kDialog, "", "", false},
      {{"--show", ""}, false, Action::kDialog, "", "", false},
      {{"--list", "--show", "X"}, false, Action::kDialog, "", "", false},
      {{"--list", "--replace"}, false, Action::kDialog, "", "", false},
      {{"--library", "DEMO"}, true, Action::kDialog, "", "DEMO", false},  // the dialogs on DEMO
      {{"--library", "ELEVENCHARS", "--list"}, false, Action::kDialog, "", "", false},
      {{"--frobnicate"}, false, Action::kDialog, "", "", false},
  };
  for (const Case& c : cases) {
    std::string trace;
    for (const auto& a : c.args) trace += a + " ";
    SCOPED_TRACE(trace);
    CommandLineOptions o;
    std::string error;
    ASSERT_EQ(ParseCommandLine(c.args, &o, &error), c.ok) << error;
    if (!c.ok) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(o.action, c.action);
    EXPECT_EQ(o.argument, c.argument);
    EXPECT_EQ(o.library, c.library);
    EXPECT_EQ(o.replace, c.replace);
  }
  EXPECT_NE(std::string(CommandLineHelp()).find("--define FILE"), std::string::npos);
}

}  // namespace
}  // namespace vantora::procedit
