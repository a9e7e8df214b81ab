#include "host/server/commands/source_writer.h"

#include "host/cl/command_binding.h"
#include "host/server/session/job.h"

namespace vantora::host {

Status WriteSourceLines(Storage& storage, Job& job, std::string_view target,
                        const std::vector<std::string>& lines, int mode) {
  if (mode != kSourceStart && mode != kSourceAppend) {
    return Status::Error(StatusCode::kInvalidArgument, "source write mode " + std::to_string(mode));
  }
  std::string text;
  for (char c : target) text.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  std::string member;
  if (size_t open = text.find('('); open != std::string::npos) {
    if (text.back() != ')') return Status::Error(StatusCode::kInvalidArgument, "member name");
    member = text.substr(open + 1, text.size() - open - 2);
    text.resize(open);
  }
  ObjectName file;
  cl::SplitQualified(text, &file.library, &file.name);
  if (file.library.empty() || file.library == "*CURLIB" || file.library == "*LIBL") {
    file.library = job.currentLibrary();
  }
  if (member.empty()) member = file.name;
  Status s = NormaliseObjectName(file, &file);
  if (s.ok() && !cl::IsValidName(member)) {
    s = Status::Error(StatusCode::kInvalidArgument, "member name " + member);
  }
  if (!s.ok()) return s;
  bool exists = false;
  if (s = storage.catalogue().LibraryExists(file.library, &exists); !s.ok()) return s;
  if (!exists) return Status::Error(StatusCode::kLibraryNotFound, "library " + file.library);
  FileDescription d;
  if (!storage.catalogue().DescribeFile(file, &d).ok()) {
    s = storage.catalogue().CreateSourceFile(file, 92, "DDS source");
    if (!s.ok()) return s;
  }
  std::vector<SourceLine> all;
  s = storage.sourceMembers().ReadLines(file, member, &all);
  if (s.code() == StatusCode::kFileNotFound) {
    s = storage.sourceMembers().AddMember(file, member, "PF", "");
    all.clear();
  }
  if (!s.ok()) return s;
  if (mode == kSourceStart) all.clear();
  int64_t sequence = all.empty() ? 0 : all.back().sequence;
  for (const std::string& line : lines) {
    SourceLine l;
    sequence = (sequence / 100 + 1) * 100;
    l.sequence = sequence;
    l.text = line;
    for (char& c : l.text) {
      if (c == '\0') c = ' ';
    }
    while (!l.text.empty() && l.text.back() == ' ') l.text.pop_back();
    all.push_back(std::move(l));
  }
  return storage.sourceMembers().WriteLines(file, member, all);
}

}  // namespace vantora::host
