// procedit's command line against the embedded host: define, export,
// show, list and remove, the overwrite rule and the failures.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "mv432ida.h"
#include "tests/support/embedded_host.h"
#include "tools/procedit/command_line.h"
#include "tools/procedit/texts.h"

namespace vantora::procedit {
namespace {

constexpr char kProbe[] = R"({
  "name": "myprobe",
  "description": "Edge cases",
  "target": "VANTORA/PROBE",
  "kind": "program",
  "fields": [
    {"name": "Code", "usage": "in", "digits": 5},
    {"name": "Amount", "usage": "out", "asType": "PACK", "digits": 7, "decimals": 2},
    {"name": "Label", "usage": "inout", "digits": 10}
  ]
})";

class ProceditCommandLine : public vantora::testing::EmbeddedHostTest {
 protected:
  struct Outcome {
    int exit;
    std::string out;
    std::string err;
  };
  Outcome Run(std::vector<std::string> args, const std::string& input = "") {
    CommandLineOptions options;
    std::string error;
    if (!ParseCommandLine(args, &options, &error)) return {kExitUsage, "", error};
    std::istringstream in(input);
    std::ostringstream out, err;
    const int exit = RunCommandLine(options, in, out, err);
    return {exit, out.str(), err.str()};
  }
  std::string WriteFile(const std::string& name, const std::string& text) {
    const auto path = root_ / name;
    std::ofstream(path) << text;
    return path.string();
  }
};

TEST_F(ProceditCommandLine, DefineExportShowListRemove) {
  const std::string file = WriteFile("probe.json", kProbe);
  Outcome o = Run({"--define", file});
  ASSERT_EQ(o.exit, kExitOk) << o.err;
  EXPECT_EQ(o.out, "procedure MYPROBE defined, 3 fields\n");

  o = Run({"--export", "myprobe"});
  ASSERT_EQ(o.exit, kExitOk) << o.err;
  EXPECT_EQ(o.out,
            "{\n"
            "  \"description\": \"Edge cases\",\n"
            "  \"fields\": [\n"
            "    {\n"
            "      \"asType\": \"CHAR\",\n"
            "      \"decimals\": 0,\n"
            "      \"digits\": 5,\n"
            "      \"length\": 5,\n"
            "      \"name\": \"Code\",\n"
            "      \"pcDecimals\": 0,\n"
            "      \"pcType\": \"CHAR\",\n"
            "      \"startsParameter\": true,\n"
            "      \"usage\": \"in\"\n"
            "    },\n"
            "    {\n"
            "      \"asType\": \"PACK\",\n"
            "      \"decimals\": 2,\n"
            "      \"digits\": 7,\n"
            "      \"length\": 8,\n"
            "      \"name\": \"Amount\",\n"
            "      \"pcDecimals\": 0,\n"
            "      \"pcType\": \"DOUBLE\",\n"
            "      \"startsParameter\": true,\n"
            "      \"usage\": \"out\"\n"
            "    },\n"
            "    {\n"
            "      \"asType\": \"CHAR\",\n"
            "      \"decimals\": 0,\n"
            "      \"digits\": 10,\n"
            "      \"length\": 10,\n"
            "      \"name\": \"Label\",\n"
            "      \"pcDecimals\": 0,\n"
            "      \"pcType\": \"CHAR\",\n"
            "      \"startsParameter\": true,\n"
            "      \"usage\": \"inout\"\n"
            "    }\n"
            "  ],\n"
            "  \"kind\": \"program\",\n"
            "  \"name\": \"MYPROBE\",\n"
            "  \"target\": \"VANTORA/PROBE\"\n"
            "}\n");
  // What --export prints, --define reads back to the same procedure.
  const std::string exported = o.out;
  ASSERT_EQ(Run({"--define", "-", "--replace"}, exported).exit, kExitOk);
  EXPECT_EQ(Run({"--export", "MYPROBE"}).out, exported);

  o = Run({"--show", "MYPROBE"});
  ASSERT_EQ(o.exit, kExitOk) << o.err;
  EXPECT_EQ(o.out,
            "procedure:   MYPROBE\n"
            "description: Edge cases\n"
            "target:      VANTORA/PROBE (program)\n"
            "parameters:  3, fields: 3\n"
            "N°:\tName :\tI/O :\tAS Type, Len :\t\tPC Type, Len :\n"
            " 1\t Code      \t  I  \t CHAR\t  5:0\t(5)\t CHAR\t  5:0\t \n"
            " 2\t Amount    \t  O \t PACK\t  7:2\t(4)\t DOUBLE\t  8:0\t \n"
            " 3\t Label     \t I/O\t CHAR\t 10:0\t(10)\t CHAR\t 10:0\t \n");

  o = Run({"--list"});
  ASSERT_EQ(o.exit, kExitOk) << o.err;
  EXPECT_EQ(o.out, "MYPROBE\tVANTORA/PROBE\tprogram\tEdge cases\n");

  o = Run({"--remove", "myprobe"});
  ASSERT_EQ(o.exit, kExitOk) << o.err;
  EXPECT_EQ(o.out, "procedure MYPROBE removed\n");
  EXPECT_EQ(Run({"--list"}).out, "");
  o = Run({"--remove", "MYPROBE"});
  EXPECT_EQ(o.exit, kExitFailed);
  EXPECT_EQ(o.err, "procedit: no procedure MYPROBE\n");
}

TEST_F(ProceditCommandLine, AnExistingProcedureIsKeptWithoutReplace) {
  const std::string file = WriteFile("probe.json", kProbe);
  ASSERT_EQ(Run({"--define", file}).exit, kExitOk);
  const std::string other = WriteFile(
      "other.json", R"({"name": "MYPROBE", "target": "UPPER", "fields": [{"name": "T"}]})");
  Outcome o = Run({"--define", other});
  EXPECT_EQ(o.exit, kExitFailed);
  EXPECT_EQ(o.err, "procedit: MYPROBE exists; --replace overwrites it\n");
  EXPECT_NE(Run({"--show", "MYPROBE"}).out.find("VANTORA/PROBE"), std::string::npos);
  o = Run({"--define", other, "--replace"});
  ASSERT_EQ(o.exit, kExitOk) << o.err;
  EXPECT_EQ(o.out, "procedure MYPROBE defined, 1 fields\n");
  EXPECT_NE(Run({"--show", "MYPROBE"}).out.find("target:      UPPER (program)"), std::string::npos);
}

TEST_F(ProceditCommandLine, Failures) {
  struct Case {
    std::vector<std::string> args;
    std::string input;
    int exit;
    std::string err;  // a part of the messages
  } cases[] = {
      {{"--show", "NOSUCH"}, "", kExitFailed, text::kProcedureNotFound},
      {{"--export", "NOSUCH"}, "", kExitFailed, text::kProcedureNotFound},
      {{"--define", "-"}, "{", kExitFailed, "not a JSON text"},
      {{"--define", "-"},
       R"({"name": "ELEVENCHARS", "target": "P"})",
       kExitFailed,
       text::kNameTooLong},
      {{"--define", "-"},
       R"({"name": "A", "target": "LIB/"})",
       kExitFailed,
       text::kNeedProgramName},
      {{"--define", "-"},
       R"({"name": "A", "target": "LONGLIBRARY/P"})",
       kExitFailed,
       text::kTargetTooLong},
      {{"--define", "/no/such/file.json"}, "", kExitFailed, "cannot read /no/such/file.json"},
      {{"--library", "NOLIB", "--list"},
       "",
       kExitFailed,
       "procedit: The catalogue of library NOLIB cannot be shown: file NOLIB/YPROCHDR not found"},
      // QGPL exists but holds no catalogue.
      {{"--library", "QGPL", "--list"},
       "",
       kExitFailed,
       "procedit: The catalogue of library QGPL cannot be shown: file QGPL/YPROCHDR not found"},
      {{"--library", "A B", "--list"}, "", kExitFailed, text::kLibraryName},
      {{"--list", "--remove", "X"}, "", kExitUsage, "only one of"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    Outcome o = Run(c.args, c.input);
    EXPECT_EQ(o.exit, c.exit);
    EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
  }
  EXPECT_EQ(Run({"--list"}).out, "");  // nothing was written
}

TEST_F(ProceditCommandLine, TheDemoLibrary) {
  Outcome o = Run({"--library", "demo", "--list"});
  ASSERT_EQ(o.exit, kExitOk) << o.err;
  EXPECT_NE(o.out.find("NEWORDER\tDEMO/ORDERQ\tdata queue\t"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("ANSWER\tVANTORA/ANSWER\tprogram\t"), std::string::npos);
  o = Run({"--library", "DEMO", "--show", "NEWORDER"});
  EXPECT_NE(o.out.find("parameters:  1, fields: 3"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("  \t Qty       \t  I  \t ZONED\t  5:0\t(5)\t DOUBLE\t  8:0\t "),
            std::string::npos)
      << o.out;
  // The working library without --library is the job's own: VANTORA's empty one.
  EXPECT_EQ(Run({"--list"}).out, "");
}

TEST_F(ProceditCommandLine, NoSession) {
  VNXTerminate();
  std::ofstream(root_ / "MV400.INI")
      << "[General]\nNetwork=tcp\nLocation=127.0.0.1:1\n[Tcp]\nConnectTimeout=2\n";
  Outcome o = Run({"--list"});
  EXPECT_EQ(o.exit, kExitFailed);
  EXPECT_NE(o.err.find("procedit: No Session available ("), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("): cannot connect to 127.0.0.1:1: "), std::string::npos) << o.err;
}

}  // namespace
}  // namespace vantora::procedit
