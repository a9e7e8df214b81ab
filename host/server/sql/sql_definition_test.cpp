// CREATE and DROP against a real storage: libraries MYLIB (the current
// library) and LIB2 make the library list.
#include "host/server/sql/sql_definition.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/storage/test_support.h"

namespace vantora::host::sql {
namespace {

using testing::I;
using testing::T;

class SqlDefinitionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    storage_ = testing::OpenStorage(dir_);
    ASSERT_TRUE(storage_);
    ASSERT_OK(catalogue().CreateLibrary("MYLIB", ""));
    ASSERT_OK(catalogue().CreateLibrary("LIB2", ""));
  }

  Catalogue& catalogue() { return storage_->catalogue(); }

  SqlError Run(const std::string& text, DefinitionOutcome* outcome = nullptr) {
    FileResolver resolve = [this](const std::string& library, const std::string& file,
                                  ObjectName* found) {
      std::vector<std::string> list = {"MYLIB", "LIB2"};
      if (!library.empty()) list = {library};
      return catalogue().ResolveFile(list, file, found).ok();
    };
    return RunDefinition(catalogue(), text, currentLibrary_, resolve, outcome);
  }

  void MustRun(const std::string& text) {
    SqlError e = Run(text);
    ASSERT_EQ(e.code, 0) << text << ": " << e.state << " " << e.text;
  }

  bool Exists(const ObjectName& name) {
    FileDescription d;
    return catalogue().DescribeFile(name, &d).ok();
  }

  FileDescription Describe(const ObjectName& name) {
    FileDescription d;
    Status s = catalogue().DescribeFile(name, &d);
    EXPECT_OK(s);
    return d;
  }

  // ORDERS(CUST CHAR(5), NBR INT, AMT DECIMAL(7,2)) in MYLIB with records.
  void MakeOrders() {
    MustRun(
        "CREATE TABLE MYLIB/ORDERS (CUST CHAR(5) NOT NULL, NBR INT NOT NULL, AMT DECIMAL(7,2))");
    std::unique_ptr<FileCursor> c;
    ASSERT_OK(storage_->OpenCursor({"MYLIB", "ORDERS"}, {.job = 1}, &c));
    ASSERT_OK(c->Insert({T("B"), I(1), I(500)}, nullptr));
    ASSERT_OK(c->Insert({T("A"), I(2), I(100)}, nullptr));
    ASSERT_OK(c->Insert({T("B"), I(3), I(900)}, nullptr));
    ASSERT_OK(c->Insert({T("A"), I(4), I(300)}, nullptr));
  }

  testing::TempDir dir_;
  std::unique_ptr<Storage> storage_;
  std::string currentLibrary_ = "MYLIB";
};

struct TypeCase {
  const char* column;  // definition after the column name
  FieldType type;
  int length;
  int digits;
  int decimals;
  bool nullCapable;
};

TEST_F(SqlDefinitionTest, ColumnTypes) {
  const TypeCase cases[] = {
      {"CHAR(10)", FieldType::kChar, 10, 0, 0, true},
      {"CHAR", FieldType::kChar, 1, 0, 0, true},
      {"character(3) not null", FieldType::kChar, 3, 0, 0, false},
      {"CHAR(32766)", FieldType::kChar, 32766, 0, 0, true},
      {"VARCHAR(50)", FieldType::kVarchar, 50, 0, 0, true},
      {"CHAR VARYING(7)", FieldType::kVarchar, 7, 0, 0, true},
      {"CHARACTER VARYING (8) NOT NULL", FieldType::kVarchar, 8, 0, 0, false},
      {"SMALLINT", FieldType::kBin2, 0, 0, 0, true},
      {"INTEGER", FieldType::kBin4, 0, 0, 0, true},
      {"INT NOT NULL WITH DEFAULT", FieldType::kBin4, 0, 0, 0, false},
      {"BIGINT", FieldType::kBin8, 0, 0, 0, true},
      {"DECIMAL(7,2)", FieldType::kPacked, 0, 7, 2, true},
      {"DECIMAL(9)", FieldType::kPacked, 0, 9, 0, true},
      {"DEC", FieldType::kPacked, 0, 5, 0, true},
      {"DECIMAL( 18 , 18 )", FieldType::kPacked, 0, 18, 18, true},
      {"NUMERIC(6,1)", FieldType::kZoned, 0, 6, 1, true},
      {"NUMERIC NOT NULL DEFAULT", FieldType::kZoned, 0, 5, 0, false},
      {"REAL", FieldType::kFloat, 0, 0, 0, true},
      {"FLOAT(24)", FieldType::kFloat, 0, 0, 0, true},
      {"FLOAT(25)", FieldType::kDouble, 0, 0, 0, true},
      {"FLOAT", FieldType::kDouble, 0, 0, 0, true},
      {"DOUBLE", FieldType::kDouble, 0, 0, 0, true},
      {"DOUBLE PRECISION", FieldType::kDouble, 0, 0, 0, true},
      {"DATE", FieldType::kDate, 0, 0, 0, true},
      {"TIME NOT NULL", FieldType::kTime, 0, 0, 0, false},
      {"TIMESTAMP DEFAULT NULL", FieldType::kTimestamp, 0, 0, 0, true},
  };
  int n = 0;
  for (const TypeCase& c : cases) {
    const std::string file = "T" + std::to_string(++n);
    const std::string text = "CREATE TABLE MYLIB/" + file + " (COL " + c.column + ")";
    SCOPED_TRACE(text);
    SqlError e = Run(text);
    ASSERT_EQ(e.code, 0) << e.text;
    FileDescription d = Describe({"MYLIB", file});
    EXPECT_EQ(d.kind, FileKind::kPhysical);
    ASSERT_EQ(d.formats.size(), 1u);
    EXPECT_EQ(d.formats[0].name, file);
    EXPECT_TRUE(d.formats[0].key.empty());
    EXPECT_FALSE(d.unique);
    ASSERT_EQ(d.formats[0].fields.size(), 1u);
    const FieldDef& f = d.formats[0].fields[0];
    EXPECT_EQ(f.name, "COL");
    EXPECT_EQ(f.type, c.type);
    if (IsCharacter(c.type)) {
      EXPECT_EQ(f.length, c.length);
    }
    if (c.type == FieldType::kPacked || c.type == FieldType::kZoned) {
      EXPECT_EQ(f.digits, c.digits);
      EXPECT_EQ(f.decimals, c.decimals);
    }
    EXPECT_EQ(f.nullCapable, c.nullCapable);
  }
}

TEST_F(SqlDefinitionTest, PrimaryKeyMakesAUniqueKeyedFile) {
  MustRun(
      "create table mylib/items (name varchar(20), code char(4), grp smallint, "
      "primary key (grp, code))");
  FileDescription d = Describe({"MYLIB", "ITEMS"});
  EXPECT_TRUE(d.unique);
  ASSERT_EQ(d.formats[0].key.size(), 2u);
  EXPECT_EQ(d.formats[0].key[0].field, "GRP");
  EXPECT_EQ(d.formats[0].key[1].field, "CODE");
  EXPECT_FALSE(d.formats[0].key[0].descending);
  EXPECT_TRUE(d.formats[0].fields[0].nullCapable);   // NAME
  EXPECT_FALSE(d.formats[0].fields[1].nullCapable);  // CODE, in the key
  EXPECT_FALSE(d.formats[0].fields[2].nullCapable);  // GRP, in the key

  std::unique_ptr<FileCursor> c;
  ASSERT_OK(storage_->OpenCursor({"MYLIB", "ITEMS"}, {.job = 1}, &c));
  EXPECT_TRUE(c->keyed());
  ASSERT_OK(c->Insert({T("x"), T("AB"), I(1)}, nullptr));
  EXPECT_CODE(c->Insert({T("y"), T("AB"), I(1)}, nullptr), kDuplicateKey);

  MustRun("CREATE TABLE MYLIB/ONE (ID INTEGER PRIMARY KEY, TXT CHAR(3))");
  d = Describe({"MYLIB", "ONE"});
  EXPECT_TRUE(d.unique);
  ASSERT_EQ(d.formats[0].key.size(), 1u);
  EXPECT_EQ(d.formats[0].key[0].field, "ID");
  EXPECT_FALSE(d.formats[0].fields[0].nullCapable);
}

TEST_F(SqlDefinitionTest, NamesFoldAndUnqualifiedNamesGoToTheCurrentLibrary) {
  MustRun("CREATE TABLE plain (a INT)");
  EXPECT_TRUE(Exists({"MYLIB", "PLAIN"}));
  MustRun("CREATE TABLE \"lib2\"/\"quoted\" (\"col\" INT);");
  EXPECT_TRUE(Exists({"LIB2", "QUOTED"}));
  EXPECT_EQ(Describe({"LIB2", "QUOTED"}).formats[0].fields[0].name, "COL");
  currentLibrary_.clear();
  DefinitionOutcome out;
  ASSERT_EQ(Run("CREATE TABLE NOCUR (A INT)", &out).code, 0);
  EXPECT_TRUE(Exists({"QGPL", "NOCUR"}));
  EXPECT_EQ(out.created, (ObjectName{"QGPL", "NOCUR"}));
}

TEST_F(SqlDefinitionTest, IndexReadsInKeyOrder) {
  MakeOrders();
  DefinitionOutcome out;
  ASSERT_EQ(Run("CREATE INDEX ORDX ON ORDERS (CUST ASC, AMT DESC)", &out).code, 0);
  EXPECT_EQ(out.created, (ObjectName{"MYLIB", "ORDX"}));
  FileDescription d = Describe({"MYLIB", "ORDX"});
  EXPECT_EQ(d.kind, FileKind::kLogical);
  EXPECT_FALSE(d.unique);
  ASSERT_EQ(d.basedOn.size(), 1u);
  EXPECT_EQ(d.basedOn[0], (ObjectName{"MYLIB", "ORDERS"}));
  EXPECT_EQ(d.formats[0].name, "ORDERS");  // the table's format
  EXPECT_EQ(d.formats[0].fields.size(), 3u);
  ASSERT_EQ(d.formats[0].key.size(), 2u);
  EXPECT_EQ(d.formats[0].key[0].field, "CUST");
  EXPECT_FALSE(d.formats[0].key[0].descending);
  EXPECT_EQ(d.formats[0].key[1].field, "AMT");
  EXPECT_TRUE(d.formats[0].key[1].descending);

  std::unique_ptr<FileCursor> c;
  ASSERT_OK(storage_->OpenCursor({"MYLIB", "ORDX"}, {.job = 1}, &c));
  std::vector<int64_t> numbers;
  Record r;
  while (c->Read({.op = ReadOp::kNext}, &r, nullptr).ok()) numbers.push_back(r[1].integer());
  EXPECT_EQ(numbers, (std::vector<int64_t>{4, 2, 3, 1}));
}

TEST_F(SqlDefinitionTest, DriverUniqueIndexText) {
  MustRun("CREATE TABLE MYLIB/ORDERS (CUST CHAR(5), DATE DATE, QTY INT)");
  MustRun("CREATE  UNIQUE  INDEX MYLIB/ORDX1 ON MYLIB/ORDERS (CUST ASC,DATE ASC)");
  FileDescription d = Describe({"MYLIB", "ORDX1"});
  EXPECT_TRUE(d.unique);
  ASSERT_EQ(d.formats[0].key.size(), 2u);
  EXPECT_EQ(d.formats[0].key[1].field, "DATE");
  std::unique_ptr<FileCursor> c;
  ASSERT_OK(storage_->OpenCursor({"MYLIB", "ORDERS"}, {.job = 1}, &c));
  ASSERT_OK(c->Insert({T("A"), T("2024-01-01"), I(1)}, nullptr));
  EXPECT_CODE(c->Insert({T("A"), T("2024-01-01"), I(2)}, nullptr), kDuplicateKey);
}

TEST_F(SqlDefinitionTest, UniqueIndexOverDuplicateRows) {
  MakeOrders();
  SqlError e = Run("CREATE UNIQUE INDEX BYCUST ON ORDERS (CUST)");
  EXPECT_EQ(e.code, -603);
  EXPECT_EQ(e.state, "23515");
  EXPECT_EQ(e.text, "BYCUST");
  EXPECT_FALSE(Exists({"MYLIB", "BYCUST"}));
  MustRun("CREATE UNIQUE INDEX BYNBR ON ORDERS (NBR DESC)");
}

TEST_F(SqlDefinitionTest, IndexOverATableFoundThroughTheLibraryList) {
  MustRun("CREATE TABLE LIB2/OTHER (K INT)");
  MustRun("CREATE INDEX OTHERX ON OTHER (K)");
  EXPECT_EQ(Describe({"MYLIB", "OTHERX"}).basedOn[0], (ObjectName{"LIB2", "OTHER"}));
  MustRun("DROP INDEX OTHERX");
  EXPECT_FALSE(Exists({"MYLIB", "OTHERX"}));
}

TEST_F(SqlDefinitionTest, DropIndex) {
  MakeOrders();
  MustRun("CREATE INDEX MYLIB/ORDX ON MYLIB/ORDERS (NBR)");
  DefinitionOutcome out;
  ASSERT_EQ(Run("DROP INDEX MYLIB/ORDX", &out).code, 0);
  EXPECT_FALSE(Exists({"MYLIB", "ORDX"}));
  EXPECT_TRUE(Exists({"MYLIB", "ORDERS"}));
  EXPECT_EQ(out.dropped, (std::vector<ObjectName>{{"MYLIB", "ORDX"}}));
  SqlError e = Run("DROP INDEX MYLIB/ORDX");
  EXPECT_EQ(e.code, -204);
  EXPECT_EQ(e.state, "42704");
  EXPECT_EQ(e.text, "ORDX");
}

TEST_F(SqlDefinitionTest, DropTableDropsItsIndexes) {
  MakeOrders();
  MustRun("CREATE TABLE MYLIB/KEEP (K INT)");
  MustRun("CREATE INDEX ORDX1 ON ORDERS (NBR)");
  MustRun("CREATE INDEX LIB2/ORDX2 ON ORDERS (CUST)");
  MustRun("CREATE INDEX KEEPX ON KEEP (K)");
  DefinitionOutcome out;
  ASSERT_EQ(Run("DROP TABLE ORDERS", &out).code, 0);
  EXPECT_FALSE(Exists({"MYLIB", "ORDERS"}));
  EXPECT_FALSE(Exists({"MYLIB", "ORDX1"}));
  EXPECT_FALSE(Exists({"LIB2", "ORDX2"}));
  EXPECT_TRUE(Exists({"MYLIB", "KEEPX"}));
  ASSERT_EQ(out.dropped.size(), 3u);
  EXPECT_EQ(out.dropped.back(), (ObjectName{"MYLIB", "ORDERS"}));
  // The name is free again.
  MustRun("CREATE TABLE ORDERS (OTHER CHAR(1))");
}

TEST_F(SqlDefinitionTest, DropTableRestrict) {
  MakeOrders();
  MustRun("CREATE INDEX ORDX ON ORDERS (NBR)");
  SqlError e = Run("DROP TABLE ORDERS RESTRICT");
  EXPECT_EQ(e.code, -478);
  EXPECT_EQ(e.state, "42893");
  EXPECT_TRUE(Exists({"MYLIB", "ORDERS"}));
  EXPECT_TRUE(Exists({"MYLIB", "ORDX"}));
  MustRun("DROP INDEX ORDX");
  MustRun("DROP TABLE ORDERS RESTRICT");
  EXPECT_FALSE(Exists({"MYLIB", "ORDERS"}));
}

TEST_F(SqlDefinitionTest, OpenFilesAreInUse) {
  MakeOrders();
  MustRun("CREATE INDEX ORDX ON ORDERS (AMT DESC)");
  {
    std::unique_ptr<FileCursor> c;
    ASSERT_OK(storage_->OpenCursor({"MYLIB", "ORDERS"}, {.job = 1}, &c));
    SqlError e = Run("DROP TABLE ORDERS");
    EXPECT_EQ(e.code, -913);
    EXPECT_EQ(e.state, "57033");
    EXPECT_EQ(e.text, "MYLIB/ORDERS");
    // The index deleted on the way is back as it was.
    FileDescription d = Describe({"MYLIB", "ORDX"});
    ASSERT_EQ(d.formats[0].key.size(), 1u);
    EXPECT_EQ(d.formats[0].key[0].field, "AMT");
    EXPECT_TRUE(d.formats[0].key[0].descending);
  }
  {
    std::unique_ptr<FileCursor> c;
    ASSERT_OK(storage_->OpenCursor({"MYLIB", "ORDX"}, {.job = 1}, &c));
    SqlError e = Run("DROP INDEX ORDX");
    EXPECT_EQ(e.code, -913);
    EXPECT_EQ(e.text, "MYLIB/ORDX");
    e = Run("DROP TABLE ORDERS");
    EXPECT_EQ(e.code, -913);
    EXPECT_EQ(e.text, "MYLIB/ORDX");
    EXPECT_TRUE(Exists({"MYLIB", "ORDERS"}));
  }
  MustRun("DROP TABLE ORDERS");
  EXPECT_FALSE(Exists({"MYLIB", "ORDX"}));
}

struct ErrorCase {
  const char* text;
  int32_t code;
  const char* state;
  const char* token;
};

TEST_F(SqlDefinitionTest, Errors) {
  MakeOrders();
  MustRun("CREATE INDEX ORDIDX ON ORDERS (CUST)");
  const ErrorCase cases[] = {
      {"CREATE TABLE MYLIB/ORDERS (A INT)", -601, "42710", "ORDERS"},
      {"CREATE TABLE ORDIDX (A INT)", -601, "42710", "ORDIDX"},
      {"CREATE INDEX ORDIDX ON ORDERS (NBR)", -601, "42710", "ORDIDX"},
      {"CREATE TABLE NOLIB/T (A INT)", -204, "42704", "NOLIB"},
      {"CREATE INDEX NOLIB/X ON ORDERS (NBR)", -204, "42704", "NOLIB"},
      {"CREATE INDEX X ON NOPE (A)", -204, "42704", "NOPE"},
      {"CREATE INDEX X ON LIB2/ORDERS (A)", -204, "42704", "ORDERS"},
      {"CREATE INDEX X ON ORDIDX (CUST)", -156, "42809", "ORDIDX"},
      {"CREATE INDEX X ON ORDERS (NOPE)", -205, "42703", "NOPE"},
      {"CREATE TABLE T (A INT, PRIMARY KEY (B))", -205, "42703", "B"},
      {"CREATE TABLE T (A DECIMAL(19))", -604, "42611", "A"},
      {"CREATE TABLE T (A NUMERIC(5,6))", -604, "42611", "A"},
      {"CREATE TABLE T (A DEC(0))", -604, "42611", "A"},
      {"CREATE TABLE T (A CHAR(0))", -604, "42611", "A"},
      {"CREATE TABLE T (A CHAR(32767))", -604, "42611", "A"},
      {"CREATE TABLE T (A VARCHAR(32741))", -604, "42611", "A"},
      {"CREATE TABLE T (A CHAR(99999999999999999999))", -604, "42611", "A"},
      {"CREATE TABLE T (A FLOAT(54))", -604, "42611", "A"},
      {"CREATE TABLE T (A INT, a CHAR)", -612, "42711", "A"},
      {"CREATE TABLE T (A INT, PRIMARY KEY (A, A))", -612, "42711", "A"},
      {"CREATE INDEX X ON ORDERS (CUST, cust DESC)", -612, "42711", "CUST"},
      {"CREATE TABLE T (A INT PRIMARY KEY, B INT, PRIMARY KEY (B))", -624, "42889", "T"},
      {"CREATE TABLE ABCDEFGHIJK (A INT)", -107, "42622", "ABCDEFGHIJK"},
      {"CREATE TABLE ABCDEFGHIJK/T (A INT)", -107, "42622", "ABCDEFGHIJK"},
      {"CREATE TABLE T (ABCDEFGHIJK INT)", -107, "42622", "ABCDEFGHIJK"},
      {"DROP TABLE \"ABCDEFGHIJK\"", -107, "42622", "ABCDEFGHIJK"},
      {"CREATE TABLE T (A INT DEFAULT 5)", -104, "42601", "5"},
      {"CREATE TABLE T (A INT WITH DEFAULT)", -104, "42601", "DEFAULT"},
      {"CREATE TABLE T (A DATE NOT NULL WITH DEFAULT)", -104, "42601", "DEFAULT"},
      {"CREATE TABLE T (A INT NOT NULL DEFAULT NULL)", -104, "42601", "NULL"},
      {"CREATE TABLE T (A INT, UNIQUE (A))", -104, "42601", "UNIQUE"},
      {"CREATE TABLE T (A INT, CONSTRAINT C PRIMARY KEY (A))", -104, "42601", "CONSTRAINT"},
      {"CREATE TABLE T (A INT) junk", -104, "42601", "junk"},
      {"CREATE TABLE T (A INT", -104, "42601", "INT"},
      {"CREATE TABLE T ()", -104, "42601", ")"},
      {"CREATE TABLE T AS (SELECT * FROM ORDERS)", -104, "42601", "AS"},
      {"CREATE TABLE MYLIB / T (A INT)", -104, "42601", "/"},
      {"CREATE TABLE T (A VARCHAR)", -104, "42601", ")"},
      {"CREATE TABLE T (A DECIMAL(5.2))", -104, "42601", "5.2"},
      {"CREATE TABLE T (ROWID INT)", -104, "42601", "ROWID"},
      {"CREATE TABLE T ('A' INT)", -104, "42601", "'A'"},
      {"CREATE TABLE T (\"A B\" INT)", -104, "42601", "\"A B\""},
      {"CREATE UNIQUE TABLE T (A INT)", -104, "42601", "TABLE"},
      {"CREATE INDEX X ON ORDERS (CUST) WHERE CUST = 'A'", -104, "42601", "WHERE"},
      {"CREATE", -104, "42601", "CREATE"},
      {"DROP TABLE ORDERS; DROP TABLE ORDIDX", -104, "42601", ";"},
      {"CREATE TABLE T (A BLOB(10))", -204, "42704", "BLOB"},
      {"CREATE VIEW V AS SELECT * FROM ORDERS", -84, "42612", "CREATE VIEW"},
      {"DROP VIEW ORDIDX", -84, "42612", "DROP VIEW"},
      {"DROP INDEX NOPE", -204, "42704", "NOPE"},
      {"DROP INDEX MYLIB/ORDERS", -204, "42704", "ORDERS"},
      {"DROP TABLE MYLIB/ORDIDX", -204, "42704", "ORDIDX"},
      {"DROP TABLE NOLIB/ORDERS", -204, "42704", "ORDERS"},
      {"DROP TABLE ORDERS CASCADE RESTRICT", -104, "42601", "RESTRICT"},
      {"CREATE TABLE T (A CHAR(1) DEFAULT 'x)", -10, "42603", "'x)"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.text);
    SqlError e = Run(c.text);
    EXPECT_EQ(e.code, c.code);
    EXPECT_EQ(e.state, c.state);
    EXPECT_EQ(e.text, c.token);
  }
  // Nothing failing was created or deleted.
  EXPECT_FALSE(Exists({"MYLIB", "T"}));
  EXPECT_FALSE(Exists({"MYLIB", "X"}));
  EXPECT_TRUE(Exists({"MYLIB", "ORDERS"}));
  EXPECT_TRUE(Exists({"MYLIB", "ORDIDX"}));
}

TEST(SqlDefinition, IsDefinition) {
  EXPECT_TRUE(IsDefinition("CREATE TABLE X (A INT)"));
  EXPECT_TRUE(IsDefinition("  \n\tdrop index X"));
  EXPECT_TRUE(IsDefinition("Create"));
  EXPECT_FALSE(IsDefinition("CREATED"));
  EXPECT_FALSE(IsDefinition("DROPS X"));
  EXPECT_FALSE(IsDefinition("SELECT * FROM CREATE"));
  EXPECT_FALSE(IsDefinition("'CREATE'"));
  EXPECT_FALSE(IsDefinition(""));
}

}  // namespace
}  // namespace vantora::host::sql
