#include "driver/frame/table_list.h"

#include <cstring>
#include <memory>

#include "driver/frame/database.h"
#include "driver/frame/names.h"
#include "driver/frame/slots.h"
#include "mv432ida.h"
#include "mv432slf.h"

namespace vantora::driver {
namespace {

constexpr int32_t kDictionaryEntry = 21;  // kind, physical file, library

// Reading the selection library's list: 1 an entry, 0 the end.
constexpr int32_t kSelectionEntry = 1;

}  // namespace

uint16_t TableListCursor::Next(void* out) {
  std::string libraryPart, filePart;
  if (fromDictionary) {
    // The physical files the index dictionary knows (its kind 0 entries).
    unsigned char entry[kDictionaryEntry] = {};
    const uint8_t operation = state == kStateBeforeFirst ? kReadKeyEqual : kReadNextEqual;
    state = kStateReading;
    if (secondFile < 0 ||
        VNXRead(secondFile, entry, kDictionaryEntry,
                static_cast<int32_t>(Options(operation, kNoLock)), "0", 1, nullptr) < 1) {
      return IDAPI_ERR_EOF;
    }
    filePart.assign(reinterpret_cast<const char*>(entry + 1), 10);
    libraryPart.assign(reinterpret_cast<const char*>(entry + 11), 10);
  } else {
    if (state == kStateBeforeFirst) {
      if (namingMarker == '*') VNXChoixLibFichierHideDialog();
      VNXChoixLibFichier("*FIRST");
      state = kStateReading;
    }
    char lib[10], file[10];
    int32_t value = 0;
    if (VNXChoixLibFichierData(lib, file, &value) != kSelectionEntry) return IDAPI_ERR_EOF;
    libraryPart.assign(lib, 10);
    filePart.assign(file, 10);
    if (Trim(filePart).empty()) return IDAPI_ERR_EOF;  // confirmed with nothing chosen
  }
  std::string libraryName = Trim(libraryPart.substr(0, 10));
  if (wire::EqualsIgnoringCase(libraryName, library)) libraryName.clear();
  const std::string name = Join(libraryName, filePart);
  if (out != nullptr) {
    idapi_put_text(out, IDAPI_TLROW_NAME, IDAPI_NAME_TEXT_SIZE, name.c_str());
    idapi_put_text(out, IDAPI_TLROW_FILENAME, IDAPI_NAME_TEXT_SIZE, name.c_str());
    idapi_put_text(out, IDAPI_TLROW_EXTENSION, 4, "");
    idapi_put_text(out, IDAPI_TLROW_TYPE, 32, "AS400");
    idapi_put_u16(out, IDAPI_TLROW_VIEW, 0);
    idapi_put_u16(out, IDAPI_TLROW_SYNONYM, 0);
  }
  ++row;
  return IDAPI_OK;
}

uint16_t OpenTableList(void* engineDatabase, void** outCursor) {
  DatabaseHandle* db = DatabaseOf(engineDatabase);
  if (db == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  const int32_t dbNumber = db->number;
  const std::string library = db->library;
  const char marker = db->namingMarker;
  return OpenCursorObject(engineDatabase, outCursor,
                          [&](int32_t, IdapiCursorObject* engineCursor) -> uint16_t {
                            auto owned = std::make_unique<TableListCursor>();
                            TableListCursor* c = owned.get();
                            c->parent = dbNumber;
                            c->library = library;
                            c->namingMarker = marker;
                            c->AddField("NAME", IDAPI_TYPE_STRING, IDAPI_NAME_TEXT_SIZE);
                            c->AddField("FILENAME", IDAPI_TYPE_STRING, IDAPI_NAME_TEXT_SIZE);
                            c->AddField("EXTENSION", IDAPI_TYPE_STRING, 4);
                            c->AddField("TYPE", IDAPI_TYPE_STRING, 32);
                            c->AddField("DATE", IDAPI_TYPE_DATE, 4);
                            c->AddField("TIME", IDAPI_TYPE_TIME, 4);
                            c->AddField("STRUCTURE", IDAPI_TYPE_STRING, 32);
                            c->AddField("VERSION", IDAPI_TYPE_UINT16, 2);
                            c->AddField("VALID", IDAPI_TYPE_BOOL, 2);
                            c->AddField("PROTECTED", IDAPI_TYPE_BOOL, 2);
                            c->rowLength = IDAPI_TABLE_ROW_SIZE;
                            const int32_t number = AddHandle(std::move(owned));
                            if (number < 0) return IDAPI_ERR_NO_MEMORY;
                            engineCursor->handle = number;
                            if (marker == '*') VNXChoixLibFichierHideDialog();
                            if (CurrentSessionNumber() != 0) VNXChoixLibFichier("*CLEAR");
                            // Without a list of the selection library (a dialog cancelled, a
                            // load that failed) the dictionary's physical files are the list.
                            if (VNXChoixLibFichier(library.c_str()) != 1) {
                              c->fromDictionary = true;
                              c->secondFile = VNXopen("YIDXR0100", 1, -1);
                            }
                            c->state = kStateBeforeFirst;
                            return IDAPI_OK;
                          });
}

}  // namespace vantora::driver
