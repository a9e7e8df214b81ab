// A change statement that respects record locks. SQLite does not tell
// which rows a statement will change, and the journal needs each record's
// before-image, so an UPDATE or DELETE runs twice inside one savepoint: a
// first run with a temporary trigger collects the relative record numbers
// it touches and is rolled back; the records are locked and their images
// captured; the second run makes the change (and must touch the same
// records, else it is undone with SQL0901). An INSERT runs once, a trigger
// collecting the new records' numbers. The journal entries join the
// change's transaction. The records are locked for the job without waiting
// (the storage's lock is held meanwhile); under commitment control they
// stay held for commit, otherwise they are released at once.
//
// Without commitment control, a file no other job holds a record of takes
// the plain path: one run, nothing collected. (Another job's lock taken
// after that look cannot see the old record: reading it needs the
// storage's lock, which the change holds.)
#include <algorithm>
#include <chrono>
#include <vector>

#include "host/server/sql/sql_statement.h"

namespace vantora::host::sql {
namespace {

constexpr const char* kRowsTable = "temp.vt_sql_changed";
constexpr const char* kRowsName = "vt_sql_changed";  // a trigger's body takes no schema
constexpr const char* kTrigger = "vt_sql_collect";

// Creates the collecting trigger for `event` ("BEFORE UPDATE", ...), where
// `row` (OLD or NEW) names the record.
bool Collect(SqlConnection& db, const ChangeTarget& t, const char* event, const char* row) {
  return db.Exec(std::string("CREATE TEMP TABLE IF NOT EXISTS ") + kRowsTable + "(rrn INTEGER)") &&
         db.Exec(std::string("DELETE FROM ") + kRowsTable) &&
         db.Exec(std::string("CREATE TEMP TRIGGER ") + kTrigger + " " + event + " ON " + t.table +
                 " BEGIN INSERT INTO " + kRowsName + " VALUES (" + row + ".rowid); END");
}

// The records the trigger collected; false when they could not all be read
// (a change whose records are not all known cannot be journaled).
bool Collected(SqlConnection& db, std::vector<int64_t>* rrns) {
  rrns->clear();
  return db
      .Run(std::string("SELECT DISTINCT rrn FROM ") + kRowsTable + " ORDER BY rrn", {},
           [&](const SqlStatement& q) { rrns->push_back(q.ColumnInteger(0)); })
      .ok();
}

bool DropCollector(SqlConnection& db) {
  return db.Exec(std::string("DROP TRIGGER IF EXISTS temp.") + kTrigger) &&
         db.Exec(std::string("DROP TABLE IF EXISTS ") + kRowsTable);
}

// Locks the records for the job without waiting (the storage's lock is
// held): a record another job holds answers SQL0913.
SqlError LockAll(Storage& storage, const ChangeTarget& t, const std::vector<int64_t>& rrns,
                 std::vector<int64_t>* locked, int64_t* blocked) {
  for (int64_t rrn : rrns) {
    if (!storage.recordLocks().Lock(t.file, rrn, t.job, std::chrono::milliseconds(0)).ok()) {
      *blocked = rrn;
      return {-913, "57033", t.table.substr(1, t.table.size() - 2)};
    }
    locked->push_back(rrn);
  }
  return SqlOk();
}

SqlError Change(Storage& storage, SqlConnection& db, const std::string& sqliteText,
                const ChangeTarget& t, int32_t* rows, std::vector<int64_t>* locked,
                int64_t* blocked) {
  const auto failed = [&db](const char* step) {
    return SqlSystemError((std::string(step) + ": " + db.LastFailure().message).substr(0, 70));
  };
  std::vector<int64_t> rrns;
  std::vector<std::string> images;
  const bool inserts = t.action == JournalAction::kInsert;
  if (!inserts) {
    const bool update = t.action == JournalAction::kUpdate;
    if (!Collect(db, t, update ? "BEFORE UPDATE" : "BEFORE DELETE", "OLD"))
      return failed("collect");
    if (SqlError e = StepLocked(db, sqliteText, rows); !e.ok()) return e;
    if (!Collected(db, &rrns)) return failed("collected");
    if (!db.Exec("ROLLBACK TO vt_sql_change")) return failed("dry run");  // also drops the trigger
    if (SqlError e = LockAll(storage, t, rrns, locked, blocked); !e.ok()) return e;
    for (size_t i = 0; t.commitmentControl && i < rrns.size(); ++i) {
      std::string image;
      if (!storage.journal().CaptureLocked(t.file, rrns[i], &image).ok()) return failed("capture");
      images.push_back(std::move(image));
    }
  }
  // The second run collects too: a statement whose rows depend on chance
  // (random(), the clock) must change the rows whose images were taken.
  if (!Collect(db, t,
               inserts                              ? "AFTER INSERT"
               : t.action == JournalAction::kUpdate ? "BEFORE UPDATE"
                                                    : "BEFORE DELETE",
               inserts ? "NEW" : "OLD")) {
    return failed("collect");
  }
  if (SqlError e = StepLocked(db, sqliteText, rows); !e.ok()) return e;
  if (inserts) {
    if (!Collected(db, &rrns)) return failed("collected");
    images.assign(rrns.size(), std::string());
    if (SqlError e = LockAll(storage, t, rrns, locked, blocked); !e.ok()) return e;
  } else {
    std::vector<int64_t> again;
    if (!Collected(db, &again)) return failed("collected");
    if (again != rrns) return SqlSystemError("NOT REPEATABLE");
  }
  if (!DropCollector(db)) return failed("drop");
  if (!t.commitmentControl) return SqlOk();
  for (size_t i = 0; i < rrns.size(); ++i) {
    if (!storage.journal().AppendLocked(t.job, t.file, rrns[i], t.action, images[i]).ok()) {
      return failed("append");
    }
  }
  return SqlOk();
}

}  // namespace

SqlError LockedChangeLocked(Storage& storage, SqlConnection& db, const std::string& sqliteText,
                            const ChangeTarget& target, int32_t* rows, int64_t* blocked) {
  *rows = 0;
  *blocked = 0;
  const bool inserts = target.action == JournalAction::kInsert;
  if (!target.commitmentControl &&
      (inserts || !storage.recordLocks().HeldByOther(target.file, target.job))) {
    return StepLocked(db, sqliteText, rows);
  }
  if (!db.Exec("SAVEPOINT vt_sql_change")) return SqlResourceBusy();
  std::vector<int64_t> locked;
  SqlError e = Change(storage, db, sqliteText, target, rows, &locked, blocked);
  if (!e.ok()) {
    *rows = 0;
    // Only a savepoint rolled back may be released: releasing one whose
    // rollback failed would commit the change made half-way.
    if (db.Exec("ROLLBACK TO vt_sql_change")) {
      db.Exec("RELEASE vt_sql_change");
    } else if (db.InTransaction()) {
      db.Exec("ROLLBACK");
    }
  } else if (!db.Exec("RELEASE vt_sql_change")) {
    // The change could not be committed.
    e = LastSqlError(db);
    if (e.ok()) e = SqlSystemError("commit");
    *rows = 0;
    if (db.InTransaction()) db.Exec("ROLLBACK");
  }
  // Under commitment control changed records stay locked until the job's
  // commit or rollback.
  for (int64_t rrn : locked) {
    if (e.ok() && target.commitmentControl) {
      storage.recordLocks().HoldForCommit(target.file, rrn, target.job);
    }
    storage.recordLocks().Unlock(target.file, rrn, target.job);
  }
  return e;
}

}  // namespace vantora::host::sql
