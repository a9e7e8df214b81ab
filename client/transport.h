// The network transport library: found by name at library load and bound by
// its entry points.
//
// The module is "MV432" + the General/Network setting (default "ehn"),
// decorated for the platform ("libMV432ehn.so"). When it is missing or lacks
// one of the first ten entry points, a message says so once and the client
// library stays unusable: every function that needs a session answers -30.
#ifndef VANTORA_CLIENT_TRANSPORT_H_
#define VANTORA_CLIENT_TRANSPORT_H_

#include <cstdint>
#include <string>

#include "platform/module_loader.h"

namespace vantora::client {

struct TransportEntries {
  int16_t (*connect)(void* session, const char* machine, const char* program, const char* user,
                     const char* password) = nullptr;                      // RESConnexion
  int16_t (*disconnect)(void* session) = nullptr;                          // RESDeconnexion
  int16_t (*sendMode)(void* session) = nullptr;                            // RESModeEnvoi
  int16_t (*send)(void* session, int16_t length, void* buffer) = nullptr;  // RESEnvoi
  int16_t (*receiveMode)(void* session) = nullptr;                         // RESModeReception
  int16_t (*receive)(void* session, int16_t maximum, void* buffer, int16_t* count,
                     int16_t flag) = nullptr;                          // RESReception
  int16_t (*flush)(void* session) = nullptr;                           // RESFlush
  int16_t (*beginMultiSession)(void* first, int16_t count) = nullptr;  // RESDebutMultiSession
  int16_t (*endMultiSession)(void* first) = nullptr;                   // RESFinMultiSession
  int16_t (*appcError)(void* session, int16_t* primary,
                       int32_t* secondary) = nullptr;  // RESAppcErr
  int16_t (*terminate)() = nullptr;                    // RESTerminate, optional
};

enum class TransportState { kUnloaded, kLoaded, kMissing, kIncomplete };

// The transport in use. Valid while State() is kLoaded.
const TransportEntries& Transport();
TransportState TransportStateNow();
// The decorated file name of the transport module.
const std::string& TransportFileName();

// Loads and binds the transport named by the settings; shows the failure
// message through the UI sink when it cannot. Returns true when bound.
bool LoadTransport();
// RESTerminate when present, then releases the module.
void UnloadTransport();

}  // namespace vantora::client

#endif  // VANTORA_CLIENT_TRANSPORT_H_
