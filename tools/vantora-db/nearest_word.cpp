#include "tools/vantora-db/nearest_word.h"

#include <algorithm>
#include <cctype>

namespace vantora::db {

size_t EditDistance(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
  // Three rows of the optimal string alignment table.
  std::vector<size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) &&
          lower(a[i - 2]) == lower(b[j - 1])) {
        current[j] = std::min(current[j], before[j - 2] + 1);
      }
    }
    before.swap(previous);
    previous.swap(current);
  }
  return previous[b.size()];
}

std::string NearestWord(std::string_view typed, const std::vector<std::string>& words) {
  const size_t allowed = std::clamp<size_t>(typed.size() / 3, 1, 3);
  std::string best;
  size_t bestDistance = allowed + 1;
  for (const std::string& w : words) {
    const size_t d = EditDistance(typed, w);
    if (d < bestDistance) {
      best = w;
      bestDistance = d;
    }
  }
  return best;
}

}  // namespace vantora::db
