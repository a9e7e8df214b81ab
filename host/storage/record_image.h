// Record images: a record's values as bytes, as the undo journal keeps the
// before-image of a changed record (layout in record_image.cpp).
#ifndef VANTORA_HOST_STORAGE_RECORD_IMAGE_H_
#define VANTORA_HOST_STORAGE_RECORD_IMAGE_H_

#include <string>
#include <string_view>

#include "host/storage/status.h"
#include "host/storage/value.h"

namespace vantora::host {

// REQUIRES: fewer than 65536 values, each text shorter than 4 GiB.
std::string EncodeRecordImage(const Record& record);

// kStorageError when `image` is not a whole, well-formed image (truncated,
// an unknown tag, bytes left over); `out` is then unspecified.
Status DecodeRecordImage(std::string_view image, Record* out);

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_RECORD_IMAGE_H_
