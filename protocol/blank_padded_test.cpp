// The comparisons that ignore the case of ASCII letters: only the 26 letters
// fold, whatever the locale; other bytes, those above 127 too, compare as
// they are.
#include "protocol/blank_padded.h"

#include <gtest/gtest.h>

#include <string_view>

namespace vantora::wire {
namespace {

struct Pair {
  std::string_view a;
  std::string_view b;
  bool equal;       // EqualsIgnoringCase(a, b)
  bool startsWith;  // StartsWithIgnoringCase(a, b)
  bool less;        // LessIgnoringCase(a, b)
};

constexpr Pair kPairs[] = {
    {"", "", true, true, false},
    {"abc", "", false, true, false},
    {"", "abc", false, false, true},
    {"Module", "MODULE", true, true, false},
    {"module", "Modul", false, true, false},
    {"Mod", "module", false, false, true},
    {"*dtaq/LIB", "*DTAQ/", false, true, false},
    {"BYTES(10)", "bytes(", false, true, false},
    {"alpha", "Beta", false, false, true},
    {"BETA", "alpha", false, false, false},
    // Letters sort as lower case: `_` before them.
    {"A_", "AB", false, false, true},
    {"ab", "A_", false, false, false},
    // Brackets and the like are not letters though they sit 32 from some.
    {"[", "{", false, false, true},
    {"@", "`", false, false, true},
    // Bytes above 127 fold to nothing and sort after ASCII.
    {"\xC3\xA9", "\xC3\x89", false, false, false},
    {"z", "\xC3\xA9", false, false, true},
};

TEST(IgnoringCase, ComparesTheTablesPairs) {
  for (const Pair& p : kPairs) {
    SCOPED_TRACE(testing::Message() << "'" << p.a << "' '" << p.b << "'");
    EXPECT_EQ(EqualsIgnoringCase(p.a, p.b), p.equal);
    EXPECT_EQ(EqualsIgnoringCase(p.b, p.a), p.equal);
    EXPECT_EQ(StartsWithIgnoringCase(p.a, p.b), p.startsWith);
    EXPECT_EQ(LessIgnoringCase(p.a, p.b), p.less);
    // The order is strict and agrees with the equality.
    EXPECT_FALSE(p.less && LessIgnoringCase(p.b, p.a));
    EXPECT_EQ(!p.less && !LessIgnoringCase(p.b, p.a), p.equal);
  }
}

}  // namespace
}  // namespace vantora::wire
