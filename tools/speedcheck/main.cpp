// speedcheck: tests a connection to the host and measures how fast a file
// reads. Without options it opens the dialog; with --file it runs the same
// steps from the command line.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/speedcheck/command_line.h"
#include "tools/speedcheck/speedcheck_model.h"

#ifdef VANTORA_WITH_QT
int RunDialog(int argc, char** argv);
#endif

namespace {

void Usage(std::FILE* to) {
  std::fprintf(to,
               "usage: speedcheck                      open the dialog\n"
               "       speedcheck --file NAME [--records N] [--no-cache] [--json] [--quiet]\n"
               "\n"
               "Connects to the host named by the settings file (MV400.INI), opens NAME\n"
               "(LIBRARY/FILE) for reading and reads N records, in blocks or, with\n"
               "--no-cache, one record per request. Prints the timings, the records of\n"
               "the last block and any error; exits 1 when a step fails.\n"
               "\n"
               "  --file NAME     the file to read\n"
               "  --records N     records to read, at least 1 (without it: one pass)\n"
               "  --no-cache      one record per request instead of blocked reads\n"
               "  --json          print the result as one JSON object\n"
               "  --quiet         leave out the records and the progress line\n"
               "  --help          this text\n");
}

}  // namespace

int main(int argc, char** argv) {
  vantora::speedcheck::CommandLineOptions options;
  bool commandLine = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "speedcheck: %s needs a value\n", name);
        return nullptr;
      }
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      Usage(stdout);
      return 0;
    } else if (arg == "--file") {
      const char* v = value("--file");
      if (!v) return 2;
      options.file = v;
      commandLine = true;
    } else if (arg == "--records") {
      const char* v = value("--records");
      if (!v) return 2;
      int64_t count = 0;
      if (!vantora::speedcheck::ParseRecordsToRead(v, &count) || count < 1) {
        std::fprintf(stderr, "speedcheck: --records needs a positive whole number, not \"%s\"\n",
                     v);
        return 2;
      }
      options.records = std::to_string(count);
      commandLine = true;
    } else if (arg == "--no-cache") {
      options.noCache = true;
      commandLine = true;
    } else if (arg == "--json") {
      options.json = true;
      commandLine = true;
    } else if (arg == "--quiet") {
      options.quiet = true;
      commandLine = true;
    } else {
      std::fprintf(stderr, "speedcheck: unknown option %s\n", arg.c_str());
      Usage(stderr);
      return 2;
    }
  }
  if (commandLine) {
    if (options.file.empty()) {
      std::fprintf(stderr, "speedcheck: --file is needed\n");
      return 2;
    }
    return vantora::speedcheck::RunCommandLine(options, stdout);
  }
#ifdef VANTORA_WITH_QT
  return RunDialog(argc, argv);
#else
  Usage(stderr);
  return 2;
#endif
}
