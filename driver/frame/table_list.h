// The table-list cursor of a database (database slot 2): the files of the
// database's library, listed through the selection library's hidden mode,
// or from the index dictionary when no list can be had.
#ifndef VANTORA_DRIVER_FRAME_TABLE_LIST_H_
#define VANTORA_DRIVER_FRAME_TABLE_LIST_H_

#include <cstdint>

#include "driver/frame/catalogue_cursor.h"

namespace vantora::driver {

class TableListCursor : public CatalogueCursor {
 public:
  TableListCursor() : CatalogueCursor(HandleKind::kTableList) {}
  static bool IsKind(HandleKind k) { return k == HandleKind::kTableList; }
  uint16_t Next(void* out) override;
  bool fromDictionary = false;  // the selection library had no list
};

uint16_t OpenTableList(void* engineDatabase, void** outCursor);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_TABLE_LIST_H_
