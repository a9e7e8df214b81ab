// What a record-level open of a file must read, after the job's commands:
// the seam between the CL commands and the open handler.
//
// The open handler resolves the name it was given to a file, then calls
// PlanOpen and opens `plan.file` instead, in arrival order when
// `plan.arrivalOrder`, with commitment control when
// `plan.commitmentControl` (and the open asked for it); while reading it
// skips every record `plan.filter` refuses, as if the access path did not
// hold it (positioning by key or relative record number included), and it
// refuses changes when `plan.readOnly`.
//
//   OVRDBF FILE(F) TOFILE(L/T)   opens of F go to L/T
//   OPNQRYF ... + OVRDBF SHARE   opens of the query's file read through its
//                                selection, in its order (Job::SharedOpenFor)
//   CLOF                         the plain file is seen again
//   logical file with S/O rules  its select/omit filter
#ifndef VANTORA_HOST_SERVER_COMMANDS_OPEN_PLAN_H_
#define VANTORA_HOST_SERVER_COMMANDS_OPEN_PLAN_H_

#include <memory>

#include "host/cl/record_filter.h"
#include "host/storage/storage.h"

namespace vantora::host {

class Job;
struct QueryFile;

struct OpenPlan {
  ObjectName file;                             // the access path to open
  std::shared_ptr<const RecordFilter> filter;  // null: every record
  bool arrivalOrder = false;
  bool readOnly = false;
  bool commitmentControl = false;    // STRCMTCTL is active in the job
  const QueryFile* query = nullptr;  // the shared open query file, if any
};

// Plans the open of `file` (resolved, library given). Errors: those of
// resolving an override's TOFILE (kFileNotFound), of reading the select/omit
// rules, and CPD3105-style binding failures reported as kInvalidDefinition.
Status PlanOpen(Storage& storage, Job& job, const ObjectName& file, OpenPlan* plan);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_COMMANDS_OPEN_PLAN_H_
