// The record images exchanged with the client for one open file, and the
// field descriptions that announce them.
//
// Two forms. The PC form (the default) is what the descriptions' PC side
// says: characters in the PC code page, blank-padded; numbers in the PC
// types below; dates, times and timestamps as text in the job's format. The
// raw form (VNXopen bit 0x00100000) is the AS/400 record the descriptions'
// AS/400 side says: EBCDIC through the job's tables, packed and zoned
// decimal, big-endian binary and floating point, for the client's own
// conversion layer.
//
//   field      PC form (type, length)              AS/400 side (type, length)
//   CHAR n     CHAR n                              CHAR n
//   VARCHAR n  CHAR n+2: 16-bit length (PC order)  CHAR n+2 (raw form: CHAR n,
//              then the text, blank-padded           blank-padded, no length)
//   BIN2       INT 2                               BIN2 2
//   BIN4       LONG 4                              BIN4 4
//   BIN8       numeric text                        PACK 10 (19 digits)
//   PACK d,s   numeric text                        PACK d/2+1
//   ZONED d,s  numeric text                        ZONED d
//   FLOAT      FLOAT 4                             FLOAT 4
//   DOUBLE     DOUBLE 8                            DOUBLE 8
//   DATE       CHAR 8 or 10, job's format          DATE, same length
//   TIME       CHAR 8, job's format                TIME 8
//   TIMESTAMP  CHAR 26 YYYY-MM-DD-hh.mm.ss.nnnnnn  TIMSTP 26
//
// Numeric text of d digits and s decimals: left-justified, "-" when
// negative, the integer digits without leading zeros ("0" when none), "."
// and exactly s decimals when s > 0, blank-padded to d + 1 (sign) + 1 (point,
// when s > 0) characters. Floating point as text: %.*E-like scientific
// notation with d significant digits, blank-padded to d + 7 characters.
// Text conversions (SetImpGenConv, SetImpConv) turn the PC form of BIN2,
// BIN4, FLOAT and DOUBLE (and the width of PACK, ZONED) into numeric text.
//
// Null map (VNXopen bit 0x00200000): the image is followed by one byte per
// field of the file, in the file's field order, '1' for null and '0'
// otherwise. A null field's bytes hold its zero value (blanks, 0,
// 0001-01-01). Without the null map nulls read as that zero value.
//
// A reduced codec (Select) carries only the named fields, packed one after
// the other in the order named; its null map still has a byte per field of
// the file.
#ifndef VANTORA_HOST_SERVER_FILES_RECORD_CODEC_H_
#define VANTORA_HOST_SERVER_FILES_RECORD_CODEC_H_

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/server/files/date_time_text.h"
#include "host/storage/file_cursor.h"
#include "host/storage/file_definition.h"
#include "host/storage/row_fields.h"
#include "host/storage/status.h"
#include "protocol/file_descriptions.h"

namespace vantora::host {

enum class RecordForm : uint8_t { kPc, kRaw };

// Text conversions by AS/400 type code (0-9): 0 keeps the PC form of the
// table above; -1 delivers numeric text of the field's own digits; n > 0
// numeric text of n digits. Only numeric types (1-4, 7, 8) take entries.
using TextConversions = std::array<int32_t, 10>;

struct CodecOptions {
  RecordForm form = RecordForm::kPc;
  bool nullMap = false;
  TextConversions conversions{};
  DateTimeStyle style;
  // The job's tables (raw form only); they outlive the codec.
  const std::array<uint8_t, 256>* toEbcdic = nullptr;
  const std::array<uint8_t, 256>* toPc = nullptr;
};

// One field as it travels. `offset` and `length` place it in the image.
struct WireField {
  enum class Form : uint8_t {
    kText,       // PC text
    kVarText,    // PC 16-bit length and text
    kInt16,      // PC order
    kInt32,      // PC order
    kFloat32,    // PC order
    kFloat64,    // PC order
    kNumText,    // numeric text of `digits`
    kRealText,   // floating point as text of `digits` significant digits
    kDate,       // PC text in the job's style
    kTime,       // PC text in the job's style
    kTimestamp,  // PC text
    kEbcdic,     // raw: EBCDIC text (VARCHAR blank-padded)
    kBin2,       // raw: big-endian
    kBin4,
    kPacked,
    kZoned,
    kRawFloat32,
    kRawFloat64,
    kRawDate,
    kRawTime,
    kRawTimestamp,
  };

  std::string name;
  size_t source = 0;  // index of the field in the file's record format
  FieldDef def;
  Form form = Form::kText;
  int digits = 0;  // kNumText, kRealText, kPacked, kZoned
  // The field description (22- and 24-byte entries).
  int16_t pcType = 0, pcLength = 0, pcDecimals = 0;
  int16_t asType = 0, asLength = 0, asDecimals = 0;
  uint16_t flags = 0;  // bit 0 null-capable, bit 1 variable-length, high byte digits
  int offset = 0;
  int length = 0;
  Value zero;  // what the field shows for a null (ZeroValue), kept to spare a build per null

  // The field's entry in description answers.
  wire::FieldEntry DescriptionEntry() const {
    return {name, pcType, pcLength, pcDecimals, asType, asLength, asDecimals, flags};
  }
};

class RecordCodec {
 public:
  RecordCodec() = default;
  // Errors: kInvalidArgument when a field has no wire form (a numeric text
  // wider than 63 digits).
  static Status Build(const RecordFormat& format, const CodecOptions& options, RecordCodec* out);
  // The reduced codec of the fields called `names`, in that order.
  // Errors: kInvalidArgument for an unknown or repeated name.
  Status Select(std::span<const std::string> names, RecordCodec* out) const;

  const std::vector<WireField>& fields() const { return fields_; }
  const CodecOptions& options() const { return options_; }
  // Bytes of the fields; of a whole record with its null map.
  int dataLength() const { return dataLength_; }
  int recordLength() const { return dataLength_ + (options_.nullMap ? fileFieldCount_ : 0); }
  int fileFieldCount() const { return fileFieldCount_; }
  // The field whose source is `source`, or null.
  const WireField* FieldOf(size_t source) const;

  // Writes the image of `record` (the file's values, in its field order)
  // into out[0, recordLength()). Errors: kDataMapping (MCH1210 answers) when
  // a value has more digits than its text or does not have a two-digit-year
  // date form.
  Status Encode(const Record& record, uint8_t* out) const;
  // The same image, from a record's fields as the database holds them (the
  // block-read path: no Record in between). The same bytes and errors as
  // Encode of the Record read from those fields.
  Status EncodeRow(const RowFields& row, uint8_t* out) const;
  // The same image, from views of the file's values in its field order
  // (fields.size() == fileFieldCount()), for readers whose values are in
  // place elsewhere (an SQL result's current row). The same bytes and
  // errors as Encode of a Record holding those values.
  Status EncodeViews(std::span<const ValueView> fields, uint8_t* out) const;
  // Reads an image into `record`, which must hold the file's field count;
  // fields this codec does not carry keep their values. `nullMap` says
  // whether the image carries its null map (it then takes recordLength()
  // bytes, else dataLength()). Errors: kInvalidArgument when `length` is
  // short; kDataMapping for a value that is not valid for its field.
  Status Decode(const uint8_t* in, size_t length, bool nullMap, Record* record) const;

  // One field's bytes <-> value.
  Status EncodeField(const WireField& f, const ValueView& v, uint8_t* out) const;
  Status DecodeField(const WireField& f, const uint8_t* in, Value* out) const;

 private:
  std::vector<WireField> fields_;
  CodecOptions options_;
  int dataLength_ = 0;
  int fileFieldCount_ = 0;
};

// What a field holds where a record shows no value (a null without a null map).
Value ZeroValue(const FieldDef& def);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_FILES_RECORD_CODEC_H_
