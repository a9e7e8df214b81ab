#include "failure.h"

#include <mv432ida.h>
#include <pybind11/pybind11.h>

#include <vector>

#include "byte_order.h"

namespace py = pybind11;

namespace vantora::python {
namespace {

constexpr int kSqlcaSize = 136;
constexpr int kSqlcaCode = 12;
constexpr int kSqlcaState = 131;

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  return text;
}

}  // namespace

Failure CaptureFailure(int32_t result, bool sql) {
  Failure f;
  f.result = result;
  f.status = retstat();
  char id[8] = {};
  Return_Syserr(id);
  id[7] = '\0';
  f.messageId = Trimmed(id);
  f.internal = Internal_Error();
  APPC_ERR(&f.primary, &f.secondary);
  if (result != VNX_ERR_HOST && result != VNX_ERR_SIGNAL) f.messageId.clear();
  const int32_t length = VNXErrorText(nullptr, 0);
  if (length > 0) {
    std::vector<char> text(static_cast<size_t>(length) + 1);
    VNXErrorText(text.data(), length + 1);
    f.text.assign(text.data());
  }
  if (sql && f.messageId.rfind("SQL", 0) == 0) {
    uint8_t area[kSqlcaSize] = {};
    if (VNXSqlSqlca(area, kSqlcaSize) == 1) {
      f.sqlcode = GetI32LE(area + kSqlcaCode);
      f.sqlstate = Trimmed(std::string(reinterpret_cast<const char*>(area + kSqlcaState), 5));
    }
  }
  if (f.text.empty()) {
    f.text = "the request failed with result " + std::to_string(result) + ", status " +
             std::to_string(f.status) + (f.messageId.empty() ? "" : " (" + f.messageId + ")");
  }
  return f;
}

Failure LocalFailure(const std::string& text) {
  Failure f;
  f.text = text;
  f.local = true;
  return f;
}

bool IsEndOfData(const Failure& f) {
  return f.result == VNX_ERR_HOST &&
         (f.status == VNX_RETSTAT_END_OF_FILE || f.status == VNX_RETSTAT_BEGINNING_OF_FILE);
}

void RaiseFailure(const Failure& f) {
  py::object errors = py::module_::import("vantora.errors");
  py::object exception =
      errors.attr("_from_failure")(f.text, f.result, f.status, f.messageId, f.internal, f.primary,
                                   f.secondary, f.sqlcode, f.sqlstate, f.local);
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exception.ptr())), exception.ptr());
  throw py::error_already_set();
}

void RaiseInterfaceError(const std::string& text) {
  py::object cls = py::module_::import("vantora.errors").attr("InterfaceError");
  PyErr_SetObject(cls.ptr(), py::str(text).ptr());
  throw py::error_already_set();
}

}  // namespace vantora::python
