// Reading command lines from a person: line editing, a history kept between
// runs, and completion of command names.
#ifndef VANTORA_TOOLS_VANTORA_DB_LINE_EDITOR_H_
#define VANTORA_TOOLS_VANTORA_DB_LINE_EDITOR_H_

#include <string>
#include <vector>

namespace vantora::db {

class LineEditor {
 public:
  // `historyFile` may be empty (no history kept); `words` are completed.
  LineEditor(std::string historyFile, std::vector<std::string> words);
  ~LineEditor();
  LineEditor(const LineEditor&) = delete;
  LineEditor& operator=(const LineEditor&) = delete;

  // One line, or false at the end of the input.
  bool ReadLine(const std::string& prompt, std::string* line);

 private:
  std::string historyFile_;
};

}  // namespace vantora::db

#endif  // VANTORA_TOOLS_VANTORA_DB_LINE_EDITOR_H_
