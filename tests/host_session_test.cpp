// Sessions with the emulated host through the client library and the
// embedded transport: opening, authentication, the service requests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "mv432ida.h"
#include "tests/support/embedded_host.h"

namespace vantora::testing {
namespace {

using HostSession = EmbeddedHostTest;

TEST_F(HostSession, OpensWithoutUserAsTheLocalProfile) {
  ASSERT_EQ(StartSession(), 1);
  int32_t version = 0;
  EXPECT_EQ(RTV_AS_VER(&version), 1);
  EXPECT_EQ(version, 0x00070500);
  EXPECT_EQ(FreeSession(), 1);
}

TEST_F(HostSession, AuthenticatesUsers) {
  AddUser("ALICE", "secret");
  struct Case {
    const char* user;
    const char* password;
    int32_t result;
    int32_t internalError;  // kept by the client after it clears the session
  } cases[] = {
      {"ALICE", "secret", 1, 0},
      {"alice", "secret", 1, 0},
      {"ALICE", "wrong", -1, 1003},
      {"NOBODY", "secret", -1, 1002},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.user) + "/" + c.password);
    VNXSetUserId(c.user, c.password);
    EXPECT_EQ(StartSession(), c.result);
    if (c.result < 0) {
      EXPECT_EQ(Internal_Error(), c.internalError);
    }
    FreeSession();
  }
}

TEST_F(HostSession, EchoAndCodePageTables) {
  ASSERT_EQ(StartSession(), 1);
  char text[] = "hello host";
  EXPECT_EQ(VNXecho(text, sizeof text, 1), 1);
  EXPECT_STREQ(text, "hello host");
  EXPECT_EQ(VNXecho(text, sizeof text, 0), 1);

  uint8_t toEbcdic[256];
  ASSERT_EQ(ReadTableASCII_EBCDIC(toEbcdic), 1);
  EXPECT_EQ(toEbcdic['A'], 0xC1);
  EXPECT_EQ(toEbcdic[' '], 0x40);
  toEbcdic['A'] = 0x42;
  EXPECT_EQ(WriteTableASCII_EBCDIC(toEbcdic), 1);
  uint8_t back[256] = {};
  ASSERT_EQ(ReadTableASCII_EBCDIC(back), 1);
  EXPECT_EQ(back['A'], 0x42);
}

TEST_F(HostSession, UnsupportedRequestAnswersAClearError) {
  ASSERT_EQ(StartSession(), 1);
  EXPECT_EQ(VNXDBinit(1, 2, 3), -1);
  char id[8] = {};
  Return_Syserr(id);
  EXPECT_STREQ(id, "CPF9898");
  EXPECT_EQ(retstat(), 3014);
}

TEST_F(HostSession, SessionsAreIndependentJobs) {
  ASSERT_EQ(OpenMultiSession(2), 1);
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(StartSession(), 1);
  uint8_t table[256];
  ASSERT_EQ(ReadTableASCII_EBCDIC(table), 1);
  table['B'] = 0x99;
  ASSERT_EQ(WriteTableASCII_EBCDIC(table), 1);
  ASSERT_EQ(VNXSession(1), 1);
  ASSERT_EQ(StartSession(), 1);
  uint8_t other[256];
  ASSERT_EQ(ReadTableASCII_EBCDIC(other), 1);
  EXPECT_EQ(other['B'], 0xC2);  // the other job keeps the built-in table
  EXPECT_EQ(CloseMultiSession(), 1);
}

}  // namespace
}  // namespace vantora::testing
