// A record cursor (handle kind 1): an AS/400 file opened as an engine table
// (a file cursor), or the result of an SQL statement (a query cursor).
//
// The engine sees each record in the engine record buffer:
//
//   [0, dataLength)                 the fields in their PC form, at the
//                                   offsets of the engine field descriptors
//   [dataLength, statusOffset)      null-capable files: the 16-bit null
//                                   indicators (-1 null, 0 not), lying over
//                                   the place of the record's null map
//   [statusOffset, +fieldCount)     a status byte per field: bit 0 the value
//                                   is present, bit 1 set blank without a
//                                   null indicator
//   [statusOffset + fieldCount, +4) the relative record number (or row)
//
// The record exchanged with the client library is the fields, followed by
// the null map (a byte per field, '1' = null) when the file has
// null-capable fields.
#ifndef VANTORA_DRIVER_FRAME_RECORD_CURSOR_H_
#define VANTORA_DRIVER_FRAME_RECORD_CURSOR_H_

#include <cstdint>
#include <string>
#include <vector>

#include "driver/frame/handles.h"
#include "driver/frame/read_cache.h"
#include "idapi.h"
#include "mv432ida.h"

namespace vantora::driver {

// Read operation codes (the high byte of the client library's read options).
enum ReadOperation : uint8_t {
  kReadSame = VNX_READ_SAME >> 24,
  kReadNext = VNX_READ_NEXT >> 24,
  kReadPrior = VNX_READ_PRIOR >> 24,
  kReadFirst = VNX_READ_FIRST >> 24,
  kReadLast = VNX_READ_LAST >> 24,
  kReadKeyEqual = VNX_READ_KEY_EQ >> 24,
  kReadKeyAfter = VNX_READ_KEY_GT >> 24,
  kReadKeyAtOrAfter = VNX_READ_KEY_GE >> 24,
  kReadKeyBefore = VNX_READ_KEY_LT >> 24,
  kReadKeyAtOrBefore = VNX_READ_KEY_LE >> 24,
  kReadNextEqual = VNX_READ_NEXT_EQUAL >> 24,
  kReadByNumber = VNX_READ_RRN >> 24,
};

constexpr uint32_t kNoLock = VNX_READ_NO_LOCK;
constexpr uint32_t kPositionOnly = VNX_READ_POSITION_ONLY;
constexpr uint32_t kBlocked = VNX_BLOCK;

inline uint32_t Options(uint8_t operation, uint32_t flags = 0) {
  return (static_cast<uint32_t>(operation) << 24) | flags;
}

// Usage-map bits of a field.
constexpr uint8_t kFieldModified = 0x01;
constexpr uint8_t kFieldUsed = 0x02;
// Status-byte bits of a field in the record buffer.
constexpr uint8_t kValuePresent = 0x01;
constexpr uint8_t kValueBlank = 0x02;

// Range flags of a key block.
constexpr uint8_t kLowInclusive = 0x01;
constexpr uint8_t kLowExclusive = 0x02;
constexpr uint8_t kHighInclusive = 0x04;
constexpr uint8_t kHighExclusive = 0x08;
constexpr uint8_t kRangeEmpty = 0x10;

// One field as the engine sees it (its 62-byte descriptor).
struct EngineField {
  uint16_t number = 0;  // from 1
  std::string name;
  uint16_t type = 0;
  uint16_t subtype = 0;
  uint16_t units1 = 0;
  uint16_t units2 = 0;
  uint16_t offset = 0;
  uint16_t length = 0;
  uint16_t nullOffset = 0;  // 0 = not null-capable

  void Write(void* descriptor) const;
  static EngineField Read(const void* descriptor);
};

// One field as the host describes it.
struct HostField {
  std::string name;  // 10 characters, blank-padded
  int16_t pcType = 0;
  int16_t pcLength = 0;
  int16_t pcDecimals = 0;
  int16_t asType = 0;
  int16_t asLength = 0;     // the text length for dates, times and timestamps
  uint16_t formatWord = 0;  // dates, times, timestamps: the format code and separator
  uint16_t flags = 0;       // bit 0 null-capable, bit 1 variable length, high byte digits
  bool nullCapable() const { return (flags & 1) != 0; }
  bool varying() const { return (flags & 2) != 0; }
};

// A key of an access path: its fields and three buffers (search, low and
// high bound) of the full key length.
struct KeyBlock {
  std::vector<int16_t> fields;   // 0-based field indexes, in key order
  std::vector<bool> descending;  // per key field
  int32_t length = 0;            // the full key length
  std::vector<uint8_t> search, low, high;
  int32_t searchLength = 0;  // of the search (or low) key in use
  int32_t lowLength = 0;
  int32_t highLength = 0;
  uint8_t range = 0;
};

struct AccessPath {
  std::string name;        // LIBRARY/FILE or FILE
  int32_t handle = -1;     // the client library's file handle
  uint16_t fileFlags = 0;  // of the file description: bit 0 unique, bit 3 no database file
  KeyBlock key;
};

// An index of a table, as the engine's index descriptor describes it.
struct IndexInfo {
  std::string name;     // qualified
  uint16_t number = 0;  // 0 = the physical file's own key
  bool primary = false;
  bool unique = false;
  bool descending = false;
  std::vector<uint16_t> fields;  // 1-based field numbers
  uint16_t keyLength = 0;

  void Write(void* descriptor) const;
};

class RecordCursor : public DriverHandle {
 public:
  RecordCursor() : DriverHandle(HandleKind::kRecordCursor) {}
  static bool IsKind(HandleKind k) { return k == HandleKind::kRecordCursor; }

  // Query cursors hold an SQL cursor number, file cursors -1.
  bool isQuery() const { return sqlCursor >= 0; }
  AccessPath& path() { return paths[static_cast<size_t>(activePath)]; }
  KeyBlock& key() { return path().key; }

  // Layout of the engine record buffer.
  int32_t statusOffset() const { return bufferSize - fieldCount - 4; }
  int32_t numberOffset() const { return bufferSize - 4; }

  int32_t sqlCursor = -1;
  uint32_t openOptions = 0;      // as kept (without the transaction flag)
  uint32_t transactionFlag = 0;  // 0x20 under commitment control
  bool dataQueue = false;
  uint16_t fileFlags = 0;       // the file description's flags
  int32_t dataLength = 0;       // the fields' bytes
  int32_t exchangedLength = 0;  // what the client library reads and writes
  int32_t reducedLength = 0;    // exchanged length of the reduced format
  int32_t bufferSize = 0;
  int32_t fieldCount = 0;
  bool nullCapable = false;
  std::vector<EngineField> fields;
  std::vector<HostField> hostFields;
  std::vector<uint8_t> usage;

  std::vector<AccessPath> paths;
  int32_t activePath = 0;

  uint8_t pending = kReadFirst;
  uint8_t last = 0;
  int32_t position = 0;   // of the record last delivered; 0 = none
  int32_t serverRow = 0;  // query cursors
  uint16_t lastStatus = 0;
  int32_t readCount = 0;
  bool reducedDefined = false;
  bool reducedActive = false;
  std::vector<bool> reducedFields;  // the fields of the reduced format
  ReadCache cache;                  // the records read ahead (read_cache.h)

  bool useDictionary = false;
  bool indexesKnown = false;
  std::vector<IndexInfo> indexes;

  std::string statement;  // query cursors: the statement's text

 protected:
  void Release() override;
};

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_RECORD_CURSOR_H_
