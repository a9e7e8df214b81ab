#include "host/server/files/open_mode.h"

#include <charconv>
#include <string>

#include "host/server/files/open_file.h"

namespace vantora::host {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return out;
}

Status Bad(std::string_view word) {
  return Status::Error(StatusCode::kInvalidArgument, "open mode word '" + std::string(word) + "'");
}

}  // namespace

Status ParseOpenMode(std::string_view text, OpenMode* out) {
  OpenMode mode;
  bool first = true;
  size_t at = 0;
  while (at < text.size()) {
    if (text[at] == ' ') {
      ++at;
      continue;
    }
    size_t end = text.find(' ', at);
    if (end == std::string_view::npos) end = text.size();
    std::string word = Lower(text.substr(at, end - at));
    at = end;
    if (first) {
      first = false;
      if (word == "rr" || word == "r") {
        mode.bits = kOpenRead;
      } else if (word == "ur" || word == "u") {
        mode.bits = kOpenRead | kOpenUpdate;
      } else if (word == "ar" || word == "a") {
        mode.bits = kOpenAdd;
      } else {
        return Bad(word);
      }
      continue;
    }
    size_t eq = word.find('=');
    if (eq == std::string::npos) return Bad(word);
    std::string key = word.substr(0, eq);
    std::string value = word.substr(eq + 1);
    if (key == "waitrcd") {
      double seconds = -1;
      auto r = std::from_chars(value.data(), value.data() + value.size(), seconds);
      if (r.ec != std::errc() || r.ptr != value.data() + value.size() || seconds < 0 ||
          seconds > 32767) {
        return Bad(word);
      }
      mode.recordWait = std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
      continue;
    }
    if (value != "y" && value != "n") return Bad(word);
    bool yes = value == "y";
    int32_t bit = 0;
    if (key == "blkrcd") {
      bit = kOpenBlocking;
    } else if (key == "commit") {
      bit = kOpenCommit;
    } else if (key == "share") {
      bit = kOpenExclusive;
      yes = !yes;
    } else if (key == "arrseq") {
      bit = kOpenArrival;
    } else if (key == "nullmap") {
      bit = kOpenNullMap;
    } else if (key == "raw") {
      bit = kOpenRaw;
    } else {
      return Bad(word);
    }
    mode.bits = yes ? (mode.bits | bit) : (mode.bits & ~bit);
  }
  if (first) return Bad("");
  *out = mode;
  return Status::Ok();
}

}  // namespace vantora::host
