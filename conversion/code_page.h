// The client's own code page: a pair of 256-byte tables that translate
// EBCDIC bytes of AS/400 text fields into the PC code page and back. Every
// text field that the field converter reads or writes goes through them.
//
// The process holds one current pair, initially the built-in tables (EBCDIC
// and the PC code page the library was made for; each a permutation of
// 0x00-0xFF, the one the exact inverse of the other). Callers may replace
// either table, for instance with the host's own tables.
//
// Thread safety: the current tables are process-wide and unlocked. Replace
// them only while no conversion runs on another thread.
#ifndef VANTORA_CONVERSION_CODE_PAGE_H_
#define VANTORA_CONVERSION_CODE_PAGE_H_

#include <array>
#include <cstdint>

namespace vantora::conversion {

struct CodePage {
  std::array<uint8_t, 256> toPc;    // EBCDIC byte -> PC byte
  std::array<uint8_t, 256> toHost;  // PC byte -> EBCDIC byte
};

// The built-in tables.
const CodePage& BuiltInCodePage();

// The tables in use now.
const CodePage& CurrentCodePage();

// Replace one table of the current pair with a copy of `table` (256 bytes).
// The other table is left as it is: callers that replace one are expected to
// replace the other with its inverse.
void SetEbcdicToPcTable(const uint8_t* table);
void SetPcToEbcdicTable(const uint8_t* table);

// Restore the built-in tables.
void ResetCodePage();

}  // namespace vantora::conversion

#endif  // VANTORA_CONVERSION_CODE_PAGE_H_
