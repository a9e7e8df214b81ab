#include "odbc/diagnostics.h"

#include <cstdlib>
#include <cstring>

#include "idapi_app.h"

namespace vantora::odbc {
namespace {

struct SqlcodeState {
  int32_t sqlcode;
  const char* state;
};

// SQLCODEs of the host's SQL and the SQLSTATE an ODBC application expects.
constexpr SqlcodeState kSqlcodes[] = {
    {-7, "42000"},   {-10, "42000"},  {-84, "42000"},   {-101, "54001"}, {-104, "42000"},
    {-107, "42000"}, {-150, "42000"}, {-156, "42000"},  {-180, "22007"}, {-181, "22007"},
    {-203, "42000"}, {-204, "42S02"}, {-205, "42S22"},  {-206, "42S22"}, {-301, "07006"},
    {-302, "22001"}, {-313, "07002"}, {-406, "22003"},  {-407, "23000"}, {-420, "22018"},
    {-501, "24000"}, {-502, "24000"}, {-508, "24000"},  {-510, "42000"}, {-601, "42S01"},
    {-603, "23000"}, {-612, "42S21"}, {-666, "HYT00"},  {-802, "22003"}, {-803, "23000"},
    {-904, "HY001"}, {-913, "40001"}, {-5016, "42000"},
};

struct StatusState {
  uint16_t status;
  const char* state;
};

constexpr StatusState kStatuses[] = {
    {IDAPI_ERR_KEY_VIOLATION, "23000"},     {IDAPI_ERR_NO_SUCH_TABLE, "42S02"},
    {IDAPI_ERR_NO_SUCH_PROCEDURE, "42000"}, {IDAPI_ERR_RECORD_LOCKED, "40001"},
    {IDAPI_ERR_RECORD_IN_USE, "40001"},     {IDAPI_ERR_COMMUNICATION, "08S01"},
    {IDAPI_ERR_ACCESS_DENIED, "42000"},     {IDAPI_ERR_NO_MEMORY, "HY001"},
    {IDAPI_ERR_CANCELLED, "HY008"},         {IDAPI_ERR_NOT_SUPPORTED, "HYC00"},
    {IDAPI_ERR_NOT_IMPLEMENTED, "HYC00"},   {IDAPI_ERR_NO_TRANSACTIONS, "HYC00"},
    {IDAPI_ERR_VALUE_OVERFLOW, "22003"},    {IDAPI_ERR_INVALID_ARGUMENT, "HY000"},
    {IDAPI_ERR_NO_SESSION, "08001"},
};

}  // namespace

SQLRETURN Diagnostics::Add(const std::string& state, const std::string& text, SQLINTEGER native) {
  records.push_back({state, native, text});
  const bool warning = state.compare(0, 2, "01") == 0;
  const SQLRETURN r = warning ? SQL_SUCCESS_WITH_INFO : SQL_ERROR;
  if (returnCode != SQL_ERROR) returnCode = r;
  return r;
}

std::string StateOf(uint16_t status, int32_t sqlcode, bool connecting) {
  if (connecting) {
    return status == IDAPI_ERR_ACCESS_DENIED ? "28000" : "08001";
  }
  if (status == IDAPI_ERR_SQL || sqlcode < 0) {
    for (const SqlcodeState& s : kSqlcodes) {
      if (s.sqlcode == sqlcode) return s.state;
    }
    return "HY000";
  }
  for (const StatusState& s : kStatuses) {
    if (s.status == status) return s.state;
  }
  return "HY000";
}

SQLRETURN Diagnostics::AddEngineError(uint16_t status) {
  VdbError e{};
  VdbLastError(&e);
  if (e.status == IDAPI_OK) e.status = status;
  const int32_t sqlcode = e.nativeCode[0] != '\0' ? std::atoi(e.nativeCode) : 0;
  std::string text = e.message[0] != '\0' ? e.message : VdbStatusText(status);
  if (e.context[0] != '\0' && std::strstr(e.message, e.context) == nullptr) {
    // The context (the host's SQL message) says more than the status's own words.
    const bool generic = text == VdbStatusText(e.status) || text == VdbStatusText(status);
    text = generic ? std::string(e.context) : text + ": " + e.context;
  }
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  std::string state = StateOf(status, sqlcode, false);
  // A sign-on the host refused: its message identifiers, told in words.
  static const struct {
    const char* id;
    const char* words;
  } kSignOn[] = {{"CPF2204", "the user profile does not exist"},
                 {"CPF22E2", "the password is not correct"},
                 {"CPF22E3", "the user profile is disabled"},
                 {"CPF22E4", "the password has expired"},
                 {"CPF22E5", "the user profile has no password"}};
  for (const auto& s : kSignOn) {
    if (text.find(s.id) != std::string::npos) {
      state = "28000";
      text = std::string("The host refused the sign-on: ") + s.words + " (" + text + ")";
    }
  }
  VdbClearError();
  return Add(state, text, sqlcode != 0 ? sqlcode : static_cast<SQLINTEGER>(status));
}

}  // namespace vantora::odbc
