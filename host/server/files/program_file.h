// A program opened as a file: VNXopen("*PGM/NAME", ...) (also
// "*PGM/LIB/NAME"). A key-equal VNXRead on it calls the program: the key is
// its input parameters one after another, the record read is the parameter
// record with the outputs filled in (programs.h). The current-record read
// (0x01) answers the last record again; other reads are refused.
//
// NAME is first looked for as a stored procedure in YPROCHDR (the first
// YPROCHDR of the library list): its target program (or data queue) is
// called with the procedure's fields from YPROCPARMS as parameters, in row
// order; a field's AS/400 type and byte length give its place in the record
// (DATE, TIME and TIMESTAMP travel as characters). A data-queue target gets
// the input parameters as one entry (a keyed queue's key being the entry's
// first bytes) and answers the parameter record as sent. Otherwise NAME is a program
// (ProgramRegistry) with its own parameters.
//
// Thread safety: owned by one job; used by that job's thread.
#ifndef VANTORA_HOST_SERVER_FILES_PROGRAM_FILE_H_
#define VANTORA_HOST_SERVER_FILES_PROGRAM_FILE_H_

#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "host/server/objects/data_queues.h"
#include "host/server/objects/programs.h"
#include "host/server/session/job.h"

namespace vantora::host {

class Host;

// The file-name prefix of program files.
inline constexpr std::string_view kProgramFilePrefix = "*PGM/";

class ProgramFile : public OpenFile {
 public:
  ProgramFile(ProgramDefinition program, std::shared_ptr<DataQueue> queue)
      : program_(std::move(program)), queue_(std::move(queue)) {}

  const ProgramDefinition& program() const { return program_; }
  int RecordLength() const { return ParameterRecordLength(program_.parameters); }

  // Calls the program with `input`; `record` receives the parameter record.
  // Errors: those of ExpandInput and RunProgram, and of a data queue send.
  Status Call(std::span<const uint8_t> input, std::vector<uint8_t>* record);
  const std::vector<uint8_t>& lastRecord() const { return last_; }

 private:
  ProgramDefinition program_;
  std::shared_ptr<DataQueue> queue_;  // set for a data-queue procedure
  std::vector<uint8_t> last_;
};

// Opens `target` (the name after "*PGM/"). Errors: kObjectNotFound when
// neither a procedure nor a program has that name; kInvalidArgument when a
// procedure's fields do not fit its program's parameters.
Status OpenProgramFile(Host& host, Job& job, std::string_view target,
                       std::unique_ptr<ProgramFile>* out);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_FILES_PROGRAM_FILE_H_
