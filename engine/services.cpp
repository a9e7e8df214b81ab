// The services the engine exports to its drivers (idapi.h).
#include <cstring>

#include "engine/calendar.h"
#include "engine/drivers.h"
#include "engine/error_state.h"
#include "engine/language_drivers.h"
#include "engine/objects.h"
#include "idapi.h"
#include "platform/profile.h"

using namespace vantora::engine;

namespace {

constexpr uint16_t kEngineVersion = 100;  // 1.00

template <size_t N>
void CopyTable(std::array<IdapiEntry, N>& to, const IdapiEntry* from) {
  std::memcpy(to.data(), from, sizeof(IdapiEntry) * N);
}

uint16_t OpenLanguageDriverInfo(const LanguageDriverInfo* info, void** out) {
  if (info == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  LanguageDriver* ld = NewLanguageDriver(info->name, info->codePage);
  if (ld == nullptr) return IDAPI_ERR_NO_MEMORY;
  *out = &ld->pub;
  return IDAPI_OK;
}

}  // namespace

extern "C" {

IDAPI_API uint16_t IdapiRegisterDriver(const char* driverType, uint16_t interfaceVersion,
                                       uint16_t /*areaSize*/, uint32_t /*flags*/,
                                       uint16_t /*tableSize*/, const IdapiEntry* table,
                                       uint16_t level, void** outDriver) {
  if (driverType == nullptr || *driverType == '\0' || table == nullptr || outDriver == nullptr) {
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  Driver* d = NewDriver(driverType);
  if (d == nullptr) return IDAPI_ERR_NO_MEMORY;
  CopyTable(d->table, table);
  d->interfaceVersion = interfaceVersion;
  d->level = level;
  DriverRegistered(d);
  *outDriver = &d->pub;
  return IDAPI_OK;
}

IDAPI_API uint16_t IdapiPrepareDatabase(void* area) {
  if (area == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  std::memset(area, 0, IDAPI_PREPARED_DATABASE_SIZE);
  idapi_put_u16(area, 0, kEngineVersion);
  return IDAPI_OK;
}

IDAPI_API uint16_t IdapiCreateDatabaseObject(const void* preparedArea, const char* driverType,
                                             const char* /*tableType*/, const char* name,
                                             uint16_t /*openMode*/, uint16_t /*shareMode*/,
                                             uint16_t /*tableSize*/, const IdapiEntry* table,
                                             uint16_t level, void** outDatabase) {
  if (preparedArea == nullptr || driverType == nullptr || table == nullptr ||
      outDatabase == nullptr) {
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  Driver* driver = RegisteredDriver(driverType);
  if (driver == nullptr) return IDAPI_ERR_DRIVER_TYPE;
  Database* db = NewDatabase(driver);
  if (db == nullptr) return IDAPI_ERR_NO_MEMORY;
  db->name = name != nullptr ? name : "";
  CopyTable(db->table, table);
  db->level = level;
  *outDatabase = &db->pub;
  return IDAPI_OK;
}

IDAPI_API uint16_t IdapiCreateCursorObject(uint32_t, uint32_t, uint32_t /*typeValue*/,
                                           void* database, void* /*languageDriver*/, uint16_t level,
                                           const IdapiEntry* table, uint16_t /*areaSize*/,
                                           uint32_t /*flags*/, void** outCursor) {
  Database* db = AsDatabase(database);
  if (db == nullptr || table == nullptr || outCursor == nullptr) {
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  Cursor* c = NewCursor(db);
  if (c == nullptr) return IDAPI_ERR_NO_MEMORY;
  CopyTable(c->table, table);
  c->level = level;
  *outCursor = &c->pub;
  return IDAPI_OK;
}

IDAPI_API uint16_t IdapiReleaseObject(void* object) {
  if (object == nullptr) return IDAPI_OK;
  if (Driver* d = AsDriver(object)) DriverReleased(d);
  return ReleaseObject(object) ? IDAPI_OK : IDAPI_ERR_BAD_OBJECT;
}

IDAPI_API uint16_t IdapiSystemInfo(void* area) {
  if (area == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  std::memset(area, 0, IDAPI_SYSTEM_INFO_SIZE);
  const ObjectCounts n = CountObjects();
  idapi_put_u16(area, IDAPI_SYSINFO_VERSION, kEngineVersion);
  idapi_put_u16(area, IDAPI_SYSINFO_DATABASES, static_cast<uint16_t>(n.databases));
  idapi_put_u16(area, IDAPI_SYSINFO_CURSORS, static_cast<uint16_t>(n.cursors));
  idapi_put_u16(area, IDAPI_SYSINFO_DRIVERS, static_cast<uint16_t>(n.drivers));
  return IDAPI_OK;
}

IDAPI_API uint16_t IdapiPostError(uint16_t, uint16_t code, uint16_t, const char* text) {
  PostError(code, text);
  return IDAPI_OK;
}

IDAPI_API uint16_t IdapiAddErrorContext(uint16_t, uint16_t code, uint16_t contextKind,
                                        const char* text, uint32_t) {
  AddErrorContext(code, contextKind, text);
  return IDAPI_OK;
}

IDAPI_API uint16_t IdapiOpenDefaultLanguageDriver(void** outLanguageDriver) {
  if (outLanguageDriver == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  const std::string name =
      vantora::platform::Profile::FromDefaultFile().GetString("Engine", "LangDriver", "DBWINUS0");
  return OpenLanguageDriverInfo(FindLanguageDriver(name), outLanguageDriver);
}

IDAPI_API uint16_t IdapiOpenLanguageDriver(const char* name, void** outLanguageDriver) {
  if (name == nullptr || outLanguageDriver == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  return OpenLanguageDriverInfo(FindLanguageDriver(name), outLanguageDriver);
}

IDAPI_API uint16_t IdapiLanguageDriverCodePage(const void* languageDriver, uint16_t* codePage) {
  LanguageDriver* ld = AsLanguageDriver(languageDriver);
  if (ld == nullptr || codePage == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  *codePage = ld->pub.codePage;
  return IDAPI_OK;
}

IDAPI_API uint16_t IdapiOpenLanguageDriverForCodePage(uint16_t codePage, void** outLanguageDriver) {
  if (outLanguageDriver == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  return OpenLanguageDriverInfo(FindLanguageDriverForCodePage(codePage), outLanguageDriver);
}

IDAPI_API uint16_t IdapiLanguageDriverName(const void* languageDriver, char* name) {
  LanguageDriver* ld = AsLanguageDriver(languageDriver);
  if (ld == nullptr || name == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  idapi_put_text(name, 0, IDAPI_NAME_SIZE, ld->pub.name);
  return IDAPI_OK;
}

IDAPI_API uint16_t IdapiPropertiesLanguageDriver(const void* languageDriver, void* properties) {
  LanguageDriver* ld = AsLanguageDriver(languageDriver);
  if (ld == nullptr || properties == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  idapi_put_text(properties, IDAPI_CPROP_LANGDRV, IDAPI_NAME_SIZE, ld->pub.name);
  return IDAPI_OK;
}

IDAPI_API uint16_t IdapiEncodeDate(uint16_t month, uint16_t day, int16_t year, int32_t* date) {
  if (date == nullptr || !EncodeDate(month, day, year, date)) return IDAPI_ERR_INVALID_ARGUMENT;
  return IDAPI_OK;
}

IDAPI_API uint16_t IdapiDecodeDate(int32_t date, uint16_t* month, uint16_t* day, int16_t* year) {
  int m = 0, d = 0, y = 0;
  if (month == nullptr || day == nullptr || year == nullptr || !DecodeDate(date, &m, &d, &y)) {
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  *month = static_cast<uint16_t>(m);
  *day = static_cast<uint16_t>(d);
  *year = static_cast<int16_t>(y);
  return IDAPI_OK;
}

IDAPI_API uint16_t IdapiEncodeTime(uint16_t hour, uint16_t minute, uint16_t millisecond,
                                   uint32_t* time) {
  if (time == nullptr || !EncodeTime(hour, minute, millisecond, time)) {
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  return IDAPI_OK;
}

}  // extern "C"
