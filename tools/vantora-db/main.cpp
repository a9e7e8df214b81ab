// vantora-db: the database engine's shell.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/console.h"
#include "platform/interrupt.h"
#include "selection/dialog_runner.h"
#include "tools/vantora-db/line_editor.h"
#include "tools/vantora-db/shell.h"

using vantora::db::LineEditor;
using vantora::db::OutputFormat;
using vantora::db::Shell;
using vantora::db::ShellOptions;
namespace platform = vantora::platform;

namespace {

int Main(int argc, char** argv) {
  CLI::App app(
      "vantora-db: open AS/400 databases through the database engine and work with them.\n"
      "Commands come from -c, from a script file, from standard input, or are typed at the\n"
      "prompt (with line editing and history). Type 'help' for the commands.");
  std::string commands;
  std::string script;
  bool csv = false;
  bool json = false;
  bool keepGoing = false;
  app.footer(
      "Exit status: 0 when every command succeeded, 1 when one failed, 2 for a wrong command "
      "line.");
  app.add_option("-c,--command", commands, "commands to run, separated by ';'");
  app.add_option("script", script, "a file of commands (one or more per line)")
      ->check(CLI::ExistingFile);
  auto* csvFlag = app.add_flag("--csv", csv, "print results as CSV (messages on stderr)");
  app.add_flag("--json", json, "print results as one JSON document (messages on stderr)")
      ->excludes(csvFlag);
  app.add_flag("-k,--keep-going", keepGoing, "go on after a failed command");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return 2;
  }

  ShellOptions options;
  options.format = csv ? OutputFormat::kCsv : json ? OutputFormat::kJson : OutputFormat::kTable;
  options.askPassword = [](const std::string& prompt, std::string* password) {
    return platform::ReadSecret(prompt, password);
  };
  // A table list of a library would show the selection dialog: without a
  // screen, every file listed is chosen.
  struct ChooseEverything : vantora::selection::DialogRunner {
    int Run(vantora::selection::SelectionDialog& dialog) override {
      dialog.Opening();
      dialog.OkForAllClicked();
      return dialog.result();
    }
  } everything;
  vantora::selection::InstallDialogRunner(&everything);
  // Ctrl-C interrupts the running command, never the shell.
  platform::CatchInterrupts();
  Shell shell(options);

  if (!commands.empty() || !script.empty() || !platform::IsTerminal(stdin)) {
    bool ok = true;
    if (!commands.empty()) ok = shell.Run(commands, keepGoing);
    if ((ok || keepGoing) && !shell.quitRequested() && !script.empty()) {
      std::ifstream in(script);
      std::stringstream s;
      s << in.rdbuf();
      ok = shell.Run(s.str(), keepGoing, script) && ok;
    } else if (commands.empty() && script.empty()) {
      std::stringstream s;
      s << std::cin.rdbuf();
      ok = shell.Run(s.str(), keepGoing);
    }
    shell.Finish();
    return ok ? 0 : 1;
  }

  std::string history;
  if (auto home = platform::EnvironmentValue("HOME")) history = *home + "/.vantora-db_history";
  LineEditor editor(history, [&shell](const std::string& line, size_t start) {
    return shell.Completions(line, start);
  });
  bool allOk = true;
  std::string pending;  // an SQL statement that wants its ';'
  while (!shell.quitRequested()) {
    std::string line;
    platform::ClearInterrupt();
    const bool read = editor.ReadLine(shell.Prompt(!pending.empty()), &line);
    if (platform::Interrupted()) {
      // Ctrl-C at the prompt: the line (and a statement begun) is dropped.
      pending.clear();
      std::fputs("\n", stdout);
      continue;
    }
    if (!read) {
      std::fputs("\n", stdout);  // Ctrl-D
      break;
    }
    pending += line + "\n";
    if (Shell::NeedsMore(pending)) continue;
    allOk = shell.Run(pending, true) && allOk;
    pending.clear();
  }
  shell.Finish();
  return allOk ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vantora-db: %s\n", e.what());
    return 1;
  }
}
