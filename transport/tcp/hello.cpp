#include "transport/tcp/hello.h"

#include <algorithm>
#include <cstring>

#include "protocol/byte_order.h"
#include "transport/tcp/frame.h"

namespace vantora::tcp {
namespace {

constexpr char kMagic[4] = {'V', 'N', 'T', 'R'};

constexpr size_t kOffMagic = 0;
constexpr size_t kOffVersion = 4;
constexpr size_t kOffFlags = 6;
constexpr size_t kOffUser = 8;
constexpr size_t kOffPassword = 18;
constexpr size_t kOffProgram = 28;
constexpr size_t kOffHostVersion = 8;

constexpr uint16_t kFlagCredentials = 1;

void PutPadded(uint8_t* field, size_t width, const std::string& text, uint8_t pad) {
  std::memset(field, pad, width);
  std::memcpy(field, text.data(), std::min(width, text.size()));
}

std::string GetPadded(const uint8_t* field, size_t width) {
  std::string s(reinterpret_cast<const char*>(field), width);
  s.erase(std::find(s.begin(), s.end(), '\0'), s.end());
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

std::vector<uint8_t> EncodeHello(const Hello& hello) {
  std::vector<uint8_t> frame(kPrefixSize + kHelloSize);
  EncodePrefix(frame.data(), FrameKind::kHello, kHelloSize);
  uint8_t* p = frame.data() + kPrefixSize;
  std::memcpy(p + kOffMagic, kMagic, sizeof kMagic);
  wire::StoreBe16(p + kOffVersion, hello.version);
  wire::StoreBe16(p + kOffFlags, hello.hasCredentials ? kFlagCredentials : 0);
  PutPadded(p + kOffUser, kCredentialSize, hello.hasCredentials ? hello.user : "", ' ');
  PutPadded(p + kOffPassword, kCredentialSize, hello.hasCredentials ? hello.password : "", ' ');
  PutPadded(p + kOffProgram, kProgramSize, hello.program, 0);
  return frame;
}

bool DecodeHello(std::span<const uint8_t> payload, Hello* out) {
  if (payload.size() != kHelloSize) return false;
  const uint8_t* p = payload.data();
  if (std::memcmp(p + kOffMagic, kMagic, sizeof kMagic) != 0) return false;
  out->version = wire::LoadBe16(p + kOffVersion);
  out->hasCredentials = (wire::LoadBe16(p + kOffFlags) & kFlagCredentials) != 0;
  out->user = out->hasCredentials ? GetPadded(p + kOffUser, kCredentialSize) : "";
  out->password = out->hasCredentials ? GetPadded(p + kOffPassword, kCredentialSize) : "";
  out->program = GetPadded(p + kOffProgram, kProgramSize);
  return true;
}

std::vector<uint8_t> EncodeWelcome(int32_t hostVersion) {
  std::vector<uint8_t> frame(kPrefixSize + kWelcomeSize);
  EncodePrefix(frame.data(), FrameKind::kWelcome, kWelcomeSize);
  uint8_t* p = frame.data() + kPrefixSize;
  std::memcpy(p + kOffMagic, kMagic, sizeof kMagic);
  wire::StoreBe16(p + kOffVersion, kProtocolVersion);
  wire::StoreBe16(p + kOffFlags, 0);
  wire::StoreBe32(p + kOffHostVersion, static_cast<uint32_t>(hostVersion));
  return frame;
}

bool DecodeWelcome(std::span<const uint8_t> payload, uint16_t* version, int32_t* hostVersion) {
  if (payload.size() != kWelcomeSize) return false;
  const uint8_t* p = payload.data();
  if (std::memcmp(p + kOffMagic, kMagic, sizeof kMagic) != 0) return false;
  *version = wire::LoadBe16(p + kOffVersion);
  *hostVersion = static_cast<int32_t>(wire::LoadBe32(p + kOffHostVersion));
  return true;
}

}  // namespace vantora::tcp
