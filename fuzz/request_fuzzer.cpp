// libFuzzer target: requests fed to a host session. Each input is a run of
// steps; a step either feeds raw bytes to the request decoder as a part, or
// builds a well-formed request (with the client's own part builder) for a
// record-level, SQL or service operation with parameters taken from the input,
// so that the handlers behind the decoder see hostile values too. Every
// reply must stay within the parameters' asked lengths; nothing may crash.
//
// The host lives for the whole run in a temporary data directory holding
// the demo library; each input runs in a fresh session (a fresh job).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/server/host_setup.h"
#include "host/server/server_session.h"
#include "protocol/byte_order.h"
#include "protocol/message_format.h"
#include "protocol/operations.h"
#include "protocol/request_parts.h"

namespace {

using namespace vantora;

constexpr int kMaxSteps = 24;
constexpr int32_t kMaxBuffer = 9000;  // input buffers; spans three request parts
constexpr int32_t kMaxOutput = 70000;

// Operations the structured steps build: the record-level requests and the
// service requests that need no other object.
constexpr uint8_t kOps[] = {
    wire::kOpRopen,        wire::kOpRclose,        wire::kOpRreadn,     wire::kOpRreadp,
    wire::kOpRreadf,       wire::kOpRreadl,        wire::kOpRreads,     wire::kOpRreadk,
    wire::kOpRreadd,       wire::kOpRwrite,        wire::kOpRwrited,    wire::kOpRupdate,
    wire::kOpRdelete,      wire::kOpRrlslck,       wire::kOpRlocate,    wire::kOpRfeod,
    wire::kOpRrstatus,     wire::kOpRlength,       wire::kOpRcommit,    wire::kOpRrollbck,
    wire::kOpRformat,      wire::kOpGetNbrFmt,     wire::kOpGetTypeFmt, wire::kOpGetTypeFld,
    wire::kOpGetTypeKey,   wire::kOpSetImpGenConv, wire::kOpSetImpConv, wire::kOpSetTypeFld,
    wire::kOpCloseSession, wire::kOpRselect,       wire::kOpRLclose,    wire::kOpRead,
    wire::kOpWrite,        wire::kOpGetDesc,       wire::kOpOpen,       wire::kOpEcho,
    wire::kOpRtvAsVer,     wire::kOpSqlBegin,      wire::kOpSqlEnd,     wire::kOpSqlSqlca,
    wire::kOpSqlImmediate, wire::kOpSqlDeclare,    wire::kOpSqlOpen,    wire::kOpSqlFetch,
    wire::kOpSqlEFetch,    wire::kOpSqlRow,        wire::kOpSqlClose,   wire::kOpSqlCommit,
    wire::kOpSetTypeKey,
};

// Statements for the SQL requests' text inputs (no DROP TABLE: the host
// serves every input).
const char* const kStatements[] = {
    "SELECT * FROM DEMO/ORDERS",
    "select ORDNO, AMOUNT * 2 FROM DEMO/ORDERS WHERE AMOUNT > ? ORDER BY 2 FOR FETCH ONLY",
    "SELECT COUNT(*) FROM DEMO/CUSTOMER WHERE OPENED >= '2021-01-01'",
    "UPDATE DEMO/ORDERS SET AMOUNT = AMOUNT + 1.5, STATUS = 'F'",
    "DELETE FROM DEMO/ORDERSBYC",
    "INSERT INTO DEMO/ORDERS VALUES (900001, 1001, '01/02/24', '12.5  ', 'N')",
    "INSERT INTO DEMO/ORDERS (ORDNO, AMOUNT) SELECT ORDNO + 9, AMOUNT / 3 FROM DEMO/ORDERS",
    "CREATE  UNIQUE  INDEX DEMO/FUZZX ON DEMO/ORDERS (CUSTNO ASC,ORDNO DESC)",
    "DROP INDEX DEMO/FUZZX",
    "CREATE TABLE QGPL/FUZZT (A DECIMAL(5, 2), B CHAR(3) NOT NULL, PRIMARY KEY (B))",
    " COMMIT HOLD",
    " ROLLBACK HOLD",
    "SET TRANSACTION ISOLATION LEVEL CS",
    "UPDATE DEMO/ORDERS SET STATUS = 'P' WHERE CURRENT OF C1",
};

const char* const kNames[] = {"DEMO/CUSTOMER", "DEMO/ORDERS", "DEMO/ORDERSBYC", "DEMO/ORDERSBYD",
                              "DEMO/BENCH100", "CUSTOMER",    "QGPL/NOSUCH",    "/"};
const char* const kModes[] = {
    "rr",         "ur",         "ar", "rr blkrcd=Y", "ur commit=Y waitrcd=0", "rr nullmap=Y raw=Y",
    "ur share=N", "rr arrseq=Y"};
const int32_t kValues[] = {0,          1,          2,
                           -1,         0x01000000, 0x02080000 + 40,
                           0x04090005, 0x06000000, 0x0B000000,
                           0x0F000000, 0x0F020000, 0x00200005,
                           0x00100001, 0x08000000, 0x10020000 + 3,
                           0x11020007, 0x21020002, 0x21000001,
                           0x09000000, 0x40000000, 100,
                           113,        0x7FFFFFFF, INT32_MIN};

host::Host* TheHost() {
  static std::unique_ptr<host::Host> host = [] {
    auto dir = std::filesystem::temp_directory_path() /
               ("vantora-request-fuzzer-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::unique_ptr<host::Host> h;
    if (!host::OpenPreparedHost(dir.string(), host::kDefaultLocalUser, {}, &h).ok()) std::abort();
    return h;
  }();
  return host.get();
}

// Feeds one part; false once the session is over.
bool Feed(host::ServerSession& session, const uint8_t* part, size_t length, const int32_t* asked) {
  switch (session.Feed(part, length)) {
    case host::ServerSession::Outcome::kEnd:
      return false;
    case host::ServerSession::Outcome::kReply: {
      auto reply = session.Reply();
      if (reply.size() < wire::kHeaderSize) std::abort();
      if (asked != nullptr) {
        // The reply never returns more than a parameter asked for.
        for (int i = 0; i < wire::kMaxSlots; ++i) {
          if (wire::LoadLeI32(reply.data() + wire::kHdrSlots + 4 * i) > asked[i]) std::abort();
        }
      }
      return true;
    }
    default:
      return true;
  }
}

// Builds the request of `op` with `args` and feeds its parts.
bool Send(host::ServerSession& session, const wire::Operation& op, std::vector<uint64_t>& args,
          const int32_t* asked) {
  wire::MessageProgress progress;
  uint8_t part[wire::kHeaderSize + wire::kDataAreaSize];
  int32_t sequence = 0;
  bool first = true;
  while (progress.state != wire::kComplete) {
    int n = wire::BuildRequestPart(op, op.code, ++sequence, args.data(), progress, part,
                                   part + wire::kHeaderSize);
    if (first) {
      std::memcpy(part + wire::kHdrSystemError, wire::kEyeCatcher, 8);
      if (!Feed(session, part, static_cast<size_t>(wire::kHeaderSize + n), asked)) return false;
      first = false;
    } else if (!Feed(session, part + wire::kHeaderSize, static_cast<size_t>(n), asked)) {
      return false;
    }
  }
  return true;
}

bool OpenSession(host::ServerSession& session) {
  const wire::Operation& op = wire::OperationEntry(wire::kOpSessionOpen);
  static const char program[] = "VANTORA";
  static const char machine[18] = {};
  static const char blanks[10] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  std::vector<uint64_t> args = {3,
                                2,
                                sizeof program,
                                reinterpret_cast<uint64_t>(program),
                                0,
                                sizeof machine,
                                reinterpret_cast<uint64_t>(machine),
                                10,
                                reinterpret_cast<uint64_t>(blanks),
                                10,
                                reinterpret_cast<uint64_t>(blanks)};
  return Send(session, op, args, nullptr) && session.opened();
}

// One structured request; false once the session is over.
bool Structured(host::ServerSession& session, FuzzedDataProvider& in,
                std::deque<std::string>& keep) {
  const uint8_t opNumber = kOps[in.ConsumeIntegralInRange<size_t>(0, std::size(kOps) - 1)];
  const wire::Operation& op = wire::OperationEntry(opNumber);
  std::vector<uint64_t> args;
  int32_t asked[wire::kMaxSlots] = {};
  static uint8_t sink[kMaxOutput];
  for (int i = 0; i < op.count; ++i) {
    switch (op.Kind(i)) {
      case wire::kValue:
        args.push_back(static_cast<uint32_t>(
            in.ConsumeBool() ? kValues[in.ConsumeIntegralInRange<size_t>(0, std::size(kValues) - 1)]
                             : in.ConsumeIntegral<int32_t>()));
        break;
      case wire::kInput:
      case wire::kInOut: {
        std::string bytes;
        bool text = (opNumber == wire::kOpRopen || opNumber == wire::kOpOpen) && i <= 1;
        const bool statement = opNumber == wire::kOpSqlImmediate ||
                               opNumber == wire::kOpSqlDeclare || opNumber == wire::kOpSqlRow;
        if (statement && in.ConsumeBool()) {
          bytes = kStatements[in.ConsumeIntegralInRange<size_t>(0, std::size(kStatements) - 1)];
          bytes.push_back('\0');
        } else if (text && in.ConsumeBool()) {
          bytes = i == 0 ? kNames[in.ConsumeIntegralInRange<size_t>(0, std::size(kNames) - 1)]
                         : kModes[in.ConsumeIntegralInRange<size_t>(0, std::size(kModes) - 1)];
          bytes.push_back('\0');
        } else {
          bytes = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<size_t>(0, kMaxBuffer));
        }
        keep.push_back(std::move(bytes));
        args.push_back(keep.back().size());
        args.push_back(reinterpret_cast<uint64_t>(keep.back().data()));
        if (op.Kind(i) == wire::kInOut) asked[i] = static_cast<int32_t>(keep.back().size());
        break;
      }
      case wire::kOutput: {
        int32_t n = in.ConsumeIntegralInRange<int32_t>(0, kMaxOutput);
        asked[i] = n;
        args.push_back(static_cast<uint64_t>(n));
        args.push_back(reinterpret_cast<uint64_t>(sink));
        break;
      }
    }
  }
  return Send(session, op, args, asked);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  host::SessionOptions options;
  options.defaultUser = host::kDefaultLocalUser;
  options.trustDefaultUser = true;
  host::ServerSession session(*TheHost(), options);
  const bool opened = in.ConsumeBool() ? OpenSession(session) : false;
  std::deque<std::string> keep;  // stable addresses for the argument words
  for (int step = 0; step < kMaxSteps && in.remaining_bytes() > 0; ++step) {
    bool going;
    if (opened && in.ConsumeIntegralInRange<int>(0, 3) != 0) {
      going = Structured(session, in, keep);
    } else {
      std::string part = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<size_t>(0, 4200));
      going = Feed(session, reinterpret_cast<const uint8_t*>(part.data()), part.size(), nullptr);
    }
    if (!going) break;
  }
  return 0;
}
