// The command line without a host: parsing, and --set / --unset / --show
// on a settings file written by hand.
#include "tools/vtsetup/command_line.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "tests/support/file_text.h"

namespace vantora::vtsetup {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -99;
  std::string out;
  std::string err;
};

ToolRun Vtsetup(std::vector<std::string> args) {
  args.insert(args.begin(), "vtsetup");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ToolRun run;
  CommandLineOptions options;
  bool help = false;
  run.status =
      ParseCommandLine(static_cast<int>(args.size()), argv.data(), &options, &help, out, err);
  if (run.status == 0 && !help) run.status = RunCommandLine(options, out, err);
  run.out = vantora::testing::TakeFileText(out);
  run.err = vantora::testing::TakeFileText(err);
  return run;
}

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(::testing::TempDir()) / ("vtsetup-cli-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    path_ = (root_ / "MV400.INI").string();
    setenv("MV400_INI", path_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("MV400_INI");
    fs::remove_all(root_);
  }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path root_;
  std::string path_;
};

constexpr char kHandWritten[] =
    "; written by hand\n"
    "[ general ]\n"
    "   Network =  ehn\n"
    "\n"
    "; keep this comment\n"
    "[Buffers]\n"
    "Records=40\n";

TEST_F(CommandLineTest, SetThenShowKeepsTheHandWrittenText) {
  std::ofstream(path_, std::ios::binary) << kHandWritten;
  ToolRun set =
      Vtsetup({"--set", "General/Network=tcp", "Tcp/Port=9000", "general/location=as400.lan"});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(Read(),
            "; written by hand\n[ general ]\n   Network =  tcp\nLocation=as400.lan\n\n"
            "; keep this comment\n[Buffers]\nRecords=40\n\n[Tcp]\nPort=9000\n");

  ToolRun show = Vtsetup({"--show"});
  ASSERT_EQ(show.status, 0) << show.err;
  EXPECT_NE(show.out.find("settings file: " + path_ + "\n"), std::string::npos) << show.out;
  for (const char* line :
       {"General/Network=tcp\n", "General/Location=as400.lan\n", "Tcp/Port=9000\n",
        "General/Program=VANTORA/VANTORA    (default)\n", "Tcp/Tls=0    (default)\n",
        "Tcp/TlsCaFile=    (default)\n",
        "Host/DefaultUser=VANTORA    (default, not used with network type tcp)\n"}) {
    EXPECT_NE(show.out.find(line), std::string::npos) << line << "\n" << show.out;
  }
  EXPECT_NE(show.out.find("VANTORA_PASSWORD"), std::string::npos);
}

TEST_F(CommandLineTest, UnsetAndKeysTheModelDoesNotKnow) {
  std::ofstream(path_, std::ios::binary) << kHandWritten;
  ToolRun run = Vtsetup({"--set", "Buffers/Records=50", "--unset", "General/Network"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Read(),
            "; written by hand\n[ general ]\n\n; keep this comment\n[Buffers]\nRecords=50\n");
}

TEST_F(CommandLineTest, RefusedChangesLeaveTheFileAndExitOne) {
  std::ofstream(path_, std::ios::binary) << kHandWritten;
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--set", "Tcp/Password=secret"}, "VANTORA_PASSWORD"},
      {{"--set", "tcp/PASSWORD=secret"}, "VANTORA_PASSWORD"},
      {{"--set", "General/Location=a\nb"}, "line break"},
      {{"--set", "General/Network=tcp", "Tcp/Port=0"},
       "Tcp/Port: a port is a number from 1 to 65535"},
      {{"--set", "General/Location=as400.example:84710"}, "1 to 65535"},
      {{"--set", "General/Network=tcp", "Tcp/Tls=yes"}, "Tcp/Tls: 0 (off) or 1 (on)"},
      {{"--set", "General/Network=tcp", "Tcp/TlsCaFile=/nonexistent/ca.pem"},
       "Tcp/TlsCaFile: no file /nonexistent/ca.pem can be read"},
      {{"--set", "General/Network=tcpip"}, "at most 4 characters"},
      {{"--set", "NoSlash=1"}, "is not SECTION/KEY"},
      {{"--set", "General/Network"}, "is not SECTION/KEY=VALUE"},
      {{"--unset", "General"}, "is not SECTION/KEY"},
  };
  for (const auto& c : cases) {
    ToolRun run = Vtsetup(c.args);
    EXPECT_EQ(run.status, 1) << c.args.back();
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args.back() << ": " << run.err;
    EXPECT_EQ(Read(), kHandWritten) << c.args.back();
  }
}

// --test --json on settings that stop the test before any connection: the
// file's folder and the network type hold quotes, backslashes, control
// characters and UTF-8, and the line parses back to them. A folder name that
// is not UTF-8 still gives JSON that parses.
TEST_F(CommandLineTest, TestJsonParsesWithAwkwardTexts) {
  const std::string kReplacement = "\xEF\xBF\xBD";
  const struct {
    std::string folder;
    std::string network;
    std::string folderBack = "";  // when not `folder`
  } cases[] = {
      {"plain", "nope"},
      {"say \"hi\"", "x\"y\\z"},
      {"back\\slash", "\\"},
      {"tab\there\nline\x01\x1f", "a\"b"},
      {"Zürich 日本語 \xF0\x9F\x98\x80", "é"},
      {"caf\xE9", "ab", "caf" + kReplacement},  // Latin-1
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    const fs::path folder = root_ / c.folder;
    fs::create_directories(folder);
    const std::string ini = (folder / "MV400.INI").string();
    std::ofstream(ini, std::ios::binary) << "[General]\nNetwork=" << c.network << "\n";
    setenv("MV400_INI", ini.c_str(), 1);
    ToolRun run = Vtsetup({"--test", "--json"});
    EXPECT_EQ(run.status, 1) << run.err;
    ASSERT_FALSE(run.out.empty());
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
    ASSERT_TRUE(nlohmann::json::accept(run.out)) << run.out;
    const nlohmann::json result = nlohmann::json::parse(run.out);
    const std::string folderBack = c.folderBack.empty() ? c.folder : c.folderBack;
    EXPECT_EQ(result["settings"], (root_ / folderBack / "MV400.INI").string());
    EXPECT_EQ(result["network"], c.network);
    EXPECT_EQ(result["ok"], false);
    EXPECT_FALSE(result["problem"].get<std::string>().empty());
    EXPECT_TRUE(result["serverVersion"].is_null());
    EXPECT_TRUE(result["failure"].is_null());
  }
}

TEST_F(CommandLineTest, UsageErrorsAndHelp) {
  ToolRun help = Vtsetup({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--show", "--set", "--test", "--json", "--clear-index-dictionary",
                             "--yes", "VANTORA_PASSWORD"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  const std::vector<std::string> usage[] = {{"--frobnicate"}, {"--json"}, {"--yes"}, {"extra"}};
  for (const auto& args : usage) {
    ToolRun run = Vtsetup(args);
    EXPECT_EQ(run.status, 2) << args[0];
    EXPECT_NE(run.err.find("vtsetup: "), std::string::npos) << run.err;
  }
  CommandLineOptions options;
  bool shown = false;
  char name[] = "vtsetup";
  char* argv[] = {name, nullptr};
  EXPECT_EQ(ParseCommandLine(1, argv, &options, &shown, stdout, stderr), -1);  // the dialog
}

}  // namespace
}  // namespace vantora::vtsetup
