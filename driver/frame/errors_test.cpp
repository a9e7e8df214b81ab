// The driver's error mapping against the scripted transport: every row of
// the status and message tables, the posted texts, the message boxes.
#include "driver/frame/errors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "idapi.h"
#include "idapi_app.h"
#include "mv432ida.h"
#include "platform/ui_sink.h"
#include "tests/support/scripted_transport.h"

namespace vantora::driver {
namespace {

using testing::Reply;
using testing::ScriptedTransport;

constexpr int32_t kRsystem = 0x0512;
constexpr int32_t kSqlca = 0x013A;
constexpr int32_t kOpen = 0x054E;
constexpr int32_t kApiCall = 0x0157;
constexpr int32_t kMapFile = 0x0556;
constexpr int32_t kRead = 0x0146;

class DriverErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    ScriptedTransport::Reset();
    ASSERT_EQ(StartSession(), 1);
    ScriptedTransport::Reset();
    platform::InstallUiSink(&sink_);
    // A marker that only a new post replaces.
    IdapiPostError(IDAPI_ERROR_CATEGORY, 0x1234, IDAPI_CONTEXT_MESSAGE, "marker");
  }
  void TearDown() override {
    platform::InstallUiSink(nullptr);
    ScriptedTransport::Reset();
    VNXTerminate();
  }

  // Rsystem answered with `result`, `status` and the message identifier `id`.
  int32_t FailingRequest(int32_t result, int32_t status, const std::string& id,
                         int32_t internal = 0) {
    ScriptedTransport::SetAutoReply(false);
    Reply r;
    r.code = kRsystem;
    r.result = result;
    r.status = status;
    r.systemError = id;
    r.internalError = internal;
    ScriptedTransport::QueueReceive(r.Bytes());
    const int32_t answer = Rsystem("DSPJOB");
    ScriptedTransport::SetAutoReply(true);
    return answer;
  }

  VdbError Last() {
    VdbError e;
    VdbLastError(&e);
    return e;
  }

  platform::RecordingSink sink_;
};

TEST_F(DriverErrors, ServerStatusesMapWithoutAMessage) {
  const struct {
    int32_t status;
    uint16_t expected;
  } rows[] = {
      {3004, 0x2728}, {3009, 0x2A0B}, {3014, 0x2703}, {3026, 0x2204}, {3029, 0x2805},
      {3033, 0x2601}, {3041, 0x2A0B}, {3042, 0x2A0B}, {5001, 0x2202}, {5025, 0x2201},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.status);
    IdapiPostError(IDAPI_ERROR_CATEGORY, 0x1234, IDAPI_CONTEXT_MESSAGE, "marker");
    const int32_t r = FailingRequest(-1, row.status, "CPF5029");  // the status decides
    ASSERT_EQ(r, -1);
    EXPECT_EQ(MapClientFailure(r), row.expected);
    // No message is posted; the ends of a file are no failure to explain,
    // the others get the client library's words.
    const VdbError e = Last();
    if (row.status == 5001 || row.status == 5025) {
      EXPECT_EQ(e.status, 0x1234);
    } else {
      EXPECT_STREQ(e.message, "");
      EXPECT_EQ(e.status, row.expected);
      EXPECT_STREQ(e.explanation,
                   "command DSPJOB failed: data mapping error on member *N of file *N (CPF5029)");
    }
  }
}

TEST_F(DriverErrors, MessageIdentifiersMapWithoutAMessage) {
  const struct {
    const char* id;
    uint16_t expected;
  } rows[] = {
      {"CPF5029", 0x260C}, {"CPF5034", 0x2601}, {"CPF5026", 0x2601}, {"CPF4194", 0x2A0B},
      {"CPF4128", 0x2805}, {"CPF5027", 0x2805}, {"CPF4101", 0x2728}, {"MCH1212", 0x2712},
      {"MCH1210", 0x2712}, {"CPF5006", 0x2206}, {"CPF7302", 0x3301},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.id);
    for (int32_t result : {-10, -1}) {
      EXPECT_EQ(MapClientFailure(FailingRequest(result, 3101, row.id)), row.expected);
    }
    EXPECT_STREQ(Last().message, "");
    EXPECT_NE(std::string(Last().explanation).find(row.id), std::string::npos)
        << Last().explanation;
  }
}

TEST_F(DriverErrors, UnknownMessagePostsItsIdentifierAndStatus) {
  EXPECT_EQ(MapClientFailure(FailingRequest(-1, 3500, "CPF9999")), IDAPI_ERR_HOST);
  const VdbError e = Last();
  EXPECT_EQ(e.status, IDAPI_ERR_HOST);
  EXPECT_STREQ(e.message, "AS/400 Error: message 'CPF9999', code 3500");
  EXPECT_EQ(LastMessage(), e.message);
  // Status 3101 with an identifier outside the table goes the same way.
  EXPECT_EQ(MapClientFailure(FailingRequest(-1, 3101, "CPF9898")), IDAPI_ERR_HOST);
  EXPECT_STREQ(Last().message, "AS/400 Error: message 'CPF9898', code 3101");
}

TEST_F(DriverErrors, InternalAndCommunicationErrors) {
  const int32_t internal = FailingRequest(VNX_ERR_INTERNAL, 0, "", 77);
  ASSERT_EQ(internal, VNX_ERR_INTERNAL);
  EXPECT_EQ(MapClientFailure(internal), IDAPI_ERR_NOT_SUPPORTED);
  EXPECT_EQ(Last().status, IDAPI_ERR_NOT_SUPPORTED);
  EXPECT_STREQ(Last().message, "Internal Error 77");

  ScriptedTransport::FailCall("RESReception", -20);
  ScriptedTransport::SetAppcError(7, 0x1234AB);
  const int32_t comm = Rsystem("DSPJOB");
  ASSERT_EQ(comm, VNX_ERR_COMM);
  EXPECT_EQ(MapClientFailure(comm), IDAPI_ERR_COMMUNICATION);
  EXPECT_EQ(Last().status, IDAPI_ERR_NOT_SUPPORTED);  // posted under 0x3001
  EXPECT_STREQ(Last().message, "APPC Error 7 1234ab");
  EXPECT_EQ(ClientFailureText("Step", comm), "Step: APPC Error 7 1234ab \r\r\n");
}

TEST_F(DriverErrors, MessageBoxTexts) {
  const int32_t host = FailingRequest(-1, 3009, "CPF2204");
  ShowClientFailure("Unable to open conversation with AS/400 (2)", host);
  EXPECT_EQ(ClientFailureText("P", FailingRequest(-10, 3101, "CPF5006")),
            "P: Error -10-3101 - Msg=CPF5006\r\r\n");
  EXPECT_EQ(ClientFailureText("P", FailingRequest(VNX_ERR_INTERNAL, 0, "", 262)),
            "P: Internal Error 262\r\r\n");
  EXPECT_EQ(ClientFailureText("P", -7), "P: Unknown error -7!!!\r\r\n");
  const auto shown = sink_.Messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, "Morvalis/400");
  // The driver's text, then the client library's words for the failure.
  EXPECT_EQ(shown[0].text,
            "Unable to open conversation with AS/400 (2): Error -1-3009 - Msg=CPF2204\r\r\n"
            "command DSPJOB failed: user profile *N not found (CPF2204)");
}

// The SQL communication area as the host answers it, with `code` and a
// replacement text.
std::vector<uint8_t> Sqlca(int32_t code, const std::string& replacement) {
  std::vector<uint8_t> area(136, 0);
  std::memcpy(area.data(), "SQLCA   ", 8);
  idapi_put_u32(area.data(), 12, static_cast<uint32_t>(code));
  idapi_put_u16(area.data(), 16, static_cast<uint16_t>(replacement.size()));
  std::memcpy(area.data() + 18, replacement.data(), replacement.size());
  return area;
}

void QueueSqlca(const std::vector<uint8_t>& area) {
  Reply r;
  r.code = kSqlca;
  r.slots = {static_cast<int32_t>(area.size())};
  r.data = area;
  ScriptedTransport::QueueReceive(r.Bytes());
}

TEST_F(DriverErrors, NoRowIsNoFailureButTheContextIsPosted) {
  QueueSqlca(Sqlca(100, ""));
  EXPECT_EQ(MapSqlFailure(0), IDAPI_OK);
  const VdbError e = Last();
  EXPECT_EQ(e.status, IDAPI_ERR_SQL);
  EXPECT_STREQ(e.nativeCode, "100");
  EXPECT_EQ(std::string(e.context).rfind("SQL Error 100, ", 0), 0u);
}

// The replies of the message retrieval (each reply has a byte count per
// parameter of its request): the format file opens as handle 3,
// the API and the mapping answer 1, the read delivers `record`.
void QueueMessageRetrieval(const std::vector<uint8_t>& record) {
  Reply open;
  open.code = kOpen;
  open.result = 3;
  ScriptedTransport::QueueReceive(open.Bytes());
  for (int32_t code : {kApiCall, kMapFile}) {
    Reply r;
    r.code = code;
    ScriptedTransport::QueueReceive(r.Bytes());
  }
  Reply read;
  read.code = kRead;
  read.slots = {0, static_cast<int32_t>(record.size())};  // a slot per parameter
  read.data = record;
  ScriptedTransport::QueueReceive(read.Bytes());
}

std::vector<uint8_t> MessageRecord(int32_t length, const std::string& text) {
  std::vector<uint8_t> record(624, ' ');
  idapi_put_u32(record.data(), 8, static_cast<uint32_t>(length));
  std::memcpy(record.data() + 24, text.data(), text.size());
  return record;
}

TEST_F(DriverErrors, SqlErrorRetrievesItsMessageText) {
  const int32_t r = FailingRequest(-1, 3101, "SQL0803");
  ScriptedTransport::Reset();
  ScriptedTransport::SetAutoReply(false);
  QueueSqlca(Sqlca(-803, "AB\xff"));
  QueueMessageRetrieval(MessageRecord(14, "Duplicate key."));
  EXPECT_EQ(MapSqlFailure(r), IDAPI_ERR_SQL);
  const VdbError e = Last();
  EXPECT_STREQ(e.nativeCode, "-803");
  EXPECT_STREQ(e.context, "SQL Error -803, Duplicate key.");
  EXPECT_EQ(LastMessage(), "SQL Error -803, Duplicate key.");
  // The replacement text travels as hexadecimal digits, with the message
  // identifier and file.
  bool asked = false;
  for (const auto& part : ScriptedTransport::SentParts()) {
    const std::string bytes(part.begin(), part.end());
    asked |= bytes.find("SQL0803") != std::string::npos &&
             bytes.find("4142FF") != std::string::npos &&
             bytes.find("QSYS/QSQLMSG") != std::string::npos;
  }
  EXPECT_TRUE(asked);
}

TEST_F(DriverErrors, HostLengthsAreClampedToTheirBuffers) {
  // A replacement length beyond the area and a message length beyond the
  // record: both are cut, nothing is read past a buffer.
  std::vector<uint8_t> area = Sqlca(-204, "X");
  idapi_put_u16(area.data(), 16, 30000);
  ScriptedTransport::SetAutoReply(false);
  QueueSqlca(area);
  QueueMessageRetrieval(MessageRecord(1000000, "Object not found."));
  EXPECT_EQ(MapSqlFailure(0), IDAPI_ERR_SQL);
  const VdbError e = Last();
  EXPECT_STREQ(e.nativeCode, "-204");
  const std::string context = e.context;
  EXPECT_EQ(context.rfind("SQL Error -204, Object not found.", 0), 0u);
  EXPECT_EQ(context.size(), std::string("SQL Error -204, ").size() + 600);
}

TEST_F(DriverErrors, StaleSqlCodeNeverTurnsAFailureIntoSuccess) {
  // The communication area of an earlier statement says 0; the call failed
  // on the way, or on the host with an error that is not an SQL one.
  ScriptedTransport::FailCall("RESReception", -20);
  const int32_t comm = Rsystem("X");
  ASSERT_EQ(comm, VNX_ERR_COMM);
  EXPECT_EQ(MapSqlFailure(comm), IDAPI_ERR_COMMUNICATION);
  EXPECT_EQ(MapSqlFailure(FailingRequest(-1, 3014, "CPF9898")), IDAPI_ERR_INVALID_REQUEST);
  EXPECT_EQ(MapSqlFailure(FailingRequest(VNX_ERR_INTERNAL, 0, "", 5)), IDAPI_ERR_NOT_SUPPORTED);
}

}  // namespace
}  // namespace vantora::driver
