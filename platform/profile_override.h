// A settings file of the program's own for a while: the text given is
// written to a private temporary file, and $MV400_INI names it until the
// override ends, so that every part that reads its settings in the
// meantime (the client library, the transports, the driver) reads that
// text. Used to try settings out before they are saved.
//
// NOT thread-safe: the environment is changed for the whole process; no
// other thread may read or change it while an override is made or ended.
#ifndef VANTORA_PLATFORM_PROFILE_OVERRIDE_H_
#define VANTORA_PLATFORM_PROFILE_OVERRIDE_H_

#include <optional>
#include <string>
#include <string_view>

namespace vantora::platform {

class ProfileOverride {
 public:
  // Writes `text` to a new file readable only by its owner and points
  // $MV400_INI at it. ok() tells whether that worked; when it did not, the
  // environment is unchanged.
  explicit ProfileOverride(std::string_view text);
  // Restores $MV400_INI as it was (set or unset) and removes the file.
  ~ProfileOverride();
  ProfileOverride(const ProfileOverride&) = delete;
  ProfileOverride& operator=(const ProfileOverride&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }

 private:
  std::string folder_;
  std::string path_;
  std::optional<std::string> previous_;
};

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_PROFILE_OVERRIDE_H_
