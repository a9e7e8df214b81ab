// The engine's objects: drivers, databases, cursors and language drivers.
//
// Each object holds the public record of idapi.h that drivers read and
// write (its `engine` field points back to the object), and the engine's own
// state beside it. Every live object is registered, so that a pointer the
// engine did not make, or made and released, is told apart from a live one.
#ifndef VANTORA_ENGINE_OBJECTS_H_
#define VANTORA_ENGINE_OBJECTS_H_

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "idapi.h"

namespace vantora::engine {

struct Driver {
  IdapiDriverObject pub{};
  std::string type;
  std::array<IdapiEntry, IDAPI_DRIVER_SLOTS> table{};
  uint16_t interfaceVersion = 0;
  uint16_t level = 0;
};

struct Database {
  IdapiDatabaseObject pub{};
  Driver* driver = nullptr;
  std::string name;
  std::array<IdapiEntry, IDAPI_DATABASE_SLOTS> table{};
  uint16_t level = 0;
};

// A field of a cursor as the application interface keeps it.
struct CursorField {
  uint16_t number = 0;
  std::string name;
  uint16_t type = 0, subtype = 0, units1 = 0, units2 = 0, offset = 0, length = 0;
  uint16_t nullOffset = 0;
  uint16_t direction = 0;  // procedure parameters: bit 0 input, bit 1 output
};

struct Cursor {
  IdapiCursorObject pub{};
  Database* database = nullptr;
  std::array<IdapiEntry, IDAPI_CURSOR_SLOTS> table{};
  uint16_t level = 0;
  // The application interface's state of an opened cursor.
  bool described = false;
  std::vector<CursorField> fields;
  std::vector<uint8_t> record;
  std::vector<uint16_t> keyFields;  // of the active index, 1-based
  std::vector<uint16_t> changed;    // fields put since the record was read
  bool procedure = false;           // a prepared procedure: `fields` are its parameters
  std::string text;                 // an SQL statement's text
  std::atomic<bool> cancelled{false};
};

struct LanguageDriver {
  IdapiLanguageDriver pub{};
};

// The entry of `slot` of an object's table, as the slot's typedef (idapi.h).
template <typename Fn, typename Object>
Fn Slot(const Object* object, int slot) {
  return reinterpret_cast<Fn>(object->table[static_cast<size_t>(slot)]);
}

// Makes an object and registers it; null when memory is short.
Driver* NewDriver(const std::string& type);
Database* NewDatabase(Driver* driver);
Cursor* NewCursor(Database* database);
LanguageDriver* NewLanguageDriver(const char* name, uint16_t codePage);

// The live object behind a public record; null when `object` is not one the
// engine made (or was released).
Driver* AsDriver(const void* object);
Database* AsDatabase(const void* object);
Cursor* AsCursor(const void* object);
LanguageDriver* AsLanguageDriver(const void* object);

// Releases a live object of any kind; false when `object` is not live.
bool ReleaseObject(void* object);

// Counts of live objects, for the system information.
struct ObjectCounts {
  int drivers = 0;
  int databases = 0;
  int cursors = 0;
};
ObjectCounts CountObjects();

}  // namespace vantora::engine

#endif  // VANTORA_ENGINE_OBJECTS_H_
