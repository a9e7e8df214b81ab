// Internal: the host's own tables in the data directory's database.
#ifndef VANTORA_HOST_STORAGE_SCHEMA_H_
#define VANTORA_HOST_STORAGE_SCHEMA_H_

#include "host/storage/sqlite_db.h"

namespace vantora::host::detail {

// The layout version this code writes (PRAGMA user_version).
// 1: catalogue, files, sources, profiles, journal; 2: data-queue entries and
// user spaces.
inline constexpr int kSchemaVersion = 2;

// Creates the host's tables and the libraries QSYS and QGPL in a new
// database; brings a database of an older layout to this one (adding the
// tables it lacks, in one transaction); refuses one written by a newer
// layout (kStorageError).
Status CreateOrCheckSchema(Connection& c);

}  // namespace vantora::host::detail

#endif  // VANTORA_HOST_STORAGE_SCHEMA_H_
