#include "tools/vantora-db/line_editor.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <editline/readline.h>

#include "platform/interrupt.h"
#include "protocol/blank_padded.h"

namespace vantora::db {
namespace {

LineEditor::Completer& CurrentCompleter() {
  static LineEditor::Completer completer;
  return completer;
}

std::vector<std::string>& Candidates() {
  static std::vector<std::string> words;
  return words;
}

char* NextWord(const char* text, int state) {
  static size_t at = 0;
  if (state == 0) at = 0;
  while (at < Candidates().size()) {
    const std::string& w = Candidates()[at++];
    if (wire::StartsWithIgnoringCase(w, text)) return strdup(w.c_str());
  }
  return nullptr;
}

// Keys are read so that Ctrl-C ends the read (the caller sees the interrupt).
int ReadKey(FILE* in) {
  return platform::ReadByteUnlessInterrupted(in);
}

char** Complete(const char* text, int start, int) {
  rl_attempted_completion_over = 1;
  Candidates().clear();
  if (CurrentCompleter()) {
    Candidates() = CurrentCompleter()(rl_line_buffer != nullptr ? rl_line_buffer : "",
                                      static_cast<size_t>(start));
  }
  return rl_completion_matches(text, NextWord);
}

}  // namespace

LineEditor::LineEditor(std::string historyFile, Completer completer)
    : historyFile_(std::move(historyFile)) {
  CurrentCompleter() = std::move(completer);
  rl_readline_name = const_cast<char*>("vantora-db");
  rl_attempted_completion_function = Complete;
  rl_getc_function = ReadKey;
  using_history();
  if (!historyFile_.empty()) read_history(historyFile_.c_str());
}

LineEditor::~LineEditor() {
  CurrentCompleter() = nullptr;
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
