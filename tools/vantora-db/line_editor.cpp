#include "tools/vantora-db/line_editor.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <editline/readline.h>

namespace vantora::db {
namespace {

std::vector<std::string>& Words() {
  static std::vector<std::string> words;
  return words;
}

char* NextWord(const char* text, int state) {
  static size_t at = 0;
  if (state == 0) at = 0;
  const size_t n = std::strlen(text);
  while (at < Words().size()) {
    const std::string& w = Words()[at++];
    if (w.compare(0, n, text) == 0) return strdup(w.c_str());
  }
  return nullptr;
}

char** Complete(const char* text, int start, int) {
  rl_attempted_completion_over = 1;
  if (start != 0) return nullptr;  // only the command name
  return rl_completion_matches(text, NextWord);
}

}  // namespace

LineEditor::LineEditor(std::string historyFile, std::vector<std::string> words)
    : historyFile_(std::move(historyFile)) {
  Words() = std::move(words);
  rl_readline_name = const_cast<char*>("vantora-db");
  rl_attempted_completion_function = Complete;
  using_history();
  if (!historyFile_.empty()) read_history(historyFile_.c_str());
}

LineEditor::~LineEditor() {
  if (!historyFile_.empty()) {
    stifle_history(1000);
    write_history(historyFile_.c_str());
  }
}

bool LineEditor::ReadLine(const std::string& prompt, std::string* line) {
  char* text = readline(prompt.c_str());
  if (text == nullptr) return false;
  *line = text;
  std::free(text);
  if (!line->empty()) add_history(line->c_str());
  return true;
}

}  // namespace vantora::db
