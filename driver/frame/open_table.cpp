#include "driver/frame/open_table.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "driver/frame/database.h"
#include "driver/frame/errors.h"
#include "driver/frame/index_list.h"
#include "driver/frame/names.h"
#include "driver/frame/settings.h"
#include "driver/frame/slots.h"
#include "driver/frame/type_mapping.h"
#include "mv432ida.h"
#include "protocol/blank_padded.h"

namespace vantora::driver {
namespace {

constexpr int kFileDescSize = VNX_FILE_SIZE;
constexpr int kFileFieldCount = VNX_HDR_FIELD_COUNT;
constexpr int kFileKeyCount = VNX_HDR_KEY_COUNT;
constexpr int kFileFlags = VNX_FILE_FLAGS;
constexpr int kFieldDescSize = VNX_FLD_SIZE_24;
constexpr int kKeyDescSize = VNX_KEY_SIZE;
constexpr int kKeyFieldIndex = VNX_KEY_FIELD_INDEX;

struct FileDescription {
  int16_t fieldCount = 0;
  int16_t keyCount = 0;
  uint16_t flags = 0;
};

int32_t ReadFileDescription(int32_t handle, FileDescription* d) {
  unsigned char area[kFileDescSize] = {};
  const int32_t r = VNXGetDesc(handle, area, kFileDescSize, VNX_DESC_FILE_18, nullptr);
  if (r < 0) return r;
  d->fieldCount = idapi_get_i16(area, kFileFieldCount);
  d->keyCount = idapi_get_i16(area, kFileKeyCount);
  d->flags = idapi_get_u16(area, kFileFlags);
  return r;
}

uint32_t SentOptions(const RecordCursor* c) {
  return c->openOptions | c->transactionFlag;
}

}  // namespace

uint16_t DescribeFields(RecordCursor* c, int32_t handle, int32_t recordLength) {
  FileDescription file;
  const int32_t r = ReadFileDescription(handle, &file);
  if (r < 1) return MapClientFailure(r < 0 ? r : VNX_ERR_HOST);
  if (file.fieldCount < 1) {
    PostMessage(IDAPI_ERR_INVALID_REQUEST, "The file " + c->paths[0].name + " has no fields");
    return IDAPI_ERR_INVALID_REQUEST;
  }
  c->fileFlags = file.flags;
  c->paths[0].fileFlags = file.flags;
  c->dataLength = recordLength;
  c->exchangedLength = recordLength;
  if (!c->fields.empty()) return IDAPI_OK;

  const int n = file.fieldCount;
  std::vector<unsigned char> area(static_cast<size_t>(kFieldDescSize * n), 0);
  const int32_t got = VNXGetDesc(handle, area.data(), kFieldDescSize,
                                 static_cast<int32_t>(VNX_DESC_FIELDS_24 + n), nullptr);
  if (got < 0) return MapClientFailure(got);
  if (got != n) {
    PostMessage(IDAPI_ERR_INVALID_REQUEST, "The host described " + std::to_string(got) + " of " +
                                               std::to_string(n) + " fields of " +
                                               c->paths[0].name);
    return IDAPI_ERR_INVALID_REQUEST;
  }
  c->fieldCount = n;
  c->fields.clear();
  c->hostFields.clear();
  int offset = 0;
  int nullOffset = recordLength;
  c->nullCapable = false;
  for (int i = 0; i < n; ++i) {
    const unsigned char* d = area.data() + static_cast<size_t>(kFieldDescSize) * i;
    HostField h;
    h.name.assign(reinterpret_cast<const char*>(d + VNX_FLD_NAME), 10);
    h.pcType = idapi_get_i16(d, VNX_FLD_PC_TYPE);
    h.pcLength = idapi_get_i16(d, VNX_FLD_PC_LENGTH);
    h.pcDecimals = idapi_get_i16(d, VNX_FLD_PC_DECIMALS);
    h.asType = idapi_get_i16(d, VNX_FLD_AS_TYPE);
    h.asLength = idapi_get_i16(d, VNX_FLD_AS_LENGTH);
    h.formatWord = idapi_get_u16(d, VNX_FLD_AS_DECIMALS);
    h.flags = idapi_get_u16(d, VNX_FLD_FLAGS);
    const EngineType t = MapType(h.pcType, h.pcLength, h.pcDecimals, h.asType,
                                 static_cast<int16_t>(h.formatWord), h.flags);
    EngineField f;
    f.number = static_cast<uint16_t>(i + 1);
    f.name = Trim(h.name);
    f.type = t.type;
    f.subtype = t.subtype;
    f.units1 = t.units1;
    f.units2 = t.units2;
    f.offset = static_cast<uint16_t>(offset);
    f.length = t.length;
    if (h.nullCapable()) {
      f.nullOffset = static_cast<uint16_t>(nullOffset);
      nullOffset += 2;
      c->nullCapable = true;
    }
    offset += h.pcLength;
    c->fields.push_back(f);
    c->hostFields.push_back(h);
  }
  int32_t size = recordLength;
  if (c->nullCapable) size = std::max(recordLength + n, nullOffset);
  c->bufferSize = size + n + 4;
  c->usage.assign(static_cast<size_t>(n), 0);
  c->usage[0] |= kFieldUsed;
  return IDAPI_OK;
}

uint16_t PrepareKeys(RecordCursor* c, int32_t path) {
  AccessPath& p = c->paths[static_cast<size_t>(path)];
  FileDescription file;
  const int32_t r = ReadFileDescription(p.handle, &file);
  if (r < 0) return MapClientFailure(r);
  p.fileFlags = file.flags;
  KeyBlock k;
  const int n = file.keyCount;
  if (n > 0) {
    std::vector<unsigned char> area(static_cast<size_t>(kKeyDescSize * n), 0);
    const int32_t got = VNXGetDesc(p.handle, area.data(), kKeyDescSize,
                                   static_cast<int32_t>(VNX_DESC_KEYS + n), nullptr);
    if (got < 0) return MapClientFailure(got);
    for (int i = 0; i < std::min<int>(n, got); ++i) {
      const int16_t index =
          idapi_get_i16(area.data() + static_cast<size_t>(kKeyDescSize) * i, kKeyFieldIndex);
      if (index < 0 || index >= c->fieldCount) {
        PostMessage(IDAPI_ERR_INVALID_REQUEST, "The key of " + p.name + " names field " +
                                                   std::to_string(index) + " of " +
                                                   std::to_string(c->fieldCount));
        return IDAPI_ERR_INVALID_REQUEST;
      }
      const EngineField& f = c->fields[static_cast<size_t>(index)];
      k.fields.push_back(index);
      k.descending.push_back(
          idapi_get_i16(area.data() + static_cast<size_t>(kKeyDescSize) * i, 24) != 0);
      k.length += KeyBytes(f.type, f.length, c->hostFields[static_cast<size_t>(index)].asLength);
    }
  }
  k.search.assign(static_cast<size_t>(k.length), 0);
  k.low.assign(static_cast<size_t>(k.length), 0);
  k.high.assign(static_cast<size_t>(k.length), 0);
  p.key = std::move(k);
  return IDAPI_OK;
}

uint16_t OpenFile(RecordCursor* c, const std::string& table, uint32_t options) {
  DatabaseHandle* db = LookUp<DatabaseHandle>(c->parent);
  const std::string name = Qualify(table, db != nullptr ? db->library : c->library);
  if (c->paths.empty()) c->paths.resize(1);
  c->activePath = 0;
  c->paths[0].name = name;
  if (Settings().optimize2 != 0) options |= kOpenOptimized;
  c->openOptions = options;
  c->dataQueue = wire::StartsWithIgnoringCase(name, "*DTAQ/");

  int32_t h = VNXopen(name.c_str(), static_cast<int32_t>(SentOptions(c)), -1);
  if (h < 0) return MapClientFailure(h);
  uint16_t status = DescribeFields(c, h, Rlength(h));
  if (status != IDAPI_OK) {
    // Once more, as a file that was just created may describe late.
    Rclose(h);
    h = VNXopen(name.c_str(), static_cast<int32_t>(SentOptions(c)), -1);
    if (h < 0) return MapClientFailure(h);
    status = DescribeFields(c, h, Rlength(h));
    if (status != IDAPI_OK) {
      Rclose(h);
      return status;
    }
  }
  c->useDictionary = true;
  if (c->nullCapable) {
    // The null map travels behind each record: the file is opened again with it.
    c->openOptions |= kOpenNullMap;
    Rclose(h);
    h = VNXopen(name.c_str(), static_cast<int32_t>(SentOptions(c)), -1);
    if (h < 0) return MapClientFailure(h);
    c->exchangedLength = c->dataLength + c->fieldCount;
  }
  c->paths[0].handle = h;
  return IDAPI_OK;
}

uint16_t OpenTable(void* engineDatabase, const char* table, const char* indexName,
                   const char* /*indexTag*/, uint16_t indexNumber, uint16_t openMode,
                   uint16_t shareMode, uint16_t modeWord, void** outCursor) {
  if (table == nullptr || *table == '\0' || outCursor == nullptr || openMode > 1 ||
      (modeWord != 0 && modeWord != 2) || indexNumber != 0) {
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  DatabaseHandle* db = DatabaseOf(engineDatabase);
  if (db == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  const int32_t dbNumber = db->number;
  const std::string library = db->library;
  const uint32_t transaction = db->transactionFlag;
  return OpenCursorObject(engineDatabase, outCursor,
                          [&](int32_t, IdapiCursorObject* engineCursor) -> uint16_t {
                            auto owned = std::make_unique<RecordCursor>();
                            RecordCursor* c = owned.get();
                            c->parent = dbNumber;
                            c->library = library;
                            c->transactionFlag = transaction;
                            const int32_t number = AddHandle(std::move(owned));
                            if (number < 0) return IDAPI_ERR_NO_MEMORY;
                            engineCursor->handle = number;
                            uint32_t options = openMode == 1 ? kOpenReadOnly : kOpenReadWrite;
                            if (shareMode == 1) options |= kOpenExclusive;
                            uint16_t status = OpenFile(c, table, options);
                            if (status == IDAPI_OK) {
                              c->cache.Ask(Settings().records);
                              status = PrepareKeys(c, 0);
                            }
                            if (status == IDAPI_OK && indexName != nullptr && *indexName != '\0') {
                              status = SwitchToIndex(c, indexName, 0);
                            }
                            if (status != IDAPI_OK) FreeHandle(c);
                            return status;
                          });
}

uint16_t CloneCursor(RecordCursor* source, uint16_t keepWrite, IdapiCursorObject* engineCursor) {
  if (!source->statement.empty() || source->isQuery()) return IDAPI_ERR_FAILED;
  auto owned = std::make_unique<RecordCursor>();
  RecordCursor* c = owned.get();
  c->library = source->library;
  c->session = source->session;
  c->sqlCursor = source->sqlCursor;
  c->parent = source->parent;
  c->transactionFlag = source->transactionFlag;
  c->dataQueue = source->dataQueue;
  c->fileFlags = source->fileFlags;
  c->dataLength = source->dataLength;
  c->exchangedLength = source->exchangedLength;
  c->bufferSize = source->bufferSize;
  c->fieldCount = source->fieldCount;
  c->nullCapable = source->nullCapable;
  c->fields = source->fields;
  c->hostFields = source->hostFields;
  c->usage.assign(source->usage.size(), 0);
  c->cache.Ask(source->cache.asked());
  c->useDictionary = source->useDictionary;
  c->openOptions = keepWrite != 0 ? source->openOptions : source->openOptions & ~kOpenMayChange;
  c->paths = source->paths;
  for (AccessPath& p : c->paths) p.handle = -1;
  c->activePath = source->activePath;
  const int32_t number = AddHandle(std::move(owned));
  if (number < 0) return IDAPI_ERR_NO_MEMORY;
  engineCursor->handle = number;
  // Every access path the source has open is opened again for the clone.
  for (size_t i = 0; i < c->paths.size(); ++i) {
    const int32_t h = VNXopen(c->paths[i].name.c_str(), static_cast<int32_t>(SentOptions(c)), -1);
    if (h < 0) {
      const uint16_t status = MapClientFailure(h);
      FreeHandle(c);
      return status;
    }
    c->paths[i].handle = h;
    if (uint16_t status = PrepareKeys(c, static_cast<int32_t>(i)); status != IDAPI_OK) {
      FreeHandle(c);
      return status;
    }
  }
  return IDAPI_OK;
}

namespace {

// The access path of `indexName`, or -1 when it is not open yet (then
// `toOpen` names the index file to open). False when the name cannot be
// resolved (an unknown field, or no index starting with the fields).
bool FindAccessPath(RecordCursor* c, const std::string& indexName, int32_t* path,
                    std::string* toOpen) {
  *path = -1;
  toOpen->clear();
  if (indexName.empty()) {
    *path = 0;
    return true;
  }
  if (indexName[0] == '@') {
    std::vector<int16_t> wanted;
    size_t at = 1;
    while (at <= indexName.size()) {
      size_t end = indexName.find('@', at);
      if (end == std::string::npos) end = indexName.size();
      const std::string field = indexName.substr(at, end - at);
      auto it = std::find_if(c->fields.begin(), c->fields.end(), [&](const EngineField& f) {
        return wire::EqualsIgnoringCase(f.name, field);
      });
      if (it == c->fields.end()) return false;
      wanted.push_back(static_cast<int16_t>(it - c->fields.begin()));
      at = end + 1;
    }
    for (size_t i = 0; i < c->paths.size(); ++i) {
      const auto& fields = c->paths[i].key.fields;
      if (fields.size() >= wanted.size() &&
          std::equal(wanted.begin(), wanted.end(), fields.begin())) {
        *path = static_cast<int32_t>(i);
        return true;
      }
    }
    for (const IndexInfo& index : ListIndexes(c, c->paths[0].name)) {
      if (index.fields.size() < wanted.size()) continue;
      bool starts = true;
      for (size_t i = 0; i < wanted.size(); ++i) {
        starts = starts && index.fields[i] == static_cast<uint16_t>(wanted[i] + 1);
      }
      if (starts) {
        *toOpen = index.name;
        return true;
      }
    }
    return false;
  }
  std::string qualified;
  {
    DatabaseHandle* db = LookUp<DatabaseHandle>(c->parent);
    qualified = Qualify(indexName, db != nullptr ? db->library : c->library);
  }
  for (size_t i = 0; i < c->paths.size(); ++i) {
    if (c->paths[i].name == qualified) {
      *path = static_cast<int32_t>(i);
      return true;
    }
  }
  *toOpen = qualified;
  return true;
}

}  // namespace

uint16_t SwitchToIndex(RecordCursor* c, const std::string& indexName, uint16_t position) {
  int32_t path = -1;
  std::string toOpen;
  if (!FindAccessPath(c, indexName, &path, &toOpen)) {
    PostMessage(IDAPI_ERR_NO_SUCH_INDEX, "No index " + indexName + " on " + c->paths[0].name);
    return IDAPI_ERR_NO_SUCH_INDEX;
  }
  c->reducedDefined = false;
  c->reducedActive = false;
  static const char kFullFormat[] = "          ";
  if (c->path().handle >= 0) Rformat(c->path().handle, kFullFormat);
  if (path >= 0 && c->paths[static_cast<size_t>(path)].handle < 0) {
    // Closed by a filter the host refused: the switch opens it again.
    AccessPath& closed = c->paths[static_cast<size_t>(path)];
    const int32_t h =
        VNXopen(closed.name.c_str(), static_cast<int32_t>(c->openOptions | c->transactionFlag), -1);
    if (h < 0) return MapClientFailure(h);
    closed.handle = h;
    c->cache.Drop();
  }
  if (path < 0) {
    if (toOpen.empty()) return IDAPI_ERR_NO_SUCH_INDEX;
    const int32_t h =
        VNXopen(toOpen.c_str(), static_cast<int32_t>(c->openOptions | c->transactionFlag), -1);
    if (h < 0) {
      MapClientFailure(h);
      return IDAPI_ERR_NO_SUCH_INDEX;
    }
    AccessPath added;
    added.name = toOpen;
    added.handle = h;
    c->paths.push_back(std::move(added));
    path = static_cast<int32_t>(c->paths.size() - 1);
    if (uint16_t s = PrepareKeys(c, path); s != IDAPI_OK) {
      Rclose(h);
      c->paths.pop_back();
      return s;
    }
    if (position != 0 && c->position > 0) {
      VNXRead(h, nullptr, 0, static_cast<int32_t>(Options(kReadByNumber, kNoLock | kPositionOnly)),
              nullptr, c->position, nullptr);
      c->cache.Drop();
    }
  }
  if (path != c->activePath) c->cache.Drop();
  c->activePath = path;
  c->key().range = 0;
  for (int16_t f : c->key().fields) c->usage[static_cast<size_t>(f)] |= kFieldUsed;
  return IDAPI_OK;
}

}  // namespace vantora::driver
