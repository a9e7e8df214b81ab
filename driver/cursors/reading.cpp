#include "driver/cursors/reading.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "driver/cursors/date_time_text.h"
#include "driver/cursors/key_compare.h"
#include "driver/frame/errors.h"
#include "driver/frame/settings.h"
#include "driver/frame/type_mapping.h"
#include "mv432ida.h"

namespace vantora::driver {
namespace {

constexpr char kFullFormat[] = "          ";
constexpr char kReducedFormat[] = "_R_SELECT_";
constexpr int32_t kBlockBytes = 32000;
constexpr int32_t kLastRow = 0x3E800000;      // a query's last row
constexpr int32_t kFromLastRow = 0x1F400000;  // rows counted from the last one
constexpr int32_t kFetchNext = VNX_FETCH_NEXT, kFetchPrior = VNX_FETCH_PRIOR,
                  kFetchFirst = VNX_FETCH_FIRST, kFetchLast = VNX_FETCH_LAST,
                  kFetchCurrent = VNX_FETCH_CURRENT, kFetchRelative = VNX_FETCH_RELATIVE;

// Records are read into slots of the full record's length: a reduced record
// takes its first bytes (the host zero-fills the rest of the slot).
int32_t ReadLength(const RecordCursor& c) {
  return c.exchangedLength;
}

// Whether a failed read found nothing (the end or beginning, no record for
// the key or number), rather than failing.
bool FoundNothing(int32_t result) {
  if (result >= 0) return true;
  if (result != VNX_ERR_HOST && result != VNX_ERR_SIGNAL) return false;
  switch (retstat()) {
    case VNX_RETSTAT_END_OF_FILE:
    case VNX_RETSTAT_BEGINNING_OF_FILE:
    case VNX_RETSTAT_NO_CURRENT_RECORD:
      return true;
    case VNX_RETSTAT_OTHER: {
      char id[9] = {};
      Return_Syserr(id);
      return std::strncmp(id, VNX_MSG_RECORD_NOT_FOUND, 7) == 0;
    }
    default:
      return false;
  }
}

// Defines or switches the reduced record format before a file read.
void BeforeFileRead(RecordCursor* c, bool fetchesData, bool lock) {
  const int32_t h = c->path().handle;
  if (!c->reducedDefined && Settings().optimize1 != 0 && c->readCount > Settings().optimize1 &&
      !c->isQuery() && !c->dataQueue) {
    std::vector<std::string> names;
    std::vector<bool> used(static_cast<size_t>(c->fieldCount), false);
    for (int i = 0; i < c->fieldCount; ++i) {
      if ((c->usage[static_cast<size_t>(i)] & kFieldUsed) != 0) {
        names.push_back(c->hostFields[static_cast<size_t>(i)].name);
        used[static_cast<size_t>(i)] = true;
      }
    }
    if (!names.empty() && static_cast<int>(names.size()) < c->fieldCount) {
      std::string packed;
      for (const std::string& n : names) packed += n;
      const int32_t length =
          Rselect(h, kReducedFormat, static_cast<int32_t>(names.size()), packed.c_str());
      if (length > 0) {
        c->reducedDefined = true;
        c->reducedActive = true;
        c->reducedLength = length;
        c->reducedFields = std::move(used);
        c->cache.Drop();
      }
    }
  }
  if (!fetchesData || !c->reducedDefined) return;
  if (lock && c->reducedActive) {
    Rformat(h, kFullFormat);
    c->reducedActive = false;
  } else if (!lock && !c->reducedActive) {
    Rformat(h, kReducedFormat);
    c->reducedActive = true;
  }
}

void EnsureCache(RecordCursor* c) {
  c->cache.Prepare(CacheCapacity(*c), std::max(c->exchangedLength, 1));
}

// Gives the application record `i` of the cache.
void HandOut(RecordCursor* c, int32_t i, uint8_t* record, int32_t* number) {
  ReadCache& cache = c->cache;
  *number = cache.number(i);
  if (record != nullptr) {
    std::memcpy(record, cache.record(i), static_cast<size_t>(ReadLength(*c)));
    CompleteRecord(c, record, *number);
  }
  cache.MarkHandedOut();
}

// Moves the server's file position to relative record number `number`.
void PositionServer(RecordCursor* c, int32_t number) {
  if (number <= 0) return;
  if (c->isQuery()) return;
  VNXRead(c->path().handle, nullptr, 0,
          static_cast<int32_t>(Options(kReadByNumber, kNoLock | kPositionOnly)), nullptr, number,
          nullptr);
}

// Brings the server back to the record the application last saw.
void Resynchronise(RecordCursor* c) {
  const ReadCache& cache = c->cache;
  if (cache.held() <= 0 || cache.next() < 0 || cache.next() > cache.held()) return;
  const int32_t at = c->last == kReadPrior ? cache.next() : cache.next() - 1;
  if (at >= 0 && at < cache.held()) PositionServer(c, cache.number(at));
}

struct ReadRequest {
  uint32_t options;
  const void* key = nullptr;
  int32_t keyLength = 0;
};

// One fetch of a query cursor; answers the rows delivered (or a negative
// failure) and leaves the rows' numbers in `numbers`.
int32_t Fetch(RecordCursor* c, int32_t move, int32_t distance, int32_t count, uint8_t* area,
              int32_t* numbers) {
  uint8_t dummy[1];
  const int32_t rowLength = area != nullptr ? std::max(c->exchangedLength, 1) : 1;
  // A result with null-capable columns brings each row's null map.
  const int32_t operation = move | (distance << 8) | (c->nullCapable ? VNX_FETCH_NULL_MAP : 0);
  const int32_t got = VNXSqlEFetch(c->sqlCursor, area != nullptr ? area : dummy, rowLength,
                                   area != nullptr ? count : 1, operation);
  if (got <= 0) {
    c->serverRow = 0;
    return got;
  }
  int32_t first = 0;
  switch (move) {
    case kFetchFirst:
      first = 1;
      break;
    case kFetchNext:
      first = c->serverRow + 1;
      break;
    case kFetchPrior:
      first = c->serverRow - 1;
      break;
    case kFetchLast:
      first = kLastRow;
      break;
    case kFetchCurrent:
      first = c->serverRow;
      break;
    case kFetchRelative:
      first = c->serverRow + distance;
      break;
  }
  for (int32_t i = 0; i < got; ++i) {
    numbers[i] = move == kFetchPrior ? first - i : first + i;
  }
  c->serverRow = numbers[got - 1];
  return got;
}

int32_t QueryRead(RecordCursor* c, uint8_t operation, int32_t count, int32_t target, uint8_t* area,
                  int32_t* numbers) {
  count = std::max(count, 1);
  switch (operation) {
    case kReadNext: {
      if (c->lastStatus == IDAPI_ERR_BOF) return Fetch(c, kFetchFirst, 0, count, area, numbers);
      const int32_t got = Fetch(c, kFetchNext, 0, count, area, numbers);
      if (got <= 0) {
        int32_t ignored;
        uint8_t row[1];
        // Leave the server on the last row, for a prior read to come.
        const int32_t saved = got;
        VNXSqlEFetch(c->sqlCursor, row, 1, 1, kFetchLast);
        c->serverRow = kLastRow;
        (void)ignored;
        return saved;
      }
      return got;
    }
    case kReadPrior:
      if (c->lastStatus == IDAPI_ERR_EOF) return Fetch(c, kFetchCurrent, 0, 1, area, numbers);
      return Fetch(c, kFetchPrior, 0, 1, area, numbers);
    case kReadFirst:
      return Fetch(c, kFetchFirst, 0, count, area, numbers);
    case kReadLast:
      return Fetch(c, kFetchLast, 0, 1, area, numbers);
    case kReadSame:
    case kReadByNumber: {
      int32_t got = 1;
      if (target < kFromLastRow) {
        if (c->serverRow == 0 || c->serverRow == target || c->serverRow >= kFromLastRow) {
          got = Fetch(c, kFetchFirst, 0, 1, area, numbers);
        }
        if (got > 0 && target - c->serverRow != 0) {
          got = Fetch(c, kFetchRelative, target - c->serverRow, 1, area, numbers);
        }
      } else {
        if (c->serverRow == 0) got = Fetch(c, kFetchLast, 0, 1, area, numbers);
        if (got > 0) {
          if (target == c->serverRow) {
            got = Fetch(c, kFetchPrior, 0, 1, area, numbers);
            if (got > 0) got = Fetch(c, kFetchNext, 0, 1, area, numbers);
          } else {
            got = Fetch(c, kFetchRelative, target - c->serverRow, 1, area, numbers);
          }
        }
      }
      if (got > 0) numbers[0] = target;
      return got;
    }
    default:
      return -1;
  }
}

}  // namespace

int32_t ReadQueryRow(RecordCursor* c, int32_t row) {
  int32_t numbers[1];
  return QueryRead(c, kReadByNumber, 1, row, nullptr, numbers);
}

namespace {

// A read of the file or query: one record into `record` (may be null), or
// a block into the cache when `count` > 0.
int32_t ServerRead(RecordCursor* c, const ReadRequest& r, uint8_t* record, int32_t* numbers,
                   int32_t count) {
  const uint8_t operation = static_cast<uint8_t>(r.options >> 24);
  if (c->isQuery()) {
    return QueryRead(c, operation, count, r.keyLength, record, numbers);
  }
  const bool fetchesData = record != nullptr && (r.options & kPositionOnly) == 0;
  BeforeFileRead(c, fetchesData, (r.options & kNoLock) == 0);
  uint32_t options = r.options;
  if (count > 0) options |= kBlocked | static_cast<uint32_t>(count);
  return VNXRead(c->path().handle, record, ReadLength(*c), static_cast<int32_t>(options), r.key,
                 r.keyLength, numbers);
}

uint16_t Failure(RecordCursor* c, int32_t result, uint8_t operation, bool lock) {
  if (result >= 0 || FoundNothing(result)) {
    // Nothing found: the end or the beginning, by direction.
    const bool backward =
        operation == kReadPrior || operation == kReadKeyBefore || operation == kReadKeyAtOrBefore;
    (void)c;
    return backward ? IDAPI_ERR_BOF : IDAPI_ERR_EOF;
  }
  uint16_t s = c->isQuery() ? MapSqlFailure(result) : MapClientFailure(result);
  if (lock && (s == IDAPI_ERR_RECORD_IN_USE || s == IDAPI_ERR_RECORD_LOCKED)) {
    s = IDAPI_ERR_RECORD_LOCKED;
  }
  return s;
}

// The key of the record in `record` over the active path's key fields;
// IDAPI_ERR_NOT_SUPPORTED when one of them is blank.
uint16_t KeyOfRecord(RecordCursor* c, uint8_t* record, std::vector<uint8_t>* key, int fields = -1,
                     int partial = 0) {
  KeyBlock& k = c->key();
  key->clear();
  const int n = fields < 0 ? static_cast<int>(k.fields.size())
                           : std::min<int>(fields, static_cast<int>(k.fields.size()));
  for (int i = 0; i < n || (partial > 0 && i == n && i < static_cast<int>(k.fields.size())); ++i) {
    const int index = k.fields[static_cast<size_t>(i)];
    if ((record[c->statusOffset() + index] & kValuePresent) == 0) {
      if (uint16_t s = ReReadFullRecord(c, record); s != IDAPI_OK) return s;
    }
    if ((record[c->statusOffset() + index] & kValueBlank) != 0) return IDAPI_ERR_NOT_SUPPORTED;
    const EngineField& f = c->fields[static_cast<size_t>(index)];
    int bytes = KeyBytes(f.type, f.length, c->hostFields[static_cast<size_t>(index)].asLength);
    if (i == n) bytes = std::min(bytes, partial);
    key->insert(key->end(), record + f.offset, record + f.offset + bytes);
  }
  return IDAPI_OK;
}

// A partial key may cut only a text field: a partial length on any other
// field (a number the host delivers as text among them) takes the whole field.
void WholeNonTextFields(RecordCursor* c, uint16_t* fieldCount, uint16_t* partial) {
  KeyBlock& k = c->key();
  if (*partial == 0 || *fieldCount >= k.fields.size()) return;
  const HostField& h = c->hostFields[static_cast<size_t>(k.fields[*fieldCount])];
  if (h.asType != kAsChar || (h.flags >> 8) != 0 || h.varying()) {
    ++*fieldCount;
    *partial = 0;
  }
}

// The key length of `fieldCount` key fields and `partial` bytes of the next.
int32_t KeyLength(RecordCursor* c, uint16_t fieldCount, uint16_t partial) {
  KeyBlock& k = c->key();
  if (fieldCount == 0 && partial == 0) return k.length;
  const int n = std::min<int>(fieldCount, static_cast<int>(k.fields.size()));
  int32_t length = 0;
  for (int i = 0; i < n; ++i) {
    const int index = k.fields[static_cast<size_t>(i)];
    const EngineField& f = c->fields[static_cast<size_t>(index)];
    length += KeyBytes(f.type, f.length, c->hostFields[static_cast<size_t>(index)].asLength);
  }
  return length + partial;
}

uint16_t CheckRange(RecordCursor* c, uint8_t* record) {
  KeyBlock& k = c->key();
  if ((k.range & kRangeEmpty) != 0) return IDAPI_ERR_EOF;
  if ((k.range & (kLowInclusive | kLowExclusive | kHighInclusive | kHighExclusive)) == 0) {
    return IDAPI_OK;
  }
  std::vector<uint8_t> key;
  if (uint16_t s = KeyOfRecord(c, record, &key); s != IDAPI_OK) return s;
  if ((k.range & (kHighInclusive | kHighExclusive)) != 0) {
    const int cmp = CompareKeys(*c, k.high.data(), key.data(), k.highLength);
    if (cmp < 0 || (cmp == 0 && (k.range & kHighExclusive) != 0)) return IDAPI_ERR_EOF;
  }
  if ((k.range & (kLowInclusive | kLowExclusive)) != 0) {
    const int cmp = CompareKeys(*c, k.low.data(), key.data(), k.lowLength);
    if (cmp > 0 || (cmp == 0 && (k.range & kLowExclusive) != 0)) return IDAPI_ERR_BOF;
  }
  return IDAPI_OK;
}

}  // namespace

int32_t CacheCapacity(const RecordCursor& c) {
  int32_t capacity = c.cache.asked() > 0 ? c.cache.asked() : Settings().records;
  capacity = std::clamp<int32_t>(capacity, 1, 4095);
  const int32_t perRecord = std::max(c.exchangedLength, 1) + 4;
  if (capacity * perRecord > kBlockBytes) capacity = std::max(1, kBlockBytes / perRecord);
  return capacity;
}

bool AllFieldsPresent(const RecordCursor& c, const uint8_t* record) {
  const uint8_t* status = record + c.statusOffset();
  for (int i = 0; i < c.fieldCount; ++i) {
    if ((status[i] & kValuePresent) == 0) return false;
  }
  return true;
}

void CompleteRecord(RecordCursor* c, uint8_t* record, int32_t number) {
  uint8_t* status = record + c->statusOffset();
  std::memset(status, 0, static_cast<size_t>(c->fieldCount));
  const bool reduced = c->reducedActive && !c->isQuery();
  if (c->nullCapable) {
    const int32_t mapAt = reduced ? c->reducedLength - c->fieldCount : c->dataLength;
    std::vector<uint8_t> map(record + mapAt, record + mapAt + c->fieldCount);
    for (int i = 0; i < c->fieldCount; ++i) {
      const EngineField& f = c->fields[static_cast<size_t>(i)];
      if (f.nullOffset != 0) {
        idapi_put_u16(record, f.nullOffset, map[static_cast<size_t>(i)] == '1' ? 0xFFFF : 0);
      }
    }
  }
  if (reduced) {
    // The reduced record holds the used fields one after another: each
    // goes to its own place, the last first.
    std::vector<int32_t> packed(static_cast<size_t>(c->fieldCount), -1);
    int32_t at = 0;
    for (int i = 0; i < c->fieldCount; ++i) {
      if (c->reducedFields[static_cast<size_t>(i)]) {
        packed[static_cast<size_t>(i)] = at;
        at += c->hostFields[static_cast<size_t>(i)].pcLength;
      }
    }
    for (int i = c->fieldCount - 1; i >= 0; --i) {
      const EngineField& f = c->fields[static_cast<size_t>(i)];
      if (packed[static_cast<size_t>(i)] >= 0) {
        std::memmove(record + f.offset, record + packed[static_cast<size_t>(i)],
                     static_cast<size_t>(c->hostFields[static_cast<size_t>(i)].pcLength));
        status[i] |= kValuePresent;
      }
    }
  } else {
    std::memset(status, kValuePresent, static_cast<size_t>(c->fieldCount));
  }
  idapi_put_u32(record, static_cast<size_t>(c->numberOffset()), static_cast<uint32_t>(number));
}

void RestoreFullFormat(RecordCursor* c) {
  Rformat(c->path().handle, kFullFormat);
  c->reducedDefined = false;
  c->reducedActive = false;
}

uint16_t ReReadFullRecord(RecordCursor* c, uint8_t* record) {
  const int32_t number = idapi_get_i32(record, static_cast<size_t>(c->numberOffset()));
  if (number == 0 || c->isQuery()) return IDAPI_OK;
  Rformat(c->path().handle, kFullFormat);
  if (c->reducedDefined) {
    c->reducedDefined = false;
    c->reducedActive = false;
    c->readCount = Settings().optimize1;
  }
  c->reducedActive = false;
  const int32_t r =
      VNXRead(c->path().handle, record, c->exchangedLength,
              static_cast<int32_t>(Options(kReadByNumber, kNoLock)), nullptr, number, nullptr);
  if (r < 0) return MapClientFailure(r);
  CompleteRecord(c, record, number);
  c->position = number;
  c->cache.Drop();
  return IDAPI_OK;
}

namespace {

// One read as GetRecord sets it up.
struct Read {
  uint8_t operation = 0;
  bool lock = false;
  uint32_t flags = 0;  // kNoLock, kPositionOnly
  ReadRequest request{0};
  uint8_t follower = kReadNext;  // what the next NextRecord or PriorRecord reads
  bool positionOnly = false;
  uint8_t* record = nullptr;  // null: a move without data
};

// The cache's part of a read without lock: hands out the record wanted when
// the cache holds it, reading the next block when a forward read has used
// the block up. True when a record was handed out (its number in
// `number`). A block read that fails ends the read: `failure` then holds its
// status.
bool ReadFromCache(RecordCursor* c, const Read& r, int32_t* number, uint16_t* failure) {
  ReadCache& cache = c->cache;
  uint8_t* record = r.positionOnly ? nullptr : r.record;
  switch (r.operation) {
    case kReadSame:
    case kReadByNumber: {
      const int32_t i = cache.Find(c->position);
      if (i < 0) return false;
      if (!cache.handedOut()) PositionServer(c, cache.number(cache.held() - 1));
      HandOut(c, i, record, number);
      cache.SetNext(i + 1);
      return true;
    }
    case kReadFirst:
    case kReadNext: {
      if (r.operation == kReadFirst) {
        cache.Drop();
        c->last = kReadFirst;
      }
      if (c->last != kReadNext && c->last != kReadPrior && c->last != kReadFirst &&
          c->last != kReadByNumber) {
        return false;
      }
      if (cache.handedOut() && c->last == kReadPrior) cache.SetNext(cache.next() + 1);
      EnsureCache(c);
      if (cache.next() >= cache.held()) {
        const int32_t count =
            cache.handedOut() ? cache.capacity() : std::max(1, cache.capacity() / 4);
        // A block always brings the records, also for a move without data.
        ReadRequest block = r.request;
        block.options &= ~kPositionOnly;
        const int32_t got = ServerRead(c, block, cache.area(), cache.numbers(), count);
        if (got < 0 || got > count) {
          cache.Drop();
          c->last = r.operation;
          *failure = Failure(c, got, r.operation, false);
          return false;
        }
        cache.Filled(got);
      }
      if (cache.next() >= cache.held()) return false;
      HandOut(c, cache.next(), record, number);
      cache.SetNext(cache.next() + 1);
      return true;
    }
    case kReadPrior:
      if (!cache.handedOut()) {
        cache.Drop();
        return false;
      }
      if (c->last != kReadPrior) cache.SetNext(cache.next() - 1);
      if (cache.next() < 1) {
        c->last = kReadPrior;
        Resynchronise(c);
        cache.Drop();
        return false;
      }
      cache.SetNext(cache.next() - 1);
      HandOut(c, cache.next(), record, number);
      return true;
    default:
      Resynchronise(c);
      return false;
  }
}

// The host's part of a read: one record, by key, with lock, or after a
// positioning. Answers the client library's result.
int32_t ReadFromHost(RecordCursor* c, const Read& r, int32_t* number) {
  ReadCache& cache = c->cache;
  const bool withData = r.record != nullptr && !r.positionOnly;
  int32_t result;
  if (!c->isQuery() && r.operation == kReadKeyAtOrBefore) {
    // The first key after, then the record before it (or the last).
    ReadRequest after = r.request;
    after.options = Options(kReadKeyAfter, kNoLock);
    result = ServerRead(c, after, r.record, number, 0);
    ReadRequest then{Options(result < 0 ? kReadLast : kReadPrior, r.flags)};
    result = ServerRead(c, then, r.record, number, 0);
    if (result > 0 && withData) CompleteRecord(c, r.record, *number);
    cache.PassAll();
  } else if (!c->isQuery() && r.operation >= kReadKeyEqual && r.operation <= kReadKeyBefore) {
    // Read into the cache, so that a re-read of it needs no request.
    EnsureCache(c);
    result = ServerRead(c, r.request, cache.area(), cache.numbers(), 0);
    if (result > 0) {
      cache.HoldOne(cache.number(0));
      *number = cache.number(0);
      if (withData) {
        std::memcpy(r.record, cache.record(0), static_cast<size_t>(ReadLength(*c)));
        CompleteRecord(c, r.record, *number);
      }
    }
  } else {
    EnsureCache(c);
    result = ServerRead(c, r.request, r.positionOnly ? nullptr : r.record, number, 0);
    if (result > 0 && withData) CompleteRecord(c, r.record, *number);
    cache.PassAll();
  }
  if (r.lock) cache.Drop();
  return result;
}

}  // namespace

uint16_t GetRecord(RecordCursor* c, uint16_t lock, uint8_t* record) {
  Read r;
  r.operation = c->pending;
  if (c->dataQueue && r.operation != kReadSame && r.operation != kReadKeyEqual &&
      r.operation != kReadByNumber) {
    return IDAPI_ERR_EOF;
  }
  ++c->readCount;
  r.lock = lock != 0;
  uint32_t flags = r.lock ? 0 : kNoLock;
  std::vector<uint8_t> scratch;
  if (record == nullptr) {
    if (c->key().range != 0) {
      // A range needs the record to check it against the bounds.
      scratch.assign(static_cast<size_t>(c->bufferSize), 0);
      record = scratch.data();
    } else {
      flags |= kPositionOnly;
    }
  }
  r.record = record;
  r.flags = flags;
  r.positionOnly = (flags & kPositionOnly) != 0;
  r.request = ReadRequest{Options(r.operation, flags)};
  switch (r.operation) {
    case kReadNext:
    case kReadPrior:
      r.follower = r.operation;
      break;
    case kReadKeyEqual:
    case kReadKeyAfter:
    case kReadKeyAtOrAfter:
    case kReadKeyBefore:
    case kReadKeyAtOrBefore:
      r.request.key = c->key().search.data();
      r.request.keyLength = c->key().searchLength;
      break;
    case kReadSame:
    case kReadByNumber:
      r.request.keyLength = c->position;
      break;
    default:
      break;
  }
  for (uint8_t& u : c->usage) u = static_cast<uint8_t>(u & ~kFieldModified);

  int32_t number = 0;
  uint16_t failure = IDAPI_OK;
  bool handed = false;
  if (r.lock) {
    Resynchronise(c);
  } else {
    handed = ReadFromCache(c, r, &number, &failure);
  }
  c->pending = r.follower;
  if (failure != IDAPI_OK) {
    c->lastStatus = failure;
    return failure;
  }
  c->last = r.operation;
  const int32_t result = handed ? 1 : ReadFromHost(c, r, &number);
  if (result <= 0) {
    c->lastStatus = Failure(c, result, r.operation, r.lock);
    return c->lastStatus;
  }
  uint16_t status = IDAPI_OK;
  if (record != nullptr) status = CheckRange(c, record);
  c->lastStatus = status;
  if (status == IDAPI_OK) c->position = number;
  return status;
}

uint16_t NextRecord(RecordCursor* c, uint16_t lock, uint8_t* record) {
  if (c->pending == kReadLast || c->pending == kReadKeyBefore || c->pending == kReadKeyAtOrBefore) {
    // Set to the end: there is nothing after it.
    if (c->pending == kReadLast || (c->key().range & (kHighInclusive | kHighExclusive)) != 0) {
      c->lastStatus = IDAPI_ERR_EOF;
      return IDAPI_ERR_EOF;
    }
  }
  if (c->pending == kReadPrior) c->pending = kReadNext;
  if (c->pending == kReadByNumber) {
    c->pending = kReadByNumber;
    GetRecord(c, 0, record);
    c->pending = kReadNext;
  }
  return GetRecord(c, lock, record);
}

uint16_t PriorRecord(RecordCursor* c, uint16_t lock, uint8_t* record) {
  if (c->pending == kReadFirst ||
      ((c->pending == kReadKeyAfter || c->pending == kReadKeyAtOrAfter) &&
       (c->key().range & (kLowInclusive | kLowExclusive)) != 0)) {
    // Set to the beginning: there is nothing before it.
    c->lastStatus = IDAPI_ERR_BOF;
    return IDAPI_ERR_BOF;
  }
  if (c->pending == kReadByNumber) {
    GetRecord(c, 0, record);
  }
  // Set to the end (of the file, or below an inclusive or exclusive high
  // bound), the pending read finds the last record itself.
  if (c->pending != kReadLast && c->pending != kReadKeyAtOrBefore && c->pending != kReadKeyBefore) {
    c->pending = kReadPrior;
  }
  const uint16_t s = GetRecord(c, lock, record);
  return s == IDAPI_ERR_EOF ? IDAPI_ERR_BOF : s;
}

uint16_t CurrentRecord(RecordCursor* c, uint16_t lock, uint8_t* record) {
  if ((c->pending == kReadNext || c->pending == kReadPrior) && c->position != 0) {
    c->pending = kReadByNumber;
  }
  return GetRecord(c, lock, record);
}

uint16_t RelativeRecord(RecordCursor* c, int32_t offset, uint16_t lock, uint8_t* record,
                        int32_t* moved) {
  int32_t count = 0;
  uint16_t status = IDAPI_OK;
  if (offset == 0) {
    status = CurrentRecord(c, lock, record);
  }
  for (int32_t i = 0; i < offset && status == IDAPI_OK; ++i) {
    status = NextRecord(c, lock, record);
    if (status == IDAPI_OK) ++count;
  }
  for (int32_t i = 0; i > offset && status == IDAPI_OK; --i) {
    status = PriorRecord(c, lock, record);
    if (status == IDAPI_OK) --count;
  }
  if (moved != nullptr) *moved = count;
  return status;
}

uint16_t SetToBegin(RecordCursor* c) {
  KeyBlock& k = c->key();
  if ((k.range & kRangeEmpty) != 0) return IDAPI_ERR_EOF;
  if ((k.range & (kLowInclusive | kLowExclusive)) == 0) {
    c->pending = kReadFirst;
    c->position = 0;
  } else {
    k.search = k.low;
    k.searchLength = k.lowLength;
    c->pending = (k.range & kLowExclusive) != 0 ? kReadKeyAfter : kReadKeyAtOrAfter;
  }
  c->lastStatus = 0;
  return IDAPI_OK;
}

uint16_t SetToEnd(RecordCursor* c) {
  KeyBlock& k = c->key();
  if ((k.range & (kHighInclusive | kHighExclusive)) == 0) {
    c->pending = kReadLast;
  } else {
    k.search = k.high;
    k.searchLength = k.highLength;
    c->pending = (k.range & kHighExclusive) != 0 ? kReadKeyBefore : kReadKeyAtOrBefore;
  }
  c->lastStatus = 0;
  return IDAPI_OK;
}

uint16_t SetToBookmark(RecordCursor* c, int32_t bookmark) {
  c->pending = kReadByNumber;
  c->position = bookmark;
  return IDAPI_OK;
}

uint16_t SetPosition(RecordCursor* c, int32_t position) {
  c->position = position;
  return IDAPI_OK;
}

int CompareBookmarks(int32_t first, int32_t second) {
  return first < second ? -1 : first > second ? 1 : 0;
}

uint16_t SetToKey(RecordCursor* c, uint16_t condition, uint16_t direct, uint16_t fieldCount,
                  uint16_t partialLength, const uint8_t* keyOrRecord, uint8_t* outRecord) {
  KeyBlock& k = c->key();
  if (keyOrRecord == nullptr || condition > IDAPI_KEY_GE || k.fields.empty()) {
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  if (direct == 0) WholeNonTextFields(c, &fieldCount, &partialLength);
  const int32_t length = KeyLength(c, fieldCount, partialLength);
  if (length > k.length || length < 0) return IDAPI_ERR_INVALID_ARGUMENT;
  if (direct != 0) {
    std::memcpy(k.search.data(), keyOrRecord, static_cast<size_t>(length));
  } else {
    std::vector<uint8_t> key;
    std::vector<uint8_t> copy(keyOrRecord, keyOrRecord + c->bufferSize);
    const uint16_t s =
        KeyOfRecord(c, copy.data(), &key, fieldCount == 0 && partialLength == 0 ? -1 : fieldCount,
                    partialLength);
    if (s != IDAPI_OK) return s;
    std::memcpy(k.search.data(), key.data(), std::min<size_t>(key.size(), k.search.size()));
  }
  k.searchLength = length;
  static const uint8_t kOperations[] = {kReadKeyEqual, kReadKeyAfter, kReadKeyAtOrAfter};
  c->pending = kOperations[condition];
  std::vector<uint8_t> scratch;
  uint8_t* record = outRecord;
  if (record == nullptr) {
    scratch.assign(static_cast<size_t>(c->bufferSize), 0);
    record = scratch.data();
  }
  uint16_t status = GetRecord(c, 0, record);
  if (status != IDAPI_OK && condition != IDAPI_KEY_EQ &&
      (status == IDAPI_ERR_BOF || status == IDAPI_ERR_EOF)) {
    if (status == IDAPI_ERR_BOF) {
      SetToBegin(c);
    } else {
      SetToEnd(c);
    }
    status = GetRecord(c, 0, record);
  }
  c->pending = kReadSame;
  if (status == IDAPI_ERR_BOF || status == IDAPI_ERR_EOF) return IDAPI_ERR_RECORD_NOT_FOUND;
  return status;
}

uint16_t SetRange(RecordCursor* c, uint16_t direct, uint16_t fieldCount, uint16_t partialLength,
                  const uint8_t* lowKey, uint16_t lowInclusive, const uint8_t* highKey,
                  uint16_t highInclusive) {
  KeyBlock& k = c->key();
  k.range = 0;
  if (lowKey == nullptr && highKey == nullptr) return IDAPI_OK;
  if (k.fields.empty()) return IDAPI_ERR_INVALID_ARGUMENT;
  if (direct == 0) WholeNonTextFields(c, &fieldCount, &partialLength);
  const int32_t length = KeyLength(c, fieldCount, partialLength);
  if (length > k.length || length < 0) return IDAPI_ERR_INVALID_ARGUMENT;
  auto build = [&](const uint8_t* source, std::vector<uint8_t>* into) -> uint16_t {
    if (direct != 0) {
      std::memcpy(into->data(), source, static_cast<size_t>(length));
      return IDAPI_OK;
    }
    std::vector<uint8_t> key;
    std::vector<uint8_t> copy(source, source + c->bufferSize);
    const uint16_t s =
        KeyOfRecord(c, copy.data(), &key, fieldCount == 0 && partialLength == 0 ? -1 : fieldCount,
                    partialLength);
    if (s == IDAPI_OK) std::memcpy(into->data(), key.data(), std::min(key.size(), into->size()));
    return s;
  };
  uint8_t range = 0;
  if (lowKey != nullptr) {
    if (build(lowKey, &k.low) != IDAPI_OK) {
      k.range = kRangeEmpty;  // a blank key field: nothing can be in the range
      return IDAPI_OK;
    }
    k.lowLength = length;
    range |= lowInclusive != 0 ? kLowInclusive : kLowExclusive;
    c->pending = lowInclusive != 0 ? kReadKeyAtOrAfter : kReadKeyAfter;
    k.search = k.low;
    k.searchLength = length;
  }
  if (highKey != nullptr) {
    if (build(highKey, &k.high) != IDAPI_OK) {
      k.range = kRangeEmpty;
      return IDAPI_OK;
    }
    k.highLength = length;
    range |= highInclusive != 0 ? kHighInclusive : kHighExclusive;
  }
  k.range = range;
  return IDAPI_OK;
}

uint16_t ExtractKey(RecordCursor* c, uint8_t* record, uint8_t* key) {
  if (record == nullptr || key == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  std::vector<uint8_t> bytes;
  if (uint16_t s = KeyOfRecord(c, record, &bytes); s != IDAPI_OK) return s;
  std::memcpy(key, bytes.data(), bytes.size());
  return IDAPI_OK;
}

}  // namespace vantora::driver
