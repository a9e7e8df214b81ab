// Host object names and the SQLite names they map to.
//
// Host names (libraries, files, formats, fields, members, user profiles)
// are 1-10 characters: the first A-Z, $, # or @, the others also 0-9 and _.
// Callers may pass them in any case and blank-padded; the storage keeps them
// upper case without padding.
//
// SQL reaches the host's files under these SQLite names (quoted identifiers):
//   table of file LIB/FILE            "LIB/FILE"
//   view of logical file LIB/LF       "LIB/LF"
//   index of the keyed access path    "LIB/FILE:KEY"
//   column of field F                 "F"
// The slash and the colon cannot occur in host names, so these never clash
// with each other or with the host's own tables (lower-case "vt_...").
#ifndef VANTORA_HOST_STORAGE_NAMES_H_
#define VANTORA_HOST_STORAGE_NAMES_H_

#include <compare>
#include <string>
#include <string_view>

#include "host/storage/status.h"

namespace vantora::host {

inline constexpr size_t kMaxNameLength = 10;

// A name qualified by its library, both normalised.
struct ObjectName {
  std::string library;
  std::string name;

  auto operator<=>(const ObjectName&) const = default;
  std::string ToString() const { return library + "/" + name; }  // "LIB/FILE"
};

// Drops trailing blanks, upper-cases and checks `in`; kInvalidArgument
// when it is empty, too long or holds a character a host name cannot hold.
Status NormaliseName(std::string_view in, std::string* out);
// Both parts of `in` normalised into `out`.
Status NormaliseObjectName(const ObjectName& in, ObjectName* out);

// SQLite names (see above), quoted and ready to paste into SQL text.
std::string QuoteIdentifier(std::string_view identifier);
std::string SqlTableName(const ObjectName& file);
std::string SqlIndexName(const ObjectName& file);

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_NAMES_H_
