#include "selection/object_entry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace vantora::selection {
namespace {

std::vector<uint8_t> Entry(const std::string& name, const std::string& attribute,
                           const std::string& text) {
  std::vector<uint8_t> e(kEntryLength, ' ');
  std::memcpy(e.data() + kEntryNameOffset, name.data(), name.size());
  std::memcpy(e.data() + 10, "DEMO", 4);   // library
  std::memcpy(e.data() + 20, "*FILE", 5);  // type
  std::memcpy(e.data() + kEntryAttributeOffset, attribute.data(), attribute.size());
  std::memcpy(e.data() + kEntryTextOffset, text.data(), text.size());
  std::memcpy(e.data() + 91, "USERATTR", 8);  // fields after the text are not shown
  return e;
}

TEST(ObjectEntry, EntryTextHasAttributeNameAndTextAtTheirTabs) {
  auto e = Entry("ORDERS", "PF", "Demo orders");
  const std::string text = EntryText(e);
  EXPECT_EQ(text, "PF \tORDERS    \tDemo orders" + std::string(39, ' '));
  EXPECT_EQ(text.size(), 3u + 1 + 10 + 1 + 50);
  EXPECT_EQ(text.substr(kEntryTextNameStart, 10), "ORDERS    ");
  // Only three characters of a longer attribute are shown.
  EXPECT_EQ(EntryText(Entry("SCREENS", "DSPF", "")).substr(0, 4), "DSP\t");
  EXPECT_EQ(EntryAttribute(Entry("SCREENS", "DSPF", "")), "DSPF      ");
}

TEST(ObjectEntry, ObjectNameComesFromCharacterFive) {
  EXPECT_EQ(EntryObjectName("PF \tORDERS    \tDemo"), "ORDERS    ");
  EXPECT_EQ(EntryObjectName("LF \tordersbyc \t"), "ORDERSBYC ");
  EXPECT_EQ(EntryObjectName("PF \tABCDEFGHIJ\tt"), "ABCDEFGHIJ");
  EXPECT_EQ(EntryObjectName("PF"), "          ");
}

struct FilterCase {
  const char* attribute;
  const char* filter;
  bool kept;
};

TEST(ObjectEntry, Filters) {
  const FilterCase cases[] = {
      {"PF        ", "*FILE", true},  {"LF        ", "*FILE", true},
      {"DSPF      ", "*FILE", false}, {"PRTF      ", "*FILE", false},
      {"          ", "*FILE", false}, {"PF        ", "", true},
      {"DSPF      ", "", true},       {"PF        ", "PF", true},
      {"LF        ", "PF", false},    {"LF        ", "LF", true},
      {"CLE       ", "CL", true},     {"CLE       ", "cl", false},  // case-sensitive
      {"RPGLE     ", "CLE", false},   {"PROD      ", "*LIB", true},
      {"TEST      ", "*LIB", true},   {"PF        ", "PF        X", false},
  };
  for (const FilterCase& c : cases) {
    EXPECT_EQ(PassesFilter(c.attribute, c.filter), c.kept)
        << "'" << c.attribute << "' with '" << c.filter << "'";
  }
}

TEST(ObjectEntry, CopyNameUpperCasesCutsAndPads) {
  struct Case {
    const char* text;
    const char* buffer;
  } cases[] = {
      {"demo", "DEMO      "},
      {"ABCDEFGHIJK", "ABCDEFGHIJ"},  // never more than the 10 bytes
      {"", "          "},
      {"My Lib", "MY LIB    "},
  };
  for (const Case& c : cases) {
    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    CopyName(c.text, buffer);
    EXPECT_EQ(std::string(buffer, 10), c.buffer) << c.text;
    EXPECT_EQ(buffer[10], '#') << "written past the name: " << c.text;
  }
}

}  // namespace
}  // namespace vantora::selection
