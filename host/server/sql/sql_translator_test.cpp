// The translator on its own, with a fixed catalogue: DEMO/ORDERS,
// DEMO/CUSTOMER and LIB2/B exist; the library list is DEMO, LIB2.
#include "host/server/sql/sql_translator.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "host/server/sql/sql_tokens.h"

namespace vantora::host::sql {
namespace {

bool Resolve(const std::string& library, const std::string& file, ObjectName* found) {
  const std::vector<ObjectName> files = {{"DEMO", "ORDERS"}, {"DEMO", "CUSTOMER"}, {"LIB2", "B"}};
  for (const auto& f : files) {
    if ((library.empty() || library == f.library) && file == f.name) {
      *found = f;
      return true;
    }
  }
  return false;
}

struct Case {
  const char* text;
  StatementKind kind;
  const char* sql;  // for codes of 0
  int32_t code;
  const char* token;  // replacement text of an error
};

TEST(SqlTranslator, Shapes) {
  const Case cases[] = {
      {"select * FROM DEMO/orders FOR FETCH ONLY", StatementKind::kQuery,
       "select * FROM \"DEMO/ORDERS\"", 0, ""},
      {"SELECT COUNT(*) FROM orders", StatementKind::kQuery, "SELECT COUNT(*) FROM \"DEMO/ORDERS\"",
       0, ""},
      {"SELECT A.X FROM DEMO/ORDERS A, B WHERE DEMO/ORDERS.X = 1 for read only",
       StatementKind::kQuery,
       "SELECT A.X FROM \"DEMO/ORDERS\" A, \"LIB2/B\" WHERE \"DEMO/ORDERS\".X = 1", 0, ""},
      {"SELECT QTY/PRICE FROM ORDERS", StatementKind::kQuery,
       "SELECT QTY/PRICE FROM \"DEMO/ORDERS\"", 0, ""},
      {"INSERT INTO DEMO/CUSTOMER (NAME) VALUES ('FROM X/Y  ')", StatementKind::kInsert,
       "INSERT INTO \"DEMO/CUSTOMER\" (NAME) VALUES ('FROM X/Y  ')", 0, ""},
      {"UPDATE CUSTOMER SET NAME = 'it''s' WHERE \"NAME\" = 'A'", StatementKind::kUpdate,
       "UPDATE \"DEMO/CUSTOMER\" SET NAME = 'it''s' WHERE \"NAME\" = 'A'", 0, ""},
      {"DELETE FROM YIDXR0100 WHERE PFLIB='X'", StatementKind::kDelete, "", -204, "YIDXR0100"},
      {"DELETE FROM ORDERS WHERE K IN (SELECT K FROM (B JOIN CUSTOMER))", StatementKind::kDelete,
       "DELETE FROM \"DEMO/ORDERS\" WHERE K IN (SELECT K FROM (\"LIB2/B\" JOIN "
       "\"DEMO/CUSTOMER\"))",
       0, ""},
      {" COMMIT HOLD", StatementKind::kCommit, "", 0, ""},
      {" ROLLBACK HOLD", StatementKind::kRollback, "", 0, ""},
      {"SET TRANSACTION ISOLATION LEVEL CS", StatementKind::kSetTransaction, "", 0, ""},
      {"SELECT * FROM LIB2/ORDERS", StatementKind::kQuery, "", -204, "ORDERS"},
      {"SELECT * FROM DEMO / ORDERS", StatementKind::kQuery, "", -204, "DEMO"},
      {"SELECT * FROM", StatementKind::kQuery, "", -104, "FROM"},
      {"SELECT * FROM ORDERS FETCH FIRST 5 ROWS ONLY", StatementKind::kQuery,
       "SELECT * FROM \"DEMO/ORDERS\" LIMIT 5", 0, ""},
      {"SELECT * FROM ORDERS ORDER BY 1 FETCH FIRST ROW ONLY OPTIMIZE FOR 1 ROW FOR READ ONLY "
       "WITH UR",
       StatementKind::kQuery, "SELECT * FROM \"DEMO/ORDERS\" ORDER BY 1 LIMIT 1", 0, ""},
      {"SELECT * FROM ORDERS FOR UPDATE OF A, B", StatementKind::kQuery,
       "SELECT * FROM \"DEMO/ORDERS\"", 0, ""},
      {"SELECT * FROM ORDERS for update", StatementKind::kQuery, "SELECT * FROM \"DEMO/ORDERS\"", 0,
       ""},
      {"SELECT CURRENT DATE, current_time FROM ORDERS WHERE 'CURRENT DATE' = ''",
       StatementKind::kQuery,
       "SELECT date('now', 'localtime'), strftime('%H.%M.%S', 'now', 'localtime') FROM "
       "\"DEMO/ORDERS\" WHERE 'CURRENT DATE' = ''",
       0, ""},
      {"SELECT * FROM 'ORDERS", StatementKind::kQuery, "", -10, "'ORDERS"},
      {"CREATE TABLE X (A INT)", StatementKind::kQuery, "", -84, "CREATE"},
      {"SELECT 1; SELECT 2", StatementKind::kQuery, "", -104, ";"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Translation t;
    SqlError e = Translate(c.text, Resolve, &t);
    EXPECT_EQ(e.code, c.code);
    EXPECT_EQ(e.text, c.token);
    if (c.code == 0) {
      EXPECT_EQ(t.kind, c.kind);
      EXPECT_EQ(t.sql, c.sql);
    }
  }
}

TEST(SqlTranslator, HoldAndIsolation) {
  Translation t;
  ASSERT_TRUE(Translate("rollback work hold", Resolve, &t).ok());
  EXPECT_TRUE(t.hold);
  ASSERT_TRUE(Translate("COMMIT", Resolve, &t).ok());
  EXPECT_FALSE(t.hold);
  ASSERT_TRUE(Translate("set transaction isolation level ur", Resolve, &t).ok());
  EXPECT_EQ(t.isolation, "UR");
  ASSERT_TRUE(Translate("SELECT * FROM ORDERS WITH RS", Resolve, &t).ok());
  EXPECT_EQ(t.isolation, "RS");
  ASSERT_TRUE(Translate("DELETE FROM ORDERS WITH NC", Resolve, &t).ok());
  EXPECT_EQ(t.isolation, "NC");
  EXPECT_EQ(t.sql, "DELETE FROM \"DEMO/ORDERS\"");
}

TEST(SqlTranslator, UpdatableQueriesCarryTheRecordNumber) {
  const struct {
    const char* text;
    const char* rowSql;  // empty: not updatable
  } cases[] = {
      {"select name, city from customer where x = 1",
       "select name, city, rowid AS \"vnx:rrn\" from \"DEMO/CUSTOMER\" where x = 1"},
      {"SELECT * FROM DEMO/ORDERS O ORDER BY 1",
       "SELECT *, rowid AS \"vnx:rrn\" FROM \"DEMO/ORDERS\" O ORDER BY 1"},
      {"SELECT 'FROM' FROM ORDERS", "SELECT 'FROM', rowid AS \"vnx:rrn\" FROM \"DEMO/ORDERS\""},
      {"SELECT * FROM ORDERS FOR FETCH ONLY", ""},
      {"SELECT * FROM ORDERS for read only", ""},
      {"SELECT DISTINCT X FROM ORDERS", ""},
      {"SELECT COUNT(*) FROM ORDERS", ""},
      {"SELECT X, max (Y) FROM ORDERS", ""},
      {"SELECT X FROM ORDERS GROUP BY X", ""},
      {"SELECT A.X FROM ORDERS A, B", ""},
      {"SELECT X FROM ORDERS WHERE X IN (SELECT X FROM B)", ""},
      {"SELECT X FROM ORDERS UNION SELECT X FROM ORDERS", ""},
      {"VALUES 1", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Translation t;
    ASSERT_TRUE(Translate(c.text, Resolve, &t).ok());
    EXPECT_EQ(t.updatable, *c.rowSql != '\0');
    EXPECT_EQ(t.rowSql, c.rowSql);
  }
}

TEST(SqlTranslator, ChangesThroughALogicalFileChangeItsPhysicalFile) {
  const struct {
    StatementKind kind;
    const char* sql;
    const char* retargeted;
  } cases[] = {
      {StatementKind::kInsert, "INSERT INTO \"DEMO/LF\" VALUES (1, '\"DEMO/LF\"')",
       "INSERT INTO \"DEMO/PF\" (A, B) VALUES (1, '\"DEMO/LF\"')"},
      {StatementKind::kInsert, "INSERT INTO \"DEMO/LF\" (B) SELECT B FROM \"DEMO/LF\"",
       "INSERT INTO \"DEMO/PF\" (B) SELECT B FROM \"DEMO/PF\""},
      {StatementKind::kUpdate, "UPDATE \"DEMO/LF\" SET A = 1 WHERE \"DEMO/LF\".B = 'X'",
       "UPDATE \"DEMO/PF\" SET A = 1 WHERE \"DEMO/PF\".B = 'X'"},
      {StatementKind::kDelete, "DELETE FROM \"DEMO/LF\"", "DELETE FROM \"DEMO/PF\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    Translation t;
    t.kind = c.kind;
    t.sql = c.sql;
    t.files = {{"DEMO", "LF"}, {"DEMO", "X"}};
    ASSERT_TRUE(RetargetToPhysical({"DEMO", "LF"}, {"DEMO", "PF"}, {"A", "B"}, &t).ok());
    EXPECT_EQ(t.sql, c.retargeted);
    EXPECT_EQ(t.files[0].name, "PF");
    EXPECT_EQ(t.files[1].name, "X");
  }
}

TEST(SqlTranslator, TokensKeepEveryByte) {
  const std::string text = "SELECT 'a''b', \"x\"\"y\" , 1.5e-3,<=<>||x FROM T";
  std::vector<Token> tokens;
  ASSERT_TRUE(Tokenize(text, &tokens).ok());
  std::string back;
  for (const auto& t : tokens) back += t.text;
  EXPECT_EQ(back, text);
  EXPECT_EQ(tokens[2].text, "'a''b'");
  EXPECT_EQ(tokens[2].kind, TokenKind::kString);
}

// Every prefix of a statement, and random bytes: an answer, never a crash.
TEST(SqlTranslator, PiecesAndNoise) {
  const std::string text =
      "UPDATE DEMO/ORDERS SET NAME = 'x''y' WHERE K IN (SELECT K FROM B, \"C\") FOR FETCH ONLY";
  for (size_t n = 0; n <= text.size(); ++n) {
    Translation t;
    (void)Translate(text.substr(0, n), Resolve, &t);
  }
  std::mt19937 random(3);
  for (int i = 0; i < 2000; ++i) {
    std::string s(random() % 64, '\0');
    for (char& ch : s) ch = static_cast<char>(random() % 256);
    Translation t;
    (void)Translate(s, Resolve, &t);
  }
}

}  // namespace
}  // namespace vantora::host::sql
