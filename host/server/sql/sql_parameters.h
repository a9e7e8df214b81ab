// The parameter area VNXSetTypeKey binds to a declared statement: the
// values of the statement's '?' markers, in order.
//
//   count entries of 12 bytes, integers 16-bit in PC order:
//     0 PC type, 2 PC length, 4 zero, 6 AS/400 type, 8 AS/400 length, 10 zero
//   then the values one after another, each PC-length bytes in its PC form.
//
// The PC type says how the value's bytes read (0 CHAR text, 1 INT 16-bit,
// 2 LONG 32-bit, 3 FLOAT, 4 DOUBLE, little-endian, 5 B bytes); for CHAR the
// AS/400 type says what the text stands for: 0 CHAR a text (blanks kept),
// 1-4 and 7-8 a number, 5 DATE and 6 TIME in the job's formats, 9 TIMSTP
// YYYY-MM-DD-hh.mm.ss.nnnnnn.
#ifndef VANTORA_HOST_SERVER_SQL_SQL_PARAMETERS_H_
#define VANTORA_HOST_SERVER_SQL_SQL_PARAMETERS_H_

#include <cstdint>
#include <span>
#include <vector>

#include "host/server/files/date_time_text.h"
#include "host/server/sql/sql_error.h"
#include "host/storage/value.h"

namespace vantora::host::sql {

inline constexpr int kParameterEntrySize = 12;
inline constexpr int32_t kMaxParameters = 1024;

// Errors: SQL0313 a count below 0 or over kMaxParameters; SQL0302 an area
// shorter than its entries and values; SQL0301 a PC type or length the
// host does not read; SQL0420 a text that is not the number, SQL0181 not
// the date or time its AS/400 type says.
SqlError DecodeParameters(std::span<const uint8_t> area, int32_t count, const DateTimeStyle& style,
                          std::vector<Value>* out);

}  // namespace vantora::host::sql

#endif  // VANTORA_HOST_SERVER_SQL_SQL_PARAMETERS_H_
