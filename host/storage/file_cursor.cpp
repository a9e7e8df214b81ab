// Access path cursors: planning each move as one SQL query along the path,
// record locks around locked reads, and journaled changes.
#include "host/storage/file_cursor.h"

#include <algorithm>

#include "host/storage/journal.h"
#include "host/storage/sqlite_db.h"

namespace vantora::host {

using detail::Comparison;
using detail::Relation;
using detail::StatementUse;

namespace {

Status Invalid(const std::string& why) {
  return Status::Error(StatusCode::kInvalidArgument, why);
}

uint64_t NullMask(std::span<const Value> values) {
  uint64_t mask = 0;
  for (size_t i = 0; i < values.size() && i < 64; ++i) {
    if (values[i].isNull()) mask |= uint64_t{1} << i;
  }
  return mask;
}

// CHAR values are stored without trailing blanks; comparisons pad anyway.
void BindField(sqlite3_stmt* s, int index, const FieldDef& f, const Value& v) {
  if (f.type == FieldType::kChar && v.kind() == Value::Kind::kText) {
    std::string_view t = v.text();
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    detail::BindText(s, index, t);
    return;
  }
  detail::BindValue(s, index, v);
}

}  // namespace

FileCursor::FileCursor(detail::Database& db, RecordLocks& locks, Journal& journal,
                       FileDescription file, FileDescription physical, const CursorOptions& options)
    : db_(db), locks_(locks), journal_(journal), file_(std::move(file)), options_(options) {
  physicalId_ = physical.id;
  BuildStatements(physical);
}

void FileCursor::BuildStatements(const FileDescription& physical) {
  const RecordFormat& f = format();
  if (!options_.arrivalOrder) keyFieldCount_ = f.key.size();
  std::string columns = "rowid";
  for (size_t i = 0; i < keyFieldCount_; ++i) {
    auto at = static_cast<size_t>(f.FieldIndex(f.key[i].field));
    keyInFormat_.push_back(at);
    path_.push_back(
        {QuoteIdentifier(f.key[i].field), f.key[i].descending, f.fields[at].nullCapable});
    columns += ", " + path_.back().expr;
  }
  path_.push_back({"rowid", false, false});
  std::string insertColumns = "rowid", insertValues = "?1", updates;
  for (size_t i = 0; i < f.fields.size(); ++i) {
    // Character, date and time fields live in TEXT columns (ColumnDefinition).
    FieldType type = f.fields[i].type;
    if (i < 64 && (IsCharacter(type) || IsDateTime(type))) textColumns_ |= uint64_t{1} << i;
    std::string name = QuoteIdentifier(f.fields[i].name), param = "?" + std::to_string(i + 2);
    columns += ", " + name;
    insertColumns += ", " + name;
    insertValues += ", " + param;
    updates += (i ? ", " : "") + name + " = " + param;
  }
  table_ = SqlTableName(physical.name);
  selectPath_ = "SELECT " + columns + " FROM " + table_;
  if (keyFieldCount_ > 0) selectPath_ += " INDEXED BY " + SqlIndexName(file_.name);
  selectByRrn_ = "SELECT " + columns + " FROM " + table_ + " WHERE rowid = ?2";
  insertSql_ = "INSERT INTO " + table_ + "(" + insertColumns + ") VALUES(" + insertValues + ")";
  updateSql_ = "UPDATE " + table_ + " SET " + updates + " WHERE rowid = ?1";
  deleteSql_ = "DELETE FROM " + table_ + " WHERE rowid = ?1";
}

FileCursor::~FileCursor() {
  ReleaseLock();
  std::lock_guard lock(db_.mutex);
  --db_.openCursors[file_.id];
  if (physicalId_ != file_.id) --db_.openCursors[physicalId_];
}

void FileCursor::DropAhead() {
  ahead_.rows.size = 0;
  ahead_.next = 0;
  ahead_.run = 0;
}

void FileCursor::ReleaseLock() {
  if (lockedRrn_ == 0) return;
  locks_.Unlock(physicalId_, lockedRrn_, options_.job);
  lockedRrn_ = 0;
}

void FileCursor::SavePlace(Place* out) const {
  out->where = static_cast<uint8_t>(where_);
  out->rrn = rrn_;
  out->key = key_;
}

void FileCursor::RestorePlace(const Place& place) {
  DropAhead();
  where_ = static_cast<Where>(place.where);
  rrn_ = place.rrn;
  key_ = place.key;
}

void FileCursor::PositionBeforeFirst() {
  ReleaseLock();
  DropAhead();
  where_ = Where::kBeforeFirst;
}

void FileCursor::PositionAfterLast() {
  ReleaseLock();
  DropAhead();
  where_ = Where::kAfterLast;
}

Status FileCursor::CheckSearchKey(const SearchKey& key) const {
  if (key.values.empty() || key.values.size() > keyFieldCount_) {
    return Invalid("search key has " + std::to_string(key.values.size()) + " values, the key " +
                   std::to_string(keyFieldCount_) + " fields");
  }
  for (size_t i = 0; i < key.values.size(); ++i) {
    const FieldDef& f = format().fields[keyInFormat_[i]];
    Status s = CheckValue(f, key.values[i]);
    if (!s.ok()) return s;
  }
  if (key.lastFieldBytes != 0) {
    const FieldDef& f = format().fields[keyInFormat_[key.values.size() - 1]];
    if (!IsCharacter(f.type) || key.lastFieldBytes < 0 || key.lastFieldBytes > f.length) {
      return Invalid("a partial field must be a character field cut within its length");
    }
  }
  return Status::Ok();
}

Status FileCursor::CheckRecord(const Record& record) const {
  const auto& fields = format().fields;
  if (record.size() != fields.size()) {
    return Invalid("record has " + std::to_string(record.size()) + " values, the format " +
                   std::to_string(fields.size()) + " fields");
  }
  for (size_t i = 0; i < fields.size(); ++i) {
    Status s = CheckValue(fields[i], record[i]);
    if (!s.ok()) return s;
  }
  return Status::Ok();
}

const std::string& FileCursor::SqlOf(const QueryShape& shape) const {
  for (const auto& [known, sql] : sqlOfShape_) {
    if (known == shape) return sql;
  }
  // Null patterns of keys can vary without end; the kept texts stay few.
  constexpr size_t kMostShapes = 32;
  if (sqlOfShape_.size() == kMostShapes) sqlOfShape_.clear();
  std::string sql = selectPath_ + " WHERE " + detail::ConditionSql(path_, shape.compared);
  if (shape.andSame) sql += " AND " + detail::ConditionSql(path_, shape.same);
  sql += " " + detail::OrderSql(path_, shape.forward) + " LIMIT ?1";
  sqlOfShape_.emplace_back(shape, std::move(sql));
  return sqlOfShape_.back().second;
}

void FileCursor::PlanAlong(const Comparison& compared, bool forward, Plan* plan,
                           const Comparison* same) const {
  QueryShape shape;
  shape.compared = compared;
  shape.forward = forward;
  if (same != nullptr) {
    shape.andSame = true;
    shape.same = *same;
  }
  plan->sql = SqlOf(shape);
  plan->notFound = forward ? StatusCode::kEndOfFile : StatusCode::kBeginningOfFile;
}

void FileCursor::PlanFromCurrent(Relation relation, size_t count, bool forward, Plan* plan,
                                 const Comparison* same) const {
  plan->params.assign(key_.begin(), key_.end());
  plan->params.push_back(Value::Integer(rrn_));
  Comparison c;
  c.relation = relation;
  c.count = count;
  c.nullMask = NullMask(plan->params);
  PlanAlong(c, forward, plan, same);
}

void FileCursor::PlanMove(ReadOp op, Plan* plan) const {
  const bool forward = op == ReadOp::kFirst || op == ReadOp::kNext;
  const bool fromEnd = op == ReadOp::kFirst || op == ReadOp::kLast ||
                       where_ == (forward ? Where::kBeforeFirst : Where::kAfterLast);
  if (fromEnd) {
    plan->params.clear();
    PlanAlong(Comparison{}, forward, plan);
  } else if (where_ != Where::kOnRecord) {
    plan->params.clear();
    plan->sql.clear();  // already past the end it moves towards
    plan->notFound = forward ? StatusCode::kEndOfFile : StatusCode::kBeginningOfFile;
  } else {
    PlanFromCurrent(forward ? Relation::kAfter : Relation::kBefore, keyFieldCount_ + 1, forward,
                    plan);
  }
}

Status FileCursor::PlanKeySearch(const ReadRequest& r, Plan* plan) const {
  if (!keyed()) return Invalid("the access path has no key");
  if (!r.key) return Invalid("key read without a search key");
  Status s = CheckSearchKey(*r.key);
  if (!s.ok()) return s;
  static constexpr Relation kRelations[] = {Relation::kEqual, Relation::kAfter,
                                            Relation::kAtOrAfter, Relation::kBefore,
                                            Relation::kAtOrBefore};
  Comparison c;
  c.relation = kRelations[static_cast<int>(r.op) - static_cast<int>(ReadOp::kKeyEqual)];
  c.count = r.key->values.size();
  c.prefixBytes = r.key->lastFieldBytes;
  c.nullMask = NullMask(r.key->values);
  const bool forward = r.op != ReadOp::kKeyLess && r.op != ReadOp::kKeyLessOrEqual;
  plan->params.assign(r.key->values.begin(), r.key->values.end());
  PlanAlong(c, forward, plan);
  if (c.prefixBytes > 0) {
    // The search value counts only as far as the cut, like the records'.
    Value& last = plan->params.back();
    auto cut = static_cast<size_t>(c.prefixBytes);
    if (last.text().size() > cut) last.SetText(std::string(last.text().substr(0, cut)));
  }
  if (r.op == ReadOp::kKeyEqual) plan->notFound = StatusCode::kRecordNotFound;
  return Status::Ok();
}

Status FileCursor::PlanSameKey(const ReadRequest& r, Plan* plan) const {
  if (!keyed()) return Invalid("the access path has no key");
  if (where_ != Where::kOnRecord) {
    return Status::Error(StatusCode::kNoCurrentRecord, "no current key to compare with");
  }
  if (r.keyFields < 0 || static_cast<size_t>(r.keyFields) > keyFieldCount_) {
    return Invalid("key field count out of range");
  }
  const size_t n = r.keyFields == 0 ? keyFieldCount_ : static_cast<size_t>(r.keyFields);
  const bool forward = r.op == ReadOp::kNextEqualKey || r.op == ReadOp::kNextDifferentKey;
  const Relation relation = forward ? Relation::kAfter : Relation::kBefore;
  if (r.op == ReadOp::kNextEqualKey || r.op == ReadOp::kPriorEqualKey) {
    Comparison same;
    same.count = n;
    same.nullMask = NullMask(key_);
    PlanFromCurrent(relation, keyFieldCount_ + 1, forward, plan, &same);
  } else {
    PlanFromCurrent(relation, n, forward, plan);
  }
  return Status::Ok();
}

Status FileCursor::PlanByNumber(const ReadRequest& r, Plan* plan) const {
  int64_t rrn = r.rrn;
  if (r.op == ReadOp::kCurrent) {
    if (where_ != Where::kOnRecord) {
      return Status::Error(StatusCode::kNoCurrentRecord, "no current record");
    }
    rrn = rrn_;
  }
  plan->sql = selectByRrn_;
  plan->params.assign(1, Value::Integer(rrn));
  plan->notFound = StatusCode::kRecordNotFound;
  plan->single = true;
  return Status::Ok();
}

Status FileCursor::PlanRead(const ReadRequest& r, Plan* plan) const {
  // The parameters are assigned over, not cleared first, so that the text
  // values among them keep their buffers too.
  plan->sql.clear();
  plan->notFound = StatusCode::kEndOfFile;
  plan->single = false;
  switch (r.op) {
    case ReadOp::kFirst:
    case ReadOp::kLast:
    case ReadOp::kNext:
    case ReadOp::kPrior:
      PlanMove(r.op, plan);
      return Status::Ok();
    case ReadOp::kKeyEqual:
    case ReadOp::kKeyGreater:
    case ReadOp::kKeyGreaterOrEqual:
    case ReadOp::kKeyLess:
    case ReadOp::kKeyLessOrEqual:
      return PlanKeySearch(r, plan);
    case ReadOp::kNextEqualKey:
    case ReadOp::kPriorEqualKey:
    case ReadOp::kNextDifferentKey:
    case ReadOp::kPriorDifferentKey:
      return PlanSameKey(r, plan);
    case ReadOp::kCurrent:
    case ReadOp::kRelativeRecord:
      return PlanByNumber(r, plan);
  }
  return Invalid("unknown read operation");
}

Status FileCursor::PrepareKept(const std::string& sql, sqlite3_stmt** out) {
  const uint64_t generation = db_.connection->generation();
  for (KeptStatement& k : kept_) {
    if (k.statement != nullptr && k.generation == generation && k.sql == sql) {
      *out = k.statement;
      return Status::Ok();
    }
  }
  Status s = db_.connection->Prepare(sql, out);
  if (!s.ok()) return s;
  KeptStatement& slot = kept_[nextKept_];
  nextKept_ = (nextKept_ + 1) % kKeptStatements;
  slot.sql = sql;
  slot.statement = *out;
  slot.generation = generation;
  return Status::Ok();
}

Status FileCursor::RunLocked(const Plan& plan, size_t limit, bool values, RecordBatch* out,
                             RowSink* sink) {
  auto notFound = [&] {
    if (plan.notFound == StatusCode::kEndOfFile) where_ = Where::kAfterLast;
    if (plan.notFound == StatusCode::kBeginningOfFile) where_ = Where::kBeforeFirst;
    return Status::Error(plan.notFound);
  };
  if (plan.sql.empty()) return notFound();
  sqlite3_stmt* q = nullptr;
  Status s = PrepareKept(plan.sql, &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  if (!plan.single) sqlite3_bind_int64(q, 1, static_cast<sqlite3_int64>(limit));
  for (size_t i = 0; i < plan.params.size(); ++i) {
    // Null values are tested with IS NULL in the SQL and have no parameter.
    if (!plan.params[i].isNull()) detail::BindValue(q, static_cast<int>(i + 2), plan.params[i]);
  }
  const size_t fieldCount = format().fields.size();
  const int firstField = static_cast<int>(keyFieldCount_) + 1;
  size_t read = 0;
  const Status stepped = detail::ForEachRow(*db_.connection, q, plan.sql, [&] {
    size_t at = out->size++;
    if (out->rrns.size() <= at) out->rrns.resize(at + 1);
    out->rrns[at] = sqlite3_column_int64(q, 0);
    if (values && sink != nullptr) {
      sink->Row(at, out->rrns[at], RowFields(q, firstField, fieldCount, textColumns_));
    } else if (values) {
      if (out->records.size() <= at) out->records.resize(at + 1);
      Record& r = out->records[at];
      r.resize(fieldCount);
      for (size_t i = 0; i < fieldCount; ++i) {
        detail::ColumnValue(q, firstField + static_cast<int>(i), &r[i]);
      }
    }
    key_.resize(keyFieldCount_);
    for (size_t i = 0; i < keyFieldCount_; ++i) {
      detail::ColumnValue(q, static_cast<int>(i + 1), &key_[i]);
    }
    rrn_ = out->rrns[at];
    where_ = Where::kOnRecord;
    ++read;
    return plan.single || read == limit ? detail::RowNext::kStop : detail::RowNext::kContinue;
  });
  // A step that fails after some rows leaves the batch with the rows read.
  if (read == 0) return stepped.ok() ? notFound() : stepped;
  return Status::Ok();
}

Status FileCursor::Read(const ReadRequest& request, Record* record, int64_t* rrn) {
  if (request.lock && !request.positionOnly) return ReadWithLock(request, record, rrn);
  ReleaseLock();
  if ((request.op == ReadOp::kNext || request.op == ReadOp::kPrior) && record &&
      !request.positionOnly) {
    std::lock_guard lock(db_.mutex);
    return ReadSequentialLocked(request, record, rrn);
  }
  DropAhead();
  // The batch and the plan are members, so that their buffers (and the
  // caller's record, swapped in and out) are reused from read to read.
  RecordBatch& one = single_;
  one.size = 0;
  bool values = record && !request.positionOnly;
  if (values) {
    one.records.resize(1);
    std::swap(one.records[0], *record);
  }
  Status s;
  {
    std::lock_guard lock(db_.mutex);
    s = PlanRead(request, &plan_);
    if (s.ok()) s = RunLocked(plan_, 1, values, &one);
  }
  if (values) std::swap(*record, one.records[0]);
  if (s.ok() && rrn) *rrn = one.rrns[0];
  return s;
}

Status FileCursor::ReadSequentialLocked(const ReadRequest& request, Record* record, int64_t* rrn) {
  const bool forward = request.op == ReadOp::kNext;
  const uint64_t epoch = detail::DataEpochLocked(db_);
  if (ahead_.forward != forward) ahead_.run = 0;
  if (ahead_.next < ahead_.rows.size && ahead_.forward == forward && ahead_.epoch == epoch) {
    ++ahead_.run;
    ++ahead_.hits;
    TakeAhead(ahead_.next++, record, rrn);
    return Status::Ok();
  }
  // Records read ahead and then changed were wasted: start the run again.
  if (ahead_.next < ahead_.rows.size && ahead_.epoch != epoch) ahead_.run = 0;
  constexpr int kMostAhead = 64;
  const size_t limit = static_cast<size_t>(std::min(kMostAhead, 1 << std::min(ahead_.run, 6)));
  ahead_.rows.size = 0;
  ahead_.next = 0;
  ahead_.forward = forward;
  ahead_.epoch = epoch;
  Status s = PlanRead(request, &plan_);
  if (s.ok()) s = RunLocked(plan_, limit, true, &ahead_.rows);
  if (!s.ok()) {
    // A step that failed after some rows leaves them unread.
    DropAhead();
    return s;
  }
  ++ahead_.run;
  TakeAhead(ahead_.next++, record, rrn);
  return Status::Ok();
}

void FileCursor::TakeAhead(size_t at, Record* record, int64_t* rrn) {
  const Record& row = ahead_.rows.records[at];
  where_ = Where::kOnRecord;
  rrn_ = ahead_.rows.rrns[at];
  key_.resize(keyFieldCount_);
  for (size_t i = 0; i < keyFieldCount_; ++i) key_[i] = row[keyInFormat_[i]];
  *record = row;
  if (rrn) *rrn = rrn_;
}

Status FileCursor::ReadWithLock(const ReadRequest& request, Record* record, int64_t* rrn) {
  DropAhead();
  // The record is found, then locked outside the storage's lock (the wait
  // may be long), then read again: it may have changed or gone meanwhile.
  for (int attempt = 0; attempt < 16; ++attempt) {
    Where savedWhere = where_;
    int64_t savedRrn = rrn_;
    Record savedKey = key_;
    RecordBatch one;
    {
      std::lock_guard lock(db_.mutex);
      Plan plan;
      Status s = PlanRead(request, &plan);
      if (s.ok()) s = RunLocked(plan, 1, false, &one);
      if (!s.ok()) {
        ReleaseLock();
        return s;
      }
    }
    int64_t found = one.rrns[0];
    if (found != lockedRrn_) {
      ReleaseLock();
      Status s = locks_.Lock(physicalId_, found, options_.job, options_.lockWait);
      if (!s.ok()) {
        where_ = savedWhere;
        rrn_ = savedRrn;
        key_ = std::move(savedKey);
        return s;
      }
      lockedRrn_ = found;
    }
    one.size = 0;
    if (record) one.records.push_back(std::move(*record));
    Status s;
    {
      std::lock_guard lock(db_.mutex);
      Plan byRrn{selectByRrn_, {Value::Integer(found)}, StatusCode::kRecordNotFound, true};
      s = RunLocked(byRrn, 1, record != nullptr, &one);
    }
    if (record) *record = std::move(one.records[0]);
    if (s.ok()) {
      if (rrn) *rrn = found;
      return s;
    }
    if (s.code() != StatusCode::kRecordNotFound) return s;
    // Deleted while this job waited: search again from where it stood.
    ReleaseLock();
    where_ = savedWhere;
    rrn_ = savedRrn;
    key_ = std::move(savedKey);
  }
  return Status::Error(StatusCode::kRecordInUse, "the record kept changing while locked");
}

Status FileCursor::ReadBlock(const ReadRequest& request, size_t count, RecordBatch* out) {
  return ReadBlockTo(request, count, nullptr, out);
}

Status FileCursor::ReadBlock(const ReadRequest& request, size_t count, RowSink& sink,
                             RecordBatch* out) {
  return ReadBlockTo(request, count, &sink, out);
}

Status FileCursor::ReadBlockTo(const ReadRequest& request, size_t count, RowSink* sink,
                               RecordBatch* out) {
  out->size = 0;
  if (request.lock && !request.positionOnly) return Invalid("blocked reads do not lock");
  if (count == 0) return Invalid("blocked read of no records");
  ReleaseLock();
  DropAhead();
  bool values = !request.positionOnly;
  std::lock_guard lock(db_.mutex);
  Plan& plan = plan_;
  Status s = PlanRead(request, &plan);
  if (!s.ok()) return s;
  bool repeat = plan.single || request.op == ReadOp::kNextDifferentKey ||
                request.op == ReadOp::kPriorDifferentKey;
  s = RunLocked(plan, repeat ? 1 : count, values, out, sink);
  if (!s.ok() || !repeat) return s;
  ReadRequest next = request;
  if (plan.single) next = ReadRequest{};  // kNext
  while (out->size < count) {
    Where savedWhere = where_;
    int64_t savedRrn = rrn_;
    Record savedKey = key_;
    s = PlanRead(next, &plan);
    if (s.ok()) s = RunLocked(plan, 1, values, out, sink);
    if (!s.ok()) {
      // The block ends at the last record read; the cursor stays there.
      where_ = savedWhere;
      rrn_ = savedRrn;
      key_ = std::move(savedKey);
      break;
    }
  }
  return Status::Ok();
}

Status FileCursor::LockCurrent() {
  if (where_ != Where::kOnRecord) return Status::Error(StatusCode::kNoCurrentRecord);
  if (lockedRrn_ == rrn_) return Status::Ok();
  ReleaseLock();
  Status s = locks_.Lock(physicalId_, rrn_, options_.job, options_.lockWait);
  if (s.ok()) lockedRrn_ = rrn_;
  return s;
}

void FileCursor::AfterChange() {
  if (options_.commitmentControl) locks_.HoldForCommit(physicalId_, lockedRrn_, options_.job);
  ReleaseLock();
}

Status FileCursor::Update(const Record& record) {
  DropAhead();
  Status s = CheckRecord(record);
  if (s.ok()) s = LockCurrent();
  if (!s.ok()) return s;
  {
    std::lock_guard lock(db_.mutex);
    s = ChangeCurrentLocked(JournalAction::kUpdate, [&](detail::Connection& c) {
      sqlite3_stmt* q = nullptr;
      Status p = c.Prepare(updateSql_, &q);
      if (!p.ok()) return p;
      StatementUse use(q);
      detail::BindAll(q, 1, rrn_);
      for (size_t i = 0; i < record.size(); ++i) {
        BindField(q, static_cast<int>(i + 2), format().fields[i], record[i]);
      }
      return detail::StepDone(c, q, updateSql_);
    });
    if (!s.ok()) return s;
    for (size_t i = 0; i < keyFieldCount_; ++i) key_[i] = record[keyInFormat_[i]];
  }
  AfterChange();
  return Status::Ok();
}

Status FileCursor::Delete() {
  DropAhead();
  Status s = LockCurrent();
  if (!s.ok()) return s;
  {
    std::lock_guard lock(db_.mutex);
    s = ChangeCurrentLocked(JournalAction::kDelete, [&](detail::Connection& c) {
      return detail::Run(c, deleteSql_, rrn_);
    });
    if (!s.ok()) return s;
  }
  AfterChange();
  return Status::Ok();
}

Status FileCursor::ChangeCurrentLocked(JournalAction action,
                                       const std::function<Status(detail::Connection&)>& change) {
  detail::Connection& c = *db_.connection;
  detail::Savepoint tx(c);
  if (!tx.begun().ok()) return tx.begun();
  std::string image;
  if (options_.commitmentControl) {
    Status s = journal_.CaptureLocked(physicalId_, rrn_, &image);
    if (!s.ok()) return s;
  }
  Status s = change(c);
  if (!s.ok()) return s;
  if (sqlite3_changes(c.handle()) == 0) {
    return Status::Error(StatusCode::kRecordNotFound, "record " + std::to_string(rrn_));
  }
  if (options_.commitmentControl) {
    s = journal_.AppendLocked(options_.job, physicalId_, rrn_, action, image);
    if (!s.ok()) return s;
  }
  return tx.Commit();
}

Status FileCursor::InsertLocked(int64_t rrn, const Record& record) {
  detail::Connection& c = *db_.connection;
  sqlite3_stmt* q = nullptr;
  Status s = c.Prepare(insertSql_, &q);
  if (!s.ok()) return s;
  {
    StatementUse use(q);
    detail::BindAll(q, 1, rrn);
    for (size_t i = 0; i < record.size(); ++i) {
      BindField(q, static_cast<int>(i + 2), format().fields[i], record[i]);
    }
    s = detail::StepDone(c, q, insertSql_);
  }
  if (s.ok() && options_.commitmentControl) {
    s = journal_.AppendLocked(options_.job, physicalId_, rrn, JournalAction::kInsert, {});
    // A new record cannot be held by another job: waiting is never needed.
    if (s.ok()) s = locks_.Lock(physicalId_, rrn, options_.job, std::chrono::milliseconds(0));
    if (s.ok()) {
      locks_.HoldForCommit(physicalId_, rrn, options_.job);
      locks_.Unlock(physicalId_, rrn, options_.job);
    }
  }
  return s;
}

Status FileCursor::Insert(std::span<const Record> records, std::vector<int64_t>* rrns) {
  std::lock_guard lock(db_.mutex);
  detail::Connection& c = *db_.connection;
  detail::Savepoint tx(c);
  if (!tx.begun().ok()) return tx.begun();
  // Numbers continue after the highest ever given, so that a deleted last
  // record's number is not given again.
  sqlite3_stmt* q = nullptr;
  std::string highSql = "SELECT max(coalesce((SELECT max(rowid) FROM " + table_ +
                        "), 0), (SELECT rrn_high FROM vt_files WHERE id = ?1))";
  Status s = c.Prepare(highSql, &q);
  if (!s.ok()) return s;
  int64_t next = 0;
  {
    StatementUse use(q);
    detail::BindAll(q, 1, physicalId_);
    const int rc = sqlite3_step(q);
    if (rc != SQLITE_ROW) return c.ErrorStatus(rc, highSql);
    next = sqlite3_column_int64(q, 0) + 1;
  }
  Status failed;
  int64_t written = 0;
  for (const Record& record : records) {
    failed = CheckRecord(record);
    if (failed.ok()) failed = InsertLocked(next, record);
    if (!failed.ok()) break;
    if (rrns) rrns->push_back(next);
    ++written;
    ++next;
  }
  bool recordRefused = failed.code() == StatusCode::kDuplicateKey ||
                       failed.code() == StatusCode::kDataMapping ||
                       failed.code() == StatusCode::kInvalidArgument;
  if (!failed.ok() && !recordRefused) {
    // Something failed half-way through a record: keep none of the block.
    if (rrns) rrns->clear();
    return failed;
  }
  if (written > 0) {
    s = detail::Run(c, "UPDATE vt_files SET rrn_high = max(rrn_high, ?2) WHERE id = ?1",
                    physicalId_, next - 1);
    if (s.ok()) s = tx.Commit();
    if (!s.ok()) return s;
  }
  return failed;
}

Status FileCursor::Insert(const Record& record, int64_t* rrn) {
  std::vector<int64_t> rrns;
  Status s = Insert(std::span<const Record>(&record, 1), &rrns);
  if (s.ok() && rrn) *rrn = rrns[0];
  return s;
}

Status FileCursor::InsertAt(int64_t rrn, const Record& record) {
  if (rrn < 1) return Invalid("relative record numbers start at 1");
  Status s = CheckRecord(record);
  if (!s.ok()) return s;
  std::lock_guard lock(db_.mutex);
  detail::Connection& c = *db_.connection;
  detail::Savepoint tx(c);
  if (!tx.begun().ok()) return tx.begun();
  sqlite3_stmt* q = nullptr;
  std::string existsSql = "SELECT 1 FROM " + table_ + " WHERE rowid = ?1";
  s = c.Prepare(existsSql, &q);
  if (!s.ok()) return s;
  {
    StatementUse use(q);
    detail::BindAll(q, 1, rrn);
    const int rc = sqlite3_step(q);
    if (rc == SQLITE_ROW) {
      return Status::Error(StatusCode::kRecordExists, "record " + std::to_string(rrn));
    }
    if (rc != SQLITE_DONE) return c.ErrorStatus(rc, existsSql);
  }
  s = InsertLocked(rrn, record);
  if (s.ok()) {
    s = detail::Run(c, "UPDATE vt_files SET rrn_high = max(rrn_high, ?2) WHERE id = ?1",
                    physicalId_, rrn);
  }
  return s.ok() ? tx.Commit() : s;
}

Status FileCursor::RecordCount(int64_t* count) {
  std::lock_guard lock(db_.mutex);
  sqlite3_stmt* q = nullptr;
  std::string sql = "SELECT count(*) FROM " + table_;
  Status s = db_.connection->Prepare(sql, &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  int rc = sqlite3_step(q);
  if (rc != SQLITE_ROW) return db_.connection->ErrorStatus(rc, sql);
  *count = sqlite3_column_int64(q, 0);
  return Status::Ok();
}

}  // namespace vantora::host
