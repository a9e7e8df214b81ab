#include "tools/vantora-db/command_words.h"

namespace vantora::db {

SplitResult SplitCommands(std::string_view text) {
  SplitResult result;
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  auto endWord = [&] {
    if (inWord) words.push_back(word);
    word.clear();
    inWord = false;
  };
  auto endCommand = [&] {
    endWord();
    if (!words.empty()) result.commands.push_back(std::move(words));
    words.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\'' || c == '"') {
      inWord = true;
      size_t j = i + 1;
      for (;; ++j) {
        if (j >= text.size()) {
          result.error = "a quote (" + std::string(1, c) + ") opened at character " +
                         std::to_string(i + 1) + " is not closed";
          result.commands.clear();
          return result;
        }
        if (text[j] == c) {
          if (j + 1 < text.size() && text[j + 1] == c) {
            word += c;
            ++j;
            continue;
          }
          break;
        }
        word += text[j];
      }
      i = j;
    } else if (c == ';' || c == '\n') {
      endCommand();
    } else if (c == ' ' || c == '\t' || c == '\r') {
      endWord();
    } else {
      inWord = true;
      word += c;
    }
  }
  endCommand();
  return result;
}

}  // namespace vantora::db
