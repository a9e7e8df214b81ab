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
 *     fprintf(stderr, "0x%04X %s\n", e.status, e.message);
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
 * and Driver.<type>). Calls nest: each VdbStart needs a VdbStop. */
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
  uint16_t status;             /* IDAPI_OK when no call failed yet */
  char message[VDB_TEXT_SIZE]; /* the driver's text, else the status's description */
  char context[VDB_TEXT_SIZE]; /* the message attached as error context, or "" */
  char nativeCode[32];         /* the native code (SQLCODE) as text, or "" */
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

#ifdef __cplusplus
}
#endif

#endif /* IDAPI_APP_H_ */
