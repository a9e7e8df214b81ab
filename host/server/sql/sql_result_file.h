// The handle of an open SQL cursor's result: VNXSqlOpen answers it so that
// the result can be described with VNXGetDesc like a file (its fields and
// their PC and AS/400 sides). It shares the result with the cursor; closing
// the cursor closes the handle.
#ifndef VANTORA_HOST_SERVER_SQL_SQL_RESULT_FILE_H_
#define VANTORA_HOST_SERVER_SQL_SQL_RESULT_FILE_H_

#include <memory>
#include <string_view>

#include "host/server/files/described_file.h"
#include "host/server/sql/sql_cursor.h"

namespace vantora::host::sql {

class SqlResultFile : public DescribedFile {
 public:
  explicit SqlResultFile(std::shared_ptr<const CursorResult> result) : result_(std::move(result)) {}

  std::string_view formatName() const override { return kResultFormat; }
  const RecordCodec& codec() const override { return result_->codec; }
  int64_t recordCount() const override { return static_cast<int64_t>(result_->size()); }
  bool owns(const CursorResult& result) const { return result_.get() == &result; }

 private:
  std::shared_ptr<const CursorResult> result_;
};

}  // namespace vantora::host::sql

#endif  // VANTORA_HOST_SERVER_SQL_SQL_RESULT_FILE_H_
