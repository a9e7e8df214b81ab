// The host administration command, vantora-host: prepares host data
// directories without starting a server.
//
//   vantora-host init DIR                      create (or open) a data directory
//   vantora-host add-user DIR NAME             add a user profile; its password
//                                              from $VANTORA_PASSWORD, else typed
//                                              (profile_password.h)
//   vantora-host demo DIR [--records N]        (re)create the demo library DEMO,
//                                              N records in DEMO/BENCH100
//   vantora-host procedure-files DIR LIBRARY   the stored-procedure catalogue
//                                              files in LIBRARY
//   vantora-host password-level DIR [LEVEL]    show or set how passwords compare
//                                              (user_profiles.h)
//   vantora-host --help
//
// Exit codes: 0 done, 1 the host refused (the message says why), 2 the
// command line is wrong.
#ifndef VANTORA_HOST_ADMIN_ADMIN_COMMAND_H_
#define VANTORA_HOST_ADMIN_ADMIN_COMMAND_H_

#include <ostream>
#include <string>
#include <vector>

#include "host/admin/profile_password.h"

namespace vantora::host {

// Runs the command with `args` (without the program name); normal output
// goes to `out`, messages to `err`. `ask` asks for a password when
// $VANTORA_PASSWORD is unset (empty: nobody to ask).
int RunAdminCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const SecretPrompt& ask = {});

}  // namespace vantora::host

#endif  // VANTORA_HOST_ADMIN_ADMIN_COMMAND_H_
