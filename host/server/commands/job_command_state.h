// What CL commands leave in a job: commitment control (STRCMTCTL), open
// query files (OPNQRYF ... CLOF), database file overrides (OVRDBF ...
// DLTOVR), and the request trace (StartFile_Test). Reached through
// Job::commandState(); null until a command first needs it.
//
// How the record-level open handler consults it: see open_plan.h.
#ifndef VANTORA_HOST_SERVER_COMMANDS_JOB_COMMAND_STATE_H_
#define VANTORA_HOST_SERVER_COMMANDS_JOB_COMMAND_STATE_H_

#include <memory>
#include <string>
#include <vector>

#include "host/cl/record_filter.h"
#include "host/storage/names.h"

namespace vantora::host {

class RequestTrace;
class Job;

// An open data path created by OPNQRYF: the access path it reads and the
// records it selects, in the access path's key order.
struct QueryFile {
  std::string openId;         // OPNID; CLOF names it
  ObjectName file;            // the physical or logical file read
  bool readOnly = true;       // OPTION(*INP); *ALL, *UPD, *DLT, *OUT allow changes
  bool arrivalOrder = false;  // KEYFLD(*NONE): arrival order; KEYFLD(*FILE): the file's key
  std::string selection;      // QRYSLT as given; "" for *ALL
  std::shared_ptr<const RecordFilter> filter;  // null: every record
};

// OVRDBF FILE(file) TOFILE(toFile) SHARE(...): opens of `file` (by its
// unqualified name) in the job go to `toFile`, sharing an open data path
// when `share`.
struct FileOverride {
  std::string file;
  ObjectName toFile;  // name empty: the file itself
  bool share = false;
};

struct JobCommandState {
  JobCommandState();
  ~JobCommandState();

  bool commitmentControl = false;  // STRCMTCTL ran; ENDCMTCTL ends it
  std::string lockLevel;           // "*CHG", "*CS" or "*ALL"
  std::vector<QueryFile> queryFiles;
  std::vector<FileOverride> overrides;
  std::unique_ptr<RequestTrace> trace;  // StartFile_Test until VNXStopFile_Test

  const QueryFile* FindQuery(const std::string& openId) const;
  const FileOverride* FindOverride(const std::string& file) const;
};

// The state of `job`, created when absent.
JobCommandState& CommandStateOf(Job& job);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_COMMANDS_JOB_COMMAND_STATE_H_
