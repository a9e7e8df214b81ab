#include "driver/frame/database.h"

#include <atomic>
#include <cctype>
#include <cstring>

#include "driver/frame/entry_tables.h"
#include "driver/frame/errors.h"
#include "driver/frame/names.h"
#include "driver/frame/parameters.h"
#include "driver/frame/registration.h"
#include "driver/frame/server_name.h"
#include "driver/frame/sessions.h"
#include "driver/frame/settings.h"
#include "mv432ida.h"
#include "platform/thread.h"

namespace vantora::driver {
namespace {

constexpr size_t kLanguageDriverLimit = 29;
constexpr int32_t kDictionaryOpenMode = 0x00010001;  // read, no lock
constexpr char kIsolation[] = "SET TRANSACTION ISOLATION LEVEL CS";

std::atomic<int32_t> openDatabases{0};

void ThreadEnds() {
  VNXThreadDetach();
}

bool IsTrue(const std::string& value) {
  return wire::EqualsIgnoringCase(value, "true");
}

// Commitment control once per session, and a fresh SQL unit of work.
void PrepareUnitOfWork(bool transaction) {
  unsigned char sqlca[136];
  if (transaction && !CommitmentControlStarted()) {
    Rsystem("STRCMTCTL LCKLVL(*CHG)");
    VNXSqlCommit(0);
    VNXSqlBegin();
    VNXSqlSqlca(sqlca, sizeof sqlca);
    VNXSqlImmediate(kIsolation, static_cast<int32_t>(sizeof kIsolation));
    MarkCommitmentControlStarted();
  } else {
    VNXSqlCommit(0);
    VNXSqlBegin();
    VNXSqlSqlca(sqlca, sizeof sqlca);
  }
}

uint16_t Connect(char* password, const std::vector<ConfigParameter>& parameters,
                 int32_t* databaseHandle) {
  unsigned char info[IDAPI_SYSTEM_INFO_SIZE];
  IdapiSystemInfo(info);

  SignOn signOn;
  if (!parameters.empty() && password != nullptr) {
    const bool userIgnored = !PasswordSetting().empty();
    for (const ConfigParameter& p : parameters) {
      if (p.name != "USER NAME" || userIgnored || p.value.empty()) continue;
      for (char* c = password; *c != '\0'; ++c) {
        *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
      }
      signOn = SignOn{Upper(p.value), password};
    }
  }

  bool transaction = false;
  bool newSession = false;
  bool sqlNaming = false;
  ServerName server;
  for (const ConfigParameter& p : parameters) {
    if (wire::EqualsIgnoringCase(p.name, "TRANSACTION")) transaction = IsTrue(p.value);
    if (p.name == "NEWSESSION") newSession = IsTrue(p.value);
    if (p.name == "NAMING") sqlNaming = wire::EqualsIgnoringCase(p.value, "sql");
    if (p.name == "SERVER NAME") server = ParseServerName(p.value);
  }
  if (server.system.size() > kSystemNameLimit) {
    PostMessage(IDAPI_ERR_INVALID_ARGUMENT,
                "The AS/400 system name " + server.system + " is longer than 11 characters");
    return IDAPI_ERR_INVALID_ARGUMENT;
  }

  bool select = true;
  if (Settings().threadAttach) {
    // The thread's session is given back when the thread ends.
    platform::RunAtThreadExit(&ThreadEnds);
    switch (VNXThreadAttach()) {
      case 0:
        PostMessage(IDAPI_ERR_THREAD_SESSION, "No client-library session is free for this thread");
        return IDAPI_ERR_THREAD_SESSION;
      case 2:
        select = false;  // the thread has its session already
        break;
      default:
        break;
    }
  }
  if (select && !SelectSession(server.system, newSession, signOn)) return IDAPI_ERR_NO_SESSION;

  // The database's library is the job's working library: its own catalogue
  // files (the stored procedures) come before the host's. A library the
  // host does not have is no database.
  if (IsObjectName(server.library) &&
      Rsystem(("CHGCURLIB CURLIB(" + server.library + ")").c_str()) != 0) {
    char id[8] = {};
    Return_Syserr(id);
    if (std::strncmp(id, VNX_MSG_LIBRARY_NOT_FOUND, 7) == 0) {
      PostMessage(IDAPI_ERR_INVALID_ARGUMENT, "Library " + server.library +
                                                  " not found on the AS/400: give the name "
                                                  "of an existing library as the SERVER NAME");
      return IDAPI_ERR_INVALID_ARGUMENT;
    }
  }

  auto db = std::make_unique<DatabaseHandle>();
  db->library = server.library;
  db->namingMarker = server.marker;
  db->transactionFlag = transaction ? kTransactionFlag : 0;
  db->sqlNaming = sqlNaming;
  DatabaseHandle* raw = db.get();
  const int32_t number = AddHandle(std::move(db));
  if (number < 0) {
    PostMessage(IDAPI_ERR_NO_MEMORY, "Not enough memory for the database");
    return IDAPI_ERR_NO_MEMORY;
  }
  *databaseHandle = number;
  PrepareUnitOfWork(transaction);
  raw->secondFile = VNXopen("YIDXR0100", kDictionaryOpenMode, -1);
  openDatabases += 1;
  return IDAPI_OK;
}

void ChooseLanguageDriver(IdapiDatabaseObject* db, const std::vector<ConfigParameter>& parameters) {
  std::string name;
  for (const ConfigParameter& p : parameters) {
    if (p.name == "LANGDRIVER") name = p.value.substr(0, kLanguageDriverLimit);
  }
  if (name.empty()) {
    if (IdapiDriverObject* driver = CurrentDriverObject()) {
      name = std::string(driver->defaultLanguageDriver,
                         idapi_text_length(driver->defaultLanguageDriver, 0, IDAPI_NAME_SIZE));
    }
  }
  void* ld = nullptr;
  if (!name.empty()) {
    if (IdapiOpenLanguageDriver(name.c_str(), &ld) != IDAPI_OK) ld = nullptr;
  } else if (IdapiOpenDefaultLanguageDriver(&ld) == IDAPI_OK && ld != nullptr) {
    uint16_t codePage = 0;
    void* forCodePage = nullptr;
    if (IdapiLanguageDriverCodePage(ld, &codePage) == IDAPI_OK &&
        IdapiOpenLanguageDriverForCodePage(codePage, &forCodePage) == IDAPI_OK) {
      IdapiReleaseObject(ld);
      ld = forCodePage;
    } else {
      IdapiReleaseObject(ld);
      ld = nullptr;
    }
  }
  if (ld == nullptr && IdapiOpenLanguageDriver("DBWINUS0", &ld) != IDAPI_OK) ld = nullptr;
  db->languageDriver = ld;
  char opened[IDAPI_NAME_SIZE] = {};
  if (ld != nullptr) IdapiLanguageDriverName(ld, opened);
  idapi_put_text(db->languageDriverName, 0, IDAPI_LANGDRV_NAME_SIZE, ld != nullptr ? opened : "");
}

}  // namespace

DatabaseHandle* DatabaseOf(const void* engineDatabase) {
  if (engineDatabase == nullptr) return nullptr;
  const auto* db = static_cast<const IdapiDatabaseObject*>(engineDatabase);
  return LookUp<DatabaseHandle>(db->handle);
}

uint16_t OpenDatabase(const char* name, uint16_t openMode, uint16_t shareMode, char* password,
                      uint16_t paramCount, const void* descriptors, const void* values,
                      void** outDatabase) {
  if (outDatabase == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  *outDatabase = nullptr;
  unsigned char area[IDAPI_PREPARED_DATABASE_SIZE];
  if (uint16_t s = IdapiPrepareDatabase(area); s != IDAPI_OK) return s;
  void* object = nullptr;
  if (uint16_t s = IdapiCreateDatabaseObject(area, kDriverType, kDriverType, name, openMode,
                                             shareMode, IDAPI_DATABASE_SLOTS, DatabaseTable(),
                                             kDatabaseTableLevel, &object);
      s != IDAPI_OK) {
    return s;
  }
  auto* db = static_cast<IdapiDatabaseObject*>(object);
  const std::vector<ConfigParameter> parameters = ReadParameters(paramCount, descriptors, values);
  int32_t handle = -1;
  if (uint16_t s = Connect(password, parameters, &handle); s != IDAPI_OK) {
    IdapiReleaseObject(db);
    return s;
  }
  db->handle = handle;
  ChooseLanguageDriver(db, parameters);
  *outDatabase = db;
  return IDAPI_OK;
}

uint16_t CloseDatabase(void* engineDatabase) {
  if (engineDatabase == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  auto* db = static_cast<IdapiDatabaseObject*>(engineDatabase);
  if (DatabaseHandle* handle = DatabaseOf(db)) {
    FreeHandle(handle);
    openDatabases -= 1;
  }
  IdapiReleaseObject(db->languageDriver);
  db->languageDriver = nullptr;
  IdapiReleaseObject(db);
  return IDAPI_OK;
}

int32_t OpenDatabaseCount() {
  return openDatabases;
}

}  // namespace vantora::driver
