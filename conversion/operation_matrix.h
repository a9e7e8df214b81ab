// The operation matrix: one operation number for each pair of AS/400 type and
// PC type. The number names the pair in both directions; docs/conversion.md
// says what each converted pair does.
#ifndef VANTORA_CONVERSION_OPERATION_MATRIX_H_
#define VANTORA_CONVERSION_OPERATION_MATRIX_H_

namespace vantora::conversion {

inline constexpr int kNoOperation = -1;

// The operation number of the pair, or kNoOperation for the "B" column
// (copied before the matrix is consulted) and for codes outside the tables.
int FieldOperation(int asType, int pcType);

// Whether the converter carries out operation `op`. Every operation it
// carries out, it carries out in both directions; the others leave the
// target field as it was.
bool IsConverted(int op);

}  // namespace vantora::conversion

#endif  // VANTORA_CONVERSION_OPERATION_MATRIX_H_
