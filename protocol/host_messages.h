// The host's message files QSYS/QCPFMSG (system messages) and QSYS/QSQLMSG
// (SQL messages): the first-level text of every message identifier the host
// answers, with substitution variables &1, &2, ... The identifiers are the
// real host's; the texts are ours. The host serves them (QMHRTVM, its message
// files); the client library words its failures with them.
//
// Substitution data (QMHRTVM's replacement data) holds the values of &1,
// &2, ... one after another, separated by the byte 0xFF (the separator the
// SQL communication area uses between the tokens of its replacement text).
// A variable without a value is replaced by nothing.
#ifndef VANTORA_PROTOCOL_HOST_MESSAGES_H_
#define VANTORA_PROTOCOL_HOST_MESSAGES_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantora::wire {

inline constexpr char kSystemMessageFile[] = "QCPFMSG";
inline constexpr char kSqlMessageFile[] = "QSQLMSG";
inline constexpr uint8_t kSubstitutionSeparator = 0xFF;

struct MessageDescription {
  const char* id;    // "CPF5001"
  const char* text;  // first-level text with &1 ... &9
};

// The messages of `file` ("QCPFMSG" or "QSQLMSG"); empty for any other name.
std::span<const MessageDescription> MessagesOf(std::string_view file);

// The description of `id` in `file`, or null.
const MessageDescription* FindMessage(std::string_view file, std::string_view id);

// `text` with &1 ... &9 replaced by the values in `data` (see above).
std::string SubstituteMessage(std::string_view text, std::span<const uint8_t> data);

}  // namespace vantora::wire

#endif  // VANTORA_PROTOCOL_HOST_MESSAGES_H_
