#include "platform/process_runner.h"

#include <gtest/gtest.h>

#include <string>

namespace vantora::platform {
namespace {

struct RunCase {
  const char* name;
  std::vector<std::string> argv;
  std::string input;
  size_t maxOutput;
  int limitMs;
  RunOutcome outcome;
  std::string output;
  int exitStatus;
};

TEST(SystemProcessRunner, RunsWithoutAShell) {
  const RunCase cases[] = {
      {"EchoesItsInput", {"/bin/cat"}, "hello", 64, 5000, RunOutcome::kOk, "hello", 0},
      {"KeepsAtMostTheLimit", {"/bin/cat"}, "abcdefgh", 3, 5000, RunOutcome::kOk, "abc", 0},
      {"PassesArgumentsAsTheyAre",
       {"/bin/echo", "a  b", "$HOME"},
       "",
       64,
       5000,
       RunOutcome::kOk,
       "a  b $HOME\n",
       0},
      {"ExitStatusIsAFailure",
       {"/bin/sh", "-c", "exit 3"},
       "",
       64,
       5000,
       RunOutcome::kFailed,
       "",
       3},
      {"MissingProgramFails", {"/no/such/program"}, "", 64, 5000, RunOutcome::kFailed, "", 127},
      {"AProgramNotReadingItsInputIsNoDeath",
       {"/bin/true"},
       std::string(1 << 20, 'x'),
       64,
       5000,
       RunOutcome::kOk,
       "",
       0},
      {"KilledAfterTheLimit", {"/bin/sleep", "5"}, "", 64, 100, RunOutcome::kTimedOut, "", -1},
      {"NothingToRun", {}, "", 64, 100, RunOutcome::kFailed, "", -1},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> output{'?'};
    int status = 42;
    const auto input = std::span(reinterpret_cast<const uint8_t*>(c.input.data()), c.input.size());
    EXPECT_EQ(SystemProcessRunner().Run(c.argv, input, c.maxOutput,
                                        std::chrono::milliseconds(c.limitMs), &output, &status),
              c.outcome);
    EXPECT_EQ(std::string(output.begin(), output.end()), c.output);
    EXPECT_EQ(status, c.exitStatus);
  }
}

class FixedRunner : public ProcessRunner {
 public:
  RunOutcome Run(const std::vector<std::string>&, std::span<const uint8_t>, size_t,
                 std::chrono::milliseconds, std::vector<uint8_t>*, int*) override {
    return RunOutcome::kTimedOut;
  }
};

TEST(CurrentProcessRunner, IsReplacedWhileAScopeLasts) {
  EXPECT_EQ(&CurrentProcessRunner(), &SystemProcessRunner());
  FixedRunner outer;
  FixedRunner inner;
  {
    ScopedProcessRunner a(outer);
    EXPECT_EQ(&CurrentProcessRunner(), &outer);
    {
      ScopedProcessRunner b(inner);
      EXPECT_EQ(&CurrentProcessRunner(), &inner);
    }
    EXPECT_EQ(&CurrentProcessRunner(), &outer);
  }
  EXPECT_EQ(&CurrentProcessRunner(), &SystemProcessRunner());
}

}  // namespace
}  // namespace vantora::platform
