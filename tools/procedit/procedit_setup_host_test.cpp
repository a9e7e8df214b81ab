// procedit against the emulated host: Browse through the selection
// library, the start-up, the demo library's procedures and the catalogue's
// documented CL sequence.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "selection/dialog_runner.h"
#include "tools/procedit/procedit_host_fixture.h"
#include "tools/procedit/startup.h"
#include "tools/procedit/texts.h"

namespace vantora::procedit {
namespace {

using namespace vantora::procedit::testing;

// ---- Browse through the selection library ----------------------------------

class ScriptedSelection : public selection::DialogRunner {
 public:
  // Picks `name` in library DEMO; an empty name confirms with nothing picked.
  explicit ScriptedSelection(std::string name, bool confirm = true)
      : name_(std::move(name)), confirm_(confirm) {}
  int Run(selection::SelectionDialog& d) override {
    ++runs;
    d.Opening();
    d.LibraryTyped("DEMO");
    d.LibraryEnter();
    std::vector<bool> chosen(d.entries().size(), false);
    int caret = -1;
    for (size_t i = 0; i < d.entries().size(); ++i) {
      const std::string& line = d.entries()[i];
      if (!name_.empty() && line.find("\t" + name_ + " ") != std::string::npos) {
        chosen[i] = true;
        caret = static_cast<int>(i);
      }
    }
    d.ListSelectionChanged(chosen, caret);
    if (confirm_) {
      d.OkClicked();
    } else {
      d.CancelClicked();
    }
    return d.result();
  }
  int runs = 0;

 private:
  std::string name_;
  bool confirm_;
};

TEST_F(ProceditHost, BrowseTakesOnlyAChosenName) {
  ProcedureDialogModel p(sink, nullptr);
  p.TargetTyped("KEEP/ME");
  {
    ScriptedSelection cancel("ADDTAX", false);
    selection::InstallDialogRunner(&cancel);
    p.Browse();
    EXPECT_EQ(cancel.runs, 1);
    EXPECT_EQ(p.targetText(), "KEEP/ME");
  }
  {
    ScriptedSelection none("");
    selection::InstallDialogRunner(&none);
    p.Browse();
    EXPECT_EQ(p.targetText(), "KEEP/ME");  // not blanked
    EXPECT_EQ(p.header().programName, Pad("ME", 10));
  }
  {
    ScriptedSelection pick("ADDTAX");
    selection::InstallDialogRunner(&pick);
    p.Browse();
    EXPECT_EQ(p.targetText(), "DEMO/ADDTAX");
    EXPECT_EQ(p.header().programLibrary, Pad("DEMO", 10));
  }
  {
    ScriptedSelection queue("ORDERQ");
    selection::InstallDialogRunner(&queue);
    p.KindChosen(TargetKind::kDataQueue);
    p.Browse();
    EXPECT_EQ(p.targetText(), "DEMO/ORDERQ");
    EXPECT_EQ(p.header().targetKind, 'Q');
  }
  selection::InstallDialogRunner(nullptr);
}

// ---- Start-up --------------------------------------------------------------

class RecordingStartup : public StartupView {
 public:
  void ShowWaiting() override { steps += "show "; }
  void HideWaiting() override { steps += "hide "; }
  void RunMainDialog() override {
    steps += "main ";
    sessionDuringDialog = StartSession() == 1;
  }
  std::string steps;
  bool sessionDuringDialog = false;
};

TEST_F(ProceditHost, StartUpShowsTheWaitingWindowThenTheMainDialog) {
  VNXTerminate();
  RecordingStartup view;
  EXPECT_EQ(RunProcedit(view, sink), 0);
  EXPECT_EQ(view.steps, "show hide main ");
  EXPECT_TRUE(view.sessionDuringDialog);
  EXPECT_TRUE(sink.Messages().empty());
  const WindowPlace place = CentredOnScreen(1920, 1080, 300, 100);
  EXPECT_EQ(place.left, 810);
  EXPECT_EQ(place.top, 490);
}

TEST_F(ProceditHost, WithoutASessionTheProgramEnds) {
  VNXTerminate();
  // A transport that loads but finds no server (nothing listens on port 1).
  std::ofstream(root_ / "MV400.INI")
      << "[General]\nNetwork=tcp\nLocation=127.0.0.1:1\n[Tcp]\nConnectTimeout=2\n";
  RecordingStartup view;
  EXPECT_EQ(RunProcedit(view, sink), 1);
  EXPECT_EQ(view.steps, "show hide ");
  // Once, as an error, with the client library's sentence after it.
  ASSERT_EQ(sink.Messages().size(), 1u);
  const auto m = sink.Messages()[0];
  EXPECT_EQ(m.title, text::kNoSessionTitle);
  EXPECT_EQ(m.kind, platform::MessageKind::kError);
  EXPECT_EQ(m.text.rfind(std::string(text::kNoSession) + "\ncannot connect to 127.0.0.1:1: ", 0),
            0u)
      << m.text;
}

// ---- The demo library's procedures -----------------------------------------

TEST_F(ProceditHost, TheDemoLibraryDeclaresProceduresToCall) {
  ASSERT_EQ(Rsystem("CHGCURLIB CURLIB(DEMO)"), 0);
  CatalogueFiles files;
  auto main = Main(files);
  std::vector<std::string> names;
  for (const auto& n : main->procedures()) names.push_back(TrimRight(n));
  EXPECT_EQ(names, (std::vector<std::string>{"ADDNUMS", "ANSWER", "NEWORDER", "PROBE", "SHOUT",
                                             "TAXCALC"}));
  auto probe = main->OpenProcedure("PROBE");
  ASSERT_NE(probe, nullptr);
  ASSERT_TRUE(sink.Messages().empty());
  EXPECT_EQ(probe->rowTexts(), (std::vector<std::string>{
                                   " 1\t Code      \t  I  \t CHAR\t  5:0\t(5)\t CHAR\t  5:0\t ",
                                   " 2\t Amount    \t  O \t PACK\t  7:2\t(4)\t DOUBLE\t  8:0\t ",
                                   " 3\t Label     \t I/O\t CHAR\t 10:0\t(10)\t CHAR\t 10:0\t "}));
  auto order = main->OpenProcedure("NEWORDER");
  ASSERT_NE(order, nullptr);
  EXPECT_EQ(order->kind(), TargetKind::kDataQueue);
  EXPECT_EQ(order->header().parameterCount, 1);  // one data structure
  EXPECT_EQ(order->rows().size(), 3u);
  main->Closing();

  // PROBE called as a program file: the input parameters are the key.
  int32_t h = VNXopen("*PGM/PROBE", 5, -1);
  ASSERT_GE(h, 0);
  std::vector<uint8_t> out(19);
  const std::string input = "PING hello     ";
  ASSERT_EQ(VNXRead(h, out.data(), 19, VNX_READ_KEY_EQ, input.data(), 15, nullptr), 1);
  EXPECT_EQ(std::memcmp(out.data() + 5, "\x12\x34\x56\x7C", 4), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out.data()) + 9, 10), "<HELLO>   ");
  const std::string wrong = "PONG hello     ";
  EXPECT_EQ(VNXRead(h, out.data(), 19, VNX_READ_KEY_EQ, wrong.data(), 15, nullptr), -1);
  Rclose(h);
  h = VNXopen("*PGM/ANSWER", 5, -1);
  ASSERT_GE(h, 0);
  std::vector<uint8_t> answer(24);
  ASSERT_EQ(VNXRead(h, answer.data(), 24, VNX_READ_KEY_EQ, "", 0, nullptr), 1);
  EXPECT_EQ(wire::LoadBe32(answer.data()), 42u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(answer.data()) + 4, 20), Pad("THE ANSWER", 20));
  Rclose(h);
  // The others over the sample programs: TAXCALC (100.00 plus 20.0 %),
  // SHOUT and ADDNUMS (2 + 40, big-endian as the host's BIN4).
  const struct {
    const char* name;
    std::string input;
    int32_t length;
    size_t at;
    std::string answer;
  } calls[] = {
      {"TAXCALC", std::string("CUST001   \x00\x10\x00\x0C\x20\x0C", 16), 51, 16,
       std::string("\x00\x00\x12\x00\x0C", 5)},
      {"SHOUT", Pad("quiet", 40), 40, 0, Pad("QUIET", 40)},
      {"ADDNUMS", std::string("\x00\x00\x00\x02\x00\x00\x00\x28", 8), 12, 8,
       std::string("\x00\x00\x00\x2A", 4)},
  };
  for (const auto& c : calls) {
    SCOPED_TRACE(c.name);
    h = VNXopen((std::string("*PGM/") + c.name).c_str(), 5, -1);
    ASSERT_GE(h, 0);
    std::vector<uint8_t> record(static_cast<size_t>(c.length));
    ASSERT_EQ(VNXRead(h, record.data(), c.length, VNX_READ_KEY_EQ, c.input.data(),
                      static_cast<int32_t>(c.input.size()), nullptr),
              1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record.data()) + c.at, c.answer.size()),
              c.answer);
    Rclose(h);
  }
  // NEWORDER sends its one data structure as an entry of DEMO/ORDERQ.
  int32_t queue = VNXLinkDataQueue(Pad("ORDERQ", 10).c_str(), Pad("DEMO", 10).c_str(), 0, 0,
                                   Pad("*FIFO", 10).c_str());
  ASSERT_GT(queue, 0);
  h = VNXopen("*PGM/NEWORDER", 5, -1);
  ASSERT_GE(h, 0);
  const std::string entryText = "ORD00001WIDGET    \xF0\xF0\xF0\xF1\xF2";
  std::vector<uint8_t> sent(23);
  ASSERT_EQ(VNXRead(h, sent.data(), 23, VNX_READ_KEY_EQ, entryText.data(), 23, nullptr), 1);
  Rclose(h);
  char entry[64] = {};
  ASSERT_EQ(VNXReceiveDataQueue(queue, entry, sizeof entry, 0, nullptr, nullptr, 0), 23);
  EXPECT_EQ(std::string(entry, 18), "ORD00001WIDGET    ");
}

// ---- The documented CL sequence --------------------------------------------

// The blocks of one kind ("```dds", "```cl") of the catalogue's page, in order.
std::vector<std::vector<std::string>> Blocks(const std::string& kind) {
  std::ifstream in(PROCEDURE_CATALOGUE_DOC);
  std::vector<std::vector<std::string>> blocks;
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (!inside && line == "```" + kind) {
      inside = true;
      blocks.emplace_back();
    } else if (inside && line == "```") {
      inside = false;
    } else if (inside) {
      blocks.back().push_back(line);
    }
  }
  return blocks;
}

TEST_F(ProceditHost, TheDocumentedClSequenceCreatesAWorkingCatalogue) {
  ASSERT_EQ(Rsystem("CRTLIB LIB(SALES)"), 0);
  const auto dds = Blocks("dds");
  const auto cl = Blocks("cl");
  ASSERT_EQ(dds.size(), 3u);
  ASSERT_EQ(cl.size(), 1u);
  const char* members[] = {"YPROCHDR", "YPROCPARMS", "YPROCPGM"};
  std::vector<std::string> commands;
  for (std::string c : cl[0]) {
    for (size_t at; (at = c.find("MYLIB")) != std::string::npos;) c.replace(at, 5, "SALES");
    if (!c.empty()) commands.push_back(c);
  }
  ASSERT_GE(commands.size(), 4u);
  // The source file first, then the members, then the files.
  ASSERT_EQ(commands[0].rfind("CRTSRCPF", 0), 0u) << commands[0];
  ASSERT_EQ(Rsystem(commands[0].c_str()), 0) << commands[0];
  for (int i = 0; i < 3; ++i) {
    std::string lines;
    for (const auto& l : dds[i]) lines += Pad(l, 80);
    const std::string target = std::string("SALES/QDDSSRC(") + members[i] + ")";
    ASSERT_EQ(RCreatDDS(target.c_str(), static_cast<int32_t>(dds[i].size()), lines.c_str(), 0), 1)
        << target;
  }
  for (size_t i = 1; i < commands.size(); ++i) {
    ASSERT_EQ(Rsystem(commands[i].c_str()), 0) << commands[i];
  }
  for (const char* m : members) {
    int32_t h = VNXopen((std::string("SALES/") + m).c_str(), 1, 0);
    ASSERT_GE(h, 0) << m;
    EXPECT_EQ(Rlength(h), std::string(m) == "YPROCPARMS" ? 40 : 118) << m;
    Rclose(h);
  }
  // procedit works on it once SALES is the working library.
  ASSERT_EQ(Rsystem("CHGCURLIB CURLIB(SALES)"), 0);
  CatalogueFiles files;
  auto main = Main(files);
  DeclareTax(*main);
  DeclareTax(*main);  // asked (No by default): nothing changes
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text, text::kAlreadyExists);
  int32_t h = VNXopen("SALES/YPROCPARMS", 1, 0);
  std::vector<uint8_t> block(6 * 40);
  const std::string key = Pad("TAXPROC", 10);
  EXPECT_EQ(VNXRead(h, block.data(), 40, 0x06090006, key.data(), 10, nullptr), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(wire::LoadLeI16(block.data() + i * 40 + 10), i);
  Rclose(h);
  main->ProgramModeClicked();
  EXPECT_EQ(main->programs(), (std::vector<std::string>{"DEMO/ADDTAX"}));
}

}  // namespace
}  // namespace vantora::procedit
