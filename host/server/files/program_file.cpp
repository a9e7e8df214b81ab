#include "host/server/files/program_file.h"

#include <algorithm>

#include "host/server/session/host.h"
#include "host/server/session/host_services.h"
#include "protocol/blank_padded.h"

namespace vantora::host {
namespace {

// Upper case, without trailing blanks.
std::string Upper(std::string_view text) {
  return wire::Upper(wire::TrimRight(text));
}

std::string TextOf(const Value& v) {
  return v.kind() == Value::Kind::kText ? Upper(v.text()) : std::string();
}

int64_t IntOf(const Value& v) {
  return v.kind() == Value::Kind::kInteger ? v.integer() : 0;
}

// Records of `file` (resolved in the library list) whose key equals `name`.
Status ReadByName(Host& host, const Job& job, const char* file, const std::string& name,
                  std::vector<Record>* out) {
  ObjectName resolved;
  Catalogue& catalogue = host.storage().catalogue();
  if (Status s = catalogue.ResolveFile(job.SearchList(), file, &resolved); !s.ok()) return s;
  std::unique_ptr<FileCursor> cursor;
  CursorOptions options;
  options.job = job.id();
  if (Status s = host.storage().OpenCursor(resolved, options, &cursor); !s.ok()) return s;
  SearchKey key;
  key.values.push_back(Value::Text(name));
  ReadRequest request;
  request.op = ReadOp::kKeyEqual;
  request.key = &key;
  RecordBatch batch;
  out->clear();
  for (;;) {
    Status s = cursor->ReadBlock(request, 256, &batch);
    if (!s.ok()) break;
    for (size_t i = 0; i < batch.size; ++i) out->push_back(batch.records[i]);
    if (batch.size < 256) break;
    request.op = ReadOp::kNextEqualKey;
    request.key = nullptr;
  }
  return Status::Ok();
}

// A YPROCPARMS row (see the procedure catalogue layout) as a parameter.
bool FieldParameter(const Record& row, ProgramParameter* out) {
  if (row.size() < 12) return false;
  const auto direction = IntOf(row[3]);
  const auto asType = IntOf(row[7]);
  const auto bytes = static_cast<int>(IntOf(row[8]));
  const auto decimals = static_cast<int>(IntOf(row[9]));
  const auto digits = static_cast<int>(IntOf(row[10]));
  if (direction < 1 || direction > 3 || bytes < 1) return false;
  out->direction = static_cast<ParameterDirection>(direction);
  out->decimals = decimals;
  switch (asType) {
    case 1:
      out->type = FieldType::kBin2;
      break;
    case 2:
      out->type = FieldType::kBin4;
      break;
    case 3:
      out->type = FieldType::kPacked;
      out->length = digits;
      break;
    case 4:
      out->type = FieldType::kZoned;
      out->length = bytes;
      break;
    case 7:
      out->type = FieldType::kFloat;
      break;
    case 8:
      out->type = FieldType::kDouble;
      break;
    default:  // CHAR, DATE, TIME, TIMESTP travel as characters
      out->type = FieldType::kChar;
      out->length = bytes;
      out->decimals = 0;
  }
  return out->ByteLength() == bytes;
}

}  // namespace

Status ProgramFile::Call(std::span<const uint8_t> input, std::vector<uint8_t>* record) {
  if (Status s = ExpandInput(program_.parameters, input, record); !s.ok()) return s;
  if (queue_) {
    // A keyed queue takes the entry's first key-length bytes as its key.
    const auto keyLength = static_cast<size_t>(queue_->definition().keyLength);
    if (keyLength > input.size()) {
      return Status::Error(StatusCode::kInvalidArgument, "input shorter than the queue's key");
    }
    if (Status s = queue_->Send(input, input.first(keyLength)); !s.ok()) return s;
  } else if (Status s = RunProgram(program_, record); !s.ok()) {
    return s;
  }
  last_ = *record;
  return Status::Ok();
}

Status OpenProgramFile(Host& host, Job& job, std::string_view target,
                       std::unique_ptr<ProgramFile>* out) {
  std::string name = Upper(target);
  std::string library;
  if (size_t slash = name.find('/'); slash != std::string::npos) {
    library = name.substr(0, slash);
    name = name.substr(slash + 1);
  }
  const ProgramRegistry& programs = ServicesOf(host).programs;
  std::vector<Record> headers;
  if (library.empty() && ReadByName(host, job, "YPROCHDR", name, &headers).ok() &&
      !headers.empty() && headers[0].size() >= 7) {
    const Record& header = headers[0];
    std::vector<Record> rows;
    if (Status s = ReadByName(host, job, "YPROCPARMS", name, &rows); !s.ok()) return s;
    std::vector<ProgramParameter> fields;
    for (const Record& row : rows) {
      ProgramParameter p;
      if (!FieldParameter(row, &p)) {
        return Status::Error(StatusCode::kInvalidArgument, "procedure field not valid");
      }
      fields.push_back(p);
    }
    const std::string targetLibrary = TextOf(header[1]);
    const std::string targetName = TextOf(header[2]);
    if (TextOf(header[6]) == "Q") {
      std::vector<std::string> search =
          targetLibrary.empty() ? job.SearchList() : std::vector<std::string>{targetLibrary};
      for (const auto& lib : search) {
        ObjectEntry entry;
        if (Status s = host.storage().catalogue().FindObject({lib, targetName}, "*DTAQ", &entry);
            !s.ok()) {
          if (s.code() == StatusCode::kObjectNotFound) continue;
          return s;
        }
        DataQueueDefinition d;
        if (!DecodeDataQueueDefinition(entry.attribute, &d)) d = DataQueueDefinition{};
        ProgramDefinition queueTarget;
        queueTarget.name = entry.name;
        queueTarget.parameters = std::move(fields);
        *out = std::make_unique<ProgramFile>(
            std::move(queueTarget),
            ServicesOf(host).queues.Get(host.storage().queueEntries(), entry.name, d));
        return Status::Ok();
      }
      return Status::Error(StatusCode::kObjectNotFound, targetName);
    }
    ProgramDefinition program;
    if (Status s = programs.Find(targetLibrary, targetName, job.SearchList(), &program); !s.ok()) {
      return s;
    }
    if (!program.parameters.empty() &&
        ParameterRecordLength(program.parameters) != ParameterRecordLength(fields)) {
      return Status::Error(StatusCode::kInvalidArgument, "fields do not fit the program");
    }
    program.parameters = std::move(fields);
    *out = std::make_unique<ProgramFile>(std::move(program), nullptr);
    return Status::Ok();
  }
  ProgramDefinition program;
  if (Status s = programs.Find(library, name, job.SearchList(), &program); !s.ok()) return s;
  *out = std::make_unique<ProgramFile>(std::move(program), nullptr);
  return Status::Ok();
}

}  // namespace vantora::host
