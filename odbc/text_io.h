// Strings between the application and the driver: the driver works in
// UTF-8; the ANSI entry points take and give UTF-8, the wide ones UTF-16.
// An output that does not fit is cut (its terminator kept) and answers
// 01004 with the full length.
#ifndef VANTORA_ODBC_TEXT_IO_H_
#define VANTORA_ODBC_TEXT_IO_H_

#include <sql.h>
#include <sqlucode.h>

#include <string>

#include "odbc/diagnostics.h"

#define ODBC_EXPORT extern "C" __attribute__((visibility("default")))

namespace vantora::odbc {

// An input string: `length` characters, or SQL_NTS.
std::string In(const SQLCHAR* text, SQLINTEGER length);
std::string InW(const SQLWCHAR* text, SQLINTEGER length);

// Writes `text` into `buffer` of `capacity` (characters, or bytes when
// `inBytes`), wide or not; `length` receives the full length in the same
// unit. SQL_SUCCESS_WITH_INFO (01004 added to `diag`) when it was cut.
SQLRETURN Out(const std::string& text, void* buffer, SQLLEN capacity, bool wide, bool inBytes,
              SQLLEN* length, Diagnostics* diag);

// The same for the SQLSMALLINT and SQLINTEGER length pointers of the interface.
inline SQLRETURN OutS(const std::string& text, void* buffer, SQLLEN capacity, bool wide,
                      bool inBytes, SQLSMALLINT* length, Diagnostics* diag) {
  SQLLEN n = 0;
  const SQLRETURN r = Out(text, buffer, capacity, wide, inBytes, &n, diag);
  if (length != nullptr) *length = static_cast<SQLSMALLINT>(n);
  return r;
}
inline SQLRETURN OutI(const std::string& text, void* buffer, SQLLEN capacity, bool wide,
                      bool inBytes, SQLINTEGER* length, Diagnostics* diag) {
  SQLLEN n = 0;
  const SQLRETURN r = Out(text, buffer, capacity, wide, inBytes, &n, diag);
  if (length != nullptr) *length = static_cast<SQLINTEGER>(n);
  return r;
}

}  // namespace vantora::odbc

#endif  // VANTORA_ODBC_TEXT_IO_H_
