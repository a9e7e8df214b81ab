// Handles, their registry, the driver's lock, text in and out, and the
// diagnostics functions.
#include "odbc/handles.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "odbc/connection.h"
#include "odbc/statement.h"
#include "odbc/text_io.h"

namespace vantora::odbc {
namespace {

std::mutex& RegistryLock() {
  static auto* m = new std::mutex;
  return *m;
}
std::unordered_set<Handle*>& Registry() {
  static auto* r = new std::unordered_set<Handle*>;
  return *r;
}

}  // namespace

std::recursive_mutex& DriverLock() {
  static auto* m = new std::recursive_mutex;
  return *m;
}

void Register(Handle* h) {
  std::lock_guard g(RegistryLock());
  Registry().insert(h);
}

void Unregister(Handle* h) {
  std::lock_guard g(RegistryLock());
  Registry().erase(h);
}

Handle* Live(void* h, Kind kind) {
  if (h == nullptr) return nullptr;
  std::lock_guard g(RegistryLock());
  auto* handle = static_cast<Handle*>(h);
  if (Registry().count(handle) == 0 || handle->kind != kind) return nullptr;
  return handle;
}

std::string In(const SQLCHAR* text, SQLINTEGER length) {
  if (text == nullptr) return "";
  const char* t = reinterpret_cast<const char*>(text);
  if (length == SQL_NTS || length < 0) return t;
  return std::string(t, static_cast<size_t>(length));
}

std::string InW(const SQLWCHAR* text, SQLINTEGER length) {
  if (text == nullptr) return "";
  return Utf16ToUtf8(text, length == SQL_NTS || length < 0 ? SQL_NTS : length);
}

SQLRETURN Out(const std::string& text, void* buffer, SQLLEN capacity, bool wide, bool inBytes,
              SQLLEN* length, Diagnostics* diag) {
  bool cut = false;
  if (wide) {
    const std::u16string w = Utf8ToUtf16(text);
    const SQLLEN units = capacity < 0 ? 0 : inBytes ? capacity / 2 : capacity;
    if (length != nullptr) *length = static_cast<SQLLEN>(w.size()) * (inBytes ? 2 : 1);
    if (buffer != nullptr && units > 0) {
      size_t n = std::min<size_t>(w.size(), static_cast<size_t>(units - 1));
      if (n < w.size() && n > 0 && w[n - 1] >= 0xD800 && w[n - 1] <= 0xDBFF) --n;
      std::memcpy(buffer, w.data(), n * 2);
      static_cast<char16_t*>(buffer)[n] = 0;
      cut = n < w.size();
    } else {
      cut = buffer != nullptr && !w.empty();
    }
  } else {
    if (length != nullptr) *length = static_cast<SQLLEN>(text.size());
    if (buffer != nullptr && capacity > 0) {
      size_t n = std::min<size_t>(text.size(), static_cast<size_t>(capacity - 1));
      // Never cut inside a UTF-8 character.
      while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
      std::memcpy(buffer, text.data(), n);
      static_cast<char*>(buffer)[n] = '\0';
      cut = n < text.size();
    } else {
      cut = buffer != nullptr && !text.empty();
    }
  }
  if (cut && diag != nullptr) return diag->Add("01004", "String data, right truncated");
  return SQL_SUCCESS;
}

namespace {

Handle* AnyLive(SQLSMALLINT type, SQLHANDLE h) {
  switch (type) {
    case SQL_HANDLE_ENV:
      return Live(h, Kind::kEnv);
    case SQL_HANDLE_DBC:
      return Live(h, Kind::kDbc);
    case SQL_HANDLE_STMT:
      return Live(h, Kind::kStmt);
    case SQL_HANDLE_DESC:
      return Live(h, Kind::kDesc);
    default:
      return nullptr;
  }
}

SQLRETURN GetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number, void* state,
                     SQLINTEGER* native, void* text, SQLSMALLINT capacity, SQLSMALLINT* length,
                     bool wide) {
  std::lock_guard lock(DriverLock());
  Handle* h = AnyLive(type, handle);
  if (h == nullptr) return SQL_INVALID_HANDLE;
  if (number < 1 || capacity < 0) return SQL_ERROR;
  if (number > static_cast<SQLSMALLINT>(h->diag.records.size())) return SQL_NO_DATA;
  const DiagRecord& r = h->diag.records[static_cast<size_t>(number - 1)];
  if (state != nullptr) Out(r.state, state, 6, wide, false, nullptr, nullptr);
  if (native != nullptr) *native = r.native;
  SQLLEN n = 0;
  const SQLRETURN o = Out(kVendorPrefix + r.text, text, capacity, wide, false, &n, nullptr);
  if (length != nullptr) *length = static_cast<SQLSMALLINT>(n);
  (void)o;
  const bool cut = text != nullptr && n >= capacity;
  return cut || (text == nullptr && n > 0) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN GetDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number,
                       SQLSMALLINT identifier, SQLPOINTER info, SQLSMALLINT capacity,
                       SQLSMALLINT* length, bool wide) {
  std::lock_guard lock(DriverLock());
  Handle* h = AnyLive(type, handle);
  if (h == nullptr) return SQL_INVALID_HANDLE;
  switch (identifier) {
    case SQL_DIAG_NUMBER:
      if (info != nullptr)
        *static_cast<SQLINTEGER*>(info) = static_cast<SQLINTEGER>(h->diag.records.size());
      return SQL_SUCCESS;
    case SQL_DIAG_RETURNCODE:
      if (info != nullptr) *static_cast<SQLRETURN*>(info) = h->diag.returnCode;
      return SQL_SUCCESS;
    case SQL_DIAG_ROW_COUNT: {
      if (type != SQL_HANDLE_STMT) return SQL_ERROR;
      if (info != nullptr) *static_cast<SQLLEN*>(info) = static_cast<Stmt*>(h)->rowCount;
      return SQL_SUCCESS;
    }
    case SQL_DIAG_CURSOR_ROW_COUNT:
      if (info != nullptr) *static_cast<SQLLEN*>(info) = 0;
      return SQL_SUCCESS;
    case SQL_DIAG_DYNAMIC_FUNCTION:
      return OutS("", info, capacity, wide, true, length, nullptr);
    case SQL_DIAG_DYNAMIC_FUNCTION_CODE:
      if (info != nullptr) *static_cast<SQLINTEGER*>(info) = SQL_DIAG_UNKNOWN_STATEMENT;
      return SQL_SUCCESS;
    default:
      break;
  }
  if (number < 1) return SQL_ERROR;
  if (number > static_cast<SQLSMALLINT>(h->diag.records.size())) return SQL_NO_DATA;
  const DiagRecord& r = h->diag.records[static_cast<size_t>(number - 1)];
  switch (identifier) {
    case SQL_DIAG_SQLSTATE:
      return OutS(r.state, info, capacity, wide, true, length, nullptr);
    case SQL_DIAG_NATIVE:
      if (info != nullptr) *static_cast<SQLINTEGER*>(info) = r.native;
      return SQL_SUCCESS;
    case SQL_DIAG_MESSAGE_TEXT:
      return OutS(kVendorPrefix + r.text, info, capacity, wide, true, length, nullptr);
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
      return OutS(r.state.compare(0, 2, "IM") == 0 ? "ODBC 3.0" : "ISO 9075", info, capacity, wide,
                  true, length, nullptr);
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME:
      return OutS("", info, capacity, wide, true, length, nullptr);
    case SQL_DIAG_COLUMN_NUMBER:
      if (info != nullptr) *static_cast<SQLINTEGER*>(info) = SQL_COLUMN_NUMBER_UNKNOWN;
      return SQL_SUCCESS;
    case SQL_DIAG_ROW_NUMBER:
      if (info != nullptr) *static_cast<SQLLEN*>(info) = SQL_ROW_NUMBER_UNKNOWN;
      return SQL_SUCCESS;
    default:
      return SQL_ERROR;
  }
}

}  // namespace
}  // namespace vantora::odbc

using namespace vantora::odbc;

ODBC_EXPORT SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  std::lock_guard lock(DriverLock());
  if (output == nullptr) return SQL_ERROR;
  switch (type) {
    case SQL_HANDLE_ENV: {
      auto* env = new Env;
      Register(env);
      *output = env;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_DBC: {
      Env* env = LiveAs<Env>(input, Kind::kEnv);
      if (env == nullptr) return SQL_INVALID_HANDLE;
      env->diag.Clear();
      auto* dbc = new Dbc;
      dbc->env = env;
      env->connections.push_back(dbc);
      Register(dbc);
      *output = dbc;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT: {
      Dbc* dbc = LiveAs<Dbc>(input, Kind::kDbc);
      if (dbc == nullptr) return SQL_INVALID_HANDLE;
      dbc->diag.Clear();
      if (dbc->db == nullptr) {
        *output = SQL_NULL_HSTMT;
        return dbc->diag.Add("08003", "The connection is not open");
      }
      *output = NewStatement(dbc);
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_DESC: {
      Dbc* dbc = LiveAs<Dbc>(input, Kind::kDbc);
      if (dbc == nullptr) return SQL_INVALID_HANDLE;
      dbc->diag.Clear();
      if (dbc->db == nullptr) return dbc->diag.Add("08003", "The connection is not open");
      auto* d = new Desc;
      d->dbc = dbc;
      d->records.resize(1);
      Register(d);
      *output = d;
      return SQL_SUCCESS;
    }
    default:
      return SQL_ERROR;
  }
}

ODBC_EXPORT SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  std::lock_guard lock(DriverLock());
  switch (type) {
    case SQL_HANDLE_ENV: {
      Env* env = LiveAs<Env>(handle, Kind::kEnv);
      if (env == nullptr) return SQL_INVALID_HANDLE;
      if (!env->connections.empty()) {
        return env->diag.Add("HY010", "The environment still has connections: free them first");
      }
      Unregister(env);
      delete env;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_DBC: {
      Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
      if (dbc == nullptr) return SQL_INVALID_HANDLE;
      if (dbc->db != nullptr) {
        return dbc->diag.Add("HY010", "The connection is open: disconnect it first");
      }
      auto& list = dbc->env->connections;
      list.erase(std::remove(list.begin(), list.end(), dbc), list.end());
      Unregister(dbc);
      delete dbc;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT: {
      Stmt* st = LiveAs<Stmt>(handle, Kind::kStmt);
      if (st == nullptr) return SQL_INVALID_HANDLE;
      FreeStatement(st);
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_DESC: {
      Desc* d = LiveAs<Desc>(handle, Kind::kDesc);
      if (d == nullptr) return SQL_INVALID_HANDLE;
      if (d->owner != nullptr)
        return d->diag.Add("HY017", "An implicit descriptor cannot be freed");
      // Statements that used it go back to their own.
      for (Stmt* st : d->dbc->statements) {
        if (st->ardIn == d) st->ardIn = &st->ard;
        if (st->apdIn == d) st->apdIn = &st->apd;
      }
      Unregister(d);
      delete d;
      return SQL_SUCCESS;
    }
    default:
      return SQL_ERROR;
  }
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number,
                                            SQLCHAR* state, SQLINTEGER* native, SQLCHAR* text,
                                            SQLSMALLINT capacity, SQLSMALLINT* length) {
  return GetDiagRec(type, handle, number, state, native, text, capacity, length, false);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number,
                                             SQLWCHAR* state, SQLINTEGER* native, SQLWCHAR* text,
                                             SQLSMALLINT capacity, SQLSMALLINT* length) {
  return GetDiagRec(type, handle, number, state, native, text, capacity, length, true);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT type, SQLHANDLE handle,
                                              SQLSMALLINT number, SQLSMALLINT identifier,
                                              SQLPOINTER info, SQLSMALLINT capacity,
                                              SQLSMALLINT* length) {
  return GetDiagField(type, handle, number, identifier, info, capacity, length, false);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT type, SQLHANDLE handle,
                                               SQLSMALLINT number, SQLSMALLINT identifier,
                                               SQLPOINTER info, SQLSMALLINT capacity,
                                               SQLSMALLINT* length) {
  return GetDiagField(type, handle, number, identifier, info, capacity, length, true);
}

ODBC_EXPORT SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV handle, SQLINTEGER attribute, SQLPOINTER value,
                                            SQLINTEGER) {
  std::lock_guard lock(DriverLock());
  Env* env = LiveAs<Env>(handle, Kind::kEnv);
  if (env == nullptr) return SQL_INVALID_HANDLE;
  env->diag.Clear();
  const auto v = static_cast<SQLINTEGER>(reinterpret_cast<intptr_t>(value));
  switch (attribute) {
    case SQL_ATTR_ODBC_VERSION:
      if (v != SQL_OV_ODBC2 && v != SQL_OV_ODBC3 && v != SQL_OV_ODBC3_80) {
        return env->diag.Add("HY024", "Unknown ODBC version");
      }
      env->version = v;
      return SQL_SUCCESS;
    case SQL_ATTR_OUTPUT_NTS:
      if (v != SQL_TRUE) return env->diag.Add("HYC00", "Strings are always terminated");
      return SQL_SUCCESS;
    case SQL_ATTR_CONNECTION_POOLING:
    case SQL_ATTR_CP_MATCH:
      return SQL_SUCCESS;  // pooling belongs to the driver manager
    default:
      return env->diag.Add("HY092", "Unknown environment attribute " + std::to_string(attribute));
  }
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV handle, SQLINTEGER attribute, SQLPOINTER value,
                                            SQLINTEGER, SQLINTEGER* length) {
  std::lock_guard lock(DriverLock());
  Env* env = LiveAs<Env>(handle, Kind::kEnv);
  if (env == nullptr) return SQL_INVALID_HANDLE;
  env->diag.Clear();
  SQLINTEGER v = 0;
  switch (attribute) {
    case SQL_ATTR_ODBC_VERSION:
      v = env->version;
      break;
    case SQL_ATTR_OUTPUT_NTS:
      v = SQL_TRUE;
      break;
    case SQL_ATTR_CONNECTION_POOLING:
      v = SQL_CP_OFF;
      break;
    case SQL_ATTR_CP_MATCH:
      v = SQL_CP_STRICT_MATCH;
      break;
    default:
      return env->diag.Add("HY092", "Unknown environment attribute " + std::to_string(attribute));
  }
  if (value != nullptr) *static_cast<SQLINTEGER*>(value) = v;
  if (length != nullptr) *length = sizeof v;
  return SQL_SUCCESS;
}
