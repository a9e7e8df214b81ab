// Data-queue entries in vt_queue_entries (see docs/host-storage.md).
#include "host/storage/queue_entries.h"

#include <string_view>

#include "host/storage/sqlite_db.h"

namespace vantora::host {

using detail::StatementUse;

namespace {

// The statement that finds the entry a receive takes. Each text is kept
// prepared by the connection.
std::string_view TakeQuery(QueueSequence sequence, KeyOrder order) {
  if (sequence == QueueSequence::kFifo) {
    return "SELECT seq, key, data FROM vt_queue_entries WHERE library = ?1 AND name = ?2 "
           "ORDER BY seq LIMIT 1";
  }
  if (sequence == QueueSequence::kLifo) {
    return "SELECT seq, key, data FROM vt_queue_entries WHERE library = ?1 AND name = ?2 "
           "ORDER BY seq DESC LIMIT 1";
  }
  switch (order) {
    case KeyOrder::kEqual:
      return "SELECT seq, key, data FROM vt_queue_entries WHERE library = ?1 AND name = ?2 "
             "AND key = ?3 ORDER BY seq LIMIT 1";
    case KeyOrder::kGreaterOrEqual:
      return "SELECT seq, key, data FROM vt_queue_entries WHERE library = ?1 AND name = ?2 "
             "AND key >= ?3 ORDER BY seq LIMIT 1";
    case KeyOrder::kGreater:
      return "SELECT seq, key, data FROM vt_queue_entries WHERE library = ?1 AND name = ?2 "
             "AND key > ?3 ORDER BY seq LIMIT 1";
    case KeyOrder::kLessOrEqual:
      return "SELECT seq, key, data FROM vt_queue_entries WHERE library = ?1 AND name = ?2 "
             "AND key <= ?3 ORDER BY seq LIMIT 1";
    case KeyOrder::kLess:
      return "SELECT seq, key, data FROM vt_queue_entries WHERE library = ?1 AND name = ?2 "
             "AND key < ?3 ORDER BY seq LIMIT 1";
    case KeyOrder::kNotEqual:
      break;
  }
  return "SELECT seq, key, data FROM vt_queue_entries WHERE library = ?1 AND name = ?2 "
         "AND key <> ?3 ORDER BY seq LIMIT 1";
}

void BindBlob(sqlite3_stmt* s, int index, std::span<const uint8_t> bytes) {
  // An empty span may have no address; SQLite stores a null pointer as NULL.
  static const uint8_t kNone = 0;
  sqlite3_bind_blob64(s, index, bytes.empty() ? &kNone : bytes.data(), bytes.size(),
                      SQLITE_TRANSIENT);
}

std::vector<uint8_t> ColumnBlob(sqlite3_stmt* s, int column) {
  auto p = static_cast<const uint8_t*>(sqlite3_column_blob(s, column));
  const auto n = static_cast<size_t>(sqlite3_column_bytes(s, column));
  return p == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(p, p + n);
}

}  // namespace

Status QueueEntries::RequireQueueLocked(const ObjectName& queue) {
  constexpr std::string_view kSql =
      "SELECT 1 FROM vt_objects WHERE library = ?1 AND name = ?2 AND type = '*DTAQ'";
  sqlite3_stmt* q = nullptr;
  if (Status s = db_.connection->Prepare(kSql, &q); !s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, queue.library, queue.name);
  bool exists = false;
  if (Status s = detail::StepRow(*db_.connection, q, kSql, &exists); !s.ok()) return s;
  return exists ? Status::Ok() : Status::Error(StatusCode::kObjectNotFound, queue.ToString());
}

Status QueueEntries::Append(const ObjectName& queue, std::span<const uint8_t> key,
                            std::span<const uint8_t> data) {
  std::lock_guard lock(db_.mutex);
  detail::Connection& c = *db_.connection;
  if (Status s = RequireQueueLocked(queue); !s.ok()) return s;
  // One statement: its own transaction, committed when it is done.
  constexpr std::string_view kInsert =
      "INSERT INTO vt_queue_entries(library, name, key, data) VALUES(?1, ?2, ?3, ?4)";
  sqlite3_stmt* q = nullptr;
  Status s = c.Prepare(kInsert, &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, queue.library, queue.name);
  BindBlob(q, 3, key);
  BindBlob(q, 4, data);
  return detail::StepDone(c, q, kInsert);
}

Status QueueEntries::Take(const ObjectName& queue, QueueSequence sequence, KeyOrder order,
                          std::span<const uint8_t> key, QueueEntry* out) {
  std::lock_guard lock(db_.mutex);
  detail::Connection& c = *db_.connection;
  detail::Savepoint tx(c);
  if (!tx.begun().ok()) return tx.begun();
  const std::string_view query = TakeQuery(sequence, order);
  sqlite3_stmt* q = nullptr;
  Status s = c.Prepare(query, &q);
  if (!s.ok()) return s;
  QueueEntry entry;
  {
    StatementUse use(q);
    detail::BindAll(q, 1, queue.library, queue.name);
    if (sequence == QueueSequence::kKeyed) BindBlob(q, 3, key);
    const int rc = sqlite3_step(q);
    if (rc == SQLITE_DONE) {
      if (s = RequireQueueLocked(queue); !s.ok()) return s;
      return Status::Error(StatusCode::kRecordNotFound, queue.ToString() + ": no entry");
    }
    if (rc != SQLITE_ROW) return c.ErrorStatus(rc, query);
    entry.arrival = sqlite3_column_int64(q, 0);
    entry.key = ColumnBlob(q, 1);
    entry.data = ColumnBlob(q, 2);
  }
  s = detail::Run(c, "DELETE FROM vt_queue_entries WHERE seq = ?1", entry.arrival);
  if (s.ok()) s = tx.Commit();
  if (!s.ok()) return s;
  *out = std::move(entry);
  return Status::Ok();
}

Status QueueEntries::Count(const ObjectName& queue, int64_t* out) {
  std::lock_guard lock(db_.mutex);
  constexpr std::string_view kCount =
      "SELECT COUNT(*) FROM vt_queue_entries WHERE library = ?1 AND name = ?2";
  sqlite3_stmt* q = nullptr;
  Status s = db_.connection->Prepare(kCount, &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, queue.library, queue.name);
  const int rc = sqlite3_step(q);
  if (rc != SQLITE_ROW) return db_.connection->ErrorStatus(rc, kCount);
  *out = sqlite3_column_int64(q, 0);
  return Status::Ok();
}

}  // namespace vantora::host
