#include "transport/tcp/frame.h"

#include <algorithm>
#include <cstring>

#include "protocol/byte_order.h"
#include "protocol/message_format.h"

namespace vantora::tcp {
namespace {

constexpr size_t kRefusalReason = 0;
constexpr size_t kRefusalText = 4;
constexpr size_t kKinds = 7;

// Big enough for one reply of the largest blocked read without regrowing.
constexpr size_t kInitialBuffer = 64 * 1024;

uint32_t Load24(const uint8_t* p) {
  return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | uint32_t{p[2]};
}

}  // namespace

void EncodePrefix(uint8_t* out, FrameKind kind, uint32_t length) {
  out[0] = static_cast<uint8_t>(kind);
  out[1] = static_cast<uint8_t>(length >> 16);
  out[2] = static_cast<uint8_t>(length >> 8);
  out[3] = static_cast<uint8_t>(length);
}

std::vector<uint8_t> EncodeRefusal(FrameRefusal reason, const std::string& text) {
  const size_t n = std::min(text.size(), kMaxRefusalText);
  std::vector<uint8_t> frame(kPrefixSize + kRefusalText + n);
  EncodePrefix(frame.data(), FrameKind::kRefusal, static_cast<uint32_t>(kRefusalText + n));
  uint8_t* payload = frame.data() + kPrefixSize;
  wire::StoreBe32(payload + kRefusalReason, static_cast<uint32_t>(reason));
  std::memcpy(payload + kRefusalText, text.data(), n);
  return frame;
}

bool DecodeRefusal(std::span<const uint8_t> payload, uint32_t* reason, std::string* text) {
  if (payload.size() < kRefusalText || payload.size() > kRefusalText + kMaxRefusalText) {
    return false;
  }
  *reason = wire::LoadBe32(payload.data() + kRefusalReason);
  text->clear();
  for (size_t i = kRefusalText; i < payload.size(); ++i) {
    char c = static_cast<char>(payload[i]);
    text->push_back(c >= 0x20 && c < 0x7F ? c : '?');  // shown to people: printable only
  }
  return true;
}

FrameLimits ServerSideLimits() {
  FrameLimits l;
  l.minLength[static_cast<int>(FrameKind::kHello)] = 1;
  l.maxLength[static_cast<int>(FrameKind::kHello)] = 256;
  l.minLength[static_cast<int>(FrameKind::kRequest)] = wire::kHeaderSize;
  l.maxLength[static_cast<int>(FrameKind::kRequest)] = wire::kMaxPartSize;
  l.minLength[static_cast<int>(FrameKind::kContinued)] = 1;
  l.maxLength[static_cast<int>(FrameKind::kContinued)] = wire::kMaxPartSize;
  return l;
}

FrameLimits ClientSideLimits() {
  FrameLimits l;
  l.minLength[static_cast<int>(FrameKind::kWelcome)] = 1;
  l.maxLength[static_cast<int>(FrameKind::kWelcome)] = 256;
  l.minLength[static_cast<int>(FrameKind::kReply)] = wire::kHeaderSize;
  l.maxLength[static_cast<int>(FrameKind::kReply)] = kMaxFrameLength;
  l.minLength[static_cast<int>(FrameKind::kRefusal)] = kRefusalText;
  l.maxLength[static_cast<int>(FrameKind::kRefusal)] = kRefusalText + kMaxRefusalText;
  return l;
}

FrameReader::FrameReader(const FrameLimits& limits) : limits_(limits) {}

uint8_t* FrameReader::Space(size_t minimum, size_t* available) {
  if (begin_ == end_) begin_ = end_ = 0;
  if (buffer_.size() - end_ < minimum && begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (buffer_.size() - end_ < minimum) {
    buffer_.resize(std::max({end_ + minimum, kInitialBuffer, buffer_.size() * 2}));
  }
  *available = buffer_.size() - end_;
  return buffer_.data() + end_;
}

void FrameReader::Commit(size_t n) {
  end_ = std::min(end_ + n, buffer_.size());
}

void FrameReader::Append(const uint8_t* data, size_t n) {
  if (n == 0) return;
  size_t available = 0;
  uint8_t* space = Space(n, &available);
  std::memcpy(space, data, n);
  Commit(n);
}

FrameReader::Result FrameReader::Next(Frame* frame) {
  if (error_ != Error::kNone) return Result::kError;
  if (end_ - begin_ < kPrefixSize) return Result::kNeedMore;
  const uint8_t* prefix = buffer_.data() + begin_;
  const uint8_t kind = prefix[0];
  const uint32_t length = Load24(prefix + 1);
  if (kind >= kKinds || limits_.maxLength[kind] == 0) {
    error_ = Error::kUnknownKind;
    return Result::kError;
  }
  if (length < limits_.minLength[kind] || length > limits_.maxLength[kind]) {
    error_ = Error::kBadLength;
    return Result::kError;
  }
  if (end_ - begin_ < kPrefixSize + length) return Result::kNeedMore;
  frame->kind = static_cast<FrameKind>(kind);
  frame->payload = std::span<const uint8_t>(buffer_.data() + begin_ + kPrefixSize, length);
  begin_ += kPrefixSize + length;
  return Result::kFrame;
}

}  // namespace vantora::tcp
