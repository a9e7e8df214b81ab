// The operation matrix, rows by AS/400 type, columns by PC type.
#include "conversion/operation_matrix.h"

#include <array>

#include "conversion/field_types.h"

namespace vantora::conversion {
namespace {

// clang-format off
constexpr signed char kMatrix[kAsTypeCount][kPcTypeCount] = {
  //   CHAR  INT LONG FLOAT DOUBLE  B  COMP3 COMP NUMCOB COMP3S STRING ABAL
  {     0,    1,   2,   3,    4,   -1,   50,   51,   52,    77,    86,   95},  // CHAR
  {     5,    6,   7,   8,    9,   -1,   53,   54,   55,    78,    87,   96},  // BIN2
  {    10,   11,  12,  13,   14,   -1,   56,   57,   58,    79,    88,   97},  // BIN4
  {    15,   16,  17,  18,   19,   -1,   59,   60,   61,    80,    89,   98},  // PACK
  {    25,   26,  27,  28,   29,   -1,   62,   63,   64,    81,    90,   99},  // ZONED
  {    30,   31,  32,  33,   34,   -1,   65,   66,   67,    82,    91,  100},  // DATE
  {    35,   36,  37,  38,   39,   -1,   68,   69,   70,    83,    92,  101},  // TIME
  {    40,   41,  42,  43,   44,   -1,   71,   72,   73,    84,    93,  102},  // FLOAT
  {    45,   46,  47,  48,   49,   -1,   74,   75,   76,    85,    94,  103},  // DOUBLE
  {   104,  105, 106, 107,  108,   -1,  109,  110,  111,   112,   113,  114},  // TIMSTP
};
// clang-format on

// The operations carried out, by number.
constexpr int kConverted[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,  12, 13, 14, 15,
                              16, 17, 18, 19, 25, 26, 27, 28, 29, 30, 35, 40,  41, 42, 43, 44,
                              45, 46, 47, 48, 49, 51, 54, 57, 59, 60, 62, 63,  71, 74, 80, 81,
                              84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 104, 113};

constexpr int kOperationCount = 115;

constexpr std::array<bool, kOperationCount> MakeConvertedSet() {
  std::array<bool, kOperationCount> set{};
  for (int op : kConverted) set[op] = true;
  return set;
}

constexpr std::array<bool, kOperationCount> kConvertedSet = MakeConvertedSet();

}  // namespace

int FieldOperation(int asType, int pcType) {
  if (asType < 0 || asType >= kAsTypeCount || pcType < 0 || pcType >= kPcTypeCount) {
    return kNoOperation;
  }
  return kMatrix[asType][pcType];
}

bool IsConverted(int op) {
  return op >= 0 && op < kOperationCount && kConvertedSet[op];
}

}  // namespace vantora::conversion
