// A user space: a named object of the host that the list APIs (QUSLOBJ,
// QDBLDBR) write their lists into and VNXMapFile reads them from.
//
// The host keeps the space's attributes and the last list written to it,
// entry by entry, as records of the list's format file ("OBJL0200" lists
// are records of YOBJL0200); it keeps no byte image of the space.
#ifndef VANTORA_HOST_SERVER_USER_SPACE_H_
#define VANTORA_HOST_SERVER_USER_SPACE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "host/storage/value.h"

namespace vantora::host {

struct UserSpace {
  std::string attribute;     // extended attribute, for example "PF"
  int32_t initialSize = 0;   // bytes asked for at creation
  uint8_t initialValue = 0;  // the fill byte asked for at creation
  std::string authority;     // "*ALL", "*CHANGE", ...
  std::string text;
  // The list last written: its format ("OBJL0200", "DBRL0100"; empty when
  // no list was written) and its entries in list order.
  std::string listFormat;
  std::vector<Record> entries;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_USER_SPACE_H_
