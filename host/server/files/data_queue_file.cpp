#include "host/server/files/data_queue_file.h"

#include <algorithm>

#include "host/server/session/host.h"
#include "host/server/session/host_services.h"

namespace vantora::host {

Status OpenDataQueueFile(Host& host, Job& job, std::string_view target,
                         std::unique_ptr<DataQueueFile>* out) {
  std::string name(target);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  std::vector<std::string> search = job.SearchList();
  if (size_t slash = name.find('/'); slash != std::string::npos) {
    search = {name.substr(0, slash)};
    name = name.substr(slash + 1);
  }
  std::string normal;
  if (!NormaliseName(name, &normal).ok()) return Status::Error(StatusCode::kObjectNotFound, name);
  Catalogue& catalogue = host.storage().catalogue();
  for (std::string library : search) {
    if (!NormaliseName(library, &library).ok()) continue;
    ObjectEntry entry;
    if (Status s = catalogue.FindObject({library, normal}, "*DTAQ", &entry); !s.ok()) {
      if (s.code() == StatusCode::kObjectNotFound) continue;
      return s;
    }
    DataQueueDefinition d;
    if (!DecodeDataQueueDefinition(entry.attribute, &d)) d = DataQueueDefinition{};
    RecordFormat format;
    format.name = "QUEUE";
    if (d.sequence == QueueSequence::kKeyed) {
      format.fields.push_back(CharField("KEY", d.keyLength));
      format.key.push_back({"KEY"});
    }
    format.fields.push_back(CharField("DATA", std::min(d.maxLength, kMaxCharLength)));
    CodecOptions options;
    RecordCodec codec;
    if (Status s = RecordCodec::Build(format, options, &codec); !s.ok()) return s;
    *out = std::make_unique<DataQueueFile>(
        entry.name, ServicesOf(host).queues.Get(host.storage().queueEntries(), entry.name, d),
        std::move(format), std::move(codec));
    return Status::Ok();
  }
  return Status::Error(StatusCode::kObjectNotFound, normal);
}

}  // namespace vantora::host
