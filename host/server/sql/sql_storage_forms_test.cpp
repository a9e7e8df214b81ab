// The decimal pass on its own: what it makes of statements over a file
// DEMO/T with ID BIN4, P PACK(7,2), Q ZONED(5,0) and C CHAR(4).
#include "host/server/sql/sql_storage_forms.h"

#include <gtest/gtest.h>

#include "host/storage/decimal_functions.h"

namespace vantora::host::sql {
namespace {

FileDescription File() {
  FileDescription d;
  d.name = {"DEMO", "T"};
  RecordFormat format;
  format.name = "T";
  auto field = [](const char* name, FieldType type, int length, int digits, int decimals) {
    FieldDef f;
    f.name = name;
    f.type = type;
    f.length = length;
    f.digits = digits;
    f.decimals = decimals;
    return f;
  };
  format.fields = {field("ID", FieldType::kBin4, 0, 0, 0), field("P", FieldType::kPacked, 0, 7, 2),
                   field("Q", FieldType::kZoned, 0, 5, 0), field("C", FieldType::kChar, 4, 0, 0),
                   field("D", FieldType::kDate, 0, 0, 0)};
  d.formats = {format};
  return d;
}

bool Resolve(const std::string&, const std::string& file, ObjectName* found) {
  *found = {"DEMO", file};
  return file == "T";
}

TEST(SqlStorageForms, Rewrites) {
  const struct {
    const char* text;
    const char* sql;
  } cases[] = {
      {"SELECT ID, P, C FROM T WHERE P > 1.5 ORDER BY P",
       "SELECT ID, P, C FROM \"DEMO/T\" WHERE (P / 100.0) > 1.5 ORDER BY (P / 100.0)"},
      {"SELECT P AS X, SUM(a.P), a.Q FROM T a",
       "SELECT (P / 100.0) AS X, SUM((a.P / 100.0)), a.Q FROM \"DEMO/T\" a"},
      {"SELECT a.P FROM T a", "SELECT a.P FROM \"DEMO/T\" a"},
      {"UPDATE T SET P = P * 2, C = 'P', Q = '5 ' WHERE P = 1",
       "UPDATE \"DEMO/T\" SET P = vnx_scale((P / 100.0) * 2, 2, 7), C = 'P', Q = vnx_scale('5 ', "
       "0, "
       "5) WHERE (P / 100.0) = 1"},
      {"INSERT INTO T VALUES (1, 2.5, 3, 'X'), (4, '5', 6, 'Y')",
       "INSERT INTO \"DEMO/T\" VALUES (vnx_scale(1, 0, 9), vnx_scale(2.5, 2, 7), vnx_scale(3, 0, "
       "5), "
       "'X'), (vnx_scale(4, 0, 9), vnx_scale('5', 2, 7), vnx_scale(6, 0, 5), 'Y')"},
      {"INSERT INTO T (C, P) SELECT C, P + 1 FROM T",
       "INSERT INTO \"DEMO/T\" (C, P) SELECT C, vnx_scale((P / 100.0) + 1, 2, 7) FROM \"DEMO/T\""},
      {"INSERT INTO T SELECT * FROM T WHERE P < 0",
       "INSERT INTO \"DEMO/T\" SELECT * FROM \"DEMO/T\" WHERE (P / 100.0) < 0"},
      {"DELETE FROM T WHERE C = 'P > 1'", "DELETE FROM \"DEMO/T\" WHERE C = 'P > 1'"},
  };
  const std::vector<FileDescription> files = {File(), File()};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Translation t;
    ASSERT_TRUE(Translate(c.text, Resolve, &t).ok());
    std::vector<FileDescription> described(
        files.begin(), files.begin() + static_cast<std::ptrdiff_t>(t.files.size()));
    ASSERT_TRUE(ApplyStorageForms(described, DateTimeStyle{}, &t).ok());
    EXPECT_EQ(t.sql, c.sql);
  }
}

TEST(SqlStorageForms, DateLiterals) {
  const DateTimeStyle mdy{0x17, '/', 0x00, '.'};
  const struct {
    const char* text;
    const char* sql;  // empty: SQL0180
  } cases[] = {
      {"SELECT C FROM T a WHERE D >= '12/31/24' AND '01/01/2024' < a.D",
       "SELECT C FROM \"DEMO/T\" a WHERE D >= '2024-12-31' AND '2024-01-01' < a.D"},
      {"DELETE FROM T WHERE D NOT BETWEEN '2024-01-01' AND '31.12.2024' OR D IN ('01/02/25', D)",
       "DELETE FROM \"DEMO/T\" WHERE D NOT BETWEEN '2024-01-01' AND '2024-12-31' OR D IN "
       "('2025-01-02', D)"},
      {"UPDATE T SET D = '02/03/25', C = '12/31/24' WHERE C = '12/31/24'",
       "UPDATE \"DEMO/T\" SET D = '2025-02-03', C = '12/31/24' WHERE C = '12/31/24'"},
      {"INSERT INTO T (D) VALUES ('2024-02-29')",
       "INSERT INTO \"DEMO/T\" (D) VALUES ('2024-02-29')"},
      {"SELECT C FROM T WHERE D = '2023-02-29'", ""},
      {"INSERT INTO T (D) VALUES ('tomorrow')", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Translation t;
    ASSERT_TRUE(Translate(c.text, Resolve, &t).ok());
    std::vector<FileDescription> files(t.files.size(), File());
    SqlError e = ApplyStorageForms(files, mdy, &t);
    if (*c.sql == '\0') {
      EXPECT_EQ(e.code, -180);
    } else {
      ASSERT_TRUE(e.ok()) << e.code;
      EXPECT_EQ(t.sql, c.sql);
    }
  }
}

TEST(SqlStorageForms, DecimalTexts) {
  const struct {
    const char* text;
    int decimals;
    int digits;
    bool ok;
    int64_t scaled;
    bool overflow;
  } cases[] = {
      {"1.15", 2, 7, true, 115, false},     {"  -0.07  ", 2, 7, true, -7, false},
      {"+12.345", 2, 7, true, 1234, false}, {"12345.67", 2, 7, true, 1234567, false},
      {"123456", 2, 7, false, 0, true},     {"000012345", 2, 7, true, 1234500, false},
      {"7.", 0, 5, true, 7, false},         {".5", 1, 3, true, 5, false},
      {"", 2, 7, false, 0, false},          {"1.2.3", 2, 7, false, 0, false},
      {"1e3", 0, 9, false, 0, false},       {"-", 0, 9, false, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    int64_t scaled = 0;
    bool overflow = false;
    EXPECT_EQ(ScaleDecimalText(c.text, c.decimals, c.digits, &scaled, &overflow), c.ok);
    EXPECT_EQ(overflow, c.overflow);
    if (c.ok) {
      EXPECT_EQ(scaled, c.scaled);
    }
  }
}

}  // namespace
}  // namespace vantora::host::sql
