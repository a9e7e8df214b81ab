// Blocked reads of DEMO/BENCH100 (10 fields, 100-byte host records) in
// records per second, two ways over the same data:
//   host alone  FileCursor::ReadBlock and the record codec, no protocol:
//               the records straight into their images (as the host reads
//               blocks), and through a Record each (the general path)
//   full path   MV432IDA's VNXRead through the embedded transport, as the
//               benchmark tool reads ("rr blkrcd=Y", blocks of
//               32600 / (record length + fields - 1) records)
// The ratio shows what the protocol, the transport and the client cost.
// Also: the host alone reading one record per FileCursor::Read (as single
// VNXRead next requests do), which the cursor serves from the records it
// read ahead.
// Beside them, the limit: a bare SQLite scan of the same table that reads
// every column with sqlite3_column_* into a buffer (what any record path
// over this storage has to do at least).
//
//   host_read_bench [RECORDS]      (default 100000; best of 3 full scans)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "host/server/files/record_codec.h"
#include "host/server/host_setup.h"
#include "host/server/session/host.h"
#include "host/storage/sqlite_memory.h"
#include "mv432ida.h"

namespace {

using Clock = std::chrono::steady_clock;
using vantora::host::Status;

constexpr int kPasses = 3;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

bool Check(const Status& s, const char* what) {
  if (s.ok()) return true;
  std::fprintf(stderr, "%s: %s\n", what, s.ToString().c_str());
  return false;
}

// Encodes each record of a block into its slot as the storage reads it.
class Images : public vantora::host::RowSink {
 public:
  Images(const vantora::host::RecordCodec& codec, uint8_t* out) : codec_(codec), out_(out) {}
  void Row(size_t index, int64_t, const vantora::host::RowFields& fields) override {
    Status s = codec_.EncodeRow(fields, out_ + index * static_cast<size_t>(codec_.recordLength()));
    if (!s.ok() && failed_.ok()) failed_ = s;
  }
  Status failed_;

 private:
  const vantora::host::RecordCodec& codec_;
  uint8_t* out_;
};

enum class Way { kLean, kByRecord, kSingle };

// One full scan by the host library; answers records read, or -1. kLean:
// the records go from the storage straight into their images (the host's
// block reads); kByRecord: through a Record each; kSingle: one Read each.
[[gnu::noinline]] int64_t ScanHostAlone(vantora::host::Host& host, Way way, int* block,
                                        int32_t* length, double* seconds,
                                        uint64_t* fromAhead = nullptr) {
  const bool lean = way == Way::kLean;
  using namespace vantora::host;
  std::unique_ptr<FileCursor> cursor;
  CursorOptions options;
  options.job = 1;
  if (!Check(host.storage().OpenCursor({"DEMO", "BENCH100"}, options, &cursor), "open")) return -1;
  Job job(1, "BENCH");
  CodecOptions codecOptions;
  codecOptions.style = StyleOf(job.dateTime());
  RecordCodec codec;
  if (!Check(RecordCodec::Build(cursor->format(), codecOptions, &codec), "codec")) return -1;
  *length = codec.recordLength();
  *block = 32600 / (*length + static_cast<int>(codec.fields().size()) - 1);
  const int n = *block;
  std::vector<uint8_t> out(static_cast<size_t>(n) * codec.recordLength());
  // Kept across scans, as the host keeps its batch across requests.
  static RecordBatch batch;
  ReadRequest request;
  request.op = ReadOp::kFirst;
  int64_t total = 0;
  auto start = Clock::now();
  Images images(codec, out.data());
  if (way == Way::kSingle) {
    Record record;
    for (;; request.op = ReadOp::kNext) {
      if (!cursor->Read(request, &record, nullptr).ok()) break;
      if (!Check(codec.Encode(record, out.data()), "encode")) return -1;
      ++total;
    }
    *seconds = Seconds(Clock::now() - start);
    if (fromAhead) *fromAhead = cursor->readsFromAhead();
    return total;
  }
  for (;;) {
    Status s = lean ? cursor->ReadBlock(request, static_cast<size_t>(n), images, &batch)
                    : cursor->ReadBlock(request, static_cast<size_t>(n), &batch);
    if (!s.ok()) break;
    if (!Check(images.failed_, "encode")) return -1;
    for (size_t i = 0; !lean && i < batch.size; ++i) {
      if (!Check(codec.Encode(batch.records[i], out.data() + i * codec.recordLength()), "encode")) {
        return -1;
      }
    }
    total += static_cast<int64_t>(batch.size);
    if (batch.size < static_cast<size_t>(n)) break;
    request.op = ReadOp::kNext;
  }
  *seconds = Seconds(Clock::now() - start);
  return total;
}

// Full scans of the file's table by SQLite alone, every column copied into
// a buffer, on one connection opened as the host opens its own (no mutex,
// exclusive locking: its page cache stays warm from pass to pass); answers
// the best rate, or -1.
[[gnu::noinline]] double ScanSqliteAlone(const std::filesystem::path& database, int64_t records) {
  sqlite3* db = nullptr;
  sqlite3_stmt* q = nullptr;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK ||
      sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(db, "SELECT rowid, * FROM \"DEMO/BENCH100\"", -1, &q, nullptr) !=
          SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    sqlite3_close(db);
    return -1;
  }
  std::vector<uint8_t> buffer(4096);
  double best = 0;
  for (int pass = 0; pass < kPasses; ++pass) {
    int64_t total = 0;
    uint64_t check = 0;
    auto start = Clock::now();
    while (sqlite3_step(q) == SQLITE_ROW) {
      size_t at = 0;
      const int columns = sqlite3_column_count(q);
      for (int i = 0; i < columns; ++i) {
        switch (sqlite3_column_type(q, i)) {
          case SQLITE_INTEGER: {
            auto v = static_cast<uint64_t>(sqlite3_column_int64(q, i));
            std::memcpy(buffer.data() + at, &v, 8);
            at += 8;
            break;
          }
          case SQLITE_FLOAT: {
            double v = sqlite3_column_double(q, i);
            std::memcpy(buffer.data() + at, &v, 8);
            at += 8;
            break;
          }
          case SQLITE_NULL:
            break;
          default: {
            const unsigned char* t = sqlite3_column_text(q, i);
            auto n = static_cast<size_t>(sqlite3_column_bytes(q, i));
            if (at + n > buffer.size()) n = buffer.size() - at;
            std::memcpy(buffer.data() + at, t, n);
            at += n;
            break;
          }
        }
      }
      check += buffer[0] + at;
      ++total;
    }
    double seconds = Seconds(Clock::now() - start);
    sqlite3_reset(q);
    if (total != records || check == 0) best = -1;
    if (best >= 0) best = std::max(best, static_cast<double>(total) / seconds);
  }
  sqlite3_finalize(q);
  sqlite3_close(db);
  return best;
}

// One full scan through the client library; answers records read, or -1.
[[gnu::noinline]] int64_t ScanFullPath(int32_t h, int32_t length, int block, double* seconds) {
  std::vector<uint8_t> buffer(static_cast<size_t>(block) * length);
  int32_t op = VNX_READ_FIRST;
  int64_t total = 0;
  auto start = Clock::now();
  for (;;) {
    int32_t n = VNXRead(h, buffer.data(), length, op | VNX_BLOCK | block, nullptr, 0, nullptr);
    if (n < 0) {
      std::fprintf(stderr, "VNXRead: %d, status %d\n", n, retstat());
      return -1;
    }
    total += n;
    if (n < block) break;
    op = VNX_READ_NEXT;
  }
  *seconds = Seconds(Clock::now() - start);
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  vantora::host::ReuseSqliteMemory();  // as vantora-hostd does
  const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
  const auto root = std::filesystem::temp_directory_path() /
                    ("vantora-host-read-bench-" + std::to_string(::getpid()));
  const auto data = root / "host";
  std::filesystem::create_directories(root);
  std::ofstream(root / "MV400.INI")
      << "[General]\nNetwork=ehn\n[Host]\nDataDirectory=" << data.string() << "\n";
  setenv("MV400_INI", (root / "MV400.INI").c_str(), 1);

  double hostRate = 0, recordRate = 0, singleRate = 0, fullRate = 0, sqliteRate = 0;
  uint64_t fromAhead = 0;
  int32_t length = 0;
  int block = 0;
  {
    std::unique_ptr<vantora::host::Host> host;
    if (!Check(vantora::host::Host::Open(data, {}, &host), "host")) return 1;
    auto start = Clock::now();
    if (!Check(vantora::host::CreateDemoLibrary(host->storage(), records), "demo")) return 1;
    std::printf("created %d records in %.1f s\n", records, Seconds(Clock::now() - start));
  }
  {
    // Reopened, so that both scans read a checkpointed database.
    std::unique_ptr<vantora::host::Host> host;
    if (!Check(vantora::host::Host::Open(data, {}, &host), "host")) return 1;
    for (int pass = 0; pass < kPasses; ++pass) {
      for (Way way : {Way::kLean, Way::kByRecord, Way::kSingle}) {
        double s = 0;
        int64_t n = ScanHostAlone(*host, way, &block, &length, &s, &fromAhead);
        if (n != records) return 1;
        double& rate = way == Way::kLean       ? hostRate
                       : way == Way::kByRecord ? recordRate
                                               : singleRate;
        rate = std::max(rate, static_cast<double>(n) / s);
      }
    }
  }

  // With the host closed, SQLite alone may open its database.
  sqliteRate = ScanSqliteAlone(data / "host.db", records);
  if (sqliteRate < 0) return 1;

  VNXTerminate();  // binds the transport again with the settings above
  if (StartSession() != 1) {
    std::fprintf(stderr, "StartSession failed: %d\n", Internal_Error());
    return 1;
  }
  int32_t h = Ropen("DEMO/BENCH100", "rr blkrcd=Y");
  if (h < 0 || Rlength(h) != length) {
    std::fprintf(stderr, "Ropen %d, record length %d (expected %d)\n", h, Rlength(h), length);
    return 1;
  }
  for (int pass = 0; pass < kPasses; ++pass) {
    double s = 0;
    int64_t n = ScanFullPath(h, length, block, &s);
    if (n != records) return 1;
    fullRate = std::max(fullRate, static_cast<double>(n) / s);
  }
  Rclose(h);
  FreeSession();
  VNXTerminate();
  std::filesystem::remove_all(root);

  std::printf("record length %d, %d records per block\n", length, block);
  std::printf("sqlite alone: %10.0f records/s  (the limit)\n", sqliteRate);
  std::printf("host alone  : %10.0f records/s  (%.0f%% of sqlite alone)\n", hostRate,
              100.0 * hostRate / sqliteRate);
  std::printf("  by Record : %10.0f records/s  (the general path: a Record per record)\n",
              recordRate);
  std::printf(
      "  single    : %10.0f records/s  (one Read each; %.1f%% of them from the records read "
      "ahead)\n",
      singleRate, 100.0 * static_cast<double>(fromAhead) / records);
  std::printf("full path   : %10.0f records/s  (%.0f%% of host alone)\n", fullRate,
              100.0 * fullRate / hostRate);
  return 0;
}
