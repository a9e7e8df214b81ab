// Loading shared libraries and their entry points by name.
//
// A module is named by its stem ("MV432tcp"); the platform decorates it into
// a file name ("libMV432tcp.so" here, "MV432tcp.dll" on Windows). The file is
// looked for first in the folder of the library that asks (given by the
// address of any of its functions), then along the dynamic loader's own path.
//
// Whoever loads a module asks CurrentModuleLoader, an interface, so that a
// test can stand in for the system's loader (a loader that finds nothing, or
// one that opens another file); the system's loader is the default.
#ifndef VANTORA_PLATFORM_MODULE_LOADER_H_
#define VANTORA_PLATFORM_MODULE_LOADER_H_

#include <atomic>
#include <string>
#include <string_view>

namespace vantora::platform {

// The file name of a module on this platform: "lib" + stem + ".so".
std::string DecoratedModuleName(std::string_view stem);

// The folder (with a trailing separator) of the loaded library or program
// that contains `address`; empty when it cannot be told.
std::string FolderOfAddress(const void* address);

// An open shared library. Movable, not copyable; closes itself when destroyed.
class Module {
 public:
  Module() = default;
  ~Module();
  Module(Module&& other) noexcept;
  Module& operator=(Module&& other) noexcept;
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // Opens the module with file name `fileName` from the folder of the
  // library containing `anchor`, else through the loader's path.
  // Returns an unopened Module when neither finds it.
  static Module Open(const std::string& fileName, const void* anchor);
  // Opens the module at exactly `path` (no search); unopened when absent or
  // when `path` names no folder (a bare file name is never searched for).
  static Module OpenPath(const std::string& path);

  bool IsOpen() const { return handle_ != nullptr; }
  // The entry point `name`, or null when the module does not export it.
  void* Symbol(const char* name) const;
  void Close();

 private:
  void* handle_ = nullptr;
};

class ModuleLoader {
 public:
  virtual ~ModuleLoader() = default;
  // As Module::Open and Module::OpenPath.
  virtual Module Open(const std::string& fileName, const void* anchor) = 0;
  virtual Module OpenPath(const std::string& path) = 0;
};

// The loader of the operating system (Module::Open and Module::OpenPath).
ModuleLoader& SystemModuleLoader();
// The loader in use.
ModuleLoader& CurrentModuleLoader();

// The process-wide slot behind CurrentModuleLoader (exported).
std::atomic<ModuleLoader*>& ProcessModuleLoaderSlot();

// Makes `loader` the one in use while it lives (tests).
class ScopedModuleLoader {
 public:
  explicit ScopedModuleLoader(ModuleLoader& loader);
  ~ScopedModuleLoader();
  ScopedModuleLoader(const ScopedModuleLoader&) = delete;
  ScopedModuleLoader& operator=(const ScopedModuleLoader&) = delete;

 private:
  ModuleLoader* previous_;
};

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_MODULE_LOADER_H_
