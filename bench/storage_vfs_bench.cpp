// What the storage's VFS costs when no fault is armed: the same SQLite work
// through the default VFS (the limit) and through "vantora-storage", with the
// connection settings of the host (WAL, exclusive locking, synchronous
// NORMAL):
//   commits  single-row inserts, each its own transaction (a log write each)
//   scan     a full scan after reopening with a small page cache, so that
//            every page is read through the VFS
// Passes alternate between the two VFSes; the best of each is kept.
//
//   storage_vfs_bench [ROWS] [DIRECTORY]   (default 20000, the temp folder)
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "host/storage/fault_vfs.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPasses = 5;

bool Exec(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(db));
  return false;
}

sqlite3* Open(const std::string& path, const char* vfs) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, vfs) !=
          SQLITE_OK ||
      !Exec(db,
            "PRAGMA locking_mode=EXCLUSIVE; PRAGMA journal_mode=WAL; "
            "PRAGMA synchronous=NORMAL")) {
    sqlite3_close(db);
    return nullptr;
  }
  return db;
}

struct Times {
  double commits = 1e300;
  double scan = 1e300;
};

// One pass through `vfs` in a fresh file; false on a failure.
bool Pass(const std::filesystem::path& dir, const char* vfs, int rows, Times* best) {
  const std::string path = (dir / "bench.db").string();
  std::filesystem::remove(path);
  std::filesystem::remove(path + "-wal");
  sqlite3* db = Open(path, vfs);
  if (db == nullptr ||
      !Exec(db, "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, qty INTEGER)")) {
    return false;
  }
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t(name, qty) VALUES('a name of some length', ?1)", -1,
                     &insert, nullptr);
  auto start = Clock::now();
  for (int i = 0; i < rows; ++i) {
    sqlite3_bind_int(insert, 1, i);
    if (sqlite3_step(insert) != SQLITE_DONE) return false;
    sqlite3_reset(insert);
  }
  const double commits = std::chrono::duration<double>(Clock::now() - start).count();
  sqlite3_finalize(insert);
  sqlite3_close(db);

  db = Open(path, vfs);
  if (db == nullptr || !Exec(db, "PRAGMA cache_size=16")) return false;
  sqlite3_stmt* scan = nullptr;
  sqlite3_prepare_v2(db, "SELECT name, qty FROM t", -1, &scan, nullptr);
  start = Clock::now();
  int64_t sum = 0;
  while (sqlite3_step(scan) == SQLITE_ROW) sum += sqlite3_column_int64(scan, 1);
  const double scanned = std::chrono::duration<double>(Clock::now() - start).count();
  sqlite3_finalize(scan);
  sqlite3_close(db);
  if (sum != static_cast<int64_t>(rows) * (rows - 1) / 2) return false;
  best->commits = std::min(best->commits, commits);
  best->scan = std::min(best->scan, scanned);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 20000;
  const std::filesystem::path dir =
      argc > 2 ? std::filesystem::path(argv[2])
               : std::filesystem::temp_directory_path() / "vantora-vfs-bench";
  std::filesystem::create_directories(dir);
  vantora::host::StorageFaults::Disarm();  // registers the VFS, unarmed
  Times plain, wrapped;
  for (int pass = 0; pass < kPasses; ++pass) {
    if (!Pass(dir, nullptr, rows, &plain) ||
        !Pass(dir, vantora::host::kStorageVfsName, rows, &wrapped)) {
      std::fprintf(stderr, "pass %d failed\n", pass);
      return 1;
    }
  }
  std::filesystem::remove_all(dir);
  std::printf("%d rows, best of %d passes\n", rows, kPasses);
  std::printf(
      "commits  default VFS %8.0f/s (the limit)  storage VFS %8.0f/s  %5.1f%% (goal 98%%)\n",
      rows / plain.commits, rows / wrapped.commits, 100 * plain.commits / wrapped.commits);
  std::printf(
      "scan     default VFS %8.0f/s (the limit)  storage VFS %8.0f/s  %5.1f%% (goal 98%%)\n",
      rows / plain.scan, rows / wrapped.scan, 100 * plain.scan / wrapped.scan);
  return 0;
}
