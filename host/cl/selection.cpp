#include "host/cl/selection.h"

#include <cmath>
#include <cstdlib>

namespace vantora::host {
namespace {

using Kind = cl::SelectionNode::Kind;
using Node = Selection::Node;
using Type = Selection::Type;

bool Fail(cl::SelectionError* e, const char* id, std::string detail) {
  e->messageId = id;
  e->detail = std::move(detail);
  return false;
}

bool Digits(std::string_view s, size_t at, size_t n) {
  if (at + n > s.size()) return false;
  for (size_t i = at; i < at + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return true;
}

int Number(std::string_view s, size_t at, size_t n) {
  int v = 0;
  for (size_t i = at; i < at + n; ++i) v = v * 10 + (s[i] - '0');
  return v;
}

bool DateSep(char c) {
  return c == '-' || c == '/' || c == '.';
}

// "YYYY-MM-DD" (any of - / . as separators) in ISO form.
bool IsoDate(std::string_view s, std::string* out) {
  if (s.size() < 10 || !Digits(s, 0, 4) || !DateSep(s[4]) || !Digits(s, 5, 2) || s[7] != s[4] ||
      !Digits(s, 8, 2)) {
    return false;
  }
  int month = Number(s, 5, 2), day = Number(s, 8, 2);
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  *out = std::string(s.substr(0, 4)) + "-" + std::string(s.substr(5, 2)) + "-" +
         std::string(s.substr(8, 2));
  return true;
}

bool IsoTime(std::string_view s, std::string* out) {
  if (s.size() != 8 || !Digits(s, 0, 2) || !Digits(s, 3, 2) || !Digits(s, 6, 2) ||
      (s[2] != '.' && s[2] != ':') || s[5] != s[2]) {
    return false;
  }
  if (Number(s, 0, 2) > 24 || Number(s, 3, 2) > 59 || Number(s, 6, 2) > 59) return false;
  *out = std::string(s.substr(0, 2)) + "." + std::string(s.substr(3, 2)) + "." +
         std::string(s.substr(6, 2));
  return true;
}

bool IsoTimestamp(std::string_view s, std::string* out) {
  std::string date, time;
  if (s.size() < 19 || !IsoDate(s.substr(0, 10), &date) ||
      (s[10] != '-' && s[10] != ' ' && s[10] != 'T') || !IsoTime(s.substr(11, 8), &time)) {
    return false;
  }
  std::string micro = "000000";
  if (s.size() > 19) {
    if (s[19] != '.' || s.size() > 26 || !Digits(s, 20, s.size() - 20)) return false;
    micro.replace(0, s.size() - 20, s.substr(20));
  }
  *out = date + "-" + time + "." + micro;
  return true;
}

Type TypeOf(const FieldDef& f) {
  if (IsCharacter(f.type)) return Type::kText;
  if (f.type == FieldType::kDate) return Type::kDate;
  if (f.type == FieldType::kTime) return Type::kTime;
  if (f.type == FieldType::kTimestamp) return Type::kTimestamp;
  return Type::kNumber;
}

bool IsValue(Type t) {
  return t != Type::kBool;
}
bool IsDateLike(Type t) {
  return t == Type::kDate || t == Type::kTime || t == Type::kTimestamp;
}

class Binder {
 public:
  Binder(const RecordFormat& format, cl::SelectionError* error) : format_(format), error_(error) {}

  bool Bind(const cl::SelectionNode& in, Node* out) {
    out->kind = in.kind;
    out->op = in.op;
    out->arith = in.arith;
    out->wildOne = in.wildOne;
    out->wildAny = in.wildAny;
    out->children.resize(in.children.size());
    for (size_t i = 0; i < in.children.size(); ++i) {
      if (!Bind(in.children[i], &out->children[i])) return false;
    }
    auto& c = out->children;
    switch (in.kind) {
      case Kind::kField: {
        int i = format_.FieldIndex(in.text);
        if (i < 0) return Fail(error_, "CPD3105", "field " + in.text + " not in the record format");
        const FieldDef& f = format_.fields[static_cast<size_t>(i)];
        out->field = i;
        out->type = TypeOf(f);
        out->text = in.text;
        if (out->type == Type::kNumber && IsScaledInteger(f.type)) {
          out->scale = std::pow(10.0L, f.decimals);
        }
        return true;
      }
      case Kind::kNumber: {
        char* end = nullptr;
        out->number = std::strtold(in.text.c_str(), &end);
        if (end == in.text.c_str() || *end != '\0' || !std::isfinite(out->number)) {
          return Fail(error_, "CPD3110", "number " + in.text + " not valid");
        }
        out->type = Type::kNumber;
        return true;
      }
      case Kind::kString:
        out->type = Type::kText;
        out->text = in.text;
        return true;
      case Kind::kAnd:
      case Kind::kOr:
      case Kind::kNot:
        for (const Node& n : c) {
          if (n.type != Type::kBool) return Mismatch("a condition is needed with *AND, *OR, *NOT");
        }
        out->type = Type::kBool;
        return true;
      case Kind::kCompare:
        out->type = Type::kBool;
        return Comparable(&c[0], &c[1]);
      case Kind::kRange:
      case Kind::kValues:
        out->type = Type::kBool;
        for (size_t i = 1; i < c.size(); ++i) {
          if (!Comparable(&c[0], &c[i])) return false;
        }
        return true;
      case Kind::kArith:
        if (c[0].type != Type::kNumber || c[1].type != Type::kNumber) {
          return Mismatch("arithmetic needs numeric operands");
        }
        out->type = Type::kNumber;
        return true;
      case Kind::kNegate:
        if (c[0].type != Type::kNumber) return Mismatch("negation needs a numeric operand");
        out->type = Type::kNumber;
        return true;
      case Kind::kContains:
      case Kind::kLike:
      case Kind::kWildcard:
        if (c[0].type != Type::kText || c[1].type != Type::kText) {
          return Mismatch("*CT, LIKE and %WLDCRD need character operands");
        }
        out->type = Type::kBool;
        return true;
      case Kind::kIsBlank:
      case Kind::kNotBlank:
        if (!IsValue(c[0].type)) return Mismatch("ISBLANK and NOTBLANK need a value");
        out->type = Type::kBool;
        return true;
    }
    return Mismatch("unknown node");
  }

 private:
  bool Mismatch(std::string detail) { return Fail(error_, "CPD3108", std::move(detail)); }

  // Checks that `a` and `b` compare; converts a constant compared with a
  // date, time or timestamp into the ISO form of that type.
  bool Comparable(Node* a, Node* b) {
    if (!IsValue(a->type) || !IsValue(b->type))
      return Mismatch("a value is needed in a comparison");
    if (a->type == b->type) return true;
    if (IsDateLike(b->type)) std::swap(a, b);
    if (IsDateLike(a->type) && b->kind == Kind::kString) {
      std::string iso;
      bool ok = a->type == Type::kDate   ? IsoDate(b->text, &iso) && b->text.size() == 10
                : a->type == Type::kTime ? IsoTime(b->text, &iso)
                                         : IsoTimestamp(b->text, &iso);
      if (!ok)
        return Fail(error_, "CPD3110", "constant '" + b->text + "' not valid for " + a->text);
      b->text = iso;
      b->type = a->type;
      return true;
    }
    return Mismatch("operands of different types compared");
  }

  const RecordFormat& format_;
  cl::SelectionError* error_;
};

// A value during evaluation.
struct Operand {
  enum class Kind : uint8_t { kNull, kNumber, kText } kind = Kind::kNull;
  long double number = 0;
  std::string_view text;
};

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Compares blank-padded.
int PadCompare(std::string_view a, std::string_view b) {
  a = TrimRight(a);
  b = TrimRight(b);
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  // The shorter one goes on with blanks, which are below whatever follows
  // in the longer one except control characters.
  std::string_view rest = a.size() > n ? a.substr(n) : b.substr(n);
  int sign = a.size() > n ? 1 : -1;
  for (char ch : rest) {
    auto x = static_cast<unsigned char>(ch);
    if (x != ' ') return x > ' ' ? sign : -sign;
  }
  return 0;
}

// Matches `s` against `p`, where `one` stands for one character and `any`
// for any run; linear backtracking over the last `any`.
bool Match(std::string_view s, std::string_view p, char one, char any) {
  size_t i = 0, j = 0, star = std::string_view::npos, mark = 0;
  while (i < s.size()) {
    if (j < p.size() && (p[j] == one || p[j] == s[i]) && p[j] != any) {
      ++i;
      ++j;
    } else if (j < p.size() && p[j] == any) {
      star = j++;
      mark = i;
    } else if (star != std::string_view::npos) {
      j = star + 1;
      i = ++mark;
    } else {
      return false;
    }
  }
  while (j < p.size() && p[j] == any) ++j;
  return j == p.size();
}

class Evaluator {
 public:
  explicit Evaluator(const Record& record) : record_(record) {}

  Operand Value(const Node& n) const {
    Operand v;
    switch (n.kind) {
      case Kind::kField: {
        if (n.field < 0 || static_cast<size_t>(n.field) >= record_.size()) return v;
        const host::Value& x = record_[static_cast<size_t>(n.field)];
        switch (x.kind()) {
          case host::Value::Kind::kNull:
            return v;
          case host::Value::Kind::kInteger:
            v.kind = Operand::Kind::kNumber;
            v.number = static_cast<long double>(x.integer()) / n.scale;
            return v;
          case host::Value::Kind::kReal:
            v.kind = Operand::Kind::kNumber;
            v.number = x.real();
            return v;
          case host::Value::Kind::kText:
            v.kind = Operand::Kind::kText;
            v.text = x.text();
            return v;
        }
        return v;
      }
      case Kind::kNumber:
        v.kind = Operand::Kind::kNumber;
        v.number = n.number;
        return v;
      case Kind::kString:
        v.kind = Operand::Kind::kText;
        v.text = n.text;
        return v;
      case Kind::kNegate: {
        v = Value(n.children[0]);
        v.number = -v.number;
        return v;
      }
      case Kind::kArith: {
        Operand a = Value(n.children[0]), b = Value(n.children[1]);
        if (a.kind != Operand::Kind::kNumber || b.kind != Operand::Kind::kNumber) return v;
        v.kind = Operand::Kind::kNumber;
        switch (n.arith) {
          case cl::ArithOp::kAdd:
            v.number = a.number + b.number;
            break;
          case cl::ArithOp::kSubtract:
            v.number = a.number - b.number;
            break;
          case cl::ArithOp::kMultiply:
            v.number = a.number * b.number;
            break;
          case cl::ArithOp::kDivide:
            if (b.number == 0) return Operand{};
            v.number = a.number / b.number;
            break;
          case cl::ArithOp::kModulo:
          case cl::ArithOp::kRemainder:
            if (b.number == 0) return Operand{};
            v.number = std::fmod(a.number, b.number);
            if (n.arith == cl::ArithOp::kModulo && v.number != 0 &&
                ((v.number < 0) != (b.number < 0))) {
              v.number += b.number;
            }
            break;
        }
        return v;
      }
      default:
        return v;
    }
  }

  // -1 unknown (a null took part), 0 false, 1 true.
  int Test(const Node& n) const {
    switch (n.kind) {
      case Kind::kAnd: {
        int r = 1;
        for (const Node& c : n.children) {
          int t = Test(c);
          if (t == 0) return 0;
          if (t < 0) r = -1;
        }
        return r;
      }
      case Kind::kOr: {
        int r = 0;
        for (const Node& c : n.children) {
          int t = Test(c);
          if (t == 1) return 1;
          if (t < 0) r = -1;
        }
        return r;
      }
      case Kind::kNot: {
        int t = Test(n.children[0]);
        return t < 0 ? -1 : 1 - t;
      }
      case Kind::kCompare: {
        int c = 0;
        if (!Compare(n.children[0], n.children[1], &c)) return -1;
        switch (n.op) {
          case cl::CompareOp::kEq:
            return c == 0;
          case cl::CompareOp::kNe:
            return c != 0;
          case cl::CompareOp::kGt:
            return c > 0;
          case cl::CompareOp::kLt:
            return c < 0;
          case cl::CompareOp::kGe:
            return c >= 0;
          case cl::CompareOp::kLe:
            return c <= 0;
        }
        return 0;
      }
      case Kind::kRange: {
        int lo = 0, hi = 0;
        if (!Compare(n.children[0], n.children[1], &lo) ||
            !Compare(n.children[0], n.children[2], &hi)) {
          return -1;
        }
        return lo >= 0 && hi <= 0;
      }
      case Kind::kValues: {
        int r = 0;
        for (size_t i = 1; i < n.children.size(); ++i) {
          int c = 0;
          if (!Compare(n.children[0], n.children[i], &c)) {
            r = -1;
          } else if (c == 0) {
            return 1;
          }
        }
        return r;
      }
      case Kind::kContains:
      case Kind::kLike:
      case Kind::kWildcard: {
        Operand a = Value(n.children[0]), b = Value(n.children[1]);
        if (a.kind != Operand::Kind::kText || b.kind != Operand::Kind::kText) return -1;
        std::string_view s = TrimRight(a.text);
        if (n.kind == Kind::kContains) return s.find(b.text) != std::string_view::npos;
        if (n.kind == Kind::kLike) return Match(s, b.text, '_', '%');
        return Match(s, b.text, n.wildOne, n.wildAny);
      }
      case Kind::kIsBlank:
      case Kind::kNotBlank: {
        Operand a = Value(n.children[0]);
        bool blank = a.kind == Operand::Kind::kNull ||
                     (a.kind == Operand::Kind::kText && TrimRight(a.text).empty());
        return n.kind == Kind::kIsBlank ? blank : !blank;
      }
      default:
        return 0;
    }
  }

 private:
  bool Compare(const Node& x, const Node& y, int* out) const {
    Operand a = Value(x), b = Value(y);
    if (a.kind == Operand::Kind::kNull || b.kind == Operand::Kind::kNull || a.kind != b.kind) {
      return false;
    }
    if (a.kind == Operand::Kind::kNumber) {
      *out = a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
    } else {
      *out = PadCompare(a.text, b.text);
    }
    return true;
  }

  const Record& record_;
};

}  // namespace

Selection::~Selection() = default;

bool Selection::Compile(std::string_view text, const RecordFormat& format,
                        std::unique_ptr<Selection>* out, cl::SelectionError* error) {
  cl::SelectionNode tree;
  if (!cl::ParseSelection(text, &tree, error)) return false;
  return Compile(tree, format, out, error);
}

bool Selection::Compile(const cl::SelectionNode& tree, const RecordFormat& format,
                        std::unique_ptr<Selection>* out, cl::SelectionError* error) {
  *error = cl::SelectionError{};
  Node root;
  Binder binder(format, error);
  if (!binder.Bind(tree, &root)) return false;
  if (root.type != Type::kBool) {
    return Fail(error, "CPD3108", "the selection is a value, not a condition");
  }
  out->reset(new Selection(std::move(root)));
  return true;
}

bool Selection::Accept(const Record& record) const {
  return Evaluator(record).Test(root_) == 1;
}

}  // namespace vantora::host
