// Parser and look-ups of the private-profile settings file.
#include "platform/profile.h"

#include <sys/stat.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/console.h"
#include "platform/user_paths.h"

namespace vantora::platform {
namespace {

std::string_view Trim(std::string_view s) {
  const char* blanks = " \t\r\n";
  auto first = s.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  auto last = s.find_last_not_of(blanks);
  return s.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

std::string ErrnoText() {
  return std::strerror(errno);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string DefaultProfilePath() {
  if (auto named = EnvironmentValue("MV400_INI"); named && !named->empty()) return *named;
  const std::string config = UserConfigHome();
  if (!config.empty()) {
    std::string user = config + "/vantora/MV400.INI";
    if (FileExists(user)) return user;
  }
  return "/etc/vantora/MV400.INI";
}

std::string NamedProfileProblem() {
  const auto named = EnvironmentValue("MV400_INI");
  if (!named || named->empty()) return "";
  const std::string where = "the settings file " + *named + " named by MV400_INI";
  struct stat st {};
  if (stat(named->c_str(), &st) != 0) {
    return where + (errno == ENOENT ? " does not exist" : " cannot be found: " + ErrnoText());
  }
  if (!S_ISREG(st.st_mode)) return where + " is not a file";
  std::ifstream in(*named, std::ios::binary);
  if (!in) return where + " cannot be read: " + ErrnoText();
  return "";
}

Profile Profile::FromFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Profile();
  std::ostringstream text;
  text << in.rdbuf();
  return FromText(text.str());
}

Profile Profile::FromDefaultFile() {
  return FromFile(DefaultProfilePath());
}

Profile Profile::FromText(std::string_view text) {
  Profile profile;
  std::string section;
  bool inSection = false;
  while (!text.empty()) {
    auto end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      auto close = line.find(']');
      section = std::string(
          Trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1)));
      inSection = true;
      continue;
    }
    auto equals = line.find('=');
    if (!inSection || equals == std::string_view::npos) continue;
    std::string_view key = Trim(line.substr(0, equals));
    std::string_view value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    if (key.empty() || profile.Find(section, key) != nullptr) continue;
    profile.entries_.push_back({section, std::string(key), std::string(value)});
  }
  return profile;
}

const Profile::Entry* Profile::Find(std::string_view section, std::string_view key) const {
  for (const Entry& e : entries_) {
    if (SameName(e.section, section) && SameName(e.key, key)) return &e;
  }
  return nullptr;
}

std::string Profile::GetString(std::string_view section, std::string_view key,
                               std::string_view fallback) const {
  const Entry* e = Find(section, key);
  return std::string(e != nullptr ? std::string_view(e->value) : fallback);
}

std::size_t Profile::GetString(std::string_view section, std::string_view key,
                               std::string_view fallback, char* buffer, std::size_t size) const {
  if (buffer == nullptr || size == 0) return 0;
  const Entry* e = Find(section, key);
  std::string_view value = e != nullptr ? std::string_view(e->value) : fallback;
  std::size_t n = std::min(value.size(), size - 1);
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return n;
}

int32_t Profile::GetInt(std::string_view section, std::string_view key, int32_t fallback) const {
  const Entry* e = Find(section, key);
  if (e == nullptr) return fallback;
  std::string_view v = e->value;
  bool negative = false;
  std::size_t i = 0;
  if (i < v.size() && (v[i] == '-' || v[i] == '+')) negative = v[i++] == '-';
  int64_t n = 0;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
    n = n * 10 + (v[i] - '0');
    n = std::min<int64_t>(n, int64_t{INT32_MAX} + 1);  // saturate rather than overflow
  }
  if (negative) return static_cast<int32_t>(-n);
  return static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
}

std::vector<std::pair<std::string, std::string>> Profile::Section(std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> keys;
  for (const Entry& e : entries_) {
    if (SameName(e.section, section)) keys.emplace_back(e.key, e.value);
  }
  return keys;
}

}  // namespace vantora::platform
