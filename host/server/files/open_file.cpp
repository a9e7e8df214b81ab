#include "host/server/files/open_file.h"

#include "host/server/session/handlers.h"
#include "host/server/session/host_status.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {

Status RecordFile::Rebuild(const TextConversions& conversions) {
  CodecOptions options = full.options();
  options.conversions = conversions;
  RecordCodec rebuilt;
  if (Status s = RecordCodec::Build(cursor->format(), options, &rebuilt); !s.ok()) return s;
  full = std::move(rebuilt);
  reducedDefined = reducedActive = false;
  return Status::Ok();
}

RecordFile* FileParam(RequestContext& c, int param) {
  auto* file = dynamic_cast<RecordFile*>(c.job.File(c.request.Value(param)));
  if (file == nullptr) c.Fail(kStatusInvalidRequest, wire::kMsgFileNotFound);
  return file;
}

void FailOn(RequestContext& c, RecordFile* file, const Status& s) {
  c.Fail(s);
  if (file != nullptr) {
    file->lastStatus = c.status;
    file->lastCount = 0;
  }
}

}  // namespace vantora::host
