// The settings file MV400.INI, read with private-profile semantics.
//
// The file is found through DefaultProfilePath(): the file named by
// $MV400_INI; else $XDG_CONFIG_HOME/vantora/MV400.INI (default
// ~/.config/vantora/MV400.INI) when it exists; else /etc/vantora/MV400.INI.
//
// Semantics are those of the Windows private-profile functions: section and
// key names compare without case; blanks around names and values are
// dropped, as is one pair of quotes around a value; lines starting with ';'
// are comments; the first occurrence of a section or key wins; a missing
// file, section or key gives the caller's default.
#ifndef VANTORA_PLATFORM_PROFILE_H_
#define VANTORA_PLATFORM_PROFILE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantora::platform {

std::string DefaultProfilePath();

// The reason a settings file named by $MV400_INI cannot be used ("the
// settings file /x/MV400.INI named by MV400_INI does not exist"), or empty
// when MV400_INI is unset or names a readable file. A missing file gives
// defaults when found by the search; named on purpose it is a mistake, which
// programs that only read the settings report before they start.
std::string NamedProfileProblem();

class Profile {
 public:
  // An empty profile: every read answers its default.
  Profile() = default;
  // The profile in `path`; a file that cannot be read gives an empty profile.
  static Profile FromFile(const std::string& path);
  // The profile of the settings file found by DefaultProfilePath().
  static Profile FromDefaultFile();
  // A profile parsed from text held in memory (for tests and embedding).
  static Profile FromText(std::string_view text);

  // The value of `key` in `section`, or `fallback` when absent.
  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view fallback) const;
  // Copies the value (or `fallback`) into `buffer` of `size` bytes, cut to
  // size − 1 characters and terminated. Returns the number of characters
  // copied, without the terminator. Copies nothing when `size` is 0.
  std::size_t GetString(std::string_view section, std::string_view key, std::string_view fallback,
                        char* buffer, std::size_t size) const;
  // The integer read from the value's leading digits (an optional sign
  // first; "12abc" is 12, "abc" is 0), or `fallback` when the key is absent.
  int32_t GetInt(std::string_view section, std::string_view key, int32_t fallback) const;
  // The keys of `section` with their values, in the order of the file (the
  // first occurrence of each key).
  std::vector<std::pair<std::string, std::string>> Section(std::string_view section) const;

 private:
  struct Entry {
    std::string section;
    std::string key;
    std::string value;
  };
  const Entry* Find(std::string_view section, std::string_view key) const;

  std::vector<Entry> entries_;
};

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_PROFILE_H_
