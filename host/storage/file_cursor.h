// A cursor over one access path of a database file: a physical file, or a
// simple logical file over one, in key order or arrival order. It is what an
// open data path of a job reads and changes records through.
//
// Position. A cursor stands before the first record (after opening), on a
// record (the current record), or after the last record. It keeps the key
// and relative record number (rrn) of its current record, not a database
// cursor, so records inserted, changed or deleted by others are seen by the
// next move. A current record deleted by someone else still anchors
// next/prior; kCurrent then answers kRecordNotFound.
//
// Reads (ReadOp). A read that finds a record makes it current. One that
// runs off the end answers kEndOfFile and leaves the cursor after the last
// record; off the beginning kBeginningOfFile, before the first. A key-equal,
// rrn or current read that finds nothing answers kRecordNotFound and does
// not move. Keyed reads on an arrival-order cursor answer kInvalidArgument.
//
// Keys. Search keys hold values (value.h) for the first n key fields, n from
// 1 to all (a partial key); the last one given may be cut to its first bytes
// (SearchKey::lastFieldBytes), for character fields. "Greater" and "less"
// are along the path: on a descending key field the next record has a lower
// value. Duplicates come in arrival order. Character fields compare
// blank-padded ("AB" equals "AB  "). Null key values sort lowest (first on
// an ascending field, last on a descending one); a null search value matches
// null keys.
//
// Reading ahead. A run of single next (or prior) reads without lock reads
// the records after the one asked for in the same query, more as the run
// goes on (up to 64), and the next reads of the run take them from there
// while no row of the storage has changed and no file was deleted since
// they were read (detail::DataEpochLocked); any other move, or any change,
// drops them. So each read answers what reading at its own time would.
//
// Locks. A read with `lock` locks the record for the cursor's job (waiting
// up to CursorOptions::lockWait, then kRecordInUse). The cursor holds at
// most one lock: any later read, a release, Update, Delete or closing lets
// it go. Update and Delete lock the current record themselves if needed.
// Under commitment control the records a job changes stay locked until the
// job commits or rolls back.
//
// Thread safety: a cursor is used by one thread at a time; different
// cursors may be used from different threads at once. Each call takes the
// storage's lock for its SQLite work and never holds it while waiting for a
// record lock. REQUIRES: the cursor is destroyed before its Storage.
#ifndef VANTORA_HOST_STORAGE_FILE_CURSOR_H_
#define VANTORA_HOST_STORAGE_FILE_CURSOR_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "host/storage/file_definition.h"
#include "host/storage/live_count.h"
#include "host/storage/record_locks.h"
#include "host/storage/row_fields.h"
#include "host/storage/seek_sql.h"
#include "host/storage/status.h"
#include "host/storage/value.h"

namespace vantora::host {

namespace detail {
class Connection;
struct Database;
}  // namespace detail
class Journal;
enum class JournalAction : char;

enum class ReadOp : uint8_t {
  kCurrent,  // the current record again
  kNext,
  kPrior,
  kFirst,
  kLast,
  kKeyEqual,    // first record whose key equals the search key
  kKeyGreater,  // first record whose key is after the search key
  kKeyGreaterOrEqual,
  kKeyLess,  // last record whose key is before the search key
  kKeyLessOrEqual,
  kNextEqualKey,  // next record whose first `keyFields` key fields equal the current one's
  kPriorEqualKey,
  kNextDifferentKey,  // next record whose first `keyFields` key fields differ from the current
                      // one's
  kPriorDifferentKey,
  kRelativeRecord,  // the record at `rrn`
};

struct SearchKey {
  std::vector<Value> values;  // the first values.size() key fields
  int lastFieldBytes = 0;     // > 0: only this many leading bytes of the last value count
};

struct ReadRequest {
  ReadOp op = ReadOp::kNext;
  const SearchKey* key = nullptr;  // key reads
  int keyFields = 0;               // equal/different-key reads: key fields compared, 0 = all
  int64_t rrn = 0;                 // kRelativeRecord
  bool lock = false;               // lock the record read (single reads, not position-only)
  bool positionOnly = false;       // move without reading values
};

struct CursorOptions {
  JobId job = 0;              // owner of the cursor's locks and journal entries; non-zero
  bool arrivalOrder = false;  // read in rrn order even when the file is keyed
  // Journal the cursor's changes for Storage::Commit/Rollback, and keep the
  // changed records locked until then.
  bool commitmentControl = false;
  std::chrono::milliseconds lockWait{60000};  // the host's default record wait
};

// Records read by one ReadBlock; reuse it across calls so that its buffers
// are reused.
struct RecordBatch {
  size_t size = 0;              // records read
  std::vector<int64_t> rrns;    // [0, size): their relative record numbers
  std::vector<Record> records;  // [0, size): their values (not filled when position-only)
};

class FileCursor {
 public:
  ~FileCursor();
  FileCursor(const FileCursor&) = delete;
  FileCursor& operator=(const FileCursor&) = delete;

  // The file opened; its record format gives the order and definitions of
  // every Record exchanged with this cursor.
  const FileDescription& file() const { return file_; }
  const RecordFormat& format() const { return file_.formats[0]; }
  // Reads follow a key (false: arrival order).
  bool keyed() const { return keyFieldCount_ > 0; }
  size_t keyFieldCount() const { return keyFieldCount_; }
  // Relative record number of the current record; 0 when there is none.
  int64_t currentRrn() const { return where_ == Where::kOnRecord ? rrn_ : 0; }

  // Reads one record into `record` (resized to the format) and `rrn`; both
  // may be null. Errors: see the top of this file; kInvalidArgument for a
  // search key that does not fit the key (too many values, wrong kinds, a
  // cut on a non-character field).
  Status Read(const ReadRequest& request, Record* record, int64_t* rrn);
  // Reads up to `count` records: the first as Read would, the next ones
  // continuing in the same direction (kFirst, kKey*, kRelativeRecord,
  // kCurrent go on with kNext; kLast with kPrior; kKeyEqual with the records
  // equal to the search key; the equal- and different-key reads repeat
  // themselves). Ok when at least one record was read; the cursor then
  // stands on the last one. Locking is refused (kInvalidArgument).
  Status ReadBlock(const ReadRequest& request, size_t count, RecordBatch* out);
  // The same block read, handing each record's fields to `sink` as they are
  // read instead of filling out->records (out->rrns and out->size are
  // filled). Same positions, results and errors as the other ReadBlock.
  Status ReadBlock(const ReadRequest& request, size_t count, RowSink& sink, RecordBatch* out);
  // Positions without reading.
  void PositionBeforeFirst();
  void PositionAfterLast();
  // Lets go of the cursor's record lock, if any.
  void ReleaseLock();
  bool holdsLock() const { return lockedRrn_ != 0; }

  // Where the cursor stands. A move that must leave no trace (a read made
  // ahead of its request and then not used) is undone by putting back the
  // place saved before it. Locks are not part of a place.
  struct Place {
    uint8_t where = 0;
    int64_t rrn = 0;
    Record key;
  };
  void SavePlace(Place* out) const;
  void RestorePlace(const Place& place);

  // Writes records at new relative record numbers, which go into `rrns`
  // (may be null). Numbers grow and are not reused after deletion. Stops at
  // the first failure (kDataMapping, kDuplicateKey); the records before it
  // are written. Fields a logical file does not show get DefaultValue.
  // Does not move the cursor.
  Status Insert(std::span<const Record> records, std::vector<int64_t>* rrns);
  Status Insert(const Record& record, int64_t* rrn);
  // Writes a record at relative record number `rrn`. Errors: kRecordExists,
  // kInvalidArgument (rrn < 1), and those of Insert.
  Status InsertAt(int64_t rrn, const Record& record);
  // Replaces the current record's values. Errors: kNoCurrentRecord,
  // kRecordNotFound (deleted meanwhile), kRecordInUse, kDataMapping,
  // kDuplicateKey. The cursor stays on the record (at its new key).
  Status Update(const Record& record);
  // Deletes the current record; the cursor keeps its place, so next and
  // prior continue from there. Errors: kNoCurrentRecord, kRecordNotFound,
  // kRecordInUse.
  Status Delete();

  // Number of records in the file.
  Status RecordCount(int64_t* count);

  // Single reads answered from the records read ahead (see the top).
  uint64_t readsFromAhead() const { return ahead_.hits; }

 private:
  friend class Storage;
  enum class Where : uint8_t { kBeforeFirst, kOnRecord, kAfterLast };

  // One query along the path, its parameters from ?2 on (?1 is the limit).
  struct Plan {
    std::string sql;
    std::vector<Value> params;
    StatusCode notFound = StatusCode::kEndOfFile;
    bool single = false;  // at most one record whatever the limit
  };

  FileCursor(detail::Database& db, RecordLocks& locks, Journal& journal, FileDescription file,
             FileDescription physical, const CursorOptions& options);
  void BuildStatements(const FileDescription& physical);

  // What the SQL text of a query along the path depends on.
  struct QueryShape {
    detail::Comparison compared;
    bool forward = true;
    // And the leading `same.count` path columns equal the current key's.
    bool andSame = false;
    detail::Comparison same;

    bool operator==(const QueryShape&) const = default;
  };

  // Fills `plan`, keeping the capacity of its buffers: by the kind of read,
  // one of the planners below.
  Status PlanRead(const ReadRequest& request, Plan* plan) const;
  // First, last, next, prior: along the path from an end or from here.
  void PlanMove(ReadOp op, Plan* plan) const;
  // The key searches (equal, greater, ...).
  Status PlanKeySearch(const ReadRequest& request, Plan* plan) const;
  // Next or prior with an equal or a different key.
  Status PlanSameKey(const ReadRequest& request, Plan* plan) const;
  // The current record, or one by its relative record number.
  Status PlanByNumber(const ReadRequest& request, Plan* plan) const;
  // `plan`'s query along the path with `compared` (and `same`, when given),
  // in `forward` order; the parameters compared are in plan->params.
  void PlanAlong(const detail::Comparison& compared, bool forward, Plan* plan,
                 const detail::Comparison* same = nullptr) const;
  // From the current record on: its key and number compared by `relation`.
  void PlanFromCurrent(detail::Relation relation, size_t count, bool forward, Plan* plan,
                       const detail::Comparison* same = nullptr) const;
  // The SQL of `shape`, built on first use and kept: reads repeat a few
  // shapes, and building the text each time would cost allocations.
  const std::string& SqlOf(const QueryShape& shape) const;
  Status CheckSearchKey(const SearchKey& key) const;
  Status CheckRecord(const Record& record) const;
  // Runs `plan` for up to `limit` rows, appending them to `out` from index
  // out->size; leaves the cursor on the last row or per plan.notFound.
  // REQUIRES: the storage's lock is held.
  // `sink` non-null: values go to it rather than into out->records.
  Status RunLocked(const Plan& plan, size_t limit, bool values, RecordBatch* out,
                   RowSink* sink = nullptr);
  Status ReadBlockTo(const ReadRequest& request, size_t count, RowSink* sink, RecordBatch* out);
  // The statement for `sql`, kept by this cursor so that the moves it
  // repeats (next block, prior block) skip the connection's lookup.
  // REQUIRES: the storage's lock is held.
  Status PrepareKept(const std::string& sql, sqlite3_stmt** out);
  Status ReadWithLock(const ReadRequest& request, Record* record, int64_t* rrn);
  // A single next or prior read with values and without lock: from the
  // records read ahead when they still hold, else by a query that reads
  // ahead. REQUIRES: the storage's lock is held.
  Status ReadSequentialLocked(const ReadRequest& request, Record* record, int64_t* rrn);
  // Makes row `at` of the records read ahead current and copies it out.
  void TakeAhead(size_t at, Record* record, int64_t* rrn);
  void DropAhead();
  Status LockCurrent();
  void AfterChange();
  // Changes the current record by `change` in one savepoint: under
  // commitment control its before-image is captured first and the change
  // journaled as `action` after. kRecordNotFound when `change` touched no
  // row. REQUIRES: db_.mutex held.
  Status ChangeCurrentLocked(JournalAction action,
                             const std::function<Status(detail::Connection&)>& change);
  Status InsertLocked(int64_t rrn, const Record& record);

  detail::Database& db_;
  RecordLocks& locks_;
  Journal& journal_;
  FileDescription file_;
  CursorOptions options_;
  int64_t physicalId_ = 0;  // records (and locks) belong to the physical file
  size_t keyFieldCount_ = 0;
  std::vector<size_t> keyInFormat_;       // format index of each key field
  uint64_t textColumns_ = 0;              // fields with text columns (RowFields)
  std::vector<detail::PathColumn> path_;  // key columns, then rowid
  std::string table_;                     // quoted physical table name
  std::string selectPath_;                // SELECT rowid, keys, fields FROM table [INDEXED BY path]
  std::string selectByRrn_;               // the same columns, for rowid lookups
  std::string insertSql_, updateSql_, deleteSql_;

  Where where_ = Where::kBeforeFirst;
  int64_t rrn_ = 0;
  Record key_;  // key values of the current record
  struct KeptStatement {
    std::string sql;
    sqlite3_stmt* statement = nullptr;
    uint64_t generation = 0;  // the connection's statement generation it was prepared in
  };
  static constexpr size_t kKeptStatements = 4;
  KeptStatement kept_[kKeptStatements];
  size_t nextKept_ = 0;  // slot the next new statement takes
  mutable std::vector<std::pair<QueryShape, std::string>> sqlOfShape_;  // SqlOf's texts
  Plan plan_;              // the read in progress; a member so that its buffers are reused
  RecordBatch single_;     // the record of a single read without lock, likewise
  int64_t lockedRrn_ = 0;  // record this cursor holds locked, 0 when none
  struct Ahead {
    RecordBatch rows;  // [next, rows.size): the records after the current one
    size_t next = 0;
    bool forward = true;
    uint64_t epoch = 0;  // DataEpochLocked when they were read
    int run = 0;         // sequential single reads in a row before this one
    uint64_t hits = 0;
  };
  Ahead ahead_;
  LiveCount<LiveKind::kFileCursor> live_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_FILE_CURSOR_H_
