// Client-side record conversion end to end through the scripted transport:
// the host is sent and answers raw AS/400 records (EBCDIC, packed,
// big-endian); the caller sees and gives PC images. The file the tests open,
// the host's replies that describe it and carry its records, and the requests
// read back from what was sent.
#ifndef VANTORA_TESTS_SUPPORT_RECORD_CONVERSION_H_
#define VANTORA_TESTS_SUPPORT_RECORD_CONVERSION_H_

#include <gtest/gtest.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/support/test_session.h"

namespace vantora::testing {

using Bytes = std::vector<uint8_t>;

inline constexpr int32_t kConvert = VNX_OPEN_RAW | VNX_OPEN_CLIENT_CONVERT;
inline constexpr int32_t kOpenCode = 0x054E;
inline constexpr int32_t kCloseCode = 0x0201;
inline constexpr int32_t kReadCode = 0x0146;
inline constexpr int32_t kWriteCode = 0x0147;
inline constexpr int32_t kGetDescCode = 0x0148;

// Type codes of the field descriptions.
inline constexpr int16_t kPcChar = 0, kPcLong = 2, kPcDouble = 4;
inline constexpr int16_t kAsChar = 0, kAsBin2 = 1, kAsBin4 = 2, kAsPack = 3, kAsZoned = 4;

struct Field {
  int16_t pcType, pcLength, pcDecimals, asType, asLength, asDecimals;
};

// CHAR(10), PACK 7,2 and BIN4 read as CHAR(10), DOUBLE and LONG: an 18-byte
// raw record, a 22-byte PC image.
inline const std::vector<Field> kCustomer = {{kPcChar, 10, 0, kAsChar, 10, 0},
                                             {kPcDouble, 8, 0, kAsPack, 4, 2},
                                             {kPcLong, 4, 0, kAsBin4, 4, 0}};
inline constexpr int32_t kRawLength = 18;
inline constexpr int32_t kPcLength = 22;

struct FileScript {
  int32_t handle = 3;
  std::vector<Field> fields = kCustomer;
  int16_t rawLength = kRawLength;
  std::vector<int16_t> keys;  // key-field indexes
  int32_t keyResult = 1;      // result of the key description request
};

inline Bytes Entry(const Field& f, int size, int16_t keyIndex = 0) {
  Bytes e(static_cast<size_t>(size), 0);
  std::memcpy(e.data(), "FIELD     ", 10);
  const int16_t values[6] = {f.pcType, f.pcLength, f.pcDecimals,
                             f.asType, f.asLength, f.asDecimals};
  for (int i = 0; i < 6; ++i) wire::StoreLeI16(e.data() + 10 + 2 * i, values[i]);
  if (size == 26) wire::StoreLeI16(e.data() + 22, keyIndex);
  return e;
}

inline void Queue(int32_t code, int32_t result, std::vector<int32_t> slots = {}, Bytes data = {}) {
  Reply r;
  r.code = code;
  r.result = result;
  r.slots = std::move(slots);
  r.data = std::move(data);
  ScriptedTransport::QueueReceive(r.Bytes());
}

inline void QueueDescription(int32_t result, const Bytes& data) {
  Queue(kGetDescCode, result, {0, static_cast<int32_t>(data.size())}, data);
}

// The open reply, then the header, field and key description replies.
inline void QueueOpen(const FileScript& f) {
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

inline void QueueRead(int32_t result, const Bytes& records, const std::vector<int32_t>& numbers) {
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
inline std::vector<Bytes> Requests(int32_t code) {
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
inline Bytes KeySent(const Bytes& part) {
  Bytes data = PartData(part);
  const auto length = static_cast<size_t>(Slot(part, 4));
  if (data.size() < 16 + length) return {};
  return Bytes(data.begin() + 16, data.begin() + 16 + static_cast<std::ptrdiff_t>(length));
}

// The first `length` record bytes of a write request.
inline Bytes RecordsSent(const Bytes& part, size_t length) {
  Bytes data = PartData(part);
  if (data.size() < length) return {};
  return Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length));
}

// Raw record of kCustomer: EBCDIC text, packed 7,2, big-endian BIN4.
inline Bytes RawCustomer(const char* ebcdicHello, uint32_t packed, int32_t bin4) {
  Bytes r(ebcdicHello, ebcdicHello + 10);
  for (int shift = 24; shift >= 0; shift -= 8) r.push_back(static_cast<uint8_t>(packed >> shift));
  for (int shift = 24; shift >= 0; shift -= 8) {
    r.push_back(static_cast<uint8_t>(static_cast<uint32_t>(bin4) >> shift));
  }
  return r;
}

// "HELLO" in EBCDIC, blank-padded to 10.
inline constexpr char kHello[] = "\xC8\xC5\xD3\xD3\xD6\x40\x40\x40\x40\x40";
// "ACME" likewise.
inline constexpr char kAcme[] = "\xC1\xC3\xD4\xC5\x40\x40\x40\x40\x40\x40";

inline Bytes PcCustomer(const char* name, double amount, int32_t count) {
  Bytes pc(kPcLength, ' ');
  std::memcpy(pc.data(), name, std::strlen(name));
  wire::StoreLe64(pc.data() + 10, std::bit_cast<uint64_t>(amount));
  wire::StoreLeI32(pc.data() + 18, count);
  return pc;
}

inline double PcDouble(const uint8_t* p) {
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

// Refusals: -30, a documented code, nothing on the wire.
inline void ExpectRefusedWithNothingSent(int32_t result, int32_t code) {
  EXPECT_EQ(result, VNX_ERR_INTERNAL);
  EXPECT_EQ(Internal_Error(), code);
  EXPECT_TRUE(ScriptedTransport::SentParts().empty());
}

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_RECORD_CONVERSION_H_
