#include "platform/console.h"

#include <termios.h>
#include <unistd.h>

#include <cstdlib>

namespace vantora::platform {

std::optional<std::string> EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool IsTerminal(std::FILE* stream) {
  return stream != nullptr && isatty(fileno(stream)) == 1;
}

bool ReadSecret(const std::string& prompt, std::string* secret) {
  std::FILE* tty = std::fopen("/dev/tty", "r+");
  if (tty == nullptr) return false;
  const int fd = fileno(tty);
  termios saved{};
  const bool canHide = tcgetattr(fd, &saved) == 0;
  if (canHide) {
    termios quiet = saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  std::fputs(prompt.c_str(), tty);
  std::fflush(tty);
  secret->clear();
  int c;
  bool got = false;
  while ((c = std::fgetc(tty)) != EOF) {
    got = true;
    if (c == '\n' || c == '\r') break;
    secret->push_back(static_cast<char>(c));
  }
  if (canHide) tcsetattr(fd, TCSAFLUSH, &saved);
  std::fputs("\n", tty);
  std::fclose(tty);
  return got;
}

}  // namespace vantora::platform
