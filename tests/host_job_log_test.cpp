// The job's log through the client library and the embedded host: the
// request and escape messages CL commands leave, read with QMHLJOBL into a
// user space and mapped onto the format file YLJBL0100.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/embedded_host.h"
#include "tests/support/message_id.h"

namespace vantora::testing {
namespace {

constexpr int32_t kEntryLength = 1076;

struct Entry {
  int32_t number = 0;
  int32_t severity = 0;
  std::string id;
  std::string type;
  std::string date;
  std::string time;
  std::string text;
};

std::string Field(const std::vector<uint8_t>& b, size_t offset, size_t n) {
  std::string s(reinterpret_cast<const char*>(b.data()) + offset, n);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

Entry Decode(const std::vector<uint8_t>& b) {
  Entry e;
  e.number = wire::LoadLeI32(b.data());
  e.severity = wire::LoadLeI32(b.data() + 4);
  const int32_t length = wire::LoadLeI32(b.data() + 8);
  e.id = Field(b, 16, 7);
  e.type = Field(b, 23, 10);
  e.date = Field(b, 33, 7);
  e.time = Field(b, 40, 6);
  e.text = std::string(reinterpret_cast<const char*>(b.data()) + 52, static_cast<size_t>(length));
  return e;
}

// The job's log as QMHLJOBL lists it (`count`: its fifth parameter).
std::vector<Entry> ReadLog(const char* count = "") {
  std::vector<Entry> entries;
  if (VNXApiCall("QUSCRTUS", "QTEMP/JOBLOG", "", "1024", " ", "*ALL", "", "*YES") != 1) {
    ADD_FAILURE() << "QUSCRTUS: " << MessageId();
    return entries;
  }
  if (VNXApiCall("QMHLJOBL", "QTEMP/JOBLOG", "LJBL0100", "*", count, "", "", "") != 1) {
    ADD_FAILURE() << "QMHLJOBL: " << MessageId();
    return entries;
  }
  const int32_t h = VNXopen("YLJBL0100", 1, -1);
  if (h < 0) {
    ADD_FAILURE() << "open YLJBL0100: " << MessageId();
    return entries;
  }
  EXPECT_EQ(VNXMapFile(h, "QTEMP/JOBLOG", 0), 1);
  std::vector<uint8_t> record(kEntryLength);
  for (int32_t option = VNX_READ_FIRST;
       VNXRead(h, record.data(), kEntryLength, option, nullptr, 0, nullptr) == 1;
       option = VNX_READ_NEXT) {
    entries.push_back(Decode(record));
  }
  EXPECT_EQ(retstat(), 5001);
  EXPECT_EQ(Rclose(h), 1);
  return entries;
}

std::string Today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[40];
  std::snprintf(date, sizeof date, "1%02d%02d%02d", local.tm_year % 100, local.tm_mon + 1,
                local.tm_mday);
  return date;
}

using HostJobLog = EmbeddedHostTest;

TEST_F(HostJobLog, CommandsLeaveRequestAndEscapeMessages) {
  ASSERT_EQ(StartSession(), 1);
  ASSERT_EQ(VNXCmdExec("CRTLIB LIB(JOBLOGLIB)   "), 1);
  ASSERT_EQ(VNXCmdExec("CRTLIB LIB(JOBLOGLIB)"), -1);
  ASSERT_EQ(MessageId(), "CPF2111");
  ASSERT_EQ(VNXCmdExec("ADDLIBLE NOSUCHLIB"), -1);
  ASSERT_EQ(MessageId(), "CPF2110");
  ASSERT_EQ(VNXCmdExec("NOSUCHCMD X"), -1);
  const std::string failedWith = MessageId();

  const std::vector<Entry> log = ReadLog();
  ASSERT_EQ(log.size(), 7u);
  struct Expected {
    const char* type;
    const char* id;
    int severity;
    std::string text;
  } expected[] = {
      {"*RQS", "", 0, "CRTLIB LIB(JOBLOGLIB)"},
      {"*RQS", "", 0, "CRTLIB LIB(JOBLOGLIB)"},
      {"*ESCAPE", "CPF2111", 40, "Library *N already exists."},
      {"*RQS", "", 0, "ADDLIBLE NOSUCHLIB"},
      {"*ESCAPE", "CPF2110", 40, "Library *N not found."},
      {"*RQS", "", 0, "NOSUCHCMD X"},
      {"*ESCAPE", failedWith.c_str(), 40, ""},
  };
  for (size_t i = 0; i < log.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(log[i].number, static_cast<int32_t>(i + 1));
    EXPECT_EQ(log[i].type, expected[i].type);
    EXPECT_EQ(log[i].id, expected[i].id);
    EXPECT_EQ(log[i].severity, expected[i].severity);
    if (!expected[i].text.empty()) {
      EXPECT_EQ(log[i].text, expected[i].text);
    }
    EXPECT_EQ(log[i].time.size(), 6u);
  }
  EXPECT_FALSE(log[6].text.empty());
  // Sent today (a run across midnight sees yesterday's date first).
  EXPECT_TRUE(log[0].date == Today() || log[6].date == Today()) << log[0].date;

  // Reading the log runs no command: it stays as it was.
  EXPECT_EQ(ReadLog().size(), 7u);
  const std::vector<Entry> newest = ReadLog("2");
  ASSERT_EQ(newest.size(), 2u);
  EXPECT_EQ(newest[0].text, "NOSUCHCMD X");
  EXPECT_EQ(newest[1].number, 7);
}

TEST_F(HostJobLog, TheLogKeepsTheNewestThousandMessages) {
  ASSERT_EQ(StartSession(), 1);
  ASSERT_EQ(VNXCmdExec("CRTLIB LIB(FIRSTLIB)"), 1);
  for (int i = 0; i < 500; ++i) ASSERT_EQ(VNXCmdExec("ADDLIBLE NOSUCHLIB"), -1);
  const std::vector<Entry> log = ReadLog();
  ASSERT_EQ(log.size(), 1000u);
  // The first request was dropped; the numbers show it.
  EXPECT_EQ(log.front().number, 2);
  EXPECT_EQ(log.front().text, "ADDLIBLE NOSUCHLIB");
  EXPECT_EQ(log.back().number, 1001);
  EXPECT_EQ(log.back().id, "CPF2110");
}

TEST_F(HostJobLog, EachJobHasItsOwnLog) {
  ASSERT_EQ(OpenMultiSession(2), 1);
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(StartSession(), 1);
  ASSERT_EQ(VNXCmdExec("CRTLIB LIB(ONELIB)"), 1);
  ASSERT_EQ(VNXSession(1), 1);
  ASSERT_EQ(StartSession(), 1);
  EXPECT_TRUE(ReadLog().empty());
  ASSERT_EQ(VNXCmdExec("CRTLIB LIB(TWOLIB)"), 1);
  ASSERT_EQ(VNXSession(0), 0);
  const std::vector<Entry> log = ReadLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].text, "CRTLIB LIB(ONELIB)");
  EXPECT_EQ(CloseMultiSession(), 1);
}

TEST_F(HostJobLog, TheApiChecksItsParameters) {
  ASSERT_EQ(StartSession(), 1);
  ASSERT_EQ(VNXApiCall("QUSCRTUS", "QTEMP/JOBLOG", "", "1024", " ", "*ALL", "", "*YES"), 1);
  EXPECT_EQ(VNXApiCall("QMHLJOBL", "QTEMP/JOBLOG", "LJBL0200", "*", "", "", "", ""), -1);
  EXPECT_EQ(MessageId(), "CPF3C21");
  EXPECT_EQ(
      VNXApiCall("QMHLJOBL", "QTEMP/JOBLOG", "LJBL0100", "123456/QUSER/OTHER", "", "", "", ""), -1);
  EXPECT_EQ(MessageId(), "CPF1321");
  EXPECT_EQ(VNXApiCall("QMHLJOBL", "QTEMP/JOBLOG", "LJBL0100", "*", "0", "", "", ""), -1);
  EXPECT_EQ(MessageId(), "CPF3C90");
  EXPECT_EQ(VNXApiCall("QMHLJOBL", "QTEMP/NOSPACE", "LJBL0100", "*", "", "", "", ""), -1);
  EXPECT_EQ(MessageId(), "CPF9801");
  // A list read through another list's format file is refused.
  ASSERT_EQ(VNXApiCall("QMHLJOBL", "QTEMP/JOBLOG", "LJBL0100", "", "*ALL", "", "", ""), 1);
  ASSERT_EQ(VNXCmdExec("CRTLIB LIB(ANYLIB)"), 1);
  ASSERT_EQ(VNXApiCall("QMHLJOBL", "QTEMP/JOBLOG", "LJBL0100", "", "*ALL", "", "", ""), 1);
  const int32_t h = VNXopen("YOBJL0200", 1, -1);
  ASSERT_GE(h, 0);
  EXPECT_EQ(VNXMapFile(h, "QTEMP/JOBLOG", 0), -1);
  EXPECT_EQ(MessageId(), "CPF3C21");
  EXPECT_EQ(Rclose(h), 1);
}

}  // namespace
}  // namespace vantora::testing
