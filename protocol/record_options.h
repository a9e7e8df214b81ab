// The options word of the record requests (VNXRead, VNXWrite and the file
// requests built on them): the operation in the high byte, flags in bits
// 16-23, and, in block mode, the record count in bits 0-11. Also the
// operation word of an SQL result's extended fetch.
#ifndef VANTORA_PROTOCOL_RECORD_OPTIONS_H_
#define VANTORA_PROTOCOL_RECORD_OPTIONS_H_

#include <cstdint>

namespace vantora::wire {

// Read operations (the high byte of a read's options word).
enum ReadOperation : uint8_t {
  kReadCurrent = 0x01,
  kReadNext = 0x02,
  kReadPrior = 0x03,
  kReadFirst = 0x04,
  kReadLast = 0x05,
  kReadKeyEqual = 0x06,
  kReadKeyGreater = 0x07,
  kReadKeyGreaterOrEqual = 0x08,
  kReadKeyLess = 0x09,
  kReadKeyLessOrEqual = 0x0A,
  kReadNextEqualKey = 0x0B,
  kReadPriorEqualKey = 0x0C,
  kReadNextDifferentKey = 0x0D,
  kReadPriorDifferentKey = 0x0E,
  kReadRelativeRecord = 0x0F,
};

// Write operations (the high byte of a write's options word).
enum WriteOperation : uint8_t {
  kWriteInsert = 0x01,
  kWriteUpdate = 0x02,
  kWriteDelete = 0x03,
};

inline constexpr int32_t kOptionNoLock = 0x00010000;        // reads: take no record lock
inline constexpr int32_t kOptionPositionOnly = 0x00020000;  // reads: position, return no record
inline constexpr int32_t kOptionNoNullMap = 0x00020000;     // writes: records carry no null map
inline constexpr int32_t kOptionBlock = 0x00080000;         // the count field counts records
inline constexpr int32_t kOptionCountMask = 0x00000FFF;

inline constexpr int OptionsOperation(int32_t options) {
  return (options >> 24) & 0xFF;
}
inline constexpr int32_t OptionsWithOperation(int operation, int32_t flags) {
  return static_cast<int32_t>(static_cast<uint32_t>(operation) << 24) | flags;
}
// The records a request handles: the count in block mode, else 1.
inline constexpr int32_t OptionsRecordCount(int32_t options) {
  return (options & kOptionBlock) != 0 ? (options & kOptionCountMask) : 1;
}

// The moves of an SQL extended fetch (the low byte of its operation word; a
// relative move's signed distance in the bits above). kFetchWithNullMap
// asks for each row's null map after its fields.
enum FetchMove : int32_t {
  kFetchNext = 0,
  kFetchPrior = 1,
  kFetchFirst = 2,
  kFetchLast = 3,
  kFetchCurrent = 4,
  kFetchRelative = 5,
};
inline constexpr int32_t kFetchWithNullMap = 0x80;

}  // namespace vantora::wire

#endif  // VANTORA_PROTOCOL_RECORD_OPTIONS_H_
