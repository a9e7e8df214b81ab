// The seam of client-side record conversion: files opened with VNXopen and
// both VNX_OPEN_RAW and VNX_OPEN_CLIENT_CONVERT travel as raw host records
// and are converted here, field by field. Other handles pass through.
#ifndef VANTORA_CLIENT_RECORD_CONVERSION_H_
#define VANTORA_CLIENT_RECORD_CONVERSION_H_

#include <cstdint>

namespace vantora::client {

int32_t OpenWithConversion(const char* file, int32_t mode, int32_t option);
int32_t ReadWithConversion(int32_t h, void* records, int32_t recordLength, int32_t options,
                           const void* key, int32_t keyLength, int32_t* numbers);
int32_t WriteWithConversion(int32_t h, const void* records, int32_t recordLength, int32_t options,
                            int32_t* numbers);
// Drops the conversion state of `h` (before it is closed).
void ForgetConversion(int32_t h);

}  // namespace vantora::client

#endif  // VANTORA_CLIENT_RECORD_CONVERSION_H_
