// The host's SQL data definition statements, run against the catalogue so
// that what they create are ordinary database files: a table is a physical
// file, an index a keyed logical file, both usable by record-level access.
//
//   CREATE TABLE [lib/]name (column type [NOT NULL] [WITH DEFAULT] [PRIMARY KEY], ...
//                            [, PRIMARY KEY (column, ...)])
//   CREATE [UNIQUE] INDEX [lib/]name ON [lib/]table (column [ASC|DESC], ...)
//   DROP INDEX [lib/]name
//   DROP TABLE [lib/]name [CASCADE|RESTRICT]
//
// Types and the fields they give (the record format is named after the file):
//   CHAR[ACTER][(n)]                 CHAR n, 1-32766 (1 without a length)
//   VARCHAR(n), CHAR[ACTER] VARYING(n)  VARCHAR n, 1-32740
//   SMALLINT, INT[EGER], BIGINT      BIN2, BIN4, BIN8
//   DEC[IMAL][(p[,s])]               PACK p,s (5,0 without them); p 1-18, s 0-p
//   NUMERIC[(p[,s])]                 ZONED p,s, as for DECIMAL
//   REAL, FLOAT(p) with p 1-24       FLOAT
//   DOUBLE [PRECISION], FLOAT, FLOAT(p) with p 25-53   DOUBLE
//   DATE, TIME, TIMESTAMP            DATE, TIME, TIMESTAMP
// Columns are null-capable unless NOT NULL is given or they are in the
// primary key. [WITH] DEFAULT without a value is taken on a NOT NULL column
// that is not a date, time or timestamp (the storage's default is then the
// type's: blanks or 0); DEFAULT NULL on a null-capable column. Other default
// values, UNIQUE, CONSTRAINT, FOREIGN KEY and CHECK answer SQL0104. A
// primary key makes the physical file keyed and unique on its columns.
//
// An index is a keyed logical file over the table with all its fields and
// the table's record format name.
//
// Names: LIB/NAME written without blanks, or NAME; each part a word or a
// "..." delimited name, folded to upper case, at most 10 characters
// (SQL0107). An unqualified name to create goes into `currentLibrary` (QGPL
// when empty); an unqualified name to find (ON, DROP) is looked up through
// `resolve`, as the translator's files are.
//
// Errors (DB2 for i meanings; replacement text in brackets):
//   -84  42612  another CREATE or DROP (VIEW, SCHEMA, ...)  [CREATE VIEW]
//   -104 42601  syntax, unsupported clause                 [the token]
//   -107 42622  a name over 10 characters                   [the name]
//   -156 42809  CREATE INDEX over something not a table     [the file]
//   -204 42704  library, file, index or type not found      [the name]
//   -205 42703  key column not in the table                 [the column]
//   -478 42893  DROP TABLE ... RESTRICT with indexes over it [the table]
//   -601 42710  the file exists                             [the name]
//   -603 23515  a unique index over duplicate rows          [the index]
//   -604 42611  length, precision or scale out of range     [the column]
//   -612 42711  a column named twice                        [the column]
//   -624 42889  a second primary key                        [the table]
//   -913 57033  the file is open or has uncommitted changes [LIB/FILE]
//   -901 58004  any other failure of the storage            [its text]
// and the tokenizer's -7, -10, -101.
//
// Definitions are not part of the job's unit of work: they take effect at
// once, and a later ROLLBACK does not undo them. DROP TABLE deletes the
// logical files over the table first, then the table; if one of them cannot
// go (SQL0913), those already deleted are created again.
#ifndef VANTORA_HOST_SERVER_SQL_SQL_DEFINITION_H_
#define VANTORA_HOST_SERVER_SQL_SQL_DEFINITION_H_

#include <string>
#include <string_view>
#include <vector>

#include "host/server/sql/sql_error.h"
#include "host/server/sql/sql_translator.h"
#include "host/storage/catalogue.h"
#include "host/storage/names.h"

namespace vantora::host::sql {

// True when the statement's first word (after blanks) is CREATE or DROP.
bool IsDefinition(std::string_view text);

// What a definition did, for callers that keep state about files.
struct DefinitionOutcome {
  ObjectName created;               // the file created (CREATE)
  std::vector<ObjectName> dropped;  // the files deleted (DROP), dependents first
};

// Runs one CREATE or DROP statement (a trailing ';' allowed).
SqlError RunDefinition(Catalogue& catalogue, std::string_view text,
                       const std::string& currentLibrary, const FileResolver& resolve,
                       DefinitionOutcome* outcome = nullptr);

}  // namespace vantora::host::sql

#endif  // VANTORA_HOST_SERVER_SQL_SQL_DEFINITION_H_
