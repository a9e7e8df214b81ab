#include "odbc/connection.h"

#include <odbcinst.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <sstream>

#include "odbc/statement.h"
#include "odbc/text_io.h"
#include "platform/profile.h"
#include "platform/profile_override.h"
#include "platform/profile_writer.h"

namespace vantora::odbc {
namespace {

constexpr const char* kDriverType = "Morvalis400";

// The process's engine: started with the first connection, stopped after
// the last, with the settings the first one chose.
struct EngineUse {
  int connections = 0;
  std::string settings;  // what the open connections agreed on
  std::unique_ptr<platform::ProfileOverride> override;
  struct Transaction {
    int32_t handle = 0;
  };
};

EngineUse& Use() {
  static auto* use = new EngineUse;
  return *use;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Key(const ConnectionKeys& keys, const char* name, const std::string& fallback = "") {
  auto it = keys.find(name);
  return it != keys.end() && !it->second.empty() ? it->second : fallback;
}

bool Truth(const std::string& v) {
  const std::string u = Upper(v);
  return u == "1" || u == "YES" || u == "TRUE" || u == "ON";
}

bool ValidTruth(const std::string& v) {
  const std::string u = Upper(v);
  return v.empty() || u == "1" || u == "YES" || u == "TRUE" || u == "ON" || u == "0" || u == "NO" ||
         u == "FALSE" || u == "OFF";
}

// The settings text the connection asks for: the base file with its keys.
bool SettingsOf(const ConnectionKeys& keys, std::string* text, std::string* problem) {
  const std::string file = Key(keys, "SETTINGSFILE");
  std::vector<platform::ProfileChange> changes;
  if (const std::string n = Key(keys, "NETWORK"); !n.empty()) {
    const std::string lower = Upper(n) == "TCP" ? "tcp" : Upper(n) == "EHN" ? "ehn" : "";
    if (lower.empty()) {
      *problem = "Network must be ehn or tcp, not " + n;
      return false;
    }
    changes.push_back({"General", "Network", lower});
  }
  if (const std::string p = Key(keys, "PORT"); !p.empty()) {
    if (p.find_first_not_of("0123456789") != std::string::npos || p.size() > 5) {
      *problem = "Port must be a number, not " + p;
      return false;
    }
    changes.push_back({"Tcp", "Port", p});
  }
  if (const std::string t = Key(keys, "TLS"); !t.empty()) {
    if (!ValidTruth(t)) {
      *problem = "Tls must be 0 or 1, not " + t;
      return false;
    }
    changes.push_back({"Tcp", "Tls", Truth(t) ? "1" : "0"});
  }
  if (const std::string ca = Key(keys, "TLSCAFILE"); !ca.empty()) {
    changes.push_back({"Tcp", "TlsCaFile", ca});
  }
  for (const auto& c : changes) {
    if (const std::string why = platform::CheckProfileChange(c); !why.empty()) {
      *problem = why;
      return false;
    }
  }
  if (changes.empty() && file.empty()) {
    text->clear();  // the usual search, as the process has it
    return true;
  }
  const std::string base = file.empty() ? platform::DefaultProfilePath() : file;
  std::ifstream in(base);
  if (!file.empty() && !in) {
    *problem = "The settings file " + file + " cannot be read";
    return false;
  }
  std::stringstream contents;
  contents << in.rdbuf();
  *text = platform::ApplyProfileChanges(contents.str(), changes);
  return true;
}

// Starts the engine for a connection with `settings`, or joins the
// connections that run.
SQLRETURN JoinEngine(const std::string& settings, Diagnostics& diag) {
  EngineUse& use = Use();
  if (use.connections > 0) {
    if (settings != use.settings) {
      return diag.Add("08001",
                      "Another connection of this program uses other settings (Network, Port, "
                      "Tls, TlsCaFile, SettingsFile): close it first, or connect with the same");
    }
  } else {
    use.override.reset();
    if (!settings.empty()) {
      use.override = std::make_unique<platform::ProfileOverride>(settings);
      if (!use.override->ok()) {
        use.override.reset();
        return diag.Add("08001", "The driver could not write its settings file");
      }
    }
    use.settings = settings;
    if (const uint16_t s = VdbStart(); s != IDAPI_OK) {
      use.override.reset();
      diag.AddEngineError(s);
      diag.records.back().state = "08001";
      return SQL_ERROR;
    }
  }
  ++use.connections;
  return SQL_SUCCESS;
}

void LeaveEngine() {
  EngineUse& use = Use();
  if (use.connections == 0) return;
  if (--use.connections == 0) {
    VdbStop();
    use.override.reset();
  }
}

// The transaction a connection with commitment control keeps open.
std::map<Dbc*, int32_t>& Transactions() {
  static auto* t = new std::map<Dbc*, int32_t>;
  return *t;
}

SQLRETURN BeginWork(Dbc* dbc, Diagnostics& diag) {
  int32_t t = 0;
  if (const uint16_t s = VdbBeginTransaction(dbc->db, &t); s != IDAPI_OK) {
    return diag.AddEngineError(s);
  }
  Transactions()[dbc] = t;
  return SQL_SUCCESS;
}

SQLRETURN EndWork(Dbc* dbc, bool commit, Diagnostics& diag) {
  if (!dbc->transactions) {
    if (commit) return SQL_SUCCESS;  // every change was final already
    return diag.Add("HYC00",
                    "The connection has no commitment control (Transaction=0): nothing can be "
                    "rolled back");
  }
  const int32_t t = Transactions()[dbc];
  if (const uint16_t s =
          VdbEndTransaction(dbc->db, t, commit ? IDAPI_END_COMMIT : IDAPI_END_ROLLBACK);
      s != IDAPI_OK) {
    return diag.AddEngineError(s);
  }
  return BeginWork(dbc, diag);
}

SQLRETURN Connect(Dbc* dbc, ConnectionKeys keys) {
  dbc->diag.Clear();
  if (dbc->db != nullptr) return dbc->diag.Add("08002", "The connection is already open");
  if (const std::string dsn = Key(keys, "DSN"); !dsn.empty()) {
    ConnectionKeys fromDsn;
    AddDsnKeys(dsn, &fromDsn);
    for (auto& [k, v] : fromDsn) keys.emplace(k, v);  // the string's keys win
  }
  return Open(dbc, keys);
}

SQLRETURN SetConnectAttr(Dbc* dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length,
                         bool wide) {
  dbc->diag.Clear();
  const auto n = static_cast<SQLULEN>(reinterpret_cast<uintptr_t>(value));
  switch (attribute) {
    case SQL_ATTR_AUTOCOMMIT: {
      const bool on = n == SQL_AUTOCOMMIT_ON;
      if (!on && dbc->db != nullptr && !dbc->transactions) {
        return dbc->diag.Add("HYC00",
                             "Manual commit needs commitment control: connect with Transaction=1");
      }
      if (on && !dbc->autocommit && dbc->db != nullptr) {
        if (SQLRETURN r = EndWork(dbc, true, dbc->diag); r != SQL_SUCCESS) return r;
      }
      dbc->autocommit = on;
      return SQL_SUCCESS;
    }
    case SQL_ATTR_TXN_ISOLATION:
      if (n != SQL_TXN_READ_COMMITTED) {
        dbc->isolation = SQL_TXN_READ_COMMITTED;
        return dbc->diag.Add("01S02",
                             "The host's connections work at cursor stability (read committed)");
      }
      return SQL_SUCCESS;
    case SQL_ATTR_LOGIN_TIMEOUT:
      dbc->loginTimeout = static_cast<SQLUINTEGER>(n);
      return SQL_SUCCESS;
    case SQL_ATTR_CONNECTION_TIMEOUT:
      if (n != 0) return dbc->diag.Add("01S02", "Connection time-outs are not kept: 0 is used");
      return SQL_SUCCESS;
    case SQL_ATTR_CURRENT_CATALOG: {
      std::string name =
          wide ? InW(static_cast<SQLWCHAR*>(value), length == SQL_NTS ? SQL_NTS : length / 2)
               : In(static_cast<SQLCHAR*>(value), length);
      if (name.empty()) return SQL_SUCCESS;
      return dbc->diag.Add("HYC00",
                           "The host has no catalogs: libraries are schemas; name one with "
                           "Library= or qualify tables as LIB.FILE");
    }
    case SQL_ATTR_ACCESS_MODE:
    case SQL_ATTR_QUIET_MODE:
    case SQL_ATTR_ASYNC_ENABLE:
    case SQL_ATTR_ODBC_CURSORS:
    case SQL_ATTR_PACKET_SIZE:
    case SQL_ATTR_TRACE:
    case SQL_ATTR_TRACEFILE:
      if (attribute == SQL_ATTR_ASYNC_ENABLE && n != SQL_ASYNC_ENABLE_OFF) {
        return dbc->diag.Add("HYC00", "Asynchronous execution is not supported");
      }
      return SQL_SUCCESS;
    default:
      // Statement attributes set on the connection (ODBC 2) apply to its
      // statements to come; the driver keeps none of them.
      if (attribute >= 0 && attribute <= 12) return SQL_SUCCESS;
      return dbc->diag.Add("HY092", "Unknown connection attribute " + std::to_string(attribute));
  }
}

SQLRETURN GetConnectAttr(Dbc* dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER capacity,
                         SQLINTEGER* length, bool wide) {
  dbc->diag.Clear();
  SQLUINTEGER v = 0;
  switch (attribute) {
    case SQL_ATTR_AUTOCOMMIT:
      v = dbc->autocommit ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
      break;
    case SQL_ATTR_TXN_ISOLATION:
      v = dbc->isolation;
      break;
    case SQL_ATTR_LOGIN_TIMEOUT:
      v = dbc->loginTimeout;
      break;
    case SQL_ATTR_CONNECTION_TIMEOUT:
    case SQL_ATTR_ASYNC_ENABLE:
    case SQL_ATTR_TRACE:
      v = 0;
      break;
    case SQL_ATTR_ACCESS_MODE:
      v = SQL_MODE_READ_WRITE;
      break;
    case SQL_ATTR_CONNECTION_DEAD:
      v = dbc->db != nullptr ? SQL_CD_FALSE : SQL_CD_TRUE;
      break;
    case SQL_ATTR_CURRENT_CATALOG:
      return OutI("", value, capacity, wide, true, length, &dbc->diag);
    default:
      return dbc->diag.Add("HY092", "Unknown connection attribute " + std::to_string(attribute));
  }
  if (value != nullptr) *static_cast<SQLUINTEGER*>(value) = v;
  if (length != nullptr) *length = sizeof v;
  return SQL_SUCCESS;
}

SQLRETURN Disconnect(Dbc* dbc) {
  dbc->diag.Clear();
  if (dbc->db == nullptr) return dbc->diag.Add("08003", "The connection is not open");
  while (!dbc->statements.empty()) FreeStatement(dbc->statements.back());
  for (auto& [name, other] : dbc->libraries) VdbCloseDatabase(other);
  dbc->libraries.clear();
  if (dbc->transactions) {
    // Work left uncommitted is rolled back, as a connection that ends should.
    VdbEndTransaction(dbc->db, Transactions()[dbc], IDAPI_END_ROLLBACK);
    Transactions().erase(dbc);
  }
  VdbCloseDatabase(dbc->db);
  VdbClearError();
  dbc->db = nullptr;
  dbc->password.clear();
  LeaveEngine();
  return SQL_SUCCESS;
}

SQLRETURN DriverConnect(Dbc* dbc, const std::string& in, void* out, SQLSMALLINT capacity,
                        SQLSMALLINT* length, SQLUSMALLINT completion, bool wide) {
  dbc->diag.Clear();
  ConnectionKeys keys = ParseConnectionString(in);
  if (keys.count("DSN") == 0 && keys.count("DRIVER") == 0) {
    return dbc->diag.Add("IM002", "The connection string names neither DSN nor DRIVER");
  }
  // There is no dialog: whatever `completion` asks, what is missing cannot be
  // asked for, and the connection is tried with what is given.
  (void)completion;
  const SQLRETURN r = Connect(dbc, keys);
  if (!SQL_SUCCEEDED(r)) return r;
  if (OutS(in, out, capacity, wide, false, length, &dbc->diag) != SQL_SUCCESS) {
    return SQL_SUCCESS_WITH_INFO;
  }
  return r;
}

}  // namespace

ConnectionKeys ParseConnectionString(const std::string& text) {
  ConnectionKeys keys;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ';' || text[i] == ' ')) ++i;
    const size_t eq = text.find('=', i);
    if (eq == std::string::npos) break;
    std::string name = text.substr(i, eq - i);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    std::string value;
    i = eq + 1;
    if (i < text.size() && text[i] == '{') {
      // {value}, with }} for a closing brace inside it.
      for (++i; i < text.size(); ++i) {
        if (text[i] == '}') {
          if (i + 1 < text.size() && text[i + 1] == '}') {
            value += '}';
            ++i;
            continue;
          }
          ++i;
          break;
        }
        value += text[i];
      }
      while (i < text.size() && text[i] != ';') ++i;
    } else {
      const size_t end = text.find(';', i);
      value = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
      i = end == std::string::npos ? text.size() : end;
    }
    keys.emplace(Upper(name), value);  // the first occurrence counts
  }
  return keys;
}

void AddDsnKeys(const std::string& dsn, ConnectionKeys* keys) {
  static const char* kNames[] = {
      "System",    "Library",      "UID",         "PWD",        "Network", "Port", "Tls",
      "TlsCaFile", "SettingsFile", "Transaction", "NewSession", "Naming",  "User", "Password"};
  for (const char* name : kNames) {
    char value[1024] = {};
    SQLGetPrivateProfileString(dsn.c_str(), name, "", value, sizeof value, "odbc.ini");
    if (value[0] != '\0') keys->emplace(Upper(name), value);
  }
  if (keys->count("UID") == 0 && keys->count("USER") != 0) keys->emplace("UID", (*keys)["USER"]);
  if (keys->count("PWD") == 0 && keys->count("PASSWORD") != 0) {
    keys->emplace("PWD", (*keys)["PASSWORD"]);
  }
}

namespace {

struct DatabaseKeys {
  std::string system, library, user, password, naming;
  bool transactions = false;
  bool newSession = false;
};

uint16_t OpenDatabase(const DatabaseKeys& k, VdbDatabase** db) {
  // "!": the table list without the selection dialog (there is no user to ask).
  const std::string server =
      k.system.empty() ? "!" + k.library : "AS400:/" + k.system + "/!" + k.library;
  std::vector<VdbParameter> p = {{"SERVER NAME", server.c_str()}};
  if (!k.user.empty()) p.push_back({"USER NAME", k.user.c_str()});
  if (k.transactions) p.push_back({"TRANSACTION", "true"});
  if (k.newSession) p.push_back({"NEWSESSION", "true"});
  p.push_back({"NAMING", k.naming.c_str()});
  return VdbOpenDatabase(kDriverType, k.library.c_str(), p.data(), static_cast<int32_t>(p.size()),
                         k.password.empty() ? nullptr : k.password.c_str(), db);
}

}  // namespace

VdbDatabase* LibraryDatabase(Dbc* dbc, const std::string& library, bool* missing,
                             Diagnostics& diag) {
  *missing = false;
  if (library == dbc->library) return dbc->db;
  if (auto it = dbc->libraries.find(library); it != dbc->libraries.end()) return it->second;
  VdbDatabase* db = nullptr;
  const uint16_t s =
      OpenDatabase({dbc->system, library, dbc->user, dbc->password, dbc->naming, false, true}, &db);
  if (s == IDAPI_ERR_INVALID_ARGUMENT) {
    // The host has no such library (the open's only argument that can be wrong).
    VdbClearError();
    *missing = true;
    return nullptr;
  }
  if (s != IDAPI_OK) {
    diag.AddEngineError(s);
    return nullptr;
  }
  dbc->libraries.emplace(library, db);
  return db;
}

SQLRETURN Open(Dbc* dbc, const ConnectionKeys& keys) {
  Diagnostics& diag = dbc->diag;
  const std::string system = Key(keys, "SYSTEM");
  const std::string library = Upper(Key(keys, "LIBRARY"));
  const std::string naming = Upper(Key(keys, "NAMING", "sql"));
  if (naming != "SQL" && naming != "SYSTEM") {
    return diag.Add("HY024", "Naming must be sql or system, not " + Key(keys, "NAMING"));
  }
  for (const char* k : {"TRANSACTION", "NEWSESSION", "TLS"}) {
    if (!ValidTruth(Key(keys, k))) {
      return diag.Add("HY024", std::string(k) + " must be 0 or 1, not " + Key(keys, k));
    }
  }
  if (library.empty()) {
    return diag.Add("08001", "No library to open: give Library= (the AS/400 library)");
  }
  std::string settings, problem;
  if (!SettingsOf(keys, &settings, &problem)) return diag.Add("08001", problem);
  if (SQLRETURN r = JoinEngine(settings, diag); r != SQL_SUCCESS) return r;

  const bool transactions = Truth(Key(keys, "TRANSACTION", "1"));
  const bool newSession = Truth(Key(keys, "NEWSESSION", "1"));
  const std::string user = Upper(Key(keys, "UID"));
  const std::string password = Key(keys, "PWD");
  const std::string namingValue = naming == "SQL" ? "sql" : "system";
  VdbDatabase* db = nullptr;
  const uint16_t s =
      OpenDatabase({system, library, user, password, namingValue, transactions, newSession}, &db);
  if (s != IDAPI_OK) {
    diag.AddEngineError(s);
    DiagRecord& r = diag.records.back();
    if (r.state != "28000") r.state = "08001";
    LeaveEngine();
    return SQL_ERROR;
  }
  dbc->db = db;
  dbc->library = library;
  dbc->system = system;
  dbc->user = user;
  dbc->password = password;
  dbc->naming = namingValue;
  dbc->transactions = transactions;
  char languageDriver[32] = {};
  int32_t handle = 0;
  VdbDatabaseInfo(db, languageDriver, &dbc->codePage, &handle);
  if (transactions) {
    if (SQLRETURN r = BeginWork(dbc, diag); r != SQL_SUCCESS) {
      VdbCloseDatabase(db);
      dbc->db = nullptr;
      LeaveEngine();
      return r;
    }
  } else {
    dbc->autocommit = true;
  }
  return SQL_SUCCESS;
}

SQLRETURN AutoCommit(Dbc* dbc, Diagnostics& diag) {
  if (!dbc->autocommit || !dbc->transactions) return SQL_SUCCESS;
  return EndWork(dbc, true, diag);
}

SQLRETURN EndTransaction(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  std::lock_guard lock(DriverLock());
  std::vector<Dbc*> connections;
  Diagnostics* diag = nullptr;
  if (type == SQL_HANDLE_ENV) {
    Env* env = LiveAs<Env>(handle, Kind::kEnv);
    if (env == nullptr) return SQL_INVALID_HANDLE;
    env->diag.Clear();
    diag = &env->diag;
    for (Dbc* d : env->connections) {
      if (d->db != nullptr) connections.push_back(d);
    }
  } else if (type == SQL_HANDLE_DBC) {
    Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
    if (dbc == nullptr) return SQL_INVALID_HANDLE;
    dbc->diag.Clear();
    diag = &dbc->diag;
    if (dbc->db == nullptr) return diag->Add("08003", "The connection is not open");
    connections.push_back(dbc);
  } else {
    return SQL_INVALID_HANDLE;
  }
  if (completion != SQL_COMMIT && completion != SQL_ROLLBACK) {
    return diag->Add("HY012", "The completion must be SQL_COMMIT or SQL_ROLLBACK");
  }
  SQLRETURN result = SQL_SUCCESS;
  for (Dbc* d : connections) {
    if (d->autocommit) continue;  // nothing is pending
    // Cursors close at a transaction's end.
    for (Stmt* st : d->statements) CloseCursor(st);
    if (EndWork(d, completion == SQL_COMMIT, *diag) != SQL_SUCCESS) result = SQL_ERROR;
  }
  return result;
}

}  // namespace vantora::odbc

using namespace vantora::odbc;

ODBC_EXPORT SQLRETURN SQL_API SQLConnect(SQLHDBC handle, SQLCHAR* dsn, SQLSMALLINT dsnLength,
                                         SQLCHAR* user, SQLSMALLINT userLength, SQLCHAR* password,
                                         SQLSMALLINT passwordLength) {
  std::lock_guard lock(DriverLock());
  Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  ConnectionKeys keys{{"DSN", In(dsn, dsnLength)}};
  if (const std::string u = In(user, userLength); !u.empty()) keys["UID"] = u;
  if (const std::string p = In(password, passwordLength); !p.empty()) keys["PWD"] = p;
  return Connect(dbc, keys);
}

ODBC_EXPORT SQLRETURN SQL_API SQLConnectW(SQLHDBC handle, SQLWCHAR* dsn, SQLSMALLINT dsnLength,
                                          SQLWCHAR* user, SQLSMALLINT userLength,
                                          SQLWCHAR* password, SQLSMALLINT passwordLength) {
  std::lock_guard lock(DriverLock());
  Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  ConnectionKeys keys{{"DSN", InW(dsn, dsnLength)}};
  if (const std::string u = InW(user, userLength); !u.empty()) keys["UID"] = u;
  if (const std::string p = InW(password, passwordLength); !p.empty()) keys["PWD"] = p;
  return Connect(dbc, keys);
}

ODBC_EXPORT SQLRETURN SQL_API SQLDriverConnect(SQLHDBC handle, SQLHWND, SQLCHAR* in,
                                               SQLSMALLINT inLength, SQLCHAR* out,
                                               SQLSMALLINT capacity, SQLSMALLINT* length,
                                               SQLUSMALLINT completion) {
  std::lock_guard lock(DriverLock());
  Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  return DriverConnect(dbc, In(in, inLength), out, capacity, length, completion, false);
}

ODBC_EXPORT SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC handle, SQLHWND, SQLWCHAR* in,
                                                SQLSMALLINT inLength, SQLWCHAR* out,
                                                SQLSMALLINT capacity, SQLSMALLINT* length,
                                                SQLUSMALLINT completion) {
  std::lock_guard lock(DriverLock());
  Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  return DriverConnect(dbc, InW(in, inLength), out, capacity, length, completion, true);
}

ODBC_EXPORT SQLRETURN SQL_API SQLDisconnect(SQLHDBC handle) {
  std::lock_guard lock(DriverLock());
  Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  return Disconnect(dbc);
}

ODBC_EXPORT SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC handle, SQLINTEGER attribute,
                                                SQLPOINTER value, SQLINTEGER length) {
  std::lock_guard lock(DriverLock());
  Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  return SetConnectAttr(dbc, attribute, value, length, false);
}

ODBC_EXPORT SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC handle, SQLINTEGER attribute,
                                                 SQLPOINTER value, SQLINTEGER length) {
  std::lock_guard lock(DriverLock());
  Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  return SetConnectAttr(dbc, attribute, value, length, true);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC handle, SQLINTEGER attribute,
                                                SQLPOINTER value, SQLINTEGER capacity,
                                                SQLINTEGER* length) {
  std::lock_guard lock(DriverLock());
  Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  return GetConnectAttr(dbc, attribute, value, capacity, length, false);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetConnectAttrW(SQLHDBC handle, SQLINTEGER attribute,
                                                 SQLPOINTER value, SQLINTEGER capacity,
                                                 SQLINTEGER* length) {
  std::lock_guard lock(DriverLock());
  Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  return GetConnectAttr(dbc, attribute, value, capacity, length, true);
}

ODBC_EXPORT SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle,
                                         SQLSMALLINT completion) {
  return EndTransaction(type, handle, completion);
}

ODBC_EXPORT SQLRETURN SQL_API SQLNativeSql(SQLHDBC handle, SQLCHAR* in, SQLINTEGER inLength,
                                           SQLCHAR* out, SQLINTEGER capacity, SQLINTEGER* length) {
  std::lock_guard lock(DriverLock());
  Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  dbc->diag.Clear();
  if (in == nullptr) return dbc->diag.Add("HY009", "No statement text");
  return OutI(NativeText(In(in, inLength)), out, capacity, false, false, length, &dbc->diag);
}

ODBC_EXPORT SQLRETURN SQL_API SQLNativeSqlW(SQLHDBC handle, SQLWCHAR* in, SQLINTEGER inLength,
                                            SQLWCHAR* out, SQLINTEGER capacity,
                                            SQLINTEGER* length) {
  std::lock_guard lock(DriverLock());
  Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  dbc->diag.Clear();
  if (in == nullptr) return dbc->diag.Add("HY009", "No statement text");
  return OutI(NativeText(InW(in, inLength)), out, capacity, true, false, length, &dbc->diag);
}
