// The words of a failure of the client library: what VNXErrorText answers.
// Pure: the caller gathers the facts (failures.h, the session record, the
// transport, the SQL communication area) and this says them in one sentence.
#ifndef VANTORA_CLIENT_FAILURE_SENTENCE_H_
#define VANTORA_CLIENT_FAILURE_SENTENCE_H_

#include <cstdint>
#include <string>

namespace vantora::client {

struct FailureFacts {
  int32_t result = 0;         // the failure's class: -1, -10, -20 or -30; 0 none
  int operation = -1;         // the request's operation number (wire::Op); -1 none
  std::string subject;        // what the call named: LIB/FILE, a command, a statement
  std::string user;           // the session's user, when the program named one
  int32_t status = 0;         // the host's status word (retstat)
  std::string messageId;      // the host's message identifier, "" when none
  int32_t internalError = 0;  // Internal_Error()
  std::string transportText;  // the transport's own words of its failure (RESErrorText)
  int16_t appcPrimary = 0;    // the transport's codes (APPC_ERR)
  int32_t appcSecondary = 0;
  std::string transportFile;  // the transport module's file name
  bool sql = false;           // the SQL communication area below was read
  int32_t sqlCode = 0;
  std::string sqlTokens;  // its replacement text, tokens separated by 0xFF
  std::string sqlState;
};

// Whether operation `op` is an SQL request, whose failure the SQL
// communication area describes.
bool IsSqlOperation(int op);

// One sentence, starting in lower case (or with a message identifier), no
// final stop: what failed, why, and what to do where there is something to
// do; the host's message identifier in parentheses where there is one. Empty
// when `facts.result` is not negative.
std::string FailureSentence(const FailureFacts& facts);

}  // namespace vantora::client

#endif  // VANTORA_CLIENT_FAILURE_SENTENCE_H_
