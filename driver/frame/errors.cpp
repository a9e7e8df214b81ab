#include "driver/frame/errors.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "idapi.h"
#include "mv432ida.h"
#include "platform/ui_sink.h"

namespace vantora::driver {
namespace {

struct StatusRow {
  int32_t serverStatus;
  uint16_t engineStatus;
};

const StatusRow kServerStatuses[] = {
    {VNX_RETSTAT_FILE_NOT_FOUND, IDAPI_ERR_NO_SUCH_TABLE},
    {VNX_RETSTAT_NOT_AUTHORISED, IDAPI_ERR_ACCESS_DENIED},
    {VNX_RETSTAT_INVALID_REQUEST, IDAPI_ERR_INVALID_REQUEST},
    {VNX_RETSTAT_NO_CURRENT_RECORD, IDAPI_ERR_NO_CURRENT_RECORD},
    {VNX_RETSTAT_RECORD_IN_USE, IDAPI_ERR_RECORD_IN_USE},
    {VNX_RETSTAT_DUPLICATE_KEY, IDAPI_ERR_KEY_VIOLATION},
    {VNX_RETSTAT_OBJECT_IN_USE, IDAPI_ERR_ACCESS_DENIED},
    {VNX_RETSTAT_OBJECT_NOT_AVAILABLE, IDAPI_ERR_ACCESS_DENIED},
    {VNX_RETSTAT_END_OF_FILE, IDAPI_ERR_EOF},
    {VNX_RETSTAT_BEGINNING_OF_FILE, IDAPI_ERR_BOF},
};

struct MessageRow {
  const char* id;
  uint16_t engineStatus;
};

const MessageRow kMessages[] = {
    {VNX_MSG_DATA_MAPPING, IDAPI_ERR_BAD_DATA},
    {VNX_MSG_DUPLICATE_KEY_OTHER_PATH, IDAPI_ERR_KEY_VIOLATION},
    {VNX_MSG_DUPLICATE_KEY, IDAPI_ERR_KEY_VIOLATION},
    {VNX_MSG_WRONG_KIND_OF_OPEN, IDAPI_ERR_ACCESS_DENIED},
    {VNX_MSG_FILE_IN_USE, IDAPI_ERR_RECORD_IN_USE},
    {VNX_MSG_RECORD_IN_USE, IDAPI_ERR_RECORD_IN_USE},
    {VNX_MSG_FILE_NOT_FOUND, IDAPI_ERR_NO_SUCH_TABLE},
    {VNX_MSG_DECIMAL_DATA_ERROR, IDAPI_ERR_VALUE_OVERFLOW},
    {VNX_MSG_RECEIVER_TOO_SMALL, IDAPI_ERR_VALUE_OVERFLOW},
    {VNX_MSG_RECORD_NOT_FOUND, IDAPI_ERR_RECORD_NOT_FOUND},
    {VNX_MSG_FILE_NOT_CREATED, IDAPI_ERR_CREATE_FAILED},
};

// The SQL communication area, as far as the driver reads it.
constexpr int kSqlcaSize = 136;
constexpr int kSqlcaCode = 12;
constexpr int kSqlcaTextLength = 16;
constexpr int kSqlcaText = 18;
constexpr int kSqlcaTextMax = 70;

// The RTVM0100 answer of QMHRTVM, read through the format file YRTVM0100.
constexpr int kMessageRecordSize = 624;
constexpr int kMessageLength = 8;
constexpr int kMessageText = 24;

std::mutex& MessageLock() {
  static std::mutex lock;
  return lock;
}

std::string& MessageBuffer() {
  static std::string buffer;
  return buffer;
}

void Remember(const std::string& text) {
  std::lock_guard guard(MessageLock());
  MessageBuffer() = text;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

std::string HostMessageId() {
  char id[9] = {};
  Return_Syserr(id);
  return std::string(id, strnlen(id, 8));
}

std::string Hex(const unsigned char* bytes, size_t n) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (size_t i = 0; i < n; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 15];
  }
  return hex;
}

// The first-level text of an SQL message, or "" when any step fails.
std::string RetrieveMessage(const std::string& id, const std::string& replacement) {
  const int32_t file = VNXopen("YRTVM0100", 1, -1);
  if (file < 0) return "";
  std::string text;
  if (VNXApiCall("QMHRTVM", "600", "RTVM0100", id.c_str(), "QSYS/QSQLMSG", replacement.c_str(),
                 "*YES", "*NO") >= 0 &&
      VNXMapFile(file, "*API/QMHRTVM   ", -1) >= 0) {
    unsigned char record[kMessageRecordSize] = {};
    if (VNXRead(file, record, kMessageRecordSize, VNX_READ_FIRST, nullptr, 0, nullptr) > 0) {
      int32_t length = idapi_get_i32(record, kMessageLength);
      length = std::clamp<int32_t>(length, 0, kMessageRecordSize - kMessageText);
      text.assign(reinterpret_cast<const char*>(record + kMessageText),
                  static_cast<size_t>(length));
    }
  }
  Rclose(file);
  return text;
}

}  // namespace

std::string ClientExplanation() {
  const int32_t length = VNXErrorText(nullptr, 0);
  if (length <= 0) return "";
  std::string text(static_cast<size_t>(length), '\0');
  VNXErrorText(text.data(), length + 1);
  return text;
}

namespace {

void Explain(uint16_t status, const std::string& explanation) {
  if (!explanation.empty()) {
    IdapiAddErrorContext(IDAPI_ERROR_CATEGORY, status, IDAPI_CONTEXT_EXPLANATION,
                         explanation.c_str(), 0);
  }
}

bool IsSqlError(int32_t result) {
  if (result >= 0) return true;
  if (result != VNX_ERR_HOST && result != VNX_ERR_SIGNAL) return false;
  return HostMessageId().rfind("SQL", 0) == 0;
}

}  // namespace

void PostMessage(uint16_t status, const std::string& text, const std::string& explanation) {
  Remember(text);
  IdapiPostError(IDAPI_ERROR_CATEGORY, status, IDAPI_CONTEXT_MESSAGE, text.c_str());
  Explain(status, explanation);
}

std::string LastMessage() {
  std::lock_guard guard(MessageLock());
  return MessageBuffer();
}

uint16_t MapClientFailure(int32_t result) {
  const int32_t status = retstat();
  // The ends of a file are no failure to explain.
  const bool end = result == VNX_ERR_HOST &&
                   (status == VNX_RETSTAT_END_OF_FILE || status == VNX_RETSTAT_BEGINNING_OF_FILE);
  const std::string explanation = end ? "" : ClientExplanation();
  if (result == VNX_ERR_INTERNAL) {
    PostMessage(IDAPI_ERR_NOT_SUPPORTED, Format("Internal Error %ld", long{Internal_Error()}));
    Explain(IDAPI_ERR_NOT_SUPPORTED, explanation);
    return IDAPI_ERR_NOT_SUPPORTED;
  }
  if (result == VNX_ERR_COMM) {
    int16_t primary = 0;
    int32_t secondary = 0;
    APPC_ERR(&primary, &secondary);
    PostMessage(IDAPI_ERR_NOT_SUPPORTED,
                Format("APPC Error %hd %lx", primary, static_cast<unsigned long>(secondary)));
    Explain(IDAPI_ERR_NOT_SUPPORTED, explanation);
    return IDAPI_ERR_COMMUNICATION;
  }
  for (const StatusRow& row : kServerStatuses) {
    if (row.serverStatus == status) {
      Explain(row.engineStatus, explanation);
      return row.engineStatus;
    }
  }
  const std::string id = HostMessageId();
  for (const MessageRow& row : kMessages) {
    if (id.compare(0, 7, row.id) == 0) {
      Explain(row.engineStatus, explanation);
      return row.engineStatus;
    }
  }
  PostMessage(IDAPI_ERR_HOST,
              Format("AS/400 Error: message '%s', code %ld", id.c_str(), long{status}));
  Explain(IDAPI_ERR_HOST, explanation);
  return IDAPI_ERR_HOST;
}

uint16_t MapSqlFailure(int32_t result) {
  if (!IsSqlError(result)) return MapClientFailure(result);
  const std::string explanation = ClientExplanation();
  unsigned char sqlca[kSqlcaSize] = {};
  VNXSqlSqlca(sqlca, kSqlcaSize);
  const int32_t code = idapi_get_i32(sqlca, kSqlcaCode);
  const int length = std::clamp<int>(idapi_get_i16(sqlca, kSqlcaTextLength), 0, kSqlcaTextMax);
  const long magnitude = std::min(9999L, std::labs(static_cast<long>(code)));
  const std::string id = Format("SQL%4.4ld", magnitude);
  const std::string text =
      RetrieveMessage(id, Hex(sqlca + kSqlcaText, static_cast<size_t>(length)));
  const std::string message = Format("SQL Error %ld, %s", long{code}, text.c_str());
  Remember(message);
  IdapiAddErrorContext(IDAPI_ERROR_CATEGORY, IDAPI_ERR_SQL, IDAPI_CONTEXT_MESSAGE, message.c_str(),
                       0);
  IdapiAddErrorContext(IDAPI_ERROR_CATEGORY, IDAPI_ERR_SQL, IDAPI_CONTEXT_NATIVE_CODE,
                       Format("%ld", long{code}).c_str(), 0);
  Explain(IDAPI_ERR_SQL, explanation);
  return code < 0 || result < 0 ? IDAPI_ERR_SQL : IDAPI_OK;
}

std::string ClientFailureText(const std::string& prefix, int32_t result) {
  const char* p = prefix.c_str();
  switch (result) {
    case VNX_ERR_INTERNAL:
      return Format("%s: Internal Error %ld\r\r\n", p, long{Internal_Error()});
    case VNX_ERR_COMM: {
      int16_t primary = 0;
      int32_t secondary = 0;
      APPC_ERR(&primary, &secondary);
      return Format("%s: APPC Error %0hx %0lx \r\r\n", p, static_cast<unsigned short>(primary),
                    static_cast<unsigned long>(secondary));
    }
    case VNX_ERR_SIGNAL:
    case VNX_ERR_HOST:
      return Format("%s: Error %ld-%ld - Msg=%s\r\r\n", p, long{result}, long{retstat()},
                    HostMessageId().c_str());
    default:
      return Format("%s: Unknown error %ld!!!\r\r\n", p, long{result});
  }
}

void ShowClientFailure(const std::string& prefix, int32_t result) {
  const std::string explanation = ClientExplanation();
  const std::string text = ClientFailureText(prefix, result);
  Remember(text);
  platform::CurrentUiSink().Message(kCaption, explanation.empty() ? text : text + explanation,
                                    platform::MessageKind::kError);
}

}  // namespace vantora::driver
