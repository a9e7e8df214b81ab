// Requests on a data queue opened as a file (data_queue_file.h). The
// description entries have the layouts the record-level describe answers
// use (protocol/file_descriptions.h), so the driver
// reads a queue's record format as it reads a file's.
#include <algorithm>
#include <cstring>

#include "host/server/files/data_queue_file.h"
#include "host/server/session/handlers.h"
#include "host/server/session/host_status.h"
#include "protocol/byte_order.h"
#include "protocol/file_descriptions.h"
#include "protocol/host_message_ids.h"
#include "protocol/record_options.h"

namespace vantora::host {
namespace {

void PutI16(uint8_t* out, int v) {
  wire::StoreLeI16(out, static_cast<int16_t>(v));
}

std::vector<uint8_t> Bytes(const Value& v) {
  std::string_view text = v.kind() == Value::Kind::kText ? v.text() : std::string_view();
  return {text.begin(), text.end()};
}

}  // namespace

void ReadDataQueueFile(RequestContext& c, DataQueueFile& file) {
  const int32_t options = c.request.Value(3);
  const int op = wire::OptionsOperation(options);
  if (op == wire::kReadKeyEqual) {
    auto key = c.request.Input(4);
    QueueEntry entry;
    Status s = file.queue().Receive(std::chrono::milliseconds(0), KeyOrder::kEqual,
                                    file.keyed() ? key : std::span<const uint8_t>(), &entry);
    if (s.code() == StatusCode::kRecordNotFound)
      return c.Fail(kStatusOther, wire::kMsgRecordNotFound);
    if (s.code() == StatusCode::kObjectNotFound)
      return c.Fail(kStatusOther, wire::kMsgObjectNotFound);
    if (!s.ok()) return c.Fail(s);
    Record record;
    if (file.keyed())
      record.push_back(Value::Text(std::string(entry.key.begin(), entry.key.end())));
    entry.data.resize(std::min(entry.data.size(), static_cast<size_t>(kMaxCharLength)));
    record.push_back(Value::Text(std::string(entry.data.begin(), entry.data.end())));
    file.last() = std::move(record);
  } else if ((op != wire::kReadCurrent && op != wire::kReadRelativeRecord) || file.last().empty()) {
    return c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
  }
  if ((options & wire::kOptionPositionOnly) == 0 && c.request.OutputLength(1) > 0) {
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
  Status s = file.queue().Send(data, key);
  if (s.code() == StatusCode::kInvalidArgument)
    return c.Fail(kStatusOther, wire::kMsgDataQueueKeyLengthNotValid);
  if (s.code() == StatusCode::kObjectNotFound)
    return c.Fail(kStatusOther, wire::kMsgObjectNotFound);
  if (!s.ok()) return c.Fail(s);
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
  const int kind = wire::DescriptionKindOf(flags);
  const auto low = static_cast<size_t>(flags & 0xFFFF);
  const size_t first = (flags & wire::kDescCounted) != 0 ? 0 : low;
  const size_t count = (flags & wire::kDescCounted) != 0 ? low : 1;
  if (size < 1 || size > 4096) return c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
  const auto& fields = file.codec().fields();
  std::vector<const WireField*> keys;
  if (file.keyed()) keys.push_back(&fields[0]);
  size_t available = 1;
  if (kind == wire::kDescFields || kind == wire::kDescFields24) available = fields.size();
  if (kind == wire::kDescKeys) available = keys.size();
  if (kind != wire::kDescHeader && kind != wire::kDescFile && kind != wire::kDescFields &&
      kind != wire::kDescFields24 && kind != wire::kDescKeys && kind != wire::kDescRecordCount) {
    return c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
  }
  const size_t n = first >= available ? 0 : std::min(count, available - first);
  int64_t waiting = 0;
  if (kind == wire::kDescRecordCount && n > 0) {
    if (Status s = file.queue().Count(&waiting); !s.ok()) return c.Fail(s);
  }
  std::vector<uint8_t> out(n * static_cast<size_t>(size), 0);
  for (size_t i = 0; i < n; ++i) {
    uint8_t entry[32] = {};
    switch (kind) {
      case wire::kDescHeader:
      case wire::kDescFile:
        wire::WriteDescriptionName(file.format().name, entry + wire::kDescHdrFormatName);
        PutI16(entry + wire::kDescHdrFieldCount, static_cast<int>(fields.size()));
        PutI16(entry + wire::kDescHdrRecordLength, file.codec().dataLength());
        PutI16(entry + wire::kDescHdrKeyCount, static_cast<int>(keys.size()));
        if (kind == wire::kDescFile) PutI16(entry + wire::kDescFileFlags, 0);
        break;
      case wire::kDescFields:
      case wire::kDescFields24:
        wire::WriteFieldEntry(fields[first + i].DescriptionEntry(), true, entry);
        break;
      case wire::kDescKeys:
        wire::WriteFieldEntry(keys[first + i]->DescriptionEntry(), true, entry);
        PutI16(entry + wire::kDescKeyFieldIndex, static_cast<int>(keys[first + i]->source));
        break;
      default:
        wire::StoreLeI32(entry, static_cast<int32_t>(waiting));
    }
    std::memcpy(out.data() + i * static_cast<size_t>(size), entry,
                std::min<size_t>(static_cast<size_t>(size), sizeof entry));
  }
  c.reply.SetOutput(1, out);
  c.result = static_cast<int32_t>(n);
}

}  // namespace vantora::host
