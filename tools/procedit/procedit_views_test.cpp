// procedit's Qt views under the offscreen platform, over their models on
// the embedded host: every text present, the states the models give, and
// actions going through to the host.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "mv432ida.h"
#include "platform/qt/qt_ui_sink.h"
#include "selection/qt/qt_dialog_runner.h"
#include "tests/support/embedded_host.h"
#include "tests/support/offscreen_qt.h"
#include "tools/procedit/field_dialog_view.h"
#include "tools/procedit/main_dialog_view.h"
#include "tools/procedit/procedure_dialog_view.h"
#include "tools/procedit/texts.h"
#include "tools/procedit/type_tables.h"

namespace vantora::procedit {
namespace {

std::string S(const QString& q) {
  return q.toStdString();
}

class ProceditViews : public vantora::testing::EmbeddedHostTest {
 protected:
  static void SetUpTestSuite() { vantora::testing::OffscreenApplication(); }
  platform::RecordingSink sink;
};

TEST_F(ProceditViews, FieldDialogTextsAndTypeRules) {
  FieldDialogModel model(sink);
  FieldDialogView view(model, nullptr);
  EXPECT_EQ(S(view.windowTitle()), text::kFieldTitle);
  EXPECT_EQ(S(view.nameGroup->title()), text::kFieldNameGroup);
  EXPECT_EQ(S(view.usageGroup->title()), text::kUsageGroup);
  EXPECT_EQ(S(view.inRadio->text()), "In");
  EXPECT_EQ(S(view.outRadio->text()), "Out");
  EXPECT_EQ(S(view.inOutRadio->text()), "In/Out");
  EXPECT_EQ(S(view.startsParameterBox->text()),
            "This field is a parameter or the 1st field of a Data Structure");
  EXPECT_EQ(S(view.asGroup->title()), "AS/400 Format");
  EXPECT_EQ(S(view.pcGroup->title()), "PC Format");
  std::vector<std::string> labels;
  for (QLabel* l : view.findChildren<QLabel*>()) labels.push_back(S(l->text()));
  for (const char* t : {"Type :", "Digits :", "Decimals :", "Length :"}) {
    EXPECT_NE(std::find(labels.begin(), labels.end(), t), labels.end()) << t;
  }
  EXPECT_EQ(S(view.okButton->text()), "OK");
  EXPECT_EQ(S(view.cancelButton->text()), "Cancel");
  ASSERT_EQ(view.asTypeList->count(), kHostTypeCount);
  ASSERT_EQ(view.pcTypeList->count(), kPcTypeCount);
  for (int i = 0; i < kHostTypeCount; ++i)
    EXPECT_EQ(S(view.asTypeList->itemText(i)), HostTypeName(i));
  for (int i = 0; i < kPcTypeCount; ++i) EXPECT_EQ(S(view.pcTypeList->itemText(i)), PcTypeName(i));
  // A new field: In/Out, checked, CHAR, OK disabled, decimals disabled.
  EXPECT_TRUE(view.inOutRadio->isChecked());
  EXPECT_TRUE(view.startsParameterBox->isChecked());
  EXPECT_FALSE(view.okButton->isEnabled());
  EXPECT_FALSE(view.asDecimalsEdit->isEnabled());
  view.nameEdit->setText("Amount");
  Q_EMIT view.nameEdit->textEdited("Amount");
  EXPECT_TRUE(view.okButton->isEnabled());
  Q_EMIT view.asTypeList->activated(HostTypeCode("PACK"));
  EXPECT_EQ(S(view.pcTypeList->currentText()), "DOUBLE");
  EXPECT_EQ(S(view.pcLengthEdit->text()), "8");
  EXPECT_TRUE(view.asDecimalsEdit->isEnabled());
  view.digitsEdit->setText("abc");
  view.okButton->click();
  EXPECT_EQ(view.result(), 0);  // refused: still open
  ASSERT_FALSE(sink.Messages().empty());
  EXPECT_EQ(sink.Messages().back().text, text::kNeedInteger);
  view.digitsEdit->setText("7");
  view.asDecimalsEdit->setText("2");
  view.okButton->click();
  EXPECT_EQ(view.result(), QDialog::Accepted);
  EXPECT_EQ(model.asDigits(), 7);
  EXPECT_EQ(model.asDecimals(), 2);
}

TEST_F(ProceditViews, ProcedureDialogTextsRowsAndKeys) {
  int opened = 0;
  ProcedureDialogModel model(sink, [&opened](FieldDialogModel& f) {
    ++opened;
    f.NameTyped("F" + std::to_string(opened));
    f.DigitsLeft("3");
    return f.Ok();
  });
  ProcedureDialogView view(model, nullptr);
  EXPECT_EQ(S(view.windowTitle()), "Procedure definition");
  EXPECT_EQ(S(view.nameGroup->title()), "Procedure name :");
  EXPECT_EQ(S(view.descriptionGroup->title()), "Description:");
  EXPECT_EQ(S(view.targetGroup->title()), "AS/400 Program Name (Lib/File)");
  EXPECT_EQ(S(view.browseButton->text()), "Browse ...");
  ASSERT_EQ(view.kindList->count(), 2);
  EXPECT_EQ(S(view.kindList->itemText(0)), "Program");
  EXPECT_EQ(S(view.kindList->itemText(1)), "Data Queue");
  EXPECT_EQ(S(view.parametersGroup->title()), "Parameters description :");
  std::vector<std::string> captions;
  ASSERT_FALSE(view.fieldList->isHeaderHidden());
  for (int i = 0; i < view.fieldList->columnCount(); ++i) {
    captions.push_back(S(view.fieldList->headerItem()->text(i)));
  }
  EXPECT_EQ(captions, (std::vector<std::string>{
                          "N°:", "Name :", "I/O :", "AS Type, Len :", "PC Type, Len :"}));
  EXPECT_EQ(S(view.plusButton->text()), "+");
  EXPECT_EQ(S(view.minusButton->text()), "-");
  EXPECT_EQ(S(view.modifyButton->text()), "M");
  EXPECT_EQ(view.nameEdit->maxLength(), 10);
  EXPECT_EQ(view.targetEdit->maxLength(), 22);
  EXPECT_EQ(view.descriptionEdit->maxLength(), 80);

  view.plusButton->click();
  view.plusButton->click();
  ASSERT_EQ(view.fieldList->topLevelItemCount(), 2);
  EXPECT_EQ(S(view.fieldList->topLevelItem(1)->text(0)), " 2");
  EXPECT_EQ(S(view.fieldList->topLevelItem(1)->text(1)), "F2        ");
  EXPECT_EQ(S(view.fieldList->topLevelItem(1)->text(2)), "I/O");
  EXPECT_EQ(S(view.fieldList->topLevelItem(1)->text(3)), "CHAR        3:0  (3)");
  EXPECT_EQ(S(view.fieldList->topLevelItem(1)->text(4)), "CHAR       3:0");
  EXPECT_EQ(view.fieldList->currentItem(), view.fieldList->topLevelItem(1));
  QKeyEvent insert(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
  QApplication::sendEvent(view.fieldList, &insert);  // before the selected row
  ASSERT_EQ(view.fieldList->topLevelItemCount(), 3);
  EXPECT_EQ(S(view.fieldList->topLevelItem(1)->text(1)), "F3        ");
  QKeyEvent minus(QEvent::KeyPress, Qt::Key_Minus, Qt::KeypadModifier);
  QApplication::sendEvent(view.fieldList, &minus);
  EXPECT_EQ(view.fieldList->topLevelItemCount(), 2);
  view.fieldList->clearSelection();
  view.minusButton->click();  // nothing selected: nothing happens
  EXPECT_EQ(view.fieldList->topLevelItemCount(), 2);

  view.okButton->click();
  EXPECT_EQ(sink.Messages().back().text, text::kNeedProcedureName);
  view.nameEdit->setText("viewproc");
  Q_EMIT view.nameEdit->textEdited("viewproc");
  view.targetEdit->setText("demo/upper");
  Q_EMIT view.targetEdit->textEdited("demo/upper");
  view.okButton->click();
  EXPECT_EQ(view.result(), QDialog::Accepted);
  EXPECT_EQ(model.header().procName, "VIEWPROC  ");
  EXPECT_EQ(model.header().programLibrary, "DEMO      ");
}

// The list as a user sees it: captions over their columns, no cell or
// caption cut, and more than three rows without scrolling.
TEST_F(ProceditViews, TheFieldListShowsItsRowsWhole) {
  ProcHeaderRecord header;
  header.procName = "WIDE      ";
  std::vector<ProcFieldRecord> rows;
  const struct {
    const char* name;
    const char* asType;
    int digits;
    int decimals;
    int parameter;
  } fields[] = {{"CUSTOMERNO", "PACK", 15, 5, 1}, {"NAME", "CHAR", 32767, 0, 2},
                {"WHEN", "TIMESTP", 26, 0, 3},    {"QTY", "ZONED", 9, 2, 3},
                {"RATE", "DOUBLE", 8, 0, 4},      {"FLAG", "BIN2", 4, 0, 5},
                {"TOTAL", "PACK", 31, 9, 6},      {"LAST", "DATE", 10, 0, 7}};
  for (const auto& f : fields) {
    ProcFieldRecord r;
    r.procName = header.procName;
    r.parameterNo = static_cast<int16_t>(f.parameter);
    r.direction = kDirectionInOut;
    r.fieldName = f.name;
    r.asType = static_cast<int16_t>(HostTypeCode(f.asType));
    r.asDigits = static_cast<int16_t>(f.digits);
    r.asDecimals = static_cast<int16_t>(f.decimals);
    r.asByteLength = DerivedByteLength(r.asType, r.asDigits);
    r.pcType = static_cast<int16_t>(PcTypeCode("DOUBLE"));
    r.pcLength = 8;
    rows.push_back(r);
  }
  header.fieldCount = static_cast<int16_t>(rows.size());
  ProcedureDialogModel model(sink, nullptr);
  model.Load(header, rows);
  ProcedureDialogView view(model, nullptr);
  view.show();
  QApplication::processEvents();
  QTreeWidget& list = *view.fieldList;
  ASSERT_EQ(list.topLevelItemCount(), 8);
  const QFontMetrics cells(list.font());
  const QFontMetrics captions(list.header()->font());
  for (int c = 0; c < list.columnCount(); ++c) {
    SCOPED_TRACE("column " + std::to_string(c));
    EXPECT_GE(list.columnWidth(c), captions.horizontalAdvance(list.headerItem()->text(c)));
    for (int r = 0; r < list.topLevelItemCount(); ++r) {
      EXPECT_GE(list.columnWidth(c), cells.horizontalAdvance(list.topLevelItem(r)->text(c)))
          << S(list.topLevelItem(r)->text(c));
    }
    // The caption starts where its column starts.
    EXPECT_EQ(list.header()->sectionViewportPosition(c),
              list.visualItemRect(list.topLevelItem(0)).left() +
                  (c == 0 ? 0 : list.header()->sectionPosition(c)));
  }
  EXPECT_EQ(S(list.topLevelItem(1)->text(3)), "CHAR    32767:0  (32767)");
  EXPECT_EQ(S(list.topLevelItem(2)->text(4)), "DOUBLE     8:0");
  EXPECT_EQ(S(list.topLevelItem(3)->text(0)), "");  // continues parameter 3
  // Every row shows, and the columns fit the list's width.
  for (int r = 0; r < list.topLevelItemCount(); ++r) {
    EXPECT_TRUE(list.viewport()->rect().contains(list.visualItemRect(list.topLevelItem(r))))
        << "row " << r;
  }
  EXPECT_LE(list.header()->length(), list.viewport()->width());
  // For a look by eye: the build folder's procedure_dialog.png.
  EXPECT_TRUE(view.grab().save(SCREENSHOT_DIR "/procedure_dialog.png"));
}

TEST_F(ProceditViews, MainDialogTextsStatesAndActions) {
  ASSERT_EQ(StartSession(), 1);
  CatalogueFiles files;
  MainDialogModel model(
      sink, files,
      [](ProcedureDialogModel& p) {
        p.NameTyped("FROMVIEW");
        p.TargetTyped("DEMO/UPPER");
        return p.Ok();
      },
      nullptr);
  model.Opening();
  MainDialogView view(model);
  view.show();
  EXPECT_EQ(S(view.windowTitle()), "Stored Procedure configuration");
  EXPECT_EQ(S(view.proceduresGroup->title()), "Declared Procedures");
  EXPECT_EQ(S(view.procedureRadio->text()), "Select a procedure");
  EXPECT_EQ(S(view.programsGroup->title()), "AS/400 Programs");
  EXPECT_EQ(S(view.programRadio->text()), "Select a program");
  EXPECT_EQ(S(view.closeButton->text()), "Close");
  EXPECT_EQ(S(view.newButton->text()), "New Procedure");
  EXPECT_EQ(S(view.editButton->text()), "Edit Procedure");
  EXPECT_EQ(S(view.removeButton->text()), "Remove proc.");
  EXPECT_EQ(S(view.aboutAction->text()), "&About procedit...");
  EXPECT_TRUE(view.procedureRadio->isChecked());
  EXPECT_FALSE(view.programList->isEnabled());
  EXPECT_TRUE(view.newButton->isEnabled());
  EXPECT_FALSE(view.editButton->isEnabled());

  view.newButton->click();
  ASSERT_EQ(view.procedureList->count(), 1);
  EXPECT_EQ(S(view.procedureList->item(0)->text()), "FROMVIEW  ");
  view.procedureList->setCurrentRow(0);
  EXPECT_TRUE(view.editButton->isEnabled());
  EXPECT_TRUE(view.removeButton->isEnabled());
  view.programRadio->click();
  EXPECT_TRUE(view.programList->isEnabled());
  ASSERT_EQ(view.programList->count(), 1);
  EXPECT_EQ(S(view.programList->item(0)->text()), "DEMO/UPPER");
  EXPECT_EQ(view.procedureList->count(), 0);
  view.programList->setCurrentRow(0);
  EXPECT_EQ(view.procedureList->count(), 1);
  EXPECT_FALSE(view.editButton->isEnabled());  // nothing selected after the refill

  // Escape and the close box leave it open; "Close" ends it.
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&view, &escape);
  view.close();
  EXPECT_TRUE(view.isVisible());
  view.closeButton->click();
  EXPECT_FALSE(view.isVisible());
  EXPECT_EQ(view.result(), QDialog::Accepted);
  model.Closing();
}

TEST_F(ProceditViews, TheLibraryFieldOpensAnotherCatalogue) {
  ASSERT_EQ(StartSession(), 1);
  CatalogueFiles files;
  MainDialogModel model(sink, files, nullptr, nullptr);
  model.Opening();
  MainDialogView view(model);
  view.show();
  EXPECT_EQ(S(view.libraryLabel->text()), "Library :");
  EXPECT_EQ(S(view.openLibraryButton->text()), "Open");
  EXPECT_EQ(S(view.libraryEdit->text()), "");
  EXPECT_EQ(S(view.libraryEdit->placeholderText()), "the job's library list");
  EXPECT_EQ(view.procedureList->count(), 0);  // VANTORA's empty catalogue

  view.libraryEdit->setText(" demo");
  view.openLibraryButton->click();
  EXPECT_TRUE(sink.Messages().empty());
  EXPECT_EQ(S(view.libraryEdit->text()), "DEMO");
  ASSERT_GT(view.procedureList->count(), 0);
  const int demoProcedures = view.procedureList->count();
  EXPECT_TRUE(view.newButton->isEnabled());
  EXPECT_TRUE(view.grab().save(SCREENSHOT_DIR "/main_dialog.png"));

  // A library that does not exist: said in words, DEMO's catalogue stays.
  view.libraryEdit->setText("NOLIB");
  QTest::keyClick(view.libraryEdit, Qt::Key_Return);
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].kind, platform::MessageKind::kError);
  EXPECT_EQ(sink.Messages()[0].text.rfind(
                "The catalogue of library NOLIB cannot be shown: file NOLIB/YPROCHDR not found", 0),
            0u)
      << sink.Messages()[0].text;
  EXPECT_EQ(S(view.libraryEdit->text()), "DEMO");
  EXPECT_EQ(view.procedureList->count(), demoProcedures);
  EXPECT_TRUE(view.newButton->isEnabled());
  model.Closing();
}

// Removing asks with No as the default: Enter keeps the procedure.
TEST_F(ProceditViews, TheRemoveQuestionDefaultsToNo) {
  ASSERT_EQ(StartSession(), 1);
  platform::QtUiSink qtSink(selection::SelectionDialogOwner, platform::QuestionStyle::kSafe);
  CatalogueFiles files;
  MainDialogModel model(qtSink, files, nullptr, nullptr);
  ASSERT_TRUE(model.UseLibrary("DEMO"));
  MainDialogView view(model);
  view.show();
  const int before = view.procedureList->count();
  ASSERT_GT(before, 0);
  view.procedureList->setCurrentRow(0);
  std::string asked;
  bool noIsDefault = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    asked = S(box->text());
    noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
    QTest::keyClick(box, Qt::Key_Return);
  });
  view.removeButton->click();
  EXPECT_EQ(asked, text::kConfirmRemove);
  EXPECT_TRUE(noIsDefault);
  EXPECT_EQ(view.procedureList->count(), before);
  model.Closing();
}

TEST_F(ProceditViews, AFailedOpenLeavesTheButtonsDisabled) {
  ASSERT_EQ(StartSession(), 1);
  RecordCalls calls;
  calls.open = [](const char*, int32_t, int32_t) -> int32_t { return -1; };
  CatalogueFiles files(calls);
  MainDialogModel model(sink, files, nullptr, nullptr);
  model.Opening();
  MainDialogView view(model);
  EXPECT_FALSE(view.newButton->isEnabled());
  EXPECT_FALSE(view.editButton->isEnabled());
  EXPECT_FALSE(view.removeButton->isEnabled());
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text, text::kFilesNotOpened);
}

TEST_F(ProceditViews, WaitingWindowAndAboutBox) {
  WaitingWindow waiting;
  EXPECT_EQ(S(waiting.windowTitle()), "Starting connection");
  EXPECT_EQ(S(waiting.label->text()), "Please wait while starting connection ...");
  waiting.ShowCentred();
  EXPECT_TRUE(waiting.isVisible());
  waiting.hide();
  AboutBox about(nullptr);
  EXPECT_EQ(S(about.windowTitle()), "About RPC Configuration");
  EXPECT_EQ(S(about.label->text()), "RPC Configuration");
  EXPECT_EQ(S(about.okButton->text()), "OK");
  EXPECT_FALSE(about.icon->pixmap().isNull());
}

}  // namespace
}  // namespace vantora::procedit
