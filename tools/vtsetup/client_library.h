// The client library MV432IDA, loaded by name at run time.
//
// vtsetup does not link against the client library: it must run (and say
// what is wrong) on a machine where the library or its transport is
// missing. The library is opened once, through the platform's module
// loader, and stays loaded for the rest of the process (it keeps its
// session table from load to exit, and is not made to be unloaded); the
// entry points are bound by name. It is looked for in the program's folder, then in
// "../lib" beside it (the layout of an installation and of the build
// tree), then along the loader's path.
//
// Loading the library binds its transport with the settings in force at
// that moment; VNXTerminate unbinds it, so the next session binds again
// with the settings then in force.
#ifndef VANTORA_TOOLS_VTSETUP_CLIENT_LIBRARY_H_
#define VANTORA_TOOLS_VTSETUP_CLIENT_LIBRARY_H_

#include <memory>
#include <string>

#include "mv432ida.h"
#include "platform/module_loader.h"

namespace vantora::vtsetup {

// The module stems this tool looks for.
inline constexpr char kClientStem[] = "MV432IDA";
inline constexpr char kDriverStem[] = "MV432DRV";
inline constexpr char kEngineStem[] = "IDAPI32";
inline constexpr char kNotInstalled[] = "not installed";

class ClientLibrary {
 public:
  // The loaded library, or null with `error` saying which file is missing
  // or which entry point it lacks.
  static std::unique_ptr<ClientLibrary> Load(std::string* error);

  // The client library's entry points.
  decltype(&::StartSession) StartSession = nullptr;
  decltype(&::FreeSession) FreeSession = nullptr;
  decltype(&::VNXTerminate) VNXTerminate = nullptr;
  decltype(&::MCH_name) MCH_name = nullptr;
  decltype(&::PGM_name) PGM_name = nullptr;
  decltype(&::RTV_PC_VER) RTV_PC_VER = nullptr;
  decltype(&::RTV_AS_VER) RTV_AS_VER = nullptr;
  decltype(&::Rsystem) Rsystem = nullptr;
  decltype(&::retstat) retstat = nullptr;
  decltype(&::Return_Syserr) Return_Syserr = nullptr;
  decltype(&::Internal_Error) Internal_Error = nullptr;
  decltype(&::APPC_ERR) APPC_ERR = nullptr;
  decltype(&::VNXErrorText) VNXErrorText = nullptr;

  // An address inside the loaded client library: modules it loads are
  // looked for in its folder first.
  const void* anchor() const { return reinterpret_cast<const void*>(StartSession); }

 private:
  ClientLibrary() = default;
};

// Opens the module `fileName` from the folder of `anchor` (this program
// when null), from "../lib" beside that folder, or along the loader's path.
platform::Module OpenModule(const std::string& fileName, const void* anchor);

// True when the transport module of `network` ("MV432" + the value cut to
// 4 characters, as the client library does) can be loaded from the folder
// of `anchor` or along the loader's path.
bool TransportAvailable(const std::string& network, const void* anchor);

// The file name of the transport module of `network` ("libMV432tcp.so").
std::string TransportFileName(const std::string& network);

// The version of the driver MV432DRV when its module is installed beside
// `anchor` (or along the loader's path), asked through the database engine;
// kNotInstalled otherwise. The driver, when asked, registers and closes
// again, which ends the client library's sessions: call it with no session
// of one's own open.
std::string DriverVersion(const void* anchor, const char* driverStem = kDriverStem);

}  // namespace vantora::vtsetup

#endif  // VANTORA_TOOLS_VTSETUP_CLIENT_LIBRARY_H_
