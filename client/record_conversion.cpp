// The per-handle conversion layer around VNXopen, VNXRead, VNXWrite and
// Rclose.
//
// Descriptions fetched at open (VNXGetDesc, empty format name of ten zero
// bytes; integers little-endian):
//   file header, 16 bytes, flags 0x08000000:
//      0  10 bytes  format name
//     10  int16     number of fields
//     12  int16     raw record length
//     14  int16     number of key fields
//   field descriptions, 22 bytes each, flags 0x10020000 + n
//     (conversion/field_description.h)
//   key-field descriptions, 26 bytes each, flags 0x21020000 + n:
//      0  22 bytes  the field's description
//     22  int16     index of the key field among the field descriptions
//
// Record images: a PC image holds the fields in description order, each
// taking its PC length; a raw record the same fields, each taking its AS/400
// length. Block mode puts raw record i at i x raw length in the raw buffer
// and PC image i at i x the caller's record length.
#include "client/record_conversion.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "client/failures.h"
#include "client/file_requests.h"
#include "client/sessions.h"
#include "conversion/code_page.h"
#include "conversion/conversion_errors.h"
#include "conversion/field_converter.h"
#include "conversion/field_description.h"
#include "conversion/field_types.h"
#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "protocol/record_options.h"

namespace vantora::client {
namespace {

namespace conv = vantora::conversion;
using conv::FieldDescription;
using conv::FieldStatus;

static_assert(conv::kInternalErrorFieldOverflow == VNX_IERR_FIELD_OVERFLOW);
static_assert(conv::kInternalErrorFieldInvalid == VNX_IERR_FIELD_INVALID);
static_assert(conv::kInternalErrorFieldDescription == VNX_IERR_FIELD_DESCRIPTION);

constexpr int kHeaderEntrySize = 16;
constexpr int kOffHeaderFieldCount = 10;
constexpr int kOffHeaderRawLength = 12;
constexpr int kOffHeaderKeyCount = 14;
constexpr int kKeyEntrySize = 26;
constexpr int kOffKeyFieldIndex = 22;
constexpr int kFormatNameSize = 10;
constexpr int32_t kGrowthMargin = 10;

// The conversion state of one open file handle.
struct Slot {
  int32_t inUse = 0;                           // 1 while the handle's records are converted here
  int32_t openMode = 0;                        // the mode given to VNXopen
  int32_t handle = 0;                          // the file handle
  int32_t rawLength = 0;                       // raw record length (file header)
  int32_t pcLength = 0;                        // sum of the PC lengths of all fields
  int32_t fieldCount = 0;                      // entries of `fields`
  int32_t keyCount = 0;                        // entries of `keyFields`
  std::unique_ptr<FieldDescription[]> fields;  // in record order
  std::unique_ptr<int16_t[]> keyFields;        // index into `fields` per key field
};

struct ConversionContext {
  std::unique_ptr<Slot[]> slots;  // indexed by handle
  int32_t capacity = 0;           // entries of `slots`
  uint8_t* rawBuffer = nullptr;   // kRawBufferSize bytes once allocated; never freed
};

ConversionContext context;

// Answers -30 with `code` as the session's Internal_Error().
int32_t Refuse(int32_t code) {
  if (SessionRecord* record = CurrentSession()) {
    record->SetI32(kOffInternalError, code);
    NoteFailure(record, -1, VNX_ERR_INTERNAL, nullptr);
  }
  return VNX_ERR_INTERNAL;
}

Slot* ActiveSlot(int32_t h) {
  if (h < 0 || h >= context.capacity || context.slots[h].inUse == 0) return nullptr;
  return &context.slots[h];
}

bool CoverHandle(int32_t h) {
  if (h < context.capacity) return true;
  const int32_t capacity = h + kGrowthMargin;
  std::unique_ptr<Slot[]> grown(new (std::nothrow) Slot[static_cast<size_t>(capacity)]);
  if (grown == nullptr) return false;
  std::move(context.slots.get(), context.slots.get() + context.capacity, grown.get());
  context.slots = std::move(grown);
  context.capacity = capacity;
  return true;
}

uint8_t* RawBuffer() {
  if (context.rawBuffer == nullptr) {
    context.rawBuffer = new (std::nothrow) uint8_t[kRawBufferSize]();
  }
  return context.rawBuffer;
}

// Fills a raw field with the value a field takes when the PC side gives it
// none: blanks for texts, zero for numbers (valid packed and zoned zeros).
void FillNeutral(const FieldDescription& d, uint8_t* raw) {
  const auto n = static_cast<size_t>(d.asLength);
  if (n == 0) return;
  switch (static_cast<conv::AsType>(d.asType)) {
    case conv::AsType::kPack:
      std::memset(raw, 0, n);
      raw[n - 1] = 0x0F;
      break;
    case conv::AsType::kZoned:
      std::memset(raw, 0xF0, n);
      break;
    case conv::AsType::kBin2:
    case conv::AsType::kBin4:
    case conv::AsType::kFloat:
    case conv::AsType::kDouble:
      std::memset(raw, 0, n);
      break;
    default:
      std::memset(raw, conv::CurrentCodePage().toHost[' '], n);
      break;
  }
}

// PC types that are converted only when their whole PC length is there.
bool FixedPcSize(const FieldDescription& d) {
  switch (static_cast<conv::PcType>(d.pcType)) {
    case conv::PcType::kInt:
    case conv::PcType::kLong:
    case conv::PcType::kFloat:
    case conv::PcType::kDouble:
    case conv::PcType::kComp3:
    case conv::PcType::kComp3s:
    case conv::PcType::kComp:
      return true;
    default:
      return false;
  }
}

// ---- Open.

// Fills `slot` from the host's descriptions of file `h`. Returns 0 or the
// Internal_Error() code that refuses the open.
int32_t FetchDescriptions(int32_t h, Slot& slot) {
  const char formatName[kFormatNameSize] = {};
  uint8_t header[kHeaderEntrySize] = {};
  if (SendGetDesc(h, header, kHeaderEntrySize, VNX_DESC_FILE_HEADER, formatName) < 0) {
    return VNX_IERR_FILE_DESCRIPTION;
  }
  const int32_t fieldCount = wire::LoadLeI16(header + kOffHeaderFieldCount);
  const int32_t rawLength = wire::LoadLeI16(header + kOffHeaderRawLength);
  const int32_t keyCount = wire::LoadLeI16(header + kOffHeaderKeyCount);
  if (fieldCount < 0 || rawLength < 0 || keyCount < 0) return VNX_IERR_FILE_DESCRIPTION;

  std::unique_ptr<FieldDescription[]> fields(new (std::nothrow)
                                                 FieldDescription[static_cast<size_t>(fieldCount)]);
  std::unique_ptr<int16_t[]> keyFields(new (std::nothrow) int16_t[static_cast<size_t>(keyCount)]);
  if (fields == nullptr || keyFields == nullptr) return VNX_IERR_CONVERSION_MEMORY;

  int32_t pcLength = 0;
  int32_t asLength = 0;
  if (fieldCount > 0) {
    const auto bytes = static_cast<size_t>(conv::kFieldDescriptionSize) * fieldCount;
    std::unique_ptr<uint8_t[]> entries(new (std::nothrow) uint8_t[bytes]());
    if (entries == nullptr) return VNX_IERR_CONVERSION_MEMORY;
    if (SendGetDesc(h, entries.get(), conv::kFieldDescriptionSize, VNX_DESC_FIELDS + fieldCount,
                    formatName) < 0) {
      return VNX_IERR_FILE_DESCRIPTION;
    }
    for (int32_t i = 0; i < fieldCount; ++i) {
      fields[i] = conv::ReadFieldDescription(
          entries.get() + static_cast<ptrdiff_t>(conv::kFieldDescriptionSize) * i);
      if (conv::CheckDescription(fields[i]) != FieldStatus::kConverted) {
        return VNX_IERR_FIELD_DESCRIPTION;
      }
      pcLength += fields[i].pcLength;
      asLength += fields[i].asLength;
    }
  }
  // Fields reaching past the raw record would be read from, and written
  // into, the next record.
  if (asLength > rawLength) return VNX_IERR_FILE_DESCRIPTION;

  if (keyCount > 0) {
    const auto bytes = static_cast<size_t>(kKeyEntrySize) * keyCount;
    std::unique_ptr<uint8_t[]> entries(new (std::nothrow) uint8_t[bytes]());
    if (entries == nullptr) return VNX_IERR_CONVERSION_MEMORY;
    // Without the key fields a key could only be converted wrongly.
    if (SendGetDesc(h, entries.get(), kKeyEntrySize, VNX_DESC_KEYS + keyCount, formatName) < 0) {
      return VNX_IERR_FILE_DESCRIPTION;
    }
    for (int32_t i = 0; i < keyCount; ++i) {
      keyFields[i] = wire::LoadLeI16(entries.get() + static_cast<ptrdiff_t>(kKeyEntrySize) * i +
                                     kOffKeyFieldIndex);
      if (keyFields[i] < 0 || keyFields[i] >= fieldCount) return VNX_IERR_FILE_DESCRIPTION;
    }
  }

  slot.handle = h;
  slot.rawLength = rawLength;
  slot.pcLength = pcLength;
  slot.fieldCount = fieldCount;
  slot.keyCount = keyCount;
  slot.fields = std::move(fields);
  slot.keyFields = std::move(keyFields);
  return 0;
}

// Returns 0 or the Internal_Error() code that refuses the open.
int32_t BuildSlot(int32_t h, int32_t mode) {
  if (h > kMaxConvertedHandle) return VNX_IERR_CONVERSION_HANDLE;
  if (!CoverHandle(h)) return VNX_IERR_CONVERSION_MEMORY;
  Slot& slot = context.slots[h];
  slot = Slot{};
  if (int32_t code = FetchDescriptions(h, slot); code != 0) return code;
  slot.openMode = mode;
  slot.inUse = 1;
  return 0;
}

// ---- Records and keys.

// Raw record -> PC image of `remaining` bytes. Stops at the first field
// that cannot be converted.
FieldStatus RecordToPc(const Slot& slot, const uint8_t* raw, uint8_t* pc, int32_t remaining) {
  for (int32_t i = 0; i < slot.fieldCount && remaining > 0; ++i) {
    const FieldDescription& d = slot.fields[i];
    const int32_t width = conv::PcWidth(d, remaining);
    FieldStatus s = conv::toPc(d, raw, pc, remaining);
    if (conv::IsFailure(s)) return s;
    pc += width;
    raw += d.asLength;
    remaining -= d.pcLength;
  }
  return FieldStatus::kConverted;
}

// PC image of `remaining` bytes -> the whole raw record. Fields the image
// does not reach, or that are not converted, take their neutral value, so no
// byte of an earlier record goes out with this one.
FieldStatus RecordToAs(const Slot& slot, const uint8_t* pc, uint8_t* raw, int32_t remaining) {
  uint8_t* const end = raw + slot.rawLength;
  for (int32_t i = 0; i < slot.fieldCount; ++i) {
    const FieldDescription& d = slot.fields[i];
    const int32_t width = conv::PcWidth(d, remaining);
    FillNeutral(d, raw);
    if (width > 0) {
      FieldStatus s = conv::toAs(d, pc, raw, remaining);
      if (conv::IsFailure(s)) return s;
    }
    pc += width;
    raw += d.asLength;
    remaining -= d.pcLength;
  }
  std::memset(raw, 0, static_cast<size_t>(end - raw));
  return FieldStatus::kConverted;
}

// Walks the key fields covered by a PC key of `keyLength` bytes and sets
// `rawKeyLength` to the raw key's length. With `key` given, also writes the
// raw key to `raw`. A key field the PC key only partly covers is taken when
// it is text-like (it is cut) and ends the key when it has a fixed size.
// Returns 0 or the Internal_Error() code that refuses the read.
int32_t ConvertKey(const Slot& slot, const uint8_t* key, int32_t keyLength, uint8_t* raw,
                   int32_t* rawKeyLength) {
  int32_t remaining = keyLength;
  int32_t rawPosition = 0;
  for (int32_t k = 0; k < slot.keyCount && remaining > 0; ++k) {
    const FieldDescription& d = slot.fields[slot.keyFields[k]];
    const int32_t width = conv::PcWidth(d, remaining);
    if (width < d.pcLength && FixedPcSize(d)) break;
    if (rawPosition + d.asLength > kRawBufferSize) return VNX_IERR_RAW_BUFFER_LIMIT;
    if (key != nullptr) {
      FillNeutral(d, raw + rawPosition);
      FieldStatus s = conv::toAs(d, key, raw + rawPosition, remaining);
      if (conv::IsFailure(s)) return conv::InternalErrorCode(s);
      key += width;
    }
    rawPosition += d.asLength;
    remaining -= d.pcLength;
  }
  *rawKeyLength = rawPosition;
  return 0;
}

// Whether the reply to the read just sent is in the raw buffer, and how many
// records it brought. A synchronous request has its reply when it returns;
// an asynchronous one only once VNXStatus() reports it complete.
bool ReplyArrived(int32_t result, int32_t* count) {
  *count = result;
  SessionRecord* record = CurrentSession();
  if (record == nullptr || !record->async()) return true;
  const int32_t status = VNXStatus();
  if (status == VNX_STATUS_COMPLETE) *count = record->I32(kOffAsyncResult);
  return status == VNX_STATUS_IDLE || status == VNX_STATUS_COMPLETE;
}

void ForgetConversion(int32_t h) {
  if (h >= 0 && h < context.capacity) context.slots[h] = Slot{};
}

}  // namespace
}  // namespace vantora::client

using namespace vantora::client;
namespace wire = vantora::wire;
namespace conv = vantora::conversion;

extern "C" {

MV432IDA_API int32_t VNXopen(const char* file, int32_t mode, int32_t option) {
  const bool convert = (mode & VNX_OPEN_RAW) != 0 && (mode & VNX_OPEN_CLIENT_CONVERT) != 0;
  if (convert) {
    SessionRecord* record = CurrentSession();
    if (record != nullptr && record->async()) return Refuse(VNX_IERR_CONVERSION_ASYNC);
  }
  const int32_t h = SendOpen(file, mode, option);
  if (h < 0) return h;
  if (!convert) {
    ForgetConversion(h);
    return h;
  }
  if (int32_t code = BuildSlot(h, mode); code != 0) {
    // The caller never learns the handle, so it could not close the file.
    SendClose(h);
    return Refuse(code);
  }
  return h;
}

MV432IDA_API int32_t VNXRead(int32_t h, void* records, int32_t recordLength, int32_t options,
                             const void* key, int32_t keyLength, int32_t* numbers) {
  const Slot* slot = ActiveSlot(h);
  if (slot == nullptr) return SendRead(h, records, recordLength, options, key, keyLength, numbers);

  const int32_t n = wire::OptionsRecordCount(options);
  if (records != nullptr && int64_t{n} * slot->rawLength > kRawBufferSize) {
    return Refuse(VNX_IERR_RAW_BUFFER_LIMIT);
  }
  // A read by relative record number carries the number in the key length:
  // there is no key to convert.
  const bool byNumber = (options & 0x0F000000) == VNX_READ_RRN;
  const bool keyed = keyLength > 0 && !byNumber;
  uint8_t* raw = nullptr;
  if (records != nullptr || (keyed && key != nullptr)) {
    raw = RawBuffer();
    if (raw == nullptr) return Refuse(VNX_IERR_CONVERSION_MEMORY);
  }
  const void* wireKey = key;
  int32_t wireKeyLength = keyLength;
  if (keyed) {
    // Without a key value (next equal, next unequal) the length alone must
    // still count raw bytes.
    int32_t code =
        ConvertKey(*slot, static_cast<const uint8_t*>(key), keyLength, raw, &wireKeyLength);
    if (code != 0) return Refuse(code);
    if (key != nullptr) wireKey = raw;
  }

  const int32_t result = SendRead(h, records == nullptr ? nullptr : raw, slot->rawLength, options,
                                  wireKey, wireKeyLength, numbers);
  if (result < 0 || records == nullptr || (options & VNX_READ_POSITION_ONLY) != 0) return result;
  int32_t count;
  if (!ReplyArrived(result, &count)) return result;
  count = std::clamp(count, 0, n);
  auto* pc = static_cast<uint8_t*>(records);
  const int64_t pcStride = std::max(recordLength, 0);
  for (int32_t i = 0; i < count; ++i) {
    FieldStatus s =
        RecordToPc(*slot, raw + int64_t{i} * slot->rawLength, pc + i * pcStride, recordLength);
    if (conv::IsFailure(s)) return Refuse(conv::InternalErrorCode(s));
  }
  return result;
}

MV432IDA_API int32_t VNXWrite(int32_t h, const void* records, int32_t recordLength, int32_t options,
                              int32_t* numbers) {
  const Slot* slot = ActiveSlot(h);
  if (slot == nullptr || records == nullptr) {
    return SendWrite(h, records, slot == nullptr ? recordLength : slot->rawLength, options,
                     numbers);
  }
  const int32_t n = wire::OptionsRecordCount(options);
  if (int64_t{n} * slot->rawLength > kRawBufferSize) return Refuse(VNX_IERR_RAW_BUFFER_LIMIT);
  uint8_t* raw = RawBuffer();
  if (raw == nullptr) return Refuse(VNX_IERR_CONVERSION_MEMORY);
  const auto* pc = static_cast<const uint8_t*>(records);
  const int64_t pcStride = std::max(recordLength, 0);
  for (int32_t i = 0; i < n; ++i) {
    FieldStatus s =
        RecordToAs(*slot, pc + i * pcStride, raw + int64_t{i} * slot->rawLength, recordLength);
    if (conv::IsFailure(s)) return Refuse(conv::InternalErrorCode(s));
  }
  return SendWrite(h, raw, slot->rawLength, options, numbers);
}

MV432IDA_API int32_t Rclose(int32_t h) {
  ForgetConversion(h);
  return SendClose(h);
}

}  // extern "C"
