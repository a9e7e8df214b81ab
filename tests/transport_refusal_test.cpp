// A transport the client library cannot use: missing, incomplete, or named
// by a Network setting longer than four characters. Each case starts
// transport_refusal_probe as a child process with settings naming such a
// transport, and checks the message the library shows at load (through the
// console UI sink, on standard error) word for word, that it is shown exactly
// once, and that the probe found the library unusable (its exit status).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct RefusalCase {
  const char* name;
  const char* settings;  // the settings file the probe runs with
  const char* code;      // Internal_Error() the probe must get
  const char* message;   // the whole line on standard error
};

const RefusalCase kCases[] = {
    {"Missing", REFUSAL_MISSING_INI, "9001",
     "MV432IDA.DLL [warning]: Network DLL (libMV432zzz.so) not found !"},
    {"LongNameCutToFour", REFUSAL_LONG_INI, "9001",
     "MV432IDA.DLL [warning]: Network DLL (libMV432TSTL.so) not found !"},
    {"Incomplete", REFUSAL_INCOMPLETE_INI, "9002",
     "MV432IDA.DLL [warning]: Network DLL (libMV432bad.so): Functions not found: Check versions !"},
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
  *os << c.name;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

struct ProbeRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the probe with MV400_INI = `settings`, standard output and error
// each into a file of their own.
ProbeRun RunProbe(const std::string& settings, const std::string& code, const std::string& tag) {
  const std::string dir = ::testing::TempDir();
  const std::string outPath = dir + "refusal_" + tag + ".out";
  const std::string errPath = dir + "refusal_" + tag + ".err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind("MV400_INI=", 0) != 0) env.emplace_back(*e);
  }
  env.push_back("MV400_INI=" + settings);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = REFUSAL_PROBE;
  std::string argument = code;
  char* argv[] = {program.data(), argument.data(), nullptr};
  ProbeRun run;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(spawned, 0) << "cannot start " << program;
  if (spawned != 0) return run;
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  run.out = ReadFile(outPath);
  run.err = ReadFile(errPath);
  return run;
}

class TransportRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(TransportRefusal, MessageOnceAndLibraryUnusable) {
  const RefusalCase& c = GetParam();
  const ProbeRun run = RunProbe(c.settings, c.code, c.name);
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(Occurrences(run.err, std::string(c.message) + "\n"), 1u) << run.err;
  EXPECT_EQ(Occurrences(run.err, "Network DLL"), 1u) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Transports, TransportRefusal, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RefusalCase>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
