#include "driver/frame/slots.h"

#include <cstring>

#include "driver/frame/entry_tables.h"

namespace vantora::driver {

DriverHandle* CursorHandle(const void* engineCursor) {
  if (engineCursor == nullptr) return nullptr;
  return LookUpHandle(static_cast<const IdapiCursorObject*>(engineCursor)->handle);
}

uint16_t GetProperty(const IdapiDatabaseObject* db, uint32_t property, char* out,
                     uint16_t* length) {
  uint16_t status = IDAPI_OK;
  const char* text = nullptr;
  char name[IDAPI_NAME_SIZE] = {};
  switch (property) {
    case IDAPI_PROP_DB_PATH:
      text = "";
      break;
    case IDAPI_PROP_DB_TYPE:
    case IDAPI_PROP_DB_TABLE_TYPE:
      text = kDriverType;
      break;
    case IDAPI_PROP_LANGDRV_NAME:
      if (db == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
      status = IdapiLanguageDriverName(db->languageDriver, name);
      text = name;
      break;
    case IDAPI_PROP_NO_ANSWER:
      return IDAPI_ERR_FAILED;
    default:
      return IDAPI_OK;
  }
  if (out != nullptr) std::strcpy(out, status == IDAPI_OK ? text : "");
  if (status == IDAPI_OK && length != nullptr) {
    *length = static_cast<uint16_t>(std::strlen(text));
  }
  return status;
}

namespace detail {

uint16_t NewCursorObject(void* engineDatabase, IdapiCursorObject** cursor) {
  if (engineDatabase == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  auto* db = static_cast<IdapiDatabaseObject*>(engineDatabase);
  void* object = nullptr;
  const uint16_t status = IdapiCreateCursorObject(0, 0, db->driverTypeValue, db, db->languageDriver,
                                                  kCursorTableLevel, CursorTable(), 12, 0, &object);
  if (status == IDAPI_OK) *cursor = static_cast<IdapiCursorObject*>(object);
  return status;
}

int32_t DatabaseHandleNumber(const void* engineDatabase) {
  return static_cast<const IdapiDatabaseObject*>(engineDatabase)->handle;
}

}  // namespace detail
}  // namespace vantora::driver
