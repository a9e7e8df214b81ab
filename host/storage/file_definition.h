// Database files as the catalogue knows them: what a caller gives to create
// a physical or logical file, and what DescribeFile answers.
#ifndef VANTORA_HOST_STORAGE_FILE_DEFINITION_H_
#define VANTORA_HOST_STORAGE_FILE_DEFINITION_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/storage/field.h"
#include "host/storage/names.h"

namespace vantora::host {

// One field of a keyed access path. Duplicates of a non-unique key come in
// arrival order (relative record number ascending) in both directions of
// the fields.
struct KeyField {
  std::string field;  // name of a field of the record format
  bool descending = false;
};

struct PhysicalFileDef {
  ObjectName name;
  std::string formatName;        // empty: the file's name
  std::vector<FieldDef> fields;  // at least one
  std::vector<KeyField> key;     // empty: arrival sequence only
  bool unique = false;           // the key refuses duplicates (kDuplicateKey)
  std::string text;
};

// One record format of a logical file.
struct LogicalFormatDef {
  std::string name;                 // empty: the logical file's name
  std::vector<ObjectName> basedOn;  // physical files; several only for a join
  std::vector<std::string> fields;  // fields of the based-on files; empty: all
  std::vector<KeyField> key;        // fields of this format
};

// A logical file. Only the simple kind, one format over one physical file,
// is an access path that cursors open; join logical files and logical files
// of several formats are recorded in the catalogue (so that relation and
// object listings show them) and answer kNotSupported when opened.
struct LogicalFileDef {
  ObjectName name;
  bool join = false;
  std::vector<LogicalFormatDef> formats;  // at least one
  bool unique = false;
  std::string text;
};

enum class FileKind : uint8_t {
  kPhysical,
  kLogical,
  kSource,  // a source physical file: members of 80-column lines (source_members.h)
};

struct RecordFormat {
  std::string name;
  std::vector<FieldDef> fields;
  std::vector<KeyField> key;

  // Index of the field called `name` (normalised), or -1.
  int FieldIndex(std::string_view name) const;
  // Sum of the fields' HostByteLength.
  int HostRecordLength() const;
};

struct FileDescription {
  int64_t id = 0;  // the catalogue's number of the file; never reused
  ObjectName name;
  FileKind kind = FileKind::kPhysical;
  bool join = false;
  bool unique = false;
  std::string text;
  std::vector<RecordFormat> formats;  // one, except multi-format logical files
  // Logical files: the physical files under each format, in format order
  // (a join lists all its files). Empty for physical and source files.
  std::vector<ObjectName> basedOn;
  std::vector<int64_t> basedOnIds;

  // A cursor can open it: a physical file, or a single-format logical file
  // over one physical file.
  bool IsAccessPath() const;
};

// A logical file that depends on a physical file (relation listings).
struct Dependent {
  ObjectName file;
  bool join = false;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_FILE_DEFINITION_H_
