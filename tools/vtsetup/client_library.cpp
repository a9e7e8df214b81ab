#include "tools/vtsetup/client_library.h"

#include "idapi.h"
#include "idapi_app.h"

namespace vantora::vtsetup {
namespace {

template <typename Function>
bool Bind(const platform::Module& module, const char* name, Function* slot, std::string* missing) {
  *slot = reinterpret_cast<Function>(module.Symbol(name));
  if (*slot == nullptr && missing->empty()) *missing = name;
  return *slot != nullptr;
}

// An address inside this program, for the first place modules are looked for.
void Anchor() {}

}  // namespace

platform::Module OpenModule(const std::string& fileName, const void* anchor) {
  const void* from = anchor != nullptr ? anchor : reinterpret_cast<const void*>(&Anchor);
  const std::string folder = platform::FolderOfAddress(from);
  if (!folder.empty()) {
    for (const std::string& path :
         {folder + fileName, std::string(folder).append("../lib/").append(fileName)}) {
      platform::Module m = platform::CurrentModuleLoader().OpenPath(path);
      if (m.IsOpen()) return m;
    }
  }
  return platform::CurrentModuleLoader().Open(fileName, nullptr);
}

std::unique_ptr<ClientLibrary> ClientLibrary::Load(std::string* error) {
  const std::string file = platform::DecoratedModuleName(kClientStem);
  // Opened once for the process and never closed.
  static platform::Module* const kept = new platform::Module(OpenModule(file, nullptr));
  if (!kept->IsOpen()) {
    *error = "The client library " + file + " was not found";
    return nullptr;
  }
  std::unique_ptr<ClientLibrary> library(new ClientLibrary());
  std::string missing;
  const platform::Module& m = *kept;
  Bind(m, "StartSession", &library->StartSession, &missing);
  Bind(m, "FreeSession", &library->FreeSession, &missing);
  Bind(m, "VNXTerminate", &library->VNXTerminate, &missing);
  Bind(m, "MCH_name", &library->MCH_name, &missing);
  Bind(m, "PGM_name", &library->PGM_name, &missing);
  Bind(m, "RTV_PC_VER", &library->RTV_PC_VER, &missing);
  Bind(m, "RTV_AS_VER", &library->RTV_AS_VER, &missing);
  Bind(m, "Rsystem", &library->Rsystem, &missing);
  Bind(m, "retstat", &library->retstat, &missing);
  Bind(m, "Return_Syserr", &library->Return_Syserr, &missing);
  Bind(m, "Internal_Error", &library->Internal_Error, &missing);
  Bind(m, "APPC_ERR", &library->APPC_ERR, &missing);
  Bind(m, "VNXErrorText", &library->VNXErrorText, &missing);
  if (!missing.empty()) {
    *error = "The client library " + file + " lacks the function " + missing + ": check versions";
    return nullptr;
  }
  return library;
}

std::string TransportFileName(const std::string& network) {
  return platform::DecoratedModuleName("MV432" + network.substr(0, 4));
}

bool TransportAvailable(const std::string& network, const void* anchor) {
  if (network.empty()) return false;
  return OpenModule(TransportFileName(network), anchor).IsOpen();
}

std::string DriverVersion(const void* anchor, const char* driverStem) {
  if (!OpenModule(platform::DecoratedModuleName(driverStem), anchor).IsOpen()) {
    return kNotInstalled;
  }
  // The driver tells its version only to the engine it registers with.
  const std::string engineFile = platform::DecoratedModuleName(kEngineStem);
  platform::Module engine = OpenModule(engineFile, anchor);
  auto start = reinterpret_cast<decltype(&::VdbStart)>(engine.Symbol("VdbStart"));
  auto stop = reinterpret_cast<decltype(&::VdbStop)>(engine.Symbol("VdbStop"));
  auto load = reinterpret_cast<decltype(&::VdbLoadDriver)>(engine.Symbol("VdbLoadDriver"));
  auto unload = reinterpret_cast<decltype(&::VdbUnloadDriver)>(engine.Symbol("VdbUnloadDriver"));
  auto property =
      reinterpret_cast<decltype(&::VdbDriverProperty)>(engine.Symbol("VdbDriverProperty"));
  if (!start || !stop || !load || !unload || !property) {
    return "installed, version unknown (" + engineFile + " not found)";
  }
  static constexpr char kDriverType[] = "Morvalis400";
  std::string version = "installed, version unknown";
  if (start() == IDAPI_OK) {
    if (load(kDriverType) == IDAPI_OK) {
      char text[32] = {};
      if (property(kDriverType, IDAPI_PROP_DRIVER_VERSION, text, sizeof text) == IDAPI_OK &&
          text[0] != '\0') {
        version = text;
      }
      unload(kDriverType);
    }
    stop();
  }
  return version;
}

}  // namespace vantora::vtsetup
