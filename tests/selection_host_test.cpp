// libMV432SLF.so through the real client library and the embedded host:
// the driver's hidden enumeration (a library of more than one block of
// entries), the procedure tool's program and data-queue picks, the reuse of
// a held list without host requests (counted with the host's request trace),
// both result conventions, the caller's session, and the exact exports.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "host/server/session/host.h"
#include "host/storage/field.h"
#include "mv432ida.h"
#include "mv432slf.h"
#include "platform/ui_sink.h"
#include "selection/dialog_runner.h"
#include "selection/selection_test_support.h"
#include "tests/support/embedded_host.h"

namespace vantora::testing {
namespace {

using selection::DialogRunner;
using selection::SelectionDialog;

std::string Pad(const std::string& s) {
  std::string out = s;
  out.resize(10, ' ');
  return out;
}

std::string Trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

using selection::testing::PlayedRunner;

class SelectionHost : public EmbeddedHostTest {
 protected:
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    selection::InstallSelectionUiSink(&sink);
  }
  void TearDown() override {
    selection::InstallDialogRunner(nullptr);
    selection::InstallSelectionUiSink(nullptr);
    EmbeddedHostTest::TearDown();
  }

  template <typename Work>
  void Prepare(Work work) {
    VNXTerminate();
    std::unique_ptr<host::Host> h;
    ASSERT_TRUE(host::Host::Open(dataDirectory_, {}, &h).ok());
    work(h->storage());
  }

  // The driver's calling order: every entry of `library`, by name.
  std::vector<std::string> DriverTableList(const char* library) {
    std::vector<std::string> names;
    VNXChoixLibFichierHideDialog();
    VNXChoixLibFichier("*CLEAR");
    if (VNXChoixLibFichier(library) != 1) return names;
    VNXChoixLibFichierHideDialog();
    EXPECT_EQ(VNXChoixLibFichier("*FIRST"), 1);
    char lib[10];
    char name[10];
    int32_t scratch = 7;
    int32_t answer;
    while ((answer = VNXChoixLibFichierData(lib, name, &scratch)) == 1) {
      EXPECT_EQ(std::string(lib, 10), Pad(library));
      EXPECT_EQ(scratch, 0);
      names.push_back(Trimmed(std::string(name, 10)));
    }
    EXPECT_EQ(answer, 0);
    return names;
  }

  // The requests the job sent while `work` ran, by name, from the host's
  // trace (the trace's own start and stop left out).
  std::vector<std::string> Requests(const std::function<void()>& work) {
    EXPECT_EQ(StartFile_Test("SLFTRACE/REQUESTS", 2), 1);
    work();
    EXPECT_EQ(VNXStopFile_Test(), 1);
    std::vector<std::string> ops;
    const int32_t h = Ropen("SLFTRACE/REQUESTS", "rr");
    EXPECT_GE(h, 0);
    EXPECT_EQ(Rselect(h, "_R_SELECT_", 1, "TROP      "), 24);
    char record[24];
    for (int32_t r = Rreadf(h, record, 24, 0); r == 1; r = Rreadn(h, record, 24, 0)) {
      std::string op = Trimmed(std::string(record, 24));
      if (op != "StartFile_Test" && op != "VNXStopFile_Test") ops.push_back(op);
    }
    Rclose(h);
    return ops;
  }

  // Clears the trace file for the next Requests().
  void ClearTrace() { EXPECT_EQ(Rsystem("CLRPFM SLFTRACE/REQUESTS"), 0); }

  platform::RecordingSink sink;
};

const std::vector<std::string> kLoadRequests = {"Ropen",   "VNXApiCall", "VNXApiCall", "VNXMapFile",
                                                "VNXRead", "VNXRead",    "VNXRead",    "Rclose"};

TEST_F(SelectionHost, DriverListsEachPhysicalFileOfALargeLibraryOnce) {
  Prepare([](host::Storage& storage) {
    auto& cat = storage.catalogue();
    ASSERT_TRUE(cat.CreateLibrary("MANY", "").ok());
    for (int i = 0; i < 300; ++i) {
      char name[11];
      std::snprintf(name, sizeof name, "F%04d", i);
      host::PhysicalFileDef file;
      file.name = {"MANY", name};
      file.fields = {host::CharField("X", 1)};
      file.text = "File " + std::to_string(i);
      ASSERT_TRUE(cat.CreatePhysicalFile(file).ok());
    }
    for (const char* name : {"F0001L", "F0150L"}) {
      host::LogicalFileDef lf;
      lf.name = {"MANY", name};
      lf.formats = {{"", {{"MANY", "F0001"}}, {}, {{"X", false}}}};
      ASSERT_TRUE(cat.CreateLogicalFile(lf).ok());
    }
    ASSERT_TRUE(cat.CreateDeviceFile({"MANY", "F0002D"}, "DSPF", "Screens").ok());
  });
  ASSERT_EQ(StartSession(), 1);
  std::vector<std::string> names;
  const auto requests = Requests([&] { names = DriverTableList("MANY"); });
  ASSERT_EQ(names.size(), 300u);
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 300u);
  EXPECT_EQ(names.front(), "F0000");
  EXPECT_EQ(names[277], "F0277");  // the first entry of the second block
  EXPECT_EQ(names.back(), "F0299");
  // 302 files and a display file in two blocked reads, then the end.
  EXPECT_EQ(requests, kLoadRequests);
  EXPECT_TRUE(sink.Messages().empty());
  // The enumeration ended hidden mode: a request now needs the dialog.
  EXPECT_EQ(VNXChoixLibFichier("MANY"), 2);
}

TEST_F(SelectionHost, HeldListIsReusedWithoutHostRequestsUntilCleared) {
  ASSERT_EQ(StartSession(), 1);
  ASSERT_EQ(Requests([] {
              VNXChoixLibFichierHideDialog();
              EXPECT_EQ(VNXChoixLibFichier("DEMO"), 1);
            }).size(),
            7u);  // one blocked read with entries, one at the end
  ClearTrace();
  EXPECT_TRUE(Requests([] {
                VNXChoixLibFichierHideDialog();
                EXPECT_EQ(VNXChoixLibFichier("DEMO"), 1);
                int32_t count = 0;
                EXPECT_EQ(VNXChoixLibFichierCount(&count), 1);
                EXPECT_EQ(count, 5);  // CUSTOMER, ORDERS, BENCH100, YPROCHDR, YPROCPARMS
              }).empty());
  ClearTrace();
  // The same library as programs is another list.
  EXPECT_EQ(Requests([] {
              VNXChoixLibFichierSetPgmMode(1);
              VNXChoixLibFichierHideDialog();
              EXPECT_EQ(VNXChoixLibFichier("DEMO"), 1);
            }).front(),
            "Ropen");
  ClearTrace();
  EXPECT_EQ(Requests([] {
              VNXChoixLibFichier("*CLEAR");
              VNXChoixLibFichierHideDialog();
              EXPECT_EQ(VNXChoixLibFichier("DEMO"), 1);
            }).size(),
            7u);
}

TEST_F(SelectionHost, ProcedureToolPicksAProgramAndADataQueue) {
  ASSERT_EQ(StartSession(), 1);
  struct Pick {
    int32_t mode;
    const char* name;
    std::vector<std::string> listed;
  } picks[] = {{1, "SUMBIN", {"ADDTAX", "SUMBIN", "UPPER"}}, {2, "PRICEQ", {"ORDERQ", "PRICEQ"}}};
  for (const Pick& p : picks) {
    PlayedRunner runner([&](SelectionDialog& d) {
      EXPECT_EQ(d.title(), "Program selection");
      d.LibraryTyped("demo");
      d.OpenClicked();
      std::vector<std::string> listed;
      std::vector<bool> choose;
      for (const std::string& e : d.entries()) {
        listed.push_back(Trimmed(e.substr(4, 10)));
        choose.push_back(listed.back() == p.name);
      }
      EXPECT_EQ(listed, p.listed);
      d.ListSelectionChanged(choose, 0);
      d.OkClicked();
    });
    selection::InstallDialogRunner(&runner);
    // The procedure header's two fields, with the bytes around them.
    char header[32];
    std::memset(header, '#', sizeof header);
    int32_t scratch = 1;
    EXPECT_EQ(VNXChoixLibFichier("*CLEAR"), 0);
    EXPECT_EQ(VNXChoixLibFichierSetPgmMode(p.mode), 0);
    ASSERT_EQ(VNXChoixLibFichier(nullptr), 1);
    EXPECT_EQ(VNXChoixLibFichierData(header + 1, header + 11, &scratch), 1);
    EXPECT_EQ(std::string(header, 22), "#" + Pad("DEMO") + Pad(p.name) + "#");
    EXPECT_EQ(scratch, 0);
    EXPECT_EQ(runner.runs, 1);
  }
}

TEST_F(SelectionHost, FileDialogShowsPhysicalAndLogicalFilesOnly) {
  Prepare([](host::Storage& storage) {
    ASSERT_TRUE(storage.catalogue().CreateLibrary("MIXED", "").ok());
    host::PhysicalFileDef pf;
    pf.name = {"MIXED", "ORDERS"};
    pf.fields = {host::CharField("X", 1)};
    ASSERT_TRUE(storage.catalogue().CreatePhysicalFile(pf).ok());
    host::LogicalFileDef lf;
    lf.name = {"MIXED", "ORDERSL"};
    lf.formats = {{"", {{"MIXED", "ORDERS"}}, {}, {{"X", false}}}};
    ASSERT_TRUE(storage.catalogue().CreateLogicalFile(lf).ok());
    ASSERT_TRUE(storage.catalogue().CreateDeviceFile({"MIXED", "ORDSCR"}, "DSPF", "").ok());
    ASSERT_TRUE(storage.catalogue().CreateDeviceFile({"MIXED", "ORDPRT"}, "PRTF", "").ok());
  });
  ASSERT_EQ(StartSession(), 1);
  std::vector<std::string> shown;
  PlayedRunner runner([&](SelectionDialog& d) {
    for (const std::string& e : d.entries()) shown.push_back(e.substr(0, 14));
    d.OkForAllClicked();
  });
  selection::InstallDialogRunner(&runner);
  ASSERT_EQ(VNXChoixLibFichier("MIXED"), 1);
  EXPECT_EQ(shown, (std::vector<std::string>{"PF \tORDERS    ", "LF \tORDERSL   "}));
  // The same through VNXSlf, and the display file with a prefix filter.
  shown.clear();
  ASSERT_EQ(VNXSlf("MIXED", "*FILE", "*FILE"), 0);
  EXPECT_EQ(shown.size(), 2u);
  shown.clear();
  ASSERT_EQ(VNXSlf("MIXED", "*FILE", "DSP"), 0);
  EXPECT_EQ(shown, (std::vector<std::string>{"DSP\tORDSCR    "}));
  char lib[10];
  char name[10];
  EXPECT_EQ(VNXSlfGetNextEntry(lib, name, nullptr), 0);
  EXPECT_EQ(std::string(name, 10), Pad("ORDSCR"));
  EXPECT_EQ(VNXSlfGetNextEntry(lib, name, nullptr), 1);
}

TEST_F(SelectionHost, LibrariesAreListedWithoutAnAttributeFilter) {
  ASSERT_EQ(StartSession(), 1);
  VNXSlfHide();
  ASSERT_EQ(VNXSlf("DEMO", "*LIB", "*LIB"), 0);
  std::set<std::string> libraries;
  char lib[10];
  char name[10];
  while (VNXSlfGetNextEntry(lib, name, nullptr) == 0) libraries.insert(Trimmed({name, 10}));
  for (const char* l : {"DEMO", "QGPL", "QSYS", "VANTORA"}) EXPECT_EQ(libraries.count(l), 1u) << l;
}

// Each call of both families before a request, after a confirmed one and
// after a cancelled one.
TEST_F(SelectionHost, BothResultConventions) {
  ASSERT_EQ(StartSession(), 1);
  char lib[10];
  char name[10];
  int32_t n = 0;
  // No request yet.
  EXPECT_EQ(VNXChoixLibFichierData(lib, name, &n), 3);
  EXPECT_EQ(VNXSlfGetNextEntry(lib, name, nullptr), 1);
  EXPECT_EQ(VNXChoixLibFichierCount(&n), 3);
  EXPECT_EQ(VNXSlfGetCount(&n), 1);
  EXPECT_EQ(VNXChoixLibFichier("*FIRST"), 0);
  EXPECT_EQ(VNXSlf("*FIRST", nullptr, nullptr), 0);
  // The setters and *CLEAR answer 0 in both families.
  EXPECT_EQ(VNXChoixLibFichierHideDialog(), 0);
  EXPECT_EQ(VNXSlfHide(), 0);
  EXPECT_EQ(VNXSlfDlgStyle(0), 0);
  EXPECT_EQ(VNXChoixLibFichierSetPgmMode(0), 0);
  EXPECT_EQ(VNXChoixLibFichier("*CLEAR"), 0);
  EXPECT_EQ(VNXSlf("*clear", nullptr, nullptr), 0);

  // Confirmed (hidden): 1 and 0.
  EXPECT_EQ(VNXSlf("DEMO", "*FILE", "PF"), 0);
  EXPECT_EQ(VNXChoixLibFichierCount(&n), 1);
  EXPECT_EQ(n, 5);  // BENCH100, CUSTOMER, ORDERS and the catalogue's YPROCHDR, YPROCPARMS
  EXPECT_EQ(VNXSlfGetCount(&n), 0);
  EXPECT_EQ(n, 5);
  EXPECT_EQ(VNXChoixLibFichierData(lib, name, &n), 1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(VNXSlfGetNextEntry(lib, name, nullptr), 0);
  EXPECT_EQ(VNXSlfGetNextEntry(lib, name, nullptr), 1);  // exhausted
  EXPECT_EQ(VNXChoixLibFichierData(lib, name, &n), 0);
  // "*FIRST" answers 1 in both families when it restarted.
  EXPECT_EQ(VNXChoixLibFichier("*FIRST"), 1);
  EXPECT_EQ(VNXSlf("*FIRST", nullptr, nullptr), 1);

  // Cancelled: no runner in this process, the dialog cannot be shown.
  EXPECT_EQ(VNXChoixLibFichier("DEMO"), 2);
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_NE(sink.Messages()[0].text.find("cannot be shown"), std::string::npos);
  EXPECT_EQ(VNXSlf("DEMO", "*FILE", ""), 1);
  EXPECT_EQ(VNXChoixLibFichierCount(&n), 2);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(VNXSlfGetCount(&n), 1);
  EXPECT_EQ(VNXChoixLibFichierData(lib, name, &n), 2);
  EXPECT_EQ(VNXSlfGetNextEntry(lib, name, nullptr), 1);
  EXPECT_EQ(VNXChoixLibFichier("*FIRST"), 0);
  EXPECT_EQ(VNXSlf("*FIRST", nullptr, nullptr), 0);
}

TEST_F(SelectionHost, NullArgumentsAnswerTheFamilysFailure) {
  ASSERT_EQ(StartSession(), 1);
  VNXChoixLibFichierHideDialog();
  ASSERT_EQ(VNXChoixLibFichier("DEMO"), 1);
  char lib[10];
  char name[10];
  int32_t n = 0;
  EXPECT_EQ(VNXChoixLibFichierData(nullptr, name, &n), 3);
  EXPECT_EQ(VNXChoixLibFichierData(lib, nullptr, &n), 3);
  EXPECT_EQ(VNXChoixLibFichierData(lib, name, nullptr), 3);
  EXPECT_EQ(VNXChoixLibFichierCount(nullptr), 3);
  EXPECT_EQ(VNXSlfGetNextEntry(nullptr, name, nullptr), 1);
  EXPECT_EQ(VNXSlfGetNextEntry(lib, nullptr, nullptr), 1);
  EXPECT_EQ(VNXSlfGetCount(nullptr), 1);
  EXPECT_EQ(VNXSlf("DEMO", nullptr, ""), 1);
  // None of them moved the enumeration.
  EXPECT_EQ(VNXChoixLibFichierData(lib, name, &n), 1);
  EXPECT_EQ(std::string(name, 10), Pad("BENCH100"));
}

TEST_F(SelectionHost, AnElevenCharacterLibraryIsRefusedBeforeAnyHostCall) {
  ASSERT_EQ(StartSession(), 1);
  EXPECT_TRUE(Requests([] {
                VNXChoixLibFichierHideDialog();
                EXPECT_EQ(VNXChoixLibFichier("ABCDEFGHIJK"), 2);
              }).empty());
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text, "Invalid library name");
}

TEST_F(SelectionHost, AMissingLibraryStopsTheLoadAndClosesTheFile) {
  ASSERT_EQ(StartSession(), 1);
  const auto requests = Requests([] {
    VNXChoixLibFichierHideDialog();
    EXPECT_EQ(VNXChoixLibFichier("NOLIB"), 2);
  });
  EXPECT_EQ(requests, (std::vector<std::string>{"Ropen", "VNXApiCall", "VNXApiCall", "Rclose"}));
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text, "Library not found");
  char lib[10];
  char name[10];
  int32_t n = 0;
  EXPECT_EQ(VNXChoixLibFichierData(lib, name, &n), 2);  // the driver falls back
}

// The library works in the session that is current and leaves it open: its
// user space is in that session's QTEMP, not in the other's.
TEST_F(SelectionHost, WorksInTheCallersCurrentSession) {
  ASSERT_EQ(OpenMultiSession(2), 1);
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(StartSession(), 1);
  ASSERT_EQ(VNXSession(1), 1);
  ASSERT_EQ(StartSession(), 1);
  VNXChoixLibFichierHideDialog();
  ASSERT_EQ(VNXChoixLibFichier("DEMO"), 1);
  EXPECT_EQ(VNXApiCall("QUSLOBJ", "QTEMP/QOBJLSTLIB", "OBJL0200", "DEMO/*ALL", "*FILE", "", "", ""),
            1);
  ASSERT_EQ(VNXSession(0), 0);
  EXPECT_EQ(VNXApiCall("QUSLOBJ", "QTEMP/QOBJLSTLIB", "OBJL0200", "DEMO/*ALL", "*FILE", "", "", ""),
            -1);
  ASSERT_EQ(VNXSession(1), 1);
  EXPECT_EQ(Rsystem("CHGJOB DATFMT(*YMD)"), 0);  // still open
  EXPECT_EQ(CloseMultiSession(), 1);
}

// The library exports the ten functions of its header and no other C name;
// the header declares exactly those.
TEST_F(SelectionHost, ExportsExactlyTheTenFunctions) {
  const std::set<std::string> ten = {"VNXChoixLibFichier",
                                     "VNXChoixLibFichierData",
                                     "VNXChoixLibFichierHideDialog",
                                     "VNXChoixLibFichierSetPgmMode",
                                     "VNXChoixLibFichierCount",
                                     "VNXSlf",
                                     "VNXSlfDlgStyle",
                                     "VNXSlfHide",
                                     "VNXSlfGetCount",
                                     "VNXSlfGetNextEntry"};
  std::ifstream header(MV432SLF_HEADER);
  ASSERT_TRUE(header.good());
  const std::string text((std::istreambuf_iterator<char>(header)), {});
  std::set<std::string> declared;
  const std::regex declaration(R"(MV432SLF_API\s+int32_t\s+(\w+)\s*\()");
  for (std::sregex_iterator it(text.begin(), text.end(), declaration), end; it != end; ++it) {
    declared.insert((*it)[1]);
  }
  EXPECT_EQ(declared, ten);

  FILE* nm = popen("nm -D --defined-only " MV432SLF_LIBRARY, "r");
  ASSERT_NE(nm, nullptr);
  std::set<std::string> exported;
  char line[512];
  while (std::fgets(line, sizeof line, nm) != nullptr) {
    char type = 0;
    char symbol[400] = {};
    if (std::sscanf(line, "%*s %c %399s", &type, symbol) != 2) continue;
    const std::string s = symbol;
    if (type != 'T' || s.starts_with("_Z") || s == "_init" || s == "_fini") continue;
    exported.insert(s);
  }
  ASSERT_EQ(pclose(nm), 0);
  EXPECT_EQ(exported, ten);
  void* library = dlopen(MV432SLF_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(library, nullptr);
  EXPECT_NE(dlsym(library, "_ZN7vantora9selection19InstallDialogRunnerEPNS0_12DialogRunnerE"),
            nullptr);
  dlclose(library);
}

}  // namespace
}  // namespace vantora::testing
