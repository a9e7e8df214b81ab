#include "client/transport.h"

#include <cstdio>

#include "platform/profile.h"
#include "platform/ui_sink.h"

namespace vantora::client {
namespace {

// Bound from the library's load-time initialiser: plain constant-initialised
// state, and the rest constructed on first use, so that the order of static
// initialisation across files does not matter.
constinit TransportEntries entries;
constinit TransportState state = TransportState::kUnloaded;

std::string& FileNameStorage() {
  static std::string name;
  return name;
}

platform::Module& TheModule() {
  static platform::Module module;
  return module;
}

template <typename Fn>
bool Bind(Fn& slot, const char* name) {
  slot = reinterpret_cast<Fn>(TheModule().Symbol(name));
  return slot != nullptr;
}

void Warn(const char* format) {
  char text[512];
  std::snprintf(text, sizeof text, format, FileNameStorage().c_str());
  platform::CurrentUiSink().Message("MV432IDA.DLL", text, platform::MessageKind::kWarning);
}

}  // namespace

const TransportEntries& Transport() {
  return entries;
}
TransportState TransportStateNow() {
  return state;
}
const std::string& TransportFileName() {
  return FileNameStorage();
}

bool LoadTransport() {
  platform::Profile settings = platform::Profile::FromDefaultFile();
  char network[5];
  settings.GetString("General", "Network", "ehn", network, sizeof network);
  FileNameStorage() = platform::DecoratedModuleName(std::string("MV432") + network);
  platform::Module& module = TheModule();
  module = platform::CurrentModuleLoader().Open(FileNameStorage(),
                                                reinterpret_cast<const void*>(&LoadTransport));
  if (!module.IsOpen()) {
    state = TransportState::kMissing;
    Warn("Network DLL (%s) not found !");
    return false;
  }
  bool all = Bind(entries.connect, "RESConnexion");
  all = Bind(entries.disconnect, "RESDeconnexion") && all;
  all = Bind(entries.sendMode, "RESModeEnvoi") && all;
  all = Bind(entries.send, "RESEnvoi") && all;
  all = Bind(entries.receiveMode, "RESModeReception") && all;
  all = Bind(entries.receive, "RESReception") && all;
  all = Bind(entries.flush, "RESFlush") && all;
  all = Bind(entries.beginMultiSession, "RESDebutMultiSession") && all;
  all = Bind(entries.endMultiSession, "RESFinMultiSession") && all;
  all = Bind(entries.appcError, "RESAppcErr") && all;
  Bind(entries.terminate, "RESTerminate");
  Bind(entries.errorText, "RESErrorText");
  if (!all) {
    entries = TransportEntries{};
    module.Close();
    state = TransportState::kIncomplete;
    Warn("Network DLL (%s): Functions not found: Check versions !");
    return false;
  }
  state = TransportState::kLoaded;
  return true;
}

void UnloadTransport() {
  if (state != TransportState::kLoaded) return;
  if (entries.terminate != nullptr) entries.terminate();
  entries = TransportEntries{};
  TheModule().Close();
  state = TransportState::kUnloaded;
}

}  // namespace vantora::client
