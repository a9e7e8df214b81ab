#include "driver/cursors/descriptors.h"

#include <cstring>

#include "driver/frame/catalogue_cursor.h"
#include "driver/frame/entry_tables.h"
#include "driver/frame/index_list.h"
#include "driver/frame/record_cursor.h"

namespace vantora::driver {
namespace {

const std::vector<IndexInfo>& KnownIndexes(RecordCursor* c) {
  if (!c->indexesKnown && !c->isQuery()) ListIndexes(c, c->paths[0].name);
  return c->indexes;
}

void Put(void* p, size_t offset, uint16_t value) {
  idapi_put_u16(p, offset, value);
}

}  // namespace

uint16_t CursorProperties(DriverHandle* h, const IdapiCursorObject* engineCursor,
                          void* properties) {
  if (properties == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  std::memset(properties, 0, IDAPI_CURSOR_PROPS_SIZE);
  uint16_t fields = 0, recordSize = 0, bufferSize = 0, indexes = 0;
  std::string name;
  if (h->kind == HandleKind::kRecordCursor) {
    auto* c = static_cast<RecordCursor*>(h);
    if (!c->paths.empty()) name = c->paths[0].name;
    fields = static_cast<uint16_t>(c->fieldCount);
    recordSize = static_cast<uint16_t>(c->dataLength);
    bufferSize = static_cast<uint16_t>(c->bufferSize);
    indexes = c->isQuery() ? 0 : static_cast<uint16_t>(KnownIndexes(c).size());
  } else if (CatalogueCursor::IsKind(h->kind)) {
    auto* c = static_cast<CatalogueCursor*>(h);
    fields = static_cast<uint16_t>(c->virtualFields.size());
    recordSize = static_cast<uint16_t>(c->rowLength);
    bufferSize = static_cast<uint16_t>(c->rowLength);
  } else {
    return IDAPI_ERR_NOT_SUPPORTED;
  }
  idapi_put_text(properties, IDAPI_CPROP_NAME, IDAPI_CPROP_NAME_SIZE, name.c_str());
  Put(properties, IDAPI_CPROP_PROPERTY_COUNT, 35);
  idapi_put_text(properties, IDAPI_CPROP_TABLE_TYPE, 32, kDriverType);
  Put(properties, IDAPI_CPROP_FIELDS, fields);
  Put(properties, IDAPI_CPROP_RECORD_SIZE, recordSize);
  Put(properties, IDAPI_CPROP_BUFFER_SIZE, bufferSize);
  Put(properties, IDAPI_CPROP_KEY_SIZE_LIMIT, 10);
  Put(properties, IDAPI_CPROP_INDEXES, indexes);
  Put(properties, IDAPI_CPROP_BOOKMARK_SIZE, IDAPI_BOOKMARK_SIZE);
  Put(properties, IDAPI_CPROP_BOOKMARK_STABLE, 1);
  Put(properties, IDAPI_CPROP_RIGHTS, 0xFFFF);
  idapi_put_u32(properties, IDAPI_CPROP_FLAGS, 31);
  Put(properties, IDAPI_CPROP_WORD343, 1);
  Put(properties, IDAPI_CPROP_WORD351, 5);
  Put(properties, IDAPI_CPROP_WORD385, 1);
  Put(properties, IDAPI_CPROP_MAX_BLOCK, 32000);
  if (engineCursor != nullptr && engineCursor->database != nullptr) {
    const auto* db = static_cast<const IdapiDatabaseObject*>(engineCursor->database);
    if (db->languageDriver != nullptr) IdapiPropertiesLanguageDriver(db->languageDriver, properties);
  }
  return IDAPI_OK;
}

uint16_t FieldDescriptors(DriverHandle* h, void* descriptors) {
  if (descriptors == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  const std::vector<EngineField>* fields = nullptr;
  if (h->kind == HandleKind::kRecordCursor) {
    fields = &static_cast<RecordCursor*>(h)->fields;
  } else if (CatalogueCursor::IsKind(h->kind)) {
    fields = &static_cast<CatalogueCursor*>(h)->virtualFields;
  } else {
    return IDAPI_ERR_NOT_SUPPORTED;
  }
  auto* out = static_cast<uint8_t*>(descriptors);
  for (const EngineField& f : *fields) {
    EngineField reported = f;
    if (f.type == IDAPI_TYPE_STRING) reported.length = static_cast<uint16_t>(f.length + 1);
    reported.Write(out);
    out += IDAPI_FIELD_DESC_SIZE;
  }
  return IDAPI_OK;
}

uint16_t IndexDescriptor(DriverHandle* h, uint16_t number, void* descriptor) {
  if (h->kind != HandleKind::kRecordCursor || descriptor == nullptr) return IDAPI_ERR_NO_SUCH_INDEX;
  auto* c = static_cast<RecordCursor*>(h);
  if (c->isQuery()) return IDAPI_ERR_NO_SUCH_INDEX;
  if (number == 0) number = static_cast<uint16_t>(c->activePath + 1);
  if (number == 1 && c->paths[0].key.fields.empty()) number = 2;
  if (number <= c->paths.size()) {
    const AccessPath& p = c->paths[number - 1u];
    IndexInfo index;
    index.name = p.name;
    index.number = number;
    index.primary = number == 1;
    index.unique = (p.fileFlags & 1) != 0;
    for (int16_t f : p.key.fields) index.fields.push_back(static_cast<uint16_t>(f + 1));
    index.keyLength = static_cast<uint16_t>(p.key.length);
    index.Write(descriptor);
    return IDAPI_OK;
  }
  const std::vector<IndexInfo>& list = KnownIndexes(c);
  if (number <= list.size()) {
    IndexInfo index = list[number - 1u];
    index.number = number;  // the engine's numbering, from 1
    index.Write(descriptor);
    return IDAPI_OK;
  }
  return IDAPI_ERR_NO_SUCH_INDEX;
}

uint16_t AllIndexDescriptors(DriverHandle* h, void* descriptors) {
  if (h->kind != HandleKind::kRecordCursor || descriptors == nullptr) return IDAPI_OK;
  auto* c = static_cast<RecordCursor*>(h);
  if (c->isQuery()) return IDAPI_OK;
  auto* out = static_cast<uint8_t*>(descriptors);
  for (const IndexInfo& index : KnownIndexes(c)) {
    index.Write(out);
    out += IDAPI_INDEX_DESC_SIZE;
  }
  return IDAPI_OK;
}

}  // namespace vantora::driver
