// The export table's programs, jobs, data queues, commands, SQL and
// services: the call, its wire parameters and the reply's effect (see
// client_export_cases.h).
#include "tests/client_export_cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <thread>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/scripted_transport.h"

namespace vantora::testing {

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

}  // namespace vantora::testing
