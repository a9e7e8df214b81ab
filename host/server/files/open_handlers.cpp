// Opening and closing files, their formats (Rformat, Rselect) and the text
// conversions (SetImpGenConv, SetImpConv). Mode bits: open_file.h; mode
// texts: open_mode.h.
#include <cstring>

#include "host/server/commands/open_plan.h"
#include "host/server/files/file_handlers.h"
#include "host/server/files/open_file.h"
#include "host/server/files/open_mode.h"
#include "host/server/session/host.h"
#include "host/server/session/host_status.h"
#include "host/server/session/job.h"
#include "protocol/blank_padded.h"
#include "protocol/byte_order.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

// SetImpGenConv and SetImpConv entries: two int32 in PC order, the AS/400
// type code and the digits of its text (record_codec.h).
constexpr int kConvEntrySize = 8;
constexpr int kConvType = 0;
constexpr int kConvDigits = 4;

using wire::Trim;

// "LIB/FILE", "*LIBL/FILE" or "FILE" (through the job's library list).
Status Resolve(RequestContext& c, std::string_view text, FileDescription* out) {
  std::string name = Trim(text);
  ObjectName qualified;
  Status s;
  if (size_t slash = name.find('/'); slash != std::string::npos &&
                                     name.substr(0, slash) != "*LIBL" &&
                                     name.substr(0, slash) != "*libl") {
    s = NormaliseObjectName({name.substr(0, slash), name.substr(slash + 1)}, &qualified);
  } else {
    std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    std::string normal;
    s = NormaliseName(file, &normal);
    if (s.ok()) {
      s = c.host.storage().catalogue().ResolveFile(c.job.SearchList(), normal, &qualified);
    }
  }
  if (!s.ok()) return Status::Error(StatusCode::kFileNotFound, name);
  return c.host.storage().catalogue().DescribeFile(qualified, out);
}

void Open(RequestContext& c, std::string_view name, const OpenMode& mode) {
  if ((mode.bits & (kOpenRead | kOpenAdd | kOpenUpdate)) == 0) {
    c.Fail(kStatusOther, wire::kMsgWrongKindOfOpen);
    return;
  }
  FileDescription description;
  if (Status s = Resolve(c, name, &description); !s.ok()) {
    c.Fail(s);
    return;
  }
  // Overrides, a shared open query file and select/omit rules decide what
  // the open reads.
  OpenPlan plan;
  Status planned = PlanOpen(c.host.storage(), c.job, description.name, &plan);
  if (planned.ok() && !(plan.file == description.name)) {
    planned = c.host.storage().catalogue().DescribeFile(plan.file, &description);
  }
  if (!planned.ok()) {
    c.Fail(planned);
    return;
  }
  auto file = std::make_unique<RecordFile>();
  file->mode = mode.bits;
  file->filter = plan.filter;
  if (plan.readOnly && (file->mode & (kOpenAdd | kOpenUpdate)) != 0) {
    file->mode = (file->mode & ~(kOpenAdd | kOpenUpdate)) | kOpenRead;
  }
  int64_t physical = description.basedOnIds.empty() ? description.id : description.basedOnIds[0];
  if (!c.host.fileUsage()
           .Acquire(physical, c.job.id(), (mode.bits & kOpenExclusive) != 0, &file->claim)
           .ok()) {
    c.Fail(kStatusObjectInUse, wire::kMsgAccessPathNotValid);
    return;
  }
  CursorOptions options;
  options.job = c.job.id();
  options.arrivalOrder = (mode.bits & kOpenArrival) != 0 || plan.arrivalOrder;
  options.commitmentControl = (mode.bits & kOpenCommit) != 0;
  options.lockWait = mode.recordWait.value_or(c.job.recordWait());
  if (Status s = c.host.storage().OpenCursor(description.name, options, &file->cursor); !s.ok()) {
    c.Fail(s);
    return;
  }
  CodecOptions codec;
  codec.form = (mode.bits & kOpenRaw) != 0 ? RecordForm::kRaw : RecordForm::kPc;
  codec.nullMap = (mode.bits & kOpenNullMap) != 0;
  codec.conversions = c.job.textConversions();
  codec.style = StyleOf(c.job.dateTime());
  codec.toEbcdic = &c.job.pcToEbcdic();
  codec.toPc = &c.job.ebcdicToPc();
  if (Status s = RecordCodec::Build(file->cursor->format(), codec, &file->full); !s.ok()) {
    c.Fail(s);
    return;
  }
  c.result = c.job.AddFile(std::move(file));
}

void Ropen(RequestContext& c) {
  OpenMode mode;
  if (Status s = ParseOpenMode(c.request.Text(1), &mode); !s.ok()) {
    c.Fail(kStatusOther, wire::kMsgWrongKindOfOpen);
    return;
  }
  Open(c, c.request.Text(0), mode);
}

void VNXopen(RequestContext& c) {
  OpenMode mode;
  mode.bits = c.request.Value(1);
  // The third value is the file's record wait in milliseconds; -1 (or any
  // negative value) takes the job's.
  if (int32_t wait = c.request.Value(2); wait >= 0)
    mode.recordWait = std::chrono::milliseconds(wait);
  Open(c, c.request.Text(0), mode);
}

void Rclose(RequestContext& c) {
  if (!c.job.CloseFile(c.request.Value(0))) c.Fail(kStatusInvalidRequest, wire::kMsgFileNotFound);
}

// Closes every file of the job; the job goes on.
void CloseSession(RequestContext& c) {
  c.job.CloseAllFiles();
}

void Rlength(RequestContext& c) {
  if (RecordFile* f = FileParam(c, 0)) c.result = f->codec().recordLength();
}

bool IsFullFormatName(std::string_view name, const RecordFile& f) {
  std::string n = Trim(name);
  return n.empty() || n == f.cursor->format().name;
}

void Rformat(RequestContext& c) {
  RecordFile* f = FileParam(c, 0);
  if (f == nullptr) return;
  std::string_view name(reinterpret_cast<const char*>(c.request.Input(1).data()),
                        c.request.Input(1).size());
  if (IsFullFormatName(name, *f)) {
    f->reducedActive = false;
  } else if (Trim(name) == kReducedFormat && f->reducedDefined) {
    f->reducedActive = true;
  } else {
    c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
  }
}

// Defines the reduced format "_R_SELECT_" of the fields named (10
// characters each), makes it active and answers its record length.
void Rselect(RequestContext& c) {
  RecordFile* f = FileParam(c, 0);
  if (f == nullptr) return;
  auto nameBytes = c.request.Input(1);
  std::string format = Trim({reinterpret_cast<const char*>(nameBytes.data()), nameBytes.size()});
  int32_t count = c.request.Value(2);
  auto names = c.request.Input(3);
  if (format != kReducedFormat || count < 1 || static_cast<size_t>(count) * 10 > names.size()) {
    c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
    return;
  }
  std::vector<std::string> fields;
  for (int32_t i = 0; i < count; ++i) {
    std::string n = Trim({reinterpret_cast<const char*>(names.data()) + 10 * i, 10});
    for (char& ch : n) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
    fields.push_back(std::move(n));
  }
  if (Status s = f->full.Select(fields, &f->reduced); !s.ok()) {
    c.Fail(s);
    return;
  }
  f->reducedDefined = f->reducedActive = true;
  c.result = f->reduced.recordLength();
}

Status ReadConversions(std::span<const uint8_t> entries, int32_t count, TextConversions* out) {
  if (count < 0 || static_cast<size_t>(count) * kConvEntrySize > entries.size()) {
    return Status::Error(StatusCode::kInvalidArgument, "entries");
  }
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t* e = entries.data() + i * kConvEntrySize;
    int32_t type = wire::LoadLeI32(e + kConvType);
    int32_t digits = wire::LoadLeI32(e + kConvDigits);
    bool numeric = type == 1 || type == 2 || type == 3 || type == 4 || type == 7 || type == 8;
    if (!numeric || digits < -1 || digits > 63) {
      return Status::Error(StatusCode::kInvalidArgument, "conversion entry");
    }
    (*out)[static_cast<size_t>(type)] = digits;
  }
  return Status::Ok();
}

void SetImpGenConv(RequestContext& c) {
  TextConversions table = c.job.textConversions();
  if (Status s = ReadConversions(c.request.Input(1), c.request.Value(0), &table); !s.ok()) {
    c.Fail(s);
    return;
  }
  c.job.textConversions() = table;
}

void SetImpConv(RequestContext& c) {
  RecordFile* f = FileParam(c, 0);
  if (f == nullptr) return;
  TextConversions table = f->full.options().conversions;
  Status s = ReadConversions(c.request.Input(2), c.request.Value(1), &table);
  if (s.ok()) s = f->Rebuild(table);
  if (!s.ok()) c.Fail(s);
}

void Rcommit(RequestContext& c) {
  if (Status s = c.host.storage().Commit(c.job.id()); !s.ok()) c.Fail(s);
}

void Rrollbck(RequestContext& c) {
  if (Status s = c.host.storage().Rollback(c.job.id()); !s.ok()) c.Fail(s);
}

}  // namespace

void AddOpenHandlers(HandlerTable& table) {
  table[wire::kOpRopen] = Ropen;
  table[wire::kOpOpen] = VNXopen;
  table[wire::kOpRclose] = Rclose;
  table[wire::kOpRLclose] = Rclose;
  table[wire::kOpCloseSession] = CloseSession;
  table[wire::kOpRlength] = Rlength;
  table[wire::kOpRformat] = Rformat;
  table[wire::kOpRselect] = Rselect;
  table[wire::kOpSetImpGenConv] = SetImpGenConv;
  table[wire::kOpSetImpConv] = SetImpConv;
  table[wire::kOpRcommit] = Rcommit;
  table[wire::kOpRrollbck] = Rrollbck;
}

}  // namespace vantora::host
