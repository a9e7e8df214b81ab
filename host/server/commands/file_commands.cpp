// CRTPF and CRTLF: database files compiled from the DDS of a source member
// (or, for CRTPF RCDLEN(n), a file of one character field). Every failure
// answers CPF7302 (file not created) with the reason in the detail, and
// leaves nothing behind.
#include "host/cl/dds_compiler.h"
#include "host/cl/select_omit_filter.h"
#include "host/server/commands/command_table.h"
#include "host/server/commands/select_omit_store.h"
#include "host/server/session/job.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

CommandOutcome NotCreated(const ObjectName& name, const std::string& why) {
  return CommandOutcome::Failed(
      wire::kMsgFileNotCreated,
      "file " + name.name + " not created in library " + name.library + ": " + why);
}

// Reads the DDS lines of the SRCFILE/SRCMBR of `cmd`.
Status ReadSource(CommandContext& c, const cl::BoundCommand& cmd, const ObjectName& file,
                  std::vector<std::string>* lines, std::string* memberText) {
  ObjectName source;
  Status s = ResolveExistingFile(c, cmd.Text("SRCFILE"), &source);
  if (!s.ok()) return s;
  std::string member = cmd.Text("SRCMBR");
  if (member == "*FILE") member = file.name;
  std::vector<SourceLine> read;
  s = c.storage.sourceMembers().ReadLines(source, member, &read);
  if (!s.ok()) return s;
  std::vector<MemberEntry> members;
  if (c.storage.sourceMembers().ListMembers(source, &members).ok()) {
    for (const MemberEntry& m : members) {
      if (m.name == member) *memberText = m.text;
    }
  }
  lines->clear();
  for (const SourceLine& l : read) lines->push_back(l.text);
  return Status::Ok();
}

std::string FileText(const cl::BoundCommand& cmd, const std::string& ddsText,
                     const std::string& memberText) {
  if (cmd.Text("TEXT") == "*SRCMBRTXT") return ddsText.empty() ? memberText : ddsText;
  return TextValue(cmd, "TEXT");
}

std::string CompileFailure(const cl::DdsError& e) {
  return e.line > 0 ? "DDS line " + std::to_string(e.line) + ": " + e.detail : e.detail;
}

CommandOutcome CreatePhysicalFile(CommandContext& c, const cl::BoundCommand& cmd) {
  ObjectName name;
  Status s = NewObjectName(c, cmd.Text("FILE"), &name);
  if (!s.ok()) return CommandOutcome::Failed(s);
  PhysicalFileDef def;
  if (cmd.Text("RCDLEN") != "*NONE") {
    def.fields = {CharField(name.name, std::stoi(cmd.Text("RCDLEN")))};
    def.text = TextValue(cmd, "TEXT");
  } else {
    std::vector<std::string> lines;
    std::string memberText;
    s = ReadSource(c, cmd, name, &lines, &memberText);
    if (!s.ok()) return NotCreated(name, "source: " + s.ToString());
    cl::DdsFile dds;
    cl::DdsError error;
    if (!cl::CompileDds(lines, cl::DdsKind::kPhysical, &dds, &error)) {
      return NotCreated(name, CompileFailure(error));
    }
    def = std::move(dds.physical);
    def.text = FileText(cmd, def.text, memberText);
  }
  def.name = name;
  s = c.storage.catalogue().CreatePhysicalFile(def);
  return s.ok() ? CommandOutcome::Ok() : NotCreated(name, s.ToString());
}

// Based-on files written without a library: the logical file's library when
// it holds the file, else the job's libraries.
Status ResolveBasedOn(CommandContext& c, const ObjectName& logical, ObjectName* based) {
  if (based->library == "*CURLIB") based->library = c.job.currentLibrary();
  if (!based->library.empty()) return Status::Ok();
  FileDescription d;
  if (c.storage.catalogue().DescribeFile({logical.library, based->name}, &d).ok()) {
    based->library = logical.library;
    return Status::Ok();
  }
  return c.storage.catalogue().ResolveFile(c.job.SearchList(), based->name, based);
}

CommandOutcome CreateLogicalFile(CommandContext& c, const cl::BoundCommand& cmd) {
  ObjectName name;
  Status s = NewObjectName(c, cmd.Text("FILE"), &name);
  if (!s.ok()) return CommandOutcome::Failed(s);
  std::vector<std::string> lines;
  std::string memberText;
  s = ReadSource(c, cmd, name, &lines, &memberText);
  if (!s.ok()) return NotCreated(name, "source: " + s.ToString());
  cl::DdsFile dds;
  cl::DdsError error;
  if (!cl::CompileDds(lines, cl::DdsKind::kLogical, &dds, &error)) {
    return NotCreated(name, CompileFailure(error));
  }
  LogicalFileDef def = std::move(dds.logicalDef);
  def.name = name;
  def.text = FileText(cmd, def.text, memberText);
  for (LogicalFormatDef& f : def.formats) {
    for (ObjectName& based : f.basedOn) {
      s = ResolveBasedOn(c, name, &based);
      if (!s.ok()) return NotCreated(name, "based-on file: " + s.ToString());
    }
  }
  s = c.storage.catalogue().CreateLogicalFile(def);
  if (!s.ok()) return NotCreated(name, s.ToString());
  if (dds.selectOmit.empty()) {
    ForgetSelectOmit(c.storage, name).IgnoreError();  // of an earlier file of this name
    return CommandOutcome::Ok();
  }
  // The rules must bind to the new format; otherwise the file goes again.
  FileDescription created;
  s = c.storage.catalogue().DescribeFile(name, &created);
  std::unique_ptr<SelectOmitFilter> filter;
  cl::SelectionError bindError;
  std::string why;
  if (!s.ok()) {
    why = s.ToString();
  } else if (!SelectOmitFilter::Build(dds.selectOmit, created.formats[0], &filter, &bindError)) {
    why = "select/omit: " + bindError.messageId + " " + bindError.detail;
  } else if (Status saved = SaveSelectOmit(c.storage, name, dds.selectOmit); !saved.ok()) {
    why = saved.ToString();
  }
  if (!why.empty()) {
    c.storage.catalogue().DeleteFile(name).IgnoreError();
    return NotCreated(name, why);
  }
  return CommandOutcome::Ok();
}

}  // namespace

void AddFileCommands(CommandTable& table) {
  table["CRTPF"] = CreatePhysicalFile;
  table["CRTLF"] = CreateLogicalFile;
}

}  // namespace vantora::host
