// The keyword area of DDS source lines (columns 45-80): a blank-separated
// list of KEYWORD or KEYWORD(arguments), arguments being quoted constants
// ('...' with '' for one quote), plain words, or nested parenthesised
// groups. No I/O.
#ifndef VANTORA_HOST_CL_DDS_KEYWORDS_H_
#define VANTORA_HOST_CL_DDS_KEYWORDS_H_

#include <string>
#include <string_view>
#include <vector>

namespace vantora::host::cl {

struct DdsArgument {
  bool quoted = false;
  std::string text;  // a quoted constant's content, a word upper case, a group as written
};

struct DdsKeyword {
  std::string name;  // upper case
  std::vector<DdsArgument> arguments;
};

// Parses the keywords of one entry (continuations already joined). False
// with `error` set when the text is malformed.
bool ParseDdsKeywords(std::string_view text, std::vector<DdsKeyword>* out, std::string* error);

}  // namespace vantora::host::cl

#endif  // VANTORA_HOST_CL_DDS_KEYWORDS_H_
