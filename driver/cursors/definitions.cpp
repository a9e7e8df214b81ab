#include "driver/cursors/definitions.h"

#include <cctype>
#include <cstdio>
#include <memory>

#include "driver/frame/database.h"
#include "driver/frame/errors.h"
#include "driver/frame/index_list.h"
#include "driver/frame/names.h"
#include "driver/frame/open_table.h"
#include "driver/frame/slots.h"
#include "mv432ida.h"

namespace vantora::driver {
namespace {

constexpr size_t kLine = 80;

// Columns are counted from 1, as DDS counts them.
void Put(std::string* line, size_t column, const std::string& text) {
  line->replace(column - 1, text.size(), text);
}

void PutRight(std::string* line, size_t lastColumn, int value) {
  const std::string text = std::to_string(value);
  Put(line, lastColumn + 1 - text.size(), text);
}

bool IsDdsName(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '_' && c != '$' && c != '#' &&
        c != '@') {
      return false;
    }
  }
  return std::isdigit(static_cast<unsigned char>(name[0])) == 0;
}

struct DdsType {
  char letter = 0;
  int length = 0;
  int decimals = 0;
  const char* keyword = nullptr;
};

bool MapDdsType(const NewField& f, DdsType* t) {
  switch (f.type) {
    case IDAPI_TYPE_STRING:
      *t = {'A', f.units1};
      return f.units1 > 0;
    case IDAPI_TYPE_DATE:
      *t = {'L'};
      return true;
    case IDAPI_TYPE_BLOB:
      *t = {'A', 2};
      return true;
    case IDAPI_TYPE_BOOL:
      *t = {'A', 1};  // '1' or '0'
      return true;
    case IDAPI_TYPE_BYTES:
      *t = {'A', f.units1};
      return f.units1 > 0;
    case IDAPI_TYPE_INT16:
    case IDAPI_TYPE_UINT16:
      *t = {'B', 4};
      return true;
    case IDAPI_TYPE_INT32:
    case IDAPI_TYPE_UINT32:
      *t = {'B', 8};
      return true;
    case IDAPI_TYPE_FLOAT:
      *t = {'F', 17, 0, "FLTPCN(*DOUBLE)"};
      return true;
    case IDAPI_TYPE_TIME:
      *t = {'T'};
      return true;
    case IDAPI_TYPE_TIMESTAMP:
      *t = {'Z'};
      return true;
    case IDAPI_TYPE_PACKED:
    case IDAPI_NATIVE_PACKED:
      *t = {'P', f.units1 + f.units2, f.units2};
      return t->length > 0 && t->length <= 63;
    default:
      return false;
  }
}

uint16_t Failed(const std::string& why) {
  PostMessage(IDAPI_ERR_FAILED, why);
  return IDAPI_ERR_FAILED;
}

std::string LibraryOr(const std::string& library, const DatabaseHandle* db) {
  const std::string trimmed = Trim(library);
  return trimmed.empty() && db != nullptr ? db->library : trimmed;
}

uint16_t RunSql(const std::string& text) {
  const int32_t r = VNXSqlImmediate(text.c_str(), static_cast<int32_t>(text.size()));
  return r == 0 ? IDAPI_OK : MapSqlFailure(r);
}

uint16_t ForgetFile(const std::string& library, const std::string& file, bool asIndex) {
  const int32_t r = ForgetIndexes(library, file, asIndex);
  return r == 0 ? IDAPI_OK : MapSqlFailure(r);
}

uint16_t AddIndex(RecordCursor* c, DatabaseHandle* db, const uint8_t* d) {
  const SplitName file = Split(c->paths[0].name);
  const std::string fileLibrary = LibraryOr(file.library, db);
  const std::string fileName = Trim(file.file);
  const char* rawName = reinterpret_cast<const char*>(d + IDAPI_IDX_NAME);
  const SplitName index =
      Split(std::string(rawName, idapi_text_length(d, IDAPI_IDX_NAME, IDAPI_NAME_TEXT_SIZE)));
  const std::string indexLibrary = LibraryOr(index.library, db);
  const std::string indexName = Trim(index.file);
  if (!IsObjectName(indexName) || (!indexLibrary.empty() && !IsObjectName(indexLibrary))) {
    PostMessage(IDAPI_ERR_INVALID_ARGUMENT, "The index name '" + indexName + "' is no AS/400 name");
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  const std::string qualifiedIndex = Join(indexLibrary, indexName);
  // Refused before anything is sent: an index of that name stays as it is.
  if (idapi_get_u16(d, IDAPI_IDX_PRIMARY) != 0) {
    PostMessage(IDAPI_ERR_PRIMARY_INDEX,
                "A primary index cannot be created: the file's own "
                "key is its primary index");
    return IDAPI_ERR_PRIMARY_INDEX;
  }

  const uint16_t count =
      std::min<uint16_t>(idapi_get_u16(d, IDAPI_IDX_KEY_FIELDS), IDAPI_IDX_MAX_KEY_FIELDS);
  if (count == 0) {
    PostMessage(IDAPI_ERR_INVALID_ARGUMENT, "The index " + indexName + " has no key field");
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  std::vector<std::string> names;
  for (uint16_t k = 0; k < count; ++k) {
    const uint16_t number = idapi_get_u16(d, IDAPI_IDX_FIELD_NUMBERS + 2u * k);
    if (number < 1 || number > c->fields.size()) {
      PostMessage(IDAPI_ERR_INVALID_ARGUMENT, "The index " + indexName + " names field " +
                                                  std::to_string(number) +
                                                  ", which the table does not have");
      return IDAPI_ERR_INVALID_ARGUMENT;
    }
    names.push_back(c->fields[number - 1u].name);
  }
  const bool dropped = RunSql("DROP INDEX " + qualifiedIndex) == IDAPI_OK;
  const std::string statement = CreateIndexStatement(
      qualifiedIndex, Join(fileLibrary, fileName), idapi_get_u16(d, IDAPI_IDX_UNIQUE) != 0,
      idapi_get_u16(d, IDAPI_IDX_DESCENDING) != 0, names);
  uint16_t status = RunSql(statement);
  if (status == IDAPI_OK) {
    status = ForgetFile(fileLibrary, fileName, false);
  } else if (dropped) {
    // The old index is gone and no new one came: the dictionary forgets it.
    ForgetFile(indexLibrary, indexName, true);
  }
  c->indexesKnown = false;
  c->indexes.clear();
  return status;
}

uint16_t DeleteIndex(RecordCursor* c, DatabaseHandle* db, const char* name) {
  if (name == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  const SplitName index = Split(name);
  const std::string library = LibraryOr(index.library, db);
  const std::string file = Trim(index.file);
  if (!IsObjectName(file) || (!library.empty() && !IsObjectName(library))) {
    PostMessage(IDAPI_ERR_INVALID_ARGUMENT, "The index name '" + file + "' is no AS/400 name");
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  uint16_t status = RunSql("DROP INDEX " + Join(library, file));
  if (status == IDAPI_OK) status = ForgetFile(library, file, true);
  if (c != nullptr) {
    c->indexesKnown = false;
    c->indexes.clear();
  }
  return status;
}

}  // namespace

std::string CreateIndexStatement(const std::string& index, const std::string& file, bool unique,
                                 bool descending, const std::vector<std::string>& fields) {
  std::string s = "CREATE ";
  if (unique) s += " UNIQUE ";
  s += " INDEX " + index + " ON " + file + " (";
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) s += ",";
    s += fields[i] + (descending ? " DESC" : " ASC");
  }
  return s + ")";
}

bool TableSource(const std::string& file, const std::vector<NewField>& fields,
                 const std::vector<uint16_t>& keyFields, bool uniqueKey,
                 std::vector<std::string>* lines, std::string* problem) {
  lines->clear();
  std::string first(kLine, ' ');
  Put(&first, 6, "*");
  if (uniqueKey) Put(&first, 45, "UNIQUE");
  lines->push_back(first);

  std::string record(kLine, ' ');
  Put(&record, 6, "A");
  Put(&record, 17, "R");
  Put(&record, 19, ("R" + file).substr(0, 10));
  lines->push_back(record);

  std::vector<std::string> cut;  // the names as written
  for (size_t i = 0; i < fields.size(); ++i) {
    const NewField& f = fields[i];
    const std::string name = Upper(f.name);
    if (!IsDdsName(name)) {
      *problem = "the field name '" + f.name + "' cannot stand in DDS";
      return false;
    }
    DdsType t;
    if (!MapDdsType(f, &t)) {
      *problem = "the field " + f.name + " has a type without a DDS data type";
      return false;
    }
    std::string written = name.substr(0, 10);
    if (name.size() > 10) {
      int clashes = 0;
      for (size_t j = 0; j < i; ++j) {
        const std::string other = Upper(fields[j].name);
        if (other.size() > 10 && other.substr(0, 10) == name.substr(0, 10)) ++clashes;
      }
      if (clashes > 26) {
        *problem = "too many field names start with " + name.substr(0, 10);
        return false;
      }
      if (clashes > 0) {
        written = name.substr(0, 8) + "_" + static_cast<char>('A' + clashes - 1);
      }
    }
    for (const std::string& earlier : cut) {
      if (earlier == written) {
        *problem = "two fields would both be named " + written;
        return false;
      }
    }
    cut.push_back(written);
    std::string line(kLine, ' ');
    Put(&line, 6, "A");
    Put(&line, 19, written);
    if (t.length != 0) PutRight(&line, 34, t.length);
    line[34] = t.letter;
    if (t.decimals != 0) PutRight(&line, 37, t.decimals);
    if (t.keyword != nullptr) Put(&line, 45, t.keyword);
    lines->push_back(line);
  }
  for (uint16_t k : keyFields) {
    if (k >= cut.size()) {
      *problem = "the key names a field the table does not have";
      return false;
    }
    std::string line(kLine, ' ');
    Put(&line, 17, "K");
    Put(&line, 19, cut[k]);
    lines->push_back(line);
  }
  return true;
}

uint16_t MaintainIndex(void* cursor, void* database, uint16_t operation, const char* table,
                       const char* indexName, const void* indexDescriptor) {
  // Regenerating is not supported; the engine's other operations need no work.
  if (operation == IDAPI_INDEX_REGENERATE) return IDAPI_ERR_NOT_SUPPORTED;
  if (operation != IDAPI_INDEX_ADD && operation != IDAPI_INDEX_DELETE) return IDAPI_OK;
  RecordCursor* c = nullptr;
  if (cursor != nullptr) {
    c = LookUp<RecordCursor>(static_cast<IdapiCursorObject*>(cursor)->handle);
    if (c == nullptr || c->isQuery()) return IDAPI_ERR_INVALID_ARGUMENT;
    if (database == nullptr) database = static_cast<IdapiCursorObject*>(cursor)->database;
  }
  DatabaseHandle* db = DatabaseOf(database);
  if (db == nullptr && c == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  if (operation == IDAPI_INDEX_DELETE) {
    uint16_t status = DeleteIndex(c, db, indexName);
    return status;
  }
  if (indexDescriptor == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  RecordCursor* temporary = nullptr;
  if (c == nullptr) {
    if (table == nullptr || *table == '\0') return IDAPI_ERR_INVALID_ARGUMENT;
    auto owned = std::make_unique<RecordCursor>();
    owned->parent = db->number;
    owned->library = db->library;
    temporary = owned.get();
    if (AddHandle(std::move(owned)) < 0) return IDAPI_ERR_NO_MEMORY;
    if (OpenFile(temporary, table, kOpenReadOnly) != IDAPI_OK) {
      FreeHandle(temporary);
      return IDAPI_ERR_INVALID_REQUEST;
    }
    c = temporary;
  }
  const uint16_t status = AddIndex(c, db, static_cast<const uint8_t*>(indexDescriptor));
  if (temporary != nullptr) FreeHandle(temporary);
  return status;
}

uint16_t CreateTable(void* database, uint16_t, const IdapiTableDefinition* definition) {
  DatabaseHandle* db = DatabaseOf(database);
  if (db == nullptr || definition == nullptr || definition->name == nullptr ||
      (definition->fieldCount > 0 && definition->fields == nullptr)) {
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  const SplitName name = Split(definition->name);
  const std::string library = LibraryOr(name.library, db);
  const std::string file = Trim(name.file);
  if (!IsObjectName(file) || !IsObjectName(library) || definition->fieldCount == 0) {
    PostMessage(IDAPI_ERR_INVALID_ARGUMENT,
                std::string("The table '") + definition->name + "' cannot be created: " +
                    (definition->fieldCount == 0 ? "it has no fields" : "no AS/400 name"));
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  std::vector<NewField> fields;
  const auto* d = static_cast<const uint8_t*>(definition->fields);
  for (uint16_t i = 0; i < definition->fieldCount; ++i) {
    const EngineField f = EngineField::Read(d + static_cast<size_t>(i) * IDAPI_FIELD_DESC_SIZE);
    fields.push_back({f.name, f.type, f.units1, f.units2});
  }
  std::vector<uint16_t> keys;
  bool unique = false;
  if (definition->indexCount > 0 && definition->indexes != nullptr) {
    const auto* index = static_cast<const uint8_t*>(definition->indexes);
    unique = idapi_get_u16(index, IDAPI_IDX_UNIQUE) != 0;
    const uint16_t n =
        std::min<uint16_t>(idapi_get_u16(index, IDAPI_IDX_KEY_FIELDS), IDAPI_IDX_MAX_KEY_FIELDS);
    for (uint16_t k = 0; k < n; ++k) {
      const uint16_t number = idapi_get_u16(index, IDAPI_IDX_FIELD_NUMBERS + 2u * k);
      keys.push_back(static_cast<uint16_t>(number - 1u));
    }
  }
  std::vector<std::string> lines;
  std::string problem;
  if (!TableSource(file, fields, keys, unique, &lines, &problem)) {
    PostMessage(IDAPI_ERR_UNKNOWN_TYPE, "The table " + file + " cannot be created: " + problem);
    return IDAPI_ERR_UNKNOWN_TYPE;
  }
  const std::string qualified = library + "/" + file;
  const std::string source = library + "/QDDSSRC";
  const std::string member = source + "(" + file + ")";
  RCreatDDS(member.c_str(), 1, lines[0].c_str(), 0);
  const size_t keyLines = keys.size();
  for (size_t i = 1; i < lines.size(); ++i) {
    const int32_t r = RCreatDDS(member.c_str(), 1, lines[i].c_str(), 2);
    const bool keyLine = i >= lines.size() - keyLines;
    if (r < 0 && !keyLine)
      return Failed("The DDS source of " + qualified + " could not be written");
  }
  const std::string command =
      "CRTPF FILE(" + qualified + ") SRCFILE(" + source + ")" + " SIZE(10000 1000 100) SHARE(*YES)";
  const int32_t r = VNXCmdExec(command.c_str());
  return r < 0 ? MapClientFailure(r) : IDAPI_OK;
}

}  // namespace vantora::driver
