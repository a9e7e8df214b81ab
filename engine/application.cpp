// The engine part of the application interface (idapi_app.h): start and
// stop, drivers, errors.
#include "engine/application.h"

#include <strings.h>
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "engine/drivers.h"
#include "engine/error_state.h"
#include "idapi_app.h"

namespace vantora::engine {
namespace {

struct State {
  std::recursive_mutex mutex;
  int starts = 0;
  // Registrations the engine made (each needs one close), by driver type.
  std::map<std::string, int> registrations;
  std::vector<Database*> open;
  std::vector<Cursor*> cursors;
};

State& TheState() {
  static State* state = new State;
  return *state;
}

}  // namespace

bool EngineStarted() {
  State& s = TheState();
  std::lock_guard guard(s.mutex);
  return s.starts > 0;
}

uint16_t DriverFor(const std::string& type, Driver** driver) {
  State& s = TheState();
  std::lock_guard guard(s.mutex);
  if (Driver* d = RegisteredDriver(type); d != nullptr && s.registrations[d->type] > 0) {
    *driver = d;
    return IDAPI_OK;
  }
  Driver* d = nullptr;
  if (uint16_t status = RegisterDriver(type, &d); status != IDAPI_OK) return status;
  s.registrations[d->type] += 1;
  *driver = d;
  return IDAPI_OK;
}

void DatabaseOpened(Database* db) {
  State& s = TheState();
  std::lock_guard guard(s.mutex);
  s.open.push_back(db);
}

void DatabaseClosed(Database* db) {
  State& s = TheState();
  std::lock_guard guard(s.mutex);
  s.open.erase(std::remove(s.open.begin(), s.open.end(), db), s.open.end());
}

void CursorOpened(Cursor* cursor) {
  State& s = TheState();
  std::lock_guard guard(s.mutex);
  s.cursors.push_back(cursor);
}

void CursorClosed(Cursor* cursor) {
  State& s = TheState();
  std::lock_guard guard(s.mutex);
  s.cursors.erase(std::remove(s.cursors.begin(), s.cursors.end(), cursor), s.cursors.end());
}

void CloseCursorsOf(Database* db) {
  std::vector<Cursor*> of;
  {
    State& s = TheState();
    std::lock_guard guard(s.mutex);
    for (Cursor* c : s.cursors) {
      if (c->database == db) of.push_back(c);
    }
  }
  for (Cursor* c : of) VdbCloseCursor(reinterpret_cast<VdbCursor*>(&c->pub));
}

bool HasOpenDatabases(const Driver* driver) {
  State& s = TheState();
  std::lock_guard guard(s.mutex);
  return std::any_of(s.open.begin(), s.open.end(),
                     [&](const Database* db) { return db->driver == driver; });
}

}  // namespace vantora::engine

using namespace vantora::engine;

extern "C" {

IDAPI_API uint16_t VdbStart(void) {
  State& s = TheState();
  std::lock_guard guard(s.mutex);
  // A fresh engine starts without the errors of an earlier one.
  if (s.starts++ == 0) ClearError();
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbStop(void) {
  ApplicationCall call;
  State& s = TheState();
  std::lock_guard guard(s.mutex);
  if (s.starts == 0) return call.Finish(IDAPI_ERR_NOT_STARTED);
  if (--s.starts > 0) return IDAPI_OK;
  while (!s.open.empty()) VdbCloseDatabase(reinterpret_cast<VdbDatabase*>(&s.open.back()->pub));
  for (auto& [type, count] : s.registrations) {
    for (; count > 0; --count) {
      Driver* d = RegisteredDriver(type);
      if (d == nullptr) break;
      CloseDriver(d);
    }
  }
  s.registrations.clear();
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbLoadDriver(const char* driverType) {
  ApplicationCall call;
  if (!EngineStarted()) return call.Finish(IDAPI_ERR_NOT_STARTED);
  if (driverType == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  State& s = TheState();
  std::lock_guard guard(s.mutex);
  Driver* d = nullptr;
  if (uint16_t status = RegisterDriver(driverType, &d); status != IDAPI_OK) {
    return call.Finish(status);
  }
  s.registrations[d->type] += 1;
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbUnloadDriver(const char* driverType) {
  ApplicationCall call;
  if (!EngineStarted()) return call.Finish(IDAPI_ERR_NOT_STARTED);
  if (driverType == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  State& s = TheState();
  std::lock_guard guard(s.mutex);
  Driver* d = RegisteredDriver(driverType);
  if (d == nullptr || s.registrations[d->type] == 0) return call.Finish(IDAPI_ERR_NO_DRIVER);
  if (s.registrations[d->type] == 1 && HasOpenDatabases(d)) {
    return call.Finish(IDAPI_ERR_INVALID_REQUEST);
  }
  const std::string type = d->type;
  const uint16_t status = CloseDriver(d);
  if (status != IDAPI_OK) return call.Finish(status);
  s.registrations[type] -= 1;
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbLastError(VdbError* error) {
  if (error == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  const LastError& e = CurrentError();
  std::memset(error, 0, sizeof *error);
  error->status = e.status;
  idapi_put_text(error->message, 0, sizeof error->message, e.message.c_str());
  idapi_put_text(error->context, 0, sizeof error->context, e.context.c_str());
  idapi_put_text(error->nativeCode, 0, sizeof error->nativeCode, e.nativeCode.c_str());
  const std::string& plain = e.explanation.empty() ? e.message : e.explanation;
  idapi_put_text(error->explanation, 0, sizeof error->explanation, plain.c_str());
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbClearError(void) {
  ClearError();
  return IDAPI_OK;
}

IDAPI_API const char* VdbStatusText(uint16_t status) {
  return StatusText(status);
}

IDAPI_API uint16_t VdbDriverEntry(const char* driverType, uint16_t slot, IdapiEntry* entry) {
  ApplicationCall call;
  if (!EngineStarted()) return call.Finish(IDAPI_ERR_NOT_STARTED);
  if (driverType == nullptr || entry == nullptr || slot >= IDAPI_DRIVER_SLOTS) {
    return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  }
  Driver* d = nullptr;
  if (uint16_t status = DriverFor(driverType, &d); status != IDAPI_OK) return call.Finish(status);
  *entry = d->table[slot];
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbDriverObject(const char* driverType, void** object) {
  ApplicationCall call;
  if (!EngineStarted()) return call.Finish(IDAPI_ERR_NOT_STARTED);
  if (driverType == nullptr || object == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  Driver* d = nullptr;
  if (uint16_t status = DriverFor(driverType, &d); status != IDAPI_OK) return call.Finish(status);
  *object = &d->pub;
  return IDAPI_OK;
}

}  // extern "C"
