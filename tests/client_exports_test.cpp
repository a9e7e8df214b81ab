// Every export of mv432ida.h on the wire. For each export a call with known
// arguments goes through the scripted transport; the request that leaves is
// compared byte for byte with a request laid out here from the export's wire
// parameters; then a scripted reply answers it and the caller's buffers are
// compared with what the reply returned, and nothing else.
//
// The expected requests come from this file's own encoder (ExpectedRequest),
// which shares nothing with the library's codec, so that a fault in the codec
// cannot hide behind itself. Bytes the message format leaves open are masked:
// the transport's 4 bytes, pad bytes, the contents of output placeholders,
// header fields a request does not set, and slots past the parameters.
//
// The cases themselves are in client_export_cases.cpp. Exports that issue no
// request of their own are listed apart there (LocalCases), each with a short
// check. The header is read at test time: an export that neither table
// covers fails the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "protocol/operations.h"
#include "tests/client_export_cases.h"
#include "tests/support/scripted_transport.h"
#include "tests/support/test_session.h"

namespace vantora::testing {
namespace {

// ---- The message format, as this test reads it ---------------------------

// Request and reply header (64 bytes, little-endian).
constexpr int kHeaderBytes = 64;
constexpr int kOffSequence = 0;
constexpr int kOffCode = 4;
constexpr int kOffAnnounced = 8;
constexpr int kOffResult = 12;
constexpr int kOffSlots = 20;
constexpr int kOffEyeCatcher = 52;
constexpr int kEyeCatcherBytes = 8;
constexpr int kSlotCount = 8;
// Every part a client sends starts with 4 bytes that belong to the transport.
constexpr int kTransportBytes = 4;
constexpr int kRequestPartData = 4032;
constexpr int kReplyPartBytes = 4096;
constexpr int kPlaceholderBytes = 16;
// The status word every scripted reply carries; retstat() must give it back.
constexpr int32_t kReplyStatus = 4242;

// ---- The expected request, laid out from the wire parameters -------------

// Bytes with a mask: unknown bytes (unspecified by the message format) match
// anything.
struct Masked {
  std::vector<uint8_t> bytes;
  std::vector<bool> known;
  void Put(uint8_t b) {
    bytes.push_back(b);
    known.push_back(true);
  }
  void Unknown(size_t n) {
    bytes.insert(bytes.end(), n, 0);
    known.insert(known.end(), n, false);
  }
};

struct ExpectedMessage {
  Masked header;  // 64 bytes
  Masked data;    // the whole message data, across parts
};

ExpectedMessage ExpectedRequest(const WireCase& c, int32_t sequence) {
  ExpectedMessage m;
  m.header.Unknown(kHeaderBytes);
  auto set32 = [&](int offset, int32_t v) {
    wire::StoreLeI32(m.header.bytes.data() + offset, v);
    std::fill_n(m.header.known.begin() + offset, 4, true);
  };
  for (size_t i = 0; i < c.params.size(); ++i) {
    const Param& p = c.params[i];
    const int slot = kOffSlots + 4 * static_cast<int>(i);
    switch (p.kind) {
      case Kind::kValue:
        set32(slot, p.value);
        break;
      case Kind::kInput:
      case Kind::kInOut:
        set32(slot, static_cast<int32_t>(p.sent.size()));
        for (uint8_t b : p.sent) m.data.Put(b);
        if (p.sent.size() % 2 != 0) m.data.Unknown(1);  // pad to an even count
        break;
      case Kind::kOutput: {
        set32(slot, p.value);
        const size_t misalignment = m.data.bytes.size() % kPlaceholderBytes;
        if (misalignment != 0) m.data.Unknown(kPlaceholderBytes - misalignment);
        m.data.Unknown(kPlaceholderBytes);
        break;
      }
    }
  }
  set32(kOffSequence, sequence);
  set32(kOffCode, c.code);
  set32(kOffAnnounced, static_cast<int32_t>(m.data.bytes.size()));
  set32(kOffResult, 0);
  const char eye[] = "VANTORA ";
  for (int i = 0; i < kEyeCatcherBytes; ++i) {
    m.header.bytes[static_cast<size_t>(kOffEyeCatcher + i)] = static_cast<uint8_t>(eye[i]);
    m.header.known[static_cast<size_t>(kOffEyeCatcher + i)] = true;
  }
  return m;
}

// "" when `actual` matches, else where and how it first differs.
std::string Difference(const char* what, const std::vector<uint8_t>& actual, const Masked& want) {
  if (actual.size() != want.bytes.size()) {
    return std::string(what) + ": " + std::to_string(actual.size()) + " bytes, " +
           std::to_string(want.bytes.size()) + " expected";
  }
  for (size_t i = 0; i < actual.size(); ++i) {
    if (want.known[i] && actual[i] != want.bytes[i]) {
      char text[120];
      std::snprintf(text, sizeof text, "%s[%zu]: 0x%02X, expected 0x%02X", what, i, actual[i],
                    want.bytes[i]);
      return text;
    }
  }
  return "";
}

std::string Difference(const char* what, const std::vector<uint8_t>& actual,
                       const std::vector<uint8_t>& want) {
  Masked m;
  for (uint8_t b : want) m.Put(b);
  return Difference(what, actual, m);
}

// The reply the host sends: output bytes in parameter order, cut into parts.
std::vector<std::vector<uint8_t>> ReplyParts(const WireCase& c) {
  Reply reply;
  reply.code = c.code;
  reply.result = c.hostResult;
  reply.status = kReplyStatus;
  for (const Param& p : c.params) {
    const bool returns = p.kind == Kind::kOutput || p.kind == Kind::kInOut;
    reply.slots.push_back(returns ? static_cast<int32_t>(p.returned.size()) : 0);
    if (returns) reply.data.insert(reply.data.end(), p.returned.begin(), p.returned.end());
  }
  const std::vector<uint8_t> bytes = reply.Bytes();
  std::vector<std::vector<uint8_t>> parts;
  for (size_t at = 0; at < bytes.size(); at += kReplyPartBytes) {
    const size_t end = std::min(bytes.size(), at + kReplyPartBytes);
    parts.emplace_back(bytes.begin() + static_cast<long>(at),
                       bytes.begin() + static_cast<long>(end));
  }
  return parts;
}

std::string CaseName(const WireCase& c) {
  std::string name = c.exportName + "_";
  for (char ch : c.variant) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
}

// ---- The tests --------------------------------------------------------------

class Exports : public ClientTest, public ::testing::WithParamInterface<WireCase> {};

TEST_P(Exports, RequestBytesAndReply) {
  const WireCase& c = GetParam();
  ASSERT_LE(c.params.size(), static_cast<size_t>(kSlotCount));
  if (c.connected) Connect();
  ScriptedTransport::SetAutoReply(false);
  const auto replyParts = ReplyParts(c);
  if (c.ExpectsReply()) {
    for (const auto& part : replyParts) ScriptedTransport::QueueReceive(part);
  }
  Io io;
  if (c.setup) c.setup(io);
  const Io before = io;

  EXPECT_EQ(c.call(io), c.expected);

  // The request: the first part carries the header, every part at most 4032
  // data bytes; together they carry the whole message data.
  const auto parts = ScriptedTransport::SentParts();
  ASSERT_GE(parts.size(), 1u);
  const int32_t sequence = c.connected ? 2 : 1;  // the session open was part 1
  const ExpectedMessage want = ExpectedRequest(c, sequence);
  ASSERT_GE(parts[0].size(), static_cast<size_t>(kTransportBytes + kHeaderBytes));
  const std::vector<uint8_t> header(parts[0].begin() + kTransportBytes,
                                    parts[0].begin() + kTransportBytes + kHeaderBytes);
  EXPECT_EQ(Difference("header", header, want.header), "");
  std::vector<uint8_t> data(parts[0].begin() + kTransportBytes + kHeaderBytes, parts[0].end());
  for (size_t i = 0; i < parts.size(); ++i) {
    const size_t dataBytes = parts[i].size() - kTransportBytes - (i == 0 ? kHeaderBytes : 0);
    EXPECT_LE(dataBytes, static_cast<size_t>(kRequestPartData)) << "part " << i;
    if (i > 0) data.insert(data.end(), parts[i].begin() + kTransportBytes, parts[i].end());
  }
  EXPECT_EQ(Difference("data", data, want.data), "");

  // The exchange with the transport, step by step.
  std::vector<std::string> steps;
  if (!c.connected) steps.push_back("RESConnexion");
  for (size_t i = 0; i < parts.size(); ++i) {
    steps.push_back("RESModeEnvoi");
    steps.push_back("RESEnvoi");
  }
  if (c.ExpectsReply()) {
    steps.push_back("RESModeReception");
    steps.insert(steps.end(), replyParts.size(), "RESReception");
    steps.push_back("RESModeEnvoi");
  } else {
    steps.push_back("RESFlush");
    if (c.exportName == "FreeSession") steps.push_back("RESDeconnexion");
  }
  std::vector<std::string> made;
  for (const auto& call : ScriptedTransport::Calls()) made.push_back(call.entry);
  EXPECT_EQ(made, steps);

  // The caller's buffers: the returned bytes where they belong, nothing else.
  Io wantIo = before;
  if (c.ExpectsReply()) {
    for (const Param& p : c.params) {
      if (p.buffer >= 0)
        std::copy(p.returned.begin(), p.returned.end(), wantIo[p.buffer] + p.offset);
    }
    for (const Written& w : c.alsoWritten) {
      std::copy(w.bytes.begin(), w.bytes.end(), wantIo[w.buffer] + w.offset);
    }
    EXPECT_EQ(retstat(), kReplyStatus);
  }
  for (size_t b = 0; b < io.buffer.size(); ++b) {
    const std::string what = "buffer " + std::to_string(b);
    EXPECT_EQ(Difference(what.c_str(), io.buffer[b], wantIo.buffer[b]), "");
  }
}

INSTANTIATE_TEST_SUITE_P(EveryExport, Exports, ::testing::ValuesIn(WireCases()),
                         [](const ::testing::TestParamInfo<WireCase>& param) {
                           return CaseName(param.param);
                         });

// A request without a reply answers 1 once RESFlush says everything left,
// and -20 when it does not.
class NoReplyExports : public ClientTest, public ::testing::WithParamInterface<WireCase> {};

TEST_P(NoReplyExports, ResultFollowsTheFlush) {
  const WireCase& c = GetParam();
  Connect();
  ScriptedTransport::FailCall("RESFlush", 0);
  Io io;
  if (c.setup) c.setup(io);
  EXPECT_EQ(c.call(io), VNX_ERR_COMM);
  EXPECT_TRUE(ScriptedTransport::Calls("RESReception").empty());
}

std::vector<WireCase> NoReplyCases() {
  std::vector<WireCase> out;
  for (auto& c : WireCases()) {
    // FreeSession answers RESDeconnexion's result, not the flush's.
    if (!c.ExpectsReply() && c.exportName != "FreeSession") out.push_back(c);
  }
  return out;
}

INSTANTIATE_TEST_SUITE_P(EveryNoReplyExport, NoReplyExports, ::testing::ValuesIn(NoReplyCases()),
                         [](const ::testing::TestParamInfo<WireCase>& param) {
                           return CaseName(param.param);
                         });

class LocalExports : public ClientTest, public ::testing::WithParamInterface<LocalCase> {};

TEST_P(LocalExports, Behave) {
  GetParam().check();
}

INSTANTIATE_TEST_SUITE_P(EveryLocalExport, LocalExports, ::testing::ValuesIn(LocalCases()),
                         [](const ::testing::TestParamInfo<LocalCase>& param) {
                           return param.param.exportName;
                         });

// The names that mv432ida.h declares with MV432IDA_API.
std::set<std::string> DeclaredExports(size_t* markers) {
  std::ifstream in(MV432IDA_HEADER);
  EXPECT_TRUE(in) << "cannot read " << MV432IDA_HEADER;
  std::string text;
  for (std::string line; std::getline(in, line);) {
    const auto first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line[first] == '#') continue;  // the macro's own definition
    text += line + '\n';
  }
  *markers = 0;
  for (size_t at = text.find("MV432IDA_API"); at != std::string::npos;
       at = text.find("MV432IDA_API", at + 1)) {
    ++*markers;
  }
  std::set<std::string> names;
  const std::regex declaration(R"(MV432IDA_API\s+[^;(]*?\b([A-Za-z_]\w*)\s*\()");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), declaration);
       it != std::sregex_iterator(); ++it) {
    names.insert((*it)[1]);
  }
  return names;
}

TEST(ExportCoverage, EveryDeclaredExportHasACase) {
  size_t markers = 0;
  const std::set<std::string> declared = DeclaredExports(&markers);
  ASSERT_TRUE(declared.count("Ropen")) << "the header was not parsed";
  EXPECT_EQ(declared.size(), markers) << "a declaration the parser did not understand";

  std::set<std::string> covered;
  for (const auto& c : WireCases()) covered.insert(c.exportName);
  std::set<std::string> local;
  for (const auto& c : LocalCases()) local.insert(c.exportName);
  for (const auto& name : local) {
    EXPECT_FALSE(covered.count(name)) << name << " is both a request and a local function";
    covered.insert(name);
  }
  for (const auto& name : declared) EXPECT_TRUE(covered.count(name)) << name << " has no case";
  for (const auto& name : covered) EXPECT_TRUE(declared.count(name)) << name << " is not declared";
}

// Every operation the parameter table knows is issued by some case.
TEST(ExportCoverage, EveryOperationIsIssued) {
  std::set<int> issued;
  for (const auto& c : WireCases()) issued.insert(c.code & 0xFF);
  for (int op = 0; op < wire::kOperationCount; ++op) {
    if (wire::OperationEntry(op).Used()) {
      EXPECT_TRUE(issued.count(op)) << "operation 0x" << std::hex << op << " has no case";
    }
  }
}

}  // namespace
}  // namespace vantora::testing
