// A data queue opened as a file: VNXopen("*DTAQ/NAME", ...) (also
// "*DTAQ/LIB/NAME"; without a library the library list is searched), the
// database driver's data-queue tables.
//
// Record format QUEUE: KEY CHAR(key length) for keyed queues, then DATA
// CHAR(longest entry, at most 32766). Its descriptions answer VNXGetDesc as
// a physical file's do; the key is KEY (none for other queues).
//   read key equal (0x06)   receives, without waiting, the first entry whose
//                           key equals the key given (other queues: the next
//                           entry); none: -1 with CPF5006
//   read current (0x01),    the last entry received again
//   by number (0x0F)
//   other reads             3014 with CPF9898
//   VNXWrite, Rwrite        sends the record: KEY is the entry's key, DATA
//                           (trailing blanks dropped) its data
//   record count            the entries waiting
//
// Thread safety: owned by one job; used by that job's thread (the queue
// itself is shared, see data_queues.h).
#ifndef VANTORA_HOST_SERVER_FILES_DATA_QUEUE_FILE_H_
#define VANTORA_HOST_SERVER_FILES_DATA_QUEUE_FILE_H_

#include <memory>
#include <string_view>

#include "host/server/files/record_codec.h"
#include "host/server/objects/data_queues.h"
#include "host/server/session/job.h"

namespace vantora::host {

class Host;

inline constexpr std::string_view kDataQueueFilePrefix = "*DTAQ/";

class DataQueueFile : public OpenFile {
 public:
  DataQueueFile(ObjectName name, std::shared_ptr<DataQueue> queue, RecordFormat format,
                RecordCodec codec)
      : name_(std::move(name)),
        queue_(std::move(queue)),
        format_(std::move(format)),
        codec_(std::move(codec)) {}

  const ObjectName& name() const { return name_; }
  DataQueue& queue() { return *queue_; }
  const RecordFormat& format() const { return format_; }
  const RecordCodec& codec() const { return codec_; }
  bool keyed() const { return !format_.key.empty(); }

  // The last entry received, as a record of the format; empty before the first.
  Record& last() { return last_; }

 private:
  ObjectName name_;
  std::shared_ptr<DataQueue> queue_;
  RecordFormat format_;
  RecordCodec codec_;
  Record last_;
};

struct RequestContext;

// The requests on a data-queue file (data_queue_file_handlers.cpp), with
// the wire parameters of VNXRead, VNXWrite/Rwrite and VNXGetDesc.
void ReadDataQueueFile(RequestContext& c, DataQueueFile& file);
void WriteDataQueueFile(RequestContext& c, DataQueueFile& file, bool vnxWrite);
void DescribeDataQueueFile(RequestContext& c, DataQueueFile& file);

// Opens the queue named by `target` (the text after "*DTAQ/").
// Errors: kObjectNotFound; those of RecordCodec::Build.
Status OpenDataQueueFile(Host& host, Job& job, std::string_view target,
                         std::unique_ptr<DataQueueFile>* out);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_FILES_DATA_QUEUE_FILE_H_
