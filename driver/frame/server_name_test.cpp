#include "driver/frame/server_name.h"

#include <gtest/gtest.h>

namespace vantora::driver {
namespace {

TEST(ServerName, Forms) {
  const struct {
    const char* text;
    const char* system;
    const char* library;
    char marker;
  } cases[] = {
      {"AS400:/PARIS/SALES", "PARIS", "SALES", '.'},
      {"AS400:/PARIS/!SALES", "PARIS", "SALES", '*'},
      {"AS400:/PARIS/", "PARIS", "", 0},
      {"AS400:/PARIS", "PARIS", "", 0},
      {"SALES", "", "SALES", '.'},
      {"!sales", "", "SALES", '*'},
      {"as400:\\paris\\sales", "PARIS", "SALES", '.'},
      {"/PARIS\\SALES", "PARIS", "SALES", '.'},
      {"AS400:SALES", "", "SALES", '.'},
      {"", "", "", 0},
      {"AS400:", "", "", 0},
      {"AS400://DEMO", "", "DEMO", '.'},
      {"LIBRARYNAMETOOLONG", "", "LIBRARYNAM", '.'},
      {"AS400:/127.0.0.1:8471/DEMO", "127.0.0.1:8471", "DEMO", '.'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ServerName n = ParseServerName(c.text);
    EXPECT_EQ(n.system, c.system);
    EXPECT_EQ(n.library, c.library);
    EXPECT_EQ(n.marker, c.marker);
  }
}

TEST(ServerName, OnlyTheFirstHundredCharactersAreRead) {
  const std::string text = "AS400:/" + std::string(93, 'S') + "/LIB";
  const ServerName n = ParseServerName(text);
  EXPECT_EQ(n.system, std::string(93, 'S'));  // the separator lay past character 100
  EXPECT_EQ(n.library, "");
}

}  // namespace
}  // namespace vantora::driver
