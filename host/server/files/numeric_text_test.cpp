// The direct numeric text against the decimal conversions the client's
// converter uses (DecimalFromInteger, then FormatLeftJustified): the same
// bytes, the same length and the same refusals over edge values, every
// number of decimals and tight capacities.
#include "host/server/files/numeric_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "conversion/decimal.h"
#include "conversion/decimal_text.h"

namespace vantora::host {
namespace {

std::vector<int64_t> Values() {
  std::vector<int64_t> v = {0,
                            1,
                            -1,
                            5,
                            -5,
                            12345,
                            -12345,
                            std::numeric_limits<int64_t>::max(),
                            std::numeric_limits<int64_t>::min(),
                            std::numeric_limits<int64_t>::min() + 1};
  int64_t p = 1;
  for (int i = 0; i < 18; ++i) {
    p *= 10;
    for (int64_t x : {p - 1, p, p + 1, p / 2 + 7}) {
      v.push_back(x);
      v.push_back(-x);
    }
  }
  return v;
}

TEST(NumericTextTest, SameTextAsTheDecimalConversions) {
  int compared = 0;
  for (int64_t value : Values()) {
    for (int decimals = 0; decimals <= 18; ++decimals) {
      conversion::Decimal d;
      conversion::DecimalFromInteger(value, decimals, &d);
      const int integers = conversion::IntegerDigits(d);
      for (int capacity : {1, 2, 3, 5, 10, 19, 20, 21, 22, 40}) {
        uint8_t expected[64], actual[64];
        std::memset(expected, 0xEE, sizeof expected);
        std::memset(actual, 0xEE, sizeof actual);
        int want = conversion::FormatLeftJustified(d, decimals, expected, capacity);
        int got_integers = -1;
        int got = FormatScaledInteger(value, decimals, actual, capacity, &got_integers);
        ASSERT_EQ(got, want) << value << " / 10^" << decimals << " in " << capacity;
        ASSERT_EQ(got_integers, integers) << value << " / 10^" << decimals;
        // Refused: nothing written; written: the same bytes, and none after.
        ASSERT_EQ(std::string(actual, actual + sizeof actual),
                  std::string(expected, expected + sizeof expected))
            << value << " / 10^" << decimals << " in " << capacity;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 10000);
}

struct Case {
  int64_t value;
  int decimals;
  const char* text;
};

TEST(NumericTextTest, Examples) {
  const Case cases[] = {{0, 0, "0"},
                        {0, 2, "0.00"},
                        {-12345, 2, "-123.45"},
                        {5, 3, "0.005"},
                        {-5, 1, "-0.5"},
                        {100, 2, "1.00"},
                        {9223372036854775807, 0, "9223372036854775807"},
                        {-9223372036854775807 - 1, 18, "-9.223372036854775808"}};
  for (const Case& c : cases) {
    uint8_t out[40];
    int integers = 0;
    int n = FormatScaledInteger(c.value, c.decimals, out, sizeof out, &integers);
    ASSERT_GT(n, 0) << c.text;
    EXPECT_EQ(std::string(out, out + n), c.text);
  }
}

}  // namespace
}  // namespace vantora::host
