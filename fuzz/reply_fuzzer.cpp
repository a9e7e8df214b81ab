// libFuzzer target: the client's distribution of reply parts into the
// caller's buffers, for a host that answers garbage. The buffers are exactly
// as long as the caller said (AddressSanitizer watches their ends); whatever
// the header and the parts claim, nothing may be written past them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "protocol/operations.h"
#include "protocol/request_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantora::wire;
  if (size < 2) return 0;
  const Operation& op = OperationEntry(data[0] % kOperationCount);
  if (!op.Used()) return 0;
  size_t at = 1;
  auto next = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
  // The caller's words: values, and buffers of fuzzed lengths.
  std::vector<std::unique_ptr<uint8_t[]>> buffers;
  uint64_t args[kMaxArgWords] = {};
  int w = 0;
  for (int i = 0; i < op.count && w + 1 < kMaxArgWords; ++i) {
    if (op.Kind(i) == kValue) {
      args[w++] = next();
      continue;
    }
    const size_t length = next() * 3u;
    buffers.push_back(std::make_unique<uint8_t[]>(std::max<size_t>(length, 1)));
    args[w++] = length;
    args[w++] = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(buffers.back().get()));
  }
  uint8_t header[64] = {};
  for (uint8_t& b : header) b = next();
  MessageProgress progress;
  // Up to eight parts; each takes its length from the input.
  std::vector<uint8_t> part(4032);
  for (int n = 0; n < 8 && progress.state != kComplete; ++n) {
    const size_t wanted = next() * 16u;
    const size_t available = std::min<size_t>(size - std::min(at, size), part.size());
    const size_t take = std::min<size_t>(available, wanted);
    std::memcpy(part.data(), data + std::min(at, size), take);
    at += take;
    DistributeReplyPart(op, header, part.data(), static_cast<int32_t>(take), args, progress);
  }
  return 0;
}
