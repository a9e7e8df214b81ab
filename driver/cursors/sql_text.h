// The texts of SQL statements as the driver reads and adapts them: the
// tables of a SELECT, the adaptation of an application's statement to the
// AS/400 (library qualification), parameter markers and record counts.
//
// Quoted strings start with ' or " and end with the same character; that
// character written twice inside does not end them. Keywords are matched
// without regard to case, with white space before and after.
#ifndef VANTORA_DRIVER_CURSORS_SQL_TEXT_H_
#define VANTORA_DRIVER_CURSORS_SQL_TEXT_H_

#include <string>
#include <vector>

namespace vantora::driver {

struct TableList {
  int count = 0;
  std::string names;  // each name followed by one blank
};

// The tables of a SELECT's FROM clause, aliases dropped:
// "SELECT a.X FROM ORDERS a, CUST b WHERE ..." gives 2, "ORDERS CUST ".
// Not a SELECT, or no FROM: 0 tables.
TableList SelectTables(const std::string& statement);

// Whether `text` begins (after white space) with SELECT, without regard to case.
bool IsSelect(const std::string& text);

// An application's statement made ready for the host: control characters
// become blanks and trailing blanks go; "LIB/FILE.FIELD" column references
// lose their library; with a `library`, every table of a FROM list, and the
// table after UPDATE and INTO, that has none gets "LIBRARY/" (the keyword is
// written in capitals):
//   "select * from orders", "MYLIB"  ->  "select * FROM MYLIB/orders"
// Bytes from 0x80 up (accented letters) are kept.
// `separator` is '/' (system naming) or '.' (SQL naming: "LIBRARY."; a name
// followed by either is taken as qualified).
std::string AdaptStatement(const std::string& text, const std::string& library,
                           char separator = '/');

// `text` with each "?" outside single-quoted strings replaced by the next of
// `literals`; markers beyond the literals stay. `used` (may be null) receives
// the number of markers replaced.
std::string SubstituteMarkers(const std::string& text, const std::vector<std::string>& literals,
                              size_t* used = nullptr);

// The "?" markers outside single-quoted strings.
size_t CountMarkers(const std::string& text);

// "SELECT COUNT(*) " followed by `statement` from its first FROM keyword
// outside quoted strings on, without a top-level ORDER BY; empty when it has
// no FROM.
std::string CountStatement(const std::string& statement);

// Whether the statement groups its rows (holds "GROUP", any case).
bool IsGrouped(const std::string& statement);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_SQL_TEXT_H_
