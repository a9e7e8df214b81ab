// The Qt view of the setup utility: the connection settings of MV400.INI
// as fields (enabled as the network type entered needs them), the buttons
// "Test connection", "Clear index dictionary", "OK" and "Cancel", and the
// versions of client, server and driver found by the last test. OK saves
// the settings (only when every entered value passes its check); Cancel
// leaves the file as it was.
#ifndef VANTORA_TOOLS_VTSETUP_SETUP_DIALOG_H_
#define VANTORA_TOOLS_VTSETUP_SETUP_DIALOG_H_

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <map>
#include <memory>

#include "platform/qt/qt_ui_sink.h"
#include "tools/vtsetup/settings_model.h"
#include "tools/vtsetup/setup_actions.h"

namespace vantora::vtsetup {

class SetupDialog : public QDialog {
 public:
  // Edits the settings read from `readPath` and saved to `writePath`.
  // `sink`: where messages and the question go (null: message boxes over
  // this dialog).
  SetupDialog(const std::string& readPath, const std::string& writePath,
              platform::UiSink* sink = nullptr, QWidget* parent = nullptr);
  ~SetupDialog() override;

  SettingsModel& model() { return *model_; }

  QComboBox* networkBox;
  QLineEdit* locationEdit;
  QLineEdit* programEdit;
  QCheckBox* noWaitBox;
  QLineEdit* luEdit;
  QLineEdit* portEdit;
  QLineEdit* connectTimeoutEdit;
  QLineEdit* receiveTimeoutEdit;
  QLineEdit* userEdit;
  QCheckBox* tlsBox;
  QLineEdit* tlsCaFileEdit;
  QLineEdit* dataDirectoryEdit;
  QLineEdit* defaultUserEdit;
  QLabel* passwordNote;
  QLabel* problemsLabel;
  QLabel* clientVersionLabel;
  QLabel* serverVersionLabel;
  QLabel* driverVersionLabel;
  QLabel* resultLabel;
  QPushButton* testButton;
  QPushButton* clearButton;
  QPushButton* okButton;
  QPushButton* cancelButton;

  // The edit of a text or number field (null for the network and no-wait).
  QLineEdit* EditOf(Field field) const;

 private:
  void TestConnection();
  void ClearIndexDictionary();
  void Save();
  void Refresh();
  // A changed field makes the last test's result stale: it is cleared.
  void Edited();

  platform::QtUiSink qtSink_;
  platform::UiSink& sink_;
  std::unique_ptr<SetupActions> actions_;
  std::unique_ptr<SettingsModel> model_;
  std::map<Field, QLineEdit*> edits_;
};

}  // namespace vantora::vtsetup

#endif  // VANTORA_TOOLS_VTSETUP_SETUP_DIALOG_H_
