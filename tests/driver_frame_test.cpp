// The driver frame through the engine: registration, descriptions, opening
// databases and sharing host sessions, against the emulated host.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/module_loader.h"
#include "tests/support/driver_engine.h"

namespace vantora::testing {
namespace {

class DriverFrame : public DriverEngineTest {};

TEST_F(DriverFrame, DescriptionsThroughTheEngine) {
  StartEngine();
  unsigned char d[IDAPI_DRIVER_DESC_SIZE];
  ASSERT_EQ(VdbDescribeDriver(kDriver, d), IDAPI_OK);
  EXPECT_STREQ(reinterpret_cast<char*>(d + IDAPI_DDESC_TYPE), "Morvalis400");
  EXPECT_STREQ(reinterpret_cast<char*>(d + IDAPI_DDESC_DBTYPE), "AS400");
  unsigned char t[IDAPI_TABLE_TYPE_DESC_SIZE];
  EXPECT_EQ(VdbDescribeTableType(kDriver, 1, t), IDAPI_OK);
  EXPECT_EQ(VdbDescribeTableType(kDriver, 2, t), IDAPI_ERR_UNKNOWN_TYPE);
  EXPECT_EQ(LastError().status, IDAPI_ERR_UNKNOWN_TYPE);
  unsigned char f[IDAPI_FIELD_TYPE_DESC_SIZE];
  EXPECT_EQ(VdbDescribeFieldType(kDriver, 11, f), IDAPI_OK);
  EXPECT_EQ(idapi_get_u16(f, IDAPI_FTDESC_NATIVE), IDAPI_NATIVE_PACKED);
  EXPECT_EQ(VdbDescribeFieldType(kDriver, 12, f), IDAPI_ERR_UNKNOWN_TYPE);
  char version[16];
  EXPECT_EQ(VdbDriverProperty(kDriver, IDAPI_PROP_DRIVER_VERSION, version, sizeof version),
            IDAPI_OK);
  EXPECT_STREQ(version, "3.0");
  // Slots answered by the frame itself.
  char copy[32] = {};
  EXPECT_EQ(DriverSlot<IdapiDrvCopyName>(IDAPI_DRV_COPY_NAME)(nullptr, "ORDERS", copy), IDAPI_OK);
  EXPECT_STREQ(copy, "ORDERS");
  void* driver = nullptr;
  ASSERT_EQ(VdbDriverObject(kDriver, &driver), IDAPI_OK);
  EXPECT_EQ(DriverSlot<IdapiDrvDefaultLanguageDriver>(IDAPI_DRV_DEFAULT_LANGDRV)(driver, 1, copy),
            IDAPI_ERR_NOT_SUPPORTED);
  EXPECT_EQ(DriverSlot<IdapiDrvNop24>(IDAPI_DRV_NOP24)(nullptr, nullptr, nullptr, nullptr, nullptr),
            IDAPI_OK);
  for (int slot : {3, 4, 7, 9, 10, 12, 14, 20, 23, 25, 30, 34}) {
    EXPECT_EQ(DriverSlot<IdapiUnsupported>(static_cast<uint16_t>(slot))(driver),
              IDAPI_ERR_NOT_SUPPORTED)
        << slot;
  }
}

TEST_F(DriverFrame, RepeatedRegistrationsShareOneDriverObjectReleasedOnce) {
  WriteSettings("[Driver.Morvalis400]\nLANGDRIVER=DB850WE0\n");
  StartEngine();
  ASSERT_EQ(VdbLoadDriver(kDriver), IDAPI_OK);
  ASSERT_EQ(VdbLoadDriver(kDriver), IDAPI_OK);
  void* object = nullptr;
  ASSERT_EQ(VdbDriverObject(kDriver, &object), IDAPI_OK);
  auto* driver = static_cast<IdapiDriverObject*>(object);
  EXPECT_EQ(driver->useCount, 2);
  EXPECT_STREQ(driver->defaultLanguageDriver, "DB850WE0");
  // DrvInit itself: no parameters with null arrays is fine; a count with
  // null arrays or a null out-parameter is not.
  auto init = reinterpret_cast<IdapiDrvInit>(driver->entryAddress);
  ASSERT_NE(init, nullptr);
  void* again = nullptr;
  EXPECT_EQ(init(0, 0, 0, nullptr, nullptr, nullptr, &again), IDAPI_OK);
  EXPECT_EQ(again, object);
  EXPECT_EQ(driver->useCount, 3);
  EXPECT_EQ(init(0, 0, 0x10001, nullptr, nullptr, nullptr, &again), IDAPI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(again, nullptr);
  EXPECT_EQ(init(0, 0, 0, nullptr, nullptr, nullptr, nullptr), IDAPI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(DriverSlot<IdapiDrvClose>(IDAPI_DRV_CLOSE)(object), IDAPI_OK);
  EXPECT_EQ(driver->useCount, 2);
  // A database opened now takes the driver's default language driver.
  VdbDatabase* db = nullptr;
  ASSERT_EQ(Open(&db), IDAPI_OK);
  char name[32];
  uint16_t codePage = 0;
  VdbDatabaseInfo(db, name, &codePage, nullptr);
  EXPECT_STREQ(name, "DB850WE0");
  EXPECT_EQ(codePage, 850);
  // The last unload is refused while the database is open.
  ASSERT_EQ(VdbUnloadDriver(kDriver), IDAPI_OK);
  EXPECT_EQ(VdbUnloadDriver(kDriver), IDAPI_ERR_INVALID_REQUEST);
  ASSERT_EQ(VdbCloseDatabase(db), IDAPI_OK);
  ASSERT_EQ(VdbUnloadDriver(kDriver), IDAPI_OK);
  // The object went with the last close, once: it is no longer the engine's.
  EXPECT_EQ(IdapiReleaseObject(object), IDAPI_ERR_BAD_OBJECT);
  void* fresh = nullptr;
  ASSERT_EQ(VdbDriverObject(kDriver, &fresh), IDAPI_OK);
  EXPECT_EQ(static_cast<IdapiDriverObject*>(fresh)->useCount, 1);
}

// The engine opens driver modules through the platform's current loader: a
// loader that finds nothing makes the type unknown to the engine, and the
// name it was asked for is the decorated module name of the type's setting.
class RefusingLoader : public platform::ModuleLoader {
 public:
  platform::Module Open(const std::string& fileName, const void*) override {
    asked.push_back(fileName);
    return {};
  }
  platform::Module OpenPath(const std::string& path) override {
    asked.push_back(path);
    return {};
  }
  std::vector<std::string> asked;
};

TEST_F(DriverFrame, ADriverModuleTheLoaderCannotOpenIsNoDriver) {
  WriteSettings("[Driver.Refused]\nModule=MV432DRV\n[Driver.Unnamed]\nLANGDRIVER=DB850WE0\n");
  StartEngine();
  RefusingLoader loader;
  {
    platform::ScopedModuleLoader scoped(loader);
    EXPECT_EQ(VdbLoadDriver("Refused"), IDAPI_ERR_NO_DRIVER);
    EXPECT_EQ(VdbLoadDriver("Unnamed"), IDAPI_ERR_NO_DRIVER);  // no module setting at all
  }
  EXPECT_EQ(loader.asked, std::vector<std::string>{"libMV432DRV.so"});
  // The system's loader is back: the same type now loads.
  EXPECT_EQ(VdbLoadDriver("Refused"), IDAPI_OK);
}

TEST_F(DriverFrame, RegisterCloseAndRegisterAgain) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    StartEngine();
    VdbDatabase* db = nullptr;
    ASSERT_EQ(Open(&db), IDAPI_OK) << LastError().message;
    EXPECT_EQ(HandleOf(db), 1);
    // The session works: the client library was bound again after the close.
    EXPECT_EQ(Rsystem("CHGJOB DATFMT(*YMD)"), 0);
    StopEngine();
  }
}

TEST_F(DriverFrame, HandleNumbersAreReusedAfterAFree) {
  StartEngine();
  VdbDatabase* db[4] = {};
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(Open(&db[i]), IDAPI_OK);
    EXPECT_EQ(HandleOf(db[i]), i + 1);
  }
  ASSERT_EQ(VdbCloseDatabase(db[2]), IDAPI_OK);
  EXPECT_EQ(VdbCloseDatabase(db[2]), IDAPI_ERR_BAD_OBJECT);  // closed: no crash
  ASSERT_EQ(Open(&db[3]), IDAPI_OK);
  EXPECT_EQ(HandleOf(db[3]), 3);
  ASSERT_EQ(VdbCloseDatabase(db[0]), IDAPI_OK);
  ASSERT_EQ(Open(&db[0]), IDAPI_OK);
  EXPECT_EQ(HandleOf(db[0]), 1);
}

TEST_F(DriverFrame, DatabaseSlotsOfTheFrame) {
  StartEngine();
  VdbDatabase* db = nullptr;
  ASSERT_EQ(Open(&db, {{"SERVER NAME", "DEMO"}, {"LANGDRIVER", "DB437US0"}}), IDAPI_OK);
  void* object = ObjectOf(db);
  char text[64] = {};
  uint16_t length = 0;
  auto property = DatabaseSlot<IdapiDbProperty>(db, IDAPI_DB_PROPERTY);
  EXPECT_EQ(property(object, IDAPI_PROP_DB_TYPE, text, sizeof text, &length), IDAPI_OK);
  EXPECT_STREQ(text, "Morvalis400");
  EXPECT_EQ(length, 11);
  EXPECT_EQ(property(object, IDAPI_PROP_LANGDRV_NAME, text, sizeof text, &length), IDAPI_OK);
  EXPECT_STREQ(text, "DB437US0");
  EXPECT_EQ(property(object, IDAPI_PROP_DB_PATH, text, sizeof text, &length), IDAPI_OK);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(property(object, IDAPI_PROP_NO_ANSWER, text, sizeof text, &length), 1);
  length = 77;
  EXPECT_EQ(property(object, 0x12345678, text, sizeof text, &length), IDAPI_OK);
  EXPECT_EQ(length, 77);  // nothing written
  EXPECT_EQ(DatabaseSlot<IdapiDbSlot3>(db, IDAPI_DB_SLOT3)(object), IDAPI_ERR_NOT_SUPPORTED_HERE);
  for (int slot : {12, 13, 31}) {
    EXPECT_EQ(DatabaseSlot<IdapiDbNop>(db, static_cast<uint16_t>(slot))(object), IDAPI_OK);
  }
  uint32_t value = 0;
  auto typeValue = DatabaseSlot<IdapiDbDriverTypeValue>(db, IDAPI_DB_DRIVER_TYPE_VALUE);
  EXPECT_EQ(typeValue(object, "Other", &value), IDAPI_ERR_DRIVER_TYPE);
  EXPECT_EQ(typeValue(object, "", &value), IDAPI_OK);
  EXPECT_EQ(static_cast<IdapiDatabaseObject*>(object)->driverTypeValue, value);
  void* ld = nullptr;
  EXPECT_EQ(DatabaseSlot<IdapiDbLanguageDriver>(db, IDAPI_DB_LANGUAGE_DRIVER)(object, &ld),
            IDAPI_OK);
  uint16_t codePage = 0;
  EXPECT_EQ(IdapiLanguageDriverCodePage(ld, &codePage), IDAPI_OK);
  EXPECT_EQ(codePage, 437);
  for (int slot : {0, 1, 6, 7, 8, 14, 15, 18, 26, 27, 29, 35, 36, 38, 39, 40}) {
    EXPECT_EQ(DatabaseSlot<IdapiUnsupported>(db, static_cast<uint16_t>(slot))(object),
              IDAPI_ERR_NOT_SUPPORTED)
        << slot;
  }
}

TEST_F(DriverFrame, UnknownLanguageDriverFallsBackToTheDefault) {
  StartEngine();
  VdbDatabase* db = nullptr;
  ASSERT_EQ(Open(&db, {{"SERVER NAME", "DEMO"}, {"LANGDRIVER", "NOSUCH"}}), IDAPI_OK);
  char name[32];
  VdbDatabaseInfo(db, name, nullptr, nullptr);
  EXPECT_STREQ(name, "DBWINUS0");
}

std::set<long> Jobs(const std::vector<TraceRecord>& trace) {
  std::set<long> jobs;
  for (const auto& r : trace) jobs.insert(r.job);
  return jobs;
}

int Count(const std::vector<TraceRecord>& trace, const std::string& text) {
  int n = 0;
  for (const auto& r : trace) n += r.data.find(text) != std::string::npos;
  return n;
}

TEST_F(DriverFrame, DatabasesOfOneSystemShareASessionUnlessANewOneIsAsked) {
  WriteSettings("[Logfile]\nLevel=2\n");
  StartEngine();
  VdbDatabase* a = nullptr;
  VdbDatabase* b = nullptr;
  VdbDatabase* c = nullptr;
  const Parameters transaction = {{"SERVER NAME", "AS400:/DEMO"}, {"TRANSACTION", "TRUE"}};
  ASSERT_EQ(Open(&a, transaction), IDAPI_OK) << LastError().message;
  ASSERT_EQ(Open(&b, transaction), IDAPI_OK);
  Parameters fresh = transaction;
  fresh.push_back({"NEWSESSION", "true"});
  ASSERT_EQ(Open(&c, fresh), IDAPI_OK);
  StopEngine();
  const std::vector<TraceRecord> trace = ReadTrace();
  EXPECT_EQ(Jobs(trace).size(), 2u);
  // Commitment control once per session, the job prepared once per session.
  EXPECT_EQ(Count(trace, "STRCMTCTL LCKLVL(*CHG)"), 2);
  EXPECT_EQ(Count(trace, "CHGJOB DATFMT(*YMD) DATSEP('-') TIMSEP('.')"), 2);
  int started = 0;
  for (const auto& m : sink_.Messages()) {
    started += m.title == "  MV400  " && m.text == " AS/400 Log File Started !!";
  }
  EXPECT_EQ(started, 2);
}

TEST_F(DriverFrame, TwentyOneNewSessionsEndInAClearStatus) {
  StartEngine();
  std::vector<VdbDatabase*> open;
  for (int i = 0; i < 20; ++i) {
    VdbDatabase* db = nullptr;
    ASSERT_EQ(Open(&db, {{"SERVER NAME", "DEMO"}, {"NEWSESSION", "TRUE"}}), IDAPI_OK) << i;
    open.push_back(db);
  }
  VdbDatabase* db = nullptr;
  EXPECT_EQ(Open(&db, {{"SERVER NAME", "DEMO"}, {"NEWSESSION", "TRUE"}}), IDAPI_ERR_NO_SESSION);
  EXPECT_EQ(db, nullptr);
  EXPECT_NE(std::string(LastError().message).find("All 20 AS/400 sessions"), std::string::npos);
  // Without NEWSESSION a database still shares an open session.
  EXPECT_EQ(Open(&db, {{"SERVER NAME", "DEMO"}}), IDAPI_OK);
}

TEST_F(DriverFrame, WrongPasswordShowsWhyAndLeavesNothingOpen) {
  AddUser("ALICE", "secret");  // made in lower case, as vantora-host add-user may
  StartEngine();
  VdbDatabase* db = nullptr;
  EXPECT_EQ(Open(&db, {{"SERVER NAME", "DEMO"}, {"USER NAME", "alice"}}, "wrong"),
            IDAPI_ERR_NO_SESSION);
  EXPECT_EQ(db, nullptr);
  const auto shown = sink_.Messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, "Morvalis/400");
  EXPECT_EQ(shown[0].text.rfind("Unable to open conversation with AS/400 (2): Error -1-3009 - "
                                "Msg=CPF22",
                                0),
            0u)
      << shown[0].text;
  // The message as the driver posts it, and the client library's words.
  EXPECT_EQ(LastError().status, IDAPI_ERR_NO_SESSION);
  EXPECT_EQ(shown[0].text, std::string(LastError().message) + LastError().explanation);
  EXPECT_STREQ(LastError().explanation, "password not correct for user ALICE (CPF22E2)");
  // The driver upper-cases the password like the user; the host compares
  // passwords without regard to case: any case signs on.
  ASSERT_EQ(Open(&db, {{"SERVER NAME", "DEMO"}, {"USER NAME", "alice"}}, "Secret"), IDAPI_OK);
  EXPECT_EQ(HandleOf(db), 1);
}

TEST_F(DriverFrame, UserNameIsIgnoredWhenThePasswordSettingIsSet) {
  WriteSettings("[GENERAL]\npwd=x\n");
  StartEngine();
  VdbDatabase* db = nullptr;
  EXPECT_EQ(Open(&db, {{"SERVER NAME", "DEMO"}, {"USER NAME", "NOBODY"}}, "bad"), IDAPI_OK)
      << LastError().message;
}

TEST_F(DriverFrame, UnknownUserIsRefusedWithoutThePasswordSetting) {
  StartEngine();
  VdbDatabase* db = nullptr;
  EXPECT_EQ(Open(&db, {{"SERVER NAME", "DEMO"}, {"USER NAME", "NOBODY"}}, "bad"),
            IDAPI_ERR_NO_SESSION);
}

TEST_F(DriverFrame, ALibraryTheHostDoesNotHaveIsNoDatabase) {
  StartEngine();
  VdbDatabase* db = nullptr;
  EXPECT_EQ(Open(&db, {{"SERVER NAME", "NOSUCHLIB"}}), IDAPI_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(db, nullptr);
  EXPECT_NE(std::string(LastError().message).find("Library NOSUCHLIB not found"), std::string::npos)
      << LastError().message;
  // The same name with a system, and then a library that exists.
  EXPECT_EQ(Open(&db, {{"SERVER NAME", "AS400:/PARIS/!NOSUCHLIB"}}), IDAPI_ERR_INVALID_ARGUMENT);
  ASSERT_EQ(Open(&db, {{"SERVER NAME", "AS400:/PARIS/DEMO"}}), IDAPI_OK) << LastError().message;
  EXPECT_NE(db, nullptr);
}

TEST_F(DriverFrame, OverlongSystemNameIsRefused) {
  StartEngine();
  VdbDatabase* db = nullptr;
  EXPECT_EQ(Open(&db, {{"SERVER NAME", "AS400:/ABCDEFGHIJKL/DEMO"}}), IDAPI_ERR_INVALID_ARGUMENT);
  EXPECT_NE(std::string(LastError().message).find("longer than 11"), std::string::npos);
  EXPECT_EQ(Open(&db, {{"SERVER NAME", "AS400:/ABCDEFGHIJK/DEMO"}}), IDAPI_OK)
      << LastError().message;  // 11 characters: the embedded host ignores the name
}

TEST_F(DriverFrame, ConversionTablesAreInstalledAtSessionStart) {
  StartEngine();
  VdbDatabase* db = nullptr;
  ASSERT_EQ(Open(&db), IDAPI_OK);
  unsigned char table[256];
  ASSERT_EQ(ReadTableEBCDIC_ASCII(table), 1);
  EXPECT_EQ(table[0x4A], 0xB0);  // the driver's built-in table
  EXPECT_EQ(table[0x51], 0x7B);
  StopEngine();

  const auto file = root_ / "tables.bin";
  {
    std::ofstream out(file, std::ios::binary);
    for (int i = 0; i < 512; ++i) out.put(static_cast<char>(i < 256 ? 255 - i : i - 256));
  }
  WriteSettings("[GENERAL]\nconvtable=" + file.string() + "\n");
  StartEngine();
  ASSERT_EQ(Open(&db), IDAPI_OK);
  ASSERT_EQ(ReadTableEBCDIC_ASCII(table), 1);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(table[i], 255 - i) << i;
  ASSERT_EQ(ReadTableASCII_EBCDIC(table), 1);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(table[i], i) << i;
}

TEST_F(DriverFrame, EachThreadOpensItsOwnSessionInMultiThreadMode) {
  WriteSettings("[MultiThread]\nThreadAttach=1\n[NT]\nNbSession=4\n[Logfile]\nLevel=2\n");
  StartEngine();
  auto work = [&] {
    VdbDatabase* db = nullptr;
    EXPECT_EQ(Open(&db, {{"SERVER NAME", "DEMO"}, {"TRANSACTION", "true"}}), IDAPI_OK)
        << LastError().message;
    EXPECT_EQ(VdbCloseDatabase(db), IDAPI_OK);
  };
  std::thread first(work);
  first.join();
  std::thread second(work);
  second.join();
  StopEngine();
  const std::vector<TraceRecord> trace = ReadTrace();
  EXPECT_EQ(Jobs(trace).size(), 2u);
  std::set<std::string> members;
  for (const auto& r : trace) members.insert(r.member);
  EXPECT_EQ(members.size(), 2u);
  for (const auto& m : members) EXPECT_EQ(m.rfind("T", 0), 0u) << m;
  EXPECT_EQ(Count(trace, "STRCMTCTL LCKLVL(*CHG)"), 2);
}

}  // namespace
}  // namespace vantora::testing
