// Internal: the SQL conditions that move along an access path.
//
// An access path orders records by its key columns (each ascending or
// descending) and then by rowid (the relative record number) ascending, so
// that duplicates come in arrival order; an arrival-order path has the rowid
// only. SQLite sorts nulls first, so a null is the lowest value of an
// ascending column and comes last in a descending one.
//
// Every move is a fresh query "the first (or last) record in path order
// after (or before, or equal to) these values": a cursor keeps the values of
// its current record, never an open statement. The conditions are written in
// path order, so "after" on a descending column means a lower value.
#ifndef VANTORA_HOST_STORAGE_SEEK_SQL_H_
#define VANTORA_HOST_STORAGE_SEEK_SQL_H_

#include <cstdint>
#include <span>
#include <string>

namespace vantora::host::detail {

// One column of a path's order: a key field or, last, the rowid.
struct PathColumn {
  std::string expr;  // a quoted column name, or rowid
  bool descending = false;
  bool nullable = false;
};

enum class Relation : uint8_t { kEqual, kAfter, kAtOrAfter, kBefore, kAtOrBefore };

// Compares the leading `count` path columns of a row with values bound to
// ?firstParam, ?firstParam+1, ... (a null value is not bound: the condition
// tests IS NULL instead, so a different null pattern gives different SQL).
struct Comparison {
  Relation relation = Relation::kEqual;
  size_t count = 0;
  // > 0: only the first prefixBytes bytes of the last compared column count
  // (a partial key on a character field).
  int prefixBytes = 0;
  uint64_t nullMask = 0;  // bit i: the value of column i is null
  int firstParam = 2;

  bool operator==(const Comparison&) const = default;
};

// The condition, with a leading range term on the first column where one is
// implied, so that SQLite starts the index scan at the right place rather
// than at the start of the path. "1" when nothing is compared.
std::string ConditionSql(std::span<const PathColumn> path, const Comparison& c);

// "ORDER BY ..." along the path (forward) or against it.
std::string OrderSql(std::span<const PathColumn> path, bool forward);

}  // namespace vantora::host::detail

#endif  // VANTORA_HOST_STORAGE_SEEK_SQL_H_
