// The trace of a job's requests into a host database file (StartFile_Test,
// StartFile_Err, VNXStopFile_Test): one record per request, readable with
// record-level access like any file.
//
// The file is named "LIB/FILE" or "LIB/FILE(MEMBER)" (FILE alone: the
// current library); the library and the file are created when missing.
// The member names the trace in TRMBR, since several jobs may trace into one
// file. Record format TRACEREC:
//   TRSEQ   PACKED(9,0)   number of the record in this trace, from 1
//   TRTIME  TIMESTAMP     when the request was answered
//   TRJOB   PACKED(9,0)   job number
//   TRMBR   CHAR(10)      the member given, or blank
//   TROP    CHAR(24)      the request (export name, e.g. "Rsystem")
//   TRCODE  CHAR(4)       request code in hexadecimal
//   TRRES   BIN4          result answered
//   TRSTAT  BIN4          status word answered (0 on success)
//   TRMSG   CHAR(7)       message identifier answered, or blank
//   TRDATA  VARCHAR(256)  level 2: the texts of the input parameters
//                         ("p0=CHGJOB ..."); level 3 adds the first 32 bytes
//                         of other input buffers in hexadecimal
// Levels: 1 failing requests only (StartFile_Err), 2 every request, 3 every
// request with its input bytes. Levels above 3 are 3; 0 or below are 2.
//
// Thread safety: one thread at a time, the job's.
#ifndef VANTORA_HOST_SERVER_COMMANDS_REQUEST_TRACE_H_
#define VANTORA_HOST_SERVER_COMMANDS_REQUEST_TRACE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/storage/storage.h"
#include "protocol/request_decoder.h"

namespace vantora::host {

class Job;

class RequestTrace {
 public:
  // Opens (creating as needed) the trace file `fileName` for `job`. Errors:
  // kInvalidArgument for a name that is not valid or a file of another
  // record format; those of creating the library or file.
  static Status Start(Storage& storage, Job& job, std::string_view fileName, int level,
                      std::unique_ptr<RequestTrace>* out);
  ~RequestTrace();

  int level() const { return level_; }
  // Writes the record of one answered request (failures of the write itself
  // are dropped: tracing never fails a request).
  void Write(const wire::RequestDecoder& request, int32_t result, int32_t status,
             std::string_view messageId);

 private:
  RequestTrace() = default;

  std::unique_ptr<FileCursor> cursor_;
  int level_ = 2;
  int64_t job_ = 0;
  std::string member_;
  int64_t sequence_ = 0;
};

// Called by the server session after each request of a job: writes the
// request to the job's trace when one runs.
void TraceRequest(Job& job, const wire::RequestDecoder& request, int32_t result, int32_t status,
                  std::string_view messageId);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_COMMANDS_REQUEST_TRACE_H_
