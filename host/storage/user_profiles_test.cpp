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
  ASSERT_OK(s->RunLocked([&](sqlite3* db) {
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, "SELECT hash, instr(hash, 'SAMEPASS') FROM vt_user_profiles", -1, &q,
                       nullptr);
    while (sqlite3_step(q) == SQLITE_ROW) {
      hashes.emplace_back(static_cast<const char*>(sqlite3_column_blob(q, 0)),
                          static_cast<size_t>(sqlite3_column_bytes(q, 0)));
      plain = plain || sqlite3_column_int(q, 1) != 0;
    }
    sqlite3_finalize(q);
    return Status::Ok();
  }));
  ASSERT_EQ(hashes.size(), 2u);
  EXPECT_NE(hashes[0], hashes[1]) << "each profile has its own salt";
  EXPECT_FALSE(plain);
}

}  // namespace
}  // namespace vantora::host
