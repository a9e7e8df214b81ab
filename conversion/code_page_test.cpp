#include "conversion/code_page.h"

#include <gtest/gtest.h>

#include <set>

namespace vantora::conversion {
namespace {

TEST(CodePage, BuiltInTablesArePermutations) {
  const CodePage& page = BuiltInCodePage();
  std::set<int> toPc(page.toPc.begin(), page.toPc.end());
  std::set<int> toHost(page.toHost.begin(), page.toHost.end());
  EXPECT_EQ(toPc.size(), 256u);
  EXPECT_EQ(toHost.size(), 256u);
}

TEST(CodePage, BuiltInTablesAreExactInverses) {
  const CodePage& page = BuiltInCodePage();
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(page.toHost[page.toPc[b]], b) << "EBCDIC " << b;
    EXPECT_EQ(page.toPc[page.toHost[b]], b) << "PC " << b;
  }
}

TEST(CodePage, MatchesPrintedTable) {
  struct Entry {
    uint8_t ebcdic;
    uint8_t pc;
  };
  const Entry entries[] = {
      {0x00, 0x00}, {0x04, 0xCF}, {0x07, 0x7F}, {0x15, 0xB4}, {0x25, 0x0A}, {0x40, 0x20},
      {0x4B, 0x2E}, {0x4E, 0x2B}, {0x60, 0x2D}, {0x6B, 0x2C}, {0x7C, 0x40}, {0x81, 0x61},
      {0xA9, 0x7A}, {0xC1, 0x41}, {0xD9, 0x52}, {0xE9, 0x5A}, {0xF0, 0x30}, {0xF9, 0x39},
      {0xFA, 0xB3}, {0xFF, 0xFF}, {0xAD, 0x5B}, {0xBD, 0x5D}, {0x5A, 0x21}, {0x9F, 0xFE},
  };
  for (const Entry& e : entries) {
    EXPECT_EQ(BuiltInCodePage().toPc[e.ebcdic], e.pc) << int(e.ebcdic);
    EXPECT_EQ(BuiltInCodePage().toHost[e.pc], e.ebcdic) << int(e.pc);
  }
}

TEST(CodePage, CallersReplaceAndRestoreTheCurrentTables) {
  std::array<uint8_t, 256> shifted;
  for (int b = 0; b < 256; ++b) shifted[b] = static_cast<uint8_t>(b + 1);
  SetEbcdicToPcTable(shifted.data());
  EXPECT_EQ(CurrentCodePage().toPc[0x40], 0x41);
  EXPECT_EQ(CurrentCodePage().toHost[0x20], 0x40);  // the other table stays
  SetPcToEbcdicTable(shifted.data());
  EXPECT_EQ(CurrentCodePage().toHost[0x20], 0x21);
  EXPECT_EQ(BuiltInCodePage().toPc[0x40], 0x20);
  ResetCodePage();
  EXPECT_EQ(CurrentCodePage().toPc, BuiltInCodePage().toPc);
  EXPECT_EQ(CurrentCodePage().toHost, BuiltInCodePage().toHost);
}

}  // namespace
}  // namespace vantora::conversion
