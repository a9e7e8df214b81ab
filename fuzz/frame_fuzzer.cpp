// libFuzzer target: the TCP transport's frame reader in both directions, fed
// in pieces, and the decoders of the frames it hands out (hello, welcome,
// refusal). Nothing may crash, no frame may exceed its side's limit, and
// after an error the reader answers only errors.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "transport/tcp/frame.h"
#include "transport/tcp/hello.h"

namespace {

using namespace vantora::tcp;

void Read(const FrameLimits& limits, const uint8_t* data, size_t size) {
  FrameReader reader(limits);
  // The first byte chooses how the input is cut into arrivals.
  const size_t piece = size > 0 ? 1 + data[0] % 64 : 1;
  bool failed = false;
  for (size_t at = 1; at < size; at += piece) {
    reader.Append(data + at, std::min(piece, size - at));
    Frame frame{};
    for (;;) {
      const FrameReader::Result r = reader.Next(&frame);
      if (r == FrameReader::Result::kNeedMore) break;
      if (r == FrameReader::Result::kError) {
        failed = true;
        break;
      }
      if (failed) __builtin_trap();  // a frame after an error
      const auto kind = static_cast<size_t>(frame.kind);
      if (kind >= 7 || frame.payload.size() > limits.maxLength[kind]) __builtin_trap();
      Hello hello;
      uint16_t version = 0;
      int32_t hostVersion = 0;
      uint32_t reason = 0;
      std::string text;
      switch (frame.kind) {
        case FrameKind::kHello:
          DecodeHello(frame.payload, &hello);
          break;
        case FrameKind::kWelcome:
          DecodeWelcome(frame.payload, &version, &hostVersion);
          break;
        case FrameKind::kRefusal:
          if (DecodeRefusal(frame.payload, &reason, &text) && text.size() > kMaxRefusalText) {
            __builtin_trap();
          }
          break;
        default:
          break;
      }
    }
    if (failed) break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Read(ServerSideLimits(), data, size);
  Read(ClientSideLimits(), data, size);
  return 0;
}
