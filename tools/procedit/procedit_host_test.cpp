// procedit against the emulated host inside the process, through the real
// client library: the catalogue's exact operations, the dialogs' models
// creating, editing, overwriting and removing procedures (the records
// checked byte for byte), and failures on purpose.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tools/procedit/procedit_host_fixture.h"
#include "tools/procedit/texts.h"

namespace vantora::procedit {
namespace {

using namespace vantora::procedit::testing;

// ---- The catalogue's operations --------------------------------------------

// Every read and write the catalogue makes, as (file, options, length, key).
struct Call {
  std::string file;
  int32_t options;
  int32_t length;
  std::string key;
};
std::vector<Call> g_calls;
std::map<int32_t, std::string> g_files;
int g_failDeleteOf = -1;  // 0: headers, 1: fields
int g_deletes = 0;

int32_t RecordingOpen(const char* file, int32_t mode, int32_t option) {
  int32_t h = VNXopen(file, mode, option);
  g_files[h] = file + std::string(":") + std::to_string(mode) + ":" + std::to_string(option);
  return h;
}
int32_t RecordingRead(int32_t h, void* records, int32_t length, int32_t options, const void* key,
                      int32_t keyLength, int32_t* numbers) {
  g_calls.push_back({g_files[h], options, length,
                     key ? std::string(static_cast<const char*>(key), keyLength)
                         : "(" + std::to_string(keyLength) + ")"});
  return VNXRead(h, records, length, options, key, keyLength, numbers);
}
int32_t RecordingWrite(int32_t h, const void* records, int32_t length, int32_t options,
                       int32_t* numbers) {
  g_calls.push_back({g_files[h], options, length, "write"});
  return VNXWrite(h, records, length, options, numbers);
}
int32_t FailingDelete(int32_t h) {
  ++g_deletes;
  g_calls.push_back({g_files[h], 0, 0, "delete"});
  const bool fields = g_files[h].rfind("YPROCPARMS", 0) == 0;
  if (g_failDeleteOf == (fields ? 1 : 0)) return -1;
  return Rdelete(h);
}

RecordCalls Recording() {
  g_calls.clear();
  g_files.clear();
  g_failDeleteOf = -1;
  g_deletes = 0;
  RecordCalls calls;
  calls.open = RecordingOpen;
  calls.read = RecordingRead;
  calls.write = RecordingWrite;
  calls.remove = FailingDelete;
  return calls;
}

TEST_F(ProceditHost, CreatesAProcedureWithTheExactOperations) {
  CatalogueFiles files(Recording());
  auto main = Main(files);
  ASSERT_TRUE(main->filesOpen());
  EXPECT_TRUE(main->procedures().empty());
  DeclareTax(*main);
  ASSERT_TRUE(sink.Messages().empty()) << sink.Messages()[0].text;
  EXPECT_EQ(main->procedures(), (std::vector<std::string>{"TAXPROC   "}));

  std::vector<std::string> opened;
  for (const auto& [h, f] : g_files) opened.push_back(f);
  std::sort(opened.begin(), opened.end());
  EXPECT_EQ(opened, (std::vector<std::string>{"YPROCHDR:5:0", "YPROCPARMS:5:0", "YPROCPGM:1:0"}));
  const std::string key = Pad("TAXPROC", 10);
  const std::vector<std::tuple<std::string, int32_t, int32_t, std::string>> expected = {
      {"YPROCHDR:5:0", 0x0409010F, 118, "(0)"},     // the list at the start
      {"YPROCHDR:5:0", 0x06020000, 0, key},         // existence test
      {"YPROCHDR:5:0", 0x01010000, 118, "write"},   // the header
      {"YPROCPARMS:5:0", 0x06020000, 0, key},       // no leftover fields
      {"YPROCPARMS:5:0", 0x01010000, 40, "write"},  // five rows
      {"YPROCPARMS:5:0", 0x01010000, 40, "write"}, {"YPROCPARMS:5:0", 0x01010000, 40, "write"},
      {"YPROCPARMS:5:0", 0x01010000, 40, "write"}, {"YPROCPARMS:5:0", 0x01010000, 40, "write"},
      {"YPROCHDR:5:0", 0x0409010F, 118, "(0)"},  // the list again
  };
  ASSERT_EQ(g_calls.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(g_calls[i].file, std::get<0>(expected[i]));
    EXPECT_EQ(g_calls[i].options, std::get<1>(expected[i]));
    EXPECT_EQ(g_calls[i].length, std::get<2>(expected[i]));
    EXPECT_EQ(g_calls[i].key, std::get<3>(expected[i]));
  }

  const Stored s = ReadStored("TAXPROC");
  ASSERT_TRUE(s.found);
  EXPECT_EQ(s.header, HeaderImage("TAXPROC", "DEMO", "ADDTAX", 5, 5, "Adds a tax", 'P'));
  ASSERT_EQ(s.fields.size(), 5u);
  EXPECT_EQ(s.fields[0], FieldImage("TAXPROC", 0, 1, 1, 0, 10, 0, 0, 10, 0, 10, "Code"));
  EXPECT_EQ(s.fields[1], FieldImage("TAXPROC", 1, 2, 1, 4, 8, 0, 3, 4, 2, 7, "Amount"));
  EXPECT_EQ(s.fields[2], FieldImage("TAXPROC", 2, 3, 1, 4, 8, 0, 3, 2, 1, 3, "Rate"));
  EXPECT_EQ(s.fields[3], FieldImage("TAXPROC", 3, 4, 2, 4, 8, 0, 3, 5, 2, 9, "Result"));
  EXPECT_EQ(s.fields[4], FieldImage("TAXPROC", 4, 5, 2, 0, 30, 0, 0, 30, 0, 30, "Message"));

  // Opening it for editing: the header by key, then its fields in one read.
  g_calls.clear();
  auto edited = main->OpenProcedure("TAXPROC   ");
  ASSERT_NE(edited, nullptr);
  ASSERT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(g_calls[0].options, 0x06010000);
  EXPECT_EQ(g_calls[0].length, 118);
  EXPECT_EQ(g_calls[1].file, "YPROCPARMS:5:0");
  EXPECT_EQ(g_calls[1].options, 0x06090000 + 5);
  EXPECT_EQ(g_calls[1].length, 40);
  EXPECT_EQ(g_calls[1].key, key);
  EXPECT_EQ(edited->rows().size(), 5u);
  EXPECT_EQ(edited->targetText(), "DEMO/ADDTAX");

  // The programs and the procedures of one program.
  g_calls.clear();
  main->ProgramModeClicked();
  EXPECT_EQ(main->programs(), (std::vector<std::string>{"DEMO/ADDTAX"}));
  EXPECT_TRUE(main->programListEnabled());
  EXPECT_TRUE(main->procedures().empty());
  main->ProgramSelected(0);
  EXPECT_EQ(main->procedures(), (std::vector<std::string>{"TAXPROC   "}));
  EXPECT_EQ(main->selectedProcedure(), -1);
  ASSERT_EQ(g_calls.size(), 3u);
  EXPECT_EQ(g_calls[0].file, "YPROCPGM:1:0");
  EXPECT_EQ(g_calls[0].options, 0x04010000);
  EXPECT_EQ(g_calls[1].options, 0x0D09010F);
  EXPECT_EQ(g_calls[1].key, "(20)");
  EXPECT_EQ(g_calls[2].options, 0x0609010F);
  EXPECT_EQ(g_calls[2].key, "DEMO      ADDTAX    ");
  main->Closing();
  EXPECT_FALSE(main->filesOpen());
}

TEST_F(ProceditHost, ListsProgramsOnceEachInTheirOrder) {
  CatalogueFiles files;
  ASSERT_TRUE(files.Open());
  const struct {
    const char* name;
    const char* library;
    const char* program;
  } headers[] = {{"P1", "DEMO", "UPPER"},
                 {"P2", "DEMO", "ADDTAX"},
                 {"P3", "", "ADDTAX"},
                 {"P4", "DEMO", "ADDTAX"}};
  for (const auto& h : headers) {
    ProcHeaderRecord r;
    r.procName = h.name;
    r.programLibrary = h.library;
    r.programName = h.program;
    r.targetKind = 'P';
    ASSERT_TRUE(files.WriteHeader(r));
  }
  auto programs = files.ListPrograms();
  std::vector<std::string> texts;
  for (const auto& h : programs) texts.push_back(TargetText(h.programLibrary, h.programName));
  // A target without a library is listed as the bare program, and sorts first.
  EXPECT_EQ(texts, (std::vector<std::string>{"ADDTAX", "DEMO/ADDTAX", "DEMO/UPPER"}));
  std::vector<std::string> callers;
  for (const auto& h : files.ProceduresOf("DEMO", "ADDTAX"))
    callers.push_back(TrimRight(h.procName));
  EXPECT_EQ(callers, (std::vector<std::string>{"P2", "P4"}));  // in arrival order
  for (const auto& h : files.ProceduresOf("", "ADDTAX")) EXPECT_EQ(TrimRight(h.procName), "P3");
}

TEST_F(ProceditHost, OnlyTheFirst271ProceduresAreListed) {
  CatalogueFiles files;
  ASSERT_TRUE(files.Open());
  for (int i = 0; i < 272; ++i) {
    ProcHeaderRecord r;
    char name[11];
    std::snprintf(name, sizeof name, "P%04d", i);
    r.procName = name;
    r.programName = "UPPER";
    r.targetKind = 'P';
    ASSERT_TRUE(files.WriteHeader(r));
  }
  auto main = Main(files);
  ASSERT_EQ(main->procedures().size(), 271u);
  EXPECT_EQ(main->procedures().back(), Pad("P0270", 10));
}

// ---- Editing, overwriting, removing ----------------------------------------

TEST_F(ProceditHost, EditingReordersAndBuildsDataStructures) {
  CatalogueFiles files;
  auto main = Main(files);
  DeclareTax(*main);
  main->ProcedureSelected(0);
  ASSERT_TRUE(main->editEnabled());
  // Move "Message" to the top (delete, insert before the first) and make
  // Rate part of the Amount data structure.
  procedureSteps.push_back([this](ProcedureDialogModel& p) {
    p.RowSelected(4);
    p.DeleteSelected();
    fieldEdits = {{"Message", kDirectionOut, true, "CHAR", 30},
                  {"Rate", kDirectionIn, false, "PACK", 3, 1}};
    p.RowSelected(0);
    p.InsertBefore();
    p.RowSelected(3);  // Rate
    p.ModifySelected();
    p.DescriptionTyped("Reordered");
  });
  main->EditClicked();
  ASSERT_TRUE(sink.Messages().empty()) << sink.Messages()[0].text;
  const Stored s = ReadStored("TAXPROC");
  EXPECT_EQ(s.header, HeaderImage("TAXPROC", "DEMO", "ADDTAX", 4, 5, "Reordered", 'P'));
  ASSERT_EQ(s.fields.size(), 5u);
  EXPECT_EQ(s.fields[0], FieldImage("TAXPROC", 0, 1, 2, 0, 30, 0, 0, 30, 0, 30, "Message"));
  EXPECT_EQ(s.fields[1], FieldImage("TAXPROC", 1, 2, 1, 0, 10, 0, 0, 10, 0, 10, "Code"));
  EXPECT_EQ(s.fields[2], FieldImage("TAXPROC", 2, 3, 1, 4, 8, 0, 3, 4, 2, 7, "Amount"));
  EXPECT_EQ(s.fields[3], FieldImage("TAXPROC", 3, 3, 1, 4, 8, 0, 3, 2, 1, 3, "Rate"));
  EXPECT_EQ(s.fields[4], FieldImage("TAXPROC", 4, 4, 2, 4, 8, 0, 3, 5, 2, 9, "Result"));
}

TEST_F(ProceditHost, SavingAsNewUnderAnExistingNameAsksFirst) {
  CatalogueFiles files;
  auto main = Main(files);
  DeclareTax(*main);
  const Stored before = ReadStored("TAXPROC");
  auto replacement = [this](ProcedureDialogModel& p) {
    p.NameTyped("TAXPROC");
    p.TargetTyped("UPPER");
    fieldEdits = {{"Text", kDirectionInOut, true, "CHAR", 40}};
    p.InsertAfter();
  };
  sink.SetAnswer(platform::Answer::kNo);
  procedureSteps.push_back(replacement);
  main->NewClicked();
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text, text::kAlreadyExists);
  const Stored kept = ReadStored("TAXPROC");
  EXPECT_EQ(kept.header, before.header);
  EXPECT_EQ(kept.fields, before.fields);

  sink.SetAnswer(platform::Answer::kYes);
  procedureSteps.push_back(replacement);
  main->NewClicked();
  const Stored replaced = ReadStored("TAXPROC");
  EXPECT_EQ(replaced.header, HeaderImage("TAXPROC", "", "UPPER", 1, 1, "", 'P'));
  ASSERT_EQ(replaced.fields.size(), 1u);
  EXPECT_EQ(replaced.fields[0], FieldImage("TAXPROC", 0, 1, 3, 0, 40, 0, 0, 40, 0, 40, "Text"));

  // Replaced by a procedure without fields: no field records stay.
  procedureSteps.push_back([](ProcedureDialogModel& p) {
    p.NameTyped("TAXPROC");
    p.TargetTyped("VANTORA/ANSWER");
  });
  main->NewClicked();
  const Stored empty = ReadStored("TAXPROC");
  EXPECT_EQ(empty.header, HeaderImage("TAXPROC", "VANTORA", "ANSWER", 0, 0, "", 'P'));
  EXPECT_TRUE(empty.fields.empty());
}

TEST_F(ProceditHost, AnEditSavedUnderAnotherExistingNameAsksFirst) {
  CatalogueFiles files;
  auto main = Main(files);
  DeclareTax(*main);
  procedureSteps.push_back([](ProcedureDialogModel& p) {
    p.NameTyped("OTHER");
    p.TargetTyped("UPPER");
  });
  main->NewClicked();
  ASSERT_EQ(main->procedures().size(), 2u);
  const Stored other = ReadStored("OTHER");
  // Edit TAXPROC and save it as OTHER: the overwrite question, answered No.
  main->ProcedureSelected(1);  // TAXPROC after OTHER
  ASSERT_EQ(main->procedures()[1], Pad("TAXPROC", 10));
  procedureSteps.push_back([](ProcedureDialogModel& p) { p.NameTyped("other"); });
  sink.SetAnswer(platform::Answer::kNo);
  main->EditClicked();
  EXPECT_EQ(ReadStored("OTHER").header, other.header);
  EXPECT_EQ(ReadStored("TAXPROC").fields.size(), 5u);
  // Saved under a new name: "not in the directory", Yes creates it and the
  // old one stays.
  sink.SetAnswer(platform::Answer::kYes);
  main->ProcedureSelected(1);
  procedureSteps.push_back([](ProcedureDialogModel& p) { p.NameTyped("TAXCOPY"); });
  main->EditClicked();
  EXPECT_EQ(ReadStored("TAXCOPY").fields.size(), 5u);
  EXPECT_EQ(sink.Messages().back().text, text::kNotInDirectory);
  EXPECT_TRUE(ReadStored("TAXPROC").found);
  // An edited procedure that was removed meanwhile: "not in the directory".
  ASSERT_EQ(main->procedures().size(), 3u);
  ASSERT_EQ(main->procedures()[2], Pad("TAXPROC", 10));
  main->ProcedureSelected(2);
  auto stale = main->OpenProcedure("TAXPROC");
  ASSERT_NE(stale, nullptr);
  sink.SetAnswer(platform::Answer::kYes);
  ASSERT_TRUE(main->Remove("TAXPROC"));
  sink.SetAnswer(platform::Answer::kNo);
  ASSERT_TRUE(stale->Ok());
  EXPECT_FALSE(main->Save(*stale, SaveMode::kExisting));
  EXPECT_FALSE(ReadStored("TAXPROC").found);
  sink.SetAnswer(platform::Answer::kYes);
  EXPECT_TRUE(main->Save(*stale, SaveMode::kExisting));
  EXPECT_EQ(ReadStored("TAXPROC").fields.size(), 5u);
}

TEST_F(ProceditHost, RemovingAsksThenDeletesHeaderAndFields) {
  CatalogueFiles files(Recording());
  auto main = Main(files);
  DeclareTax(*main);
  main->ProcedureSelected(0);
  ASSERT_TRUE(main->removeEnabled());
  sink.SetAnswer(platform::Answer::kNo);
  main->RemoveClicked();
  EXPECT_TRUE(ReadStored("TAXPROC").found);
  EXPECT_EQ(g_deletes, 0);
  sink.SetAnswer(platform::Answer::kYes);
  main->ProcedureSelected(0);
  main->RemoveClicked();
  const Stored gone = ReadStored("TAXPROC");
  EXPECT_FALSE(gone.found);
  EXPECT_TRUE(gone.fields.empty());
  EXPECT_EQ(g_deletes, 6);
  EXPECT_TRUE(main->procedures().empty());
  EXPECT_FALSE(main->editEnabled());
  const auto questions = sink.Messages();
  EXPECT_TRUE(std::none_of(questions.begin(), questions.end(),
                           [](const auto& m) { return m.kind == platform::MessageKind::kError; }));
}

// ---- Failures on purpose ---------------------------------------------------

TEST_F(ProceditHost, AFailedFieldDeleteStopsAndIsReported) {
  CatalogueFiles files(Recording());
  auto main = Main(files);
  DeclareTax(*main);
  g_failDeleteOf = 1;
  g_deletes = 0;
  sink.SetAnswer(platform::Answer::kYes);
  EXPECT_TRUE(main->Remove("TAXPROC"));  // the header went
  EXPECT_EQ(g_deletes, 2);               // the header, then one failing field delete
  ASSERT_FALSE(sink.Messages().empty());
  EXPECT_EQ(sink.Messages().back().text, text::kDeleteFailed);
}

// A write the host refuses (a record of the wrong length): the message says
// so, then gives the client library's sentence for it.
int32_t ShortWrite(int32_t h, const void* records, int32_t, int32_t options, int32_t* numbers) {
  return VNXWrite(h, records, 7, options, numbers);
}

TEST_F(ProceditHost, AFailedWriteIsReportedWithTheHostsReason) {
  RecordCalls calls;
  calls.write = ShortWrite;
  CatalogueFiles files(calls);
  auto main = Main(files);
  procedureSteps.push_back([](ProcedureDialogModel& p) {
    p.NameTyped("short");
    p.TargetTyped("demo/addtax");
  });
  main->NewClicked();
  ASSERT_FALSE(sink.Messages().empty());
  const std::string text = sink.Messages().back().text;
  const std::string first = std::string(text::kWriteFailed) + "\n";
  EXPECT_EQ(text.rfind(first, 0), 0u) << text;
  EXPECT_GT(text.size(), first.size()) << text;
  EXPECT_EQ(sink.Messages().back().kind, platform::MessageKind::kError);
}

TEST_F(ProceditHost, AFailedHeaderDeleteKeepsTheFields) {
  CatalogueFiles files(Recording());
  auto main = Main(files);
  DeclareTax(*main);
  g_failDeleteOf = 0;
  sink.SetAnswer(platform::Answer::kYes);
  EXPECT_FALSE(main->Remove("TAXPROC"));
  EXPECT_EQ(sink.Messages().back().text, text::kDeleteFailed);
  const Stored s = ReadStored("TAXPROC");
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.fields.size(), 5u);
  // Replacing it fails the same way before anything is written.
  procedureSteps.push_back([](ProcedureDialogModel& p) {
    p.NameTyped("TAXPROC");
    p.TargetTyped("UPPER");
  });
  main->NewClicked();
  EXPECT_EQ(sink.Messages().back().text, text::kDeleteFailed);
  EXPECT_EQ(ReadStored("TAXPROC").header, s.header);
  EXPECT_EQ(ReadStored("TAXPROC").fields.size(), 5u);
}

int32_t FailingOpenOfPrograms(const char* file, int32_t mode, int32_t option) {
  if (std::string(file) == "YPROCPGM") return -1;
  return VNXopen(file, mode, option);
}

TEST_F(ProceditHost, AFileThatDoesNotOpenDisablesNewEditAndRemove) {
  RecordCalls calls;
  calls.open = FailingOpenOfPrograms;
  CatalogueFiles files(calls);
  auto main = Main(files);
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text, text::kFilesNotOpened);
  EXPECT_FALSE(main->filesOpen());
  EXPECT_FALSE(main->newEnabled());
  EXPECT_FALSE(main->editEnabled());
  EXPECT_FALSE(main->removeEnabled());
  procedureSteps.push_back([](ProcedureDialogModel&) { FAIL() << "no dialog may open"; });
  main->NewClicked();
  EXPECT_EQ(procedureSteps.size(), 1u);
  EXPECT_TRUE(main->procedures().empty());
}

// The library field and --library: what is accepted, what is refused and
// why, and that a refusal leaves the catalogue shown as it was.
TEST_F(ProceditHost, UseLibraryOpensACatalogueOrSaysWhyNot) {
  const struct {
    const char* typed;
    bool opened;
    const char* library;  // the library field afterwards
    const char* message;  // the start of the one message; "" for none
  } cases[] = {
      {"demo", true, "DEMO", ""},
      {"  Demo  ", true, "DEMO", ""},
      {"VANTORA", true, "VANTORA", ""},
      {"", false, "", text::kLibraryName},
      {"   ", false, "", text::kLibraryName},
      {"A B", false, "", text::kLibraryName},
      {"ELEVENCHARS", false, "", text::kLibraryName},
      {"NOLIB", false, "",
       "The catalogue of library NOLIB cannot be shown: file NOLIB/YPROCHDR not found"},
      {"QGPL", false, "",
       "The catalogue of library QGPL cannot be shown: file QGPL/YPROCHDR not found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.typed + "\"");
    CatalogueFiles files;
    auto main = Main(files);
    ASSERT_TRUE(main->filesOpen());
    const size_t before = sink.Messages().size();
    EXPECT_EQ(main->UseLibrary(c.typed), c.opened);
    EXPECT_EQ(main->library(), c.library);
    EXPECT_TRUE(main->filesOpen());  // the new catalogue, or the one before
    if (*c.message == '\0') {
      EXPECT_EQ(sink.Messages().size(), before);
    } else {
      ASSERT_EQ(sink.Messages().size(), before + 1);
      const auto m = sink.Messages().back();
      EXPECT_EQ(m.kind, platform::MessageKind::kError);
      EXPECT_EQ(m.text.rfind(c.message, 0), 0u) << m.text;
    }
    if (c.opened && std::string(c.library) == "DEMO") {
      EXPECT_FALSE(main->procedures().empty());
    }
    main->Closing();
    ASSERT_EQ(Rsystem("CHGCURLIB CURLIB(*CRTDFT)"), 0);
  }
}

TEST_F(ProceditHost, AHeaderCountThatDisagreesWithTheRowsIsWarnedAbout) {
  CatalogueFiles files;
  auto main = Main(files);
  DeclareTax(*main);
  // Two field records go missing behind the header's back.
  int32_t parms = VNXopen("YPROCPARMS", 5, 0);
  const std::string key = Pad("TAXPROC", 10);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(VNXRead(parms, nullptr, 0, 0x06020000, key.data(), 10, nullptr), 1);
    ASSERT_EQ(Rdelete(parms), 1);
  }
  Rclose(parms);
  auto p = main->OpenProcedure("TAXPROC");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->rows().size(), 3u);
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_NE(sink.Messages()[0].text.find("announces 5 fields but 3 were read"), std::string::npos);
  EXPECT_EQ(sink.Messages()[0].kind, platform::MessageKind::kWarning);
  // A missing procedure: "Procedure not found, aborting process".
  EXPECT_EQ(main->OpenProcedure("NOSUCH"), nullptr);
  EXPECT_EQ(sink.Messages().back().text, text::kProcedureNotFound);
}

}  // namespace
}  // namespace vantora::procedit
