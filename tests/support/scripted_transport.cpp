#include "tests/support/scripted_transport.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>

#include "mv432transport.h"
#include "protocol/byte_order.h"
#include "protocol/message_format.h"

namespace vantora::testing {
namespace {

struct Chunk {
  std::vector<uint8_t> bytes;
  bool nothingYet = false;
};

struct Failure {
  int countdown;
  int16_t result;
};

struct State {
  std::mutex mutex;
  std::vector<TransportCall> calls;
  std::deque<Chunk> script;
  std::map<std::string, std::vector<Failure>> failures;
  std::map<const void*, int32_t> lastCode;  // per session: the request last sent
  std::map<const void*, int32_t> toSend;    // per session: request bytes still to come
  std::map<const void*, std::vector<uint8_t>> autoPending;
  bool autoReply = true;
  int32_t autoResult = 1;
  int16_t appcPrimary = 0;
  int32_t appcSecondary = 0;
  int terminateCalls = 0;
};

State& S() {
  static State state;
  return state;
}

// Counts the call down against the scripted failures of `entry`.
bool Failing(const std::string& entry, int16_t* result) {
  auto it = S().failures.find(entry);
  if (it == S().failures.end()) return false;
  for (auto f = it->second.begin(); f != it->second.end(); ++f) {
    if (--f->countdown == 0) {
      *result = f->result;
      it->second.erase(f);
      return true;
    }
  }
  return false;
}

std::string Field(const char* p, size_t n) {
  return p ? std::string(p, n) : std::string();
}

}  // namespace

void ScriptedTransport::Reset() {
  std::lock_guard lock(S().mutex);
  S().calls.clear();
  S().script.clear();
  S().failures.clear();
  S().autoPending.clear();
  S().toSend.clear();
  S().autoReply = true;
  S().autoResult = 1;
  S().appcPrimary = 0;
  S().appcSecondary = 0;
  S().terminateCalls = 0;
}

std::vector<TransportCall> ScriptedTransport::Calls() {
  std::lock_guard lock(S().mutex);
  return S().calls;
}

std::vector<TransportCall> ScriptedTransport::Calls(const std::string& entry) {
  std::vector<TransportCall> out;
  for (auto& c : Calls()) {
    if (c.entry == entry) out.push_back(c);
  }
  return out;
}

std::vector<std::vector<uint8_t>> ScriptedTransport::SentParts() {
  std::vector<std::vector<uint8_t>> parts;
  for (auto& c : Calls("RESEnvoi")) parts.push_back(c.bytes);
  return parts;
}

void ScriptedTransport::QueueReceive(const std::vector<uint8_t>& bytes) {
  std::lock_guard lock(S().mutex);
  S().script.push_back({bytes, false});
}

void ScriptedTransport::QueueNothingYet() {
  std::lock_guard lock(S().mutex);
  S().script.push_back({{}, true});
}

void ScriptedTransport::SetAutoReply(bool on, int32_t result) {
  std::lock_guard lock(S().mutex);
  S().autoReply = on;
  S().autoResult = result;
}

void ScriptedTransport::FailCall(const std::string& entry, int16_t result, int nth) {
  std::lock_guard lock(S().mutex);
  S().failures[entry].push_back({nth, result});
}

void ScriptedTransport::SetAppcError(int16_t primary, int32_t secondary) {
  std::lock_guard lock(S().mutex);
  S().appcPrimary = primary;
  S().appcSecondary = secondary;
}

int ScriptedTransport::TerminateCalls() {
  std::lock_guard lock(S().mutex);
  return S().terminateCalls;
}

std::vector<uint8_t> Reply::Bytes() const {
  std::vector<uint8_t> out(wire::kHeaderSize + data.size(), 0);
  uint8_t* h = out.data();
  wire::StoreLeI32(h + wire::kHdrCode, code);
  wire::StoreLeI32(h + wire::kHdrLength, static_cast<int32_t>(data.size()));
  wire::StoreLeI32(h + wire::kHdrResult, result);
  wire::StoreLeI32(h + wire::kHdrStatus, status);
  for (size_t i = 0; i < slots.size() && i < wire::kMaxSlots; ++i) {
    wire::StoreLeI32(h + wire::kHdrSlots + 4 * i, slots[i]);
  }
  std::memcpy(h + wire::kHdrSystemError, systemError.data(),
              std::min<size_t>(systemError.size(), wire::kSystemErrorSize));
  wire::StoreLeI32(h + wire::kHdrInternalError, internalError);
  if (!data.empty()) std::memcpy(out.data() + wire::kHeaderSize, data.data(), data.size());
  return out;
}

}  // namespace vantora::testing

using namespace vantora::testing;
namespace wire = vantora::wire;

extern "C" {

MV432T_API int16_t RESConnexion(void* session, const char* machine, const char* program,
                                const char* user, const char* password) {
  std::lock_guard lock(S().mutex);
  TransportCall c;
  c.entry = "RESConnexion";
  c.session = session;
  c.machine = machine ? machine : "";
  c.program = program ? program : "";
  c.userGiven = user != nullptr;
  c.user = Field(user, 10);
  c.password = Field(password, 10);
  S().calls.push_back(c);
  int16_t result;
  if (Failing(c.entry, &result)) return result;
  S().toSend[session] = 0;
  return 1;
}

#define SIMPLE_ENTRY(name)                                                  \
  MV432T_API int16_t name(void* session) {                                  \
    std::lock_guard lock(S().mutex);                                        \
    S().calls.push_back({#name, session, {}, 0, 0, {}, {}, {}, {}, false}); \
    int16_t result;                                                         \
    if (Failing(#name, &result)) return result;                             \
    return 1;                                                               \
  }

SIMPLE_ENTRY(RESDeconnexion)
SIMPLE_ENTRY(RESModeEnvoi)
SIMPLE_ENTRY(RESModeReception)
SIMPLE_ENTRY(RESFlush)

MV432T_API int16_t RESEnvoi(void* session, int16_t length, void* buffer) {
  std::lock_guard lock(S().mutex);
  TransportCall c;
  c.entry = "RESEnvoi";
  c.session = session;
  c.length = length;
  auto* b = static_cast<const uint8_t*>(buffer);
  c.bytes.assign(b, b + 4 + length);
  S().calls.push_back(c);
  int16_t result;
  if (Failing(c.entry, &result)) {
    S().toSend[session] = 0;  // the unfinished request is dropped
    return result;
  }
  int32_t& remaining = S().toSend[session];
  if (remaining <= 0) {  // a first part: header, then data
    const uint8_t* header = b + 4;
    int32_t code = wire::LoadLeI32(header + wire::kHdrCode);
    S().lastCode[session] = code;
    remaining = wire::LoadLeI32(header + wire::kHdrLength) - (length - wire::kHeaderSize);
  } else {
    remaining -= length;
  }
  return 1;
}

MV432T_API int16_t RESReception(void* session, int16_t maximum, void* buffer, int16_t* count,
                                int16_t flag) {
  std::lock_guard lock(S().mutex);
  TransportCall c;
  c.entry = "RESReception";
  c.session = session;
  c.length = maximum;
  c.flag = flag;
  S().calls.push_back(c);
  *count = 0;
  int16_t result;
  if (Failing(c.entry, &result)) return result;
  std::vector<uint8_t>* source = nullptr;
  if (!S().script.empty()) {
    Chunk& front = S().script.front();
    if (front.nothingYet) {
      S().script.pop_front();
      return 0;
    }
    source = &front.bytes;
  } else if (S().autoReply) {
    auto& pending = S().autoPending[session];
    if (pending.empty()) {
      Reply reply;
      reply.code = S().lastCode[session];
      reply.result = S().autoResult;
      pending = reply.Bytes();
    }
    source = &pending;
  } else {
    return flag == MV432T_RECEIVE_NOWAIT ? 0 : MV432T_FAILED;
  }
  size_t n = std::min<size_t>(source->size(), static_cast<size_t>(maximum));
  std::memcpy(buffer, source->data(), n);
  source->erase(source->begin(), source->begin() + static_cast<long>(n));
  if (source->empty() && !S().script.empty() && source == &S().script.front().bytes) {
    S().script.pop_front();
  }
  *count = static_cast<int16_t>(n);
  return 1;
}

MV432T_API int16_t RESDebutMultiSession(void* first, int16_t count) {
  std::lock_guard lock(S().mutex);
  S().calls.push_back({"RESDebutMultiSession", first, {}, count, 0, {}, {}, {}, {}, false});
  return 1;
}

MV432T_API int16_t RESFinMultiSession(void* first) {
  std::lock_guard lock(S().mutex);
  S().calls.push_back({"RESFinMultiSession", first, {}, 0, 0, {}, {}, {}, {}, false});
  return 1;
}

MV432T_API int16_t RESAppcErr(void* session, int16_t* primary, int32_t* secondary) {
  std::lock_guard lock(S().mutex);
  S().calls.push_back({"RESAppcErr", session, {}, 0, 0, {}, {}, {}, {}, false});
  if (primary) *primary = S().appcPrimary;
  if (secondary) *secondary = S().appcSecondary;
  return 1;
}

MV432T_API int16_t RESTerminate(void) {
  std::lock_guard lock(S().mutex);
  ++S().terminateCalls;
  return 1;
}

}  // extern "C"
