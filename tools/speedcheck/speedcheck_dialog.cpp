#include "tools/speedcheck/speedcheck_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QMessageBox>
#include <QVBoxLayout>

namespace vantora::speedcheck {
namespace {

QLabel* Value(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setMinimumWidth(80);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  return label;
}

}  // namespace

SpeedcheckDialog::SpeedcheckDialog(platform::UiSink* sink, QWidget* parent)
    : QDialog(parent), qtSink_(this) {
  setWindowTitle(kDialogTitle);
  QFontMetrics metrics(font());
  baseUnitX_ = std::max(1, metrics.averageCharWidth());
  int widestPixels = 0;
  for (char c = 'A'; c <= 'Z'; ++c) {
    widestPixels = std::max(widestPixels, metrics.horizontalAdvance(QChar(c)));
  }
  const int widestLetter = std::max(1, widestPixels * 4 / baseUnitX_);

  SpeedcheckModel::Events events;
  events.changed = [this] { Refresh(); };
  events.endDialog = [this] { done(QDialog::Accepted); };
  model_ = std::make_unique<SpeedcheckModel>(sink != nullptr ? *sink : qtSink_, events,
                                             widestLetter, baseUnitX_);

  auto* layout = new QVBoxLayout(this);
  auto* menu = new QMenuBar(this);
  auto* help = menu->addMenu("&Help");
  help->addSeparator();
  help->addAction(kAboutMenuItem, this, [this] { ShowAbout(); });
  layout->setMenuBar(menu);

  auto* grid = new QGridLayout();
  fileEdit = new QLineEdit(this);
  openButton = new QPushButton("Open", this);
  recordsEdit = new QLineEdit(this);
  useCacheBox = new QCheckBox("Use Cache", this);
  useCacheBox->setChecked(true);
  readButton = new QPushButton("Read", this);
  fieldsLabel = Value(this);
  lengthLabel = Value(this);
  cacheLabel = Value(this);
  startLabel = Value(this);
  finishLabel = Value(this);
  clocksLabel = Value(this);
  grid->addWidget(new QLabel("File :", this), 0, 0);
  grid->addWidget(fileEdit, 0, 1, 1, 2);
  grid->addWidget(openButton, 0, 3);
  grid->addWidget(new QLabel("Records to read:", this), 1, 0);
  grid->addWidget(recordsEdit, 1, 1);
  grid->addWidget(useCacheBox, 1, 2);
  grid->addWidget(readButton, 1, 3);
  grid->addWidget(new QLabel("Fields in Record:", this), 2, 0);
  grid->addWidget(fieldsLabel, 2, 1);
  grid->addWidget(new QLabel("Starting time :", this), 2, 2);
  grid->addWidget(startLabel, 2, 3);
  grid->addWidget(new QLabel("Record length:", this), 3, 0);
  grid->addWidget(lengthLabel, 3, 1);
  grid->addWidget(new QLabel("Finishing time :", this), 3, 2);
  grid->addWidget(finishLabel, 3, 3);
  grid->addWidget(new QLabel("Records in cache:", this), 4, 0);
  grid->addWidget(cacheLabel, 4, 1);
  grid->addWidget(new QLabel("Clocks :", this), 4, 2);
  grid->addWidget(clocksLabel, 4, 3);
  layout->addLayout(grid);

  list = new QTreeWidget(this);
  list->setHeaderHidden(true);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setMinimumSize(560, 240);
  layout->addWidget(list);

  auto* buttons = new QHBoxLayout();
  connectButton = new QPushButton("Connect", this);
  connectButton->setDefault(true);
  endButton = new QPushButton("End", this);
  buttons->addStretch();
  buttons->addWidget(connectButton);
  buttons->addWidget(endButton);
  layout->addLayout(buttons);

  connect(connectButton, &QPushButton::clicked, this, [this] { model_->Connect(); });
  connect(openButton, &QPushButton::clicked, this, [this] {
    TakeInputs();
    model_->Open();
  });
  connect(readButton, &QPushButton::clicked, this, [this] {
    TakeInputs();
    model_->Read();
  });
  connect(endButton, &QPushButton::clicked, this, [this] { model_->End(); });
  Refresh();
}

SpeedcheckDialog::~SpeedcheckDialog() = default;

void SpeedcheckDialog::TakeInputs() {
  model_->fileName = fileEdit->text().toStdString();
  model_->recordsToRead = recordsEdit->text().toStdString();
  model_->useCache = useCacheBox->isChecked();
}

void SpeedcheckDialog::ShowAbout() {
  QMessageBox box(QMessageBox::Information, "About speedcheck", kAboutText, QMessageBox::Ok, this);
  box.setIconPixmap(windowIcon().pixmap(32, 32));
  box.exec();
}

void SpeedcheckDialog::Refresh() {
  const SpeedcheckModel& m = *model_;
  connectButton->setEnabled(m.canConnect());
  openButton->setEnabled(m.canOpen());
  readButton->setEnabled(m.canRead());
  endButton->setEnabled(m.canEnd());
  fieldsLabel->setText(QString::number(m.fieldCount()));
  lengthLabel->setText(QString::number(m.recordLength()));
  cacheLabel->setText(QString::number(m.recordsInCache()));
  startLabel->setText(QString::fromStdString(m.startingTime()));
  finishLabel->setText(QString::fromStdString(m.finishingTime()));
  clocksLabel->setText(QString::number(m.clocks()));

  const auto& stops = m.tabStops();
  const int columns = std::max<int>(1, static_cast<int>(stops.size()));
  if (list->columnCount() != columns) list->setColumnCount(columns);
  int previous = 0;
  for (size_t i = 0; i < stops.size(); ++i) {
    list->setColumnWidth(static_cast<int>(i), (stops[i] - previous) * baseUnitX_ / 4);
    previous = stops[i];
  }
  list->clear();
  for (const std::string& line : m.listLines()) {
    QStringList cells = QString::fromStdString(line).split('\t');
    list->addTopLevelItem(new QTreeWidgetItem(cells));
  }
}

void SpeedcheckDialog::closeEvent(QCloseEvent* event) {
  if (!model_->ended()) model_->End();
  event->accept();
}

void SpeedcheckDialog::reject() {
  if (!model_->ended()) model_->End();
  QDialog::reject();
}

}  // namespace vantora::speedcheck

int RunDialog(int argc, char** argv) {
  QApplication app(argc, argv);
  vantora::speedcheck::SpeedcheckDialog dialog;
  dialog.exec();
  return 0;
}
