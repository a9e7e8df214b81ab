// The Qt view of the connection test: the dialog "Vantora Bench:
// Connection Test", its controls enabled as the model says, and the list
// of the last block's records.
#ifndef VANTORA_TOOLS_SPEEDCHECK_SPEEDCHECK_DIALOG_H_
#define VANTORA_TOOLS_SPEEDCHECK_SPEEDCHECK_DIALOG_H_

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <memory>

#include "platform/qt/qt_ui_sink.h"
#include "tools/speedcheck/speedcheck_model.h"

namespace vantora::speedcheck {

class SpeedcheckDialog : public QDialog {
 public:
  // `sink`: where messages go (null: message boxes over this dialog).
  explicit SpeedcheckDialog(platform::UiSink* sink = nullptr, QWidget* parent = nullptr);
  ~SpeedcheckDialog() override;

  SpeedcheckModel& model() { return *model_; }

  QLineEdit* fileEdit;
  QPushButton* openButton;
  QLineEdit* recordsEdit;
  QCheckBox* useCacheBox;
  QPushButton* readButton;
  QPushButton* connectButton;
  QPushButton* endButton;
  QLabel* fieldsLabel;
  QLabel* lengthLabel;
  QLabel* cacheLabel;
  QLabel* startLabel;
  QLabel* finishLabel;
  QLabel* clocksLabel;
  QTreeWidget* list;

  void ShowAbout();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void Refresh();
  void TakeInputs();

  platform::QtUiSink qtSink_;
  std::unique_ptr<SpeedcheckModel> model_;
  int baseUnitX_ = 8;
};

}  // namespace vantora::speedcheck

#endif  // VANTORA_TOOLS_SPEEDCHECK_SPEEDCHECK_DIALOG_H_
