// System APIs through VNXApiCall and the mapping of their lists onto open
// files (VNXMapFile).
//
// VNXApiCall's eight texts: s1 the API's name, s2-s8 its parameters in the
// order the API takes them, each as text (numbers in decimal, names
// qualified as "LIB/NAME" or in the API's 20-character form "NAME      LIB").
// Parameters an API does not take may be empty.
//
//   QUSCRTUS  s2 user space, s3 extended attribute, s4 initial size,
//             s5 initial value (one character), s6 public authority,
//             s7 text, s8 replace (*YES or *NO)
//   QUSLOBJ   s2 user space, s3 format (OBJL0200), s4 objects ("LIB/NAME",
//             "LIB/*ALL", "LIB/ABC*", "*ALL"; library *ALL, *LIBL, *CURLIB),
//             s5 object type ("*FILE", "*ALL", ...)
//   QDBLDBR   s2 user space, s3 format (DBRL0100), s4 file, s5 member
//             (*FIRST), s6 record format (ignored)
//   QMHRTVM   s2 receiver length, s3 format (RTVM0100), s4 message
//             identifier, s5 message file, s6 replacement data as
//             hexadecimal text (two digits a byte), s7 replace substitution
//             values (*YES or *NO), s8 return format control characters
//             (ignored: the host's texts have none)
//   QMHLJOBL  s2 user space, s3 format (LJBL0100), s4 job ("*" or empty:
//             the job itself), s5 messages: the newest n, or all ("*ALL"
//             or empty)
//
// A user space named without a library is looked for in the library list
// (QTEMP being the job's own) and created in QTEMP. QTEMP's spaces live
// with the job; those of other libraries, their attributes and last list,
// are kept in the host's storage (host/storage/user_spaces.h) and outlive
// the host process. The answer is 1, or -1
// with status 3101 and the message identifier of the failure.
#include <algorithm>
#include <cctype>
#include <charconv>

#include "host/server/files/open_file.h"
#include "host/server/services/object_lists.h"
#include "host/server/session/handlers.h"
#include "host/server/session/host.h"
#include "host/server/session/host_services.h"
#include "host/server/session/host_status.h"
#include "host/server/session/job.h"
#include "host/server/session/job_log.h"
#include "host/server/session/job_services.h"
#include "protocol/blank_padded.h"
#include "protocol/host_message_ids.h"
#include "protocol/host_messages.h"

namespace vantora::host {
namespace {

// The job's last QMHRTVM answer, as VNXMapFile names it.
constexpr std::string_view kRetrievedMessageSource = "*API/QMHRTVM";

using wire::Trim;
using wire::Upper;

// "LIB/NAME", "NAME", or the 20-character "NAME      LIB       ". The parts
// stay as given (upper case, no blanks); special values like *ALL pass.
void SplitName(std::string_view text, std::string* library, std::string* name) {
  std::string t = Upper(std::string(text));
  if (size_t slash = t.find('/'); slash != std::string::npos) {
    *library = Trim(t.substr(0, slash));
    *name = Trim(t.substr(slash + 1));
  } else if (t.size() > 10 && Trim(t.substr(10)).size() > 0) {
    *name = Trim(t.substr(0, 10));
    *library = Trim(t.substr(10));
  } else {
    library->clear();
    *name = Trim(t);
  }
}

void FailWith(RequestContext& c, const char* id) {
  c.Fail(kStatusOther, id);
}

bool ParseInt(std::string_view text, int* out) {
  std::string t = Trim(text);
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), *out);
  return ec == std::errc() && end == t.data() + t.size();
}

// The user space a list API or VNXMapFile names: a space of the job's
// QTEMP (`temp` set) or the name of one in the host's storage. False (and
// the answer set) when there is none.
struct FoundSpace {
  UserSpace* temp = nullptr;
  ObjectName name;
};

bool FindSpace(RequestContext& c, std::string_view text, FoundSpace* out) {
  std::string library;
  std::string name;
  SplitName(text, &library, &name);
  if (!NormaliseName(name, &name).ok()) {
    FailWith(c, wire::kMsgObjectNotFound);
    return false;
  }
  std::vector<std::string> search;
  if (library.empty() || library == "*LIBL") {
    search = c.job.SearchList();
  } else if (library == "*CURLIB") {
    search = {c.job.currentLibrary()};
  } else {
    search = {library};
  }
  JobServices& job = ServicesOf(c.job);
  Catalogue& catalogue = c.host.storage().catalogue();
  for (const std::string& lib : search) {
    if (lib == kJobLibrary) {
      if (auto it = job.tempSpaces.find(name); it != job.tempSpaces.end()) {
        *out = {&it->second, {lib, name}};
        return true;
      }
      continue;
    }
    ObjectEntry entry;
    Status s = catalogue.FindObject({lib, name}, "*USRSPC", &entry);
    if (s.ok()) {
      *out = {nullptr, entry.name};
      return true;
    }
    if (s.code() != StatusCode::kObjectNotFound) {
      c.Fail(s);
      return false;
    }
  }
  FailWith(c, wire::kMsgObjectNotFound);
  return false;
}

// Writes a list API's answer into the space `text` names.
void WriteList(RequestContext& c, std::string_view text, const char* format,
               std::vector<Record> entries) {
  FoundSpace space;
  if (!FindSpace(c, text, &space)) return;
  if (space.temp != nullptr) {
    space.temp->listFormat = format;
    space.temp->entries = std::move(entries);
    return;
  }
  Status s = c.host.storage().userSpaces().WriteList(space.name, format, entries);
  if (s.code() == StatusCode::kObjectNotFound)
    return FailWith(c, wire::kMsgObjectNotFound);  // deleted meanwhile
  if (!s.ok()) c.Fail(s);
}

void CreateUserSpace(RequestContext& c) {
  std::string library;
  std::string name;
  SplitName(c.request.Text(1), &library, &name);
  if (library.empty()) {
    library = kJobLibrary;
  } else if (library == "*CURLIB") {
    library = c.job.currentLibrary();
  }
  if (!NormaliseName(name, &name).ok() || !NormaliseName(library, &library).ok()) {
    return FailWith(c, wire::kMsgValueNotAccepted);
  }
  UserSpace space;
  space.attribute = Upper(Trim(c.request.Text(2)));
  if (!ParseInt(c.request.Text(3), &space.initialSize) || space.initialSize < 1 ||
      space.initialSize > 16776704) {
    return FailWith(c, wire::kMsgValueNotAccepted);
  }
  std::string_view fill = c.request.Text(4);
  space.initialValue = fill.empty() ? 0 : static_cast<uint8_t>(fill[0]);
  space.authority = Upper(Trim(c.request.Text(5)));
  space.text = Trim(c.request.Text(6));
  const std::string replace = Upper(Trim(c.request.Text(7)));
  if (replace != "*YES" && replace != "*NO" && !replace.empty())
    return FailWith(c, wire::kMsgValueNotAccepted);
  const bool mayReplace = replace == "*YES";

  if (library == kJobLibrary) {
    auto& spaces = ServicesOf(c.job).tempSpaces;
    if (spaces.count(name) != 0 && !mayReplace) return FailWith(c, wire::kMsgObjectExists);
    spaces[name] = std::move(space);
    return;
  }
  Status s = c.host.storage().userSpaces().Create({library, name}, space, mayReplace);
  if (s.code() == StatusCode::kObjectExists) return FailWith(c, wire::kMsgObjectExists);
  if (s.code() == StatusCode::kLibraryNotFound) return FailWith(c, wire::kMsgObjectLibraryNotFound);
  if (!s.ok()) c.Fail(s);
}

void ListObjects(RequestContext& c) {
  if (Upper(Trim(c.request.Text(2))) != "OBJL0200")
    return FailWith(c, wire::kMsgFormatNameNotValid);
  std::string library;
  std::string generic;
  SplitName(c.request.Text(3), &library, &generic);
  std::string type = Upper(Trim(c.request.Text(4)));
  if (type.empty()) type = "*ALL";
  if (generic.empty()) generic = "*ALL";
  std::vector<std::string> libraries;
  if (library.empty()) {
    // Libraries themselves are objects of QSYS.
    libraries =
        type == "*LIB" ? std::vector<std::string>{std::string(kSystemLibrary)} : c.job.SearchList();
  } else if (library == "*LIBL") {
    libraries = c.job.SearchList();
  } else if (library == "*CURLIB") {
    libraries = {c.job.currentLibrary()};
  } else {
    libraries = {library};
  }
  Catalogue& catalogue = c.host.storage().catalogue();
  std::vector<Record> entries;
  for (const std::string& lib : libraries) {
    std::vector<ObjectEntry> objects;
    if (lib == kJobLibrary) {
      for (const auto& [name, space] : ServicesOf(c.job).tempSpaces) {
        if (type == "*ALL" || type == "*USRSPC") {
          objects.push_back({{kJobLibrary, name}, "*USRSPC", space.attribute, space.text});
        }
      }
    } else if (Status s = catalogue.ListObjects(lib, type, generic, &objects); !s.ok()) {
      if (s.code() == StatusCode::kLibraryNotFound && libraries.size() > 1) continue;
      return FailWith(c, s.code() == StatusCode::kLibraryNotFound ? wire::kMsgObjectLibraryNotFound
                                                                  : s.messageId());
    }
    for (const ObjectEntry& o : objects) entries.push_back(ObjectListEntry(o));
  }
  WriteList(c, c.request.Text(1), "OBJL0200", std::move(entries));
}

void ListRelations(RequestContext& c) {
  if (Upper(Trim(c.request.Text(2))) != "DBRL0100")
    return FailWith(c, wire::kMsgFormatNameNotValid);
  std::string library;
  std::string name;
  SplitName(c.request.Text(3), &library, &name);
  Catalogue& catalogue = c.host.storage().catalogue();
  ObjectName file;
  if (library.empty() || library == "*LIBL") {
    if (Status s = catalogue.ResolveFile(c.job.SearchList(), name, &file); !s.ok()) {
      return FailWith(c, wire::kMsgObjectNotFound);
    }
  } else if (!NormaliseObjectName({library == "*CURLIB" ? c.job.currentLibrary() : library, name},
                                  &file)
                  .ok()) {
    return FailWith(c, wire::kMsgObjectNotFound);
  }
  std::vector<Record> entries;
  if (Status s = RelationListEntries(catalogue, file, &entries); !s.ok()) {
    return FailWith(
        c, s.code() == StatusCode::kFileNotFound ? wire::kMsgObjectNotFound : s.messageId());
  }
  WriteList(c, c.request.Text(1), "DBRL0100", std::move(entries));
}

bool HexToBytes(std::string_view hex, std::vector<uint8_t>* out) {
  std::string h = Trim(hex);
  if (h.size() % 2 != 0) return false;
  out->clear();
  for (size_t i = 0; i < h.size(); i += 2) {
    uint8_t b = 0;
    auto [end, ec] = std::from_chars(h.data() + i, h.data() + i + 2, b, 16);
    if (ec != std::errc() || end != h.data() + i + 2) return false;
    out->push_back(b);
  }
  return true;
}

void RetrieveMessage(RequestContext& c) {
  int receiverLength = 0;
  if (!ParseInt(c.request.Text(1), &receiverLength) || receiverLength < 8) {
    return FailWith(c, wire::kMsgReceiverLengthNotValid);
  }
  if (Upper(Trim(c.request.Text(2))) != "RTVM0100")
    return FailWith(c, wire::kMsgFormatNameNotValid);
  const std::string id = Upper(Trim(c.request.Text(3)));
  std::string library;
  std::string file;
  SplitName(c.request.Text(4), &library, &file);
  if (!library.empty() && library != "*LIBL" && library != kSystemLibrary) {
    return FailWith(c, wire::kMsgMessageFileNotFound);
  }
  if (wire::MessagesOf(file).empty()) return FailWith(c, wire::kMsgMessageFileNotFound);
  const wire::MessageDescription* message = wire::FindMessage(file, id);
  if (message == nullptr) return FailWith(c, wire::kMsgMessageIdNotFound);
  std::vector<uint8_t> data;
  if (!HexToBytes(c.request.Text(5), &data)) return FailWith(c, wire::kMsgValueNotAccepted);
  const std::string replace = Upper(Trim(c.request.Text(6)));
  std::string text =
      replace == "*NO" ? std::string(message->text) : wire::SubstituteMessage(message->text, data);
  ServicesOf(c.job).lastRetrievedMessage = RetrievedMessage(text, receiverLength);
}

// Lists the job's log, oldest first.
void ListJobLog(RequestContext& c) {
  if (Upper(Trim(c.request.Text(2))) != "LJBL0100")
    return FailWith(c, wire::kMsgFormatNameNotValid);
  const std::string job = Trim(c.request.Text(3));
  // Only the job's own log is readable: other jobs are not found.
  if (!job.empty() && job != "*") return FailWith(c, wire::kMsgJobNotFound);
  const std::deque<JobMessage>& messages = c.job.log().messages();
  size_t count = messages.size();
  const std::string wanted = Upper(Trim(c.request.Text(4)));
  if (!wanted.empty() && wanted != "*ALL") {
    int n = 0;
    if (!ParseInt(wanted, &n) || n < 1) return FailWith(c, wire::kMsgValueNotAccepted);
    count = std::min(count, static_cast<size_t>(n));
  }
  std::vector<Record> entries;
  entries.reserve(count);
  for (auto it = messages.end() - static_cast<std::ptrdiff_t>(count); it != messages.end(); ++it) {
    entries.push_back(JobLogEntry(*it));
  }
  WriteList(c, c.request.Text(1), "LJBL0100", std::move(entries));
}

void ApiCall(RequestContext& c) {
  const std::string api = Upper(Trim(c.request.Text(0)));
  if (api == "QUSCRTUS") return CreateUserSpace(c);
  if (api == "QUSLOBJ") return ListObjects(c);
  if (api == "QDBLDBR") return ListRelations(c);
  if (api == "QMHRTVM") return RetrieveMessage(c);
  if (api == "QMHLJOBL") return ListJobLog(c);
  FailWith(c, wire::kMsgProgramNotFound);  // the API program is not on this host
}

// VNXMapFile(value = handle of an open format file, name = user space or
// "*API/QMHRTVM", option: not used, 0 or -1).
void MapFile(RequestContext& c) {
  const int32_t handle = c.request.Value(0);
  auto* file = dynamic_cast<RecordFile*>(c.job.File(handle));
  if (file == nullptr) return c.Fail(kStatusInvalidRequest, wire::kMsgFileNotFound);
  std::string name = Upper(Trim(c.request.Text(1)));
  std::unique_ptr<MappedRecords> mapped;
  if (name == kRetrievedMessageSource) {
    auto& last = ServicesOf(c.job).lastRetrievedMessage;
    std::vector<Record> records;
    if (last) records.push_back(*last);
    mapped = std::make_unique<MappedRecords>("RTVM0100", std::move(records));
  } else {
    FoundSpace found;
    if (!FindSpace(c, name, &found)) return;
    UserSpace stored;
    if (found.temp == nullptr) {
      Status s = c.host.storage().userSpaces().Find(found.name, &stored);
      if (s.code() == StatusCode::kObjectNotFound) return FailWith(c, wire::kMsgObjectNotFound);
      if (!s.ok()) return c.Fail(s);
    }
    const UserSpace& space = found.temp != nullptr ? *found.temp : stored;
    mapped = std::make_unique<MappedRecords>(space.listFormat, space.entries);
  }
  // The list must be read through its own format file (any library).
  if (mapped->size() > 0 && file->cursor->file().name.name != mapped->FormatFile()) {
    return FailWith(c, wire::kMsgFormatNameNotValid);
  }
  ServicesOf(c.job).mapped[handle] = std::move(mapped);
}

}  // namespace

void AddApiHandlers(HandlerTable& table) {
  table[wire::kOpApiCall] = ApiCall;
  table[wire::kOpMapFile] = MapFile;
}

}  // namespace vantora::host
