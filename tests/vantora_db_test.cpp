// The shell vantora-db: its commands against the engine, the driver and the
// emulated host, and the program run with -c as a script would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/driver_engine.h"
#include "tests/support/file_text.h"
#include "tools/vantora-db/shell.h"

namespace vantora::testing {
namespace {

class VantoraDb : public DriverEngineTest {
 protected:
  struct Outcome {
    bool ok;
    std::string out;
    std::string err;
  };

  // Runs `line` in a shell of its own, with the output format `format`.
  Outcome RunShell(const std::string& line, db::OutputFormat format = db::OutputFormat::kTable,
                   bool withPrompt = false) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    db::ShellOptions options;
    options.format = format;
    options.out = out;
    options.err = err;
    if (withPrompt) {
      options.askPassword = [this](const std::string& prompt, std::string* password) {
        prompts_.push_back(prompt);
        *password = "secret";
        return true;
      };
    }
    bool ok;
    {
      db::Shell shell(options);
      ok = shell.Run(line);
    }
    return {ok, TakeFileText(out), TakeFileText(err)};
  }

  std::vector<std::string> prompts_;
};

TEST_F(VantoraDb, OpenInfoStatusClose) {
  const Outcome o = RunShell("open DEMO --transaction; info; status; close");
  EXPECT_TRUE(o.ok) << o.err;
  EXPECT_NE(o.out.find("opened DEMO (language driver DBWINUS0, code page 1252)\n"),
            std::string::npos)
      << o.out;
  EXPECT_NE(o.out.find("Morvalis400  Morvalis/400 the BDE driver to   3.0"), std::string::npos);
  EXPECT_NE(o.out.find("11  PACK    Packed number           0x2002"), std::string::npos);
  EXPECT_NE(o.out.find("0x0000  success"), std::string::npos);
  EXPECT_EQ(o.err, "");
}

TEST_F(VantoraDb, FailuresPrintTheStatusAndTheDriversTextAndStopTheScript) {
  const Outcome o = RunShell("open AS400:/ABCDEFGHIJKL/DEMO; info");
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.err,
            "error: The AS/400 system name ABCDEFGHIJKL is longer than 11 characters (0x2702)\n");
  EXPECT_EQ(o.out, "");  // info did not run
  const Outcome closed = RunShell("close");
  EXPECT_FALSE(closed.ok);
  EXPECT_EQ(closed.err, "error: no database is open (use open)\n");
  const Outcome unknown = RunShell("frobnicate");
  EXPECT_EQ(unknown.err, "error: no command frobnicate (try help)\n");
  const Outcome near = RunShell("brwose ORDERS");
  EXPECT_EQ(near.err, "error: no command brwose; did you mean browse? (try help)\n");
  const Outcome quote = RunShell("open 'DEMO");
  EXPECT_EQ(quote.err, "error: a quote (') opened at character 6 is not closed\n");
  const Outcome usage = RunShell("open --no-such-option");
  EXPECT_FALSE(usage.ok);
  EXPECT_NE(usage.err.find("open:"), std::string::npos);
}

TEST_F(VantoraDb, PasswordComesFromTheEnvironmentOrThePromptNeverTheCommandLine) {
  AddUser("ALICE", "SECRET");
  unsetenv("VANTORA_PASSWORD");
  const Outcome none = RunShell("open DEMO --user alice");
  EXPECT_FALSE(none.ok);
  EXPECT_EQ(none.err, "error: no password for alice: set VANTORA_PASSWORD or run in a terminal\n");
  const Outcome prompted = RunShell("open DEMO --user alice", db::OutputFormat::kTable, true);
  EXPECT_TRUE(prompted.ok) << prompted.err;
  EXPECT_EQ(prompts_, std::vector<std::string>{"Password for alice: "});
  setenv("VANTORA_PASSWORD", "wrong", 1);
  const Outcome wrong = RunShell("open DEMO --user alice", db::OutputFormat::kTable, true);
  unsetenv("VANTORA_PASSWORD");
  EXPECT_FALSE(wrong.ok);
  EXPECT_EQ(wrong.err, "error: password not correct for user ALICE (CPF22E2) (0x271E)\n");
  EXPECT_EQ(prompts_.size(), 1u);  // the environment was used
}

TEST_F(VantoraDb, CsvAndJsonForScripts) {
  const Outcome csv = RunShell("open DEMO", db::OutputFormat::kCsv);
  EXPECT_EQ(csv.out, "");  // open's message goes to the error stream
  EXPECT_EQ(csv.err, "opened DEMO (language driver DBWINUS0, code page 1252)\n");
  const Outcome json = RunShell("status", db::OutputFormat::kJson);
  EXPECT_EQ(json.out,
            "[\n{\"columns\": [\"status\", \"meaning\", \"message\", \"context\", "
            "\"native code\"], \"rows\": [{\"status\": \"0x0000\", \"meaning\": \"success\", "
            "\"message\": \"\", \"context\": \"\", \"native code\": \"\"}]}\n]\n");
}

TEST_F(VantoraDb, TheProgramRunsAScriptAndAnswersItsExitStatus) {
  const std::string program = VANTORA_DB_PATH;
  const std::string ini = (root_ / "MV400.INI").string();
  auto run = [&](const std::string& args) {
    const std::string command = "MV400_INI=" + ini + " " + program + " " + args + " 2>&1";
    std::FILE* p = popen(command.c_str(), "r");
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) text.append(buffer, n);
    const int status = pclose(p);
    return std::make_pair(WEXITSTATUS(status), text);
  };
  auto [ok, okText] = run("--csv -c 'open DEMO; close'");
  EXPECT_EQ(ok, 0) << okText;
  EXPECT_EQ(okText, "opened DEMO (language driver DBWINUS0, code page 1252)\n");
  auto [failed, failedText] = run("-c 'open AS400:/ABCDEFGHIJKL/X'");
  EXPECT_EQ(failed, 1);
  EXPECT_NE(failedText.find("(0x2702)"), std::string::npos);
  const auto script = root_ / "script.vdb";
  std::ofstream(script) << "# a comment\nopen DEMO\nstatus\n";
  auto [scripted, scriptText] = run("--json " + script.string());
  EXPECT_EQ(scripted, 0) << scriptText;
  EXPECT_NE(scriptText.find("\"status\": \"0x0000\""), std::string::npos) << scriptText;
  auto [fromStdin, stdinText] = run("< " + script.string());
  EXPECT_EQ(fromStdin, 0) << stdinText;
  auto [help, helpText] = run("--help");
  EXPECT_EQ(help, 0);
  EXPECT_NE(helpText.find("-c,--command"), std::string::npos);
}

TEST_F(VantoraDb, BrowseSeekCountAndChanges) {
  const Outcome browse =
      RunShell("open DEMO; browse ORDERS --index ORDERSBYC --from 1005 --to 1005 --limit 2",
               db::OutputFormat::kCsv);
  ASSERT_TRUE(browse.ok) << browse.err;
  EXPECT_NE(browse.out.find("ORDNO,CUSTNO,ORDDATE,AMOUNT,STATUS\r\n500142,1005,2020-02-19,"),
            std::string::npos)
      << browse.out;
  EXPECT_EQ(std::count(browse.out.begin(), browse.out.end(), '\n'), 1 + 2);
  const Outcome changes = RunShell(
      "open DEMO; insert CUSTOMER CUSTNO=9999 NAME='NEW ONE' OPENED=2024-02-29 PHONE=; "
      "update CUSTOMER 9999 CITY=NICE; seek CUSTOMER 9999; count CUSTOMER; "
      "delete CUSTOMER 9999; count CUSTOMER",
      db::OutputFormat::kCsv);
  ASSERT_TRUE(changes.ok) << changes.err;
  EXPECT_NE(changes.err.find("1 record inserted\n1 record updated\n"), std::string::npos);
  EXPECT_NE(changes.out.find("9999,NEW ONE,NICE,0.00,0.00,2024-02-29,\r\n"), std::string::npos)
      << changes.out;
  EXPECT_NE(changes.out.find("CUSTOMER,51\r\n"), std::string::npos);
  EXPECT_NE(changes.err.find("1 record deleted\n"), std::string::npos);
  EXPECT_NE(changes.out.find("CUSTOMER,50\r\n"), std::string::npos);
  const Outcome missing = RunShell("open DEMO; seek CUSTOMER 4711");
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.err, "error: record not found (0x2206)\n");
  const Outcome bad = RunShell("open DEMO; insert CUSTOMER CUSTNO");
  EXPECT_FALSE(bad.ok);
  EXPECT_NE(bad.err.find("'CUSTNO' is not FIELD=VALUE"), std::string::npos);
}

TEST_F(VantoraDb, FiltersSelectOnTheHost) {
  // One order in seven is closed.
  const Outcome o = RunShell(
      "open DEMO; count ORDERS --where \"STATUS = 'C'\"; "
      "count ORDERS --where \"STATUS = 'C' OR STATUS = 'S'\"; "
      "browse ORDERS --where \"STATUS = 'C'\" --all",
      db::OutputFormat::kCsv);
  ASSERT_TRUE(o.ok) << o.err;
  EXPECT_NE(o.out.find("ORDERS,28\r\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("ORDERS,85\r\n"), std::string::npos) << o.out;
  const size_t header = o.out.find("ORDNO,CUSTNO");
  ASSERT_NE(header, std::string::npos);
  const std::string rows = o.out.substr(header);
  EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 1 + 28);
  EXPECT_EQ(rows.find(",O\r\n"), std::string::npos);
  const Outcome kept = RunShell(
      "open DEMO; filter ORDERS \"STATUS = 'C'\"; count ORDERS; nofilter ORDERS; count ORDERS",
      db::OutputFormat::kCsv);
  ASSERT_TRUE(kept.ok) << kept.err;
  EXPECT_NE(kept.err.find("filter set on ORDERS\n"), std::string::npos) << kept.err;
  EXPECT_NE(kept.out.find("table,records\r\nORDERS,28\r\n"), std::string::npos) << kept.out;
  EXPECT_NE(kept.out.find("ORDERS,200\r\n"), std::string::npos) << kept.out;
  const Outcome bad = RunShell("open DEMO; browse ORDERS --where \"STATUS = \"");
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.err,
            "error: filter, character 10: the filter ends where a value is expected (0x3E05)\n");
}

TEST_F(VantoraDb, SqlTransactionsAndDefinitions) {
  const Outcome q = RunShell(
      "open DEMO; sql \"SELECT CUSTNO, NAME FROM CUSTOMER WHERE CUSTNO <= 1002 ORDER BY CUSTNO\"; "
      "sql \"SELECT COUNT(*) AS N FROM ORDERS WHERE STATUS = 'C'\"; "
      "sql \"UPDATE CUSTOMER SET CITY = ? WHERE CUSTNO = ?\" AIX 1001; "
      "sql \"SELECT CITY FROM CUSTOMER WHERE CUSTNO = ?\" 1001; "
      "sql \"UPDATE CUSTOMER SET PHONE = '' WHERE CUSTNO > 1045\"",
      db::OutputFormat::kCsv);
  ASSERT_TRUE(q.ok) << q.err;
  EXPECT_NE(q.out.find("CUSTNO,NAME\r\n1001,"), std::string::npos) << q.out;
  EXPECT_NE(q.out.find("\r\n1002,"), std::string::npos) << q.out;
  EXPECT_NE(q.out.find("N\r\n28\r\n"), std::string::npos) << q.out;
  EXPECT_NE(q.out.find("CITY\r\nAIX\r\n"), std::string::npos) << q.out;
  EXPECT_EQ(q.err,
            "opened DEMO (language driver DBWINUS0, code page 1252)\n1 row changed\n"
            "5 rows changed\n");
  const Outcome bad = RunShell("open DEMO; sql \"SELECT * FROM NOSUCH\"");
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.err, "error: SQL0204: NOSUCH not found (0x2E5D, native code -204)\n");

  const Outcome noCommit = RunShell("open DEMO; begin");
  EXPECT_FALSE(noCommit.ok);
  EXPECT_NE(noCommit.err.find("(0x2811)"), std::string::npos) << noCommit.err;
  const Outcome t = RunShell(
      "open DEMO --transaction; begin; insert CUSTOMER CUSTNO=9998 NAME=GONE; rollback; "
      "begin; insert CUSTOMER CUSTNO=9997 NAME=KEPT; commit; count CUSTOMER",
      db::OutputFormat::kCsv);
  ASSERT_TRUE(t.ok) << t.err;
  EXPECT_NE(t.err.find("rolled back\n"), std::string::npos) << t.out;
  EXPECT_NE(t.out.find("CUSTOMER,51\r\n"), std::string::npos) << t.out;

  const Outcome d = RunShell(
      "open DEMO; create table NOTES (ID INTEGER, TEXT CHAR(40), DAY DATE, PRICE DECIMAL(7,2), "
      "UNIQUE KEY ID); insert NOTES ID=1 TEXT=HELLO DAY=2026-12-08 PRICE=12.5; "
      "create index NOTES NOTESBYT TEXT --descending; indexes NOTES; browse NOTES --index "
      "NOTESBYT; "
      "drop index NOTES NOTESBYT",
      db::OutputFormat::kCsv);
  ASSERT_TRUE(d.ok) << d.err;
  EXPECT_NE(d.err.find("table NOTES created\n"), std::string::npos) << d.out;
  EXPECT_NE(d.err.find("index NOTESBYT created\n"), std::string::npos) << d.out;
  EXPECT_NE(d.out.find("NOTESBYT"), std::string::npos) << d.out;
  EXPECT_NE(d.out.find("1,HELLO,2026-12-08,12.50\r\n"), std::string::npos) << d.out;
  EXPECT_NE(d.err.find("index NOTESBYT deleted\n"), std::string::npos) << d.out;
  const Outcome badType = RunShell("open DEMO; create table T2 (A BLOB, KEY A)");
  EXPECT_FALSE(badType.ok);
  EXPECT_NE(badType.err.find("'BLOB' is no type"), std::string::npos) << badType.err;
}

TEST_F(VantoraDb, StoredProceduresListedAndCalled) {
  // The demo library declares its procedures in its own catalogue.
  const Outcome o = RunShell(
      "open DEMO; procs; params ADDNUMS; call ADDNUMS 40 2; call PROBE PING abc; call ANSWER",
      db::OutputFormat::kCsv);
  ASSERT_TRUE(o.ok) << o.err;
  EXPECT_NE(o.out.find("NAME\r\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("\r\nADDNUMS\r\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("\r\nNEWORDER\r\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("1,A,in,int32,4,0\r\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("3,SUM,out,int32,4,0\r\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("parameter,value\r\nSUM,42\r\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("AMOUNT,12345.67\r\nLABEL,<ABC>"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("NUMBER,42\r\nTEXT,THE ANSWER\r\n"), std::string::npos) << o.out;
  const Outcome few = RunShell("open DEMO; call ADDNUMS 40");
  EXPECT_FALSE(few.ok);
  EXPECT_NE(few.err.find("the procedure takes more input values"), std::string::npos) << few.err;
  const Outcome none = RunShell("open DEMO; call NOSUCH");
  EXPECT_FALSE(none.ok);
  EXPECT_NE(none.err.find("(0x2751)"), std::string::npos) << none.err;
}

TEST_F(VantoraDb, ListsOfTablesFieldsAndIndexes) {
  const Outcome o =
      RunShell("open !DEMO; tables; fields ORDERS; indexes ORDERS", db::OutputFormat::kCsv);
  ASSERT_TRUE(o.ok) << o.err;
  EXPECT_NE(o.out.find("table,type\r\nBENCH100,AS400\r\nCUSTOMER,AS400\r\nORDERS,AS400\r\n"),
            std::string::npos)
      << o.out;
  EXPECT_NE(o.out.find("3,ORDDATE,date,4,8,0,\r\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("DEMO/ORDERSBYC,1,,,\"CUSTNO, ORDDATE\"\r\n"), std::string::npos);
  // Read from the index dictionary, which keeps no descending flag.
  EXPECT_NE(o.out.find("DEMO/ORDERSBYD,2,,,ORDDATE\r\n"), std::string::npos) << o.out;
}

TEST_F(VantoraDb, CompletesCommandsOptionsAndTheDatabasesNames) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  db::ShellOptions options;
  options.out = out;
  options.err = err;
  db::Shell shell(options);
  auto has = [&](const std::string& line, const std::string& word) {
    const std::vector<std::string> words = shell.Completions(line, line.size());
    return std::find(words.begin(), words.end(), word) != words.end();
  };
  const struct {
    const char* line;
    const char* word;
    bool offered;
  } before[] = {
      {"", "browse", true},         {"", "\\dt", true},
      {"", "SELECT", true},         {"open ", "--transaction", true},
      {"browse ", "--limit", true}, {"browse ", "CUSTOMER", false},
  };
  for (const auto& c : before) EXPECT_EQ(has(c.line, c.word), c.offered) << c.line << c.word;
  ASSERT_TRUE(shell.Run("open !DEMO"));
  const struct {
    const char* line;
    const char* word;
    bool offered;
  } after[] = {
      {"browse ", "CUSTOMER", true},
      {"browse ORDERS ", "CUSTNO", true},
      {"SELECT * FROM ORDERS WHERE ", "ORDDATE", true},
      {"browse ORDERS --index ", "ORDERSBYC", true},
      {"browse ORDERS --index ", "CUSTOMER", false},
      {"call ", "ADDNUMS", true},
      {"info; browse ", "BENCH100", true},
  };
  for (const auto& c : after) EXPECT_EQ(has(c.line, c.word), c.offered) << c.line << c.word;
  std::fclose(out);
  std::fclose(err);
}

}  // namespace
}  // namespace vantora::testing
