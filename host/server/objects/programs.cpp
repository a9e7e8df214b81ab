#include "host/server/objects/programs.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "host/server/objects/program_runner.h"
#include "host/server/objects/sample_programs.h"
#include "platform/profile.h"
#include "protocol/blank_padded.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

// The largest parameter record a program may take or answer.
constexpr int kMaxParameterRecord = 32767;

void Blank(const ProgramParameter& p, uint8_t* at) {
  const auto n = static_cast<size_t>(p.ByteLength());
  switch (p.type) {
    case FieldType::kChar:
      std::memset(at, ' ', n);
      break;
    case FieldType::kPacked:
      std::memset(at, 0, n);
      at[n - 1] = 0x0F;  // positive zero
      break;
    case FieldType::kZoned:
      std::memset(at, 0xF0, n);
      break;
    default:
      std::memset(at, 0, n);
  }
}

using wire::Trim;

// The section names of an INI file, in file order.
std::vector<std::string> SectionsOf(const std::filesystem::path& path) {
  std::vector<std::string> sections;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    line = Trim(line);
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      sections.push_back(Trim(line.substr(1, line.size() - 2)));
    }
  }
  return sections;
}

bool SplitQualified(std::string_view section, ObjectName* out) {
  size_t slash = section.find('/');
  if (slash == std::string_view::npos) return false;
  return NormaliseObjectName(
             {std::string(section.substr(0, slash)), std::string(section.substr(slash + 1))}, out)
      .ok();
}

bool FromConfiguration(const platform::Profile& profile, const std::string& section,
                       ProgramDefinition* out) {
  ProgramDefinition d;
  if (!SplitQualified(section, &d.name)) return false;
  d.command = profile.GetString(section, "Command", "");
  if (d.command.empty()) return false;
  if (!ParseParameterList(profile.GetString(section, "Parameters", ""), &d.parameters)) {
    return false;
  }
  d.timeoutSeconds = std::max(1, profile.GetInt(section, "Timeout", 30));
  d.text = profile.GetString(section, "Text", "");
  *out = std::move(d);
  return true;
}

}  // namespace

int ProgramParameter::ByteLength() const {
  switch (type) {
    case FieldType::kBin2:
      return 2;
    case FieldType::kBin4:
    case FieldType::kFloat:
      return 4;
    case FieldType::kBin8:
    case FieldType::kDouble:
      return 8;
    case FieldType::kPacked:
      return length / 2 + 1;
    default:
      return length;
  }
}

int ParameterRecordLength(std::span<const ProgramParameter> parameters) {
  int n = 0;
  for (const auto& p : parameters) n += p.ByteLength();
  return n;
}

int InputLength(std::span<const ProgramParameter> parameters) {
  int n = 0;
  for (const auto& p : parameters) n += p.IsInput() ? p.ByteLength() : 0;
  return n;
}

Status ExpandInput(std::span<const ProgramParameter> parameters, std::span<const uint8_t> input,
                   std::vector<uint8_t>* record) {
  if (input.size() > static_cast<size_t>(InputLength(parameters))) {
    return Status::Error(StatusCode::kInvalidArgument, "more input than the input parameters take");
  }
  record->assign(static_cast<size_t>(ParameterRecordLength(parameters)), 0);
  size_t offset = 0;
  size_t taken = 0;
  for (const auto& p : parameters) {
    const auto n = static_cast<size_t>(p.ByteLength());
    Blank(p, record->data() + offset);
    if (p.IsInput() && taken < input.size()) {
      size_t copy = std::min(n, input.size() - taken);
      std::memcpy(record->data() + offset, input.data() + taken, copy);
      taken += n;
    } else if (p.IsInput()) {
      taken += n;
    }
    offset += n;
  }
  return Status::Ok();
}

bool ParseParameterList(std::string_view text, std::vector<ProgramParameter>* out) {
  std::vector<ProgramParameter> list;
  std::string all(text);
  std::replace(all.begin(), all.end(), ',', ';');
  std::istringstream items(all);
  for (std::string item; std::getline(items, item, ';');) {
    if (Trim(item).empty()) continue;
    std::istringstream in(item);
    std::string direction;
    std::string type;
    ProgramParameter p;
    if (!(in >> direction >> type >> p.length)) return false;
    if (!(in >> p.decimals)) p.decimals = 0;
    if (direction == "I") {
      p.direction = ParameterDirection::kInput;
    } else if (direction == "O") {
      p.direction = ParameterDirection::kOutput;
    } else if (direction == "B") {
      p.direction = ParameterDirection::kBoth;
    } else {
      return false;
    }
    static constexpr struct {
      const char* name;
      FieldType type;
    } kTypes[] = {{"CHAR", FieldType::kChar},    {"BIN2", FieldType::kBin2},
                  {"BIN4", FieldType::kBin4},    {"PACK", FieldType::kPacked},
                  {"ZONED", FieldType::kZoned},  {"FLOAT", FieldType::kFloat},
                  {"DOUBLE", FieldType::kDouble}};
    auto it = std::find_if(std::begin(kTypes), std::end(kTypes),
                           [&](const auto& t) { return type == t.name; });
    if (it == std::end(kTypes)) return false;
    p.type = it->type;
    if (p.length < 0 || p.decimals < 0 || p.ByteLength() < 1 ||
        (p.type == FieldType::kPacked && p.length > kMaxDecimalDigits) ||
        (p.type == FieldType::kZoned && p.length > kMaxDecimalDigits)) {
      return false;
    }
    list.push_back(p);
  }
  if (ParameterRecordLength(list) > kMaxParameterRecord) return false;
  *out = std::move(list);
  return true;
}

Status RunProgram(const ProgramDefinition& definition, std::vector<uint8_t>* record) {
  if (definition.builtin) return definition.builtin(*record);
  std::vector<uint8_t> answer;
  int exitStatus = 0;
  RunOutcome outcome =
      RunExecutable(definition.command, *record, record->size(),
                    std::chrono::seconds(definition.timeoutSeconds), &answer, &exitStatus);
  if (outcome == RunOutcome::kTimedOut) {
    return Status::Error(StatusCode::kNotSupported, wire::kMsgProgramTimedOut);
  }
  if (outcome != RunOutcome::kOk) {
    return Status::Error(StatusCode::kNotSupported, wire::kMsgProgramFailed);
  }
  std::copy(answer.begin(), answer.end(), record->begin());
  return Status::Ok();
}

ProgramRegistry::ProgramRegistry(std::filesystem::path configuration)
    : configuration_(std::move(configuration)) {}

Status ProgramRegistry::Find(std::string_view library, std::string_view name,
                             const std::vector<std::string>& libraries,
                             ProgramDefinition* out) const {
  std::string program;
  if (!NormaliseName(name, &program).ok()) {
    return Status::Error(StatusCode::kObjectNotFound, std::string(name));
  }
  std::vector<std::string> search;
  if (std::string lib; !library.empty() && NormaliseName(library, &lib).ok()) {
    search.push_back(lib);
  } else if (!library.empty()) {
    return Status::Error(StatusCode::kObjectNotFound, std::string(library));
  } else {
    search = libraries;
    if (std::find(search.begin(), search.end(), kHostLibrary) == search.end()) {
      search.push_back(kHostLibrary);  // the host's own programs are always found
    }
  }
  std::vector<ProgramDefinition> all = All();
  for (const auto& lib : search) {
    for (auto& d : all) {
      if (d.name.library == lib && d.name.name == program) {
        *out = std::move(d);
        return Status::Ok();
      }
    }
  }
  return Status::Error(StatusCode::kObjectNotFound, program);
}

std::vector<ProgramDefinition> ProgramRegistry::All() const {
  std::vector<ProgramDefinition> all = SamplePrograms();
  std::error_code ec;
  if (!std::filesystem::exists(configuration_, ec)) return all;
  platform::Profile profile = platform::Profile::FromFile(configuration_.string());
  for (const auto& section : SectionsOf(configuration_)) {
    ProgramDefinition d;
    if (FromConfiguration(profile, section, &d)) all.push_back(std::move(d));
  }
  return all;
}

}  // namespace vantora::host
