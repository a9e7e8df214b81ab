// The cases of the export table: for each export of mv432ida.h, the call,
// its wire parameters and the reply's effect (see client_export_cases.h).
#include "tests/client_export_cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string_view>
#include <thread>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/scripted_transport.h"

namespace vantora::testing {

void PrintTo(const WireCase& c, std::ostream* os) {
  *os << c.exportName << " (" << c.variant << ")";
}

void PrintTo(const LocalCase& c, std::ostream* os) {
  *os << c.exportName;
}

namespace {

std::vector<uint8_t> Raw(std::string_view s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}
// A text as it travels: its characters and the terminator.
std::vector<uint8_t> Text(std::string_view s) {
  auto v = Raw(s);
  v.push_back(0);
  return v;
}
// A 10-character blank-padded name field.
std::vector<uint8_t> Name(std::string_view s) {
  std::vector<uint8_t> v(10, ' ');
  std::copy(s.begin(), s.end(), v.begin());
  return v;
}
std::vector<uint8_t> Pattern(size_t n, int seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + static_cast<size_t>(seed));
  return v;
}
std::vector<uint8_t> Le32(int32_t value) {
  std::vector<uint8_t> v(4);
  wire::StoreLeI32(v.data(), value);
  return v;
}
std::vector<uint8_t> Le16(int16_t value) {
  std::vector<uint8_t> v(2);
  wire::StoreLeI16(v.data(), value);
  return v;
}
const char* C(const std::vector<uint8_t>& v) {
  return reinterpret_cast<const char*>(v.data());
}

// 16-byte database-server field entries whose int16 at 14 is each length.
std::vector<uint8_t> FieldEntries(std::initializer_list<int16_t> lengths) {
  std::vector<uint8_t> v;
  int seed = 1;
  for (int16_t length : lengths) {
    auto entry = Pattern(16, seed++);
    wire::StoreLeI16(entry.data() + 14, length);
    v.insert(v.end(), entry.begin(), entry.end());
  }
  return v;
}

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

// ---- The table: programs, jobs, data queues, commands, SQL, services ------

void AddServiceCases(std::vector<WireCase>& t) {
  const std::string command = "CRTLIB LIB(TEST)";
  t.push_back({"Rsystem", "command text", 0x0512, {In(Text(command))}, [=](Io&) {
                 return Rsystem(command.c_str());
               }});
  t.push_back({"VNXCmdExec", "command text", 0x0558, {In(Text(command))}, [=](Io&) {
                 return VNXCmdExec(command.c_str());
               }});

  // The link descriptor: 22 bytes of program identification, n = 2 at 22,
  // m = 3 at 32; the link number comes back at 24, the answers at 28 and 30.
  std::vector<uint8_t> descriptor = Pattern(34, 40);
  wire::StoreLeI16(descriptor.data() + 22, 2);
  wire::StoreLeI16(descriptor.data() + 32, 3);
  const std::vector<uint8_t> identification(descriptor.begin(), descriptor.begin() + 22);
  const auto parameters = Pattern(28, 41);
  const auto entries = Pattern(6, 42);
  t.push_back({"PgmLink",
               "n and m from the descriptor, link stored at 24",
               0x0128,
               {In(identification), V(2), In(parameters), Out(2, Le16(0x1234), 0, 28),
                Out(2, Le16(0x5678), 0, 30), V(3), In(entries)},
               [=](Io& io) { return PgmLink(io[0], parameters.data(), entries.data()); },
               7,
               7,
               [=](Io& io) { std::copy(descriptor.begin(), descriptor.end(), io[0]); },
               {{0, 24, Le32(7)}}});
  const auto callIn = Pattern(6, 43);
  t.push_back({"PgmCall",
               "lengths taken as 16-bit",
               0x0129,
               {V(9), Out(8, Pattern(8, 44), 0), In(callIn)},
               [=](Io& io) { return PgmCall(9, 0x10008, io[0], 0x20006, callIn.data()); }});
  t.push_back({"PgmUnLink", "no reply", 0x022A, {V(9)}, [](Io&) { return PgmUnLink(9); }});

  const auto job = Name("JOB1");
  const auto user = Name("USER1");
  t.push_back({"JOBcall", "two names", 0x052B, {In(job), In(user)}, [=](Io&) {
                 return JOBcall(C(job), C(user));
               }});
  const auto jobData = Pattern(7, 45);
  t.push_back({"JOBsend", "odd data padded", 0x052C, {V(5), V(7), In(jobData)}, [=](Io&) {
                 return JOBsend(5, 7, jobData.data());
               }});
  t.push_back({"JOBreceive",
               "data returned",
               0x012D,
               {V(5), V(20), Out(20, Pattern(20, 46), 0)},
               [](Io& io) { return JOBreceive(5, 20, io[0]); }});
  const auto sendData = Pattern(9, 47);
  t.push_back({"JOBsendreceive",
               "placeholder after odd data",
               0x0532,
               {V(5), V(9), In(sendData), V(12), Out(12, Pattern(12, 48), 0)},
               [=](Io& io) { return JOBsendreceive(5, 9, sendData.data(), 12, io[0]); }});

  const auto queue = Name("DTAQ1");
  const auto library = Name("QGPL");
  const auto name3 = Name("NAME3");
  t.push_back({"VNXLinkDataQueue",
               "names and values",
               0x0134,
               {In(queue), In(library), V(100), V(200), In(name3)},
               [=](Io&) { return VNXLinkDataQueue(C(queue), C(library), 100, 200, C(name3)); }});
  t.push_back(
      {"VNXUnlinkDataQueue", "link", 0x0135, {V(4)}, [](Io&) { return VNXUnlinkDataQueue(4); }});
  const auto entry15 = Pattern(15, 49);
  const auto qkey = Raw("KEY1");
  t.push_back({"VNXSendDataQueue",
               "with key",
               0x0136,
               {V(4), In(entry15), V(15), In(qkey), V(4)},
               [=](Io&) { return VNXSendDataQueue(4, entry15.data(), 15, qkey.data(), 4); }});
  t.push_back({"VNXSendDataQueue",
               "key without length sends neither",
               0x0136,
               {V(4), In(entry15), V(15), In({}), V(0)},
               [=](Io&) { return VNXSendDataQueue(4, entry15.data(), 15, qkey.data(), 0); }});
  t.push_back({"VNXSendDataQueue",
               "length without key sends neither",
               0x0136,
               {V(4), In(entry15), V(15), In({}), V(0)},
               [=](Io&) { return VNXSendDataQueue(4, entry15.data(), 15, nullptr, 4); }});
  t.push_back(
      {"VNXReceiveDataQueue",
       "order and key",
       0x0137,
       {V(4), Out(64, Pattern(64, 50), 0), V(64), V(-1), In(Raw("GE")), In(qkey), V(4)},
       [=](Io& io) { return VNXReceiveDataQueue(4, io[0], 64, -1, "GE", qkey.data(), 4); }});
  t.push_back({"VNXReceiveDataQueue",
               "no order, no key",
               0x0137,
               {V(4), Out(64, Pattern(64, 51), 0), V(64), V(30), In({}), In({}), V(0)},
               [=](Io& io) { return VNXReceiveDataQueue(4, io[0], 64, 30, nullptr, nullptr, 4); }});

  t.push_back({"VNXSqlBegin", "no parameters", 0x0138, {}, [](Io&) { return VNXSqlBegin(); }});
  t.push_back({"VNXSqlEnd", "no parameters", 0x0139, {}, [](Io&) { return VNXSqlEnd(); }});
  t.push_back(
      {"VNXSqlSqlca", "136-byte area", 0x013A, {Out(136, Pattern(136, 52), 0), V(136)}, [](Io& io) {
         return VNXSqlSqlca(io[0], 136);
       }});
  const auto statement = Raw("DELETE FROM T");  // the caller's length, no terminator
  t.push_back({"VNXSqlImmediate",
               "statement of the given length",
               0x013B,
               {In(statement), V(13)},
               [=](Io&) { return VNXSqlImmediate(C(statement), 13); }});
  t.push_back(
      {"VNXSqlDeclare", "statement of the given length", 0x013C, {In(statement), V(13)}, [=](Io&) {
         return VNXSqlDeclare(C(statement), 13);
       }});
  t.push_back({"VNXSqlOpen", "cursor", 0x013D, {V(3)}, [](Io&) { return VNXSqlOpen(3); }});
  t.push_back({"VNXSqlCommit", "option", 0x013E, {V(1)}, [](Io&) { return VNXSqlCommit(1); }});
  t.push_back({"VNXSqlFetch",
               "row returned",
               0x013F,
               {V(3), Out(40, Pattern(40, 53), 0), V(40)},
               [](Io& io) { return VNXSqlFetch(3, io[0], 40); }});
  t.push_back({"VNXSqlEFetch",
               "rows x row length",
               0x0154,
               {V(3), Out(60, Pattern(60, 54), 0), V(20), V(3), V(1)},
               [](Io& io) { return VNXSqlEFetch(3, io[0], 20, 3, 1); },
               3,
               3});
  const auto row = Pattern(11, 55);
  t.push_back({"VNXSqlRow", "row data", 0x0141, {V(3), In(row), V(11)}, [=](Io&) {
                 return VNXSqlRow(3, row.data(), 11);
               }});
  t.push_back({"VNXSqlClose", "cursor", 0x0140, {V(3)}, [](Io&) { return VNXSqlClose(3); }});

  const std::string s[8] = {"QUSRJOBI", "A", "BB", "CCC", "DDDD", "E", "FF", "GGG"};
  t.push_back({"VNXApiCall",
               "eight texts",
               0x0157,
               {In(Text(s[0])), In(Text(s[1])), In(Text(s[2])), In(Text(s[3])), In(Text(s[4])),
                In(Text(s[5])), In(Text(s[6])), In(Text(s[7]))},
               [=](Io&) {
                 return VNXApiCall(s[0].c_str(), s[1].c_str(), s[2].c_str(), s[3].c_str(),
                                   s[4].c_str(), s[5].c_str(), s[6].c_str(), s[7].c_str());
               }});
  t.push_back({"VNXApiCall",
               "null texts: seven empty buffers",
               0x0157,
               {In(Text(s[0])), In({}), In({}), In({}), In({}), In({}), In({}), In({})},
               [=](Io&) {
                 return VNXApiCall(s[0].c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr);
               }});
  const std::string space = "QTEMP/SPACE";
  t.push_back(
      {"VNXMapFile", "value, name, option", 0x0556, {V(1), In(Text(space)), V(2)}, [=](Io&) {
         return VNXMapFile(1, space.c_str(), 2);
       }});

  const auto dbEntries = FieldEntries({3, 5});
  const auto dbData = Pattern(8, 56);
  t.push_back({"VNXDBstart",
               "data sized by the entries",
               0x014A,
               {V(7), V(2), In(dbEntries), In(dbData)},
               [=](Io&) { return VNXDBstart(7, 2, dbEntries.data(), dbData.data()); }});
  const auto list = Pattern(8, 57);
  const auto dbEntries3 = FieldEntries({4, 1, 2});
  const auto dbData7 = Pattern(7, 58);
  t.push_back(
      {"VNXDBopen",
       "data sized by the entries",
       0x014D,
       {V(2), In(list), V(3), In(dbEntries3), In(dbData7)},
       [=](Io&) { return VNXDBopen(2, list.data(), 3, dbEntries3.data(), dbData7.data()); }});
  t.push_back({"VNXDBstop", "value", 0x014B, {V(7)}, [](Io&) { return VNXDBstop(7); }});
  t.push_back({"VNXDBinit", "three values", 0x014C, {V(1), V(2), V(3)}, [](Io&) {
                 return VNXDBinit(1, 2, 3);
               }});

  const auto echo = Pattern(9, 59);
  auto echoed = echo;
  std::reverse(echoed.begin(), echoed.end());
  const auto putEcho = [=](Io& io) { std::copy(echo.begin(), echo.end(), io[0]); };
  t.push_back({"VNXecho",
               "with answer: the buffer holds the echo",
               0x014F,
               {InOut(echo, echoed, 0), V(9), V(1)},
               [](Io& io) { return VNXecho(io[0], 9, 1); },
               1,
               1,
               putEcho});
  t.push_back({"VNXecho",
               "without answer: no reply, buffer untouched",
               0x024F,
               {In(echo), V(9), V(0)},
               [](Io& io) { return VNXecho(io[0], 9, 0); },
               1,
               1,
               putEcho});

  t.push_back({"ReadTableASCII_EBCDIC",
               "256-byte table",
               0x0124,
               {Out(256, Pattern(256, 60), 0)},
               [](Io& io) { return ReadTableASCII_EBCDIC(io[0]); }});
  t.push_back({"ReadTableEBCDIC_ASCII",
               "256-byte table",
               0x0125,
               {Out(256, Pattern(256, 61), 0)},
               [](Io& io) { return ReadTableEBCDIC_ASCII(io[0]); }});
  const auto table = Pattern(256, 62);
  t.push_back({"WriteTableASCII_EBCDIC", "no reply", 0x0226, {In(table)}, [=](Io&) {
                 return WriteTableASCII_EBCDIC(table.data());
               }});
  t.push_back({"WriteTableEBCDIC_ASCII", "no reply", 0x0227, {In(table)}, [=](Io&) {
                 return WriteTableEBCDIC_ASCII(table.data());
               }});
  t.push_back({"RTV_AS_VER", "version returned", 0x012E, {Out(4, Le32(530), 0)}, [](Io& io) {
                 return RTV_AS_VER(reinterpret_cast<int32_t*>(io[0]));
               }});
}

// ---- The table: the session requests ---------------------------------------

void AddSessionCases(std::vector<WireCase>& t) {
  std::vector<uint8_t> machine(18, 0);
  const std::string host = "AS400B";
  std::copy(host.begin(), host.end(), machine.begin());
  t.push_back({"StartSession",
               "session open with machine, user and password",
               0x0115,
               {V(3), V(2), In(Text("VANTORA")), V(0), In(machine), In(Raw("QPGMR     ")),
                In(Raw("PW1       "))},
               [](Io&) { return StartSession(); },
               0,
               1,
               [=](Io&) {
                 MCH_name(host.c_str());
                 VNXSetUserId("QPGMR", "PW1");
               },
               {},
               false});
  t.push_back(
      {"FreeSession", "end of session, no reply", 0x0216, {}, [](Io&) { return FreeSession(); }});
}

}  // namespace

std::vector<WireCase> WireCases() {
  std::vector<WireCase> t;
  AddSessionCases(t);
  AddFileCases(t);
  AddServiceCases(t);
  return t;
}

namespace {

// ---- Exports that issue no request of their own -----------------------------

// Opens the session (the transport auto-replies) and forgets the calls so far.
void OpenSession() {
  ASSERT_EQ(StartSession(), 1);
  ScriptedTransport::Reset();
}

// A failed request whose reply carries every error detail.
void FailWithDetail() {
  OpenSession();
  ScriptedTransport::SetAutoReply(false);
  Reply reply;
  reply.code = 0x0111;
  reply.result = -1;
  reply.status = 3004;
  reply.systemError = std::string("CPF9801\0", 8);
  reply.internalError = 77;
  ScriptedTransport::QueueReceive(reply.Bytes());
  ASSERT_EQ(Rlength(1), -1);
}

}  // namespace

std::vector<LocalCase> LocalCases() {
  return {
      {"OpenMultiSession",
       [] {
         EXPECT_EQ(OpenMultiSession(0), 0);
         EXPECT_EQ(OpenMultiSession(2), 1);
         EXPECT_EQ(VNXSession(1), 1);
         EXPECT_EQ(CloseMultiSession(), 1);
         EXPECT_TRUE(ScriptedTransport::Calls("RESDebutMultiSession").empty());
         // A connected default session is ended before its table is replaced.
         OpenSession();
         EXPECT_EQ(OpenMultiSession(2), 1);
         auto parts = ScriptedTransport::SentParts();
         ASSERT_EQ(parts.size(), 1u);
         EXPECT_EQ(wire::LoadLeI32(parts[0].data() + 4 + 4), 0x0216);
         EXPECT_EQ(ScriptedTransport::Calls("RESDeconnexion").size(), 1u);
         EXPECT_EQ(CloseMultiSession(), 1);
         // Not in multi-thread mode.
         ASSERT_EQ(VNXThreadAttach(), 1);
         EXPECT_EQ(OpenMultiSession(2), 0);
       }},
      {"CloseMultiSession",
       [] {
         OpenSession();
         EXPECT_EQ(CloseMultiSession(), 1);  // ends the connected session
         auto parts = ScriptedTransport::SentParts();
         ASSERT_EQ(parts.size(), 1u);
         // The request code: after the transport's 4 bytes, at header offset 4.
         EXPECT_EQ(wire::LoadLeI32(parts[0].data() + 4 + 4), 0x0216);
         EXPECT_EQ(ScriptedTransport::Calls("RESDeconnexion").size(), 1u);
       }},
      {"VNXSession",
       [] {
         EXPECT_EQ(VNXSession(0), 0);
         EXPECT_EQ(VNXSession(1), -1);
         EXPECT_EQ(VNXSession(-1), -1);  // outside multi-thread mode: keeps the selection
         EXPECT_EQ(StartSession(), 1);
       }},
      {"VNXThreadAttach",
       [] {
         EXPECT_EQ(VNXThreadAttach(), 1);
         EXPECT_EQ(VNXThreadAttach(), 2);
         auto begin = ScriptedTransport::Calls("RESDebutMultiSession");
         ASSERT_EQ(begin.size(), 1u);
         EXPECT_EQ(begin[0].length, 2);  // NbSession of the test settings
       }},
      {"VNXThreadDetach",
       [] {
         EXPECT_EQ(VNXThreadDetach(), 0);  // not in multi-thread mode
         ASSERT_EQ(VNXThreadAttach(), 1);
         EXPECT_EQ(VNXThreadDetach(), 1);
         EXPECT_EQ(VNXThreadDetach(), 0);
       }},
      {"VNXTerminate",
       [] {
         OpenSession();
         EXPECT_EQ(VNXTerminate(), 1);
         EXPECT_EQ(ScriptedTransport::TerminateCalls(), 1);
         // The next session function binds the transport again.
         EXPECT_EQ(StartSession(), 1);
         EXPECT_EQ(ScriptedTransport::Calls("RESConnexion").size(), 1u);
       }},
      {"MCH_name",
       [] {
         EXPECT_EQ(MCH_name("ABCDEFGHIJKLMNOPQ"), 1);  // 17 characters
         EXPECT_EQ(MCH_name("ABCDEFGHIJKLMNOPQR"), -1);
         ASSERT_EQ(StartSession(), 1);
         EXPECT_EQ(ScriptedTransport::Calls("RESConnexion").at(0).machine, "ABCDEFGHIJKLMNOPQ");
       }},
      {"VNXGET_MCH_name",
       [] {
         ASSERT_EQ(MCH_name("SYS1"), 1);
         char name[20];
         std::fill(std::begin(name), std::end(name), 'x');
         EXPECT_EQ(VNXGET_MCH_name(name, 20), 0);
         EXPECT_EQ(std::string(name, 20), std::string("SYS1") + std::string(16, '\0'));
         std::fill(std::begin(name), std::end(name), 'x');
         EXPECT_EQ(VNXGET_MCH_name(name, 2), 0);
         EXPECT_EQ(std::string(name, 3), "SYx");
       }},
      {"VNXSetUserId",
       [] {
         EXPECT_EQ(VNXSetUserId("AB", ""), 1);
         ASSERT_EQ(StartSession(), 1);
         auto connect = ScriptedTransport::Calls("RESConnexion").at(0);
         EXPECT_EQ(connect.user, "AB        ");
         EXPECT_EQ(connect.password, "          ");
       }},
      {"PGM_name",
       [] {
         EXPECT_EQ(PGM_name(std::string(64, 'P').c_str()), -1);
         EXPECT_EQ(PGM_name("MYLIB/MYSERVER"), 1);
         EXPECT_EQ(StartSession(), 1);
         EXPECT_EQ(PGM_name("VANTORA/VANTORA"), 1);  // shared by all sessions: restore it
         EXPECT_EQ(ScriptedTransport::Calls("RESConnexion").at(0).program, "MYLIB/MYSERVER");
       }},
      {"VNXMode",
       [] {
         OpenSession();
         EXPECT_EQ(VNXMode(1, 1), 1);
         ScriptedTransport::SetAutoReply(true, 5);
         EXPECT_EQ(Rlength(1), 1);  // armed: RESModeReception's result
         EXPECT_EQ(VNXStatus(), VNX_STATUS_COMPLETE);
         EXPECT_EQ(VNXComplete(), 5);
       }},
      {"VNXStatus",
       [] {
         EXPECT_EQ(VNXStatus(), VNX_STATUS_IDLE);  // nothing asked yet
         // A synchronous request leaves its message complete, which the
         // status reports as a complete reply.
         OpenSession();
         EXPECT_EQ(VNXStatus(), VNX_STATUS_COMPLETE);
       }},
      {"VNXComplete",
       [] {
         OpenSession();
         EXPECT_EQ(VNXComplete(), VNX_ERR_INTERNAL);
         EXPECT_EQ(Internal_Error(), VNX_IERR_NO_COMPLETE_REPLY);
       }},
      {"retstat",
       [] {
         FailWithDetail();
         EXPECT_EQ(retstat(), 3004);
       }},
      {"Return_Syserr",
       [] {
         FailWithDetail();
         char id[8] = {};
         EXPECT_EQ(Return_Syserr(id), 1);
         EXPECT_STREQ(id, "CPF9801");
       }},
      {"Internal_Error",
       [] {
         FailWithDetail();
         EXPECT_EQ(Internal_Error(), 77);
       }},
      {"APPC_ERR",
       [] {
         OpenSession();
         ScriptedTransport::SetAppcError(7, 1234);
         int16_t primary = 0;
         int32_t secondary = 0;
         EXPECT_EQ(APPC_ERR(&primary, &secondary), 1);
         EXPECT_EQ(primary, 7);
         EXPECT_EQ(secondary, 1234);
         EXPECT_EQ(ScriptedTransport::Calls("RESAppcErr").size(), 1u);
       }},
      {"Map_Appc",
       [] {
         EXPECT_EQ(Map_Appc(), 0);
         EXPECT_TRUE(ScriptedTransport::Calls().empty());
       }},
      {"RTV_PC_VER",
       [] {
         int32_t version = 0;
         EXPECT_EQ(RTV_PC_VER(&version), 4);
         EXPECT_EQ(version, 202);
         EXPECT_TRUE(ScriptedTransport::Calls().empty());  // no session opened
         // Also on a thread that has no session at all.
         ASSERT_EQ(VNXThreadAttach(), 1);
         int32_t result = 0;
         int32_t threadVersion = 0;
         int32_t request = 0;
         std::thread([&] {
           result = RTV_PC_VER(&threadVersion);
           request = Rlength(1);
         }).join();
         EXPECT_EQ(result, 4);
         EXPECT_EQ(threadVersion, 202);
         EXPECT_EQ(request, VNX_ERR_INTERNAL);
       }},
  };
}

}  // namespace vantora::testing
