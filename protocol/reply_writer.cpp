#include "protocol/reply_writer.h"

#include <algorithm>
#include <cstring>

#include "protocol/byte_order.h"
#include "protocol/message_format.h"

namespace vantora::wire {

void ReplyWriter::Start(const RequestDecoder& request) {
  int32_t asked[8] = {};
  const Operation& op = request.operation();
  for (int i = 0; i < op.count; ++i) {
    if (op.Kind(i) == kOutput || op.Kind(i) == kInOut) asked[i] = request.OutputLength(i);
  }
  Start(op, request.code(), asked);
}

void ReplyWriter::Start(const Operation& op, int32_t code, std::span<const int32_t> asked) {
  op_ = &op;
  code_ = code;
  last_ = -1;
  for (int i = 0; i < kMaxSlots; ++i) {
    asked_[i] = i < static_cast<int>(asked.size()) ? std::max(asked[i], 0) : 0;
    given_[i] = 0;
  }
  message_.assign(kHeaderSize, 0);
}

uint8_t* ReplyWriter::Output(int i, int32_t n, int32_t* granted) {
  if (op_ == nullptr || i <= last_ || i >= op_->count) return nullptr;
  if (op_->Kind(i) != kOutput && op_->Kind(i) != kInOut) return nullptr;
  n = std::clamp(n, 0, asked_[i]);
  last_ = i;
  given_[i] = n;
  size_t at = message_.size();
  message_.resize(at + static_cast<size_t>(n));
  if (granted != nullptr) *granted = n;
  return message_.data() + at;
}

void ReplyWriter::SetOutput(int i, std::span<const uint8_t> bytes) {
  int32_t granted = 0;
  uint8_t* to = Output(i, static_cast<int32_t>(bytes.size()), &granted);
  if (to != nullptr && granted > 0) std::memcpy(to, bytes.data(), static_cast<size_t>(granted));
}

void ReplyWriter::TrimLastOutput(int32_t n) {
  if (last_ < 0 || n < 0 || n >= given_[last_]) return;
  message_.resize(message_.size() - static_cast<size_t>(given_[last_] - n));
  given_[last_] = n;
}

void ReplyWriter::Finish(int32_t result, int32_t status, std::string_view systemError,
                         int32_t internalError) {
  uint8_t* h = message_.data();
  StoreLeI32(h + kHdrSequence, 0);
  StoreLeI32(h + kHdrCode, code_);
  StoreLeI32(h + kHdrLength, static_cast<int32_t>(message_.size()) - kHeaderSize);
  StoreLeI32(h + kHdrResult, result);
  StoreLeI32(h + kHdrStatus, status);
  for (int i = 0; i < kMaxSlots; ++i) StoreLeI32(h + kHdrSlots + 4 * i, given_[i]);
  std::memset(h + kHdrSystemError, 0, kSystemErrorSize);
  std::memcpy(h + kHdrSystemError, systemError.data(),
              std::min<size_t>(systemError.size(), kSystemErrorSize));
  StoreLeI32(h + kHdrInternalError, internalError);
}

}  // namespace vantora::wire
