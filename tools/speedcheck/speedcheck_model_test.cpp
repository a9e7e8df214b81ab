#include "tools/speedcheck/speedcheck_model.h"

#include <gtest/gtest.h>

#include "mv432ida.h"
#include "tests/support/test_session.h"
#include "tools/speedcheck/speedcheck_test_support.h"

namespace vantora::speedcheck {
namespace {

using testing::PartHeader;
using testing::Slot;

class Speedcheck : public vantora::testing::ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    ScriptedTransport::SetAutoReply(false);
  }
  void Connected(SpeedcheckModel& model) {
    QueueConnect();
    ASSERT_TRUE(model.Connect());
  }
  platform::RecordingSink sink;
};

TEST(SpeedcheckBlock, BlockSize) {
  EXPECT_EQ(BlockSize(100, 10), 299);
  EXPECT_EQ(BlockSize(32600, 1), 1);
  EXPECT_EQ(BlockSize(40000, 1), 1);   // at least one record
  EXPECT_EQ(BlockSize(1, 1), 0x0FFF);  // the count field holds 12 bits
  EXPECT_EQ(TimeOfDayText(((13 * 60 + 5) * 60 + 9) * 1000 + 999), "13:05:09");
}

TEST_F(Speedcheck, ConnectSendsTheConversionTable) {
  SpeedcheckModel model(sink, {});
  EXPECT_TRUE(model.canConnect());
  EXPECT_FALSE(model.canOpen());
  Connected(model);
  EXPECT_FALSE(model.canConnect());
  EXPECT_TRUE(model.canOpen());
  EXPECT_TRUE(model.canEnd());
  EXPECT_FALSE(model.canRead());
  auto parts = ScriptedTransport::SentParts();
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(vantora::testing::HeaderI32(parts[1], 4), 0x011D);
  EXPECT_EQ(Slot(parts[1], 0), 6);
  EXPECT_EQ(Slot(parts[1], 1), 48);
  auto data = vantora::testing::PartData(parts[1]);
  const int32_t expected[12] = {1, 5, 2, 11, 3, -1, 4, -1, 7, -1, 8, -1};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(wire::LoadLeI32(data.data() + 4 * i), expected[i]) << i;
}

TEST_F(Speedcheck, OpenWithoutSessionIsRefused) {
  SpeedcheckModel model(sink, {});
  EXPECT_FALSE(model.Open());
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text, "Ouverture impossible : session non activée");
  EXPECT_TRUE(ScriptedTransport::Calls().empty());
}

TEST_F(Speedcheck, OpenDescribesTheFileAndSetsTabStops) {
  SpeedcheckModel model(sink, {}, /*widestLetter=*/5, /*baseUnitX=*/8);
  Connected(model);
  QueueOpen({{"ID", 4}, {"NAME", 30}, {"CODE", 10}}, 44);
  model.fileName = "DEMO/X";
  ASSERT_TRUE(model.Open());
  EXPECT_EQ(model.fieldCount(), 3);
  EXPECT_EQ(model.recordLength(), 44);
  EXPECT_TRUE(model.canRead());
  // 12 letters for a short field, length + 2 for the others, cumulative.
  EXPECT_EQ(model.tabStops(), (std::vector<int>{60, 60 + 160, 60 + 160 + 60}));
  EXPECT_EQ(model.horizontalExtent(), 280 * 8 / 4);
  ASSERT_EQ(model.listLines().size(), 1u);
  EXPECT_EQ(model.listLines()[0], "ID        \tNAME      \tCODE      ");
  auto parts = ScriptedTransport::SentParts();
  // Ropen with the mode text, the header form, then the field form.
  bool sawOpenMode = false;
  for (auto& p : parts) {
    auto d = vantora::testing::PartData(p);
    std::string text(d.begin(), d.end());
    if (text.find("rr blkrcd=Y") != std::string::npos) sawOpenMode = true;
  }
  EXPECT_TRUE(sawOpenMode);
}

TEST_F(Speedcheck, FiveRecordFileReadTwelveRestartsAtFirstRecord) {
  SpeedcheckModel model(sink, {});
  Connected(model);
  QueueOpen({{"A", 2}, {"B", 3}}, 5);
  ASSERT_TRUE(model.Open());
  std::vector<std::string> five = {"a1b01", "a2b02", "a3b03", "a4b04", "a5b05"};
  ScriptedTransport::Reset();
  ScriptedTransport::SetAutoReply(false);
  QueueReply(0x0111, 5);  // Rlength at the read
  QueueBlock(five);
  QueueBlock({});
  QueueBlock(five);
  QueueBlock({});
  QueueBlock(five);
  model.recordsToRead = "12";
  ASSERT_TRUE(model.Read());
  EXPECT_EQ(model.passes(), (std::vector<int32_t>{5, 0, 5, 0, 5}));
  EXPECT_EQ(model.recordsInCache(), 5);
  EXPECT_EQ(model.recordsRead(), 15);
  std::vector<int32_t> operations;
  for (auto& p : ScriptedTransport::SentParts()) {
    if (vantora::testing::HeaderI32(p, 4) == 0x0146) operations.push_back(Slot(p, 3));
  }
  const int32_t block = 32600 / (5 + 2 - 1);
  ASSERT_GE(block, 0x0FFF);
  const int32_t b = 0x0FFF;
  EXPECT_EQ(operations, (std::vector<int32_t>{b + 0x02080000, b + 0x02080000, b + 0x04080000,
                                              b + 0x02080000, b + 0x04080000}));
  ASSERT_EQ(model.listLines().size(), 6u);
  EXPECT_EQ(model.listLines()[1], "a1\tb01");
  EXPECT_EQ(model.listLines()[5], "a5\tb05");
}

TEST_F(Speedcheck, EmptyCountReadsOnePassAndEmptyFileStops) {
  SpeedcheckModel model(sink, {});
  Connected(model);
  QueueOpen({{"A", 4}}, 4);
  ASSERT_TRUE(model.Open());
  QueueReply(0x0111, 4);
  QueueBlock({"0001", "0002"});
  model.recordsToRead = "";
  ASSERT_TRUE(model.Read());
  EXPECT_EQ(model.passes(), (std::vector<int32_t>{2}));

  QueueReply(0x0111, 4);
  QueueBlock({});
  QueueBlock({});
  model.recordsToRead = "100";
  ASSERT_TRUE(model.Read());
  EXPECT_EQ(model.passes(), (std::vector<int32_t>{0, 0}));
  EXPECT_TRUE(model.fileEmpty());
  EXPECT_EQ(model.recordsInCache(), 0);
}

TEST_F(Speedcheck, UnblockedPassStopsAtFirstFailure) {
  SpeedcheckModel model(sink, {});
  Connected(model);
  QueueOpen({{"A", 3}}, 3);
  ASSERT_TRUE(model.Open());
  model.useCache = false;
  model.recordsToRead = "2";
  QueueReply(0x0111, 3);
  QueueReply(0x0146, 1, {0, 3}, {'x', 'y', 'z'});
  QueueReply(0x0146, 1, {0, 3}, {'u', 'v', 'w'});
  Reply eof;
  eof.code = 0x0146;
  eof.result = -1;
  eof.status = 5001;
  ScriptedTransport::QueueReceive(eof.Bytes());
  ASSERT_TRUE(model.Read());
  EXPECT_EQ(model.passes(), (std::vector<int32_t>{2}));
  EXPECT_EQ(model.requests(), 3);  // two records, then the end of the file
  EXPECT_EQ(model.listLines()[2], "uvw");
  EXPECT_TRUE(sink.Messages().empty());
}

// A single read that fails for another reason than the end of the file is
// the read's failure, not an empty file.
TEST_F(Speedcheck, UnblockedReadFailureIsAnError) {
  bool ended = false;
  SpeedcheckModel model(sink, {nullptr, nullptr, [&] { ended = true; }});
  Connected(model);
  QueueOpen({{"A", 3}}, 3);
  ASSERT_TRUE(model.Open());
  model.useCache = false;
  model.recordsToRead = "2";
  QueueReply(0x0111, 3);
  QueueReply(0x0146, 1, {0, 3}, {'x', 'y', 'z'});
  Reply locked;
  locked.code = 0x0146;
  locked.result = -1;
  locked.status = 3029;
  locked.systemError = std::string("CPF5027\0", 8);
  ScriptedTransport::QueueReceive(locked.Bytes());
  EXPECT_FALSE(model.Read());
  EXPECT_TRUE(ended);
  EXPECT_FALSE(model.fileEmpty());
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text.rfind("VNXRead:Normal error 3029, with message CPF5027.\n", 0),
            0u)
      << sink.Messages()[0].text;
  EXPECT_EQ(sink.Messages()[0].kind, platform::MessageKind::kError);
}

TEST(SpeedcheckRecords, WhatRecordsToReadTakes) {
  struct Case {
    const char* text;
    bool ok;
    int64_t count;
  };
  const Case cases[] = {
      {"", true, 0},      {"   ", true, 0},         {"0", true, 0},
      {" 12 ", true, 12}, {"100000", true, 100000}, {"-1", false, 0},
      {"+3", false, 0},   {"12x", false, 0},        {"abc", false, 0},
      {"1e3", false, 0},  {"1 2", false, 0},        {"99999999999999999999", false, 0}};
  for (const Case& c : cases) {
    int64_t count = -1;
    EXPECT_EQ(ParseRecordsToRead(c.text, &count), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(count, c.count) << c.text;
    }
  }
}

TEST(SpeedcheckRecords, RateNeedsAMeasuredTime) {
  EXPECT_EQ(RateText(267, 0), "too quick to measure");
  EXPECT_EQ(RateText(0, 0), "too quick to measure");
  EXPECT_EQ(RateText(1000, 3000), "333333 records/s");
  EXPECT_EQ(RateText(267, 1), "267000000 records/s");
}

TEST_F(Speedcheck, ReadRefusesRecordsThatAreNoNumber) {
  SpeedcheckModel model(sink, {});
  Connected(model);
  QueueOpen({{"A", 4}}, 4);
  ASSERT_TRUE(model.Open());
  const size_t sent = ScriptedTransport::SentParts().size();
  model.recordsToRead = "12x";
  EXPECT_FALSE(model.Read());
  EXPECT_EQ(ScriptedTransport::SentParts().size(), sent);  // nothing asked of the host
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text,
            "Records to read: \"12x\" is not a number of records. Type a whole number (0 or "
            "nothing reads one block).");
  EXPECT_EQ(sink.Messages()[0].kind, platform::MessageKind::kError);
  EXPECT_FALSE(model.ended());
  EXPECT_TRUE(model.canRead());
}

struct ErrorCase {
  int32_t result;
  int32_t status;
  const char* id;
  int32_t internalError;
  const char* text;
};

TEST_F(Speedcheck, ErrorTextsOfEachClass) {
  const ErrorCase cases[] = {
      {-1, 5001, "CPF5001", 0,
       "Normal error 5001, with message CPF5001.\nend of the file: no further record (CPF5001)"},
      {-10, 3101, "MCH1210", 0,
       "Signal error 3101, with message MCH1210.\nthe request was interrupted"},
      {-30, 0, "", 77, "Internal error n°77\ninternal error 77 of the client library"},
      {-7, 0, "", 0, "Unknown error : -7\nRlength failed (result -7)"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.text);
    ScriptedTransport::Reset();
    ScriptedTransport::SetAutoReply(false);
    QueueReply(0x0115, 1);
    ASSERT_EQ(StartSession(), 1);
    Reply r;
    r.code = 0x0111;
    r.result = c.result;
    r.status = c.status;
    r.systemError = std::string(c.id) + std::string(8 - std::strlen(c.id), '\0');
    r.internalError = c.internalError;
    ScriptedTransport::QueueReceive(r.Bytes());
    ASSERT_EQ(Rlength(1), c.result);
    EXPECT_EQ(ErrorText(c.result), c.text);
    FreeSession();
  }
  QueueReply(0x0115, 1);
  ASSERT_EQ(StartSession(), 1);
  ScriptedTransport::FailCall("RESReception", -20);
  ScriptedTransport::SetAppcError(0x1F, 0x68);
  ASSERT_EQ(Rlength(1), -20);
  EXPECT_EQ(ErrorText(-20),
            "APPC Error, primary code : 1f, secondary : 68\n"
            "communication with the host failed (transport codes 31, 104)");
}

TEST_F(Speedcheck, FailedConnectEndsTheDialog) {
  bool ended = false;
  SpeedcheckModel model(sink, {nullptr, nullptr, [&] { ended = true; }});
  ScriptedTransport::FailCall("RESConnexion", -20);
  ScriptedTransport::SetAppcError(1, 111);
  EXPECT_FALSE(model.Connect());
  EXPECT_TRUE(ended);
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text,
            "StartSession:APPC Error, primary code : 1, secondary : 6f\n"
            "communication with the host failed (transport codes 1, 111)");
  EXPECT_EQ(sink.Messages()[0].kind, platform::MessageKind::kError);
}

TEST_F(Speedcheck, FailedOpenLeavesTheDialogOpen) {
  SpeedcheckModel model(sink, {});
  Connected(model);
  Reply notFound;
  notFound.code = 0x0500;
  notFound.result = -1;
  notFound.status = 3004;
  notFound.systemError = std::string("CPF4101\0", 8);
  ScriptedTransport::QueueReceive(notFound.Bytes());
  model.fileName = "NOLIB/NOFILE";
  EXPECT_FALSE(model.Open());
  EXPECT_FALSE(model.ended());
  EXPECT_TRUE(model.canOpen());
  EXPECT_FALSE(model.canRead());
  EXPECT_EQ(sink.Messages().back().text,
            "Ropen:Normal error 3004, with message CPF4101.\n"
            "file NOLIB/NOFILE not found (CPF4101)");
  EXPECT_EQ(sink.Messages().back().kind, platform::MessageKind::kError);
}

}  // namespace
}  // namespace vantora::speedcheck
