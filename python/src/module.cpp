// The extension module vantora._native: the native objects the package's
// Python modules build on (see native_session.h).
#include <mv432ida.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "native_session.h"

namespace py = pybind11;
using vantora::python::NativeFile;
using vantora::python::NativeSession;

PYBIND11_MODULE(_native, m) {
  m.doc() = "The native part of vantora; use the vantora package instead.";

  py::class_<NativeSession, std::shared_ptr<NativeSession>>(m, "NativeSession")
      .def(py::init<const std::string&, const std::string&, const std::string&>(),
           py::arg("system"), py::arg("user"), py::arg("password"))
      .def("close", &NativeSession::Close)
      .def_property_readonly("closed", &NativeSession::closed)
      .def("open", &NativeSession::Open)
      .def("command", &NativeSession::Command)
      .def("commit", &NativeSession::Commit)
      .def("rollback", &NativeSession::Rollback)
      .def("call_program", &NativeSession::CallProgram)
      .def("call_procedure", &NativeSession::CallProcedure)
      .def("api_call", &NativeSession::ApiCall)
      .def("queue_link", &NativeSession::QueueLink)
      .def("queue_unlink", &NativeSession::QueueUnlink)
      .def("queue_send", &NativeSession::QueueSend)
      .def("queue_receive", &NativeSession::QueueReceive)
      .def("sql_immediate", &NativeSession::SqlImmediate)
      .def("sql_declare", &NativeSession::SqlDeclare)
      .def("sql_bind", &NativeSession::SqlBind)
      .def("sql_open", &NativeSession::SqlOpen)
      .def("sql_close", &NativeSession::SqlClose)
      .def("sql_commit", &NativeSession::SqlCommit);

  py::class_<NativeFile, std::shared_ptr<NativeFile>>(m, "NativeFile")
      .def("close", &NativeFile::Close)
      .def_property_readonly("closed", &NativeFile::closed)
      .def("read", &NativeFile::Read, py::arg("options"), py::arg("key") = py::none(),
           py::arg("number") = 0)
      .def("read_block", &NativeFile::ReadBlock)
      .def("write", &NativeFile::Write)
      .def("update", &NativeFile::Update)
      .def("delete", &NativeFile::Delete)
      .def("release", &NativeFile::Release)
      .def("record_count", &NativeFile::RecordCount)
      .def("map_list", &NativeFile::MapList)
      .def("fetch", &NativeFile::Fetch)
      .def("fields", &NativeFile::Fields)
      .def_property_readonly("keys", &NativeFile::keys)
      .def_property_readonly("last_numbers", &NativeFile::lastNumbers)
      .def_property_readonly("format_name", &NativeFile::formatName)
      .def_property_readonly("name", &NativeFile::name)
      .def_property_readonly("image_length",
                             [](NativeFile& f) { return f.decoder().imageLength(); })
      .def("decode",
           [](NativeFile& f, const py::bytes& image) {
             // One image as the host would send it: the decoding alone.
             const Py_ssize_t size = PyBytes_GET_SIZE(image.ptr());
             if (size != f.decoder().imageLength()) {
               throw py::value_error("an image of " + f.name() + " has " +
                                     std::to_string(f.decoder().imageLength()) + " bytes, not " +
                                     std::to_string(size));
             }
             return f.decoder().Decode(
                 reinterpret_cast<const uint8_t*>(PyBytes_AS_STRING(image.ptr())));
           })
      .def("set_record_class",
           [](NativeFile& f, py::object cls) { f.decoder().SetRecordClass(std::move(cls)); });

  m.attr("READ_SAME") = VNX_READ_SAME;
  m.attr("READ_NEXT") = VNX_READ_NEXT;
  m.attr("READ_PRIOR") = VNX_READ_PRIOR;
  m.attr("READ_FIRST") = VNX_READ_FIRST;
  m.attr("READ_LAST") = VNX_READ_LAST;
  m.attr("READ_KEY_EQ") = VNX_READ_KEY_EQ;
  m.attr("READ_KEY_GT") = VNX_READ_KEY_GT;
  m.attr("READ_KEY_GE") = VNX_READ_KEY_GE;
  m.attr("READ_KEY_LT") = VNX_READ_KEY_LT;
  m.attr("READ_KEY_LE") = VNX_READ_KEY_LE;
  m.attr("READ_RRN") = VNX_READ_RRN;
  m.attr("READ_NO_LOCK") = VNX_READ_NO_LOCK;
  m.attr("READ_POSITION_ONLY") = VNX_READ_POSITION_ONLY;
  m.attr("BLOCK") = VNX_BLOCK;
}
