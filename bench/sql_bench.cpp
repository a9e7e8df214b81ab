// Rows per second of a whole-file SELECT of DEMO/BENCH100 (10 fields,
// 100-byte host records, 100 000 records by default), two ways over the
// same data in a temporary data directory:
//   MV432IDA   VNXSqlDeclare("SELECT * FROM DEMO/BENCH100 FOR FETCH ONLY"),
//              VNXSqlOpen, VNXSqlEFetch of "next" blocks of at most 32000
//              bytes until no row is left, VNXSqlClose: the client library
//              through the embedded transport, the host's SQL (translation,
//              the whole result read at open, each row given its PC form
//              straight from the statement's columns)
//   SQLite     sqlite3_prepare_v2 and sqlite3_step over the file's table in
//              the host's database, every column of every row read
// The ratio shows what the host's SQL, the protocol and the client cost
// over SQLite itself.
//
//   sql_bench [ROWS] [--benchmark_...]
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "host/server/host_setup.h"
#include "host/server/session/host.h"
#include "host/storage/names.h"
#include "mv432ida.h"

namespace {

constexpr int32_t kBlockBytes = 32000;
constexpr int32_t kNext = 0;
const std::string kQuery = "SELECT * FROM DEMO/BENCH100 FOR FETCH ONLY";

int64_t rows = 100000;
std::filesystem::path database;

// The embedded host holds its database exclusively while it is open: each
// benchmark opens it (a session) or its file and closes it again.
void ClientSelect(benchmark::State& state) {
  VNXTerminate();  // binds the transport again with the settings of main
  if (StartSession() != 1) {
    state.SkipWithError("StartSession failed");
    return;
  }
  // The SQL row of a file's fields has the form of its record.
  const int32_t h = Ropen("DEMO/BENCH100", "rr");
  const int32_t rowLength = h >= 0 ? Rlength(h) : -1;
  if (h >= 0) Rclose(h);
  if (rowLength <= 0) {
    state.SkipWithError("Ropen DEMO/BENCH100 failed");
    FreeSession();
    VNXTerminate();
    return;
  }
  const int32_t block = kBlockBytes / rowLength;
  std::vector<char> buffer(static_cast<size_t>(block) * rowLength);
  int64_t total = 0;
  for (auto _ : state) {
    const int32_t cursor = VNXSqlDeclare(kQuery.c_str(), static_cast<int32_t>(kQuery.size()));
    if (cursor < 1 || VNXSqlOpen(cursor) < 0) {
      state.SkipWithError("declare or open failed");
      break;
    }
    int64_t read = 0;
    for (int32_t n; (n = VNXSqlEFetch(cursor, buffer.data(), rowLength, block, kNext)) != 0;) {
      if (n < 0) {
        state.SkipWithError("fetch failed");
        break;
      }
      // Each row ends with NOTE CHAR(20), "RECORD n".
      if (std::memcmp(buffer.data() + rowLength - 20, "RECORD ", 7) != 0) {
        state.SkipWithError("rows not in the form of the file's records");
        break;
      }
      read += n;
    }
    benchmark::DoNotOptimize(buffer.data());
    if (state.error_occurred()) break;
    if (VNXSqlClose(cursor) != 1 || read != rows) {
      state.SkipWithError("close failed, or not every row read");
      break;
    }
    total += read;
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(total), benchmark::Counter::kIsRate);
  state.counters["row_bytes"] = rowLength;
  state.counters["rows_per_fetch"] = block;
  FreeSession();
  VNXTerminate();
}

void SqliteSelect(benchmark::State& state) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    state.SkipWithError("cannot open the database");
    sqlite3_close(db);
    return;
  }
  const std::string sql = "SELECT * FROM " + vantora::host::SqlTableName({"DEMO", "BENCH100"});
  int64_t total = 0;
  for (auto _ : state) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      state.SkipWithError(sqlite3_errmsg(db));
      break;
    }
    int64_t read = 0;
    int64_t sum = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
      const int columns = sqlite3_column_count(statement);
      for (int c = 0; c < columns; ++c) {
        switch (sqlite3_column_type(statement, c)) {
          case SQLITE_INTEGER:
            sum += sqlite3_column_int64(statement, c);
            break;
          case SQLITE_FLOAT:
            sum += static_cast<int64_t>(sqlite3_column_double(statement, c));
            break;
          case SQLITE_TEXT:
            sum += *sqlite3_column_text(statement, c) + sqlite3_column_bytes(statement, c);
            break;
          case SQLITE_BLOB:
            sqlite3_column_blob(statement, c);
            sum += sqlite3_column_bytes(statement, c);
            break;
          default:
            break;
        }
      }
      ++read;
    }
    sqlite3_finalize(statement);
    benchmark::DoNotOptimize(sum);
    if (read != rows) {
      state.SkipWithError("not every row read");
      break;
    }
    total += read;
  }
  sqlite3_close(db);
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(total), benchmark::Counter::kIsRate);
}

BENCHMARK(ClientSelect)
    ->Name("select/MV432IDA_embedded")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(SqliteSelect)->Name("select/sqlite_direct")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc > 1) rows = std::atoll(argv[1]);
  if (rows < 1) {
    std::fprintf(stderr, "usage: sql_bench [ROWS] [--benchmark_...]\n");
    return 2;
  }
  const auto root =
      std::filesystem::temp_directory_path() / ("vantora-sql-bench-" + std::to_string(::getpid()));
  const auto data = root / "host";
  std::filesystem::create_directories(root);
  std::ofstream(root / "MV400.INI")
      << "[General]\nNetwork=ehn\n[Host]\nDataDirectory=" << data.string() << "\n";
  setenv("MV400_INI", (root / "MV400.INI").c_str(), 1);
  database = data / vantora::host::Storage::kDatabaseFile;
  {
    std::unique_ptr<vantora::host::Host> host;
    vantora::host::Status s = vantora::host::Host::Open(data, {}, &host);
    if (s.ok()) s = vantora::host::CreateDemoLibrary(host->storage(), static_cast<int>(rows));
    if (!s.ok()) {
      std::fprintf(stderr, "creating the data: %s\n", s.ToString().c_str());
      return 1;
    }
  }

  std::printf("%lld rows in DEMO/BENCH100\n", static_cast<long long>(rows));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(root);
  return 0;
}
