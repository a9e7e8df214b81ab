// Databases and driver descriptions of the application interface.
#include <cstring>
#include <string>
#include <vector>

#include "engine/application.h"
#include "engine/error_state.h"
#include "engine/parameter_block.h"
#include "idapi_app.h"

using namespace vantora::engine;

namespace {

Database* Open(VdbDatabase* database) {
  return AsDatabase(database);
}

// Runs a description slot of `driverType`'s driver.
template <typename Call>
uint16_t WithDriver(const char* driverType, Call call) {
  ApplicationCall app;
  if (!EngineStarted()) return app.Finish(IDAPI_ERR_NOT_STARTED);
  if (driverType == nullptr) return app.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  Driver* d = nullptr;
  if (uint16_t status = DriverFor(driverType, &d); status != IDAPI_OK) return app.Finish(status);
  return app.Finish(call(d));
}

}  // namespace

extern "C" {

IDAPI_API uint16_t VdbOpenDatabase(const char* driverType, const char* name,
                                   const VdbParameter* parameters, int32_t count,
                                   const char* password, VdbDatabase** database) {
  ApplicationCall call;
  if (!EngineStarted()) return call.Finish(IDAPI_ERR_NOT_STARTED);
  if (driverType == nullptr || database == nullptr || count < 0 ||
      (count > 0 && parameters == nullptr)) {
    return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  }
  *database = nullptr;
  Driver* d = nullptr;
  if (uint16_t status = DriverFor(driverType, &d); status != IDAPI_OK) return call.Finish(status);
  ParameterBlock params;
  for (int32_t i = 0; i < count; ++i) {
    if (parameters[i].name == nullptr ||
        !params.Add(parameters[i].name,
                    parameters[i].value != nullptr ? parameters[i].value : "")) {
      return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
    }
  }
  // The driver may upper-case the password in place: it gets a copy.
  std::vector<char> secret;
  if (password != nullptr) secret.assign(password, password + std::strlen(password) + 1);
  auto open = Slot<IdapiDrvOpenDatabase>(d, IDAPI_DRV_OPEN_DATABASE);
  void* object = nullptr;
  const uint16_t status =
      open(name != nullptr ? name : "", 0, 0, password != nullptr ? secret.data() : nullptr,
           params.count(), params.descriptors(), params.values(), &object);
  std::fill(secret.begin(), secret.end(), '\0');
  if (status != IDAPI_OK) return call.Finish(status);
  Database* db = AsDatabase(object);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  uint32_t typeValue = 0;
  if (Slot<IdapiDbDriverTypeValue>(db, IDAPI_DB_DRIVER_TYPE_VALUE)(&db->pub, d->type.c_str(),
                                                                   &typeValue) == IDAPI_OK) {
    db->pub.driverTypeValue = typeValue;
  }
  DatabaseOpened(db);
  *database = reinterpret_cast<VdbDatabase*>(&db->pub);
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbCloseDatabase(VdbDatabase* database) {
  ApplicationCall call;
  Database* db = Open(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  CloseCursorsOf(db);
  DatabaseClosed(db);
  auto close = Slot<IdapiDbClose>(db, IDAPI_DB_CLOSE);
  const uint16_t status = close(&db->pub);
  // A driver that failed to release the object leaves it to the engine.
  if (AsDatabase(database) != nullptr) ReleaseObject(database);
  return call.Finish(status);
}

IDAPI_API uint16_t VdbDatabaseProperty(VdbDatabase* database, uint32_t property, char* out,
                                       uint16_t size) {
  ApplicationCall call;
  Database* db = Open(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (out == nullptr || size == 0) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  char text[1024] = {};
  uint16_t length = 0;
  auto get = Slot<IdapiDbProperty>(db, IDAPI_DB_PROPERTY);
  const uint16_t status = get(&db->pub, property, text, sizeof text - 1, &length);
  idapi_put_text(out, 0, size, text);
  return call.Finish(status);
}

IDAPI_API uint16_t VdbDatabaseInfo(VdbDatabase* database, char* languageDriver, uint16_t* codePage,
                                   int32_t* handle) {
  ApplicationCall call;
  Database* db = Open(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (languageDriver != nullptr) {
    idapi_put_text(languageDriver, 0, IDAPI_NAME_SIZE, db->pub.languageDriverName);
  }
  if (codePage != nullptr) {
    *codePage = 0;
    if (LanguageDriver* ld = AsLanguageDriver(db->pub.languageDriver)) *codePage = ld->pub.codePage;
  }
  if (handle != nullptr) *handle = db->pub.handle;
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbDatabaseEntry(VdbDatabase* database, uint16_t slot, IdapiEntry* entry) {
  ApplicationCall call;
  Database* db = Open(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (entry == nullptr || slot >= IDAPI_DATABASE_SLOTS) {
    return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  }
  *entry = db->table[slot];
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbDatabaseObject(VdbDatabase* database, void** object) {
  ApplicationCall call;
  Database* db = Open(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (object == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  *object = &db->pub;
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbDescribeDriver(const char* driverType, void* description) {
  return WithDriver(driverType, [&](Driver* d) -> uint16_t {
    if (description == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
    return Slot<IdapiDrvDescribeDriver>(d, IDAPI_DRV_DESCRIBE_DRIVER)(&d->pub, description);
  });
}

IDAPI_API uint16_t VdbDescribeTableType(const char* driverType, uint16_t tableType,
                                        void* description) {
  return WithDriver(driverType, [&](Driver* d) -> uint16_t {
    if (description == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
    return Slot<IdapiDrvDescribeTableType>(d, IDAPI_DRV_DESCRIBE_TABLE_TYPE)(&d->pub, tableType,
                                                                             description);
  });
}

IDAPI_API uint16_t VdbDescribeFieldType(const char* driverType, uint16_t fieldType,
                                        void* description) {
  return WithDriver(driverType, [&](Driver* d) -> uint16_t {
    if (description == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
    return Slot<IdapiDrvDescribeFieldType>(d, IDAPI_DRV_DESCRIBE_FIELD_TYPE)(
        &d->pub, d->type.c_str(), fieldType, 0, description);
  });
}

IDAPI_API uint16_t VdbDriverCapabilities(const char* driverType, void* capabilities) {
  return WithDriver(driverType, [&](Driver* d) -> uint16_t {
    if (capabilities == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
    return Slot<IdapiDrvCapabilities>(d, IDAPI_DRV_CAPABILITIES)(&d->pub, capabilities);
  });
}

IDAPI_API uint16_t VdbDriverProperty(const char* driverType, uint32_t property, char* out,
                                     uint16_t size) {
  return WithDriver(driverType, [&](Driver* d) -> uint16_t {
    if (out == nullptr || size == 0) return IDAPI_ERR_INVALID_ARGUMENT;
    char text[256] = {};
    uint16_t length = 0;
    const uint16_t status =
        Slot<IdapiDrvProperty>(d, IDAPI_DRV_PROPERTY)(&d->pub, property, text, &length);
    idapi_put_text(out, 0, size, text);
    return status;
  });
}

}  // extern "C"
