#include "driver/frame/record_cursor.h"

#include <algorithm>
#include <cstring>

#include "mv432ida.h"

namespace vantora::driver {

void EngineField::Write(void* d) const {
  std::memset(d, 0, IDAPI_FIELD_DESC_SIZE);
  idapi_put_u16(d, IDAPI_FLD_NUMBER, number);
  idapi_put_text(d, IDAPI_FLD_NAME, IDAPI_FLD_NAME_SIZE, name.c_str());
  idapi_put_u16(d, IDAPI_FLD_TYPE, type);
  idapi_put_u16(d, IDAPI_FLD_SUBTYPE, subtype);
  idapi_put_u16(d, IDAPI_FLD_UNITS1, units1);
  idapi_put_u16(d, IDAPI_FLD_UNITS2, units2);
  idapi_put_u16(d, IDAPI_FLD_OFFSET, offset);
  idapi_put_u16(d, IDAPI_FLD_LENGTH, length);
  idapi_put_u16(d, IDAPI_FLD_NULL_OFFSET, nullOffset);
}

EngineField EngineField::Read(const void* d) {
  EngineField f;
  f.number = idapi_get_u16(d, IDAPI_FLD_NUMBER);
  f.name.assign(static_cast<const char*>(d) + IDAPI_FLD_NAME,
                idapi_text_length(d, IDAPI_FLD_NAME, IDAPI_FLD_NAME_SIZE));
  f.type = idapi_get_u16(d, IDAPI_FLD_TYPE);
  f.subtype = idapi_get_u16(d, IDAPI_FLD_SUBTYPE);
  f.units1 = idapi_get_u16(d, IDAPI_FLD_UNITS1);
  f.units2 = idapi_get_u16(d, IDAPI_FLD_UNITS2);
  f.offset = idapi_get_u16(d, IDAPI_FLD_OFFSET);
  f.length = idapi_get_u16(d, IDAPI_FLD_LENGTH);
  f.nullOffset = idapi_get_u16(d, IDAPI_FLD_NULL_OFFSET);
  return f;
}

void IndexInfo::Write(void* d) const {
  std::memset(d, 0, IDAPI_INDEX_DESC_SIZE);
  idapi_put_text(d, IDAPI_IDX_NAME, IDAPI_NAME_TEXT_SIZE, name.c_str());
  idapi_put_u16(d, IDAPI_IDX_NUMBER, number);
  idapi_put_u16(d, IDAPI_IDX_PRIMARY, primary ? 1 : 0);
  idapi_put_u16(d, IDAPI_IDX_UNIQUE, unique ? 1 : 0);
  idapi_put_u16(d, IDAPI_IDX_DESCENDING, descending ? 1 : 0);
  idapi_put_u16(d, IDAPI_IDX_MAINTAINED, 1);
  const size_t n = std::min<size_t>(fields.size(), IDAPI_IDX_MAX_KEY_FIELDS);
  idapi_put_u16(d, IDAPI_IDX_KEY_FIELDS, static_cast<uint16_t>(n));
  idapi_put_u16(d, IDAPI_IDX_KEY_LENGTH, keyLength);
  for (size_t i = 0; i < n; ++i) idapi_put_u16(d, IDAPI_IDX_FIELD_NUMBERS + 2 * i, fields[i]);
}

void RecordCursor::Release() {
  for (AccessPath& p : paths) {
    if (p.handle < 0) continue;
    if (isQuery()) {
      VNXSqlClose(sqlCursor);
    } else {
      Rclose(p.handle);
    }
    p.handle = -1;
  }
  DriverHandle::Release();
}

}  // namespace vantora::driver
