// The command line's --json result against the scripted transport: file
// names and records holding quotes, backslashes, control characters and
// UTF-8 come out as one line of JSON that parses back to them; a name that
// is not UTF-8 still gives JSON that parses.
#include "tools/speedcheck/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/file_text.h"
#include "tests/support/test_session.h"
#include "tools/speedcheck/speedcheck_test_support.h"

namespace vantora::speedcheck {
namespace {

class SpeedcheckJson : public vantora::testing::ClientTest {};

TEST_F(SpeedcheckJson, AwkwardFileNamesAndRecordsParseAndComeBack) {
  const struct {
    std::string file;
    std::string field1;  // the record is the two fields side by side
    std::string field2;
    std::string fileBack = "";  // when not `file`: bytes that are not UTF-8 become U+FFFD
  } cases[] = {
      {"DEMO/BENCH100", "0001", "plain"},
      {"DEMO/\"Q\"", "say \"hi\"", "\""},
      {"C:\\DEMO\\X", "back\\slash", "\\\""},
      {"DEMO/\x01\x1f", "line\nbreak\r", "\b\f\x7f"},
      {"DEMO/ZÜRICH", "café", "日本語 \xF0\x9F\x98\x80"},
      {"DEMO/\xC9T\xC9", "x", "y", "DEMO/\xEF\xBF\xBDT\xEF\xBF\xBD"},  // Latin-1
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    ScriptedTransport::Reset();
    const auto length1 = static_cast<int16_t>(c.field1.size());
    const auto length2 = static_cast<int16_t>(c.field2.size());
    const int32_t recordLength = length1 + length2;
    QueueConnect();
    QueueOpen({{"A", length1}, {"B", length2}}, recordLength);
    QueueReply(0x0111, recordLength);  // Rlength at the read
    QueueBlock({c.field1 + c.field2});

    CommandLineOptions options;
    options.file = c.file;
    options.records = "";  // one pass
    options.json = true;
    std::FILE* out = std::tmpfile();
    ASSERT_EQ(RunCommandLine(options, out), 0);
    const std::string line = vantora::testing::TakeFileText(out);

    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
    ASSERT_TRUE(nlohmann::json::accept(line)) << line;
    const nlohmann::json result = nlohmann::json::parse(line);
    EXPECT_EQ(result["file"], c.fileBack.empty() ? c.file : c.fileBack);
    EXPECT_EQ(result["fields"], 2);
    EXPECT_EQ(result["recordLength"], recordLength);
    EXPECT_EQ(result["blocked"], true);
    EXPECT_EQ(result["recordsRead"], 1);
    EXPECT_EQ(result["records"], nlohmann::json::array({c.field1 + "\t" + c.field2}));
  }
}

}  // namespace
}  // namespace vantora::speedcheck
