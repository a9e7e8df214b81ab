// The storage keeps values in its own forms: decimal fields scaled by
// 10^decimals as integers (field.h: 123.45 in PACK(7,2) is 12345), dates,
// times and timestamps as ISO texts. This pass rewrites a translated
// statement so that SQL sees and writes the values themselves:
//
//   - a reference to a field with decimals becomes (FIELD / 100.0) in
//     every expression (WHERE, ORDER BY, select lists of subselects,
//     function arguments, the right side of SET), so that comparisons,
//     arithmetic and aggregates work on the value;
//   - a value stored into a decimal or binary field (SET F = v, INSERT's
//     VALUES and the select list of INSERT ... SELECT, matched to the
//     target columns) becomes vnx_scale(v, decimals, digits)
//     (host/storage/decimal_functions.h): scaled, extra decimals dropped,
//     SQL0406 when it does not fit, SQL0420 for a text that is no number;
//   - a character literal stored into a date, time or timestamp field
//     (SET, VALUES) or compared with one (=, <>, <, <=, >, >=, BETWEEN,
//     IN) is read in the job's format, or in ISO, USA, EUR or JIS form, and
//     written as the ISO text; SQL0180 when it is none of them;
//   - a field named on its own in the outermost select list stays as it is:
//     the cursor gives it the field's own form (numeric text with its
//     decimals), as a record read does.
//
// INSERT ... SELECT * copies stored values unchanged (right when the
// fields have the same decimals).
#ifndef VANTORA_HOST_SERVER_SQL_SQL_STORAGE_FORMS_H_
#define VANTORA_HOST_SERVER_SQL_SQL_STORAGE_FORMS_H_

#include <string>
#include <vector>

#include "host/server/files/date_time_text.h"
#include "host/server/sql/sql_error.h"
#include "host/server/sql/sql_translator.h"
#include "host/storage/file_definition.h"

namespace vantora::host::sql {

// Rewrites `t->sql` and `t->rowSql`; `files` are the descriptions of
// `t->files`, in the same order; `style` the job's date and time formats.
SqlError ApplyStorageForms(const std::vector<FileDescription>& files, const DateTimeStyle& style,
                           Translation* t);

}  // namespace vantora::host::sql

#endif  // VANTORA_HOST_SERVER_SQL_SQL_STORAGE_FORMS_H_
