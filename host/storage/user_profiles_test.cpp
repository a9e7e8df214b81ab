#include "host/storage/user_profiles.h"

#include <gtest/gtest.h>

#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

TEST(UserProfilesTest, AuthenticateAnswersTheHostsMessages) {
  testing::TempDir dir;
  auto s = testing::OpenStorage(dir);
  UserProfiles& p = s->userProfiles();
  ASSERT_OK(p.Create("qsecofr", "PASS1", "Security officer"));
  EXPECT_CODE(p.Create("QSECOFR", "X", ""), kObjectExists);
  EXPECT_OK(p.Authenticate("QSECOFR   ", "PASS1"));
  Status wrong = p.Authenticate("QSECOFR", "pass1");
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
