// State of the application interface: whether the engine is started, the
// drivers it registered and the databases left open, so that VdbStop can
// close what an application forgot.
#ifndef VANTORA_ENGINE_APPLICATION_H_
#define VANTORA_ENGINE_APPLICATION_H_

#include <cstdint>
#include <string>

#include "engine/error_state.h"
#include "engine/objects.h"
#include "idapi_app.h"

namespace vantora::engine {

bool EngineStarted();
// The registered driver of `type`, registering it (once per start) when needed.
uint16_t DriverFor(const std::string& type, Driver** driver);
void DatabaseOpened(Database* db);
void DatabaseClosed(Database* db);
void CursorOpened(Cursor* cursor);
void CursorClosed(Cursor* cursor);
// Closes the cursors the application left open on `db`.
void CloseCursorsOf(Database* db);
// Takes a cursor a driver opened (`status` its answer): describes it and
// hands it out in `out`, or closes it and finishes `call` with the failure.
uint16_t AdoptCursor(ApplicationCall& call, uint16_t status, void* object, VdbCursor** out);
// Hands a prepared procedure's parameter descriptors and buffer to its driver.
uint16_t SetProcedureParameters(Cursor* procedure);
// Whether databases of `driver` are open.
bool HasOpenDatabases(const Driver* driver);

}  // namespace vantora::engine

#endif  // VANTORA_ENGINE_APPLICATION_H_
