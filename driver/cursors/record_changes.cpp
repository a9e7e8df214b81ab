#include "driver/cursors/record_changes.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "driver/cursors/field_values.h"
#include "driver/cursors/query_changes.h"
#include "driver/cursors/reading.h"
#include "driver/frame/errors.h"
#include "mv432ida.h"

namespace vantora::driver {
namespace {

constexpr uint32_t kWriteInsert = VNX_WRITE_INSERT;
constexpr uint32_t kWriteUpdate = VNX_WRITE_UPDATE;
constexpr uint32_t kWithoutNullMap = VNX_WRITE_NO_NULL_MAP;
constexpr char kFullFormat[] = "          ";
constexpr int32_t kBlockBytes = 32000;

void ClearModified(RecordCursor* c) {
  for (uint8_t& u : c->usage) u = static_cast<uint8_t>(u & ~kFieldModified);
}

// Writes the full record format from here on (a reduced one stays defined
// and comes back with the next read).
void FullFormatForWriting(RecordCursor* c) {
  if (c->reducedActive) {
    Rformat(c->path().handle, kFullFormat);
    c->reducedActive = false;
  }
}

// Fields a reduced read left out of `record` are taken from the record as
// the file holds it, so that a write never sends what was not read.
uint16_t FillAbsentFields(RecordCursor* c, uint8_t* record) {
  if (AllFieldsPresent(*c, record)) return IDAPI_OK;
  std::vector<uint8_t> full(record, record + c->bufferSize);
  if (uint16_t s = ReReadFullRecord(c, full.data()); s != IDAPI_OK) return s;
  const uint8_t* status = record + c->statusOffset();
  for (int i = 0; i < c->fieldCount; ++i) {
    if ((status[i] & kValuePresent) != 0) continue;
    const EngineField& f = c->fields[static_cast<size_t>(i)];
    std::memcpy(record + f.offset, full.data() + f.offset,
                static_cast<size_t>(c->hostFields[static_cast<size_t>(i)].pcLength));
    if (f.nullOffset != 0) std::memcpy(record + f.nullOffset, full.data() + f.nullOffset, 2);
    record[c->statusOffset() + i] |= kValuePresent;
  }
  return IDAPI_OK;
}

// Writes the record with its null map built from the null indicators; the
// indicators are in the buffer again afterwards.
int32_t WriteWithNullMap(RecordCursor* c, uint8_t* record, uint32_t operation, int32_t* number) {
  if (!c->nullCapable) {
    return VNXWrite(c->path().handle, record, c->exchangedLength,
                    static_cast<int32_t>(operation | kWithoutNullMap), number);
  }
  const size_t from = static_cast<size_t>(c->dataLength);
  const size_t to = static_cast<size_t>(c->statusOffset());
  std::vector<uint8_t> saved(record + from, record + to);
  std::vector<uint8_t> map(static_cast<size_t>(c->fieldCount), '0');
  for (int i = 0; i < c->fieldCount; ++i) {
    const EngineField& f = c->fields[static_cast<size_t>(i)];
    if (f.nullOffset != 0 && idapi_get_i16(saved.data(), f.nullOffset - from) == -1) {
      map[static_cast<size_t>(i)] = '1';
    }
  }
  std::memcpy(record + from, map.data(), map.size());
  const int32_t r = VNXWrite(c->path().handle, record, c->exchangedLength,
                             static_cast<int32_t>(operation), number);
  std::memcpy(record + from, saved.data(), saved.size());
  return r;
}

}  // namespace

int32_t BlockLimit(const RecordCursor& c) {
  return std::clamp<int32_t>(kBlockBytes / (std::max(c.exchangedLength, 1) + 4), 1, 4095);
}

uint16_t InsertRecord(RecordCursor* c, uint8_t* record) {
  if (record == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  if (c->isQuery()) return InsertQueryRow(c, record);
  FullFormatForWriting(c);
  int32_t number = 0;
  const int32_t r = WriteWithNullMap(c, record, kWriteInsert, &number);
  ClearModified(c);
  if (r < 0) return MapClientFailure(r);
  c->position = number;
  if (number > 0) {
    ReadCache& cache = c->cache;
    cache.Prepare(CacheCapacity(*c), std::max(c->exchangedLength, 1));
    // The new record is the cache's only one, as if it had been read.
    std::memcpy(cache.area(), record, static_cast<size_t>(c->exchangedLength));
    if (c->nullCapable) {
      uint8_t* slot = cache.area() + c->dataLength;
      for (int i = 0; i < c->fieldCount; ++i) {
        const EngineField& f = c->fields[static_cast<size_t>(i)];
        slot[i] = f.nullOffset != 0 && idapi_get_i16(record, f.nullOffset) == -1 ? '1' : '0';
      }
    }
    cache.HoldOne(number);
    c->pending = kReadByNumber;
    idapi_put_u32(record, static_cast<size_t>(c->numberOffset()), static_cast<uint32_t>(number));
  }
  return IDAPI_OK;
}

uint16_t ModifyRecord(RecordCursor* c, uint8_t* record) {
  if (record == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  if (c->isQuery()) return ModifyQueryRow(c, record);
  if (uint16_t s = FillAbsentFields(c, record); s != IDAPI_OK) {
    ClearModified(c);
    return s;
  }
  FullFormatForWriting(c);
  const int32_t r = WriteWithNullMap(c, record, kWriteUpdate, nullptr);
  ClearModified(c);
  return r < 0 ? MapClientFailure(r) : IDAPI_OK;
}

uint16_t DeleteRecord(RecordCursor* c) {
  if (c->isQuery()) return DeleteQueryRow(c);
  ClearModified(c);
  if (c->position <= 0) return IDAPI_ERR_NO_CURRENT_RECORD;
  // The record is locked (read by its number, without data) before it goes.
  const int32_t locked = VNXRead(c->path().handle, nullptr, 0,
                                 static_cast<int32_t>(Options(kReadByNumber, kPositionOnly)),
                                 nullptr, c->position, nullptr);
  if (locked < 0) {
    uint16_t s = MapClientFailure(locked);
    if (s == IDAPI_ERR_RECORD_IN_USE) s = IDAPI_ERR_RECORD_LOCKED;
    return s;
  }
  const int32_t r = Rdelete(c->path().handle);
  if (r < 0) return MapClientFailure(r);
  c->position = 0;
  c->pending = kReadSame;
  c->cache.Drop();
  return IDAPI_OK;
}

uint16_t ReleaseLock(RecordCursor* c) {
  if (c->isQuery()) return IDAPI_OK;
  const int32_t r = Rrlslck(c->path().handle);
  return r < 0 ? MapClientFailure(r) : IDAPI_OK;
}

uint16_t RecordCount(RecordCursor* c, int32_t* count) {
  if (count == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  if (c->isQuery()) return QueryRecordCount(c, count);
  if (c->key().range != 0) {
    PostMessage(IDAPI_ERR_NOT_SUPPORTED,
                "The records of a range are not counted: reset the range to count the table");
    return IDAPI_ERR_NOT_SUPPORTED;
  }
  unsigned char answer[4] = {};
  const int32_t r =
      VNXGetDesc(c->path().handle, answer, 4, static_cast<int32_t>(VNX_DESC_RECORD_COUNT), nullptr);
  if (r < 0) return MapClientFailure(r);
  *count = idapi_get_i32(answer, 0);
  return IDAPI_OK;
}

uint16_t ReadBlock(RecordCursor* c, int32_t* count, uint8_t* records) {
  if (count == nullptr || records == nullptr || *count < 0) return IDAPI_ERR_INVALID_ARGUMENT;
  if (c->isQuery()) return IDAPI_ERR_FAILED;
  const int32_t asked = std::min(*count, BlockLimit(*c));
  *count = 0;
  if (asked == 0) return IDAPI_OK;
  FullFormatForWriting(c);  // blocks travel in the full format
  std::vector<uint8_t> area(static_cast<size_t>(asked) * static_cast<size_t>(c->exchangedLength));
  std::vector<int32_t> numbers(static_cast<size_t>(asked), 0);
  const uint8_t operation = c->position == 0 ? kReadFirst : kReadNext;
  const int32_t got = VNXRead(
      c->path().handle, area.data(), c->exchangedLength,
      static_cast<int32_t>(Options(operation, kNoLock | kBlocked) | static_cast<uint32_t>(asked)),
      nullptr, 0, numbers.data());
  if (got < 0) return MapClientFailure(got);
  const int32_t n = std::min(got, asked);
  std::vector<uint8_t> scratch(static_cast<size_t>(c->bufferSize));
  for (int32_t r = 0; r < n; ++r) {
    // Each record gets the full layout of the record buffer first, so that
    // its null map and status bytes stay its own.
    std::fill(scratch.begin(), scratch.end(), 0);
    std::memcpy(scratch.data(), area.data() + static_cast<size_t>(r) * c->exchangedLength,
                static_cast<size_t>(c->exchangedLength));
    CompleteRecord(c, scratch.data(), numbers[static_cast<size_t>(r)]);
    uint8_t* out = records + static_cast<size_t>(r) * static_cast<size_t>(c->bufferSize);
    std::memset(out, 0, static_cast<size_t>(c->bufferSize));
    for (int i = 0; i < c->fieldCount; ++i) {
      if (uint16_t s =
              ReadValue(*c, i, scratch.data(), out + c->fields[static_cast<size_t>(i)].offset);
          s != IDAPI_OK) {
        *count = r;
        return s;
      }
    }
    std::memcpy(out + c->dataLength, scratch.data() + c->dataLength,
                static_cast<size_t>(c->bufferSize - c->dataLength));
  }
  *count = n;
  if (n > 0) c->position = numbers[static_cast<size_t>(n - 1)];
  c->pending = kReadNext;
  c->cache.Drop();
  return n < asked ? IDAPI_ERR_EOF : IDAPI_OK;
}

uint16_t WriteBlock(RecordCursor* c, int32_t* count, uint8_t* records) {
  if (count == nullptr || records == nullptr || *count < 0) return IDAPI_ERR_INVALID_ARGUMENT;
  if (c->isQuery()) return IDAPI_ERR_FAILED;
  const int32_t n = std::min(*count, BlockLimit(*c));
  *count = 0;
  if (n == 0) return IDAPI_OK;
  FullFormatForWriting(c);
  std::vector<uint8_t> area(static_cast<size_t>(n) * static_cast<size_t>(c->exchangedLength));
  std::vector<uint8_t> scratch(static_cast<size_t>(c->bufferSize));
  for (int32_t r = 0; r < n; ++r) {
    const uint8_t* in = records + static_cast<size_t>(r) * static_cast<size_t>(c->bufferSize);
    InitRecord(*c, scratch.data());
    uint8_t* out = area.data() + static_cast<size_t>(r) * static_cast<size_t>(c->exchangedLength);
    for (int i = 0; i < c->fieldCount; ++i) {
      const EngineField& f = c->fields[static_cast<size_t>(i)];
      const bool isNull =
          c->nullCapable && f.nullOffset != 0 && idapi_get_i16(in, f.nullOffset) == -1;
      if (!isNull) {
        if (uint16_t s = WriteValue(*c, i, scratch.data(), in + f.offset); s != IDAPI_OK) {
          ClearModified(c);
          return s;
        }
      }
      if (c->nullCapable) out[c->dataLength + i] = isNull ? '1' : '0';
    }
    std::memcpy(out, scratch.data(), static_cast<size_t>(c->dataLength));
  }
  std::vector<int32_t> numbers(static_cast<size_t>(n), 0);
  const uint32_t options =
      kWriteInsert | kBlocked | static_cast<uint32_t>(n) | (c->nullCapable ? 0 : kWithoutNullMap);
  const int32_t written = VNXWrite(c->path().handle, area.data(), c->exchangedLength,
                                   static_cast<int32_t>(options), numbers.data());
  ClearModified(c);
  if (written < 0) return MapClientFailure(written);
  *count = written;
  return written < n ? IDAPI_ERR_FAILED : IDAPI_OK;
}

}  // namespace vantora::driver
