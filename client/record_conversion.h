// Client-side record conversion: files opened with VNXopen and both
// VNX_OPEN_RAW and VNX_OPEN_CLIENT_CONVERT travel as raw AS/400 records and
// are converted here, field by field (conversion/field_converter.h). The
// exports VNXopen, VNXRead, VNXWrite and Rclose live here, above the plain
// requests of file_requests.h, which other handles pass straight through to.
//
// VNXopen with both mode bits, when the host answers a handle, fetches the
// file header, the field and the key-field descriptions and keeps them for
// the handle; it answers -30 when they cannot be had or used (the file is
// then closed again), and refuses a conversion open in asynchronous mode
// (nothing is sent): the descriptions must be fetched before the handle is
// given out. Any other open that answers a handle drops what was kept for
// it. VNXRead with a slot gives PC images spaced `recordLength` apart and
// takes a PC key; VNXWrite converts every record before anything is sent,
// and one that cannot be converted refuses the whole call. Rclose drops the
// slot.
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

}  // namespace vantora::client

#endif  // VANTORA_CLIENT_RECORD_CONVERSION_H_
