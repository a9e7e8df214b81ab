#include "host/storage/source_members.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "host/storage/fault_vfs.h"
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

// A listing that a failed read cuts short answers the failure: never a
// shorter list as if it were the whole one. Each read of the walk is failed
// in turn, on a freshly opened storage so that the pages come from the file.
struct Listing {
  const char* name;
  size_t expected;
  std::function<Status(SourceMembers&, size_t*)> list;
};
void PrintTo(const Listing& c, std::ostream* os) {
  *os << c.name;
}

class SourceListingUnderReadFaults : public ::testing::TestWithParam<Listing> {
 protected:
  void TearDown() override { StorageFaults::Disarm(); }
};

constexpr ObjectName kSource{"SRC", "QRPGSRC"};
constexpr size_t kMembers = 300;
constexpr size_t kLines = 400;

TEST_P(SourceListingUnderReadFaults, IsWholeOrFails) {
  const Listing& c = GetParam();
  testing::TempDir dir;
  {
    auto s = testing::OpenStorage(dir);
    ASSERT_OK(s->catalogue().CreateLibrary("SRC", ""));
    ASSERT_OK(s->catalogue().CreateSourceFile(kSource, 92, "RPG"));
    for (size_t i = 0; i < kMembers; ++i) {
      ASSERT_OK(s->sourceMembers().AddMember(kSource, "M" + std::to_string(i), "RPG",
                                             std::string(40, 'T') + std::to_string(i)));
    }
    std::vector<SourceLine> lines;
    for (size_t i = 0; i < kLines; ++i) {
      lines.push_back(
          {static_cast<int64_t>(i + 1), 240101, std::string(70, 'C') + std::to_string(i)});
    }
    ASSERT_OK(s->sourceMembers().WriteLines(kSource, "M0", lines));
  }
  int failures = 0;
  for (int64_t countdown = 1;; ++countdown) {
    ASSERT_LT(countdown, 10'000) << "the walk does not end";
    auto s = testing::OpenStorage(dir);
    ASSERT_NE(s, nullptr);
    StorageFaults::Arm({.operation = StorageOperation::kRead, .countdown = countdown});
    size_t count = 0;
    Status st = c.list(s->sourceMembers(), &count);
    const bool hit = StorageFaults::Hits() > 0;
    StorageFaults::Disarm();
    if (st.ok()) {
      EXPECT_EQ(count, c.expected) << "read " << countdown << " failed";
    } else {
      EXPECT_CODE(st, kIoError);
      ++failures;
    }
    if (!hit) {
      EXPECT_OK(st);
      break;
    }
  }
  // The walk reached into the listing's own pages, not only the lookups first.
  EXPECT_GT(failures, 5);
}

INSTANTIATE_TEST_SUITE_P(Cases, SourceListingUnderReadFaults,
                         ::testing::Values(Listing{"Members", kMembers,
                                                   [](SourceMembers& m, size_t* count) {
                                                     std::vector<MemberEntry> members;
                                                     Status st = m.ListMembers(kSource, &members);
                                                     *count = members.size();
                                                     return st;
                                                   }},
                                           Listing{"Lines", kLines,
                                                   [](SourceMembers& m, size_t* count) {
                                                     std::vector<SourceLine> lines;
                                                     Status st = m.ReadLines(kSource, "M0", &lines);
                                                     *count = lines.size();
                                                     return st;
                                                   }}),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace vantora::host
