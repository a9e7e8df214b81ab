// The failure texts of a list load, through libMV432SLF.so and the scripted
// transport: each step failing with each class of error, the file closed on
// every path that opened it, nothing loaded after a failure.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mv432ida.h"
#include "mv432slf.h"
#include "platform/ui_sink.h"
#include "protocol/operations.h"
#include "selection/dialog_runner.h"
#include "tests/support/test_session.h"

namespace vantora::testing {
namespace {

constexpr int32_t kRopen = 0x0500;
constexpr int32_t kRclose = 0x0201;
constexpr int32_t kApiCall = 0x0157;
constexpr int32_t kMapFile = 0x0556;
constexpr int32_t kRead = 0x0146;

Reply Answer(int32_t code, int32_t result) {
  Reply r;
  r.code = code;
  r.result = result;
  return r;
}

Reply Failed(int32_t code, int32_t result, int32_t status, const char* id, int32_t internal = 0) {
  Reply r = Answer(code, result);
  r.status = status;
  r.systemError = std::string(id, std::strlen(id)) + std::string(8 - std::strlen(id), '\0');
  r.internalError = internal;
  return r;
}

Reply Block(const std::vector<std::string>& names, const char* attribute) {
  Reply r = Answer(kRead, static_cast<int32_t>(names.size()));
  for (const std::string& name : names) {
    std::string entry(108, ' ');
    entry.replace(0, name.size(), name);
    entry.replace(31, std::strlen(attribute), attribute);
    r.data.insert(r.data.end(), entry.begin(), entry.end());
  }
  r.slots = {0, static_cast<int32_t>(r.data.size())};
  return r;
}

// The replies of a load that goes well: handle 4, two entries, the end.
std::vector<Reply> GoodLoad() {
  return {Answer(kRopen, 4),
          Answer(kApiCall, 1),
          Answer(kApiCall, 1),
          Answer(kMapFile, 1),
          Block({"CUSTOMER", "ORDERS"}, "PF"),
          Block({}, "")};
}

class SelectionErrors : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    selection::InstallSelectionUiSink(&sink);
    Connect();
    ScriptedTransport::SetAutoReply(false);
  }
  void TearDown() override {
    selection::InstallSelectionUiSink(nullptr);
    ClientTest::TearDown();
  }
  static void Queue(const std::vector<Reply>& replies) {
    for (const Reply& r : replies) ScriptedTransport::QueueReceive(r.Bytes());
  }
  // The request codes sent since the last Reset, one per request.
  static std::vector<int32_t> Sent() {
    std::vector<int32_t> codes;
    for (const auto& part : ScriptedTransport::SentParts()) codes.push_back(HeaderI32(part, 4));
    return codes;
  }
  int32_t HiddenRequest() {
    VNXChoixLibFichierHideDialog();
    return VNXChoixLibFichier("DEMO");
  }

  platform::RecordingSink sink;
};

struct StepFailure {
  const char* what;
  std::vector<Reply> replies;  // up to and with the failing one
  const char* transportEntry;  // or a transport call that fails instead
  int16_t transportResult;
  std::string message;
  std::vector<int32_t> sent;
};

TEST_F(SelectionErrors, EachFailedStepShowsItsTextStopsAndClosesTheFile) {
  const std::vector<StepFailure> cases = {
      {"open, internal error",
       {Failed(kRopen, -30, 0, "", 77)},
       nullptr,
       0,
       "Open Error (YOBJL0200): VANTORA Internal Error 77\r\r\n",
       {kRopen}},
      {"open, communication error",
       {},
       "RESReception",
       -20,
       "Open Error (YOBJL0200): APPC Error f 68 \r\r\n",
       {kRopen}},
      {"open, host error",
       {Failed(kRopen, -1, 3004, "CPF4101")},
       nullptr,
       0,
       "Open Error (YOBJL0200): Error of class E_ERROR 3004 CPF4101\r\r\n",
       {kRopen}},
      {"open, signal",
       {Failed(kRopen, -10, 3101, "CPF9999")},
       nullptr,
       0,
       "Open Error (YOBJL0200): Error of class E_ERROR 3101 CPF9999\r\r\n",
       {kRopen}},
      {"open, transport result",
       {},
       "RESModeEnvoi",
       -5,
       "Open Error (YOBJL0200): Unknown error !!!\r\r\n",
       {}},
      {"user space",
       {Answer(kRopen, 4), Failed(kApiCall, -1, 3101, "CPF9870")},
       nullptr,
       0,
       "UserSpace creation failed: Error of class E_ERROR 3101 CPF9870\r\r\n",
       {kRopen, kApiCall, kRclose}},
      {"list",
       {Answer(kRopen, 4), Answer(kApiCall, 1), Failed(kApiCall, -1, 3101, "CPF9810")},
       nullptr,
       0,
       "Library not found",
       {kRopen, kApiCall, kApiCall, kRclose}},
      {"mapping",
       {Answer(kRopen, 4), Answer(kApiCall, 1), Answer(kApiCall, 1), Failed(kMapFile, -20, 0, "")},
       nullptr,
       0,
       "Maping the list failed: APPC Error f 68 \r\r\n",
       {kRopen, kApiCall, kApiCall, kMapFile, kRclose}},
      {"reading, after a first block",
       {Answer(kRopen, 4), Answer(kApiCall, 1), Answer(kApiCall, 1), Answer(kMapFile, 1),
        Block({"CUSTOMER"}, "PF"), Failed(kRead, -1, 3014, "CPF9898")},
       nullptr,
       0,
       "Reading the list failed: Error of class E_ERROR 3014 CPF9898\r\r\n",
       {kRopen, kApiCall, kApiCall, kMapFile, kRead, kRead, kRclose}},
      {"reading, unknown result",
       {Answer(kRopen, 4), Answer(kApiCall, 1), Answer(kApiCall, 1), Answer(kMapFile, 1),
        Answer(kRead, -3)},
       nullptr,
       0,
       "Reading the list failed: Unknown error !!!\r\r\n",
       {kRopen, kApiCall, kApiCall, kMapFile, kRead, kRclose}},
  };
  for (const StepFailure& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedTransport::Reset();
    ScriptedTransport::SetAutoReply(false);
    ScriptedTransport::SetAppcError(0x0F, 104);
    Queue(c.replies);
    if (c.transportEntry != nullptr)
      ScriptedTransport::FailCall(c.transportEntry, c.transportResult);
    const size_t before = sink.Messages().size();

    EXPECT_EQ(HiddenRequest(), 2);
    ASSERT_EQ(sink.Messages().size(), before + 1);
    EXPECT_EQ(sink.Messages().back().text, c.message);
    EXPECT_EQ(Sent(), c.sent);
    char lib[10];
    char name[10];
    int32_t n = 0;
    EXPECT_EQ(VNXChoixLibFichierCount(&n), 2);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(VNXChoixLibFichierData(lib, name, &n), 2);

    // Nothing is held: the same library is loaded again.
    ScriptedTransport::Reset();
    ScriptedTransport::SetAutoReply(false);
    Queue(GoodLoad());
    EXPECT_EQ(HiddenRequest(), 1);
    EXPECT_EQ(Sent(),
              (std::vector<int32_t>{kRopen, kApiCall, kApiCall, kMapFile, kRead, kRead, kRclose}));
    EXPECT_EQ(VNXChoixLibFichierCount(&n), 1);
    EXPECT_EQ(n, 2);
    VNXChoixLibFichier("*CLEAR");
  }
}

TEST_F(SelectionErrors, TheLoadSendsTheDocumentedRequests) {
  Queue(GoodLoad());
  ASSERT_EQ(HiddenRequest(), 1);
  const auto parts = ScriptedTransport::SentParts();
  ASSERT_EQ(parts.size(), 7u);
  auto text = [&](size_t i) {
    auto data = PartData(parts[i]);
    return std::string(data.begin(), data.end());
  };
  // The texts of a request, each with its terminator, in this order.
  auto carries = [&](size_t i, std::initializer_list<const char*> texts) {
    const std::string data = text(i);
    size_t at = 0;
    for (const char* t : texts) {
      at = data.find(std::string(t) + '\0', at);
      if (at == std::string::npos) return false;
      at += std::strlen(t) + 1;
    }
    return true;
  };
  EXPECT_TRUE(carries(0, {"YOBJL0200", "rr"}));
  EXPECT_TRUE(
      carries(1, {"QUSCRTUS", "QTEMP/QOBJLSTLIB", "PF", "100000", " ", "*ALL", " ", "*YES"}));
  EXPECT_TRUE(carries(2, {"QUSLOBJ", "QTEMP/QOBJLSTLIB", "OBJL0200", "DEMO/*ALL", "*FILE"}));
  EXPECT_FALSE(carries(2, {"QUSLOBJ", "DEMO/*ALL", "OBJL0200"}));
  EXPECT_EQ(Slot(parts[3], 0), 4);  // the handle of the open file
  EXPECT_NE(text(3).find("QTEMP/QOBJLSTLIB"), std::string::npos);
  EXPECT_EQ(Slot(parts[4], 0), 4);
  EXPECT_EQ(Slot(parts[4], 2), 108);
  EXPECT_EQ(Slot(parts[4], 3), 0x04080115);
  EXPECT_EQ(Slot(parts[5], 3), 0x02080115);
  EXPECT_EQ(HeaderI32(parts[6], 4), kRclose);
  EXPECT_EQ(Slot(parts[6], 0), 4);
}

}  // namespace
}  // namespace vantora::testing
