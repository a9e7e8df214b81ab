// The indexes of a table: the physical file's own key and the keyed logical
// files over it, listed from the driver's index dictionary YIDXR0100 on the
// host, or found through the file and the system API QDBLDBR (after which
// the dictionary is written for the next time).
#ifndef VANTORA_DRIVER_FRAME_INDEX_LIST_H_
#define VANTORA_DRIVER_FRAME_INDEX_LIST_H_

#include <string>
#include <vector>

#include "driver/frame/catalogue_cursor.h"
#include "driver/frame/handles.h"
#include "driver/frame/record_cursor.h"

namespace vantora::driver {

// The indexes of `fileName` (qualified with the database library when it has
// no slash). `object` is the record cursor of the file (its access paths are
// used and its list kept) or another handle of the database.
std::vector<IndexInfo> ListIndexes(DriverHandle* object, const std::string& fileName);

// Removes the dictionary entries of a physical file, or of an index file
// (`asIndex`), so that the next list finds the indexes afresh. The answer of
// the statement (0 when it ran).
int32_t ForgetIndexes(const std::string& library, const std::string& file, bool asIndex);

// Database slot 4.
uint16_t OpenIndexList(void* engineDatabase, const char* table, void** outCursor);

// The index-list cursor (kind 6): one row per index descriptor.
class IndexListCursor : public CatalogueCursor {
 public:
  IndexListCursor() : CatalogueCursor(HandleKind::kIndexList) {}
  static bool IsKind(HandleKind k) { return k == HandleKind::kIndexList; }
  uint16_t Next(void* out) override;
  int32_t RowCount() const override { return static_cast<int32_t>(rows.size()); }
  std::vector<IndexInfo> rows;
};


}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_INDEX_LIST_H_
