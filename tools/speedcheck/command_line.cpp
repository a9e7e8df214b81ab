#include "tools/speedcheck/command_line.h"

#include <cmath>
#include <string>

#include "platform/clock.h"
#include "platform/ui_sink.h"
#include "tools/common/json_line.h"
#include "tools/speedcheck/speedcheck_model.h"

namespace vantora::speedcheck {
int RunCommandLine(const CommandLineOptions& options, std::FILE* out) {
  platform::ConsoleSink sink;
  int64_t lastProgress = platform::MonotonicMicroseconds();
  bool progressShown = false;
  SpeedcheckModel::Events events;
  if (!options.quiet && !options.json) {
    events.progress = [&](int64_t read, int64_t wanted) {
      int64_t now = platform::MonotonicMicroseconds();
      if (now - lastProgress < 1000000) return;
      lastProgress = now;
      progressShown = true;
      std::fprintf(stderr, "\rreading: %lld of %lld records", static_cast<long long>(read),
                   static_cast<long long>(wanted));
    };
  }
  SpeedcheckModel model(sink, events);
  model.fileName = options.file;
  model.recordsToRead = options.records;
  model.useCache = !options.noCache;

  if (!model.Connect()) return 1;
  const int64_t connectMs = model.clocks();
  if (!model.Open()) {
    model.End();
    return 1;
  }
  const int64_t openMs = model.clocks();
  if (!model.Read()) return 1;
  if (progressShown) std::fprintf(stderr, "\n");
  const int64_t readMs = model.clocks();
  const int64_t readMicroseconds = model.elapsedMicroseconds();
  const std::string rate = RateText(model.recordsRead(), readMicroseconds);
  // Records per blocked read.
  const int32_t block = BlockSize(model.recordLength(), model.fieldCount());

  if (options.json) {
    nlohmann::ordered_json result;
    result["file"] = options.file;
    result["fields"] = model.fieldCount();
    result["recordLength"] = model.recordLength();
    result["blocked"] = model.useCache;
    result["blockSize"] = block;
    result["connectMs"] = connectMs;
    result["openMs"] = openMs;
    result["readMs"] = readMs;
    result["readMicroseconds"] = readMicroseconds;
    result["passes"] = model.passes().size();
    result["requests"] = model.requests();
    result["recordsRead"] = model.recordsRead();
    // No figure when no time could be measured.
    result["recordsPerSecond"] =
        readMicroseconds > 0
            ? nlohmann::ordered_json(std::llround(static_cast<double>(model.recordsRead()) * 1e6 /
                                                  static_cast<double>(readMicroseconds)))
            : nlohmann::ordered_json(nullptr);
    result["recordsInCache"] = model.recordsInCache();
    result["fileEmpty"] = model.fileEmpty();
    result["startingTime"] = model.startingTime();
    result["finishingTime"] = model.finishingTime();
    result["records"] = nlohmann::ordered_json::array();
    const auto& lines = model.listLines();
    for (size_t i = 1; i < lines.size() && !options.quiet; ++i) {
      result["records"].push_back(lines[i]);
    }
    std::fprintf(out, "%s\n", tools::JsonLine(result).c_str());
  } else {
    std::fprintf(out, "Connect: %lld ms\n", static_cast<long long>(connectMs));
    std::fprintf(out, "Open %s: %d fields, record length %d, %lld ms\n", options.file.c_str(),
                 model.fieldCount(), model.recordLength(), static_cast<long long>(openMs));
    std::fprintf(out, "Starting time : %s  Finishing time : %s  Clocks : %lld\n",
                 model.startingTime().c_str(), model.finishingTime().c_str(),
                 static_cast<long long>(readMs));
    if (model.useCache) {
      std::fprintf(out, "Read %lld records in %lld blocked reads of up to %d records: %s\n",
                   static_cast<long long>(model.recordsRead()),
                   static_cast<long long>(model.requests()), block, rate.c_str());
    } else {
      std::fprintf(out, "Read %lld records one record per request (%lld requests): %s\n",
                   static_cast<long long>(model.recordsRead()),
                   static_cast<long long>(model.requests()), rate.c_str());
    }
    if (model.fileEmpty()) std::fprintf(out, "The file holds no record.\n");
    std::fprintf(out, "Records in cache: %d\n", model.recordsInCache());
    if (!options.quiet) {
      for (const auto& line : model.listLines()) std::fprintf(out, "%s\n", line.c_str());
    }
  }
  model.End();
  return 0;
}

}  // namespace vantora::speedcheck
