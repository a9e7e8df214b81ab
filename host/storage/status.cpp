// Message identifiers and names of the status codes.
#include "host/storage/status.h"

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
      return {"CPF5001", "end of file"};
    case StatusCode::kBeginningOfFile:
      return {"CPF5025", "beginning of file"};
    case StatusCode::kRecordNotFound:
      return {"CPF5006", "record not found"};
    case StatusCode::kDuplicateKey:
      return {"CPF5026", "duplicate key"};
    case StatusCode::kRecordInUse:
      return {"CPF5027", "record in use"};
    case StatusCode::kDataMapping:
      return {"CPF5029", "data mapping error"};
    case StatusCode::kNoCurrentRecord:
      return {"CPF5013", "no current record"};
    case StatusCode::kRecordExists:
      return {"CPF5008", "record exists"};
    case StatusCode::kFileNotFound:
      return {"CPF4101", "file not found"};
    case StatusCode::kLibraryNotFound:
      return {"CPF2110", "library not found"};
    case StatusCode::kObjectNotFound:
      return {"CPF2105", "object not found"};
    case StatusCode::kLibraryExists:
      return {"CPF2111", "library exists"};
    case StatusCode::kObjectExists:
      return {"CPF2112", "object exists"};
    case StatusCode::kInvalidDefinition:
      return {"CPF7302", "file not created"};
    case StatusCode::kObjectInUse:
      return {"CPF3202", "in use"};
    case StatusCode::kUserNotFound:
      return {"CPF2204", "user profile not found"};
    case StatusCode::kWrongPassword:
      return {"CPF22E2", "password not correct"};
    case StatusCode::kInvalidArgument:
      return {"CPF9898", "invalid request"};
    case StatusCode::kNotSupported:
      return {"CPF9898", "not supported"};
    case StatusCode::kStorageError:
      return {"CPF9898", "storage error"};
    case StatusCode::kIoError:
      return {"CPF5030", "I/O error"};
    case StatusCode::kDiskFull:
      return {"CPF5184", "storage full"};
  }
  return {"CPF9898", "unknown"};
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
