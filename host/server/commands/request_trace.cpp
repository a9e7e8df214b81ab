#include "host/server/commands/request_trace.h"

#include <chrono>
#include <ctime>

#include "host/cl/command_binding.h"
#include "host/server/commands/job_command_state.h"
#include "host/server/session/job.h"
#include "protocol/blank_padded.h"

namespace vantora::host {
namespace {

constexpr size_t kDataLength = 256;

std::vector<FieldDef> TraceFields() {
  return {PackedField("TRSEQ", 9, 0),
          DateTimeField("TRTIME", FieldType::kTimestamp),
          PackedField("TRJOB", 9, 0),
          CharField("TRMBR", 10),
          CharField("TROP", 24),
          CharField("TRCODE", 4),
          BinaryField("TRRES", FieldType::kBin4),
          BinaryField("TRSTAT", FieldType::kBin4),
          CharField("TRMSG", 7),
          VarcharField("TRDATA", static_cast<int>(kDataLength))};
}

std::string Now() {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  auto micro =
      std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() %
      1000000;
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d-%02d.%02d.%02d.%06lld", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                static_cast<long long>(micro));
  return text;
}

using wire::Upper;

bool Printable(std::span<const uint8_t> bytes) {
  size_t n = bytes.size();
  if (n > 0 && bytes[n - 1] == 0) --n;
  for (size_t i = 0; i < n; ++i) {
    if (bytes[i] < 0x20 || bytes[i] == 0x7F) return false;
  }
  return n > 0;
}

}  // namespace

RequestTrace::~RequestTrace() = default;

Status RequestTrace::Start(Storage& storage, Job& job, std::string_view fileName, int level,
                           std::unique_ptr<RequestTrace>* out) {
  std::string text = Upper(fileName);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  std::string member;
  if (size_t open = text.find('('); open != std::string::npos) {
    if (text.back() != ')') return Status::Error(StatusCode::kInvalidArgument, "trace file name");
    member = text.substr(open + 1, text.size() - open - 2);
    text.resize(open);
    if (!cl::IsValidName(member))
      return Status::Error(StatusCode::kInvalidArgument, "trace member");
  }
  ObjectName name;
  cl::SplitQualified(text, &name.library, &name.name);
  if (name.library.empty() || name.library == "*CURLIB") name.library = job.currentLibrary();
  Status s = NormaliseObjectName(name, &name);
  if (!s.ok()) return s;
  Catalogue& catalogue = storage.catalogue();
  bool exists = false;
  if (s = catalogue.LibraryExists(name.library, &exists); !s.ok()) return s;
  if (!exists) {
    s = catalogue.CreateLibrary(name.library, "Request traces");
    if (!s.ok() && s.code() != StatusCode::kLibraryExists) return s;
  }
  FileDescription d;
  if (!catalogue.DescribeFile(name, &d).ok()) {
    PhysicalFileDef def;
    def.name = name;
    def.formatName = "TRACEREC";
    def.fields = TraceFields();
    def.text = "Request trace";
    s = catalogue.CreatePhysicalFile(def);
    if (!s.ok() && s.code() != StatusCode::kObjectExists) return s;
    s = catalogue.DescribeFile(name, &d);
    if (!s.ok()) return s;
  }
  const auto expected = TraceFields();
  bool same = d.kind == FileKind::kPhysical && d.formats[0].fields.size() == expected.size();
  for (size_t i = 0; same && i < expected.size(); ++i) {
    same = d.formats[0].fields[i].name == expected[i].name &&
           d.formats[0].fields[i].type == expected[i].type;
  }
  if (!same) {
    return Status::Error(StatusCode::kInvalidArgument, name.ToString() + " is not a trace file");
  }
  std::unique_ptr<RequestTrace> trace(new RequestTrace());
  CursorOptions options;
  // The host writes the trace, not the job: the job's end (which wants its
  // own cursors gone) does not wait for the trace's cursor.
  options.job = -1;
  options.arrivalOrder = true;
  s = storage.OpenCursor(name, options, &trace->cursor_);
  if (!s.ok()) return s;
  trace->level_ = level <= 0 ? 2 : level > 3 ? 3 : level;
  trace->job_ = static_cast<int64_t>(job.id());
  trace->member_ = member;
  *out = std::move(trace);
  return Status::Ok();
}

void RequestTrace::Write(const wire::RequestDecoder& request, int32_t result, int32_t status,
                         std::string_view messageId) {
  if (level_ == 1 && result >= 0) return;
  const wire::Operation& op = request.operation();
  std::string data;
  for (int i = 0; i < op.count && data.size() < kDataLength; ++i) {
    if (op.Kind(i) != wire::kInput && op.Kind(i) != wire::kInOut) continue;
    auto bytes = request.Input(i);
    if (Printable(bytes)) {
      data += "p" + std::to_string(i) + "=" + std::string(request.Text(i)) + " ";
    } else if (level_ >= 3 && !bytes.empty()) {
      data += "p" + std::to_string(i) + "=x";
      static const char kHex[] = "0123456789ABCDEF";
      for (size_t j = 0; j < bytes.size() && j < 32; ++j) {
        data += kHex[bytes[j] >> 4];
        data += kHex[bytes[j] & 15];
      }
      data += " ";
    }
  }
  if (data.size() > kDataLength) data.resize(kDataLength);
  while (!data.empty() && data.back() == ' ') data.pop_back();
  char code[8];
  std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(request.code()) & 0xFFFF);
  Record r(10);
  r[0] = Value::Integer(++sequence_);
  r[1] = Value::Text(Now());
  r[2] = Value::Integer(job_);
  r[3] = Value::Text(member_);
  r[4] = Value::Text(std::string(op.name ? op.name : "?").substr(0, 24));
  r[5] = Value::Text(code);
  r[6] = Value::Integer(result);
  r[7] = Value::Integer(status);
  r[8] = Value::Text(messageId.substr(0, 7));
  r[9] = Value::Text(data);
  cursor_->Insert(r, nullptr).IgnoreError();
}

void TraceRequest(Job& job, const wire::RequestDecoder& request, int32_t result, int32_t status,
                  std::string_view messageId) {
  const auto& state = job.commandState();
  if (state && state->trace) state->trace->Write(request, result, status, messageId);
}

}  // namespace vantora::host
