#include "host/storage/source_members.h"

#include <gtest/gtest.h>

#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

TEST(SourceMembersTest, MembersHoldLinesInOrder) {
  testing::TempDir dir;
  auto s = testing::OpenStorage(dir);
  ASSERT_OK(s->catalogue().CreateLibrary("SRC", ""));
  ObjectName file{"SRC", "QDDSSRC"};
  ASSERT_OK(s->catalogue().CreateSourceFile(file, 92, "DDS"));
  FileDescription d;
  ASSERT_OK(s->catalogue().DescribeFile(file, &d));
  EXPECT_EQ(d.kind, FileKind::kSource);
  EXPECT_EQ(d.formats[0].fields[2].length, 80);

  SourceMembers& m = s->sourceMembers();
  ASSERT_OK(m.AddMember(file, "custmast", "PF", "Customers"));
  EXPECT_CODE(m.AddMember(file, "CUSTMAST", "PF", ""), kObjectExists);
  std::vector<SourceLine> lines = {
      {100, 240101, "     A          R CUSTREC                   "},
      {200, 240101, "     A            CUSTNO         6S 0"},
  };
  ASSERT_OK(m.WriteLines(file, "CUSTMAST", lines));
  std::vector<SourceLine> back;
  ASSERT_OK(m.ReadLines(file, "CUSTMAST", &back));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].text, "     A          R CUSTREC") << "trailing blanks are not kept";
  EXPECT_EQ(back[1].sequence, 200);

  EXPECT_CODE(m.WriteLines(file, "CUSTMAST", {{100, 0, std::string(81, 'X')}}), kDataMapping);
  EXPECT_CODE(m.ReadLines(file, "NOMBR", &back), kFileNotFound);
  EXPECT_CODE(m.AddMember({"SRC", "NOFILE"}, "X", "PF", ""), kFileNotFound);

  std::vector<MemberEntry> members;
  ASSERT_OK(m.ListMembers(file, &members));
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members[0].type, "PF");
  ASSERT_OK(m.RemoveMember(file, "CUSTMAST"));
  ASSERT_OK(m.ListMembers(file, &members));
  EXPECT_TRUE(members.empty());
}

}  // namespace
}  // namespace vantora::host
