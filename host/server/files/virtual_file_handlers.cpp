// Files whose records do not come from a database file: program files
// ("*PGM/NAME", program_file.h), data queues ("*DTAQ/NAME",
// data_queue_file.h) and format files with a mapped list (VNXMapFile,
// mapped_records.h). These handlers stand in front of the record-level ones
// for Ropen, VNXopen, VNXRead, VNXWrite, Rwrite, VNXGetDesc, GetNbrFmt and
// Rlength, and hand every other file to them. Other requests on a program
// or data-queue file answer as for a handle that is not open (CPF4101).
//
// VNXRead on a mapped handle reads the list with the operations a list
// has (first, last, next, prior, current, relative record number), blocked
// or single, position-only or not, the records converted by the format
// file's codec. Answers as for a file: a single read off the end answers -1
// with 5001 (CPF5001) or 5025; a blocked read answers the records read, with
// status 5001 when fewer than the count came.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "host/server/files/data_queue_file.h"
#include "host/server/files/open_file.h"
#include "host/server/files/program_file.h"
#include "host/server/session/handlers.h"
#include "host/server/session/host.h"
#include "host/server/session/host_status.h"
#include "host/server/session/job.h"
#include "host/server/session/mapped_records.h"
#include "protocol/byte_order.h"
#include "protocol/host_message_ids.h"
#include "protocol/record_options.h"

namespace vantora::host {
namespace {

// The record-level handlers these stand in front of.
std::atomic<Handler> fileRopen{nullptr};
std::atomic<Handler> fileVnxOpen{nullptr};
std::atomic<Handler> fileVnxRead{nullptr};
std::atomic<Handler> fileVnxWrite{nullptr};
std::atomic<Handler> fileRwrite{nullptr};
std::atomic<Handler> fileGetDesc{nullptr};
std::atomic<Handler> fileGetNbrFmt{nullptr};
std::atomic<Handler> fileRlength{nullptr};

bool HasPrefix(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char ch = name[i];
    if ((ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch) != prefix[i]) return false;
  }
  return true;
}

bool IsProgramFile(std::string_view name) {
  return HasPrefix(name, kProgramFilePrefix);
}

bool IsDataQueueFile(std::string_view name) {
  return HasPrefix(name, kDataQueueFilePrefix);
}

void OpenDataQueue(RequestContext& c, std::string_view name) {
  std::unique_ptr<DataQueueFile> file;
  Status s = OpenDataQueueFile(c.host, c.job, name.substr(kDataQueueFilePrefix.size()), &file);
  if (s.code() == StatusCode::kObjectNotFound)
    return c.Fail(kStatusFileNotFound, wire::kMsgObjectNotFound);
  if (!s.ok()) return c.Fail(s);
  c.result = c.job.AddFile(std::move(file));
}

DataQueueFile* QueueFileParam(RequestContext& c) {
  return dynamic_cast<DataQueueFile*>(c.job.File(c.request.Value(0)));
}

void OpenProgram(RequestContext& c, std::string_view name) {
  std::unique_ptr<ProgramFile> file;
  Status s = OpenProgramFile(c.host, c.job, name.substr(kProgramFilePrefix.size()), &file);
  if (s.code() == StatusCode::kObjectNotFound)
    return c.Fail(kStatusFileNotFound, wire::kMsgProgramNotFound);
  if (s.code() == StatusCode::kInvalidArgument)
    return c.Fail(kStatusOther, wire::kMsgFormatNameNotValid);
  if (!s.ok()) return c.Fail(s);
  c.result = c.job.AddFile(std::move(file));
}

void Ropen(RequestContext& c) {
  if (IsProgramFile(c.request.Text(0))) return OpenProgram(c, c.request.Text(0));
  if (IsDataQueueFile(c.request.Text(0))) return OpenDataQueue(c, c.request.Text(0));
  fileRopen.load()(c);
}

void VnxOpen(RequestContext& c) {
  if (IsProgramFile(c.request.Text(0))) return OpenProgram(c, c.request.Text(0));
  if (IsDataQueueFile(c.request.Text(0))) return OpenDataQueue(c, c.request.Text(0));
  fileVnxOpen.load()(c);
}

void VnxWrite(RequestContext& c) {
  if (DataQueueFile* q = QueueFileParam(c)) return WriteDataQueueFile(c, *q, true);
  fileVnxWrite.load()(c);
}

void Rwrite(RequestContext& c) {
  if (DataQueueFile* q = QueueFileParam(c)) return WriteDataQueueFile(c, *q, false);
  fileRwrite.load()(c);
}

void GetDesc(RequestContext& c) {
  if (DataQueueFile* q = QueueFileParam(c)) return DescribeDataQueueFile(c, *q);
  fileGetDesc.load()(c);
}

void GetNbrFmt(RequestContext& c) {
  if (QueueFileParam(c) != nullptr) return;  // one format: the result stays 1
  fileGetNbrFmt.load()(c);
}

void Rlength(RequestContext& c) {
  if (DataQueueFile* q = QueueFileParam(c)) {
    c.result = q->codec().recordLength();
    return;
  }
  fileRlength.load()(c);
}

// VNXRead: h, out(records), recordLength, options, in(key), keyLength, out(numbers).
void ReadProgram(RequestContext& c, ProgramFile& file) {
  const int32_t options = c.request.Value(3);
  const int op = wire::OptionsOperation(options);
  std::vector<uint8_t> record;
  if (op == wire::kReadKeyEqual) {
    if (Status s = file.Call(c.request.Input(4), &record); !s.ok()) {
      const std::string& id = s.detail();
      if (id == wire::kMsgProgramTimedOut || id == wire::kMsgProgramFailed)
        return c.Fail(kStatusOther, id.c_str());
      return c.Fail(kStatusOther, s.code() == StatusCode::kInvalidArgument
                                      ? wire::kMsgValueNotAccepted
                                      : wire::kMsgProgramFailed);
    }
  } else if (op == wire::kReadCurrent && !file.lastRecord().empty()) {
    record = file.lastRecord();
  } else {
    return c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
  }
  const auto length =
      std::min<size_t>(record.size(), static_cast<size_t>(std::max(c.request.Value(2), 0)));
  if ((options & wire::kOptionPositionOnly) == 0)
    c.reply.SetOutput(1, std::span(record).first(length));
  uint8_t number[4];
  wire::StoreLeI32(number, 1);
  c.reply.SetOutput(6, number);
}

ReadOp MappedOp(int code, bool* ok) {
  *ok = true;
  switch (code) {
    case wire::kReadCurrent:
      return ReadOp::kCurrent;
    case wire::kReadNext:
      return ReadOp::kNext;
    case wire::kReadPrior:
      return ReadOp::kPrior;
    case wire::kReadFirst:
      return ReadOp::kFirst;
    case wire::kReadLast:
      return ReadOp::kLast;
    case wire::kReadRelativeRecord:
      return ReadOp::kRelativeRecord;
    default:
      *ok = false;
      return ReadOp::kCurrent;
  }
}

void ReadMapped(RequestContext& c, RecordFile& file, MappedRecords& list) {
  const int32_t options = c.request.Value(3);
  const int32_t recordLength = c.request.Value(2);
  bool known = false;
  ReadRequest request;
  request.op = MappedOp(wire::OptionsOperation(options), &known);
  request.rrn = c.request.Value(5);
  if (!known || recordLength < 0) return c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
  const bool blocked = (options & wire::kOptionBlock) != 0;
  size_t count = blocked ? static_cast<size_t>(options & wire::kOptionCountMask) : 1;
  if (count == 0) count = 1;
  const bool data = (options & wire::kOptionPositionOnly) == 0 && recordLength > 0 &&
                    c.request.OutputLength(1) > 0;
  request.positionOnly = !data;
  RecordBatch batch;
  Status s = list.ReadBlock(request, count, &batch);
  if (!s.ok() && !blocked) return c.Fail(s);
  const size_t read = s.ok() ? batch.size : 0;
  size_t fit = read;
  if (data) {
    const RecordCodec& codec = file.codec();
    int32_t granted = 0;
    const int64_t want = static_cast<int64_t>(read) * recordLength;
    uint8_t* out = c.reply.Output(
        1, static_cast<int32_t>(std::min<int64_t>(want, c.request.OutputLength(1))), &granted);
    fit = std::min(read, static_cast<size_t>(granted / std::max(recordLength, 1)));
    std::vector<uint8_t> image(static_cast<size_t>(codec.recordLength()));
    for (size_t i = 0; i < fit; ++i) {
      if (Status e = codec.Encode(batch.records[i], image.data()); !e.ok()) return c.Fail(e);
      uint8_t* slot = out + i * static_cast<size_t>(recordLength);
      std::memset(slot, 0, static_cast<size_t>(recordLength));
      std::memcpy(slot, image.data(), std::min(image.size(), static_cast<size_t>(recordLength)));
    }
  }
  int32_t granted = 0;
  uint8_t* numbers = c.reply.Output(6, static_cast<int32_t>(fit) * 4, &granted);
  for (size_t i = 0; i < fit && static_cast<int32_t>(i * 4) < granted; ++i) {
    wire::StoreLeI32(numbers + 4 * i, static_cast<int32_t>(batch.rrns[i]));
  }
  c.result = static_cast<int32_t>(fit);
  if (fit < count) {
    const bool backward = request.op == ReadOp::kPrior || request.op == ReadOp::kLast;
    c.status = backward ? kStatusBeginningOfFile : kStatusEndOfFile;
    c.messageId = backward ? wire::kMsgBeginningOfFile : wire::kMsgEndOfFile;
  }
}

void VnxRead(RequestContext& c) {
  OpenFile* open = c.job.File(c.request.Value(0));
  if (auto* program = dynamic_cast<ProgramFile*>(open)) return ReadProgram(c, *program);
  if (auto* queue = dynamic_cast<DataQueueFile*>(open)) return ReadDataQueueFile(c, *queue);
  auto* file = dynamic_cast<RecordFile*>(open);
  MappedRecords* list = MappedRecordsOf(c.job, c.request.Value(0));
  if (file != nullptr && list != nullptr) return ReadMapped(c, *file, *list);
  fileVnxRead.load()(c);
}

void Refuse(RequestContext& c) {
  c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
}

}  // namespace

void AddVirtualFileHandlers(HandlerTable& table) {
  fileRopen = table[wire::kOpRopen] ? table[wire::kOpRopen] : Refuse;
  fileVnxOpen = table[wire::kOpOpen] ? table[wire::kOpOpen] : Refuse;
  fileVnxRead = table[wire::kOpRead] ? table[wire::kOpRead] : Refuse;
  fileVnxWrite = table[wire::kOpWrite] ? table[wire::kOpWrite] : Refuse;
  fileRwrite = table[wire::kOpRwrite] ? table[wire::kOpRwrite] : Refuse;
  fileGetDesc = table[wire::kOpGetDesc] ? table[wire::kOpGetDesc] : Refuse;
  fileGetNbrFmt = table[wire::kOpGetNbrFmt] ? table[wire::kOpGetNbrFmt] : Refuse;
  fileRlength = table[wire::kOpRlength] ? table[wire::kOpRlength] : Refuse;
  table[wire::kOpRopen] = Ropen;
  table[wire::kOpOpen] = VnxOpen;
  table[wire::kOpRead] = VnxRead;
  table[wire::kOpWrite] = VnxWrite;
  table[wire::kOpRwrite] = Rwrite;
  table[wire::kOpGetDesc] = GetDesc;
  table[wire::kOpGetNbrFmt] = GetNbrFmt;
  table[wire::kOpRlength] = Rlength;
}

}  // namespace vantora::host
