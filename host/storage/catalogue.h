// The host's catalogue: libraries, database files and their record formats
// and access paths, logical-file relations, and entries for the other object
// types (data queues, user spaces, programs, message files, ...) so that
// object listings show them.
//
// Creating a physical file creates its SQLite table (and index when keyed),
// a logical file its view and index; see names.h for the SQLite names and
// docs/host-storage.md for the catalogue tables.
//
// Thread safety: every method may be called from any thread; each takes the
// storage's lock for its duration. Owned by Storage.
#ifndef VANTORA_HOST_STORAGE_CATALOGUE_H_
#define VANTORA_HOST_STORAGE_CATALOGUE_H_

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/storage/file_definition.h"
#include "host/storage/names.h"
#include "host/storage/status.h"

namespace vantora::host {

namespace detail {
struct Database;
}

// The library that holds libraries and user profiles.
inline constexpr std::string_view kSystemLibrary = "QSYS";

// One object of a library. Types are the host's ("*LIB", "*FILE", "*DTAQ",
// "*USRSPC", "*PGM", "*MSGF", "*USRPRF", ...); files have attribute "PF" or
// "LF" (source files "PF" too).
struct ObjectEntry {
  ObjectName name;
  std::string type;
  std::string attribute;
  std::string text;
};

class Catalogue {
 public:
  explicit Catalogue(detail::Database& db) : db_(db) {}
  Catalogue(const Catalogue&) = delete;
  Catalogue& operator=(const Catalogue&) = delete;

  // Libraries are entries QSYS/<name> of type "*LIB".
  // Errors: kLibraryExists, kInvalidArgument (name).
  Status CreateLibrary(std::string_view name, std::string_view text);
  // Errors: kLibraryNotFound; kObjectInUse when the library holds objects.
  Status DeleteLibrary(std::string_view name);
  // `*exists` says whether the library is there (false for a name that is
  // not valid). Errors: those of reading the catalogue (kIoError, ...).
  Status LibraryExists(std::string_view name, bool* exists);

  // Errors: kLibraryNotFound, kObjectExists, kInvalidDefinition (no fields,
  // duplicate or unknown field names, a field refused by ValidateFieldDef,
  // a field named ROWID, OID or _ROWID_, which SQLite reserves).
  Status CreatePhysicalFile(const PhysicalFileDef& def);
  // Errors as above, plus kFileNotFound for a based-on file that is not a
  // physical file. Fields are copied from the based-on files. A unique key
  // over existing duplicate records answers kDuplicateKey.
  Status CreateLogicalFile(const LogicalFileDef& def);
  // A source physical file: fields SRCSEQ ZONED(6,2), SRCDAT ZONED(6,0),
  // SRCDTA CHAR(recordLength - 12); lines live in members (source_members.h).
  Status CreateSourceFile(const ObjectName& name, int recordLength, std::string_view text);
  // Deletes a file with its data, members, indexes and views (a device file:
  // its entry). Errors: kFileNotFound; kObjectInUse while a cursor has it open or while
  // logical files depend on it.
  Status DeleteFile(const ObjectName& name);

  // Errors: kFileNotFound.
  Status DescribeFile(const ObjectName& name, FileDescription* out);
  // The first library of `libraryList` that holds a file called `file`.
  // Errors: kFileNotFound.
  Status ResolveFile(std::span<const std::string> libraryList, std::string_view file,
                     ObjectName* out);
  // Logical files over the physical file `name`, sorted by name.
  Status ListDependents(const ObjectName& name, std::vector<Dependent>* out);

  // A device file: a "*FILE" entry with the attribute "DSPF" (display),
  // "PRTF" (printer) or "ICFF" (communications), which object lists show.
  // The host keeps no records or formats for it: opening or describing it
  // answers kFileNotFound; DeleteFile removes it. Errors: kLibraryNotFound,
  // kObjectExists (a file of that name exists), kInvalidArgument (another
  // attribute, a name that is not valid).
  Status CreateDeviceFile(const ObjectName& name, std::string_view attribute,
                          std::string_view text);

  // Entries for objects other than libraries, files and user profiles, which
  // have their own calls. Errors: kLibraryNotFound, kObjectExists,
  // kInvalidArgument (a type not starting with '*', or one of those three).
  Status CreateObject(const ObjectEntry& entry);
  // Errors: kObjectNotFound.
  Status DeleteObject(const ObjectName& name, std::string_view type);
  Status FindObject(const ObjectName& name, std::string_view type, ObjectEntry* out);
  // Objects of `library` (all libraries for "*ALL"), of `type` ("*ALL" for
  // every type), whose name matches `generic` ("*ALL", an exact name, or a
  // prefix followed by '*'), sorted by library, name and type.
  // Errors: kLibraryNotFound.
  Status ListObjects(std::string_view library, std::string_view type, std::string_view generic,
                     std::vector<ObjectEntry>* out);

 private:
  friend class Storage;
  friend class SourceMembers;
  friend class Journal;

  // REQUIRES: db_.mutex held.
  Status DescribeLocked(const ObjectName& name, FileDescription* out);
  Status DescribeByIdLocked(int64_t id, FileDescription* out);
  Status FileIdLocked(const ObjectName& name, int64_t* id, std::string* kind);
  Status LibraryExistsLocked(const std::string& name, bool* exists);
  // Ok when the library is there; kLibraryNotFound, or the read's error.
  Status RequireLibraryLocked(const std::string& name);
  Status InsertObjectLocked(const ObjectEntry& entry);
  Status InsertFileLocked(const ObjectName& name, const char* kind, bool join, bool unique,
                          const std::string& text, int64_t* id);
  Status InsertFormatLocked(int64_t fileId, int seq, const std::string& formatName,
                            const std::vector<FieldDef>& fields, const std::vector<KeyField>& key);
  Status CheckNewFileLocked(const ObjectName& name);
  Status DeleteDeviceFileLocked(const ObjectName& name);

  detail::Database& db_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_CATALOGUE_H_
