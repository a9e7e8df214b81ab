// Module loading on POSIX systems through the dynamic loader.
#include "platform/module_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <utility>

namespace vantora::platform {

std::string DecoratedModuleName(std::string_view stem) {
  std::string name = "lib";
  name.append(stem);
  name += ".so";
  return name;
}

std::string FolderOfAddress(const void* address) {
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  std::string path = info.dli_fname;
  if (path.find('/') == std::string::npos) {
    // The main program is named as it was started: found along the PATH, its
    // name has no folder, which the kernel knows.
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) path.assign(exe, static_cast<size_t>(n));
  }
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash + 1);
}

Module::~Module() {
  Close();
}

Module::Module(Module&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Module& Module::operator=(Module&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

Module Module::Open(const std::string& fileName, const void* anchor) {
  Module module;
  std::string folder = FolderOfAddress(anchor);
  if (!folder.empty()) module.handle_ = dlopen((folder + fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module.handle_ == nullptr) module.handle_ = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  return module;
}

Module Module::OpenPath(const std::string& path) {
  Module module;
  // dlopen searches for a name without a slash; a path always has one.
  if (path.find('/') != std::string::npos) {
    module.handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  return module;
}

void* Module::Symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return dlsym(handle_, name);
}

void Module::Close() {
  if (handle_ != nullptr) {
    dlclose(handle_);
    handle_ = nullptr;
  }
}

namespace {

class SystemLoader final : public ModuleLoader {
 public:
  Module Open(const std::string& fileName, const void* anchor) override {
    return Module::Open(fileName, anchor);
  }
  Module OpenPath(const std::string& path) override { return Module::OpenPath(path); }
};

}  // namespace

// One slot for the whole process, exported like the UI sink's: the program
// and every library it loads see the loader a test put in place.
__attribute__((visibility("default"))) std::atomic<ModuleLoader*>& ProcessModuleLoaderSlot() {
  static std::atomic<ModuleLoader*> slot{nullptr};
  return slot;
}

ModuleLoader& SystemModuleLoader() {
  static SystemLoader loader;
  return loader;
}

ModuleLoader& CurrentModuleLoader() {
  ModuleLoader* l = ProcessModuleLoaderSlot().load();
  return l != nullptr ? *l : SystemModuleLoader();
}

ScopedModuleLoader::ScopedModuleLoader(ModuleLoader& loader)
    : previous_(ProcessModuleLoaderSlot().exchange(&loader)) {}

ScopedModuleLoader::~ScopedModuleLoader() {
  ProcessModuleLoaderSlot().store(previous_);
}

}  // namespace vantora::platform
