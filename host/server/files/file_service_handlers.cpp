// File requests beyond reading and writing: Rgetkey, VNXrlsrcd and
// VNXFreeFile.
//
//   Rgetkey(h, buffer, length) -> the key length
//     The key of the current record: the images of the access path's key
//     fields one after another, in the open file's form (as VNXRead takes
//     keys); at most `length` bytes are returned. No current record: -1 with
//     the read's answer (CPF5006 / CPF5013). An arrival-sequence path has no
//     key: 0.
//   VNXrlsrcd(h, option) -> 1
//     Releases the record lock the handle holds (as Rrlslck). Option 1 also
//     forgets the position: the next read-next starts at the first record.
//     Other options: 3014 with CPF9898.
//   VNXFreeFile(file) -> the number of handles closed
//     Closes every handle of the job open on `file` ("LIB/FILE", or "FILE"
//     through the library list); 0 when none was open.
#include "host/server/files/open_file.h"
#include "host/server/session/handlers.h"
#include "host/server/session/host.h"
#include "host/server/session/host_status.h"
#include "host/server/session/job.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

void GetKey(RequestContext& c) {
  RecordFile* f = FileParam(c, 0);
  if (f == nullptr) return;
  ReadRequest request;
  request.op = ReadOp::kCurrent;
  Record record;
  if (Status s = f->cursor->Read(request, &record, nullptr); !s.ok()) return FailOn(c, f, s);
  const RecordFormat& format = f->cursor->format();
  std::vector<uint8_t> key;
  for (size_t i = 0; i < f->cursor->keyFieldCount() && i < format.key.size(); ++i) {
    const int source = format.FieldIndex(format.key[i].field);
    const WireField* w = source < 0 ? nullptr : f->full.FieldOf(static_cast<size_t>(source));
    if (w == nullptr) return c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
    std::vector<uint8_t> image(static_cast<size_t>(w->length));
    if (Status s = f->full.EncodeField(*w, record[static_cast<size_t>(source)], image.data());
        !s.ok()) {
      return FailOn(c, f, s);
    }
    key.insert(key.end(), image.begin(), image.end());
  }
  c.reply.SetOutput(1, key);
  c.result = static_cast<int32_t>(key.size());
}

void ReleaseRecord(RequestContext& c) {
  RecordFile* f = FileParam(c, 0);
  if (f == nullptr) return;
  const int32_t option = c.request.Value(1);
  if (option != 0 && option != 1) return c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
  f->cursor->ReleaseLock();
  if (option == 1) f->cursor->PositionBeforeFirst();
}

void FreeFile(RequestContext& c) {
  std::string text(c.request.Text(0));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  Catalogue& catalogue = c.host.storage().catalogue();
  ObjectName file;
  Status s;
  if (size_t slash = text.find('/'); slash != std::string::npos) {
    s = NormaliseObjectName({text.substr(0, slash), text.substr(slash + 1)}, &file);
  } else {
    std::string name;
    s = NormaliseName(text, &name);
    if (s.ok()) s = catalogue.ResolveFile(c.job.SearchList(), name, &file);
  }
  FileDescription described;
  if (s.ok()) s = catalogue.DescribeFile(file, &described);
  if (!s.ok()) return c.Fail(kStatusFileNotFound, wire::kMsgFileNotFound);
  int32_t closed = 0;
  size_t seen = 0;
  const size_t open = c.job.OpenFileCount();
  for (int32_t h = 0; seen < open; ++h) {
    OpenFile* any = c.job.File(h);
    if (any == nullptr) continue;
    ++seen;
    auto* f = dynamic_cast<RecordFile*>(any);
    if (f != nullptr && f->cursor->file().name == file && c.job.CloseFile(h)) ++closed;
  }
  c.result = closed;
}

}  // namespace

void AddFileServiceHandlers(HandlerTable& table) {
  if (table[wire::kOpRgetkey] == nullptr) table[wire::kOpRgetkey] = GetKey;
  if (table[wire::kOpRlsRcd] == nullptr) table[wire::kOpRlsRcd] = ReleaseRecord;
  if (table[wire::kOpFreeFile] == nullptr) table[wire::kOpFreeFile] = FreeFile;
}

}  // namespace vantora::host
