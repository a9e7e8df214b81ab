#include "driver/frame/catalogue_cursor.h"

#include <algorithm>
#include <cstring>

namespace vantora::driver {

void CatalogueCursor::AddField(const char* name, uint16_t type, uint16_t length, int32_t offset) {
  int32_t at = offset;
  if (at < 0) {
    at = virtualFields.empty() ? 0 : virtualFields.back().offset + virtualFields.back().length;
  }
  EngineField f;
  f.number = static_cast<uint16_t>(virtualFields.size() + 1);
  f.name = name;
  f.type = type;
  f.units1 = length;
  f.offset = static_cast<uint16_t>(at);
  f.length = length;
  virtualFields.push_back(f);
  rowLength = std::max(rowLength, at + length);
}

uint16_t CatalogueCursor::GetField(uint16_t field, const uint8_t* record, void* value,
                                   int16_t* isBlank) const {
  if (field == 0 || field > virtualFields.size()) return IDAPI_ERR_UNKNOWN_TYPE;
  if (isBlank != nullptr) *isBlank = 0;
  if (record == nullptr || value == nullptr) return IDAPI_OK;
  const EngineField& f = virtualFields[field - 1u];
  auto* out = static_cast<uint8_t*>(value);
  if (f.type == IDAPI_TYPE_STRING) {
    const size_t n = idapi_text_length(record, f.offset, f.length);
    std::memcpy(out, record + f.offset, n);
    out[n] = 0;
  } else {
    std::memcpy(out, record + f.offset, f.length);
  }
  return IDAPI_OK;
}

}  // namespace vantora::driver
