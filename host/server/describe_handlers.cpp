// Descriptions of an open file: VNXGetDesc, GetNbrFmt, GetTypeFmt,
// GetTypeFld, GetTypeKey. Integers are 16-bit in PC byte order, names 10
// characters, blank-padded.
//
// VNXGetDesc flags: the high byte selects the answer; with bit 0x00020000
// the low 16 bits count entries from the first, without it they give the
// 0-based index of the one entry wanted. Entries are `size` bytes apart,
// each cut to `size` or zero-filled beyond its own length. The result is
// the number of entries written (1 for the single answers).
//   0x08  file header, 16 bytes: 0 format name, 10 field count, 12 record
//         length (the fields, without the null map), 14 key field count
//   0x09  file description, 18 bytes: the header, and at 16 flags: bit 0
//         unique key, bit 1 logical file, bit 2 null-capable fields
//   0x10  field description, 22 bytes: 0 name, 10 PC type, 12 PC length,
//         14 PC decimals, 16 AS/400 type, 18 AS/400 length, 20 AS/400
//         decimals (dates and times: the format word)
//   0x11  field description, 24 bytes: the 22, and at 22 flags: bit 0
//         null-capable, bit 1 variable length, high byte the digits
//   0x21  key field, 26 bytes: the 22-byte description of the key field,
//         at 22 its index among the fields, at 24 1 when descending
//   0x40  record count, int32
// The format name (10 bytes, may be absent or blank) picks the format
// described: blank the format in use, "_R_SELECT_" the reduced one, the
// file's own format name the full one.
#include <algorithm>
#include <cstring>

#include "host/server/file_handlers.h"
#include "host/server/host_status.h"
#include "host/server/open_file.h"
#include "protocol/byte_order.h"

namespace vantora::host {
namespace {

constexpr int32_t kCounted = 0x00020000;
constexpr int kDescHeader = 0x08;
constexpr int kDescFile = 0x09;
constexpr int kDescFields = 0x10;
constexpr int kDescFields24 = 0x11;
constexpr int kDescKeys = 0x21;
constexpr int kDescRecordCount = 0x40;

constexpr int kHeaderSize = 16;
constexpr int kFileSize = 18;
constexpr int kFieldSize = 22;
constexpr int kField24Size = 24;
constexpr int kKeySize = 26;

constexpr int kName = 0;
constexpr int kHdrFields = 10;
constexpr int kHdrRecordLength = 12;
constexpr int kHdrKeys = 14;
constexpr int kFileFlags = 16;
constexpr int kFldPcType = 10;
constexpr int kFldPcLength = 12;
constexpr int kFldPcDecimals = 14;
constexpr int kFldAsType = 16;
constexpr int kFldAsLength = 18;
constexpr int kFldAsDecimals = 20;
constexpr int kFldFlags = 22;
constexpr int kKeyIndex = 22;
constexpr int kKeyDescending = 24;

void PutName(std::string_view name, uint8_t* out) {
  std::memset(out, ' ', 10);
  std::memcpy(out, name.data(), std::min<size_t>(name.size(), 10));
}

void PutI16(uint8_t* out, int v) {
  wire::StoreLeI16(out, static_cast<int16_t>(v));
}

void Header(const RecordFile& f, const RecordCodec& codec, uint8_t* out) {
  PutName(&codec == &f.reduced ? kReducedFormat : std::string_view(f.cursor->format().name),
          out + kName);
  PutI16(out + kHdrFields, static_cast<int>(codec.fields().size()));
  PutI16(out + kHdrRecordLength, codec.dataLength());
  PutI16(out + kHdrKeys, static_cast<int>(f.cursor->keyFieldCount()));
}

void FileDesc(const RecordFile& f, const RecordCodec& codec, uint8_t* out) {
  Header(f, codec, out);
  const FileDescription& d = f.cursor->file();
  bool nullCapable = false;
  for (const WireField& w : codec.fields()) nullCapable |= w.def.nullCapable;
  PutI16(out + kFileFlags, (d.unique && f.cursor->keyed() ? 1 : 0) |
                               (d.kind == FileKind::kLogical ? 2 : 0) | (nullCapable ? 4 : 0));
}

void Field(const WireField& w, uint8_t* out) {
  PutName(w.name, out + kName);
  PutI16(out + kFldPcType, w.pcType);
  PutI16(out + kFldPcLength, w.pcLength);
  PutI16(out + kFldPcDecimals, w.pcDecimals);
  PutI16(out + kFldAsType, w.asType);
  PutI16(out + kFldAsLength, w.asLength);
  PutI16(out + kFldAsDecimals, w.asDecimals);
}

// The key fields of the access path, as (field, descending).
std::vector<std::pair<const WireField*, bool>> Keys(const RecordFile& f) {
  std::vector<std::pair<const WireField*, bool>> keys;
  const RecordFormat& format = f.cursor->format();
  for (size_t i = 0; i < f.cursor->keyFieldCount() && i < format.key.size(); ++i) {
    int source = format.FieldIndex(format.key[i].field);
    const WireField* w = source < 0 ? nullptr : f.full.FieldOf(static_cast<size_t>(source));
    if (w != nullptr) keys.emplace_back(w, format.key[i].descending);
  }
  return keys;
}

// Writes `count` entries of `natural` bytes, `size` apart, from `first`.
template <typename Fill>
int32_t Entries(RequestContext& c, int param, int32_t size, int natural, size_t first, size_t count,
                size_t available, Fill fill) {
  size_t n = first >= available ? 0 : std::min(count, available - first);
  int64_t want = static_cast<int64_t>(n) * size;
  int32_t granted = 0;
  uint8_t* out = c.reply.Output(
      param, static_cast<int32_t>(std::min<int64_t>(want, c.request.OutputLength(param))),
      &granted);
  size_t written = 0;
  uint8_t entry[32];
  for (size_t i = 0; i < n; ++i) {
    if (static_cast<int64_t>(i + 1) * size > granted) break;
    std::memset(entry, 0, sizeof entry);
    fill(first + i, entry);
    uint8_t* at = out + i * static_cast<size_t>(size);
    std::memset(at, 0, static_cast<size_t>(size));
    std::memcpy(at, entry, static_cast<size_t>(std::min(size, natural)));
    ++written;
  }
  c.reply.TrimLastOutput(static_cast<int32_t>(written) * size);
  return static_cast<int32_t>(written);
}

const RecordCodec* FormatParam(RequestContext& c, const RecordFile& f, int param) {
  auto bytes = c.request.Input(param);
  std::string name(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  name.erase(std::find(name.begin(), name.end(), '\0'), name.end());
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty()) return &f.codec();
  if (name == kReducedFormat && f.reducedDefined) return &f.reduced;
  if (name == f.cursor->format().name) return &f.full;
  c.Fail(kStatusInvalidRequest, "CPF9898");
  return nullptr;
}

// VNXGetDesc: h, out(buffer), size, flags, in(10, formatName).
void VNXGetDesc(RequestContext& c) {
  RecordFile* f = FileParam(c, 0);
  if (f == nullptr) return;
  const RecordCodec* codec = FormatParam(c, *f, 4);
  if (codec == nullptr) return;
  const int32_t size = c.request.Value(2);
  const int32_t flags = c.request.Value(3);
  const int kind = (flags >> 24) & 0xFF;
  const size_t low = static_cast<size_t>(flags & 0xFFFF);
  const size_t first = (flags & kCounted) != 0 ? 0 : low;
  const size_t count = (flags & kCounted) != 0 ? low : 1;
  if (size < 1 || size > 4096) {
    c.Fail(kStatusInvalidRequest, "CPF9898");
    return;
  }
  switch (kind) {
    case kDescHeader:
      c.result = Entries(c, 1, size, kHeaderSize, 0, 1, 1,
                         [&](size_t, uint8_t* e) { Header(*f, *codec, e); });
      return;
    case kDescFile:
      c.result = Entries(c, 1, size, kFileSize, 0, 1, 1,
                         [&](size_t, uint8_t* e) { FileDesc(*f, *codec, e); });
      return;
    case kDescFields:
    case kDescFields24: {
      const auto& fields = codec->fields();
      c.result = Entries(c, 1, size, kind == kDescFields ? kFieldSize : kField24Size, first, count,
                         fields.size(), [&](size_t i, uint8_t* e) {
                           Field(fields[i], e);
                           wire::StoreLe16(e + kFldFlags, fields[i].flags);
                         });
      return;
    }
    case kDescKeys: {
      auto keys = Keys(*f);
      c.result =
          Entries(c, 1, size, kKeySize, first, count, keys.size(), [&](size_t i, uint8_t* e) {
            Field(*keys[i].first, e);
            PutI16(e + kKeyIndex, static_cast<int>(keys[i].first->source));
            PutI16(e + kKeyDescending, keys[i].second ? 1 : 0);
          });
      return;
    }
    case kDescRecordCount: {
      int64_t records = 0;
      if (Status s = f->cursor->RecordCount(&records); !s.ok()) {
        c.Fail(s);
        return;
      }
      c.result = Entries(c, 1, size, 4, 0, 1, 1, [&](size_t, uint8_t* e) {
        wire::StoreLeI32(e, static_cast<int32_t>(records));
      });
      return;
    }
    default:
      c.Fail(kStatusInvalidRequest, "CPF9898");
  }
}

void GetNbrFmt(RequestContext& c) {
  if (FileParam(c, 0) != nullptr) c.result = 1;
}

// GetTypeFmt: h, count, out(16 x |count|): the header of each format.
void GetTypeFmt(RequestContext& c) {
  RecordFile* f = FileParam(c, 0);
  if (f == nullptr) return;
  int32_t count = c.request.Value(1);
  size_t n = static_cast<size_t>(count < 0 ? -static_cast<int64_t>(count) : count);
  c.result = Entries(c, 2, kHeaderSize, kHeaderSize, 0, n, 1,
                     [&](size_t, uint8_t* e) { Header(*f, f->full, e); });
}

// GetTypeFld: h, count, out(22 x count): the fields of the format in use.
void GetTypeFld(RequestContext& c) {
  RecordFile* f = FileParam(c, 0);
  if (f == nullptr) return;
  const auto& fields = f->codec().fields();
  size_t n = static_cast<size_t>(std::max(c.request.Value(1), 0));
  c.result = Entries(c, 2, kFieldSize, kFieldSize, 0, n, fields.size(),
                     [&](size_t i, uint8_t* e) { Field(fields[i], e); });
}

// GetTypeKey: h, count, out(22 x count): the key fields.
void GetTypeKey(RequestContext& c) {
  RecordFile* f = FileParam(c, 0);
  if (f == nullptr) return;
  auto keys = Keys(*f);
  size_t n = static_cast<size_t>(std::max(c.request.Value(1), 0));
  c.result = Entries(c, 2, kFieldSize, kFieldSize, 0, n, keys.size(),
                     [&](size_t i, uint8_t* e) { Field(*keys[i].first, e); });
}

}  // namespace

void AddDescribeHandlers(HandlerTable& table) {
  table[wire::kOpGetDesc] = VNXGetDesc;
  table[wire::kOpGetNbrFmt] = GetNbrFmt;
  table[wire::kOpGetTypeFmt] = GetTypeFmt;
  table[wire::kOpGetTypeFld] = GetTypeFld;
  table[wire::kOpGetTypeKey] = GetTypeKey;
}

}  // namespace vantora::host
