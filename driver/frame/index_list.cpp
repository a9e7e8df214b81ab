#include "driver/frame/index_list.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "driver/frame/database.h"
#include "driver/frame/errors.h"
#include "driver/frame/names.h"
#include "driver/frame/open_table.h"
#include "driver/frame/slots.h"
#include "driver/frame/type_mapping.h"
#include "mv432ida.h"
#include "platform/ui_sink.h"

namespace vantora::driver {
namespace {

// The YIDXR0100 record (149 bytes, PC form).
//   0 kind ('0' the physical file, '1' one index), 1 PFFIL, 11 PFLIB, 21 LFFIL,
//   31 LFLIB (10 each), 41 two bytes 0, 43 index number, 45 unique flag,
//   47 key field count, 49 50 key field numbers (16-bit, from 1).
constexpr int kEntrySize = 149;
constexpr int kEntryKind = 0;
constexpr int kEntryPfFile = 1;
constexpr int kEntryPfLibrary = 11;
constexpr int kEntryLfFile = 21;
constexpr int kEntryLfLibrary = 31;
constexpr int kEntryNumber = 43;
constexpr int kEntryUnique = 45;
constexpr int kEntryKeyCount = 47;
constexpr int kEntryKeys = 49;
constexpr int kEntryMaxKeys = 50;
constexpr int kEntryKeyLength = 21;
constexpr int kBlock = 20;

// The DBRL0100 entry of QDBLDBR (48 bytes): dependent file 20, its library
// 30, dependency type 40, join reference 44.
constexpr int kRelationSize = 48;
constexpr int kRelationBlock = 41;
constexpr int kRelationFile = 20;
constexpr int kRelationLibrary = 30;
constexpr int kRelationType = 40;
constexpr int kRelationJoin = 44;

constexpr int kKeyDescSize = 26;

class Busy {
 public:
  Busy() { platform::CurrentUiSink().Busy(true); }
  ~Busy() { platform::CurrentUiSink().Busy(false); }
};

std::string Text(const unsigned char* record, int offset, int width) {
  return std::string(reinterpret_cast<const char*>(record + offset), static_cast<size_t>(width));
}

DatabaseHandle* DatabaseAbove(DriverHandle* object) {
  DriverHandle* h = object;
  for (int hops = 0; h != nullptr && hops < 8; ++hops) {
    if (h->kind == HandleKind::kDatabase) return static_cast<DatabaseHandle*>(h);
    h = LookUpHandle(h->parent);
  }
  return nullptr;
}

// The physical file as the dictionary keys it: the library blank-padded and
// never blank (the database's library stands in).
SplitName KeyName(const std::string& fileName, const std::string& library) {
  SplitName n = Split(fileName);
  if (Trim(n.library).empty()) n.library = Pad(Upper(library), 10);
  return n;
}

uint16_t KeyLengthOf(const RecordCursor& c, const std::vector<uint16_t>& fields) {
  int32_t length = 0;
  for (uint16_t number : fields) {
    const EngineField& f = c.fields[number - 1u];
    length += f.type == IDAPI_TYPE_FLOAT && f.length == 0 ? 8 : f.length;
  }
  return static_cast<uint16_t>(length);
}

enum class Dictionary { kNone, kRead, kStale };

// Reads the dictionary's entries of the file: none, read, or stale (an entry
// that cannot be true of the file: the entries are then rebuilt).
Dictionary ReadDictionary(int32_t dictionary, const SplitName& file, const RecordCursor& c,
                          std::vector<IndexInfo>* list) {
  unsigned char key[kEntryKeyLength];
  key[0] = '0';
  std::memcpy(key + 1, file.file.data(), 10);
  std::memcpy(key + 11, file.library.data(), 10);
  std::vector<unsigned char> entries(kEntrySize * kBlock);
  if (VNXRead(dictionary, entries.data(), kEntrySize, static_cast<int32_t>(Options(kReadKeyEqual, kNoLock)), key,
              kEntryKeyLength, nullptr) != 1) {
    return Dictionary::kNone;
  }
  std::vector<std::vector<unsigned char>> records{
      std::vector<unsigned char>(entries.begin(), entries.begin() + kEntrySize)};
  key[0] = '1';
  uint8_t operation = kReadKeyEqual;
  for (;;) {
    const int32_t got =
        VNXRead(dictionary, entries.data(), kEntrySize,
                static_cast<int32_t>(Options(operation, kNoLock | kBlocked) | kBlock), key,
                kEntryKeyLength, nullptr);
    for (int32_t i = 0; i < std::min<int32_t>(got, kBlock); ++i) {
      records.emplace_back(entries.begin() + kEntrySize * i, entries.begin() + kEntrySize * (i + 1));
    }
    if (got != kBlock) break;
    operation = kReadNextEqual;
  }
  list->clear();
  for (const auto& r : records) {
    const int16_t number = idapi_get_i16(r.data(), kEntryNumber);
    if (number <= 0) continue;
    const int16_t count = idapi_get_i16(r.data(), kEntryKeyCount);
    if (count < 1 || count > kEntryMaxKeys || count > IDAPI_IDX_MAX_KEY_FIELDS) {
      return Dictionary::kStale;
    }
    IndexInfo index;
    index.name = Join(Text(r.data(), kEntryLfLibrary, 10), Text(r.data(), kEntryLfFile, 10));
    index.number = static_cast<uint16_t>(number - 1);
    index.unique = (idapi_get_u16(r.data(), kEntryUnique) & 1) != 0;
    for (int k = 0; k < count; ++k) {
      const uint16_t field = idapi_get_u16(r.data(), kEntryKeys + 2 * static_cast<size_t>(k));
      if (field < 1 || field > c.fieldCount) return Dictionary::kStale;
      index.fields.push_back(field);
    }
    index.keyLength = KeyLengthOf(c, index.fields);
    list->push_back(std::move(index));
  }
  return Dictionary::kRead;
}

void AddDependents(const SplitName& file, std::vector<IndexInfo>* list) {
  const std::string qualified = file.file + file.library;  // the API's 20-character form
  const int32_t format = VNXopen("YDBRL0100", 1, -1);
  if (format < 0) {
    ShowClientFailure("Cannot open YDBRL0100", format);
    return;
  }
  const char* space = "QTEMP/QDBRMV400";
  int32_t r = VNXApiCall("QUSCRTUS", space, "PF", "100000", " ", "*ALL", " ", "*YES");
  if (r < 0) {
    ShowClientFailure("QUSCRTUS", r);
  } else if ((r = VNXApiCall("QDBLDBR", space, "DBRL0100", qualified.c_str(), "*FIRST", "", "",
                             "")) < 0) {
    ShowClientFailure("QDBLDBR", r);
  } else if ((r = VNXMapFile(format, space, 0)) < 0) {
    ShowClientFailure("VNXMapFile YDBR0100", r);
  } else {
    std::vector<unsigned char> block(kRelationSize * kRelationBlock);
    uint8_t operation = kReadFirst;
    bool stop = false;
    while (!stop) {
      const int32_t got =
          VNXRead(format, block.data(), kRelationSize,
                  static_cast<int32_t>(Options(operation, kBlocked) | kRelationBlock), nullptr, 0,
                  nullptr);
      if (got <= 0) break;
      operation = kReadNext;
      for (int32_t i = 0; i < std::min<int32_t>(got, kRelationBlock) && !stop; ++i) {
        const unsigned char* e = block.data() + kRelationSize * i;
        if (idapi_get_i32(e, kRelationJoin) != 0 || e[kRelationType] != 'D') continue;
        const std::string name =
            Join(Text(e, kRelationLibrary, 10), Text(e, kRelationFile, 10));
        const int32_t dependent = VNXopen(name.c_str(), 1, -1);
        if (dependent < 0) continue;
        unsigned char desc[18] = {};
        if (GetNbrFmt(dependent) <= 1 &&
            VNXGetDesc(dependent, desc, 18, VNX_DESC_FILE_18, nullptr) >= 0 &&
            idapi_get_i16(desc, 14) >= 1) {
          IndexInfo index;
          index.name = name;
          index.number = static_cast<uint16_t>(list->size());
          index.unique = (idapi_get_u16(desc, 16) & 1) != 0;
          const int keys = std::min<int>(idapi_get_i16(desc, 14), IDAPI_IDX_MAX_KEY_FIELDS);
          bool complete = true;
          for (int k = 0; k < keys; ++k) {
            unsigned char keyDesc[kKeyDescSize] = {};
            if (VNXGetDesc(dependent, keyDesc, kKeyDescSize,
                           static_cast<int32_t>(0x21000000 + k), nullptr) < 0) {
              complete = false;
              break;
            }
            index.fields.push_back(static_cast<uint16_t>(idapi_get_i16(keyDesc, 22) + 1));
            index.keyLength = static_cast<uint16_t>(index.keyLength + idapi_get_i16(keyDesc, 12));
            index.descending = idapi_get_i16(keyDesc, 24) != 0;
          }
          if (complete) {
            list->push_back(std::move(index));
          } else {
            stop = true;  // keep what was gathered
          }
        }
        Rclose(dependent);
      }
    }
  }
  Rclose(format);
}

// Writes the list to the dictionary; false when it could not be written
// whole (then none of the file's entries stays).
bool WriteDictionary(const SplitName& file, const std::string& qualified,
                     const std::vector<IndexInfo>& list) {
  const int32_t dictionary = VNXopen("YIDXR0100", 3, -1);
  if (dictionary < 0) return false;
  auto entry = [&](char kind, const SplitName& index, int16_t number, const IndexInfo* info) {
    unsigned char r[kEntrySize];
    std::memset(r, 0, sizeof r);
    r[kEntryKind] = static_cast<unsigned char>(kind);
    std::memcpy(r + kEntryPfFile, file.file.data(), 10);
    std::memcpy(r + kEntryPfLibrary, file.library.data(), 10);
    std::memcpy(r + kEntryLfFile, index.file.data(), 10);
    std::memcpy(r + kEntryLfLibrary, index.library.data(), 10);
    idapi_put_u16(r, kEntryNumber, static_cast<uint16_t>(number));
    if (info != nullptr) {
      idapi_put_u16(r, kEntryUnique, info->unique ? 1 : 0);
      const size_t n = std::min<size_t>(info->fields.size(), kEntryMaxKeys);
      idapi_put_u16(r, kEntryKeyCount, static_cast<uint16_t>(n));
      for (size_t k = 0; k < n; ++k) idapi_put_u16(r, kEntryKeys + 2 * k, info->fields[k]);
    }
    return VNXWrite(dictionary, r, kEntrySize, 0x01000000, nullptr) >= 0;
  };
  const bool ownKey = !list.empty() && list[0].name == qualified;
  bool ok = entry('0', file, ownKey ? 1 : 0, ownKey ? &list[0] : nullptr);
  int16_t number = ownKey ? 1 : 0;
  for (size_t i = ownKey ? 1 : 0; i < list.size() && ok; ++i) {
    SplitName index = Split(list[i].name);
    if (Trim(index.library).empty()) index.library = file.library;
    ok = entry('1', index, ++number, &list[i]);
  }
  Rclose(dictionary);
  if (!ok) ForgetIndexes(Trim(file.library), Trim(file.file), false);
  return ok;
}

}  // namespace

int32_t ForgetIndexes(const std::string& library, const std::string& file, bool asIndex) {
  if (!IsObjectName(library) || !IsObjectName(file)) return -1;
  const std::string statement = std::string("DELETE FROM YIDXR0100 WHERE ") +
                                (asIndex ? "LFLIB='" : "PFLIB='") + library +
                                (asIndex ? "' AND LFFIL='" : "' AND PFFIL='") + file + "'";
  return VNXSqlImmediate(statement.c_str(), static_cast<int32_t>(statement.size()));
}

std::vector<IndexInfo> ListIndexes(DriverHandle* object, const std::string& fileName) {
  Busy busy;
  DatabaseHandle* db = DatabaseAbove(object);
  const std::string library = db != nullptr ? db->library : object->library;
  RecordCursor* cursor = object->kind == HandleKind::kRecordCursor
                             ? static_cast<RecordCursor*>(object)
                             : nullptr;

  if (cursor != nullptr && cursor->dataQueue) {
    IndexInfo q;
    q.name = cursor->paths[0].name;
    q.primary = true;
    q.unique = true;
    for (int16_t f : cursor->paths[0].key.fields) q.fields.push_back(static_cast<uint16_t>(f + 1));
    q.keyLength = static_cast<uint16_t>(cursor->paths[0].key.length);
    cursor->indexes = {q};
    cursor->indexesKnown = true;
    return cursor->indexes;
  }

  // Other objects work on a cursor of their own over the file.
  std::unique_ptr<RecordCursor> temporary;
  if (cursor == nullptr) {
    temporary = std::make_unique<RecordCursor>();
    temporary->parent = db != nullptr ? db->number : -1;
    temporary->library = library;
    if (OpenFile(temporary.get(), fileName, 1) != IDAPI_OK ||
        PrepareKeys(temporary.get(), 0) != IDAPI_OK) {
      temporary->paths.resize(1);
      for (AccessPath& p : temporary->paths) {
        if (p.handle >= 0) Rclose(p.handle);
        p.handle = -1;
      }
      return {};
    }
    cursor = temporary.get();
  }
  const std::string qualified = cursor->paths[0].name;
  const SplitName file = KeyName(qualified, library);
  const bool noDatabaseFile = (cursor->fileFlags & 0x8) != 0;

  std::vector<IndexInfo> list;
  const bool tryDictionary = temporary != nullptr || (cursor->useDictionary && !noDatabaseFile);
  const int32_t dictionary = db != nullptr ? db->secondFile : -1;
  const Dictionary read = tryDictionary && dictionary >= 0
                              ? ReadDictionary(dictionary, file, *cursor, &list)
                              : Dictionary::kNone;
  if (read != Dictionary::kRead) {
    list.clear();
    cursor->useDictionary = false;
    const AccessPath& own = cursor->paths[0];
    if (!own.key.fields.empty()) {
      IndexInfo index;
      index.name = qualified;
      index.unique = (own.fileFlags & 1) != 0;
      for (int16_t f : own.key.fields) index.fields.push_back(static_cast<uint16_t>(f + 1));
      index.keyLength = static_cast<uint16_t>(own.key.length);
      list.push_back(std::move(index));
    }
    if (!noDatabaseFile) {
      AddDependents(file, &list);
      // Stale entries go before the new ones are written.
      if (read == Dictionary::kStale) ForgetIndexes(Trim(file.library), Trim(file.file), false);
      if (WriteDictionary(file, qualified, list)) cursor->useDictionary = true;
    }
  }
  if (temporary != nullptr) {
    for (AccessPath& p : temporary->paths) {
      if (p.handle >= 0) Rclose(p.handle);
      p.handle = -1;
    }
  } else {
    cursor->indexes = list;
    cursor->indexesKnown = true;
  }
  return list;
}

uint16_t OpenIndexList(void* engineDatabase, const char* table, void** outCursor) {
  if (table == nullptr || *table == '\0') return IDAPI_ERR_INVALID_ARGUMENT;
  DatabaseHandle* db = DatabaseOf(engineDatabase);
  if (db == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  const int32_t dbNumber = db->number;
  const std::string library = db->library;
  return OpenCursorObject(engineDatabase, outCursor,
                          [&](int32_t, IdapiCursorObject* engineCursor) -> uint16_t {
                            auto owned = std::make_unique<IndexListCursor>();
                            IndexListCursor* c = owned.get();
                            c->parent = dbNumber;
                            c->library = library;
                            c->AddField("NAME", IDAPI_TYPE_STRING, IDAPI_NAME_TEXT_SIZE);
                            c->AddField("IndexId", IDAPI_TYPE_UINT16, 2);
                            c->rowLength = IDAPI_INDEX_DESC_SIZE;
                            const int32_t number = AddHandle(std::move(owned));
                            if (number < 0) return IDAPI_ERR_NO_MEMORY;
                            engineCursor->handle = number;
                            c->rows = ListIndexes(c, table);
                            return IDAPI_OK;
                          });
}

uint16_t IndexListCursor::Next(void* out) {
  if (state == kStateBeforeFirst) {
    row = 0;
    state = kStateReading;
  }
  if (row >= static_cast<int32_t>(rows.size())) return IDAPI_ERR_EOF;
  if (out != nullptr) rows[static_cast<size_t>(row)].Write(out);
  ++row;
  return IDAPI_OK;
}

}  // namespace vantora::driver
