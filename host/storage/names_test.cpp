#include "host/storage/names.h"

#include <gtest/gtest.h>

namespace vantora::host {
namespace {

TEST(NamesTest, NormalisesBlankPaddedLowerCaseNames) {
  struct Case {
    const char* in;
    const char* out;  // nullptr: refused
  } cases[] = {
      {"custmast  ", "CUSTMAST"},
      {"$A#B@C_1", "$A#B@C_1"},
      {"ABCDEFGHIJ", "ABCDEFGHIJ"},
      {"ABCDEFGHIJK", nullptr},
      {"", nullptr},
      {"   ", nullptr},
      {"1ABC", nullptr},
      {"A/B", nullptr},
      {"A B", nullptr},
      {"_ABC", nullptr},
  };
  for (const Case& c : cases) {
    std::string out;
    Status s = NormaliseName(c.in, &out);
    if (c.out) {
      EXPECT_TRUE(s.ok()) << c.in;
      EXPECT_EQ(out, c.out);
    } else {
      EXPECT_EQ(s.code(), StatusCode::kInvalidArgument) << c.in;
    }
  }
}

TEST(NamesTest, SqlNamesAreQuotedAndDistinct) {
  ObjectName f{"LIB", "FILE"};
  EXPECT_EQ(SqlTableName(f), "\"LIB/FILE\"");
  EXPECT_EQ(SqlIndexName(f), "\"LIB/FILE:KEY\"");
  EXPECT_EQ(QuoteIdentifier("a\"b"), "\"a\"\"b\"");
}

}  // namespace
}  // namespace vantora::host
