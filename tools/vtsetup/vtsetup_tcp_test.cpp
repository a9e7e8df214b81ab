// vtsetup's command line against vantora-hostd over TCP: the program itself,
// started as a child process, as a new user or a script runs it.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/server/host_setup.h"
#include "host/server/session/host.h"
#include "tests/support/hostd_process.h"

namespace vantora::vtsetup {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  int status = -1;
  std::string output;  // standard output and standard error
};

ProgramRun RunVtsetup(const std::string& environment, const std::string& arguments) {
  std::string command = environment + " '" VTSETUP_PATH "' " + arguments + " 2>&1";
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

int ClosedPort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t n = sizeof a;
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  close(s);
  return ntohs(a.sin_port);
}

class VtsetupTcp : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(::testing::TempDir()) / ("vtsetup-tcp-" + std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    {
      std::unique_ptr<host::Host> h;
      ASSERT_TRUE(host::OpenPreparedHost((root_ / "host").string(), "", {}, &h).ok());
      ASSERT_TRUE(h->storage().userProfiles().Create("SETUP", "secret", "").ok());
    }
    ASSERT_TRUE(server_.Start(root_ / "host", root_ / "hostd.log"));
    settings_ = root_ / "MV400.INI";
    // A first user's file: a comment, and nothing about TCP yet.
    std::ofstream(settings_) << "; my workstation\n[General]\nNetwork=ehn\n";
  }
  void TearDown() override {
    EXPECT_EQ(server_.Stop(), 0);
    fs::remove_all(root_);
  }

  std::string Env(const std::string& password = "secret") const {
    return "MV400_INI='" + settings_.string() + "' VANTORA_USER=SETUP VANTORA_PASSWORD='" +
           password + "'";
  }
  std::string Settings() const {
    std::ifstream in(settings_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path root_;
  fs::path settings_;
  testing::HostdProcess server_;
};

TEST_F(VtsetupTcp, SetThenTestShowsTheVersions) {
  const std::string port = std::to_string(server_.port());
  ProgramRun set = RunVtsetup(
      Env(), "--set General/Network=tcp General/Location=127.0.0.1 Tcp/Port=" + port + " --show");
  ASSERT_EQ(set.status, 0) << set.output;
  EXPECT_EQ(
      Settings(),
      "; my workstation\n[General]\nNetwork=tcp\nLocation=127.0.0.1\n\n[Tcp]\nPort=" + port + "\n");
  EXPECT_NE(set.output.find("General/Network=tcp\n"), std::string::npos) << set.output;
  EXPECT_NE(set.output.find("Tcp/Port=" + port + "\n"), std::string::npos) << set.output;

  ProgramRun test = RunVtsetup(Env(), "--test");
  ASSERT_EQ(test.status, 0) << test.output;
  EXPECT_NE(test.output.find("client version: 202\n"), std::string::npos) << test.output;
  EXPECT_NE(test.output.find("server version: " + std::to_string(host::kHostVersion) + "\n"),
            std::string::npos)
      << test.output;
  EXPECT_NE(test.output.find("driver version: 3.0\n"), std::string::npos) << test.output;
  EXPECT_NE(test.output.find("Connection test passed."), std::string::npos);

  ProgramRun json = RunVtsetup(Env(), "--test --json");
  ASSERT_EQ(json.status, 0) << json.output;
  EXPECT_NE(json.output.find("\"ok\": true"), std::string::npos) << json.output;
  EXPECT_NE(json.output.find("\"network\": \"tcp\", \"transport\": \"libMV432tcp.so\""),
            std::string::npos)
      << json.output;
  EXPECT_NE(json.output.find("\"serverVersion\": " + std::to_string(host::kHostVersion)),
            std::string::npos);
  EXPECT_NE(json.output.find("\"failure\": null"), std::string::npos);
  EXPECT_TRUE(server_.WaitForLog("session end", 2)) << server_.Log();
}

TEST_F(VtsetupTcp, AWrongPortGivesTheTransportsCodes) {
  ProgramRun set = RunVtsetup(Env(),
                              "--set General/Network=tcp General/Location=127.0.0.1 "
                              "Tcp/Port=" +
                                  std::to_string(ClosedPort()));
  ASSERT_EQ(set.status, 0) << set.output;
  ProgramRun test = RunVtsetup(Env(), "--test");
  EXPECT_EQ(test.status, 1) << test.output;
  // The codes, the sentence once, the details; an error, never a "warning".
  EXPECT_NE(test.output.find("StartSession:APPC Error, primary code : 1, secondary : 6f\n"
                             "cannot connect to 127.0.0.1:"),
            std::string::npos)
      << test.output;
  EXPECT_NE(test.output.find(": connection refused (is vantora-hostd running, on that port?)\n"
                             "  class -20, transport codes: primary 1, secondary 111\n"),
            std::string::npos)
      << test.output;
  EXPECT_EQ(test.output.find("connection refused"), test.output.rfind("connection refused"));
  EXPECT_EQ(test.output.find("warning"), std::string::npos) << test.output;
  ProgramRun json = RunVtsetup(Env(), "--test --json");
  EXPECT_EQ(json.status, 1);
  EXPECT_NE(json.output.find("\"class\": -20"), std::string::npos) << json.output;
  EXPECT_NE(json.output.find("\"primary\": 1, \"secondary\": 111"), std::string::npos)
      << json.output;
  EXPECT_NE(json.output.find("\"explanation\": \"cannot connect to 127.0.0.1:"), std::string::npos)
      << json.output;
}

TEST_F(VtsetupTcp, AWrongPasswordGivesTheHostsMessage) {
  ProgramRun set = RunVtsetup(Env(),
                              "--set General/Network=tcp General/Location=127.0.0.1 "
                              "Tcp/Port=" +
                                  std::to_string(server_.port()));
  ASSERT_EQ(set.status, 0) << set.output;
  ProgramRun test = RunVtsetup(Env("wrong"), "--test --json");
  EXPECT_EQ(test.status, 1) << test.output;
  EXPECT_NE(test.output.find("\"step\": \"StartSession\""), std::string::npos) << test.output;
  EXPECT_NE(test.output.find("\"class\": -1,"), std::string::npos) << test.output;
  EXPECT_NE(test.output.find("\"messageId\": \"CPF22E2\""), std::string::npos) << test.output;
  EXPECT_NE(test.output.find("\"explanation\": \"password not correct for "), std::string::npos)
      << test.output;
}

TEST_F(VtsetupTcp, ClearingNeedsYesAndEmptiesTheDictionary) {
  ProgramRun set = RunVtsetup(Env(),
                              "--set General/Network=tcp General/Location=127.0.0.1 "
                              "Tcp/Port=" +
                                  std::to_string(server_.port()));
  ASSERT_EQ(set.status, 0) << set.output;
  ProgramRun asked = RunVtsetup(Env(), "--clear-index-dictionary");
  EXPECT_EQ(asked.status, 1);
  EXPECT_NE(asked.output.find("Nothing was done: add --yes"), std::string::npos) << asked.output;
  EXPECT_EQ(server_.Log().find("CLRPFM"), std::string::npos) << server_.Log();

  ProgramRun cleared = RunVtsetup(Env(), "--clear-index-dictionary --yes");
  EXPECT_EQ(cleared.status, 0) << cleared.output;
  EXPECT_NE(cleared.output.find("The index dictionary YIDXR0100 is empty"), std::string::npos)
      << cleared.output;
}

TEST_F(VtsetupTcp, APasswordIsNeverWritten) {
  ProgramRun set = RunVtsetup(Env(), "--set Tcp/Password=secret");
  EXPECT_EQ(set.status, 1);
  EXPECT_NE(set.output.find("VANTORA_PASSWORD"), std::string::npos) << set.output;
  EXPECT_EQ(Settings(), "; my workstation\n[General]\nNetwork=ehn\n");
}

}  // namespace
}  // namespace vantora::vtsetup
