#include "engine/error_state.h"

#include "idapi.h"

namespace vantora::engine {
namespace {

struct ThreadError {
  LastError error;
  uint64_t posts = 0;  // counts posts, so that a call can tell whether it posted
};

ThreadError& Mine() {
  thread_local ThreadError state;
  return state;
}

}  // namespace

const LastError& CurrentError() {
  return Mine().error;
}

void PostError(uint16_t code, const char* text) {
  ThreadError& t = Mine();
  t.error = LastError{code, text != nullptr ? text : "", "", "", ""};
  ++t.posts;
}

void ClearError() {
  Mine().error = LastError{};
}

void AddErrorContext(uint16_t code, uint16_t kind, const char* text) {
  ThreadError& t = Mine();
  if (t.error.status != code) t.error = LastError{code, "", "", "", ""};
  const std::string value = text != nullptr ? text : "";
  if (kind == IDAPI_CONTEXT_NATIVE_CODE) {
    t.error.nativeCode = value;
  } else if (kind == IDAPI_CONTEXT_EXPLANATION) {
    t.error.explanation = value;
  } else {
    t.error.context = value;
  }
  ++t.posts;
}

ApplicationCall::ApplicationCall() : postsBefore_(Mine().posts) {}

uint16_t ApplicationCall::Finish(uint16_t status) {
  ThreadError& t = Mine();
  if (status == IDAPI_OK) return status;
  if (t.posts == postsBefore_) {
    t.error = LastError{status, StatusText(status), "", "", ""};
  } else {
    // The driver's text stays, under the status the call answered (a driver
    // may post one code and answer another, as for communication errors).
    t.error.status = status;
    if (t.error.message.empty()) t.error.message = StatusText(status);
  }
  return status;
}

const char* StatusText(uint16_t status) {
  switch (status) {
    case IDAPI_OK:
      return "success";
    case IDAPI_ERR_FAILED:
      return "the operation failed";
    case IDAPI_ERR_HOST:
      return "host error";
    case IDAPI_ERR_NOTHING_CHANGED:
      return "no field of the row was changed";
    case IDAPI_ERR_CALL_FAILED:
      return "the procedure's program failed";
    case IDAPI_ERR_BOF:
      return "beginning of data";
    case IDAPI_ERR_EOF:
      return "end of data";
    case IDAPI_ERR_NO_CURRENT_RECORD:
      return "no current record";
    case IDAPI_ERR_RECORD_NOT_FOUND:
      return "record not found";
    case IDAPI_ERR_THREAD_SESSION:
      return "no session for this thread";
    case IDAPI_ERR_KEY_VIOLATION:
      return "key violation";
    case IDAPI_ERR_BAD_DATA:
      return "a value does not fit its field";
    case IDAPI_ERR_UNKNOWN_TYPE:
      return "unknown table or field type";
    case IDAPI_ERR_INVALID_ARGUMENT:
      return "invalid argument";
    case IDAPI_ERR_INVALID_REQUEST:
      return "invalid request";
    case IDAPI_ERR_DRIVER_TYPE:
      return "driver type does not match";
    case IDAPI_ERR_PRIMARY_INDEX:
      return "a primary index cannot be created";
    case IDAPI_ERR_NO_SUCH_INDEX:
      return "index not found";
    case IDAPI_ERR_VALUE_OVERFLOW:
      return "value out of range";
    case IDAPI_ERR_NO_SESSION:
      return "no host session available";
    case IDAPI_ERR_NO_SUCH_TABLE:
      return "table not found";
    case IDAPI_ERR_NOT_AVAILABLE:
      return "not available";
    case IDAPI_ERR_NO_SUCH_PROCEDURE:
      return "procedure not found";
    case IDAPI_ERR_RECORD_IN_USE:
      return "record or object in use";
    case IDAPI_ERR_NO_TRANSACTIONS:
      return "the database has no commitment control";
    case IDAPI_ERR_RECORD_LOCKED:
      return "record locked";
    case IDAPI_ERR_NOT_IMPLEMENTED:
      return "not implemented";
    case IDAPI_ERR_ACCESS_DENIED:
      return "access denied";
    case IDAPI_ERR_COMMUNICATION:
      return "communication error";
    case IDAPI_ERR_SQL:
      return "SQL error";
    case IDAPI_ERR_NOT_SUPPORTED:
      return "not supported";
    case IDAPI_ERR_NOT_SUPPORTED_HERE:
      return "not supported by this driver";
    case IDAPI_ERR_CREATE_FAILED:
      return "the object could not be created";
    case IDAPI_ERR_NO_DRIVER:
      return "no driver for this driver type";
    case IDAPI_ERR_NOT_STARTED:
      return "the engine is not started";
    case IDAPI_ERR_NO_MEMORY:
      return "not enough memory";
    case IDAPI_ERR_BAD_OBJECT:
      return "not an open object of the engine";
    case IDAPI_ERR_BAD_FILTER:
      return "the filter expression cannot be read";
    case IDAPI_ERR_CANCELLED:
      return "the statement was cancelled";
    default:
      return "error";
  }
}

}  // namespace vantora::engine
