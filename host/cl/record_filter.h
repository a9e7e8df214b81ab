// A test on the records of an access path: what an open query file selects
// (OPNQRYF QRYSLT) and what a logical file's select/omit rules keep. The
// record handlers apply it while reading: a record it refuses is skipped as
// if it were not in the access path.
#ifndef VANTORA_HOST_CL_RECORD_FILTER_H_
#define VANTORA_HOST_CL_RECORD_FILTER_H_

#include "host/storage/value.h"

namespace vantora::host {

class RecordFilter {
 public:
  virtual ~RecordFilter() = default;
  // True when `record` (values in the order of the record format the filter
  // was built for) is selected. Thread safety: const, callable from any
  // thread.
  virtual bool Accept(const Record& record) const = 0;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_CL_RECORD_FILTER_H_
