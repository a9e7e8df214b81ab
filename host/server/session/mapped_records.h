// The seam between the service requests and the record-level file
// handlers: records that do not live in a database file but are read
// through an open one.
//
// VNXMapFile(handle, name, option) attaches a list (a user space's entries,
// or the job's last QMHRTVM answer) to the open format file `handle`; from
// then on the file handlers read that handle's records from the
// MappedRecords (MappedRecordsOf) instead of the database file, converting
// each Record with the format file's record format as they convert any
// record. Closing the handle drops the mapping (Job::CloseFile).
//
// Thread safety: owned by one job; used by that job's thread.
#ifndef VANTORA_HOST_SERVER_SESSION_MAPPED_RECORDS_H_
#define VANTORA_HOST_SERVER_SESSION_MAPPED_RECORDS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "host/storage/file_cursor.h"
#include "host/storage/status.h"
#include "host/storage/value.h"

namespace vantora::host {

class Job;

class MappedRecords {
 public:
  // `format` names the list's format: its records are those of the format
  // file "Y" + format (YOBJL0200, YDBRL0100, YRTVM0100, YLJBL0100).
  MappedRecords(std::string format, std::vector<Record> records);

  const std::string& format() const { return format_; }
  // The format file the records belong to ("Y" + format).
  std::string FormatFile() const { return "Y" + format_; }
  size_t size() const { return records_.size(); }

  // Reads as FileCursor::ReadBlock does, over the records in list order;
  // the relative record number of an entry is its place in the list from 1.
  // Operations: kCurrent, kNext, kPrior, kFirst, kLast, kRelativeRecord;
  // others answer kInvalidArgument (a list has no key). Running off either
  // end answers kEndOfFile or kBeginningOfFile as a file does.
  Status ReadBlock(const ReadRequest& request, size_t count, RecordBatch* out);

 private:
  std::string format_;
  std::vector<Record> records_;
  int64_t position_ = 0;  // 0 before the first, size + 1 after the last
};

// The mapping of `handle` in `job`, or null when the handle has none.
MappedRecords* MappedRecordsOf(Job& job, int32_t handle);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SESSION_MAPPED_RECORDS_H_
