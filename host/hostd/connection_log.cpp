#include "host/hostd/connection_log.h"

#include <vector>

namespace vantora::hostd {

ConnectionLog::ConnectionLog(Sink sink, std::chrono::milliseconds period)
    : sink_(std::move(sink)), period_(period) {}

void ConnectionLog::Note(host::LogLevel level, const std::string& address, const std::string& peer,
                         const std::string& what, Clock::time_point now) {
  {
    std::lock_guard lock(mutex_);
    auto [it, first] = periods_.try_emplace(Key{address, level, what}, Period{now, 0});
    if (!first) {
      ++it->second.more;
      return;
    }
  }
  sink_(level, peer + ": " + what);
}

void ConnectionLog::Flush(Clock::time_point now, bool all) {
  std::vector<std::pair<host::LogLevel, std::string>> lines;
  {
    std::lock_guard lock(mutex_);
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(period_).count();
    for (auto it = periods_.begin(); it != periods_.end();) {
      if (!all && now - it->second.start < period_) {
        ++it;
        continue;
      }
      const auto& [address, level, what] = it->first;
      if (it->second.more > 0) {
        lines.emplace_back(level, address + ": " + std::to_string(it->second.more) + " more " +
                                      (it->second.more == 1 ? "connection" : "connections") +
                                      " within " + std::to_string(seconds) + " s: " + what);
      }
      it = periods_.erase(it);
    }
  }
  for (const auto& [level, line] : lines) sink_(level, line);
}

}  // namespace vantora::hostd
