#include "protocol/request_decoder.h"

#include <algorithm>
#include <cstring>

#include "protocol/byte_order.h"
#include "protocol/message_format.h"

namespace vantora::wire {

void RequestDecoder::Reset() {
  op_ = nullptr;
  code_ = 0;
  sequence_ = 0;
  announced_ = 0;
  started_ = false;
  data_.clear();  // keeps its capacity for the next request
  error_.clear();
}

bool RequestDecoder::SameRequest(const RequestDecoder& other) const {
  if (op_ != other.op_ || code_ != other.code_ ||
      std::memcmp(eyeCatcher_, other.eyeCatcher_, sizeof eyeCatcher_) != 0) {
    return false;
  }
  for (int i = 0; i < op_->count; ++i) {
    if (slots_[i] != other.slots_[i]) return false;
    const ParamKind kind = op_->Kind(i);
    if (kind != kInput && kind != kInOut) continue;
    std::span<const uint8_t> mine = Input(i), theirs = other.Input(i);
    if (!std::equal(mine.begin(), mine.end(), theirs.begin(), theirs.end())) return false;
  }
  return true;
}

bool RequestDecoder::Fail(std::string message) {
  error_ = std::move(message);
  return false;
}

bool RequestDecoder::ParseHeader(const uint8_t* header) {
  sequence_ = LoadLeI32(header + kHdrSequence);
  code_ = LoadLeI32(header + kHdrCode);
  if (code_ < 0 || code_ > 0xFFFF) return Fail("request code out of range");
  op_ = &OperationEntry(OperationOf(code_));
  if (!op_->Used()) return Fail("unknown operation " + std::to_string(OperationOf(code_)));
  std::memcpy(eyeCatcher_, header + kHdrSystemError, sizeof eyeCatcher_);
  announced_ = LoadLeI32(header + kHdrLength);
  if (announced_ < 0 || announced_ > kMaxRequestData) return Fail("announced length out of range");
  int64_t position = 0;
  for (int i = 0; i < op_->count; ++i) {
    slots_[i] = LoadLeI32(header + kHdrSlots + 4 * i);
    switch (op_->Kind(i)) {
      case kValue:
        break;
      case kInput:
      case kInOut:
        if (slots_[i] < 0 || slots_[i] > kMaxRequestData) return Fail("buffer length out of range");
        offsets_[i] = static_cast<int32_t>(position);
        position += slots_[i] + (slots_[i] & 1);
        break;
      case kOutput:
        if (slots_[i] < 0 || slots_[i] > kMaxOutputLength)
          return Fail("output length out of range");
        position += (kPlaceholderSize - position % kPlaceholderSize) % kPlaceholderSize;
        offsets_[i] = static_cast<int32_t>(position);
        position += kPlaceholderSize;
        break;
    }
    if (position > kMaxRequestData) return Fail("request too large");
  }
  // The parameters' layout must account for exactly the bytes announced.
  if (position != announced_) return Fail("announced length does not match the parameters");
  return true;
}

RequestDecoder::Progress RequestDecoder::Feed(const uint8_t* part, size_t length) {
  if (!error_.empty()) return Progress::kError;
  if (!started_) {
    if (length < static_cast<size_t>(kHeaderSize) || length > static_cast<size_t>(kMaxPartSize)) {
      Fail("first part of " + std::to_string(length) + " bytes");
      return Progress::kError;
    }
    if (!ParseHeader(part)) return Progress::kError;
    started_ = true;
    data_.reserve(static_cast<size_t>(announced_));
    part += kHeaderSize;
    length -= kHeaderSize;
  } else if (length == 0 || length > static_cast<size_t>(kRequestPartData)) {
    Fail("continuation part of " + std::to_string(length) + " bytes");
    return Progress::kError;
  }
  if (data_.size() + length > static_cast<size_t>(announced_)) {
    Fail("more data than announced");
    return Progress::kError;
  }
  data_.insert(data_.end(), part, part + length);
  return data_.size() == static_cast<size_t>(announced_) ? Progress::kComplete
                                                         : Progress::kNeedMore;
}

std::string_view RequestDecoder::eyeCatcher() const {
  return std::string_view(eyeCatcher_, sizeof eyeCatcher_);
}

std::span<const uint8_t> RequestDecoder::Input(int i) const {
  return std::span<const uint8_t>(data_.data() + offsets_[i], static_cast<size_t>(slots_[i]));
}

std::string_view RequestDecoder::Text(int i) const {
  auto bytes = Input(i);
  const void* nul = std::memchr(bytes.data(), 0, bytes.size());
  size_t n = nul == nullptr ? bytes.size()
                            : static_cast<size_t>(static_cast<const uint8_t*>(nul) - bytes.data());
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), n);
}

}  // namespace vantora::wire
