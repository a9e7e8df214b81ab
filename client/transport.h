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

#include "mv432transport.h"
#include "platform/module_loader.h"

namespace vantora::client {

struct TransportEntries {
  MV432T_Connexion connect = nullptr;                    // RESConnexion
  MV432T_Session disconnect = nullptr;                   // RESDeconnexion
  MV432T_Session sendMode = nullptr;                     // RESModeEnvoi
  MV432T_Envoi send = nullptr;                           // RESEnvoi
  MV432T_Session receiveMode = nullptr;                  // RESModeReception
  MV432T_Reception receive = nullptr;                    // RESReception
  MV432T_Session flush = nullptr;                        // RESFlush
  MV432T_DebutMultiSession beginMultiSession = nullptr;  // RESDebutMultiSession
  MV432T_FinMultiSession endMultiSession = nullptr;      // RESFinMultiSession
  MV432T_AppcErr appcError = nullptr;                    // RESAppcErr
  MV432T_Terminate terminate = nullptr;                  // RESTerminate, optional
  MV432T_ErrorText errorText = nullptr;                  // RESErrorText, optional
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
