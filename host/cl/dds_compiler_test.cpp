#include "host/cl/dds_compiler.h"

#include <gtest/gtest.h>

namespace vantora::host::cl {
namespace {

// A source line with `text` placed from 1-based column `col`, pieces given
// as (column, text) pairs.
std::string Line(std::initializer_list<std::pair<int, std::string>> pieces) {
  std::string line(80, ' ');
  for (const auto& [col, text] : pieces)
    line.replace(static_cast<size_t>(col - 1), text.size(), text);
  return line;
}

// A right-aligned number ending at column `end`.
std::pair<int, std::string> Right(int end, int value) {
  std::string t = std::to_string(value);
  return {end - static_cast<int>(t.size()) + 1, t};
}

TEST(DdsCompiler, CreateTableSourceOfTheDriver) {
  // Table MYLIB/CUST: ID (32-bit integer), NAME (string 30), CUSTOMERNAME1
  // and CUSTOMERNAME2 (clashing when cut), AMOUNT packed 9,2, a date, a
  // time, a timestamp, a float; a unique index on ID.
  std::vector<std::string> lines = {
      Line({{6, "*"}, {45, "UNIQUE"}}),
      Line({{6, "A"}, {17, "R"}, {19, "RCUST"}}),
      Line({{6, "A"}, {19, "ID"}, Right(34, 8), {35, "B"}}),
      Line({{6, "A"}, {19, "NAME"}, Right(34, 30), {35, "A"}}),
      Line({{6, "A"}, {19, "CUSTOMERNA"}, Right(34, 20), {35, "A"}}),
      Line({{6, "A"}, {19, "CUSTOMER_A"}, Right(34, 20), {35, "A"}}),
      Line({{6, "A"}, {19, "AMOUNT"}, Right(34, 11), {35, "P"}, Right(37, 2)}),
      Line({{6, "A"}, {19, "SMALL"}, Right(34, 4), {35, "B"}}),
      Line({{6, "A"}, {19, "BORN"}, {35, "L"}}),
      Line({{6, "A"}, {19, "AT"}, {35, "T"}}),
      Line({{6, "A"}, {19, "STAMP"}, {35, "Z"}}),
      Line({{6, "A"}, {19, "RATE"}, Right(34, 17), {35, "F"}, {45, "FLTPCN(*DOUBLE)"}}),
      Line({{6, "A"}, {19, "NOTE"}, Right(34, 2), {35, "A"}}),
      Line({{17, "K"}, {19, "ID"}}),
  };
  DdsFile f;
  DdsError e;
  ASSERT_TRUE(CompileDds(lines, DdsKind::kPhysical, &f, &e)) << e.line << ": " << e.detail;
  const PhysicalFileDef& p = f.physical;
  EXPECT_EQ(p.formatName, "RCUST");
  EXPECT_TRUE(p.unique);
  ASSERT_EQ(p.fields.size(), 11u);
  EXPECT_EQ(p.fields[0].type, FieldType::kBin4);
  EXPECT_EQ(p.fields[1].type, FieldType::kChar);
  EXPECT_EQ(p.fields[1].length, 30);
  EXPECT_EQ(p.fields[2].name, "CUSTOMERNA");
  EXPECT_EQ(p.fields[3].name, "CUSTOMER_A");
  EXPECT_EQ(p.fields[4].type, FieldType::kPacked);
  EXPECT_EQ(p.fields[4].digits, 11);
  EXPECT_EQ(p.fields[4].decimals, 2);
  EXPECT_EQ(p.fields[5].type, FieldType::kBin2);
  EXPECT_EQ(p.fields[6].type, FieldType::kDate);
  EXPECT_EQ(p.fields[7].type, FieldType::kTime);
  EXPECT_EQ(p.fields[8].type, FieldType::kTimestamp);
  EXPECT_EQ(p.fields[9].type, FieldType::kDouble);
  ASSERT_EQ(p.key.size(), 1u);
  EXPECT_EQ(p.key[0].field, "ID");
}

TEST(DdsCompiler, KeywordsDefaultsAndContinuation) {
  std::vector<std::string> lines = {
      Line({{7, "* a comment line"}}),
      Line({{6, "A"}, {17, "R"}, {19, "ITEMREC"}, {45, "TEXT('Items')"}}),
      Line({{6, "A"}, {19, "CODE"}, Right(34, 5), {45, "TEXT('It''s the code') +"}}),
      Line({{6, "A"}, {45, "COLHDG('Item' 'code')"}}),
      Line({{6, "A"}, {19, "QTY"}, Right(34, 7), Right(37, 0)}),
      Line({{6, "A"}, {19, "DESCR"}, Right(34, 50), {45, "VARLEN ALWNULL"}}),
      Line({{6, "A"}, {19, "ZONE"}, Right(34, 5), {35, "S"}, Right(37, 1)}),
      Line({{6, "A"}, {19, "DAY"}, {35, "L"}, {45, "DATFMT(*YMD) DATSEP('/')"}}),
      Line({{6, "A"}, {19, "F4"}, Right(34, 7), {35, "F"}}),
      Line({{6, "A"}, {17, "K"}, {19, "CODE"}, {45, "DESCEND"}}),
  };
  DdsFile f;
  DdsError e;
  ASSERT_TRUE(CompileDds(lines, DdsKind::kPhysical, &f, &e)) << e.line << ": " << e.detail;
  const auto& fields = f.physical.fields;
  EXPECT_EQ(f.physical.text, "Items");
  EXPECT_EQ(fields[0].type, FieldType::kChar);
  EXPECT_EQ(fields[0].text, "It's the code");
  EXPECT_EQ(fields[0].heading, "Item code");
  EXPECT_EQ(fields[1].type, FieldType::kPacked);  // decimals given, no type
  EXPECT_EQ(fields[2].type, FieldType::kVarchar);
  EXPECT_TRUE(fields[2].nullCapable);
  EXPECT_EQ(fields[3].type, FieldType::kZoned);
  EXPECT_EQ(fields[4].dateTimeFormat, (0x19 << 8) | '/');
  EXPECT_EQ(fields[5].type, FieldType::kFloat);
  EXPECT_TRUE(f.physical.key[0].descending);
}

TEST(DdsCompiler, LogicalFileWithSelectOmit) {
  std::vector<std::string> lines = {
      Line({{6, "A"}, {45, "DYNSLT"}}),
      Line({{6, "A"}, {17, "R"}, {19, "ORDREC"}, {45, "PFILE(DEMO/ORDERS)"}}),
      Line({{6, "A"}, {17, "K"}, {19, "AMOUNT"}, {45, "DESCEND"}}),
      Line({{6, "A"}, {17, "O"}, {19, "STATUS"}, {45, "COMP(EQ 'C')"}}),
      Line({{6, "A"}, {17, "S"}, {19, "AMOUNT"}, {45, "RANGE(100 5000,5)"}}),
      Line({{6, "A"}, {19, "CUSTNO"}, {45, "VALUES(1001 1002 1003)"}}),
      Line({{6, "A"}, {17, "S"}, {19, "STATUS"}, {45, "VALUES('O' 'S')"}}),
  };
  DdsFile f;
  DdsError e;
  ASSERT_TRUE(CompileDds(lines, DdsKind::kLogical, &f, &e)) << e.line << ": " << e.detail;
  ASSERT_EQ(f.logicalDef.formats.size(), 1u);
  EXPECT_EQ(f.logicalDef.formats[0].basedOn[0].library, "DEMO");
  EXPECT_EQ(f.logicalDef.formats[0].basedOn[0].name, "ORDERS");
  EXPECT_TRUE(f.dynamicSelect);
  ASSERT_EQ(f.selectOmit.size(), 3u);
  EXPECT_FALSE(f.selectOmit[0].select);
  EXPECT_EQ(f.selectOmit[0].selection, "(STATUS *EQ \"C\")");
  EXPECT_EQ(f.selectOmit[1].selection,
            "(AMOUNT *EQ %RANGE(100 5000.5)) *AND (CUSTNO *EQ %VALUES(1001 1002 1003))");
  EXPECT_EQ(f.selectOmit[2].selection, "(STATUS *EQ %VALUES(\"O\" \"S\"))");
}

TEST(DdsCompiler, JoinLogicalFile) {
  std::vector<std::string> lines = {
      Line({{17, "R"}, {19, "JREC"}, {45, "JFILE(ORDERS CUSTOMER)"}}),
      Line({{17, "J"}, {45, "JOIN(ORDERS CUSTOMER)"}}),
      Line({{45, "JFLD(CUSTNO CUSTNO)"}}),
      Line({{19, "ORDNO"}}),
      Line({{19, "CUSTNO"}, {45, "JREF(1)"}}),
      Line({{19, "NAME"}}),
  };
  DdsFile f;
  DdsError e;
  ASSERT_TRUE(CompileDds(lines, DdsKind::kLogical, &f, &e)) << e.line << ": " << e.detail;
  EXPECT_TRUE(f.logicalDef.join);
  EXPECT_EQ(f.logicalDef.formats[0].basedOn.size(), 2u);
  EXPECT_EQ(f.logicalDef.formats[0].fields.size(), 3u);
}

TEST(DdsCompiler, SourceErrors) {
  auto rec = Line({{17, "R"}, {19, "REC"}});
  struct Case {
    const char* why;
    std::vector<std::string> lines;
    int line;
  } cases[] = {
      {"empty", {}, 0},
      {"no fields", {rec}, 0},
      {"bad name type", {rec, Line({{17, "X"}, {19, "A"}})}, 2},
      {"bad type", {rec, Line({{19, "A"}, Right(34, 5), {35, "Q"}})}, 2},
      {"no length", {rec, Line({{19, "A"}, {35, "A"}})}, 2},
      {"length on date", {rec, Line({{19, "A"}, Right(34, 5), {35, "L"}})}, 2},
      {"length not numeric", {rec, Line({{19, "A"}, {30, "  1X "}, {35, "A"}})}, 2},
      {"too many decimals", {rec, Line({{19, "A"}, Right(34, 3), {35, "P"}, Right(37, 5)})}, 2},
      {"unknown keyword", {rec, Line({{19, "A"}, Right(34, 3), {45, "BLINK"}})}, 2},
      {"bad keyword syntax", {rec, Line({{19, "A"}, Right(34, 3), {45, "TEXT('x"}})}, 2},
      {"bad field name", {rec, Line({{19, "1A"}, Right(34, 3)})}, 2},
      {"field before record", {Line({{19, "A"}, Right(34, 3)})}, 1},
      {"two formats", {rec, Line({{19, "A"}, Right(34, 3)}), rec}, 3},
      {"select in a physical file",
       {rec, Line({{19, "A"}, Right(34, 3)}), Line({{17, "S"}, {19, "A"}, {45, "COMP(EQ 1)"}})},
       3},
      {"unique without key", {Line({{45, "UNIQUE"}}), rec, Line({{19, "A"}, Right(34, 3)})}, 0},
      {"dangling continuation", {rec, Line({{19, "A"}, Right(34, 3), {45, "TEXT('x' +"}})}, 2},
      {"control character", {rec, std::string("     A  \x01")}, 2},
  };
  for (const Case& c : cases) {
    DdsFile f;
    DdsError e;
    EXPECT_FALSE(CompileDds(c.lines, DdsKind::kPhysical, &f, &e)) << c.why;
    EXPECT_EQ(e.line, c.line) << c.why << ": " << e.detail;
  }
  DdsFile f;
  DdsError e;
  EXPECT_FALSE(CompileDds({Line({{17, "R"}, {19, "REC"}})}, DdsKind::kLogical, &f, &e));
  EXPECT_FALSE(CompileDds({Line({{17, "R"}, {19, "REC"}, {45, "PFILE(A)"}}),
                           Line({{17, "S"}, {19, "X"}, {45, "COMP(ZZ 1)"}})},
                          DdsKind::kLogical, &f, &e));
  EXPECT_FALSE(CompileDds({Line({{17, "R"}, {19, "REC"}, {45, "PFILE(A)"}}),
                           Line({{17, "S"}, {19, "X"}, {45, "COMP(EQ ABC)"}})},
                          DdsKind::kLogical, &f, &e));
}

}  // namespace
}  // namespace vantora::host::cl
