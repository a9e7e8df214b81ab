#include "engine/objects.h"

#include <mutex>
#include <new>
#include <type_traits>
#include <unordered_map>

namespace vantora::engine {
namespace {

struct Registry {
  std::mutex mutex;
  // public record -> its kind
  std::unordered_map<const void*, uint32_t> live;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // lives to the end of the process
  return *registry;
}

bool Register(const void* pub, uint32_t kind) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.mutex);
  try {
    r.live.emplace(pub, kind);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool IsLive(const void* pub, uint32_t kind) {
  if (pub == nullptr) return false;
  Registry& r = TheRegistry();
  std::lock_guard guard(r.mutex);
  auto it = r.live.find(pub);
  return it != r.live.end() && it->second == kind;
}

template <typename T>
T* Make(uint32_t kind) {
  T* object = new (std::nothrow) T;
  if (object == nullptr) return nullptr;
  object->pub.kind = kind;
  if constexpr (!std::is_same_v<T, LanguageDriver>) object->pub.engine = object;
  if (!Register(&object->pub, kind)) {
    delete object;
    return nullptr;
  }
  return object;
}

}  // namespace

Driver* NewDriver(const std::string& type) {
  Driver* d = Make<Driver>(IDAPI_OBJECT_DRIVER);
  if (d != nullptr) d->type = type;
  return d;
}

Database* NewDatabase(Driver* driver) {
  Database* db = Make<Database>(IDAPI_OBJECT_DATABASE);
  if (db != nullptr) {
    db->driver = driver;
    db->pub.driver = &driver->pub;
    db->pub.handle = -1;
  }
  return db;
}

Cursor* NewCursor(Database* database) {
  Cursor* c = Make<Cursor>(IDAPI_OBJECT_CURSOR);
  if (c != nullptr) {
    c->database = database;
    c->pub.database = &database->pub;
    c->pub.handle = -1;
  }
  return c;
}

LanguageDriver* NewLanguageDriver(const char* name, uint16_t codePage) {
  LanguageDriver* ld = Make<LanguageDriver>(IDAPI_OBJECT_LANGDRV);
  if (ld != nullptr) {
    idapi_put_text(ld->pub.name, 0, sizeof ld->pub.name, name);
    ld->pub.codePage = codePage;
  }
  return ld;
}

Driver* AsDriver(const void* object) {
  return IsLive(object, IDAPI_OBJECT_DRIVER)
             ? static_cast<Driver*>(static_cast<const IdapiDriverObject*>(object)->engine)
             : nullptr;
}

Database* AsDatabase(const void* object) {
  return IsLive(object, IDAPI_OBJECT_DATABASE)
             ? static_cast<Database*>(static_cast<const IdapiDatabaseObject*>(object)->engine)
             : nullptr;
}

Cursor* AsCursor(const void* object) {
  return IsLive(object, IDAPI_OBJECT_CURSOR)
             ? static_cast<Cursor*>(static_cast<const IdapiCursorObject*>(object)->engine)
             : nullptr;
}

LanguageDriver* AsLanguageDriver(const void* object) {
  return IsLive(object, IDAPI_OBJECT_LANGDRV)
             ? reinterpret_cast<LanguageDriver*>(const_cast<void*>(object))
             : nullptr;
}

bool ReleaseObject(void* object) {
  if (object == nullptr) return false;
  uint32_t kind = 0;
  {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.mutex);
    auto it = r.live.find(object);
    if (it == r.live.end()) return false;
    kind = it->second;
    r.live.erase(it);
  }
  switch (kind) {
    case IDAPI_OBJECT_DRIVER:
      delete static_cast<Driver*>(static_cast<IdapiDriverObject*>(object)->engine);
      break;
    case IDAPI_OBJECT_DATABASE:
      delete static_cast<Database*>(static_cast<IdapiDatabaseObject*>(object)->engine);
      break;
    case IDAPI_OBJECT_CURSOR:
      delete static_cast<Cursor*>(static_cast<IdapiCursorObject*>(object)->engine);
      break;
    case IDAPI_OBJECT_LANGDRV:
      delete reinterpret_cast<LanguageDriver*>(object);
      break;
  }
  return true;
}

ObjectCounts CountObjects() {
  ObjectCounts counts;
  Registry& r = TheRegistry();
  std::lock_guard guard(r.mutex);
  for (const auto& [pub, kind] : r.live) {
    counts.drivers += kind == IDAPI_OBJECT_DRIVER;
    counts.databases += kind == IDAPI_OBJECT_DATABASE;
    counts.cursors += kind == IDAPI_OBJECT_CURSOR;
  }
  return counts;
}

}  // namespace vantora::engine
