// What a program wrote to a scratch file (std::tmpfile) that a test handed
// it in place of standard output or standard error.
#ifndef VANTORA_TESTS_SUPPORT_FILE_TEXT_H_
#define VANTORA_TESTS_SUPPORT_FILE_TEXT_H_

#include <cstdio>
#include <string>

namespace vantora::testing {

// The whole text of `f`, read from its start; `f` is closed.
inline std::string TakeFileText(std::FILE* f) {
  std::rewind(f);
  std::string text;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  std::fclose(f);
  return text;
}

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_FILE_TEXT_H_
