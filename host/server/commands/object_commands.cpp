// Commands that create, clear and delete objects: CRTLIB, CRTSRCPF, DLTF,
// CLRPFM, CRTDTAQ, DLTDTAQ.
#include <charconv>

#include "host/server/commands/command_table.h"
#include "host/server/commands/select_omit_store.h"
#include "host/server/objects/data_queues.h"
#include "host/server/session/job.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

int IntegerValue(const cl::BoundCommand& cmd, std::string_view keyword) {
  const std::string t = cmd.Text(keyword);
  int v = 0;
  std::from_chars(t.data(), t.data() + t.size(), v);
  return v;
}

CommandOutcome CreateLibrary(CommandContext& c, const cl::BoundCommand& cmd) {
  Status s = c.storage.catalogue().CreateLibrary(cmd.Text("LIB"), TextValue(cmd, "TEXT"));
  return s.ok() ? CommandOutcome::Ok() : CommandOutcome::Failed(s);
}

CommandOutcome CreateSourceFile(CommandContext& c, const cl::BoundCommand& cmd) {
  ObjectName name;
  Status s = NewObjectName(c, cmd.Text("FILE"), &name);
  if (s.ok())
    s = c.storage.catalogue().CreateSourceFile(name, IntegerValue(cmd, "RCDLEN"),
                                               TextValue(cmd, "TEXT"));
  if (!s.ok()) return CommandOutcome::Failed(s);
  std::string member = cmd.Text("MBR");
  if (member == "*NONE") return CommandOutcome::Ok();
  if (member == "*FILE") member = name.name;
  s = c.storage.sourceMembers().AddMember(name, member, "", TextValue(cmd, "TEXT"));
  if (!s.ok()) {
    c.storage.catalogue().DeleteFile(name).IgnoreError();
    return CommandOutcome::Failed(s);
  }
  return CommandOutcome::Ok();
}

CommandOutcome DeleteFile(CommandContext& c, const cl::BoundCommand& cmd) {
  ObjectName name;
  Status s = ResolveExistingFile(c, cmd.Text("FILE"), &name);
  if (s.ok()) s = c.storage.catalogue().DeleteFile(name);
  if (!s.ok()) return CommandOutcome::Failed(s);
  ForgetSelectOmit(c.storage, name).IgnoreError();
  return CommandOutcome::Ok();
}

CommandOutcome ClearMember(CommandContext& c, const cl::BoundCommand& cmd) {
  ObjectName name;
  Status s = ResolveExistingFile(c, cmd.Text("FILE"), &name);
  FileDescription d;
  if (s.ok()) s = c.storage.catalogue().DescribeFile(name, &d);
  if (!s.ok()) return CommandOutcome::Failed(s);
  if (d.kind != FileKind::kPhysical) {
    return CommandOutcome::Failed(wire::kMsgNotPhysicalDataFile,
                                  name.ToString() + " is not a physical data file");
  }
  std::unique_ptr<FileCursor> cursor;
  CursorOptions options;
  options.job = c.job.id();
  options.arrivalOrder = true;
  options.lockWait = std::chrono::milliseconds(0);
  s = c.storage.OpenCursor(name, options, &cursor);
  if (!s.ok()) return CommandOutcome::Failed(s);
  ReadRequest first;
  first.op = ReadOp::kFirst;
  first.positionOnly = true;
  ReadRequest next = first;
  next.op = ReadOp::kNext;
  for (s = cursor->Read(first, nullptr, nullptr); s.ok();
       s = cursor->Read(next, nullptr, nullptr)) {
    s = cursor->Delete();
    if (!s.ok()) return CommandOutcome::Failed(s);
  }
  if (s.code() != StatusCode::kEndOfFile) return CommandOutcome::Failed(s);
  return CommandOutcome::Ok();
}

CommandOutcome CreateDataQueueCommand(CommandContext& c, const cl::BoundCommand& cmd) {
  ObjectName name;
  Status s = NewObjectName(c, cmd.Text("DTAQ"), &name);
  if (!s.ok()) return CommandOutcome::Failed(s);
  DataQueueDefinition def;
  def.maxLength = IntegerValue(cmd, "MAXLEN");
  const std::string seq = cmd.Text("SEQ");
  def.sequence = seq == "*LIFO"    ? QueueSequence::kLifo
                 : seq == "*KEYED" ? QueueSequence::kKeyed
                                   : QueueSequence::kFifo;
  const bool hasKey = cmd.Text("KEYLEN") != "*NONE";
  if (def.sequence == QueueSequence::kKeyed && !hasKey) {
    return CommandOutcome::Failed(wire::kMsgParameterRequired, "KEYLEN required with SEQ(*KEYED)");
  }
  if (def.sequence != QueueSequence::kKeyed && hasKey) {
    return CommandOutcome::Failed(wire::kMsgSpecialValueNotValid, "KEYLEN only with SEQ(*KEYED)");
  }
  def.keyLength = hasKey ? IntegerValue(cmd, "KEYLEN") : 0;
  s = CreateDataQueue(c.storage.catalogue(), name, def, TextValue(cmd, "TEXT"));
  return s.ok() ? CommandOutcome::Ok() : CommandOutcome::Failed(s);
}

CommandOutcome DeleteDataQueueCommand(CommandContext& c, const cl::BoundCommand& cmd) {
  ObjectName name;
  Status s = ResolveExistingObject(c, cmd.Text("DTAQ"), "*DTAQ", &name);
  if (s.ok()) s = c.storage.catalogue().DeleteObject(name, "*DTAQ");
  return s.ok() ? CommandOutcome::Ok() : CommandOutcome::Failed(s);
}

}  // namespace

void AddObjectCommands(CommandTable& table) {
  table["CRTLIB"] = CreateLibrary;
  table["CRTSRCPF"] = CreateSourceFile;
  table["DLTF"] = DeleteFile;
  table["CLRPFM"] = ClearMember;
  table["CRTDTAQ"] = CreateDataQueueCommand;
  table["DLTDTAQ"] = DeleteDataQueueCommand;
}

}  // namespace vantora::host
