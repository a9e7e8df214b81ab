#include "platform/profile_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/profile.h"

namespace vantora::platform {
namespace {

namespace fs = std::filesystem;

ProfileChange Set(const char* section, const char* key, std::string value) {
  return {section, key, std::move(value)};
}
ProfileChange Remove(const char* section, const char* key) {
  return {section, key, std::nullopt};
}

// A file as a person writes it: odd spacing, case, a duplicate key, a
// second section of the same name, comments, a stray line before the first
// section.
constexpr char kHandWritten[] =
    "Network=stray\n"
    "  ; settings of this machine\n"
    "\n"
    "[ general ]\n"
    "  NETWORK   =   ehn   \n"
    "location=old.example\n"
    "network=second\n"
    "\n"
    "; the TCP transport\n"
    "[Tcp]\n"
    "Port = 8471\n"
    "[GENERAL]\n"
    "Network=dup\n"
    "Extra=kept\n";

TEST(ProfileWriter, ChangesOnlyTheFirstOccurrenceAndKeepsTheRest) {
  const std::string out = ApplyProfileChanges(kHandWritten, {Set("General", "Network", "tcp")});
  std::string expected = kHandWritten;
  expected.replace(expected.find("=   ehn   "), 10, "=   tcp");
  EXPECT_EQ(out, expected);
  Profile p = Profile::FromText(out);
  EXPECT_EQ(p.GetString("General", "Network", ""), "tcp");
  EXPECT_EQ(p.GetString("General", "Extra", ""), "kept");
}

TEST(ProfileWriter, AddsKeysWhereTheyBelong) {
  struct Case {
    const char* name;
    const char* text;
    ProfileChange change;
    const char* expected;
  } cases[] = {
      {"after the section's last key, before the comment of the next",
       "[General]\nNetwork=tcp\n\n; tcp\n[Tcp]\nPort=1\n", Set("general", "Program", "LIB/PGM"),
       "[General]\nNetwork=tcp\nProgram=LIB/PGM\n\n; tcp\n[Tcp]\nPort=1\n"},
      {"in the first of two sections of the name", "[Tcp]\nPort=1\n[General]\n[TCP]\nUser=A\n",
       Set("Tcp", "ConnectTimeout", "5"),
       "[Tcp]\nPort=1\nConnectTimeout=5\n[General]\n[TCP]\nUser=A\n"},
      {"right after a header without keys", "[SNA]\n\n[General]\nNetwork=sna\n",
       Set("SNA", "Lu", "LU01"), "[SNA]\nLu=LU01\n\n[General]\nNetwork=sna\n"},
      {"a new section at the end, after a blank line", "[General]\nNetwork=tcp\n",
       Set("Tcp", "Port", "9000"), "[General]\nNetwork=tcp\n\n[Tcp]\nPort=9000\n"},
      {"a file without a last line end", "[General]\nNetwork=tcp", Set("General", "NoWait", "1"),
       "[General]\nNetwork=tcp\nNoWait=1\n"},
      {"an empty file", "", Set("General", "Network", "tcp"), "[General]\nNetwork=tcp\n"},
      {"a key before the first section is no key", "Network=x\n[General]\n",
       Set("General", "Network", "tcp"), "Network=x\n[General]\nNetwork=tcp\n"},
      {"a commented-out key is no key", "[General]\n;Network=sna\n",
       Set("General", "Network", "tcp"), "[General]\nNetwork=tcp\n;Network=sna\n"},
      {"CRLF line ends stay CRLF", "[General]\r\nNetwork=ehn\r\n", Set("Tcp", "Port", "1"),
       "[General]\r\nNetwork=ehn\r\n\r\n[Tcp]\r\nPort=1\r\n"},
      {"a changed line keeps its CRLF", "[General]\r\nNetwork = ehn\r\n[Tcp]\r\n",
       Set("General", "Network", "tcp"), "[General]\r\nNetwork = tcp\r\n[Tcp]\r\n"},
      {"removing takes every occurrence", kHandWritten, Remove("General", "Network"),
       "Network=stray\n  ; settings of this machine\n\n[ general ]\nlocation=old.example\n\n"
       "; the TCP transport\n[Tcp]\nPort = 8471\n[GENERAL]\nExtra=kept\n"},
      {"removing a missing key changes nothing", "[General]\nNetwork=tcp\n", Remove("Tcp", "Port"),
       "[General]\nNetwork=tcp\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ApplyProfileChanges(c.text, {c.change}), c.expected) << c.name;
  }
}

TEST(ProfileWriter, RemovedKeyGivesTheReadersDefault) {
  const std::string out = ApplyProfileChanges(kHandWritten, {Remove("General", "Network")});
  EXPECT_EQ(Profile::FromText(out).GetString("General", "Network", "default"), "default");
}

TEST(ProfileWriter, ValuesReadBackUnchanged) {
  const char* values[] = {"tcp",
                          "  two blanks in front",
                          "a blank behind ",
                          "\"quoted\"",
                          "'single'",
                          "\"only in front",
                          "a=b;c",
                          "",
                          "[not a section]",
                          "\t tab"};
  for (const char* value : values) {
    const std::string out =
        ApplyProfileChanges("[General]\nLocation=x\n", {Set("General", "Location", value)});
    EXPECT_EQ(Profile::FromText(out).GetString("General", "Location", "?"), value) << out;
    const std::string added = ApplyProfileChanges("", {Set("Host", "DataDirectory", value)});
    EXPECT_EQ(Profile::FromText(added).GetString("Host", "DataDirectory", "?"), value) << added;
  }
}

TEST(ProfileWriter, RefusesWhatTheFileCannotHold) {
  struct Case {
    ProfileChange change;
    const char* why;
  } cases[] = {
      {Set("General", "Location", "a\nb"), "line break"},
      {Set("General", "Location", "a\r"), "line break"},
      {Set("Gen\neral", "Location", "a"), "line break"},
      {Set("General", "", "a"), "needed"},
      {Set("", "Location", "a"), "needed"},
      {Set("Gen]eral", "Location", "a"), "']'"},
      {Set("General", "Loc=ation", "a"), "'='"},
      {Set("General", ";Location", "a"), "';'"},
      {Set("General", "[Location", "a"), "';'"},
      {Set("General", " Location", "a"), "blank"},
  };
  for (const Case& c : cases) {
    const std::string why = CheckProfileChange(c.change);
    EXPECT_NE(why.find(c.why), std::string::npos)
        << c.change.section << "/" << c.change.key << ": " << why;
  }
  EXPECT_EQ(CheckProfileChange(Set("General", "Location", "as400.example:8471")), "");
  EXPECT_EQ(CheckProfileChange(Remove("General", "Location")), "");
}

TEST(ProfileWriter, TellsAPasswordFromOtherKeys) {
  EXPECT_TRUE(ProfileHoldsPassword("[Tcp]\nUser=A\nPassword=secret\n"));
  EXPECT_TRUE(ProfileHoldsPassword("[general]\npwd=x\n"));
  EXPECT_TRUE(ProfileHoldsPassword("[Tcp]\nPassword=\nPASSWORD=later\n"));
  EXPECT_FALSE(ProfileHoldsPassword("[Tcp]\nPassword=\nUser=A\n"));
  EXPECT_FALSE(ProfileHoldsPassword("[Tcp]\nPassword=\"\"\n"));
  EXPECT_FALSE(ProfileHoldsPassword("; Password=old\n[Tcp]\nUser=A\n"));
  EXPECT_FALSE(ProfileHoldsPassword("Password=stray\n[Tcp]\n"));
}

class ProfileWriterFile : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(::testing::TempDir()) / ("profile-writer-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static mode_t Mode(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
  }
  static ino_t Inode(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st.st_ino;
  }
  size_t FilesIn(const fs::path& folder) const {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
    return n;
  }

  fs::path root_;
};

TEST_F(ProfileWriterFile, CreatesTheFileAndItsFolders) {
  const fs::path path = root_ / "config" / "vantora" / "MV400.INI";
  ASSERT_EQ(WriteProfileChanges(path, {Set("General", "Network", "tcp")}), "");
  EXPECT_EQ(Read(path), "[General]\nNetwork=tcp\n");
  EXPECT_EQ(Mode(path), 0644u);
  EXPECT_EQ(FilesIn(path.parent_path()), 1u);  // no temporary file left behind
}

TEST_F(ProfileWriterFile, ReplacesAtomicallyAndKeepsTheHandWrittenText) {
  const fs::path path = root_ / "MV400.INI";
  std::ofstream(path, std::ios::binary) << kHandWritten;
  fs::permissions(path, fs::perms(0640));
  const ino_t before = Inode(path);
  ASSERT_EQ(
      WriteProfileChanges(path, {Set("General", "Network", "tcp"), Set("Tcp", "Port", "9000")}),
      "");
  EXPECT_NE(Inode(path), before);  // a new file renamed over the old one
  EXPECT_EQ(Mode(path), 0640u);    // the owner's choice of mode stays
  EXPECT_EQ(Read(path), ApplyProfileChanges(kHandWritten, {Set("General", "Network", "tcp"),
                                                           Set("Tcp", "Port", "9000")}));
  EXPECT_EQ(FilesIn(root_), 1u);
}

TEST_F(ProfileWriterFile, AFileWithAPasswordIsTheOwnersAlone) {
  const fs::path path = root_ / "MV400.INI";
  std::ofstream(path) << "[Tcp]\nUser=BENCH\nPassword=secret\n";
  fs::permissions(path, fs::perms(0644));
  ASSERT_EQ(WriteProfileChanges(path, {Set("Tcp", "Port", "9000")}), "");
  EXPECT_EQ(Mode(path), 0600u);
  ASSERT_EQ(WriteProfileChanges(path, {Remove("Tcp", "Password")}), "");
  EXPECT_EQ(Mode(path), 0600u);  // what was kept private stays private
}

TEST_F(ProfileWriterFile, ARefusedOrFailedChangeLeavesTheFileAlone) {
  const fs::path path = root_ / "MV400.INI";
  std::ofstream(path, std::ios::binary) << kHandWritten;
  const ino_t before = Inode(path);
  const std::string why =
      WriteProfileChanges(path, {Set("Tcp", "Port", "1"), Set("General", "Location", "a\nb")});
  EXPECT_NE(why.find("line break"), std::string::npos) << why;
  EXPECT_EQ(Read(path), kHandWritten);
  EXPECT_EQ(Inode(path), before);

  // A folder that cannot be made: a plain file stands where it should be.
  std::ofstream(root_ / "plain") << "x";
  EXPECT_NE(WriteProfileChanges(root_ / "plain" / "MV400.INI", {Set("Tcp", "Port", "1")}), "");
  EXPECT_EQ(Read(root_ / "plain"), "x");
}

TEST_F(ProfileWriterFile, ANewUserFileStartsFromTheSystemFile) {
  const fs::path system = root_ / "etc.ini";
  std::ofstream(system) << "; site settings\n[General]\nNetwork=tcp\nLocation=as400.site\n";
  const fs::path user = root_ / "user" / "MV400.INI";
  ASSERT_EQ(WriteProfileChanges(user, {Set("Tcp", "Port", "9000")}, system), "");
  EXPECT_EQ(Read(user),
            "; site settings\n[General]\nNetwork=tcp\nLocation=as400.site\n\n[Tcp]\nPort=9000\n");
  // Once the user's file exists, the system file is not read again.
  ASSERT_EQ(WriteProfileChanges(user, {Set("General", "Location", "mine")}, system), "");
  EXPECT_EQ(Profile::FromFile(user).GetString("General", "Location", ""), "mine");
  EXPECT_EQ(Profile::FromFile(system).GetString("General", "Location", ""), "as400.site");
}

TEST_F(ProfileWriterFile, ASymbolicLinkStaysALink) {
  const fs::path target = root_ / "real.ini";
  std::ofstream(target) << "[General]\nNetwork=ehn\n";
  const fs::path link = root_ / "MV400.INI";
  fs::create_symlink("real.ini", link);
  ASSERT_EQ(WriteProfileChanges(link, {Set("General", "Network", "tcp")}), "");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Read(target), "[General]\nNetwork=tcp\n");
}

TEST_F(ProfileWriterFile, WritePathFollowsTheReadersOrder) {
  const char* saved[] = {std::getenv("MV400_INI"), std::getenv("XDG_CONFIG_HOME"),
                         std::getenv("HOME")};
  const std::string keep[] = {saved[0] ? saved[0] : "", saved[1] ? saved[1] : "",
                              saved[2] ? saved[2] : ""};
  setenv("MV400_INI", "/some/where.ini", 1);
  EXPECT_EQ(ProfileWritePath(false), "/some/where.ini");
  EXPECT_EQ(ProfileWritePath(true), "/some/where.ini");
  unsetenv("MV400_INI");
  EXPECT_EQ(ProfileWritePath(true), "/etc/vantora/MV400.INI");
  setenv("XDG_CONFIG_HOME", "/xdg", 1);
  EXPECT_EQ(ProfileWritePath(false), "/xdg/vantora/MV400.INI");  // whether or not it exists
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(ProfileWritePath(false), "/home/u/.config/vantora/MV400.INI");
  unsetenv("HOME");
  EXPECT_EQ(ProfileWritePath(false), "");
  EXPECT_NE(WriteProfileChanges("", {Set("Tcp", "Port", "1")}), "");
  const char* names[] = {"MV400_INI", "XDG_CONFIG_HOME", "HOME"};
  for (int i = 0; i < 3; ++i) {
    if (saved[i]) setenv(names[i], keep[i].c_str(), 1);
  }
}

}  // namespace
}  // namespace vantora::platform
