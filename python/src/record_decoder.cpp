#include "record_decoder.h"

#include <datetime.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "byte_order.h"

namespace py = pybind11;

namespace vantora::python {
namespace {

// Date format codes (high byte of the format word) and their field order.
enum class Order { kYmd, kMdy, kDmy };

Order DateOrder(int code) {
  switch (code) {
    case 0x01:
    case 0x17:
      return Order::kMdy;
    case 0x05:
    case 0x18:
      return Order::kDmy;
    default:
      return Order::kYmd;
  }
}

// The digit groups of a date or time text ("2024-03-01" gives 2024, 3, 1).
int DigitGroups(const uint8_t* p, int length, long* groups, int most, int* widths) {
  int count = 0;
  int i = 0;
  while (i < length && count < most) {
    while (i < length && (p[i] < '0' || p[i] > '9')) ++i;
    if (i == length) break;
    long value = 0;
    int width = 0;
    while (i < length && p[i] >= '0' && p[i] <= '9') {
      value = value * 10 + (p[i] - '0');
      ++width;
      ++i;
    }
    widths[count] = width;
    groups[count++] = value;
  }
  return count;
}

// Text fields are mostly blank padding: eight blanks at a time.
int WithoutTrailingBlanks(const uint8_t* p, int length) {
  constexpr uint64_t kBlanks = 0x2020202020202020ULL;
  while (length >= 8) {
    uint64_t word;
    std::memcpy(&word, p + length - 8, sizeof word);
    if (word != kBlanks) break;
    length -= 8;
  }
  while (length > 0 && p[length - 1] == ' ') --length;
  return length;
}

bool IsAscii(const uint8_t* p, int length) {
  uint64_t high = 0;
  int i = 0;
  for (; i + 8 <= length; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, sizeof word);
    high |= word;
  }
  for (; i < length; ++i) high |= p[i];
  return (high & 0x8080808080808080ULL) == 0;
}

// [+-]digits[.digits], ASCII only: made into a str without decoding.
bool IsPlainNumber(const char* p, Py_ssize_t n) {
  Py_ssize_t i = (n > 0 && (p[0] == '-' || p[0] == '+')) ? 1 : 0;
  bool digits = false;
  bool point = false;
  for (; i < n; ++i) {
    const char c = p[i];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

// [+-]digits of up to 18 digits, not a negative zero (an int has no sign of
// zero).
bool WholeNumber(const char* p, Py_ssize_t n, long long* value) {
  const bool negative = n > 0 && p[0] == '-';
  Py_ssize_t i = (n > 0 && (p[0] == '-' || p[0] == '+')) ? 1 : 0;
  if (i == n || n - i > 18) return false;
  long long v = 0;
  for (; i < n; ++i) {
    const char c = p[i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (negative && v == 0) return false;
  *value = negative ? -v : v;
  return true;
}

PyObject* Steal(PyObject* value) {
  if (value == nullptr) throw py::error_already_set();
  return value;
}

}  // namespace

RecordDecoder::RecordDecoder(std::vector<FieldLayout> fields, bool nullMap, bool stripBlanks,
                             std::string encoding)
    : fields_(std::move(fields)),
      nullMap_(nullMap),
      stripBlanks_(stripBlanks),
      encoding_(std::move(encoding)) {
  py::object codecs = py::module_::import("codecs");
  std::string canonical = py::str(codecs.attr("lookup")(encoding_).attr("name"));
  latin1_ = canonical == "iso8859-1" || canonical == "latin-1" || canonical == "latin_1";
  int offset = 0;
  for (FieldLayout& f : fields_) {
    f.offset = offset;
    offset += f.pcLength;
  }
  fieldsLength_ = offset;
  imageLength_ = offset + (nullMap_ ? static_cast<int>(fields_.size()) : 0);
  py::module_ decimal = py::module_::import("decimal");
  decimal_ = decimal.attr("Decimal");
  // Numeric texts are made exactly, whatever the caller's context: a context
  // of our own with room for any digits, whose create_decimal (a plain C
  // function taking an argument tuple) is called directly with one tuple kept
  // for every value.
  py::object context = decimal.attr("Context")(py::arg("prec") = decimal.attr("MAX_PREC"),
                                               py::arg("Emax") = decimal.attr("MAX_EMAX"),
                                               py::arg("Emin") = decimal.attr("MIN_EMIN"));
  createDecimal_ = context.attr("create_decimal");
  PyObject* create = createDecimal_.ptr();
  directCreate_ = PyCFunction_Check(create) &&
                  (PyCFunction_GET_FLAGS(create) & (METH_VARARGS | METH_KEYWORDS | METH_NOARGS |
                                                    METH_O | METH_FASTCALL)) == METH_VARARGS;
  decimalArgs_ = py::reinterpret_steal<py::object>(Steal(PyTuple_New(1)));
  if (PyDateTimeAPI == nullptr) {
    PyDateTime_IMPORT;
    if (PyDateTimeAPI == nullptr) throw py::error_already_set();
  }
}

py::object RecordDecoder::Decode(const uint8_t* image) {
  const Py_ssize_t n = static_cast<Py_ssize_t>(fields_.size());
  PyObject* record;
  if (recordClass_) {
    auto* type = reinterpret_cast<PyTypeObject*>(recordClass_.ptr());
    record = Steal(type->tp_alloc(type, n));
  } else {
    record = Steal(PyTuple_New(n));
  }
  py::object owner = py::reinterpret_steal<py::object>(record);
  const uint8_t* nulls = image + fieldsLength_;
  for (Py_ssize_t i = 0; i < n; ++i) {
    PyObject* value;
    if (nullMap_ && nulls[i] == '1') {
      Py_INCREF(Py_None);
      value = Py_None;
    } else {
      const FieldLayout& f = fields_[static_cast<size_t>(i)];
      value = Field(f, image + f.offset);
    }
    PyTuple_SET_ITEM(record, i, value);
  }
  return owner;
}

py::list RecordDecoder::DecodeMany(const uint8_t* images, int count) {
  auto list = py::reinterpret_steal<py::list>(Steal(PyList_New(std::max(count, 0))));
  for (int i = 0; i < count; ++i) {
    py::object record = Decode(images + static_cast<size_t>(i) * static_cast<size_t>(imageLength_));
    PyList_SET_ITEM(list.ptr(), i, record.release().ptr());
  }
  return list;
}

PyObject* RecordDecoder::Field(const FieldLayout& f, const uint8_t* p) {
  switch (f.pcType) {
    case kPcChar:
      switch (f.asType) {
        case kAsPack:
        case kAsZoned:
        case kAsBin2:
        case kAsBin4:
          return NumberText(p, f.pcLength);
        case kAsFloat:
        case kAsDouble: {
          std::string text(reinterpret_cast<const char*>(p), static_cast<size_t>(f.pcLength));
          return Steal(PyFloat_FromDouble(std::strtod(text.c_str(), nullptr)));
        }
        case kAsDate:
        case kAsTime:
        case kAsTimestamp:
          return DateTime(f, p);
        default:
          if (f.flags & 2) {  // varying: the length first
            int length = std::clamp<int>(GetI16LE(p), 0, f.pcLength - 2);
            return Text(p + 2, length);
          }
          return Text(p, f.pcLength);
      }
    case kPcInt:
    case kPcLong: {
      const long value = f.pcType == kPcInt ? GetI16LE(p) : GetI32LE(p);
      if (f.pcDecimals <= 0) return Steal(PyLong_FromLong(value));
      py::object d = decimal_(value).attr("scaleb")(-f.pcDecimals);
      return d.release().ptr();
    }
    case kPcFloat: {
      uint32_t bits = static_cast<uint32_t>(GetI32LE(p));
      float v;
      std::memcpy(&v, &bits, sizeof v);
      return Steal(PyFloat_FromDouble(v));
    }
    case kPcDouble: {
      uint64_t bits = static_cast<uint32_t>(GetI32LE(p)) |
                      (static_cast<uint64_t>(static_cast<uint32_t>(GetI32LE(p + 4))) << 32);
      double v;
      std::memcpy(&v, &bits, sizeof v);
      return Steal(PyFloat_FromDouble(v));
    }
    default:
      return Steal(PyBytes_FromStringAndSize(reinterpret_cast<const char*>(p), f.pcLength));
  }
}

PyObject* RecordDecoder::Text(const uint8_t* p, int length) {
  if (stripBlanks_) length = WithoutTrailingBlanks(p, length);
  const char* s = reinterpret_cast<const char*>(p);
  if (IsAscii(p, length)) {
    // Copied straight into a new str; one character: Python's shared one.
    if (length == 1) return Steal(PyUnicode_FromOrdinal(p[0]));
    PyObject* text = Steal(PyUnicode_New(length, 127));
    std::memcpy(PyUnicode_DATA(text), s, static_cast<size_t>(length));
    return text;
  }
  if (latin1_) return Steal(PyUnicode_DecodeLatin1(s, length, "strict"));
  return Steal(PyUnicode_Decode(s, length, encoding_.c_str(), "replace"));
}

PyObject* RecordDecoder::NumberText(const uint8_t* p, int length) {
  int start = 0;
  while (start < length && p[start] == ' ') ++start;
  while (length > start && (p[length - 1] == ' ' || p[length - 1] == 0)) --length;
  if (start == length) return NewDecimal(Steal(PyLong_FromLong(0)));
  const char* text = reinterpret_cast<const char*>(p + start);
  const Py_ssize_t size = length - start;
  if (long long whole; WholeNumber(text, size, &whole)) {
    // Decimal(int) is quicker than from text, and the same value and exponent.
    return NewDecimal(Steal(PyLong_FromLongLong(whole)));
  }
  PyObject* str;
  if (IsPlainNumber(text, size)) {
    str = Steal(PyUnicode_New(size, 127));
    std::memcpy(PyUnicode_DATA(str), text, static_cast<size_t>(size));
  } else {
    str = Steal(PyUnicode_DecodeASCII(text, size, "strict"));
  }
  return NewDecimal(str);
}

PyObject* RecordDecoder::NewDecimal(PyObject* value) {
  // A tuple still held by someone else is left to them.
  if (Py_REFCNT(decimalArgs_.ptr()) != 1) {
    decimalArgs_ = py::reinterpret_steal<py::object>(Steal(PyTuple_New(1)));
  }
  PyObject* args = decimalArgs_.ptr();
  PyTuple_SET_ITEM(args, 0, value);
  PyObject* m = createDecimal_.ptr();
  PyObject* result = directCreate_ ? PyCFunction_GET_FUNCTION(m)(PyCFunction_GET_SELF(m), args)
                                   : PyObject_Call(m, args, nullptr);
  PyTuple_SET_ITEM(args, 0, nullptr);
  Py_DECREF(value);
  return Steal(result);
}

PyObject* RecordDecoder::DateTime(const FieldLayout& f, const uint8_t* p) {
  long g[7] = {};
  int w[7] = {};
  const int count = DigitGroups(p, f.pcLength, g, 7, w);
  for (int i = 0; i < count; ++i) {
    // Wider than any date or time part: refused by the constructor.
    if (g[i] > INT_MAX) g[i] = -1;
  }
  const int code = (f.asDecimals >> 8) & 0xFF;
  if (f.asType == kAsDate) {
    if (count < 3)
      return Steal(PyBytes_FromStringAndSize(reinterpret_cast<const char*>(p), f.pcLength));
    long y, m, d;
    int yearWidth;
    switch (DateOrder(code)) {
      case Order::kMdy:
        m = g[0];
        d = g[1];
        y = g[2];
        yearWidth = w[2];
        break;
      case Order::kDmy:
        d = g[0];
        m = g[1];
        y = g[2];
        yearWidth = w[2];
        break;
      default:
        y = g[0];
        m = g[1];
        d = g[2];
        yearWidth = w[0];
        break;
    }
    if (yearWidth <= 2) y += y < 40 ? 2000 : 1900;  // two-digit years: 1940-2039
    return Steal(PyDate_FromDate(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)));
  }
  if (f.asType == kAsTime) {
    if (count < 2)
      return Steal(PyBytes_FromStringAndSize(reinterpret_cast<const char*>(p), f.pcLength));
    long h = g[0];
    if (code == 0x01 && h >= 0) {  // *USA: hh:mm AM/PM, 12 AM is midnight
      bool pm = std::memchr(p, 'P', static_cast<size_t>(f.pcLength)) != nullptr;
      h = h % 12 + (pm ? 12 : 0);
    }
    return Steal(PyTime_FromTime(static_cast<int>(h), static_cast<int>(g[1]),
                                 static_cast<int>(count > 2 ? g[2] : 0), 0));
  }
  if (count < 6)
    return Steal(PyBytes_FromStringAndSize(reinterpret_cast<const char*>(p), f.pcLength));
  long micro = count > 6 ? g[6] : 0;
  for (int i = count > 6 ? w[6] : 6; i < 6; ++i) micro *= 10;
  if (micro > INT_MAX) micro = -1;
  return Steal(PyDateTime_FromDateAndTime(static_cast<int>(g[0]), static_cast<int>(g[1]),
                                          static_cast<int>(g[2]), static_cast<int>(g[3]),
                                          static_cast<int>(g[4]), static_cast<int>(g[5]),
                                          static_cast<int>(micro)));
}

}  // namespace vantora::python
