#include "tools/vantora-db/command_options.h"

namespace vantora::db {

bool ParseOptions(CLI::App& app, const std::vector<std::string>& args, std::FILE* out,
                  const std::function<std::FILE*()>& err, bool* helpShown) {
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
    return true;
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), out);
    *helpShown = true;
  } catch (const CLI::ParseError& e) {
    std::fprintf(err(), "%s: %s\n", app.get_name().c_str(), e.what());
  }
  return false;
}

}  // namespace vantora::db
