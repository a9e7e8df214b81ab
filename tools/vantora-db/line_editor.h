// Reading command lines from a person: line editing, a history kept between
// runs, and completion of the word under the cursor.
#ifndef VANTORA_TOOLS_VANTORA_DB_LINE_EDITOR_H_
#define VANTORA_TOOLS_VANTORA_DB_LINE_EDITOR_H_

#include <functional>
#include <string>
#include <vector>

namespace vantora::db {

class LineEditor {
 public:
  // The words that may complete the word starting at `start` of `line`.
  using Completer = std::function<std::vector<std::string>(const std::string& line, size_t start)>;

  // `historyFile` may be empty (no history kept). One editor at a time.
  LineEditor(std::string historyFile, Completer completer);
  ~LineEditor();
  LineEditor(const LineEditor&) = delete;
  LineEditor& operator=(const LineEditor&) = delete;

  // One line, or false at the end of the input (or when a signal broke the
  // read off).
  bool ReadLine(const std::string& prompt, std::string* line);

 private:
  std::string historyFile_;
};

}  // namespace vantora::db

#endif  // VANTORA_TOOLS_VANTORA_DB_LINE_EDITOR_H_
