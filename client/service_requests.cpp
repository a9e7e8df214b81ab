// Program, job, data-queue, command, SQL and service requests: each export
// lays its arguments out as argument words and hands them to the dispatcher.
#include "client/dispatcher.h"
#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "protocol/record_options.h"

using namespace vantora::client;
namespace wire = vantora::wire;

namespace {

// Offsets in the caller's program link descriptor.
constexpr int kLinkParameterCount = 22;
constexpr int kLinkNumber = 24;
constexpr int kLinkAnswer1 = 28;
constexpr int kLinkAnswer2 = 30;
constexpr int kLinkEntryCount = 32;

// A key travels only when both its address and its length are given.
bool KeyGiven(const void* key, int32_t keyLength) {
  return key != nullptr && keyLength != 0;
}

// The data bytes described by `count` 16-byte database-server field entries.
int32_t DataLength(int32_t count, const void* entries) {
  if (entries == nullptr) return 0;
  auto* e = static_cast<const uint8_t*>(entries);
  int32_t total = 0;
  for (int32_t i = 0; i < count; ++i)
    total += wire::LoadLeI16(e + static_cast<ptrdiff_t>(16) * i + 14);
  return total;
}

}  // namespace

extern "C" {

MV432IDA_API int32_t Rsystem(const char* command) {
  return Request(wire::kOpRsystem, {Word(TextLength(command)), Word(command)});
}

MV432IDA_API int32_t VNXCmdExec(const char* command) {
  return Request(wire::kOpCmdExec, {Word(TextLength(command)), Word(command)});
}

MV432IDA_API int32_t PgmLink(void* descriptor, const void* parameters, const void* entries) {
  auto* d = static_cast<uint8_t*>(descriptor);
  const int32_t n = d == nullptr ? 0 : wire::LoadLeI16(d + kLinkParameterCount);
  const int32_t m = d == nullptr ? 0 : wire::LoadLeI16(d + kLinkEntryCount);
  int32_t link =
      Request(wire::kOpPgmLink, {Word(22), Word(d), Word(n), Word(14 * n), Word(parameters),
                                 Word(2), Word(d == nullptr ? nullptr : d + kLinkAnswer1), Word(2),
                                 Word(d == nullptr ? nullptr : d + kLinkAnswer2), Word(m),
                                 Word(2 * m), Word(entries)});
  if (d != nullptr) wire::StoreLeI32(d + kLinkNumber, link);
  return link;
}

MV432IDA_API int32_t PgmCall(int32_t link, int32_t outLength, void* outData, int32_t inLength,
                             const void* inData) {
  const int32_t out = static_cast<int16_t>(outLength);
  const int32_t in = static_cast<int16_t>(inLength);
  return Request(wire::kOpPgmCall, {Word(link), Word(out), Word(outData), Word(in), Word(inData)});
}

MV432IDA_API int32_t PgmUnLink(int32_t link) {
  return Request(wire::kOpPgmUnLink, {Word(link)});
}

MV432IDA_API int32_t JOBcall(const char* program, const char* library) {
  return Request(wire::kOpJobCall, {Word(10), Word(program), Word(10), Word(library)});
}

MV432IDA_API int32_t JOBsend(int32_t job, int32_t length, const void* data) {
  return Request(wire::kOpJobSend, {Word(job), Word(length), Word(length), Word(data)});
}

MV432IDA_API int32_t JOBreceive(int32_t job, int32_t length, void* buffer) {
  return Request(wire::kOpJobReceive, {Word(job), Word(length), Word(length), Word(buffer)});
}

MV432IDA_API int32_t JOBsendreceive(int32_t job, int32_t sendLength, const void* sendData,
                                    int32_t receiveLength, void* buffer) {
  return Request(wire::kOpJobSendReceive,
                 {Word(job), Word(sendLength), Word(sendLength), Word(sendData),
                  Word(receiveLength), Word(receiveLength), Word(buffer)});
}

MV432IDA_API int32_t VNXLinkDataQueue(const char* queue, const char* library,
                                      int32_t createMaxLength, int32_t createKeyLength,
                                      const char* createSequence) {
  return Request(wire::kOpLinkDataQueue,
                 {Word(10), Word(queue), Word(10), Word(library), Word(createMaxLength),
                  Word(createKeyLength), Word(10), Word(createSequence)});
}

MV432IDA_API int32_t VNXUnlinkDataQueue(int32_t queueLink) {
  return Request(wire::kOpUnlinkDataQueue, {Word(queueLink)});
}

MV432IDA_API int32_t VNXSendDataQueue(int32_t queueLink, const void* data, int32_t length,
                                      const void* key, int32_t keyLength) {
  if (!KeyGiven(key, keyLength)) {
    key = nullptr;
    keyLength = 0;
  }
  return Request(wire::kOpSendDataQueue, {Word(queueLink), Word(length), Word(data), Word(length),
                                          Word(keyLength), Word(key), Word(keyLength)});
}

MV432IDA_API int32_t VNXReceiveDataQueue(int32_t queueLink, void* buffer, int32_t length,
                                         int32_t wait, const char* order, const void* key,
                                         int32_t keyLength) {
  if (!KeyGiven(key, keyLength)) {
    key = nullptr;
    keyLength = 0;
  }
  return Request(
      wire::kOpReceiveDataQueue,
      {Word(queueLink), Word(length), Word(buffer), Word(length), Word(wait),
       Word(order == nullptr ? 0 : 2), Word(order), Word(keyLength), Word(key), Word(keyLength)});
}

MV432IDA_API int32_t VNXSqlBegin(void) {
  return Request(wire::kOpSqlBegin, {});
}
MV432IDA_API int32_t VNXSqlEnd(void) {
  return Request(wire::kOpSqlEnd, {});
}

MV432IDA_API int32_t VNXSqlSqlca(void* buffer, int32_t length) {
  return Request(wire::kOpSqlSqlca, {Word(length), Word(buffer), Word(length)});
}

MV432IDA_API int32_t VNXSqlImmediate(const char* statement, int32_t length) {
  return Request(wire::kOpSqlImmediate, {Word(length), Word(statement), Word(length)});
}

MV432IDA_API int32_t VNXSqlDeclare(const char* statement, int32_t length) {
  return Request(wire::kOpSqlDeclare, {Word(length), Word(statement), Word(length)});
}

MV432IDA_API int32_t VNXSqlOpen(int32_t cursor) {
  return Request(wire::kOpSqlOpen, {Word(cursor)});
}
MV432IDA_API int32_t VNXSqlCommit(int32_t option) {
  return Request(wire::kOpSqlCommit, {Word(option)});
}

MV432IDA_API int32_t VNXSqlFetch(int32_t cursor, void* buffer, int32_t length) {
  return Request(wire::kOpSqlFetch, {Word(cursor), Word(length), Word(buffer), Word(length)});
}

static_assert(VNX_FETCH_NEXT == wire::kFetchNext && VNX_FETCH_PRIOR == wire::kFetchPrior &&
              VNX_FETCH_FIRST == wire::kFetchFirst && VNX_FETCH_LAST == wire::kFetchLast &&
              VNX_FETCH_CURRENT == wire::kFetchCurrent &&
              VNX_FETCH_RELATIVE == wire::kFetchRelative &&
              VNX_FETCH_NULL_MAP == wire::kFetchWithNullMap);

MV432IDA_API int32_t VNXSqlEFetch(int32_t cursor, void* buffer, int32_t rowLength, int32_t rowCount,
                                  int32_t operation) {
  return Request(wire::kOpSqlEFetch, {Word(cursor), Word(rowLength * rowCount), Word(buffer),
                                      Word(rowLength), Word(rowCount), Word(operation)});
}

MV432IDA_API int32_t VNXSqlRow(int32_t cursor, const void* data, int32_t length) {
  return Request(wire::kOpSqlRow, {Word(cursor), Word(length), Word(data), Word(length)});
}

MV432IDA_API int32_t VNXSqlClose(int32_t cursor) {
  return Request(wire::kOpSqlClose, {Word(cursor)});
}

MV432IDA_API int32_t VNXApiCall(const char* s1, const char* s2, const char* s3, const char* s4,
                                const char* s5, const char* s6, const char* s7, const char* s8) {
  return Request(wire::kOpApiCall,
                 {Word(TextLength(s1)), Word(s1), Word(TextLength(s2)), Word(s2),
                  Word(TextLength(s3)), Word(s3), Word(TextLength(s4)), Word(s4),
                  Word(TextLength(s5)), Word(s5), Word(TextLength(s6)), Word(s6),
                  Word(TextLength(s7)), Word(s7), Word(TextLength(s8)), Word(s8)});
}

MV432IDA_API int32_t VNXMapFile(int32_t value, const char* name, int32_t option) {
  return Request(wire::kOpMapFile, {Word(value), Word(TextLength(name)), Word(name), Word(option)});
}

MV432IDA_API int32_t VNXDBstart(int32_t value, int32_t count, const void* entries,
                                const void* data) {
  return Request(wire::kOpDbStart, {Word(value), Word(count), Word(16 * count), Word(entries),
                                    Word(DataLength(count, entries)), Word(data)});
}

MV432IDA_API int32_t VNXDBopen(int32_t listCount, const void* list, int32_t count,
                               const void* entries, const void* data) {
  return Request(wire::kOpDbOpen,
                 {Word(listCount), Word(4 * listCount), Word(list), Word(count), Word(16 * count),
                  Word(entries), Word(DataLength(count, entries)), Word(data)});
}

MV432IDA_API int32_t VNXDBstop(int32_t value) {
  return Request(wire::kOpDbStop, {Word(value)});
}

MV432IDA_API int32_t VNXDBinit(int32_t serverValue1, int32_t serverValue2, int32_t serverValue3) {
  return Request(wire::kOpDbInit, {Word(serverValue1), Word(serverValue2), Word(serverValue3)});
}

MV432IDA_API int32_t VNXecho(void* buffer, int32_t length, int32_t answer) {
  return Request(wire::kOpEcho, {Word(length), Word(buffer), Word(length), Word(answer)},
                 answer != 0 ? Reply::kAsTable : Reply::kNone);
}

MV432IDA_API int32_t ReadTableASCII_EBCDIC(void* table) {
  return Request(wire::kOpReadTableAsciiEbcdic, {Word(256), Word(table)});
}

MV432IDA_API int32_t ReadTableEBCDIC_ASCII(void* table) {
  return Request(wire::kOpReadTableEbcdicAscii, {Word(256), Word(table)});
}

MV432IDA_API int32_t WriteTableASCII_EBCDIC(const void* table) {
  return Request(wire::kOpWriteTableAsciiEbcdic, {Word(256), Word(table)});
}

MV432IDA_API int32_t WriteTableEBCDIC_ASCII(const void* table) {
  return Request(wire::kOpWriteTableEbcdicAscii, {Word(256), Word(table)});
}

MV432IDA_API int32_t RTV_AS_VER(int32_t* version) {
  return Request(wire::kOpRtvAsVer, {Word(4), Word(version)});
}

}  // extern "C"
