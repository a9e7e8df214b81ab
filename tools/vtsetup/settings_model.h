// The connection settings as the setup dialog and the command line edit
// them, apart from any toolkit: the keys, their defaults, which of them
// apply to the chosen network type, the checks of entered values, and the
// changes that saving writes into MV400.INI.
//
// A value is held as entered (text). A key the file does not hold shows its
// default. Saving writes only what differs from the file as read: a value
// equal to the file's stays untouched, a value equal to the default of a
// key the file lacks is not added, and an emptied value removes the key
// (the reader then gives the default). Values of keys that do not apply to
// the chosen network type are checked only when they were changed.
//
// Passwords are never written: a session's password comes from the
// environment variable VANTORA_PASSWORD (kPasswordNote).
#ifndef VANTORA_TOOLS_VTSETUP_SETTINGS_MODEL_H_
#define VANTORA_TOOLS_VTSETUP_SETTINGS_MODEL_H_

#include <functional>
#include <string>
#include <vector>

#include "platform/profile_writer.h"

namespace vantora::vtsetup {

inline constexpr char kDialogTitle[] = "Vantora Setup";
inline constexpr char kPasswordNote[] =
    "vtsetup never writes a password into the settings file: give it in the environment "
    "variable VANTORA_PASSWORD (and the user in VANTORA_USER).";
inline constexpr char kNetworkTypes[][4] = {"tcp", "ehn", "sna"};

enum class Field {
  kNetwork,         // General/Network
  kLocation,        // General/Location
  kProgram,         // General/Program
  kNoWait,          // General/NoWait
  kLu,              // SNA/Lu
  kPort,            // Tcp/Port
  kConnectTimeout,  // Tcp/ConnectTimeout
  kReceiveTimeout,  // Tcp/ReceiveTimeout
  kUser,            // Tcp/User
  kTls,             // Tcp/Tls
  kTlsCaFile,       // Tcp/TlsCaFile
  kDataDirectory,   // Host/DataDirectory
  kDefaultUser,     // Host/DefaultUser
  kCount
};

enum class FieldKind { kChoice, kText, kNumber, kFlag };

struct FieldInfo {
  Field field;
  const char* section;
  const char* key;
  const char* label;  // the dialog's label
  FieldKind kind;
};

// Every field, in the dialog's order.
const std::vector<FieldInfo>& Fields();
const FieldInfo& InfoOf(Field field);
// The field of `section`/`key` (names compare without case), or kCount.
Field FindField(const std::string& section, const std::string& key);

// The default of `field` as the part that reads the key applies it (the
// data directory's default comes from the environment).
std::string DefaultValue(Field field);

class SettingsModel {
 public:
  // `transportAvailable` tells whether the transport module of a network
  // type is installed.
  explicit SettingsModel(std::function<bool(const std::string&)> transportAvailable);

  // Reads the settings from `readPath` (the file the reader uses); saving
  // writes to `writePath`, starting from `readPath`'s text when `writePath`
  // does not exist yet. A missing file gives every default.
  void Load(const std::string& readPath, const std::string& writePath);

  const std::string& readPath() const { return readPath_; }
  const std::string& writePath() const { return writePath_; }

  // The value as entered; empty means "the default" (saving removes the key).
  const std::string& Value(Field field) const;
  // The value in force once saved: the entered value, or the default.
  std::string EffectiveValue(Field field) const;
  void SetValue(Field field, std::string value);
  // True when the file holds the key (else the value shown is the default).
  bool InFile(Field field) const;

  // The network type entered, and whether its transport is installed.
  std::string network() const { return EffectiveValue(Field::kNetwork); }
  bool NetworkAvailable(const std::string& network) const;
  // True when `field` applies to the network type entered.
  bool Enabled(Field field) const;
  // True when saving would write `field`.
  bool Changed(Field field) const;

  // What is wrong with the entered value of `field`; empty when it is fine,
  // or when the field neither applies to the network type entered nor was
  // changed.
  std::string Problem(Field field) const;
  // Every problem, as "Section/Key: text".
  std::vector<std::string> Problems() const;

  // The changes that saving writes.
  std::vector<platform::ProfileChange> Changes() const;
  bool Dirty() const { return !Changes().empty(); }
  // The settings file's text with the changes applied: what the file will
  // hold once saved.
  std::string EffectiveText() const;
  // Checks and writes the changes, and `others` (keys the model does not
  // know) in the same replacement of the file. Empty on success (the model
  // then holds what was written), else what is wrong or what failed.
  std::string Save(const std::vector<platform::ProfileChange>& others = {});

  // True when the settings file holds a password.
  bool HoldsPassword() const;

 private:
  std::function<bool(const std::string&)> transportAvailable_;
  std::string readPath_;
  std::string writePath_;
  std::string fileText_;
  std::vector<std::string> fileValues_;  // as the reader gives them; "" when absent
  std::vector<bool> inFile_;
  std::vector<std::string> values_;
};

}  // namespace vantora::vtsetup

#endif  // VANTORA_TOOLS_VTSETUP_SETTINGS_MODEL_H_
