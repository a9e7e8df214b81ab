#include "host/server/files/date_time_text.h"

#include <gtest/gtest.h>

#include <string>

namespace vantora::host {
namespace {

DateTimeStyle Style(const char* format, char dateSep, char timeSep) {
  DateTimeFormat f;
  f.dateFormat = format;
  f.dateSeparator = dateSep;
  f.timeSeparator = timeSep;
  return StyleOf(f);
}

TEST(DateTimeText, DatesInEveryFormat) {
  struct Case {
    const char* format;
    char sep;
    const char* iso;
    const char* text;
    uint16_t word;
  } cases[] = {
      {"*ISO", '/', "2008-03-05", "2008-03-05", 0x002D},
      {"*USA", '-', "2008-03-05", "03/05/2008", 0x012F},
      {"*EUR", '-', "2008-03-05", "05.03.2008", 0x052E},
      {"*JIS", '-', "2008-03-05", "2008-03-05", 0x072D},
      {"*MDY", '-', "1999-12-31", "12-31-99", 0x172D},
      {"*DMY", '/', "2008-03-05", "05/03/08", 0x182F},
      {"*YMD", '-', "2039-01-02", "39-01-02", 0x192D},
      {"*JUL", '-', "2008-03-05", "2008-03-05", 0x002D},  // unknown: ISO
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    DateTimeStyle s = Style(c.format, c.sep, '.');
    EXPECT_EQ(s.dateWord(), c.word);
    std::string text(static_cast<size_t>(s.dateLength()), '?');
    ASSERT_TRUE(FormatDate(c.iso, s, text.data()));
    EXPECT_EQ(text, c.text);
    std::string back;
    ASSERT_TRUE(ParseDate(text, s, &back));
    EXPECT_EQ(back, c.iso);
  }
}

TEST(DateTimeText, DatesRefused) {
  DateTimeStyle ymd = Style("*YMD", '-', '.');
  char text[10];
  EXPECT_FALSE(FormatDate("1939-12-31", ymd, text));  // no two-digit form
  EXPECT_FALSE(FormatDate("2040-01-01", ymd, text));
  EXPECT_FALSE(FormatDate("20x0-01-01", Style("*ISO", '-', '.'), text));
  std::string iso;
  EXPECT_FALSE(ParseDate("2024-02-30", Style("*ISO", '-', '.'), &iso));
  EXPECT_FALSE(ParseDate("2023-02-29", Style("*ISO", '-', '.'), &iso));
  EXPECT_TRUE(ParseDate("2024-02-29", Style("*ISO", '-', '.'), &iso));
  EXPECT_FALSE(ParseDate("13/01/2024", Style("*USA", '-', '.'), &iso));
  EXPECT_FALSE(ParseDate("2024-01", Style("*ISO", '-', '.'), &iso));
  EXPECT_TRUE(ParseDate("40-01-02", ymd, &iso));
  // The style's length and separators, no more and no less.
  const DateTimeStyle mdy = Style("*MDY", '/', '.');
  std::string other;
  EXPECT_FALSE(ParseDate("01/01/2024", mdy, &other));
  EXPECT_FALSE(ParseDate("2024-01-02 ", Style("*ISO", '-', '.'), &other));
  EXPECT_FALSE(ParseDate("2024101002", Style("*ISO", '-', '.'), &other));
  EXPECT_TRUE(ParseDate("01/01/24", mdy, &other));
  EXPECT_EQ(iso, "1940-01-02");
}

TEST(DateTimeText, Times) {
  struct Case {
    char sep;
    uint8_t code;
    const char* iso;
    const char* text;
  } cases[] = {
      {'.', 0x00, "13.05.09", "13.05.09"},
      {':', 0x1B, "13.05.09", "13:05:09"},
      {',', 0x1B, "00.00.00", "00,00,00"},
  };
  for (const Case& c : cases) {
    DateTimeStyle s = Style("*ISO", '-', c.sep);
    EXPECT_EQ(s.timeCode, c.code);
    char text[8];
    ASSERT_TRUE(FormatTime(c.iso, s, text));
    EXPECT_EQ(std::string(text, 8), c.text);
    std::string back;
    ASSERT_TRUE(ParseTime(std::string(text, 8), s, &back));
    EXPECT_EQ(back, c.iso);
  }
  DateTimeStyle usa;
  usa.timeCode = 0x01;
  char text[8];
  struct Usa {
    const char* iso;
    const char* text;
  } usaCases[] = {{"13.05.00", "01:05 PM"}, {"00.10.00", "12:10 AM"}, {"12.00.00", "12:00 PM"}};
  for (const Usa& c : usaCases) {
    ASSERT_TRUE(FormatTime(c.iso, usa, text));
    EXPECT_EQ(std::string(text, 8), c.text);
    std::string back;
    ASSERT_TRUE(ParseTime(c.text, usa, &back));
    EXPECT_EQ(back, c.iso);
  }
  std::string iso;
  EXPECT_FALSE(ParseTime("25.00.00", Style("*ISO", '-', '.'), &iso));
  EXPECT_FALSE(ParseTime("10.00.00.5", Style("*ISO", '-', '.'), &iso));
  EXPECT_FALSE(ParseTime("1000000", Style("*ISO", '-', '.'), &iso));
  EXPECT_FALSE(ParseTime("10.61.00", Style("*ISO", '-', '.'), &iso));
  EXPECT_FALSE(ParseTime("13:00 XM", usa, &iso));
}

}  // namespace
}  // namespace vantora::host
