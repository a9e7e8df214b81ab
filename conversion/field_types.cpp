// The names of the PC and AS/400 type codes.
#include "conversion/field_types.h"

namespace vantora::conversion {
namespace {

constexpr const char* kPcNames[kPcTypeCount] = {"CHAR",   "INT",    "LONG",   "FLOAT",
                                                "DOUBLE", "B",      "COMP3",  "COMP",
                                                "NUMCOB", "COMP3S", "STRING", "ABAL"};
constexpr const char* kAsNames[kAsTypeCount] = {"CHAR", "BIN2", "BIN4",  "PACK",   "ZONED",
                                                "DATE", "TIME", "FLOAT", "DOUBLE", "TIMSTP"};

}  // namespace

const char* PcTypeName(int code) {
  return code >= 0 && code < kPcTypeCount ? kPcNames[code] : nullptr;
}

const char* AsTypeName(int code) {
  return code >= 0 && code < kAsTypeCount ? kAsNames[code] : nullptr;
}

}  // namespace vantora::conversion
