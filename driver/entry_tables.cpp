// The slots of the three entry tables. Each slot is a function of exactly
// its typedef in idapi.h; slots of operations the driver does not have
// answer IDAPI_ERR_NOT_SUPPORTED.
#include "driver/frame/entry_tables.h"

#include <array>
#include <cstring>

#include "driver/cursors/cursor_slots.h"
#include "driver/cursors/definitions.h"
#include "driver/cursors/filters.h"
#include "driver/cursors/procedure_call.h"
#include "driver/cursors/statements.h"
#include "driver/cursors/transactions.h"
#include "driver/frame/database.h"
#include "driver/frame/descriptions.h"
#include "driver/frame/field_list.h"
#include "driver/frame/index_list.h"
#include "driver/frame/open_table.h"
#include "driver/frame/procedure_list.h"
#include "driver/frame/registration.h"
#include "driver/frame/slots.h"
#include "driver/frame/table_list.h"

namespace vantora::driver {
namespace {

template <typename Fn>
IdapiEntry E(Fn fn) {
  return reinterpret_cast<IdapiEntry>(fn);
}

uint16_t Unsupported(void*) {
  return IDAPI_ERR_NOT_SUPPORTED;
}
uint16_t Nothing(void*) {
  return IDAPI_OK;
}

// ---- Driver table --------------------------------------------------------

uint16_t DrvDescribeDriver(void*, void* description) {
  if (description == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  DescribeDriver(description);
  return IDAPI_OK;
}
uint16_t DrvDescribeTableType(void*, uint16_t tableType, void* description) {
  if (description == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  return DescribeTableType(tableType, description);
}
uint16_t DrvDescribeFieldType(void*, const char*, uint16_t fieldType, uint32_t, void* description) {
  if (description == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  return DescribeFieldType(fieldType, description);
}
uint16_t DrvOpenTable(void*, void* database, const char* table, const char* driverType,
                      const char* indexName, const char* indexTag, uint16_t indexNumber,
                      uint16_t openMode, uint16_t shareMode, uint16_t modeWord, uint16_t further,
                      void** outCursor);
uint16_t DrvCapabilities(void*, void* capabilities) {
  if (capabilities == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  DescribeCapabilities(capabilities);
  return IDAPI_OK;
}
uint16_t DrvCopyName(void*, const char* name, char* out) {
  if (name == nullptr || out == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  std::memmove(out, name, std::strlen(name) + 1);
  return IDAPI_OK;
}
uint16_t DrvDefaultLanguageDriver(void* driver, uint16_t selector, char* out) {
  if (selector != 0) return IDAPI_ERR_NOT_SUPPORTED;
  auto* d = static_cast<IdapiDriverObject*>(driver);
  if (d == nullptr || out == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  idapi_put_text(out, 0, IDAPI_NAME_SIZE, d->defaultLanguageDriver);
  return IDAPI_OK;
}
uint16_t DrvTranslateField(void*, uint16_t toNative, void* engineDescriptor,
                           void* nativeDescriptor) {
  if (engineDescriptor == nullptr || nativeDescriptor == nullptr) {
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  TranslateFieldDescriptor(toNative, engineDescriptor, nativeDescriptor);
  return IDAPI_OK;
}
uint16_t DrvNop24(void*, void*, void*, void*, void*) {
  return IDAPI_OK;
}
uint16_t DrvProperty(void*, uint32_t property, char* out, uint16_t* length) {
  if (property == IDAPI_PROP_DRIVER_VERSION) {
    if (out != nullptr) std::strcpy(out, "3.0");
    if (length != nullptr) *length = 4;
  }
  return IDAPI_OK;
}

// ---- Database table ------------------------------------------------------

uint16_t DbSlot3(void*) {
  return IDAPI_ERR_NOT_SUPPORTED_HERE;
}
uint16_t DbClose(void* database) {
  return CloseDatabase(database);
}
uint16_t DbDriverTypeValue(void*, const char* driverType, uint32_t* value) {
  if (driverType != nullptr && *driverType != '\0' && std::strcmp(driverType, kDriverType) != 0) {
    return IDAPI_ERR_DRIVER_TYPE;
  }
  if (value != nullptr) *value = 0x4D563430;  // "MV40"
  return IDAPI_OK;
}
uint16_t DbCopyName(void*, const char* name, char* out) {
  return DrvCopyName(nullptr, name, out);
}
uint16_t DbLanguageDriver(void* database, void** out) {
  if (database == nullptr || out == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  *out = static_cast<IdapiDatabaseObject*>(database)->languageDriver;
  return IDAPI_OK;
}
uint16_t DbProperty(void* database, uint32_t property, char* out, uint16_t, uint16_t* length) {
  return GetProperty(static_cast<IdapiDatabaseObject*>(database), property, out, length);
}

uint16_t DbOpenTable(void* database, const char* table, const char*, const char* indexName,
                     const char* indexTag, uint16_t indexNumber, uint16_t openMode,
                     uint16_t shareMode, uint16_t modeWord, uint16_t, void** outCursor) {
  return OpenTable(database, table, indexName, indexTag, indexNumber, openMode, shareMode, modeWord,
                   outCursor);
}

uint16_t DbOpenTableList(void* database, const char*, uint16_t, uint16_t, void** outCursor) {
  return OpenTableList(database, outCursor);
}

uint16_t DbOpenIndexList(void* database, const char* table, const char*, uint32_t,
                         void** outCursor) {
  return OpenIndexList(database, table, outCursor);
}

uint16_t DbOpenFieldList(void* database, const char* table, void** outCursor) {
  return OpenFieldList(database, table, outCursor);
}

uint16_t DrvOpenTable(void*, void* database, const char* table, const char* driverType,
                      const char* indexName, const char* indexTag, uint16_t indexNumber,
                      uint16_t openMode, uint16_t shareMode, uint16_t modeWord, uint16_t further,
                      void** outCursor) {
  return DbOpenTable(database, table, driverType, indexName, indexTag, indexNumber, openMode,
                     shareMode, modeWord, further, outCursor);
}

// ---- Cursor table --------------------------------------------------------

uint16_t CurClose(void* cursor) {
  auto* c = static_cast<IdapiCursorObject*>(cursor);
  if (c == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  if (DriverHandle* h = CursorHandle(c)) {
    // A record cursor's filters go first: their open query files close.
    if (h->kind == HandleKind::kRecordCursor) DropFilters(static_cast<RecordCursor*>(h));
    FreeHandle(h);
  }
  void* second = c->secondObject;
  IdapiReleaseObject(c);
  if (second != nullptr) IdapiReleaseObject(second);
  return IDAPI_OK;
}
uint16_t CurSlot66(void*) {
  return IDAPI_ERR_NOT_AVAILABLE;
}
uint16_t CurSlot101(void*) {
  return IDAPI_ERR_NOT_IMPLEMENTED;
}
uint16_t CurProperty(void* cursor, uint32_t property, char* out, uint16_t, uint16_t* length) {
  auto* c = static_cast<IdapiCursorObject*>(cursor);
  if (c == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  if (uint16_t s = IDAPI_OK; StatementProperty(cursor, property, out, length, &s)) return s;
  return GetProperty(static_cast<IdapiDatabaseObject*>(c->database), property, out, length);
}

template <size_t N>
std::array<IdapiEntry, N> AllUnsupported() {
  std::array<IdapiEntry, N> t;
  t.fill(E(&Unsupported));
  return t;
}

std::array<IdapiEntry, IDAPI_DRIVER_SLOTS> MakeDriverTable() {
  auto t = AllUnsupported<IDAPI_DRIVER_SLOTS>();
  t[IDAPI_DRV_DESCRIBE_DRIVER] = E(&DrvDescribeDriver);
  t[IDAPI_DRV_DESCRIBE_TABLE_TYPE] = E(&DrvDescribeTableType);
  t[IDAPI_DRV_DESCRIBE_FIELD_TYPE] = E(&DrvDescribeFieldType);
  t[IDAPI_DRV_OPEN_DATABASE] = E(&OpenDatabase);
  t[IDAPI_DRV_OPEN_TABLE] = E(&DrvOpenTable);
  t[IDAPI_DRV_CLOSE] = E(&CloseDriver);
  t[IDAPI_DRV_CAPABILITIES] = E(&DrvCapabilities);
  t[IDAPI_DRV_COPY_NAME] = E(&DrvCopyName);
  t[IDAPI_DRV_DEFAULT_LANGDRV] = E(&DrvDefaultLanguageDriver);
  t[IDAPI_DRV_TRANSLATE_FIELD] = E(&DrvTranslateField);
  t[IDAPI_DRV_NOP24] = E(&DrvNop24);
  t[IDAPI_DRV_PROPERTY] = E(&DrvProperty);
  return t;
}

std::array<IdapiEntry, IDAPI_DATABASE_SLOTS> MakeDatabaseTable() {
  auto t = AllUnsupported<IDAPI_DATABASE_SLOTS>();
  t[IDAPI_DB_SLOT3] = E(&DbSlot3);
  t[IDAPI_DB_OPEN_TABLE] = E(&DbOpenTable);
  t[IDAPI_DB_OPEN_TABLE_LIST] = E(&DbOpenTableList);
  t[IDAPI_DB_OPEN_INDEX_LIST] = E(&DbOpenIndexList);
  t[IDAPI_DB_OPEN_FIELD_LIST] = E(&DbOpenFieldList);
  t[IDAPI_DB_CLOSE] = E(&DbClose);
  t[IDAPI_DB_NOP12] = E(&Nothing);
  t[IDAPI_DB_NOP13] = E(&Nothing);
  t[IDAPI_DB_NOP31] = E(&Nothing);
  t[IDAPI_DB_DRIVER_TYPE_VALUE] = E(&DbDriverTypeValue);
  t[IDAPI_DB_COPY_NAME] = E(&DbCopyName);
  t[IDAPI_DB_LANGUAGE_DRIVER] = E(&DbLanguageDriver);
  t[IDAPI_DB_PROPERTY] = E(&DbProperty);
  t[IDAPI_DB_CREATE_TABLE] = E(&CreateTable);
  t[IDAPI_DB_PREPARE] = E(&PrepareStatement);
  t[IDAPI_DB_ALLOCATE_STATEMENT] = E(&AllocateStatement);
  t[IDAPI_DB_OPEN_PROCEDURE_LIST] = E(&OpenProcedureList);
  t[IDAPI_DB_OPEN_PARAMETER_LIST] = E(&OpenParameterList);
  t[IDAPI_DB_PREPARE_PROCEDURE] = E(&PrepareProcedure);
  t[IDAPI_DB_BEGIN_TRANSACTION] = E(&BeginTransaction);
  t[IDAPI_DB_END_TRANSACTION] = E(&EndTransaction);
  t[IDAPI_DB_TRANSACTION_INFO] = E(&TransactionInfo);
  return t;
}

std::array<IdapiEntry, IDAPI_CURSOR_SLOTS> MakeCursorTable() {
  auto t = AllUnsupported<IDAPI_CURSOR_SLOTS>();
  for (int slot : {17, 51, 52, 55, 75, 76, 87, 97}) t[slot] = E(&Nothing);
  t[IDAPI_CUR_CLOSE] = E(&CurClose);
  t[IDAPI_CUR_SLOT66] = E(&CurSlot66);
  t[IDAPI_CUR_SLOT101] = E(&CurSlot101);
  t[IDAPI_CUR_PROPERTY] = E(&CurProperty);
  t[IDAPI_CUR_INDEX_MAINTENANCE] = E(&MaintainIndex);
  t[IDAPI_CUR_EXECUTE] = E(&ExecuteStatement);
  t[IDAPI_CUR_SET_PARAMETERS] = E(&SetParameters);
  t[IDAPI_CUR_SET_PARAMETER_DESCRIPTORS] = E(&SetParameterDescriptors);
  t[IDAPI_CUR_SET_STATEMENT_PROPERTY] = E(&SetStatementProperty);
  FillCursorSlots(t.data());
  return t;
}

}  // namespace

const IdapiEntry* DriverTable() {
  static const auto table = MakeDriverTable();
  return table.data();
}

const IdapiEntry* DatabaseTable() {
  static const auto table = MakeDatabaseTable();
  return table.data();
}

const IdapiEntry* CursorTable() {
  static const auto table = MakeCursorTable();
  return table.data();
}

}  // namespace vantora::driver
