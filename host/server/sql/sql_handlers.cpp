// The SQL requests of a job.
//
//   VNXSqlBegin() -> 1: starts the job's SQL work area afresh.
//   VNXSqlEnd() -> 1: ends it.
//   VNXSqlSqlca(buffer, length) -> 1: the 136-byte communication area of the
//     job's last statement (sqlca.cpp), cut to `length`.
//   VNXSqlImmediate(statement, length) -> 1, or -1 on an SQL error: runs
//     INSERT, UPDATE, DELETE, COMMIT/ROLLBACK [HOLD] or SET TRANSACTION.
//     A SELECT answers SQL0084 (it needs a cursor).
//   VNXSqlCommit(option) -> 1, or -1: option 0 commits, 1 rolls back the
//     job's work (the cursors stay open, as with HOLD); others answer -1
//     with status 3014 and CPF9898.
//
// An SQL error answers -1 with status 3101 and the message identifier
// SQLnnnn (the SQLCODE's absolute value); the communication area then
// holds the SQLCODE, SQLSTATE and replacement text. SQLCODE 100 (no row)
// answers 1: it is not an error.
#include <algorithm>
#include <cstdio>
#include <string_view>

#include "host/server/handlers.h"
#include "host/server/host.h"
#include "host/server/host_status.h"
#include "host/server/job.h"
#include "host/server/sql/sql_statement.h"
#include "host/server/sql/sql_translator.h"
#include "host/server/sql/sql_work_area.h"
#include "host/server/sql/sqlca.h"

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

sql::FileResolver ResolverOf(RequestContext& c) {
  return [&c](const std::string& library, const std::string& file, ObjectName* found) {
    Catalogue& catalogue = c.host.storage().catalogue();
    FileDescription description;
    if (!library.empty()) {
      *found = {library, file};
      return catalogue.DescribeFile(*found, &description).ok();
    }
    for (const auto& lib : c.job.SearchList()) {
      *found = {lib, file};
      if (catalogue.DescribeFile(*found, &description).ok()) return true;
    }
    return false;
  };
}

sql::SqlError EndUnit(RequestContext& c, bool commit) {
  Storage& storage = c.host.storage();
  Status s = commit ? storage.Commit(c.job.id()) : storage.Rollback(c.job.id());
  return s.ok() ? sql::SqlOk() : sql::SqlSystemError(s.ToString().substr(0, 70));
}

void Begin(RequestContext& c) {
  sql::BeginWorkArea(c.job);
}

void End(RequestContext& c) {
  sql::EndWorkArea(c.job);
}

void Sqlca(RequestContext& c) {
  sql::SqlWorkArea& area = sql::WorkAreaOf(c.job);
  const auto bytes = sql::BuildSqlca(area.last, area.rows);
  const int32_t asked = std::max(0, c.request.Value(1));
  c.reply.SetOutput(0, std::span<const uint8_t>(bytes).first(
                           std::min<size_t>(bytes.size(), static_cast<size_t>(asked))));
}

void Immediate(RequestContext& c) {
  sql::SqlWorkArea& area = sql::WorkAreaOf(c.job);
  std::span<const uint8_t> input = c.request.Input(0);
  const int32_t length = c.request.Value(1);
  if (length >= 0 && static_cast<size_t>(length) < input.size()) input = input.first(length);
  const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
  sql::Translation t;
  if (sql::SqlError e = sql::Translate(text, ResolverOf(c), &t); !e.ok()) {
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
  sql::SqlError e = sql::RunChange(c.host.storage(), t.sql, &rows);
  Answer(c, area, e, rows);
}

void Commit(RequestContext& c) {
  const int32_t option = c.request.Value(0);
  if (option != 0 && option != 1) return c.Fail(kStatusInvalidRequest, "CPF9898");
  Answer(c, sql::WorkAreaOf(c.job), EndUnit(c, option == 0), 0);
}

}  // namespace

void AddSqlHandlers(HandlerTable& table) {
  table[static_cast<size_t>(wire::kOpSqlBegin)] = Begin;
  table[static_cast<size_t>(wire::kOpSqlEnd)] = End;
  table[static_cast<size_t>(wire::kOpSqlSqlca)] = Sqlca;
  table[static_cast<size_t>(wire::kOpSqlImmediate)] = Immediate;
  table[static_cast<size_t>(wire::kOpSqlCommit)] = Commit;
}

}  // namespace vantora::host
