#include "engine/calendar.h"

#include <gtest/gtest.h>

#include <array>

namespace vantora::engine {
namespace {

TEST(Calendar, KnownDayNumbers) {
  const struct {
    int month, day, year;
    int32_t number;
  } cases[] = {
      {1, 1, 1, 0},          {1, 2, 1, 1},         {12, 31, 1, 364},
      {1, 1, 2, 365},        {3, 1, 4, 1155},      {1, 1, 2000, 730119},
      {2, 29, 2000, 730178}, {3, 1, 1900, 693654}, {12, 31, 9999, kLastDay},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day);
    int32_t date = -1;
    ASSERT_TRUE(EncodeDate(c.month, c.day, c.year, &date));
    EXPECT_EQ(date, c.number);
    int m = 0, d = 0, y = 0;
    ASSERT_TRUE(DecodeDate(c.number, &m, &d, &y));
    EXPECT_EQ(m, c.month);
    EXPECT_EQ(d, c.day);
    EXPECT_EQ(y, c.year);
  }
}

TEST(Calendar, EveryDayRoundTripsAndFollowsTheDayBefore) {
  int pm = 1, pd = 1, py = 1;
  ASSERT_TRUE(DecodeDate(0, &pm, &pd, &py));
  for (int32_t n = 1; n <= kLastDay; n += (n < 800000 ? 1 : 97)) {
    int m = 0, d = 0, y = 0;
    ASSERT_TRUE(DecodeDate(n, &m, &d, &y)) << n;
    int32_t back = -1;
    ASSERT_TRUE(EncodeDate(m, d, y, &back));
    ASSERT_EQ(back, n);
    if (n < 800000) {
      const bool nextDay = (y == py && m == pm && d == pd + 1) ||
                           (y == py && m == pm + 1 && d == 1) || (y == py + 1 && m == 1 && d == 1);
      ASSERT_TRUE(nextDay) << n;
    }
    pm = m, pd = d, py = y;
  }
}

TEST(Calendar, InvalidDatesAndTimesAreRefused) {
  int32_t date = 7;
  for (const auto& c : {std::array<int, 3>{2, 29, 1900},
                        {2, 30, 2000},
                        {4, 31, 2020},
                        {0, 1, 2020},
                        {13, 1, 2020},
                        {1, 0, 2020},
                        {1, 1, 0},
                        {1, 1, 10000}}) {
    EXPECT_FALSE(EncodeDate(c[0], c[1], c[2], &date));
  }
  EXPECT_EQ(date, 7);
  int m, d, y;
  EXPECT_FALSE(DecodeDate(-1, &m, &d, &y));
  EXPECT_FALSE(DecodeDate(kLastDay + 1, &m, &d, &y));
  uint32_t time = 0;
  EXPECT_TRUE(EncodeTime(13, 5, 9250, &time));
  EXPECT_EQ(time, 47109250u);
  EXPECT_TRUE(EncodeTime(23, 59, 59999, &time));
  EXPECT_EQ(time, 86399999u);
  EXPECT_FALSE(EncodeTime(24, 0, 0, &time));
  EXPECT_FALSE(EncodeTime(0, 60, 0, &time));
  EXPECT_FALSE(EncodeTime(0, 0, 60000, &time));
}

}  // namespace
}  // namespace vantora::engine
