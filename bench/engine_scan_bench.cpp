// A full scan of DEMO/BENCH100 through the database engine's cursor, with
// every field read, beside the same scan by VNXRead blocked reads alone, in
// records per second; and the host requests each makes per 1000 records.
// Then the same rows by a SELECT: the engine's query cursor beside the client
// library's blocked SQL fetches.
//
//   engine_scan_bench [PASSES]    (default 3: the best pass counts)
//
// The settings file (MV400_INI) names the transport and the host; the
// driver's read-ahead cache is set to the block the raw scan reads
// (Buffers/Records), so that both ask the host for the same blocks.
// bench/engine_scan.sh runs it over the embedded host and over vantora-hostd.
//
// Requests are counted by this program's own VNXRead, which the driver
// reaches before the client library's (the program exports its symbols).
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "idapi_app.h"
#include "mv432ida.h"

namespace {

using Clock = std::chrono::steady_clock;
long reads = 0;

using ReadFn = int32_t (*)(int32_t, void*, int32_t, int32_t, const void*, int32_t, int32_t*);

ReadFn RealRead() {
  static ReadFn real = reinterpret_cast<ReadFn>(dlsym(RTLD_NEXT, "VNXRead"));
  return real;
}

struct Pass {
  long records = 0;
  long requests = 0;
  double seconds = 0;
  double rate() const { return seconds > 0 ? static_cast<double>(records) / seconds : 0; }
  double perThousand() const {
    return 1000.0 * static_cast<double>(requests) / static_cast<double>(std::max(records, 1L));
  }
};

Pass RawScan() {
  Pass p;
  const int32_t h = VNXopen("DEMO/BENCH100", 1, -1);
  if (h < 0) {
    std::fprintf(stderr, "VNXopen failed: %d\n", h);
    std::exit(1);
  }
  const int32_t length = Rlength(h);
  const int32_t block = std::min(4095, 32000 / (length + 4));
  std::vector<uint8_t> area(static_cast<size_t>(block) * static_cast<size_t>(length));
  std::vector<int32_t> numbers(static_cast<size_t>(block));
  const long before = reads;
  const auto start = Clock::now();
  int32_t operation = VNX_READ_FIRST;
  for (;;) {
    const int32_t got =
        VNXRead(h, area.data(), length, operation | VNX_READ_NO_LOCK | VNX_BLOCK | block, nullptr,
                0, numbers.data());
    if (got <= 0) break;
    p.records += got;
    if (got < block) break;
    operation = VNX_READ_NEXT;
  }
  p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  p.requests = reads - before;
  Rclose(h);
  return p;
}

// Reads every record of `c` through the driver's slots, every field of each.
long ReadEveryField(VdbCursor* c) {
  void* object = nullptr;
  void* record = nullptr;
  VdbCursorObject(c, &object);
  VdbRecordBuffer(c, &record, nullptr);
  IdapiEntry next, get;
  VdbCursorEntry(c, IDAPI_CUR_NEXT, &next);
  VdbCursorEntry(c, IDAPI_CUR_GET_FIELD, &get);
  uint16_t fields = 0;
  VdbFieldCount(c, &fields);
  std::vector<uint8_t> value(4096);
  long records = 0;
  while (reinterpret_cast<IdapiCurGetRecord>(next)(object, 0, record, nullptr) == IDAPI_OK) {
    for (uint16_t f = 1; f <= fields; ++f) {
      reinterpret_cast<IdapiCurGetField>(get)(object, f, record, value.data(), nullptr);
    }
    ++records;
  }
  return records;
}

Pass EngineScan(VdbDatabase* db) {
  Pass p;
  VdbCursor* c = nullptr;
  if (VdbOpenTable(db, "BENCH100", nullptr, VDB_READ_ONLY, &c) != IDAPI_OK) {
    std::fprintf(stderr, "open table failed\n");
    std::exit(1);
  }
  const long before = reads;
  const auto start = Clock::now();
  p.records = ReadEveryField(c);
  p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  p.requests = reads - before;
  VdbCloseCursor(c);
  return p;
}

constexpr char kSelect[] = "SELECT * FROM DEMO/BENCH100 FOR FETCH ONLY";

// The same rows by the client library's SQL cursor: fetches of as many rows
// as 32000 bytes hold.
Pass RawSqlScan() {
  Pass p;
  const auto start = Clock::now();  // the open runs the query: it counts
  const int32_t cursor = VNXSqlDeclare(kSelect, static_cast<int32_t>(sizeof kSelect - 1));
  const int32_t result = cursor < 0 ? -1 : VNXSqlOpen(cursor);
  if (result < 0) {
    std::fprintf(stderr, "the SELECT failed: %d\n", result);
    std::exit(1);
  }
  unsigned char header[16] = {};
  VNXGetDesc(result, header, 16, VNX_DESC_FILE_HEADER, nullptr);
  const int32_t length = header[12] | (header[13] << 8);
  const int32_t block = std::max(1, 32000 / std::max(length, 1));
  std::vector<uint8_t> area(static_cast<size_t>(block) * static_cast<size_t>(length));
  for (int32_t got; (got = VNXSqlEFetch(cursor, area.data(), length, block, 0)) > 0;) {
    p.records += got;
    ++p.requests;
  }
  p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  VNXSqlClose(cursor);
  return p;
}

Pass EngineSqlScan(VdbDatabase* db) {
  Pass p;
  const auto start = Clock::now();
  VdbCursor* c = nullptr;
  if (VdbExecuteSql(db, "SELECT * FROM BENCH100", &c) != IDAPI_OK || c == nullptr) {
    std::fprintf(stderr, "the engine's SELECT failed\n");
    std::exit(1);
  }
  p.records = ReadEveryField(c);
  p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  VdbCloseCursor(c);
  return p;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t VNXRead(int32_t h, void* records,
                                                                  int32_t recordLength,
                                                                  int32_t options, const void* key,
                                                                  int32_t keyLength,
                                                                  int32_t* numbers) {
  ++reads;
  return RealRead()(h, records, recordLength, options, key, keyLength, numbers);
}

int main(int argc, char** argv) {
  const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  if (StartSession() < 0) {
    std::fprintf(stderr, "StartSession failed\n");
    return 1;
  }
  Pass raw, rawSql;
  for (int i = 0; i < passes; ++i) {
    const Pass p = RawScan();
    if (p.rate() > raw.rate()) raw = p;
    const Pass q = RawSqlScan();
    if (q.rate() > rawSql.rate()) rawSql = q;
  }
  FreeSession();
  VNXTerminate();

  if (VdbStart() != IDAPI_OK) return 1;
  VdbDatabase* db = nullptr;
  const VdbParameter params[] = {{"SERVER NAME", "DEMO"}};
  if (VdbOpenDatabase("Morvalis400", "demo", params, 1, nullptr, &db) != IDAPI_OK) {
    VdbError e;
    VdbLastError(&e);
    std::fprintf(stderr, "open database failed: %s\n", e.message);
    return 1;
  }
  Pass engine, engineSql;
  for (int i = 0; i < passes; ++i) {
    const Pass p = EngineScan(db);
    if (p.rate() > engine.rate()) engine = p;
    const Pass q = EngineSqlScan(db);
    if (q.rate() > engineSql.rate()) engineSql = q;
  }
  VdbStop();

  std::printf("records                 %10ld\n", raw.records);
  std::printf("VNXRead blocked reads   %10.0f records/s  %6.2f requests per 1000 records\n",
              raw.rate(), raw.perThousand());
  std::printf("engine cursor, fields   %10.0f records/s  %6.2f requests per 1000 records\n",
              engine.rate(), engine.perThousand());
  std::printf("engine / raw            %10.1f %%  (goal: at least 80 %%)\n",
              raw.rate() > 0 ? 100.0 * engine.rate() / raw.rate() : 0.0);
  std::printf("VNXSqlEFetch blocks     %10.0f records/s  (open included)\n", rawSql.rate());
  std::printf("engine SELECT, fields   %10.0f records/s  (open included)\n", engineSql.rate());
  std::printf("engine / raw SQL        %10.1f %%  (goal: at least 80 %%)\n",
              rawSql.rate() > 0 ? 100.0 * engineSql.rate() / rawSql.rate() : 0.0);
  return engine.records == raw.records && engineSql.records == rawSql.records ? 0 : 1;
}
