#include "client/failure_sentence.h"

#include <cstdio>
#include <span>
#include <string_view>
#include <vector>

#include "mv432ida.h"
#include "protocol/blank_padded.h"
#include "protocol/host_message_ids.h"
#include "protocol/host_messages.h"
#include "protocol/operations.h"
#include "protocol/session_open.h"

namespace vantora::client {
namespace {

// The client's own words for the host's common answers. {s}: the object the
// call named ("the file" when it named none), {name}: the same after a noun
// (*N when it named none), {lib}: its library, {user}:
// the session's user, {cmd}: a command's name, {op}: the request.
struct Phrase {
  const char* id;
  const char* text;
};

constexpr Phrase kPhrases[] = {
    {wire::kMsgLibraryNotFound, "library {lib} not found"},
    {wire::kMsgLibraryExists, "library {name} already exists"},
    {wire::kMsgObjectOfTypeExists, "object {name} already exists"},
    {wire::kMsgPasswordNotCorrect, "password not correct for user {user}"},
    {wire::kMsgInUse, "{s} is in use"},
    {wire::kMsgProgramTimedOut, "program {name} did not answer in time and was ended"},
    {wire::kMsgProgramFailed, "program {name} ended in error"},
    {wire::kMsgFileNotFound, "file {name} not found"},
    {wire::kMsgAccessPathNotValid, "{s} is in use by another job"},
    {wire::kMsgWrongKindOfOpen, "{s} was not opened for this kind of request"},
    {wire::kMsgEndOfFile, "end of {s}: no further record"},
    {wire::kMsgRecordNotFound, "record not found in {s}"},
    {wire::kMsgNoCurrentRecord,
     "no current record in {s}: read the record before changing or deleting it"},
    {wire::kMsgBeginningOfFile, "beginning of {s}: no record before this one"},
    {wire::kMsgDuplicateKey, "duplicate key: {s} already holds a record with that key"},
    {wire::kMsgRecordInUse,
     "a record of {s} is locked by another job; try again once it is released"},
    {wire::kMsgDataMapping, "a value does not fit its field of {s} (data mapping error)"},
    {wire::kMsgIoError,
     "the host could not read or write its data of {s}; the change was not made"},
    {wire::kMsgDuplicateKeyOtherPath, "duplicate key: {s} already holds a record with that key"},
    {wire::kMsgStorageFull, "the host's storage is full; the change of {s} was not made"},
    {wire::kMsgFileNotCreated, "file {name} was not created"},
    {wire::kMsgCommitmentNotActive,
     "commitment control is not active (open the file with commitment control first)"},
    {wire::kMsgCommitmentAlreadyActive, "commitment control is already active"},
    {wire::kMsgObjectNotFound, "object {name} not found"},
    {wire::kMsgObjectLibraryNotFound, "library {lib} not found"},
    {wire::kMsgProgramNotFound, "program {name} not found"},
    {wire::kMsgObjectExists, "object {name} already exists"},
    {wire::kMsgRequestRefused, "the host refused {op} as not valid"},
    {wire::kMsgCommandNotFound, "command {cmd} not found"},
};

struct Internal {
  int32_t code;
  const char* text;
};

constexpr Internal kInternal[] = {
    {VNX_IERR_NO_COMPLETE_REPLY, "the asynchronous reply is not complete yet (ask VNXStatus)"},
    {VNX_IERR_NO_MEMORY, "memory for the session table was lacking"},
    {VNX_IERR_REPLY_MISMATCH,
     "the host answered another request than the one sent; end the session and start again"},
    {VNX_IERR_FIELD_OVERFLOW, "a value does not fit its field"},
    {VNX_IERR_FIELD_INVALID, "a field holds no valid value"},
    {VNX_IERR_FIELD_DESCRIPTION, "a field description cannot be converted"},
    {VNX_IERR_RAW_BUFFER_LIMIT, "the records or the key are longer than the 32768-byte buffer"},
    {VNX_IERR_CONVERSION_MEMORY, "memory for the record conversion was lacking"},
    {VNX_IERR_FILE_DESCRIPTION, "the file's description could not be read"},
    {VNX_IERR_CONVERSION_ASYNC, "records cannot be converted here in asynchronous mode"},
    {VNX_IERR_CONVERSION_HANDLE, "the file handle is beyond 32767: it has no conversion slot"},
};

bool IsFileOperation(int op) {
  switch (op) {
    case wire::kOpRopen:
    case wire::kOpOpen:
    case wire::kOpFreeFile:
    case wire::kOpRCreatDDS:
      return true;
    default: {
      // Requests on a handle: their subject is the name the handle was opened by.
      const wire::Operation& o = wire::OperationEntry(op);
      return o.Used() && o.count > 0 && o.Kind(0) == wire::kValue;
    }
  }
}

bool IsCommand(int op) {
  return op == wire::kOpRsystem || op == wire::kOpCmdExec;
}

}  // namespace

bool IsSqlOperation(int op) {
  switch (op) {
    case wire::kOpSqlBegin:
    case wire::kOpSqlEnd:
    case wire::kOpSqlImmediate:
    case wire::kOpSqlDeclare:
    case wire::kOpSqlOpen:
    case wire::kOpSqlCommit:
    case wire::kOpSqlFetch:
    case wire::kOpSqlClose:
    case wire::kOpSqlRow:
    case wire::kOpSqlEFetch:
      return true;
    default:
      return false;
  }
}

namespace {

using wire::Upper;

std::string FirstWord(const std::string& text) {
  const size_t start = text.find_first_not_of(' ');
  if (start == std::string::npos) return "";
  const size_t end = text.find_first_of(" (", start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string OperationName(int op) {
  const wire::Operation& o = wire::OperationEntry(op);
  return o.Used() ? o.name : "the request";
}

// A host text with &1 ... &9 filled from `values`; a variable without a value
// takes the words that lead to it along ("in &2", "type *&3"), or reads *N,
// as the host shows data it does not have.
std::string Filled(std::string_view text, const std::vector<std::string>& values) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&' || i + 1 >= text.size() || text[i + 1] < '1' || text[i + 1] > '9') {
      out += text[i];
      continue;
    }
    const size_t n = static_cast<size_t>(text[i + 1] - '1');
    ++i;
    if (n < values.size() && !values[n].empty()) {
      out += values[n];
      continue;
    }
    bool dropped = false;
    for (std::string_view lead : {" in library ", " in ", " type *", " type "}) {
      if (out.size() >= lead.size() &&
          out.compare(out.size() - lead.size(), lead.size(), lead) == 0) {
        out.resize(out.size() - lead.size());
        dropped = true;
        break;
      }
    }
    if (!dropped) out += "*N";
  }
  return out;
}

// "Token X was not valid." as "token X was not valid".
std::string AsClause(std::string text) {
  while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
  if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' && !(text[1] >= 'A' && text[1] <= 'Z')) {
    text[0] = static_cast<char>(text[0] - 'A' + 'a');
  }
  return text;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == separator) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  for (std::string& p : parts) {
    while (!p.empty() && p.back() == ' ') p.pop_back();
  }
  return parts;
}

std::string SqlSentence(const FailureFacts& f) {
  char id[16];
  std::snprintf(id, sizeof id, "SQL%04d", static_cast<int>(-f.sqlCode % 10000));
  const std::vector<std::string> tokens = Split(f.sqlTokens, '\xFF');
  if (const wire::MessageDescription* m = wire::FindMessage(wire::kSqlMessageFile, id)) {
    return std::string(id) + ": " + AsClause(Filled(m->text, tokens));
  }
  std::string text = std::string(id) + ": the statement failed (SQLSTATE " + f.sqlState + ")";
  if (!tokens.empty() && !tokens[0].empty()) text += ": " + tokens[0];
  return text;
}

std::string SignOnSentence(const FailureFacts& f) {
  const std::string user = !f.subject.empty() ? f.subject : f.user;
  auto with = [](std::string text, const char* id) {
    text.append(" (").append(id).append(")");
    return text;
  };
  if (f.messageId == wire::kMsgPasswordNotCorrect || f.internalError == wire::kOpenWrongPassword) {
    return with(user.empty() ? "password not correct for the user of the settings"
                             : "password not correct for user " + user,
                wire::kMsgPasswordNotCorrect);
  }
  if (f.messageId == wire::kMsgUserProfileNotFound || f.internalError == wire::kOpenUnknownUser) {
    return with(user.empty() ? "no user given, or the host has no such user profile: set "
                               "VANTORA_USER and VANTORA_PASSWORD (or Tcp/User and "
                               "Tcp/Password), or name the user"
                             : "user profile " + user + " not found on the host",
                wire::kMsgUserProfileNotFound);
  }
  return "the host refused the session (" +
         (f.messageId.empty() ? "status " + std::to_string(f.status) : f.messageId) + ")";
}

std::string HostSentence(const FailureFacts& f) {
  if (f.operation == wire::kOpSessionOpen) return SignOnSentence(f);
  if (f.sql && f.sqlCode < 0) return SqlSentence(f);
  const bool file = IsFileOperation(f.operation);
  const std::string subject = file ? Upper(f.subject) : f.subject;
  const size_t slash = subject.find('/');
  const std::string object = slash == std::string::npos ? subject : subject.substr(slash + 1);
  const std::string library = slash == std::string::npos ? subject : subject.substr(0, slash);
  const std::string id = f.messageId;
  if (id.empty()) {
    return OperationName(f.operation) + " failed: the host answered status " +
           std::to_string(f.status);
  }
  {
    for (const Phrase& p : kPhrases) {
      if (id != p.id) continue;
      std::string text = p.text;
      // A command's text is no object's name.
      const bool namesObject = text.find("{s}") != std::string::npos ||
                               text.find("{name}") != std::string::npos ||
                               text.find("{lib}") != std::string::npos;
      if (IsCommand(f.operation) && namesObject) break;
      auto put = [&](const std::string& key, const std::string& value) {
        for (size_t at; (at = text.find(key)) != std::string::npos;)
          text.replace(at, key.size(), value);
      };
      put("{s}", subject.empty() ? "the file" : subject);
      put("{name}", subject.empty() ? "*N" : subject);
      put("{lib}", library.empty() ? "*N" : library);
      put("{user}", f.user.empty() ? "*N" : f.user);
      put("{cmd}", Upper(FirstWord(f.subject)));
      put("{op}", OperationName(f.operation));
      text.append(" (").append(id).append(")");
      return text;
    }
  }
  // The host's own text, with what the client knows of its data.
  const wire::MessageDescription* m = wire::FindMessage(
      id.rfind("SQL", 0) == 0 ? wire::kSqlMessageFile : wire::kSystemMessageFile, id);
  std::string what = IsCommand(f.operation) ? "command " + Upper(FirstWord(f.subject))
                                            : OperationName(f.operation);
  if (m == nullptr) return what + " failed (" + id + ")";
  const std::vector<std::string> values = IsCommand(f.operation) ? std::vector<std::string>{}
                                          : slash == std::string::npos
                                              ? std::vector<std::string>{subject}
                                              : std::vector<std::string>{object, library};
  return what + " failed: " + AsClause(Filled(m->text, values)) + " (" + id + ")";
}

std::string InternalSentence(const FailureFacts& f) {
  switch (f.internalError) {
    case VNX_IERR_TRANSPORT_MISSING:
      return "the transport module " + f.transportFile +
             " was not found: check General/Network in the settings file (MV400_INI), and that "
             "the module lies beside libMV432IDA.so";
    case VNX_IERR_TRANSPORT_ENTRIES:
      return "the transport module " + f.transportFile +
             " lacks entry points: it is not of this version of the client library";
    case 0:
      return f.operation < 0 ? "no session: the client library could not give this thread one"
                             : OperationName(f.operation) +
                                   " was refused by the client library "
                                   "(arguments not valid for it)";
    default:
      break;
  }
  for (const Internal& i : kInternal) {
    if (i.code == f.internalError) return i.text;
  }
  return "internal error " + std::to_string(f.internalError) + " of the client library";
}

}  // namespace

std::string FailureSentence(const FailureFacts& f) {
  switch (f.result) {
    case VNX_ERR_HOST:
      return HostSentence(f);
    case VNX_ERR_SIGNAL:
      return "the request was interrupted";
    case VNX_ERR_COMM:
      if (!f.transportText.empty()) return f.transportText;
      return "communication with the host failed (transport codes " +
             std::to_string(f.appcPrimary) + ", " + std::to_string(f.appcSecondary) + ")";
    case VNX_ERR_INTERNAL:
      return InternalSentence(f);
    default:
      return f.result < 0
                 ? OperationName(f.operation) + " failed (result " + std::to_string(f.result) + ")"
                 : "";
  }
}

}  // namespace vantora::client
