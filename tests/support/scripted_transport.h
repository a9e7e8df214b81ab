// The scripted test transport, libMV432tst.so (network type "tst").
//
// It implements the transport entry points, records every call with its
// arguments and the exact bytes sent (from the 4 transport bytes in front of
// each part), serves scripted reply bytes, and fails scripted calls. When no
// reply bytes are scripted it answers each request with an empty reply to
// the request's own code (result 1), so sessions can be opened and used from
// several threads at once without a script.
#ifndef VANTORA_TESTS_SUPPORT_SCRIPTED_TRANSPORT_H_
#define VANTORA_TESTS_SUPPORT_SCRIPTED_TRANSPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#define TST_API __attribute__((visibility("default")))

namespace vantora::testing {

struct TransportCall {
  std::string entry;  // "RESConnexion", "RESEnvoi", ...
  const void* session = nullptr;
  std::vector<uint8_t> bytes;  // RESEnvoi: the 4 transport bytes and the part
  int length = 0;              // RESEnvoi length; RESReception maximum; multi-session count
  int flag = 0;                // RESReception flag
  std::string machine, program, user, password;
  bool userGiven = false;
};

class TST_API ScriptedTransport {
 public:
  // Forgets calls, scripts and failures; auto-replies on with result 1.
  static void Reset();
  static std::vector<TransportCall> Calls();
  static std::vector<TransportCall> Calls(const std::string& entry);
  // The parts sent since the last Reset (RESEnvoi calls), each from its
  // 4 transport bytes.
  static std::vector<std::vector<uint8_t>> SentParts();

  // Bytes delivered by the next RESReception call(s): at most the caller's
  // maximum per call; the rest stays for the following calls.
  static void QueueReceive(const std::vector<uint8_t>& bytes);
  // One RESReception call that returns 0 and delivers nothing.
  static void QueueNothingYet();
  // When off, an empty script answers -20 to a waiting RESReception and
  // "nothing yet" to one that must return at once.
  static void SetAutoReply(bool on, int32_t result = 1);

  // The `nth` next call (1 = the next one) of `entry` returns `result`
  // without doing anything.
  static void FailCall(const std::string& entry, int16_t result, int nth = 1);

  static void SetAppcError(int16_t primary, int32_t secondary);
  static int TerminateCalls();
};

// A reply as the host sends it: a first part (header + data) whose header
// carries `code`, `result`, `status`, the slots and the error fields.
struct TST_API Reply {
  int32_t code = 0;
  int32_t result = 1;
  int32_t status = 0;
  std::vector<int32_t> slots;  // bytes returned per output parameter
  std::vector<uint8_t> data;   // output bytes, in parameter order
  std::string systemError;     // up to 8 characters
  int32_t internalError = 0;

  // The whole reply message: header and data (split into parts by the caller).
  std::vector<uint8_t> Bytes() const;
};

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_SCRIPTED_TRANSPORT_H_
