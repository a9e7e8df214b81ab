// Writes: Rwrite, Rwrited, Rupdate, Rdelete and VNXWrite.
//
// VNXWrite operation codes (high byte of the options): 0x01 insert (the
// count of bits 0-11 in block mode 0x00080000), 0x02 update the current
// record (the one last read; locked first if it is not), 0x03 delete the
// current record. Flag 0x00020000: the records carry no null map even when
// the file was opened with one. The numbers output receives the relative
// record number of each record written. The result is the number of records
// written.
//
// Records are read in the open file's form and format; a reduced format
// writes only its fields: an insert gives the others their default value,
// an update keeps theirs.
#include <algorithm>
#include <cstring>

#include "host/server/files/file_handlers.h"
#include "host/server/files/open_file.h"
#include "host/server/session/host.h"
#include "host/server/session/host_status.h"
#include "host/server/session/job.h"
#include "protocol/byte_order.h"
#include "protocol/host_message_ids.h"
#include "protocol/record_options.h"

namespace vantora::host {
namespace {

Record Defaults(const RecordFile& f) {
  Record r;
  for (const FieldDef& d : f.cursor->format().fields) r.push_back(DefaultValue(d));
  return r;
}

void Answer(RequestContext& c, RecordFile& f, const Status& s, int32_t count) {
  if (!s.ok()) {
    FailOn(c, &f, s);
    return;
  }
  c.result = count;
  f.lastStatus = 0;
  f.lastCount = count;
}

bool Allowed(RequestContext& c, RecordFile& f, bool change) {
  if (change ? f.CanChange() : f.CanAdd()) return true;
  c.Fail(kStatusOther, wire::kMsgWrongKindOfOpen);
  f.lastStatus = c.status;
  return false;
}

Status DecodeFor(const RecordFile& f, std::span<const uint8_t> image, bool nullMap, Record* r) {
  return f.codec().Decode(image.data(), image.size(), nullMap && f.codec().options().nullMap, r);
}

void Insert(RequestContext& c, RecordFile* f, std::span<const uint8_t> image, int64_t rrn) {
  if (f == nullptr || !Allowed(c, *f, false)) return;
  Record r = Defaults(*f);
  Status s = DecodeFor(*f, image, true, &r);
  if (s.ok()) s = rrn > 0 ? f->cursor->InsertAt(rrn, r) : f->cursor->Insert(r, nullptr);
  Answer(c, *f, s, 1);
}

// The current record's values, for an update through a reduced format.
Status Current(RecordFile& f, Record* r) {
  ReadRequest request;
  request.op = ReadOp::kCurrent;
  request.lock = f.LocksOnRead();
  return f.cursor->Read(request, r, nullptr);
}

Status Update(RecordFile& f, std::span<const uint8_t> image, bool nullMap) {
  Record r(f.cursor->format().fields.size());
  if (f.reducedActive) {
    if (Status s = Current(f, &r); !s.ok()) return s;
  }
  if (Status s = DecodeFor(f, image, nullMap, &r); !s.ok()) return s;
  return f.cursor->Update(r);
}

void Rwrite(RequestContext& c) {
  Insert(c, FileParam(c, 0), c.request.Input(1), 0);
}

void Rwrited(RequestContext& c) {
  RecordFile* f = FileParam(c, 0);
  int32_t rrn = f == nullptr ? 0 : c.request.Value(3);
  if (f != nullptr && rrn < 1) {
    c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
    return;
  }
  Insert(c, f, c.request.Input(1), rrn);
}

void Rupdate(RequestContext& c) {
  RecordFile* f = FileParam(c, 0);
  if (f == nullptr || !Allowed(c, *f, true)) return;
  Answer(c, *f, Update(*f, c.request.Input(1), true), 1);
}

void Rdelete(RequestContext& c) {
  RecordFile* f = FileParam(c, 0);
  if (f == nullptr || !Allowed(c, *f, true)) return;
  Answer(c, *f, f->cursor->Delete(), 1);
}

// VNXWrite: h, in(records), recordLength, options, out(numbers).
void VNXWrite(RequestContext& c) {
  RecordFile* f = FileParam(c, 0);
  if (f == nullptr) return;
  const int32_t options = c.request.Value(3);
  const int32_t op = wire::OptionsOperation(options);
  const bool nullMap = (options & wire::kOptionNoNullMap) == 0;
  const int32_t recordLength = c.request.Value(2);
  int32_t count = wire::OptionsRecordCount(options);
  if (count == 0) count = 1;
  auto records = c.request.Input(1);
  if (recordLength <= 0 ||
      static_cast<int64_t>(count) * recordLength > static_cast<int64_t>(records.size())) {
    c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
    return;
  }
  if (op == wire::kWriteUpdate || op == wire::kWriteDelete) {
    if (!Allowed(c, *f, true)) return;
    Status s = op == wire::kWriteDelete
                   ? f->cursor->Delete()
                   : Update(*f, records.first(static_cast<size_t>(recordLength)), nullMap);
    if (s.ok() && c.request.OutputLength(4) >= 4) {
      uint8_t number[4];
      wire::StoreLeI32(number, static_cast<int32_t>(f->cursor->currentRrn()));
      c.reply.SetOutput(4, number);
    }
    Answer(c, *f, s, 1);
    return;
  }
  if (op != wire::kWriteInsert) {
    c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
    return;
  }
  if (!Allowed(c, *f, false)) return;
  std::vector<Record> batch;
  for (int32_t i = 0; i < count; ++i) {
    Record r = Defaults(*f);
    auto image = records.subspan(static_cast<size_t>(i) * static_cast<size_t>(recordLength),
                                 static_cast<size_t>(recordLength));
    if (Status s = DecodeFor(*f, image, nullMap, &r); !s.ok()) {
      FailOn(c, f, s);
      return;
    }
    batch.push_back(std::move(r));
  }
  std::vector<int64_t> rrns;
  Status s = f->cursor->Insert(batch, &rrns);
  int32_t granted = 0;
  uint8_t* numbers = c.reply.Output(4, static_cast<int32_t>(rrns.size()) * 4, &granted);
  for (size_t i = 0; i < rrns.size() && static_cast<int32_t>(4 * i) < granted; ++i) {
    wire::StoreLeI32(numbers + 4 * i, static_cast<int32_t>(rrns[i]));
  }
  Answer(c, *f, s, static_cast<int32_t>(rrns.size()));
}

}  // namespace

void AddWriteHandlers(HandlerTable& table) {
  table[wire::kOpRwrite] = Rwrite;
  table[wire::kOpRwrited] = Rwrited;
  table[wire::kOpRupdate] = Rupdate;
  table[wire::kOpRdelete] = Rdelete;
  table[wire::kOpWrite] = VNXWrite;
}

}  // namespace vantora::host
