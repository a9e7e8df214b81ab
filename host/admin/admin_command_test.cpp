#include "host/admin/admin_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "host/server/host.h"

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

  int Run(std::vector<std::string> args) {
    out_.str(""), err_.str("");
    return RunAdminCommand(args, out_, err_);
  }

  std::filesystem::path dir_;
  std::ostringstream out_, err_;
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
      {{"add-user", "dir", "NAME"}, 2},
      {{"demo", "dir", "--records"}, 2},
      {{"demo", "dir", "--records", "ten"}, 2},
      {{"demo", "dir", "--records", "-1"}, 2},
      {{"procedure-files", "dir"}, 2},
      {{"procedure-files", "dir", "ELEVENCHARS"}, 2},
      {{"procedure-files", "dir", "LIB", "more"}, 2},
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
  ASSERT_EQ(Run({"add-user", dir_.string(), "BOB", "secret"}), 0) << err_.str();
  EXPECT_EQ(Run({"add-user", dir_.string(), "BOB", "again"}), 1);  // exists
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
