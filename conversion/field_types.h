// Type codes of the two sides of a field description: the PC form a program
// wants and the raw form the AS/400 record holds. The codes travel in field
// descriptions, so their values are fixed.
#ifndef VANTORA_CONVERSION_FIELD_TYPES_H_
#define VANTORA_CONVERSION_FIELD_TYPES_H_

#include <cstdint>

namespace vantora::conversion {

// PC type codes.
enum class PcType : int16_t {
  kChar = 0,     // text in the PC code page, fixed length, blank-padded
  kInt = 1,      // 16-bit signed integer, PC byte order
  kLong = 2,     // 32-bit signed integer, PC byte order
  kFloat = 3,    // 32-bit IEEE floating point, PC byte order
  kDouble = 4,   // 64-bit IEEE floating point, PC byte order
  kBytes = 5,    // "B": bytes copied without conversion
  kComp3 = 6,    // packed decimal, AS/400 layout
  kComp = 7,     // big-endian binary integer
  kNumcob = 8,   // COBOL display numeric (never converted)
  kComp3s = 9,   // packed decimal whose positive sign may be 0xC
  kString = 10,  // text in the PC code page, ended by a zero byte or the field
  kAbal = 11,    // ABAL numeric (never converted)
};
inline constexpr int kPcTypeCount = 12;

// AS/400 type codes.
enum class AsType : int16_t {
  kChar = 0,    // EBCDIC text
  kBin2 = 1,    // 16-bit signed integer, big-endian
  kBin4 = 2,    // 32-bit signed integer, big-endian
  kPack = 3,    // packed decimal
  kZoned = 4,   // zoned decimal
  kDate = 5,    // EBCDIC text
  kTime = 6,    // EBCDIC text
  kFloat = 7,   // 32-bit IEEE, big-endian
  kDouble = 8,  // 64-bit IEEE, big-endian
  kTimstp = 9,  // EBCDIC text
};
inline constexpr int kAsTypeCount = 10;

// The name of a type code as the library's type table holds it ("CHAR",
// "INT", ... "ABAL"; "CHAR", "BIN2", ... "TIMSTP"), or nullptr for a code
// outside the table.
const char* PcTypeName(int code);
const char* AsTypeName(int code);

}  // namespace vantora::conversion

#endif  // VANTORA_CONVERSION_FIELD_TYPES_H_
