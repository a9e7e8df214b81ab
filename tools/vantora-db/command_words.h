// Splitting what a person types into commands and words: commands are
// separated by ';', words by blanks; a word may be quoted with ' or " (the
// quote written twice stands for itself), which also keeps ';' and blanks in
// it. A quote left open is an error.
#ifndef VANTORA_TOOLS_VANTORA_DB_COMMAND_WORDS_H_
#define VANTORA_TOOLS_VANTORA_DB_COMMAND_WORDS_H_

#include <string>
#include <string_view>
#include <vector>

namespace vantora::db {

struct SplitResult {
  std::vector<std::vector<std::string>> commands;  // empty commands are dropped
  std::string error;                               // "" when the text was read
};

SplitResult SplitCommands(std::string_view text);

}  // namespace vantora::db

#endif  // VANTORA_TOOLS_VANTORA_DB_COMMAND_WORDS_H_
