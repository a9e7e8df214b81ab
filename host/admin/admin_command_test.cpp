#include "host/admin/admin_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <vector>

#include "host/server/session/host.h"

namespace vantora::host {
namespace {

class AdminCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(::testing::TempDir()) /
           ("vantora-admin-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  int Run(std::vector<std::string> args, const SecretPrompt& ask = {}) {
    out_.str(""), err_.str("");
    return RunAdminCommand(args, out_, err_, ask);
  }
  // A terminal where the user types `answers`, one per prompt.
  SecretPrompt Typing(std::vector<std::string> answers) {
    return [this, answers](const std::string& prompt, std::string* answer) mutable {
      prompts_.push_back(prompt);
      if (answers.empty()) return false;
      *answer = answers.front();
      answers.erase(answers.begin());
      return true;
    };
  }
  bool SignsOn(const std::string& user, const std::string& password) {
    std::unique_ptr<Host> host;
    return Host::Open(dir_, {}, &host).ok() &&
           host->storage().userProfiles().Authenticate(user, password).ok();
  }

  std::filesystem::path dir_;
  std::ostringstream out_, err_;
  std::vector<std::string> prompts_;
};

TEST_F(AdminCommand, CommandLinesThatAreWrong) {
  struct Case {
    std::vector<std::string> args;
    int exit;
  } cases[] = {
      {{}, 2},
      {{"frobnicate"}, 2},
      {{"init"}, 2},
      {{"init", "a", "b"}, 2},
      {{"add-user", "dir"}, 2},
      {{"add-user", "dir", "NAME", "secret"}, 2},  // no password on the command line
      {{"demo", "dir", "--records"}, 2},
      {{"demo", "dir", "--records", "ten"}, 2},
      {{"demo", "dir", "--records", "-1"}, 2},
      {{"procedure-files", "dir"}, 2},
      {{"procedure-files", "dir", "ELEVENCHARS"}, 2},
      {{"procedure-files", "dir", "LIB", "more"}, 2},
      {{"password-level", "dir", "4"}, 2},
      {{"password-level", "dir", "x"}, 2},
      {{"password-level", "dir", "1", "2"}, 2},
      {{"--help"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
    EXPECT_EQ(Run(c.args), c.exit);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_));
}

TEST_F(AdminCommand, PreparesADataDirectory) {
  ASSERT_EQ(Run({"init", dir_.string()}), 0) << err_.str();
  setenv("VANTORA_PASSWORD", "secret", 1);
  ASSERT_EQ(Run({"add-user", dir_.string(), "BOB"}), 0) << err_.str();
  EXPECT_EQ(Run({"add-user", dir_.string(), "BOB"}), 1);  // exists
  unsetenv("VANTORA_PASSWORD");
  EXPECT_NE(err_.str().find("vantora-host:"), std::string::npos);
  ASSERT_EQ(Run({"demo", dir_.string(), "--records", "25"}), 0) << err_.str();

  std::unique_ptr<Host> host;
  ASSERT_TRUE(Host::Open(dir_, {}, &host).ok());
  EXPECT_TRUE(host->storage().userProfiles().Authenticate("BOB", "secret").ok());
  std::unique_ptr<FileCursor> cursor;
  CursorOptions options;
  options.job = -1;
  ASSERT_TRUE(host->storage().OpenCursor({"DEMO", "BENCH100"}, options, &cursor).ok());
  int64_t count = 0;
  ASSERT_TRUE(cursor->RecordCount(&count).ok());
  EXPECT_EQ(count, 25);
  EXPECT_EQ(cursor->format().HostRecordLength(), 100);
}

// A password made in lower case signs on in any case at the default level,
// as the database driver sends it upper-cased; level 2 makes them exact.
TEST_F(AdminCommand, ThePasswordLevelIsShownAndSet) {
  setenv("VANTORA_PASSWORD", "secret", 1);
  ASSERT_EQ(Run({"add-user", dir_.string(), "ALICE"}), 0) << err_.str();
  ASSERT_EQ(Run({"password-level", dir_.string()}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "password level 0: passwords compare without regard to case\n");
  EXPECT_TRUE(SignsOn("ALICE", "SECRET"));
  ASSERT_EQ(Run({"password-level", dir_.string(), "2"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "password level 2: passwords compare exactly\n");
  ASSERT_EQ(Run({"add-user", dir_.string(), "BOB"}), 0) << err_.str();
  unsetenv("VANTORA_PASSWORD");
  EXPECT_TRUE(SignsOn("BOB", "secret"));
  EXPECT_FALSE(SignsOn("BOB", "SECRET"));
}

TEST_F(AdminCommand, TakesThePasswordFromTheEnvironmentOrTheTerminalOnly) {
  unsetenv("VANTORA_PASSWORD");
  ASSERT_EQ(Run({"init", dir_.string()}), 0) << err_.str();
  EXPECT_EQ(Run({"add-user", dir_.string(), "CAROL", "secret"}), 2);
  EXPECT_NE(err_.str().find("other users of the machine can read it"), std::string::npos)
      << err_.str();
  struct Case {
    const char* what;
    const char* environment;  // nullptr: unset
    bool terminal;
    std::vector<std::string> typed;
    int exit;
    const char* message;  // in the error output
  } cases[] = {
      {"no terminal", nullptr, false, {}, 2, "set VANTORA_PASSWORD, or run in a terminal"},
      {"an empty variable", "", true, {"s3cr3t"}, 2, "$VANTORA_PASSWORD is empty"},
      {"two different answers", nullptr, true, {"one", "two"}, 2, "the passwords differ"},
      {"an empty answer", nullptr, true, {"", ""}, 2, "empty password"},
      {"no answer", nullptr, true, {}, 2, "no password typed"},
      {"typed twice", nullptr, true, {"s3cr3t", "s3cr3t"}, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.environment != nullptr) {
      setenv("VANTORA_PASSWORD", c.environment, 1);
    } else {
      unsetenv("VANTORA_PASSWORD");
    }
    prompts_.clear();
    EXPECT_EQ(Run({"add-user", dir_.string(), "CAROL"}, c.terminal ? Typing(c.typed) : nullptr),
              c.exit);
    if (c.message != nullptr) {
      EXPECT_NE(err_.str().find(c.message), std::string::npos) << err_.str();
    }
    EXPECT_EQ(err_.str().find("s3cr3t"), std::string::npos) << err_.str();
  }
  unsetenv("VANTORA_PASSWORD");
  ASSERT_EQ(prompts_.size(), 2u);
  EXPECT_EQ(prompts_[0], "Password for CAROL: ");
  EXPECT_TRUE(SignsOn("CAROL", "s3cr3t"));
  // The environment wins over the terminal, which is then not asked.
  setenv("VANTORA_PASSWORD", "fromenv", 1);
  prompts_.clear();
  EXPECT_EQ(Run({"add-user", dir_.string(), "DAVE"}, Typing({"s3cr3t", "s3cr3t"})), 0);
  unsetenv("VANTORA_PASSWORD");
  EXPECT_TRUE(prompts_.empty());
  EXPECT_TRUE(SignsOn("DAVE", "fromenv"));
}

TEST_F(AdminCommand, CreatesTheProcedureCatalogueInALibrary) {
  ASSERT_EQ(Run({"init", dir_.string()}), 0) << err_.str();
  EXPECT_EQ(Run({"procedure-files", dir_.string(), "NOLIB"}), 1);  // no such library
  EXPECT_NE(err_.str().find("NOLIB"), std::string::npos);
  {
    std::unique_ptr<Host> host;
    ASSERT_TRUE(Host::Open(dir_, {}, &host).ok());
    ASSERT_TRUE(host->storage().catalogue().CreateLibrary("SALES", "").ok());
  }
  ASSERT_EQ(Run({"procedure-files", dir_.string(), "sales"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "YPROCHDR, YPROCPARMS and YPROCPGM created in SALES\n");
  EXPECT_EQ(Run({"procedure-files", dir_.string(), "SALES"}), 1);  // they exist now

  std::unique_ptr<Host> host;
  ASSERT_TRUE(Host::Open(dir_, {}, &host).ok());
  const struct {
    const char* file;
    int length;
  } files[] = {{"YPROCHDR", 118}, {"YPROCPARMS", 40}, {"YPROCPGM", 118}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.file);
    std::unique_ptr<FileCursor> cursor;
    CursorOptions options;
    options.job = -1;
    ASSERT_TRUE(host->storage().OpenCursor({"SALES", f.file}, options, &cursor).ok());
    EXPECT_EQ(cursor->format().HostRecordLength(), f.length);
  }
}

}  // namespace
}  // namespace vantora::host
