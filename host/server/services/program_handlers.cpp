// Program calls (PgmLink, PgmCall, PgmUnLink) and server jobs (JOBcall,
// JOBsend, JOBreceive, JOBsendreceive). Numbers in the records below are in
// the PC's byte order.
//
// Program identification (the first 22 bytes of PgmLink's descriptor):
//    0  10  program name
//   10  10  library; blank (or *LIBL) searches the library list, then VANTORA
//   20   2  reserved, 0
// Parameter description (14 bytes each, n of them):
//    0   2  direction: 1 input, 2 output, 3 input and output
//    2   2  host type: 0 CHAR, 1 BIN2, 2 BIN4, 3 PACK, 4 ZONED, 7 FLOAT, 8 DOUBLE
//    4   2  length: characters (CHAR) or digits (PACK, ZONED)
//    6   2  decimals
//    8   2  byte length; 0 = derived from the type and length
//   10   4  reserved, 0
// Entries (2 bytes each, m of them): the parameters (from 1) whose values
// PgmCall answers, in that order; none = the whole parameter record.
// PgmLink answers the link number (from 1) and returns the number of
// parameters (descriptor + 28) and the parameter record length (+ 30).
// A program that declares its parameters refuses a link whose descriptions
// differ in number, direction or byte length (CPF3C21); one that does not
// takes the link's. n = 0 links with the program's own declaration.
//
// PgmCall(link, out, in): `in` holds the input and input/output parameters
// one after another; `out` receives the parameter record (programs.h) or
// the selected parameters. Answers 1.
// PgmUnLink(link): forgets the link (no reply).
//
// JOBcall(program, library) starts a server job (server_jobs.h) and
// answers its number (from 1). JOBsend(job, length, data) hands it a
// message; a message of length 0 ends the server job. JOBreceive(job,
// length, buffer) answers the length of the oldest answer not yet taken and
// returns at most `length` bytes of it, or 0 when none waits.
// JOBsendreceive does both.
//
// Failures answer -1 with status 3101 and CPF9811 (program not found),
// CPF3C21 (descriptions that do not fit), CPF3C90 (a value out of range),
// CPF3C4A (the program ran out of time), CPF3C4B (the program failed), or
// 3014 with CPF9898 for an unknown link or job number.
#include <algorithm>

#include "host/server/session/handlers.h"
#include "host/server/session/host.h"
#include "host/server/session/host_services.h"
#include "host/server/session/host_status.h"
#include "host/server/session/job.h"
#include "host/server/session/job_services.h"
#include "protocol/byte_order.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

constexpr size_t kIdName = 0, kIdLibrary = 10;
constexpr size_t kParamSize = 14;
constexpr size_t kParamDirection = 0, kParamType = 2, kParamLength = 4, kParamDecimals = 6,
                 kParamBytes = 8;

std::string Field(std::span<const uint8_t> bytes) {
  std::string s(bytes.begin(), bytes.end());
  s.erase(std::find(s.begin(), s.end(), '\0'), s.end());
  while (!s.empty() && s.back() == ' ') s.pop_back();
  for (char& ch : s) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
  return s;
}

void FailStatus(RequestContext& c, const Status& s) {
  const std::string& id = s.detail();
  if (id == wire::kMsgProgramTimedOut || id == wire::kMsgProgramFailed)
    return c.Fail(kStatusOther, id.c_str());
  if (s.code() == StatusCode::kInvalidArgument)
    return c.Fail(kStatusOther, wire::kMsgValueNotAccepted);
  c.Fail(kStatusOther, wire::kMsgProgramFailed);
}

Status FindProgram(RequestContext& c, std::string library, const std::string& name,
                   ProgramDefinition* out) {
  if (library == "*LIBL") library.clear();
  if (library == "*CURLIB") library = c.job.currentLibrary();
  return ServicesOf(c.host).programs.Find(library, name, c.job.SearchList(), out);
}

bool DecodeParameter(const uint8_t* p, ProgramParameter* out) {
  static constexpr FieldType kTypes[] = {FieldType::kChar,   FieldType::kBin2,  FieldType::kBin4,
                                         FieldType::kPacked, FieldType::kZoned, FieldType::kChar,
                                         FieldType::kChar,   FieldType::kFloat, FieldType::kDouble};
  const int16_t direction = wire::LoadLeI16(p + kParamDirection);
  const int16_t type = wire::LoadLeI16(p + kParamType);
  if (direction < 1 || direction > 3 || type < 0 || type > 8 || type == 5 || type == 6) {
    return false;
  }
  out->direction = static_cast<ParameterDirection>(direction);
  out->type = kTypes[type];
  out->length = wire::LoadLeI16(p + kParamLength);
  out->decimals = wire::LoadLeI16(p + kParamDecimals);
  const int16_t bytes = wire::LoadLeI16(p + kParamBytes);
  if (out->length < 0 || out->decimals < 0 || out->ByteLength() < 1) return false;
  if ((out->type == FieldType::kPacked || out->type == FieldType::kZoned) &&
      out->length > kMaxDecimalDigits) {
    return false;
  }
  return bytes == 0 || bytes == out->ByteLength();
}

bool SameShape(const std::vector<ProgramParameter>& a, const std::vector<ProgramParameter>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].direction != b[i].direction || a[i].ByteLength() != b[i].ByteLength()) return false;
  }
  return true;
}

void Link(RequestContext& c) {
  auto id = c.request.Input(0);
  const int32_t n = c.request.Value(1);
  auto descriptions = c.request.Input(2);
  const int32_t m = c.request.Value(5);
  auto entries = c.request.Input(6);
  if (id.size() < 20 || n < 0 || descriptions.size() != static_cast<size_t>(n) * kParamSize ||
      m < 0 || entries.size() != static_cast<size_t>(m) * 2) {
    return c.Fail(kStatusOther, wire::kMsgValueNotAccepted);
  }
  ProgramLink link;
  if (Status s = FindProgram(c, Field(id.subspan(kIdLibrary, 10)), Field(id.subspan(kIdName, 10)),
                             &link.program);
      !s.ok()) {
    return c.Fail(kStatusOther, wire::kMsgProgramNotFound);
  }
  for (int32_t i = 0; i < n; ++i) {
    ProgramParameter p;
    if (!DecodeParameter(descriptions.data() + static_cast<size_t>(i) * kParamSize, &p)) {
      return c.Fail(kStatusOther, wire::kMsgValueNotAccepted);
    }
    link.parameters.push_back(p);
  }
  if (n == 0) {
    link.parameters = link.program.parameters;
  } else if (!link.program.parameters.empty() &&
             !SameShape(link.parameters, link.program.parameters)) {
    return c.Fail(kStatusOther, wire::kMsgFormatNameNotValid);
  }
  for (int32_t i = 0; i < m; ++i) {
    int16_t number = wire::LoadLeI16(entries.data() + 2 * i);
    if (number < 1 || static_cast<size_t>(number) > link.parameters.size()) {
      return c.Fail(kStatusOther, wire::kMsgValueNotAccepted);
    }
    link.returned.push_back(static_cast<int16_t>(number - 1));
  }
  uint8_t count[2];
  uint8_t length[2];
  wire::StoreLeI16(count, static_cast<int16_t>(link.parameters.size()));
  wire::StoreLeI16(length, static_cast<int16_t>(ParameterRecordLength(link.parameters)));
  auto& links = ServicesOf(c.job).programLinks;
  const int32_t number = FreeNumber(links);
  links[number] = std::move(link);
  c.reply.SetOutput(3, count);
  c.reply.SetOutput(4, length);
  c.result = number;
}

void Call(RequestContext& c) {
  auto& links = ServicesOf(c.job).programLinks;
  auto it = links.find(c.request.Value(0));
  if (it == links.end()) return c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
  const ProgramLink& link = it->second;
  std::vector<uint8_t> record;
  if (Status s = ExpandInput(link.parameters, c.request.Input(2), &record); !s.ok()) {
    return FailStatus(c, s);
  }
  ProgramDefinition program = link.program;
  program.parameters = link.parameters;
  if (Status s = RunProgram(program, &record); !s.ok()) return FailStatus(c, s);
  if (link.returned.empty()) {
    c.reply.SetOutput(1, record);
    return;
  }
  std::vector<size_t> offsets;
  size_t offset = 0;
  for (const auto& p : link.parameters) {
    offsets.push_back(offset);
    offset += static_cast<size_t>(p.ByteLength());
  }
  std::vector<uint8_t> selected;
  for (int16_t i : link.returned) {
    const auto at = record.begin() + static_cast<std::ptrdiff_t>(offsets[static_cast<size_t>(i)]);
    selected.insert(selected.end(), at, at + link.parameters[static_cast<size_t>(i)].ByteLength());
  }
  c.reply.SetOutput(1, selected);
}

void Unlink(RequestContext& c) {
  ServicesOf(c.job).programLinks.erase(c.request.Value(0));
}

void StartServerJob(RequestContext& c) {
  ProgramDefinition program;
  if (!FindProgram(c, Field(c.request.Input(1)), Field(c.request.Input(0)), &program).ok()) {
    return c.Fail(kStatusOther, wire::kMsgProgramNotFound);
  }
  auto& jobs = ServicesOf(c.job).serverJobs;
  const int32_t number = FreeNumber(jobs);
  jobs[number] = std::make_unique<ServerJob>(std::move(program));
  c.result = number;
}

ServerJob* ServerJobParam(RequestContext& c) {
  auto& jobs = ServicesOf(c.job).serverJobs;
  auto it = jobs.find(c.request.Value(0));
  if (it == jobs.end()) {
    c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
    return nullptr;
  }
  return it->second.get();
}

// Hands the message of input parameter `param` to the job; false when the
// request failed or ended the job.
bool SendTo(RequestContext& c, ServerJob* job, int param) {
  auto message = c.request.Input(param);
  if (message.empty()) {
    ServicesOf(c.job).serverJobs.erase(c.request.Value(0));
    return false;
  }
  if (Status s = job->Send(message); !s.ok()) {
    FailStatus(c, s);
    return false;
  }
  return true;
}

void ReceiveFrom(RequestContext& c, ServerJob* job, int param) {
  std::vector<uint8_t> answer;
  if (!job->Receive(&answer)) {
    c.result = 0;
    return;
  }
  c.reply.SetOutput(param, answer);
  c.result = static_cast<int32_t>(answer.size());
}

void JobSend(RequestContext& c) {
  if (ServerJob* job = ServerJobParam(c)) SendTo(c, job, 2);
}

void JobReceive(RequestContext& c) {
  if (ServerJob* job = ServerJobParam(c)) ReceiveFrom(c, job, 2);
}

void JobSendReceive(RequestContext& c) {
  ServerJob* job = ServerJobParam(c);
  if (job != nullptr && SendTo(c, job, 2)) ReceiveFrom(c, job, 4);
}

}  // namespace

void AddProgramHandlers(HandlerTable& table) {
  table[wire::kOpPgmLink] = Link;
  table[wire::kOpPgmCall] = Call;
  table[wire::kOpPgmUnLink] = Unlink;
  table[wire::kOpJobCall] = StartServerJob;
  table[wire::kOpJobSend] = JobSend;
  table[wire::kOpJobReceive] = JobReceive;
  table[wire::kOpJobSendReceive] = JobSendReceive;
}

}  // namespace vantora::host
