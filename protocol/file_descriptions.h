// The description entries that describe requests answer (VNXGetDesc,
// GetTypeFmt, GetTypeFld, GetTypeKey) for files, data queues opened as files
// and SQL results. Integers are 16-bit in PC byte order (little-endian),
// names 10 characters, blank-padded.
//
//   header, 16 bytes    0 format name, 10 field count, 12 record length,
//                       14 key field count
//   file, 18 bytes      the header, and at 16 flags (kDescFileUniqueKeys,
//                       kDescFileLogical, kDescFileNullCapable)
//   field, 22 bytes     0 name, 10 PC type, 12 PC length, 14 PC decimals,
//                       16 AS/400 type, 18 AS/400 length, 20 AS/400 decimals
//                       (dates, times and timestamps: the format word)
//   field, 24 bytes     the 22, and at 22 flags: bit 0 null-capable, bit 1
//                       varying length, high byte the digits of a number
//   key field, 26 bytes the 22-byte description of the key field, 22 its
//                       index among the fields, 24 1 when descending
//   record count        a 32-bit count
//
// The selector of a VNXGetDesc request is the flags word's high byte; with
// kDescCounted its low 16 bits count the entries wanted.
#ifndef VANTORA_PROTOCOL_FILE_DESCRIPTIONS_H_
#define VANTORA_PROTOCOL_FILE_DESCRIPTIONS_H_

#include <cstdint>
#include <string_view>

namespace vantora::wire {

inline constexpr int32_t kDescCounted = 0x00020000;
enum DescriptionKind : uint8_t {
  kDescHeader = 0x08,
  kDescFile = 0x09,
  kDescFields = 0x10,
  kDescFields24 = 0x11,
  kDescKeys = 0x21,
  kDescRecordCount = 0x40,
};
inline constexpr int DescriptionKindOf(int32_t flags) {
  return (flags >> 24) & 0xFF;
}

inline constexpr int kDescNameLength = 10;

inline constexpr int kDescHdrFormatName = 0;
inline constexpr int kDescHdrFieldCount = 10;
inline constexpr int kDescHdrRecordLength = 12;
inline constexpr int kDescHdrKeyCount = 14;
inline constexpr int kDescHeaderSize = 16;

inline constexpr int kDescFileFlags = 16;
inline constexpr int kDescFileSize = 18;
inline constexpr uint16_t kDescFileUniqueKeys = 0x0001;
inline constexpr uint16_t kDescFileLogical = 0x0002;
inline constexpr uint16_t kDescFileNullCapable = 0x0004;

inline constexpr int kDescFldName = 0;
inline constexpr int kDescFldPcType = 10;
inline constexpr int kDescFldPcLength = 12;
inline constexpr int kDescFldPcDecimals = 14;
inline constexpr int kDescFldAsType = 16;
inline constexpr int kDescFldAsLength = 18;
inline constexpr int kDescFldAsDecimals = 20;
inline constexpr int kDescFieldSize = 22;
inline constexpr int kDescFldFlags = 22;
inline constexpr int kDescField24Size = 24;

inline constexpr int kDescKeyFieldIndex = 22;
inline constexpr int kDescKeyDescending = 24;
inline constexpr int kDescKeySize = 26;

inline constexpr int kDescRecordCountSize = 4;

// The values of a field entry.
struct FieldEntry {
  std::string_view name;
  int16_t pcType = 0;
  int16_t pcLength = 0;
  int16_t pcDecimals = 0;
  int16_t asType = 0;
  int16_t asLength = 0;
  int16_t asDecimals = 0;
  uint16_t flags = 0;  // the 24-byte form only
};

// Writes `name` blank-padded (cut) to kDescNameLength bytes at `out`.
void WriteDescriptionName(std::string_view name, uint8_t* out);
// Writes the 22-byte entry at `out`, and the flags too when `withFlags`
// (the 24-byte form).
void WriteFieldEntry(const FieldEntry& entry, bool withFlags, uint8_t* out);
// Reads the 22-byte part of an entry; `name` points into `entry`, blanks
// included.
FieldEntry ReadFieldEntry(const uint8_t* entry);

}  // namespace vantora::wire

#endif  // VANTORA_PROTOCOL_FILE_DESCRIPTIONS_H_
