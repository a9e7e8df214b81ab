// The tools as a user runs them: exit statuses, what reaches standard output
// and the words on standard error, for wrong command lines, a settings file
// named by MV400_INI that does not exist, and failures that leave nothing to
// print.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/embedded_host.h"

namespace vantora {
namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

class ToolsAsRun : public testing::EmbeddedHostTest {
 protected:
  // Runs `program` with `arguments` (a shell word list) and, when `ini` is
  // not empty, MV400_INI set to it; standard input is empty.
  ToolRun Tool(const std::string& program, const std::string& arguments,
               const std::string& ini = "") const {
    const std::string errFile = (root_ / "stderr.txt").string();
    const std::string command = (ini.empty() ? "" : "MV400_INI='" + ini + "' ") + program + " " +
                                arguments + " </dev/null 2>'" + errFile + "'";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    for (int c; (c = std::fgetc(pipe)) != EOF;) out += static_cast<char>(c);
    const int status = pclose(pipe);
    std::ifstream in(errFile);
    std::stringstream err;
    err << in.rdbuf();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, err.str()};
  }
};

TEST_F(ToolsAsRun, WrongCommandLinesExitTwoAndSayWhy) {
  const struct {
    const char* program;
    const char* arguments;
    const char* said;
  } cases[] = {
      {HOSTD_PATH, "--bogus", "vantora-hostd: unknown option --bogus\n"},
      {HOSTD_PATH, "--port 1 --bogus", "vantora-hostd: unknown option --bogus\n"},
      {HOSTD_PATH, "--port", "vantora-hostd: --port needs a value\n"},
      {PROCEDIT_PATH, "--bogus", "procedit: unknown option --bogus\n"},
      {SELECT_PATH, "DEMO --bogus", "vantora-select: unknown option --bogus\n"},
      {VTSETUP_PATH, "--bogus", "vtsetup: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.program) + " " + c.arguments);
    const ToolRun run = Tool(c.program, c.arguments);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(c.said, 0), 0u) << run.err;
  }
}

TEST_F(ToolsAsRun, ASettingsFileNamedButMissingIsAnError) {
  const std::string missing = (root_ / "nowhere" / "MV400.INI").string();
  const std::string said = "the settings file " + missing + " named by MV400_INI does not exist";
  const struct {
    const char* program;
    const char* arguments;
    const char* name;
  } cases[] = {
      {HOSTD_PATH, "--port 0", "vantora-hostd"},
      {PROCEDIT_PATH, "--list", "procedit"},
      {SELECT_PATH, "DEMO --hidden", "vantora-select"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun run = Tool(c.program, c.arguments, missing);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(std::string(c.name) + ": " + said, 0), 0u) << run.err;
  }
  // --help needs no settings.
  EXPECT_EQ(Tool(HOSTD_PATH, "--help", missing).status, 0);
  EXPECT_EQ(Tool(PROCEDIT_PATH, "--help", missing).status, 0);
  EXPECT_EQ(Tool(SELECT_PATH, "--help", missing).status, 0);
}

TEST_F(ToolsAsRun, FailuresPrintNothingOnStandardOutput) {
  const struct {
    const char* program;
    const char* arguments;
    const char* said;  // a part of standard error
  } cases[] = {
      {SELECT_PATH, "NOLIB --hidden", "Library not found"},
      {PROCEDIT_PATH, "--library NOLIB --list",
       "procedit: The catalogue of library NOLIB cannot be shown: file NOLIB/YPROCHDR not found"},
      {PROCEDIT_PATH, "--show NOSUCH", "Procedure not found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.program) + " " + c.arguments);
    const ToolRun run = Tool(c.program, c.arguments);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
  }
  // Without a host the session's failure is said in words, once.
  std::ofstream(root_ / "closed.ini")
      << "[General]\nNetwork=tcp\nLocation=127.0.0.1:1\n[Tcp]\nConnectTimeout=2\n";
  const std::string closed = (root_ / "closed.ini").string();
  for (const char* program : {SELECT_PATH, PROCEDIT_PATH}) {
    SCOPED_TRACE(program);
    const ToolRun run =
        Tool(program, std::string(program) == SELECT_PATH ? "DEMO --hidden" : "--list", closed);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    const std::string sentence = "cannot connect to 127.0.0.1:1: ";
    ASSERT_NE(run.err.find(sentence), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(sentence), run.err.rfind(sentence)) << run.err;
    EXPECT_EQ(run.err.find("warning"), std::string::npos) << run.err;
  }
}

// Found along the PATH, as an installed program is: vtsetup still finds the
// client library and the transports beside it.
TEST_F(ToolsAsRun, ProgramsFoundAlongThePathFindTheirModules) {
  std::string folder = VTSETUP_PATH;
  folder.erase(folder.rfind('/'));
  const ToolRun run = Tool("PATH='" + folder + "':\"$PATH\" vtsetup", "--test");
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("Connection test passed."), std::string::npos) << run.out;
  const ToolRun show = Tool("PATH='" + folder + "':\"$PATH\" vtsetup", "--show");
  EXPECT_NE(show.out.find("network types: tcp available, ehn available"), std::string::npos)
      << show.out;
}

}  // namespace
}  // namespace vantora
