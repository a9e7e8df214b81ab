// The host's services through the client library and the embedded host:
// system APIs and user spaces, data queues between sessions, program calls,
// server jobs and the requests answered with a documented refusal.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <span>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/server/objects/data_queues.h"
#include "host/server/session/host.h"
#include "host/server/session/host_services.h"
#include "mv432ida.h"
#include "platform/process_runner.h"
#include "protocol/byte_order.h"
#include "protocol/host_messages.h"
#include "tests/support/embedded_host.h"
#include "tests/support/message_id.h"

namespace vantora::testing {
namespace {

std::string Pad(const std::string& s, size_t n) {
  std::string out = s;
  out.resize(n, ' ');
  return out;
}

class HostServices : public EmbeddedHostTest {
 protected:
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    // Sessions per thread for the tests that wait in one thread.
    std::ofstream(root_ / "MV400.INI", std::ios::app) << "[NT]\nNbSession=4\n";
  }
};

// ---- System APIs --------------------------------------------------------

TEST_F(HostServices, UserSpacesAreCreatedAndReplaced) {
  ASSERT_EQ(StartSession(), 1);
  EXPECT_EQ(VNXApiCall("QUSCRTUS", "QTEMP/LIST1", "PF", "100000", " ", "*ALL", " ", "*YES"), 1);
  EXPECT_EQ(VNXApiCall("QUSCRTUS", "QTEMP/LIST1", "PF", "100000", " ", "*ALL", " ", "*YES"), 1);
  EXPECT_EQ(VNXApiCall("QUSCRTUS", "QTEMP/LIST1", "PF", "100000", " ", "*ALL", " ", "*NO"), -1);
  EXPECT_EQ(MessageId(), "CPF9870");
  EXPECT_EQ(VNXApiCall("QUSCRTUS", "NOLIB/LIST1", "PF", "100", " ", "*ALL", " ", "*YES"), -1);
  EXPECT_EQ(MessageId(), "CPF9810");
  EXPECT_EQ(VNXApiCall("QUSCRTUS", "QTEMP/LIST2", "PF", "-5", " ", "*ALL", " ", "*YES"), -1);
  EXPECT_EQ(MessageId(), "CPF3C90");
  // A permanent user space is an object of its library.
  EXPECT_EQ(VNXApiCall("QUSCRTUS", "DEMO/KEEPLIST", "PF", "1000", " ", "*ALL", "Kept", "*YES"), 1);
  EXPECT_EQ(VNXApiCall("QUSLOBJ", "QTEMP/LIST1", "OBJL0200", "DEMO/KEEP*", "*USRSPC", nullptr,
                       nullptr, nullptr),
            1);
  EXPECT_EQ(VNXApiCall("QNOSUCH", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            -1);
  EXPECT_EQ(MessageId(), "CPF9811");
}

TEST_F(HostServices, ListApisCheckTheirParameters) {
  ASSERT_EQ(StartSession(), 1);
  ASSERT_EQ(VNXApiCall("QUSCRTUS", "QTEMP/QOBJLSTLIB", "PF", "100000", " ", "*ALL", " ", "*YES"),
            1);
  EXPECT_EQ(VNXApiCall("QUSLOBJ", "QTEMP/QOBJLSTLIB", "OBJL0200", "DEMO/*ALL", "*FILE", "", "", ""),
            1);
  EXPECT_EQ(VNXApiCall("QUSLOBJ", "QTEMP/QOBJLSTLIB", "OBJL0100", "DEMO/*ALL", "*FILE", "", "", ""),
            -1);
  EXPECT_EQ(MessageId(), "CPF3C21");
  EXPECT_EQ(
      VNXApiCall("QUSLOBJ", "QTEMP/QOBJLSTLIB", "OBJL0200", "NOLIB/*ALL", "*FILE", "", "", ""), -1);
  EXPECT_EQ(MessageId(), "CPF9810");
  EXPECT_EQ(VNXApiCall("QUSLOBJ", "QTEMP/MISSING", "OBJL0200", "DEMO/*ALL", "*FILE", "", "", ""),
            -1);
  EXPECT_EQ(MessageId(), "CPF9801");
  EXPECT_EQ(
      VNXApiCall("QDBLDBR", "QTEMP/QOBJLSTLIB", "DBRL0100", "DEMO/ORDERS", "*FIRST", "", "", ""),
      1);
  EXPECT_EQ(VNXApiCall("QDBLDBR", "QTEMP/QOBJLSTLIB", "DBRL0100", "ORDERS    DEMO      ", "*FIRST",
                       "", "", ""),
            1);
  EXPECT_EQ(
      VNXApiCall("QDBLDBR", "QTEMP/QOBJLSTLIB", "DBRL0100", "DEMO/NOFILE", "*FIRST", "", "", ""),
      -1);
  EXPECT_EQ(MessageId(), "CPF9801");
}

TEST_F(HostServices, QtempBelongsToTheJob) {
  ASSERT_EQ(OpenMultiSession(2), 1);
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(StartSession(), 1);
  ASSERT_EQ(VNXApiCall("QUSCRTUS", "QTEMP/MINE", "PF", "100", " ", "*ALL", " ", "*YES"), 1);
  ASSERT_EQ(VNXSession(1), 1);
  ASSERT_EQ(StartSession(), 1);
  EXPECT_EQ(VNXApiCall("QUSLOBJ", "QTEMP/MINE", "OBJL0200", "DEMO/*ALL", "*FILE", "", "", ""), -1);
  EXPECT_EQ(MessageId(), "CPF9801");
  EXPECT_EQ(CloseMultiSession(), 1);
}

TEST_F(HostServices, RetrievesSqlMessageTexts) {
  ASSERT_EQ(StartSession(), 1);
  // "CUSTOMERS" 0xFF "DEMO" 0xFF "FILE" as hexadecimal text.
  const std::string hex =
      HexText(std::string_view("CUSTOMERS\xff"
                               "DEMO\xff"
                               "FILE",
                               19));
  EXPECT_EQ(VNXApiCall("QMHRTVM", "600", "RTVM0100", "SQL0204", "QSYS/QSQLMSG", hex.c_str(), "*YES",
                       "*NO"),
            1);
  EXPECT_EQ(VNXApiCall("QMHRTVM", "600", "RTVM0100", "SQL9999", "QSYS/QSQLMSG", "", "*YES", "*NO"),
            -1);
  EXPECT_EQ(MessageId(), "CPF2419");
  EXPECT_EQ(VNXApiCall("QMHRTVM", "600", "RTVM0100", "SQL0204", "QSYS/NOMSGF", "", "*YES", "*NO"),
            -1);
  EXPECT_EQ(MessageId(), "CPF2407");
  EXPECT_EQ(
      VNXApiCall("QMHRTVM", "600", "RTVM0100", "CPF5001", "QSYS/QCPFMSG", "4142G", "*YES", "*NO"),
      -1);
  EXPECT_EQ(MessageId(), "CPF3C90");
}

// Every identifier the host's sources answer has a text in its message file.
TEST(MessageFiles, HoldEveryIdentifierTheHostAnswers) {
  const std::regex id("\"((CP[DF]|MCH|SQL)[0-9A-F]{4})\"");
  size_t checked = 0;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(std::string(VANTORA_SOURCE_DIR) + "/host")) {
    const auto extension = entry.path().extension();
    if (extension != ".cpp" && extension != ".h") continue;
    if (entry.path().filename().string().find("_test") != std::string::npos) continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
    for (std::sregex_iterator it(source.begin(), source.end(), id), end; it != end; ++it) {
      const std::string found = (*it)[1];
      const char* file =
          found.rfind("SQL", 0) == 0 ? wire::kSqlMessageFile : wire::kSystemMessageFile;
      EXPECT_NE(wire::FindMessage(file, found), nullptr)
          << found << " in " << entry.path().filename();
      ++checked;
    }
  }
  EXPECT_GT(checked, 20u);
  EXPECT_EQ(wire::SubstituteMessage("&1 in &2 type *&3 not found.",
                                    std::vector<uint8_t>{'T', ' ', 0xFF, 'L'}),
            "T in L type * not found.");
}

// The DDS of docs/host-services.md creates the index dictionary with its
// record length in a working library. (The stored-procedure files' DDS and
// CL commands are on docs/procedure-catalogue.md, run by procedit's tests.)
TEST_F(HostServices, TheDocumentedDdsCreatesTheCatalogueFiles) {
  std::ifstream doc(std::string(VANTORA_SOURCE_DIR) + "/docs/host-services.md");
  std::map<std::string, std::vector<std::string>> sources;
  std::string current;
  bool inBlock = false;
  for (std::string line; std::getline(doc, line);) {
    if (line.rfind("```", 0) == 0) {
      inBlock = !inBlock && !current.empty();
      if (!inBlock) current.clear();
      continue;
    }
    if (inBlock) {
      sources[current].push_back(line);
    } else {
      for (const char* file : {"YIDXR0100"}) {
        if (line.rfind(file, 0) == 0 &&
            (line.size() == strlen(file) || line[strlen(file)] == ' ')) {
          current = file;
        }
      }
    }
  }
  ASSERT_EQ(sources.size(), 1u);
  ASSERT_EQ(StartSession(), 1);
  ASSERT_EQ(Rsystem("CRTLIB WORKLIB"), 0);
  const struct {
    const char* file;
    const char* command;
    int32_t length;
  } files[] = {{"YIDXR0100", "CRTPF", 149}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.file);
    const std::string member = std::string("WORKLIB/QDDSSRC(") + f.file + ")";
    int32_t mode = 0;
    for (std::string line : sources[f.file]) {
      line.resize(80, ' ');
      ASSERT_EQ(RCreatDDS(member.c_str(), 1, line.c_str(), mode), 1) << MessageId();
      mode = 2;
    }
    const std::string create =
        std::string(f.command) + " FILE(WORKLIB/" + f.file + ") SRCFILE(WORKLIB/QDDSSRC)";
    ASSERT_EQ(Rsystem(create.c_str()), 0) << MessageId();
    int32_t h = VNXopen((std::string("WORKLIB/") + f.file).c_str(), 1, 0);
    ASSERT_GE(h, 0);
    EXPECT_EQ(Rlength(h), f.length);
    EXPECT_EQ(Rclose(h), 1);
  }
}

// ---- Data queues --------------------------------------------------------

int32_t Link(const char* queue, int32_t create, int32_t keyLength, const char* sequence) {
  return VNXLinkDataQueue(Pad(queue, 10).c_str(), Pad("DEMO", 10).c_str(), create, keyLength,
                          Pad(sequence, 10).c_str());
}

std::string Receive(int32_t link, int32_t wait, const char* order = nullptr,
                    const std::string& key = "") {
  char buffer[64] = {};
  int32_t n =
      VNXReceiveDataQueue(link, buffer, sizeof buffer, wait, order,
                          key.empty() ? nullptr : key.data(), static_cast<int32_t>(key.size()));
  return n < 0 ? "error" : std::string(buffer, static_cast<size_t>(n));
}

void Send(int32_t link, const std::string& data, const std::string& key = "") {
  ASSERT_EQ(VNXSendDataQueue(link, data.data(), static_cast<int32_t>(data.size()),
                             key.empty() ? nullptr : key.data(), static_cast<int32_t>(key.size())),
            1);
}

TEST_F(HostServices, FifoAndLifoQueuesBetweenTwoSessions) {
  ASSERT_EQ(OpenMultiSession(2), 1);
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(StartSession(), 1);
  EXPECT_EQ(Link("MISSING", 0, 0, ""), -1);
  EXPECT_EQ(MessageId(), "CPF9801");
  int32_t fifo = Link("ORDERSQ", 100, 0, "*FIFO");
  int32_t lifo = Link("STACKQ", 100, 0, "*LIFO");
  ASSERT_GT(fifo, 0);
  ASSERT_GT(lifo, fifo);
  for (const char* s : {"one", "two", "three"}) {
    Send(fifo, s);
    Send(lifo, s);
  }
  std::string tooLong(101, 'x');
  EXPECT_EQ(VNXSendDataQueue(fifo, tooLong.data(), 101, nullptr, 0), -1);
  EXPECT_EQ(MessageId(), "CPF9503");

  ASSERT_EQ(VNXSession(1), 1);
  ASSERT_EQ(StartSession(), 1);
  int32_t otherFifo = Link("ORDERSQ", 0, 0, "");  // exists now: no create value needed
  int32_t otherLifo = Link("STACKQ", 0, 0, "");
  EXPECT_EQ(Receive(otherFifo, 0), "one");
  EXPECT_EQ(Receive(otherFifo, 0), "two");
  EXPECT_EQ(Receive(otherLifo, 0), "three");
  EXPECT_EQ(Receive(otherLifo, 0), "two");
  EXPECT_EQ(Receive(otherFifo, 0), "three");
  EXPECT_EQ(Receive(otherFifo, 0), "");  // nothing left, no wait
  EXPECT_EQ(VNXUnlinkDataQueue(otherFifo), 1);
  EXPECT_EQ(VNXUnlinkDataQueue(otherFifo), -1);
  EXPECT_EQ(Receive(otherFifo, 0), "error");
  EXPECT_EQ(retstat(), 3014);
  EXPECT_EQ(CloseMultiSession(), 1);
}

TEST_F(HostServices, KeyedQueueOrders) {
  ASSERT_EQ(StartSession(), 1);
  int32_t q = Link("KEYQ", 50, 3, "*KEYED");
  ASSERT_GT(q, 0);
  Send(q, "b1", "BBB");
  Send(q, "d1", "DDD");
  Send(q, "b2", "BBB");
  Send(q, "a1", "AAA");
  EXPECT_EQ(VNXSendDataQueue(q, "x", 1, nullptr, 0), -1);  // a keyed queue wants a key
  EXPECT_EQ(MessageId(), "CPF9505");
  EXPECT_EQ(VNXSendDataQueue(q, "x", 1, "TOOLONG", 7), -1);
  EXPECT_EQ(MessageId(), "CPF9505");

  EXPECT_EQ(Receive(q, 0, "EQ", "BBB"), "b1");  // equal keys come in arrival order
  EXPECT_EQ(Receive(q, 0, "GT", "BBB"), "d1");
  EXPECT_EQ(Receive(q, 0, "GT", "BBB"), "");
  EXPECT_EQ(Receive(q, 0, "LT", "BBB"), "a1");
  Send(q, "c1", "CCC");
  Send(q, "a2", "AAA");
  EXPECT_EQ(Receive(q, 0, "GE", "BBC"), "c1");
  EXPECT_EQ(Receive(q, 0, "NE", "BBB"), "a2");
  EXPECT_EQ(Receive(q, 0, "LE", "BBB"), "b2");
  EXPECT_EQ(Receive(q, 0, "EQ", "B"), "");  // "B  " after padding
  EXPECT_EQ(Receive(q, 0, "XX", "BBB"), "error");
  EXPECT_EQ(MessageId(), "CPF3C90");

  int32_t plain = Link("PLAINQ", 50, 0, "");
  EXPECT_EQ(Receive(plain, 0, "EQ", "BBB"), "error");
  EXPECT_EQ(MessageId(), "CPF9502");
}

// Entries are in the host's storage: the host closed and opened again
// (the embedded host closes with the client library) still has them, in
// their order; deleting the queue deletes them.
TEST_F(HostServices, QueueEntriesOutliveTheHostUntilTheQueueIsDeleted) {
  ASSERT_EQ(StartSession(), 1);
  int32_t fifo = Link("KEEPQ", 100, 0, "*FIFO");
  int32_t lifo = Link("KEEPSTK", 100, 0, "*LIFO");
  int32_t keyed = Link("KEEPKEY", 100, 2, "*KEYED");
  for (const char* s : {"one", "two", "three"}) {
    Send(fifo, s);
    Send(lifo, s);
  }
  Send(keyed, "b1", "BB");
  Send(keyed, "a1", "AA");
  Send(keyed, "b2", "BB");
  EXPECT_EQ(Receive(fifo, 0), "one");
  VNXTerminate();

  ASSERT_EQ(StartSession(), 1);
  fifo = Link("KEEPQ", 0, 0, "");
  lifo = Link("KEEPSTK", 0, 0, "");
  keyed = Link("KEEPKEY", 0, 0, "");
  EXPECT_EQ(Receive(fifo, 0), "two");
  EXPECT_EQ(Receive(lifo, 0), "three");
  EXPECT_EQ(Receive(keyed, 0, "EQ", "BB"), "b1");
  EXPECT_EQ(Receive(keyed, 0, "GE", "AA"), "a1");
  EXPECT_EQ(Rsystem("DLTDTAQ DTAQ(DEMO/KEEPQ)"), 0);
  // The link outlived its queue: its requests answer that the queue is gone.
  EXPECT_EQ(VNXSendDataQueue(fifo, "x", 1, nullptr, 0), -1);
  EXPECT_EQ(MessageId(), "CPF9801");
  EXPECT_EQ(Receive(fifo, 0), "error");
  EXPECT_EQ(MessageId(), "CPF9801");
  EXPECT_EQ(Rsystem("CRTDTAQ DTAQ(DEMO/KEEPQ) MAXLEN(100)"), 0);
  EXPECT_EQ(Receive(Link("KEEPQ", 0, 0, ""), 0), "");  // created again: empty
  VNXTerminate();

  ASSERT_EQ(StartSession(), 1);
  EXPECT_EQ(Receive(Link("KEEPQ", 0, 0, ""), 0), "");
  lifo = Link("KEEPSTK", 0, 0, "");
  EXPECT_EQ(Receive(lifo, 0), "two");
  EXPECT_EQ(Receive(lifo, 0), "one");
  EXPECT_EQ(Receive(lifo, 0), "");
  EXPECT_EQ(Receive(Link("KEEPKEY", 0, 0, ""), 0, "EQ", "BB"), "b2");
}

TEST_F(HostServices, AReceiverWaitsForAnotherJobsEntry) {
  ASSERT_EQ(VNXThreadAttach(), 1);  // one session per thread from here on
  ASSERT_EQ(StartSession(), 1);
  ASSERT_GT(Link("WAITQ", 100, 0, ""), 0);
  ASSERT_GT(Link("LATEQ", 100, 0, ""), 0);

  std::string received;
  std::chrono::milliseconds waited{};
  std::thread receiver([&] {
    ASSERT_GE(VNXThreadAttach(), 1);
    ASSERT_EQ(StartSession(), 1);
    int32_t link = Link("WAITQ", 0, 0, "");
    auto start = std::chrono::steady_clock::now();
    received = Receive(link, 10);
    waited = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    // A bounded wait that nothing ends answers 0 after about its time.
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(Receive(link, 1), "");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    // A wait without limit ends with the next entry.
    EXPECT_EQ(Receive(Link("LATEQ", 0, 0, ""), -1), "again");
    VNXThreadDetach();
  });
  std::thread sender([&] {
    ASSERT_GE(VNXThreadAttach(), 1);
    ASSERT_EQ(StartSession(), 1);
    int32_t link = Link("WAITQ", 0, 0, "");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Send(link, "wake up");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Send(Link("LATEQ", 0, 0, ""), "again");
    VNXThreadDetach();
  });
  sender.join();
  receiver.join();
  EXPECT_EQ(received, "wake up");
  EXPECT_GE(waited, std::chrono::milliseconds(200));
  EXPECT_LT(waited, std::chrono::milliseconds(8000));
}

// Each host owns its services: a host stopped and a new one opened on the
// same directory (possibly at the same address) waits normally.
TEST(DataQueueWaits, AHostOpenedAgainWaitsNormally) {
  const auto dir = FreshTestDirectory("vantora-tests");
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    std::unique_ptr<host::Host> h;
    ASSERT_TRUE(host::Host::Open(dir, {}, &h).ok());
    if (round == 0) {
      ASSERT_TRUE(h->storage().catalogue().CreateLibrary("LIB", "").ok());
      ASSERT_TRUE(host::CreateDataQueue(h->storage().catalogue(), {"LIB", "Q"}, {}, "").ok());
    }
    auto queue = host::ServicesOf(*h).queues.Get(h->storage().queueEntries(), {"LIB", "Q"}, {});
    host::QueueEntry entry;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(
        queue->Receive(std::chrono::milliseconds(300), host::KeyOrder::kEqual, {}, &entry).code(),
        host::StatusCode::kRecordNotFound);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    host::StopServiceWaits(*h);  // as a stopping front does
  }
}

// A stopping front ends every wait, forever ones too.
TEST(DataQueueWaits, StopEndsThemAndResumeRestoresThem) {
  const auto dir = FreshTestDirectory("vantora-tests");
  std::unique_ptr<host::Storage> storage;
  ASSERT_TRUE(host::Storage::Open(dir, {}, &storage).ok());
  ASSERT_TRUE(storage->catalogue().CreateLibrary("LIB", "").ok());
  ASSERT_TRUE(host::CreateDataQueue(storage->catalogue(), {"LIB", "Q"}, {}, "").ok());
  host::DataQueueSet queues;
  auto queue = queues.Get(storage->queueEntries(), {"LIB", "Q"}, {});
  host::QueueEntry entry;
  host::Status got;
  std::thread waiter([&] {
    got = queue->Receive(std::chrono::milliseconds(-1), host::KeyOrder::kEqual, {}, &entry);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  queues.StopWaits();
  waiter.join();
  EXPECT_EQ(got.code(), host::StatusCode::kRecordNotFound);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(queue->Receive(std::chrono::seconds(5), host::KeyOrder::kEqual, {}, &entry).code(),
            host::StatusCode::kRecordNotFound);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  queues.ResumeWaits();
  const uint8_t data[] = {'x'};
  ASSERT_TRUE(queue->Send(data, {}).ok());
  EXPECT_TRUE(
      queue->Receive(std::chrono::milliseconds(0), host::KeyOrder::kEqual, {}, &entry).ok());
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(
      queue->Receive(std::chrono::milliseconds(300), host::KeyOrder::kEqual, {}, &entry).code(),
      host::StatusCode::kRecordNotFound);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
  // A queue deleted under a waiter: its receive answers that the queue is gone.
  std::thread late(
      [&] { got = queue->Receive(std::chrono::seconds(1), host::KeyOrder::kEqual, {}, &entry); });
  ASSERT_TRUE(storage->catalogue().DeleteObject({"LIB", "Q"}, "*DTAQ").ok());
  late.join();
  EXPECT_EQ(got.code(), host::StatusCode::kObjectNotFound);
  EXPECT_EQ(queue->Send(data, {}).code(), host::StatusCode::kObjectNotFound);
  queue.reset();
  storage.reset();
  std::filesystem::remove_all(dir);
}

// ---- Programs -----------------------------------------------------------

// A 34-byte link record: name, library, n at 22, m at 32.
std::vector<uint8_t> LinkRecord(const char* program, const char* library, int16_t n, int16_t m) {
  std::vector<uint8_t> d(34, 0);
  std::memcpy(d.data(), Pad(program, 10).data(), 10);
  std::memcpy(d.data() + 10, Pad(library, 10).data(), 10);
  wire::StoreLeI16(d.data() + 22, n);
  wire::StoreLeI16(d.data() + 32, m);
  return d;
}

void Describe(std::vector<uint8_t>* list, int16_t direction, int16_t type, int16_t length,
              int16_t decimals) {
  uint8_t p[14] = {};
  wire::StoreLeI16(p, direction);
  wire::StoreLeI16(p + 2, type);
  wire::StoreLeI16(p + 4, length);
  wire::StoreLeI16(p + 6, decimals);
  list->insert(list->end(), p, p + 14);
}

TEST_F(HostServices, CallsAProgramWithCharacterAndPackedParameters) {
  ASSERT_EQ(StartSession(), 1);
  std::vector<uint8_t> params;
  Describe(&params, 1, 0, 10, 0);  // customer code
  Describe(&params, 1, 3, 7, 2);   // amount PACK(7,2)
  Describe(&params, 1, 3, 3, 1);   // rate PACK(3,1)
  Describe(&params, 2, 3, 9, 2);   // result PACK(9,2)
  Describe(&params, 2, 0, 30, 0);  // message
  auto d = LinkRecord("ADDTAX", "", 5, 0);
  int32_t link = PgmLink(d.data(), params.data(), nullptr);
  ASSERT_GT(link, 0);
  EXPECT_EQ(wire::LoadLeI32(d.data() + 24), link);
  EXPECT_EQ(wire::LoadLeI16(d.data() + 28), 5);
  EXPECT_EQ(wire::LoadLeI16(d.data() + 30), 51);

  // 1234.50 at 20.0 percent: 1481.40.
  std::string in =
      Pad("C042", 10) + std::string("\x00\x12\x34\x5C", 4) + std::string("\x20\x0C", 2);
  uint8_t out[51] = {};
  ASSERT_EQ(PgmCall(link, sizeof out, out, static_cast<int32_t>(in.size()), in.data()), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 10), Pad("C042", 10));
  EXPECT_EQ(std::memcmp(out + 16, "\x00\x00\x14\x81\x4C", 5), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out) + 21, 30), Pad("TAX ADDED FOR C042", 30));

  // Only the result and the message, in that order.
  uint8_t entries[4];
  wire::StoreLeI16(entries, 5);
  wire::StoreLeI16(entries + 2, 4);
  auto selected = LinkRecord("ADDTAX", "VANTORA", 5, 2);
  int32_t link2 = PgmLink(selected.data(), params.data(), entries);
  ASSERT_GT(link2, link);
  uint8_t picked[35] = {};
  ASSERT_EQ(PgmCall(link2, sizeof picked, picked, static_cast<int32_t>(in.size()), in.data()), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(picked), 18), "TAX ADDED FOR C042");
  EXPECT_EQ(std::memcmp(picked + 30, "\x00\x00\x14\x81\x4C", 5), 0);

  EXPECT_EQ(PgmUnLink(link), 1);
  EXPECT_EQ(PgmCall(link, sizeof out, out, static_cast<int32_t>(in.size()), in.data()), -1);
  EXPECT_EQ(retstat(), 3014);
}

TEST_F(HostServices, RefusesLinksThatDoNotFit) {
  ASSERT_EQ(StartSession(), 1);
  std::vector<uint8_t> params;
  Describe(&params, 1, 0, 10, 0);
  auto missing = LinkRecord("NOSUCHPGM", "", 1, 0);
  EXPECT_EQ(PgmLink(missing.data(), params.data(), nullptr), -1);
  EXPECT_EQ(MessageId(), "CPF9811");
  auto wrong = LinkRecord("ADDTAX", "", 1, 0);
  EXPECT_EQ(PgmLink(wrong.data(), params.data(), nullptr), -1);
  EXPECT_EQ(MessageId(), "CPF3C21");
  std::vector<uint8_t> badType;
  Describe(&badType, 1, 6, 10, 0);
  auto upper = LinkRecord("UPPER", "", 1, 0);
  EXPECT_EQ(PgmLink(upper.data(), badType.data(), nullptr), -1);
  EXPECT_EQ(MessageId(), "CPF3C90");
  // No descriptions: the program's own declaration.
  auto own = LinkRecord("UPPER", "", 0, 0);
  int32_t link = PgmLink(own.data(), nullptr, nullptr);
  ASSERT_GT(link, 0);
  EXPECT_EQ(wire::LoadLeI16(own.data() + 30), 40);
  char text[40];
  ASSERT_EQ(PgmCall(link, 40, text, 5, "hello"), 1);
  EXPECT_EQ(std::string(text, 40), Pad("HELLO", 40));
  auto failing = LinkRecord("FAIL", "", 0, 0);
  int32_t fail = PgmLink(failing.data(), nullptr, nullptr);
  EXPECT_EQ(PgmCall(fail, 1, text, 1, "x"), -1);
  EXPECT_EQ(MessageId(), "CPF3C4B");
}

TEST_F(HostServices, CallsRegisteredExecutables) {
  std::filesystem::create_directories(dataDirectory_);
  std::ofstream(root_ / "upper.sh") << "#!/bin/sh\nexec tr a-z A-Z\n";
  std::ofstream(root_ / "slow.sh") << "#!/bin/sh\nexec sleep 5\n";
  std::ofstream(dataDirectory_ / "programs.ini")
      << "[DEMO/SHOUT]\nCommand=/bin/sh " << (root_ / "upper.sh").string()
      << "\nParameters=B CHAR 12\nText=Shouts\n"
      << "[DEMO/SLOW]\nCommand=/bin/sh " << (root_ / "slow.sh").string()
      << "\nParameters=I CHAR 4\nTimeout=1\n";
  ASSERT_EQ(StartSession(), 1);
  auto d = LinkRecord("SHOUT", "DEMO", 0, 0);
  int32_t link = PgmLink(d.data(), nullptr, nullptr);
  ASSERT_GT(link, 0);
  char out[12];
  ASSERT_EQ(PgmCall(link, 12, out, 6, "quiet!"), 1);
  EXPECT_EQ(std::string(out, 12), "QUIET!      ");

  auto slow = LinkRecord("SLOW", "DEMO", 0, 0);
  int32_t slowLink = PgmLink(slow.data(), nullptr, nullptr);
  ASSERT_GT(slowLink, 0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(PgmCall(slowLink, 4, out, 4, "wait"), -1);
  EXPECT_EQ(MessageId(), "CPF3C4A");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

// The host starts programs through the platform's process runner; one that
// stands in for it sees the command split into the path and its arguments,
// and its outcomes become the documented messages without any real process.
class RecordingRunner : public platform::ProcessRunner {
 public:
  platform::RunOutcome Run(const std::vector<std::string>& argv, std::span<const uint8_t> input,
                           size_t maxOutput, std::chrono::milliseconds limit,
                           std::vector<uint8_t>* output, int* exitStatus) override {
    argv_ = argv;
    input_.assign(input.begin(), input.end());
    maxOutput_ = maxOutput;
    limit_ = limit;
    output->assign(answer_.begin(), answer_.end());
    *exitStatus = outcome_ == platform::RunOutcome::kOk ? 0 : 1;
    return outcome_;
  }
  std::vector<std::string> argv_;
  std::string input_;
  size_t maxOutput_ = 0;
  std::chrono::milliseconds limit_{0};
  std::string answer_;
  platform::RunOutcome outcome_ = platform::RunOutcome::kOk;
};

TEST_F(HostServices, ProgramsRunThroughTheCurrentProcessRunner) {
  std::filesystem::create_directories(dataDirectory_);
  std::ofstream(dataDirectory_ / "programs.ini")
      << "[DEMO/ECHO]\nCommand=/opt/tools/echo  --upper   -x\nParameters=B CHAR 8\nTimeout=7\n";
  RecordingRunner runner;
  platform::ScopedProcessRunner scoped(runner);
  ASSERT_EQ(StartSession(), 1);
  auto d = LinkRecord("ECHO", "DEMO", 0, 0);
  int32_t link = PgmLink(d.data(), nullptr, nullptr);
  ASSERT_GT(link, 0);
  char out[8];
  runner.answer_ = "ANSWERED";
  ASSERT_EQ(PgmCall(link, 8, out, 3, "abc"), 1);
  EXPECT_EQ(runner.argv_, (std::vector<std::string>{"/opt/tools/echo", "--upper", "-x"}));
  EXPECT_EQ(runner.input_, Pad("abc", 8));
  EXPECT_EQ(runner.maxOutput_, 8u);
  EXPECT_EQ(runner.limit_, std::chrono::seconds(7));
  EXPECT_EQ(std::string(out, 8), "ANSWERED");

  const struct {
    platform::RunOutcome outcome;
    const char* message;
  } failures[] = {{platform::RunOutcome::kFailed, "CPF3C4B"},
                  {platform::RunOutcome::kTimedOut, "CPF3C4A"}};
  for (const auto& f : failures) {
    runner.outcome_ = f.outcome;
    EXPECT_EQ(PgmCall(link, 8, out, 3, "abc"), -1);
    EXPECT_EQ(MessageId(), f.message);
  }
}

// ---- Server jobs --------------------------------------------------------

TEST_F(HostServices, ConversesWithAServerJob) {
  ASSERT_EQ(StartSession(), 1);
  EXPECT_EQ(JOBcall(Pad("NOSUCH", 10).c_str(), Pad("", 10).c_str()), -1);
  EXPECT_EQ(MessageId(), "CPF9811");
  int32_t job = JOBcall(Pad("TALK", 10).c_str(), Pad("VANTORA", 10).c_str());
  ASSERT_GT(job, 0);
  char answer[64] = {};
  EXPECT_EQ(JOBreceive(job, sizeof answer, answer), 0);  // nothing sent yet
  EXPECT_EQ(JOBsend(job, 5, "hello"), 1);
  EXPECT_EQ(JOBsend(job, 5, "world"), 1);
  ASSERT_EQ(JOBreceive(job, sizeof answer, answer), 10);
  EXPECT_EQ(std::string(answer, 10), "0001 HELLO");
  ASSERT_EQ(JOBreceive(job, 4, answer), 10);  // the length of the whole answer
  EXPECT_EQ(std::string(answer, 4), "0002");
  ASSERT_EQ(JOBsendreceive(job, 3, "bye", sizeof answer, answer), 8);
  EXPECT_EQ(std::string(answer, 8), "0003 BYE");
  EXPECT_EQ(JOBsend(job, 0, ""), 1);  // ends the server job
  EXPECT_EQ(JOBsend(job, 1, "x"), -1);
  EXPECT_EQ(retstat(), 3014);
}

// ---- Refused requests ---------------------------------------------------

TEST_F(HostServices, RequestsWithoutUseAnswerARefusal) {
  ASSERT_EQ(StartSession(), 1);
  uint8_t entries[16] = {};
  wire::StoreLeI16(entries + 14, 4);
  uint8_t list[4] = {};
  char format[11] = "FMT       ";
  uint8_t fields[16] = {};
  uint8_t redefines[14] = {};
  const int32_t results[] = {
      VNXDBinit(1, 2, 3),
      VNXDBstop(1),
      VNXDBstart(1, 1, entries, "data"),
      VNXDBopen(1, list, 1, entries, "data"),
      VNXCreateVirtualDesc(0, format, 1, fields, 1, list),
      VNXredefines(0, format, 4, 1, redefines),
  };
  for (int32_t r : results) {
    EXPECT_EQ(r, -1);
  }
  EXPECT_EQ(retstat(), 3014);
  EXPECT_EQ(MessageId(), "CPF9898");
}

}  // namespace
}  // namespace vantora::testing
