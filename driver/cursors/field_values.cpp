#include "driver/cursors/field_values.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "driver/cursors/date_time_text.h"
#include "driver/cursors/reading.h"

namespace vantora::driver {
namespace {

constexpr int32_t kFirstTwoDigitDay = 708204;  // 1940-01-01

std::string_view Slot(const RecordCursor& c, int index, const uint8_t* record) {
  const EngineField& f = c.fields[static_cast<size_t>(index)];
  const int16_t length = c.hostFields.empty() ? static_cast<int16_t>(f.length)
                                              : c.hostFields[static_cast<size_t>(index)].pcLength;
  return std::string_view(reinterpret_cast<const char*>(record + f.offset),
                          static_cast<size_t>(std::max<int16_t>(length, 0)));
}

uint16_t FormatWordOf(const RecordCursor& c, int index) {
  return c.hostFields.empty() ? 0 : c.hostFields[static_cast<size_t>(index)].formatWord;
}

bool Varying(const RecordCursor& c, int index) {
  return !c.hostFields.empty() && c.hostFields[static_cast<size_t>(index)].varying();
}

// The text length that the field's slot holds.
size_t SlotLength(const RecordCursor& c, int index) {
  return c.hostFields.empty()
             ? c.fields[static_cast<size_t>(index)].length
             : static_cast<size_t>(c.hostFields[static_cast<size_t>(index)].pcLength);
}

int16_t IndicatorOf(const RecordCursor& c, int index, const uint8_t* record) {
  const EngineField& f = c.fields[static_cast<size_t>(index)];
  if (!c.nullCapable || f.nullOffset == 0) return 0;
  return idapi_get_i16(record, f.nullOffset);
}

}  // namespace

uint16_t ReadValue(const RecordCursor& c, int index, const uint8_t* record, void* value) {
  const EngineField& f = c.fields[static_cast<size_t>(index)];
  const std::string_view slot = Slot(c, index, record);
  auto* out = static_cast<uint8_t*>(value);
  switch (f.type) {
    case IDAPI_TYPE_STRING: {
      if (Varying(c, index)) {
        size_t n = slot.size() >= 2 ? idapi_get_u16(slot.data(), 0) : 0;
        n = std::min<size_t>({n, f.units1, slot.size() >= 2 ? slot.size() - 2 : 0});
        std::memcpy(out, slot.data() + 2, n);
        out[n] = 0;
      } else {
        size_t n = std::min<size_t>(f.length, slot.size());
        while (n > 0 && (slot[n - 1] == ' ' || slot[n - 1] == '\0')) --n;
        std::memcpy(out, slot.data(), n);
        out[n] = 0;
      }
      return IDAPI_OK;
    }
    case IDAPI_TYPE_DATE: {
      int32_t date = 0;
      if (!c.hostFields.empty() && !DateFromText(slot, FormatWordOf(c, index), &date)) {
        return IDAPI_ERR_BAD_DATA;
      }
      std::memcpy(out, &date, 4);
      return IDAPI_OK;
    }
    case IDAPI_TYPE_TIME: {
      int32_t ms = 0;
      if (!c.hostFields.empty() && !TimeFromText(slot, false, FormatWordOf(c, index), &ms)) {
        return IDAPI_ERR_BAD_DATA;
      }
      std::memcpy(out, &ms, 4);
      return IDAPI_OK;
    }
    case IDAPI_TYPE_TIMESTAMP: {
      double stamp = 0;
      if (!TimestampFromText(slot, c.hostFields.empty() ? 0 : FormatWordOf(c, index), &stamp)) {
        return IDAPI_ERR_BAD_DATA;
      }
      std::memcpy(out, &stamp, 8);
      return IDAPI_OK;
    }
    case IDAPI_TYPE_FLOAT:
      if (f.length == 4) {
        float single;
        std::memcpy(&single, slot.data(), 4);
        const double d = single;
        std::memcpy(out, &d, 8);
        return IDAPI_OK;
      }
      std::memcpy(out, slot.data(), 8);
      return IDAPI_OK;
    default:
      std::memcpy(out, slot.data(), std::min<size_t>(f.length, slot.size()));
      return IDAPI_OK;
  }
}

uint16_t WriteValue(const RecordCursor& c, int index, uint8_t* record, const void* value) {
  const EngineField& f = c.fields[static_cast<size_t>(index)];
  uint8_t* slot = record + f.offset;
  const size_t slotLength = SlotLength(c, index);
  const auto* in = static_cast<const uint8_t*>(value);
  switch (f.type) {
    case IDAPI_TYPE_STRING: {
      const char* text = static_cast<const char*>(value);
      if (Varying(c, index)) {
        const size_t room = slotLength >= 2 ? slotLength - 2 : 0;
        const size_t n = std::min<size_t>({std::strlen(text), f.units1, room});
        idapi_put_u16(slot, 0, static_cast<uint16_t>(n));
        std::memset(slot + 2, ' ', room);
        std::memcpy(slot + 2, text, n);
      } else {
        const size_t n = std::min<size_t>(std::strlen(text), f.length);
        std::memset(slot, ' ', f.length);
        std::memcpy(slot, text, n);
      }
      return IDAPI_OK;
    }
    case IDAPI_TYPE_DATE: {
      int32_t date;
      std::memcpy(&date, in, 4);
      char text[16];
      const int n = DateToText(text, date, FormatWordOf(c, index));
      if (n == 0 || static_cast<size_t>(n) > slotLength) return IDAPI_ERR_VALUE_OVERFLOW;
      std::memset(slot, ' ', slotLength);
      std::memcpy(slot, text, static_cast<size_t>(n));
      return IDAPI_OK;
    }
    case IDAPI_TYPE_TIME: {
      int32_t ms;
      std::memcpy(&ms, in, 4);
      char text[24];
      const int n = TimeToText(text, ms, false, FormatWordOf(c, index));
      if (n == 0 || static_cast<size_t>(n) > slotLength) return IDAPI_ERR_VALUE_OVERFLOW;
      std::memset(slot, ' ', slotLength);
      std::memcpy(slot, text, static_cast<size_t>(n));
      return IDAPI_OK;
    }
    case IDAPI_TYPE_TIMESTAMP: {
      double stamp;
      std::memcpy(&stamp, in, 8);
      char text[32];
      const int n = TimestampToText(text, stamp, FormatWordOf(c, index));
      if (n == 0 || static_cast<size_t>(n) > slotLength) return IDAPI_ERR_VALUE_OVERFLOW;
      std::memset(slot, ' ', slotLength);
      std::memcpy(slot, text, static_cast<size_t>(n));
      return IDAPI_OK;
    }
    case IDAPI_TYPE_FLOAT:
      if (f.length == 4) {
        double d;
        std::memcpy(&d, in, 8);
        const float single = static_cast<float>(d);
        std::memcpy(slot, &single, 4);
        return IDAPI_OK;
      }
      std::memcpy(slot, in, 8);
      return IDAPI_OK;
    default:
      std::memcpy(slot, in, std::min<size_t>(f.length, slotLength));
      return IDAPI_OK;
  }
}

void BlankField(const RecordCursor& c, int i, uint8_t* record);

uint16_t GetField(RecordCursor* c, uint16_t number, const uint8_t* record, void* value,
                  int16_t* isBlank) {
  if (number == 0 || number > c->fieldCount) return IDAPI_ERR_UNKNOWN_TYPE;
  const int index = number - 1;
  if (!c->isQuery()) {
    uint8_t& use = c->usage[static_cast<size_t>(index)];
    if ((use & kFieldUsed) == 0) {
      use |= kFieldUsed;
      if (c->reducedDefined) RestoreFullFormat(c);
    }
    if (record != nullptr && (record[c->statusOffset() + index] & kValuePresent) == 0) {
      if (uint16_t s = ReReadFullRecord(c, const_cast<uint8_t*>(record)); s != IDAPI_OK) return s;
    }
  }
  if (isBlank != nullptr) {
    *isBlank = record != nullptr && IndicatorOf(*c, index, record) == -1 ? 1 : 0;
  }
  if (record == nullptr || value == nullptr) return IDAPI_OK;
  return ReadValue(*c, index, record, value);
}

uint16_t PutField(RecordCursor* c, uint16_t number, uint8_t* record, const void* value) {
  if (number == 0 || number > c->fieldCount) return IDAPI_ERR_UNKNOWN_TYPE;
  const int index = number - 1;
  if (!c->isQuery() && record != nullptr && !AllFieldsPresent(*c, record)) {
    if (uint16_t s = ReReadFullRecord(c, record); s != IDAPI_OK) return s;
  }
  c->usage[static_cast<size_t>(index)] |= kFieldUsed;
  if (record == nullptr) return IDAPI_OK;
  const EngineField& f = c->fields[static_cast<size_t>(index)];
  uint8_t& status = record[c->statusOffset() + index];
  if (value == nullptr) {
    if (c->isQuery()) return IDAPI_ERR_NOT_SUPPORTED;  // no null on a query row
    if (!c->nullCapable || f.nullOffset == 0) {
      BlankField(*c, index, record);
      status |= kValueBlank;
    } else {
      idapi_put_u16(record, f.nullOffset, 0xFFFF);
    }
    c->usage[static_cast<size_t>(index)] |= kFieldModified;
    return IDAPI_OK;
  }
  if (c->nullCapable && f.nullOffset != 0) idapi_put_u16(record, f.nullOffset, 0);
  if (uint16_t s = WriteValue(*c, index, record, value); s != IDAPI_OK) return s;
  status = static_cast<uint8_t>((status | kValuePresent) & ~kValueBlank);
  c->usage[static_cast<size_t>(index)] |= kFieldModified;
  return IDAPI_OK;
}

// The blank value of a field: blanks for texts, the texts of 0 for dates
// and times, zero for numbers.
void BlankField(const RecordCursor& c, int i, uint8_t* record) {
  const EngineField& f = c.fields[static_cast<size_t>(i)];
  uint8_t* slot = record + f.offset;
  const size_t length = SlotLength(c, i);
  switch (f.type) {
    case IDAPI_TYPE_STRING:
    case IDAPI_TYPE_BLOB:
      if (Varying(c, i)) {
        std::memset(slot, 0, 2);
        std::memset(slot + 2, ' ', length >= 2 ? length - 2 : 0);
      } else {
        std::memset(slot, ' ', length);
      }
      break;
    case IDAPI_TYPE_DATE:
    case IDAPI_TYPE_TIME:
    case IDAPI_TYPE_TIMESTAMP: {
      // The texts of day 0; a format with two-digit years cannot write it
      // and takes the first day it can (1 January 1940).
      std::memset(slot, ' ', length);
      char text[32];
      int n = 0;
      if (f.type == IDAPI_TYPE_DATE) {
        n = DateToText(text, 0, FormatWordOf(c, i));
        if (n == 0) n = DateToText(text, kFirstTwoDigitDay, FormatWordOf(c, i));
      }
      if (f.type == IDAPI_TYPE_TIME) n = TimeToText(text, 0, false, FormatWordOf(c, i));
      if (f.type == IDAPI_TYPE_TIMESTAMP) n = TimestampToText(text, 0.0, FormatWordOf(c, i));
      if (n > 0 && static_cast<size_t>(n) <= length) {
        std::memcpy(slot, text, static_cast<size_t>(n));
      }
      break;
    }
    default:
      std::memset(slot, 0, length);
      break;
  }
}

void InitRecord(const RecordCursor& c, uint8_t* record) {
  std::memset(record, 0, static_cast<size_t>(c.bufferSize));
  std::memset(record + c.statusOffset(), kValuePresent, static_cast<size_t>(c.fieldCount));
  for (int i = 0; i < c.fieldCount; ++i) BlankField(c, i, record);
}

}  // namespace vantora::driver
