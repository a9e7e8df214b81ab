// Editing the settings file line by line, and replacing it atomically.
#include "platform/profile_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace vantora::platform {
namespace {

constexpr const char* kBlanks = " \t\r\n";

std::string_view Trim(std::string_view s) {
  auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  auto last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// One line of the file as the reader sees it.
struct Line {
  std::string text;    // without its line end
  std::string ending;  // "\n", "\r\n" or "" (the last line without one)
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::string section;      // the section the line is in (kKey), or opens (kSection)
  std::string key;          // kKey: the key's name
  std::size_t valueAt = 0;  // kKey: where the value starts in `text` (after '=' and blanks)
  std::string value;        // kKey: the value as the reader gives it
};

std::string ReaderValue(std::string_view raw) {
  std::string_view value = Trim(raw);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

// Splits `text` into lines and classifies them with the reader's rules.
std::vector<Line> ParseLines(std::string_view text) {
  std::vector<Line> lines;
  std::string section;
  bool inSection = false;
  while (!text.empty()) {
    Line line;
    auto end = text.find('\n');
    std::string_view body = text.substr(0, end);
    if (end == std::string_view::npos) {
      text = {};
    } else {
      text = text.substr(end + 1);
      const bool crlf = !body.empty() && body.back() == '\r';
      if (crlf) body.remove_suffix(1);
      line.ending.assign(crlf ? std::string_view("\r\n") : std::string_view("\n"));
    }
    line.text = std::string(body);
    std::string_view trimmed = Trim(body);
    if (!trimmed.empty() && trimmed.front() == '[') {
      auto close = trimmed.find(']');
      section = std::string(Trim(
          trimmed.substr(1, close == std::string_view::npos ? trimmed.size() - 1 : close - 1)));
      inSection = true;
      line.kind = Line::kSection;
      line.section = section;
    } else if (!trimmed.empty() && trimmed.front() != ';' && inSection) {
      auto equals = body.find('=');
      if (equals != std::string_view::npos) {
        std::string_view key = Trim(body.substr(0, equals));
        if (!key.empty()) {
          line.kind = Line::kKey;
          line.section = section;
          line.key = std::string(key);
          std::size_t at = equals + 1;
          while (at < body.size() && (body[at] == ' ' || body[at] == '\t')) ++at;
          line.valueAt = at;
          line.value = ReaderValue(body.substr(equals + 1));
        }
      }
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// The value as written after '=': quoted when the reader would otherwise
// drop its outer blanks or a pair of quotes.
std::string FileValue(const std::string& value) {
  if (value.empty()) return value;
  const bool outerBlank =
      value.front() == ' ' || value.front() == '\t' || value.back() == ' ' || value.back() == '\t';
  const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  return outerBlank || quoted ? "\"" + value + "\"" : value;
}

bool IsKeyOf(const Line& line, const ProfileChange& change) {
  return line.kind == Line::kKey && SameName(line.section, change.section) &&
         SameName(line.key, change.key);
}

void Apply(std::vector<Line>& lines, const ProfileChange& change, const std::string& newline) {
  if (!change.value) {
    std::erase_if(lines, [&](const Line& l) { return IsKeyOf(l, change); });
    return;
  }
  const std::string value = FileValue(*change.value);
  for (Line& line : lines) {
    if (IsKeyOf(line, change)) {
      line.text = line.text.substr(0, line.valueAt) + value;
      line.value = *change.value;
      return;
    }
  }
  Line added;
  added.text = change.key + "=" + value;
  added.ending = newline;
  added.kind = Line::kKey;
  added.section = change.section;
  added.key = change.key;
  added.valueAt = change.key.size() + 1;
  added.value = *change.value;

  // After the last line with content in the first section of that name, so
  // that blank lines and comments in front of the next section stay there.
  std::size_t header = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind == Line::kSection && SameName(lines[i].section, change.section)) {
      header = i;
      break;
    }
  }
  if (header < lines.size()) {
    std::size_t after = header;
    for (std::size_t i = header + 1; i < lines.size() && lines[i].kind != Line::kSection; ++i) {
      std::string_view t = Trim(lines[i].text);
      if (!t.empty() && t.front() != ';') after = i;
    }
    if (lines[after].ending.empty()) lines[after].ending = newline;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after) + 1, std::move(added));
    return;
  }
  if (!lines.empty()) {
    if (lines.back().ending.empty()) lines.back().ending = newline;
    if (!Trim(lines.back().text).empty()) {
      Line blank;
      blank.ending = newline;
      lines.push_back(std::move(blank));
    }
  }
  Line section;
  section.text = "[" + change.section + "]";
  section.ending = newline;
  section.kind = Line::kSection;
  section.section = change.section;
  lines.push_back(std::move(section));
  lines.push_back(std::move(added));
}

// The whole file, or nullopt with `error` set when it exists but cannot be
// read; a missing file is empty.
std::optional<std::string> ReadWhole(const std::string& path, bool* exists, std::string* error) {
  *exists = false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    if (errno == ENOENT) return std::string();
    *error = "cannot read " + path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  *exists = true;
  std::string text;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    *error = "cannot read " + path;
    return std::nullopt;
  }
  return text;
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

std::string ProfileWritePath(bool systemWide) {
  if (const char* named = std::getenv("MV400_INI"); named != nullptr && *named != '\0') {
    return named;
  }
  if (systemWide) return "/etc/vantora/MV400.INI";
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
    return std::string(xdg) + "/vantora/MV400.INI";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return std::string(home) + "/.config/vantora/MV400.INI";
  }
  return {};
}

std::string CheckProfileChange(const ProfileChange& change) {
  auto hasBreak = [](std::string_view s) { return s.find_first_of("\r\n") != s.npos; };
  auto outerBlank = [](std::string_view s) { return Trim(s).size() != s.size(); };
  if (change.section.empty() || change.key.empty()) return "a section and a key name are needed";
  if (hasBreak(change.section) || hasBreak(change.key)) return "a name cannot hold a line break";
  if (change.value && hasBreak(*change.value)) {
    return "the value of " + change.section + "/" + change.key +
           " holds a line break, which the settings file cannot keep";
  }
  if (outerBlank(change.section) || outerBlank(change.key)) {
    return "a name cannot start or end with a blank";
  }
  if (change.section.find(']') != std::string::npos) return "a section name cannot hold ']'";
  if (change.key.find('=') != std::string::npos) return "a key name cannot hold '='";
  if (change.key.front() == ';' || change.key.front() == '[') {
    return "a key name cannot start with ';' or '['";
  }
  return {};
}

std::string ApplyProfileChanges(std::string_view text, const std::vector<ProfileChange>& changes) {
  std::vector<Line> lines = ParseLines(text);
  const std::string newline = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
  for (const ProfileChange& change : changes) Apply(lines, change, newline);
  std::string out;
  for (const Line& line : lines) {
    out += line.text;
    out += line.ending;
  }
  return out;
}

bool ProfileHoldsPassword(std::string_view text) {
  for (const Line& line : ParseLines(text)) {
    if (line.kind != Line::kKey || line.value.empty()) continue;
    if (SameName(line.key, "Password")) return true;
    if (SameName(line.section, "GENERAL") && SameName(line.key, "pwd")) return true;
  }
  return false;
}

std::string WriteProfileChanges(const std::string& givenPath,
                                const std::vector<ProfileChange>& changes,
                                const std::string& seedPath) {
  namespace fs = std::filesystem;
  if (givenPath.empty()) return "no place for the settings file (HOME is not set)";
  for (const ProfileChange& change : changes) {
    if (std::string why = CheckProfileChange(change); !why.empty()) return why;
  }
  // Through a symbolic link to the file it names, so that the link stays.
  std::error_code ec;
  std::string path = givenPath;
  if (fs::is_symlink(givenPath, ec)) {
    fs::path target = fs::read_symlink(givenPath, ec);
    if (!ec) path = (target.is_absolute() ? target : fs::path(givenPath).parent_path() / target);
  }

  std::string error;
  bool exists = false;
  std::optional<std::string> text = ReadWhole(path, &exists, &error);
  if (!text) return error;
  if (!exists && !seedPath.empty() && seedPath != path) {
    bool seedExists = false;
    std::optional<std::string> seed = ReadWhole(seedPath, &seedExists, &error);
    if (!seed) return error;
    text = std::move(seed);
  }
  const std::string updated = ApplyProfileChanges(*text, changes);

  mode_t mode = 0644;
  struct stat st {};
  if (exists && ::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
  if (ProfileHoldsPassword(updated)) mode = 0600;

  const fs::path folder = fs::path(path).parent_path();
  if (!folder.empty()) {
    fs::create_directories(folder, ec);
    if (ec) return "cannot create the folder " + folder.string() + ": " + ec.message();
  }
  std::string temporary = (folder.empty() ? fs::path(".") : folder).string() + "/.MV400.INI.XXXXXX";
  int fd = ::mkstemp(temporary.data());
  if (fd < 0) return "cannot create a file in " + folder.string() + ": " + std::strerror(errno);
  bool ok = WriteAll(fd, updated) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  const int writeErrno = errno;
  ok = ::close(fd) == 0 && ok;
  if (!ok) {
    ::unlink(temporary.c_str());
    return "cannot write " + temporary + ": " + std::strerror(writeErrno);
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int renameErrno = errno;
    ::unlink(temporary.c_str());
    return "cannot replace " + path + ": " + std::strerror(renameErrno);
  }
  // The rename itself reaches the disk with the folder.
  if (int dir = ::open((folder.empty() ? fs::path(".") : folder).c_str(), O_RDONLY | O_DIRECTORY);
      dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return {};
}

}  // namespace vantora::platform
