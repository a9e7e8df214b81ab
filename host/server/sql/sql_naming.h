// SQL naming: a job chooses it with SET OPTION NAMING = *SQL (and system
// naming again with *SYS); its statements then qualify objects as
// LIB.FILE, "LIB"."FILE" or LIB.FILE.COLUMN, as ODBC and JDBC tools write
// them, and the host reads them as the system naming LIB/FILE it resolves.
//
// Where a dotted pair is a qualified object: the reference after FROM (and
// each one of a FROM list, up to the clause that ends it at the same
// parenthesis depth), after JOIN, INTO, UPDATE, TABLE and INDEX, and after
// the ON of CREATE INDEX; anywhere, a three-part LIB.FILE.COLUMN. Elsewhere
// A.B stays a column qualified by its table or correlation name. A quoted
// part keeps its quotes unless it is an ordinary upper-case name. A '/'
// qualifier under SQL naming answers SQL5016 (42833).
#ifndef VANTORA_HOST_SERVER_SQL_SQL_NAMING_H_
#define VANTORA_HOST_SERVER_SQL_SQL_NAMING_H_

#include <string>
#include <string_view>

#include "host/server/sql/sql_error.h"

namespace vantora::host::sql {

enum class Naming { kSystem, kSql };

// Whether `text` is SET OPTION NAMING = *SQL / *SYS; `naming` receives it.
// A SET OPTION with another option or value answers SQL0104 through `error`.
bool IsSetNaming(std::string_view text, Naming* naming, SqlError* error);

// `text` in SQL naming rewritten into system naming.
SqlError SqlToSystemNaming(std::string_view text, std::string* out);

}  // namespace vantora::host::sql

#endif  // VANTORA_HOST_SERVER_SQL_SQL_NAMING_H_
