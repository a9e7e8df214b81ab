#include "platform/profile_override.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/profile.h"

namespace vantora::platform {
namespace {

TEST(ProfileOverride, NamesAPrivateFileAndRestoresTheEnvironment) {
  struct Case {
    const char* name;
    const char* before;  // null: MV400_INI unset
  } cases[] = {{"unset before", nullptr}, {"set before", "/somewhere/MV400.INI"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.before) {
      setenv("MV400_INI", c.before, 1);
    } else {
      unsetenv("MV400_INI");
    }
    std::string path;
    {
      ProfileOverride override("[General]\nNetwork=tcp\n");
      ASSERT_TRUE(override.ok());
      path = override.path();
      EXPECT_EQ(DefaultProfilePath(), path);
      EXPECT_EQ(Profile::FromDefaultFile().GetString("General", "Network", ""), "tcp");
      struct stat st {};
      ASSERT_EQ(::stat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0600u);
      ASSERT_EQ(::stat(std::filesystem::path(path).parent_path().c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    const char* after = std::getenv("MV400_INI");
    if (c.before) {
      ASSERT_NE(after, nullptr);
      EXPECT_STREQ(after, c.before);
    } else {
      EXPECT_EQ(after, nullptr);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(path).parent_path()));
  }
  unsetenv("MV400_INI");
}

TEST(ProfileOverride, AFolderThatCannotBeMadeLeavesTheEnvironmentAlone) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string savedTmp = tmp != nullptr ? tmp : "";
  setenv("MV400_INI", "/kept.ini", 1);
  setenv("TMPDIR", "/nonexistent/folder", 1);
  {
    ProfileOverride override("[General]\n");
    EXPECT_FALSE(override.ok());
    EXPECT_STREQ(std::getenv("MV400_INI"), "/kept.ini");
  }
  EXPECT_STREQ(std::getenv("MV400_INI"), "/kept.ini");
  if (tmp != nullptr) {
    setenv("TMPDIR", savedTmp.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
  unsetenv("MV400_INI");
}

}  // namespace
}  // namespace vantora::platform
