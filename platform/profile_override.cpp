// Temporary settings files named through the environment.
#include "platform/profile_override.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace vantora::platform {

ProfileOverride::ProfileOverride(std::string_view text) {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/vantora-settings-XXXXXX";
  if (::mkdtemp(folder.data()) == nullptr) return;  // mode 0700
  const std::string path = folder + "/MV400.INI";
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  bool written = fd >= 0;
  while (written && !text.empty()) {
    ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      written = false;
      break;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  if (fd >= 0 && ::close(fd) != 0) written = false;
  if (!written) {
    ::unlink(path.c_str());
    ::rmdir(folder.c_str());
    return;
  }
  if (const char* current = std::getenv("MV400_INI"); current != nullptr) previous_ = current;
  if (::setenv("MV400_INI", path.c_str(), 1) != 0) {
    ::unlink(path.c_str());
    ::rmdir(folder.c_str());
    return;
  }
  folder_ = folder;
  path_ = path;
}

ProfileOverride::~ProfileOverride() {
  if (path_.empty()) return;
  if (previous_) {
    ::setenv("MV400_INI", previous_->c_str(), 1);
  } else {
    ::unsetenv("MV400_INI");
  }
  ::unlink(path_.c_str());
  ::rmdir(folder_.c_str());
}

}  // namespace vantora::platform
