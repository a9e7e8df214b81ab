// The date and time layouts both sides build on: every format's positions,
// the two-digit year window, the calendar and the 12-hour clock.
#include "conversion/date_time_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace vantora::conversion {
namespace {

TEST(DateTimeLayout, EveryDateFormatPlacesItsParts) {
  const struct {
    uint8_t code;
    const char* text;  // 2021-03-04 in the format
  } cases[] = {
      {0x00, "2021-03-04"}, {0x07, "2021-03-04"}, {0x01, "03/04/2021"}, {0x05, "04.03.2021"},
      {0x17, "03/04/21"},   {0x18, "04/03/21"},   {0x19, "21/03/04"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    DateLayout l;
    ASSERT_TRUE(DateLayoutOf(c.code, &l));
    const std::string text = c.text;
    ASSERT_EQ(static_cast<size_t>(l.length()), text.size());
    int y, m, d;
    ASSERT_TRUE(
        ReadDigits(text, static_cast<size_t>(l.year), static_cast<size_t>(l.yearDigits), &y));
    ASSERT_TRUE(ReadDigits(text, static_cast<size_t>(l.month), 2, &m));
    ASSERT_TRUE(ReadDigits(text, static_cast<size_t>(l.day), 2, &d));
    EXPECT_EQ(l.yearDigits == 2 ? FullYear(y) : y, 2021);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(d, 4);
    EXPECT_EQ(text[static_cast<size_t>(l.firstSeparator)], l.separator);
    EXPECT_EQ(text[static_cast<size_t>(l.secondSeparator)], l.separator);
    // Written back from the parts, the same text.
    std::string out(text.size(), '?');
    WriteDigits(l.yearDigits == 2 ? 21 : 2021, l.yearDigits, out.data() + l.year);
    WriteDigits(3, 2, out.data() + l.month);
    WriteDigits(4, 2, out.data() + l.day);
    out[static_cast<size_t>(l.firstSeparator)] = l.separator;
    out[static_cast<size_t>(l.secondSeparator)] = l.separator;
    EXPECT_EQ(out, text);
  }
  DateLayout l;
  EXPECT_FALSE(DateLayoutOf(0x02, &l));
  EXPECT_FALSE(DateLayoutOf(0xFF, &l));
}

TEST(DateTimeLayout, YearsCalendarAndClock) {
  EXPECT_EQ(FullYear(39), 2039);
  EXPECT_EQ(FullYear(40), 1940);
  EXPECT_TRUE(HasTwoDigitForm(1940));
  EXPECT_FALSE(HasTwoDigitForm(2040));
  EXPECT_TRUE(IsCalendarDate(2024, 2, 29));
  EXPECT_FALSE(IsCalendarDate(2023, 2, 29));
  EXPECT_FALSE(IsCalendarDate(1900, 2, 29));
  EXPECT_TRUE(IsCalendarDate(2000, 2, 29));
  EXPECT_FALSE(IsCalendarDate(0, 1, 1));
  EXPECT_FALSE(IsCalendarDate(2020, 13, 1));
  const struct {
    int hour, twelve;
    const char* half;
  } clock[] = {{0, 12, "AM"},  {1, 1, "AM"},  {11, 11, "AM"},
               {12, 12, "PM"}, {13, 1, "PM"}, {23, 11, "PM"}};
  for (const auto& c : clock) {
    EXPECT_EQ(TwelveHourOf(c.hour), c.twelve);
    int back = -1;
    ASSERT_TRUE(HourOfTwelve(c.twelve, c.half, &back));
    EXPECT_EQ(back, c.hour);
  }
  int h;
  EXPECT_FALSE(HourOfTwelve(13, "PM", &h));
  EXPECT_FALSE(HourOfTwelve(0, "AM", &h));
  EXPECT_FALSE(HourOfTwelve(5, "XM", &h));
  TimeLayout t;
  EXPECT_TRUE(TimeLayoutOf(0x1B, &t));
  EXPECT_EQ(t, TimeLayout::kColons);
  EXPECT_FALSE(TimeLayoutOf(0x17, &t));
  EXPECT_FALSE(ReadDigits("12a4", 0, 4, &h));
  EXPECT_FALSE(ReadDigits("12", 1, 2, &h));
}

}  // namespace
}  // namespace vantora::conversion
