// The result of every storage operation: a code, the host message identifier
// that the real host would send for it, and a detail text for logs. Errors
// travel as values; nothing in this library throws across its interface.
#ifndef VANTORA_HOST_STORAGE_STATUS_H_
#define VANTORA_HOST_STORAGE_STATUS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace vantora::host {

// Each code has one message identifier (see MessageId). Identifiers marked
// "host's choice" have no exact counterpart on the real host; the host's
// reference documents them.
enum class StatusCode : uint8_t {
  kOk = 0,
  kEndOfFile,          // CPF5001: no record further on in the access path
  kBeginningOfFile,    // CPF5025 (host's choice): no record further back
  kRecordNotFound,     // CPF5006: key or relative record number not found
  kDuplicateKey,       // CPF5026: a unique access path already holds the key
  kRecordInUse,        // CPF5027: another job holds the record lock past the wait
  kDataMapping,        // CPF5029: a value does not fit its field
  kNoCurrentRecord,    // CPF5013 (host's choice): update/delete/equal-key read without a current
                       // record
  kRecordExists,       // CPF5008 (host's choice): a write at a relative record number that holds a
                       // record
  kFileNotFound,       // CPF4101: file (or member) not found
  kLibraryNotFound,    // CPF2110
  kObjectNotFound,     // CPF2105: object other than a file not found
  kLibraryExists,      // CPF2111
  kObjectExists,       // CPF2112: object (file included) already exists
  kInvalidDefinition,  // CPF7302: file not created, the definition is wrong
  kObjectInUse,        // CPF3202: file in use (open, dependents, another host)
  kUserNotFound,       // CPF2204
  kWrongPassword,      // CPF22E2
  kInvalidArgument,    // CPF9898 (host's choice): a request this API refuses
  kNotSupported,       // CPF9898 (host's choice): known but not implemented here
  kStorageError,       // CPF9898 (host's choice): SQLite or file system failure
  kIoError,            // CPF5030 (host's choice): a read, write, sync or lock of the data
                       // directory's files failed; the change was not made
  kDiskFull,           // CPF5184 (host's choice): no space left for the data directory; the
                       // change was not made
};

class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  static Status Error(StatusCode code, std::string detail = {}) {
    return Status(code, std::move(detail));
  }

  bool ok() const { return code_ == StatusCode::kOk; }
  StatusCode code() const { return code_; }
  // The host message identifier, for example "CPF5026"; "" for kOk.
  const char* messageId() const;
  const std::string& detail() const { return detail_; }
  // "CPF5026 duplicate key: <detail>", for logs and test failures.
  std::string ToString() const;

  // Marks a status whose failure the caller deliberately lets go.
  void IgnoreError() const {}

 private:
  Status(StatusCode code, std::string detail) : code_(code), detail_(std::move(detail)) {}

  StatusCode code_ = StatusCode::kOk;
  std::string detail_;
};

// The identifier that MessageId gives for `code`.
const char* MessageIdOf(StatusCode code);

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_STATUS_H_
