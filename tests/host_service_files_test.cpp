// The host's services read through files: the API sequences of the driver
// and the selection library (QMHRTVM, QDBLDBR and QUSLOBJ lists mapped onto
// their format files), programs and stored procedures called through
// "*PGM/NAME", and the stored-procedure catalogue files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/server/session/host.h"
#include "host/storage/field.h"
#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/embedded_host.h"
#include "tests/support/message_id.h"

namespace vantora::testing {
namespace {

std::string Pad(const std::string& s, size_t n) {
  std::string out = s;
  out.resize(n, ' ');
  return out;
}

std::string At(const std::vector<uint8_t>& b, size_t offset, size_t n) {
  return std::string(reinterpret_cast<const char*>(b.data()) + offset, n);
}

class HostServiceFiles : public EmbeddedHostTest {
 protected:
  // Prepares the data directory with the host closed: `work` gets the
  // storage before the first session opens it.
  template <typename Work>
  void Prepare(Work work) {
    VNXTerminate();
    std::unique_ptr<host::Host> h;
    ASSERT_TRUE(host::Host::Open(dataDirectory_, {}, &h).ok());
    work(h->storage());
  }
};

TEST_F(HostServiceFiles, RetrievesAnSqlMessageThroughItsFormatFile) {
  ASSERT_EQ(StartSession(), 1);
  int32_t h = VNXopen("YRTVM0100", 1, -1);
  ASSERT_GE(h, 0);
  const std::string hex =
      HexText(std::string_view("CUSTOMERS\xff"
                               "DEMO\xff"
                               "FILE",
                               19));
  ASSERT_EQ(VNXApiCall("QMHRTVM", "600", "RTVM0100", "SQL0204", "QSYS/QSQLMSG", hex.c_str(), "*YES",
                       "*NO"),
            1);
  ASSERT_EQ(VNXMapFile(h, "*API/QMHRTVM   ", -1), 1);
  std::vector<uint8_t> record(624);
  ASSERT_EQ(VNXRead(h, record.data(), 624, VNX_READ_FIRST, nullptr, 0, nullptr), 1);
  const std::string expected = "CUSTOMERS in DEMO type *FILE not found.";
  ASSERT_EQ(wire::LoadLeI32(record.data() + 8), static_cast<int32_t>(expected.size()));
  EXPECT_EQ(At(record, 24, expected.size()), expected);
  EXPECT_EQ(VNXRead(h, record.data(), 624, VNX_READ_NEXT, nullptr, 0, nullptr), -1);
  EXPECT_EQ(retstat(), 5001);
  EXPECT_EQ(Rclose(h), 1);
}

TEST_F(HostServiceFiles, ListsTheRelationsOfAPhysicalFile) {
  Prepare([](host::Storage& storage) {
    auto& cat = storage.catalogue();
    ASSERT_TRUE(cat.CreateLibrary("TESTLIB", "").ok());
    host::PhysicalFileDef base;
    base.name = {"TESTLIB", "BASE"};
    base.fields = {host::CharField("CODE", 5), host::CharField("NAME", 20),
                   host::PackedField("QTY", 5, 0)};
    base.key = {{"CODE"}};
    ASSERT_TRUE(cat.CreatePhysicalFile(base).ok());
    host::PhysicalFileDef other;
    other.name = {"TESTLIB", "OTHER"};
    other.fields = {host::CharField("CODE", 5), host::CharField("NOTE", 10)};
    ASSERT_TRUE(cat.CreatePhysicalFile(other).ok());
    host::LogicalFileDef byName;
    byName.name = {"TESTLIB", "BASEBYNAME"};
    byName.formats = {{"", {base.name}, {}, {{"NAME"}}}};
    ASSERT_TRUE(cat.CreateLogicalFile(byName).ok());
    host::LogicalFileDef byQty;
    byQty.name = {"TESTLIB", "BASEBYQTY"};
    byQty.formats = {{"", {base.name}, {}, {{"QTY", true}}}};
    ASSERT_TRUE(cat.CreateLogicalFile(byQty).ok());
    host::LogicalFileDef join;
    join.name = {"TESTLIB", "BASEJOIN"};
    join.join = true;
    join.formats = {{"", {other.name, base.name}, {}, {{"CODE"}}}};
    ASSERT_TRUE(cat.CreateLogicalFile(join).ok());
    host::LogicalFileDef twoFormats;
    twoFormats.name = {"TESTLIB", "BASETWO"};
    twoFormats.formats = {{"BASEA", {base.name}, {}, {{"CODE"}}},
                          {"OTHERA", {other.name}, {}, {{"CODE"}}}};
    ASSERT_TRUE(cat.CreateLogicalFile(twoFormats).ok());
  });
  ASSERT_EQ(StartSession(), 1);
  int32_t h = VNXopen("YDBRL0100", 1, -1);
  ASSERT_GE(h, 0);
  ASSERT_EQ(VNXApiCall("QUSCRTUS", "QTEMP/QDBRMV400", "PF", "100000", " ", "*ALL", " ", "*YES"), 1);
  ASSERT_EQ(VNXApiCall("QDBLDBR", "QTEMP/QDBRMV400", "DBRL0100", "BASE      TESTLIB   ", "*FIRST",
                       "", "", ""),
            1);
  ASSERT_EQ(VNXMapFile(h, "QTEMP/QDBRMV400", 0), 1);
  std::vector<uint8_t> block(41 * 48);
  int32_t numbers[41];
  ASSERT_EQ(VNXRead(h, block.data(), 48, 0x04080029, nullptr, 0, numbers), 4);
  struct Expected {
    const char* file;
    bool join;
  } expected[] = {
      {"BASEBYNAME", false}, {"BASEBYQTY", false}, {"BASEJOIN", true}, {"BASETWO", false}};
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(expected[i].file);
    const size_t e = i * 48;
    EXPECT_EQ(At(block, e, 10), Pad("BASE", 10));
    EXPECT_EQ(At(block, e + 10, 10), Pad("TESTLIB", 10));
    EXPECT_EQ(At(block, e + 20, 10), Pad(expected[i].file, 10));
    EXPECT_EQ(At(block, e + 30, 10), Pad("TESTLIB", 10));
    EXPECT_EQ(block[e + 40], 'D');
    const int32_t joinReference = wire::LoadLeI32(block.data() + e + 44);
    if (expected[i].join) {
      EXPECT_EQ(joinReference, 2);  // BASE is the join's second file
    } else {
      EXPECT_EQ(joinReference, 0);
    }
    EXPECT_EQ(numbers[i], static_cast<int32_t>(i + 1));
  }
  EXPECT_EQ(VNXRead(h, block.data(), 48, 0x02080029, nullptr, 0, nullptr), 0);
  EXPECT_EQ(retstat(), 5001);
  // A list read through another format file is refused.
  int32_t wrong = VNXopen("YOBJL0200", 1, -1);
  ASSERT_GE(wrong, 0);
  EXPECT_EQ(VNXMapFile(wrong, "QTEMP/QDBRMV400", 0), -1);
  EXPECT_EQ(MessageId(), "CPF3C21");
  EXPECT_EQ(Rclose(wrong), 1);
  EXPECT_EQ(Rclose(h), 1);
}

TEST_F(HostServiceFiles, ListsObjectsInBlocksOf277) {
  Prepare([](host::Storage& storage) {
    auto& cat = storage.catalogue();
    ASSERT_TRUE(cat.CreateLibrary("MANY", "").ok());
    for (int i = 0; i < 300; ++i) {
      char name[11];
      std::snprintf(name, sizeof name, "PGM%04d", i);
      ASSERT_TRUE(
          cat.CreateObject({{"MANY", name}, "*PGM", "CLE", "Program " + std::to_string(i)}).ok());
    }
    host::PhysicalFileDef file;
    file.name = {"MANY", "AFILE"};
    file.fields = {host::CharField("X", 1)};
    ASSERT_TRUE(cat.CreatePhysicalFile(file).ok());
  });
  ASSERT_EQ(StartSession(), 1);
  int32_t h = Ropen("YOBJL0200", "rr");
  ASSERT_GE(h, 0);
  ASSERT_EQ(VNXApiCall("QUSCRTUS", "QTEMP/QOBJLSTLIB", "PF", "100000", " ", "*ALL", " ", "*YES"),
            1);
  ASSERT_EQ(VNXApiCall("QUSLOBJ", "QTEMP/QOBJLSTLIB", "OBJL0200", "MANY/*ALL", "*PGM", "", "", ""),
            1);
  ASSERT_EQ(VNXMapFile(h, "QTEMP/QOBJLSTLIB", 0), 1);
  std::vector<uint8_t> block(277 * 108);
  std::vector<std::string> names;
  int32_t options = 0x04080115;
  for (int32_t n; (n = VNXRead(h, block.data(), 108, options, nullptr, 0, nullptr)) > 0;) {
    EXPECT_TRUE(n == 277 || n == 23) << n;
    for (int32_t i = 0; i < n; ++i) {
      const size_t e = static_cast<size_t>(i) * 108;
      names.push_back(At(block, e, 10));
      EXPECT_EQ(At(block, e + 10, 10), Pad("MANY", 10));
      EXPECT_EQ(At(block, e + 20, 10), Pad("*PGM", 10));
      EXPECT_EQ(At(block, e + 31, 3), "CLE");
    }
    options = 0x02080115;
  }
  ASSERT_EQ(names.size(), 300u);
  EXPECT_EQ(names.front(), Pad("PGM0000", 10));
  EXPECT_EQ(names.back(), Pad("PGM0299", 10));
  EXPECT_EQ(At(block, 41, 11), "Program 277");  // the second block's first entry
  EXPECT_EQ(Rclose(h), 1);

  // Files of the demo library with their attributes and texts.
  h = Ropen("YOBJL0200", "rr");
  ASSERT_EQ(
      VNXApiCall("QUSLOBJ", "QTEMP/QOBJLSTLIB", "OBJL0200", "DEMO/ORDERS*", "*FILE", "", "", ""),
      1);
  ASSERT_EQ(VNXMapFile(h, "QTEMP/QOBJLSTLIB", 0), 1);
  ASSERT_EQ(VNXRead(h, block.data(), 108, 0x04080115, nullptr, 0, nullptr), 3);
  EXPECT_EQ(At(block, 0, 10), Pad("ORDERS", 10));
  EXPECT_EQ(At(block, 31, 10), Pad("PF", 10));
  EXPECT_EQ(At(block, 41, 50), Pad("Demo orders", 50));
  EXPECT_EQ(At(block, 108 + 31, 10), Pad("LF", 10));
  EXPECT_EQ(Rclose(h), 1);
}

// A space outside QTEMP keeps its attributes and last list in the host's
// storage: the host closed and opened again still maps it.
TEST_F(HostServiceFiles, AListInAPermanentSpaceOutlivesTheHost) {
  ASSERT_EQ(StartSession(), 1);
  ASSERT_EQ(
      VNXApiCall("QUSCRTUS", "DEMO/KEEPLIST", "PF", "100000", " ", "*ALL", "Kept list", "*NO"), 1);
  ASSERT_EQ(VNXApiCall("QUSLOBJ", "DEMO/KEEPLIST", "OBJL0200", "DEMO/ORDERS*", "*FILE", "", "", ""),
            1);
  VNXTerminate();  // the embedded host closes with the library

  ASSERT_EQ(StartSession(), 1);
  std::vector<uint8_t> block(8 * 108);
  int32_t h = Ropen("YOBJL0200", "rr");
  ASSERT_GE(h, 0);
  ASSERT_EQ(VNXMapFile(h, "DEMO/KEEPLIST", 0), 1);
  ASSERT_EQ(VNXRead(h, block.data(), 108, 0x04080115, nullptr, 0, nullptr), 3);
  EXPECT_EQ(At(block, 0, 10), Pad("ORDERS", 10));
  EXPECT_EQ(At(block, 108 + 31, 10), Pad("LF", 10));
  // The space itself, with its text, is an object of the library.
  ASSERT_EQ(VNXApiCall("QUSLOBJ", "QTEMP/SEEN", "OBJL0200", "DEMO/KEEP*", "*USRSPC", "", "", ""),
            -1);  // QTEMP/SEEN does not exist: the job is new
  EXPECT_EQ(MessageId(), "CPF9801");
  ASSERT_EQ(VNXApiCall("QUSCRTUS", "QTEMP/SEEN", "PF", "1000", " ", "*ALL", "", "*YES"), 1);
  ASSERT_EQ(VNXApiCall("QUSLOBJ", "QTEMP/SEEN", "OBJL0200", "DEMO/KEEP*", "*USRSPC", "", "", ""),
            1);
  ASSERT_EQ(VNXMapFile(h, "QTEMP/SEEN", 0), 1);
  ASSERT_EQ(VNXRead(h, block.data(), 108, 0x04080115, nullptr, 0, nullptr), 1);
  EXPECT_EQ(At(block, 0, 10), Pad("KEEPLIST", 10));
  EXPECT_EQ(At(block, 20, 10), Pad("*USRSPC", 10));
  EXPECT_EQ(At(block, 41, 9), "Kept list");
  // Created again over itself, the space starts without a list.
  ASSERT_EQ(VNXApiCall("QUSCRTUS", "DEMO/KEEPLIST", "PF", "100", " ", "*ALL", "", "*NO"), -1);
  EXPECT_EQ(MessageId(), "CPF9870");
  ASSERT_EQ(VNXApiCall("QUSCRTUS", "DEMO/KEEPLIST", "PF", "100", " ", "*ALL", "", "*YES"), 1);
  VNXTerminate();
  ASSERT_EQ(StartSession(), 1);
  h = Ropen("YOBJL0200", "rr");
  ASSERT_EQ(VNXMapFile(h, "DEMO/KEEPLIST", 0), 1);
  EXPECT_LE(VNXRead(h, block.data(), 108, 0x04080115, nullptr, 0, nullptr), 0);
  EXPECT_EQ(Rclose(h), 1);
}

// ---- Programs through files and the procedure catalogue ------------------

std::vector<uint8_t> Header(const std::string& proc, const std::string& lib, const std::string& pgm,
                            int16_t parameters, int16_t fields, char target) {
  std::vector<uint8_t> r(118, ' ');
  std::memcpy(r.data(), Pad(proc, 10).data(), 10);
  std::memcpy(r.data() + 10, Pad(lib, 10).data(), 10);
  std::memcpy(r.data() + 20, Pad(pgm, 10).data(), 10);
  wire::StoreLeI16(r.data() + 30, parameters);
  wire::StoreLeI16(r.data() + 32, fields);
  std::memcpy(r.data() + 34, Pad("Procedure " + proc, 80).data(), 80);
  r[114] = static_cast<uint8_t>(target);
  return r;
}

std::vector<uint8_t> Field(const std::string& proc, int16_t row, int16_t parameter,
                           int16_t direction, int16_t asType, int16_t bytes, int16_t decimals,
                           int16_t digits, const std::string& name) {
  std::vector<uint8_t> r(40, ' ');
  std::memcpy(r.data(), Pad(proc, 10).data(), 10);
  const int16_t values[] = {row, parameter, direction, 0,        bytes,
                            0,   asType,    bytes,     decimals, digits};
  for (size_t i = 0; i < 10; ++i) wire::StoreLeI16(r.data() + 10 + 2 * i, values[i]);
  std::memcpy(r.data() + 30, Pad(name, 10).data(), 10);
  return r;
}

const std::string kTaxInput =
    Pad("C042", 10) + std::string("\x00\x12\x34\x5C", 4) + std::string("\x20\x0C", 2);

TEST_F(HostServiceFiles, CallsAProgramThroughItsFile) {
  ASSERT_EQ(StartSession(), 1);
  int32_t h = VNXopen("*PGM/ADDTAX", 5, -1);
  ASSERT_GE(h, 0);
  std::vector<uint8_t> out(51);
  ASSERT_EQ(VNXRead(h, out.data(), 51, VNX_READ_KEY_EQ, kTaxInput.data(),
                    static_cast<int32_t>(kTaxInput.size()), nullptr),
            1);
  EXPECT_EQ(std::memcmp(out.data() + 16, "\x00\x00\x14\x81\x4C", 5), 0);
  EXPECT_EQ(At(out, 21, 30), Pad("TAX ADDED FOR C042", 30));
  EXPECT_EQ(VNXRead(h, out.data(), 51, VNX_READ_NEXT, nullptr, 0, nullptr), -1);
  EXPECT_EQ(retstat(), 3014);
  EXPECT_EQ(Rclose(h), 1);
  EXPECT_EQ(VNXopen("*PGM/NOSUCH", 5, -1), -1);
  EXPECT_EQ(MessageId(), "CPF9811");
  EXPECT_EQ(retstat(), 3004);
}

// The demo library has programs and data queues to pick, and the programs
// run from it.
TEST_F(HostServiceFiles, DemoLibraryHoldsProgramsAndDataQueues) {
  ASSERT_EQ(StartSession(), 1);
  struct Case {
    const char* type;
    std::vector<std::string> names;
    const char* attribute;
  } cases[] = {{"*PGM", {"ADDTAX", "SUMBIN", "UPPER"}, "CLE"}, {"*DTAQ", {"ORDERQ", "PRICEQ"}, ""}};
  std::vector<uint8_t> block(277 * 108);
  for (const Case& c : cases) {
    int32_t h = Ropen("YOBJL0200", "rr");
    ASSERT_GE(h, 0);
    ASSERT_EQ(VNXApiCall("QUSCRTUS", "QTEMP/QOBJLSTLIB", "PF", "100000", " ", "*ALL", " ", "*YES"),
              1);
    ASSERT_EQ(
        VNXApiCall("QUSLOBJ", "QTEMP/QOBJLSTLIB", "OBJL0200", "DEMO/*ALL", c.type, "", "", ""), 1);
    ASSERT_EQ(VNXMapFile(h, "QTEMP/QOBJLSTLIB", 0), 1);
    const int32_t n = VNXRead(h, block.data(), 108, 0x04080115, nullptr, 0, nullptr);
    ASSERT_EQ(n, static_cast<int32_t>(c.names.size())) << c.type;
    for (int32_t i = 0; i < n; ++i) {
      const size_t e = static_cast<size_t>(i) * 108;
      EXPECT_EQ(At(block, e, 10), Pad(c.names[static_cast<size_t>(i)], 10));
      EXPECT_EQ(At(block, e + 31, 10), Pad(c.attribute, 10));
      EXPECT_NE(At(block, e + 41, 50), Pad("", 50)) << "a text to show";
    }
    EXPECT_EQ(Rclose(h), 1);
  }
  int32_t h = VNXopen("*PGM/DEMO/ADDTAX", 5, -1);
  ASSERT_GE(h, 0);
  std::vector<uint8_t> out(51);
  ASSERT_EQ(VNXRead(h, out.data(), 51, VNX_READ_KEY_EQ, kTaxInput.data(),
                    static_cast<int32_t>(kTaxInput.size()), nullptr),
            1);
  EXPECT_EQ(At(out, 21, 30), Pad("TAX ADDED FOR C042", 30));
  EXPECT_EQ(Rclose(h), 1);
  EXPECT_GE(VNXLinkDataQueue(Pad("PRICEQ", 10).c_str(), Pad("DEMO", 10).c_str(), 0, 0,
                             Pad("", 10).c_str()),
            1);
}

// A display file, which the host does not keep, staged for object lists.
TEST_F(HostServiceFiles, StagedDeviceFilesAreListedAmongTheFiles) {
  Prepare([](host::Storage& storage) {
    ASSERT_TRUE(storage.catalogue().CreateLibrary("SCREENS", "").ok());
    ASSERT_TRUE(
        storage.catalogue().CreateDeviceFile({"SCREENS", "ORDENTRY"}, "DSPF", "Order entry").ok());
    host::PhysicalFileDef file;
    file.name = {"SCREENS", "ORDHIST"};
    file.fields = {host::CharField("X", 1)};
    ASSERT_TRUE(storage.catalogue().CreatePhysicalFile(file).ok());
  });
  ASSERT_EQ(StartSession(), 1);
  int32_t h = Ropen("YOBJL0200", "rr");
  ASSERT_GE(h, 0);
  ASSERT_EQ(VNXApiCall("QUSCRTUS", "QTEMP/QOBJLSTLIB", "PF", "100000", " ", "*ALL", " ", "*YES"),
            1);
  ASSERT_EQ(
      VNXApiCall("QUSLOBJ", "QTEMP/QOBJLSTLIB", "OBJL0200", "SCREENS/*ALL", "*FILE", "", "", ""),
      1);
  ASSERT_EQ(VNXMapFile(h, "QTEMP/QOBJLSTLIB", 0), 1);
  std::vector<uint8_t> block(277 * 108);
  ASSERT_EQ(VNXRead(h, block.data(), 108, 0x04080115, nullptr, 0, nullptr), 2);
  EXPECT_EQ(At(block, 0, 10), Pad("ORDENTRY", 10));
  EXPECT_EQ(At(block, 31, 10), Pad("DSPF", 10));
  EXPECT_EQ(At(block, 108 + 31, 10), Pad("PF", 10));
  EXPECT_EQ(Rclose(h), 1);
  // It holds no records to open.
  EXPECT_EQ(Ropen("SCREENS/ORDENTRY", "rr"), -1);
  EXPECT_EQ(MessageId(), "CPF4101");
}

TEST_F(HostServiceFiles, WritesAndReadsTheProcedureCatalogue) {
  ASSERT_EQ(StartSession(), 1);
  int32_t hdr = VNXopen("YPROCHDR", 5, 0);
  int32_t parms = VNXopen("YPROCPARMS", 5, 0);
  ASSERT_GE(hdr, 0);
  ASSERT_GE(parms, 0);
  auto tax = Header("TAXPROC", "VANTORA", "ADDTAX", 5, 5, 'P');
  auto other = Header("TAXTWO", "", "ADDTAX", 0, 0, 'P');
  auto upper = Header("SHOUT", "VANTORA", "UPPER", 1, 1, 'P');
  for (auto* r : {&tax, &other, &upper}) {
    ASSERT_EQ(VNXWrite(hdr, r->data(), 118, 0x01010000, nullptr), 1);
  }
  const std::vector<std::vector<uint8_t>> fields = {
      Field("TAXPROC", 0, 1, 1, 0, 10, 0, 10, "Code"),
      Field("SHOUT", 0, 1, 3, 0, 40, 0, 40, "Text"),  // another procedure in between
      Field("TAXPROC", 1, 2, 1, 3, 4, 2, 7, "Amount"),
      Field("TAXPROC", 2, 3, 1, 3, 2, 1, 3, "Rate"),
      Field("TAXPROC", 3, 4, 2, 3, 5, 2, 9, "Result"),
      Field("TAXPROC", 4, 5, 2, 0, 30, 0, 30, "Message"),
  };
  for (const auto& f : fields) ASSERT_EQ(VNXWrite(parms, f.data(), 40, 0x01010000, nullptr), 1);

  // One procedure's fields, blocked, in arrival order.
  std::vector<uint8_t> block(5 * 40);
  const std::string key = Pad("TAXPROC", 10);
  ASSERT_EQ(VNXRead(parms, block.data(), 40, 0x06090000 + 5, key.data(), 10, nullptr), 5);
  for (int16_t i = 0; i < 5; ++i) {
    EXPECT_EQ(wire::LoadLeI16(block.data() + i * 40 + 10), i);
  }
  EXPECT_EQ(At(block, 4 * 40 + 30, 10), Pad("Message", 10));

  // By program: first, then the next different program.
  int32_t byProgram = VNXopen("YPROCPGM", 1, 0);
  ASSERT_GE(byProgram, 0);
  std::vector<uint8_t> rec(118);
  ASSERT_EQ(VNXRead(byProgram, rec.data(), 118, 0x04010000, nullptr, 0, nullptr), 1);
  EXPECT_EQ(At(rec, 0, 10), Pad("TAXTWO", 10));  // blank library sorts first
  std::vector<uint8_t> programs(271 * 118);
  ASSERT_EQ(VNXRead(byProgram, programs.data(), 118, 0x0D09010F, nullptr, 20, nullptr), 2);
  EXPECT_EQ(At(programs, 20, 10), Pad("ADDTAX", 10));
  EXPECT_EQ(At(programs, 118 + 20, 10), Pad("UPPER", 10));
  const std::string programKey = Pad("VANTORA", 10) + Pad("ADDTAX", 10);
  ASSERT_EQ(VNXRead(byProgram, programs.data(), 118, 0x0609010F, programKey.data(), 20, nullptr),
            1);
  EXPECT_EQ(At(programs, 0, 10), Pad("TAXPROC", 10));
  EXPECT_EQ(Rclose(byProgram), 1);

  // The tool's list: first, blocked; the driver's: the first 34 bytes, one by one.
  std::vector<uint8_t> headers(271 * 118);
  ASSERT_EQ(VNXRead(hdr, headers.data(), 118, 0x0409010F, nullptr, 0, nullptr), 3);
  EXPECT_EQ(At(headers, 0, 10), Pad("SHOUT", 10));
  int32_t reader = VNXopen("YPROCHDR", 1, 0);
  ASSERT_GE(reader, 0);
  std::vector<std::string> listed;
  std::vector<uint8_t> first34(34);
  for (int32_t option = 0x04010000;
       VNXRead(reader, first34.data(), 34, option, nullptr, 0, nullptr) == 1; option = 0x02010000) {
    listed.push_back(At(first34, 0, 10));
    if (listed.back() == Pad("TAXPROC", 10)) {
      EXPECT_EQ(wire::LoadLeI16(first34.data() + 32), 5);
    }
  }
  EXPECT_EQ(listed,
            (std::vector<std::string>{Pad("SHOUT", 10), Pad("TAXPROC", 10), Pad("TAXTWO", 10)}));
  EXPECT_EQ(Rclose(reader), 1);
  // The driver's parameter cursor: key equal, then next with an equal key.
  std::vector<int16_t> rows;
  std::vector<uint8_t> row(40);
  for (int32_t option = 0x06010000;
       VNXRead(parms, row.data(), 40, option, key.data(), 10, nullptr) == 1; option = 0x0B010000) {
    rows.push_back(wire::LoadLeI16(row.data() + 10));
  }
  EXPECT_EQ(rows, (std::vector<int16_t>{0, 1, 2, 3, 4}));
  // Removing a procedure: the locked existence test, then Rdelete.
  const std::string gone = Pad("TAXTWO", 10);
  ASSERT_EQ(VNXRead(hdr, nullptr, 0, 0x06020000, gone.data(), 10, nullptr), 1);
  EXPECT_EQ(Rdelete(hdr), 1);
  EXPECT_EQ(VNXRead(hdr, rec.data(), 118, 0x06010000, gone.data(), 10, nullptr), -1);
  EXPECT_EQ(Rclose(hdr), 1);
  EXPECT_EQ(Rclose(parms), 1);

  // The procedure called as the driver calls it.
  int32_t h = VNXopen("*PGM/TAXPROC", 5, -1);
  ASSERT_GE(h, 0);
  std::vector<uint8_t> out(51);
  ASSERT_EQ(VNXRead(h, out.data(), 51, VNX_READ_KEY_EQ, kTaxInput.data(),
                    static_cast<int32_t>(kTaxInput.size()), nullptr),
            1);
  EXPECT_EQ(std::memcmp(out.data() + 16, "\x00\x00\x14\x81\x4C", 5), 0);
  EXPECT_EQ(Rclose(h), 1);
  h = VNXopen("*PGM/SHOUT", 5, -1);
  ASSERT_GE(h, 0);
  ASSERT_EQ(VNXRead(h, out.data(), 40, VNX_READ_KEY_EQ, "quiet", 5, nullptr), 1);
  EXPECT_EQ(At(out, 0, 40), Pad("QUIET", 40));
  EXPECT_EQ(Rclose(h), 1);

  // A procedure whose target is a data queue sends its input as an entry.
  int32_t queue = VNXLinkDataQueue(Pad("PROCQ", 10).c_str(), Pad("DEMO", 10).c_str(), 100, 0,
                                   Pad("*FIFO", 10).c_str());
  ASSERT_GT(queue, 0);
  hdr = VNXopen("YPROCHDR", 5, 0);
  parms = VNXopen("YPROCPARMS", 5, 0);
  auto toQueue = Header("QPROC", "DEMO", "PROCQ", 1, 1, 'Q');
  auto orderField = Field("QPROC", 0, 1, 1, 0, 8, 0, 8, "Order");
  ASSERT_EQ(VNXWrite(hdr, toQueue.data(), 118, 0x01010000, nullptr), 1);
  ASSERT_EQ(VNXWrite(parms, orderField.data(), 40, 0x01010000, nullptr), 1);
  EXPECT_EQ(Rclose(hdr), 1);
  EXPECT_EQ(Rclose(parms), 1);
  h = VNXopen("*PGM/QPROC", 5, -1);
  ASSERT_GE(h, 0);
  ASSERT_EQ(VNXRead(h, out.data(), 8, VNX_READ_KEY_EQ, "ORDER001", 8, nullptr), 1);
  EXPECT_EQ(Rclose(h), 1);
  char entry[16] = {};
  ASSERT_EQ(VNXReceiveDataQueue(queue, entry, sizeof entry, 0, nullptr, nullptr, 0), 8);
  EXPECT_EQ(std::string(entry, 8), "ORDER001");
}

// ---- A data queue as a file ------------------------------------------------

TEST_F(HostServiceFiles, ReadsAndWritesADataQueueAsAFile) {
  ASSERT_EQ(StartSession(), 1);
  int32_t link = VNXLinkDataQueue(Pad("ORDQ", 10).c_str(), Pad("DEMO", 10).c_str(), 50, 4,
                                  Pad("*KEYED", 10).c_str());
  ASSERT_GT(link, 0);
  ASSERT_EQ(VNXSendDataQueue(link, "first", 5, "K001", 4), 1);
  ASSERT_EQ(VNXSendDataQueue(link, "second", 6, "K002", 4), 1);
  int32_t h = VNXopen("*DTAQ/DEMO/ORDQ", 1, -1);
  ASSERT_GE(h, 0);
  EXPECT_EQ(Rlength(h), 54);
  EXPECT_EQ(GetNbrFmt(h), 1);
  uint8_t header[16];
  ASSERT_EQ(VNXGetDesc(h, header, 16, 0x08000000, "          "), 1);
  EXPECT_EQ(wire::LoadLeI16(header + 10), 2);  // KEY and DATA
  EXPECT_EQ(wire::LoadLeI16(header + 12), 54);
  EXPECT_EQ(wire::LoadLeI16(header + 14), 1);
  uint8_t fields[2 * 22];
  ASSERT_EQ(VNXGetDesc(h, fields, 22, 0x10020002, "          "), 2);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(fields), 10), Pad("KEY", 10));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(fields) + 22, 10), Pad("DATA", 10));
  EXPECT_EQ(wire::LoadLeI16(fields + 22 + 12), 50);
  uint8_t key[26];
  ASSERT_EQ(VNXGetDesc(h, key, 26, 0x21020001, "          "), 1);
  EXPECT_EQ(wire::LoadLeI16(key + 22), 0);
  int32_t waiting = 0;
  ASSERT_EQ(VNXGetDesc(h, &waiting, 4, 0x40000000, "          "), 1);
  EXPECT_EQ(waiting, 2);

  std::vector<uint8_t> record(54);
  ASSERT_EQ(VNXRead(h, record.data(), 54, VNX_READ_KEY_EQ, "K002", 4, nullptr), 1);
  EXPECT_EQ(At(record, 0, 4), "K002");
  EXPECT_EQ(At(record, 4, 50), Pad("second", 50));
  ASSERT_EQ(VNXRead(h, record.data(), 54, VNX_READ_SAME, nullptr, 0, nullptr), 1);
  EXPECT_EQ(At(record, 0, 4), "K002");
  EXPECT_EQ(VNXRead(h, record.data(), 54, VNX_READ_KEY_EQ, "K002", 4, nullptr), -1);
  EXPECT_EQ(MessageId(), "CPF5006");
  EXPECT_EQ(VNXRead(h, record.data(), 54, VNX_READ_NEXT, nullptr, 0, nullptr), -1);
  EXPECT_EQ(retstat(), 3014);

  const std::string written = "K009" + Pad("from a file", 50);
  ASSERT_EQ(VNXWrite(h, written.data(), 54, 0x01000000, nullptr), 1);
  char entry[64] = {};
  ASSERT_EQ(VNXReceiveDataQueue(link, entry, sizeof entry, 0, "EQ", "K009", 4), 11);
  EXPECT_EQ(std::string(entry, 11), "from a file");
  EXPECT_EQ(Rclose(h), 1);
  EXPECT_EQ(VNXopen("*DTAQ/DEMO/NOQ", 1, -1), -1);
  EXPECT_EQ(MessageId(), "CPF9801");
}

// ---- File service requests ------------------------------------------------

TEST_F(HostServiceFiles, KeysLocksAndFreeingFiles) {
  ASSERT_EQ(StartSession(), 1);
  int32_t h = VNXopen("DEMO/CUSTOMER", 1, 0);
  int32_t second = VNXopen("CUSTOMER", 1, 0);  // DEMO is not in the library list
  EXPECT_LT(second, 0);
  second = VNXopen("DEMO/CUSTOMER", 1, 0);
  ASSERT_GE(h, 0);
  ASSERT_GE(second, 0);
  char key[32] = {};
  EXPECT_EQ(Rgetkey(h, key, sizeof key), -1);  // no current record yet
  std::vector<uint8_t> record(512);
  ASSERT_EQ(VNXRead(h, record.data(), 512, 0x04010000, nullptr, 0, nullptr), 1);
  ASSERT_EQ(VNXRead(h, record.data(), 512, 0x02010000, nullptr, 0, nullptr), 1);
  // CUSTNO PACK(7,0) travels as numeric text of 8 characters.
  ASSERT_EQ(Rgetkey(h, key, sizeof key), 8);
  EXPECT_EQ(std::string(key, 8), "1002    ");
  EXPECT_EQ(VNXrlsrcd(h, 1), 1);  // forgets the position too
  ASSERT_EQ(VNXRead(h, record.data(), 512, 0x02010000, nullptr, 0, nullptr), 1);
  ASSERT_EQ(Rgetkey(h, key, sizeof key), 8);
  EXPECT_EQ(std::string(key, 8), "1001    ");
  EXPECT_EQ(VNXrlsrcd(h, 7), -1);
  EXPECT_EQ(retstat(), 3014);

  uint8_t entries[6] = {};
  EXPECT_EQ(SetConvFld(h, 1, entries), -1);
  EXPECT_EQ(MessageId(), "CPF9898");

  EXPECT_EQ(VNXFreeFile("DEMO/CUSTOMER"), 2);
  EXPECT_EQ(Rlength(h), -1);
  EXPECT_EQ(Rlength(second), -1);
  EXPECT_EQ(VNXFreeFile("DEMO/CUSTOMER"), 0);
  EXPECT_EQ(VNXFreeFile("DEMO/NOFILE"), -1);
  EXPECT_EQ(retstat(), 3004);
}

}  // namespace
}  // namespace vantora::testing
