// Commands that change the job: CHGJOB (date and time formats, the record
// wait), STRCMTCTL
// and ENDCMTCTL, and the library list (ADDLIBLE, RMVLIBLE, CHGCURLIB).
#include <algorithm>

#include "host/server/commands/command_table.h"
#include "host/server/commands/job_command_state.h"
#include "host/server/session/job.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

// A separator value: *SAME keeps `current`, *SYSVAL gives `system`,
// *BLANK a blank.
char Separator(const std::string& value, char current, char system) {
  if (value == "*SAME") return current;
  if (value == "*SYSVAL") return system;
  if (value == "*BLANK") return ' ';
  return value[0];
}

CommandOutcome ChangeJob(CommandContext& c, const cl::BoundCommand& cmd) {
  if (cmd.Text("JOB") != "*") {
    return CommandOutcome::Failed(wire::kMsgJobNotFound, "only the job itself (*) can be changed");
  }
  const DateTimeFormat system;
  DateTimeFormat& d = c.job.dateTime();
  const std::string format = cmd.Text("DATFMT");
  DateTimeFormat next = d;
  if (format == "*SYSVAL") {
    next.dateFormat = system.dateFormat;
  } else if (format != "*SAME") {
    next.dateFormat = format;
  }
  next.dateSeparator = Separator(cmd.Text("DATSEP"), d.dateSeparator, system.dateSeparator);
  next.timeSeparator = Separator(cmd.Text("TIMSEP"), d.timeSeparator, system.timeSeparator);
  d = next;
  // DFTWAIT: how long the job waits for a record another job holds.
  if (const std::string wait = cmd.Text("DFTWAIT"); wait == "*SYSVAL") {
    c.job.recordWait() = Job::kDefaultRecordWait;
  } else if (wait == "*NOMAX") {
    c.job.recordWait() = Job::kNoMaxRecordWait;
  } else if (wait != "*SAME") {
    c.job.recordWait() = std::chrono::seconds(std::stoll(wait));
  }
  return CommandOutcome::Ok();
}

CommandOutcome StartCommitmentControl(CommandContext& c, const cl::BoundCommand& cmd) {
  JobCommandState& state = CommandStateOf(c.job);
  if (state.commitmentControl) {
    return CommandOutcome::Failed(wire::kMsgCommitmentAlreadyActive,
                                  "commitment control already active");
  }
  state.commitmentControl = true;
  state.lockLevel = cmd.Text("LCKLVL");
  return CommandOutcome::Ok();
}

CommandOutcome EndCommitmentControl(CommandContext& c, const cl::BoundCommand&) {
  JobCommandState& state = CommandStateOf(c.job);
  if (!state.commitmentControl) {
    return CommandOutcome::Failed(wire::kMsgCommitmentNotActive, "commitment control not active");
  }
  // Work still pending is rolled back, as when the job ends.
  Status s = c.storage.Rollback(c.job.id());
  if (!s.ok()) return CommandOutcome::Failed(s);
  state.commitmentControl = false;
  state.lockLevel.clear();
  return CommandOutcome::Ok();
}

CommandOutcome AddLibraryListEntry(CommandContext& c, const cl::BoundCommand& cmd) {
  const std::string lib = cmd.Text("LIB");
  if (Status s = RequireLibrary(c, lib); !s.ok()) return CommandOutcome::Failed(s);
  auto& list = c.job.libraryList();
  if (std::find(list.begin(), list.end(), lib) != list.end()) {
    return CommandOutcome::Failed(wire::kMsgLibraryAlreadyInList,
                                  "library " + lib + " already in the library list");
  }
  const auto& position = cmd.Values("POSITION");
  const std::string where = position[0].text;
  if (where == "*FIRST" || where == "*LAST") {
    if (position.size() != 1)
      return CommandOutcome::Failed(wire::kMsgValueNotAllowed, "POSITION " + where);
    list.insert(where == "*FIRST" ? list.begin() : list.end(), lib);
    return CommandOutcome::Ok();
  }
  if ((where != "*AFTER" && where != "*BEFORE" && where != "*REPLACE") || position.size() != 2) {
    return CommandOutcome::Failed(wire::kMsgSpecialValueNotValid, "POSITION value not valid");
  }
  auto ref = std::find(list.begin(), list.end(), position[1].text);
  if (ref == list.end()) {
    return CommandOutcome::Failed(wire::kMsgLibraryNotInList,
                                  "library " + position[1].text + " not in the list");
  }
  if (where == "*REPLACE") {
    *ref = lib;
  } else {
    list.insert(where == "*AFTER" ? ref + 1 : ref, lib);
  }
  return CommandOutcome::Ok();
}

CommandOutcome RemoveLibraryListEntry(CommandContext& c, const cl::BoundCommand& cmd) {
  const std::string lib = cmd.Text("LIB");
  auto& list = c.job.libraryList();
  auto it = std::find(list.begin(), list.end(), lib);
  if (it == list.end()) {
    return CommandOutcome::Failed(wire::kMsgLibraryNotInList,
                                  "library " + lib + " not in the library list");
  }
  list.erase(it);
  return CommandOutcome::Ok();
}

CommandOutcome ChangeCurrentLibrary(CommandContext& c, const cl::BoundCommand& cmd) {
  std::string lib = cmd.Text("CURLIB");
  if (lib == "*CRTDFT") lib = "QGPL";  // objects then go to QGPL, as on the host
  if (Status s = RequireLibrary(c, lib); !s.ok()) return CommandOutcome::Failed(s);
  c.job.currentLibrary() = lib;
  return CommandOutcome::Ok();
}

}  // namespace

void AddJobCommands(CommandTable& table) {
  table["CHGJOB"] = ChangeJob;
  table["STRCMTCTL"] = StartCommitmentControl;
  table["ENDCMTCTL"] = EndCommitmentControl;
  table["ADDLIBLE"] = AddLibraryListEntry;
  table["RMVLIBLE"] = RemoveLibraryListEntry;
  table["CHGCURLIB"] = ChangeCurrentLibrary;
}

}  // namespace vantora::host
