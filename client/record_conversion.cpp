// Until the per-handle conversion layer is in place every handle passes
// through unconverted.
#include "client/record_conversion.h"

#include "client/file_requests.h"

namespace vantora::client {

int32_t OpenWithConversion(const char* file, int32_t mode, int32_t option) {
  return SendOpen(file, mode, option);
}

int32_t ReadWithConversion(int32_t h, void* records, int32_t recordLength, int32_t options,
                           const void* key, int32_t keyLength, int32_t* numbers) {
  return SendRead(h, records, recordLength, options, key, keyLength, numbers);
}

int32_t WriteWithConversion(int32_t h, const void* records, int32_t recordLength, int32_t options,
                            int32_t* numbers) {
  return SendWrite(h, records, recordLength, options, numbers);
}

void ForgetConversion(int32_t) {}

}  // namespace vantora::client
