// Fields converted per second by the client's field converter, for a typical
// 20-field record (text, packed, zoned, binary, date and floating-point
// fields), in both directions, walked as the record layer walks it.
#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "conversion/field_converter.h"
#include "protocol/byte_order.h"

namespace {

using vantora::conversion::FieldDescription;
using vantora::conversion::FieldStatus;

// PC type, length, decimals; AS/400 type, length, decimals.
const FieldDescription kRecord[] = {
    {0, 10, 0, 0, 10, 0},  // CHAR(10)        -> CHAR
    {4, 8, 0, 3, 4, 2},    // PACK(7,2)       -> DOUBLE
    {2, 4, 0, 2, 4, 0},    // BIN4            -> LONG
    {4, 8, 0, 4, 8, 2},    // ZONED(8,2)      -> DOUBLE
    {0, 10, 0, 5, 10, 0},  // DATE            -> CHAR
    {0, 30, 0, 0, 30, 0},  // CHAR(30)        -> CHAR
    {2, 4, 0, 3, 5, 0},    // PACK(9,0)       -> LONG
    {4, 8, 0, 7, 4, 0},    // FLOAT           -> DOUBLE
    {2, 4, 0, 4, 5, 0},    // ZONED(5,0)      -> LONG
    {0, 1, 0, 0, 1, 0},    // CHAR(1)         -> CHAR
    {4, 8, 0, 3, 6, 2},    // PACK(11,2)      -> DOUBLE
    {2, 4, 0, 2, 4, 0},    // BIN4            -> LONG
    {0, 20, 0, 0, 20, 0},  // CHAR(20)        -> CHAR
    {10, 10, 2, 4, 7, 2},  // ZONED(7,2)      -> STRING(10), 2 decimals
    {0, 10, 0, 5, 10, 0},  // DATE            -> CHAR
    {4, 8, 0, 3, 3, 2},    // PACK(5,2)       -> DOUBLE
    {3, 4, 0, 7, 4, 0},    // FLOAT           -> FLOAT
    {0, 15, 0, 0, 15, 0},  // CHAR(15)        -> CHAR
    {2, 4, 0, 2, 4, 0},    // BIN4            -> LONG
    {4, 8, 0, 3, 8, 5},    // PACK(15,5)      -> DOUBLE
};
constexpr int kFields = sizeof kRecord / sizeof kRecord[0];

struct Layout {
  int pcLength = 0;
  int rawLength = 0;
};

Layout Measure() {
  Layout l;
  for (const FieldDescription& d : kRecord) {
    l.pcLength += d.pcLength;
    l.rawLength += d.asLength;
  }
  return l;
}

void PutDouble(uint8_t* p, double v) {
  vantora::wire::StoreLe64(p, std::bit_cast<uint64_t>(v));
}

// A PC record with plausible values in every field.
std::vector<uint8_t> SamplePcRecord() {
  std::vector<uint8_t> pc(static_cast<size_t>(Measure().pcLength), ' ');
  uint8_t* p = pc.data();
  double amounts[] = {12345.67, -987654.32, 4711.0, 123.45, 0.5, 1234567890.12345};
  int amount = 0;
  for (const FieldDescription& d : kRecord) {
    switch (d.pcType) {
      case 0:
        std::memcpy(p, "2024-05-31 SOME TEXT IN A FIELD", static_cast<size_t>(d.pcLength));
        break;
      case 2:
        vantora::wire::StoreLeI32(p, -12345);
        break;
      case 3:
        vantora::wire::StoreLe32(p, std::bit_cast<uint32_t>(3.25f));
        break;
      case 4:
        PutDouble(p, d.asType == 7 ? 2.5 : amounts[amount++ % 6]);
        break;
      case 10:
        std::memcpy(p, "-012345.67", 10);
        break;
    }
    p += d.pcLength;
  }
  return pc;
}

void BM_RecordToAs(benchmark::State& state) {
  std::vector<uint8_t> pc = SamplePcRecord();
  std::vector<uint8_t> raw(static_cast<size_t>(Measure().rawLength));
  for (auto _ : state) {
    const uint8_t* in = pc.data();
    uint8_t* out = raw.data();
    int32_t remaining = static_cast<int32_t>(pc.size());
    for (const FieldDescription& d : kRecord) {
      FieldStatus s = vantora::conversion::toAs(d, in, out, remaining);
      benchmark::DoNotOptimize(s);
      in += vantora::conversion::PcWidth(d, remaining);
      out += d.asLength;
      remaining -= d.pcLength;
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kFields);
}
BENCHMARK(BM_RecordToAs);

void BM_RecordToPc(benchmark::State& state) {
  std::vector<uint8_t> pc = SamplePcRecord();
  std::vector<uint8_t> raw(static_cast<size_t>(Measure().rawLength));
  {
    const uint8_t* in = pc.data();
    uint8_t* out = raw.data();
    int32_t remaining = static_cast<int32_t>(pc.size());
    for (const FieldDescription& d : kRecord) {
      if (vantora::conversion::toAs(d, in, out, remaining) != FieldStatus::kConverted) {
        state.SkipWithError("the sample record does not convert");
        return;
      }
      in += d.pcLength;
      out += d.asLength;
      remaining -= d.pcLength;
    }
  }
  for (auto _ : state) {
    const uint8_t* in = raw.data();
    uint8_t* out = pc.data();
    int32_t remaining = static_cast<int32_t>(pc.size());
    for (const FieldDescription& d : kRecord) {
      FieldStatus s = vantora::conversion::toPc(d, in, out, remaining);
      benchmark::DoNotOptimize(s);
      out += vantora::conversion::PcWidth(d, remaining);
      in += d.asLength;
      remaining -= d.pcLength;
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kFields);
}
BENCHMARK(BM_RecordToPc);

}  // namespace

BENCHMARK_MAIN();
