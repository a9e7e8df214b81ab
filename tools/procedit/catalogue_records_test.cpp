// The catalogue's record images byte for byte, and the derived byte length.
#include "tools/procedit/catalogue_records.h"

#include <gtest/gtest.h>

#include "tools/procedit/type_tables.h"

namespace vantora::procedit {
namespace {

std::string Bytes(const std::vector<uint8_t>& image, size_t offset, size_t n) {
  return std::string(reinterpret_cast<const char*>(image.data()) + offset, n);
}

TEST(CatalogueRecords, HeaderImageByteForByte) {
  ProcHeaderRecord h;
  h.procName = "TAXCALC";
  h.programLibrary = "DEMO";
  h.programName = "ADDTAX";
  h.parameterCount = 5;
  h.fieldCount = 0x0102;
  h.description = "Adds a tax";
  h.targetKind = 'P';
  h.reserved = "   ";
  const auto image = EncodeHeader(h);
  ASSERT_EQ(image.size(), 118u);
  EXPECT_EQ(Bytes(image, 0, 10), "TAXCALC   ");
  EXPECT_EQ(Bytes(image, 10, 10), "DEMO      ");
  EXPECT_EQ(Bytes(image, 20, 10), "ADDTAX    ");
  EXPECT_EQ(image[30], 5);
  EXPECT_EQ(image[31], 0);
  EXPECT_EQ(image[32], 0x02);  // little-endian
  EXPECT_EQ(image[33], 0x01);
  EXPECT_EQ(Bytes(image, 34, 80), "Adds a tax" + std::string(70, ' '));
  EXPECT_EQ(image[114], 'P');
  EXPECT_EQ(Bytes(image, 115, 3), "   ");

  const ProcHeaderRecord back = DecodeHeader(image);
  EXPECT_EQ(back.procName, "TAXCALC   ");
  EXPECT_EQ(back.fieldCount, 0x0102);
  EXPECT_EQ(back.targetKind, 'P');
  EXPECT_EQ(EncodeHeader(back), image);
}

TEST(CatalogueRecords, TextsAreCutAtTheirFieldsAndANewHeaderIsZeros) {
  ProcHeaderRecord h;
  h.procName = "ELEVENCHARSX";
  h.description = std::string(100, 'd');
  const auto image = EncodeHeader(h);
  EXPECT_EQ(Bytes(image, 0, 10), "ELEVENCHAR");
  EXPECT_EQ(Bytes(image, 10, 20), std::string(20, ' '));
  EXPECT_EQ(Bytes(image, 34, 80), std::string(80, 'd'));
  EXPECT_EQ(image[114], 0);  // never given a kind
  EXPECT_EQ(Bytes(image, 115, 3), std::string(3, '\0'));
}

TEST(CatalogueRecords, FieldImageByteForByte) {
  ProcFieldRecord f;
  f.procName = "PROBE";
  f.rowSequence = 1;
  f.parameterNo = 2;
  f.direction = 2;
  f.pcType = 4;
  f.pcLength = 8;
  f.pcDecimals = 0;
  f.asType = 3;
  f.asByteLength = 4;
  f.asDecimals = 2;
  f.asDigits = 7;
  f.fieldName = "Amount";
  const auto image = EncodeField(f);
  const std::vector<uint8_t> expected = {
      'P', 'R', 'O', 'B', 'E', ' ', ' ', ' ', ' ', ' ',   // procName
      1,   0,                                             // rowSequence
      2,   0,                                             // parameterNo
      2,   0,                                             // direction
      4,   0,   8,   0,   0,   0,                         // pcType, pcLength, pcDecimals
      3,   0,   4,   0,   2,   0,   7,   0,               // asType, bytes, decimals, digits
      'A', 'm', 'o', 'u', 'n', 't', ' ', ' ', ' ', ' '};  // fieldName, case kept
  EXPECT_EQ(image, expected);
  const ProcFieldRecord back = DecodeField(image);
  EXPECT_EQ(back.asDigits, 7);
  EXPECT_EQ(back.fieldName, "Amount    ");
  EXPECT_EQ(EncodeField(back), image);
}

TEST(CatalogueRecords, KeysAreBlankPadded) {
  EXPECT_EQ(ProcedureKey("ABC"), "ABC       ");
  EXPECT_EQ(ProgramKey("", "ADDTAX"), std::string(10, ' ') + "ADDTAX    ");
  EXPECT_EQ(ProgramKey("DEMO", "ADDTAX"), "DEMO      ADDTAX    ");
}

TEST(TypeTables, DerivedByteLength) {
  struct Case {
    const char* type;
    int digits;
    int bytes;
  } cases[] = {{"PACK", 0, 1},   {"PACK", 7, 4},  {"PACK", 8, 5},   {"ZONED", 9, 9},
               {"CHAR", 25, 25}, {"BIN2", 4, 2},  {"BIN4", 9, 4},   {"DATE", 0, 10},
               {"TIME", 3, 8},   {"FLOAT", 0, 4}, {"DOUBLE", 0, 8}, {"TIMESTP", 0, 26}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + std::to_string(c.digits));
    EXPECT_EQ(DerivedByteLength(HostTypeCode(c.type), c.digits), c.bytes);
  }
  EXPECT_EQ(DerivedByteLength(42, 6), 6);  // a code no table has: the digits
}

TEST(TypeTables, NamesInListOrder) {
  const char* host[] = {"CHAR", "BIN2", "BIN4",  "PACK",   "ZONED",
                        "DATE", "TIME", "FLOAT", "DOUBLE", "TIMESTP"};
  const char* pc[] = {"CHAR",  "INT 16", "FLOAT",  "INT 32", "DOUBLE", "COMP4",
                      "COMP3", "COMP2",  "COMP3S", "COMP",   "COBNUM"};
  for (int i = 0; i < kHostTypeCount; ++i) EXPECT_EQ(HostTypeName(i), host[i]);
  for (int i = 0; i < kPcTypeCount; ++i) EXPECT_EQ(PcTypeName(i), pc[i]);
  EXPECT_EQ(HostTypeName(10), "?");
  EXPECT_EQ(PcTypeCode("INT 32"), 3);
  EXPECT_EQ(HostTypeCode("char"), -1);
}

}  // namespace
}  // namespace vantora::procedit
