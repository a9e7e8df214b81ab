// The record-level file handlers, registered by AddFileHandlers in groups:
// opening and formats, reads, writes and commitment, descriptions.
#ifndef VANTORA_HOST_SERVER_FILES_FILE_HANDLERS_H_
#define VANTORA_HOST_SERVER_FILES_FILE_HANDLERS_H_

#include "host/server/session/handlers.h"

namespace vantora::host {

void AddOpenHandlers(HandlerTable& table);
void AddReadHandlers(HandlerTable& table);
void AddWriteHandlers(HandlerTable& table);
void AddDescribeHandlers(HandlerTable& table);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_FILES_FILE_HANDLERS_H_
