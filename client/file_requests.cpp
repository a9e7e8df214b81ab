// The record-level file requests: each export lays its arguments out as the
// request's argument words and hands them to the dispatcher.
#include "client/file_requests.h"

#include "client/dispatcher.h"
#include "mv432ida.h"
#include "protocol/file_descriptions.h"
#include "protocol/record_options.h"

namespace vantora::client {

// The public header spells the protocol's options and description layouts
// for programs; it must say what the protocol says.
static_assert(VNX_READ_SAME == wire::OptionsWithOperation(wire::kReadCurrent, 0));
static_assert(VNX_READ_NEXT == wire::OptionsWithOperation(wire::kReadNext, 0));
static_assert(VNX_READ_PRIOR == wire::OptionsWithOperation(wire::kReadPrior, 0));
static_assert(VNX_READ_FIRST == wire::OptionsWithOperation(wire::kReadFirst, 0));
static_assert(VNX_READ_LAST == wire::OptionsWithOperation(wire::kReadLast, 0));
static_assert(VNX_READ_KEY_EQ == wire::OptionsWithOperation(wire::kReadKeyEqual, 0));
static_assert(VNX_READ_KEY_GT == wire::OptionsWithOperation(wire::kReadKeyGreater, 0));
static_assert(VNX_READ_KEY_GE == wire::OptionsWithOperation(wire::kReadKeyGreaterOrEqual, 0));
static_assert(VNX_READ_KEY_LT == wire::OptionsWithOperation(wire::kReadKeyLess, 0));
static_assert(VNX_READ_KEY_LE == wire::OptionsWithOperation(wire::kReadKeyLessOrEqual, 0));
static_assert(VNX_READ_NEXT_EQUAL == wire::OptionsWithOperation(wire::kReadNextEqualKey, 0));
static_assert(VNX_READ_PRIOR_EQUAL == wire::OptionsWithOperation(wire::kReadPriorEqualKey, 0));
static_assert(VNX_READ_NEXT_UNEQUAL == wire::OptionsWithOperation(wire::kReadNextDifferentKey, 0));
static_assert(VNX_READ_PRIOR_UNEQUAL ==
              wire::OptionsWithOperation(wire::kReadPriorDifferentKey, 0));
static_assert(VNX_READ_RRN == wire::OptionsWithOperation(wire::kReadRelativeRecord, 0));
static_assert(VNX_WRITE_INSERT == wire::OptionsWithOperation(wire::kWriteInsert, 0));
static_assert(VNX_WRITE_UPDATE == wire::OptionsWithOperation(wire::kWriteUpdate, 0));
static_assert(VNX_WRITE_DELETE == wire::OptionsWithOperation(wire::kWriteDelete, 0));
static_assert(VNX_READ_NO_LOCK == wire::kOptionNoLock);
static_assert(VNX_READ_POSITION_ONLY == wire::kOptionPositionOnly);
static_assert(VNX_WRITE_NO_NULL_MAP == wire::kOptionNoNullMap);
static_assert(VNX_BLOCK == wire::kOptionBlock);
static_assert(VNX_COUNT_MASK == wire::kOptionCountMask);
static_assert(VNX_DESC_COUNTED == wire::kDescCounted);
static_assert(VNX_DESC_FILE_HEADER == wire::kDescHeader << 24);
static_assert(VNX_DESC_FILE_18 == wire::kDescFile << 24);
static_assert(VNX_DESC_FIELDS == (wire::kDescFields << 24 | wire::kDescCounted));
static_assert(VNX_DESC_FIELDS_24 == (wire::kDescFields24 << 24 | wire::kDescCounted));
static_assert(VNX_DESC_KEYS == (wire::kDescKeys << 24 | wire::kDescCounted));
static_assert(VNX_DESC_RECORD_COUNT == wire::kDescRecordCount << 24);
static_assert(VNX_HDR_FORMAT_NAME == wire::kDescHdrFormatName &&
              VNX_HDR_FIELD_COUNT == wire::kDescHdrFieldCount &&
              VNX_HDR_RECORD_LENGTH == wire::kDescHdrRecordLength &&
              VNX_HDR_KEY_COUNT == wire::kDescHdrKeyCount && VNX_HDR_SIZE == wire::kDescHeaderSize);
static_assert(VNX_FILE_FLAGS == wire::kDescFileFlags && VNX_FILE_SIZE == wire::kDescFileSize);
static_assert(VNX_FLD_NAME == wire::kDescFldName && VNX_FLD_PC_TYPE == wire::kDescFldPcType &&
              VNX_FLD_PC_LENGTH == wire::kDescFldPcLength &&
              VNX_FLD_PC_DECIMALS == wire::kDescFldPcDecimals &&
              VNX_FLD_AS_TYPE == wire::kDescFldAsType &&
              VNX_FLD_AS_LENGTH == wire::kDescFldAsLength &&
              VNX_FLD_AS_DECIMALS == wire::kDescFldAsDecimals &&
              VNX_FLD_FLAGS == wire::kDescFldFlags && VNX_FLD_SIZE == wire::kDescFieldSize &&
              VNX_FLD_SIZE_24 == wire::kDescField24Size);
static_assert(VNX_KEY_FIELD_INDEX == wire::kDescKeyFieldIndex &&
              VNX_KEY_SIZE == wire::kDescKeySize);

int32_t SendOpen(const char* file, int32_t mode, int32_t option) {
  if ((mode & VNX_OPEN_RAW) != 0 && (mode & VNX_OPEN_CLIENT_CONVERT) != 0) {
    mode &= ~VNX_OPEN_CLIENT_CONVERT;
  }
  return Request(wire::kOpOpen, {Word(TextLength(file)), Word(file), Word(mode), Word(option)});
}

int32_t SendRead(int32_t h, void* records, int32_t recordLength, int32_t options, const void* key,
                 int32_t keyLength, int32_t* numbers) {
  const int32_t n = wire::OptionsRecordCount(options);
  const int32_t recordBytes = records == nullptr ? 0 : recordLength * n;
  const int32_t numberBytes = numbers == nullptr ? 0 : 4 * n;
  return Request(wire::kOpRead,
                 {Word(h), Word(recordBytes), Word(records), Word(recordLength), Word(options),
                  Word(keyLength), Word(key), Word(keyLength), Word(numberBytes), Word(numbers)});
}

int32_t SendWrite(int32_t h, const void* records, int32_t recordLength, int32_t options,
                  int32_t* numbers) {
  const int32_t n = wire::OptionsRecordCount(options);
  const int32_t recordBytes = records == nullptr ? 0 : recordLength * n;
  const int32_t numberBytes = numbers == nullptr ? 0 : 4 * n;
  return Request(wire::kOpWrite, {Word(h), Word(recordBytes), Word(records), Word(recordLength),
                                  Word(options), Word(numberBytes), Word(numbers)});
}

int32_t SendGetDesc(int32_t h, void* buffer, int32_t size, int32_t flags, const char* formatName) {
  const int32_t bytes = (flags & VNX_DESC_COUNTED) != 0 ? (flags & 0xFFFF) * size : size;
  return Request(wire::kOpGetDesc, {Word(h), Word(bytes), Word(buffer), Word(size), Word(flags),
                                    Word(10), Word(formatName)});
}

int32_t SendClose(int32_t h) {
  return Request(wire::kOpRclose, {Word(h)});
}

}  // namespace vantora::client

using namespace vantora::client;
namespace wire = vantora::wire;

namespace {

int32_t ReadRequest(wire::Op op, int32_t h, void* buffer, int32_t length, int32_t option) {
  return Request(op, {Word(h), Word(length), Word(buffer), Word(length), Word(option)});
}

}  // namespace

extern "C" {

MV432IDA_API int32_t Ropen(const char* file, const char* mode) {
  return Request(wire::kOpRopen,
                 {Word(TextLength(file)), Word(file), Word(TextLength(mode)), Word(mode)});
}

MV432IDA_API int32_t RLclose(int32_t h) {
  return Request(wire::kOpRLclose, {Word(h)});
}

MV432IDA_API int32_t Rreadn(int32_t h, void* buffer, int32_t length, int32_t option) {
  return ReadRequest(wire::kOpRreadn, h, buffer, length, option);
}
MV432IDA_API int32_t Rreadp(int32_t h, void* buffer, int32_t length, int32_t option) {
  return ReadRequest(wire::kOpRreadp, h, buffer, length, option);
}
MV432IDA_API int32_t Rreadf(int32_t h, void* buffer, int32_t length, int32_t option) {
  return ReadRequest(wire::kOpRreadf, h, buffer, length, option);
}
MV432IDA_API int32_t Rreadl(int32_t h, void* buffer, int32_t length, int32_t option) {
  return ReadRequest(wire::kOpRreadl, h, buffer, length, option);
}
MV432IDA_API int32_t Rreads(int32_t h, void* buffer, int32_t length, int32_t option) {
  return ReadRequest(wire::kOpRreads, h, buffer, length, option);
}

MV432IDA_API int32_t Rreadk(int32_t h, void* buffer, int32_t length, int32_t option,
                            const void* key, int32_t keyLength) {
  return Request(wire::kOpRreadk, {Word(h), Word(length), Word(buffer), Word(length), Word(option),
                                   Word(keyLength), Word(key), Word(keyLength)});
}

MV432IDA_API int32_t Rreadd(int32_t h, void* buffer, int32_t length, int32_t option,
                            int32_t recordNumber) {
  return Request(wire::kOpRreadd, {Word(h), Word(length), Word(buffer), Word(length), Word(option),
                                   Word(recordNumber)});
}

MV432IDA_API int32_t Rwrite(int32_t h, const void* buffer, int32_t length) {
  return Request(wire::kOpRwrite, {Word(h), Word(length), Word(buffer), Word(length)});
}

MV432IDA_API int32_t Rwrited(int32_t h, const void* buffer, int32_t length, int32_t recordNumber) {
  return Request(wire::kOpRwrited,
                 {Word(h), Word(length), Word(buffer), Word(length), Word(recordNumber)});
}

MV432IDA_API int32_t Rupdate(int32_t h, const void* buffer, int32_t length) {
  return Request(wire::kOpRupdate, {Word(h), Word(length), Word(buffer), Word(length)});
}

MV432IDA_API int32_t Rdelete(int32_t h) {
  return Request(wire::kOpRdelete, {Word(h)});
}
MV432IDA_API int32_t Rrlslck(int32_t h) {
  return Request(wire::kOpRrlslck, {Word(h)});
}

MV432IDA_API int32_t Rlocate(int32_t h, const void* key, int32_t keyLength, int32_t option) {
  // A null key travels as an empty buffer, but the key length still goes out.
  return Request(wire::kOpRlocate, {Word(h), Word(key == nullptr ? 0 : keyLength), Word(key),
                                    Word(keyLength), Word(option)});
}

MV432IDA_API int32_t Rfeod(int32_t h) {
  return Request(wire::kOpRfeod, {Word(h)});
}

MV432IDA_API int32_t Rrstatus(int32_t h, void* buffer) {
  return Request(wire::kOpRrstatus, {Word(h), Word(24), Word(buffer)});
}

MV432IDA_API int32_t Rlength(int32_t h) {
  return Request(wire::kOpRlength, {Word(h)});
}

MV432IDA_API int32_t Rcommit(const char* text) {
  return Request(wire::kOpRcommit, {Word(TextLength(text)), Word(text)});
}

MV432IDA_API int32_t Rrollbck(void) {
  return Request(wire::kOpRrollbck, {});
}

MV432IDA_API int32_t Rformat(int32_t h, const char* formatName) {
  return Request(wire::kOpRformat, {Word(h), Word(10), Word(formatName)});
}

MV432IDA_API int32_t Rselect(int32_t h, const char* formatName, int32_t count, const char* names) {
  return Request(wire::kOpRselect,
                 {Word(h), Word(10), Word(formatName), Word(count), Word(10 * count), Word(names)});
}

MV432IDA_API int32_t Rgetkey(int32_t h, void* buffer, int32_t length) {
  return Request(wire::kOpRgetkey, {Word(h), Word(length), Word(buffer), Word(length)});
}

MV432IDA_API int32_t RCreatDDS(const char* file, int32_t lineCount, const char* lines,
                               int32_t option) {
  return Request(wire::kOpRCreatDDS, {Word(TextLength(file)), Word(file), Word(lineCount),
                                      Word(80 * lineCount), Word(lines), Word(option)});
}

MV432IDA_API int32_t SetConvFld(int32_t h, int32_t count, const void* entries) {
  return Request(wire::kOpSetConvFld, {Word(h), Word(count), Word(6 * count), Word(entries)});
}

MV432IDA_API int32_t GetNbrFmt(int32_t h) {
  return Request(wire::kOpGetNbrFmt, {Word(h)});
}

MV432IDA_API int32_t GetTypeFmt(int32_t h, int32_t count, void* buffer) {
  const int32_t entries = count < 0 ? -count : count;
  return Request(wire::kOpGetTypeFmt, {Word(h), Word(count), Word(16 * entries), Word(buffer)});
}

MV432IDA_API int32_t GetTypeFld(int32_t h, int32_t count, void* buffer) {
  return Request(wire::kOpGetTypeFld, {Word(h), Word(count), Word(22 * count), Word(buffer)});
}

MV432IDA_API int32_t GetTypeKey(int32_t h, int32_t count, void* buffer) {
  return Request(wire::kOpGetTypeKey, {Word(h), Word(count), Word(22 * count), Word(buffer)});
}

MV432IDA_API int32_t SetImpGenConv(int32_t count, const void* entries) {
  return Request(wire::kOpSetImpGenConv, {Word(count), Word(8 * count), Word(entries)});
}

MV432IDA_API int32_t SetImpConv(int32_t h, int32_t count, const void* entries) {
  return Request(wire::kOpSetImpConv, {Word(h), Word(count), Word(8 * count), Word(entries)});
}

MV432IDA_API int32_t SetTypeFld(int32_t h, const void* description) {
  return Request(wire::kOpSetTypeFld, {Word(h), Word(22), Word(description)});
}

MV432IDA_API int32_t VNXGetDesc(int32_t h, void* buffer, int32_t size, int32_t flags,
                                const char* formatName) {
  return SendGetDesc(h, buffer, size, flags, formatName);
}

MV432IDA_API int32_t VNXCreateVirtualDesc(int32_t h, const char* formatName, int32_t fieldCount,
                                          const void* fields, int32_t count, const void* entries) {
  return Request(wire::kOpCreateVirtualDesc,
                 {Word(h), Word(10), Word(formatName), Word(fieldCount), Word(16 * fieldCount),
                  Word(fields), Word(count), Word(4 * count), Word(entries)});
}

MV432IDA_API int32_t VNXredefines(int32_t h, const char* formatName, int32_t size, int32_t count,
                                  const void* entries) {
  return Request(wire::kOpRedefines, {Word(h), Word(10), Word(formatName), Word(size), Word(count),
                                      Word((size + 10) * count), Word(entries)});
}

MV432IDA_API int32_t VNXSetTypeKey(int32_t h, int32_t count, const char* names, int32_t option) {
  return Request(wire::kOpSetTypeKey,
                 {Word(h), Word(count), Word(10 * count), Word(names), Word(option)});
}

MV432IDA_API int32_t VNXrlsrcd(int32_t h, int32_t option) {
  return Request(wire::kOpRlsRcd, {Word(h), Word(option)});
}

MV432IDA_API int32_t VNXFreeFile(const char* file) {
  return Request(wire::kOpFreeFile, {Word(TextLength(file)), Word(file)});
}

MV432IDA_API int32_t StartFile_Test(const char* file, int32_t option) {
  return Request(wire::kOpStartFileTest, {Word(TextLength(file)), Word(file), Word(option)});
}

MV432IDA_API int32_t StartFile_Err(const char* text) {
  return Request(wire::kOpStartFileErr, {Word(TextLength(text)), Word(text)});
}

MV432IDA_API int32_t VNXStopFile_Test(void) {
  return Request(wire::kOpStopFileTest, {});
}

MV432IDA_API int32_t CloseSession(int32_t h) {
  return Request(wire::kOpCloseSession, {Word(h)});
}

}  // extern "C"
