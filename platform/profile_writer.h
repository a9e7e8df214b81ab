// Changes keys of the settings file MV400.INI, keeping everything else.
//
// The writer is the reader's (profile.h) counterpart: it finds a key the way
// the reader does (section and key names compare without case, lines before
// the first section are not keys, the first occurrence in the file is the
// one that counts, even across two sections of the same name) and changes
// that line only. Comments, blank lines, unknown keys, their order, the
// spelling and indentation of the changed key and the file's line ends stay
// as they were. A key that is missing is added at the end of the first
// section of its name; a missing section is added at the end of the file.
//
// Values are written so that the reader gives them back unchanged: a value
// with blanks at either end, or one that starts and ends with the same
// quote, is written inside double quotes. A value (or name) with a line
// break cannot be kept in the file and is refused.
//
// The file is replaced atomically: the new text goes to a temporary file in
// the same folder, is flushed to disk and renamed over the old one, so a
// reader sees either the old file or the new one. A file that holds a
// password (a key named Password, or GENERAL/pwd, with a value) gets mode
// 0600; otherwise an existing file keeps its mode and a new one gets 0644.
#ifndef VANTORA_PLATFORM_PROFILE_WRITER_H_
#define VANTORA_PLATFORM_PROFILE_WRITER_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantora::platform {

// One change: set `section`/`key` to `value`, or remove every occurrence of
// the key when `value` is empty (the reader then gives its default).
struct ProfileChange {
  std::string section;
  std::string key;
  std::optional<std::string> value;
};

// Where the writer puts the settings: the file named by $MV400_INI when set;
// else /etc/vantora/MV400.INI when `systemWide`; else the user's file,
// $XDG_CONFIG_HOME/vantora/MV400.INI (default ~/.config/vantora/MV400.INI),
// whether or not it exists yet. Empty when no folder can be told (no HOME).
std::string ProfileWritePath(bool systemWide);

// Why a change was refused: empty when it can be written. Refused: an empty
// name, a line break anywhere, a section name with ']', a key name with '='
// or starting with ';' or '['.
std::string CheckProfileChange(const ProfileChange& change);

// `text` with `changes` applied in order. REQUIRES: every change passes
// CheckProfileChange.
std::string ApplyProfileChanges(std::string_view text, const std::vector<ProfileChange>& changes);

// True when `text` holds a password the reader would give back non-empty.
bool ProfileHoldsPassword(std::string_view text);

// Reads `path` (a missing file is empty text, or the text of `seedPath`
// when that is given and exists), applies `changes` and replaces the file
// atomically, creating its folder when missing. Returns an empty string on
// success, else what failed (nothing is changed then).
std::string WriteProfileChanges(const std::string& path, const std::vector<ProfileChange>& changes,
                                const std::string& seedPath = {});

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_PROFILE_WRITER_H_
