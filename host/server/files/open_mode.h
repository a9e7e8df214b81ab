// Ropen's mode text: blank-separated words, the first the access, the
// others options (upper or lower case).
//
//   access  rr  read                    ur  read, update, delete, add
//           ar  add (write only)        (a single letter r, u, a also)
//   blkrcd=Y|N   blocking hint (accepted; changes no answer)
//   commit=Y|N   commitment control (Rcommit, Rrollbck)
//   share=Y|N    N: exclusive; no other job may have the file open
//   arrseq=Y|N   Y: arrival sequence even when the file is keyed
//   nullmap=Y|N  records carry a null map
//   raw=Y|N      records travel in AS/400 form
//   waitrcd=S    wait at most S seconds (decimals allowed) for a locked record
//
// "rr blkrcd=Y" is a read-only open; the result is the VNXopen mode bits of
// open_file.h, so both opens go the same way from here.
#ifndef VANTORA_HOST_SERVER_FILES_OPEN_MODE_H_
#define VANTORA_HOST_SERVER_FILES_OPEN_MODE_H_

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

#include "host/storage/status.h"

namespace vantora::host {

struct OpenMode {
  int32_t bits = 0;
  std::optional<std::chrono::milliseconds> recordWait;
};

// Errors: kInvalidArgument for an unknown word or value (answered CPF4194).
Status ParseOpenMode(std::string_view text, OpenMode* out);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_FILES_OPEN_MODE_H_
