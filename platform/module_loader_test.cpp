#include "platform/module_loader.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

namespace vantora::platform {
namespace {

TEST(ModuleLoader, DecoratesNames) {
  EXPECT_EQ(DecoratedModuleName("MV432tcp"), "libMV432tcp.so");
  EXPECT_EQ(DecoratedModuleName("MV432ehn"), "libMV432ehn.so");
}

TEST(ModuleLoader, MissingModuleIsNotOpen) {
  Module m = Module::Open("libMV432nosuch.so", reinterpret_cast<const void*>(&DecoratedModuleName));
  EXPECT_FALSE(m.IsOpen());
  EXPECT_EQ(m.Symbol("RESConnexion"), nullptr);
}

TEST(ModuleLoader, FindsSymbolsThroughLoaderPath) {
  Module m = Module::Open("libc.so.6", nullptr);
  ASSERT_TRUE(m.IsOpen());
  EXPECT_NE(m.Symbol("strlen"), nullptr);
  EXPECT_EQ(m.Symbol("NoSuchSymbolAnywhere"), nullptr);
  Module moved = std::move(m);
  EXPECT_FALSE(m.IsOpen());
  EXPECT_TRUE(moved.IsOpen());
}

TEST(ModuleLoader, FolderOfAddressNamesThisProgram) {
  std::string folder = FolderOfAddress(reinterpret_cast<const void*>(&DecoratedModuleName));
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
}

}  // namespace
}  // namespace vantora::platform

namespace vantora::platform {
namespace {

TEST(ModuleLoader, OpenPathDoesNotSearch) {
  // libc is on the loader's path, but not at a path of its bare name.
  EXPECT_FALSE(Module::OpenPath("libc.so.6").IsOpen());
  EXPECT_FALSE(Module::OpenPath("").IsOpen());
  EXPECT_FALSE(Module::OpenPath("/nonexistent/libMV432tcp.so").IsOpen());
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<const void*>(&strlen), &info), 0);
  Module libc = Module::OpenPath(info.dli_fname);
  ASSERT_TRUE(libc.IsOpen()) << info.dli_fname;
  EXPECT_NE(libc.Symbol("strlen"), nullptr);
}

}  // namespace
}  // namespace vantora::platform
