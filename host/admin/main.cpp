// vantora-host: see admin_command.h.
#include <iostream>
#include <string>
#include <vector>

#include "host/admin/admin_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vantora::host::RunAdminCommand(args, std::cout, std::cerr,
                                        vantora::host::TerminalPrompt());
}
