// The last error of each thread: what a driver posted (IdapiPostError,
// IdapiAddErrorContext) and the status an application call answered.
#ifndef VANTORA_ENGINE_ERROR_STATE_H_
#define VANTORA_ENGINE_ERROR_STATE_H_

#include <cstdint>
#include <string>

namespace vantora::engine {

struct LastError {
  uint16_t status = 0;
  std::string message;
  std::string context;
  std::string nativeCode;
  std::string explanation;  // the failure in plain words, when the driver gave them
};

// The calling thread's last error.
const LastError& CurrentError();

// A driver posts `code` with `text`: the text and code replace the last
// error, its contexts are cleared.
void PostError(uint16_t code, const char* text);
// Forgets the calling thread's last error.
void ClearError();
// A driver attaches a context (`kind` 14: a message, 0x3F17: a native code,
// 0x3F18: the failure in plain words).
void AddErrorContext(uint16_t code, uint16_t kind, const char* text);

// Brackets an application call: a non-zero status becomes the last error,
// with the text the driver posted during the call, else the status's own.
class ApplicationCall {
 public:
  ApplicationCall();
  uint16_t Finish(uint16_t status);

 private:
  uint64_t postsBefore_;
};

// A short description of an engine status.
const char* StatusText(uint16_t status);

}  // namespace vantora::engine

#endif  // VANTORA_ENGINE_ERROR_STATE_H_
