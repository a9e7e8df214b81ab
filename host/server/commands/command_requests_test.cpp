// The command requests through the client library and the embedded host:
// the texts the database driver sends, their effects, and their failures.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/embedded_host.h"
#include "tests/support/message_id.h"

namespace vantora::testing {
namespace {

class CommandRequests : public EmbeddedHostTest {
 protected:
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    ASSERT_EQ(StartSession(), 1);
  }

  // Runs `command` with Rsystem and expects the failure `id`.
  static void ExpectFailure(const std::string& command, const std::string& id) {
    SCOPED_TRACE(command);
    EXPECT_EQ(Rsystem(command.c_str()), -1);
    EXPECT_EQ(MessageId(), id);
  }

  // The relative record numbers an open of `file` reads, in order.
  static std::vector<int32_t> Rrns(const char* file) {
    std::vector<int32_t> out;
    int32_t h = VNXopen(file, 1, -1);
    EXPECT_GE(h, 0) << file << " " << MessageId();
    if (h < 0) return out;
    int32_t op = VNX_READ_FIRST;
    while (true) {
      int32_t numbers[100];
      int32_t r = VNXRead(h, nullptr, 0, op | VNX_BLOCK | 100, nullptr, 0, numbers);
      for (int32_t i = 0; i < r; ++i) out.push_back(numbers[i]);
      if (r < 100) break;
      op = VNX_READ_NEXT;
    }
    Rclose(h);
    return out;
  }

  static int32_t RecordCount(const char* file) {
    int32_t h = VNXopen(file, 1, -1);
    if (h < 0) return -1;
    int32_t count = -1;
    VNXGetDesc(h, &count, 4, VNX_DESC_RECORD_COUNT, "          ");
    Rclose(h);
    return count;
  }

  // Field names of `file` as the host describes them.
  static std::vector<std::string> FieldNames(const char* file, std::string* format) {
    std::vector<std::string> names;
    int32_t h = VNXopen(file, 1, -1);
    if (h < 0) return names;
    uint8_t header[16] = {};
    EXPECT_EQ(VNXGetDesc(h, header, 16, VNX_DESC_FILE_HEADER, "          "), 1);
    *format = std::string(reinterpret_cast<char*>(header), 10);
    int n = wire::LoadLeI16(header + 10);
    std::vector<uint8_t> fields(static_cast<size_t>(22 * n));
    EXPECT_GE(VNXGetDesc(h, fields.data(), 22, VNX_DESC_FIELDS + n, "          "), 0);
    for (int i = 0; i < n; ++i) {
      std::string name(reinterpret_cast<char*>(fields.data() + 22 * i), 10);
      while (!name.empty() && name.back() == ' ') name.pop_back();
      names.push_back(name);
    }
    Rclose(h);
    return names;
  }

  // The PC text of field `field` in the first record of `file`.
  static std::string FirstValue(const char* file, const std::string& field) {
    int32_t h = VNXopen(file, 1, -1);
    if (h < 0) return "<no open>";
    uint8_t header[16] = {};
    VNXGetDesc(h, header, 16, VNX_DESC_FILE_HEADER, "          ");
    int n = wire::LoadLeI16(header + 10);
    int length = wire::LoadLeI16(header + 12);
    std::vector<uint8_t> fields(static_cast<size_t>(22 * n));
    VNXGetDesc(h, fields.data(), 22, VNX_DESC_FIELDS + n, "          ");
    std::vector<char> record(static_cast<size_t>(length));
    VNXRead(h, record.data(), length, VNX_READ_FIRST, nullptr, 0, nullptr);
    Rclose(h);
    int offset = 0;
    for (int i = 0; i < n; ++i) {
      std::string name(reinterpret_cast<char*>(fields.data() + 22 * i), 10);
      int pcLength = wire::LoadLeI16(fields.data() + 22 * i + 12);
      if (name.substr(0, field.size()) == field && name[field.size()] == ' ') {
        return std::string(record.data() + offset, static_cast<size_t>(pcLength));
      }
      offset += pcLength;
    }
    return "<no field>";
  }

  // Writes DDS lines with RCreatDDS, the first with mode 0.
  static void WriteSource(const char* member, const std::vector<std::string>& lines) {
    int mode = 0;
    for (std::string line : lines) {
      line.resize(80, ' ');
      ASSERT_EQ(RCreatDDS(member, 1, line.c_str(), mode), 1) << line << " " << MessageId();
      mode = 2;
    }
  }
};

std::string Line(std::initializer_list<std::pair<int, std::string>> pieces) {
  std::string line(80, ' ');
  for (const auto& [col, text] : pieces)
    line.replace(static_cast<size_t>(col - 1), text.size(), text);
  return line;
}

// Order i of the demo library: status and date as the demo setup makes them.
char OrderStatus(int i) {
  return i % 7 == 0 ? 'C' : (i % 3 == 0 ? 'S' : 'O');
}
std::string OrderDate(int i) {
  int d = (i * 13) % 900;
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", 2020 + d / 336, 1 + (d / 28) % 12, 1 + d % 28);
  return text;
}

TEST_F(CommandRequests, RsystemAnswersZeroAndCmdExecOne) {
  EXPECT_EQ(Rsystem("CHGJOB DATFMT(*YMD) DATSEP('-') TIMSEP('.')"), 0);
  EXPECT_EQ(VNXCmdExec("CRTLIB LIB(MYLIB) TEXT('mine')"), 1);
  EXPECT_EQ(VNXCmdExec("CRTLIB LIB(MYLIB)"), -1);
  EXPECT_EQ(MessageId(), "CPF2111");
  EXPECT_EQ(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
  ExpectFailure("STRCMTCTL LCKLVL(*CHG)", "CPF8351");
  EXPECT_EQ(Rsystem("ENDCMTCTL"), 0);
}

TEST_F(CommandRequests, MalformedCommandsAnswerTheirIdentifiers) {
  ExpectFailure("NOSUCH PARM(1)", "CPD0030");
  ExpectFailure("CHGJOB COLOUR(*RED)", "CPD0043");
  ExpectFailure("CHGJOB DATFMT(*XYZ)", "CPD0084");
  ExpectFailure("CRTLIB LIB(9LIVES)", "CPD0085");
  ExpectFailure("CHGJOB DATFMT(*YMD", "CPD0006");
  ExpectFailure("CHGJOB DATSEP('-)", "CPD0014");
  ExpectFailure("STRCMTCTL", "CPD0072");
  EXPECT_EQ(VNXCmdExec("CRTDTAQ DTAQ(QGPL/Q1)"), -1);
  EXPECT_EQ(MessageId(), "CPD0072");
}

TEST_F(CommandRequests, ChgjobChangesDateTextsAndFailuresChangeNothing) {
  const std::string before = FirstValue("DEMO/CUSTOMER", "OPENED");
  ASSERT_EQ(before.size(), 10u);
  ExpectFailure("CHGJOB DATFMT(*YMD) DATSEP('X')", "CPD0084");
  EXPECT_EQ(FirstValue("DEMO/CUSTOMER", "OPENED"), before);
  ASSERT_EQ(Rsystem("CHGJOB DATFMT(*DMY) DATSEP('/') TIMSEP('.')"), 0);
  const std::string after = FirstValue("DEMO/CUSTOMER", "OPENED");
  EXPECT_NE(after.substr(0, 8), before.substr(0, 8)) << before << " / " << after;
  EXPECT_NE(after.find('/'), std::string::npos) << after;
}

TEST_F(CommandRequests, LibraryListCommands) {
  ASSERT_EQ(Rsystem("CRTLIB LIB(MYLIB)"), 0);
  ExpectFailure("CHGCURLIB CURLIB(NOLIB)", "CPF2110");
  ASSERT_EQ(Rsystem("ADDLIBLE LIB(DEMO) POSITION(*FIRST)"), 0);
  ExpectFailure("ADDLIBLE DEMO", "CPF2103");
  EXPECT_EQ(Rrns("ORDERS").size(), 200u);  // found through the library list
  ASSERT_EQ(Rsystem("RMVLIBLE LIB(DEMO)"), 0);
  ExpectFailure("RMVLIBLE LIB(DEMO)", "CPF2104");
  ASSERT_EQ(Rsystem("CHGCURLIB MYLIB"), 0);
  ASSERT_EQ(Rsystem("CRTDTAQ DTAQ(Q1) MAXLEN(100) SEQ(*KEYED) KEYLEN(8)"), 0);
  ExpectFailure("CRTDTAQ DTAQ(Q2) MAXLEN(100) KEYLEN(8)", "CPD0084");
  ASSERT_EQ(Rsystem("DLTDTAQ DTAQ(MYLIB/Q1)"), 0);
  ExpectFailure("DLTDTAQ DTAQ(MYLIB/Q1)", "CPF2105");
}

TEST_F(CommandRequests, OpenQueryFileSelectsThroughTheOverride) {
  std::vector<int32_t> closed;
  for (int i = 1; i <= 200; ++i) {
    if (OrderStatus(i) == 'C') closed.push_back(i);
  }
  ASSERT_EQ(Rrns("DEMO/ORDERS").size(), 200u);
  ASSERT_EQ(Rsystem("OPNQRYF FILE((DEMO/ORDERS)) OPTION(*INP) QRYSLT('(STATUS *EQ \"C\")') "
                    "KEYFLD(*FILE) OPNID(VNX0012)"),
            0);
  ASSERT_EQ(Rsystem("OVRDBF ORDERS SHARE(*YES) OVRSCOPE(*JOB)"), 0);
  EXPECT_EQ(Rrns("DEMO/ORDERS"), closed);
  // Single reads backwards pass over the records left out too.
  int32_t h = VNXopen("DEMO/ORDERS", 1, -1);
  ASSERT_GE(h, 0);
  int32_t rrn = 0;
  EXPECT_EQ(VNXRead(h, nullptr, 0, VNX_READ_LAST, nullptr, 0, &rrn), 1);
  EXPECT_EQ(rrn, closed.back());
  EXPECT_EQ(VNXRead(h, nullptr, 0, VNX_READ_PRIOR, nullptr, 0, &rrn), 1);
  EXPECT_EQ(rrn, closed[closed.size() - 2]);
  EXPECT_EQ(VNXRead(h, nullptr, 0, VNX_READ_RRN, nullptr, 1, &rrn), -1);  // rrn 1 is left out
  EXPECT_EQ(VNXRead(h, nullptr, 0, VNX_READ_RRN, nullptr, 7, &rrn), 1);
  EXPECT_EQ(rrn, 7);
  Rclose(h);
  // A second query of the same identifier is refused; another one is not.
  ExpectFailure("OPNQRYF FILE((DEMO/ORDERS)) QRYSLT('STATUS *EQ \"O\"') OPNID(VNX0012)", "CPF4174");
  ASSERT_EQ(Rsystem("CLOF (VNX0012)"), 0);
  EXPECT_EQ(Rrns("DEMO/ORDERS").size(), 200u);
  ExpectFailure("CLOF (VNX0012)", "CPF4520");
}

TEST_F(CommandRequests, OpenQueryFileWithQuotesDatesAndLongIdentifiers) {
  // O'BRIEN as the driver writes it: doubled in the selection, doubled again
  // inside the command's quoted QRYSLT.
  ASSERT_EQ(Rsystem("OPNQRYF FILE((DEMO/CUSTOMER)) OPTION(*ALL) "
                    "QRYSLT('((NAME *EQ \"O''''BRIEN 25\") *OR (NAME LIKE \"O''''BRIEN 1%\"))') "
                    "KEYFLD(*FILE) OPNID(VNX12345)"),
            0);
  ASSERT_EQ(Rsystem("OVRDBF CUSTOMER SHARE(*YES) OVRSCOPE(*JOB)"), 0);
  EXPECT_EQ(Rrns("DEMO/CUSTOMER"), (std::vector<int32_t>{10, 25}));
  ASSERT_EQ(Rsystem("CLOF (VNX12345)"), 0);

  std::vector<int32_t> recent;
  for (int i = 1; i <= 200; ++i) {
    if (OrderDate(i) >= "2021-03-01" && OrderStatus(i) != 'C') recent.push_back(i);
  }
  ASSERT_FALSE(recent.empty());
  ASSERT_EQ(Rsystem("OPNQRYF FILE((DEMO/ORDERS)) OPTION(*INP) "
                    "QRYSLT('((ORDDATE *GE \"2021-03-01\") *AND  NOTBLANK (STATUS)) *AND "
                    "*NOT (STATUS *EQ \"C\")') KEYFLD(*FILE) OPNID(VNX0003)"),
            0);
  ASSERT_EQ(Rsystem("OVRDBF ORDERS SHARE(*YES) OVRSCOPE(*JOB)"), 0);
  EXPECT_EQ(Rrns("DEMO/ORDERS"), recent);
  ASSERT_EQ(Rsystem("CLOF (VNX0003)"), 0);
}

TEST_F(CommandRequests, SelectionThatDoesNotParseCreatesNothing) {
  ExpectFailure("OPNQRYF FILE((DEMO/ORDERS)) QRYSLT('(STATUS *EQ \"C\"') OPNID(VNX0001)",
                "CPD3104");
  ExpectFailure("OPNQRYF FILE((DEMO/ORDERS)) QRYSLT('NOSUCH *EQ 1') OPNID(VNX0001)", "CPD3105");
  ExpectFailure("OPNQRYF FILE((DEMO/ORDERS)) QRYSLT('ORDNO *EQ \"X\"') OPNID(VNX0001)", "CPD3108");
  ExpectFailure("OPNQRYF FILE((DEMO/NOFILE)) QRYSLT('ORDNO *EQ 1') OPNID(VNX0001)", "CPF4101");
  ExpectFailure("CLOF OPNID(VNX0001)", "CPF4520");
  ASSERT_EQ(Rsystem("OVRDBF ORDERS SHARE(*YES) OVRSCOPE(*JOB)"), 0);
  EXPECT_EQ(Rrns("DEMO/ORDERS").size(), 200u);
}

TEST_F(CommandRequests, CreateTableFromDriverDds) {
  ASSERT_EQ(Rsystem("CRTLIB MYLIB"), 0);
  WriteSource("MYLIB/QDDSSRC(CUST)",
              {
                  Line({{6, "*"}, {45, "UNIQUE"}}),
                  Line({{6, "A"}, {17, "R"}, {19, "RCUST"}}),
                  Line({{6, "A"}, {19, "ID"}, {34, "8"}, {35, "B"}}),
                  Line({{6, "A"}, {19, "NAME"}, {33, "30"}, {35, "A"}}),
                  Line({{6, "A"}, {19, "CUSTOMERNA"}, {33, "20"}, {35, "A"}}),
                  Line({{6, "A"}, {19, "CUSTOMER_A"}, {33, "20"}, {35, "A"}}),
                  Line({{6, "A"}, {19, "AMOUNT"}, {33, "11"}, {35, "P"}, {37, "2"}}),
                  Line({{6, "A"}, {19, "BORN"}, {35, "L"}}),
                  Line({{6, "A"}, {19, "RATE"}, {33, "17"}, {35, "F"}, {45, "FLTPCN(*DOUBLE)"}}),
                  Line({{17, "K"}, {19, "ID"}}),
              });
  ASSERT_GE(VNXCmdExec("CRTPF FILE(MYLIB/CUST) SRCFILE(MYLIB/QDDSSRC) SIZE(10000 1000 100) "
                       "SHARE(*YES)"),
            0)
      << MessageId();
  std::string format;
  EXPECT_EQ(FieldNames("MYLIB/CUST", &format),
            (std::vector<std::string>{"ID", "NAME", "CUSTOMERNA", "CUSTOMER_A", "AMOUNT", "BORN",
                                      "RATE"}));
  EXPECT_EQ(format, "RCUST     ");
  EXPECT_EQ(RecordCount("MYLIB/CUST"), 0);
}

TEST_F(CommandRequests, BadDdsCreatesNothing) {
  ASSERT_EQ(Rsystem("CRTLIB MYLIB"), 0);
  WriteSource("MYLIB/QDDSSRC(BAD)", {
                                        Line({{17, "R"}, {19, "RBAD"}}),
                                        Line({{19, "A"}, {33, "10"}, {35, "Q"}}),
                                    });
  EXPECT_EQ(VNXCmdExec("CRTPF FILE(MYLIB/BAD) SRCFILE(MYLIB/QDDSSRC)"), -1);
  EXPECT_EQ(MessageId(), "CPF7302");
  EXPECT_LT(VNXopen("MYLIB/BAD", 1, -1), 0);
  ExpectFailure("CRTPF FILE(MYLIB/NOSRC) SRCFILE(MYLIB/QDDSSRC)", "CPF7302");
  EXPECT_EQ(RCreatDDS("MYLIB/QDDSSRC(BAD)", 1, std::string(80, ' ').c_str(), 7), -1);
}

TEST_F(CommandRequests, LogicalFileWithSelectOmit) {
  ASSERT_EQ(Rsystem("CRTLIB MYLIB"), 0);
  WriteSource("MYLIB/QDDSSRC(OPENORD)",
              {
                  Line({{17, "R"}, {19, "ORDREC"}, {45, "PFILE(DEMO/ORDERS)"}}),
                  Line({{17, "K"}, {19, "ORDNO"}}),
                  Line({{17, "O"}, {19, "STATUS"}, {45, "COMP(EQ 'C')"}}),
                  Line({{17, "S"}, {19, "STATUS"}, {45, "VALUES('S' 'C')"}}),
              });
  ASSERT_EQ(Rsystem("CRTLF FILE(MYLIB/OPENORD) SRCFILE(MYLIB/QDDSSRC)"), 0) << MessageId();
  std::vector<int32_t> shipped;
  for (int i = 1; i <= 200; ++i) {
    if (OrderStatus(i) == 'S') shipped.push_back(i);
  }
  EXPECT_EQ(Rrns("MYLIB/OPENORD"), shipped);
  ASSERT_EQ(Rsystem("DLTF MYLIB/OPENORD"), 0);
  EXPECT_LT(VNXopen("MYLIB/OPENORD", 1, -1), 0);
  // Rules naming a field the file does not have: nothing is created.
  WriteSource("MYLIB/QDDSSRC(BADLF)",
              {
                  Line({{17, "R"}, {19, "ORDREC"}, {45, "PFILE(DEMO/ORDERS)"}}),
                  Line({{17, "S"}, {19, "NOSUCH"}, {45, "COMP(EQ 1)"}}),
              });
  ExpectFailure("CRTLF FILE(MYLIB/BADLF) SRCFILE(MYLIB/QDDSSRC)", "CPF7302");
  EXPECT_LT(VNXopen("MYLIB/BADLF", 1, -1), 0);
}

TEST_F(CommandRequests, SourceFileAndClearMember) {
  ASSERT_EQ(Rsystem("CRTLIB MYLIB"), 0);
  ASSERT_EQ(Rsystem("CRTSRCPF FILE(MYLIB/QDDSSRC) RCDLEN(92) MBR(ITEMS)"), 0);
  WriteSource("MYLIB/QDDSSRC(ITEMS)",
              {Line({{17, "R"}, {19, "ITEMREC"}}), Line({{19, "CODE"}, {34, "6"}})});
  ASSERT_EQ(Rsystem("CRTPF FILE(MYLIB/ITEMS) SRCFILE(MYLIB/QDDSSRC) SRCMBR(ITEMS)"), 0)
      << MessageId();
  int32_t h = VNXopen("MYLIB/ITEMS", 3, -1);
  ASSERT_GE(h, 0);
  char record[6];
  std::memcpy(record, "A00001", 6);
  EXPECT_EQ(Rwrite(h, record, 6), 1) << MessageId() << " " << retstat();
  Rclose(h);
  EXPECT_EQ(RecordCount("MYLIB/ITEMS"), 1);
  ASSERT_EQ(Rsystem("CLRPFM MYLIB/ITEMS"), 0);
  EXPECT_EQ(RecordCount("MYLIB/ITEMS"), 0);
  ASSERT_EQ(Rsystem("DLTF FILE(MYLIB/ITEMS)"), 0);
  ExpectFailure("DLTF FILE(MYLIB/ITEMS)", "CPF4101");
}

TEST_F(CommandRequests, TraceWritesTheJobsRequests) {
  ASSERT_EQ(StartFile_Test("TRACE/DELPHI", 2), 1) << MessageId();
  EXPECT_EQ(Rsystem("CHGJOB DATFMT(*YMD) DATSEP('-') TIMSEP('.')"), 0);
  EXPECT_EQ(Rsystem("NOSUCH"), -1);
  EXPECT_EQ(VNXStopFile_Test(), 1);
  const int32_t traced = RecordCount("TRACE/DELPHI");
  EXPECT_GE(traced, 3);  // the start, the two commands
  // Errors only: the good command leaves no record.
  ASSERT_EQ(StartFile_Err("TRACE/DELPHI(T0000ABCD)"), 1);
  EXPECT_EQ(Rsystem("CHGJOB DATFMT(*YMD)"), 0);
  EXPECT_EQ(Rsystem("NOSUCH"), -1);
  EXPECT_EQ(VNXStopFile_Test(), 1);
  EXPECT_EQ(RecordCount("TRACE/DELPHI"), traced + 1);
  EXPECT_EQ(StartFile_Test("DEMO/ORDERS", 2), -1);  // not a trace file
}

// The job's code-page tables (WriteTable...) decide the bytes of character
// fields in records that travel in the host's form.
TEST_F(CommandRequests, CodePageTablesChangeCharacterBytes) {
  auto nameBytes = [] {
    int32_t h = VNXopen("DEMO/CUSTOMER", 1 | VNX_OPEN_RAW, -1);
    EXPECT_GE(h, 0) << MessageId();
    uint8_t record[200] = {};
    EXPECT_EQ(VNXRead(h, record, sizeof record, VNX_READ_FIRST, nullptr, 0, nullptr), 1);
    Rclose(h);
    return std::string(reinterpret_cast<char*>(record) + 4, 9);  // NAME after CUSTNO PACK(7,0)
  };
  EXPECT_EQ(nameBytes(), "\xC2\xC5\xD9\xD5\xC1\xD9\xC4\x40\xF1");  // BERNARD 1
  uint8_t table[256];
  ASSERT_EQ(ReadTableASCII_EBCDIC(table), 1);
  table['B'] = 0x99;
  ASSERT_EQ(WriteTableASCII_EBCDIC(table), 1);
  EXPECT_EQ(nameBytes().substr(0, 2), "\x99\xC5");
}

}  // namespace
}  // namespace vantora::testing
