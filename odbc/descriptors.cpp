// The descriptor functions: SQLGetDescField, SQLSetDescField, SQLGetDescRec,
// SQLSetDescRec and SQLCopyDesc, ANSI and wide, over a statement's four
// descriptors and those the application allocates.
//
// An application descriptor (ARD, APD, or one allocated) holds the bindings
// SQLBindCol and SQLBindParameter make. The row implementation descriptor
// (IRD) is the open result's columns and reads as SQLColAttribute answers;
// only its two status pointers can be set. The parameter implementation
// descriptor (IPD) is the SQL side of SQLBindParameter (type, size,
// decimals, direction), kept with each parameter's binding in the
// statement's APD.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "odbc/handles.h"
#include "odbc/statement.h"
#include "odbc/text_io.h"

using namespace vantora::odbc;

namespace {

// Holds the driver's lock and finds the live descriptor, clearing its diagnostics.
#define DESCRIPTOR(handle)                       \
  std::lock_guard lock(DriverLock());            \
  Desc* d = LiveAs<Desc>((handle), Kind::kDesc); \
  if (d == nullptr) return SQL_INVALID_HANDLE;   \
  d->diag.Clear()

bool IsRowImplementation(const Desc* d) {
  return !d->application && !d->parameters;
}
bool IsParameterImplementation(const Desc* d) {
  return !d->application && d->parameters;
}

// The bindings a descriptor's records are: its own, or for the IPD those of
// its statement's APD in use.
std::vector<Binding>& RecordsOf(Desc* d) {
  return IsParameterImplementation(d) ? d->owner->apdIn->records : d->records;
}

bool HasData(const Binding& b, bool implementation) {
  return implementation ? b.sqlType != 0 : b.bound() || b.cType != 0;
}

// SQL_DESC_COUNT: the highest record that holds something.
SQLSMALLINT CountOf(Desc* d) {
  if (IsRowImplementation(d)) {
    const Stmt* st = d->owner;
    return st->result != nullptr ? static_cast<SQLSMALLINT>(st->result->columns().size())
                                 : SQLSMALLINT{0};
  }
  const std::vector<Binding>& records = RecordsOf(d);
  for (size_t i = records.size(); i-- > 1;) {
    if (HasData(records[i], IsParameterImplementation(d))) return static_cast<SQLSMALLINT>(i);
  }
  return 0;
}

// The verbose type of a concise one (dates, times and timestamps share
// SQL_DATETIME), and the subcode that tells them apart.
SQLSMALLINT VerboseType(SQLSMALLINT concise) {
  return concise >= SQL_TYPE_DATE && concise <= SQL_TYPE_TIMESTAMP
             ? static_cast<SQLSMALLINT>(SQL_DATETIME)
             : concise;
}
SQLSMALLINT IntervalCode(SQLSMALLINT concise) {
  return concise >= SQL_TYPE_DATE && concise <= SQL_TYPE_TIMESTAMP
             ? static_cast<SQLSMALLINT>(concise - SQL_TYPE_DATE + SQL_CODE_DATE)
             : SQLSMALLINT{0};
}

bool IsNumericType(SQLSMALLINT type) {
  return type == SQL_C_NUMERIC || type == SQL_DECIMAL;
}

template <typename T>
SQLRETURN Put(SQLPOINTER value, T v) {
  if (value != nullptr) std::memcpy(value, &v, sizeof v);
  return SQL_SUCCESS;
}

// A field's integer value, as SQLSetDescField passes it.
SQLLEN Integer(SQLPOINTER value) {
  return static_cast<SQLLEN>(reinterpret_cast<intptr_t>(value));
}

// The IRD's fields, as SQLColAttribute reads them; its failures are the descriptor's.
SQLRETURN RowField(Desc* d, SQLSMALLINT number, SQLSMALLINT field, SQLPOINTER value,
                   SQLINTEGER capacity, SQLINTEGER* length, bool wide) {
  Stmt* st = d->owner;
  SQLLEN numeric = 0;
  SQLSMALLINT textLength = 0;
  Diagnostics saved = std::move(st->diag);
  st->diag.Clear();
  const SQLRETURN r =
      ColumnAttribute(st, static_cast<SQLUSMALLINT>(number), static_cast<SQLUSMALLINT>(field),
                      value, static_cast<SQLSMALLINT>(std::clamp<SQLINTEGER>(capacity, 0, 32767)),
                      &textLength, &numeric, wide);
  for (const DiagRecord& rec : st->diag.records) d->diag.Add(rec.state, rec.text, rec.native);
  st->diag = std::move(saved);
  if (!SQL_SUCCEEDED(r)) return r;
  switch (field) {
    case SQL_DESC_NAME:
    case SQL_DESC_LABEL:
    case SQL_DESC_BASE_COLUMN_NAME:
    case SQL_DESC_TABLE_NAME:
    case SQL_DESC_BASE_TABLE_NAME:
    case SQL_DESC_SCHEMA_NAME:
    case SQL_DESC_CATALOG_NAME:
    case SQL_DESC_TYPE_NAME:
    case SQL_DESC_LOCAL_TYPE_NAME:
    case SQL_DESC_LITERAL_PREFIX:
    case SQL_DESC_LITERAL_SUFFIX:
      if (length != nullptr) *length = textLength;
      return r;
    case SQL_DESC_LENGTH:
      Put(value, static_cast<SQLULEN>(numeric));
      return r;
    case SQL_DESC_OCTET_LENGTH:
    case SQL_DESC_DISPLAY_SIZE:
      Put(value, numeric);
      return r;
    case SQL_DESC_NUM_PREC_RADIX:
    case SQL_DESC_DATETIME_INTERVAL_PRECISION:
      Put(value, static_cast<SQLINTEGER>(numeric));
      return r;
    default:
      Put(value, static_cast<SQLSMALLINT>(numeric));
      return r;
  }
}

SQLRETURN GetHeaderField(Desc* d, SQLSMALLINT field, SQLPOINTER value) {
  const bool application = d->application;
  switch (field) {
    case SQL_DESC_ALLOC_TYPE:
      return Put(value, static_cast<SQLSMALLINT>(d->owner != nullptr ? SQL_DESC_ALLOC_AUTO
                                                                     : SQL_DESC_ALLOC_USER));
    case SQL_DESC_COUNT:
      return Put(value, CountOf(d));
    case SQL_DESC_ARRAY_STATUS_PTR:
      return Put(value, d->statusArray);
    case SQL_DESC_ROWS_PROCESSED_PTR:
      if (application) break;
      return Put(value, d->processed);
    case SQL_DESC_ARRAY_SIZE:
      if (!application) break;
      return Put(value, d->arraySize);
    case SQL_DESC_BIND_OFFSET_PTR:
      if (!application) break;
      return Put(value, d->bindOffset);
    case SQL_DESC_BIND_TYPE:
      if (!application) break;
      return Put(value, d->bindType);
    default:
      return SQL_NO_DATA;  // not a header field
  }
  return d->diag.Add("HY091", "Field " + std::to_string(field) + " is not one of this descriptor");
}

bool IsHeaderField(SQLSMALLINT field) {
  switch (field) {
    case SQL_DESC_ALLOC_TYPE:
    case SQL_DESC_COUNT:
    case SQL_DESC_ARRAY_STATUS_PTR:
    case SQL_DESC_ROWS_PROCESSED_PTR:
    case SQL_DESC_ARRAY_SIZE:
    case SQL_DESC_BIND_OFFSET_PTR:
    case SQL_DESC_BIND_TYPE:
      return true;
    default:
      return false;
  }
}

// The fields that follow from a record's concise type; false for the others.
bool GetTypeField(SQLSMALLINT concise, SQLSMALLINT field, SQLPOINTER value) {
  switch (field) {
    case SQL_DESC_TYPE:
      Put(value, VerboseType(concise));
      return true;
    case SQL_DESC_CONCISE_TYPE:
      Put(value, concise);
      return true;
    case SQL_DESC_DATETIME_INTERVAL_CODE:
      Put(value, IntervalCode(concise));
      return true;
    default:
      return false;
  }
}

SQLRETURN GetApplicationField(Desc* d, const Binding& b, SQLSMALLINT field, SQLPOINTER value) {
  if (GetTypeField(b.cType, field, value)) return SQL_SUCCESS;
  switch (field) {
    case SQL_DESC_DATA_PTR:
      return Put(value, b.data);
    case SQL_DESC_OCTET_LENGTH:
      return Put(value, b.size);
    case SQL_DESC_OCTET_LENGTH_PTR:
      return Put(value, b.length);
    case SQL_DESC_INDICATOR_PTR:
      return Put(value, b.indicator);
    case SQL_DESC_LENGTH:
      return Put(value, b.columnSize);
    case SQL_DESC_PRECISION:
      return Put(value, static_cast<SQLSMALLINT>(b.numericFormSet ? b.precision : 38));
    case SQL_DESC_SCALE:
      return Put(value, b.numericFormSet ? b.scale : SQLSMALLINT{0});
    default:
      return d->diag.Add("HY091", "Field " + std::to_string(field) +
                                      " is not one of an application descriptor's records");
  }
}

SQLRETURN GetParameterField(Desc* d, const Binding& b, SQLSMALLINT field, SQLPOINTER value,
                            SQLINTEGER capacity, SQLINTEGER* length, bool wide) {
  if (GetTypeField(b.sqlType, field, value)) return SQL_SUCCESS;
  switch (field) {
    case SQL_DESC_LENGTH:
      return Put(value, b.columnSize);
    case SQL_DESC_OCTET_LENGTH:
      return Put(value, static_cast<SQLLEN>(b.columnSize));
    case SQL_DESC_PRECISION:
      return Put(value, static_cast<SQLSMALLINT>(b.columnSize));
    case SQL_DESC_SCALE:
      return Put(value, b.decimals);
    case SQL_DESC_PARAMETER_TYPE:
      return Put(value, b.ioType);
    case SQL_DESC_NULLABLE:
      return Put(value, static_cast<SQLSMALLINT>(SQL_NULLABLE));
    case SQL_DESC_NAME:
      return OutI("", value, capacity, wide, true, length, &d->diag);
    case SQL_DESC_UNNAMED:
      return Put(value, static_cast<SQLSMALLINT>(SQL_UNNAMED));
    default:
      return d->diag.Add("HY091", "Field " + std::to_string(field) +
                                      " is not one of a parameter descriptor's records");
  }
}

SQLRETURN GetDescField(Desc* d, SQLSMALLINT number, SQLSMALLINT field, SQLPOINTER value,
                       SQLINTEGER capacity, SQLINTEGER* length, bool wide) {
  if (IsRowImplementation(d) && d->owner->state == StmtState::kAllocated) {
    return d->diag.Add("HY007", "The statement is not prepared: its columns are not known");
  }
  if (IsHeaderField(field)) return GetHeaderField(d, field, value);
  if (number < 0) return d->diag.Add("07009", "Records are numbered from 1");
  if (number == 0) return d->diag.Add("07009", "Bookmarks are not supported");
  if (number > CountOf(d)) return SQL_NO_DATA;
  if (IsRowImplementation(d)) return RowField(d, number, field, value, capacity, length, wide);
  const Binding& b = RecordsOf(d)[static_cast<size_t>(number)];
  if (IsParameterImplementation(d)) {
    return GetParameterField(d, b, field, value, capacity, length, wide);
  }
  return GetApplicationField(d, b, field, value);
}

SQLRETURN SetHeaderField(Desc* d, SQLSMALLINT field, SQLPOINTER value) {
  const bool application = d->application;
  switch (field) {
    case SQL_DESC_ALLOC_TYPE:
      return d->diag.Add("HY091", "SQL_DESC_ALLOC_TYPE can only be read");
    case SQL_DESC_COUNT: {
      if (IsRowImplementation(d)) break;
      const SQLLEN n = Integer(value);
      if (n < 0) return d->diag.Add("07009", "A negative record count");
      // Records past the count are unbound; those below it are kept.
      RecordsOf(d).resize(static_cast<size_t>(n) + 1u);
      return SQL_SUCCESS;
    }
    case SQL_DESC_ARRAY_STATUS_PTR:
      d->statusArray = static_cast<SQLUSMALLINT*>(value);
      return SQL_SUCCESS;
    case SQL_DESC_ROWS_PROCESSED_PTR:
      if (application) break;
      d->processed = static_cast<SQLULEN*>(value);
      return SQL_SUCCESS;
    case SQL_DESC_ARRAY_SIZE:
      if (!application) break;
      if (Integer(value) < 1) return d->diag.Add("HY024", "The array size must be at least 1");
      d->arraySize = static_cast<SQLULEN>(Integer(value));
      return SQL_SUCCESS;
    case SQL_DESC_BIND_OFFSET_PTR:
      if (!application) break;
      d->bindOffset = static_cast<SQLLEN*>(value);
      return SQL_SUCCESS;
    case SQL_DESC_BIND_TYPE:
      if (!application) break;
      d->bindType = static_cast<SQLINTEGER>(Integer(value));
      return SQL_SUCCESS;
    default:
      break;
  }
  if (IsRowImplementation(d)) {
    return d->diag.Add("HY016", "The row implementation descriptor can only be read");
  }
  return d->diag.Add("HY091", "Field " + std::to_string(field) + " is not one of this descriptor");
}

// Sets the concise type from a verbose one and its subcode, or a concise one.
SQLSMALLINT ConciseType(SQLSMALLINT type, SQLSMALLINT code) {
  return type == SQL_DATETIME && code >= SQL_CODE_DATE && code <= SQL_CODE_TIMESTAMP
             ? static_cast<SQLSMALLINT>(SQL_TYPE_DATE + code - SQL_CODE_DATE)
             : type;
}

SQLRETURN SetApplicationField(Desc* d, Binding& b, SQLSMALLINT field, SQLPOINTER value) {
  const SQLLEN n = Integer(value);
  switch (field) {
    case SQL_DESC_DATA_PTR:
      if (value != nullptr && b.cType == 0) {
        return d->diag.Add("HY021", "Set the record's type before its data pointer");
      }
      b.data = value;
      return SQL_SUCCESS;
    case SQL_DESC_OCTET_LENGTH_PTR:
      b.length = static_cast<SQLLEN*>(value);
      return SQL_SUCCESS;
    case SQL_DESC_INDICATOR_PTR:
      b.indicator = static_cast<SQLLEN*>(value);
      return SQL_SUCCESS;
    default:
      break;
  }
  // Any other field leaves the record unbound until its data pointer is set again.
  switch (field) {
    case SQL_DESC_TYPE:
    case SQL_DESC_CONCISE_TYPE:
      b.cType = static_cast<SQLSMALLINT>(n);
      b.numericFormSet = IsNumericType(b.cType);
      b.precision = 38;
      b.scale = 0;
      break;
    case SQL_DESC_DATETIME_INTERVAL_CODE:
      b.cType = ConciseType(VerboseType(b.cType), static_cast<SQLSMALLINT>(n));
      break;
    case SQL_DESC_OCTET_LENGTH:
      b.size = n;
      break;
    case SQL_DESC_LENGTH:
      b.columnSize = static_cast<SQLULEN>(n);
      break;
    case SQL_DESC_PRECISION:
      if (n < 1 || n > 38) return d->diag.Add("HY104", "A precision must be 1 to 38");
      b.precision = static_cast<SQLSMALLINT>(n);
      b.numericFormSet = true;
      break;
    case SQL_DESC_SCALE:
      if (n < 0 || n > 38) return d->diag.Add("HY104", "A scale must be 0 to 38");
      b.scale = static_cast<SQLSMALLINT>(n);
      if (!b.numericFormSet) b.precision = 38;
      b.numericFormSet = true;
      break;
    default:
      return d->diag.Add("HY091", "Field " + std::to_string(field) +
                                      " is not one of an application descriptor's records");
  }
  b.data = nullptr;
  return SQL_SUCCESS;
}

SQLRETURN SetParameterField(Desc* d, Binding& b, SQLSMALLINT field, SQLPOINTER value) {
  const SQLLEN n = Integer(value);
  switch (field) {
    case SQL_DESC_TYPE:
    case SQL_DESC_CONCISE_TYPE:
      b.sqlType = static_cast<SQLSMALLINT>(n);
      return SQL_SUCCESS;
    case SQL_DESC_DATETIME_INTERVAL_CODE:
      b.sqlType = ConciseType(VerboseType(b.sqlType), static_cast<SQLSMALLINT>(n));
      return SQL_SUCCESS;
    case SQL_DESC_LENGTH:
    case SQL_DESC_PRECISION:
      b.columnSize = static_cast<SQLULEN>(n);
      return SQL_SUCCESS;
    case SQL_DESC_SCALE:
      b.decimals = static_cast<SQLSMALLINT>(n);
      return SQL_SUCCESS;
    case SQL_DESC_PARAMETER_TYPE:
      if (n != SQL_PARAM_INPUT && n != SQL_PARAM_OUTPUT && n != SQL_PARAM_INPUT_OUTPUT) {
        return d->diag.Add("HY105", "Unknown parameter type " + std::to_string(n));
      }
      b.ioType = static_cast<SQLSMALLINT>(n);
      return SQL_SUCCESS;
    case SQL_DESC_UNNAMED:
      if (n != SQL_UNNAMED) return d->diag.Add("HYC00", "Named parameters are not supported");
      return SQL_SUCCESS;
    case SQL_DESC_NAME:
      return d->diag.Add("HYC00", "Named parameters are not supported");
    default:
      return d->diag.Add("HY091", "Field " + std::to_string(field) +
                                      " is not one of a parameter descriptor's records");
  }
}

SQLRETURN SetDescField(Desc* d, SQLSMALLINT number, SQLSMALLINT field, SQLPOINTER value) {
  if (IsHeaderField(field)) return SetHeaderField(d, field, value);
  if (IsRowImplementation(d)) {
    return d->diag.Add("HY016", "The row implementation descriptor can only be read");
  }
  if (number < 0) return d->diag.Add("07009", "Records are numbered from 1");
  if (number == 0) return d->diag.Add("07009", "Bookmarks are not supported");
  std::vector<Binding>& records = RecordsOf(d);
  if (records.size() <= static_cast<size_t>(number)) records.resize(number + 1u);
  Binding& b = records[static_cast<size_t>(number)];
  if (IsParameterImplementation(d)) return SetParameterField(d, b, field, value);
  return SetApplicationField(d, b, field, value);
}

SQLRETURN GetDescRec(Desc* d, SQLSMALLINT number, void* name, SQLSMALLINT capacity,
                     SQLSMALLINT* nameLength, SQLSMALLINT* type, SQLSMALLINT* subtype,
                     SQLLEN* length, SQLSMALLINT* precision, SQLSMALLINT* scale,
                     SQLSMALLINT* nullable, bool wide) {
  if (IsRowImplementation(d) && d->owner->state == StmtState::kAllocated) {
    return d->diag.Add("HY007", "The statement is not prepared: its columns are not known");
  }
  if (number < 0) return d->diag.Add("07009", "Records are numbered from 1");
  if (number == 0) return d->diag.Add("07009", "Bookmarks are not supported");
  if (number > CountOf(d)) return SQL_NO_DATA;
  SQLSMALLINT t = 0, code = 0, p = 0, s = 0, n = SQL_NULLABLE_UNKNOWN;
  SQLLEN octets = 0;
  SQLRETURN r = SQL_SUCCESS;
  std::string text;
  if (IsRowImplementation(d)) {
    // Each answer as SQLColAttribute's; the name in the caller's buffer.
    const SQLSMALLINT fields[] = {SQL_DESC_TYPE, SQL_DESC_DATETIME_INTERVAL_CODE,
                                  SQL_DESC_PRECISION, SQL_DESC_SCALE, SQL_DESC_NULLABLE};
    SQLSMALLINT* outs[] = {&t, &code, &p, &s, &n};
    for (size_t i = 0; i < std::size(fields); ++i) {
      r = RowField(d, number, fields[i], outs[i], 0, nullptr, wide);
      if (!SQL_SUCCEEDED(r)) return r;
    }
    r = RowField(d, number, SQL_DESC_OCTET_LENGTH, &octets, 0, nullptr, wide);
    if (!SQL_SUCCEEDED(r)) return r;
    SQLINTEGER full = 0;
    r = RowField(d, number, SQL_DESC_NAME, name, capacity, &full, wide);
    if (nameLength != nullptr) *nameLength = static_cast<SQLSMALLINT>(full);
  } else {
    const Binding& b = RecordsOf(d)[static_cast<size_t>(number)];
    if (IsParameterImplementation(d)) {
      t = VerboseType(b.sqlType), code = IntervalCode(b.sqlType);
      octets = static_cast<SQLLEN>(b.columnSize);
      p = static_cast<SQLSMALLINT>(b.columnSize), s = b.decimals, n = SQL_NULLABLE;
    } else {
      t = VerboseType(b.cType), code = IntervalCode(b.cType), octets = b.size;
      p = b.numericFormSet ? b.precision : SQLSMALLINT{38};
      s = b.numericFormSet ? b.scale : SQLSMALLINT{0};
    }
    r = OutS(text, name, capacity, wide, false, nameLength, &d->diag);
  }
  if (type != nullptr) *type = t;
  if (subtype != nullptr) *subtype = code;
  if (length != nullptr) *length = octets;
  if (precision != nullptr) *precision = p;
  if (scale != nullptr) *scale = s;
  if (nullable != nullptr) *nullable = n;
  return r;
}

SQLRETURN SetDescRec(Desc* d, SQLSMALLINT number, SQLSMALLINT type, SQLSMALLINT subtype,
                     SQLLEN length, SQLSMALLINT precision, SQLSMALLINT scale, SQLPOINTER data,
                     SQLLEN* stringLength, SQLLEN* indicator) {
  if (IsRowImplementation(d)) {
    return d->diag.Add("HY016", "The row implementation descriptor can only be read");
  }
  if (number < 0) return d->diag.Add("07009", "Records are numbered from 1");
  if (number == 0) return d->diag.Add("07009", "Bookmarks are not supported");
  std::vector<Binding>& records = RecordsOf(d);
  if (records.size() <= static_cast<size_t>(number)) records.resize(number + 1u);
  Binding& b = records[static_cast<size_t>(number)];
  const SQLSMALLINT concise = ConciseType(type, subtype);
  if (IsParameterImplementation(d)) {
    b.sqlType = concise;
    b.columnSize = static_cast<SQLULEN>(IsNumericType(concise) ? precision : length);
    b.decimals = scale;
    return SQL_SUCCESS;
  }
  if (IsNumericType(concise) && (precision < 1 || precision > 38 || scale < 0 || scale > 38)) {
    return d->diag.Add("HY104",
                       "A numeric record needs a precision of 1 to 38 and a scale of "
                       "0 to 38");
  }
  b.cType = concise;
  b.size = length;
  b.numericFormSet = IsNumericType(concise);
  b.precision = b.numericFormSet ? precision : SQLSMALLINT{0};
  b.scale = b.numericFormSet ? scale : SQLSMALLINT{0};
  b.data = data;
  b.length = stringLength;
  b.indicator = indicator;
  return SQL_SUCCESS;
}

SQLRETURN CopyDesc(Desc* source, Desc* target) {
  if (IsRowImplementation(target)) {
    return target->diag.Add("HY016", "The row implementation descriptor can only be read");
  }
  if (IsParameterImplementation(source) || IsParameterImplementation(target)) {
    return target->diag.Add("HYC00",
                            "Copying a parameter implementation descriptor is not "
                            "supported: set its fields one by one");
  }
  if (IsRowImplementation(source)) {
    Stmt* st = source->owner;
    if (st->state == StmtState::kAllocated) {
      return target->diag.Add("HY007", "The statement is not prepared: its columns are not known");
    }
    // The columns' types as unbound records, as SQLColAttribute describes them.
    const SQLSMALLINT count = CountOf(source);
    std::vector<Binding> records(static_cast<size_t>(count) + 1u);
    for (SQLSMALLINT i = 1; i <= count; ++i) {
      const Column& c = st->result->columns()[static_cast<size_t>(i - 1)];
      Binding& b = records[static_cast<size_t>(i)];
      b.cType = c.sqlType;
      b.numericFormSet = IsNumericType(c.sqlType);
      b.precision = static_cast<SQLSMALLINT>(b.numericFormSet ? c.size : 0);
      b.scale = b.numericFormSet ? c.decimals : SQLSMALLINT{0};
      b.size = static_cast<SQLLEN>(c.size);
    }
    target->records = std::move(records);
    return SQL_SUCCESS;
  }
  target->records = source->records;
  target->arraySize = source->arraySize;
  target->statusArray = source->statusArray;
  target->bindOffset = source->bindOffset;
  target->bindType = source->bindType;
  return SQL_SUCCESS;
}

}  // namespace

ODBC_EXPORT SQLRETURN SQL_API SQLGetDescField(SQLHDESC handle, SQLSMALLINT number,
                                              SQLSMALLINT field, SQLPOINTER value,
                                              SQLINTEGER capacity, SQLINTEGER* length) {
  DESCRIPTOR(handle);
  return GetDescField(d, number, field, value, capacity, length, false);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetDescFieldW(SQLHDESC handle, SQLSMALLINT number,
                                               SQLSMALLINT field, SQLPOINTER value,
                                               SQLINTEGER capacity, SQLINTEGER* length) {
  DESCRIPTOR(handle);
  return GetDescField(d, number, field, value, capacity, length, true);
}

ODBC_EXPORT SQLRETURN SQL_API SQLSetDescField(SQLHDESC handle, SQLSMALLINT number,
                                              SQLSMALLINT field, SQLPOINTER value,
                                              SQLINTEGER /*length*/) {
  DESCRIPTOR(handle);
  return SetDescField(d, number, field, value);
}

ODBC_EXPORT SQLRETURN SQL_API SQLSetDescFieldW(SQLHDESC handle, SQLSMALLINT number,
                                               SQLSMALLINT field, SQLPOINTER value,
                                               SQLINTEGER /*length*/) {
  DESCRIPTOR(handle);
  return SetDescField(d, number, field, value);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetDescRec(SQLHDESC handle, SQLSMALLINT number, SQLCHAR* name,
                                            SQLSMALLINT capacity, SQLSMALLINT* nameLength,
                                            SQLSMALLINT* type, SQLSMALLINT* subtype, SQLLEN* length,
                                            SQLSMALLINT* precision, SQLSMALLINT* scale,
                                            SQLSMALLINT* nullable) {
  DESCRIPTOR(handle);
  return GetDescRec(d, number, name, capacity, nameLength, type, subtype, length, precision, scale,
                    nullable, false);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetDescRecW(SQLHDESC handle, SQLSMALLINT number, SQLWCHAR* name,
                                             SQLSMALLINT capacity, SQLSMALLINT* nameLength,
                                             SQLSMALLINT* type, SQLSMALLINT* subtype,
                                             SQLLEN* length, SQLSMALLINT* precision,
                                             SQLSMALLINT* scale, SQLSMALLINT* nullable) {
  DESCRIPTOR(handle);
  return GetDescRec(d, number, name, capacity, nameLength, type, subtype, length, precision, scale,
                    nullable, true);
}

ODBC_EXPORT SQLRETURN SQL_API SQLSetDescRec(SQLHDESC handle, SQLSMALLINT number, SQLSMALLINT type,
                                            SQLSMALLINT subtype, SQLLEN length,
                                            SQLSMALLINT precision, SQLSMALLINT scale,
                                            SQLPOINTER data, SQLLEN* stringLength,
                                            SQLLEN* indicator) {
  DESCRIPTOR(handle);
  return SetDescRec(d, number, type, subtype, length, precision, scale, data, stringLength,
                    indicator);
}

ODBC_EXPORT SQLRETURN SQL_API SQLCopyDesc(SQLHDESC sourceHandle, SQLHDESC targetHandle) {
  std::lock_guard lock(DriverLock());
  Desc* source = LiveAs<Desc>(sourceHandle, Kind::kDesc);
  Desc* target = LiveAs<Desc>(targetHandle, Kind::kDesc);
  if (source == nullptr || target == nullptr) return SQL_INVALID_HANDLE;
  target->diag.Clear();
  return CopyDesc(source, target);
}
