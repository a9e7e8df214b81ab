// The dialog model driven directly: opening, loading on demand, the list's
// selection, the type-ahead search, the buttons, and the order of focus and
// message when a load fails.
#include "selection/selection_dialog_model.h"

#include <gtest/gtest.h>

#include "selection/selection_test_support.h"

namespace vantora::selection {
namespace {

using testing::LoggingSink;
using testing::LoggingView;
using testing::TableLoader;

class DialogModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    loader.libraries["DEMO"] = {{"ABC", "PF", "First"},
                                {"XAB", "PF", "Second"},
                                {"ABD", "LF", "Third"},
                                {"SCREENS", "DSPF", "Screens"},
                                {"ABCDEFGHIJ", "PF", "Ten"}};
    loader.libraries["TOOLS"] = {{"ADDTAX", "CLE", "Tax"}};
    platform::InstallUiSink(&sink);
  }
  void TearDown() override { platform::InstallUiSink(nullptr); }

  // A model as a request for `library` with the file mode makes it.
  SelectionDialogModel& Open(const std::string& library,
                             DialogTemplate t = DialogTemplate::kLibraryAndFile) {
    selection.SetLibrary(library);
    selection.state().objectType = "*FILE";
    selection.state().filter = t == DialogTemplate::kLibraryAndFile ? "*FILE" : "";
    model = std::make_unique<SelectionDialogModel>(selection, t);
    model->AttachView(&view);
    model->Opening();
    return *model;
  }
  std::vector<bool> Only(size_t index) {
    std::vector<bool> flags(selection.state().entries.size(), false);
    flags[index] = true;
    return flags;
  }
  void Type(const std::string& keys) {
    for (char c : keys) EXPECT_TRUE(model->ListKey(static_cast<unsigned char>(c))) << c;
  }

  std::vector<std::string> log;
  LoggingSink sink{log};
  LoggingView view{log};
  TableLoader loader;
  Selection selection{loader};
  std::unique_ptr<SelectionDialogModel> model;
};

TEST_F(DialogModelTest, TemplatesAndTheirTexts) {
  SelectionDialogModel files(selection, DialogTemplate::kLibraryAndFile);
  EXPECT_EQ(files.title(), "Library and file selection");
  EXPECT_EQ(files.listCaption(), "Library files:");
  EXPECT_TRUE(files.multipleSelection());
  // The program template lists programs or data queues, captioned as such.
  const struct {
    const char* objectType;
    const char* caption;
  } lists[] = {{"*PGM", "Library programs :"}, {"*DTAQ", "Library data queues :"}};
  for (const auto& l : lists) {
    selection.state().objectType = l.objectType;
    SelectionDialogModel programs(selection, DialogTemplate::kProgram);
    EXPECT_EQ(programs.title(), "Program selection");
    EXPECT_EQ(programs.listCaption(), l.caption);
    EXPECT_FALSE(programs.multipleSelection());
  }
}

TEST_F(DialogModelTest, OpeningLoadsShowsAndFocusesTheList) {
  auto& m = Open("DEMO");
  ASSERT_EQ(loader.requests.size(), 1u);
  EXPECT_EQ(m.libraryText(), "DEMO");
  ASSERT_EQ(m.entries().size(), 4u);  // the display file is not a database file
  EXPECT_EQ(m.entries()[0].substr(0, 8), "PF \tABC ");
  EXPECT_EQ(m.listSelection(), std::vector<bool>(4, false));
  EXPECT_EQ(m.caret(), 0);
  EXPECT_EQ(m.statusText(), "");
  EXPECT_EQ(m.defaultButton(), DialogButton::kOk);
  EXPECT_EQ(m.result(), 0);
  EXPECT_NE(std::find(log.begin(), log.end(), "list"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "focus"), log.end());
}

TEST_F(DialogModelTest, OpeningWithoutALibraryOrWithTheListHeldLoadsNothing) {
  Open("");
  EXPECT_TRUE(loader.requests.empty());
  Open("DEMO");
  EXPECT_EQ(loader.requests.size(), 1u);
  selection.state().selected = {false, true, false, true};
  auto& m = Open("DEMO");
  EXPECT_EQ(loader.requests.size(), 1u);
  // The chosen entries are selected again, the caret on the first of them.
  EXPECT_EQ(m.listSelection(), (std::vector<bool>{false, true, false, true}));
  EXPECT_EQ(m.caret(), 1);
}

TEST_F(DialogModelTest, ProgramDialogKeepsOneSelectedEntry) {
  selection.SetLibrary("DEMO");
  auto& m = Open("DEMO", DialogTemplate::kProgram);
  ASSERT_EQ(m.entries().size(), 5u);
  m.ListSelectionChanged({false, true, true, false, true}, 2);
  EXPECT_EQ(m.listSelection(), (std::vector<bool>{false, true, false, false, false}));
  m.OkClicked();
  EXPECT_EQ(selection.state().selected, (std::vector<bool>{false, true, false, false, false}));
  // Flags of several entries come back as one selection.
  selection.state().selected = {true, false, true, false, false};
  auto& again = Open("DEMO", DialogTemplate::kProgram);
  EXPECT_EQ(again.listSelection(), (std::vector<bool>{true, false, false, false, false}));
}

TEST_F(DialogModelTest, TypeAheadSelectsTheFirstNameThatBeginsWithTheTypedText) {
  auto& m = Open("DEMO");
  Type("A");
  EXPECT_EQ(m.statusText(), "Searching: A");
  EXPECT_EQ(m.listSelection(), Only(0));
  Type("B");
  EXPECT_EQ(m.statusText(), "Searching: AB");
  EXPECT_EQ(m.listSelection(), Only(0));  // ABC, not XAB
  EXPECT_EQ(m.caret(), 0);
  Type("D");
  EXPECT_EQ(m.listSelection(), Only(2));  // ABD
  EXPECT_EQ(m.caret(), 2);
  EXPECT_EQ(m.typedText(), "ABD");
  Type("Q");
  EXPECT_EQ(m.statusText(), "Searching: ABDQ (failed)");
  EXPECT_EQ(m.typedText(), "ABD");
  EXPECT_EQ(m.listSelection(), Only(2));
  // Backspace rebuilds the status line from the typed text.
  EXPECT_TRUE(m.ListKey(kKeyBackspace));
  EXPECT_EQ(m.statusText(), "Searching: AB");
  EXPECT_EQ(m.typedText(), "AB");
  EXPECT_EQ(m.listSelection(), Only(2));  // the selection stays
  EXPECT_TRUE(m.ListKey(kKeyBackspace));
  EXPECT_EQ(m.statusText(), "Searching: A");
  EXPECT_TRUE(m.ListKey(kKeyBackspace));
  EXPECT_EQ(m.statusText(), "");
  EXPECT_EQ(m.typedText(), "");
  // With nothing typed Backspace is the list box's.
  EXPECT_FALSE(m.ListKey(kKeyBackspace));
}

TEST_F(DialogModelTest, TypeAheadIsCaseSensitiveAndEscapeEmptiesIt) {
  auto& m = Open("DEMO");
  Type("a");
  EXPECT_EQ(m.statusText(), "Searching: a (failed)");
  EXPECT_EQ(m.typedText(), "");
  EXPECT_EQ(m.listSelection(), std::vector<bool>(4, false));
  Type("XA");
  EXPECT_EQ(m.listSelection(), Only(1));
  EXPECT_TRUE(m.ListKey(kKeyEscape));
  EXPECT_EQ(m.statusText(), "");
  EXPECT_EQ(m.typedText(), "");
  EXPECT_FALSE(m.ListKey(0x1000012));  // another key (an arrow): the list box's own handling
  EXPECT_FALSE(m.ListKey(13));
  EXPECT_FALSE(m.ListKey(128));
}

TEST_F(DialogModelTest, TypeAheadStopsSearchingAfterTenCharacters) {
  auto& m = Open("DEMO");
  Type("ABCDEFGHIJ");
  EXPECT_EQ(m.listSelection(), Only(3));
  EXPECT_EQ(m.statusText(), "Searching: ABCDEFGHIJ");
  log.clear();
  EXPECT_TRUE(m.ListKey('K'));  // taken, so the list's letter search never sees it
  EXPECT_EQ(m.typedText(), "ABCDEFGHIJ");
  EXPECT_EQ(m.statusText(), "Searching: ABCDEFGHIJ");
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(m.ListKey(kKeyBackspace));  // still editable
  EXPECT_EQ(m.typedText(), "ABCDEFGHI");
}

TEST_F(DialogModelTest, FilterButtonsReloadWithTheirFilter) {
  auto& m = Open("DEMO");
  struct Case {
    ListFilter filter;
    const char* text;
    size_t entries;
  } cases[] = {
      {ListFilter::kPhysical, "PF", 3}, {ListFilter::kLogical, "LF", 1}, {ListFilter::kAll, "", 5}};
  for (const Case& c : cases) {
    const size_t before = loader.requests.size();
    m.FilterClicked(c.filter);
    ASSERT_EQ(loader.requests.size(), before + 1);
    EXPECT_EQ(loader.requests.back().filter, c.text);
    EXPECT_EQ(m.entries().size(), c.entries) << c.text;
    EXPECT_EQ(m.result(), 0);
  }
}

TEST_F(DialogModelTest, ProgramDialogHasNoFilterButtonsOrOkForAll) {
  auto& m = Open("TOOLS", DialogTemplate::kProgram);
  const size_t loads = loader.requests.size();
  m.FilterClicked(ListFilter::kPhysical);
  m.OkForAllClicked();
  EXPECT_EQ(loader.requests.size(), loads);
  EXPECT_EQ(m.result(), 0);
}

TEST_F(DialogModelTest, OkCopiesTheSelectionAndOkForAllChoosesEverything) {
  auto& m = Open("DEMO");
  m.ListSelectionChanged({true, false, false, true}, 3);
  log.clear();
  m.OkClicked();
  EXPECT_EQ(m.result(), kDialogOk);
  EXPECT_EQ(log, (std::vector<std::string>{"end 1"}));
  EXPECT_EQ(selection.state().selected, (std::vector<bool>{true, false, false, true}));

  auto& all = Open("DEMO");
  all.OkForAllClicked();
  EXPECT_EQ(all.result(), kDialogOk);
  EXPECT_EQ(selection.state().selected, std::vector<bool>(4, true));
}

TEST_F(DialogModelTest, DoubleClickIsOk) {
  auto& m = Open("DEMO");
  m.ListSelectionChanged(Only(2), 2);
  m.ListDoubleClicked();
  EXPECT_EQ(m.result(), kDialogOk);
  EXPECT_EQ(selection.state().selected, Only(2));
}

TEST_F(DialogModelTest, CancelLeavesTheChosenFlagsAndTheLibrary) {
  selection.state().selected = {};
  auto& m = Open("DEMO");
  selection.state().selected = {false, true, false, false};
  m.LibraryTyped("TOOLS");
  m.ListSelectionChanged({true, true, true, true}, 0);
  m.CancelClicked();
  EXPECT_EQ(m.result(), kDialogCancel);
  EXPECT_EQ(selection.state().selected, (std::vector<bool>{false, true, false, false}));
  EXPECT_EQ(selection.state().library, "DEMO");
}

TEST_F(DialogModelTest, EnterInTheLibraryBoxLoadsAndStaysOpen) {
  auto& m = Open("");
  m.LibraryTyped("demo");
  EXPECT_EQ(m.defaultButton(), DialogButton::kOpen);
  m.LibraryEnter();
  EXPECT_EQ(loader.requests.size(), 1u);
  EXPECT_EQ(selection.state().library, "DEMO");
  EXPECT_EQ(m.entries().size(), 4u);
  EXPECT_EQ(m.result(), 0);
  EXPECT_EQ(m.defaultButton(), DialogButton::kOk);
  // Typing takes the default look back from OK.
  m.LibraryTyped("TOOL");
  EXPECT_EQ(m.defaultButton(), DialogButton::kOpen);
  m.OpenClicked();
  EXPECT_EQ(loader.requests.size(), 2u);
  EXPECT_EQ(loader.requests.back().library, "TOOL");
}

TEST_F(DialogModelTest, LeavingTheLibraryBoxLoadsOnlyAfterAListWasShownAndTheNameChanged) {
  SelectionDialogModel m(selection, DialogTemplate::kLibraryAndFile);
  m.AttachView(&view);
  m.LibraryTyped("DEMO");
  m.LibraryLeft();  // no list shown yet
  EXPECT_TRUE(loader.requests.empty());
  auto& shown = Open("DEMO");
  shown.LibraryLeft();  // unchanged
  EXPECT_EQ(loader.requests.size(), 1u);
  shown.LibraryTyped(" demo ");
  shown.LibraryLeft();  // the same library
  EXPECT_EQ(loader.requests.size(), 1u);
  shown.LibraryTyped("TOOLS");
  shown.LibraryLeft();
  EXPECT_EQ(loader.requests.size(), 2u);
  EXPECT_EQ(shown.entries().size(), 0u);  // TOOLS holds no database file
}

TEST_F(DialogModelTest, AFailedLoadFocusesTheListBeforeTheMessageAndKeepsTheDialogOpen) {
  auto& m = Open("DEMO");
  log.clear();
  // The focus moving to the list makes the library box report that it was
  // left: that must not start a second load.
  view.onFocus = [&] { m.LibraryLeft(); };
  m.LibraryTyped("NOLIB");
  m.OpenClicked();
  ASSERT_EQ(loader.requests.size(), 2u);
  auto focus = std::find(log.begin(), log.end(), "focus");
  auto message = std::find(log.begin(), log.end(), "message Library not found");
  ASSERT_NE(focus, log.end());
  ASSERT_NE(message, log.end());
  EXPECT_LT(focus, message);
  EXPECT_TRUE(m.entries().empty());
  EXPECT_EQ(m.result(), 0);
  EXPECT_EQ(selection.state().loaded.library, "");
  // Leaving again without a change loads nothing more.
  m.LibraryLeft();
  EXPECT_EQ(loader.requests.size(), 2u);
}

TEST_F(DialogModelTest, InvalidLibraryTypedIsRefusedWithoutALoad) {
  auto& m = Open("");
  m.LibraryTyped("ABCDEFGHIJK");
  m.OpenClicked();
  EXPECT_TRUE(loader.requests.empty());
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text, "Invalid library name");
}

}  // namespace
}  // namespace vantora::selection
