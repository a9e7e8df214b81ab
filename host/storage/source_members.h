// Members of source physical files: named lists of source lines (DDS, CL,
// ...), each with a sequence number, a change date and its text.
//
// Thread safety: every method takes the storage's lock. Owned by Storage.
#ifndef VANTORA_HOST_STORAGE_SOURCE_MEMBERS_H_
#define VANTORA_HOST_STORAGE_SOURCE_MEMBERS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/storage/names.h"
#include "host/storage/status.h"

namespace vantora::host {

namespace detail {
struct Database;
}
class Catalogue;

struct SourceLine {
  int64_t sequence = 0;  // SRCSEQ scaled by 100: line 1.00 is 100
  int64_t date = 0;      // SRCDAT, YYMMDD (0 when unknown)
  std::string text;      // SRCDTA without trailing blanks
};

struct MemberEntry {
  std::string name;
  std::string type;  // source type: "PF", "LF", "CLP", ...
  std::string text;
};

class SourceMembers {
 public:
  SourceMembers(detail::Database& db, Catalogue& catalogue) : db_(db), catalogue_(catalogue) {}
  SourceMembers(const SourceMembers&) = delete;
  SourceMembers& operator=(const SourceMembers&) = delete;

  // Errors: kFileNotFound (no such source file), kObjectExists.
  Status AddMember(const ObjectName& file, std::string_view member, std::string_view type,
                   std::string_view text);
  // Errors: kFileNotFound (file or member).
  Status RemoveMember(const ObjectName& file, std::string_view member);
  Status ListMembers(const ObjectName& file, std::vector<MemberEntry>* out);
  // Replaces the member's lines. Errors: kFileNotFound; kDataMapping when a
  // line is longer than the file's SRCDTA field.
  Status WriteLines(const ObjectName& file, std::string_view member,
                    const std::vector<SourceLine>& lines);
  Status ReadLines(const ObjectName& file, std::string_view member, std::vector<SourceLine>* out);

 private:
  // Finds the source file and checks the member name; `width` gets the
  // SRCDTA length. REQUIRES: the storage's lock is held.
  Status FindLocked(const ObjectName& file, std::string_view member, int64_t* id,
                    std::string* memberName, int* width);
  // FindLocked for a member that must exist (kFileNotFound otherwise).
  Status FindExistingLocked(const ObjectName& file, std::string_view member, int64_t* id,
                            std::string* memberName, int* width);

  detail::Database& db_;
  Catalogue& catalogue_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_SOURCE_MEMBERS_H_
