// An open file that has a record form to describe but is not a database
// file: the result of an open SQL cursor. VNXGetDesc, GetNbrFmt and
// GetTypeFld describe it as a file of one format without key fields.
#ifndef VANTORA_HOST_SERVER_FILES_DESCRIBED_FILE_H_
#define VANTORA_HOST_SERVER_FILES_DESCRIBED_FILE_H_

#include <cstdint>
#include <string_view>

#include "host/server/files/record_codec.h"
#include "host/server/session/job.h"

namespace vantora::host {

class DescribedFile : public OpenFile {
 public:
  virtual std::string_view formatName() const = 0;
  // The form of a record: its fields, PC and AS/400 sides.
  virtual const RecordCodec& codec() const = 0;
  virtual int64_t recordCount() const = 0;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_FILES_DESCRIBED_FILE_H_
