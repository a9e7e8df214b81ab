// The result of an open SQL cursor: its rows, read whole when the cursor
// opens (SQLite statements cannot stay open across requests, since the
// storage's connection serves every job) and kept in their PC form, so that
// a fetch is a copy.
//
// Result columns: a column that is a field of one of the statement's files
// travels as that field does in a record (record_codec.h), decimals
// included; any other column (an expression such as COUNT(*)) takes its
// form from its values: all integers within 32 bits -> BIN4 (LONG 4), any
// other number -> DOUBLE 8, text -> CHAR of the longest value; each value
// then travels in that form (an integer of a DOUBLE column as a real, a
// number of a CHAR column as its text, counted in the length). A query
// with such columns runs twice: once to learn their forms, once to keep
// its rows.
//
// Limits: a result of more than kMaxResultBytes answers SQL0904.
#ifndef VANTORA_HOST_SERVER_SQL_SQL_CURSOR_H_
#define VANTORA_HOST_SERVER_SQL_SQL_CURSOR_H_

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/server/files/record_codec.h"
#include "host/server/sql/sql_error.h"
#include "host/storage/live_count.h"
#include "host/storage/storage.h"

namespace vantora::host::sql {

inline constexpr size_t kMaxResultBytes = 256u << 20;
// The format name a result is described with.
inline constexpr std::string_view kResultFormat = "SQLRESULT";

class CursorResult {
 public:
  RecordCodec codec;                   // the PC form of a row
  std::vector<int64_t> recordNumbers;  // each row's record, when the rows can change
  size_t next = 0;                     // the row the next fetch answers
  // The current row was deleted: the cursor stands before row `next`,
  // on no row.
  bool gap = false;

  size_t size() const { return count_; }
  // A row's bytes: its fields, then (with the codec's null map) one byte
  // per column, '1' for a null.
  size_t rowLength() const { return static_cast<size_t>(codec.recordLength()); }
  size_t dataLength() const { return static_cast<size_t>(codec.dataLength()); }
  const uint8_t* row(size_t i) const { return images_.get() + i * rowLength(); }
  // Adds a row in its PC form; false when the result would grow past
  // kMaxResultBytes.
  bool Append(const uint8_t* image);
  // Room for one more row at the end, rowLength() bytes to be filled; null
  // when the result would grow past kMaxResultBytes.
  uint8_t* AppendRow();
  // Takes back the last row added.
  void DropLastRow();
  void Erase(size_t i);
  void Replace(size_t i, const uint8_t* image);

 private:
  struct Free {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  // The rows one after another. Grown with realloc, which moves a large
  // block by remapping its pages instead of copying them.
  std::unique_ptr<uint8_t, Free> images_;
  size_t bytes_ = 0;
  size_t capacity_ = 0;
  size_t count_ = 0;
  LiveCount<LiveKind::kSqlResult> live_;
};

// Checks that SQLite can prepare `sqliteText` (a declare's errors surface
// at once, as on DB2).
SqlError CheckQuery(Storage& storage, const std::string& sqliteText);

// A query to run for a cursor.
struct Query {
  std::string sql;                     // SQLite text
  std::vector<Value> parameters;       // the values of its '?' markers
  std::vector<FileDescription> files;  // the files it names (for the columns' forms)
  CodecOptions options;                // the rows' PC form
  bool recordNumbers = false;          // its last column is each row's record number
  // Physical files (catalogue ids) whose uncommitted changes by other jobs
  // the query must not read; `job` is the reading job.
  std::vector<int64_t> committedOnly;
  JobId job = 0;
};

// A record that keeps a query from running: another job's uncommitted
// change.
struct BlockedRecord {
  int64_t file = 0;
  int64_t rrn = 0;
};

// Runs `query` to its end. Its '?' markers take its parameters (SQL0313
// when their numbers differ). With recordNumbers the last column is kept
// apart in out->recordNumbers, not a column of the result. When a file of
// committedOnly holds another job's uncommitted change, nothing runs: the
// answer is SQL0913 and `blocked` names the record.
SqlError RunQuery(Storage& storage, const Query& query, CursorResult* out, BlockedRecord* blocked);

}  // namespace vantora::host::sql

#endif  // VANTORA_HOST_SERVER_SQL_SQL_CURSOR_H_
