// The SQL communication area that VNXSqlSqlca answers: DB2's 136-byte SQLCA
// in the PC form (integers little-endian, text in the PC's code page).
// sqlca.cpp describes the layout.
#ifndef VANTORA_HOST_SERVER_SQL_SQLCA_H_
#define VANTORA_HOST_SERVER_SQL_SQLCA_H_

#include <array>
#include <cstdint>

#include "host/server/sql/sql_error.h"

namespace vantora::host::sql {

inline constexpr size_t kSqlcaLength = 136;

// The area for the outcome `e` of a statement that changed `rows` rows.
std::array<uint8_t, kSqlcaLength> BuildSqlca(const SqlError& e, int32_t rows);

}  // namespace vantora::host::sql

#endif  // VANTORA_HOST_SERVER_SQL_SQLCA_H_
