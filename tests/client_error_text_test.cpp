// The client library's failures in words (VNXErrorText) through the embedded
// host: what each kind of failure says, that a success says nothing, and that
// reading the words leaves the failure's codes as they were.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "mv432ida.h"
#include "tests/support/embedded_host.h"

namespace vantora::testing {
namespace {

std::string ErrorText() {
  const int32_t length = VNXErrorText(nullptr, 0);
  std::string text(static_cast<size_t>(length), '\0');
  EXPECT_EQ(VNXErrorText(text.data(), length + 1), length);
  return text;
}

std::string MessageId() {
  char id[8] = {};
  Return_Syserr(id);
  return std::string(id, strnlen(id, 7));
}

int32_t Sql(const std::string& statement) {
  return VNXSqlImmediate(statement.c_str(), static_cast<int32_t>(statement.size()));
}

using ClientErrorText = EmbeddedHostTest;

TEST_F(ClientErrorText, EachFailureInWords) {
  ASSERT_EQ(StartSession(), 1);
  EXPECT_EQ(VNXErrorText(nullptr, 0), 0) << "a success leaves nothing to say";
  const int32_t customers = Ropen("DEMO/CUSTOMER", "ur");
  ASSERT_GE(customers, 0);
  const struct {
    const char* what;
    std::function<int32_t()> call;
    int32_t result;
    const char* text;
  } cases[] = {
      {"open of a missing file", [] { return Ropen("demo/nosuch", "rr"); }, -1,
       "file DEMO/NOSUCH not found (CPF4101)"},
      {"read of a missing key",
       [&] {
         char record[200];
         return Rreadk(customers, record, sizeof record, 0, "9999999 ", 8);
       },
       -1, "record not found in DEMO/CUSTOMER (CPF5006)"},
      {"delete without a record read", [&] { return Rdelete(customers); }, -1,
       "no current record in DEMO/CUSTOMER: read the record before changing or deleting it "
       "(CPF5013)"},
      {"a statement with a misspelt verb", [] { return Sql("SELEC * FROM DEMO/CUSTOMER"); }, -1,
       "SQL0104: token SELEC was not valid"},
      {"a statement over a missing file", [] { return Sql("DELETE FROM DEMO/NOSUCH"); }, -1,
       "SQL0204: NOSUCH not found"},
      {"a command the host does not know", [] { return Rsystem("NOSUCHCMD X"); }, -1,
       "command NOSUCHCMD not found (CPD0030)"},
      {"a request the host finds not valid",
       [&] {
         char area[100];
         return VNXGetDesc(customers, area, sizeof area, 0x7F000000, nullptr);
       },
       -1, "the host refused VNXGetDesc as not valid (CPF9898)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.call(), c.result);
    const int32_t status = retstat();
    const std::string id = MessageId();
    EXPECT_EQ(ErrorText(), c.text);
    // The words leave the codes as they were.
    EXPECT_EQ(retstat(), status);
    EXPECT_EQ(MessageId(), id);
  }
  // A success forgets the failure.
  char record[200];
  ASSERT_EQ(Rreadf(customers, record, sizeof record, 0), 1);
  EXPECT_EQ(ErrorText(), "");
  EXPECT_EQ(Rclose(customers), 1);
}

TEST_F(ClientErrorText, ATooShortBufferGetsTheStartAndTheFullLength) {
  ASSERT_EQ(StartSession(), 1);
  ASSERT_EQ(Ropen("DEMO/NOSUCH", "rr"), -1);
  const std::string whole = ErrorText();
  char small[10];
  std::memset(small, 'x', sizeof small);
  EXPECT_EQ(VNXErrorText(small, sizeof small), static_cast<int32_t>(whole.size()));
  EXPECT_EQ(std::string(small), whole.substr(0, 9));
}

TEST_F(ClientErrorText, RefusedSignOnsNameTheUser) {
  AddUser("ALICE", "secret");
  const struct {
    const char* user;
    const char* password;
    const char* text;
  } cases[] = {
      {"ALICE", "wrong", "password not correct for user ALICE (CPF22E2)"},
      {"NOBODY", "secret", "user profile NOBODY not found on the host (CPF2204)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.user);
    VNXSetUserId(c.user, c.password);
    EXPECT_EQ(StartSession(), -1);
    EXPECT_EQ(ErrorText(), c.text);
    FreeSession();
  }
}

TEST_F(ClientErrorText, ARecordAnotherJobHoldsSaysSo) {
  ASSERT_EQ(OpenMultiSession(2), 1);
  ASSERT_EQ(VNXSession(0), 0);
  const int32_t first = Ropen("DEMO/CUSTOMER", "ur");
  ASSERT_GE(first, 0);
  char record[200];
  ASSERT_EQ(Rreadf(first, record, sizeof record, 0), 1);  // locked for update
  ASSERT_EQ(VNXSession(1), 1);
  const int32_t second = Ropen("DEMO/CUSTOMER", "ur waitrcd=0");
  ASSERT_GE(second, 0);
  EXPECT_EQ(Rreadf(second, record, sizeof record, 0), -1);
  EXPECT_EQ(ErrorText(),
            "a record of DEMO/CUSTOMER is locked by another job; try again once it is released "
            "(CPF5027)");
  EXPECT_EQ(CloseMultiSession(), 1);
}

}  // namespace
}  // namespace vantora::testing
