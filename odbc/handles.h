// The driver's four handle kinds and their state. Every handle the driver
// hands out is registered, so that one it did not make (or freed) answers
// SQL_INVALID_HANDLE instead of being used.
//
// Threads: every entry point holds the driver's lock while it works (the
// engine and the client library below it keep per-process state); only
// SQLCancel runs beside it.
#ifndef VANTORA_ODBC_HANDLES_H_
#define VANTORA_ODBC_HANDLES_H_

#include <sql.h>
#include <sqlext.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "idapi_app.h"
#include "odbc/diagnostics.h"
#include "odbc/result_set.h"
#include "odbc/values.h"

namespace vantora::odbc {

enum class Kind : uint32_t {
  kEnv = 0x564E4531,
  kDbc = 0x564E4432,
  kStmt = 0x564E5333,
  kDesc = 0x564E4434
};

struct Handle {
  explicit Handle(Kind k) : kind(k) {}
  virtual ~Handle() = default;
  Kind kind;
  Diagnostics diag;
};

struct Dbc;
struct Stmt;

struct Env : Handle {
  Env() : Handle(Kind::kEnv) {}
  SQLINTEGER version = SQL_OV_ODBC3;
  std::vector<Dbc*> connections;
};

// A bound column or parameter buffer of the application (or of a row of
// an application descriptor).
struct Binding {
  SQLSMALLINT cType = 0;
  SQLPOINTER data = nullptr;
  SQLLEN size = 0;
  SQLLEN* length = nullptr;     // octet length / indicator
  SQLLEN* indicator = nullptr;  // separate indicator (descriptors); usually == length
  // parameters
  SQLSMALLINT ioType = SQL_PARAM_INPUT;
  SQLSMALLINT sqlType = 0;
  SQLULEN columnSize = 0;
  SQLSMALLINT decimals = 0;
  // SQL_C_NUMERIC's precision and scale, once a descriptor call set them
  // (otherwise a value keeps its own scale).
  SQLSMALLINT precision = 0;
  SQLSMALLINT scale = 0;
  bool numericFormSet = false;
  bool bound() const { return data != nullptr || length != nullptr || indicator != nullptr; }
  NumericForm numericForm() const {
    return numericFormSet ? NumericForm{precision, scale} : NumericForm{};
  }
};

struct Desc : Handle {
  Desc() : Handle(Kind::kDesc) {}
  Stmt* owner = nullptr;  // the statement of an implicit descriptor
  Dbc* dbc = nullptr;
  bool application = true;
  bool parameters = false;
  std::vector<Binding> records;  // from 1: records[0] is the bookmark
  SQLULEN arraySize = 1;
  SQLUSMALLINT* statusArray = nullptr;
  SQLULEN* processed = nullptr;
  SQLLEN* bindOffset = nullptr;
  SQLINTEGER bindType = SQL_BIND_BY_COLUMN;
};

struct Dbc : Handle {
  Dbc() : Handle(Kind::kDbc) {}
  Env* env = nullptr;
  VdbDatabase* db = nullptr;
  std::string library;  // the current catalog's library (schema)
  // Other libraries the catalogue functions were asked about, each opened
  // as a database of its own for its table list (and its own host session,
  // so that the connection's current library stays as it is).
  std::map<std::string, VdbDatabase*> libraries;
  std::string system, user, password;  // to open them as the connection was opened
  std::string naming = "sql";          // sql or system
  bool transactions = false;           // opened with commitment control
  bool autocommit = true;
  SQLUINTEGER loginTimeout = 0;
  SQLUINTEGER isolation = SQL_TXN_READ_COMMITTED;
  std::string dsn;
  uint16_t codePage = 1252;
  std::vector<Stmt*> statements;
};

enum class StmtState { kAllocated, kPrepared, kExecuted, kPositioned };

struct Stmt : Handle {
  Stmt() : Handle(Kind::kStmt) {}
  Dbc* dbc = nullptr;
  StmtState state = StmtState::kAllocated;
  std::string text;      // as the application wrote it (UTF-8)
  std::string hostText;  // prepared on the engine
  VdbStatement* prepared = nullptr;
  bool isCall = false;  // {CALL NAME(?, ...)}
  std::string procedure;
  bool isSelect = false;
  size_t markers = 0;
  std::unique_ptr<ResultSet> result;
  SQLLEN rowCount = -1;
  // attributes
  SQLULEN cursorType = SQL_CURSOR_FORWARD_ONLY;
  SQLULEN queryTimeout = 0;
  SQLULEN maxRows = 0;
  SQLULEN rowsetSize = 1;  // SQLSetScrollOptions / SQL_ROWSET_SIZE for SQLExtendedFetch
  bool retrieveData = true;
  SQLULEN noscan = SQL_NOSCAN_OFF;
  // implicit descriptors
  Desc ard, apd, ird, ipd;
  Desc *ardIn = &ard, *apdIn = &apd;
  // SQLGetData state of the current row
  int getDataColumn = 0;
  size_t getDataOffset = 0;
  // SQLParamData / SQLPutData state (data at execution is refused)
  std::atomic<bool> cancelRequested{false};
  // the rowset of the last fetch
  long rowsetStart = 0;  // position in the result (0-based) of the rowset's first row
  SQLULEN rowsInRowset = 0;
  Value fetched;  // a column's value on its way into a bound buffer; its text memory reused
};

// The driver's lock: every entry point holds it.
std::recursive_mutex& DriverLock();

// Registration of live handles.
void Register(Handle* h);
void Unregister(Handle* h);
// The live handle of kind `kind` behind `h`, or null.
Handle* Live(void* h, Kind kind);
template <typename T>
T* LiveAs(void* h, Kind kind) {
  return static_cast<T*>(Live(h, kind));
}

}  // namespace vantora::odbc

#endif  // VANTORA_ODBC_HANDLES_H_
