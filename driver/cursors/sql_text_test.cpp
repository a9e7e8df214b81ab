// The statement texts the driver reads, adapts and writes.
#include "driver/cursors/sql_text.h"

#include <gtest/gtest.h>

#include "driver/cursors/definitions.h"

namespace vantora::driver {
namespace {

TEST(SqlText, TablesOfASelect) {
  const struct {
    const char* statement;
    int count;
    const char* names;
  } cases[] = {
      {"SELECT a.X FROM ORDERS a, CUST b WHERE a.C = b.C", 2, "ORDERS CUST "},
      {"SELECT * FROM ORDERS o ORDER BY ID", 1, "ORDERS "},
      {"  select * from ORDERS", 1, "ORDERS "},
      {"SELECT * FROM ORDERS,CUST", 2, "ORDERS CUST "},
      {"SELECT * FROM MYLIB/ORDERS GROUP BY X", 1, "MYLIB/ORDERS "},
      {"SELECT 'FROM X' FROM ORDERS", 1, "ORDERS "},
      {"SELECT \"A \"\"FROM\"\" B\" FROM T1", 1, "T1 "},
      {"SELECT 'FROM' X", 0, ""},
      {"UPDATE ORDERS SET A = 1", 0, ""},
      {"SELECTX FROM A", 0, ""},
      {"SELECT * FROM", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.statement);
    const TableList list = SelectTables(c.statement);
    EXPECT_EQ(list.count, c.count);
    EXPECT_EQ(list.names, c.names);
  }
}

TEST(SqlText, StatementsAdaptedToTheHost) {
  const struct {
    const char* text;
    const char* library;
    const char* adapted;
  } cases[] = {
      {"select * from orders", "MYLIB", "select * FROM MYLIB/orders"},
      {"SELECT A.X FROM MYLIB/A, B WHERE MYLIB/A.X = 1", "LIB2",
       "SELECT A.X FROM MYLIB/A, LIB2/B WHERE A.X = 1"},
      {"SELECT * FROM ORDERS\n  \t ", "", "SELECT * FROM ORDERS"},
      {"SELECT\tX\rFROM T", "", "SELECT X FROM T"},
      {"SELECT 'MYLIB/A.X' FROM T", "L", "SELECT 'MYLIB/A.X' FROM L/T"},
      {"SELECT X FROM T WHERE Y IN (SELECT Z FROM U)", "L",
       "SELECT X FROM L/T WHERE Y IN (SELECT Z FROM L/U)"},
      {"SELECT X FROM T ORDER BY X", "L", "SELECT X FROM L/T ORDER BY X"},
      {"SELECT X FROM T t1, U t2 GROUP BY X", "L", "SELECT X FROM L/T t1, L/U t2 GROUP BY X"},
      {"SELECT 4/2 FROM T", "", "SELECT 4/2 FROM T"},
      {"DELETE FROM T WHERE A = 'it''s'", "L", "DELETE FROM L/T WHERE A = 'it''s'"},
      {"SELECT NOM FROM CLIENTS WHERE VILLE = 'S\xC3\xA8te'", "",
       "SELECT NOM FROM CLIENTS WHERE VILLE = 'S\xC3\xA8te'"},
      {"SELECT X FROM (SELECT Y FROM T)", "L", "SELECT X FROM (SELECT Y FROM L/T)"},
      {"UPDATE T SET A = 'FROM X'", "L", "UPDATE L/T SET A = 'FROM X'"},
      {"update M/T set A = 1", "L", "UPDATE M/T set A = 1"},
      {"INSERT INTO T (A, B) VALUES (1, 2)", "L", "INSERT INTO L/T (A, B) VALUES (1, 2)"},
      {"INSERT INTO T SELECT * FROM U", "L", "INSERT INTO L/T SELECT * FROM L/U"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(AdaptStatement(c.text, c.library), c.adapted);
  }
  EXPECT_TRUE(IsSelect("  select * from t"));
  EXPECT_FALSE(IsSelect("SELECTED"));
  EXPECT_FALSE(IsSelect("INSERT INTO T SELECT * FROM U"));
}

TEST(SqlText, MarkersOutsideStringsTakeTheLiterals) {
  size_t used = 0;
  EXPECT_EQ(SubstituteMarkers("UPDATE T SET NAME = ? WHERE K = ?", {"'O''K'", "5"}, &used),
            "UPDATE T SET NAME = 'O''K' WHERE K = 5");
  EXPECT_EQ(used, 2u);
  EXPECT_EQ(SubstituteMarkers("UPDATE T SET A = '?' WHERE B = ?", {"1"}, &used),
            "UPDATE T SET A = '?' WHERE B = 1");
  EXPECT_EQ(used, 1u);
  EXPECT_EQ(SubstituteMarkers("SELECT ? , ?", {"1"}, &used), "SELECT 1 , ?");
  EXPECT_EQ(used, 1u);
}

TEST(SqlText, CountsAndGroups) {
  EXPECT_EQ(CountStatement("SELECT ID, NAME FROM TEST/TYPES WHERE ID > 5 FOR FETCH ONLY"),
            "SELECT COUNT(*) FROM TEST/TYPES WHERE ID > 5 FOR FETCH ONLY");
  EXPECT_EQ(CountStatement("select id from t"), "SELECT COUNT(*) from t");
  EXPECT_EQ(CountStatement("SELECT 1"), "");
  EXPECT_EQ(CountStatement("SELECT 'A FROM B' FROM T"), "SELECT COUNT(*) FROM T");
  EXPECT_EQ(CountStatement("SELECT * FROM T ORDER BY X FOR FETCH ONLY"),
            "SELECT COUNT(*) FROM T FOR FETCH ONLY");
  EXPECT_EQ(CountStatement("SELECT * FROM T WHERE A IN (SELECT B FROM U ORDER BY B) ORDER BY A"),
            "SELECT COUNT(*) FROM T WHERE A IN (SELECT B FROM U ORDER BY B)");
  EXPECT_EQ(CountMarkers("UPDATE T SET A = '?' WHERE B = ? AND C = ?"), 2u);
  EXPECT_TRUE(IsGrouped("SELECT CITY, COUNT(*) FROM T group by CITY"));
  EXPECT_FALSE(IsGrouped("SELECT CITY FROM T ORDER BY CITY"));
}

TEST(Definitions, IndexStatements) {
  EXPECT_EQ(CreateIndexStatement("MYLIB/ORDX1", "MYLIB/ORDERS", true, false, {"CUST", "DATE"}),
            "CREATE  UNIQUE  INDEX MYLIB/ORDX1 ON MYLIB/ORDERS (CUST ASC,DATE ASC)");
  EXPECT_EQ(CreateIndexStatement("L/X", "L/T", false, true, {"A"}),
            "CREATE  INDEX L/X ON L/T (A DESC)");
}

std::string Cols(const std::string& line, size_t first, size_t last) {
  return line.substr(first - 1, last - first + 1);
}

TEST(Definitions, TheDdsSourceOfATable) {
  std::vector<std::string> lines;
  std::string problem;
  ASSERT_TRUE(TableSource("CUST",
                          {{"ID", IDAPI_TYPE_INT32, 0, 0},
                           {"NAME", IDAPI_TYPE_STRING, 30, 0},
                           {"AMOUNT", IDAPI_NATIVE_PACKED, 7, 2},
                           {"RATE", IDAPI_TYPE_FLOAT, 0, 0},
                           {"DAY", IDAPI_TYPE_DATE, 0, 0},
                           {"SMALL", IDAPI_TYPE_INT16, 0, 0}},
                          {0}, true, &lines, &problem))
      << problem;
  ASSERT_EQ(lines.size(), 9u);
  for (const std::string& l : lines) EXPECT_EQ(l.size(), 80u);
  EXPECT_EQ(lines[0],
            std::string(5, ' ') + "*" + std::string(38, ' ') + "UNIQUE" + std::string(30, ' '));
  EXPECT_EQ(Cols(lines[1], 6, 6), "A");
  EXPECT_EQ(Cols(lines[1], 17, 17), "R");
  EXPECT_EQ(Cols(lines[1], 19, 28), "RCUST     ");
  EXPECT_EQ(Cols(lines[2], 19, 37), "ID             8B  ");
  EXPECT_EQ(Cols(lines[3], 19, 37), "NAME          30A  ");
  EXPECT_EQ(Cols(lines[4], 19, 37), "AMOUNT         9P 2");
  EXPECT_EQ(Cols(lines[5], 19, 37), "RATE          17F  ");
  EXPECT_EQ(Cols(lines[5], 45, 59), "FLTPCN(*DOUBLE)");
  EXPECT_EQ(Cols(lines[6], 19, 37), "DAY             L  ");
  EXPECT_EQ(Cols(lines[7], 19, 37), "SMALL          4B  ");
  ASSERT_TRUE(TableSource("CUST", {{"ID", IDAPI_TYPE_INT32, 0, 0}}, {0}, false, &lines, &problem));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], std::string(5, ' ') + "*" + std::string(74, ' '));
  EXPECT_EQ(Cols(lines[3], 1, 28), std::string(16, ' ') + "K ID        ");
}

TEST(Definitions, BooleansAndBytesAreCharacters) {
  std::vector<std::string> lines;
  std::string problem;
  ASSERT_TRUE(TableSource("T", {{"OK", IDAPI_TYPE_BOOL, 0, 0}, {"RAW", IDAPI_TYPE_BYTES, 6, 0}}, {},
                          false, &lines, &problem))
      << problem;
  EXPECT_EQ(Cols(lines[2], 19, 37), "OK             1A  ");
  EXPECT_EQ(Cols(lines[3], 19, 37), "RAW            6A  ");
}

TEST(Definitions, LongFieldNamesThatClash) {
  std::vector<std::string> lines;
  std::string problem;
  ASSERT_TRUE(TableSource("T",
                          {{"CUSTOMERNAME1", IDAPI_TYPE_STRING, 5, 0},
                           {"CUSTOMERNAME2", IDAPI_TYPE_STRING, 5, 0},
                           {"CUSTOMERNAME3", IDAPI_TYPE_STRING, 5, 0}},
                          {1}, false, &lines, &problem));
  EXPECT_EQ(Cols(lines[2], 19, 28), "CUSTOMERNA");
  EXPECT_EQ(Cols(lines[3], 19, 28), "CUSTOMER_A");
  EXPECT_EQ(Cols(lines[4], 19, 28), "CUSTOMER_B");
  EXPECT_EQ(Cols(lines[5], 19, 28), "CUSTOMER_A");  // the key line uses the written name
}

TEST(Definitions, WhatCannotBeDefined) {
  std::vector<std::string> lines;
  std::string problem;
  const struct {
    NewField field;
    const char* why;
  } cases[] = {
      {{"B", IDAPI_TYPE_RAW, 4, 0}, "DDS data type"},
      {{"B", IDAPI_TYPE_BYTES, 0, 0}, "DDS data type"},
      {{"N'X", IDAPI_TYPE_STRING, 4, 0}, "cannot stand in DDS"},
      {{"1X", IDAPI_TYPE_STRING, 4, 0}, "cannot stand in DDS"},
      {{"S", IDAPI_TYPE_STRING, 0, 0}, "DDS data type"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field.name);
    EXPECT_FALSE(TableSource("T", {c.field}, {}, false, &lines, &problem));
    EXPECT_NE(problem.find(c.why), std::string::npos) << problem;
  }
  EXPECT_FALSE(TableSource(
      "T", {{"ABCDEFGHIJ", IDAPI_TYPE_STRING, 1, 0}, {"ABCDEFGHIJ", IDAPI_TYPE_STRING, 1, 0}}, {},
      false, &lines, &problem));
  EXPECT_FALSE(TableSource("T", {{"A", IDAPI_TYPE_STRING, 1, 0}}, {3}, false, &lines, &problem));
}

}  // namespace
}  // namespace vantora::driver
