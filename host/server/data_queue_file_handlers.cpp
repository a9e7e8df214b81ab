// Requests on a data queue opened as a file (data_queue_file.h). The
// description entries have the layouts the record-level describe answers
// use (16-byte header, 18-byte file, 22/24-byte field and 26-byte key
// entries, 4-byte record count; see describe_handlers.cpp), so the driver
// reads a queue's record format as it reads a file's.
#include <algorithm>
#include <cstring>

#include "host/server/data_queue_file.h"
#include "host/server/handlers.h"
#include "host/server/host_status.h"
#include "protocol/byte_order.h"

namespace vantora::host {
namespace {

constexpr int32_t kCounted = 0x00020000;
constexpr int32_t kFlagPositionOnly = 0x00020000;
constexpr int kOpCurrent = 0x01, kOpKeyEqual = 0x06, kOpByNumber = 0x0F;

// Description entries: kind (high byte of the flags), natural size.
constexpr int kDescHeader = 0x08, kDescFile = 0x09, kDescFields = 0x10, kDescFields24 = 0x11,
              kDescKeys = 0x21, kDescRecordCount = 0x40;
constexpr int kName = 0, kHdrFields = 10, kHdrRecordLength = 12, kHdrKeys = 14, kFileFlags = 16;
constexpr int kFldPcType = 10, kFldPcLength = 12, kFldPcDecimals = 14, kFldAsType = 16,
              kFldAsLength = 18, kFldAsDecimals = 20, kFldFlags = 22, kKeyIndex = 22;

void PutI16(uint8_t* out, int v) {
  wire::StoreLeI16(out, static_cast<int16_t>(v));
}

void PutName(std::string_view name, uint8_t* out) {
  std::memset(out, ' ', 10);
  std::memcpy(out, name.data(), std::min<size_t>(name.size(), 10));
}

void PutField(const WireField& w, uint8_t* out) {
  PutName(w.name, out + kName);
  PutI16(out + kFldPcType, w.pcType);
  PutI16(out + kFldPcLength, w.pcLength);
  PutI16(out + kFldPcDecimals, w.pcDecimals);
  PutI16(out + kFldAsType, w.asType);
  PutI16(out + kFldAsLength, w.asLength);
  PutI16(out + kFldAsDecimals, w.asDecimals);
  wire::StoreLe16(out + kFldFlags, w.flags);
}

std::vector<uint8_t> Bytes(const Value& v) {
  std::string_view text = v.kind() == Value::Kind::kText ? v.text() : std::string_view();
  return {text.begin(), text.end()};
}

}  // namespace

void ReadDataQueueFile(RequestContext& c, DataQueueFile& file) {
  const int32_t options = c.request.Value(3);
  const int op = (options >> 24) & 0xFF;
  if (op == kOpKeyEqual) {
    auto key = c.request.Input(4);
    QueueEntry entry;
    if (!file.queue().Receive(std::chrono::milliseconds(0), KeyOrder::kEqual,
                              file.keyed() ? key : std::span<const uint8_t>(), &entry)) {
      return c.Fail(kStatusOther, "CPF5006");
    }
    Record record;
    if (file.keyed())
      record.push_back(Value::Text(std::string(entry.key.begin(), entry.key.end())));
    entry.data.resize(std::min(entry.data.size(), static_cast<size_t>(kMaxCharLength)));
    record.push_back(Value::Text(std::string(entry.data.begin(), entry.data.end())));
    file.last() = std::move(record);
  } else if ((op != kOpCurrent && op != kOpByNumber) || file.last().empty()) {
    return c.Fail(kStatusInvalidRequest, "CPF9898");
  }
  if ((options & kFlagPositionOnly) == 0 && c.request.OutputLength(1) > 0) {
    std::vector<uint8_t> image(static_cast<size_t>(file.codec().recordLength()));
    if (Status s = file.codec().Encode(file.last(), image.data()); !s.ok()) return c.Fail(s);
    const auto length = static_cast<size_t>(std::max(c.request.Value(2), 0));
    image.resize(std::min(image.size(), length), ' ');
    c.reply.SetOutput(1, image);
  }
  uint8_t number[4];
  wire::StoreLeI32(number, 1);
  c.reply.SetOutput(6, number);
}

void WriteDataQueueFile(RequestContext& c, DataQueueFile& file, bool vnxWrite) {
  auto image = c.request.Input(1);
  Record record(file.format().fields.size());
  if (Status s = file.codec().Decode(image.data(), image.size(), false, &record); !s.ok()) {
    return c.Fail(s);
  }
  std::vector<uint8_t> key = file.keyed() ? Bytes(record[0]) : std::vector<uint8_t>();
  std::vector<uint8_t> data = Bytes(record.back());
  while (!data.empty() && data.back() == ' ') data.pop_back();
  if (Status s = file.queue().Send(data, key); !s.ok()) return c.Fail(kStatusOther, "CPF9505");
  if (vnxWrite) {
    uint8_t number[4];
    wire::StoreLeI32(number, 1);
    c.reply.SetOutput(4, number);
  }
}

// VNXGetDesc: h, out(buffer), size, flags, in(10, formatName).
void DescribeDataQueueFile(RequestContext& c, DataQueueFile& file) {
  const int32_t size = c.request.Value(2);
  const int32_t flags = c.request.Value(3);
  const int kind = (flags >> 24) & 0xFF;
  const auto low = static_cast<size_t>(flags & 0xFFFF);
  const size_t first = (flags & kCounted) != 0 ? 0 : low;
  const size_t count = (flags & kCounted) != 0 ? low : 1;
  if (size < 1 || size > 4096) return c.Fail(kStatusInvalidRequest, "CPF9898");
  const auto& fields = file.codec().fields();
  std::vector<const WireField*> keys;
  if (file.keyed()) keys.push_back(&fields[0]);
  size_t available = 1;
  if (kind == kDescFields || kind == kDescFields24) available = fields.size();
  if (kind == kDescKeys) available = keys.size();
  if (kind != kDescHeader && kind != kDescFile && kind != kDescFields && kind != kDescFields24 &&
      kind != kDescKeys && kind != kDescRecordCount) {
    return c.Fail(kStatusInvalidRequest, "CPF9898");
  }
  const size_t n = first >= available ? 0 : std::min(count, available - first);
  std::vector<uint8_t> out(n * static_cast<size_t>(size), 0);
  for (size_t i = 0; i < n; ++i) {
    uint8_t entry[32] = {};
    switch (kind) {
      case kDescHeader:
      case kDescFile:
        PutName(file.format().name, entry + kName);
        PutI16(entry + kHdrFields, static_cast<int>(fields.size()));
        PutI16(entry + kHdrRecordLength, file.codec().dataLength());
        PutI16(entry + kHdrKeys, static_cast<int>(keys.size()));
        if (kind == kDescFile) PutI16(entry + kFileFlags, 0);
        break;
      case kDescFields:
      case kDescFields24:
        PutField(fields[first + i], entry);
        break;
      case kDescKeys:
        PutField(*keys[first + i], entry);
        PutI16(entry + kKeyIndex, static_cast<int>(keys[first + i]->source));
        break;
      default:
        wire::StoreLeI32(entry, static_cast<int32_t>(file.queue().size()));
    }
    std::memcpy(out.data() + i * static_cast<size_t>(size), entry,
                std::min<size_t>(static_cast<size_t>(size), sizeof entry));
  }
  c.reply.SetOutput(1, out);
  c.result = static_cast<int32_t>(n);
}

}  // namespace vantora::host
