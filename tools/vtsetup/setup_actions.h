// What the setup utility does with the host, apart from any toolkit:
// testing the connection that the entered settings describe, and emptying
// the driver's index dictionary.
//
// Both work on the settings as entered, saved or not: when they differ from
// the file, a private copy of the file with the entered values is put in
// force for the duration (platform::ProfileOverride), so the client
// library, its transport and the driver read exactly what saving would
// write. The client library is loaded by name on first use and kept; every
// action ends with FreeSession and VNXTerminate, so that the next one binds
// the transport again with the network type then entered.
//
// Not thread-safe; run on one thread (the settings override changes the
// process's environment while an action runs).
#ifndef VANTORA_TOOLS_VTSETUP_SETUP_ACTIONS_H_
#define VANTORA_TOOLS_VTSETUP_SETUP_ACTIONS_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui_sink.h"
#include "tools/vtsetup/client_library.h"
#include "tools/vtsetup/settings_model.h"

namespace vantora::vtsetup {

inline constexpr char kClearCommand[] = "CLRPFM YIDXR0100";
inline constexpr char kClearWarning[] =
    "The driver keeps the index lists of the files it has opened in the file YIDXR0100 on the "
    "host. Emptying it makes the driver rebuild each list the next time a table is opened, "
    "which takes longer once.\n\nEmpty the index dictionary YIDXR0100 now?";
inline constexpr char kClearDone[] =
    "The index dictionary YIDXR0100 is empty: the driver rebuilds the index lists as tables are "
    "opened.";

// A failed call of the client library with the details of its result class.
struct ClientFailure {
  std::string step;       // the function that failed ("StartSession")
  int32_t code = 0;       // its result: -1, -10, -20, -30 or another value
  int32_t status = 0;     // retstat (-1 and -10)
  std::string messageId;  // the host's message identifier (-1 and -10)
  int16_t primary = 0;    // the transport's codes from APPC_ERR (-20)
  int32_t secondary = 0;
  int32_t internalError = 0;  // Internal_Error (-30)
  std::string codes;          // "StartSession:APPC Error, primary code : 1, secondary : 6f"
  std::string explanation;    // the client library's sentence (VNXErrorText), may be empty
  std::string text;           // the codes, then the sentence on a line of its own
};

struct ConnectionReport {
  bool ok = false;
  std::string problem;                   // why nothing was tried (bad settings, no library)
  std::optional<ClientFailure> failure;  // the call that failed
  int32_t clientVersion = 0;             // RTV_PC_VER; 0 when the library is missing
  std::optional<int32_t> serverVersion;  // RTV_AS_VER, when the session started
  std::string driverVersion;             // "3.0", or kNotInstalled
};

struct ClearReport {
  bool ok = false;
  bool declined = false;  // the warning was answered No: nothing was done
  std::string problem;
  std::optional<ClientFailure> failure;
};

// The client library's error text of `code`, e.g. "Normal error 3004, with
// message CPF4101.", and its sentence in words (the details are asked from
// `library`).
ClientFailure DescribeFailure(ClientLibrary& library, const std::string& step, int32_t code);

class SetupActions {
 public:
  // `sink` shows the wait cursor during host work and asks the question
  // before the index dictionary is emptied.
  explicit SetupActions(platform::UiSink& sink);
  ~SetupActions();

  // Starts a session with the entered location and program and reads the
  // versions of client, server and driver.
  ConnectionReport TestConnection(const SettingsModel& settings);

  // After the warning kClearWarning is answered Yes: runs kClearCommand.
  ClearReport ClearIndexDictionary(const SettingsModel& settings);

  // True when the transport module of `network` is installed where the
  // client library looks for it.
  bool TransportAvailable(const std::string& network) const;

 private:
  // Loads the client library once; null with `problem` set when missing.
  ClientLibrary* Library(std::string* problem);
  // PGM_name from the entered settings (the location is read from the
  // settings in force), then StartSession.
  std::optional<ClientFailure> Start(ClientLibrary& library, const SettingsModel& settings);
  void End(ClientLibrary& library);

  platform::UiSink& sink_;
  std::unique_ptr<ClientLibrary> library_;
};

}  // namespace vantora::vtsetup

#endif  // VANTORA_TOOLS_VTSETUP_SETUP_ACTIONS_H_
