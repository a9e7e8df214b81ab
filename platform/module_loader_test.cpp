#include "platform/module_loader.h"

#include <gtest/gtest.h>

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
