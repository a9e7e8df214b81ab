// vantora-select: its command line, and its runs against the embedded host,
// in this process and as the program itself.
#include "tools/vantora-select/select_command.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/ui_sink.h"
#include "selection/dialog_runner.h"
#include "tests/support/embedded_host.h"
#include "tests/support/file_text.h"

namespace vantora::select {
namespace {

struct ParseCase {
  std::vector<const char*> args;
  bool ok;
  std::string library;
  std::string type;
  bool hidden;
  std::string error;
};

TEST(SelectCommandLine, Arguments) {
  const ParseCase cases[] = {
      {{"DEMO"}, true, "DEMO", "*FILE", false, ""},
      {{"DEMO", "--hidden"}, true, "DEMO", "*FILE", true, ""},
      {{"--type", "*pgm", "TOOLS"}, true, "TOOLS", "*PGM", false, ""},
      {{"DEMO", "--type", "*DTAQ", "--hidden"}, true, "DEMO", "*DTAQ", true, ""},
      {{"--help"}, true, "", "*FILE", false, ""},
      {{}, false, "", "", false, "a library is needed"},
      {{"DEMO", "--type"}, false, "", "", false, "--type needs a value"},
      {{"DEMO", "--type", "*LIB"},
       false,
       "",
       "",
       false,
       "object type *LIB is not supported (*FILE, *PGM or *DTAQ)"},
      {{"DEMO", "--fast"}, false, "", "", false, "unknown option --fast"},
      {{"DEMO", "TOOLS"}, false, "", "", false, "one library only, not also TOOLS"},
  };
  for (const ParseCase& c : cases) {
    SelectOptions options;
    std::string error;
    const bool ok =
        ParseArguments(static_cast<int>(c.args.size()), c.args.data(), &options, &error);
    const std::string what = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(ok, c.ok) << what;
    EXPECT_EQ(error, c.error) << what;
    if (!ok) continue;
    EXPECT_EQ(options.library, c.library) << what;
    EXPECT_EQ(options.type, c.type) << what;
    EXPECT_EQ(options.hidden, c.hidden) << what;
  }
  EXPECT_EQ(SelectionModeOf("*FILE"), 0);
  EXPECT_EQ(SelectionModeOf("*PGM"), 1);
  EXPECT_EQ(SelectionModeOf("*DTAQ"), 2);
  EXPECT_EQ(SelectionModeOf("*USRSPC"), -1);
}

class SelectRun : public testing::EmbeddedHostTest {
 protected:
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    selection::InstallSelectionUiSink(&sink);
  }
  void TearDown() override {
    selection::InstallSelectionUiSink(nullptr);
    EmbeddedHostTest::TearDown();
  }
  // Runs in this process; answers the exit status, `out` the entries.
  int Run(SelectOptions options, std::string* out) {
    std::FILE* o = std::tmpfile();
    std::FILE* e = std::tmpfile();
    const int status = RunSelection(options, o, e);
    *out = vantora::testing::TakeFileText(o);
    err = vantora::testing::TakeFileText(e);
    return status;
  }
  // Runs the program; answers its exit status.
  int Program(const std::string& arguments, std::string* out, std::string* errors) {
    const std::string errFile = (root_ / "stderr.txt").string();
    FILE* p =
        popen((std::string(VANTORA_SELECT_PATH) + " " + arguments + " 2>" + errFile).c_str(), "r");
    std::string text;
    for (int c; (c = std::fgetc(p)) != EOF;) text += static_cast<char>(c);
    const int status = pclose(p);
    *out = text;
    std::ifstream in(errFile);
    std::stringstream s;
    s << in.rdbuf();
    *errors = s.str();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  platform::RecordingSink sink;
  std::string err;
};

TEST_F(SelectRun, HiddenRunsPrintEveryEntry) {
  struct Case {
    const char* type;
    const char* printed;
  } cases[] = {
      {"*FILE", "DEMO/BENCH100\nDEMO/CUSTOMER\nDEMO/ORDERS\nDEMO/YPROCHDR\nDEMO/YPROCPARMS\n"},
      {"*PGM", "DEMO/ADDTAX\nDEMO/SUMBIN\nDEMO/UPPER\n"},
      {"*DTAQ", "DEMO/ORDERQ\nDEMO/PRICEQ\n"}};
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(Run({"demo", c.type, true, false}, &out), kExitChosen) << err;
    EXPECT_EQ(out, c.printed) << c.type;
    EXPECT_NE(err.find("listing " + std::string(c.type) + " of demo"), std::string::npos) << err;
  }
  EXPECT_TRUE(sink.Messages().empty());
}

TEST_F(SelectRun, FailuresExitWithOne) {
  std::string out;
  EXPECT_EQ(Run({"NOLIB", "*FILE", true, false}, &out), kExitNotChosen);
  EXPECT_EQ(out, "");
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text, "Library not found");
  // No dialog runner in this process: the dialog cannot be shown.
  EXPECT_EQ(Run({"DEMO", "*FILE", false, false}, &out), kExitNotChosen);
  EXPECT_EQ(sink.Messages().size(), 2u);
  EXPECT_NE(err.find("cancelled"), std::string::npos);
}

// The dialog ended by the user: Cancel prints nothing and exits 1; OK with
// one entry chosen prints it.
TEST_F(SelectRun, ADialogCancelledPrintsNothing) {
  struct Runner : selection::DialogRunner {
    int outcome;
    std::string title;
    std::string caption;
    int Run(selection::SelectionDialog& dialog) override {
      title = dialog.title();
      caption = dialog.listCaption();
      return outcome;
    }
  };
  const struct {
    const char* type;
    int outcome;
    int status;
    const char* caption;
  } cases[] = {
      {"*FILE", selection::kDialogCancel, kExitNotChosen, "Library files:"},
      {"*PGM", selection::kDialogCancel, kExitNotChosen, "Library programs :"},
      {"*DTAQ", selection::kDialogCancel, kExitNotChosen, "Library data queues :"},
      {"*DTAQ", 7, kExitNotChosen, "Library data queues :"},  // any other end is Cancel
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    Runner runner;
    runner.outcome = c.outcome;
    selection::InstallDialogRunner(&runner);
    std::string out;
    EXPECT_EQ(Run({"DEMO", c.type, false, false}, &out), c.status) << err;
    selection::InstallDialogRunner(nullptr);
    EXPECT_EQ(out, "");
    EXPECT_EQ(runner.caption, c.caption);
    EXPECT_NE(err.find("cancelled"), std::string::npos) << err;
  }
}

TEST_F(SelectRun, TheProgram) {
  std::string out;
  std::string errors;
  EXPECT_EQ(Program("--help", &out, &errors), 0);
  EXPECT_NE(out.find("usage: vantora-select LIBRARY"), std::string::npos);
  EXPECT_EQ(Program("DEMO --type '*LIB'", &out, &errors), 2);
  EXPECT_NE(errors.find("*LIB is not supported"), std::string::npos);
  EXPECT_EQ(Program("DEMO --hidden --type '*PGM'", &out, &errors), 0) << errors;
  EXPECT_EQ(out, "DEMO/ADDTAX\nDEMO/SUMBIN\nDEMO/UPPER\n");
  EXPECT_EQ(Program("NOLIB --hidden", &out, &errors), 1);
  EXPECT_NE(errors.find("Library not found"), std::string::npos) << errors;
}

}  // namespace
}  // namespace vantora::select
