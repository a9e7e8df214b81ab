#include "tools/common/json_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace vantora::tools {
namespace {

using nlohmann::ordered_json;

TEST(JsonLine, OneLineWithTheToolsSpacingInTheOrderGiven) {
  ordered_json value = ordered_json::object();
  value["zeta"] = "z";
  value["alpha"] = 1;
  value["ok"] = true;
  value["none"] = nullptr;
  value["negative"] = int64_t{-9007199254740993};
  value["list"] = {"a\tb", 2};
  value["empty"] = ordered_json::array();
  value["nested"] = {{"class", -20}, {"primary", 1}};
  value["nothing"] = ordered_json::object();
  EXPECT_EQ(JsonLine(value),
            "{\"zeta\": \"z\", \"alpha\": 1, \"ok\": true, \"none\": null, "
            "\"negative\": -9007199254740993, \"list\": [\"a\\tb\", 2], \"empty\": [], "
            "\"nested\": {\"class\": -20, \"primary\": 1}, \"nothing\": {}}");
}

// Each text goes in as a name, a member and an element of a list; the line
// must parse and give each back unchanged (or, for bytes that are not UTF-8,
// with U+FFFD in their place).
TEST(JsonLine, AwkwardTextsParseAndComeBack) {
  const std::string kReplacement = "\xEF\xBF\xBD";
  const struct {
    std::string text;
    std::optional<std::string> back;  // what parsing gives; the text itself when empty
  } cases[] = {
      {"", std::nullopt},
      {"DEMO/BENCH100", std::nullopt},
      {"say \"hi\"", std::nullopt},
      {"\"", std::nullopt},
      {"C:\\dir\\file", std::nullopt},
      {"\\", std::nullopt},
      {"\\\"", std::nullopt},
      {"\\u0041", std::nullopt},
      {"tab\there", std::nullopt},
      {"line\nbreak\r\n", std::nullopt},
      {"\b\f", std::nullopt},
      {"\x01\x02\x1f", std::nullopt},
      {std::string("nul\0inside", 10), std::nullopt},
      {"\x7f", std::nullopt},
      {"Zürich, café, señor", std::nullopt},
      {"\xC3\xA9t\xC3\xA9", std::nullopt},
      {"日本語", std::nullopt},
      {"\xF0\x9F\x98\x80", std::nullopt},
      {"</script>", std::nullopt},
      {"caf\xE9", "caf" + kReplacement},  // Latin-1, not UTF-8
      {"\xFF\xFE", kReplacement + kReplacement},
      {"cut \xC3", "cut " + kReplacement},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    const std::string expected = c.back.value_or(c.text);
    ordered_json value = ordered_json::object();
    value["text"] = c.text;
    value["list"] = {c.text, c.text};
    value[c.text] = 1;
    const std::string line = JsonLine(value);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    ASSERT_TRUE(ordered_json::accept(line)) << line;
    const ordered_json parsed = ordered_json::parse(line);
    EXPECT_EQ(parsed["text"].get<std::string>(), expected);
    EXPECT_EQ(parsed["list"][0].get<std::string>(), expected);
    EXPECT_EQ(parsed["list"][1].get<std::string>(), expected);
    EXPECT_TRUE(parsed.contains(expected));
    // What parses back prints the same again.
    if (!c.back) {
      EXPECT_EQ(JsonLine(parsed), line);
    }
  }
}

TEST(JsonLine, ScalarsAlone) {
  EXPECT_EQ(JsonLine(nullptr), "null");
  EXPECT_EQ(JsonLine(false), "false");
  EXPECT_EQ(JsonLine(42), "42");
  EXPECT_EQ(JsonLine("a\"b"), "\"a\\\"b\"");
  EXPECT_EQ(JsonLine(ordered_json::array()), "[]");
  EXPECT_EQ(JsonLine(ordered_json::object()), "{}");
}

}  // namespace
}  // namespace vantora::tools
