#include "tools/vantora-db/statement_reader.h"

#include <gtest/gtest.h>

namespace vantora::db {
namespace {

struct Expected {
  bool sql;
  std::string text;
  size_t line;
};

bool operator==(const Piece& p, const Expected& e) {
  return p.sql == e.sql && p.text == e.text && p.line == e.line;
}

TEST(StatementReader, CutsCommandsAndSqlStatements) {
  const struct {
    const char* text;
    std::vector<Expected> expected;
  } cases[] = {
      {"open DEMO; info", {{false, "open DEMO", 1}, {false, "info", 1}}},
      {"SELECT * FROM T", {{true, "SELECT * FROM T", 1}}},
      {"select a,\n  b\nfrom t;\ninfo", {{true, "select a,\n  b\nfrom t", 1}, {false, "info", 4}}},
      {"open DEMO\nSELECT 'a;b' -- c;d\n FROM T; close",
       {{false, "open DEMO", 1}, {true, "SELECT 'a;b' \n FROM T", 2}, {false, "close", 3}}},
      {"insert CUSTOMER CUSTNO=1", {{false, "insert CUSTOMER CUSTNO=1", 1}}},
      {"INSERT INTO T VALUES (1);", {{true, "INSERT INTO T VALUES (1)", 1}}},
      {"update T 1 A=2\nUPDATE T SET A = 2;",
       {{false, "update T 1 A=2", 1}, {true, "UPDATE T SET A = 2", 2}}},
      {"delete T 9\ndelete from T;", {{false, "delete T 9", 1}, {true, "delete from T", 2}}},
      {"commit\nCOMMIT WORK;", {{false, "commit", 1}, {true, "COMMIT WORK", 2}}},
      {"call P 1 2\nCALL P(1, 2);", {{false, "call P 1 2", 1}, {true, "CALL P(1, 2)", 2}}},
      {"drop index T I\nDROP INDEX I;", {{false, "drop index T I", 1}, {true, "DROP INDEX I", 2}}},
      {"create table N (ID INTEGER, KEY ID)\ncreate index T I F\nCREATE INDEX I ON T (F);",
       {{false, "create table N (ID INTEGER, KEY ID)", 1},
        {false, "create index T I F", 2},
        {true, "CREATE INDEX I ON T (F)", 3}}},
      {"CREATE TABLE N (\n ID INTEGER NOT NULL);",
       {{true, "CREATE TABLE N (\n ID INTEGER NOT NULL)", 1}}},
      {"CREATE TABLE N (ID INTEGER, A CHAR(2));\ncreate table M (B BOOLEAN)",
       {{true, "CREATE TABLE N (ID INTEGER, A CHAR(2))", 1},
        {false, "create table M (B BOOLEAN)", 2}}},
      {"CREATE TABLE N (ID INTEGER PRIMARY KEY);",
       {{true, "CREATE TABLE N (ID INTEGER PRIMARY KEY)", 1}}},
      {"# a comment\nWITH X AS (SELECT 1) SELECT * FROM X;",
       {{false, "# a comment", 1}, {true, "WITH X AS (SELECT 1) SELECT * FROM X", 2}}},
      {"sql \"SELECT 1\"", {{false, "sql \"SELECT 1\"", 1}}},
      {";;\n\n", {}},
      {"SELECT '--' -- x\n;", {{true, "SELECT '--'", 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ReadPiecesResult r = ReadPieces(c.text, true);
    EXPECT_FALSE(r.incomplete);
    ASSERT_EQ(r.pieces.size(), c.expected.size());
    for (size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_TRUE(r.pieces[i] == c.expected[i])
          << i << ": " << r.pieces[i].sql << " [" << r.pieces[i].text << "] " << r.pieces[i].line;
    }
  }
}

TEST(StatementReader, AStatementWithoutItsSemicolonWantsMoreUntilTheEnd) {
  const struct {
    const char* text;
    bool incomplete;
  } cases[] = {
      {"SELECT *\n", true},        {"SELECT *\nFROM T;\n", false}, {"open DEMO\n", false},
      {"SELECT ';'\n", true},      {"SELECT 1 -- ;\n", true},      {"info; SELECT\n", true},
      {"SELECT 1; info\n", false}, {"update T 1 A=;\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadPieces(c.text, false).incomplete, c.incomplete);
  }
  const ReadPiecesResult atEnd = ReadPieces("SELECT *\nFROM T\n", true);
  ASSERT_EQ(atEnd.pieces.size(), 1u);
  EXPECT_EQ(atEnd.pieces[0].text, "SELECT *\nFROM T");
}

}  // namespace
}  // namespace vantora::db
