// Reading ahead is never visible: a sequential reader over vantora-hostd, with
// a second job inserting, updating, deleting and locking records between
// its requests, and with the reader itself repositioning, asking for its
// status, reading single records and closing its file in between, sees
// exactly what it sees from a server that does not read ahead. The script
// runs against both servers, each on its own copy of the same data, and the
// two transcripts must be equal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "host/server/session/host.h"
#include "host/storage/file_definition.h"
#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/hostd_process.h"
#include "tests/support/test_directory.h"

namespace vantora::testing {
namespace {

// TEST/SEQ, keyed on NUM: NUM BIN4 | NAME CHAR(8); PC record of 12 bytes.
constexpr int32_t kLength = 12;
constexpr int32_t kBlock = 4;

std::vector<uint8_t> Record(int32_t num, const std::string& name) {
  std::vector<uint8_t> r(kLength, ' ');
  wire::StoreLeI32(r.data(), num);
  std::memcpy(r.data() + 4, name.data(), std::min<size_t>(name.size(), 8));
  return r;
}

void CreateData(const std::filesystem::path& directory) {
  std::unique_ptr<host::Host> h;
  ASSERT_TRUE(host::Host::Open(directory, {}, &h).ok());
  host::Storage& storage = h->storage();
  ASSERT_TRUE(storage.userProfiles().Create("ALICE", "secret", "reader").ok());
  ASSERT_TRUE(storage.catalogue().CreateLibrary("TEST", "tests").ok());
  host::PhysicalFileDef def;
  def.name = {"TEST", "SEQ"};
  def.formatName = "SEQREC";
  def.fields = {host::BinaryField("NUM", host::FieldType::kBin4), host::CharField("NAME", 8)};
  def.key = {{"NUM", false}};
  def.unique = true;
  ASSERT_TRUE(storage.catalogue().CreatePhysicalFile(def).ok());
  std::unique_ptr<host::FileCursor> cursor;
  host::CursorOptions options;
  options.job = -1;
  ASSERT_TRUE(storage.OpenCursor(def.name, options, &cursor).ok());
  for (int32_t num = 10; num <= 400; num += 10) {
    host::Record r(2);
    r[0] = host::Value::Integer(num);
    r[1] = host::Value::Text("N" + std::to_string(num));
    ASSERT_TRUE(cursor->Insert(r, nullptr).ok());
  }
}

// What the reader was answered, one line per call.
class Transcript {
 public:
  void Answer(const std::string& what, int32_t result) {
    char id[8] = {};
    Return_Syserr(id);
    lines_.push_back(what + " -> " + std::to_string(result) + " status " +
                     std::to_string(retstat()) + " " + id);
  }
  void Records(const uint8_t* records, const int32_t* rrns, int32_t count) {
    std::string line = "   ";
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t* r = records + i * kLength;
      line += " " + std::to_string(wire::LoadLeI32(r)) + ":" +
              std::string(reinterpret_cast<const char*>(r + 4), 8) + "@" +
              (rrns != nullptr ? std::to_string(rrns[i]) : "-");
    }
    lines_.push_back(line);
  }
  void Line(const std::string& line) { lines_.push_back(line); }
  const std::vector<std::string>& lines() const { return lines_; }
  std::string Text() const {
    std::string t;
    for (const std::string& l : lines_) t += l + "\n";
    return t;
  }

 private:
  std::vector<std::string> lines_;
};

class ReadAheadScript {
 public:
  explicit ReadAheadScript(Transcript& t) : t_(t) {}

  void Run() {
    ASSERT_EQ(OpenMultiSession(2), 1);
    Reader();
    ASSERT_EQ(StartSession(), 1);
    Writer();
    ASSERT_EQ(StartSession(), 1);

    Reader();
    int32_t r = Ropen("TEST/SEQ", "rr");
    ASSERT_GE(r, 0);
    Writer();
    int32_t w = Ropen("TEST/SEQ", "ur");
    ASSERT_GE(w, 0);
    int32_t wc = Ropen("TEST/SEQ", "ur commit=Y");
    ASSERT_GE(wc, 0);

    Reader();
    Next(r, "first block");
    // Records inserted, changed and deleted ahead of the reader, between its
    // blocks, and one only locked.
    Writer();
    ASSERT_EQ(Rwrite(w, Record(55, "NEW55").data(), kLength), 1);
    Reader();
    Next(r, "after an insert ahead");
    Writer();
    ChangeName(w, 100, "CHG100");
    Reader();
    Next(r, "after an update ahead");
    Writer();
    ASSERT_EQ(Rreadk(w, buffer_, kLength, 0, Key(130).data(), 4), 1);  // locks 130
    Reader();
    Next(r, "while another job holds a lock ahead");
    Writer();
    ASSERT_EQ(Rrlslck(w), 1);
    ASSERT_EQ(Rreadk(w, buffer_, kLength, 0, Key(170).data(), 4), 1);
    ASSERT_EQ(Rdelete(w), 1);
    Reader();
    Next(r, "after a delete ahead");
    Next(r, "two blocks in a row");
    Next(r, "three blocks in a row");
    // The reader's own requests in between.
    Status(r, "status after a block");
    Next(r, "after asking for the status");
    Single(r, "single next after a block", Rreadn);
    Next(r, "a block after a single read");
    Single(r, "single prior after a block", Rreadp);
    Next(r, "a block after the single prior");
    t_.Answer("locate 300", Rlocate(r, Key(300).data(), 4, 0));
    Next(r, "after locating 300");
    Prior(r, "prior block");
    Prior(r, "prior block again");
    Next(r, "next block after prior blocks");
    // Uncommitted and rolled-back changes of another job.
    Writer();
    ChangeName(wc, 320, "UNCOMMIT");
    Reader();
    Next(r, "with an uncommitted change ahead");
    Writer();
    ASSERT_EQ(Rrollbck(), 1);
    Reader();
    Next(r, "after the rollback");
    // Closed and opened again between two blocks.
    Next(r, "one more before closing");
    t_.Answer("close", Rclose(r));
    r = Ropen("TEST/SEQ", "rr");
    ASSERT_GE(r, 0);
    Next(r, "first block after reopening");
    Next(r, "second block after reopening");
    // Single records one at a time, with the same changes between them,
    // through an update-mode open too (whose reads lock, so are not made
    // ahead, unless they say they take no lock).
    Writer();
    ChangeName(w, 90, "SINGLE90");
    Reader();
    SingleVnx(r, "single VNXRead");
    SingleVnx(r, "single VNXRead again");
    Writer();
    ChangeName(w, 110, "SINGLE110");
    ASSERT_EQ(Rwrite(w, Record(105, "NEW105").data(), kLength), 1);
    Reader();
    SingleVnx(r, "single VNXRead after an update and an insert ahead");
    SingleVnx(r, "single VNXRead");
    Single(r, "Rreadn after VNXRead", Rreadn);
    Single(r, "Rreadn again", Rreadn);
    Writer();
    ASSERT_EQ(Rreadk(w, buffer_, kLength, 0, Key(120).data(), 4), 1);
    ASSERT_EQ(Rdelete(w), 1);
    Reader();
    Single(r, "Rreadn after a delete ahead", Rreadn);
    Single(r, "Rreadp", Rreadp);
    Single(r, "Rreadp again", Rreadp);
    Status(r, "status after single reads");
    Writer();
    Single(w, "writer's locking Rreadn", Rreadn);
    Single(w, "writer's locking Rreadn again", Rreadn);
    ASSERT_EQ(Rrlslck(w), 1);
    Reader();
    Single(r, "Rreadn while the writer read on", Rreadn);
    // A committed change behind and ahead, then to the end of the file.
    Writer();
    ChangeName(wc, 20, "BEHIND");
    ChangeName(wc, 180, "AHEAD");
    ASSERT_EQ(Rcommit("read ahead test"), 1);
    Reader();
    for (int i = 0; i < 12; ++i) Next(r, "to the end " + std::to_string(i));
    Prior(r, "prior block from the end");
    Status(r, "status at the end");
    t_.Answer("close", Rclose(r));
    Writer();
    EXPECT_EQ(Rclose(w), 1);
    EXPECT_EQ(Rclose(wc), 1);
    EXPECT_EQ(CloseMultiSession(), 1);
  }

 private:
  static void Reader() { ASSERT_EQ(VNXSession(0), 0); }
  static void Writer() { ASSERT_EQ(VNXSession(1), 1); }
  static std::vector<uint8_t> Key(int32_t num) {
    std::vector<uint8_t> k(4);
    wire::StoreLeI32(k.data(), num);
    return k;
  }
  void ChangeName(int32_t h, int32_t num, const std::string& name) {
    ASSERT_EQ(Rreadk(h, buffer_, kLength, 0, Key(num).data(), 4), 1);
    ASSERT_EQ(Rupdate(h, Record(num, name).data(), kLength), 1);
  }
  void Block(int32_t h, const std::string& what, int32_t op) {
    uint8_t records[kBlock * kLength] = {};
    int32_t rrns[kBlock] = {};
    int32_t n = VNXRead(h, records, kLength, op | VNX_BLOCK | kBlock, nullptr, 0, rrns);
    t_.Answer(what, n);
    if (n > 0) t_.Records(records, rrns, n);
  }
  void Next(int32_t h, const std::string& what) { Block(h, what, VNX_READ_NEXT); }
  void Prior(int32_t h, const std::string& what) { Block(h, what, VNX_READ_PRIOR); }
  void Single(int32_t h, const std::string& what,
              int32_t (*read)(int32_t, void*, int32_t, int32_t)) {
    int32_t n = read(h, buffer_, kLength, 0);
    t_.Answer(what, n);
    if (n > 0) t_.Records(buffer_, nullptr, 1);
  }
  void SingleVnx(int32_t h, const std::string& what) {
    int32_t rrn = 0;
    int32_t n = VNXRead(h, buffer_, kLength, VNX_READ_NEXT, nullptr, 0, &rrn);
    t_.Answer(what, n);
    if (n > 0) t_.Records(buffer_, &rrn, 1);
  }
  void Status(int32_t h, const std::string& what) {
    uint8_t area[24] = {};
    t_.Answer(what, Rrstatus(h, area));
    std::string line = "    area";
    for (int at = 0; at < 24; at += 4) line += " " + std::to_string(wire::LoadLeI32(area + at));
    t_.Line(line);
  }

  Transcript& t_;
  uint8_t buffer_[kLength] = {};
};

class HostdReadAheadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = FreshTestDirectory("vantora-read-ahead-tests");
    setenv("VANTORA_USER", "ALICE", 1);
    setenv("VANTORA_PASSWORD", "secret", 1);
  }
  void TearDown() override {
    VNXTerminate();
    unsetenv("VANTORA_USER");
    unsetenv("VANTORA_PASSWORD");
    std::filesystem::remove_all(root_);
  }

  // Runs the script against a fresh server; answers its log.
  std::string RunAgainst(const std::string& name, std::vector<std::string> args,
                         Transcript* transcript) {
    const std::filesystem::path data = root_ / name;
    CreateData(data);
    HostdProcess server;
    EXPECT_TRUE(server.Start(data, root_ / (name + ".log"), std::move(args)));
    std::ofstream(root_ / "MV400.INI")
        << "[General]\nNetwork=tcp\nLocation=127.0.0.1:" << server.port()
        << "\n[Tcp]\nConnectTimeout=5\nReceiveTimeout=60\n";
    setenv("MV400_INI", (root_ / "MV400.INI").c_str(), 1);
    VNXTerminate();
    ReadAheadScript(*transcript).Run();
    VNXTerminate();
    EXPECT_TRUE(server.WaitForLog("session end", 2));
    EXPECT_EQ(server.Stop(), 0);
    return server.Log();
  }

  std::filesystem::path root_;
};

// "reads made ahead: U used, D undone" of the reader's session end.
std::pair<int, int> ReadAheadCounts(const std::string& log) {
  std::smatch m;
  static const std::regex kCounts("reads made ahead: ([0-9]+) used, ([0-9]+) undone");
  if (!std::regex_search(log, m, kCounts)) return {0, 0};
  return {std::stoi(m[1]), std::stoi(m[2])};
}

TEST_F(HostdReadAheadTest, TheReaderSeesWhatItSeesWithoutReadingAhead) {
  Transcript plain, ahead;
  const std::string plainLog = RunAgainst("plain", {"--no-read-ahead"}, &plain);
  ASSERT_FALSE(HasFatalFailure());
  const std::string aheadLog = RunAgainst("ahead", {}, &ahead);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(ahead.Text(), plain.Text());

  // The script did what it says (not two equally empty transcripts).
  const std::string t = plain.Text();
  EXPECT_NE(t.find("55:NEW55"), std::string::npos) << t;
  EXPECT_NE(t.find("100:CHG100"), std::string::npos) << t;
  EXPECT_EQ(t.find(" 170:"), std::string::npos) << t;
  EXPECT_NE(t.find("180:AHEAD"), std::string::npos) << t;
  EXPECT_NE(t.find("105:NEW105"), std::string::npos) << t;
  EXPECT_NE(t.find("110:SINGLE11"), std::string::npos) << t;
  EXPECT_NE(t.find("CPF5001"), std::string::npos) << t;  // the end of the file was reached

  // The server read ahead, and had to undo some of it.
  EXPECT_EQ(ReadAheadCounts(plainLog), std::make_pair(0, 0)) << plainLog;
  auto [used, undone] = ReadAheadCounts(aheadLog);
  EXPECT_GT(used, 5) << aheadLog;
  EXPECT_GT(undone, 3) << aheadLog;
}

}  // namespace
}  // namespace vantora::testing
