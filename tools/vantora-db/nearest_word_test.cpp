#include "tools/vantora-db/nearest_word.h"

#include <gtest/gtest.h>

namespace vantora::db {
namespace {

TEST(NearestWord, EditDistance) {
  const struct {
    const char* a;
    const char* b;
    size_t distance;
  } cases[] = {
      {"", "", 0},
      {"browse", "browse", 0},
      {"brwose", "browse", 1},
      {"brows", "browse", 1},
      {"bxowse", "browse", 1},
      {"SELCT", "select", 1},
      {"", "abc", 3},
      {"kitten", "sitting", 3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EditDistance(c.a, c.b), c.distance) << c.a << " " << c.b;
  }
}

TEST(NearestWord, SuggestsOnlyWhatIsNearEnough) {
  const std::vector<std::string> words = {"browse", "tables", "fields", "SELECT", "quit"};
  const struct {
    const char* typed;
    const char* nearest;
  } cases[] = {
      {"brwose", "browse"}, {"tabels", "tables"}, {"selct", "SELECT"},
      {"quiet", "quit"},    {"frobnicate", ""},   {"xyz", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(NearestWord(c.typed, words), c.nearest) << c.typed;
}

}  // namespace
}  // namespace vantora::db
