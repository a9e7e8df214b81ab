#include "driver/cursors/key_compare.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "driver/cursors/date_time_text.h"
#include "driver/frame/type_mapping.h"

namespace vantora::driver {
namespace {

template <typename T>
int Sign(T a, T b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

template <typename T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

int CompareField(const EngineField& f, const HostField& h, const uint8_t* a, const uint8_t* b,
                 int bytes) {
  const std::string_view ta(reinterpret_cast<const char*>(a), static_cast<size_t>(bytes));
  const std::string_view tb(reinterpret_cast<const char*>(b), static_cast<size_t>(bytes));
  switch (f.type) {
    case IDAPI_TYPE_DATE: {
      int32_t da = 0, db = 0;
      if (DateFromText(ta, h.formatWord, &da) && DateFromText(tb, h.formatWord, &db)) {
        return Sign(da, db);
      }
      break;
    }
    case IDAPI_TYPE_TIME: {
      int32_t ma = 0, mb = 0;
      if (TimeFromText(ta, false, h.formatWord, &ma) && TimeFromText(tb, false, h.formatWord, &mb)) {
        return Sign(ma, mb);
      }
      break;
    }
    case IDAPI_TYPE_TIMESTAMP: {
      double sa = 0, sb = 0;
      if (TimestampFromText(ta, h.formatWord, &sa) && TimestampFromText(tb, h.formatWord, &sb)) {
        return Sign(sa, sb);
      }
      break;
    }
    case IDAPI_TYPE_INT16:
    case IDAPI_TYPE_BOOL:
      if (bytes >= 2) return Sign(Load<int16_t>(a), Load<int16_t>(b));
      break;
    case IDAPI_TYPE_UINT16:
      if (bytes >= 2) return Sign(Load<uint16_t>(a), Load<uint16_t>(b));
      break;
    case IDAPI_TYPE_INT32:
      if (bytes >= 4) return Sign(Load<int32_t>(a), Load<int32_t>(b));
      break;
    case IDAPI_TYPE_UINT32:
      if (bytes >= 4) return Sign(Load<uint32_t>(a), Load<uint32_t>(b));
      break;
    case IDAPI_TYPE_FLOAT:
      if (bytes == 4) return Sign(Load<float>(a), Load<float>(b));
      if (bytes >= 8) return Sign(Load<double>(a), Load<double>(b));
      break;
    default:
      break;
  }
  const int c = std::memcmp(a, b, static_cast<size_t>(bytes));
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace

int CompareKeys(RecordCursor& cursor, const uint8_t* a, const uint8_t* b, int32_t length) {
  int32_t at = 0;
  const KeyBlock& key = cursor.key();
  for (size_t k = 0; k < key.fields.size(); ++k) {
    if (at >= length) break;
    const int16_t index = key.fields[k];
    const EngineField& f = cursor.fields[static_cast<size_t>(index)];
    const HostField& h = cursor.hostFields[static_cast<size_t>(index)];
    const int bytes = std::min<int>(KeyBytes(f.type, f.length, h.asLength), length - at);
    const int c = CompareField(f, h, a + at, b + at, bytes);
    // Along a descending key field the order is reversed.
    if (c != 0) return k < key.descending.size() && key.descending[k] ? -c : c;
    at += KeyBytes(f.type, f.length, h.asLength);
  }
  return 0;
}

}  // namespace vantora::driver
