// The Qt view under the offscreen platform, through libMV432SLF.so and the
// embedded host: both templates with every control text and their sizes
// (screenshots are written beside the test, not compared by pixel), the
// list, the type-ahead, Enter in the library box, OK, OK for ALL and
// double-click, and the modal Qt runner.
#include "selection/qt/selection_dialog_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>
#include <set>

#include "mv432slf.h"
#include "selection/qt/qt_dialog_runner.h"
#include "tests/support/embedded_host.h"
#include "tests/support/offscreen_qt.h"

namespace vantora::selection {
namespace {

std::string Pad(const std::string& s) {
  std::string out = s;
  out.resize(10, ' ');
  return out;
}

// Plays the user on the view of each request.
class ViewRunner : public DialogRunner {
 public:
  explicit ViewRunner(std::function<void(SelectionDialogView&)> play) : play_(std::move(play)) {}
  int Run(SelectionDialog& dialog) override {
    SelectionDialogView view(dialog);
    view.show();
    play_(view);
    return dialog.result();
  }

 private:
  std::function<void(SelectionDialogView&)> play_;
};

class SelectionDialogViewTest : public testing::EmbeddedHostTest {
 protected:
  static void SetUpTestSuite() { vantora::testing::OffscreenApplication(); }
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    InstallSelectionUiSink(&sink);
    ASSERT_EQ(StartSession(), 1);
  }
  void TearDown() override {
    InstallDialogRunner(nullptr);
    InstallSelectionUiSink(nullptr);
    VNXChoixLibFichier("*CLEAR");
    VNXChoixLibFichierSetPgmMode(0);
    EmbeddedHostTest::TearDown();
  }

  static std::set<std::string> Texts(const QWidget& view) {
    std::set<std::string> texts;
    for (auto* b : view.findChildren<QPushButton*>()) texts.insert(b->text().toStdString());
    for (auto* l : view.findChildren<QLabel*>()) texts.insert(l->text().toStdString());
    for (auto* g : view.findChildren<QGroupBox*>()) texts.insert(g->title().toStdString());
    return texts;
  }
  static std::vector<std::string> Names(const QTreeWidget& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
      names.push_back(list.topLevelItem(i)->text(1).toStdString());
    }
    return names;
  }
  static void Screenshot(SelectionDialogView& view, const char* file) {
    QPixmap shot = view.grab();
    EXPECT_EQ(shot.size(), view.size());
    EXPECT_TRUE(shot.save(QString(SCREENSHOT_DIR) + "/" + file));
  }
  std::vector<std::string> HandBack() {
    std::vector<std::string> names;
    char library[10];
    char name[10];
    int32_t scratch = 0;
    while (VNXChoixLibFichierData(library, name, &scratch) == 1) {
      EXPECT_EQ(std::string(library, 10), Pad("DEMO"));
      names.push_back(std::string(name, 10));
    }
    return names;
  }

  platform::RecordingSink sink;
};

TEST_F(SelectionDialogViewTest, FileTemplateShowsItsControlsAndTheLibrarysFiles) {
  QSize fileSize;
  ViewRunner runner([&](SelectionDialogView& view) {
    EXPECT_EQ(view.windowTitle().toStdString(), "Library and file selection");
    fileSize = view.size();
    EXPECT_EQ(view.size(),
              SelectionDialogView::TemplateSize(DialogTemplate::kLibraryAndFile, view));
    const std::set<std::string> expected = {
        "AS/400 Library:", "Open",          "Library files:", "OK",        "Cancel",
        "Show All",        "Show Physical", "Show Logical",   "OK for ALL"};
    for (const std::string& text : expected) EXPECT_EQ(Texts(view).count(text), 1u) << text;
    EXPECT_EQ(view.libraryEdit->text().toStdString(), "DEMO");
    EXPECT_EQ(Names(*view.list),
              (std::vector<std::string>{Pad("BENCH100"), Pad("CUSTOMER"), Pad("ORDERS"),
                                        Pad("ORDERSBYC"), Pad("ORDERSBYD"), Pad("YPROCHDR"),
                                        Pad("YPROCPARMS"), Pad("YPROCPGM")}));
    EXPECT_EQ(view.list->topLevelItem(0)->text(0).toStdString(), "PF ");
    EXPECT_EQ(view.list->topLevelItem(3)->text(0).toStdString(), "LF ");
    EXPECT_EQ(view.list->selectionMode(), QAbstractItemView::ExtendedSelection);
    // The columns start at the tab stops; the list is at least 400 pixels wide.
    const int unit = QFontMetrics(view.font()).averageCharWidth();
    EXPECT_EQ(view.list->columnWidth(0), 20 * unit / 4);
    EXPECT_EQ(view.list->columnWidth(1), 60 * unit / 4);
    EXPECT_GE(view.list->columnWidth(0) + view.list->columnWidth(1) + view.list->columnWidth(2),
              400);
    EXPECT_TRUE(view.okButton->isDefault());
    EXPECT_FALSE(view.openButton->isDefault());
    Screenshot(view, "library_and_file_selection.png");

    view.list->topLevelItem(2)->setSelected(true);
    view.list->topLevelItem(4)->setSelected(true);
    view.okButton->click();
    EXPECT_FALSE(view.isVisible());
  });
  InstallDialogRunner(&runner);
  EXPECT_EQ(VNXChoixLibFichier("DEMO"), 1);
  EXPECT_EQ(HandBack(), (std::vector<std::string>{Pad("ORDERS"), Pad("ORDERSBYD")}));

  // The program template is the smaller one.
  ViewRunner programs([&](SelectionDialogView& view) {
    EXPECT_EQ(view.windowTitle().toStdString(), "Program selection");
    EXPECT_LT(view.width(), fileSize.width());
    view.cancelButton->click();
  });
  InstallDialogRunner(&programs);
  VNXChoixLibFichierSetPgmMode(1);
  EXPECT_EQ(VNXChoixLibFichier("DEMO"), 2);
}

TEST_F(SelectionDialogViewTest, ProgramTemplatePicksOneProgramByTypeAheadAndDoubleClick) {
  ViewRunner runner([&](SelectionDialogView& view) {
    EXPECT_EQ(view.size(), SelectionDialogView::TemplateSize(DialogTemplate::kProgram, view));
    const std::set<std::string> texts = Texts(view);
    for (const char* text : {"AS/400 Library:", "Open", "Library programs :", "OK", "Cancel"}) {
      EXPECT_EQ(texts.count(text), 1u) << text;
    }
    for (const char* text : {"Show All", "Show Physical", "Show Logical", "OK for ALL"}) {
      EXPECT_EQ(texts.count(text), 0u) << text;
    }
    EXPECT_EQ(view.showAllButton, nullptr);
    EXPECT_EQ(view.list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(Names(*view.list),
              (std::vector<std::string>{Pad("ADDTAX"), Pad("SUMBIN"), Pad("UPPER")}));
    EXPECT_EQ(view.list->topLevelItem(0)->text(0).toStdString(), "CLE");
    Screenshot(view, "program_selection.png");

    QTest::keyClicks(view.list, "SU");
    EXPECT_EQ(view.statusLabel->text().toStdString(), "Searching: SU");
    QTest::keyClick(view.list, 'X');
    EXPECT_EQ(view.statusLabel->text().toStdString(), "Searching: SUX (failed)");
    QTest::keyClick(view.list, Qt::Key_Backspace);
    EXPECT_EQ(view.statusLabel->text().toStdString(), "Searching: S");
    ASSERT_EQ(view.list->selectedItems().size(), 1);
    EXPECT_EQ(view.list->selectedItems()[0]->text(1).toStdString(), Pad("SUMBIN"));
    QTest::keyClick(view.list, Qt::Key_Escape);
    EXPECT_EQ(view.statusLabel->text().toStdString(), "");
    EXPECT_TRUE(view.isVisible());  // Escape in the list ends the search, not the dialog

    const QRect row = view.list->visualItemRect(view.list->topLevelItem(2));
    QTest::mouseClick(view.list->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(view.list->viewport(), Qt::LeftButton, {}, row.center());
  });
  InstallDialogRunner(&runner);
  VNXChoixLibFichierSetPgmMode(1);
  ASSERT_EQ(VNXChoixLibFichier("DEMO"), 1);
  EXPECT_EQ(HandBack(), (std::vector<std::string>{Pad("UPPER")}));
}

TEST_F(SelectionDialogViewTest, EnterInTheLibraryBoxLoadsAndTheDialogStaysOpen) {
  ViewRunner runner([&](SelectionDialogView& view) {
    EXPECT_EQ(view.list->topLevelItemCount(), 0);
    view.libraryEdit->clear();
    QTest::keyClicks(view.libraryEdit, "demo");
    EXPECT_TRUE(view.openButton->isDefault());
    QTest::keyClick(view.libraryEdit, Qt::Key_Return);
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(view.list->topLevelItemCount(), 2);  // the demo library's data queues
    EXPECT_TRUE(view.okButton->isDefault());
    view.okButton->click();
  });
  InstallDialogRunner(&runner);
  VNXChoixLibFichierSetPgmMode(2);
  ASSERT_EQ(VNXChoixLibFichier(nullptr), 1);
  std::vector<std::string> names = HandBack();
  EXPECT_EQ(names, (std::vector<std::string>{Pad("")}));  // OK with nothing chosen
}

TEST_F(SelectionDialogViewTest, QtRunnerShowsTheDialogModally) {
  InstallQtSelectionUi();
  InstallSelectionUiSink(&sink);  // no message box may wait for a click
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* view = dynamic_cast<SelectionDialogView*>(QApplication::activeModalWidget());
    ASSERT_NE(view, nullptr);
    seen = view->isModal();
    view->okForAllButton->click();
  });
  ASSERT_EQ(VNXChoixLibFichier("DEMO"), 1);
  EXPECT_TRUE(seen);
  EXPECT_EQ(HandBack().size(), 8u);  // with the procedure catalogue
  RemoveQtSelectionUi();
  InstallSelectionUiSink(&sink);
  EXPECT_EQ(VNXChoixLibFichier("DEMO"), 2);  // no runner any more
  ASSERT_EQ(sink.Messages().size(), 1u);
}

}  // namespace
}  // namespace vantora::selection
