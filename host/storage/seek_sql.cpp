// Building the lexicographic path-order conditions of seek_sql.h.
#include "host/storage/seek_sql.h"

namespace vantora::host::detail {
namespace {

// Concatenation by appending: GCC 12 warns falsely (-Wrestrict) on
// "literal" + std::string temporaries at -O3.
template <typename... Parts>
std::string Cat(const Parts&... parts) {
  std::string s;
  (s.append(std::string_view(parts)), ...);
  return s;
}

class Builder {
 public:
  Builder(std::span<const PathColumn> path, const Comparison& c) : path_(path), c_(c) {}

  std::string Expr(size_t i) const {
    if (c_.prefixBytes > 0 && i + 1 == c_.count) {
      // Bytes, not characters: the texts are the host's single-byte set.
      return Cat("CAST(substr(CAST(", path_[i].expr, " AS BLOB), 1, ",
                 std::to_string(c_.prefixBytes), ") AS TEXT) COLLATE RTRIM");
    }
    return path_[i].expr;
  }
  std::string Param(size_t i) const {
    return Cat("?", std::to_string(c_.firstParam + static_cast<int>(i)));
  }
  bool IsNull(size_t i) const { return (c_.nullMask >> i) & 1; }

  std::string Same(size_t i) const {
    return IsNull(i) ? Cat(Expr(i), " IS NULL") : Cat(Expr(i), " = ", Param(i));
  }
  // Strictly after (later = true) or before the value in path order.
  std::string Beyond(size_t i, bool later) const {
    const PathColumn& col = path_[i];
    bool higher = later != col.descending;  // later in path order means a higher value
    if (IsNull(i)) return higher ? Cat(Expr(i), " IS NOT NULL") : "0";
    if (higher) return Cat(Expr(i), " > ", Param(i));
    if (col.nullable) return Cat("(", Expr(i), " < ", Param(i), " OR ", Expr(i), " IS NULL)");
    return Cat(Expr(i), " < ", Param(i));
  }
  std::string AllSame(size_t n) const {
    std::string s;
    for (size_t i = 0; i < n; ++i) {
      if (i) s.append(" AND ");
      s.append(Same(i));
    }
    return s;
  }
  std::string Lexicographic(bool later, bool orEqual) const {
    std::string s = "(";
    for (size_t i = 0; i < c_.count; ++i) {
      if (i) s.append(" OR ");
      s.append("(");
      if (i) s.append(AllSame(i)).append(" AND ");
      s.append(Beyond(i, later)).append(")");
    }
    if (orEqual) s.append(" OR (").append(AllSame(c_.count)).append(")");
    return s.append(")");
  }
  // A bound on the first column that every matching row satisfies and that
  // an index can seek to; empty when none is implied.
  std::string Hint(bool later) const {
    if (IsNull(0)) return "";
    const PathColumn& col = path_[0];
    bool partial = c_.prefixBytes > 0 && c_.count == 1;
    bool higher = later != col.descending;
    // Matching rows lie at or above the value. A prefix of a text never
    // sorts above the text, so this also holds for partial keys.
    if (higher) return Cat(col.expr, " >= ", Param(0));
    // At or below the value: nulls would sort below it, and a text can sort
    // above its own prefix.
    if (col.nullable || partial) return "";
    return Cat(col.expr, " <= ", Param(0));
  }

 private:
  std::span<const PathColumn> path_;
  const Comparison& c_;
};

}  // namespace

std::string ConditionSql(std::span<const PathColumn> path, const Comparison& c) {
  if (c.count == 0) return "1";
  Builder b(path, c);
  std::string cond;
  bool later = true;
  switch (c.relation) {
    case Relation::kEqual:
      return b.AllSame(c.count);
    case Relation::kAfter:
      cond = b.Lexicographic(true, false);
      break;
    case Relation::kAtOrAfter:
      cond = b.Lexicographic(true, true);
      break;
    case Relation::kBefore:
      cond = b.Lexicographic(false, false);
      later = false;
      break;
    case Relation::kAtOrBefore:
      cond = b.Lexicographic(false, true);
      later = false;
      break;
  }
  std::string hint = b.Hint(later);
  return hint.empty() ? cond : Cat(hint, " AND ", cond);
}

std::string OrderSql(std::span<const PathColumn> path, bool forward) {
  std::string s = "ORDER BY ";
  for (size_t i = 0; i < path.size(); ++i) {
    bool descending = path[i].descending == forward;
    if (i) s.append(", ");
    s.append(path[i].expr).append(descending ? " DESC" : "");
  }
  return s;
}

}  // namespace vantora::host::detail
