// User spaces in the database: attributes and lists across reopening,
// replacement and deletion, and the byte form of a list entry.
#include "host/storage/user_spaces.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

using testing::I;
using testing::T;

const ObjectName kSpace{"SPACES", "LIST1"};

UserSpace Attributes() {
  UserSpace u;
  u.attribute = "PF";
  u.initialSize = 100000;
  u.initialValue = 0x40;
  u.authority = "*ALL";
  u.text = "Object list";
  return u;
}

TEST(UserSpacesTest, AttributesAndListSurviveReopening) {
  testing::TempDir dir;
  const std::vector<Record> list = {{T("DEMO"), T("ORDERS"), T("*FILE"), I(7)},
                                    {T("DEMO"), T("ORDERQ"), Value(), Value::Real(-2.5)}};
  {
    auto s = testing::OpenStorage(dir);
    ASSERT_OK(s->catalogue().CreateLibrary("SPACES", ""));
    ASSERT_OK(s->userSpaces().Create(kSpace, Attributes(), false));
    ASSERT_OK(s->userSpaces().WriteList(kSpace, "OBJL0200", list));
  }
  auto s = testing::OpenStorage(dir);
  UserSpace u;
  ASSERT_OK(s->userSpaces().Find({"spaces", "list1"}, &u));
  EXPECT_EQ(u.attribute, "PF");
  EXPECT_EQ(u.initialSize, 100000);
  EXPECT_EQ(u.initialValue, 0x40);
  EXPECT_EQ(u.authority, "*ALL");
  EXPECT_EQ(u.text, "Object list");
  EXPECT_EQ(u.listFormat, "OBJL0200");
  EXPECT_EQ(u.entries, list);
  // The space is an object of its library.
  ObjectEntry entry;
  EXPECT_OK(s->catalogue().FindObject(kSpace, "*USRSPC", &entry));
  // A shorter list replaces the whole of the longer one.
  ASSERT_OK(s->userSpaces().WriteList(kSpace, "DBRL0100", {{T("ONLY")}}));
  ASSERT_OK(s->userSpaces().Find(kSpace, &u));
  EXPECT_EQ(u.listFormat, "DBRL0100");
  EXPECT_EQ(u.entries, (std::vector<Record>{{T("ONLY")}}));
}

TEST(UserSpacesTest, CreationRefusesOrReplaces) {
  testing::TempDir dir;
  auto s = testing::OpenStorage(dir);
  EXPECT_CODE(s->userSpaces().Create(kSpace, Attributes(), true), kLibraryNotFound);
  ASSERT_OK(s->catalogue().CreateLibrary("SPACES", ""));
  ASSERT_OK(s->userSpaces().Create(kSpace, Attributes(), false));
  ASSERT_OK(s->userSpaces().WriteList(kSpace, "OBJL0200", {{T("A")}}));
  EXPECT_CODE(s->userSpaces().Create(kSpace, Attributes(), false), kObjectExists);
  UserSpace other = Attributes();
  other.text = "second";
  ASSERT_OK(s->userSpaces().Create(kSpace, other, true));
  UserSpace u;
  ASSERT_OK(s->userSpaces().Find(kSpace, &u));
  EXPECT_EQ(u.text, "second");
  EXPECT_TRUE(u.listFormat.empty());
  EXPECT_TRUE(u.entries.empty());
  EXPECT_CODE(s->userSpaces().Create({"SPACES", "BAD NAME"}, Attributes(), false),
              kInvalidArgument);
}

TEST(UserSpacesTest, DeletingTheObjectDeletesTheSpace) {
  testing::TempDir dir;
  auto s = testing::OpenStorage(dir);
  ASSERT_OK(s->catalogue().CreateLibrary("SPACES", ""));
  ASSERT_OK(s->userSpaces().Create(kSpace, Attributes(), false));
  ASSERT_OK(s->userSpaces().WriteList(kSpace, "OBJL0200", {{T("A")}}));
  ASSERT_OK(s->catalogue().DeleteObject(kSpace, "*USRSPC"));
  UserSpace u;
  EXPECT_CODE(s->userSpaces().Find(kSpace, &u), kObjectNotFound);
  EXPECT_CODE(s->userSpaces().WriteList(kSpace, "OBJL0200", {}), kObjectNotFound);
  // Created again, it starts without the old attributes or list.
  ASSERT_OK(s->catalogue().CreateObject({kSpace, "*USRSPC", "", ""}));
  ASSERT_OK(s->userSpaces().Find(kSpace, &u));
  EXPECT_EQ(u.initialSize, 0);
  EXPECT_TRUE(u.entries.empty());
}

TEST(UserSpaceEntryTest, ValuesKeepTheirKindAndBytes) {
  const Record cases[] = {
      {},
      {Value()},
      {I(0), I(-1), I(std::numeric_limits<int64_t>::min()), I(std::numeric_limits<int64_t>::max())},
      {Value::Real(0.1), Value::Real(-0.0), Value::Real(std::numeric_limits<double>::infinity())},
      {T(""), T(std::string("a\0b", 3)), T(std::string(70000, 'x'))},
  };
  for (const Record& r : cases) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeUserSpaceEntry(r, &bytes));
    Record back;
    ASSERT_TRUE(DecodeUserSpaceEntry(bytes.data(), bytes.size(), &back));
    ASSERT_EQ(back.size(), r.size());
    for (size_t i = 0; i < r.size(); ++i) {
      EXPECT_EQ(back[i].kind(), r[i].kind());
      if (r[i].kind() == Value::Kind::kReal) {
        EXPECT_EQ(std::signbit(back[i].real()), std::signbit(r[i].real()));
      }
      EXPECT_EQ(back[i], r[i]);
    }
  }
}

TEST(UserSpaceEntryTest, TheLayoutIsBigEndianWithKindBytes) {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(EncodeUserSpaceEntry({I(0x0102), T("AB"), Value()}, &bytes));
  const std::vector<uint8_t> expected = {0x00, 0x03,                                    // count
                                         0x01, 0,    0, 0, 0,    0,   0,   0x01, 0x02,  // integer
                                         0x03, 0,    0, 0, 0x02, 'A', 'B',              // text
                                         0x00};                                         // null
  EXPECT_EQ(bytes, expected);
}

TEST(UserSpaceEntryTest, BytesNotWrittenByEncodeAreRefused) {
  const std::vector<std::vector<uint8_t>> cases = {
      {},                                   // no count
      {0x00},                               // half a count
      {0x00, 0x01},                         // a value missing
      {0x00, 0x01, 0x09},                   // an unknown kind
      {0x00, 0x01, 0x01, 0, 0, 0},          // a short integer
      {0x00, 0x01, 0x03, 0, 0, 0, 5, 'a'},  // a text shorter than its length
      {0x00, 0x00, 0x00},                   // bytes after the last value
  };
  for (const auto& c : cases) {
    Record r;
    EXPECT_FALSE(DecodeUserSpaceEntry(c.data(), c.size(), &r)) << c.size() << " bytes";
  }
}

}  // namespace
}  // namespace vantora::host
