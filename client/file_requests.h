// The record-level requests that the client-side conversion layer wraps:
// each sends its request as laid out on the wire, without conversion.
#ifndef VANTORA_CLIENT_FILE_REQUESTS_H_
#define VANTORA_CLIENT_FILE_REQUESTS_H_

#include <cstdint>

namespace vantora::client {

int32_t SendOpen(const char* file, int32_t mode, int32_t option);
int32_t SendRead(int32_t h, void* records, int32_t recordLength, int32_t options, const void* key,
                 int32_t keyLength, int32_t* numbers);
int32_t SendWrite(int32_t h, const void* records, int32_t recordLength, int32_t options,
                  int32_t* numbers);
int32_t SendGetDesc(int32_t h, void* buffer, int32_t size, int32_t flags, const char* formatName);
int32_t SendClose(int32_t h);

}  // namespace vantora::client

#endif  // VANTORA_CLIENT_FILE_REQUESTS_H_
