#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace vantora::platform {
namespace {

TEST(Profile, MissingFileSectionOrKeyGivesDefault) {
  Profile missing = Profile::FromFile("/nonexistent/dir/MV400.INI");
  EXPECT_EQ(missing.GetString("General", "Network", "ehn"), "ehn");
  EXPECT_EQ(missing.GetInt("NT", "NbSession", 1), 1);

  Profile p = Profile::FromText("[General]\nNetwork=tcp\n");
  EXPECT_EQ(p.GetString("Other", "Network", "dflt"), "dflt");
  EXPECT_EQ(p.GetString("General", "Location", "none"), "none");
  EXPECT_EQ(p.GetInt("General", "Missing", -7), -7);
}

TEST(Profile, NamesCompareWithoutCaseValuesKeepCase) {
  Profile p = Profile::FromText("[general]\r\nNETWORK = TcP \r\n");
  EXPECT_EQ(p.GetString("General", "network", ""), "TcP");
  EXPECT_EQ(p.GetString("GENERAL", "Network", ""), "TcP");
}

TEST(Profile, IntegersReadLeadingDigits) {
  struct Case {
    const char* value;
    int32_t expected;
  } cases[] = {{"12abc", 12}, {"abc", 0}, {"  42 ", 42}, {"-5x", -5},
               {"+8", 8},     {"", 0},    {"0009", 9},   {"99999999999", INT32_MAX}};
  for (const Case& c : cases) {
    Profile p = Profile::FromText(std::string("[NT]\nNbSession=") + c.value + "\n");
    EXPECT_EQ(p.GetInt("NT", "NbSession", 1), c.expected) << "value '" << c.value << "'";
  }
}

TEST(Profile, OverlongValueIsCutAtBufferSize) {
  Profile p = Profile::FromText("[General]\nNetwork=abcdefgh\n");
  char buffer[5];
  std::memset(buffer, 'X', sizeof buffer);
  EXPECT_EQ(p.GetString("General", "Network", "ehn", buffer, sizeof buffer), 4u);
  EXPECT_STREQ(buffer, "abcd");
  char one[1] = {'X'};
  EXPECT_EQ(p.GetString("General", "Network", "ehn", one, 1), 0u);
  EXPECT_EQ(one[0], '\0');
  EXPECT_EQ(p.GetString("General", "Absent", "ehn", buffer, sizeof buffer), 3u);
  EXPECT_STREQ(buffer, "ehn");
}

TEST(Profile, CommentsQuotesAndFirstOccurrence) {
  Profile p = Profile::FromText(
      "; a comment\nstray=1\n[GENERAL]\nconvtable=\"/tmp/a b.tbl\"\nconvtable=second\n"
      "[General]\npwd=x\n");
  EXPECT_EQ(p.GetString("General", "stray", "none"), "none");
  EXPECT_EQ(p.GetString("General", "convtable", ""), "/tmp/a b.tbl");
  EXPECT_EQ(p.GetString("General", "pwd", ""), "x");
}

TEST(Profile, LocationOrder) {
  std::string dir = ::testing::TempDir() + "profile_location";
  std::string cfg = dir + "/cfg";
  ASSERT_EQ(std::system(("mkdir -p " + cfg + "/vantora").c_str()), 0);
  std::ofstream(cfg + "/vantora/MV400.INI") << "[General]\nNetwork=xdg\n";
  std::ofstream(dir + "/named.ini") << "[General]\nNetwork=named\n";

  const char* oldIni = std::getenv("MV400_INI");
  std::string savedIni = oldIni ? oldIni : "";
  setenv("XDG_CONFIG_HOME", cfg.c_str(), 1);
  setenv("MV400_INI", (dir + "/named.ini").c_str(), 1);
  EXPECT_EQ(DefaultProfilePath(), dir + "/named.ini");
  EXPECT_EQ(Profile::FromDefaultFile().GetString("General", "Network", ""), "named");
  unsetenv("MV400_INI");
  EXPECT_EQ(DefaultProfilePath(), cfg + "/vantora/MV400.INI");
  setenv("XDG_CONFIG_HOME", (dir + "/nowhere").c_str(), 1);
  EXPECT_EQ(DefaultProfilePath(), "/etc/vantora/MV400.INI");
  unsetenv("XDG_CONFIG_HOME");
  if (oldIni) setenv("MV400_INI", savedIni.c_str(), 1);
}

TEST(Profile, NamedFileThatCannotBeUsedIsAProblem) {
  const std::string dir = ::testing::TempDir() + "profile_named";
  ASSERT_EQ(std::system(("mkdir -p " + dir + "/folder").c_str()), 0);
  std::ofstream(dir + "/there.ini") << "[General]\nNetwork=ehn\n";
  const char* oldIni = std::getenv("MV400_INI");
  const std::string savedIni = oldIni ? oldIni : "";
  struct Case {
    const char* named;  // null: unset
    std::string problem;
  } cases[] = {
      {nullptr, ""},
      {"", ""},
      {"there.ini", ""},
      {"missing.ini", " does not exist"},
      {"folder", " is not a file"},
  };
  for (const Case& c : cases) {
    std::string path;
    if (c.named == nullptr) {
      unsetenv("MV400_INI");
    } else {
      path = *c.named ? dir + "/" + c.named : "";
      setenv("MV400_INI", path.c_str(), 1);
    }
    const std::string expected =
        c.problem.empty() ? "" : "the settings file " + path + " named by MV400_INI" + c.problem;
    EXPECT_EQ(NamedProfileProblem(), expected) << (c.named ? c.named : "(unset)");
  }
  if (oldIni) {
    setenv("MV400_INI", savedIni.c_str(), 1);
  } else {
    unsetenv("MV400_INI");
  }
}

TEST(Profile, SectionListsItsKeysInFileOrderOnce) {
  const Profile p = Profile::FromText(
      "[Driver.X]\nModule = mod\nLANGDRIVER=DB850WE0\nmodule=second\n[other]\nk=v\n"
      "[driver.x]\nExtra='quoted'\n");
  const auto keys = p.Section("DRIVER.x");
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0], (std::pair<std::string, std::string>{"Module", "mod"}));
  EXPECT_EQ(keys[1], (std::pair<std::string, std::string>{"LANGDRIVER", "DB850WE0"}));
  EXPECT_EQ(keys[2], (std::pair<std::string, std::string>{"Extra", "quoted"}));
  EXPECT_TRUE(p.Section("missing").empty());
}

}  // namespace
}  // namespace vantora::platform
