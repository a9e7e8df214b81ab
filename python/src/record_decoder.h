// Turns record images in the PC form the host sends (docs/host-protocol.md,
// "Record forms") into Python values, field by field.
//
// | PC form of the field                    | Python value                      |
// |-----------------------------------------|-----------------------------------|
// | CHAR over AS/400 CHAR (VARCHAR: int16   | str in the session's encoding,    |
// |   length first)                         |   trailing blanks kept or stripped|
// | CHAR over PACK or ZONED (numeric text)  | decimal.Decimal, exact            |
// | CHAR over DATE / TIME / TIMSTP          | datetime.date / time / datetime,  |
// |                                         |   read in the field's format word |
// | INT, LONG (with decimals: scaled)       | int (Decimal when decimals > 0)   |
// | FLOAT, DOUBLE                           | float                             |
// | anything else                           | bytes as they came                |
//
// With a null map (one character per field after the fields, "1" = null) a null
// field is None. Records are built as instances of a tuple subclass given
// by the caller (vantora.Record's per-file class).
//
// Threads: a decoder is used with the GIL held only.
#ifndef VANTORA_PYTHON_RECORD_DECODER_H_
#define VANTORA_PYTHON_RECORD_DECODER_H_

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vantora::python {

// One field as VNXGetDesc describes it in its 24-byte form.
struct FieldLayout {
  std::string name;
  int pcType = 0;
  int pcLength = 0;
  int pcDecimals = 0;
  int asType = 0;
  int asLength = 0;
  int asDecimals = 0;  // dates and times: the format word
  int flags = 0;       // bit 0 null-capable, bit 1 varying, high byte digits
  int offset = 0;      // in the PC image
};

// The AS/400 type codes of the field descriptions.
enum AsType {
  kAsChar = 0,
  kAsBin2,
  kAsBin4,
  kAsPack,
  kAsZoned,
  kAsDate,
  kAsTime,
  kAsFloat,
  kAsDouble,
  kAsTimestamp
};
// The PC type codes.
enum PcType { kPcChar = 0, kPcInt, kPcLong, kPcFloat, kPcDouble, kPcBytes };

class RecordDecoder {
 public:
  RecordDecoder(std::vector<FieldLayout> fields, bool nullMap, bool stripBlanks,
                std::string encoding);

  // The image length: the fields, then the null map when there is one.
  int imageLength() const { return imageLength_; }
  bool nullMap() const { return nullMap_; }
  const std::vector<FieldLayout>& fields() const { return fields_; }

  // The class records are made of (a subclass of tuple); none: plain tuples.
  void SetRecordClass(pybind11::object cls) { recordClass_ = std::move(cls); }

  // One record from `image` (imageLength() bytes).
  pybind11::object Decode(const uint8_t* image);
  // The list of the records of `count` images one after the other.
  pybind11::list DecodeMany(const uint8_t* images, int count);

 private:
  PyObject* Field(const FieldLayout& f, const uint8_t* p);
  PyObject* Text(const uint8_t* p, int length);
  PyObject* NumberText(const uint8_t* p, int length);
  // A Decimal of `value` (a str or int; the reference is taken).
  PyObject* NewDecimal(PyObject* value);
  PyObject* DateTime(const FieldLayout& f, const uint8_t* p);

  std::vector<FieldLayout> fields_;
  bool nullMap_;
  bool stripBlanks_;
  bool latin1_;
  std::string encoding_;
  int fieldsLength_ = 0;
  int imageLength_ = 0;
  pybind11::object recordClass_;
  pybind11::object decimal_;
  pybind11::object createDecimal_;  // an exact context's create_decimal
  bool directCreate_ = false;       // ... a C function called directly
  pybind11::object decimalArgs_;    // (value,) handed to it
};

}  // namespace vantora::python

#endif  // VANTORA_PYTHON_RECORD_DECODER_H_
