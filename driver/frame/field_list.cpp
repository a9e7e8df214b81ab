#include "driver/frame/field_list.h"

#include <memory>

#include "driver/frame/database.h"
#include "driver/frame/open_table.h"
#include "driver/frame/slots.h"
#include "mv432ida.h"

namespace vantora::driver {

uint16_t OpenFieldList(void* engineDatabase, const char* table, void** outCursor) {
  if (table == nullptr || *table == '\0') return IDAPI_ERR_INVALID_ARGUMENT;
  DatabaseHandle* db = DatabaseOf(engineDatabase);
  if (db == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  const int32_t dbNumber = db->number;
  const std::string library = db->library;
  return OpenCursorObject(
      engineDatabase, outCursor, [&](int32_t, IdapiCursorObject* engineCursor) -> uint16_t {
        // The table is opened read-only just for its descriptors.
        RecordCursor file;
        file.parent = dbNumber;
        file.library = library;
        const uint16_t s = OpenFile(&file, table, 1);
        for (AccessPath& p : file.paths) {
          if (p.handle >= 0) Rclose(p.handle);
          p.handle = -1;
        }
        if (s != IDAPI_OK) return s;
        auto owned = std::make_unique<FieldListCursor>();
        FieldListCursor* c = owned.get();
        c->parent = dbNumber;
        c->library = library;
        c->AddField("FieldNo", IDAPI_TYPE_UINT16, 2, IDAPI_FLD_NUMBER);
        c->AddField("NAME", IDAPI_TYPE_STRING, IDAPI_FLD_NAME_SIZE, IDAPI_FLD_NAME);
        c->AddField("FldType", IDAPI_TYPE_UINT16, 2, IDAPI_FLD_TYPE);
        c->AddField("FileName", IDAPI_TYPE_STRING, 1, 36);
        c->rowLength = IDAPI_FIELD_DESC_SIZE;
        c->rows = file.fields;
        const int32_t number = AddHandle(std::move(owned));
        if (number < 0) return IDAPI_ERR_NO_MEMORY;
        engineCursor->handle = number;
        return IDAPI_OK;
      });
}

uint16_t FieldListCursor::Next(void* out) {
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
