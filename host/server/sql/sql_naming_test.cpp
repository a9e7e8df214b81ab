// SQL naming read as system naming: which dotted pairs are objects.
#include "host/server/sql/sql_naming.h"

#include <gtest/gtest.h>

namespace vantora::host::sql {
namespace {

TEST(SqlNaming, QualifiedObjectsBecomeSystemNames) {
  const struct {
    const char* sql;
    const char* system;
  } cases[] = {
      {"select * from DEMO.CUSTOMER", "select * from DEMO/CUSTOMER"},
      {"select * from \"DEMO\".\"CUSTOMER\" c", "select * from DEMO/CUSTOMER c"},
      {"select c.NAME from DEMO.CUSTOMER c where c.CITY = 'A.B'",
       "select c.NAME from DEMO/CUSTOMER c where c.CITY = 'A.B'"},
      {"select * from DEMO.A, DEMO.B where A.X = B.Y",
       "select * from DEMO/A, DEMO/B where A.X = B.Y"},
      {"select * from DEMO.A a join DEMO.B b on a.X = b.Y",
       "select * from DEMO/A a join DEMO/B b on a.X = b.Y"},
      {"select DEMO.A.X from DEMO.A", "select DEMO/A.X from DEMO/A"},
      {"insert into DEMO.T values (1)", "insert into DEMO/T values (1)"},
      {"update DEMO.T set X = T.Y", "update DEMO/T set X = T.Y"},
      {"delete from DEMO.T where X in (select Y from DEMO.U)",
       "delete from DEMO/T where X in (select Y from DEMO/U)"},
      {"create table DEMO.T (X int)", "create table DEMO/T (X int)"},
      {"drop table DEMO.T", "drop table DEMO/T"},
      {"create unique index DEMO.I on DEMO.T (X)", "create unique index DEMO/I on DEMO/T (X)"},
      {"select * from T", "select * from T"},
      {"select \"Mixed\".X from \"lower\".\"Mixed\"",
       "select \"Mixed\".X from \"lower\"/\"Mixed\""},
  };
  for (const auto& c : cases) {
    std::string out;
    ASSERT_TRUE(SqlToSystemNaming(c.sql, &out).ok()) << c.sql;
    EXPECT_EQ(out, c.system) << c.sql;
  }
}

TEST(SqlNaming, ASlashQualifierIsRefused) {
  std::string out;
  const SqlError e = SqlToSystemNaming("select * from DEMO/CUSTOMER", &out);
  EXPECT_EQ(e.code, -5016);
  EXPECT_EQ(e.state, "42833");
  EXPECT_EQ(e.text, "DEMO/CUSTOMER");
  // A division is no qualifier.
  EXPECT_TRUE(SqlToSystemNaming("select A / 2 from T", &out).ok());
}

TEST(SqlNaming, SetOption) {
  Naming n = Naming::kSystem;
  SqlError e;
  ASSERT_TRUE(IsSetNaming("SET OPTION NAMING = *SQL", &n, &e));
  EXPECT_TRUE(e.ok());
  EXPECT_EQ(n, Naming::kSql);
  ASSERT_TRUE(IsSetNaming("set option naming=*sys", &n, &e));
  EXPECT_EQ(n, Naming::kSystem);
  ASSERT_TRUE(IsSetNaming("SET OPTION COMMIT = *NONE", &n, &e));
  EXPECT_EQ(e.code, -104);
  EXPECT_FALSE(IsSetNaming("SET TRANSACTION ISOLATION LEVEL CS", &n, &e));
  EXPECT_FALSE(IsSetNaming("select 1 from T", &n, &e));
}

}  // namespace
}  // namespace vantora::host::sql
