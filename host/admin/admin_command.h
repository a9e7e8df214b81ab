// The host administration command, vantora-host: prepares host data
// directories without starting a server.
//
//   vantora-host init DIR                      create (or open) a data directory
//   vantora-host add-user DIR NAME PASSWORD    add a user profile
//   vantora-host demo DIR [--records N]        (re)create the demo library DEMO,
//                                              N records in DEMO/BENCH100
//   vantora-host procedure-files DIR LIBRARY   the stored-procedure catalogue
//                                              files in LIBRARY
//   vantora-host --help
//
// Exit codes: 0 done, 1 the host refused (the message says why), 2 the
// command line is wrong.
#ifndef VANTORA_HOST_ADMIN_ADMIN_COMMAND_H_
#define VANTORA_HOST_ADMIN_ADMIN_COMMAND_H_

#include <ostream>
#include <string>
#include <vector>

namespace vantora::host {

// Runs the command with `args` (without the program name); normal output
// goes to `out`, messages to `err`.
int RunAdminCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vantora::host

#endif  // VANTORA_HOST_ADMIN_ADMIN_COMMAND_H_
