// Client-side record conversion end to end through the scripted transport:
// the host is sent and answers raw AS/400 records (EBCDIC, packed,
// big-endian); the caller sees and gives PC images.
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cstddef>
#include <cstring>
#include <new>
#include <ostream>
#include <vector>

#include "tests/support/test_session.h"

namespace {

// The raw buffer is the library's only allocation of this size; failing it
// on demand shows what VNXRead and VNXWrite do without it.
constexpr std::size_t kRawBufferBytes = 32768;
std::atomic<bool> failRawBuffer{false};
std::atomic<int> rawBufferRequests{0};

}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (size == kRawBufferBytes) {
    ++rawBufferRequests;
    if (failRawBuffer) return nullptr;
  }
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

namespace vantora::testing {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr int32_t kConvert = VNX_OPEN_RAW | VNX_OPEN_CLIENT_CONVERT;
constexpr int32_t kOpenCode = 0x054E;
constexpr int32_t kCloseCode = 0x0201;
constexpr int32_t kReadCode = 0x0146;
constexpr int32_t kWriteCode = 0x0147;
constexpr int32_t kGetDescCode = 0x0148;

// Type codes of the field descriptions.
constexpr int16_t kPcChar = 0, kPcLong = 2, kPcDouble = 4;
constexpr int16_t kAsChar = 0, kAsBin2 = 1, kAsBin4 = 2, kAsPack = 3, kAsZoned = 4;

struct Field {
  int16_t pcType, pcLength, pcDecimals, asType, asLength, asDecimals;
};

// CHAR(10), PACK 7,2 and BIN4 read as CHAR(10), DOUBLE and LONG: an 18-byte
// raw record, a 22-byte PC image.
const std::vector<Field> kCustomer = {{kPcChar, 10, 0, kAsChar, 10, 0},
                                      {kPcDouble, 8, 0, kAsPack, 4, 2},
                                      {kPcLong, 4, 0, kAsBin4, 4, 0}};
constexpr int32_t kRawLength = 18;
constexpr int32_t kPcLength = 22;

struct FileScript {
  int32_t handle = 3;
  std::vector<Field> fields = kCustomer;
  int16_t rawLength = kRawLength;
  std::vector<int16_t> keys;  // key-field indexes
  int32_t keyResult = 1;      // result of the key description request
};

Bytes Entry(const Field& f, int size, int16_t keyIndex = 0) {
  Bytes e(static_cast<size_t>(size), 0);
  std::memcpy(e.data(), "FIELD     ", 10);
  const int16_t values[6] = {f.pcType, f.pcLength, f.pcDecimals,
                             f.asType, f.asLength, f.asDecimals};
  for (int i = 0; i < 6; ++i) wire::StoreLeI16(e.data() + 10 + 2 * i, values[i]);
  if (size == 26) wire::StoreLeI16(e.data() + 22, keyIndex);
  return e;
}

void Queue(int32_t code, int32_t result, std::vector<int32_t> slots = {}, Bytes data = {}) {
  Reply r;
  r.code = code;
  r.result = result;
  r.slots = std::move(slots);
  r.data = std::move(data);
  ScriptedTransport::QueueReceive(r.Bytes());
}

void QueueDescription(int32_t result, const Bytes& data) {
  Queue(kGetDescCode, result, {0, static_cast<int32_t>(data.size())}, data);
}

// The open reply, then the header, field and key description replies.
void QueueOpen(const FileScript& f) {
  Queue(kOpenCode, f.handle);
  Bytes header(16, 0);
  std::memcpy(header.data(), "CUSTREC   ", 10);
  wire::StoreLeI16(header.data() + 10, static_cast<int16_t>(f.fields.size()));
  wire::StoreLeI16(header.data() + 12, f.rawLength);
  wire::StoreLeI16(header.data() + 14, static_cast<int16_t>(f.keys.size()));
  QueueDescription(1, header);
  Bytes fields;
  for (const Field& field : f.fields) {
    Bytes e = Entry(field, 22);
    fields.insert(fields.end(), e.begin(), e.end());
  }
  QueueDescription(static_cast<int32_t>(f.fields.size()), fields);
  if (f.keys.empty()) return;
  Bytes keys;
  for (int16_t k : f.keys) {
    const auto index = static_cast<size_t>(k);
    Bytes e = Entry(index < f.fields.size() ? f.fields[index] : Field{}, 26, k);
    keys.insert(keys.end(), e.begin(), e.end());
  }
  QueueDescription(f.keyResult, keys);
}

void QueueRead(int32_t result, const Bytes& records, const std::vector<int32_t>& numbers) {
  Bytes data = records;
  for (int32_t n : numbers) {
    uint8_t b[4];
    wire::StoreLeI32(b, n);
    data.insert(data.end(), b, b + 4);
  }
  Queue(kReadCode, result,
        {0, static_cast<int32_t>(records.size()), 0, 0, 0, 0,
         static_cast<int32_t>(4 * numbers.size())},
        data);
}

// The first parts of the requests sent (no request here spans two parts,
// except where a test says so).
std::vector<Bytes> Requests(int32_t code) {
  std::vector<Bytes> out;
  for (auto& p : ScriptedTransport::SentParts()) {
    if (p.size() >= 4 + wire::kHeaderSize && HeaderI32(p, wire::kHdrCode) == code) {
      out.push_back(p);
    }
  }
  return out;
}

// The key bytes of a read request: after the 16-byte placeholder of the
// records buffer, as many as the key-length slot says.
Bytes KeySent(const Bytes& part) {
  Bytes data = PartData(part);
  const auto length = static_cast<size_t>(Slot(part, 4));
  if (data.size() < 16 + length) return {};
  return Bytes(data.begin() + 16, data.begin() + 16 + static_cast<std::ptrdiff_t>(length));
}

// The first `length` record bytes of a write request.
Bytes RecordsSent(const Bytes& part, size_t length) {
  Bytes data = PartData(part);
  if (data.size() < length) return {};
  return Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length));
}

// Raw record of kCustomer: EBCDIC text, packed 7,2, big-endian BIN4.
Bytes RawCustomer(const char* ebcdicHello, uint32_t packed, int32_t bin4) {
  Bytes r(ebcdicHello, ebcdicHello + 10);
  for (int shift = 24; shift >= 0; shift -= 8) r.push_back(static_cast<uint8_t>(packed >> shift));
  for (int shift = 24; shift >= 0; shift -= 8) {
    r.push_back(static_cast<uint8_t>(static_cast<uint32_t>(bin4) >> shift));
  }
  return r;
}

// "HELLO" in EBCDIC, blank-padded to 10.
constexpr char kHello[] = "\xC8\xC5\xD3\xD3\xD6\x40\x40\x40\x40\x40";
// "ACME" likewise.
constexpr char kAcme[] = "\xC1\xC3\xD4\xC5\x40\x40\x40\x40\x40\x40";

Bytes PcCustomer(const char* name, double amount, int32_t count) {
  Bytes pc(kPcLength, ' ');
  std::memcpy(pc.data(), name, std::strlen(name));
  wire::StoreLe64(pc.data() + 10, std::bit_cast<uint64_t>(amount));
  wire::StoreLeI32(pc.data() + 18, count);
  return pc;
}

double PcDouble(const uint8_t* p) {
  return std::bit_cast<double>(wire::LoadLe64(p));
}

class RecordConversion : public ClientTest {
 protected:
  // Connects and opens `f` with client-side conversion; the calls made so
  // far are forgotten.
  void OpenConverted(const FileScript& f = {}) {
    Connect();
    QueueOpen(f);
    ASSERT_EQ(VNXopen("QGPL/CUSTOMER", kConvert, 0), f.handle);
    ScriptedTransport::Reset();
  }
};

// ---- Open.

TEST_F(RecordConversion, OpenAsksForHeaderFieldsAndKeys) {
  Connect();
  FileScript f;
  f.keys = {1};
  QueueOpen(f);
  ASSERT_EQ(VNXopen("QGPL/CUSTOMER", kConvert | 0x4, 7), 3);

  auto open = Requests(kOpenCode);
  ASSERT_EQ(open.size(), 1u);
  EXPECT_EQ(Slot(open[0], 1), VNX_OPEN_RAW | 0x4);  // the host is asked for raw records
  auto desc = Requests(kGetDescCode);
  ASSERT_EQ(desc.size(), 3u);
  // Slots: handle, bytes asked, entry size, flags, format name length.
  const int32_t expected[3][3] = {
      {16, 16, 0x08000000}, {3 * 22, 22, 0x10020003}, {26, 26, 0x21020001}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Slot(desc[i], 0), 3) << i;
    EXPECT_EQ(Slot(desc[i], 1), expected[i][0]) << i;
    EXPECT_EQ(Slot(desc[i], 2), expected[i][1]) << i;
    EXPECT_EQ(Slot(desc[i], 3), expected[i][2]) << i;
    EXPECT_EQ(Slot(desc[i], 4), 10) << i;
    Bytes data = PartData(desc[i]);
    // The format name travels after the output placeholder: ten zero bytes.
    ASSERT_GE(data.size(), 26u);
    EXPECT_EQ(Bytes(data.begin() + 16, data.begin() + 26), Bytes(10, 0)) << i;
  }
}

TEST_F(RecordConversion, ReadGivesPcImageFromRawRecord) {
  OpenConverted();
  QueueRead(1, RawCustomer(kHello, 0x1234567D, 100000), {42});
  Bytes pc(kPcLength + 2, 0xEE);
  int32_t number = 0;
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, &number), 1);

  EXPECT_EQ(std::string(pc.begin(), pc.begin() + 10), "HELLO     ");
  EXPECT_DOUBLE_EQ(PcDouble(pc.data() + 10), -12345.67);
  EXPECT_EQ(wire::LoadLeI32(pc.data() + 18), 100000);
  EXPECT_EQ(pc[22], 0xEE);  // nothing past the image
  EXPECT_EQ(pc[23], 0xEE);
  EXPECT_EQ(number, 42);

  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(Slot(reads[0], 1), kRawLength);  // raw bytes asked
  EXPECT_EQ(Slot(reads[0], 2), kRawLength);  // record length on the wire
  EXPECT_EQ(Slot(reads[0], 3), VNX_READ_NEXT);
}

TEST_F(RecordConversion, BlockReadFillsImagesSpacedByCallerLength) {
  OpenConverted();
  constexpr int32_t kStride = 30;
  Bytes raw;
  for (int i = 0; i < 5; ++i) {
    // Packed 000i+1000 with 2 decimals: 10.00, 20.00, ...
    Bytes r = RawCustomer(kHello, 0x0000000C | static_cast<uint32_t>(i + 1) << 16, i - 2);
    raw.insert(raw.end(), r.begin(), r.end());
  }
  QueueRead(5, raw, {10, 11, 12, 13, 14});
  Bytes pc(5 * kStride, 0xEE);
  int32_t numbers[5] = {};
  ASSERT_EQ(VNXRead(3, pc.data(), kStride, VNX_READ_NEXT | VNX_BLOCK | 5, nullptr, 0, numbers), 5);

  for (int i = 0; i < 5; ++i) {
    const uint8_t* image = pc.data() + i * kStride;
    EXPECT_EQ(std::string(image, image + 10), "HELLO     ") << i;
    EXPECT_DOUBLE_EQ(PcDouble(image + 10), 10.0 * (i + 1)) << i;
    EXPECT_EQ(wire::LoadLeI32(image + 18), i - 2) << i;
    for (int b = kPcLength; b < kStride; ++b) EXPECT_EQ(image[b], 0xEE) << i << " " << b;
    EXPECT_EQ(numbers[i], 10 + i);
  }
  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(Slot(reads[0], 1), 5 * kRawLength);
  EXPECT_EQ(Slot(reads[0], 2), kRawLength);
  EXPECT_EQ(Slot(reads[0], 6), 20);
}

TEST_F(RecordConversion, BlockReadConvertsOnlyTheRecordsRead) {
  OpenConverted();
  Bytes raw;
  for (int i = 0; i < 2; ++i) {
    Bytes r = RawCustomer(kAcme, 0x0000001F, 7);
    raw.insert(raw.end(), r.begin(), r.end());
  }
  QueueRead(2, raw, {1, 2});
  Bytes pc(4 * kPcLength, 0xEE);
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT | VNX_BLOCK | 4, nullptr, 0, nullptr),
            2);
  EXPECT_EQ(std::string(pc.begin() + kPcLength, pc.begin() + kPcLength + 4), "ACME");
  // Records 3 and 4 never came: their images are left alone, not filled
  // from whatever the raw buffer held.
  EXPECT_EQ(Bytes(pc.begin() + 2 * kPcLength, pc.end()), Bytes(2 * kPcLength, 0xEE));
}

TEST_F(RecordConversion, ShortCallerRecordCutsTheImage) {
  OpenConverted();
  QueueRead(1, RawCustomer(kHello, 0x1234567D, 5), {});
  Bytes pc(16, 0xEE);
  ASSERT_EQ(VNXRead(3, pc.data(), 14, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  EXPECT_EQ(std::string(pc.begin(), pc.begin() + 10), "HELLO     ");
  // The DOUBLE is cut by the record's end: not converted, not written.
  EXPECT_EQ(Bytes(pc.begin() + 10, pc.end()), Bytes(6, 0xEE));
}

TEST_F(RecordConversion, PackedKeyGoesOutRaw) {
  FileScript f;
  f.keys = {1};  // the PACK 7,2 field, PC DOUBLE
  OpenConverted(f);
  QueueRead(1, RawCustomer(kHello, 0x1234567F, 1), {});
  const double key = 12345.67;
  uint8_t pcKey[8];
  wire::StoreLe64(pcKey, std::bit_cast<uint64_t>(key));
  Bytes pc(kPcLength);
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_KEY_EQ, pcKey, 8, nullptr), 1);

  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(Slot(reads[0], 4), 4);  // key bytes
  EXPECT_EQ(Slot(reads[0], 5), 4);  // key length value
  EXPECT_EQ(KeySent(reads[0]), (Bytes{0x12, 0x34, 0x56, 0x7F}));
  EXPECT_DOUBLE_EQ(PcDouble(pc.data() + 10), 12345.67);
}

TEST_F(RecordConversion, CompositeKeyStopsAtTheCallerKeyLength) {
  FileScript f;
  f.keys = {0, 2};  // CHAR(10) then BIN4 as LONG
  OpenConverted(f);
  const char pcKey[14] = {'A', 'C', 'M', 'E', ' ', ' ', ' ', ' ', ' ', ' ', 0x10, 0x27, 0, 0};
  for (int i = 0; i < 3; ++i) QueueRead(1, RawCustomer(kAcme, 0x0000000F, 10000), {});
  Bytes pc(kPcLength);
  // The whole key: 10 + 4 raw bytes.
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_KEY_GE, pcKey, 14, nullptr), 1);
  // Only the CHAR part plus two bytes of the LONG: the cut LONG ends the key.
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_KEY_GE, pcKey, 12, nullptr), 1);
  // A cut text field is taken, blank-padded.
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_KEY_GE, pcKey, 2, nullptr), 1);

  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 3u);
  Bytes full(kAcme, kAcme + 10);
  full.insert(full.end(), {0x00, 0x00, 0x27, 0x10});
  EXPECT_EQ(Slot(reads[0], 5), 14);
  EXPECT_EQ(KeySent(reads[0]), full);
  EXPECT_EQ(Slot(reads[1], 5), 10);
  EXPECT_EQ(KeySent(reads[1]), Bytes(kAcme, kAcme + 10));
  EXPECT_EQ(Slot(reads[2], 5), 10);
  EXPECT_EQ(KeySent(reads[2]), (Bytes{0xC1, 0xC3, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40}));
}

TEST_F(RecordConversion, KeyLengthWithoutKeyCountsRawBytes) {
  FileScript f;
  f.keys = {1};
  OpenConverted(f);
  QueueRead(1, RawCustomer(kHello, 0x1234567F, 1), {});
  Bytes pc(kPcLength);
  // Next record with the same key: a length and no key value.
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT_EQUAL, nullptr, 8, nullptr), 1);
  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(Slot(reads[0], 4), 0);  // no key bytes
  EXPECT_EQ(Slot(reads[0], 5), 4);  // the raw length of the PACK key
}

TEST_F(RecordConversion, ReadByRecordNumberPassesTheNumberThrough) {
  FileScript f;
  f.keys = {1};
  OpenConverted(f);
  QueueRead(1, RawCustomer(kHello, 0x1234567F, 1), {});
  Bytes pc(kPcLength);
  // The relative record number travels in the key length, with no key.
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_RRN, nullptr, 4711, nullptr), 1);
  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(Slot(reads[0], 4), 0);
  EXPECT_EQ(Slot(reads[0], 5), 4711);
}

// ---- Close and handles.

TEST_F(RecordConversion, RcloseThenReadTalksUnconverted) {
  OpenConverted();
  ASSERT_EQ(Rclose(3), 1);
  Bytes record(kPcLength);
  for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(0x80 + i);
  QueueRead(1, record, {});
  Bytes buffer(kPcLength, 0);
  ASSERT_EQ(VNXRead(3, buffer.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  EXPECT_EQ(buffer, record);  // as the host sent it
  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(Slot(reads[0], 1), kPcLength);
  EXPECT_EQ(Slot(reads[0], 2), kPcLength);
  ASSERT_EQ(Requests(kCloseCode).size(), 1u);
}

TEST_F(RecordConversion, PlainOpenOfAHandleDropsItsOldSlot) {
  OpenConverted();
  // The file went away without Rclose (RLclose); the host gives the handle
  // to a file opened without client-side conversion.
  ASSERT_EQ(RLclose(3), 1);
  Queue(kOpenCode, 3);
  ASSERT_EQ(VNXopen("QGPL/OTHER", 0, 0), 3);
  ScriptedTransport::Reset();
  Bytes buffer(40, 0);
  ASSERT_EQ(VNXRead(3, buffer.data(), 40, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  EXPECT_EQ(Slot(Requests(kReadCode).at(0), 2), 40);
}

TEST_F(RecordConversion, SlotTableGrowsForLargerHandles) {
  OpenConverted();  // handle 3
  FileScript far;
  far.handle = 40;  // beyond the table made for handle 3
  far.fields = {{kPcLong, 4, 0, kAsBin2, 2, 0}};
  far.rawLength = 2;
  QueueOpen(far);
  ASSERT_EQ(VNXopen("QGPL/FAR", kConvert, 0), 40);
  ScriptedTransport::Reset();

  QueueRead(1, {0xFF, 0xFE}, {});
  int32_t value = 0;
  ASSERT_EQ(VNXRead(40, &value, 4, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  EXPECT_EQ(value, -2);
  // Handle 3 kept its slot through the growth.
  QueueRead(1, RawCustomer(kAcme, 0x0000005D, 9), {});
  Bytes pc(kPcLength);
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  EXPECT_EQ(std::string(pc.begin(), pc.begin() + 4), "ACME");
  EXPECT_DOUBLE_EQ(PcDouble(pc.data() + 10), -0.05);
  auto reads = Requests(kReadCode);
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(Slot(reads[0], 2), 2);
  EXPECT_EQ(Slot(reads[1], 2), kRawLength);
}

// ---- Writes.

TEST_F(RecordConversion, WriteSendsRawRecords) {
  OpenConverted();
  Bytes pc = PcCustomer("HELLO", -12345.67, 100000);
  Bytes second = PcCustomer("ACME", 0.5, -1);
  pc.insert(pc.end(), second.begin(), second.end());
  int32_t numbers[2] = {};
  ASSERT_EQ(VNXWrite(3, pc.data(), kPcLength, VNX_BLOCK | 2, numbers), 1);

  auto writes = Requests(kWriteCode);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(Slot(writes[0], 1), 2 * kRawLength);
  EXPECT_EQ(Slot(writes[0], 2), kRawLength);
  EXPECT_EQ(Slot(writes[0], 3), VNX_BLOCK | 2);
  Bytes expected = RawCustomer(kHello, 0x1234567D, 100000);
  Bytes raw2 = RawCustomer(kAcme, 0x0000050F, -1);
  expected.insert(expected.end(), raw2.begin(), raw2.end());
  EXPECT_EQ(RecordsSent(writes[0], 2 * kRawLength), expected);
}

TEST_F(RecordConversion, ShortPcRecordSendsNeutralFieldsNotStaleBytes) {
  FileScript f;
  f.fields = {{kPcChar, 4, 0, kAsChar, 4, 0},
              {kPcLong, 4, 0, kAsPack, 2, 0},
              {kPcLong, 4, 0, kAsZoned, 3, 0},
              {kPcLong, 4, 0, kAsBin2, 2, 0},
              {kPcChar, 3, 0, kAsChar, 3, 0}};
  f.rawLength = 16;  // two bytes beyond the fields
  OpenConverted(f);
  // A record read leaves the host's bytes, past the fields too, in the
  // shared raw buffer.
  QueueRead(1,
            {0xC1, 0xC1, 0xC1, 0xC1, 0x00, 0x1F, 0xF0, 0xF0, 0xF1, 0x00, 0x01, 0xC1, 0xC1, 0xC1,
             0xAB, 0xCD},
            {});
  Bytes image(19);
  ASSERT_EQ(VNXRead(3, image.data(), 19, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  // So does a full record written.
  Bytes full = {'W', 'X', 'Y', 'Z', 99, 0, 0, 0, 77, 0, 0, 0, 5, 0, 0, 0, 'A', 'B', 'C'};
  ASSERT_EQ(VNXWrite(3, full.data(), 19, 0, nullptr), 1);
  // Then one whose image ends inside the PACK field.
  ASSERT_EQ(VNXWrite(3, full.data(), 6, 0, nullptr), 1);

  auto writes = Requests(kWriteCode);
  ASSERT_EQ(writes.size(), 2u);
  const Bytes first = {0xE6, 0xE7, 0xE8, 0xE9, 0x09, 0x9F, 0xF0, 0xF7,
                       0xF7, 0x00, 0x05, 0xC1, 0xC2, 0xC3, 0x00, 0x00};
  EXPECT_EQ(RecordsSent(writes[0], 16), first);
  const Bytes neutral = {0xE6, 0xE7, 0xE8, 0xE9, 0x00, 0x0F, 0xF0, 0xF0,
                         0xF0, 0x00, 0x00, 0x40, 0x40, 0x40, 0x00, 0x00};
  EXPECT_EQ(RecordsSent(writes[1], 16), neutral);
}

TEST_F(RecordConversion, WholeRawBufferIsUsableByBlocks) {
  FileScript f;
  f.fields = {{kPcChar, 4096, 0, kAsChar, 4096, 0}};
  f.rawLength = 4096;
  OpenConverted(f);
  Bytes pc(8 * 4096, 'q');
  ASSERT_EQ(VNXWrite(3, pc.data(), 4096, VNX_BLOCK | 8, nullptr), 1);
  auto parts = ScriptedTransport::SentParts();
  ASSERT_FALSE(parts.empty());
  EXPECT_EQ(HeaderI32(parts[0], wire::kHdrCode), kWriteCode);
  EXPECT_EQ(Slot(parts[0], 1), 32768);
  EXPECT_EQ(PartData(parts[0]).at(0), 0x98);  // 'q' in EBCDIC
}

// ---- Refusals: -30, a documented code, nothing on the wire.

void ExpectRefusedWithNothingSent(int32_t result, int32_t code) {
  EXPECT_EQ(result, VNX_ERR_INTERNAL);
  EXPECT_EQ(Internal_Error(), code);
  EXPECT_TRUE(ScriptedTransport::SentParts().empty());
}

TEST_F(RecordConversion, WriteOfTooManyDigitsIsRefused) {
  OpenConverted();
  Bytes pc = PcCustomer("HELLO", 123456.0, 1);  // PACK 7,2 holds 5 integer digits
  ExpectRefusedWithNothingSent(VNXWrite(3, pc.data(), kPcLength, 0, nullptr),
                               VNX_IERR_FIELD_OVERFLOW);
}

TEST_F(RecordConversion, BlockWriteWithOneBadRecordSendsNothing) {
  OpenConverted();
  Bytes pc = PcCustomer("GOOD", 1.0, 1);
  Bytes bad = PcCustomer("BAD", 1.0e9, 1);
  pc.insert(pc.end(), bad.begin(), bad.end());
  ExpectRefusedWithNothingSent(VNXWrite(3, pc.data(), kPcLength, VNX_BLOCK | 2, nullptr),
                               VNX_IERR_FIELD_OVERFLOW);
}

TEST_F(RecordConversion, KeyOfTooManyDigitsIsRefused) {
  FileScript f;
  f.keys = {1};
  OpenConverted(f);
  uint8_t pcKey[8];
  wire::StoreLe64(pcKey, std::bit_cast<uint64_t>(1.0e7));
  Bytes pc(kPcLength);
  ExpectRefusedWithNothingSent(VNXRead(3, pc.data(), kPcLength, VNX_READ_KEY_EQ, pcKey, 8, nullptr),
                               VNX_IERR_FIELD_OVERFLOW);
}

TEST_F(RecordConversion, BlocksBeyondTheRawBufferAreRefused) {
  OpenConverted();
  constexpr int32_t kCount = 32768 / kRawLength + 1;  // 1821 x 18 = 32778 bytes
  Bytes pc(static_cast<size_t>(kCount) * kPcLength, 0);
  for (int i = 0; i < kCount; ++i) {
    Bytes one = PcCustomer("X", 1.0, i);
    std::copy(one.begin(), one.end(), pc.begin() + i * kPcLength);
  }
  ExpectRefusedWithNothingSent(
      VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT | VNX_BLOCK | kCount, nullptr, 0, nullptr),
      VNX_IERR_RAW_BUFFER_LIMIT);
  ExpectRefusedWithNothingSent(VNXWrite(3, pc.data(), kPcLength, VNX_BLOCK | kCount, nullptr),
                               VNX_IERR_RAW_BUFFER_LIMIT);
  // One record fewer fits.
  ASSERT_EQ(VNXWrite(3, pc.data(), kPcLength, VNX_BLOCK | (kCount - 1), nullptr), 1);
  EXPECT_EQ(Slot(Requests(kWriteCode).at(0), 1), (kCount - 1) * kRawLength);
}

TEST_F(RecordConversion, NoRawBufferMeansNoRequest) {
  if (rawBufferRequests > 0) GTEST_SKIP() << "the raw buffer exists already; run this test alone";
  OpenConverted();
  failRawBuffer = true;
  Bytes pc = PcCustomer("HELLO", 1.0, 1);
  ExpectRefusedWithNothingSent(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, nullptr),
                               VNX_IERR_CONVERSION_MEMORY);
  ExpectRefusedWithNothingSent(VNXWrite(3, pc.data(), kPcLength, 0, nullptr),
                               VNX_IERR_CONVERSION_MEMORY);
  // Asked for again on the next call.
  failRawBuffer = false;
  ASSERT_EQ(VNXWrite(3, pc.data(), kPcLength, 0, nullptr), 1);
  EXPECT_EQ(Requests(kWriteCode).size(), 1u);
}

TEST_F(RecordConversion, UnreadableRecordAnswersMinus30) {
  OpenConverted();
  QueueRead(1, RawCustomer(kHello, 0x12A4567D, 1), {});  // digit 0xA
  Bytes pc(kPcLength, 0);
  EXPECT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, nullptr), VNX_ERR_INTERNAL);
  EXPECT_EQ(Internal_Error(), VNX_IERR_FIELD_INVALID);
}

// ---- Opens that are refused: -30 and the file closed again.

struct RefusedOpen {
  const char* name;
  FileScript file;
  int32_t code;
  size_t descriptionRequests;
};

void PrintTo(const RefusedOpen& c, std::ostream* os) {
  *os << c.name;
}

FileScript WithKeyResult(int32_t result) {
  FileScript f;
  f.keys = {1};
  f.keyResult = result;
  return f;
}
FileScript WithField(Field field) {
  FileScript f;
  f.fields[1] = field;
  return f;
}
FileScript WithRawLength(int16_t length) {
  FileScript f;
  f.rawLength = length;
  return f;
}
FileScript WithKeyIndex(int16_t index) {
  FileScript f;
  f.keys = {index};
  return f;
}

class OpenRefusal : public ClientTest, public ::testing::WithParamInterface<RefusedOpen> {};

TEST_P(OpenRefusal, AnswersMinus30AndClosesTheFile) {
  const RefusedOpen& c = GetParam();
  Connect();
  QueueOpen(c.file);
  EXPECT_EQ(VNXopen("QGPL/CUSTOMER", kConvert, 0), VNX_ERR_INTERNAL);
  EXPECT_EQ(Internal_Error(), c.code);
  EXPECT_EQ(Requests(kGetDescCode).size(), c.descriptionRequests);
  auto closes = Requests(kCloseCode);
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(Slot(closes[0], 0), 3);
  // No slot was kept: the handle's records pass unconverted.
  ScriptedTransport::Reset();
  Bytes buffer(kPcLength);
  ASSERT_EQ(VNXRead(3, buffer.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  EXPECT_EQ(Slot(Requests(kReadCode).at(0), 2), kPcLength);
}

INSTANTIATE_TEST_SUITE_P(
    EachCause, OpenRefusal,
    ::testing::Values(
        RefusedOpen{"KeyRequestFails", WithKeyResult(-1), VNX_IERR_FILE_DESCRIPTION, 3},
        // PC DOUBLE of 4 bytes.
        RefusedOpen{"BadFieldDescription", WithField({kPcDouble, 4, 0, kAsPack, 4, 2}),
                    VNX_IERR_FIELD_DESCRIPTION, 2},
        RefusedOpen{"FieldsLongerThanRecord", WithRawLength(17), VNX_IERR_FILE_DESCRIPTION, 2},
        RefusedOpen{"KeyIndexOutOfRange", WithKeyIndex(3), VNX_IERR_FILE_DESCRIPTION, 3}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(RecordConversion, FailingHeaderRequestRefusesTheOpen) {
  Connect();
  Queue(kOpenCode, 3);
  QueueDescription(-1, {});
  EXPECT_EQ(VNXopen("QGPL/CUSTOMER", kConvert, 0), VNX_ERR_INTERNAL);
  EXPECT_EQ(Internal_Error(), VNX_IERR_FILE_DESCRIPTION);
  EXPECT_EQ(Requests(kGetDescCode).size(), 1u);
  EXPECT_EQ(Requests(kCloseCode).size(), 1u);
}

TEST_F(RecordConversion, HandleBeyondTheTableLimitRefusesTheOpen) {
  Connect();
  Queue(kOpenCode, 40000);
  EXPECT_EQ(VNXopen("QGPL/CUSTOMER", kConvert, 0), VNX_ERR_INTERNAL);
  EXPECT_EQ(Internal_Error(), VNX_IERR_CONVERSION_HANDLE);
  EXPECT_TRUE(Requests(kGetDescCode).empty());
  EXPECT_EQ(Slot(Requests(kCloseCode).at(0), 0), 40000);
}

TEST_F(RecordConversion, HostRefusingTheOpenIsAnsweredAsIs) {
  Connect();
  Queue(kOpenCode, -1);
  EXPECT_EQ(VNXopen("QGPL/NOFILE", kConvert, 0), -1);
  EXPECT_TRUE(Requests(kGetDescCode).empty());
  EXPECT_TRUE(Requests(kCloseCode).empty());
}

// ---- Asynchronous mode.

TEST_F(RecordConversion, ConversionOpenIsRefusedInAsynchronousMode) {
  Connect();
  ASSERT_EQ(VNXMode(1, 1), 1);
  ExpectRefusedWithNothingSent(VNXopen("QGPL/CUSTOMER", kConvert, 0), VNX_IERR_CONVERSION_ASYNC);
}

TEST_F(RecordConversion, AsynchronousReadConvertsWhenTheReplyIsThere) {
  OpenConverted();
  ASSERT_EQ(VNXMode(1, 1), 1);
  QueueRead(1, RawCustomer(kHello, 0x0000123C, 8), {});
  Bytes pc(kPcLength, 0xEE);
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  EXPECT_EQ(VNXStatus(), VNX_STATUS_COMPLETE);
  EXPECT_EQ(VNXComplete(), 1);
  EXPECT_EQ(std::string(pc.begin(), pc.begin() + 5), "HELLO");
  EXPECT_DOUBLE_EQ(PcDouble(pc.data() + 10), 1.23);
}

TEST_F(RecordConversion, AsynchronousReadStillInFlightIsNotConverted) {
  OpenConverted();
  ASSERT_EQ(VNXMode(1, 1), 1);
  ScriptedTransport::SetAutoReply(false);
  Bytes pc(kPcLength, 0xEE);
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  // Converting now would turn the raw buffer's old bytes into a record.
  EXPECT_EQ(pc, Bytes(kPcLength, 0xEE));
  EXPECT_EQ(VNXStatus(), VNX_STATUS_WAITING);
}

TEST_F(RecordConversion, PositionOnlyReadLeavesRecordsAlone) {
  OpenConverted();
  Bytes pc(kPcLength, 0xEE);
  ASSERT_EQ(VNXRead(3, pc.data(), kPcLength, VNX_READ_FIRST | VNX_READ_POSITION_ONLY, nullptr, 0,
                    nullptr),
            1);
  EXPECT_EQ(pc, Bytes(kPcLength, 0xEE));
}

}  // namespace
}  // namespace vantora::testing
