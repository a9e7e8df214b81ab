#include "host/server/objects/sample_programs.h"

#include <cctype>
#include <cstring>

#include "protocol/byte_order.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

// Packed decimal: two digits a byte, the sign in the last half-byte
// (0xD negative, anything else positive).
int64_t LoadPacked(const uint8_t* p, int bytes) {
  int64_t v = 0;
  for (int i = 0; i < bytes; ++i) {
    v = v * 10 + (p[i] >> 4);
    if (i + 1 < bytes) v = v * 10 + (p[i] & 0x0F);
  }
  return (p[bytes - 1] & 0x0F) == 0x0D ? -v : v;
}

void StorePacked(uint8_t* p, int bytes, int64_t v) {
  const bool negative = v < 0;
  uint64_t m = negative ? static_cast<uint64_t>(-v) : static_cast<uint64_t>(v);
  std::memset(p, 0, static_cast<size_t>(bytes));
  p[bytes - 1] = static_cast<uint8_t>(((m % 10) << 4) | (negative ? 0x0D : 0x0C));
  m /= 10;
  for (int i = bytes - 2; i >= 0; --i) {
    p[i] = static_cast<uint8_t>((m % 10) | ((m / 10 % 10) << 4));
    m /= 100;
  }
}

std::string TextOf(const uint8_t* p, size_t n) {
  std::string s(reinterpret_cast<const char*>(p), n);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

void PutText(uint8_t* p, size_t n, const std::string& s) {
  std::memset(p, ' ', n);
  std::memcpy(p, s.data(), std::min(n, s.size()));
}

// ADDTAX record: code CHAR 10 at 0, amount PACK 7,2 (4 bytes) at 10, rate
// PACK 3,1 (2 bytes) at 14, result PACK 9,2 (5 bytes) at 16, message CHAR 30
// at 21; 51 bytes.
constexpr size_t kTaxCode = 0, kTaxAmount = 10, kTaxRate = 14, kTaxResult = 16, kTaxMessage = 21;

Status AddTax(std::span<uint8_t> r) {
  int64_t amount = LoadPacked(&r[kTaxAmount], 4);  // hundredths
  int64_t rate = LoadPacked(&r[kTaxRate], 2);      // tenths of a percent
  // amount * (1000 + rate) / 1000, rounded half away from zero.
  int64_t scaled = amount * (1000 + rate);
  int64_t result = (scaled + (scaled >= 0 ? 500 : -500)) / 1000;
  if (result > 9999999 || result < -9999999) {
    return Status::Error(StatusCode::kDataMapping, "result does not fit PACK(9,2)");
  }
  StorePacked(&r[kTaxResult], 5, result);
  PutText(&r[kTaxMessage], 30, "TAX ADDED FOR " + TextOf(&r[kTaxCode], 10));
  return Status::Ok();
}

Status Upper(std::span<uint8_t> r) {
  for (uint8_t& c : r) c = static_cast<uint8_t>(std::toupper(c));
  return Status::Ok();
}

// SUMBIN record: BIN4 at 0, BIN4 at 4, BIN4 at 8, big-endian as on the host.
Status SumBin(std::span<uint8_t> r) {
  auto a = static_cast<int32_t>(wire::LoadBe32(&r[0]));
  auto b = static_cast<int32_t>(wire::LoadBe32(&r[4]));
  wire::StoreBe32(&r[8], static_cast<uint32_t>(a + b));
  return Status::Ok();
}

// PROBE record: code CHAR 5 at 0 (input), amount PACK 7,2 (4 bytes) at 5
// (output), label CHAR 10 at 9 (input and output); 19 bytes. It checks its
// input so that a caller that places the parameters wrongly fails.
constexpr size_t kProbeCode = 0, kProbeAmount = 5, kProbeLabel = 9;

Status Probe(std::span<uint8_t> r) {
  const std::string code = TextOf(&r[kProbeCode], 5);
  int64_t amount = 0;
  if (code == "PING") {
    amount = 1234567;  // 12345.67
  } else if (code == "NEG") {
    amount = -5;  // -0.05
  } else {
    return Status::Error(StatusCode::kNotSupported, wire::kMsgProgramFailed);
  }
  StorePacked(&r[kProbeAmount], 4, amount);
  const std::string label = TextOf(&r[kProbeLabel], 10);
  std::string answer = "<";
  for (char c : label) answer += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  PutText(&r[kProbeLabel], 10, answer + ">");
  return Status::Ok();
}

// ANSWER record: BIN4 at 0, CHAR 20 at 4; both outputs.
Status Answer(std::span<uint8_t> r) {
  wire::StoreBe32(&r[0], 42);
  PutText(&r[4], 20, "THE ANSWER");
  return Status::Ok();
}

Status Fail(std::span<uint8_t>) {
  return Status::Error(StatusCode::kNotSupported, wire::kMsgProgramFailed);
}

ProgramParameter P(ParameterDirection d, FieldType t, int length, int decimals = 0) {
  return {d, t, length, decimals};
}

}  // namespace

std::vector<ProgramDefinition> SamplePrograms() {
  using D = ParameterDirection;
  std::vector<ProgramDefinition> all;
  all.push_back({{kHostLibrary, "ADDTAX"},
                 "Adds a tax rate to an amount",
                 {P(D::kInput, FieldType::kChar, 10), P(D::kInput, FieldType::kPacked, 7, 2),
                  P(D::kInput, FieldType::kPacked, 3, 1), P(D::kOutput, FieldType::kPacked, 9, 2),
                  P(D::kOutput, FieldType::kChar, 30)},
                 AddTax,
                 {},
                 30});
  all.push_back({{kHostLibrary, "UPPER"},
                 "Upper-cases a text",
                 {P(D::kBoth, FieldType::kChar, 40)},
                 Upper,
                 {},
                 30});
  all.push_back({{kHostLibrary, "SUMBIN"},
                 "Adds two binary numbers",
                 {P(D::kInput, FieldType::kBin4, 9), P(D::kInput, FieldType::kBin4, 9),
                  P(D::kOutput, FieldType::kBin4, 9)},
                 SumBin,
                 {},
                 30});
  all.push_back({{kHostLibrary, "TALK"},
                 "Sample conversation of a server job",
                 {P(D::kBoth, FieldType::kChar, 256)},
                 Upper,
                 {},
                 30});
  all.push_back({{kHostLibrary, "PROBE"},
                 "Checks a code and answers known values",
                 {P(D::kInput, FieldType::kChar, 5), P(D::kOutput, FieldType::kPacked, 7, 2),
                  P(D::kBoth, FieldType::kChar, 10)},
                 Probe,
                 {},
                 30});
  all.push_back({{kHostLibrary, "ANSWER"},
                 "Answers two known values, takes no input",
                 {P(D::kOutput, FieldType::kBin4, 9), P(D::kOutput, FieldType::kChar, 20)},
                 Answer,
                 {},
                 30});
  all.push_back(
      {{kHostLibrary, "FAIL"}, "Always fails", {P(D::kInput, FieldType::kChar, 1)}, Fail, {}, 30});
  // The demo library offers some of them too, so that there are programs to
  // pick in it.
  const size_t builtins = all.size();
  for (size_t i = 0; i < builtins; ++i) {
    ProgramDefinition demo = all[i];
    const std::string& n = demo.name.name;
    if (n != "ADDTAX" && n != "SUMBIN" && n != "UPPER") continue;
    demo.name.library = kDemoLibrary;
    all.push_back(std::move(demo));
  }
  return all;
}

}  // namespace vantora::host
