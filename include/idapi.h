/*
 * idapi.h - the binary interface between the database engine (libIDAPI32.so)
 * and its drivers.
 *
 * A driver is a shared library with one export, DrvInit. The engine loads it
 * by name, calls DrvInit, and the driver registers itself with
 * IdapiRegisterDriver, handing the engine a table of entry points for the
 * driver as a whole. Opening a database gives the engine a second table (one
 * per open database), opening a cursor a third (one per open cursor). The
 * engine calls the slots of these tables by position; each slot's C
 * signature is the typedef named after it below.
 *
 * The engine also exports the services below, which drivers call: object
 * creation and release, error posting, language drivers, date and time
 * encoding. Each is named by its role; its ordinal (the number under which
 * the engine publishes it) stands beside it.
 *
 * Conventions:
 *   - Every entry point and service answers a 16-bit engine status
 *     (IDAPI_OK = 0 is success; the codes are listed below).
 *   - 16-bit values are int16_t/uint16_t, 32-bit values int32_t/uint32_t,
 *     texts const char* (NUL-terminated), engine objects, areas and tables
 *     void*, out-parameters pointers.
 *   - Records whose layout is fixed here (descriptors, rows, properties) are
 *     byte layouts: integers little-endian at the named offsets, texts
 *     NUL-terminated within their width. Read and write them with the
 *     idapi_get_* / idapi_put_* helpers at the end of this header, never by
 *     casting a structure over the bytes.
 *   - The engine owns its driver, database and cursor objects; a driver
 *     creates them through the services and gives them back with
 *     IdapiReleaseObject. The driver owns whatever it keeps behind its own
 *     handle numbers.
 *
 * Threads: the services may be called from any thread. The last posted error
 * is kept per thread (see IdapiPostError).
 */
#ifndef IDAPI_H_
#define IDAPI_H_

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#if defined(_WIN32)
#if defined(IDAPI32_BUILD)
#define IDAPI_API __declspec(dllexport)
#else
#define IDAPI_API __declspec(dllimport)
#endif
#define IDAPI_DRIVER_EXPORT __declspec(dllexport)
#else
#define IDAPI_API __attribute__((visibility("default")))
#define IDAPI_DRIVER_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Engine status codes -------------------------------------------------- */

#define IDAPI_OK 0x0000
#define IDAPI_ERR_FAILED 0x0001          /* an operation's own failure (filters, statements) */
#define IDAPI_ERR_HOST 0x0002            /* a host error without an engine meaning */
#define IDAPI_ERR_NOTHING_CHANGED 0x0003 /* a query row changed without a modified field */
#define IDAPI_ERR_CALL_FAILED 0x0066     /* a stored procedure's program failed */
#define IDAPI_ERR_BOF 0x2201             /* before the first record */
#define IDAPI_ERR_EOF 0x2202             /* after the last record / no further row */
#define IDAPI_ERR_NO_CURRENT_RECORD 0x2204
#define IDAPI_ERR_RECORD_NOT_FOUND 0x2206
#define IDAPI_ERR_THREAD_SESSION 0x2508 /* a thread could not get its own session */
#define IDAPI_ERR_KEY_VIOLATION 0x2601
#define IDAPI_ERR_BAD_DATA 0x260C
#define IDAPI_ERR_UNKNOWN_TYPE 0x2701 /* unknown table type or field type */
#define IDAPI_ERR_INVALID_ARGUMENT 0x2702
#define IDAPI_ERR_INVALID_REQUEST 0x2703
#define IDAPI_ERR_DRIVER_TYPE 0x2707   /* driver type name does not match */
#define IDAPI_ERR_PRIMARY_INDEX 0x2709 /* a primary index cannot be created */
#define IDAPI_ERR_NO_SUCH_INDEX 0x270D
#define IDAPI_ERR_VALUE_OVERFLOW 0x2712
#define IDAPI_ERR_NO_SESSION 0x271E /* no host session could be had */
#define IDAPI_ERR_NO_SUCH_TABLE 0x2728
#define IDAPI_ERR_NOT_AVAILABLE 0x2730
#define IDAPI_ERR_NO_SUCH_PROCEDURE 0x2751
#define IDAPI_ERR_RECORD_IN_USE 0x2805
#define IDAPI_ERR_NO_TRANSACTIONS 0x2811 /* the database has no commitment control */
#define IDAPI_ERR_RECORD_LOCKED 0x2812
#define IDAPI_ERR_NOT_IMPLEMENTED 0x2A04
#define IDAPI_ERR_ACCESS_DENIED 0x2A0B
#define IDAPI_ERR_COMMUNICATION 0x2C07
#define IDAPI_ERR_SQL 0x2E5D /* an SQL statement failed; see the error context */
#define IDAPI_ERR_NOT_SUPPORTED 0x3001
#define IDAPI_ERR_NOT_SUPPORTED_HERE 0x3002
#define IDAPI_ERR_CREATE_FAILED 0x3301
#define IDAPI_ERR_NO_MEMORY 0x3E03
/* Statuses of the engine itself (never answered by a driver). */
#define IDAPI_ERR_NO_DRIVER 0x3E01   /* no driver module for the driver type */
#define IDAPI_ERR_NOT_STARTED 0x3E02 /* the engine is not started */
#define IDAPI_ERR_BAD_OBJECT 0x3E04  /* an object the engine did not make, or released */
#define IDAPI_ERR_BAD_FILTER 0x3E05  /* a filter expression that cannot be read */
#define IDAPI_ERR_CANCELLED 0x3E06   /* the application cancelled the statement (VdbCancel) */

/* ---- Engine field types --------------------------------------------------- */

#define IDAPI_TYPE_STRING 1 /* blank-padded text; delivered NUL-terminated */
#define IDAPI_TYPE_DATE 2   /* int32 day number (IdapiEncodeDate) */
#define IDAPI_TYPE_BLOB 3
#define IDAPI_TYPE_BOOL 4 /* int16, 0 or 1 */
#define IDAPI_TYPE_INT16 5
#define IDAPI_TYPE_INT32 6
#define IDAPI_TYPE_FLOAT 7  /* 8-byte IEEE double */
#define IDAPI_TYPE_PACKED 8 /* packed decimal bytes */
#define IDAPI_TYPE_BYTES 9
#define IDAPI_TYPE_TIME 10      /* uint32 milliseconds since midnight */
#define IDAPI_TYPE_TIMESTAMP 11 /* double: day number x 86400000 + milliseconds */
#define IDAPI_TYPE_UINT16 12
#define IDAPI_TYPE_UINT32 13
#define IDAPI_TYPE_RAW 0x17 /* bytes exactly as the host delivered them */
/* Native type of a packed number as a driver describes it (logical type FLOAT). */
#define IDAPI_NATIVE_PACKED 0x2002

/* Subtype of a string field that holds a decimal number as text (the host's
 * packed and zoned fields): the kind in the top bits, the number's digits in
 * bits 6-11 and its decimals in bits 0-5. The text is the number in decimal
 * ("-12345.67"), exact. Other string fields have subtype 0. */
#define IDAPI_SUBTYPE_KIND_MASK 0xF000
#define IDAPI_SUBTYPE_PACKED_TEXT 0x1000
#define IDAPI_SUBTYPE_ZONED_TEXT 0x2000
#define IDAPI_SUBTYPE_DECIMAL_TEXT(kind, digits, decimals) \
  ((uint16_t)((kind) | (((digits)&63) << 6) | ((decimals)&63)))
#define IDAPI_SUBTYPE_DIGITS(subtype) (((subtype) >> 6) & 63)
#define IDAPI_SUBTYPE_DECIMALS(subtype) ((subtype)&63)

/* Dates, times and timestamps.
 * A date is a day number: day 0 is 1 January of year 1 (proleptic Gregorian
 * calendar), day 1 the day after, and so on; 1 January 2000 is day 730119.
 * A time is milliseconds since midnight, 0 to 86399999. A timestamp is a
 * double holding day number x 86400000 + milliseconds of the day. */
#define IDAPI_MS_PER_DAY 86400000.0

/* ---- Handles of the three entry tables ------------------------------------ */

/* An entry point of a driver table; cast to the slot's typedef to call it. */
typedef void (*IdapiEntry)(void);

#define IDAPI_DRIVER_SLOTS 35
#define IDAPI_DATABASE_SLOTS 41
#define IDAPI_CURSOR_SLOTS 109

/* ---- Engine objects --------------------------------------------------------
 * Objects begin with a 32-bit kind so that IdapiReleaseObject tells them
 * apart; the fields below are those a driver reads and writes. The engine
 * keeps its own state behind `engine`; a driver never touches it. */

#define IDAPI_OBJECT_DRIVER 0x44525652u   /* "DRVR" */
#define IDAPI_OBJECT_DATABASE 0x44424153u /* "DBAS" */
#define IDAPI_OBJECT_CURSOR 0x43555253u   /* "CURS" */
#define IDAPI_OBJECT_LANGDRV 0x4C414E47u  /* "LANG" */

#define IDAPI_NAME_SIZE 32         /* type names, language driver names */
#define IDAPI_LANGDRV_NAME_SIZE 30 /* a database's language driver name: 29 + NUL */

typedef struct IdapiDriverObject {
  uint32_t kind;                               /* IDAPI_OBJECT_DRIVER */
  int32_t useCount;                            /* DrvInit calls not yet matched by a close */
  void* entryAddress;                          /* the driver's DrvInit */
  char defaultLanguageDriver[IDAPI_NAME_SIZE]; /* from LANGDRIVER; "" when absent */
  void* engine;
} IdapiDriverObject;

typedef struct IdapiDatabaseObject {
  uint32_t kind; /* IDAPI_OBJECT_DATABASE */
  void* driver;  /* the IdapiDriverObject it belongs to */
  /* The driver's area: */
  int32_t handle;                                   /* the driver's handle number */
  char languageDriverName[IDAPI_LANGDRV_NAME_SIZE]; /* chosen at open */
  void* languageDriver;                             /* an IDAPI_OBJECT_LANGDRV */
  /* Kept by the engine from database slot 16 (driver type value). */
  uint32_t driverTypeValue;
  void* engine;
} IdapiDatabaseObject;

typedef struct IdapiCursorObject {
  uint32_t kind;  /* IDAPI_OBJECT_CURSOR */
  void* database; /* the IdapiDatabaseObject it was opened on */
  /* The driver's area: */
  int32_t handle;     /* the driver's handle number */
  int32_t secondKind; /* 2 when opened by a driver slot */
  void* secondObject; /* an engine object released with this cursor, or null */
  void* engine;
} IdapiCursorObject;

typedef struct IdapiLanguageDriver {
  uint32_t kind; /* IDAPI_OBJECT_LANGDRV */
  char name[IDAPI_NAME_SIZE];
  uint16_t codePage;
} IdapiLanguageDriver;

/* ---- Services the engine exports to drivers -------------------------------
 * (ordinal beside each) */

#define IDAPI_ORDINAL_PREPARE_DATABASE 72
#define IDAPI_ORDINAL_SYSTEM_INFO 125
#define IDAPI_ORDINAL_ENCODE_DATE 210
#define IDAPI_ORDINAL_DECODE_DATE 211
#define IDAPI_ORDINAL_ENCODE_TIME 242
#define IDAPI_ORDINAL_RELEASE_OBJECT 603
#define IDAPI_ORDINAL_POST_ERROR 689
#define IDAPI_ORDINAL_DEFAULT_LANGDRV 785
#define IDAPI_ORDINAL_OPEN_LANGDRV 789
#define IDAPI_ORDINAL_PROPERTIES_LANGDRV 798
#define IDAPI_ORDINAL_LANGDRV_NAME 813
#define IDAPI_ORDINAL_ADD_ERROR_CONTEXT 884
#define IDAPI_ORDINAL_LANGDRV_CODEPAGE 990
#define IDAPI_ORDINAL_LANGDRV_FOR_CODEPAGE 991
#define IDAPI_ORDINAL_CREATE_CURSOR 1208
#define IDAPI_ORDINAL_CREATE_DATABASE 1209
#define IDAPI_ORDINAL_REGISTER_DRIVER 1210

/* 1210. Registers a driver type: the engine makes the driver object and keeps
 * `table` (IDAPI_DRIVER_SLOTS entries) for it. `interfaceVersion`, `areaSize`,
 * `flags` and `level` are recorded. Answers IDAPI_OK and writes the object,
 * or IDAPI_ERR_INVALID_ARGUMENT for a null name, table or out-parameter.
 *   IdapiRegisterDriver("Morvalis400", 1, 300, 0, 35, table, 38, &driver); */
IDAPI_API uint16_t IdapiRegisterDriver(const char* driverType, uint16_t interfaceVersion,
                                       uint16_t areaSize, uint32_t flags, uint16_t tableSize,
                                       const IdapiEntry* table, uint16_t level, void** outDriver);

/* 72. Prepares the creation of a database object: fills the
 * IDAPI_PREPARED_DATABASE_SIZE bytes of `area`, which the driver passes on to
 * IdapiCreateDatabaseObject. */
#define IDAPI_PREPARED_DATABASE_SIZE 112
IDAPI_API uint16_t IdapiPrepareDatabase(void* area);

/* 1209. Makes a database object of `driverType` with the database entry
 * table `table` (IDAPI_DATABASE_SLOTS entries). `name`, `openMode` and
 * `shareMode` are the first three arguments of the driver's open database. */
IDAPI_API uint16_t IdapiCreateDatabaseObject(const void* preparedArea, const char* driverType,
                                             const char* tableType, const char* name,
                                             uint16_t openMode, uint16_t shareMode,
                                             uint16_t tableSize, const IdapiEntry* table,
                                             uint16_t level, void** outDatabase);

/* 1208. Makes a cursor object on `database` with the cursor entry table
 * `table` (IDAPI_CURSOR_SLOTS entries). `typeValue` is the database's
 * driverTypeValue and `languageDriver` its language driver; `level`,
 * `areaSize` and `flags` are recorded.
 *   IdapiCreateCursorObject(0, 0, db->driverTypeValue, db, db->languageDriver,
 *                           102, cursorTable, 12, 0, &cursor); */
IDAPI_API uint16_t IdapiCreateCursorObject(uint32_t reserved1, uint32_t reserved2,
                                           uint32_t typeValue, void* database, void* languageDriver,
                                           uint16_t level, const IdapiEntry* table,
                                           uint16_t areaSize, uint32_t flags, void** outCursor);

/* 603. Releases a driver, database, cursor or language-driver object made by
 * the services above. A null object is IDAPI_OK; an object the engine did not
 * make (or released already) answers IDAPI_ERR_BAD_OBJECT. */
IDAPI_API uint16_t IdapiReleaseObject(void* object);

/* 125. Fills `area` (IDAPI_SYSTEM_INFO_SIZE bytes): engine version (16-bit at
 * 0: major x 100 + minor), open databases (16-bit at 2), open cursors (16-bit
 * at 4), registered drivers (16-bit at 6), the rest 0. */
#define IDAPI_SYSTEM_INFO_SIZE 32
#define IDAPI_SYSINFO_VERSION 0
#define IDAPI_SYSINFO_DATABASES 2
#define IDAPI_SYSINFO_CURSORS 4
#define IDAPI_SYSINFO_DRIVERS 6
IDAPI_API uint16_t IdapiSystemInfo(void* area);

/* 689. Posts the error that the driver is about to answer: `code` and
 * `text` become the calling thread's last error (the text replaces the
 * previous one; the contexts are cleared). `category` (2) and `textKind`
 * (14: a message text) are recorded. */
#define IDAPI_ERROR_CATEGORY 2
#define IDAPI_CONTEXT_MESSAGE 14
#define IDAPI_CONTEXT_NATIVE_CODE 0x3F17
#define IDAPI_CONTEXT_EXPLANATION 0x3F18
IDAPI_API uint16_t IdapiPostError(uint16_t category, uint16_t code, uint16_t textKind,
                                  const char* text);

/* 884. Attaches a context to the calling thread's error `code`: kind
 * IDAPI_CONTEXT_MESSAGE gives the message, IDAPI_CONTEXT_NATIVE_CODE the
 * native (for example SQL) code as decimal text, IDAPI_CONTEXT_EXPLANATION
 * the failure in plain words for people (what failed, why, what to do). When
 * the last error is not `code` it becomes `code` with an empty text first. */
IDAPI_API uint16_t IdapiAddErrorContext(uint16_t category, uint16_t code, uint16_t contextKind,
                                        const char* text, uint32_t reserved);

/* Language drivers: engine objects naming a character set. The engine knows
 * "DBWINUS0" (code page 1252) and one per code page listed in
 * docs/vantora-db.md. Each open gives an object to release with
 * IdapiReleaseObject. */
/* 785. The engine's default language driver (setting Engine/LangDriver). */
IDAPI_API uint16_t IdapiOpenDefaultLanguageDriver(void** outLanguageDriver);
/* 789. The language driver `name` (compared without case); unknown:
 * IDAPI_ERR_INVALID_ARGUMENT. */
IDAPI_API uint16_t IdapiOpenLanguageDriver(const char* name, void** outLanguageDriver);
/* 990. The code page of a language driver. */
IDAPI_API uint16_t IdapiLanguageDriverCodePage(const void* languageDriver, uint16_t* codePage);
/* 991. The first language driver of `codePage`. */
IDAPI_API uint16_t IdapiOpenLanguageDriverForCodePage(uint16_t codePage, void** outLanguageDriver);
/* 813. Copies the name of a language driver into `name` (IDAPI_NAME_SIZE bytes). */
IDAPI_API uint16_t IdapiLanguageDriverName(const void* languageDriver, char* name);
/* 798. Writes the name of a language driver into a cursor-properties record
 * (at IDAPI_CPROP_LANGDRV). */
IDAPI_API uint16_t IdapiPropertiesLanguageDriver(const void* languageDriver, void* properties);

/* 210. Encodes a date: month 1-12, day 1 to the month's length, year 1-9999.
 * Anything else answers IDAPI_ERR_INVALID_ARGUMENT and writes nothing. */
IDAPI_API uint16_t IdapiEncodeDate(uint16_t month, uint16_t day, int16_t year, int32_t* date);
/* 211. Decodes a day number (0 to the day of 31 December 9999). */
IDAPI_API uint16_t IdapiDecodeDate(int32_t date, uint16_t* month, uint16_t* day, int16_t* year);
/* 242. Encodes a time: hour 0-23, minute 0-59, millisecond of the minute
 * 0-59999. */
IDAPI_API uint16_t IdapiEncodeTime(uint16_t hour, uint16_t minute, uint16_t millisecond,
                                   uint32_t* time);

/* ---- Byte layouts -----------------------------------------------------------
 * Offsets in bytes; 16-bit words unless said otherwise. */

/* Field descriptor (62 bytes): the engine's description of one field of a
 * record, also used for the configuration parameters of DrvInit and open
 * database (name at IDAPI_FLD_NAME, value offset in the value area at
 * IDAPI_FLD_OFFSET) and for the parameters of a stored procedure call. */
#define IDAPI_FIELD_DESC_SIZE 62
#define IDAPI_FLD_NUMBER 0 /* field number from 1 */
#define IDAPI_FLD_NAME 2   /* 32 bytes of text */
#define IDAPI_FLD_TYPE 34  /* logical type (IDAPI_TYPE_*) */
#define IDAPI_FLD_SUBTYPE 36
#define IDAPI_FLD_UNITS1 38      /* length of a text, digits of a number */
#define IDAPI_FLD_UNITS2 40      /* decimals */
#define IDAPI_FLD_OFFSET 42      /* offset in the record */
#define IDAPI_FLD_LENGTH 44      /* length in the record */
#define IDAPI_FLD_NULL_OFFSET 46 /* offset of the 16-bit null indicator; 0 = none */
#define IDAPI_FLD_RESERVED1 48   /* 32-bit, 0 */
#define IDAPI_FLD_RESERVED2 52   /* 32-bit, 0 */
#define IDAPI_FLD_RESERVED3 56   /* 0 */
#define IDAPI_FLD_DIRECTION 58   /* parameters: bit 0 input, bit 1 output */
#define IDAPI_FLD_PARAM_FLAGS 60 /* parameters: IDAPI_PARAM_POINTER */
#define IDAPI_FLD_NAME_SIZE 32
#define IDAPI_PARAM_IN 1
#define IDAPI_PARAM_OUT 2
/* The parameter buffer holds the address (a native pointer) of the value. */
#define IDAPI_PARAM_POINTER 0x10

/* Driver description (driver slot 0). */
#define IDAPI_DRIVER_DESC_SIZE 126
#define IDAPI_DDESC_TYPE 0     /* 32 bytes of text: the driver type */
#define IDAPI_DDESC_TEXT 32    /* 32 bytes of text */
#define IDAPI_DDESC_VERSION 64 /* 32-bit */
#define IDAPI_DDESC_RESERVED 68
#define IDAPI_DDESC_DBTYPE 70 /* 32 bytes of text: the database type */
#define IDAPI_DDESC_FLAGS 102 /* 12 words of capabilities */
#define IDAPI_DDESC_FLAG_COUNT 12

/* Table type description (driver slot 1). */
#define IDAPI_TABLE_TYPE_DESC_SIZE 156
#define IDAPI_TTDESC_NUMBER 0
#define IDAPI_TTDESC_NAME 2    /* 32 bytes */
#define IDAPI_TTDESC_TEXT 34   /* 32 bytes */
#define IDAPI_TTDESC_FORMAT 66 /* 32 bytes */
#define IDAPI_TTDESC_FLAGS 98  /* 8 words */
#define IDAPI_TTDESC_FLAG_COUNT 8
#define IDAPI_TTDESC_MAX_RECORD_SIZE 116 /* and 114 reserved */
#define IDAPI_TTDESC_MAX_FIELD_SIZE 118
#define IDAPI_TTDESC_MAX_NAME_LENGTH 120

/* Field type description (driver slot 2). */
#define IDAPI_FIELD_TYPE_DESC_SIZE 150
#define IDAPI_FTDESC_NUMBER 0
#define IDAPI_FTDESC_NAME 2  /* 32 bytes */
#define IDAPI_FTDESC_TEXT 34 /* 32 bytes */
#define IDAPI_FTDESC_NATIVE 66
#define IDAPI_FTDESC_LOGICAL 68
#define IDAPI_FTDESC_SUBTYPE 70
#define IDAPI_FTDESC_MAX_UNITS1 72
#define IDAPI_FTDESC_MAX_UNITS2 74
#define IDAPI_FTDESC_UNIT_SIZE 76
#define IDAPI_FTDESC_FLAG 78
#define IDAPI_FTDESC_FLAGS 80 /* 7 words */
#define IDAPI_FTDESC_FLAG_COUNT 7
#define IDAPI_FTDESC_MIN_UNITS 94
#define IDAPI_FTDESC_WORD96 96
#define IDAPI_FTDESC_WORD98 98

/* Driver capabilities (driver slot 11): 21 words. */
#define IDAPI_CAPABILITIES_SIZE 42

/* Table-list row (database slot 2), ten fields at the running offsets of
 * their lengths. The driver writes NAME, FILENAME, EXTENSION, TYPE and the two
 * words at IDAPI_TLROW_VIEW and IDAPI_TLROW_SYNONYM, which lie inside the
 * STRUCTURE text (so that text, when the engine has zeroed the row, stays
 * empty). */
#define IDAPI_TABLE_ROW_SIZE 626
#define IDAPI_TLROW_NAME 0        /* 261 */
#define IDAPI_TLROW_FILENAME 261  /* 261 */
#define IDAPI_TLROW_EXTENSION 522 /* 4 */
#define IDAPI_TLROW_TYPE 526      /* 32 */
#define IDAPI_TLROW_DATE 558      /* engine date */
#define IDAPI_TLROW_TIME 562      /* engine time */
#define IDAPI_TLROW_STRUCTURE 566 /* 32 */
#define IDAPI_TLROW_VIEW 570
#define IDAPI_TLROW_SYNONYM 572
#define IDAPI_TLROW_VERSION 598
#define IDAPI_TLROW_VALID 600
#define IDAPI_TLROW_PROTECTED 602
#define IDAPI_NAME_TEXT_SIZE 261 /* a table or index name with its NUL */

/* Cursor properties (cursor slot 0). */
#define IDAPI_CURSOR_PROPS_SIZE 427
#define IDAPI_CPROP_NAME 0 /* 261: the first access path's name */
#define IDAPI_CPROP_NAME_SIZE 261
#define IDAPI_CPROP_PROPERTY_COUNT 261 /* 35 */
#define IDAPI_CPROP_TABLE_TYPE 263     /* 32 */
#define IDAPI_CPROP_FIELDS 295
#define IDAPI_CPROP_RECORD_SIZE 297
#define IDAPI_CPROP_BUFFER_SIZE 299
#define IDAPI_CPROP_KEY_SIZE_LIMIT 301 /* 10 */
#define IDAPI_CPROP_INDEXES 303
#define IDAPI_CPROP_BOOKMARK_SIZE 309
#define IDAPI_CPROP_BOOKMARK_STABLE 311 /* 1 */
#define IDAPI_CPROP_RIGHTS 323          /* 0xFFFF */
#define IDAPI_CPROP_FLAGS 339           /* 32-bit, 31 */
#define IDAPI_CPROP_WORD343 343         /* 1 */
#define IDAPI_CPROP_WORD351 351         /* 5 */
#define IDAPI_CPROP_LANGDRV 353         /* 32: the language driver's name (798) */
#define IDAPI_CPROP_WORD385 385         /* 1 */
#define IDAPI_CPROP_MAX_BLOCK 387       /* 32000 */

/* Index descriptor (893 bytes), delivered in arrays. Index numbers: the
 * engine numbers a table's indexes from 1 (number 1 is the physical file's
 * own key); a driver's index list numbers them from 0. */
#define IDAPI_INDEX_DESC_SIZE 893
#define IDAPI_IDX_NAME 0 /* 261 */
#define IDAPI_IDX_NUMBER 261
#define IDAPI_IDX_TAG 263    /* 32 */
#define IDAPI_IDX_FORMAT 295 /* 32 */
#define IDAPI_IDX_PRIMARY 327
#define IDAPI_IDX_UNIQUE 329
#define IDAPI_IDX_DESCENDING 331
#define IDAPI_IDX_MAINTAINED 333
#define IDAPI_IDX_WORD337 337
#define IDAPI_IDX_WORD339 339
#define IDAPI_IDX_KEY_FIELDS 341
#define IDAPI_IDX_KEY_LENGTH 343
#define IDAPI_IDX_WORD345 345
#define IDAPI_IDX_WORD347 347
#define IDAPI_IDX_FIELD_NUMBERS 349 /* 16 words, field numbers from 1 */
#define IDAPI_IDX_MAX_KEY_FIELDS 16
#define IDAPI_IDX_EXPRESSION 381 /* 221 */
#define IDAPI_IDX_CONDITION 602  /* 221 */
#define IDAPI_IDX_WORD823 823
#define IDAPI_IDX_WORD825 825
#define IDAPI_IDX_WORD827 827

/* Index switch block (cursor slots 19 and 106): what the engine knows of the
 * cursor when it switches index; the driver copies it into a block of its
 * own and hands that back, and slot 106 frees it. */
#define IDAPI_CURSOR_BLOCK_SIZE 122
#define IDAPI_CBLK_INDEX_NAME 0 /* 80 */
#define IDAPI_CBLK_TAG_NAME 80  /* 32 */
#define IDAPI_CBLK_INDEX_NUMBER 112
#define IDAPI_CBLK_POSITION 114
#define IDAPI_CBLK_RESERVED 116 /* 6 */

/* Procedure-list row (database slot 32). */
#define IDAPI_PROC_ROW_SIZE 73
#define IDAPI_PROW_NAME 0  /* 65 */
#define IDAPI_PROW_DATE 65 /* engine date */
#define IDAPI_PROW_TIME 69 /* engine time */

/* Procedure-parameter row (database slot 33). */
#define IDAPI_PARAM_ROW_SIZE 50
#define IDAPI_PPROW_SEQUENCE 0
#define IDAPI_PPROW_NAME 2       /* 32 */
#define IDAPI_PPROW_DIRECTION 34 /* 4 bytes: direction word, PC type word */
#define IDAPI_PPROW_TYPE 38
#define IDAPI_PPROW_SUBTYPE 40
#define IDAPI_PPROW_UNITS1 42
#define IDAPI_PPROW_UNITS2 44
#define IDAPI_PPROW_OFFSET 46
#define IDAPI_PPROW_LENGTH 48

/* Transaction information (database slot 24): 32-bit, 32-bit, 16-bit. */
#define IDAPI_TRANSACTION_INFO_SIZE 10

/* Create-table descriptor (database slot 10). `fields` holds fieldCount
 * field descriptors, `indexes` indexCount index descriptors (only the first
 * is used). */
typedef struct IdapiTableDefinition {
  const char* name;
  uint16_t fieldCount;
  const void* fields;
  uint16_t indexCount;
  const void* indexes;
} IdapiTableDefinition;

/* Filter expression (cursor slot 88): a header of words, a node area and a
 * literal area. Offsets of nodes are relative to the node area, offsets of
 * literals to the literal area. The root node stands at node offset 0. */
#define IDAPI_FEXPR_VERSION 0 /* 1 */
#define IDAPI_FEXPR_TOTAL_SIZE 2
#define IDAPI_FEXPR_NODE_COUNT 4
#define IDAPI_FEXPR_NODE_AREA 6    /* word 3: offset of the node area */
#define IDAPI_FEXPR_LITERAL_AREA 8 /* word 4: offset of the literal area */
#define IDAPI_FEXPR_HEADER_SIZE 10
#define IDAPI_FNODE_CLASS 0    /* 32-bit */
#define IDAPI_FNODE_OPERATOR 4 /* 32-bit */
#define IDAPI_FNODE_OPERAND 8  /* unary: the operand's node offset */
#define IDAPI_FNODE_LEFT 8     /* binary */
#define IDAPI_FNODE_RIGHT 10
#define IDAPI_FNODE_FIELD_NUMBER 8 /* field */
#define IDAPI_FNODE_FIELD_NAME 10  /* literal offset of the NUL-terminated name */
#define IDAPI_FNODE_CONST_TYPE 8   /* constant: engine type */
#define IDAPI_FNODE_CONST_SIZE 10
#define IDAPI_FNODE_CONST_VALUE 12 /* literal offset of the value */
#define IDAPI_FNODE_UNARY_SIZE 10
#define IDAPI_FNODE_BINARY_SIZE 12
#define IDAPI_FNODE_FIELD_SIZE 12
#define IDAPI_FNODE_CONST_SIZE_BYTES 14
/* Node classes. */
#define IDAPI_FNODE_UNARY 1
#define IDAPI_FNODE_BINARY 2
#define IDAPI_FNODE_COMPARE 3
#define IDAPI_FNODE_FIELD 4
#define IDAPI_FNODE_CONSTANT 5
/* Operators. */
#define IDAPI_FOP_NONE 0x00
#define IDAPI_FOP_ISBLANK 0x01
#define IDAPI_FOP_NOTBLANK 0x02
#define IDAPI_FOP_EQ 0x03
#define IDAPI_FOP_NE 0x04
#define IDAPI_FOP_GT 0x05
#define IDAPI_FOP_LT 0x06
#define IDAPI_FOP_GE 0x07
#define IDAPI_FOP_LE 0x08
#define IDAPI_FOP_NOT 0x09
#define IDAPI_FOP_AND 0x0A
#define IDAPI_FOP_OR 0x0B
#define IDAPI_FOP_NEGATE 0x0F
#define IDAPI_FOP_ADD 0x10
#define IDAPI_FOP_SUBTRACT 0x11
#define IDAPI_FOP_MULTIPLY 0x12
#define IDAPI_FOP_DIVIDE 0x13
#define IDAPI_FOP_MOD 0x14
#define IDAPI_FOP_REM 0x15
#define IDAPI_FOP_SUM 0x16
#define IDAPI_FOP_COUNT 0x17
#define IDAPI_FOP_MIN 0x18
#define IDAPI_FOP_MAX 0x19
#define IDAPI_FOP_AVG 0x1A
#define IDAPI_FOP_CONT 0x1B
#define IDAPI_FOP_LIKE 0x1E

/* Properties asked with the get-property slots. */
#define IDAPI_PROP_DRIVER_VERSION 0x00030003u /* driver slot 29: "3.0" */
#define IDAPI_PROP_DB_PATH 0x00040001u
#define IDAPI_PROP_DB_TYPE 0x00040002u
#define IDAPI_PROP_DB_TABLE_TYPE 0x00040003u
#define IDAPI_PROP_LANGDRV_NAME 0x00060004u
#define IDAPI_PROP_NO_ANSWER 0x00060014u
#define IDAPI_PROP_CHANGEABLE 0x00060021u /* set: 1 wants a changeable result */
/* A statement's rows inserted, updated or deleted by its last execution, as
 * decimal text (cursor slot 105 on a statement). */
#define IDAPI_PROP_ROWS_CHANGED 0x00060030u

/* ---- Driver entry table slots --------------------------------------------
 * Each typedef gives the C signature of the slot of the same number. */

#define IDAPI_DRV_DESCRIBE_DRIVER 0
typedef uint16_t (*IdapiDrvDescribeDriver)(void* driver, void* description);
#define IDAPI_DRV_DESCRIBE_TABLE_TYPE 1
typedef uint16_t (*IdapiDrvDescribeTableType)(void* driver, uint16_t tableType, void* description);
#define IDAPI_DRV_DESCRIBE_FIELD_TYPE 2
typedef uint16_t (*IdapiDrvDescribeFieldType)(void* driver, const char* tableType,
                                              uint16_t fieldType, uint32_t reserved,
                                              void* description);
#define IDAPI_DRV_OPEN_DATABASE 5
typedef uint16_t (*IdapiDrvOpenDatabase)(const char* name, uint16_t openMode, uint16_t shareMode,
                                         char* password, uint16_t paramCount,
                                         const void* descriptors, const void* values,
                                         void** outDatabase);
/* Slot 6: database slot 9 without a database: the first argument is not used. */
#define IDAPI_DRV_OPEN_TABLE 6
#define IDAPI_DRV_CLOSE 8
typedef uint16_t (*IdapiDrvClose)(void* driver);
#define IDAPI_DRV_CAPABILITIES 11
typedef uint16_t (*IdapiDrvCapabilities)(void* driver, void* capabilities);
#define IDAPI_DRV_COPY_NAME 13
typedef uint16_t (*IdapiDrvCopyName)(void* driver, const char* name, char* out);
#define IDAPI_DRV_DEFAULT_LANGDRV 21
typedef uint16_t (*IdapiDrvDefaultLanguageDriver)(void* driver, uint16_t selector, char* out);
#define IDAPI_DRV_TRANSLATE_FIELD 22
typedef uint16_t (*IdapiDrvTranslateField)(void* driver, uint16_t toNative, void* engineDescriptor,
                                           void* nativeDescriptor);
#define IDAPI_DRV_NOP24 24
typedef uint16_t (*IdapiDrvNop24)(void* a, void* b, void* c, void* d, void* e);
#define IDAPI_DRV_PROPERTY 29
typedef uint16_t (*IdapiDrvProperty)(void* driver, uint32_t property, char* out, uint16_t* length);
/* Every other slot: */
typedef uint16_t (*IdapiUnsupported)(void* object);

/* ---- Database entry table slots ------------------------------------------ */

#define IDAPI_DB_OPEN_TABLE_LIST 2
typedef uint16_t (*IdapiDbOpenTableList)(void* database, const char* wildcard, uint16_t extended,
                                         uint16_t systemTables, void** outCursor);
#define IDAPI_DB_SLOT3 3
typedef uint16_t (*IdapiDbSlot3)(void* database);
#define IDAPI_DB_OPEN_INDEX_LIST 4
typedef uint16_t (*IdapiDbOpenIndexList)(void* database, const char* table, const char* driverType,
                                         uint32_t reserved, void** outCursor);
#define IDAPI_DB_OPEN_FIELD_LIST 5
typedef uint16_t (*IdapiDbOpenFieldList)(void* database, const char* table, void** outCursor);
#define IDAPI_DB_OPEN_TABLE 9
typedef uint16_t (*IdapiDbOpenTable)(void* database, const char* table, const char* driverType,
                                     const char* indexName, const char* indexTag,
                                     uint16_t indexNumber, uint16_t openMode, uint16_t shareMode,
                                     uint16_t modeWord, uint16_t further, void** outCursor);
typedef uint16_t (*IdapiDrvOpenTable)(void* unused, void* database, const char* table,
                                      const char* driverType, const char* indexName,
                                      const char* indexTag, uint16_t indexNumber, uint16_t openMode,
                                      uint16_t shareMode, uint16_t modeWord, uint16_t further,
                                      void** outCursor);
#define IDAPI_DB_CREATE_TABLE 10
typedef uint16_t (*IdapiDbCreateTable)(void* database, uint16_t overwrite,
                                       const IdapiTableDefinition* definition);
#define IDAPI_DB_CLOSE 11
typedef uint16_t (*IdapiDbClose)(void* database);
#define IDAPI_DB_NOP12 12
#define IDAPI_DB_NOP13 13
#define IDAPI_DB_NOP31 31
typedef uint16_t (*IdapiDbNop)(void* database);
#define IDAPI_DB_DRIVER_TYPE_VALUE 16
typedef uint16_t (*IdapiDbDriverTypeValue)(void* database, const char* driverType, uint32_t* value);
#define IDAPI_DB_COPY_NAME 17
typedef uint16_t (*IdapiDbCopyName)(void* database, const char* name, char* out);
#define IDAPI_DB_BEGIN_TRANSACTION 22
typedef uint16_t (*IdapiDbBeginTransaction)(void* database, uint32_t isolation,
                                            int32_t* outTransaction);
#define IDAPI_DB_END_TRANSACTION 23
/* `transaction` 0 when the caller has no transaction handle. Modes: */
#define IDAPI_END_COMMIT 0
#define IDAPI_END_COMMIT_KEEP 1
#define IDAPI_END_ROLLBACK 2
typedef uint16_t (*IdapiDbEndTransaction)(void* database, int32_t transaction, uint16_t mode);
#define IDAPI_DB_TRANSACTION_INFO 24
typedef uint16_t (*IdapiDbTransactionInfo)(void* database, int32_t transaction, void* info);
#define IDAPI_DB_LANGUAGE_DRIVER 25
typedef uint16_t (*IdapiDbLanguageDriver)(void* database, void** outLanguageDriver);
#define IDAPI_DB_PREPARE 28
typedef uint16_t (*IdapiDbPrepare)(void* database, void* statement, const char* text);
#define IDAPI_DB_PROPERTY 30
typedef uint16_t (*IdapiDbProperty)(void* database, uint32_t property, char* out, uint16_t limit,
                                    uint16_t* length);
#define IDAPI_DB_OPEN_PROCEDURE_LIST 32
typedef uint16_t (*IdapiDbOpenProcedureList)(void* database, const char* wildcard,
                                             uint16_t reserved, void** outCursor);
#define IDAPI_DB_OPEN_PARAMETER_LIST 33
typedef uint16_t (*IdapiDbOpenParameterList)(void* database, const char* procedure,
                                             void** outCursor);
#define IDAPI_DB_PREPARE_PROCEDURE 34
typedef uint16_t (*IdapiDbPrepareProcedure)(void* database, const char* procedure,
                                            void** outStatement);
#define IDAPI_DB_ALLOCATE_STATEMENT 37
typedef uint16_t (*IdapiDbAllocateStatement)(void* database, void** outStatement);

/* ---- Cursor entry table slots ---------------------------------------------
 * Statements (database slots 34 and 37) are cursor objects too: the
 * statement slots (102-104, 108) take them. */

#define IDAPI_CUR_PROPERTIES 0
typedef uint16_t (*IdapiCurProperties)(void* cursor, void* properties);
#define IDAPI_CUR_FIELD_DESCRIPTORS 1
typedef uint16_t (*IdapiCurFieldDescriptors)(void* cursor, void* descriptors);
#define IDAPI_CUR_NEXT 2
#define IDAPI_CUR_PRIOR 3
#define IDAPI_CUR_CURRENT 4
typedef uint16_t (*IdapiCurGetRecord)(void* cursor, uint16_t lock, void* record,
                                      void* recordProperties);
#define IDAPI_CUR_RELATIVE 5
typedef uint16_t (*IdapiCurRelative)(void* cursor, int32_t offset, uint16_t lock, void* record,
                                     int32_t* moved);
#define IDAPI_CUR_INIT_RECORD 6
typedef uint16_t (*IdapiCurInitRecord)(void* cursor, void* record);
#define IDAPI_CUR_INSERT 7
#define IDAPI_CUR_INSERT2 81
typedef uint16_t (*IdapiCurInsert)(void* cursor, void* record);
#define IDAPI_CUR_DELETE 8
typedef uint16_t (*IdapiCurDelete)(void* cursor);
#define IDAPI_CUR_MODIFY 9
typedef uint16_t (*IdapiCurModify)(void* cursor, void* record);
#define IDAPI_CUR_BEGIN 10
#define IDAPI_CUR_END 11
typedef uint16_t (*IdapiCurMove)(void* cursor);
#define IDAPI_CUR_SET_BOOKMARK 12
typedef uint16_t (*IdapiCurSetBookmark)(void* cursor, const void* bookmark);
#define IDAPI_CUR_GET_BOOKMARK 13
typedef uint16_t (*IdapiCurGetBookmark)(void* cursor, void* bookmark);
#define IDAPI_BOOKMARK_SIZE 4
#define IDAPI_CUR_SET_POSITION 14
typedef uint16_t (*IdapiCurSetPosition)(void* cursor, int32_t position);
#define IDAPI_CUR_COMPARE_BOOKMARKS 15
typedef uint16_t (*IdapiCurCompareBookmarks)(void* cursor, const void* first, const void* second,
                                             int16_t* result);
#define IDAPI_CUR_CLONE 16
typedef uint16_t (*IdapiCurClone)(void* cursor, uint16_t keepWrite, void** outCursor);
#define IDAPI_CUR_SWITCH_INDEX 19
typedef uint16_t (*IdapiCurSwitchIndex)(void* cursor, const char* indexName, const char* tagName,
                                        uint16_t indexNumber, uint16_t position, const void* block,
                                        void** outBlock);
#define IDAPI_CUR_INDEX_DESCRIPTOR 20
typedef uint16_t (*IdapiCurIndexDescriptor)(void* cursor, uint16_t number, void* descriptor);
#define IDAPI_CUR_SET_TO_KEY 21
#define IDAPI_CUR_SET_TO_KEY2 83
/* Search conditions: */
#define IDAPI_KEY_EQ 0
#define IDAPI_KEY_GT 1
#define IDAPI_KEY_GE 2
typedef uint16_t (*IdapiCurSetToKey)(void* cursor, uint16_t condition, uint16_t direct,
                                     uint16_t fieldCount, uint16_t partialLength,
                                     const void* keyOrRecord, void* outRecord);
#define IDAPI_CUR_EXTRACT_KEY 22
typedef uint16_t (*IdapiCurExtractKey)(void* cursor, const void* record, void* key);
#define IDAPI_CUR_SET_RANGE 23
typedef uint16_t (*IdapiCurSetRange)(void* cursor, uint16_t direct, uint16_t fieldCount,
                                     uint16_t partialLength, const void* lowKey,
                                     uint16_t lowInclusive, const void* highKey,
                                     uint16_t highInclusive);
#define IDAPI_CUR_RECORD_COUNT 26
typedef uint16_t (*IdapiCurRecordCount)(void* cursor, int32_t* count);
#define IDAPI_CUR_CLOSE 27
typedef uint16_t (*IdapiCurClose)(void* cursor);
#define IDAPI_CUR_GET_FIELD 28
typedef uint16_t (*IdapiCurGetField)(void* cursor, uint16_t field, const void* record, void* value,
                                     int16_t* isBlank);
#define IDAPI_CUR_PUT_FIELD 29
typedef uint16_t (*IdapiCurPutField)(void* cursor, uint16_t field, void* record, const void* value);
#define IDAPI_CUR_READ_BLOCK 39
#define IDAPI_CUR_WRITE_BLOCK 40
typedef uint16_t (*IdapiCurBlock)(void* cursor, int32_t* count, void* records);
#define IDAPI_CUR_RELEASE_LOCK 53
typedef uint16_t (*IdapiCurReleaseLock)(void* cursor);
#define IDAPI_CUR_INDEX_MAINTENANCE 65
/* Operations: */
#define IDAPI_INDEX_ADD 1
#define IDAPI_INDEX_DELETE 4
#define IDAPI_INDEX_REGENERATE 5
/* `cursor` may be null when `database` is given (no table open). */
typedef uint16_t (*IdapiCurIndexMaintenance)(void* cursor, void* database, uint16_t operation,
                                             const char* table, const char* indexName,
                                             const void* indexDescriptor);
#define IDAPI_CUR_SLOT66 66
#define IDAPI_CUR_ADD_FILTER 88
typedef uint16_t (*IdapiCurAddFilter)(void* cursor, uint32_t clientData, uint16_t priority,
                                      uint16_t canAbort, const void* expression, void* callback,
                                      int32_t* outFilter);
#define IDAPI_CUR_DROP_FILTER 89
#define IDAPI_CUR_ACTIVATE_FILTER 90
#define IDAPI_CUR_DEACTIVATE_FILTER 91
typedef uint16_t (*IdapiCurFilter)(void* cursor, int32_t filter);
#define IDAPI_CUR_QUERY_COUNT 92
#define IDAPI_CUR_ALL_INDEX_DESCRIPTORS 98
typedef uint16_t (*IdapiCurAllIndexDescriptors)(void* cursor, void* descriptors);
#define IDAPI_CUR_SLOT101 101
#define IDAPI_CUR_EXECUTE 102
typedef uint16_t (*IdapiCurExecute)(void* statement, void** outCursor);
#define IDAPI_CUR_SET_PARAMETERS 103
#define IDAPI_CUR_SET_PARAMETER_DESCRIPTORS 108
typedef uint16_t (*IdapiCurParameters)(void* statement, uint16_t count, const void* descriptors,
                                       void* record);
#define IDAPI_CUR_SET_STATEMENT_PROPERTY 104
typedef uint16_t (*IdapiCurSetProperty)(void* statement, uint32_t property, uint32_t value);
#define IDAPI_CUR_PROPERTY 105
typedef uint16_t (*IdapiCurProperty)(void* cursor, uint32_t property, char* out, uint16_t limit,
                                     uint16_t* length);
#define IDAPI_CUR_RELEASE_BLOCK 106
typedef uint16_t (*IdapiCurReleaseBlock)(void* cursor, void* block);
/* Slots 17, 51, 52, 55, 75, 76, 87, 97 answer IDAPI_OK: IdapiUnsupported's shape. */

/* ---- The driver's one export ---------------------------------------------- */

/* DrvInit: (1), (2) and (6) not used; `paramCount` configuration parameters
 * as field descriptors (name, value offset) with their values in `values`;
 * the driver object is written to `outDriver`. */
typedef uint16_t (*IdapiDrvInit)(uint32_t reserved1, uint32_t reserved2, uint32_t paramCount,
                                 const void* descriptors, const void* values, void* reserved6,
                                 void** outDriver);
#define IDAPI_DRVINIT_NAME "DrvInit"

/* ---- Little-endian access to the layouts above ---------------------------- */

static inline uint16_t idapi_get_u16(const void* base, size_t offset) {
  const unsigned char* p = (const unsigned char*)base + offset;
  return (uint16_t)(p[0] | (p[1] << 8));
}
static inline int16_t idapi_get_i16(const void* base, size_t offset) {
  return (int16_t)idapi_get_u16(base, offset);
}
static inline uint32_t idapi_get_u32(const void* base, size_t offset) {
  const unsigned char* p = (const unsigned char*)base + offset;
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
static inline int32_t idapi_get_i32(const void* base, size_t offset) {
  return (int32_t)idapi_get_u32(base, offset);
}
static inline void idapi_put_u16(void* base, size_t offset, uint16_t value) {
  unsigned char* p = (unsigned char*)base + offset;
  p[0] = (unsigned char)(value & 0xFF);
  p[1] = (unsigned char)(value >> 8);
}
static inline void idapi_put_u32(void* base, size_t offset, uint32_t value) {
  unsigned char* p = (unsigned char*)base + offset;
  p[0] = (unsigned char)(value & 0xFF);
  p[1] = (unsigned char)((value >> 8) & 0xFF);
  p[2] = (unsigned char)((value >> 16) & 0xFF);
  p[3] = (unsigned char)(value >> 24);
}
/* Copies `text` into the field of `width` bytes at `offset`, cut to width - 1
 * characters; the rest of the field is zeroed. */
static inline void idapi_put_text(void* base, size_t offset, size_t width, const char* text) {
  unsigned char* p = (unsigned char*)base + offset;
  size_t n = 0;
  if (width == 0) return;
  while (text != NULL && n + 1 < width && text[n] != '\0') { /* NOLINT(modernize-use-nullptr): C */
    p[n] = (unsigned char)text[n];
    ++n;
  }
  memset(p + n, 0, width - n);
}
/* The length of the text in the field of `width` bytes at `offset` (up to
 * its NUL, at most `width`). */
static inline size_t idapi_text_length(const void* base, size_t offset, size_t width) {
  const unsigned char* p = (const unsigned char*)base + offset;
  size_t n = 0;
  while (n < width && p[n] != 0) ++n;
  return n;
}

#ifdef __cplusplus
}
#endif

#endif /* IDAPI_H_ */
