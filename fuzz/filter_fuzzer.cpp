// libFuzzer target: filter texts as people write them, parsed against fields
// of every engine type; a tree the parser built is translated into a QRYSLT
// selection by the driver. Nothing may crash, a refused text must say where,
// and a tree the parser built must always translate.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "driver/cursors/filter_text.h"
#include "engine/filter_parser.h"
#include "idapi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using vantora::engine::FilterField;
  static const std::vector<FilterField> fields = {
      {"ID", 1, IDAPI_TYPE_INT32},        {"NAME", 2, IDAPI_TYPE_STRING},
      {"DAY", 3, IDAPI_TYPE_DATE},        {"AT", 4, IDAPI_TYPE_TIME},
      {"STAMP", 5, IDAPI_TYPE_TIMESTAMP}, {"RATE", 6, IDAPI_TYPE_FLOAT},
      {"SMALL", 7, IDAPI_TYPE_INT16},     {"FLAG", 8, IDAPI_TYPE_BOOL},
  };
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const vantora::engine::ParsedFilter parsed = vantora::engine::ParseFilter(text, fields);
  if (!parsed.ok) {
    if (parsed.error.empty() || parsed.position == 0) __builtin_trap();
    return 0;
  }
  const vantora::driver::FilterText selection =
      vantora::driver::TranslateFilter(parsed.expression.data(), parsed.expression.size());
  if (!selection.ok) {
    fprintf(stderr, "translation refused: %s\n", selection.problem.c_str());
    __builtin_trap();
  }
  return 0;
}

// The engine's date services the driver's date texts call, over the engine's
// calendar (the fuzzer links the sources, not the engine module).
#include "engine/calendar.h"

extern "C" uint16_t IdapiEncodeDate(uint16_t month, uint16_t day, int16_t year, int32_t* date) {
  return vantora::engine::EncodeDate(month, day, year, date) ? IDAPI_OK
                                                             : IDAPI_ERR_INVALID_ARGUMENT;
}

extern "C" uint16_t IdapiDecodeDate(int32_t date, uint16_t* month, uint16_t* day, int16_t* year) {
  int m = 0, d = 0, y = 0;
  if (!vantora::engine::DecodeDate(date, &m, &d, &y)) return IDAPI_ERR_INVALID_ARGUMENT;
  *month = static_cast<uint16_t>(m);
  *day = static_cast<uint16_t>(d);
  *year = static_cast<int16_t>(y);
  return IDAPI_OK;
}
