// The words of a TCP connection's failure: what RESErrorText hands the client
// library for people to read. The codes are those of RESAppcErr
// (tcp_connection.h); `peer` is "host:port" as the connection was asked for,
// `detail` what TLS said of its failure (empty otherwise).
#ifndef VANTORA_TRANSPORT_TCP_FAILURE_TEXT_H_
#define VANTORA_TRANSPORT_TCP_FAILURE_TEXT_H_

#include <cstdint>
#include <string>

namespace vantora::tcp {

// One sentence, lower case, without a final stop: what failed, why, and what
// to do where there is something to do. Empty for primary 0 (no failure).
std::string FailureText(int16_t primary, int32_t secondary, const std::string& peer,
                        const std::string& detail);

}  // namespace vantora::tcp

#endif  // VANTORA_TRANSPORT_TCP_FAILURE_TEXT_H_
