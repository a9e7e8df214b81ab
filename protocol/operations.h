// The parameter table: for every operation number 0x00-0x5B, the request
// code its requests carry and the kind of each parameter on the wire.
//
// Kinds take two bits per parameter in the kind word, parameter i in bits
// 2i and 2i+1:
//   1 value          one argument word; the value travels in the slot
//   2 input buffer   two words (length, address); bytes in the request data
//   0 in/out buffer  as an input buffer, and the reply returns bytes to it
//   3 output buffer  two words; a 16-byte placeholder in the request data,
//                    the reply returns bytes to it
//
// The client and the host share this table: the client lays requests out and
// distributes replies by it, the host decodes requests and shapes replies by it.
#ifndef VANTORA_PROTOCOL_OPERATIONS_H_
#define VANTORA_PROTOCOL_OPERATIONS_H_

#include <cstdint>

namespace vantora::wire {

enum ParamKind : uint8_t { kInOut = 0, kValue = 1, kInput = 2, kOutput = 3 };

inline constexpr int kOperationCount = 0x5C;
inline constexpr int kMaxArgWords = 16;

struct Operation {
  const char* name;  // the export (or session request) that issues it; null when unused
  uint16_t code;     // the full request code its requests carry
  uint8_t count;     // number of parameters, 0-8
  uint16_t kinds;    // two bits per parameter

  bool Used() const { return name != nullptr; }
  ParamKind Kind(int i) const { return static_cast<ParamKind>((kinds >> (2 * i)) & 3); }
  bool ExpectsReply() const { return (code & 0x0100) != 0; }
  // The number of argument words the parameters take (values 1, buffers 2).
  int ArgWords() const;
};

// The table entry of operation number `op` (the low 8 bits of a code).
// Operation numbers beyond the table answer an unused entry.
const Operation& OperationEntry(int op);

// Operation numbers, named after what issues them.
enum Op : uint8_t {
  kOpRopen = 0x00,
  kOpRclose = 0x01,
  kOpRreadn = 0x02,
  kOpRreadp = 0x03,
  kOpRreadf = 0x04,
  kOpRreadl = 0x05,
  kOpRreads = 0x06,
  kOpRreadk = 0x07,
  kOpRreadd = 0x08,
  kOpRwrite = 0x09,
  kOpRwrited = 0x0A,
  kOpRupdate = 0x0B,
  kOpRdelete = 0x0C,
  kOpRrlslck = 0x0D,
  kOpRlocate = 0x0E,
  kOpRfeod = 0x0F,
  kOpRrstatus = 0x10,
  kOpRlength = 0x11,
  kOpRsystem = 0x12,
  kOpRcommit = 0x13,
  kOpRrollbck = 0x14,
  kOpSessionOpen = 0x15,
  kOpSessionEnd = 0x16,
  kOpRformat = 0x17,
  kOpSetConvFld = 0x18,
  kOpGetNbrFmt = 0x19,
  kOpGetTypeFmt = 0x1A,
  kOpGetTypeFld = 0x1B,
  kOpGetTypeKey = 0x1C,
  kOpSetImpGenConv = 0x1D,
  kOpSetImpConv = 0x1E,
  kOpSetTypeFld = 0x1F,
  kOpRCreatDDS = 0x20,
  kOpCloseSession = 0x21,
  kOpStartFileTest = 0x22,
  kOpStartFileErr = 0x23,
  kOpReadTableAsciiEbcdic = 0x24,
  kOpReadTableEbcdicAscii = 0x25,
  kOpWriteTableAsciiEbcdic = 0x26,
  kOpWriteTableEbcdicAscii = 0x27,
  kOpPgmLink = 0x28,
  kOpPgmCall = 0x29,
  kOpPgmUnLink = 0x2A,
  kOpJobCall = 0x2B,
  kOpJobSend = 0x2C,
  kOpJobReceive = 0x2D,
  kOpRtvAsVer = 0x2E,
  kOpRselect = 0x2F,
  kOpRLclose = 0x30,
  kOpRgetkey = 0x31,
  kOpJobSendReceive = 0x32,
  kOpCreateVirtualDesc = 0x33,
  kOpLinkDataQueue = 0x34,
  kOpUnlinkDataQueue = 0x35,
  kOpSendDataQueue = 0x36,
  kOpReceiveDataQueue = 0x37,
  kOpSqlBegin = 0x38,
  kOpSqlEnd = 0x39,
  kOpSqlSqlca = 0x3A,
  kOpSqlImmediate = 0x3B,
  kOpSqlDeclare = 0x3C,
  kOpSqlOpen = 0x3D,
  kOpSqlCommit = 0x3E,
  kOpSqlFetch = 0x3F,
  kOpSqlClose = 0x40,
  kOpSqlRow = 0x41,
  kOpSetTypeKey = 0x42,
  kOpFreeFile = 0x43,
  kOpRlsRcd = 0x44,
  kOpRedefines = 0x45,
  kOpRead = 0x46,
  kOpWrite = 0x47,
  kOpGetDesc = 0x48,
  kOpStopFileTest = 0x49,
  kOpDbStart = 0x4A,
  kOpDbStop = 0x4B,
  kOpDbInit = 0x4C,
  kOpDbOpen = 0x4D,
  kOpOpen = 0x4E,
  kOpEcho = 0x4F,
  kOpSqlEFetch = 0x54,
  kOpMapFile = 0x56,
  kOpApiCall = 0x57,
  kOpCmdExec = 0x58,
};

}  // namespace vantora::wire

#endif  // VANTORA_PROTOCOL_OPERATIONS_H_
