// The 136-byte SQL communication area, as DB2 lays it out; integers are
// little-endian (the PC's order, like every integer the host hands the PC),
// text is ASCII.
//
//   offset  size  field
//     0       8   SQLCAID   "SQLCA   "
//     8       4   SQLCABC   136
//    12       4   SQLCODE   0 success, 100 no row, < 0 error, other > 0 warning
//    16       2   SQLERRML  length of the replacement text (0-70)
//    18      70   SQLERRMC  replacement text, blank-padded
//    88       8   SQLERRP   "VANTORA " (the product that answered)
//    96      24   SQLERRD   six int32; SQLERRD(3) at 104 = rows changed
//   120      11   SQLWARN   warning flags, blanks; SQLWARN0 'W' on a warning
//   131       5   SQLSTATE
#include "host/server/sql/sqlca.h"

#include <algorithm>
#include <cstring>

#include "protocol/byte_order.h"

namespace vantora::host::sql {
namespace {

constexpr size_t kIdOffset = 0;
constexpr size_t kSizeOffset = 8;
constexpr size_t kCodeOffset = 12;
constexpr size_t kTextLengthOffset = 16;
constexpr size_t kTextOffset = 18;
constexpr size_t kTextRoom = 70;
constexpr size_t kProductOffset = 88;
constexpr size_t kRowsOffset = 104;  // SQLERRD(3)
constexpr size_t kWarnOffset = 120;
constexpr size_t kWarnLength = 11;
constexpr size_t kStateOffset = 131;
constexpr size_t kStateLength = 5;

void PutText(uint8_t* at, std::string_view text, size_t room) {
  std::memset(at, ' ', room);
  std::memcpy(at, text.data(), std::min(room, text.size()));
}

}  // namespace

std::array<uint8_t, kSqlcaLength> BuildSqlca(const SqlError& e, int32_t rows) {
  std::array<uint8_t, kSqlcaLength> a{};
  PutText(&a[kIdOffset], "SQLCA", 8);
  wire::StoreLeI32(&a[kSizeOffset], static_cast<int32_t>(kSqlcaLength));
  wire::StoreLeI32(&a[kCodeOffset], e.code);
  const size_t textLength = std::min(kTextRoom, e.text.size());
  wire::StoreLeI16(&a[kTextLengthOffset], static_cast<int16_t>(textLength));
  PutText(&a[kTextOffset], e.text, kTextRoom);
  PutText(&a[kProductOffset], "VANTORA", 8);
  wire::StoreLeI32(&a[kRowsOffset], rows);
  PutText(&a[kWarnOffset], "", kWarnLength);
  if (e.code > 0 && e.code != 100) a[kWarnOffset] = 'W';
  PutText(&a[kStateOffset], e.state, kStateLength);
  return a;
}

}  // namespace vantora::host::sql
