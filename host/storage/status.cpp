// Message identifiers and names of the status codes.
#include "host/storage/status.h"

#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

struct CodeInfo {
  const char* id;
  const char* name;
};

CodeInfo InfoOf(StatusCode code) {
  switch (code) {
    case StatusCode::kOk:
      return {"", "ok"};
    case StatusCode::kEndOfFile:
      return {wire::kMsgEndOfFile, "end of file"};
    case StatusCode::kBeginningOfFile:
      return {wire::kMsgBeginningOfFile, "beginning of file"};
    case StatusCode::kRecordNotFound:
      return {wire::kMsgRecordNotFound, "record not found"};
    case StatusCode::kDuplicateKey:
      return {wire::kMsgDuplicateKey, "duplicate key"};
    case StatusCode::kRecordInUse:
      return {wire::kMsgRecordInUse, "record in use"};
    case StatusCode::kDataMapping:
      return {wire::kMsgDataMapping, "data mapping error"};
    case StatusCode::kNoCurrentRecord:
      return {wire::kMsgNoCurrentRecord, "no current record"};
    case StatusCode::kRecordExists:
      return {wire::kMsgRecordNumberTaken, "record exists"};
    case StatusCode::kFileNotFound:
      return {wire::kMsgFileNotFound, "file not found"};
    case StatusCode::kLibraryNotFound:
      return {wire::kMsgLibraryNotFound, "library not found"};
    case StatusCode::kObjectNotFound:
      return {wire::kMsgObjectOfTypeNotFound, "object not found"};
    case StatusCode::kLibraryExists:
      return {wire::kMsgLibraryExists, "library exists"};
    case StatusCode::kObjectExists:
      return {wire::kMsgObjectOfTypeExists, "object exists"};
    case StatusCode::kInvalidDefinition:
      return {wire::kMsgFileNotCreated, "file not created"};
    case StatusCode::kObjectInUse:
      return {wire::kMsgInUse, "in use"};
    case StatusCode::kUserNotFound:
      return {wire::kMsgUserProfileNotFound, "user profile not found"};
    case StatusCode::kWrongPassword:
      return {wire::kMsgPasswordNotCorrect, "password not correct"};
    case StatusCode::kInvalidArgument:
      return {wire::kMsgRequestRefused, "invalid request"};
    case StatusCode::kNotSupported:
      return {wire::kMsgRequestRefused, "not supported"};
    case StatusCode::kStorageError:
      return {wire::kMsgRequestRefused, "storage error"};
    case StatusCode::kIoError:
      return {wire::kMsgIoError, "I/O error"};
    case StatusCode::kDiskFull:
      return {wire::kMsgStorageFull, "storage full"};
  }
  return {wire::kMsgRequestRefused, "unknown"};
}

}  // namespace

const char* MessageIdOf(StatusCode code) {
  return InfoOf(code).id;
}

const char* Status::messageId() const {
  return MessageIdOf(code_);
}

std::string Status::ToString() const {
  CodeInfo info = InfoOf(code_);
  std::string s = ok() ? std::string(info.name) : std::string(info.id) + " " + info.name;
  if (!detail_.empty()) s += ": " + detail_;
  return s;
}

}  // namespace vantora::host
