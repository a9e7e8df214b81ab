// The requests, the reuse of the held list and the handing back, with a
// table of objects instead of the host and a runner playing the user.
#include "selection/selection.h"

#include <gtest/gtest.h>

#include "selection/selection_dialog_model.h"
#include "selection/selection_test_support.h"

namespace vantora::selection {
namespace {

using testing::LoggingSink;
using testing::PlayedRunner;
using testing::TableLoader;

class SelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    loader.libraries["DEMO"] = {{"CUSTOMER", "PF", "Demo customers"},
                                {"ORDERS", "PF", "Demo orders"},
                                {"ORDERSBYC", "LF", "Orders by customer"},
                                {"SCREENS", "DSPF", "Screens"},
                                {"BENCH100", "PF", "Bench"}};
    loader.libraries["EMPTY"] = {};
    loader.libraries["TOOLS"] = {{"ADDTAX", "CLE", "Tax"}, {"ORDERQ", "", "Orders queue"}};
    platform::InstallUiSink(&sink);
    InstallDialogRunner(nullptr);
  }
  void TearDown() override {
    InstallDialogRunner(nullptr);
    platform::InstallUiSink(nullptr);
  }

  // Hands back until the answer is not 1; the names handed back.
  std::vector<std::string> HandAll(std::vector<int32_t>* answers = nullptr) {
    std::vector<std::string> names;
    for (int guard = 0; guard < 100; ++guard) {
      char library[10];
      char name[10];
      const HandBack back = selection.Next(library, name);
      if (answers != nullptr) answers->push_back(back.answer);
      if (back.answer != 1) break;
      EXPECT_EQ(std::string(library, 10), Pad(selection.state().library));
      names.push_back(std::string(name, 10));
    }
    return names;
  }
  static std::string Pad(std::string s) {
    s.resize(10, ' ');
    return s;
  }

  std::vector<std::string> log;
  LoggingSink sink{log};
  TableLoader loader;
  Selection selection{loader};
};

TEST_F(SelectionTest, NothingToHandBackBeforeTheFirstRequest) {
  char library[10];
  char name[10];
  int32_t count = 99;
  EXPECT_EQ(selection.Next(library, name).answer, kFailed);
  EXPECT_EQ(selection.Count(&count), kFailed);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(selection.First(), 0);
}

TEST_F(SelectionTest, HiddenRequestHandsBackEveryPhysicalFileThenEndsHiddenMode) {
  selection.SetHidden();
  EXPECT_EQ(selection.Request("demo"), kConfirmed);
  ASSERT_EQ(loader.requests.size(), 1u);
  EXPECT_EQ(loader.requests[0].library, "DEMO");
  EXPECT_EQ(loader.requests[0].objectType, "*FILE");
  EXPECT_EQ(loader.requests[0].filter, "PF");
  std::vector<int32_t> answers;
  EXPECT_EQ(HandAll(&answers),
            (std::vector<std::string>{Pad("CUSTOMER"), Pad("ORDERS"), Pad("BENCH100")}));
  EXPECT_EQ(answers, (std::vector<int32_t>{1, 1, 1, 0}));
  EXPECT_FALSE(selection.state().hidden);
  EXPECT_TRUE(sink.Messages().empty());
  EXPECT_EQ(sink.BusyChanges(), 2);  // the wait cursor on and off around the load

  // The driver's second pass over the same list: no host work.
  selection.SetHidden();
  EXPECT_EQ(selection.First(), 1);
  EXPECT_EQ(HandAll().size(), 3u);
  EXPECT_EQ(loader.requests.size(), 1u);
}

TEST_F(SelectionTest, HiddenRequestForAnEmptyLibraryHandsBackNothing) {
  selection.SetHidden();
  ASSERT_EQ(selection.Request("EMPTY"), kConfirmed);
  std::vector<int32_t> answers;
  EXPECT_TRUE(HandAll(&answers).empty());
  EXPECT_EQ(answers, (std::vector<int32_t>{0}));
  EXPECT_FALSE(selection.state().hidden);
}

TEST_F(SelectionTest, HeldListIsReusedOnlyForTheSameLibraryTypeAndFilter) {
  struct Step {
    const char* what;
    int32_t mode;
    bool hidden;
    const char* library;
    size_t loads;  // loader calls after the step
  } steps[] = {
      {"first load", 0, true, "DEMO", 1},
      {"same library, type and filter", 0, true, "DEMO", 1},
      {"null library keeps the library", 0, true, nullptr, 1},
      {"blank library keeps the library", 0, true, "   ", 1},
      {"another library", 0, true, "TOOLS", 2},
      {"back to the first", 0, true, "DEMO", 3},
      {"programs instead of files", 1, true, "DEMO", 4},
      {"data queues instead of programs", 2, true, "DEMO", 5},
      {"files again", 0, true, "DEMO", 6},
  };
  for (const Step& s : steps) {
    selection.SetMode(s.mode);
    if (s.hidden) selection.SetHidden();
    EXPECT_EQ(selection.Request(s.library), kConfirmed) << s.what;
    EXPECT_EQ(loader.requests.size(), s.loads) << s.what;
  }
  // A dialog for files lists physical and logical files: the hidden PF list
  // does not do.
  selection.state().hidden = false;
  PlayedRunner runner([](SelectionDialog& d) { d.OkClicked(); });
  InstallDialogRunner(&runner);
  EXPECT_EQ(selection.Request("DEMO"), kConfirmed);
  ASSERT_EQ(loader.requests.size(), 7u);
  EXPECT_EQ(loader.requests.back().filter, "*FILE");
  EXPECT_EQ(selection.state().entries.size(), 4u);
  // *CLEAR forces the next request to load.
  EXPECT_EQ(selection.Request("DEMO"), kConfirmed);
  EXPECT_EQ(loader.requests.size(), 7u);
  selection.Clear();
  EXPECT_EQ(selection.Request("DEMO"), kConfirmed);
  EXPECT_EQ(loader.requests.size(), 8u);
}

TEST_F(SelectionTest, FailedLoadLeavesNothingHeld) {
  selection.SetHidden();
  ASSERT_EQ(selection.Request("DEMO"), kConfirmed);
  selection.SetHidden();
  EXPECT_EQ(selection.Request("NOLIB"), kCancelled);
  selection.SetHidden();
  // DEMO is loaded again rather than taken for the (empty) list held.
  EXPECT_EQ(selection.Request("DEMO"), kConfirmed);
  EXPECT_EQ(loader.requests.size(), 3u);
  EXPECT_EQ(HandAll().size(), 3u);
}

TEST_F(SelectionTest, HiddenRequestWhoseLoadFailsIsAFailure) {
  selection.SetHidden();
  EXPECT_EQ(selection.Request("NOLIB"), kCancelled);
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text, "Library not found");
  EXPECT_EQ(sink.Messages()[0].title, kMessageTitle);
  EXPECT_FALSE(selection.state().hidden);
  std::vector<int32_t> answers;
  EXPECT_TRUE(HandAll(&answers).empty());
  EXPECT_EQ(answers, (std::vector<int32_t>{kCancelled}));
  EXPECT_EQ(selection.First(), 0);
  int32_t count = 5;
  EXPECT_EQ(selection.Count(&count), kCancelled);
  EXPECT_EQ(count, 0);
}

TEST_F(SelectionTest, LibraryNamesOutsideOneToTenCharactersAreRefusedBeforeTheHost) {
  for (const char* library : {"ABCDEFGHIJK", "TOOLONGNAME12"}) {
    selection.SetHidden();
    EXPECT_EQ(selection.Request(library), kCancelled) << library;
  }
  EXPECT_TRUE(loader.requests.empty());
  ASSERT_EQ(sink.Messages().size(), 2u);
  EXPECT_EQ(sink.Messages()[0].text, kInvalidLibraryMessage);
  EXPECT_EQ(sink.BusyChanges(), 0);
}

TEST_F(SelectionTest, WithoutARunnerADialogRequestIsCancelledAndSaysWhy) {
  EXPECT_EQ(selection.Request("DEMO"), kCancelled);
  EXPECT_TRUE(loader.requests.empty());
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text, kNoDialogMessage);
  // Hidden without a library has to show the dialog too.
  Selection fresh(loader);
  fresh.SetHidden();
  EXPECT_EQ(fresh.RequestObjects(nullptr, "*FILE", ""), kCancelled);
  EXPECT_EQ(sink.Messages().size(), 2u);
  EXPECT_TRUE(loader.requests.empty());
}

TEST_F(SelectionTest, ConfirmedDialogHandsBackTheChosenEntriesInListOrder) {
  PlayedRunner runner([](SelectionDialog& d) {
    ASSERT_EQ(d.entries().size(), 4u);
    d.ListSelectionChanged({false, true, false, true}, 3);
    d.OkClicked();
  });
  InstallDialogRunner(&runner);
  EXPECT_EQ(selection.Request("DEMO"), kConfirmed);
  EXPECT_EQ(runner.runs, 1);
  int32_t count = 0;
  EXPECT_EQ(selection.Count(&count), 1);
  EXPECT_EQ(count, 4);  // every entry, chosen or not
  std::vector<int32_t> answers;
  EXPECT_EQ(HandAll(&answers), (std::vector<std::string>{Pad("ORDERS"), Pad("BENCH100")}));
  EXPECT_EQ(answers, (std::vector<int32_t>{1, 1, 0}));
  EXPECT_EQ(selection.First(), 1);
  EXPECT_EQ(HandAll().size(), 2u);
}

TEST_F(SelectionTest, OkWithNothingChosenHandsBackTheLibraryAndABlankName) {
  PlayedRunner runner([](SelectionDialog& d) { d.OkClicked(); });
  InstallDialogRunner(&runner);
  ASSERT_EQ(selection.Request("DEMO"), kConfirmed);
  char library[10];
  char name[10];
  HandBack back = selection.Next(library, name);
  EXPECT_EQ(back.answer, 1);
  EXPECT_TRUE(back.blankName);
  EXPECT_EQ(std::string(library, 10), Pad("DEMO"));
  EXPECT_EQ(std::string(name, 10), Pad(""));
  EXPECT_EQ(selection.Next(library, name).answer, 0);
}

TEST_F(SelectionTest, CancelledDialogHandsBackNothing) {
  PlayedRunner runner([](SelectionDialog& d) {
    d.ListSelectionChanged({true, true, true, true}, 0);
    d.CancelClicked();
  });
  InstallDialogRunner(&runner);
  EXPECT_EQ(selection.Request("DEMO"), kCancelled);
  std::vector<int32_t> answers;
  EXPECT_TRUE(HandAll(&answers).empty());
  EXPECT_EQ(answers, (std::vector<int32_t>{kCancelled}));
  EXPECT_EQ(selection.state().position, -1);
  EXPECT_EQ(selection.First(), 0);
}

TEST_F(SelectionTest, RunnerAnswersOtherThanOkCountAsCancel) {
  class OddRunner : public DialogRunner {
    int Run(SelectionDialog&) override { return 7; }
  } odd;
  InstallDialogRunner(&odd);
  EXPECT_EQ(selection.Request("DEMO"), kCancelled);
}

TEST_F(SelectionTest, SelectionModeSetsTypeStyleFilterAndTemplate) {
  struct Case {
    int32_t mode;
    bool hidden;
    const char* type;
    int32_t style;
    const char* filter;
    DialogTemplate dialogTemplate;
  } cases[] = {
      {0, false, "*FILE", 0, "*FILE", DialogTemplate::kLibraryAndFile},
      {0, true, "*FILE", 0, "PF", DialogTemplate::kLibraryAndFile},
      {1, false, "*PGM", 1, "", DialogTemplate::kProgram},
      {2, false, "*DTAQ", 1, "", DialogTemplate::kProgram},
      {7, false, "*FILE", 0, "*FILE", DialogTemplate::kLibraryAndFile},
  };
  PlayedRunner runner([](SelectionDialog& d) { d.OkClicked(); });
  InstallDialogRunner(&runner);
  for (const Case& c : cases) {
    selection.SetStyle(2);
    selection.SetMode(c.mode);
    if (c.hidden) selection.SetHidden();
    selection.Request("DEMO");
    EXPECT_EQ(selection.state().objectType, c.type) << c.mode;
    EXPECT_EQ(selection.state().dialogStyle, c.style) << c.mode;
    EXPECT_EQ(selection.state().filter, c.filter) << c.mode;
    ASSERT_NE(selection.dialog(), nullptr);
    EXPECT_EQ(selection.dialog()->dialogTemplate(), c.dialogTemplate) << c.mode;
    selection.state().hidden = false;
  }
}

TEST_F(SelectionTest, CallerTypeAndFilterKeepTheStyle) {
  PlayedRunner runner([](SelectionDialog& d) { d.OkClicked(); });
  InstallDialogRunner(&runner);
  struct Case {
    int32_t style;
    DialogTemplate dialogTemplate;
  } cases[] = {{0, DialogTemplate::kLibraryAndFile},
               {1, DialogTemplate::kProgram},
               {2, DialogTemplate::kProgram},
               {3, DialogTemplate::kLibraryAndFile}};
  for (const Case& c : cases) {
    selection.SetStyle(c.style);
    selection.SetMode(1);  // not used by these requests
    EXPECT_EQ(selection.RequestObjects("TOOLS", "*PGM", "CL"), kConfirmed);
    EXPECT_EQ(selection.state().dialogStyle, c.style);
    EXPECT_EQ(selection.dialog()->dialogTemplate(), c.dialogTemplate) << c.style;
  }
  EXPECT_EQ(loader.requests.back().objectType, "*PGM");
  EXPECT_EQ(loader.requests.back().filter, "CL");
  EXPECT_EQ(selection.state().entries.size(), 1u);  // ADDTAX (CLE), not the queue
}

TEST_F(SelectionTest, AnOverlongTypedLibraryIsHandedBackInTenCharacters) {
  PlayedRunner runner([](SelectionDialog& d) {
    d.LibraryTyped("abcdefghijkl");
    d.OkClicked();
  });
  InstallDialogRunner(&runner);
  ASSERT_EQ(selection.Request(nullptr), kConfirmed);
  char buffers[21];
  std::memset(buffers, '#', sizeof buffers);
  EXPECT_EQ(selection.Next(buffers, buffers + 10).answer, 1);
  EXPECT_EQ(std::string(buffers, 10), "ABCDEFGHIJ");
  EXPECT_EQ(std::string(buffers + 10, 10), Pad(""));
  EXPECT_EQ(buffers[20], '#');
}

TEST_F(SelectionTest, AfterAFailedRequestNothingIsHandedBack) {
  selection.SetHidden();
  ASSERT_EQ(selection.Request("DEMO"), kConfirmed);
  selection.RequestFailed();
  char library[10];
  char name[10];
  int32_t count = 1;
  EXPECT_EQ(selection.Next(library, name).answer, kFailed);
  EXPECT_EQ(selection.Count(&count), kFailed);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(selection.First(), 0);
}

}  // namespace
}  // namespace vantora::selection
