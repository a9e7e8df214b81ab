// speedcheck's command-line mode against vantora-hostd over TCP: the
// program itself, started as a child process with settings naming the
// server, as a script would run it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/server/host_setup.h"
#include "tests/support/hostd_process.h"

namespace vantora::speedcheck {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  int status = -1;
  std::string output;  // standard output and standard error
};

ProgramRun RunSpeedcheck(const fs::path& settings, const std::string& arguments) {
  std::string command =
      "MV400_INI='" + settings.string() + "' '" SPEEDCHECK_PATH "' " + arguments + " 2>&1";
  ProgramRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class SpeedcheckTcp : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(::testing::TempDir()) / ("speedcheck-tcp-" + std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    {
      std::unique_ptr<host::Host> h;
      ASSERT_TRUE(host::OpenPreparedHost((root_ / "host").string(), "", {}, &h).ok());
      ASSERT_TRUE(h->storage().userProfiles().Create("BENCH", "secret", "").ok());
    }
    ASSERT_TRUE(server_.Start(root_ / "host", root_ / "hostd.log"));
    settings_ = root_ / "MV400.INI";
    std::ofstream(settings_) << "[General]\nNetwork=tcp\nLocation=127.0.0.1\n[Tcp]\nPort="
                             << server_.port() << "\nUser=BENCH\nPassword=secret\n";
  }
  void TearDown() override {
    EXPECT_EQ(server_.Stop(), 0);
    fs::remove_all(root_);
  }

  fs::path root_;
  fs::path settings_;
  testing::HostdProcess server_;
};

TEST_F(SpeedcheckTcp, ReadsTheDemoFileInBlocksAndOneByOne) {
  ProgramRun blocked = RunSpeedcheck(settings_, "--file DEMO/BENCH100 --records 600");
  ASSERT_EQ(blocked.status, 0) << blocked.output;
  EXPECT_NE(blocked.output.find("Open DEMO/BENCH100: 10 fields"), std::string::npos)
      << blocked.output;
  EXPECT_NE(blocked.output.find("Read 801 records in 3 blocked reads of up to 267 records: "),
            std::string::npos)
      << blocked.output;
  EXPECT_NE(blocked.output.find("Records in cache: 267"), std::string::npos);

  ProgramRun single =
      RunSpeedcheck(settings_, "--file DEMO/BENCH100 --records 300 --no-cache --json");
  ASSERT_EQ(single.status, 0) << single.output;
  EXPECT_NE(single.output.find("\"blocked\": false"), std::string::npos) << single.output;
  EXPECT_NE(single.output.find("\"recordsRead\": 534"), std::string::npos) << single.output;
  EXPECT_NE(single.output.find("\"requests\": 534"), std::string::npos) << single.output;

  ProgramRun oneByOne =
      RunSpeedcheck(settings_, "--file DEMO/BENCH100 --records 300 --no-cache --quiet");
  ASSERT_EQ(oneByOne.status, 0) << oneByOne.output;
  EXPECT_NE(oneByOne.output.find("Read 534 records one record per request (534 requests): "),
            std::string::npos)
      << oneByOne.output;
  EXPECT_EQ(oneByOne.output.find("per pass"), std::string::npos) << oneByOne.output;
  EXPECT_TRUE(server_.WaitForLog("session end", 2)) << server_.Log();
}

TEST_F(SpeedcheckTcp, FailuresExitNonZeroWithTheDialogsText) {
  ProgramRun missing = RunSpeedcheck(settings_, "--file DEMO/NOSUCHFILE --records 1");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.output.find("[error]: Ropen:Normal error 3004, with message CPF4101.\n"
                                "file DEMO/NOSUCHFILE not found (CPF4101)\n"),
            std::string::npos)
      << missing.output;
  EXPECT_EQ(missing.output.find("warning"), std::string::npos) << missing.output;

  std::ofstream(root_ / "wrong.ini")
      << "[General]\nNetwork=tcp\nLocation=127.0.0.1\n[Tcp]\nPort=" << server_.port()
      << "\nUser=BENCH\nPassword=wrong\n";
  ProgramRun refused = RunSpeedcheck(root_ / "wrong.ini", "--file DEMO/BENCH100");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.output.find("StartSession:Normal error"), std::string::npos) << refused.output;
  EXPECT_NE(refused.output.find("password not correct for the user of the settings (CPF22E2)"),
            std::string::npos)
      << refused.output;
}

TEST_F(SpeedcheckTcp, RecordsMustBeAPositiveNumber) {
  for (const char* bad : {"abc", "0", "-5", "12x", "''"}) {
    ProgramRun run = RunSpeedcheck(settings_, std::string("--file DEMO/BENCH100 --records ") + bad);
    EXPECT_EQ(run.status, 2) << bad << ": " << run.output;
    EXPECT_NE(run.output.find("--records needs a positive whole number"), std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("Connect:"), std::string::npos) << run.output;  // nothing was run
  }
  ProgramRun one = RunSpeedcheck(settings_, "--file DEMO/BENCH100 --records 1 --quiet");
  EXPECT_EQ(one.status, 0) << one.output;
}

}  // namespace
}  // namespace vantora::speedcheck
