// The table of the exported interface of mv432ida.h, as the wire test
// (client_exports_test.cpp) runs it.
//
// A wire case is one call of an export with known arguments: the request
// code and wire parameters it must send, the bytes the scripted host returns
// for each output buffer and where they must land in the caller's buffers,
// and the result the call must give. A local case is an export that issues
// no request of its own, with a short check of what it does.
#ifndef VANTORA_TESTS_CLIENT_EXPORT_CASES_H_
#define VANTORA_TESTS_CLIENT_EXPORT_CASES_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/byte_order.h"

namespace vantora::testing {

// Bit 0x0100 of a request code: the request expects a reply.
inline constexpr int32_t kReplyExpectedBit = 0x0100;

inline constexpr uint8_t kFill = 0xEE;  // what the caller's buffers hold before a call
inline constexpr size_t kBufferSize = 6000;

// The caller's buffers: the call lambdas pass these as output (and in/out)
// arguments, so that every byte written into them can be checked.
struct Io {
  std::array<std::vector<uint8_t>, 3> buffer;
  Io() {
    for (auto& b : buffer) b.assign(kBufferSize, kFill);
  }
  uint8_t* operator[](int i) { return buffer[static_cast<size_t>(i)].data(); }
};

enum class Kind { kValue, kInput, kInOut, kOutput };

// One wire parameter: what the request carries, and for output and in/out
// buffers what the host returns and where it must land.
struct Param {
  Kind kind = Kind::kValue;
  int32_t value = 0;              // a value's slot; an output buffer's length
  std::vector<uint8_t> sent;      // an input or in/out buffer's bytes
  std::vector<uint8_t> returned;  // bytes the scripted reply returns for it
  int buffer = -1;                // Io buffer they land in (-1: none)
  int offset = 0;                 // and the offset there
};

// A value; an input buffer; an output buffer of `length` bytes whose
// returned bytes land in Io buffer `buffer` at `offset` (-1: a null buffer);
// an in/out buffer.
inline Param V(int32_t value) {
  return Param{Kind::kValue, value, {}, {}, -1, 0};
}
inline Param In(std::vector<uint8_t> bytes) {
  return Param{Kind::kInput, 0, std::move(bytes), {}, -1, 0};
}
inline Param Out(int32_t length, std::vector<uint8_t> returned = {}, int buffer = -1,
                 int offset = 0) {
  return Param{Kind::kOutput, length, {}, std::move(returned), buffer, offset};
}
inline Param InOut(std::vector<uint8_t> bytes, std::vector<uint8_t> returned, int buffer) {
  return Param{Kind::kInOut, 0, std::move(bytes), std::move(returned), buffer, 0};
}

// Bytes a call writes into its buffers beyond the returned output bytes.
struct Written {
  int buffer;
  int offset;
  std::vector<uint8_t> bytes;
};

struct WireCase {
  std::string exportName;
  std::string variant;        // what the case shows
  int32_t code = 0;           // request code on the wire
  std::vector<Param> params;  // wire parameters in order
  std::function<int32_t(Io&)> call;
  int32_t hostResult = 1;                    // result in the reply
  int32_t expected = 1;                      // result of the call
  std::function<void(Io&)> setup = nullptr;  // runs before the call
  std::vector<Written> alsoWritten = {};     // further bytes the call writes
  bool connected = true;                     // the session is open before the call
  bool ExpectsReply() const { return (code & kReplyExpectedBit) != 0; }
};

struct LocalCase {
  std::string exportName;
  std::function<void()> check;
};

// The pieces the tables are written in: raw bytes, texts as they travel
// (with the terminator), 10-character blank-padded names, patterns, PC-order
// integers.
inline std::vector<uint8_t> Raw(std::string_view s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}
// A text as it travels: its characters and the terminator.
inline std::vector<uint8_t> Text(std::string_view s) {
  auto v = Raw(s);
  v.push_back(0);
  return v;
}
// A 10-character blank-padded name field.
inline std::vector<uint8_t> Name(std::string_view s) {
  std::vector<uint8_t> v(10, ' ');
  std::copy(s.begin(), s.end(), v.begin());
  return v;
}
inline std::vector<uint8_t> Pattern(size_t n, int seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + static_cast<size_t>(seed));
  return v;
}
inline std::vector<uint8_t> Le32(int32_t value) {
  std::vector<uint8_t> v(4);
  wire::StoreLeI32(v.data(), value);
  return v;
}
inline std::vector<uint8_t> Le16(int16_t value) {
  std::vector<uint8_t> v(2);
  wire::StoreLeI16(v.data(), value);
  return v;
}
inline const char* C(const std::vector<uint8_t>& v) {
  return reinterpret_cast<const char*>(v.data());
}

// 16-byte database-server field entries whose int16 at 14 is each length.
inline std::vector<uint8_t> FieldEntries(std::initializer_list<int16_t> lengths) {
  std::vector<uint8_t> v;
  int seed = 1;
  for (int16_t length : lengths) {
    auto entry = Pattern(16, seed++);
    wire::StoreLeI16(entry.data() + 14, length);
    v.insert(v.end(), entry.begin(), entry.end());
  }
  return v;
}

// The cases of each part of the table (client_export_file_cases.cpp,
// client_export_service_cases.cpp, client_export_cases.cpp).
void AddFileCases(std::vector<WireCase>& t);
void AddServiceCases(std::vector<WireCase>& t);
void AddSessionCases(std::vector<WireCase>& t);

// Every wire case: session requests, file requests, service requests.
std::vector<WireCase> WireCases();
// Every export that issues no request of its own.
std::vector<LocalCase> LocalCases();

// Names a case in test output (instead of its bytes).
void PrintTo(const WireCase& c, std::ostream* os);
void PrintTo(const LocalCase& c, std::ostream* os);

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_CLIENT_EXPORT_CASES_H_
