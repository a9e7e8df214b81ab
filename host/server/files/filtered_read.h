// Reads through a record filter (an open query file's selection, a logical
// file's select/omit rules): a record the filter refuses is passed over as
// if the access path did not hold it, and the read goes on in its direction
// (next, prior, or the next record with the searched key). A read of the
// current record or by relative record number that lands on a refused
// record answers kRecordNotFound. Without a filter these are
// FileCursor::Read and FileCursor::ReadBlock.
//
// Position-only reads still read the values when there is a filter, since
// the filter needs them.
#ifndef VANTORA_HOST_SERVER_FILES_FILTERED_READ_H_
#define VANTORA_HOST_SERVER_FILES_FILTERED_READ_H_

#include <cstddef>

#include "host/cl/record_filter.h"
#include "host/storage/file_cursor.h"

namespace vantora::host {

Status FilteredRead(FileCursor& cursor, const RecordFilter* filter, const ReadRequest& request,
                    Record* record, int64_t* rrn);
Status FilteredReadBlock(FileCursor& cursor, const RecordFilter* filter, const ReadRequest& request,
                         size_t count, RecordBatch* out);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_FILES_FILTERED_READ_H_
