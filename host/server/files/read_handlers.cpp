// Reads: Rreadn/p/f/l/s/k/d, VNXRead (single and blocked), Rlocate, Rfeod,
// Rrlslck and Rrstatus.
//
// The options word (protocol/record_options.h): the read operation in the
// high byte (Rreadk's and Rlocate's option use the same codes, 0 meaning key
// equal), the no-lock, position-only and block flags, and in block mode the
// count in bits 0-11 (0 counts as 1). Rread* options take the same flags.
//
// Keys travel as the images of the key fields one after the other, in the
// open file's form; a key shorter than the whole key is a partial key: full
// fields, then the leading bytes of a character field. For the same-key and other-key reads the key
// length (no key bytes) says how many key fields compare (0: all). For the
// relative-record read the relative record number travels in the key-length value.
//
// Locks: a single read of a file opened for update locks the record it
// reads unless the no-lock flag is given; blocked reads never lock.
//
// Rrstatus area (24 bytes, PC byte order):
//   0 int32 open mode bits          12 int32 status word of the last operation
//   4 int32 record length           16 int32 records the last operation moved
//   8 int32 current record number   20 int16 fields of the format in use
//                                   22 int16 flags: 1 reduced format active,
//                                            2 last operation ran off the end
#include <algorithm>
#include <cstring>

#include "host/server/files/file_handlers.h"
#include "host/server/files/filtered_read.h"
#include "host/server/files/open_file.h"
#include "host/server/session/host.h"
#include "host/server/session/host_status.h"
#include "host/server/session/job.h"
#include "protocol/byte_order.h"
#include "protocol/host_message_ids.h"
#include "protocol/record_options.h"

namespace vantora::host {
namespace {

constexpr int kStatusArea = 24;
constexpr int kStMode = 0;
constexpr int kStRecordLength = 4;
constexpr int kStRrn = 8;
constexpr int kStStatus = 12;
constexpr int kStCount = 16;
constexpr int kStFields = 20;
constexpr int kStFlags = 22;

bool OpOf(int code, ReadOp* op) {
  static constexpr ReadOp kOps[] = {ReadOp::kCurrent,
                                    ReadOp::kNext,
                                    ReadOp::kPrior,
                                    ReadOp::kFirst,
                                    ReadOp::kLast,
                                    ReadOp::kKeyEqual,
                                    ReadOp::kKeyGreater,
                                    ReadOp::kKeyGreaterOrEqual,
                                    ReadOp::kKeyLess,
                                    ReadOp::kKeyLessOrEqual,
                                    ReadOp::kNextEqualKey,
                                    ReadOp::kPriorEqualKey,
                                    ReadOp::kNextDifferentKey,
                                    ReadOp::kPriorDifferentKey,
                                    ReadOp::kRelativeRecord};
  if (code < 1 || code > 0x0F) return false;
  *op = kOps[code - 1];
  return true;
}

bool IsKeySearch(ReadOp op) {
  return op >= ReadOp::kKeyEqual && op <= ReadOp::kKeyLessOrEqual;
}

bool IsKeyCompare(ReadOp op) {
  return op >= ReadOp::kNextEqualKey && op <= ReadOp::kPriorDifferentKey;
}

bool Backward(ReadOp op) {
  return op == ReadOp::kPrior || op == ReadOp::kLast || op == ReadOp::kKeyLess ||
         op == ReadOp::kKeyLessOrEqual || op == ReadOp::kPriorEqualKey ||
         op == ReadOp::kPriorDifferentKey;
}

Status Invalid(const char* why) {
  return Status::Error(StatusCode::kInvalidArgument, why);
}

// The wire fields of the access path's key, in key order.
Status KeyFields(const RecordFile& f, std::vector<const WireField*>* out) {
  const RecordFormat& format = f.cursor->format();
  for (size_t i = 0; i < f.cursor->keyFieldCount() && i < format.key.size(); ++i) {
    int source = format.FieldIndex(format.key[i].field);
    const WireField* w = source < 0 ? nullptr : f.full.FieldOf(static_cast<size_t>(source));
    if (w == nullptr) return Invalid("key field without a wire form");
    out->push_back(w);
  }
  return Status::Ok();
}

Status DecodeKey(const RecordFile& f, std::span<const uint8_t> key, SearchKey* out) {
  std::vector<const WireField*> fields;
  if (Status s = KeyFields(f, &fields); !s.ok()) return s;
  if (key.empty() || fields.empty()) return Invalid("key search without a key");
  size_t at = 0;
  for (const WireField* w : fields) {
    if (at >= key.size()) break;
    size_t left = key.size() - at;
    Value v;
    if (left >= static_cast<size_t>(w->length)) {
      if (Status s = f.full.DecodeField(*w, key.data() + at, &v); !s.ok()) return s;
      at += static_cast<size_t>(w->length);
    } else {
      bool text = w->form == WireField::Form::kText || w->form == WireField::Form::kEbcdic;
      if (!text) return Invalid("a partial key cuts a field that is not character");
      std::vector<uint8_t> padded(key.begin() + static_cast<ptrdiff_t>(at), key.end());
      uint8_t blank = w->form == WireField::Form::kText ? ' ' : (*f.full.options().toEbcdic)[' '];
      padded.resize(static_cast<size_t>(w->length), blank);
      if (Status s = f.full.DecodeField(*w, padded.data(), &v); !s.ok()) return s;
      out->lastFieldBytes = static_cast<int>(left);
      at = key.size();
    }
    out->values.push_back(std::move(v));
  }
  if (at < key.size()) return Invalid("key longer than the access path's key");
  return Status::Ok();
}

// Key fields covered by `length` bytes of key (0 bytes: all).
int KeyFieldsCovered(const RecordFile& f, int32_t length) {
  std::vector<const WireField*> fields;
  if (length <= 0 || !KeyFields(f, &fields).ok()) return 0;
  int n = 0;
  int32_t sum = 0;
  for (const WireField* w : fields) {
    if (sum >= length) break;
    sum += w->length;
    ++n;
  }
  return n;
}

struct ReadCall {
  int code = 0;
  int32_t flags = 0;
  std::span<const uint8_t> key;
  int32_t keyValue = 0;   // key length or relative record number
  int recordsParam = -1;  // output parameter of the records
  int32_t recordLength = 0;
  int numbersParam = -1;  // output parameter of the record numbers, or -1
};

Status Prepare(RecordFile& f, const ReadCall& call, ReadRequest* request, SearchKey* key) {
  if (!OpOf(call.code, &request->op)) return Invalid("read operation code");
  if (IsKeySearch(request->op)) {
    if (!f.cursor->keyed()) return Invalid("key read on an arrival-sequence path");
    if (Status s = DecodeKey(f, call.key, key); !s.ok()) return s;
    request->key = key;
  } else if (IsKeyCompare(request->op)) {
    request->keyFields = KeyFieldsCovered(f, call.keyValue);
  } else if (request->op == ReadOp::kRelativeRecord) {
    request->rrn = call.keyValue;
  }
  return Status::Ok();
}

// Places one record image at `out` in a slot of `length` bytes.
Status PutRecord(const RecordCodec& codec, const Record& record, uint8_t* out, int32_t length,
                 std::vector<uint8_t>* scratch) {
  int32_t image = codec.recordLength();
  if (length >= image) {
    if (Status s = codec.Encode(record, out); !s.ok()) return s;
    std::memset(out + image, 0, static_cast<size_t>(length - image));
    return Status::Ok();
  }
  scratch->resize(static_cast<size_t>(image));
  if (Status s = codec.Encode(record, scratch->data()); !s.ok()) return s;
  std::memcpy(out, scratch->data(), static_cast<size_t>(length));
  return Status::Ok();
}

void Remember(RecordFile& f, const RequestContext& c, int32_t count) {
  f.lastStatus = c.status;
  f.lastCount = count;
}

// Writes the records of a block read straight into the reply's room for
// them, as the database hands them over. The records past the room are
// read (the cursor moves over them as it would) but not placed; after the
// first record that cannot be encoded nothing more is.
class ReplyImages : public RowSink {
 public:
  ReplyImages(const RecordCodec& codec, uint8_t* out, size_t fit, int32_t length,
              std::vector<uint8_t>* scratch)
      : codec_(codec), out_(out), fit_(fit), length_(length), scratch_(scratch) {}

  void Row(size_t index, int64_t, const RowFields& fields) override {
    if (index >= fit_ || !failed_.ok()) return;
    uint8_t* slot = out_ + index * static_cast<size_t>(length_);
    const int32_t image = codec_.recordLength();
    if (length_ >= image) {
      failed_ = codec_.EncodeRow(fields, slot);
      if (failed_.ok()) std::memset(slot + image, 0, static_cast<size_t>(length_ - image));
      return;
    }
    scratch_->resize(static_cast<size_t>(image));
    failed_ = codec_.EncodeRow(fields, scratch_->data());
    if (failed_.ok()) std::memcpy(slot, scratch_->data(), static_cast<size_t>(length_));
  }
  const Status& failed() const { return failed_; }

 private:
  const RecordCodec& codec_;
  uint8_t* out_;
  size_t fit_;
  int32_t length_;
  std::vector<uint8_t>* scratch_;
  Status failed_;
};

bool StopsBlock(const Status& s) {
  return !s.ok() && s.code() != StatusCode::kEndOfFile &&
         s.code() != StatusCode::kBeginningOfFile && s.code() != StatusCode::kRecordNotFound;
}

void WriteNumbers(RequestContext& c, const ReadCall& call, const RecordBatch& batch, size_t read) {
  if (call.numbersParam < 0) return;
  int32_t granted = 0;
  uint8_t* numbers = c.reply.Output(call.numbersParam, static_cast<int32_t>(read) * 4, &granted);
  for (size_t i = 0; i < read && static_cast<int32_t>(i * 4) < granted; ++i) {
    wire::StoreLeI32(numbers + 4 * i, static_cast<int32_t>(batch.rrns[i]));
  }
}

// Says what stopped a block short of its count (the count read stays the
// result).
void EndOfBlock(RequestContext& c, const Status& s, const ReadRequest& request, size_t read,
                int32_t count) {
  if (read >= static_cast<size_t>(count)) return;
  if (!s.ok() && s.code() == StatusCode::kRecordNotFound) {
    c.status = kStatusOther, c.messageId = wire::kMsgRecordNotFound;
  } else if (Backward(request.op)) {
    c.status = kStatusBeginningOfFile, c.messageId = wire::kMsgBeginningOfFile;
  } else {
    c.status = kStatusEndOfFile, c.messageId = wire::kMsgEndOfFile;
  }
}

// A block read without a record filter: the records go from the database
// into the reply without a Record in between. The reply's room is taken
// for the whole count first and cut to what was read.
void RunBlockedLean(RequestContext& c, RecordFile& f, const ReadCall& call, ReadRequest r,
                    int32_t count) {
  thread_local RecordBatch batch;
  thread_local std::vector<uint8_t> scratch;
  int64_t want = static_cast<int64_t>(count) * call.recordLength;
  int32_t granted = 0;
  uint8_t* out = c.reply.Output(
      call.recordsParam,
      static_cast<int32_t>(std::min<int64_t>(want, c.request.OutputLength(call.recordsParam))),
      &granted);
  size_t fit = static_cast<size_t>(granted / call.recordLength);
  ReplyImages images(f.codec(), out, fit, call.recordLength, &scratch);
  Status s = f.cursor->ReadBlock(r, static_cast<size_t>(count), images, &batch);
  size_t read = s.ok() ? batch.size : 0;
  if (StopsBlock(s)) {
    c.reply.TrimLastOutput(0);
    FailOn(c, &f, s);
    return;
  }
  if (!images.failed().ok()) {
    // The images placed before the failing one travel with the failure, as
    // they always have.
    c.reply.TrimLastOutput(static_cast<int32_t>(
        std::min<int64_t>(static_cast<int64_t>(read) * call.recordLength, granted)));
    FailOn(c, &f, images.failed());
    return;
  }
  read = std::min(read, fit);
  c.reply.TrimLastOutput(static_cast<int32_t>(read) * call.recordLength);
  WriteNumbers(c, call, batch, read);
  c.result = static_cast<int32_t>(read);
  EndOfBlock(c, s, r, read, count);
  Remember(f, c, c.result);
}

void RunBlocked(RequestContext& c, RecordFile& f, const ReadCall& call,
                const ReadRequest& request) {
  int32_t count = call.flags & wire::kOptionCountMask;
  if (count == 0) count = 1;
  const bool data = call.recordsParam >= 0 && call.recordLength > 0 &&
                    (call.flags & wire::kOptionPositionOnly) == 0 &&
                    c.request.OutputLength(call.recordsParam) > 0;
  ReadRequest r = request;
  r.lock = false;
  r.positionOnly = !data;
  if (data && f.filter == nullptr) {
    RunBlockedLean(c, f, call, r, count);
    return;
  }
  thread_local RecordBatch batch;
  Status s = FilteredReadBlock(*f.cursor, f.filter.get(), r, static_cast<size_t>(count), &batch);
  size_t read = s.ok() ? batch.size : 0;
  if (StopsBlock(s)) {
    FailOn(c, &f, s);
    return;
  }
  if (data) {
    int64_t want = static_cast<int64_t>(read) * call.recordLength;
    int32_t granted = 0;
    uint8_t* out = c.reply.Output(
        call.recordsParam,
        static_cast<int32_t>(std::min<int64_t>(want, c.request.OutputLength(call.recordsParam))),
        &granted);
    std::vector<uint8_t> scratch;
    size_t fit = std::min(read, static_cast<size_t>(granted / call.recordLength));
    for (size_t i = 0; i < fit; ++i) {
      if (Status e = PutRecord(f.codec(), batch.records[i],
                               out + i * static_cast<size_t>(call.recordLength), call.recordLength,
                               &scratch);
          !e.ok()) {
        FailOn(c, &f, e);
        return;
      }
    }
    read = fit;
    c.reply.TrimLastOutput(static_cast<int32_t>(read) * call.recordLength);
  }
  WriteNumbers(c, call, batch, read);
  c.result = static_cast<int32_t>(read);
  EndOfBlock(c, s, request, read, count);
  Remember(f, c, c.result);
}

void RunRead(RequestContext& c, RecordFile* f, const ReadCall& call) {
  if (f == nullptr) return;
  if (!f->CanRead()) {
    c.Fail(kStatusOther, wire::kMsgWrongKindOfOpen);
    Remember(*f, c, 0);
    return;
  }
  ReadRequest request;
  SearchKey key;
  if (Status s = Prepare(*f, call, &request, &key); !s.ok()) {
    FailOn(c, f, s);
    return;
  }
  if ((call.flags & wire::kOptionBlock) != 0) {
    RunBlocked(c, *f, call, request);
    return;
  }
  const bool data = call.recordsParam >= 0 && (call.flags & wire::kOptionPositionOnly) == 0 &&
                    c.request.OutputLength(call.recordsParam) > 0;
  request.lock = f->LocksOnRead() && (call.flags & wire::kOptionNoLock) == 0;
  // A locking position-only read still reads, so that the lock is taken.
  request.positionOnly = !data && !request.lock;
  thread_local Record record;  // its buffers reused from read to read
  int64_t rrn = 0;
  if (Status s = FilteredRead(*f->cursor, f->filter.get(), request, &record, &rrn); !s.ok()) {
    FailOn(c, f, s);
    return;
  }
  if (data) {
    int32_t length = std::min(call.recordLength, c.request.OutputLength(call.recordsParam));
    length = std::max(length, 0);
    uint8_t* out = c.reply.Output(call.recordsParam, length);
    std::vector<uint8_t> scratch;
    if (Status s = PutRecord(f->codec(), record, out, length, &scratch); !s.ok()) {
      FailOn(c, f, s);
      return;
    }
  }
  if (call.numbersParam >= 0) {
    uint8_t number[4];
    wire::StoreLeI32(number, static_cast<int32_t>(rrn));
    c.reply.SetOutput(call.numbersParam, number);
  }
  c.result = 1;
  Remember(*f, c, 1);
}

// Rreadn/p/f/l/s: h, out(buffer), length, option.
template <int kCode>
void Rread(RequestContext& c) {
  ReadCall call;
  call.code = kCode;
  call.flags = c.request.Value(3) & ~wire::kOptionBlock;
  call.recordsParam = 1;
  call.recordLength = c.request.Value(2);
  RunRead(c, FileParam(c, 0), call);
}

// Rreadk: h, out(buffer), length, option, in(key), keyLength.
void Rreadk(RequestContext& c) {
  int32_t option = c.request.Value(3);
  int code = wire::OptionsOperation(option);
  ReadCall call;
  call.code = code == 0 ? wire::kReadKeyEqual : code;
  call.flags = option & 0x00FF0000 & ~wire::kOptionBlock;
  call.key = c.request.Input(4);
  call.keyValue = c.request.Value(5);
  call.recordsParam = 1;
  call.recordLength = c.request.Value(2);
  RunRead(c, FileParam(c, 0), call);
}

// Rreadd: h, out(buffer), length, option, recordNumber.
void Rreadd(RequestContext& c) {
  ReadCall call;
  call.code = wire::kReadRelativeRecord;
  call.flags = c.request.Value(3) & ~wire::kOptionBlock;
  call.keyValue = c.request.Value(4);
  call.recordsParam = 1;
  call.recordLength = c.request.Value(2);
  RunRead(c, FileParam(c, 0), call);
}

// VNXRead: h, out(records), recordLength, options, in(key), keyLength, out(numbers).
void VNXRead(RequestContext& c) {
  int32_t options = c.request.Value(3);
  int32_t recordLength = c.request.Value(2);
  if (recordLength < 0) {
    c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
    return;
  }
  ReadCall call;
  call.code = wire::OptionsOperation(options);
  call.flags = options & 0x00FFFFFF;
  call.key = c.request.Input(4);
  call.keyValue = c.request.Value(5);
  call.recordsParam = 1;
  call.recordLength = recordLength;
  call.numbersParam = 6;
  RunRead(c, FileParam(c, 0), call);
}

// Rlocate: h, in(key), keyLength, option. Positions on the record found
// (as a position-only read), without lock: the next Rreadn reads the
// record after it, Rreads the record itself.
void Rlocate(RequestContext& c) {
  int32_t option = c.request.Value(3);
  int code = wire::OptionsOperation(option);
  ReadCall call;
  call.code = code == 0 ? wire::kReadKeyEqual : code;
  call.flags = wire::kOptionNoLock | wire::kOptionPositionOnly;
  call.key = c.request.Input(1);
  call.keyValue = c.request.Value(2);
  RunRead(c, FileParam(c, 0), call);
}

// Positions after the last record: the next Rreadn answers end of file,
// Rreadp reads the last record.
void Rfeod(RequestContext& c) {
  if (RecordFile* f = FileParam(c, 0)) {
    f->cursor->ReleaseLock();
    f->cursor->PositionAfterLast();
  }
}

void Rrlslck(RequestContext& c) {
  if (RecordFile* f = FileParam(c, 0)) f->cursor->ReleaseLock();
}

void Rrstatus(RequestContext& c) {
  RecordFile* f = FileParam(c, 0);
  if (f == nullptr) return;
  uint8_t area[kStatusArea] = {};
  wire::StoreLeI32(area + kStMode, f->mode);
  wire::StoreLeI32(area + kStRecordLength, f->codec().recordLength());
  wire::StoreLeI32(area + kStRrn, static_cast<int32_t>(f->cursor->currentRrn()));
  wire::StoreLeI32(area + kStStatus, f->lastStatus);
  wire::StoreLeI32(area + kStCount, f->lastCount);
  wire::StoreLeI16(area + kStFields, static_cast<int16_t>(f->codec().fields().size()));
  int16_t flags = static_cast<int16_t>(
      (f->reducedActive ? 1 : 0) |
      (f->lastStatus == kStatusEndOfFile || f->lastStatus == kStatusBeginningOfFile ? 2 : 0));
  wire::StoreLeI16(area + kStFlags, flags);
  c.reply.SetOutput(1, area);
}

}  // namespace

void AddReadHandlers(HandlerTable& table) {
  table[wire::kOpRreadn] = Rread<wire::kReadNext>;
  table[wire::kOpRreadp] = Rread<wire::kReadPrior>;
  table[wire::kOpRreadf] = Rread<wire::kReadFirst>;
  table[wire::kOpRreadl] = Rread<wire::kReadLast>;
  table[wire::kOpRreads] = Rread<wire::kReadCurrent>;
  table[wire::kOpRreadk] = Rreadk;
  table[wire::kOpRreadd] = Rreadd;
  table[wire::kOpRead] = VNXRead;
  table[wire::kOpRlocate] = Rlocate;
  table[wire::kOpRfeod] = Rfeod;
  table[wire::kOpRrlslck] = Rrlslck;
  table[wire::kOpRrstatus] = Rrstatus;
}

}  // namespace vantora::host
