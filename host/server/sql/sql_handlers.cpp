// The SQL requests of a job.
//
//   VNXSqlBegin() -> 1: starts the job's SQL work area afresh.
//   VNXSqlEnd() -> 1: ends it.
//   VNXSqlSqlca(buffer, length) -> 1: the 136-byte communication area of the
//     job's last statement (sqlca.cpp), cut to `length`.
//   VNXSqlImmediate(statement, length) -> 0, or -1 on an SQL error: runs
//     INSERT, UPDATE, DELETE, COMMIT/ROLLBACK [HOLD], SET TRANSACTION, or
//     a definition (CREATE TABLE / INDEX, DROP TABLE / INDEX,
//     sql_definition.h).
//     A SELECT answers SQL0084 (it needs a cursor).
//   VNXSqlDeclare(statement, length) -> the statement number (1 up), or -1:
//     a SELECT or VALUES; names are resolved and the text checked at once.
//     Declaring the text of a closed statement again answers its number.
//   VNXSqlOpen(cursor) -> the result's handle (0 up), or -1: runs the
//     statement; its rows wait for the fetches. The handle describes the
//     result with VNXGetDesc (sql_result_file.h); VNXSqlClose closes it.
//     An open cursor answers SQL0502, an unknown one SQL0514.
//   VNXSqlFetch(cursor, buffer, length) -> 1 with the next row in the
//     buffer (its PC form, sql_cursor.h, cut to `length`), 0 after the last
//     row (SQLCODE 100); a cursor not open answers SQL0501.
//   VNXSqlEFetch(cursor, buffer, rowLength, rowCount, operation) -> the
//     rows delivered (0 with SQLCODE 100 when none), each in rowLength bytes
//     (cut or blank-padded). The operation's low byte is the move: 0 next
//     (up to rowCount rows), 1 prior (up to rowCount rows, backwards), 2
//     first (up to rowCount rows), 3 last, 4 current, 5 relative by
//     operation >> 8 (one row each). The cursor rests on the last row
//     delivered; a move past either end leaves it before the first or after
//     the last row. Other moves, or lengths below 1, answer 3014/CPF9898.
//   VNXSqlClose(cursor) -> 1, or -1 (SQL0501): forgets the rows; the
//     statement stays declared and can be opened again.
//   VNXSetTypeKey(cursor, units, area, count) -> 1, or -1: binds the
//     parameter area (sql_parameters.h; `units` tens of bytes long) as the
//     values of the statement's '?' markers at its next opens.
//   VNXSqlCommit(option) -> 1, or -1: option 0 commits, 1 rolls back the
//     job's work (the cursors stay open, as with HOLD); others answer -1
//     with status 3014 and CPF9898.
//
// An SQL error answers -1 with status 3101 and the message identifier
// SQLnnnn (the SQLCODE's absolute value); the communication area then
// holds the SQLCODE, SQLSTATE and replacement text. SQLCODE 100 (no row)
// is not an error: VNXSqlImmediate answers 0, the fetches 0.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>
#include <thread>

#include "host/server/files/date_time_text.h"
#include "host/server/session/handlers.h"
#include "host/server/session/host.h"
#include "host/server/session/host_status.h"
#include "host/server/session/job.h"
#include "host/server/session/job_services.h"
#include "host/server/sql/sql_cursor.h"
#include "host/server/sql/sql_definition.h"
#include "host/server/sql/sql_parameters.h"
#include "host/server/sql/sql_result_file.h"
#include "host/server/sql/sql_statement.h"
#include "host/server/sql/sql_storage_forms.h"
#include "host/server/sql/sql_tokens.h"
#include "host/server/sql/sql_translator.h"
#include "host/server/sql/sql_work_area.h"
#include "host/server/sql/sqlca.h"
#include "protocol/host_message_ids.h"
#include "protocol/record_options.h"

namespace vantora::host {
namespace {

// Keeps `e` as the job's last outcome and answers it.
void Answer(RequestContext& c, sql::SqlWorkArea& area, const sql::SqlError& e, int32_t rows) {
  area.last = e;
  area.rows = rows;
  if (e.ok()) return;
  char id[16];
  std::snprintf(id, sizeof id, "SQL%04d", std::min(9999, -e.code));
  c.result = -1;
  c.status = kStatusOther;
  c.messageId = id;
}

// Finds files in the library named or through the job's library list;
// `described`, when given, receives the description of each file found, in
// the order the translator asks.
sql::FileResolver ResolverOf(RequestContext& c, std::vector<FileDescription>* described = nullptr) {
  return [&c, described](const std::string& library, const std::string& file, ObjectName* found) {
    Catalogue& catalogue = c.host.storage().catalogue();
    if (library.empty()) {
      if (!catalogue.ResolveFile(c.job.SearchList(), file, found).ok()) return false;
    } else {
      *found = {library, file};
    }
    FileDescription description;
    if (!catalogue.DescribeFile(*found, &description).ok()) return false;
    if (described != nullptr) described->push_back(std::move(description));
    return true;
  };
}

// Translates `text` for SQLite, fields in their stored forms
// (sql_storage_forms.h); a change through a logical file of one format
// changes its physical file. `files` receives the descriptions of
// t->files, in their order.
sql::SqlError TranslateStatement(RequestContext& c, std::string_view text, sql::Translation* t,
                                 std::vector<FileDescription>* files) {
  files->clear();
  if (sql::SqlError e = sql::Translate(text, ResolverOf(c, files), t); !e.ok()) return e;
  if (t->kind != sql::StatementKind::kQuery && !files->empty()) {
    const FileDescription& target = files->front();
    if (target.kind == FileKind::kLogical && !target.join && target.formats.size() == 1 &&
        target.basedOn.size() == 1) {
      std::vector<std::string> fields;
      for (const auto& f : target.formats.front().fields) fields.push_back(f.name);
      const ObjectName logical = target.name;
      const ObjectName physical = target.basedOn.front();
      if (sql::SqlError e = sql::RetargetToPhysical(logical, physical, fields, t); !e.ok()) {
        return e;
      }
      for (size_t i = 0; i < files->size(); ++i) {
        if (t->files[i].library == physical.library && t->files[i].name == physical.name &&
            !c.host.storage().catalogue().DescribeFile(physical, &(*files)[i]).ok()) {
          return sql::SqlNotFound(physical.name);
        }
      }
    }
  }
  return sql::ApplyStorageForms(*files, StyleOf(c.job.dateTime()), t);
}

sql::SqlError EndUnit(RequestContext& c, bool commit) {
  Storage& storage = c.host.storage();
  Status s = commit ? storage.Commit(c.job.id()) : storage.Rollback(c.job.id());
  return sql::FromStatus(s);
}

// Closes the result handle of `cursor` when it is still the cursor's (the
// client may have closed it with Rclose and the number been reused).
void CloseResult(RequestContext& c, sql::SqlCursor& cursor) {
  if (cursor.handle >= 0) {
    auto* file = dynamic_cast<sql::SqlResultFile*>(c.job.File(cursor.handle));
    if (file != nullptr && file->owns(*cursor.result)) c.job.CloseFile(cursor.handle);
  }
  cursor.handle = -1;
  cursor.result.reset();
}

void CloseResults(RequestContext& c) {
  for (auto& [number, cursor] : sql::WorkAreaOf(c.job).cursors) {
    if (cursor.result != nullptr) CloseResult(c, cursor);
  }
}

void Begin(RequestContext& c) {
  CloseResults(c);
  sql::BeginWorkArea(c.job);
}

void End(RequestContext& c) {
  CloseResults(c);
  sql::EndWorkArea(c.job);
}

void Sqlca(RequestContext& c) {
  sql::SqlWorkArea& area = sql::WorkAreaOf(c.job);
  const auto bytes = sql::BuildSqlca(area.last, area.rows);
  const int32_t asked = std::max(0, c.request.Value(1));
  c.reply.SetOutput(0, std::span<const uint8_t>(bytes).first(
                           std::min<size_t>(bytes.size(), static_cast<size_t>(asked))));
}

// The statement of a request: input parameter `param`, its length value
// the next parameter.
std::string_view StatementText(RequestContext& c, int param = 0) {
  std::span<const uint8_t> input = c.request.Input(param);
  const int32_t length = c.request.Value(param + 1);
  if (length >= 0 && static_cast<size_t>(length) < input.size()) input = input.first(length);
  return {reinterpret_cast<const char*>(input.data()), input.size()};
}

// Runs `sqliteText`, the change `t` translates to (`files` the
// descriptions of its files): a change of a physical file waits for records
// other jobs hold (the job's record wait) and is journaled when the job is
// under commitment control (unless WITH NC).
sql::SqlError RunChangeOf(RequestContext& c, const sql::Translation& t,
                          const std::vector<FileDescription>& files, const std::string& sqliteText,
                          int32_t* rows) {
  std::optional<sql::ChangeTarget> target;
  if (!files.empty() && files.front().kind == FileKind::kPhysical) {
    const FileDescription& file = files.front();
    target = sql::ChangeTarget{c.job.id(), file.id, SqlTableName(file.name),
                               t.kind == sql::StatementKind::kInsert   ? JournalAction::kInsert
                               : t.kind == sql::StatementKind::kUpdate ? JournalAction::kUpdate
                                                                       : JournalAction::kDelete,
                               c.job.commitmentControl() && t.isolation != "NC"};
  }
  return sql::RunChange(c.host.storage(), sqliteText, target, c.job.recordWait(), rows);
}

// The statement's text in the system naming the host resolves (the job may
// write SQL naming, sql_naming.h).
sql::SqlError HostText(RequestContext& c, const sql::SqlWorkArea& area, std::string* text) {
  if (area.naming == sql::Naming::kSystem) {
    *text = std::string(StatementText(c));
    return sql::SqlOk();
  }
  return sql::SqlToSystemNaming(StatementText(c), text);
}

void Immediate(RequestContext& c) {
  sql::SqlWorkArea& area = sql::WorkAreaOf(c.job);
  sql::Naming naming;
  sql::SqlError optionError;
  if (sql::IsSetNaming(StatementText(c), &naming, &optionError)) {
    if (optionError.ok()) area.naming = naming;
    return Answer(c, area, optionError, 0);
  }
  std::string text;
  if (sql::SqlError e = HostText(c, area, &text); !e.ok()) return Answer(c, area, e, 0);
  if (sql::IsDefinition(text)) {
    return Answer(c, area,
                  sql::RunDefinition(c.host.storage().catalogue(), text, c.job.currentLibrary(),
                                     ResolverOf(c)),
                  0);
  }
  sql::Translation t;
  std::vector<FileDescription> files;
  if (sql::SqlError e = TranslateStatement(c, text, &t, &files); !e.ok()) {
    return Answer(c, area, e, 0);
  }
  switch (t.kind) {
    case sql::StatementKind::kQuery:
      return Answer(c, area, sql::SqlNotAllowed("SELECT"), 0);
    case sql::StatementKind::kCommit:
    case sql::StatementKind::kRollback:
      return Answer(c, area, EndUnit(c, t.kind == sql::StatementKind::kCommit), 0);
    case sql::StatementKind::kSetTransaction:
      area.isolation = t.isolation;
      return Answer(c, area, sql::SqlOk(), 0);
    case sql::StatementKind::kInsert:
    case sql::StatementKind::kUpdate:
    case sql::StatementKind::kDelete:
      break;
  }
  int32_t rows = 0;
  const sql::SqlError e = RunChangeOf(c, t, files, t.sql, &rows);
  Answer(c, area, e, rows);
}

// An immediate statement answers 0 when it ran (unlike the other requests,
// whose success is 1), so that callers can test it against zero.
void ImmediateRequest(RequestContext& c) {
  Immediate(c);
  if (c.result == 1) c.result = 0;
}

// A job may declare this many statements.
constexpr size_t kMaxStatements = 1024;

void Declare(RequestContext& c) {
  sql::SqlWorkArea& area = sql::WorkAreaOf(c.job);
  sql::Translation t;
  std::vector<FileDescription> files;
  std::string text;
  if (sql::SqlError e = HostText(c, area, &text); !e.ok()) return Answer(c, area, e, 0);
  if (sql::SqlError e = TranslateStatement(c, text, &t, &files); !e.ok()) {
    return Answer(c, area, e, 0);
  }
  if (t.kind != sql::StatementKind::kQuery)
    return Answer(c, area, sql::SqlNotAllowed("DECLARE"), 0);
  for (auto& [number, cursor] : area.cursors) {
    if (cursor.result == nullptr && cursor.sql == t.sql && cursor.rowSql == t.rowSql &&
        cursor.isolation == t.isolation) {
      Answer(c, area, sql::SqlOk(), 0);
      c.result = number;
      return;
    }
  }
  if (area.cursors.size() >= kMaxStatements) {
    return Answer(c, area, {-904, "57011", "STATEMENTS"}, 0);
  }
  if (sql::SqlError e = sql::CheckQuery(c.host.storage(), t.sql); !e.ok()) {
    return Answer(c, area, e, 0);
  }
  const int32_t number = FreeNumber(area.cursors);
  sql::SqlCursor& cursor = area.cursors[number];
  cursor.sql = t.sql;
  cursor.files = t.files;
  cursor.isolation = t.isolation;
  cursor.rowSql = t.rowSql;
  cursor.updatable = t.updatable && files.front().kind == FileKind::kPhysical;
  Answer(c, area, sql::SqlOk(), 0);
  c.result = number;
}

sql::SqlCursor* CursorParam(RequestContext& c, sql::SqlWorkArea& area) {
  auto it = area.cursors.find(c.request.Value(0));
  if (it == area.cursors.end()) {
    Answer(c, area, {-514, "26501", std::to_string(c.request.Value(0))}, 0);
    return nullptr;
  }
  return &it->second;
}

// Whether the job's reads leave out other jobs' uncommitted changes: under
// commitment control at cursor stability or above (SET TRANSACTION's
// level or the query's WITH, else STRCMTCTL's: *CS and *ALL do, *CHG
// reads uncommitted).
// Without commitment control (NC) reads see them.
bool ReadsCommittedOnly(RequestContext& c, const sql::SqlWorkArea& area,
                        const sql::SqlCursor& cursor) {
  if (!c.job.commitmentControl()) return false;
  const std::string& level = !cursor.isolation.empty() ? cursor.isolation : area.isolation;
  if (level.empty()) return c.job.lockLevel() == "*CS" || c.job.lockLevel() == "*ALL";
  return level == "CS" || level == "RS" || level == "RR" || level == "ALL";
}

// Runs the query of `cursor` (its rows with their record numbers when they
// can change). At cursor stability a file with another job's uncommitted
// change is waited for, up to the job's record wait, then SQL0913. With
// `row` only the row with that record number is read again, at once.
sql::SqlError RunCursorQuery(RequestContext& c, const sql::SqlCursor& cursor,
                             sql::CursorResult* result, int64_t row = 0) {
  Catalogue& catalogue = c.host.storage().catalogue();
  sql::Query query;
  query.sql = cursor.updatable ? cursor.rowSql : cursor.sql;
  if (row != 0) {
    query.sql = "SELECT * FROM (" + cursor.rowSql + ") WHERE \"" +
                std::string(sql::kRecordNumberColumn) + "\" = " + std::to_string(row);
  }
  query.parameters = cursor.parameters;
  query.options.style = StyleOf(c.job.dateTime());
  query.options.nullMap = true;  // delivered when a fetch asks for it
  query.recordNumbers = cursor.updatable;
  query.job = c.job.id();
  const bool committedOnly = row == 0 && ReadsCommittedOnly(c, sql::WorkAreaOf(c.job), cursor);
  for (const auto& name : cursor.files) {
    FileDescription d;
    if (!catalogue.DescribeFile(name, &d).ok()) continue;
    if (committedOnly && d.kind == FileKind::kPhysical) query.committedOnly.push_back(d.id);
    for (const auto& based : committedOnly ? d.basedOn : std::vector<ObjectName>{}) {
      FileDescription physical;
      if (catalogue.DescribeFile(based, &physical).ok()) query.committedOnly.push_back(physical.id);
    }
    query.files.push_back(std::move(d));
  }
  const auto deadline = std::chrono::steady_clock::now() + c.job.recordWait();
  for (;;) {
    sql::BlockedRecord blocked;
    sql::SqlError e = sql::RunQuery(c.host.storage(), query, result, &blocked);
    if (blocked.file == 0) return e;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    RecordLocks& locks = c.host.storage().recordLocks();
    if (left.count() <= 0) return e;
    if (locks.Holder(blocked.file, blocked.rrn) == 0) {
      // Committed meanwhile, or its job ended: look again shortly.
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    if (!locks.Lock(blocked.file, blocked.rrn, c.job.id(), left).ok()) return e;
    locks.Unlock(blocked.file, blocked.rrn, c.job.id());
  }
}

void Open(RequestContext& c) {
  sql::SqlWorkArea& area = sql::WorkAreaOf(c.job);
  sql::SqlCursor* cursor = CursorParam(c, area);
  if (cursor == nullptr) return;
  if (cursor->result != nullptr) return Answer(c, area, {-502, "24502", ""}, 0);
  auto result = std::make_shared<sql::CursorResult>();
  sql::SqlError e = RunCursorQuery(c, *cursor, result.get());
  if (!e.ok()) return Answer(c, area, e, 0);
  cursor->result = std::move(result);
  cursor->handle = c.job.AddFile(std::make_unique<sql::SqlResultFile>(cursor->result));
  Answer(c, area, e, 0);
  c.result = cursor->handle;
}

void Fetch(RequestContext& c) {
  sql::SqlWorkArea& area = sql::WorkAreaOf(c.job);
  sql::SqlCursor* cursor = CursorParam(c, area);
  if (cursor == nullptr) return;
  if (cursor->result == nullptr) return Answer(c, area, {-501, "24501", ""}, 0);
  sql::CursorResult& r = *cursor->result;
  if (r.next >= r.size()) {
    Answer(c, area, sql::SqlNoRow(), 0);
    c.result = 0;
    return;
  }
  std::span<const uint8_t> image(r.row(r.next), r.dataLength());
  ++r.next;
  r.gap = false;
  const int32_t asked = std::max(0, c.request.Value(2));
  c.reply.SetOutput(1, image.first(std::min(image.size(), static_cast<size_t>(asked))));
  Answer(c, area, sql::SqlOk(), 0);
}

using wire::kFetchCurrent, wire::kFetchFirst, wire::kFetchLast, wire::kFetchNext, wire::kFetchPrior,
    wire::kFetchRelative, wire::kFetchWithNullMap;

void ExtendedFetch(RequestContext& c) {
  sql::SqlWorkArea& area = sql::WorkAreaOf(c.job);
  sql::SqlCursor* cursor = CursorParam(c, area);
  if (cursor == nullptr) return;
  if (cursor->result == nullptr) return Answer(c, area, {-501, "24501", ""}, 0);
  const int32_t rowLength = c.request.Value(2);
  const int32_t rowCount = c.request.Value(3);
  const int32_t asked = c.request.Value(4);
  const bool withNullMap = (asked & kFetchWithNullMap) != 0;
  const int32_t operation = asked & ~kFetchWithNullMap;
  if (rowLength <= 0 || rowCount <= 0 || (operation & 0xFF) > kFetchRelative) {
    return c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
  }
  sql::CursorResult& r = *cursor->result;
  const auto size = static_cast<int64_t>(r.size());
  // The current row; -1 before the first. After a positioned delete the
  // cursor stands between rows: next and relative moves forward count from
  // the row before the gap, prior and relative moves back from the row after it.
  int64_t at = static_cast<int64_t>(r.next) - 1;
  const int move = operation & 0xFF;
  if (r.gap && (move == kFetchPrior || (move == kFetchRelative && (operation >> 8) < 0))) ++at;
  if (r.gap && move == kFetchCurrent) {
    Answer(c, area, {-508, "24504", ""}, 0);
    return;
  }
  int step = 1;
  int64_t start = 0;
  switch (operation & 0xFF) {
    case kFetchNext:
      start = at + 1;
      break;
    case kFetchPrior:
      start = at - 1;
      step = -1;
      break;
    case kFetchFirst:
      start = 0;
      break;
    case kFetchLast:
      start = size - 1;
      step = -1;
      break;
    case kFetchCurrent:
      start = at;
      break;
    default:
      start = at + (operation >> 8);
      break;
  }
  // A move beyond either end leaves the cursor there.
  const int64_t wanted = (operation & 0xFF) == kFetchLast || (operation & 0xFF) == kFetchCurrent ||
                                 (operation & 0xFF) == kFetchRelative
                             ? 1
                             : rowCount;
  const int64_t room = std::min<int64_t>(wanted, c.request.OutputLength(1) / rowLength);
  int64_t available = 0;  // the rows the move finds
  for (int64_t row = start; available < room && row >= 0 && row < size; row += step) ++available;
  int32_t granted = 0;
  uint8_t* out = c.reply.Output(1, static_cast<int32_t>(available * rowLength), &granted);
  if (out == nullptr) granted = 0;
  available = std::min<int64_t>(available, granted / rowLength);
  const size_t copied =
      std::min(withNullMap ? r.rowLength() : r.dataLength(), static_cast<size_t>(rowLength));
  int64_t delivered = 0;
  int64_t row = start;
  for (; delivered < available; row += step, ++delivered) {
    uint8_t* slot = out + delivered * rowLength;
    std::memcpy(slot, r.row(static_cast<size_t>(row)), copied);
    std::memset(slot + copied, ' ', static_cast<size_t>(rowLength) - copied);
  }
  const int64_t last = delivered > 0 ? row - step : (start < 0 ? -1 : size);
  r.next = static_cast<size_t>(std::clamp<int64_t>(last, -1, size) + 1);
  r.gap = false;
  Answer(c, area, delivered > 0 ? sql::SqlOk() : sql::SqlNoRow(), 0);
  c.result = static_cast<int32_t>(delivered);
}

void Close(RequestContext& c) {
  sql::SqlWorkArea& area = sql::WorkAreaOf(c.job);
  sql::SqlCursor* cursor = CursorParam(c, area);
  if (cursor == nullptr) return;
  if (cursor->result == nullptr) return Answer(c, area, {-501, "24501", ""}, 0);
  CloseResult(c, *cursor);
  Answer(c, area, sql::SqlOk(), 0);
}

// The text of a positioned change without a trailing WHERE CURRENT OF
// clause; a WHERE of any other kind is refused (the change applies to the
// cursor's current row only).
sql::SqlError PositionedText(std::string_view text, std::string* out) {
  std::vector<sql::Token> tokens;
  if (sql::SqlError e = sql::Tokenize(text, &tokens); !e.ok()) return e;
  int depth = 0;
  size_t offset = 0;
  for (size_t i = 0; i < tokens.size(); offset += tokens[i].text.size(), ++i) {
    const sql::Token& t = tokens[i];
    if (t.kind == sql::TokenKind::kSymbol) depth += t.text == "(" ? 1 : t.text == ")" ? -1 : 0;
    if (depth != 0 || !t.Is("WHERE")) continue;
    std::vector<const sql::Token*> rest;
    for (size_t j = i + 1; j < tokens.size(); ++j) {
      if (tokens[j].kind != sql::TokenKind::kSpace) rest.push_back(&tokens[j]);
    }
    if (!rest.empty() && rest.back()->kind == sql::TokenKind::kSymbol && rest.back()->text == ";") {
      rest.pop_back();
    }
    if (rest.size() != 3 || !rest[0]->Is("CURRENT") || !rest[1]->Is("OF") ||
        rest[2]->kind != sql::TokenKind::kWord) {
      return sql::SqlSyntax("WHERE");
    }
    *out = std::string(text.substr(0, offset));
    return sql::SqlOk();
  }
  *out = std::string(text);
  return sql::SqlOk();
}

// VNXSqlRow(cursor, statement, length): runs "UPDATE file SET ..." or
// "DELETE FROM file" on the cursor's current row.
void PositionedChange(RequestContext& c) {
  sql::SqlWorkArea& area = sql::WorkAreaOf(c.job);
  sql::SqlCursor* cursor = CursorParam(c, area);
  if (cursor == nullptr) return;
  if (cursor->result == nullptr) return Answer(c, area, {-501, "24501", ""}, 0);
  if (!cursor->updatable) return Answer(c, area, {-510, "42828", ""}, 0);
  sql::CursorResult& r = *cursor->result;
  const size_t at = r.next - 1;  // wraps when before the first row
  if (r.gap || r.next == 0 || at >= r.size()) {
    return Answer(c, area, {-508, "24504", ""}, 0);
  }
  std::string text;
  if (sql::SqlError e = PositionedText(StatementText(c, 1), &text); !e.ok()) {
    return Answer(c, area, e, 0);
  }
  sql::Translation t;
  std::vector<FileDescription> files;
  if (sql::SqlError e = TranslateStatement(c, text, &t, &files); !e.ok()) {
    return Answer(c, area, e, 0);
  }
  if (t.kind != sql::StatementKind::kUpdate && t.kind != sql::StatementKind::kDelete) {
    return Answer(c, area, sql::SqlNotAllowed(text.substr(0, text.find(' '))), 0);
  }
  if (t.files.empty() || t.files.front().library != cursor->files.front().library ||
      t.files.front().name != cursor->files.front().name) {
    return Answer(c, area, {-509, "42827", t.files.empty() ? "" : t.files.front().name}, 0);
  }
  const std::string record = std::to_string(r.recordNumbers[at]);
  int32_t rows = 0;
  sql::SqlError e = RunChangeOf(c, t, files, t.sql + " WHERE rowid = " + record, &rows);
  if (e.code == 100) e = {-508, "24504", ""};  // the row is gone
  if (!e.ok()) return Answer(c, area, e, 0);
  if (t.kind == sql::StatementKind::kDelete) {
    r.Erase(at);
    r.recordNumbers.erase(r.recordNumbers.begin() + static_cast<std::ptrdiff_t>(at));
    r.next = at;
    r.gap = true;
  } else {
    // The row shows its new values (when it still qualifies).
    sql::CursorResult fresh;
    if (RunCursorQuery(c, *cursor, &fresh, r.recordNumbers[at]).ok() && fresh.size() == 1 &&
        fresh.rowLength() == r.rowLength()) {
      r.Replace(at, fresh.row(0));
    }
  }
  Answer(c, area, e, rows);
}

// VNXSetTypeKey(cursor, units, area, count): binds the parameter area
// (sql_parameters.h) to a declared statement for its next opens.
void BindParameters(RequestContext& c) {
  sql::SqlWorkArea& area = sql::WorkAreaOf(c.job);
  sql::SqlCursor* cursor = CursorParam(c, area);
  if (cursor == nullptr) return;
  std::vector<Value> values;
  sql::SqlError e = sql::DecodeParameters(c.request.Input(2), c.request.Value(3),
                                          StyleOf(c.job.dateTime()), &values);
  if (e.ok()) cursor->parameters = std::move(values);
  Answer(c, area, e, 0);
}

void Commit(RequestContext& c) {
  const int32_t option = c.request.Value(0);
  if (option != 0 && option != 1) return c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
  Answer(c, sql::WorkAreaOf(c.job), EndUnit(c, option == 0), 0);
}

}  // namespace

void AddSqlHandlers(HandlerTable& table) {
  table[static_cast<size_t>(wire::kOpSqlBegin)] = Begin;
  table[static_cast<size_t>(wire::kOpSqlEnd)] = End;
  table[static_cast<size_t>(wire::kOpSqlSqlca)] = Sqlca;
  table[static_cast<size_t>(wire::kOpSqlImmediate)] = ImmediateRequest;
  table[static_cast<size_t>(wire::kOpSqlCommit)] = Commit;
  table[static_cast<size_t>(wire::kOpSqlDeclare)] = Declare;
  table[static_cast<size_t>(wire::kOpSqlOpen)] = Open;
  table[static_cast<size_t>(wire::kOpSqlFetch)] = Fetch;
  table[static_cast<size_t>(wire::kOpSqlClose)] = Close;
  table[static_cast<size_t>(wire::kOpSqlEFetch)] = ExtendedFetch;
  table[static_cast<size_t>(wire::kOpSetTypeKey)] = BindParameters;
  table[static_cast<size_t>(wire::kOpSqlRow)] = PositionedChange;
}

}  // namespace vantora::host
