// vantora-db: the database engine's shell.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/console.h"
#include "selection/dialog_runner.h"
#include "tools/vantora-db/line_editor.h"
#include "tools/vantora-db/shell.h"

using vantora::db::LineEditor;
using vantora::db::OutputFormat;
using vantora::db::Shell;
using vantora::db::ShellOptions;
namespace platform = vantora::platform;

int main(int argc, char** argv) {
  CLI::App app(
      "vantora-db: open AS/400 databases through the database engine and work with them.\n"
      "Commands come from -c, from a script file, from standard input, or are typed at the\n"
      "prompt (with line editing and history). Type 'help' for the commands.");
  std::string commands;
  std::string script;
  bool csv = false;
  bool json = false;
  bool keepGoing = false;
  app.add_option("-c,--command", commands, "commands to run, separated by ';'");
  app.add_option("script", script, "a file of commands (one or more per line)")
      ->check(CLI::ExistingFile);
  auto* csvFlag = app.add_flag("--csv", csv, "print results as CSV");
  app.add_flag("--json", json, "print results as JSON")->excludes(csvFlag);
  app.add_flag("-k,--keep-going", keepGoing, "go on after a failed command");
  CLI11_PARSE(app, argc, argv);

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
  Shell shell(options);

  if (!commands.empty() || !script.empty() || !platform::IsTerminal(stdin)) {
    std::string text = commands;
    if (!script.empty()) {
      std::ifstream in(script);
      std::stringstream s;
      s << in.rdbuf();
      text += "\n" + s.str();
    } else if (commands.empty()) {
      std::stringstream s;
      s << std::cin.rdbuf();
      text = s.str();
    }
    return shell.Run(text, keepGoing) ? 0 : 1;
  }

  std::string history;
  if (auto home = platform::EnvironmentValue("HOME")) history = *home + "/.vantora-db_history";
  LineEditor editor(history, shell.CommandNames());
  bool allOk = true;
  std::string line;
  while (!shell.quitRequested() && editor.ReadLine("vantora-db> ", &line)) {
    allOk = shell.Run(line, true) && allOk;
  }
  return allOk ? 0 : 1;
}
