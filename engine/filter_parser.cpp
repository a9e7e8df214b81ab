#include "engine/filter_parser.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/value_text.h"
#include "idapi.h"
#include "protocol/blank_padded.h"

namespace vantora::engine {
namespace {

struct Token {
  enum Kind { kEnd, kName, kNumber, kString, kSymbol } kind = kEnd;
  std::string text;
  size_t position = 0;  // 1-based
};

struct Node {
  bool IsCondition() const {
    return (cls == IDAPI_FNODE_BINARY || cls == IDAPI_FNODE_UNARY) &&
           ((op >= IDAPI_FOP_ISBLANK && op <= IDAPI_FOP_OR) || op == IDAPI_FOP_LIKE);
  }

  uint32_t cls = 0;
  uint32_t op = 0;
  std::unique_ptr<Node> left, right;  // unary: left
  // Field: number and name. Constant: type and value bytes.
  uint16_t fieldNumber = 0;
  uint16_t fieldType = 0;
  std::string name;
  uint16_t constType = 0;
  std::vector<uint8_t> value;
  bool stringConstant = false;  // written as '...' (its type may follow a field's)
  size_t position = 0;
};

class Parser {
 public:
  Parser(std::string_view text, const std::vector<FilterField>& fields)
      : text_(text), fields_(fields) {}

  std::unique_ptr<Node> Parse() {
    Next();
    auto root = Or(0);
    if (root != nullptr && token_.kind != Token::kEnd) {
      return Fail("'" + token_.text + "' where the filter should end");
    }
    return root;
  }

  std::string error;
  size_t position = 0;

 private:
  std::unique_ptr<Node> Fail(const std::string& why, size_t at = 0) {
    if (error.empty()) {
      error = why;
      position = at != 0 ? at : token_.position;
    }
    return nullptr;
  }

  bool IsWord(const char* word) const {
    return token_.kind == Token::kName && wire::EqualsIgnoringCase(token_.text, word);
  }
  bool IsSymbol(const char* s) const { return token_.kind == Token::kSymbol && token_.text == s; }

  void Next() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    token_ = Token{};
    token_.position = at_ + 1;
    if (at_ >= text_.size()) return;
    const char c = text_[at_];
    auto isNameChar = [](char ch, bool first) {
      return std::isalpha(static_cast<unsigned char>(ch)) || ch == '_' || ch == '$' || ch == '#' ||
             ch == '@' || (!first && std::isdigit(static_cast<unsigned char>(ch)));
    };
    if (isNameChar(c, true)) {
      const size_t start = at_;
      while (at_ < text_.size() && isNameChar(text_[at_], false)) ++at_;
      token_ = {Token::kName, std::string(text_.substr(start, at_ - start)), start + 1};
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && at_ + 1 < text_.size() &&
                std::isdigit(static_cast<unsigned char>(text_[at_ + 1])))) {
      const size_t start = at_;
      while (at_ < text_.size() &&
             (std::isdigit(static_cast<unsigned char>(text_[at_])) || text_[at_] == '.')) {
        ++at_;
      }
      if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
        ++at_;
        if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) ++at_;
      }
      token_ = {Token::kNumber, std::string(text_.substr(start, at_ - start)), start + 1};
    } else if (c == '\'') {
      const size_t start = at_;
      std::string value;
      for (++at_;; ++at_) {
        if (at_ >= text_.size()) {
          token_ = {Token::kEnd, "", start + 1};
          Fail("a string that is not closed", start + 1);
          return;
        }
        if (text_[at_] == '\'') {
          if (at_ + 1 < text_.size() && text_[at_ + 1] == '\'') {
            value += '\'';
            ++at_;
            continue;
          }
          ++at_;
          break;
        }
        value += text_[at_];
      }
      token_ = {Token::kString, value, start + 1};
    } else {
      static const char* kSymbols[] = {"<>", "!=", "<=", ">=", "=", "<", ">",
                                       "+",  "-",  "*",  "/",  "(", ")"};
      for (const char* s : kSymbols) {
        if (text_.substr(at_, std::strlen(s)) == s) {
          token_ = {Token::kSymbol, s, at_ + 1};
          at_ += std::strlen(s);
          return;
        }
      }
      token_ = {Token::kSymbol, std::string(1, c), at_ + 1};
      ++at_;
      Fail("'" + std::string(1, c) + "' is no part of a filter");
    }
  }

  std::unique_ptr<Node> Binary(uint32_t op, std::unique_ptr<Node> l, std::unique_ptr<Node> r,
                               size_t at) {
    auto n = std::make_unique<Node>();
    n->cls = IDAPI_FNODE_BINARY;
    n->op = op;
    n->left = std::move(l);
    n->right = std::move(r);
    n->position = at;
    return n;
  }

  std::unique_ptr<Node> Unary(uint32_t op, std::unique_ptr<Node> operand, size_t at) {
    auto n = std::make_unique<Node>();
    n->cls = IDAPI_FNODE_UNARY;
    n->op = op;
    n->left = std::move(operand);
    n->position = at;
    return n;
  }

  // Arithmetic and comparisons take values, not conditions.
  bool Values(const Node& left, const Node& right, size_t at) {
    if (!left.IsCondition() && !right.IsCondition()) return true;
    Fail("a condition where a value is expected", at);
    return false;
  }

  bool Deep(int depth) {
    if (depth <= kMaxFilterDepth) return false;
    Fail("the filter is nested too deeply");
    return true;
  }

  std::unique_ptr<Node> Or(int depth) {
    if (Deep(depth)) return nullptr;
    return OrRest(And(depth + 1), depth);
  }

  std::unique_ptr<Node> OrRest(std::unique_ptr<Node> left, int depth) {
    while (left != nullptr && IsWord("OR")) {
      const size_t at = token_.position;
      Next();
      auto right = And(depth + 1);
      if (right == nullptr) return nullptr;
      left = Binary(IDAPI_FOP_OR, std::move(left), std::move(right), at);
    }
    return left;
  }

  std::unique_ptr<Node> And(int depth) {
    if (Deep(depth)) return nullptr;
    return AndRest(Not(depth + 1), depth);
  }

  std::unique_ptr<Node> AndRest(std::unique_ptr<Node> left, int depth) {
    while (left != nullptr && IsWord("AND")) {
      const size_t at = token_.position;
      Next();
      auto right = Not(depth + 1);
      if (right == nullptr) return nullptr;
      left = Binary(IDAPI_FOP_AND, std::move(left), std::move(right), at);
    }
    return left;
  }

  std::unique_ptr<Node> Not(int depth) {
    if (Deep(depth)) return nullptr;
    if (IsWord("NOT")) {
      const size_t at = token_.position;
      Next();
      auto operand = Not(depth + 1);
      if (operand == nullptr) return nullptr;
      return Unary(IDAPI_FOP_NOT, std::move(operand), at);
    }
    return Predicate(depth + 1);
  }

  std::unique_ptr<Node> Predicate(int depth) {
    if (IsWord("ISBLANK") || IsWord("NOTBLANK")) {
      const uint32_t op = IsWord("ISBLANK") ? IDAPI_FOP_ISBLANK : IDAPI_FOP_NOTBLANK;
      const size_t at = token_.position;
      Next();
      if (!IsSymbol("("))
        return Fail("'(' after " + std::string(op == IDAPI_FOP_ISBLANK ? "ISBLANK" : "NOTBLANK"));
      Next();
      auto operand = Sum(depth + 1);
      if (operand == nullptr) return nullptr;
      if (!IsSymbol(")")) return Fail("')' expected");
      Next();
      return Unary(op, std::move(operand), at);
    }
    const size_t start = token_.position;
    return PredicateRest(Sum(depth + 1), start, depth);
  }

  // What follows the left value of a comparison.
  std::unique_ptr<Node> PredicateRest(std::unique_ptr<Node> left, size_t start, int depth) {
    if (left == nullptr) return nullptr;
    // A condition in parentheses stands as it is.
    if (left->IsCondition()) return left;
    static const struct {
      const char* symbol;
      uint32_t op;
    } kRelations[] = {{"=", IDAPI_FOP_EQ}, {"<>", IDAPI_FOP_NE}, {"!=", IDAPI_FOP_NE},
                      {"<", IDAPI_FOP_LT}, {">", IDAPI_FOP_GT},  {"<=", IDAPI_FOP_LE},
                      {">=", IDAPI_FOP_GE}};
    for (const auto& r : kRelations) {
      if (!IsSymbol(r.symbol)) continue;
      const size_t at = token_.position;
      Next();
      auto right = Sum(depth + 1);
      if (right == nullptr || !Values(*left, *right, at)) return nullptr;
      if (!Typed(left.get(), right.get()) || !Typed(right.get(), left.get())) return nullptr;
      return Binary(r.op, std::move(left), std::move(right), at);
    }
    if (IsWord("LIKE")) {
      const size_t at = token_.position;
      Next();
      if (token_.kind != Token::kString) return Fail("a string after LIKE");
      auto pattern = Constant(IDAPI_TYPE_STRING, token_.text);
      pattern->stringConstant = true;
      Next();
      return Binary(IDAPI_FOP_LIKE, std::move(left), std::move(pattern), at);
    }
    return Fail("a comparison (=, <>, <, >, <=, >=, LIKE) is expected",
                token_.kind == Token::kEnd ? start : 0);
  }

  // A string compared with a date, time or timestamp field becomes a value
  // of that type.
  bool Typed(Node* constant, const Node* other) {
    if (!constant->stringConstant || other->cls != IDAPI_FNODE_FIELD) return true;
    const uint16_t type = other->fieldType;
    if (type != IDAPI_TYPE_DATE && type != IDAPI_TYPE_TIME && type != IDAPI_TYPE_TIMESTAMP) {
      return true;
    }
    const std::string text(constant->value.begin(), constant->value.end() - 1);
    std::vector<uint8_t> value;
    if (!TextToValue(type, 8, text, &value)) {
      Fail("'" + text + "' is no value of the field " + other->name, constant->position);
      return false;
    }
    constant->constType = type;
    constant->value = value;
    return true;
  }

  std::unique_ptr<Node> Sum(int depth) {
    if (Deep(depth)) return nullptr;
    auto left = Term(depth + 1);
    while (left != nullptr && (IsSymbol("+") || IsSymbol("-"))) {
      const uint32_t op = IsSymbol("+") ? IDAPI_FOP_ADD : IDAPI_FOP_SUBTRACT;
      const size_t at = token_.position;
      Next();
      auto right = Term(depth + 1);
      if (right == nullptr || !Values(*left, *right, at)) return nullptr;
      left = Binary(op, std::move(left), std::move(right), at);
    }
    return left;
  }

  std::unique_ptr<Node> Term(int depth) {
    if (Deep(depth)) return nullptr;
    auto left = UnaryMinus(depth + 1);
    while (left != nullptr && (IsSymbol("*") || IsSymbol("/"))) {
      const uint32_t op = IsSymbol("*") ? IDAPI_FOP_MULTIPLY : IDAPI_FOP_DIVIDE;
      const size_t at = token_.position;
      Next();
      auto right = UnaryMinus(depth + 1);
      if (right == nullptr || !Values(*left, *right, at)) return nullptr;
      left = Binary(op, std::move(left), std::move(right), at);
    }
    return left;
  }

  std::unique_ptr<Node> UnaryMinus(int depth) {
    if (Deep(depth)) return nullptr;
    if (IsSymbol("-")) {
      const size_t at = token_.position;
      Next();
      auto operand = UnaryMinus(depth + 1);
      if (operand == nullptr || !Values(*operand, *operand, at)) return nullptr;
      return Unary(IDAPI_FOP_NEGATE, std::move(operand), at);
    }
    return Primary(depth + 1);
  }

  std::unique_ptr<Node> Constant(uint16_t type, const std::string& text) {
    auto n = std::make_unique<Node>();
    n->cls = IDAPI_FNODE_CONSTANT;
    n->constType = type;
    n->position = token_.position;
    if (type == IDAPI_TYPE_STRING) {
      n->value.assign(text.begin(), text.end());
      n->value.push_back(0);
    }
    return n;
  }

  std::unique_ptr<Node> Primary(int depth) {
    const Token t = token_;
    if (t.kind == Token::kNumber) {
      Next();
      errno = 0;
      char* end = nullptr;
      const long long integer = std::strtoll(t.text.c_str(), &end, 10);
      if (*end == '\0' && errno == 0 && integer >= INT32_MIN && integer <= INT32_MAX) {
        auto n = Constant(IDAPI_TYPE_INT32, "");
        n->position = t.position;
        const int32_t v = static_cast<int32_t>(integer);
        n->value.resize(4);
        std::memcpy(n->value.data(), &v, 4);
        return n;
      }
      const double d = std::strtod(t.text.c_str(), &end);
      if (*end != '\0' || !std::isfinite(d))
        return Fail("'" + t.text + "' is no number", t.position);
      auto n = Constant(IDAPI_TYPE_FLOAT, "");
      n->position = t.position;
      n->value.resize(8);
      std::memcpy(n->value.data(), &d, 8);
      return n;
    }
    if (t.kind == Token::kString) {
      Next();
      auto n = Constant(IDAPI_TYPE_STRING, t.text);
      n->position = t.position;
      n->stringConstant = true;
      return n;
    }
    if (t.kind == Token::kName && (IsWord("DATE") || IsWord("TIME") || IsWord("TIMESTAMP"))) {
      const uint16_t type = IsWord("DATE")   ? IDAPI_TYPE_DATE
                            : IsWord("TIME") ? IDAPI_TYPE_TIME
                                             : IDAPI_TYPE_TIMESTAMP;
      Next();
      if (token_.kind != Token::kString) return Fail("a quoted value after " + t.text);
      std::vector<uint8_t> value;
      if (!TextToValue(type, 8, token_.text, &value)) {
        return Fail("'" + token_.text + "' is no " + t.text, token_.position);
      }
      auto n = Constant(type, "");
      n->position = t.position;
      n->value = value;
      Next();
      return n;
    }
    if (t.kind == Token::kName) {
      for (const FilterField& f : fields_) {
        if (!wire::EqualsIgnoringCase(f.name, t.text)) continue;
        Next();
        auto n = std::make_unique<Node>();
        n->cls = IDAPI_FNODE_FIELD;
        n->fieldNumber = f.number;
        n->fieldType = f.type;
        n->name = f.name;
        n->position = t.position;
        return n;
      }
      return Fail("no field " + t.text, t.position);
    }
    if (IsSymbol("(")) {
      // A value or a condition: read a value, and go on as a condition when
      // one follows.
      Next();
      std::unique_ptr<Node> inner;
      if (IsWord("NOT") || IsWord("ISBLANK") || IsWord("NOTBLANK")) {
        inner = Or(depth + 1);
      } else {
        const size_t start = token_.position;
        inner = Sum(depth + 1);
        if (inner != nullptr && (inner->IsCondition() || !IsSymbol(")"))) {
          inner = OrRest(AndRest(PredicateRest(std::move(inner), start, depth), depth), depth);
        }
      }
      if (inner == nullptr) return nullptr;
      if (!IsSymbol(")")) return Fail("')' expected");
      Next();
      return inner;
    }
    if (t.kind == Token::kEnd) return Fail("the filter ends where a value is expected");
    return Fail("'" + t.text + "' where a value is expected");
  }

  std::string_view text_;
  const std::vector<FilterField>& fields_;
  size_t at_ = 0;
  Token token_;
};

// Writes the tree: nodes in pre-order (the root first), literals after them.
class Writer {
 public:
  bool Write(const Node& root, std::vector<uint8_t>* out) {
    Reserve(root, 1);
    if (deepest_ > kMaxFilterHeight) {
      problem = "the filter is nested too deeply";
      return false;
    }
    const size_t nodeArea = IDAPI_FEXPR_HEADER_SIZE;
    const size_t literalArea = nodeArea + nodes_.size();
    const size_t total = literalArea + literals_.size();
    if (total > 0xFFFF) {
      problem = "the filter is too large";
      return false;
    }
    out->assign(total, 0);
    idapi_put_u16(out->data(), IDAPI_FEXPR_VERSION, 1);
    idapi_put_u16(out->data(), IDAPI_FEXPR_TOTAL_SIZE, static_cast<uint16_t>(total));
    idapi_put_u16(out->data(), IDAPI_FEXPR_NODE_COUNT, static_cast<uint16_t>(count_));
    idapi_put_u16(out->data(), IDAPI_FEXPR_NODE_AREA, static_cast<uint16_t>(nodeArea));
    idapi_put_u16(out->data(), IDAPI_FEXPR_LITERAL_AREA, static_cast<uint16_t>(literalArea));
    std::memcpy(out->data() + nodeArea, nodes_.data(), nodes_.size());
    std::memcpy(out->data() + literalArea, literals_.data(), literals_.size());
    return true;
  }

 private:
  static size_t SizeOf(const Node& n) {
    switch (n.cls) {
      case IDAPI_FNODE_UNARY:
        return IDAPI_FNODE_UNARY_SIZE;
      case IDAPI_FNODE_BINARY:  // NOLINT(bugprone-branch-clone): a size per class, two equal
        return IDAPI_FNODE_BINARY_SIZE;
      case IDAPI_FNODE_FIELD:
        return IDAPI_FNODE_FIELD_SIZE;
      default:
        return IDAPI_FNODE_CONST_SIZE_BYTES;
    }
  }

  uint16_t Literal(const std::vector<uint8_t>& bytes) {
    const size_t at = literals_.size();
    literals_.insert(literals_.end(), bytes.begin(), bytes.end());
    return static_cast<uint16_t>(at);
  }

  // Places `n` and its children; answers its offset in the node area.
  uint16_t Reserve(const Node& n, int depth) {
    deepest_ = std::max(deepest_, depth);
    const size_t at = nodes_.size();
    nodes_.resize(at + SizeOf(n), 0);
    ++count_;
    idapi_put_u32(nodes_.data() + at, IDAPI_FNODE_CLASS, n.cls);
    idapi_put_u32(nodes_.data() + at, IDAPI_FNODE_OPERATOR, n.op);
    switch (n.cls) {
      case IDAPI_FNODE_UNARY: {
        const uint16_t operand = Reserve(*n.left, depth + 1);
        idapi_put_u16(nodes_.data() + at, IDAPI_FNODE_OPERAND, operand);
        break;
      }
      case IDAPI_FNODE_BINARY: {
        const uint16_t left = Reserve(*n.left, depth + 1);
        const uint16_t right = Reserve(*n.right, depth + 1);
        idapi_put_u16(nodes_.data() + at, IDAPI_FNODE_LEFT, left);
        idapi_put_u16(nodes_.data() + at, IDAPI_FNODE_RIGHT, right);
        break;
      }
      case IDAPI_FNODE_FIELD: {
        std::vector<uint8_t> name(n.name.begin(), n.name.end());
        name.push_back(0);
        idapi_put_u16(nodes_.data() + at, IDAPI_FNODE_FIELD_NUMBER, n.fieldNumber);
        idapi_put_u16(nodes_.data() + at, IDAPI_FNODE_FIELD_NAME, Literal(name));
        break;
      }
      default:
        idapi_put_u16(nodes_.data() + at, IDAPI_FNODE_CONST_TYPE, n.constType);
        idapi_put_u16(nodes_.data() + at, IDAPI_FNODE_CONST_SIZE,
                      static_cast<uint16_t>(n.value.size()));
        idapi_put_u16(nodes_.data() + at, IDAPI_FNODE_CONST_VALUE, Literal(n.value));
        break;
    }
    return static_cast<uint16_t>(at);
  }

  std::vector<uint8_t> nodes_;
  std::vector<uint8_t> literals_;
  size_t count_ = 0;
  int deepest_ = 0;

 public:
  std::string problem;
};

}  // namespace

ParsedFilter ParseFilter(std::string_view text, const std::vector<FilterField>& fields) {
  ParsedFilter result;
  if (text.size() > kMaxFilterText) {
    result.error = "the filter is longer than " + std::to_string(kMaxFilterText) + " characters";
    result.position = kMaxFilterText + 1;
    return result;
  }
  Parser parser(text, fields);
  std::unique_ptr<Node> root = parser.Parse();
  if (root == nullptr) {
    result.error = parser.error.empty() ? "the filter cannot be read" : parser.error;
    result.position = parser.position;
    return result;
  }
  Writer writer;
  if (!writer.Write(*root, &result.expression)) {
    result.error = writer.problem;
    result.position = 1;
    result.expression.clear();
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace vantora::engine
