// User spaces: named objects of the host that the list APIs (QUSLOBJ,
// QDBLDBR) write their lists into and VNXMapFile reads them from.
//
// The host keeps a space's attributes and the last list written to it,
// entry by entry, as records of the list's format file ("OBJL0200" lists
// are records of YOBJL0200); it keeps no byte image of the space.
//
// UserSpaces keeps the spaces of permanent libraries in the data
// directory's database, so that they outlive the host process: the space
// is the catalogue's *USRSPC object (its extended attribute and text) with a
// row of the other attributes and its list. Deleting the object
// (Catalogue::DeleteObject) deletes them in the same statement. A *USRSPC
// object the database holds no attributes for (created by an older layout)
// reads as a space with its catalogue attribute and text, size 0 and no
// list. QTEMP's spaces are the job's and never come here.
//
// Thread safety: every method takes the storage's lock for its duration.
// Owned by Storage.
#ifndef VANTORA_HOST_STORAGE_USER_SPACES_H_
#define VANTORA_HOST_STORAGE_USER_SPACES_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/storage/names.h"
#include "host/storage/status.h"
#include "host/storage/value.h"

namespace vantora::host {

namespace detail {
struct Database;
}

struct UserSpace {
  std::string attribute;     // extended attribute, for example "PF"
  int32_t initialSize = 0;   // bytes asked for at creation
  uint8_t initialValue = 0;  // the fill byte asked for at creation
  std::string authority;     // "*ALL", "*CHANGE", ...
  std::string text;
  // The list last written: its format ("OBJL0200", "DBRL0100"; empty when
  // no list was written) and its entries in list order.
  std::string listFormat;
  std::vector<Record> entries;
};

class UserSpaces {
 public:
  explicit UserSpaces(detail::Database& db) : db_(db) {}
  UserSpaces(const UserSpaces&) = delete;
  UserSpaces& operator=(const UserSpaces&) = delete;

  // Creates the space `name` with the attributes of `space` and an empty
  // list, in one transaction with its catalogue object; with `replace` an
  // existing space of that name goes first (with its list).
  // Errors: kInvalidArgument (name), kLibraryNotFound, kObjectExists (the
  // space exists and `replace` is false).
  Status Create(const ObjectName& name, const UserSpace& space, bool replace);
  // The space's attributes and last list. Errors: kObjectNotFound.
  Status Find(const ObjectName& name, UserSpace* out);
  // Replaces the space's list with `entries` of `format`, in one
  // transaction. Errors: kObjectNotFound, kInvalidArgument (an entry of more
  // than 65535 values).
  Status WriteList(const ObjectName& name, std::string_view format,
                   const std::vector<Record>& entries);

 private:
  // `*exists` says whether the space is there, with its attribute and text
  // when wanted. Errors: those of reading the catalogue.
  Status ExistsLocked(const ObjectName& name, bool* exists, std::string* attribute,
                      std::string* text);

  detail::Database& db_;
};

// An entry of a list as the database keeps it, and back: a 2-byte
// big-endian count of values, then per value a kind byte (0 null,
// 1 integer: 8 bytes big-endian two's complement, 2 real: the 8 bytes of
// the IEEE double big-endian, 3 text: a 4-byte big-endian length and the
// bytes). Decode answers false for bytes Encode did not write.
bool EncodeUserSpaceEntry(const Record& entry, std::vector<uint8_t>* out);
bool DecodeUserSpaceEntry(const uint8_t* bytes, size_t size, Record* out);

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_USER_SPACES_H_
