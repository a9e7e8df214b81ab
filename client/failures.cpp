#include "client/failures.h"

#include <algorithm>
#include <cstring>

#include "protocol/operations.h"

namespace vantora::client {
namespace {

void SetSubject(LastFailure* f, const char* text, size_t length) {
  const size_t n = std::min(length, LastFailure::kSubjectSize - 1);
  size_t k = 0;
  for (; k < n && text[k] != '\0'; ++k) {
    const auto c = static_cast<unsigned char>(text[k]);
    f->subject[k] = c < 0x20 ? ' ' : text[k];
  }
  while (k > 0 && f->subject[k - 1] == ' ') --k;
  f->subject[k] = '\0';
}

// The text of the request's first parameter when it is a buffer, else the
// name the handle in its first word was opened by.
void SubjectOf(const SessionRecord* record, const wire::Operation& op,
               std::initializer_list<uint64_t> words, LastFailure* f) {
  f->subject[0] = '\0';
  if (op.count == 0 || words.size() == 0) return;
  const uint64_t* w = words.begin();
  if (op.Kind(0) == wire::kValue) {
    const auto it = record->fileNames.find(static_cast<int32_t>(w[0]));
    if (it != record->fileNames.end()) SetSubject(f, it->second.c_str(), it->second.size());
    return;
  }
  if (op.Kind(0) == wire::kOutput || words.size() < 2 || w[1] == 0) return;
  SetSubject(f, reinterpret_cast<const char*>(static_cast<uintptr_t>(w[1])),
             static_cast<size_t>(static_cast<uint32_t>(w[0])));
}

bool OpensAFile(int operation) {
  return operation == wire::kOpOpen || operation == wire::kOpRopen;
}

bool ClosesAFile(int operation) {
  return operation == wire::kOpRclose || operation == wire::kOpRLclose ||
         operation == wire::kOpCloseSession;
}

}  // namespace

void NoteRequest(SessionRecord* record, int operation, std::initializer_list<uint64_t> words,
                 int32_t result) {
  if (result >= 0) {
    record->failure.result = 0;
    if (OpensAFile(operation) && words.size() >= 2 && words.begin()[1] != 0) {
      const auto* name = reinterpret_cast<const char*>(static_cast<uintptr_t>(words.begin()[1]));
      record->fileNames[result].assign(name, strnlen(name, LastFailure::kSubjectSize - 1));
    } else if (ClosesAFile(operation) && words.size() >= 1) {
      record->fileNames.erase(static_cast<int32_t>(words.begin()[0]));
    }
    return;
  }
  record->failure.result = result;
  record->failure.operation = static_cast<int16_t>(operation);
  SubjectOf(record, wire::OperationEntry(operation), words, &record->failure);
}

void NoteFailure(SessionRecord* record, int operation, int32_t result, const char* subject) {
  record->failure.result = result;
  record->failure.operation = static_cast<int16_t>(operation);
  record->failure.subject[0] = '\0';
  if (subject != nullptr) SetSubject(&record->failure, subject, std::strlen(subject));
}

}  // namespace vantora::client
