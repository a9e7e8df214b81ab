#include "host/server/files/record_codec.h"

#include <charconv>
#include <cstring>
#include <limits>

#include "conversion/decimal.h"
#include "conversion/decimal_text.h"
#include "conversion/field_types.h"
#include "conversion/packed_zoned.h"
#include "host/server/files/numeric_text.h"
#include "protocol/byte_order.h"

namespace vantora::host {
namespace {

using conversion::AsType;
using conversion::PcType;
using Form = WireField::Form;

constexpr int kBin8Digits = 19;
constexpr int kFloatDigits = 9;
constexpr int kDoubleDigits = 17;
constexpr int kTimestampLength = 26;

Status Mapping(const WireField& f, const char* why) {
  return Status::Error(StatusCode::kDataMapping, f.name + ": " + why);
}

int16_t I16(int v) {
  return static_cast<int16_t>(v);
}

int NumTextLength(int digits, int decimals) {
  return digits + 1 + (decimals > 0 ? 1 : 0);
}

// The AS/400 type code a field reports.
AsType AsTypeOf(FieldType t) {
  switch (t) {
    case FieldType::kBin2:
      return AsType::kBin2;
    case FieldType::kBin4:
      return AsType::kBin4;
    case FieldType::kBin8:
    case FieldType::kPacked:
      return AsType::kPack;
    case FieldType::kZoned:
      return AsType::kZoned;
    case FieldType::kFloat:
      return AsType::kFloat;
    case FieldType::kDouble:
      return AsType::kDouble;
    case FieldType::kDate:
      return AsType::kDate;
    case FieldType::kTime:
      return AsType::kTime;
    case FieldType::kTimestamp:
      return AsType::kTimstp;
    default:
      return AsType::kChar;
  }
}

int NaturalDigits(const FieldDef& d) {
  switch (d.type) {
    case FieldType::kFloat:
      return kFloatDigits;
    case FieldType::kDouble:
      return kDoubleDigits;
    case FieldType::kBin8:
      return std::max(EffectiveDigits(d), kBin8Digits);
    default:
      return EffectiveDigits(d);
  }
}

// Fills the description and the form of `f` (offset and length excepted).
Status Describe(const FieldDef& d, const CodecOptions& o, WireField* f) {
  const bool raw = o.form == RecordForm::kRaw;
  const AsType as = AsTypeOf(d.type);
  f->asType = static_cast<int16_t>(as);
  f->asDecimals = I16(d.decimals);
  f->pcDecimals = I16(d.decimals);
  f->digits = NaturalDigits(d);
  f->flags = static_cast<uint16_t>((d.nullCapable ? 1 : 0) | (f->digits & 0xFF) << 8);
  int32_t conversion = o.conversions[static_cast<size_t>(as)];
  const bool numeric = IsScaledInteger(d.type) || IsReal(d.type);
  const bool asText = numeric && (conversion != 0 || d.type == FieldType::kBin8 ||
                                  d.type == FieldType::kPacked || d.type == FieldType::kZoned);
  if (asText && conversion > 0) f->digits = conversion;
  if (f->digits > conversion::kMaxDigits) {
    return Status::Error(StatusCode::kInvalidArgument, f->name + ": text too wide");
  }
  switch (d.type) {
    case FieldType::kChar:
      f->pcType = I16(0), f->pcLength = f->asLength = I16(d.length);
      f->form = raw ? Form::kEbcdic : Form::kText;
      break;
    case FieldType::kVarchar:
      f->pcType = 0;
      if (raw) {
        f->pcLength = f->asLength = I16(d.length);
        f->form = Form::kEbcdic;
      } else {
        f->pcLength = f->asLength = I16(d.length + 2);
        f->flags |= 2;
        f->form = Form::kVarText;
      }
      break;
    case FieldType::kDate:
      f->pcType = 0, f->pcLength = f->asLength = I16(o.style.dateLength());
      f->asDecimals = static_cast<int16_t>(o.style.dateWord());
      f->pcDecimals = 0;
      f->form = raw ? Form::kRawDate : Form::kDate;
      break;
    case FieldType::kTime:
      f->pcType = 0, f->pcLength = f->asLength = I16(o.style.timeLength());
      f->asDecimals = static_cast<int16_t>(o.style.timeWord());
      f->pcDecimals = 0;
      f->form = raw ? Form::kRawTime : Form::kTime;
      break;
    case FieldType::kTimestamp:
      f->pcType = 0, f->pcLength = f->asLength = I16(kTimestampLength);
      f->asDecimals = f->pcDecimals = 0;
      f->form = raw ? Form::kRawTimestamp : Form::kTimestamp;
      break;
    default:
      break;
  }
  if (!numeric) return Status::Ok();
  switch (d.type) {
    case FieldType::kBin2:
      f->asLength = 2, f->pcType = I16(int(PcType::kInt)), f->pcLength = 2;
      f->form = raw ? Form::kBin2 : Form::kInt16;
      break;
    case FieldType::kBin4:
      f->asLength = 4, f->pcType = I16(int(PcType::kLong)), f->pcLength = 4;
      f->form = raw ? Form::kBin4 : Form::kInt32;
      break;
    case FieldType::kBin8:
      f->asLength = I16(kBin8Digits / 2 + 1);
      f->form = raw ? Form::kPacked : Form::kNumText;
      break;
    case FieldType::kPacked:
      f->asLength = I16(d.digits / 2 + 1);
      f->form = raw ? Form::kPacked : Form::kNumText;
      break;
    case FieldType::kZoned:
      f->asLength = I16(d.digits);
      f->form = raw ? Form::kZoned : Form::kNumText;
      break;
    case FieldType::kFloat:
      f->asLength = 4, f->pcType = I16(int(PcType::kFloat)), f->pcLength = 4;
      f->form = raw ? Form::kRawFloat32 : Form::kFloat32;
      break;
    default:
      f->asLength = 8, f->pcType = I16(int(PcType::kDouble)), f->pcLength = 8;
      f->form = raw ? Form::kRawFloat64 : Form::kFloat64;
      break;
  }
  if (asText) {
    f->pcType = I16(int(PcType::kChar));
    if (IsReal(d.type)) {
      f->pcLength = I16(f->digits + 7);
      f->pcDecimals = 0;
      if (!raw) f->form = Form::kRealText;
    } else {
      f->pcLength = I16(NumTextLength(f->digits, d.decimals));
      if (!raw) f->form = Form::kNumText;
    }
  }
  return Status::Ok();
}

void Blank(uint8_t* out, int n, uint8_t blank) {
  std::memset(out, blank, static_cast<size_t>(n));
}

void PutText(std::string_view text, uint8_t* out, int length) {
  size_t n = std::min(text.size(), static_cast<size_t>(length));
  std::memcpy(out, text.data(), n);
  Blank(out + n, length - static_cast<int>(n), ' ');
}

void PutEbcdic(std::string_view text, uint8_t* out, int length,
               const std::array<uint8_t, 256>& table) {
  size_t n = std::min(text.size(), static_cast<size_t>(length));
  for (size_t i = 0; i < n; ++i) out[i] = table[static_cast<uint8_t>(text[i])];
  Blank(out + n, length - static_cast<int>(n), table[' ']);
}

std::string_view TrimBlanks(const uint8_t* in, int length) {
  int n = length;
  while (n > 0 && (in[n - 1] == ' ' || in[n - 1] == 0)) --n;
  return {reinterpret_cast<const char*>(in), static_cast<size_t>(n)};
}

// Decimals beyond the field's are dropped (as the client's converter does);
// integer digits beyond its text are refused.
Status ScaledFromDecimal(const WireField& f, const conversion::Decimal& d, Value* out) {
  if (conversion::IntegerDigits(d) + f.def.decimals > f.digits) {
    return Mapping(f, "more digits than the field");
  }
  int64_t v = 0;
  if (conversion::DecimalToInteger(d, f.def.decimals, std::numeric_limits<int64_t>::min(),
                                   std::numeric_limits<int64_t>::max(),
                                   &v) != conversion::FieldStatus::kConverted) {
    return Mapping(f, "number too large");
  }
  out->SetInteger(v);
  return Status::Ok();
}

}  // namespace

Value ZeroValue(const FieldDef& def) {
  if (IsCharacter(def.type)) return Value::Text("");
  if (IsReal(def.type)) return Value::Real(0);
  if (IsScaledInteger(def.type)) return Value::Integer(0);
  FieldDef copy = def;
  copy.nullCapable = false;
  return DefaultValue(copy);
}

Status RecordCodec::Build(const RecordFormat& format, const CodecOptions& options,
                          RecordCodec* out) {
  RecordCodec c;
  c.options_ = options;
  c.fileFieldCount_ = static_cast<int>(format.fields.size());
  int offset = 0;
  for (size_t i = 0; i < format.fields.size(); ++i) {
    WireField f;
    f.def = format.fields[i];
    f.name = f.def.name;
    f.source = i;
    if (Status s = Describe(f.def, options, &f); !s.ok()) return s;
    f.zero = ZeroValue(f.def);
    f.offset = offset;
    f.length = options.form == RecordForm::kRaw ? f.asLength : f.pcLength;
    offset += f.length;
    c.fields_.push_back(std::move(f));
  }
  c.dataLength_ = offset;
  *out = std::move(c);
  return Status::Ok();
}

Status RecordCodec::Select(std::span<const std::string> names, RecordCodec* out) const {
  RecordCodec c;
  c.options_ = options_;
  c.fileFieldCount_ = fileFieldCount_;
  int offset = 0;
  for (const std::string& name : names) {
    const WireField* found = nullptr;
    for (const WireField& f : fields_) {
      if (f.name == name) found = &f;
    }
    if (found == nullptr) {
      return Status::Error(StatusCode::kInvalidArgument, "no field " + name);
    }
    for (const WireField& f : c.fields_) {
      if (f.name == name)
        return Status::Error(StatusCode::kInvalidArgument, "field " + name + " twice");
    }
    WireField f = *found;
    f.offset = offset;
    offset += f.length;
    c.fields_.push_back(std::move(f));
  }
  c.dataLength_ = offset;
  *out = std::move(c);
  return Status::Ok();
}

const WireField* RecordCodec::FieldOf(size_t source) const {
  for (const WireField& f : fields_) {
    if (f.source == source) return &f;
  }
  return nullptr;
}

Status RecordCodec::Encode(const Record& record, uint8_t* out) const {
  for (const WireField& f : fields_) {
    const Value& v = record[f.source];
    Status s = EncodeField(f, v.isNull() ? f.zero : v, out + f.offset);
    if (!s.ok()) return s;
  }
  if (options_.nullMap) {
    uint8_t* map = out + dataLength_;
    for (int i = 0; i < fileFieldCount_; ++i)
      map[i] = record[static_cast<size_t>(i)].isNull() ? '1' : '0';
  }
  return Status::Ok();
}

Status RecordCodec::EncodeRow(const RowFields& row, uint8_t* out) const {
  for (const WireField& f : fields_) {
    ValueView v = row.Field(f.source);
    Status s = EncodeField(f, v.isNull() ? ValueView(f.zero) : v, out + f.offset);
    if (!s.ok()) return s;
  }
  if (options_.nullMap) {
    uint8_t* map = out + dataLength_;
    for (int i = 0; i < fileFieldCount_; ++i)
      map[i] = row.IsNull(static_cast<size_t>(i)) ? '1' : '0';
  }
  return Status::Ok();
}

Status RecordCodec::EncodeViews(std::span<const ValueView> fields, uint8_t* out) const {
  for (const WireField& f : fields_) {
    const ValueView& v = fields[f.source];
    Status s = v.isNull() ? EncodeField(f, ValueView(f.zero), out + f.offset)
                          : EncodeField(f, v, out + f.offset);
    if (!s.ok()) return s;
  }
  if (options_.nullMap) {
    uint8_t* map = out + dataLength_;
    for (int i = 0; i < fileFieldCount_; ++i)
      map[i] = fields[static_cast<size_t>(i)].isNull() ? '1' : '0';
  }
  return Status::Ok();
}

Status RecordCodec::Decode(const uint8_t* in, size_t length, bool nullMap, Record* record) const {
  size_t need = static_cast<size_t>(nullMap ? recordLength() : dataLength_);
  if (length < need) {
    return Status::Error(
        StatusCode::kInvalidArgument,
        "record of " + std::to_string(length) + " bytes, " + std::to_string(need) + " expected");
  }
  const uint8_t* map = nullMap && options_.nullMap ? in + dataLength_ : nullptr;
  for (const WireField& f : fields_) {
    Value& v = (*record)[f.source];
    if (map != nullptr && map[f.source] == '1') {
      if (!f.def.nullCapable) return Mapping(f, "null in a field that is not null-capable");
      v.SetNull();
      continue;
    }
    if (Status s = DecodeField(f, in + f.offset, &v); !s.ok()) return s;
  }
  return Status::Ok();
}

namespace {

// The binary forms: integers (the PC's order or the host's) and floats.
void EncodeBinary(const WireField& f, const ValueView& v, uint8_t* out) {
  switch (f.form) {
    case Form::kInt16:
      wire::StoreLeI16(out, static_cast<int16_t>(v.integer()));
      break;
    case Form::kInt32:
      wire::StoreLeI32(out, static_cast<int32_t>(v.integer()));
      break;
    case Form::kBin2:
      wire::StoreBe16(out, static_cast<uint16_t>(static_cast<int16_t>(v.integer())));
      break;
    case Form::kBin4:
      wire::StoreBe32(out, static_cast<uint32_t>(static_cast<int32_t>(v.integer())));
      break;
    case Form::kFloat32:
    case Form::kRawFloat32: {
      const float x = static_cast<float>(v.real());
      uint32_t bits;
      std::memcpy(&bits, &x, 4);
      if (f.form == Form::kFloat32) {
        wire::StoreLe32(out, bits);
      } else {
        wire::StoreBe32(out, bits);
      }
      break;
    }
    default: {  // kFloat64, kRawFloat64
      const double x = v.real();
      uint64_t bits;
      std::memcpy(&bits, &x, 8);
      if (f.form == Form::kFloat64) {
        wire::StoreLe64(out, bits);
      } else {
        wire::StoreBe64(out, bits);
      }
      break;
    }
  }
}

// Numbers as text: scaled integers and floats.
Status EncodeNumberText(const WireField& f, const ValueView& v, uint8_t* out) {
  if (f.form == Form::kNumText) {
    int integers = 0;
    const int n = FormatScaledInteger(v.integer(), f.def.decimals, out, f.length, &integers);
    if (n < 0 || integers + f.def.decimals > f.digits) {
      Blank(out, f.length, ' ');
      return Mapping(f, "value wider than its text");
    }
    Blank(out + n, f.length - n, ' ');
    return Status::Ok();
  }
  char text[96];
  auto r = std::to_chars(text, text + sizeof text, v.real(), std::chars_format::scientific,
                         f.digits - 1);
  const int n = static_cast<int>(r.ptr - text);
  if (r.ec != std::errc() || n > f.length) return Mapping(f, "value wider than its text");
  PutText({text, static_cast<size_t>(n)}, out, f.length);
  return Status::Ok();
}

// Packed and zoned decimals in the host's layout.
Status EncodeDecimal(const WireField& f, const ValueView& v, uint8_t* out) {
  conversion::Decimal d;
  conversion::DecimalFromInteger(v.integer(), f.def.decimals, &d);
  const conversion::FieldStatus s =
      f.form == Form::kPacked
          ? conversion::StorePacked(d, f.def.decimals, conversion::kSignPositive,
                                    conversion::kSignNegative, out, f.asLength)
          : conversion::StoreZoned(d, f.def.decimals, conversion::kZoneF, out, f.asLength);
  return s == conversion::FieldStatus::kConverted ? Status::Ok()
                                                  : Mapping(f, "value wider than its field");
}

// Dates and times in the job's format, as PC text or the host's EBCDIC.
Status EncodeDateTime(const WireField& f, const ValueView& v, const CodecOptions& options,
                      uint8_t* out) {
  char text[16];
  const bool date = f.form == Form::kDate || f.form == Form::kRawDate;
  const bool ok =
      date ? FormatDate(v.text(), options.style, text) : FormatTime(v.text(), options.style, text);
  if (!ok) return Mapping(f, "date or time without a form in the job's format");
  if (f.form == Form::kDate || f.form == Form::kTime) {
    PutText({text, static_cast<size_t>(f.length)}, out, f.length);
  } else {
    PutEbcdic({text, static_cast<size_t>(f.length)}, out, f.length, *options.toEbcdic);
  }
  return Status::Ok();
}

}  // namespace

Status RecordCodec::EncodeField(const WireField& f, const ValueView& v, uint8_t* out) const {
  switch (f.form) {
    case Form::kText:
    case Form::kTimestamp:
      PutText(v.text(), out, f.length);
      return Status::Ok();
    case Form::kVarText: {
      const std::string_view t = v.text();
      wire::StoreLe16(out, static_cast<uint16_t>(t.size()));
      PutText(t, out + 2, f.length - 2);
      return Status::Ok();
    }
    case Form::kEbcdic:
    case Form::kRawTimestamp:
      PutEbcdic(v.text(), out, f.length, *options_.toEbcdic);
      return Status::Ok();
    case Form::kInt16:
    case Form::kInt32:
    case Form::kBin2:
    case Form::kBin4:
    case Form::kFloat32:
    case Form::kRawFloat32:
    case Form::kFloat64:
    case Form::kRawFloat64:
      EncodeBinary(f, v, out);
      return Status::Ok();
    case Form::kNumText:
    case Form::kRealText:
      return EncodeNumberText(f, v, out);
    case Form::kPacked:
    case Form::kZoned:
      return EncodeDecimal(f, v, out);
    case Form::kDate:
    case Form::kRawDate:
    case Form::kTime:
    case Form::kRawTime:
      return EncodeDateTime(f, v, options_, out);
  }
  return Status::Ok();
}

Status RecordCodec::DecodeField(const WireField& f, const uint8_t* in, Value* out) const {
  switch (f.form) {
    case Form::kText:
      out->SetText(TrimBlanks(in, f.length));
      return Status::Ok();
    case Form::kVarText: {
      int n = wire::LoadLe16(in);
      if (n > f.length - 2) return Mapping(f, "length beyond the field");
      out->SetText({reinterpret_cast<const char*>(in + 2), static_cast<size_t>(n)});
      return Status::Ok();
    }
    case Form::kEbcdic:
    case Form::kRawDate:
    case Form::kRawTime:
    case Form::kRawTimestamp: {
      char text[kMaxCharLength];
      int n = std::min(f.length, kMaxCharLength);
      for (int i = 0; i < n; ++i) text[i] = static_cast<char>((*options_.toPc)[in[i]]);
      std::string_view t = TrimBlanks(reinterpret_cast<const uint8_t*>(text), n);
      if (f.form == Form::kEbcdic) {
        out->SetText(t);
        return Status::Ok();
      }
      WireField pc = f;
      pc.form = f.form == Form::kRawDate   ? Form::kDate
                : f.form == Form::kRawTime ? Form::kTime
                                           : Form::kTimestamp;
      return DecodeField(pc, reinterpret_cast<const uint8_t*>(text), out);
    }
    case Form::kInt16:
      out->SetInteger(wire::LoadLeI16(in));
      return Status::Ok();
    case Form::kInt32:
      out->SetInteger(wire::LoadLeI32(in));
      return Status::Ok();
    case Form::kBin2:
      out->SetInteger(static_cast<int16_t>(wire::LoadBe16(in)));
      return Status::Ok();
    case Form::kBin4:
      out->SetInteger(static_cast<int32_t>(wire::LoadBe32(in)));
      return Status::Ok();
    case Form::kFloat32:
    case Form::kRawFloat32: {
      uint32_t bits = f.form == Form::kFloat32 ? wire::LoadLe32(in) : wire::LoadBe32(in);
      float x;
      std::memcpy(&x, &bits, 4);
      out->SetReal(x);
      return Status::Ok();
    }
    case Form::kFloat64:
    case Form::kRawFloat64: {
      uint64_t bits = f.form == Form::kFloat64 ? wire::LoadLe64(in) : wire::LoadBe64(in);
      double x;
      std::memcpy(&x, &bits, 8);
      out->SetReal(x);
      return Status::Ok();
    }
    case Form::kNumText: {
      conversion::Decimal d;
      if (conversion::ParseDecimalText(in, f.length, &d) != conversion::FieldStatus::kConverted) {
        return Mapping(f, "not a number");
      }
      return ScaledFromDecimal(f, d, out);
    }
    case Form::kRealText: {
      std::string_view t = TrimBlanks(in, f.length);
      while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
      if (!t.empty() && t.front() == '+') t.remove_prefix(1);
      double x = 0;
      if (!t.empty()) {
        auto r = std::from_chars(t.data(), t.data() + t.size(), x);
        if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return Mapping(f, "not a number");
      }
      out->SetReal(x);
      return Status::Ok();
    }
    case Form::kPacked:
    case Form::kZoned: {
      conversion::Decimal d;
      conversion::FieldStatus s = f.form == Form::kPacked
                                      ? conversion::LoadPacked(in, f.asLength, f.def.decimals, &d)
                                      : conversion::LoadZoned(in, f.asLength, f.def.decimals, &d);
      if (s != conversion::FieldStatus::kConverted) return Mapping(f, "invalid decimal data");
      return ScaledFromDecimal(f, d, out);
    }
    case Form::kDate:
    case Form::kTime: {
      std::string iso;
      std::string_view t{reinterpret_cast<const char*>(in), static_cast<size_t>(f.length)};
      bool ok = f.form == Form::kDate ? ParseDate(t, options_.style, &iso)
                                      : ParseTime(t, options_.style, &iso);
      if (!ok) return Mapping(f, "not a date or time in the job's format");
      out->SetText(iso);
      return Status::Ok();
    }
    case Form::kTimestamp:
      out->SetText(TrimBlanks(in, f.length));
      return Status::Ok();
  }
  return Status::Ok();
}

}  // namespace vantora::host
