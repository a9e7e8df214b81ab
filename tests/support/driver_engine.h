// A fixture for tests of the database driver through the engine's
// application interface, the real driver module and the emulated host in the
// process: each test gets a fresh host data directory, settings of its own
// and a recording UI sink; the engine is stopped (closing the driver and its
// sessions) at the end.
#ifndef VANTORA_TESTS_SUPPORT_DRIVER_ENGINE_H_
#define VANTORA_TESTS_SUPPORT_DRIVER_ENGINE_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "idapi.h"
#include "idapi_app.h"
#include "mv432ida.h"
#include "platform/ui_sink.h"
#include "tests/support/embedded_host.h"

namespace vantora::testing {

constexpr char kDriver[] = "Morvalis400";

using Parameters = std::vector<std::pair<std::string, std::string>>;

class DriverEngineTest : public EmbeddedHostTest {
 protected:
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    platform::InstallUiSink(&sink_);
  }
  void TearDown() override {
    StopEngine();
    platform::InstallUiSink(nullptr);
    EmbeddedHostTest::TearDown();
  }

  // Rewrites the settings file with `extra` sections and keys after the host's.
  void WriteSettings(const std::string& extra) {
    std::ofstream(root_ / "MV400.INI")
        << "[General]\nNetwork=ehn\n[Host]\nDataDirectory=" << dataDirectory_.string() << "\n"
        << extra;
  }

  void StartEngine() {
    ASSERT_EQ(VdbStart(), IDAPI_OK);
    ++starts_;
  }
  void StopEngine() {
    for (; starts_ > 0; --starts_) VdbStop();
  }

  uint16_t Open(VdbDatabase** db, const Parameters& parameters = {{"SERVER NAME", "DEMO"}},
                const char* password = nullptr) {
    std::vector<VdbParameter> p;
    for (const auto& [name, value] : parameters) p.push_back({name.c_str(), value.c_str()});
    return VdbOpenDatabase(kDriver, "demo", p.data(), static_cast<int32_t>(p.size()), password, db);
  }

  static VdbError LastError() {
    VdbError e;
    VdbLastError(&e);
    return e;
  }

  static int32_t HandleOf(VdbDatabase* db) {
    int32_t handle = -1;
    VdbDatabaseInfo(db, nullptr, nullptr, &handle);
    return handle;
  }

  // The entry of a database slot, as its typedef.
  template <typename Fn>
  static Fn DatabaseSlot(VdbDatabase* db, uint16_t slot) {
    IdapiEntry e = nullptr;
    EXPECT_EQ(VdbDatabaseEntry(db, slot, &e), IDAPI_OK);
    return reinterpret_cast<Fn>(e);
  }
  template <typename Fn>
  static Fn DriverSlot(uint16_t slot) {
    IdapiEntry e = nullptr;
    EXPECT_EQ(VdbDriverEntry(kDriver, slot, &e), IDAPI_OK);
    return reinterpret_cast<Fn>(e);
  }
  static void* ObjectOf(VdbDatabase* db) {
    void* object = nullptr;
    VdbDatabaseObject(db, &object);
    return object;
  }

  platform::RecordingSink sink_;
  int starts_ = 0;
};

// One record of the host's request trace (TRACE/DELPHI).
struct TraceRecord {
  long job = 0;
  std::string member;
  std::string operation;
  std::string data;
};

// Reads the trace file `file` in a session of its own; call it when the
// driver's sessions have ended (the engine stopped).
inline std::vector<TraceRecord> ReadTrace(const char* file = "TRACE/DELPHI") {
  std::vector<TraceRecord> records;
  EXPECT_EQ(StartSession(), 1);
  const int32_t h = Ropen(file, "rr");
  EXPECT_GE(h, 0);
  if (h < 0) return records;
  unsigned char header[18];
  VNXGetDesc(h, header, 18, VNX_DESC_FILE_18, nullptr);
  const int fields = idapi_get_u16(header, 10);
  std::vector<unsigned char> desc(24 * static_cast<size_t>(fields));
  VNXGetDesc(h, desc.data(), 24, VNX_DESC_FIELDS_24 + fields, nullptr);
  struct Place {
    int offset = 0, length = 0;
  } job, member, op, data;
  int offset = 0;
  for (int i = 0; i < fields; ++i) {
    const unsigned char* d = desc.data() + 24 * i;
    std::string name(reinterpret_cast<const char*>(d), 10);
    name.erase(name.find_last_not_of(' ') + 1);
    const int length = idapi_get_u16(d, 12);
    if (name == "TRJOB") job = {offset, length};
    if (name == "TRMBR") member = {offset, length};
    if (name == "TROP") op = {offset, length};
    if (name == "TRDATA") data = {offset, length};
    offset += length;
  }
  const int32_t recordLength = Rlength(h);
  std::vector<char> record(static_cast<size_t>(recordLength));
  auto text = [&](Place p) {
    std::string s(record.data() + p.offset, static_cast<size_t>(p.length));
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
  };
  while (Rreadn(h, record.data(), recordLength, 0) == 1) {
    TraceRecord r;
    r.job = std::strtol(text(job).c_str(), nullptr, 10);
    r.member = text(member);
    r.operation = text(op);
    // A variable-length field: its 16-bit length first.
    const int n = idapi_get_u16(record.data(), static_cast<size_t>(data.offset));
    r.data.assign(record.data() + data.offset + 2,
                  static_cast<size_t>(std::min(n, data.length - 2)));
    records.push_back(r);
  }
  Rclose(h);
  FreeSession();
  return records;
}

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_DRIVER_ENGINE_H_
