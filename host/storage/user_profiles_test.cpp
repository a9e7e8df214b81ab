#include "host/storage/user_profiles.h"

#include <gtest/gtest.h>

#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

TEST(UserProfilesTest, AuthenticateAnswersTheHostsMessages) {
  testing::TempDir dir;
  auto s = testing::OpenStorage(dir);
  UserProfiles& p = s->userProfiles();
  EXPECT_CODE(p.Create("LONG", "elevenchars", ""), kInvalidArgument);  // a sign-on carries 10
  ASSERT_OK(p.Create("qsecofr", "PASS1", "Security officer"));
  EXPECT_CODE(p.Create("QSECOFR", "X", ""), kObjectExists);
  EXPECT_OK(p.Authenticate("QSECOFR   ", "PASS1"));
  Status wrong = p.Authenticate("QSECOFR", "pass2");
  EXPECT_EQ(std::string(wrong.messageId()), "CPF22E2");
  Status unknown = p.Authenticate("NOBODY", "PASS1");
  EXPECT_EQ(std::string(unknown.messageId()), "CPF2204");

  ASSERT_OK(p.ChangePassword("QSECOFR", "PASS2"));
  EXPECT_CODE(p.Authenticate("QSECOFR", "PASS1"), kWrongPassword);
  EXPECT_OK(p.Authenticate("QSECOFR", "PASS2"));

  ObjectEntry e;
  ASSERT_OK(s->catalogue().FindObject({"QSYS", "QSECOFR"}, "*USRPRF", &e));
  EXPECT_EQ(e.text, "Security officer");
  ASSERT_OK(p.Delete("QSECOFR"));
  EXPECT_CODE(p.Authenticate("QSECOFR", "PASS2"), kUserNotFound);
  EXPECT_CODE(s->catalogue().FindObject({"QSYS", "QSECOFR"}, "*USRPRF", &e), kObjectNotFound);
}

int LevelOf(UserProfiles& p) {
  int level = -1;
  EXPECT_OK(p.PasswordLevel(&level));
  return level;
}

// The password level: without regard to case at 0 and 1 (the default),
// exactly at 2 and 3; a password keeps the form it was set in.
TEST(UserProfilesTest, ThePasswordLevelDecidesHowPasswordsCompare) {
  testing::TempDir dir;
  auto s = testing::OpenStorage(dir);
  UserProfiles& p = s->userProfiles();
  EXPECT_EQ(LevelOf(p), 0);
  EXPECT_CODE(p.SetPasswordLevel(4), kInvalidArgument);
  EXPECT_CODE(p.SetPasswordLevel(-1), kInvalidArgument);
  ASSERT_OK(p.Create("ALICE", "secret", ""));  // at level 0
  ASSERT_OK(p.SetPasswordLevel(2));
  ASSERT_OK(p.Create("BOB", "SeCret", ""));  // at level 2
  const struct {
    int level;
    const char* user;
    const char* password;
    bool signsOn;
  } cases[] = {
      {0, "ALICE", "secret", true},
      {0, "ALICE", "SECRET", true},
      {0, "ALICE", "SeCrEt", true},
      {0, "ALICE", "secrets", false},
      {1, "ALICE", "Secret", true},
      // Kept in upper case: at level 2 only that form signs on.
      {2, "ALICE", "SECRET", true},
      {2, "ALICE", "secret", false},
      {2, "BOB", "SeCret", true},
      {2, "BOB", "SECRET", false},
      {3, "BOB", "secret", false},
      // Kept exactly: at level 0 as given, all upper or all lower.
      {0, "BOB", "SeCret", true},
      {0, "BOB", "SECRET", false},
      {0, "BOB", "secret", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.level) + " " + c.user + " " + c.password);
    ASSERT_OK(p.SetPasswordLevel(c.level));
    EXPECT_EQ(LevelOf(p), c.level);
    const Status st = p.Authenticate(c.user, c.password);
    EXPECT_EQ(st.ok(), c.signsOn) << st.ToString();
  }
  // A lower-case password kept exactly (before levels) signs on in upper case.
  ASSERT_OK(p.SetPasswordLevel(2));
  ASSERT_OK(p.Create("CAROL", "lower", ""));
  ASSERT_OK(p.SetPasswordLevel(0));
  EXPECT_OK(p.Authenticate("CAROL", "LOWER"));
  // The level lives in the data directory.
  ASSERT_OK(p.SetPasswordLevel(3));
  s.reset();
  auto again = testing::OpenStorage(dir);
  EXPECT_EQ(LevelOf(again->userProfiles()), 3);
}

TEST(UserProfilesTest, PasswordsAreStoredSaltedNotAsText) {
  testing::TempDir dir;
  auto s = testing::OpenStorage(dir);
  ASSERT_OK(s->userProfiles().Create("A", "SAMEPASS", ""));
  ASSERT_OK(s->userProfiles().Create("B", "SAMEPASS", ""));
  std::vector<std::string> hashes;
  bool plain = false;
  ASSERT_OK(s->RunLocked([&](SqlConnection& db) {
    return db.Run("SELECT hash, instr(hash, 'SAMEPASS') FROM vt_user_profiles", {},
                  [&](const SqlStatement& q) {
                    hashes.emplace_back(q.ColumnText(0));
                    plain = plain || q.ColumnInteger(1) != 0;
                  });
  }));
  ASSERT_EQ(hashes.size(), 2u);
  EXPECT_NE(hashes[0], hashes[1]) << "each profile has its own salt";
  EXPECT_FALSE(plain);
}

}  // namespace
}  // namespace vantora::host
