// Diagnostic records of a handle, and how the engine's failures become
// SQLSTATEs: the engine's last error (VdbLastError) gives the status, the
// text and, for SQL failures, the SQLCODE, which becomes the native error.
#ifndef VANTORA_ODBC_DIAGNOSTICS_H_
#define VANTORA_ODBC_DIAGNOSTICS_H_

#include <sql.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vantora::odbc {

struct DiagRecord {
  std::string state;  // five characters
  SQLINTEGER native = 0;
  std::string text;  // without the vendor prefix
};

struct Diagnostics {
  std::vector<DiagRecord> records;
  SQLRETURN returnCode = SQL_SUCCESS;
  SQLLEN rowCount = -1;
  void Clear() {
    records.clear();
    returnCode = SQL_SUCCESS;
  }
  // Adds a record; answers SQL_ERROR for classes other than 01 (warnings),
  // SQL_SUCCESS_WITH_INFO for warnings.
  SQLRETURN Add(const std::string& state, const std::string& text, SQLINTEGER native = 0);
  // Adds the engine's last error (after a call answered `status`), mapped to
  // its SQLSTATE; `context` says what was being done ("connect", ...).
  SQLRETURN AddEngineError(uint16_t status);
};

// The SQLSTATE of an engine failure: `status` and the SQLCODE (0 when none).
std::string StateOf(uint16_t status, int32_t sqlcode, bool connecting);

// The prefix of every message text.
inline constexpr const char* kVendorPrefix = "[Vantora][ODBC] ";

}  // namespace vantora::odbc

#endif  // VANTORA_ODBC_DIAGNOSTICS_H_
