#include "driver/cursors/date_time_text.h"

#include <gtest/gtest.h>

#include <string>

#include "idapi.h"

namespace vantora::driver {
namespace {

int32_t Day(int year, int month, int day) {
  int32_t d = -1;
  EXPECT_EQ(IdapiEncodeDate(static_cast<uint16_t>(month), static_cast<uint16_t>(day),
                            static_cast<int16_t>(year), &d),
            IDAPI_OK);
  return d;
}

std::string DateText(int32_t date, uint16_t word) {
  char text[16];
  const int n = DateToText(text, date, word);
  return std::string(text, static_cast<size_t>(n));
}

std::string TimeText(int32_t ms, bool micro, uint16_t word) {
  char text[24];
  const int n = TimeToText(text, ms, micro, word);
  return std::string(text, static_cast<size_t>(n));
}

TEST(DateTimeText, DatesInEveryFormatBothWays) {
  const int32_t march5 = Day(2008, 3, 5);
  const struct {
    uint16_t word;
    const char* text;
  } cases[] = {
      {0x0000, "2008-03-05"}, {0x0700, "2008-03-05"}, {0xFF00, "2008-03-05"},
      {0x0100, "03/05/2008"}, {0x012D, "03-05-2008"}, {0x0500, "05.03.2008"},
      {0x1700, "03/05/08"},   {0x1800, "05/03/08"},   {0x1900, "08/03/05"},
      {0x192D, "08-03-05"},   {0x1990, "08/03/05"},  // a separator above 0x80: the default
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DateText(march5, c.word), c.text);
    if (c.word != 0xFF00) {
      int32_t back = 0;
      ASSERT_TRUE(DateFromText(c.text, c.word, &back));
      EXPECT_EQ(back, march5);
    }
  }
}

TEST(DateTimeText, TwoDigitYearsStandFor1940To2039) {
  int32_t a = 0, b = 0;
  ASSERT_TRUE(DateFromText("1999-12-31", 0x0000, &a));
  ASSERT_TRUE(DateFromText("12/31/99", 0x1700, &b));
  EXPECT_EQ(a, b);
  ASSERT_TRUE(DateFromText("01/02/39", 0x1700, &a));
  EXPECT_EQ(a, Day(2039, 1, 2));
  ASSERT_TRUE(DateFromText("01/02/40", 0x1700, &a));
  EXPECT_EQ(a, Day(1940, 1, 2));
  // Years the two digits cannot hold are not written.
  EXPECT_EQ(DateText(Day(1939, 12, 31), 0x1900), "");
  EXPECT_EQ(DateText(Day(2040, 1, 1), 0x1900), "");
  EXPECT_EQ(DateText(Day(1940, 1, 1), 0x1900), "40/01/01");
  EXPECT_EQ(DateText(Day(2150, 1, 1), 0x0000), "2150-01-01");
  EXPECT_EQ(DateText(0, 0x0000), "0001-01-01");
}

TEST(DateTimeText, TextsThatAreNoDatesAreRefused) {
  int32_t d = 7;
  for (const char* text : {"2008-02-30", "2008-13-01", "20x8-01-01", "2008-1-01", ""}) {
    EXPECT_FALSE(DateFromText(text, 0x0000, &d)) << text;
  }
  EXPECT_FALSE(DateFromText("2008-03-05", 0x4200, &d));  // unknown code
  EXPECT_EQ(DateText(Day(2008, 3, 5), 0x4200), "");
  EXPECT_EQ(d, 7);
}

TEST(DateTimeText, TimesInEveryFormatBothWays) {
  const int32_t ms = (13 * 3600 + 5 * 60 + 9) * 1000 + 250;
  const struct {
    uint16_t word;
    bool micro;
    const char* text;
    int32_t back;
  } cases[] = {
      {0x0000, true, "13.05.09.250000", ms},
      {0x0000, false, "13.05.09", ms - 250},
      {0x0300, false, "13.05.09", ms - 250},
      {0x0500, false, "13.05.09", ms - 250},
      {0x0900, false, "13.05.09", ms - 250},
      {0x0700, false, "13:05:09", ms - 250},
      {0x1B00, false, "13:05:09", ms - 250},
      {0x1B2E, false, "13.05.09", ms - 250},
      {0x0100, false, "01:05 PM", (13 * 3600 + 5 * 60) * 1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TimeText(ms, c.micro, c.word), c.text);
    int32_t back = -1;
    ASSERT_TRUE(TimeFromText(c.text, c.micro, c.word, &back));
    EXPECT_EQ(back, c.back);
  }
  int32_t back = 0;
  ASSERT_TRUE(TimeFromText("13.05.09.250000", true, 0x0000, &back));
  EXPECT_EQ(back, 47109250);
}

TEST(DateTimeText, TwelveHourTimesAtMidnightAndNoon) {
  const struct {
    int hour;
    const char* text;
  } cases[] = {{0, "12:00 AM"},  {1, "01:00 AM"},  {11, "11:00 AM"},
               {12, "12:00 PM"}, {13, "01:00 PM"}, {23, "11:00 PM"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TimeText(c.hour * 3600000, false, 0x0100), c.text);
    int32_t back = -1;
    ASSERT_TRUE(TimeFromText(c.text, false, 0x0100, &back));
    EXPECT_EQ(back, c.hour * 3600000);
  }
  int32_t back = 0;
  EXPECT_FALSE(TimeFromText("00:30 AM", false, 0x0100, &back));
  EXPECT_FALSE(TimeFromText("01:30 XM", false, 0x0100, &back));
}

TEST(DateTimeText, TimesOutsideTheDayAreRefused) {
  EXPECT_EQ(TimeText(86400000, false, 0), "");
  EXPECT_EQ(TimeText(-1, false, 0), "");
  int32_t ms = 0;
  for (const char* text : {"24.00.00", "12.60.00", "12.00.61", "1x.00.00"}) {
    EXPECT_FALSE(TimeFromText(text, false, 0, &ms)) << text;
  }
}

TEST(DateTimeText, Timestamps) {
  const double value = Day(2011, 2, 2) * 86400000.0 + (3600 + 60 + 7) * 1000 + 250;
  char text[32];
  ASSERT_EQ(TimestampToText(text, value, 0), kTimestampLength);
  EXPECT_EQ(std::string(text, 26), "2011-02-02-01.01.07.250000");
  double back = 0;
  ASSERT_TRUE(TimestampFromText(std::string(text, 26), 0, &back));
  EXPECT_EQ(back, value);
  EXPECT_EQ(TimestampToText(text, -1.0, 0), 0);
  EXPECT_FALSE(TimestampFromText("2011-02-02", 0, &back));
}

}  // namespace
}  // namespace vantora::driver
