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
// file's own format name the full one. The result of an open SQL cursor
// (the handle VNXSqlOpen answers) is described as a file of one format
// without key fields, whose record count is the rows of the result; its
// format name is not looked at.
#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

#include "host/server/files/described_file.h"
#include "host/server/files/file_handlers.h"
#include "host/server/files/open_file.h"
#include "host/server/session/host_status.h"
#include "protocol/byte_order.h"
#include "protocol/file_descriptions.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

void PutI16(uint8_t* out, int v) {
  wire::StoreLeI16(out, static_cast<int16_t>(v));
}

// What a description answers about an open file: a database file (in the
// format the request picks) or a described file such as an SQL result.
struct Subject {
  std::string_view formatName;
  const RecordCodec* codec = nullptr;
  size_t keyCount = 0;
  int flags = 0;                                        // the file description's flags
  std::vector<std::pair<const WireField*, bool>> keys;  // (field, descending)
  std::function<Status(int64_t*)> count;
};

void Header(const Subject& s, uint8_t* out) {
  wire::WriteDescriptionName(s.formatName, out + wire::kDescHdrFormatName);
  PutI16(out + wire::kDescHdrFieldCount, static_cast<int>(s.codec->fields().size()));
  PutI16(out + wire::kDescHdrRecordLength, s.codec->dataLength());
  PutI16(out + wire::kDescHdrKeyCount, static_cast<int>(s.keyCount));
}

void FileDesc(const Subject& s, uint8_t* out) {
  Header(s, out);
  bool nullCapable = false;
  for (const WireField& w : s.codec->fields()) nullCapable |= w.def.nullCapable;
  PutI16(out + wire::kDescFileFlags, s.flags | (nullCapable ? wire::kDescFileNullCapable : 0));
}

void Field(const WireField& w, bool withFlags, uint8_t* out) {
  wire::WriteFieldEntry(w.DescriptionEntry(), withFlags, out);
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

Subject OfRecordFile(const RecordFile& f, const RecordCodec& codec) {
  Subject s;
  s.formatName = &codec == &f.reduced ? kReducedFormat : std::string_view(f.cursor->format().name);
  s.codec = &codec;
  s.keyCount = f.cursor->keyFieldCount();
  const FileDescription& d = f.cursor->file();
  s.flags = (d.unique && f.cursor->keyed() ? wire::kDescFileUniqueKeys : 0) |
            (d.kind == FileKind::kLogical ? wire::kDescFileLogical : 0);
  s.keys = Keys(f);
  s.count = [&f](int64_t* n) { return f.cursor->RecordCount(n); };
  return s;
}

Subject OfDescribedFile(const DescribedFile& f) {
  Subject s;
  s.formatName = f.formatName();
  s.codec = &f.codec();
  s.count = [&f](int64_t* n) {
    *n = f.recordCount();
    return Status::Ok();
  };
  return s;
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

// The file named by value parameter 0 in the format input parameter
// `formatParam` picks (-1: the format in use); fails the request when there
// is none.
std::optional<Subject> SubjectParam(RequestContext& c, int formatParam) {
  OpenFile* open = c.job.File(c.request.Value(0));
  if (const auto* described = dynamic_cast<const DescribedFile*>(open)) {
    return OfDescribedFile(*described);
  }
  RecordFile* f = FileParam(c, 0);
  if (f == nullptr) return std::nullopt;
  if (formatParam < 0) return OfRecordFile(*f, f->codec());
  auto bytes = c.request.Input(formatParam);
  std::string name(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  name.erase(std::find(name.begin(), name.end(), '\0'), name.end());
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty()) return OfRecordFile(*f, f->codec());
  if (name == kReducedFormat && f->reducedDefined) return OfRecordFile(*f, f->reduced);
  if (name == f->cursor->format().name) return OfRecordFile(*f, f->full);
  c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
  return std::nullopt;
}

// VNXGetDesc: h, out(buffer), size, flags, in(10, formatName).
void VNXGetDesc(RequestContext& c) {
  std::optional<Subject> subject = SubjectParam(c, 4);
  if (!subject) return;
  const Subject& s = *subject;
  const int32_t size = c.request.Value(2);
  const int32_t flags = c.request.Value(3);
  const int kind = wire::DescriptionKindOf(flags);
  const size_t low = static_cast<size_t>(flags & 0xFFFF);
  const size_t first = (flags & wire::kDescCounted) != 0 ? 0 : low;
  const size_t count = (flags & wire::kDescCounted) != 0 ? low : 1;
  if (size < 1 || size > 4096) {
    c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
    return;
  }
  switch (kind) {
    case wire::kDescHeader:
      c.result = Entries(c, 1, size, wire::kDescHeaderSize, 0, 1, 1,
                         [&](size_t, uint8_t* e) { Header(s, e); });
      return;
    case wire::kDescFile:
      c.result = Entries(c, 1, size, wire::kDescFileSize, 0, 1, 1,
                         [&](size_t, uint8_t* e) { FileDesc(s, e); });
      return;
    case wire::kDescFields:
    case wire::kDescFields24: {
      const auto& fields = s.codec->fields();
      const bool withFlags = kind == wire::kDescFields24;
      c.result = Entries(c, 1, size, withFlags ? wire::kDescField24Size : wire::kDescFieldSize,
                         first, count, fields.size(),
                         [&](size_t i, uint8_t* e) { Field(fields[i], withFlags, e); });
      return;
    }
    case wire::kDescKeys:
      c.result = Entries(
          c, 1, size, wire::kDescKeySize, first, count, s.keys.size(), [&](size_t i, uint8_t* e) {
            Field(*s.keys[i].first, false, e);
            PutI16(e + wire::kDescKeyFieldIndex, static_cast<int>(s.keys[i].first->source));
            PutI16(e + wire::kDescKeyDescending, s.keys[i].second ? 1 : 0);
          });
      return;
    case wire::kDescRecordCount: {
      int64_t records = 0;
      if (Status st = s.count(&records); !st.ok()) {
        c.Fail(st);
        return;
      }
      c.result = Entries(c, 1, size, wire::kDescRecordCountSize, 0, 1, 1, [&](size_t, uint8_t* e) {
        wire::StoreLeI32(e, static_cast<int32_t>(records));
      });
      return;
    }
    default:
      c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
  }
}

void GetNbrFmt(RequestContext& c) {
  if (SubjectParam(c, -1)) c.result = 1;
}

// GetTypeFmt: h, count, out(16 x |count|): the header of each format.
void GetTypeFmt(RequestContext& c) {
  std::optional<Subject> subject = SubjectParam(c, -1);
  if (!subject) return;
  if (auto* f = dynamic_cast<RecordFile*>(c.job.File(c.request.Value(0)))) {
    subject = OfRecordFile(*f, f->full);
  }
  int32_t count = c.request.Value(1);
  size_t n = static_cast<size_t>(count < 0 ? -static_cast<int64_t>(count) : count);
  c.result = Entries(c, 2, wire::kDescHeaderSize, wire::kDescHeaderSize, 0, n, 1,
                     [&](size_t, uint8_t* e) { Header(*subject, e); });
}

// GetTypeFld: h, count, out(22 x count): the fields of the format in use.
void GetTypeFld(RequestContext& c) {
  std::optional<Subject> subject = SubjectParam(c, -1);
  if (!subject) return;
  const auto& fields = subject->codec->fields();
  size_t n = static_cast<size_t>(std::max(c.request.Value(1), 0));
  c.result = Entries(c, 2, wire::kDescFieldSize, wire::kDescFieldSize, 0, n, fields.size(),
                     [&](size_t i, uint8_t* e) { Field(fields[i], false, e); });
}

// GetTypeKey: h, count, out(22 x count): the key fields.
void GetTypeKey(RequestContext& c) {
  std::optional<Subject> subject = SubjectParam(c, -1);
  if (!subject) return;
  size_t n = static_cast<size_t>(std::max(c.request.Value(1), 0));
  c.result = Entries(c, 2, wire::kDescFieldSize, wire::kDescFieldSize, 0, n, subject->keys.size(),
                     [&](size_t i, uint8_t* e) { Field(*subject->keys[i].first, false, e); });
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
