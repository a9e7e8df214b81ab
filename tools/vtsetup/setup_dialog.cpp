#include "tools/vtsetup/setup_dialog.h"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "platform/profile.h"
#include "platform/profile_writer.h"

namespace vantora::vtsetup {
namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

QLabel* Value(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setMinimumWidth(120);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

std::string FailureText(const ClientFailure& f) {
  std::string text = f.text;
  switch (f.code) {
    case VNX_ERR_HOST:
    case VNX_ERR_SIGNAL:
      text += "\n(class " + std::to_string(f.code) + ", status " + std::to_string(f.status) +
              ", message " + f.messageId + ")";
      break;
    case VNX_ERR_COMM:
      text += "\n(class -20, transport codes: primary " + std::to_string(f.primary) +
              ", secondary " + std::to_string(f.secondary) + ")";
      break;
    case VNX_ERR_INTERNAL:
      text += "\n(class -30, internal error " + std::to_string(f.internalError) + ")";
      break;
    default:
      break;
  }
  return text;
}

}  // namespace

SetupDialog::SetupDialog(const std::string& readPath, const std::string& writePath,
                         platform::UiSink* sink, QWidget* parent)
    : QDialog(parent),
      // Its one question empties the index dictionary: never the default.
      qtSink_(this, platform::QuestionStyle::kCautious),
      sink_(sink != nullptr ? *sink : qtSink_) {
  setWindowTitle(kDialogTitle);
  actions_ = std::make_unique<SetupActions>(sink_);
  model_ = std::make_unique<SettingsModel>(
      [this](const std::string& n) { return actions_->TransportAvailable(n); });
  model_->Load(readPath, writePath);

  auto* layout = new QVBoxLayout(this);
  auto* file = new QLabel(Q("Settings file: " + writePath), this);
  file->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(file);

  auto* connection = new QGroupBox("Connection", this);
  auto* form = new QFormLayout(connection);
  networkBox = new QComboBox(connection);
  for (const char* type : kNetworkTypes) {
    const bool available = model_->NetworkAvailable(type);
    networkBox->addItem(Q(std::string(type) + (available ? "" : " (not available)")), type);
  }
  if (networkBox->findData(Q(model_->network())) < 0) {
    networkBox->addItem(Q(model_->network() + " (as in the file)"), Q(model_->network()));
  }
  networkBox->setCurrentIndex(networkBox->findData(Q(model_->network())));
  form->addRow(InfoOf(Field::kNetwork).label, networkBox);

  auto addEdit = [&](Field field, QLineEdit** slot) {
    auto* edit = new QLineEdit(Q(model_->Value(field)), connection);
    edit->setPlaceholderText(Q(DefaultValue(field)));
    form->addRow(InfoOf(field).label, edit);
    edits_[field] = edit;
    *slot = edit;
    connect(edit, &QLineEdit::textEdited, this, [this, field](const QString& text) {
      model_->SetValue(field, text.toStdString());
      Edited();
    });
  };
  addEdit(Field::kLocation, &locationEdit);
  addEdit(Field::kProgram, &programEdit);
  noWaitBox = new QCheckBox(connection);
  noWaitBox->setChecked(model_->Value(Field::kNoWait) == "1");
  form->addRow(InfoOf(Field::kNoWait).label, noWaitBox);
  addEdit(Field::kLu, &luEdit);
  addEdit(Field::kPort, &portEdit);
  addEdit(Field::kConnectTimeout, &connectTimeoutEdit);
  addEdit(Field::kReceiveTimeout, &receiveTimeoutEdit);
  addEdit(Field::kUser, &userEdit);
  tlsBox = new QCheckBox(connection);
  tlsBox->setChecked(model_->EffectiveValue(Field::kTls) == "1");
  form->addRow(InfoOf(Field::kTls).label, tlsBox);
  addEdit(Field::kTlsCaFile, &tlsCaFileEdit);
  tlsCaFileEdit->setPlaceholderText("the system's trust store");
  addEdit(Field::kDataDirectory, &dataDirectoryEdit);
  addEdit(Field::kDefaultUser, &defaultUserEdit);
  layout->addWidget(connection);

  passwordNote = new QLabel(Q(kPasswordNote), this);
  passwordNote->setWordWrap(true);
  layout->addWidget(passwordNote);
  problemsLabel = new QLabel(this);
  problemsLabel->setWordWrap(true);
  problemsLabel->setStyleSheet("color: #a00000");
  layout->addWidget(problemsLabel);

  auto* versions = new QGroupBox("Versions", this);
  auto* versionForm = new QFormLayout(versions);
  clientVersionLabel = Value(versions);
  serverVersionLabel = Value(versions);
  driverVersionLabel = Value(versions);
  versionForm->addRow("Client (MV432IDA)", clientVersionLabel);
  versionForm->addRow("Server", serverVersionLabel);
  versionForm->addRow("Driver (MV432DRV)", driverVersionLabel);
  layout->addWidget(versions);
  resultLabel = new QLabel(this);
  resultLabel->setWordWrap(true);
  resultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(resultLabel);

  auto* buttons = new QHBoxLayout();
  testButton = new QPushButton("Test connection", this);
  clearButton = new QPushButton("Clear index dictionary", this);
  okButton = new QPushButton("OK", this);
  okButton->setDefault(true);
  cancelButton = new QPushButton("Cancel", this);
  buttons->addWidget(testButton);
  buttons->addWidget(clearButton);
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  layout->addLayout(buttons);

  connect(networkBox, &QComboBox::currentIndexChanged, this, [this](int) {
    model_->SetValue(Field::kNetwork, networkBox->currentData().toString().toStdString());
    Edited();
  });
  connect(noWaitBox, &QCheckBox::toggled, this, [this](bool on) {
    model_->SetValue(Field::kNoWait, on ? "1" : "0");
    Edited();
  });
  connect(tlsBox, &QCheckBox::toggled, this, [this](bool on) {
    model_->SetValue(Field::kTls, on ? "1" : "0");
    Edited();
  });
  connect(testButton, &QPushButton::clicked, this, [this] { TestConnection(); });
  connect(clearButton, &QPushButton::clicked, this, [this] { ClearIndexDictionary(); });
  connect(okButton, &QPushButton::clicked, this, [this] { Save(); });
  connect(cancelButton, &QPushButton::clicked, this, [this] { reject(); });
  Refresh();
}

SetupDialog::~SetupDialog() = default;

QLineEdit* SetupDialog::EditOf(Field field) const {
  auto it = edits_.find(field);
  return it == edits_.end() ? nullptr : it->second;
}

void SetupDialog::Edited() {
  clientVersionLabel->clear();
  serverVersionLabel->clear();
  driverVersionLabel->clear();
  resultLabel->clear();
  Refresh();
}

void SetupDialog::Refresh() {
  for (const auto& [field, edit] : edits_) edit->setEnabled(model_->Enabled(field));
  tlsBox->setEnabled(model_->Enabled(Field::kTls));
  std::string problems;
  for (const std::string& p : model_->Problems()) problems += (problems.empty() ? "" : "\n") + p;
  if (model_->HoldsPassword()) {
    problems += std::string(problems.empty() ? "" : "\n") +
                "The settings file holds a password: remove it and use VANTORA_PASSWORD.";
  }
  problemsLabel->setText(Q(problems));
  const bool valid = model_->Problems().empty();
  okButton->setEnabled(valid);
  testButton->setEnabled(valid);
  clearButton->setEnabled(valid);
}

void SetupDialog::TestConnection() {
  resultLabel->setText("Testing the connection ...");
  QApplication::processEvents();
  ConnectionReport r = actions_->TestConnection(*model_);
  clientVersionLabel->setText(r.clientVersion != 0 ? QString::number(r.clientVersion) : "");
  serverVersionLabel->setText(r.serverVersion ? QString::number(*r.serverVersion) : "");
  driverVersionLabel->setText(Q(r.driverVersion));
  if (r.ok) {
    resultLabel->setText("Connection test passed.");
    return;
  }
  const std::string text = !r.problem.empty() ? r.problem : FailureText(*r.failure);
  resultLabel->setText(Q("Connection test failed: " + text));
  sink_.Message(kDialogTitle, text, platform::MessageKind::kError);
}

void SetupDialog::ClearIndexDictionary() {
  ClearReport r = actions_->ClearIndexDictionary(*model_);
  if (r.declined) {
    resultLabel->setText("The index dictionary was left as it is.");
    return;
  }
  if (r.ok) {
    resultLabel->setText(kClearDone);
    sink_.Message(kDialogTitle, kClearDone, platform::MessageKind::kInformation);
    return;
  }
  const std::string text = !r.problem.empty() ? r.problem : FailureText(*r.failure);
  resultLabel->setText(Q("The index dictionary was not emptied: " + text));
  sink_.Message(kDialogTitle, text, platform::MessageKind::kError);
}

void SetupDialog::Save() {
  if (std::string error = model_->Save(); !error.empty()) {
    sink_.Message(kDialogTitle, error, platform::MessageKind::kError);
    return;
  }
  accept();
}

}  // namespace vantora::vtsetup

int RunSetupDialog(int argc, char** argv) {
  QApplication app(argc, argv);
  vantora::vtsetup::SetupDialog dialog(vantora::platform::DefaultProfilePath(),
                                       vantora::platform::ProfileWritePath(false));
  dialog.exec();  // Cancel is no failure
  return 0;
}
