// Request handlers: one per operation number. A handler reads its request's
// parameters, works on the job and the storage, writes the output
// parameters into the reply and sets the result. Operations without a
// handler answer -1 with status 3014 and CPF9898 (not supported).
#ifndef VANTORA_HOST_SERVER_SESSION_HANDLERS_H_
#define VANTORA_HOST_SERVER_SESSION_HANDLERS_H_

#include <array>
#include <cstdint>
#include <string>

#include "host/storage/status.h"
#include "protocol/operations.h"
#include "protocol/reply_writer.h"
#include "protocol/request_decoder.h"

namespace vantora::host {

class Host;
class Job;

// What one request works with, and the answer it builds.
struct RequestContext {
  Host& host;
  Job& job;
  const wire::RequestDecoder& request;
  wire::ReplyWriter& reply;

  int32_t result = 1;
  int32_t status = 0;
  std::string messageId;  // host message identifier, up to 7 characters
  int32_t internalError = 0;

  // Answers the failure `s`: result -1, its status word and identifier.
  void Fail(const Status& s);
  // Answers result -1 with `statusWord` and `id`.
  void Fail(int32_t statusWord, const char* id);
};

using Handler = void (*)(RequestContext&);
using HandlerTable = std::array<Handler, wire::kOperationCount>;

// The full table: every room's handlers (handler_table.cpp, in the library
// above all rooms).
HandlerTable BuildHandlerTable();

// Each room registers its handlers.
void AddServiceHandlers(HandlerTable& table);  // session/service_handlers.cpp
void AddFileHandlers(HandlerTable& table);     // files/file_handlers.cpp
void AddCommandHandlers(HandlerTable& table);  // commands/command_handlers.cpp
void AddSqlHandlers(HandlerTable& table);      // sql/sql_handlers.cpp

// The host services (files/virtual_file_handlers.cpp,
// services/{api,queue,program}_handlers.cpp,
// files/file_service_handlers.cpp, remaining_handlers.cpp).
// Virtual files stand in front of the file handlers' opens and reads, so
// they register after them; the refusals register last.
void AddVirtualFileHandlers(HandlerTable& table);
void AddApiHandlers(HandlerTable& table);
void AddQueueHandlers(HandlerTable& table);
void AddProgramHandlers(HandlerTable& table);
void AddFileServiceHandlers(HandlerTable& table);
void AddRemainingHandlers(HandlerTable& table);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SESSION_HANDLERS_H_
