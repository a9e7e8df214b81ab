// Lookups on record formats and file descriptions.
#include "host/storage/file_definition.h"

namespace vantora::host {

int RecordFormat::FieldIndex(std::string_view fieldName) const {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].name == fieldName) return static_cast<int>(i);
  }
  return -1;
}

int RecordFormat::HostRecordLength() const {
  int length = 0;
  for (const FieldDef& f : fields) length += HostByteLength(f);
  return length;
}

bool FileDescription::IsAccessPath() const {
  if (kind == FileKind::kPhysical) return true;
  return kind == FileKind::kLogical && !join && formats.size() == 1 && basedOnIds.size() == 1;
}

}  // namespace vantora::host
