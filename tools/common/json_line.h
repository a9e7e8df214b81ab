// The one-line JSON that the tools' --json modes print:
//
//   {"file": "DEMO/X", "fields": 2, "records": ["a1\tb01", "a2\tb02"]}
//
// Members keep the order they were added in, separated by ", " with ": "
// after each name, so that scripts matching on the text keep working. The
// JSON library escapes every string; bytes that are not UTF-8 come out as
// U+FFFD, so the line always parses.
#ifndef VANTORA_TOOLS_COMMON_JSON_LINE_H_
#define VANTORA_TOOLS_COMMON_JSON_LINE_H_

#include <nlohmann/json.hpp>
#include <string>

namespace vantora::tools {

// `value` as one line of JSON, without a line end.
std::string JsonLine(const nlohmann::ordered_json& value);

}  // namespace vantora::tools

#endif  // VANTORA_TOOLS_COMMON_JSON_LINE_H_
