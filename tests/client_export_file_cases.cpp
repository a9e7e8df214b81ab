// The export table's record-level file requests: the call, its wire
// parameters and the reply's effect (see client_export_cases.h).
#include "tests/client_export_cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <thread>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/scripted_transport.h"

namespace vantora::testing {

// ---- The table: record-level file requests --------------------------------

void AddFileCases(std::vector<WireCase>& t) {
  const std::string file = "MYLIB/CUSTOMER";  // 15 bytes with the terminator: one pad
  const std::string mode = "rr blkrcd=Y";
  t.push_back({"Ropen",
               "texts with their terminator",
               0x0500,
               {In(Text(file)), In(Text(mode))},
               [=](Io&) { return Ropen(file.c_str(), mode.c_str()); },
               3,
               3});
  t.push_back({"Rclose", "no reply", 0x0201, {V(4)}, [](Io&) { return Rclose(4); }});
  t.push_back({"RLclose", "no reply", 0x0230, {V(4)}, [](Io&) { return RLclose(4); }});

  const int32_t option = 0x00010000 | 7;
  struct Read {
    const char* name;
    int32_t code;
    int32_t (*fn)(int32_t, void*, int32_t, int32_t);
  };
  const Read reads[] = {{"Rreadn", 0x0102, Rreadn},
                        {"Rreadp", 0x0103, Rreadp},
                        {"Rreadf", 0x0104, Rreadf},
                        {"Rreadl", 0x0105, Rreadl},
                        {"Rreads", 0x0106, Rreads}};
  for (const Read& r : reads) {
    auto fn = r.fn;
    t.push_back({r.name,
                 "record returned",
                 r.code,
                 {V(2), Out(50, Pattern(50, 1), 0), V(50), V(option)},
                 [=](Io& io) { return fn(2, io[0], 50, option); }});
  }
  t.push_back(
      {"Rreadn", "null buffer sends length 0", 0x0102, {V(2), Out(0), V(50), V(0)}, [](Io&) {
         return Rreadn(2, nullptr, 50, 0);
       }});

  const auto key5 = Raw("K0001");
  t.push_back({"Rreadk",
               "odd key padded",
               0x0107,
               {V(2), Out(40, Pattern(40, 2), 0), V(40), V(option), In(key5), V(5)},
               [=](Io& io) { return Rreadk(2, io[0], 40, option, key5.data(), 5); }});
  t.push_back({"Rreadk",
               "null key sends length 0",
               0x0107,
               {V(2), Out(40, Pattern(40, 3), 0), V(40), V(option), In({}), V(5)},
               [=](Io& io) { return Rreadk(2, io[0], 40, option, nullptr, 5); }});
  t.push_back({"Rreadd",
               "by record number",
               0x0108,
               {V(2), Out(30, Pattern(30, 4), 0), V(30), V(option), V(1234)},
               [=](Io& io) { return Rreadd(2, io[0], 30, option, 1234); }});

  const auto record33 = Pattern(33, 5);
  t.push_back({"Rwrite", "odd record padded", 0x0109, {V(2), In(record33), V(33)}, [=](Io&) {
                 return Rwrite(2, record33.data(), 33);
               }});
  t.push_back({"Rwrite", "null buffer sends length 0", 0x0109, {V(2), In({}), V(33)}, [](Io&) {
                 return Rwrite(2, nullptr, 33);
               }});
  const auto record20 = Pattern(20, 6);
  t.push_back({"Rwrited", "by record number", 0x010A, {V(2), In(record20), V(20), V(77)}, [=](Io&) {
                 return Rwrited(2, record20.data(), 20, 77);
               }});
  const auto record21 = Pattern(21, 7);
  t.push_back({"Rupdate", "odd record padded", 0x010B, {V(2), In(record21), V(21)}, [=](Io&) {
                 return Rupdate(2, record21.data(), 21);
               }});
  t.push_back({"Rdelete", "handle", 0x010C, {V(2)}, [](Io&) { return Rdelete(2); }});
  t.push_back({"Rrlslck", "handle", 0x010D, {V(2)}, [](Io&) { return Rrlslck(2); }});

  const auto key4 = Raw("AB12");
  t.push_back({"Rlocate", "key", 0x010E, {V(2), In(key4), V(4), V(option)}, [=](Io&) {
                 return Rlocate(2, key4.data(), 4, option);
               }});
  t.push_back({"Rlocate",
               "null key still sends the key length",
               0x010E,
               {V(2), In({}), V(6), V(option)},
               [=](Io&) { return Rlocate(2, nullptr, 6, option); }});
  t.push_back({"Rfeod", "handle", 0x010F, {V(2)}, [](Io&) { return Rfeod(2); }});
  t.push_back({"Rrstatus", "24-byte area", 0x0110, {V(2), Out(24, Pattern(24, 8), 0)}, [](Io& io) {
                 return Rrstatus(2, io[0]);
               }});
  t.push_back({"Rlength",
               "result is the record length",
               0x0111,
               {V(2)},
               [](Io&) { return Rlength(2); },
               120,
               120});
  const std::string commitText = "COMMIT TEXT";
  t.push_back({"Rcommit", "text with its terminator", 0x0513, {In(Text(commitText))}, [=](Io&) {
                 return Rcommit(commitText.c_str());
               }});
  t.push_back({"Rcommit", "null text sends length 0", 0x0513, {In({})}, [](Io&) {
                 return Rcommit(nullptr);
               }});
  t.push_back({"Rrollbck", "no parameters", 0x0114, {}, [](Io&) { return Rrollbck(); }});

  const auto format = Name("FMT1");
  t.push_back({"Rformat", "format name", 0x0517, {V(2), In(format)}, [=](Io&) {
                 return Rformat(2, C(format));
               }});
  const auto names3 = Raw("FIELDA    FIELDB    FIELDC    ");
  t.push_back({"Rselect", "three names", 0x012F, {V(2), In(format), V(3), In(names3)}, [=](Io&) {
                 return Rselect(2, C(format), 3, C(names3));
               }});
  t.push_back(
      {"Rgetkey", "key returned", 0x0131, {V(2), Out(12, Pattern(12, 9), 0), V(12)}, [](Io& io) {
         return Rgetkey(2, io[0], 12);
       }});
  const std::string ddsFile = "QTEMP/NEWFILE";
  const auto lines = Pattern(160, 10);
  t.push_back({"RCreatDDS",
               "two 80-byte lines",
               0x0120,
               {In(Text(ddsFile)), V(2), In(lines), V(1)},
               [=](Io&) { return RCreatDDS(ddsFile.c_str(), 2, C(lines), 1); }});
  const auto conv18 = Pattern(18, 11);
  t.push_back({"SetConvFld", "three 6-byte entries", 0x0118, {V(2), V(3), In(conv18)}, [=](Io&) {
                 return SetConvFld(2, 3, conv18.data());
               }});
  t.push_back(
      {"GetNbrFmt", "result is the count", 0x0119, {V(2)}, [](Io&) { return GetNbrFmt(2); }, 3, 3});
  t.push_back(
      {"GetTypeFmt", "two entries", 0x011A, {V(2), V(2), Out(32, Pattern(32, 12), 0)}, [](Io& io) {
         return GetTypeFmt(2, 2, io[0]);
       }});
  t.push_back({"GetTypeFmt",
               "negative count asks |count| entries",
               0x011A,
               {V(2), V(-3), Out(48, Pattern(48, 13), 0)},
               [](Io& io) { return GetTypeFmt(2, -3, io[0]); }});
  t.push_back({"GetTypeFld",
               "two descriptions",
               0x011B,
               {V(2), V(2), Out(44, Pattern(44, 14), 0)},
               [](Io& io) { return GetTypeFld(2, 2, io[0]); }});
  t.push_back({"GetTypeKey",
               "two descriptions",
               0x011C,
               {V(2), V(2), Out(44, Pattern(44, 15), 0)},
               [](Io& io) { return GetTypeKey(2, 2, io[0]); }});
  const auto conv16 = Pattern(16, 16);
  t.push_back({"SetImpGenConv", "two 8-byte entries", 0x011D, {V(2), In(conv16)}, [=](Io&) {
                 return SetImpGenConv(2, conv16.data());
               }});
  t.push_back({"SetImpConv", "two 8-byte entries", 0x011E, {V(2), V(2), In(conv16)}, [=](Io&) {
                 return SetImpConv(2, 2, conv16.data());
               }});
  const auto description = Pattern(22, 17);
  t.push_back({"SetTypeFld", "22-byte description", 0x011F, {V(2), In(description)}, [=](Io&) {
                 return SetTypeFld(2, description.data());
               }});

  // VNXopen: 0x200 goes out unchanged unless 0x100000 is set too. With both
  // the open fails here, so the conversion layer adds nothing to the exchange.
  t.push_back({"VNXopen",
               "mode passes unchanged",
               0x054E,
               {In(Text(file)), V(0x00000205), V(1)},
               [=](Io&) { return VNXopen(file.c_str(), 0x00000205, 1); },
               6,
               6});
  t.push_back({"VNXopen",
               "raw alone passes unchanged",
               0x054E,
               {In(Text(file)), V(0x00100005), V(1)},
               [=](Io&) { return VNXopen(file.c_str(), 0x00100005, 1); },
               6,
               6});
  t.push_back({"VNXopen",
               "raw and client conversion clear 0x200",
               0x054E,
               {In(Text(file)), V(0x00100005), V(1)},
               [=](Io&) { return VNXopen(file.c_str(), 0x00100205, 1); },
               -1,
               -1});

  const int32_t next = VNX_READ_NEXT;
  t.push_back(
      {"VNXRead",
       "one record and its number",
       0x0146,
       {V(2), Out(100, Pattern(100, 18), 0), V(100), V(next), In({}), V(0), Out(4, Le32(41), 1)},
       [=](Io& io) {
         return VNXRead(2, io[0], 100, next, nullptr, 0, reinterpret_cast<int32_t*>(io[1]));
       }});
  const int32_t block10 = next | VNX_BLOCK | 10;
  t.push_back({"VNXRead",
               "block of 10 x 100 announces 1000 and 40",
               0x0146,
               {V(2), Out(1000, Pattern(1000, 19), 0), V(100), V(block10), In({}), V(0),
                Out(40, Pattern(40, 20), 1)},
               [=](Io& io) {
                 return VNXRead(2, io[0], 100, block10, nullptr, 0,
                                reinterpret_cast<int32_t*>(io[1]));
               },
               10,
               10});
  const auto key3 = Raw("ABC");
  const int32_t keyed = VNX_READ_KEY_GE;
  t.push_back(
      {"VNXRead",
       "odd key moves the numbers placeholder to 32",
       0x0146,
       {V(2), Out(100, Pattern(100, 21), 0), V(100), V(keyed), In(key3), V(3), Out(4, Le32(9), 1)},
       [=](Io& io) {
         return VNXRead(2, io[0], 100, keyed, key3.data(), 3, reinterpret_cast<int32_t*>(io[1]));
       }});
  t.push_back({"VNXRead",
               "null records ask for no record data",
               0x0146,
               {V(2), Out(0), V(100), V(block10), In({}), V(0), Out(40, Pattern(40, 22), 1)},
               [=](Io& io) {
                 return VNXRead(2, nullptr, 100, block10, nullptr, 0,
                                reinterpret_cast<int32_t*>(io[1]));
               },
               10,
               10});
  t.push_back(
      {"VNXRead",
       "null key still sends the key length",
       0x0146,
       {V(2), Out(100, Pattern(100, 64), 0), V(100), V(keyed), In({}), V(3), Out(4, Le32(9), 1)},
       [=](Io& io) {
         return VNXRead(2, io[0], 100, keyed, nullptr, 3, reinterpret_cast<int32_t*>(io[1]));
       }});
  const auto record100 = Pattern(100, 23);
  t.push_back({"VNXWrite",
               "one record",
               0x0147,
               {V(2), In(record100), V(100), V(0), Out(4, Le32(55), 1)},
               [=](Io& io) {
                 return VNXWrite(2, record100.data(), 100, 0, reinterpret_cast<int32_t*>(io[1]));
               }});
  // 5000 record bytes: two request parts; the numbers placeholder aligned
  // at 5008 from the start of the message data.
  const auto records5000 = Pattern(5000, 24);
  const int32_t writeBlock = VNX_BLOCK | 10;
  t.push_back({"VNXWrite",
               "block of 10 x 500 in two parts",
               0x0147,
               {V(2), In(records5000), V(500), V(writeBlock), Out(40, Pattern(40, 25), 1)},
               [=](Io& io) {
                 return VNXWrite(2, records5000.data(), 500, writeBlock,
                                 reinterpret_cast<int32_t*>(io[1]));
               },
               10,
               10});
  t.push_back({"VNXWrite",
               "null numbers send length 0",
               0x0147,
               {V(2), In(record100), V(100), V(0), Out(0)},
               [=](Io&) { return VNXWrite(2, record100.data(), 100, 0, nullptr); }});

  const int32_t fields3 = VNX_DESC_FIELDS + 3;
  t.push_back({"VNXGetDesc",
               "counted form: 3 x 22",
               0x0148,
               {V(2), Out(66, Pattern(66, 26), 0), V(22), V(fields3), In(format)},
               [=](Io& io) { return VNXGetDesc(2, io[0], 22, fields3, C(format)); }});
  t.push_back({"VNXGetDesc",
               "file header: the entry size",
               0x0148,
               {V(2), Out(16, Pattern(16, 27), 0), V(16), V(VNX_DESC_FILE_HEADER), In(format)},
               [=](Io& io) { return VNXGetDesc(2, io[0], 16, VNX_DESC_FILE_HEADER, C(format)); }});
  t.push_back({"VNXGetDesc",
               "keys without the counted bit: the entry size",
               0x0148,
               {V(2), Out(26, Pattern(26, 28), 0), V(26), V(0x21000002), In(format)},
               [=](Io& io) { return VNXGetDesc(2, io[0], 26, 0x21000002, C(format)); }});

  const auto fields32 = Pattern(32, 29);
  const auto entries12 = Pattern(12, 30);
  t.push_back({"VNXCreateVirtualDesc",
               "two fields, three entries",
               0x0133,
               {V(2), In(format), V(2), In(fields32), V(3), In(entries12)},
               [=](Io&) {
                 return VNXCreateVirtualDesc(2, C(format), 2, fields32.data(), 3, entries12.data());
               }});
  const auto redefines = Pattern(32, 31);  // (6 + 10) x 2
  t.push_back({"VNXredefines",
               "two 16-byte entries",
               0x0145,
               {V(2), In(format), V(6), V(2), In(redefines)},
               [=](Io&) { return VNXredefines(2, C(format), 6, 2, redefines.data()); }});
  const auto keyNames = Raw("KEYA      KEYB      ");
  t.push_back({"VNXSetTypeKey", "two names", 0x0142, {V(2), V(2), In(keyNames), V(1)}, [=](Io&) {
                 return VNXSetTypeKey(2, 2, C(keyNames), 1);
               }});
  t.push_back({"VNXrlsrcd", "handle and option", 0x0144, {V(2), V(1)}, [](Io&) {
                 return VNXrlsrcd(2, 1);
               }});
  const std::string work = "QTEMP/WORK";
  t.push_back({"VNXFreeFile", "text", 0x0543, {In(Text(work))}, [=](Io&) {
                 return VNXFreeFile(work.c_str());
               }});
  t.push_back({"StartFile_Test", "text and option", 0x0522, {In(Text(work)), V(3)}, [=](Io&) {
                 return StartFile_Test(work.c_str(), 3);
               }});
  const std::string errorText = "error text";
  t.push_back({"StartFile_Err", "text", 0x0523, {In(Text(errorText))}, [=](Io&) {
                 return StartFile_Err(errorText.c_str());
               }});
  t.push_back(
      {"VNXStopFile_Test", "no parameters", 0x0149, {}, [](Io&) { return VNXStopFile_Test(); }});
  t.push_back({"CloseSession", "no reply", 0x0221, {V(2)}, [](Io&) { return CloseSession(2); }});
}

}  // namespace vantora::testing
