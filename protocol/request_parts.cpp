#include "protocol/request_parts.h"

#include <algorithm>
#include <cstring>

#include "protocol/byte_order.h"
#include "protocol/message_format.h"

namespace vantora::wire {
namespace {

int32_t WordAsInt(uint64_t word) {
  return static_cast<int32_t>(static_cast<uint32_t>(word));
}

uint8_t* WordAsAddress(uint64_t word) {
  return reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(word));
}

uint64_t AddressAsWord(const uint8_t* p) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p));
}

int32_t RoundUpEven(int32_t n) {
  return n + (n & 1);
}

}  // namespace

int BuildRequestPart(const Operation& op, int32_t code, int32_t sequence, uint64_t* args,
                     MessageProgress& progress, uint8_t* header, uint8_t* data) {
  StoreLeI32(header + kHdrLength, 0);
  StoreLeI32(header + kHdrResult, 0);
  StoreLeI32(header + kHdrSequence, sequence);
  StoreLeI32(header + kHdrCode, code);
  int32_t announced = 0;
  int32_t space = kRequestPartData;
  int32_t offset = 0;
  bool incomplete = false;
  int word = 0;
  for (int i = 0; i < op.count; ++i) {
    uint8_t* slot = header + kHdrSlots + 4 * i;
    const bool pending = i >= progress.paramsDone;
    switch (op.Kind(i)) {
      case kValue:
        if (pending) {
          StoreLeI32(slot, WordAsInt(args[word]));
          if (!incomplete) ++progress.paramsDone;
        }
        word += 1;
        break;
      case kInput:
      case kInOut: {
        if (args[word + 1] == 0) args[word] = 0;
        if (pending) {
          int32_t remaining = std::max(WordAsInt(args[word]), 0);
          StoreLeI32(slot, remaining);
          announced += RoundUpEven(remaining);
          int32_t n = std::min(remaining, space);
          if (n > 0)
            std::memcpy(data + offset, WordAsAddress(args[word + 1]), static_cast<size_t>(n));
          if (n == remaining) {
            if (n & 1) data[offset + n] = 0;
            offset += RoundUpEven(n);
            space -= RoundUpEven(n);
          } else {
            offset += n;
            space -= n;
          }
          args[word] = static_cast<uint64_t>(remaining - n);
          args[word + 1] = AddressAsWord(WordAsAddress(args[word + 1]) + n);
          if (remaining == n) {
            if (!incomplete) ++progress.paramsDone;
          } else {
            incomplete = true;
          }
        }
        word += 2;
        break;
      }
      case kOutput: {
        int32_t pad = (kPlaceholderSize - announced % kPlaceholderSize) % kPlaceholderSize;
        if (args[word + 1] == 0) args[word] = 0;
        if (pending) {
          StoreLeI32(slot, WordAsInt(args[word]));
          announced += pad + kPlaceholderSize;
          if (space < pad) {
            incomplete = true;
          } else {
            std::memset(data + offset, 0, static_cast<size_t>(pad));
            offset += pad;
            space -= pad;
            if (space < kPlaceholderSize) {
              incomplete = true;
            } else {
              std::memset(data + offset, 0, kPlaceholderSize);
              offset += kPlaceholderSize;
              space -= kPlaceholderSize;
            }
          }
          if (!incomplete) ++progress.paramsDone;
        }
        word += 2;
        break;
      }
    }
  }
  StoreLeI32(header + kHdrLength, announced);
  if (progress.paramsDone == op.count) progress.state = kComplete;
  return offset;
}

int32_t DistributeReplyPart(const Operation& op, uint8_t* header, const uint8_t* data,
                            int32_t available, uint64_t* args, MessageProgress& progress) {
  const int32_t result = LoadLeI32(header + kHdrResult);
  int32_t toCome = LoadLeI32(header + kHdrLength);
  bool incomplete = false;
  int word = 0;
  for (int i = 0; i < op.count; ++i) {
    const ParamKind kind = op.Kind(i);
    const int words = kind == kValue ? 1 : 2;
    if (i >= progress.paramsDone) {
      if (kind == kValue || kind == kInput) {
        if (!incomplete) ++progress.paramsDone;
      } else {
        uint8_t* slot = header + kHdrSlots + 4 * i;
        int32_t announced = std::max(LoadLeI32(slot), 0);
        if (toCome <= 0) announced = 0;  // nothing more will come for it
        int32_t n = std::min(std::max(available, 0), announced);
        if (n > 0) {
          int32_t wanted = std::max(WordAsInt(args[word]), 0);
          int32_t copied = args[word + 1] == 0 ? 0 : std::min(n, wanted);
          if (copied > 0) {
            uint8_t* to = WordAsAddress(args[word + 1]);
            std::memcpy(to, data, static_cast<size_t>(copied));
            args[word] = static_cast<uint64_t>(wanted - copied);
            args[word + 1] = AddressAsWord(to + copied);
          }
          data += n;
          available -= n;
          toCome -= n;
          announced -= n;
          StoreLeI32(slot, announced);
        }
        if (announced == 0) {
          if (!incomplete) ++progress.paramsDone;
        } else {
          incomplete = true;
        }
      }
    }
    word += words;
  }
  StoreLeI32(header + kHdrLength, toCome);
  progress.state = progress.paramsDone == op.count ? kComplete : kContinuationExpected;
  return result;
}

}  // namespace vantora::wire
