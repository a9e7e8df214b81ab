// Client-side record conversion: files opened with VNXopen and both
// VNX_OPEN_RAW and VNX_OPEN_CLIENT_CONVERT travel as raw AS/400 records and
// are converted here, field by field (conversion/field_converter.h).
// Other handles pass straight through to file_requests.h.
//
// State: one process-wide table of slots indexed by file handle (grown to
// handle + 10 when a handle beyond it is opened) and one 32768-byte raw
// record buffer, allocated on first use and kept. A slot holds the file's
// field descriptions and key-field indexes from VNXopen to Rclose.
//
// Errors: a call this layer refuses answers -30 (VNX_ERR_INTERNAL) and sets
// the session's Internal_Error() to one of the VNX_IERR_* codes 9101-9108 of
// mv432ida.h; docs/conversion.md says when each is given. Nothing is sent
// for a refused read or write.
//
// Threads: the table and the raw buffer are unlocked. Client-side conversion
// is for one thread, and one session, at a time: slots are found by handle
// number alone.
#ifndef VANTORA_CLIENT_RECORD_CONVERSION_H_
#define VANTORA_CLIENT_RECORD_CONVERSION_H_

#include <cstdint>

namespace vantora::client {

// Bytes of the shared raw buffer: block reads and writes carry at most this
// many raw bytes, and a converted key at most this long.
inline constexpr int32_t kRawBufferSize = 32768;

// The largest handle that client-side conversion keeps a slot for.
inline constexpr int32_t kMaxConvertedHandle = 32767;

// Sends the open. With both mode bits, and when the host answers a handle,
// fetches the file header, the field and the key-field descriptions and
// keeps them for the handle. Returns the handle, the open's own error, or -30
// when the descriptions cannot be had or used; the file is then closed again.
// A conversion open is refused in asynchronous mode (nothing is sent): the
// descriptions must be fetched before the handle is given out.
// Any other open that answers a handle drops what was kept for that handle.
int32_t OpenWithConversion(const char* file, int32_t mode, int32_t option);

// VNXRead. With a slot, `records` receives PC images spaced `recordLength`
// bytes apart and `key` is a PC key of `keyLength` bytes; the host sees raw
// records and a raw key. Returns the host's result or -30 (refused before
// sending, or a field of a record read could not be converted).
int32_t ReadWithConversion(int32_t h, void* records, int32_t recordLength, int32_t options,
                           const void* key, int32_t keyLength, int32_t* numbers);

// VNXWrite. With a slot, `records` holds PC images spaced `recordLength`
// bytes apart; every record is converted before anything is sent, and a
// record that cannot be converted refuses the whole call (-30, nothing sent).
int32_t WriteWithConversion(int32_t h, const void* records, int32_t recordLength, int32_t options,
                            int32_t* numbers);

// Drops the conversion state of `h` (before it is closed).
void ForgetConversion(int32_t h);

}  // namespace vantora::client

#endif  // VANTORA_CLIENT_RECORD_CONVERSION_H_
