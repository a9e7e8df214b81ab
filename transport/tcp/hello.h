// The handshake that opens a Vantora TCP connection: the client's hello and
// the server's welcome (or a refusal frame, frame.h).
//
// Hello payload (92 bytes):
//
//   offset  width  field
//   0       4      magic "VNTR"
//   4       uint16 protocol version, big-endian (kProtocolVersion)
//   6       uint16 flags, big-endian: bit 0 = the user and password below are set
//   8       10     user profile, ASCII, blank-padded
//   18      10     password, ASCII, blank-padded
//   28      64     server program path ("LIBRARY/PROGRAM"), NUL-padded
//
// The credentials of the hello are those a session-open request without a
// user runs as; the host authenticates them like any other (they are not
// trusted). A session-open that names its user ignores them.
//
// Welcome payload (12 bytes):
//
//   0       4      magic "VNTR"
//   4       uint16 protocol version the server speaks, big-endian
//   6       uint16 0
//   8       int32  the host's version, big-endian
#ifndef VANTORA_TRANSPORT_TCP_HELLO_H_
#define VANTORA_TRANSPORT_TCP_HELLO_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vantora::tcp {

inline constexpr uint16_t kProtocolVersion = 1;
inline constexpr size_t kHelloSize = 92;
inline constexpr size_t kWelcomeSize = 12;
inline constexpr size_t kCredentialSize = 10;
inline constexpr size_t kProgramSize = 64;

struct Hello {
  uint16_t version = kProtocolVersion;
  bool hasCredentials = false;
  std::string user;      // without the padding
  std::string password;  // without the padding; never logged
  std::string program;
};

// A whole hello frame: prefix and payload. Longer names are cut to their field.
std::vector<uint8_t> EncodeHello(const Hello& hello);
// False when the payload is not a hello (size, magic); the version is
// returned as found, for the caller to judge.
bool DecodeHello(std::span<const uint8_t> payload, Hello* out);

// A whole welcome frame.
std::vector<uint8_t> EncodeWelcome(int32_t hostVersion);
bool DecodeWelcome(std::span<const uint8_t> payload, uint16_t* version, int32_t* hostVersion);

}  // namespace vantora::tcp

#endif  // VANTORA_TRANSPORT_TCP_HELLO_H_
