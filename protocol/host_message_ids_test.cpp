// The identifiers the host answers against the message files: each has a
// text in the file a client's message lookup searches for it, has the shape
// of a reply's 7-character identifier, and stands in the table once.
#include "protocol/host_message_ids.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <string_view>

#include "protocol/host_messages.h"

namespace vantora::wire {
namespace {

// SQL messages are in QSQLMSG, all others in QCPFMSG.
std::string_view FileOf(std::string_view id) {
  return id.substr(0, 3) == "SQL" ? std::string_view(kSqlMessageFile)
                                  : std::string_view(kSystemMessageFile);
}

TEST(MessageIds, EachHasATextInItsMessageFile) {
  for (const char* id : kHostMessageIds) {
    SCOPED_TRACE(id);
    const wire::MessageDescription* message = wire::FindMessage(FileOf(id), id);
    ASSERT_NE(message, nullptr);
    EXPECT_STRNE(message->text, "");
    std::string_view other = FileOf(id) == kSqlMessageFile ? kSystemMessageFile : kSqlMessageFile;
    EXPECT_EQ(wire::FindMessage(other, id), nullptr) << "also in " << other;
  }
}

TEST(MessageIds, HaveTheShapeOfAReplysIdentifier) {
  for (const char* id : kHostMessageIds) {
    SCOPED_TRACE(id);
    std::string_view s(id);
    ASSERT_EQ(s.size(), 7u);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_TRUE(std::isupper(static_cast<unsigned char>(s[i]))) << "position " << i;
    }
    for (size_t i = 3; i < 7; ++i) {
      const char c = s[i];
      EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << "position " << i;
    }
  }
}

TEST(MessageIds, EachStandsInTheTableOnce) {
  std::set<std::string_view> seen;
  for (const char* id : kHostMessageIds) {
    EXPECT_TRUE(seen.insert(id).second) << id << " twice";
  }
  EXPECT_FALSE(seen.empty());
}

}  // namespace
}  // namespace vantora::wire
