// The host and PC type tables of the procedure catalogue. A type's code is
// its place in its table, which is also its place in the type lists of the
// field editor and the name shown in the procedure's field list.
#ifndef VANTORA_TOOLS_PROCEDIT_TYPE_TABLES_H_
#define VANTORA_TOOLS_PROCEDIT_TYPE_TABLES_H_

#include <cstdint>
#include <string>

namespace vantora::procedit {

inline constexpr int kNoFixedValue = -1;

struct HostType {
  const char* name;
  int16_t defaultPcType;  // the PC type chosen with this host type
  int fixedBytes;         // kNoFixedValue: from the digits (PACK: digits / 2 + 1)
  bool fixedDigits;       // picking the type sets the digits to fixedBytes
  int forcedDecimals;     // kNoFixedValue: entered by the user
  bool decimalsEditable;  // the two decimals boxes of the field editor
};

struct PcType {
  const char* name;
  int fixedLength;  // kNoFixedValue: variable, taken from the digits
};

inline constexpr int kHostTypeCount = 10;
inline constexpr int kPcTypeCount = 11;
inline constexpr int16_t kHostChar = 0;
inline constexpr int16_t kHostPack = 3;
inline constexpr int16_t kPcChar = 0;

inline constexpr HostType kHostTypes[kHostTypeCount] = {
    {"CHAR", 0, kNoFixedValue, false, 0, false},
    {"BIN2", 1, 2, false, 0, false},
    {"BIN4", 3, 4, false, 0, false},
    {"PACK", 4, kNoFixedValue, false, kNoFixedValue, true},
    {"ZONED", 4, kNoFixedValue, false, kNoFixedValue, true},
    {"DATE", 0, 10, true, 0, true},
    {"TIME", 0, 8, true, 0, true},
    {"FLOAT", 2, 4, false, 0, false},
    {"DOUBLE", 4, 8, false, 0, false},
    {"TIMESTP", 0, 26, true, 0, true},
};

inline constexpr PcType kPcTypes[kPcTypeCount] = {
    {"CHAR", kNoFixedValue},
    {"INT 16", 2},
    {"FLOAT", 4},
    {"INT 32", 4},
    {"DOUBLE", 8},
    {"COMP4", kNoFixedValue},
    {"COMP3", kNoFixedValue},
    {"COMP2", kNoFixedValue},
    {"COMP3S", kNoFixedValue},
    {"COMP", kNoFixedValue},
    {"COBNUM", kNoFixedValue},
};

bool ValidHostType(int code);
bool ValidPcType(int code);
// The name of a code, or "?" for a code outside its table (a record some
// other writer left).
std::string HostTypeName(int code);
std::string PcTypeName(int code);
// The code of a name (exact, upper case), or -1.
int HostTypeCode(const std::string& name);
int PcTypeCode(const std::string& name);

// The AS/400 byte length stored with a field: PACK digits / 2 + 1; a type's
// fixed length; otherwise (CHAR, ZONED, unknown codes) the digits.
int16_t DerivedByteLength(int asType, int asDigits);

}  // namespace vantora::procedit

#endif  // VANTORA_TOOLS_PROCEDIT_TYPE_TABLES_H_
