// Where a user's files go on this platform: the base folders for settings
// and for data that programs keep between runs.
#ifndef VANTORA_PLATFORM_USER_PATHS_H_
#define VANTORA_PLATFORM_USER_PATHS_H_

#include <string>

namespace vantora::platform {

// The user's settings folder ($XDG_CONFIG_HOME, else $HOME/.config), without
// a trailing separator; empty when neither is set.
std::string UserConfigHome();

// The user's data folder ($XDG_DATA_HOME, else $HOME/.local/share), without
// a trailing separator; empty when neither is set.
std::string UserDataHome();

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_USER_PATHS_H_
