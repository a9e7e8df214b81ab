// Descriptions and record forms through the client library and the
// embedded host: every VNXGetDesc form, GetNbrFmt/GetTypeFmt/GetTypeFld/
// GetTypeKey, reduced formats, raw AS/400 records (as they come and through
// the client's conversion layer) and the numeric text conversions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/host_files_fixture.h"

namespace vantora::testing {
namespace {

using HostDescribe = HostFileTest;

struct FieldDesc {
  std::string name;
  int pcType, pcLength, pcDecimals, asType, asLength, asDecimals, flags;
};

FieldDesc ReadField(const uint8_t* e, bool withFlags) {
  FieldDesc d;
  d.name = std::string(reinterpret_cast<const char*>(e), 10);
  d.pcType = wire::LoadLeI16(e + 10);
  d.pcLength = wire::LoadLeI16(e + 12);
  d.pcDecimals = wire::LoadLeI16(e + 14);
  d.asType = wire::LoadLeI16(e + 16);
  d.asLength = wire::LoadLeI16(e + 18);
  d.asDecimals = wire::LoadLeI16(e + 20);
  d.flags = withFlags ? wire::LoadLe16(e + 22) : 0;
  return d;
}

void ExpectField(const FieldDesc& got, const FieldDesc& want) {
  SCOPED_TRACE(want.name);
  EXPECT_EQ(got.name, want.name);
  EXPECT_EQ(got.pcType, want.pcType);
  EXPECT_EQ(got.pcLength, want.pcLength);
  EXPECT_EQ(got.pcDecimals, want.pcDecimals);
  EXPECT_EQ(got.asType, want.asType);
  EXPECT_EQ(got.asLength, want.asLength);
  EXPECT_EQ(got.asDecimals, want.asDecimals);
  EXPECT_EQ(got.flags, want.flags);
}

// The fields of TEST/ITEMS as the host describes them by default.
const std::vector<FieldDesc> kItemFields = {
    {"CODE      ", 0, 6, 0, 0, 6, 0, 0},      {"SEQ       ", 2, 4, 0, 2, 4, 0, 0x0900},
    {"QTY       ", 1, 2, 0, 1, 2, 0, 0x0400}, {"PRICE     ", 0, 9, 2, 3, 4, 2, 0x0700},
    {"NOTE      ", 0, 12, 0, 0, 12, 0, 3},    {"DAY       ", 0, 10, 0, 5, 10, '-', 0},
    {"RATE      ", 4, 8, 0, 8, 8, 0, 0x1100},
};

TEST_F(HostDescribe, EveryGetDescForm) {
  int32_t h = VNXopen("TEST/ITEMS", 1, -1);
  ASSERT_GE(h, 0);
  uint8_t header[16];
  ASSERT_EQ(VNXGetDesc(h, header, 16, VNX_DESC_FILE_HEADER, nullptr), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(header), 10), "ITEMREC   ");
  EXPECT_EQ(wire::LoadLeI16(header + 10), 7);
  EXPECT_EQ(wire::LoadLeI16(header + 12), kItemLength);
  EXPECT_EQ(wire::LoadLeI16(header + 14), 2);

  uint8_t file[18];
  ASSERT_EQ(VNXGetDesc(h, file, 18, VNX_DESC_FILE_18, nullptr), 1);
  EXPECT_EQ(wire::LoadLeI16(file + 10), 7);
  EXPECT_EQ(wire::LoadLeI16(file + 14), 2);
  EXPECT_EQ(wire::LoadLeI16(file + 16), 1 | 4);  // unique key, null-capable fields

  uint8_t fields[7 * 24];
  ASSERT_EQ(VNXGetDesc(h, fields, 22, VNX_DESC_FIELDS + 7, nullptr), 7);
  for (size_t i = 0; i < 7; ++i) {
    FieldDesc want = kItemFields[i];
    want.flags = 0;
    ExpectField(ReadField(fields + 22 * i, false), want);
  }
  ASSERT_EQ(VNXGetDesc(h, fields, 24, VNX_DESC_FIELDS_24 + 7, nullptr), 7);
  for (size_t i = 0; i < 7; ++i) ExpectField(ReadField(fields + 24 * i, true), kItemFields[i]);

  uint8_t keys[2 * 26];
  ASSERT_EQ(VNXGetDesc(h, keys, 26, VNX_DESC_KEYS + 2, nullptr), 2);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(keys), 4), "CODE");
  EXPECT_EQ(wire::LoadLeI16(keys + 22), 0);
  EXPECT_EQ(wire::LoadLeI16(keys + 24), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(keys + 26), 3), "SEQ");
  EXPECT_EQ(wire::LoadLeI16(keys + 26 + 22), 1);
  EXPECT_EQ(wire::LoadLeI16(keys + 26 + 24), 1);  // descending

  // Without the counted bit the low bits pick one entry.
  uint8_t one[26];
  ASSERT_EQ(VNXGetDesc(h, one, 26, 0x21000000 + 1, nullptr), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(one), 3), "SEQ");
  ASSERT_EQ(VNXGetDesc(h, one, 22, 0x10000000 + 3, nullptr), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(one), 5), "PRICE");

  uint8_t count[4];
  ASSERT_EQ(VNXGetDesc(h, count, 4, VNX_DESC_RECORD_COUNT, nullptr), 1);
  EXPECT_EQ(wire::LoadLeI32(count), 6);

  // More entries asked than there are: the ones there are.
  uint8_t many[10 * 22];
  EXPECT_EQ(VNXGetDesc(h, many, 22, VNX_DESC_FIELDS + 10, nullptr), 7);
  EXPECT_EQ(VNXGetDesc(h, many, 22, 0x77000000, nullptr), -1);
  EXPECT_EQ(retstat(), 3014);
  EXPECT_EQ(VNXGetDesc(h, many, 22, VNX_DESC_FIELDS + 1, "NOFORMAT  "), -1);

  // The logical file: no unique key, a logical file, one key field.
  int32_t lf = VNXopen("TEST/ITEMSBYQ", 1, -1);
  ASSERT_EQ(VNXGetDesc(lf, file, 18, VNX_DESC_FILE_18, nullptr), 1);
  EXPECT_EQ(wire::LoadLeI16(file + 14), 1);
  EXPECT_EQ(wire::LoadLeI16(file + 16), 2 | 4);
}

TEST_F(HostDescribe, GetTypeRequests) {
  int32_t h = Ropen("TEST/ITEMS", "rr");
  ASSERT_GE(h, 0);
  EXPECT_EQ(GetNbrFmt(h), 1);
  uint8_t fmt[16];
  EXPECT_EQ(GetTypeFmt(h, -1, fmt), 1);
  EXPECT_EQ(wire::LoadLeI16(fmt + 10), 7);
  uint8_t fields[7 * 22];
  ASSERT_EQ(GetTypeFld(h, 7, fields), 7);
  FieldDesc price = kItemFields[3];
  price.flags = 0;
  ExpectField(ReadField(fields + 3 * 22, false), price);
  uint8_t keys[2 * 22];
  ASSERT_EQ(GetTypeKey(h, 2, keys), 2);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(keys + 22), 3), "SEQ");
}

TEST_F(HostDescribe, ReducedFormat) {
  int32_t h = VNXopen("TEST/ITEMS", 1 | 4, -1);
  ASSERT_GE(h, 0);
  EXPECT_EQ(Rselect(h, "_R_SELECT_", 2, "PRICE     CODE      "), 9 + 6);
  EXPECT_EQ(Rlength(h), 15);
  uint8_t r[kItemLength];
  ASSERT_EQ(VNXRead(h, r, 15, VNX_READ_FIRST, nullptr, 0, nullptr), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(r), 15), "1.00     AA01  ");
  uint8_t header[16];
  ASSERT_EQ(VNXGetDesc(h, header, 16, VNX_DESC_FILE_HEADER, "_R_SELECT_"), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(header), 10), "_R_SELECT_");
  EXPECT_EQ(wire::LoadLeI16(header + 10), 2);
  EXPECT_EQ(wire::LoadLeI16(header + 12), 15);
  ASSERT_EQ(VNXGetDesc(h, header, 16, VNX_DESC_FILE_HEADER, "ITEMREC   "), 1);
  EXPECT_EQ(wire::LoadLeI16(header + 12), kItemLength);
  // An update through the reduced format changes only its fields.
  std::memcpy(r, "2.50     ", 9);
  EXPECT_EQ(Rupdate(h, r, 15), 1);
  EXPECT_EQ(Rformat(h, "          "), 1);
  EXPECT_EQ(Rlength(h), kItemLength);
  ASSERT_EQ(VNXRead(h, r, kItemLength, VNX_READ_FIRST, nullptr, 0, nullptr), 1);
  EXPECT_EQ(Price(r), "2.50     ");
  EXPECT_EQ(Note(r), "third");
  EXPECT_EQ(Rformat(h, "_R_SELECT_"), 1);
  EXPECT_EQ(Rlength(h), 15);
  EXPECT_EQ(Rselect(h, "_R_SELECT_", 1, "NOSUCH    "), -1);
  EXPECT_EQ(Rformat(h, "OTHER     "), -1);
}

TEST_F(HostDescribe, RawRecordsAreAs400Records) {
  int32_t h = VNXopen("TEST/PLAIN", 1 | 0x00100000, -1);
  ASSERT_GE(h, 0);
  uint8_t header[16];
  ASSERT_EQ(VNXGetDesc(h, header, 16, VNX_DESC_FILE_HEADER, nullptr), 1);
  EXPECT_EQ(wire::LoadLeI16(header + 12), 44);
  uint8_t fields[7 * 22];
  ASSERT_EQ(VNXGetDesc(h, fields, 22, VNX_DESC_FIELDS + 7, nullptr), 7);
  int sum = 0;
  for (int i = 0; i < 7; ++i) sum += wire::LoadLeI16(fields + 22 * i + 18);
  EXPECT_EQ(sum, 44);
  uint8_t r[44];
  ASSERT_EQ(VNXRead(h, r, 44, VNX_READ_RRN, nullptr, 2, nullptr), 1);
  const std::vector<uint8_t> want = {
      0xC1, 0xC1, 0xF0, 0xF1, 0x40, 0x40,                          // CODE "AA01"
      0x00, 0x00, 0x00, 0x01,                                      // SEQ 1
      0x00, 0x0A,                                                  // QTY 10
      0x00, 0x00, 0x32, 0x5D,                                      // PRICE -3.25
      0x86, 0x89, 0x99, 0xA2, 0xA3, 0x40, 0x40, 0x40, 0x40, 0x40,  // NOTE "first"
      0xF2, 0xF0, 0xF2, 0xF3, 0x60, 0xF1, 0xF2, 0x60, 0xF3, 0xF1,  // DAY 2023-12-31
      0x3F, 0xD0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,              // RATE 0.25
  };
  EXPECT_EQ(std::vector<uint8_t>(r, r + 44), want);
  // A raw key, and a raw record written back.
  int32_t u = VNXopen("TEST/ITEMS", 1 | 4 | 0x00100000, -1);
  ASSERT_EQ(VNXRead(u, r, 44, VNX_READ_KEY_EQ, want.data(), 10, nullptr), 1);
  r[11] = 0x0B;  // QTY 11
  EXPECT_EQ(Rupdate(u, r, 44), 1);
  int32_t pc = VNXopen("TEST/ITEMS", 1, -1);
  uint8_t back[kItemLength];
  ASSERT_EQ(Rreadk(pc, back, kItemLength, 0, "AA01  \x01\x00\x00\x00", 10), 1);
  EXPECT_EQ(Qty(back), 11);
}

TEST_F(HostDescribe, RawRecordsThroughTheClientConversion) {
  int32_t h = VNXopen("TEST/PLAIN", 1 | VNX_OPEN_RAW | VNX_OPEN_CLIENT_CONVERT, -1);
  ASSERT_GE(h, 0) << Internal_Error();
  // PC record per the descriptions: CODE 6, SEQ 4, QTY 2, PRICE 9, NOTE 10,
  // DAY 10, RATE 8.
  uint8_t r[49];
  std::memset(r, ' ', sizeof r);
  ASSERT_EQ(VNXRead(h, r, 49, VNX_READ_FIRST, nullptr, 0, nullptr), 1) << Internal_Error();
  ASSERT_EQ(VNXRead(h, r, 49, VNX_READ_NEXT, nullptr, 0, nullptr), 1) << Internal_Error();
  EXPECT_EQ(std::string(reinterpret_cast<char*>(r), 6), "AA01  ");
  EXPECT_EQ(wire::LoadLeI32(r + 6), 1);
  EXPECT_EQ(wire::LoadLeI16(r + 10), 10);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(r + 12), 5), "-3.25");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(r + 21), 10), "first     ");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(r + 31), 10), "2023-12-31");
  uint64_t bits = wire::LoadLe64(r + 41);
  double rate;
  std::memcpy(&rate, &bits, 8);
  EXPECT_EQ(rate, 0.25);
}

TEST_F(HostDescribe, TextConversionsMakeNumbersText) {
  // The benchmark tool's table: BIN2 as 5 digits, BIN4 as 11, the others
  // (PACK, ZONED, FLOAT, DOUBLE) at their own digits.
  const int32_t table[12] = {1, 5, 2, 11, 3, -1, 4, -1, 7, -1, 8, -1};
  ASSERT_EQ(SetImpGenConv(6, table), 1);
  int32_t h = Ropen("TEST/PLAIN", "rr blkrcd=Y");
  ASSERT_GE(h, 0);
  uint8_t fields[7 * 22];
  ASSERT_EQ(VNXGetDesc(h, fields, 22, VNX_DESC_FIELDS + 7, nullptr), 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(wire::LoadLeI16(fields + 22 * i + 10), 0) << i;
  // CODE 6, SEQ 12, QTY 6, PRICE 9, NOTE 12, DAY 10, RATE 24.
  EXPECT_EQ(Rlength(h), 79);
  uint8_t r[79];
  ASSERT_EQ(VNXRead(h, r, 79, VNX_READ_RRN, nullptr, 2, nullptr), 1);
  std::string text(reinterpret_cast<char*>(r), 79);
  EXPECT_EQ(text.substr(6, 12), "1           ");
  EXPECT_EQ(text.substr(18, 6), "10    ");
  EXPECT_EQ(text.substr(55, 24), "2.5000000000000000e-01  ");
  // Text written back is read as the number.
  int32_t u = VNXopen("TEST/PLAIN", 1 | 4, -1);
  ASSERT_EQ(VNXRead(u, r, 79, VNX_READ_RRN, nullptr, 2, nullptr), 1);
  std::memcpy(r + 18, "-77   ", 6);
  EXPECT_EQ(Rupdate(u, r, 79), 1);
  ASSERT_EQ(VNXRead(u, r, 79, VNX_READ_RRN, nullptr, 2, nullptr), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(r + 18), 6), "-77   ");
  // Entries for types that are not numeric are refused.
  const int32_t bad[2] = {0, 5};
  EXPECT_EQ(SetImpGenConv(1, bad), -1);
  // SetImpConv changes one open file only.
  const int32_t narrow[2] = {2, 3};
  ASSERT_EQ(SetImpConv(h, 1, narrow), 1);
  EXPECT_EQ(Rlength(h), 79 - 12 + 4);
  EXPECT_EQ(Rlength(u), 79);
}

}  // namespace
}  // namespace vantora::testing

namespace vantora::testing {
namespace {

TEST_F(HostDescribe, DatesTravelInTheJobsFormat) {
  ASSERT_GE(Rsystem("CHGJOB DATFMT(*YMD) DATSEP('/') TIMSEP(':')"), 0);
  int32_t h = VNXopen("TEST/PLAIN", 1 | 4, -1);
  ASSERT_GE(h, 0);
  uint8_t day[22];
  ASSERT_EQ(VNXGetDesc(h, day, 22, 0x10000000 + 5, nullptr), 1);
  EXPECT_EQ(wire::LoadLeI16(day + 12), 8);             // PC length
  EXPECT_EQ(wire::LoadLeI16(day + 20), 0x1900 | '/');  // the format word
  constexpr int32_t kLength = kItemLength - 2;
  EXPECT_EQ(Rlength(h), kLength);
  uint8_t r[kLength];
  ASSERT_EQ(VNXRead(h, r, kLength, VNX_READ_RRN, nullptr, 2, nullptr), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(r + 33), 8), "23/12/31");
  std::memcpy(r + 33, "39/01/02", 8);
  ASSERT_EQ(Rupdate(h, r, kLength), 1);
  std::memcpy(r + 33, "39/02/30", 8);
  EXPECT_EQ(Rupdate(h, r, kLength), -1);
  EXPECT_EQ(MessageId(), "CPF5029");
  // A new job (ISO dates) sees the stored date.
  ASSERT_EQ(FreeSession(), 1);
  ASSERT_EQ(StartSession(), 1);
  int32_t iso = VNXopen("TEST/PLAIN", 1, -1);
  uint8_t back[kItemLength];
  ASSERT_EQ(VNXRead(iso, back, kItemLength, VNX_READ_RRN, nullptr, 2, nullptr), 1);
  EXPECT_EQ(Day(back), "2039-01-02");
}

}  // namespace
}  // namespace vantora::testing
