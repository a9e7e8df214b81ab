/*
 * idapi_app.h - the application interface of the database engine
 * (libIDAPI32.so).
 *
 * An application starts the engine, opens databases through the drivers the
 * engine loads (the driver type names the driver: "Morvalis400" is the
 * AS/400 driver), and works with what it opened; the engine passes each call
 * on to the driver's entry tables (idapi.h) and keeps the last error.
 *
 *   VdbStart();
 *   VdbParameter params[] = {{"SERVER NAME", "AS400:/DEMO"}, {"USER NAME", "ALICE"}};
 *   VdbDatabase* db;
 *   if (VdbOpenDatabase("Morvalis400", "demo", params, 2, password, &db) != IDAPI_OK) {
 *     VdbError e;
 *     VdbLastError(&e);
 *     fprintf(stderr, "%s\n", e.explanation);
 *   }
 *   ...
 *   VdbCloseDatabase(db);
 *   VdbStop();
 *
 * Results: every function answers an engine status (IDAPI_OK on success;
 * the codes are in idapi.h). A failing call leaves its status, and the text
 * the driver posted with it, as the calling thread's last error.
 *
 * Ownership: handles (VdbDatabase*) belong to the engine; they are valid
 * from their open to their close, or until VdbStop. A handle that was closed
 * answers IDAPI_ERR_BAD_OBJECT, never a crash. Callers own their buffers.
 *
 * Threads: the engine may be called from several threads; a handle is used
 * by one thread at a time.
 */
#ifndef IDAPI_APP_H_
#define IDAPI_APP_H_

#include <stdint.h>

#include "idapi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Engine --------------------------------------------------------------- */

/* Starts the engine: reads its settings (docs/settings.md, sections Engine
 * and Driver.<type>). Calls nest: each VdbStart needs a VdbStop. The first one
 * forgets the calling thread's last error. */
IDAPI_API uint16_t VdbStart(void);
/* Ends the last VdbStart: closes every database the application left open
 * and closes every driver (their host sessions end). */
IDAPI_API uint16_t VdbStop(void);

/* Loads the driver of `driverType` (once) and registers it again: the
 * driver's DrvInit is called, adding 1 to its use count. VdbOpenDatabase
 * loads a driver by itself; this is for applications that hold a driver
 * open between databases. IDAPI_ERR_NO_DRIVER when no module is found. */
IDAPI_API uint16_t VdbLoadDriver(const char* driverType);
/* Gives back one VdbLoadDriver (the driver's close entry). The last one is
 * refused with IDAPI_ERR_INVALID_REQUEST while databases of the driver are
 * open. */
IDAPI_API uint16_t VdbUnloadDriver(const char* driverType);

/* ---- Errors -------------------------------------------------------------- */

#define VDB_TEXT_SIZE 1024
typedef struct VdbError {
  uint16_t status;                 /* IDAPI_OK when no call failed yet */
  char message[VDB_TEXT_SIZE];     /* the driver's text, else the status's description */
  char context[VDB_TEXT_SIZE];     /* the message attached as error context, or "" */
  char nativeCode[32];             /* the native code (SQLCODE) as text, or "" */
  char explanation[VDB_TEXT_SIZE]; /* the failure in plain words for people (what failed, why,
                                      what to do) where the driver gave them, else `message` */
} VdbError;
/* The calling thread's last error. */
IDAPI_API uint16_t VdbLastError(VdbError* error);
/* Forgets the calling thread's last error. */
IDAPI_API uint16_t VdbClearError(void);
/* A short description of an engine status ("end of data", ...). */
IDAPI_API const char* VdbStatusText(uint16_t status);

/* ---- Drivers --------------------------------------------------------------
 * The descriptions are the records of idapi.h (IDAPI_DRIVER_DESC_SIZE, ...). */

IDAPI_API uint16_t VdbDescribeDriver(const char* driverType, void* description);
IDAPI_API uint16_t VdbDescribeTableType(const char* driverType, uint16_t tableType,
                                        void* description);
IDAPI_API uint16_t VdbDescribeFieldType(const char* driverType, uint16_t fieldType,
                                        void* description);
IDAPI_API uint16_t VdbDriverCapabilities(const char* driverType, void* capabilities);
/* A property of the driver as text ("3.0" for IDAPI_PROP_DRIVER_VERSION);
 * `size` bytes of `out`, cut and terminated. */
IDAPI_API uint16_t VdbDriverProperty(const char* driverType, uint32_t property, char* out,
                                     uint16_t size);

/* ---- Databases ------------------------------------------------------------ */

typedef struct VdbDatabase VdbDatabase;

/* One connection parameter: for the AS/400 driver "USER NAME", "SERVER NAME"
 * ("AS400:/SYSTEM/LIBRARY", "LIBRARY"), "TRANSACTION" ("true"),
 * "NEWSESSION" ("true"), "LANGDRIVER". */
typedef struct VdbParameter {
  const char* name;
  const char* value;
} VdbParameter;

/* Opens a database. `password` may be null. */
IDAPI_API uint16_t VdbOpenDatabase(const char* driverType, const char* name,
                                   const VdbParameter* parameters, int32_t count,
                                   const char* password, VdbDatabase** database);
IDAPI_API uint16_t VdbCloseDatabase(VdbDatabase* database);
/* A property of the database as text (IDAPI_PROP_*), cut to `size` bytes. */
IDAPI_API uint16_t VdbDatabaseProperty(VdbDatabase* database, uint32_t property, char* out,
                                       uint16_t size);
/* The database's language driver name, code page and driver handle number. */
IDAPI_API uint16_t VdbDatabaseInfo(VdbDatabase* database, char* languageDriver /*32*/,
                                   uint16_t* codePage, int32_t* handle);

/* ---- Tables and cursors ----------------------------------------------------
 * A cursor holds one record, the current one: the moves read into it, the
 * field calls read and change it, insert and modify write it. Values travel
 * as text:
 *   strings as they are (trailing blanks of fixed fields cut), numbers in
 *   decimal, dates YYYY-MM-DD, times hh:mm:ss[.mmm], timestamps
 *   YYYY-MM-DD hh:mm:ss[.mmm], bytes as hexadecimal digits.
 *
 *   VdbCursor* c;
 *   VdbOpenTable(db, "CUSTOMER", NULL, VDB_READ_ONLY, &c);
 *   while (VdbNext(c) == IDAPI_OK) {
 *     char name[64];
 *     VdbGetFieldText(c, 2, name, sizeof name, NULL);
 *   }
 *   VdbCloseCursor(c);
 */
typedef struct VdbCursor VdbCursor;

#define VDB_READ_ONLY 1 /* open options */
#define VDB_EXCLUSIVE 2

/* Opens `table` (LIBRARY/FILE, or FILE of the database's library) along the
 * index `index`: null or "" for the file's own access path, an index (logical
 * file) name, or "@FIELD@FIELD" for the first index whose key starts with
 * those fields. The cursor stands before the first record. */
IDAPI_API uint16_t VdbOpenTable(VdbDatabase* database, const char* table, const char* index,
                                uint32_t options, VdbCursor** cursor);
/* The catalogue cursors: the tables of the database's library (NAME, ...), the
 * fields of a table (FieldNo, NAME, FldType, FileName), its indexes (NAME,
 * IndexId). Read them like tables. */
IDAPI_API uint16_t VdbOpenTableList(VdbDatabase* database, VdbCursor** cursor);
IDAPI_API uint16_t VdbOpenFieldList(VdbDatabase* database, const char* table, VdbCursor** cursor);
IDAPI_API uint16_t VdbOpenIndexList(VdbDatabase* database, const char* table, VdbCursor** cursor);
IDAPI_API uint16_t VdbCloseCursor(VdbCursor* cursor);

typedef struct VdbField {
  uint16_t number; /* from 1 */
  char name[32];
  uint16_t type; /* IDAPI_TYPE_* */
  uint16_t subtype;
  uint16_t units1; /* length of a text, digits of a number */
  uint16_t units2; /* decimals */
  uint16_t length; /* of the logical value */
  uint16_t nullable;
} VdbField;
IDAPI_API uint16_t VdbFieldCount(VdbCursor* cursor, uint16_t* count);
IDAPI_API uint16_t VdbFieldInfo(VdbCursor* cursor, uint16_t number, VdbField* field);
/* The number of the field `name` (compared without case); IDAPI_ERR_UNKNOWN_TYPE
 * when there is none. */
IDAPI_API uint16_t VdbFieldNumber(VdbCursor* cursor, const char* name, uint16_t* number);

/* Moves; each reads the record it lands on. IDAPI_ERR_EOF after the last,
 * IDAPI_ERR_BOF before the first. VdbFirst and VdbLast go to the first and
 * last record (of the range, when one is set). */
IDAPI_API uint16_t VdbFirst(VdbCursor* cursor);
IDAPI_API uint16_t VdbLast(VdbCursor* cursor);
IDAPI_API uint16_t VdbNext(VdbCursor* cursor);
IDAPI_API uint16_t VdbPrior(VdbCursor* cursor);
/* Reads the current record again. */
IDAPI_API uint16_t VdbCurrent(VdbCursor* cursor);
/* Moves `offset` records (negative: back); `moved` the records moved. */
IDAPI_API uint16_t VdbRelative(VdbCursor* cursor, int32_t offset, int32_t* moved);
/* Before the first record / after the last one, without reading. */
IDAPI_API uint16_t VdbSetToBegin(VdbCursor* cursor);
IDAPI_API uint16_t VdbSetToEnd(VdbCursor* cursor);
IDAPI_API uint16_t VdbGetBookmark(VdbCursor* cursor, uint32_t* bookmark);
/* Goes to a bookmark and reads its record. */
IDAPI_API uint16_t VdbGotoBookmark(VdbCursor* cursor, uint32_t bookmark);
IDAPI_API uint16_t VdbCompareBookmarks(VdbCursor* cursor, uint32_t first, uint32_t second,
                                       int16_t* result);

/* Seeks along the active index: `count` values of its first key fields, the
 * last one possibly shortened (a partial text). Reads the record found;
 * IDAPI_ERR_RECORD_NOT_FOUND when none. */
#define VDB_SEEK_EQ 0
#define VDB_SEEK_GT 1
#define VDB_SEEK_GE 2
IDAPI_API uint16_t VdbSeek(VdbCursor* cursor, uint16_t condition, const char* const* values,
                           uint16_t count);
/* Limits the cursor to the keys between `low` and `high` (either may be null:
 * no bound), each of `count` key field values. */
IDAPI_API uint16_t VdbSetRange(VdbCursor* cursor, uint16_t count, const char* const* low,
                               int32_t lowInclusive, const char* const* high,
                               int32_t highInclusive);
IDAPI_API uint16_t VdbResetRange(VdbCursor* cursor);
/* Switches to another index (as VdbOpenTable names them), keeping the position. */
IDAPI_API uint16_t VdbSwitchIndex(VdbCursor* cursor, const char* index);

/* Filters: the cursor reads only the records `expression` selects (the
 * grammar is in docs/engine.md: FIELD = 'TEXT' AND AMOUNT > 100, ISBLANK(F),
 * NAME LIKE 'A%'); the host does the selecting. `filter` (may be null)
 * receives its number for VdbDropFilter. The cursor stands before the first
 * record selected. A text the engine cannot read answers IDAPI_ERR_BAD_FILTER
 * with the character where reading stopped. */
IDAPI_API uint16_t VdbSetFilter(VdbCursor* cursor, const char* expression, int32_t* filter);
IDAPI_API uint16_t VdbDropFilter(VdbCursor* cursor, int32_t filter);

/* The current record's field as text, cut to `size` bytes; `isNull` (may be
 * null) 1 for a null field (its text is then ""). */
IDAPI_API uint16_t VdbGetFieldText(VdbCursor* cursor, uint16_t number, char* out, uint32_t size,
                                   int16_t* isNull);
/* The current record's field in the engine's own form, without a text
 * detour: strings without a terminator, a fixed field (units1 equal to its
 * length) blank-padded to its length, a variable-length one as long as it is, IDAPI_TYPE_INT16 and
 * _BOOL an int16_t, _UINT16 a uint16_t, _INT32 an int32_t, _UINT32 a uint32_t, _FLOAT a double
 * (also for a 4-byte host float), _DATE an int32_t day number, _TIME a uint32_t of milliseconds,
 * _TIMESTAMP a double (day number x 86400000 + milliseconds), bytes, raw and packed fields their
 * bytes. A string whose subtype is IDAPI_SUBTYPE_DECIMAL_TEXT holds its number as exact decimal
 * text. `length` (may be null) receives the value's length in bytes, `isNull` (may be null) 1 for a
 * null field (length 0). A value longer than `size` answers IDAPI_ERR_VALUE_OVERFLOW and writes
 * nothing but `length`. */
IDAPI_API uint16_t VdbGetFieldValue(VdbCursor* cursor, uint16_t number, void* out, uint32_t size,
                                    uint32_t* length, int16_t* isNull);
/* Every field of the current record at once, each in the form VdbGetFieldValue
 * gives it: one call a row where a field at a time costs a call each. The
 * values lie one after another in `area` (`size` bytes); spans[n - 1] says
 * where field n's value starts, its length and whether it is null, for the
 * first `count` fields. An area too small answers IDAPI_ERR_VALUE_OVERFLOW
 * with the size it takes in `needed` (may be null) and writes no value. */
typedef struct VdbFieldSpan {
  uint32_t offset; /* of the value in the area */
  uint32_t length; /* in bytes; 0 for a null */
  int16_t isNull;
} VdbFieldSpan;
IDAPI_API uint16_t VdbGetFieldValues(VdbCursor* cursor, uint16_t count, VdbFieldSpan* spans,
                                     void* area, uint32_t size, uint32_t* needed);
/* Sets a field of the current record; a null `text` makes it null (blank
 * when the field cannot be null). IDAPI_ERR_INVALID_ARGUMENT for a text that
 * is no value of the field's type. */
IDAPI_API uint16_t VdbPutFieldText(VdbCursor* cursor, uint16_t number, const char* text);
/* Makes the current record blank, for an insert. */
IDAPI_API uint16_t VdbInitRecord(VdbCursor* cursor);
/* Writes the current record as a new one / over the one it was read from /
 * deletes the current record. */
IDAPI_API uint16_t VdbInsert(VdbCursor* cursor);
IDAPI_API uint16_t VdbModify(VdbCursor* cursor);
IDAPI_API uint16_t VdbDelete(VdbCursor* cursor);
IDAPI_API uint16_t VdbRecordCount(VdbCursor* cursor, int32_t* count);

/* ---- SQL statements ---------------------------------------------------------
 * A statement is prepared once and executed any number of times; a SELECT
 * gives a cursor over its rows (read it as a table, close it with
 * VdbCloseCursor), any other statement runs on the host. Unqualified tables
 * of FROM clauses are the database's library's.
 *
 *   VdbStatement* st;
 *   VdbPrepare(db, "SELECT ID, NAME FROM CUSTOMER WHERE CITY = ?", 0, &st);
 *   VdbValue city = {IDAPI_TYPE_STRING, "PARIS"};
 *   VdbBind(st, &city, 1);
 *   VdbCursor* rows;
 *   if (VdbExecute(st, &rows) == IDAPI_OK) { while (VdbNext(rows) == IDAPI_OK) ...;
 * VdbCloseCursor(rows); } VdbFreeStatement(st);
 *
 * A failing statement answers IDAPI_ERR_SQL; the last error's context holds
 * "SQL Error -204, ..." and its native code the SQLCODE. */
typedef struct VdbStatement VdbStatement;

#define VDB_CHANGEABLE 4 /* prepare option: a result whose rows can be changed */

/* A parameter value: its engine type (IDAPI_TYPE_*) and its text, as
 * VdbPutFieldText takes it. */
typedef struct VdbValue {
  uint16_t type;
  const char* text;
} VdbValue;

IDAPI_API uint16_t VdbPrepare(VdbDatabase* database, const char* text, uint32_t options,
                              VdbStatement** statement);
/* The values of the statement's "?" markers, in order. */
IDAPI_API uint16_t VdbBind(VdbStatement* statement, const VdbValue* values, uint16_t count);
/* Runs the statement; `result` (may be null for a statement that is no
 * SELECT) receives the cursor of a SELECT, else null. */
IDAPI_API uint16_t VdbExecute(VdbStatement* statement, VdbCursor** result);
IDAPI_API uint16_t VdbFreeStatement(VdbStatement* statement);
/* The rows the last execution of a statement that is no SELECT inserted,
 * updated or deleted. */
IDAPI_API uint16_t VdbRowsChanged(VdbStatement* statement, int32_t* rows);
/* Cancels the work of a statement or of the cursor of its result, from any
 * thread: the next move of the cursor (or the statement's next execution, when
 * it is under way) answers IDAPI_ERR_CANCELLED once. A handle that is no live
 * statement or cursor answers IDAPI_ERR_BAD_OBJECT. */
IDAPI_API uint16_t VdbCancel(void* statementOrCursor);
/* Prepare, execute and free in one call. */
IDAPI_API uint16_t VdbExecuteSql(VdbDatabase* database, const char* text, VdbCursor** result);

/* ---- Stored procedures -------------------------------------------------------
 * The procedures declared in the catalogue (YPROCHDR, YPROCPARMS) of the job's
 * library list: list them, list one's parameters, call one.
 *
 *   VdbStatement* call;
 *   VdbPrepareProcedure(db, "ADDTAX", &call);
 *   VdbSetParameterText(call, 1, "FR");          parameters from 1, in row order
 *   VdbSetParameterText(call, 2, "100.00");
 *   VdbExecute(call, NULL);                        calls the program
 *   VdbGetParameterText(call, 4, text, sizeof text, NULL);
 *   VdbFreeStatement(call);
 */
/* Rows: NAME. */
IDAPI_API uint16_t VdbOpenProcedureList(VdbDatabase* database, VdbCursor** cursor);
/* Rows: SEQUENCE, NAME, DIRECTION (1 in, 2 out, 3 both), PCTYPE, TYPE,
 * SUBTYPE, UNITS1, UNITS2, OFFSET, LENGTH. */
IDAPI_API uint16_t VdbOpenParameterList(VdbDatabase* database, const char* procedure,
                                        VdbCursor** cursor);
/* IDAPI_ERR_NO_SUCH_PROCEDURE for a name that is not declared (or longer
 * than 10 characters, or declared with field records that do not add up). */
IDAPI_API uint16_t VdbPrepareProcedure(VdbDatabase* database, const char* procedure,
                                       VdbStatement** statement);
/* The parameters of a procedure, or the "?" markers of an SQL statement
 * (outside quoted strings and comments). */
IDAPI_API uint16_t VdbParameterCount(VdbStatement* procedure, uint16_t* count);
/* A parameter as a field (its engine type and units) and its direction. A
 * marker of an SQL statement is an input string of no declared length (units
 * 0): the host takes its text and converts it to the column it meets. */
IDAPI_API uint16_t VdbParameterInfo(VdbStatement* procedure, uint16_t number, VdbField* field,
                                    uint16_t* direction);
/* A parameter's value as text, as VdbPutFieldText and VdbGetFieldText take and give it. */
IDAPI_API uint16_t VdbSetParameterText(VdbStatement* procedure, uint16_t number, const char* text);
IDAPI_API uint16_t VdbGetParameterText(VdbStatement* procedure, uint16_t number, char* out,
                                       uint32_t size);

/* ---- Transactions -------------------------------------------------------------
 * Only on a database opened with the parameter TRANSACTION "true"
 * (commitment control); otherwise IDAPI_ERR_NO_TRANSACTIONS. A transaction
 * boundary ends record-level and SQL work together: beginning commits what
 * was done before. `transaction` may be null; `mode` is IDAPI_END_COMMIT,
 * IDAPI_END_COMMIT_KEEP or IDAPI_END_ROLLBACK; with another mode nothing is
 * sent, and the transaction handle, when given, is ended all the same. */
IDAPI_API uint16_t VdbBeginTransaction(VdbDatabase* database, int32_t* transaction);
IDAPI_API uint16_t VdbEndTransaction(VdbDatabase* database, int32_t transaction, uint16_t mode);

/* ---- Definitions ---------------------------------------------------------------
 * Tables are created from DDS source (LIBRARY/QDDSSRC, member the file's
 * name) and CRTPF; field types IDAPI_TYPE_STRING (units1 = length), _DATE,
 * _TIME, _TIMESTAMP, _INT16, _INT32, _FLOAT, _BOOL, IDAPI_NATIVE_PACKED
 * (units1 integer digits, units2 decimals). `keyFields` (0-based, may be
 * null) make the file keyed, unique when `unique`. */
typedef struct VdbNewField {
  const char* name;
  uint16_t type;
  uint16_t units1;
  uint16_t units2;
} VdbNewField;
IDAPI_API uint16_t VdbCreateTable(VdbDatabase* database, const char* name,
                                  const VdbNewField* fields, uint16_t count,
                                  const uint16_t* keyFields, uint16_t keyCount, int32_t unique);
/* An index (a keyed logical file) `index` over the table `cursor` has open,
 * on its fields `keyFields` (numbers from 1); the cursor then knows it.
 * IDAPI_ERR_PRIMARY_INDEX when `primary`. */
IDAPI_API uint16_t VdbAddIndex(VdbCursor* cursor, const char* index, const uint16_t* keyFields,
                               uint16_t count, int32_t unique, int32_t descending, int32_t primary);
/* Deletes the index `index` (LIBRARY/NAME, or NAME of the database's library). */
IDAPI_API uint16_t VdbDropIndex(VdbCursor* cursor, const char* index);

/* ---- Direct access to the driver's entry tables ---------------------------
 * For programs that need a slot the calls above do not cover, and for
 * tests: an entry of a driver's tables and the engine object behind a
 * handle. Call an entry through its slot's typedef in idapi.h:
 *   IdapiEntry e;
 *   VdbDatabaseEntry(db, IDAPI_DB_PROPERTY, &e);
 *   void* object;
 *   VdbDatabaseObject(db, &object);
 *   ((IdapiDbProperty)e)(object, IDAPI_PROP_DB_TYPE, text, sizeof text, &length); */
/* The entry of `slot` of the driver table of `driverType`. */
IDAPI_API uint16_t VdbDriverEntry(const char* driverType, uint16_t slot, IdapiEntry* entry);
/* The entry of `slot` of a database's table. */
IDAPI_API uint16_t VdbDatabaseEntry(VdbDatabase* database, uint16_t slot, IdapiEntry* entry);
/* The engine's driver object (IdapiDriverObject) of a loaded driver type. */
IDAPI_API uint16_t VdbDriverObject(const char* driverType, void** object);
/* The engine's database object (IdapiDatabaseObject) of a database. */
IDAPI_API uint16_t VdbDatabaseObject(VdbDatabase* database, void** object);
/* The entry of `slot` of a cursor's table, its engine object (an
 * IdapiCursorObject) and its record buffer (`size` bytes). */
IDAPI_API uint16_t VdbCursorEntry(VdbCursor* cursor, uint16_t slot, IdapiEntry* entry);
IDAPI_API uint16_t VdbCursorObject(VdbCursor* cursor, void** object);
IDAPI_API uint16_t VdbRecordBuffer(VdbCursor* cursor, void** record, uint32_t* size);

#ifdef __cplusplus
}
#endif

#endif /* IDAPI_APP_H_ */
