// The word of a list nearest to a mistyped one, for "did you mean ...?".
#ifndef VANTORA_TOOLS_VANTORA_DB_NEAREST_WORD_H_
#define VANTORA_TOOLS_VANTORA_DB_NEAREST_WORD_H_

#include <string>
#include <string_view>
#include <vector>

namespace vantora::db {

// The edit distance (insertions, deletions, substitutions, and swaps of
// two neighbours) between `a` and `b`, without regard to case.
size_t EditDistance(std::string_view a, std::string_view b);

// The word of `words` nearest to `typed`, or "" when none is near enough to
// be what was meant (more than a third of its letters, at least 1 and at
// most 3, would change). Ties go to the first in `words`.
std::string NearestWord(std::string_view typed, const std::vector<std::string>& words);

}  // namespace vantora::db

#endif  // VANTORA_TOOLS_VANTORA_DB_NEAREST_WORD_H_
