// A file opened for record-level access by a job (Ropen, VNXopen): its
// cursor, the options it was opened with, the record codecs of its full and
// reduced formats, and what the last operation left for Rrstatus.
#ifndef VANTORA_HOST_SERVER_FILES_OPEN_FILE_H_
#define VANTORA_HOST_SERVER_FILES_OPEN_FILE_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/cl/record_filter.h"
#include "host/server/files/record_codec.h"
#include "host/server/session/file_usage.h"
#include "host/server/session/job.h"
#include "host/storage/file_cursor.h"

namespace vantora::host {

struct RequestContext;

// VNXopen mode bits (Ropen's mode texts map onto them, see open_mode.h).
inline constexpr int32_t kOpenRead = 0x01;
inline constexpr int32_t kOpenAdd = 0x02;
inline constexpr int32_t kOpenUpdate = 0x04;          // update, delete and add
inline constexpr int32_t kOpenArrival = 0x08;         // arrival sequence on a keyed file
inline constexpr int32_t kOpenBlocking = 0x10;        // blocking hint; changes no answer
inline constexpr int32_t kOpenCommit = 0x20;          // commitment control
inline constexpr int32_t kOpenClientConvert = 0x200;  // the client's own bit; ignored here
inline constexpr int32_t kOpenExclusive = 0x00040000;
inline constexpr int32_t kOpenRaw = 0x00100000;
inline constexpr int32_t kOpenNullMap = 0x00200000;

// The reduced format's name.
inline constexpr std::string_view kReducedFormat = "_R_SELECT_";

class RecordFile : public OpenFile {
 public:
  RecordFile() = default;

  std::unique_ptr<FileCursor> cursor;
  // Records an open query file or select/omit rules leave out; reads go
  // through filtered_read.h. Null: every record.
  std::shared_ptr<const RecordFilter> filter;
  FileUsage::Claim claim;  // the file's use by this job, released on close
  int32_t mode = 0;
  RecordCodec full;
  RecordCodec reduced;
  bool reducedDefined = false;
  bool reducedActive = false;

  // Left by the last operation, for Rrstatus.
  int32_t lastStatus = 0;
  int32_t lastCount = 0;

  bool CanRead() const { return (mode & (kOpenRead | kOpenUpdate)) != 0; }
  bool CanAdd() const { return (mode & (kOpenAdd | kOpenUpdate)) != 0; }
  bool CanChange() const { return (mode & kOpenUpdate) != 0; }
  bool LocksOnRead() const { return CanChange(); }

  const RecordCodec& codec() const { return reducedActive ? reduced : full; }
  // Rebuilds the codecs after a change of the text conversions.
  Status Rebuild(const TextConversions& conversions);
};

// The open file named by value parameter `param`; answers -1 with 3014
// (CPF4101 for a handle that is not open) and returns null otherwise.
RecordFile* FileParam(RequestContext& c, int param);

// The storage failure `s` as the answer of `c`, and kept on the file.
void FailOn(RequestContext& c, RecordFile* file, const Status& s);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_FILES_OPEN_FILE_H_
