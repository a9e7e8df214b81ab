// Internal: the host's own tables in the data directory's database.
#ifndef VANTORA_HOST_STORAGE_SCHEMA_H_
#define VANTORA_HOST_STORAGE_SCHEMA_H_

#include "host/storage/sqlite_db.h"

namespace vantora::host::detail {

// The layout version this code writes (PRAGMA user_version).
inline constexpr int kSchemaVersion = 1;

// Creates the host's tables and the libraries QSYS and QGPL in a new
// database; checks the version of an existing one (kStorageError when it was
// written by a newer layout).
Status CreateOrCheckSchema(Connection& c);

}  // namespace vantora::host::detail

#endif  // VANTORA_HOST_STORAGE_SCHEMA_H_
