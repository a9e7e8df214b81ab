// The parameter table checked against the wire tables, transcribed here in
// their own notation: h and bare names are values, in(...) input buffers,
// out(...) output buffers, io(...) input/output buffers.
#include "protocol/operations.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace vantora::wire {
namespace {

struct WireRow {
  const char* name;
  uint16_t code;
  const char* parameters;
};

const WireRow kWireTables[] = {
    {"Ropen", 0x0500, "in(file), in(mode)"},
    {"Rclose", 0x0201, "h"},
    {"RLclose", 0x0230, "h"},
    {"Rreadn", 0x0102, "h, out(length, buffer), length, option"},
    {"Rreadp", 0x0103, "h, out(length, buffer), length, option"},
    {"Rreadf", 0x0104, "h, out(length, buffer), length, option"},
    {"Rreadl", 0x0105, "h, out(length, buffer), length, option"},
    {"Rreads", 0x0106, "h, out(length, buffer), length, option"},
    {"Rreadk", 0x0107, "h, out(length, buffer), length, option, in(keyLength, key), keyLength"},
    {"Rreadd", 0x0108, "h, out(length, buffer), length, option, recordNumber"},
    {"Rwrite", 0x0109, "h, in(length, buffer), length"},
    {"Rwrited", 0x010A, "h, in(length, buffer), length, recordNumber"},
    {"Rupdate", 0x010B, "h, in(length, buffer), length"},
    {"Rdelete", 0x010C, "h"},
    {"Rrlslck", 0x010D, "h"},
    {"Rlocate", 0x010E, "h, in(keyLength, key), keyLength, option"},
    {"Rfeod", 0x010F, "h"},
    {"Rrstatus", 0x0110, "h, out(24, buffer)"},
    {"Rlength", 0x0111, "h"},
    {"Rcommit", 0x0513, "in(text)"},
    {"Rrollbck", 0x0114, ""},
    {"Rformat", 0x0517, "h, in(10, formatName)"},
    {"Rselect", 0x012F, "h, in(10, formatName), count, in(10 x count, names)"},
    {"Rgetkey", 0x0131, "h, out(length, buffer), length"},
    {"RCreatDDS", 0x0120, "in(file), lineCount, in(80 x lineCount, lines), option"},
    {"SetConvFld", 0x0118, "h, count, in(6 x count, entries)"},
    {"GetNbrFmt", 0x0119, "h"},
    {"GetTypeFmt", 0x011A, "h, count, out(16 x count, buffer)"},
    {"GetTypeFld", 0x011B, "h, count, out(22 x count, buffer)"},
    {"GetTypeKey", 0x011C, "h, count, out(22 x count, buffer)"},
    {"SetImpGenConv", 0x011D, "count, in(8 x count, entries)"},
    {"SetImpConv", 0x011E, "h, count, in(8 x count, entries)"},
    {"SetTypeFld", 0x011F, "h, in(22, description)"},
    {"VNXopen", 0x054E, "in(file), mode, option"},
    {"VNXRead", 0x0146,
     "h, out(L, records), recordLength, options, in(keyLength, key), keyLength, out(N, numbers)"},
    {"VNXWrite", 0x0147, "h, in(L, records), recordLength, options, out(N, numbers)"},
    {"VNXGetDesc", 0x0148, "h, out(S, buffer), size, flags, in(10, formatName)"},
    {"VNXCreateVirtualDesc", 0x0133,
     "h, in(10, formatName), fieldCount, in(16 x fieldCount, fields), count, in(4 x count, e)"},
    {"VNXredefines", 0x0145, "h, in(10, formatName), size, count, in(s, entries)"},
    {"VNXSetTypeKey", 0x0142, "h, count, in(10 x count, names), option"},
    {"VNXrlsrcd", 0x0144, "h, option"},
    {"VNXFreeFile", 0x0543, "in(file)"},
    {"StartFile_Test", 0x0522, "in(file), option"},
    {"StartFile_Err", 0x0523, "in(text)"},
    {"VNXStopFile_Test", 0x0149, ""},
    {"CloseSession", 0x0221, "h"},
    {"Rsystem", 0x0512, "in(command)"},
    {"VNXCmdExec", 0x0558, "in(command)"},
    {"PgmLink", 0x0128,
     "in(22, descriptor), n, in(14 x n, parameters), out(2, d28), out(2, d30), m, in(2 x m, e)"},
    {"PgmCall", 0x0129, "link, out(outLength, outData), in(inLength, inData)"},
    {"PgmUnLink", 0x022A, "link"},
    {"JOBcall", 0x052B, "in(10, name1), in(10, name2)"},
    {"JOBsend", 0x052C, "job, length, in(length, data)"},
    {"JOBreceive", 0x012D, "job, length, out(length, buffer)"},
    {"JOBsendreceive", 0x0532,
     "job, sendLength, in(sendLength, sendData), receiveLength, out(receiveLength, buffer)"},
    {"VNXLinkDataQueue", 0x0134, "in(10, queue), in(10, library), value1, value2, in(10, name3)"},
    {"VNXUnlinkDataQueue", 0x0135, "queueLink"},
    {"VNXSendDataQueue", 0x0136, "queueLink, in(length, data), length, in(keyLength, key), kl"},
    {"VNXReceiveDataQueue", 0x0137,
     "queueLink, out(length, buffer), length, wait, in(2, order), in(keyLength, key), kl"},
    {"VNXSqlBegin", 0x0138, ""},
    {"VNXSqlEnd", 0x0139, ""},
    {"VNXSqlSqlca", 0x013A, "out(length, buffer), length"},
    {"VNXSqlImmediate", 0x013B, "in(length, statement), length"},
    {"VNXSqlDeclare", 0x013C, "in(length, statement), length"},
    {"VNXSqlOpen", 0x013D, "cursor"},
    {"VNXSqlCommit", 0x013E, "option"},
    {"VNXSqlFetch", 0x013F, "cursor, out(length, buffer), length"},
    {"VNXSqlEFetch", 0x0154, "cursor, out(rl x rc, buffer), rowLength, rowCount, operation"},
    {"VNXSqlRow", 0x0141, "cursor, in(length, data), length"},
    {"VNXSqlClose", 0x0140, "cursor"},
    {"VNXApiCall", 0x0157, "in(s1), in(s2), in(s3), in(s4), in(s5), in(s6), in(s7), in(s8)"},
    {"VNXMapFile", 0x0556, "value, in(name), option"},
    {"VNXDBstart", 0x014A, "value, count, in(16 x count, entries), in(total, data)"},
    {"VNXDBopen", 0x014D,
     "listCount, in(4 x listCount, list), count, in(16 x count, entries), in(total, data)"},
    {"VNXDBstop", 0x014B, "value"},
    {"VNXDBinit", 0x014C, "a, b, c"},
    {"VNXecho", 0x014F, "io(length, buffer), length, answer"},
    {"ReadTableASCII_EBCDIC", 0x0124, "out(256, table)"},
    {"ReadTableEBCDIC_ASCII", 0x0125, "out(256, table)"},
    {"WriteTableASCII_EBCDIC", 0x0226, "in(256, table)"},
    {"WriteTableEBCDIC_ASCII", 0x0227, "in(256, table)"},
    {"RTV_AS_VER", 0x012E, "out(4, version)"},
    {"session open", 0x0115, "3, 2, in(VANTORA), 0, in(18, m), in(10, u), in(10, p)"},
    {"end of session", 0x0216, ""},
};

// Splits "a, in(x, y), b" at top-level commas and names each parameter's kind.
std::vector<ParamKind> KindsOf(const std::string& text) {
  std::vector<ParamKind> kinds;
  int depth = 0;
  std::string current;
  auto flush = [&] {
    size_t start = current.find_first_not_of(' ');
    if (start == std::string::npos) return;
    std::string p = current.substr(start);
    if (p.rfind("in(", 0) == 0)
      kinds.push_back(kInput);
    else if (p.rfind("out(", 0) == 0)
      kinds.push_back(kOutput);
    else if (p.rfind("io(", 0) == 0)
      kinds.push_back(kInOut);
    else
      kinds.push_back(kValue);
    current.clear();
  };
  for (char c : text) {
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (c == ',' && depth == 0)
      flush();
    else
      current += c;
  }
  flush();
  return kinds;
}

TEST(Operations, TableMatchesTheWireTables) {
  std::set<int> covered;
  for (const WireRow& row : kWireTables) {
    SCOPED_TRACE(row.name);
    const Operation& op = OperationEntry(row.code & 0xFF);
    ASSERT_TRUE(op.Used());
    EXPECT_STREQ(op.name, row.name);
    EXPECT_EQ(op.code, row.code);
    std::vector<ParamKind> kinds = KindsOf(row.parameters);
    ASSERT_EQ(op.count, kinds.size());
    for (size_t i = 0; i < kinds.size(); ++i) EXPECT_EQ(op.Kind(int(i)), kinds[i]) << "param " << i;
    EXPECT_LE(op.ArgWords(), kMaxArgWords);
    EXPECT_TRUE(covered.insert(row.code & 0xFF).second) << "operation number used twice";
  }
  for (int op = 0; op < kOperationCount; ++op) {
    EXPECT_EQ(OperationEntry(op).Used(), covered.count(op) == 1) << "operation " << op;
  }
}

TEST(Operations, OutOfRangeNumbersAreUnused) {
  EXPECT_FALSE(OperationEntry(0x5C).Used());
  EXPECT_FALSE(OperationEntry(0xFF).Used());
  EXPECT_FALSE(OperationEntry(-1).Used());
  EXPECT_FALSE(OperationEntry(0x50).Used());
}

}  // namespace
}  // namespace vantora::wire
