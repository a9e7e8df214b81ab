#include "host/server/objects/program_runner.h"

#include <sstream>

namespace vantora::host {

RunOutcome RunExecutable(const std::string& command, std::span<const uint8_t> input,
                         size_t maxOutput, std::chrono::milliseconds limit,
                         std::vector<uint8_t>* output, int* exitStatus) {
  std::istringstream in(command);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  output->clear();
  *exitStatus = -1;
  if (words.empty()) return RunOutcome::kFailed;
  return platform::CurrentProcessRunner().Run(words, input, maxOutput, limit, output, exitStatus);
}

}  // namespace vantora::host
