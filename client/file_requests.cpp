// The record-level file requests: each export lays its arguments out as the
// request's argument words and hands them to the dispatcher.
#include "client/file_requests.h"

#include "client/dispatcher.h"
#include "client/record_conversion.h"
#include "include/mv432ida.h"

namespace vantora::client {

int32_t SendOpen(const char* file, int32_t mode, int32_t option) {
  if ((mode & VNX_OPEN_RAW) != 0 && (mode & VNX_OPEN_CLIENT_CONVERT) != 0) {
    mode &= ~VNX_OPEN_CLIENT_CONVERT;
  }
  return Request(0x054E, {Word(TextLength(file)), Word(file), Word(mode), Word(option)});
}

int32_t SendRead(int32_t h, void* records, int32_t recordLength, int32_t options, const void* key,
                 int32_t keyLength, int32_t* numbers) {
  const int32_t n = RecordCount(options);
  const int32_t recordBytes = records == nullptr ? 0 : recordLength * n;
  const int32_t numberBytes = numbers == nullptr ? 0 : 4 * n;
  return Request(0x0146,
                 {Word(h), Word(recordBytes), Word(records), Word(recordLength), Word(options),
                  Word(keyLength), Word(key), Word(keyLength), Word(numberBytes), Word(numbers)});
}

int32_t SendWrite(int32_t h, const void* records, int32_t recordLength, int32_t options,
                  int32_t* numbers) {
  const int32_t n = RecordCount(options);
  const int32_t recordBytes = records == nullptr ? 0 : recordLength * n;
  const int32_t numberBytes = numbers == nullptr ? 0 : 4 * n;
  return Request(0x0147, {Word(h), Word(recordBytes), Word(records), Word(recordLength),
                          Word(options), Word(numberBytes), Word(numbers)});
}

int32_t SendGetDesc(int32_t h, void* buffer, int32_t size, int32_t flags, const char* formatName) {
  const int32_t bytes = (flags & VNX_DESC_COUNTED) != 0 ? (flags & 0xFFFF) * size : size;
  return Request(0x0148, {Word(h), Word(bytes), Word(buffer), Word(size), Word(flags), Word(10),
                          Word(formatName)});
}

int32_t SendClose(int32_t h) {
  return Request(0x0201, {Word(h)});
}

}  // namespace vantora::client

using namespace vantora::client;

namespace {

int32_t ReadRequest(int32_t code, int32_t h, void* buffer, int32_t length, int32_t option) {
  return Request(code, {Word(h), Word(length), Word(buffer), Word(length), Word(option)});
}

}  // namespace

extern "C" {

MV432IDA_API int32_t Ropen(const char* file, const char* mode) {
  return Request(0x0500, {Word(TextLength(file)), Word(file), Word(TextLength(mode)), Word(mode)});
}

MV432IDA_API int32_t Rclose(int32_t h) {
  ForgetConversion(h);
  return SendClose(h);
}

MV432IDA_API int32_t RLclose(int32_t h) {
  return Request(0x0230, {Word(h)});
}

MV432IDA_API int32_t Rreadn(int32_t h, void* buffer, int32_t length, int32_t option) {
  return ReadRequest(0x0102, h, buffer, length, option);
}
MV432IDA_API int32_t Rreadp(int32_t h, void* buffer, int32_t length, int32_t option) {
  return ReadRequest(0x0103, h, buffer, length, option);
}
MV432IDA_API int32_t Rreadf(int32_t h, void* buffer, int32_t length, int32_t option) {
  return ReadRequest(0x0104, h, buffer, length, option);
}
MV432IDA_API int32_t Rreadl(int32_t h, void* buffer, int32_t length, int32_t option) {
  return ReadRequest(0x0105, h, buffer, length, option);
}
MV432IDA_API int32_t Rreads(int32_t h, void* buffer, int32_t length, int32_t option) {
  return ReadRequest(0x0106, h, buffer, length, option);
}

MV432IDA_API int32_t Rreadk(int32_t h, void* buffer, int32_t length, int32_t option,
                            const void* key, int32_t keyLength) {
  return Request(0x0107, {Word(h), Word(length), Word(buffer), Word(length), Word(option),
                          Word(keyLength), Word(key), Word(keyLength)});
}

MV432IDA_API int32_t Rreadd(int32_t h, void* buffer, int32_t length, int32_t option,
                            int32_t recordNumber) {
  return Request(0x0108, {Word(h), Word(length), Word(buffer), Word(length), Word(option),
                          Word(recordNumber)});
}

MV432IDA_API int32_t Rwrite(int32_t h, const void* buffer, int32_t length) {
  return Request(0x0109, {Word(h), Word(length), Word(buffer), Word(length)});
}

MV432IDA_API int32_t Rwrited(int32_t h, const void* buffer, int32_t length, int32_t recordNumber) {
  return Request(0x010A, {Word(h), Word(length), Word(buffer), Word(length), Word(recordNumber)});
}

MV432IDA_API int32_t Rupdate(int32_t h, const void* buffer, int32_t length) {
  return Request(0x010B, {Word(h), Word(length), Word(buffer), Word(length)});
}

MV432IDA_API int32_t Rdelete(int32_t h) {
  return Request(0x010C, {Word(h)});
}
MV432IDA_API int32_t Rrlslck(int32_t h) {
  return Request(0x010D, {Word(h)});
}

MV432IDA_API int32_t Rlocate(int32_t h, const void* key, int32_t keyLength, int32_t option) {
  // A null key travels as an empty buffer, but the key length still goes out.
  return Request(0x010E, {Word(h), Word(key == nullptr ? 0 : keyLength), Word(key), Word(keyLength),
                          Word(option)});
}

MV432IDA_API int32_t Rfeod(int32_t h) {
  return Request(0x010F, {Word(h)});
}

MV432IDA_API int32_t Rrstatus(int32_t h, void* buffer) {
  return Request(0x0110, {Word(h), Word(24), Word(buffer)});
}

MV432IDA_API int32_t Rlength(int32_t h) {
  return Request(0x0111, {Word(h)});
}

MV432IDA_API int32_t Rcommit(const char* text) {
  return Request(0x0513, {Word(TextLength(text)), Word(text)});
}

MV432IDA_API int32_t Rrollbck(void) {
  return Request(0x0114, {});
}

MV432IDA_API int32_t Rformat(int32_t h, const char* formatName) {
  return Request(0x0517, {Word(h), Word(10), Word(formatName)});
}

MV432IDA_API int32_t Rselect(int32_t h, const char* formatName, int32_t count, const char* names) {
  return Request(0x012F,
                 {Word(h), Word(10), Word(formatName), Word(count), Word(10 * count), Word(names)});
}

MV432IDA_API int32_t Rgetkey(int32_t h, void* buffer, int32_t length) {
  return Request(0x0131, {Word(h), Word(length), Word(buffer), Word(length)});
}

MV432IDA_API int32_t RCreatDDS(const char* file, int32_t lineCount, const char* lines,
                               int32_t option) {
  return Request(0x0120, {Word(TextLength(file)), Word(file), Word(lineCount), Word(80 * lineCount),
                          Word(lines), Word(option)});
}

MV432IDA_API int32_t SetConvFld(int32_t h, int32_t count, const void* entries) {
  return Request(0x0118, {Word(h), Word(count), Word(6 * count), Word(entries)});
}

MV432IDA_API int32_t GetNbrFmt(int32_t h) {
  return Request(0x0119, {Word(h)});
}

MV432IDA_API int32_t GetTypeFmt(int32_t h, int32_t count, void* buffer) {
  const int32_t entries = count < 0 ? -count : count;
  return Request(0x011A, {Word(h), Word(count), Word(16 * entries), Word(buffer)});
}

MV432IDA_API int32_t GetTypeFld(int32_t h, int32_t count, void* buffer) {
  return Request(0x011B, {Word(h), Word(count), Word(22 * count), Word(buffer)});
}

MV432IDA_API int32_t GetTypeKey(int32_t h, int32_t count, void* buffer) {
  return Request(0x011C, {Word(h), Word(count), Word(22 * count), Word(buffer)});
}

MV432IDA_API int32_t SetImpGenConv(int32_t count, const void* entries) {
  return Request(0x011D, {Word(count), Word(8 * count), Word(entries)});
}

MV432IDA_API int32_t SetImpConv(int32_t h, int32_t count, const void* entries) {
  return Request(0x011E, {Word(h), Word(count), Word(8 * count), Word(entries)});
}

MV432IDA_API int32_t SetTypeFld(int32_t h, const void* description) {
  return Request(0x011F, {Word(h), Word(22), Word(description)});
}

MV432IDA_API int32_t VNXopen(const char* file, int32_t mode, int32_t option) {
  return OpenWithConversion(file, mode, option);
}

MV432IDA_API int32_t VNXRead(int32_t h, void* records, int32_t recordLength, int32_t options,
                             const void* key, int32_t keyLength, int32_t* numbers) {
  return ReadWithConversion(h, records, recordLength, options, key, keyLength, numbers);
}

MV432IDA_API int32_t VNXWrite(int32_t h, const void* records, int32_t recordLength, int32_t options,
                              int32_t* numbers) {
  return WriteWithConversion(h, records, recordLength, options, numbers);
}

MV432IDA_API int32_t VNXGetDesc(int32_t h, void* buffer, int32_t size, int32_t flags,
                                const char* formatName) {
  return SendGetDesc(h, buffer, size, flags, formatName);
}

MV432IDA_API int32_t VNXCreateVirtualDesc(int32_t h, const char* formatName, int32_t fieldCount,
                                          const void* fields, int32_t count, const void* entries) {
  return Request(0x0133,
                 {Word(h), Word(10), Word(formatName), Word(fieldCount), Word(16 * fieldCount),
                  Word(fields), Word(count), Word(4 * count), Word(entries)});
}

MV432IDA_API int32_t VNXredefines(int32_t h, const char* formatName, int32_t size, int32_t count,
                                  const void* entries) {
  return Request(0x0145, {Word(h), Word(10), Word(formatName), Word(size), Word(count),
                          Word((size + 10) * count), Word(entries)});
}

MV432IDA_API int32_t VNXSetTypeKey(int32_t h, int32_t count, const char* names, int32_t option) {
  return Request(0x0142, {Word(h), Word(count), Word(10 * count), Word(names), Word(option)});
}

MV432IDA_API int32_t VNXrlsrcd(int32_t h, int32_t option) {
  return Request(0x0144, {Word(h), Word(option)});
}

MV432IDA_API int32_t VNXFreeFile(const char* file) {
  return Request(0x0543, {Word(TextLength(file)), Word(file)});
}

MV432IDA_API int32_t StartFile_Test(const char* file, int32_t option) {
  return Request(0x0522, {Word(TextLength(file)), Word(file), Word(option)});
}

MV432IDA_API int32_t StartFile_Err(const char* text) {
  return Request(0x0523, {Word(TextLength(text)), Word(text)});
}

MV432IDA_API int32_t VNXStopFile_Test(void) {
  return Request(0x0149, {});
}

MV432IDA_API int32_t CloseSession(int32_t h) {
  return Request(0x0221, {Word(h)});
}

}  // extern "C"
