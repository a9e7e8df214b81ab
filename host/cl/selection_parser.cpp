#include "host/cl/selection_parser.h"

#include <cstdint>

namespace vantora::host::cl {
namespace {

using Kind = SelectionNode::Kind;

constexpr const char* kSyntax = "CPD3104";
constexpr const char* kNotValid = "CPD3109";

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsNameChar(char c) {
  c = Upper(c);
  return (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '_' || c == '$' || c == '#' || c == '@';
}

struct Token {
  enum class Type { kEnd, kName, kStar, kPercent, kNumber, kString, kSymbol };
  Type type = Type::kEnd;
  std::string text;  // names, *words and %words upper case; symbols as written ("¬" as "^")
  size_t offset = 0;
};

class Parser {
 public:
  Parser(std::string_view text, SelectionError* error) : text_(text), error_(error) {}

  bool Parse(SelectionNode* out) {
    if (!Next()) return false;
    if (!Or(0, out)) return false;
    if (tok_.type != Token::Type::kEnd) return Fail(kSyntax, "unexpected '" + tok_.text + "'");
    return true;
  }

 private:
  bool Fail(const char* id, std::string detail) {
    if (ok_) {
      error_->messageId = id;
      error_->detail = std::move(detail);
      error_->offset = tok_.offset;
    }
    ok_ = false;
    return false;
  }

  bool Count() {
    if (++nodes_ > kMaxSelectionNodes) return Fail(kSyntax, "selection too large");
    return true;
  }

  bool IsNot(size_t at) const {
    unsigned char c = static_cast<unsigned char>(text_[at]);
    return c == 0xAC || (c == 0xC2 && at + 1 < text_.size() &&
                         static_cast<unsigned char>(text_[at + 1]) == 0xAC);
  }
  size_t NotWidth(size_t at) const { return static_cast<unsigned char>(text_[at]) == 0xC2 ? 2 : 1; }

  // Reads the next token into tok_.
  bool Next() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\n')) {
      ++pos_;
    }
    tok_ = Token{};
    tok_.offset = pos_;
    if (pos_ >= text_.size()) return true;
    char c = text_[pos_];
    if (c == '\'' || c == '"') return String(c);
    if (IsDigit(c) || (c == '.' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]))) {
      return Number();
    }
    if ((c == '*' || c == '%') && pos_ + 1 < text_.size() && IsNameChar(text_[pos_ + 1]) &&
        !IsDigit(text_[pos_ + 1])) {
      size_t start = ++pos_;
      while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
      tok_.type = c == '*' ? Token::Type::kStar : Token::Type::kPercent;
      tok_.text = c;
      for (size_t i = start; i < pos_; ++i) tok_.text.push_back(Upper(text_[i]));
      return true;
    }
    if (IsNameChar(c)) {
      tok_.type = Token::Type::kName;
      while (pos_ < text_.size() && IsNameChar(text_[pos_]))
        tok_.text.push_back(Upper(text_[pos_++]));
      return true;
    }
    tok_.type = Token::Type::kSymbol;
    if (IsNot(pos_)) {
      pos_ += NotWidth(pos_);
      tok_.text = "^";
      if (pos_ < text_.size() && (text_[pos_] == '=' || text_[pos_] == '>' || text_[pos_] == '<')) {
        tok_.text.push_back(text_[pos_++]);
      }
      return true;
    }
    tok_.text = c;
    ++pos_;
    if ((c == '<' || c == '>') && pos_ < text_.size() &&
        (text_[pos_] == '=' || (c == '<' && text_[pos_] == '>'))) {
      tok_.text.push_back(text_[pos_++]);
    }
    static const std::string_view kSymbols = "()=<>&|+-*/,";
    if (kSymbols.find(c) == std::string_view::npos) {
      return Fail(kSyntax, "character '" + std::string(1, c) + "' not valid");
    }
    return true;
  }

  bool String(char quote) {
    tok_.type = Token::Type::kString;
    ++pos_;
    while (true) {
      if (pos_ >= text_.size()) return Fail(kSyntax, "constant not closed");
      char c = text_[pos_++];
      if (c == quote) {
        if (pos_ < text_.size() && text_[pos_] == quote) {
          ++pos_;
        } else {
          return true;
        }
      } else if (quote == '"' && c == '\'' && pos_ < text_.size() && text_[pos_] == '\'') {
        ++pos_;
      }
      tok_.text.push_back(c);
    }
  }

  bool Number() {
    tok_.type = Token::Type::kNumber;
    bool dot = false;
    while (pos_ < text_.size() && (IsDigit(text_[pos_]) || (text_[pos_] == '.' && !dot))) {
      dot = dot || text_[pos_] == '.';
      tok_.text.push_back(text_[pos_++]);
    }
    if (pos_ < text_.size() && Upper(text_[pos_]) == 'E') {
      size_t save = pos_;
      std::string exp = "E";
      ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) exp += text_[pos_++];
      if (pos_ < text_.size() && IsDigit(text_[pos_])) {
        while (pos_ < text_.size() && IsDigit(text_[pos_])) exp += text_[pos_++];
        tok_.text += exp;
      } else {
        pos_ = save;
      }
    }
    if (pos_ < text_.size() && IsNameChar(text_[pos_])) return Fail(kSyntax, "number not valid");
    return true;
  }

  bool Is(Token::Type t, std::string_view text) const {
    return tok_.type == t && tok_.text == text;
  }
  bool IsSymbol(std::string_view s) const { return Is(Token::Type::kSymbol, s); }

  bool Expect(std::string_view symbol) {
    if (!IsSymbol(symbol)) {
      return Fail(kSyntax, "'" + std::string(symbol) + "' expected" +
                               (tok_.type == Token::Type::kEnd ? " at the end" : ""));
    }
    return Next();
  }

  bool Binary(Kind kind, int depth, bool (Parser::*operand)(int, SelectionNode*),
              bool (Parser::*isOp)() const, SelectionNode* out) {
    if (!(this->*operand)(depth, out)) return false;
    if (!(this->*isOp)()) return true;
    SelectionNode group;
    group.kind = kind;
    group.children.push_back(std::move(*out));
    while ((this->*isOp)()) {
      if (!Next() || !Count()) return false;
      SelectionNode right;
      if (!(this->*operand)(depth, &right)) return false;
      group.children.push_back(std::move(right));
    }
    *out = std::move(group);
    return true;
  }

  bool IsOr() const { return Is(Token::Type::kStar, "*OR") || IsSymbol("|"); }
  bool IsAnd() const { return Is(Token::Type::kStar, "*AND") || IsSymbol("&"); }

  bool Or(int depth, SelectionNode* out) {
    if (depth > kMaxSelectionDepth) return Fail(kSyntax, "selection nested too deeply");
    return Binary(Kind::kOr, depth, &Parser::And, &Parser::IsOr, out);
  }
  bool And(int depth, SelectionNode* out) {
    return Binary(Kind::kAnd, depth, &Parser::Not, &Parser::IsAnd, out);
  }

  bool Not(int depth, SelectionNode* out) {
    if (Is(Token::Type::kStar, "*NOT") || IsSymbol("^")) {
      if (depth > kMaxSelectionDepth) return Fail(kSyntax, "selection nested too deeply");
      if (!Next() || !Count()) return false;
      out->kind = Kind::kNot;
      out->children.resize(1);
      return Not(depth + 1, &out->children[0]);
    }
    return Comparison(depth, out);
  }

  // The relation at the current token; false when there is none.
  bool Relation(Kind* kind, CompareOp* op) const {
    struct Entry {
      Token::Type type;
      std::string_view text;
      Kind kind;
      CompareOp op;
    };
    static const Entry kRelations[] = {
        {Token::Type::kStar, "*EQ", Kind::kCompare, CompareOp::kEq},
        {Token::Type::kStar, "*NE", Kind::kCompare, CompareOp::kNe},
        {Token::Type::kStar, "*GT", Kind::kCompare, CompareOp::kGt},
        {Token::Type::kStar, "*LT", Kind::kCompare, CompareOp::kLt},
        {Token::Type::kStar, "*GE", Kind::kCompare, CompareOp::kGe},
        {Token::Type::kStar, "*LE", Kind::kCompare, CompareOp::kLe},
        {Token::Type::kStar, "*NG", Kind::kCompare, CompareOp::kLe},
        {Token::Type::kStar, "*NL", Kind::kCompare, CompareOp::kGe},
        {Token::Type::kSymbol, "=", Kind::kCompare, CompareOp::kEq},
        {Token::Type::kSymbol, "<>", Kind::kCompare, CompareOp::kNe},
        {Token::Type::kSymbol, "^=", Kind::kCompare, CompareOp::kNe},
        {Token::Type::kSymbol, ">", Kind::kCompare, CompareOp::kGt},
        {Token::Type::kSymbol, "<", Kind::kCompare, CompareOp::kLt},
        {Token::Type::kSymbol, ">=", Kind::kCompare, CompareOp::kGe},
        {Token::Type::kSymbol, "<=", Kind::kCompare, CompareOp::kLe},
        {Token::Type::kSymbol, "^>", Kind::kCompare, CompareOp::kLe},
        {Token::Type::kSymbol, "^<", Kind::kCompare, CompareOp::kGe},
        {Token::Type::kStar, "*CT", Kind::kContains, CompareOp::kEq},
        {Token::Type::kName, "CONT", Kind::kContains, CompareOp::kEq},
        {Token::Type::kName, "LIKE", Kind::kLike, CompareOp::kEq},
    };
    for (const Entry& e : kRelations) {
      if (tok_.type == e.type && tok_.text == e.text) {
        *kind = e.kind;
        *op = e.op;
        return true;
      }
    }
    return false;
  }

  bool IsAggregate() const {
    if (tok_.type != Token::Type::kName) return false;
    for (std::string_view a : {"SUM", "COUNT", "MIN", "MAX", "AVG"}) {
      if (tok_.text == a) return true;
    }
    return false;
  }

  bool Comparison(int depth, SelectionNode* out) {
    if (!Sum(depth, out)) return false;
    Kind kind;
    CompareOp op;
    if (!Relation(&kind, &op)) {
      if (IsAggregate()) return Fail(kNotValid, tok_.text + " not valid in a selection");
      return true;
    }
    if (!Next() || !Count()) return false;
    SelectionNode left = std::move(*out);
    *out = SelectionNode{};
    if (kind == Kind::kCompare && tok_.type == Token::Type::kPercent) {
      if (op != CompareOp::kEq && op != CompareOp::kNe) {
        return Fail(kNotValid, tok_.text + " goes with *EQ or *NE");
      }
      SelectionNode fn;
      fn.children.push_back(std::move(left));
      if (!Function(depth, &fn)) return false;
      if (op == CompareOp::kNe) {
        out->kind = Kind::kNot;
        out->children.push_back(std::move(fn));
      } else {
        *out = std::move(fn);
      }
      return true;
    }
    out->kind = kind;
    out->op = op;
    out->children.push_back(std::move(left));
    out->children.emplace_back();
    return Sum(depth, &out->children[1]);
  }

  // %WLDCRD, %RANGE, %VALUES after *EQ; `fn` holds the operand already.
  bool Function(int depth, SelectionNode* fn) {
    std::string name = tok_.text;
    size_t minArgs = 1, maxArgs = 1;
    if (name == "%WLDCRD") {
      fn->kind = Kind::kWildcard;
      maxArgs = 2;
    } else if (name == "%RANGE") {
      fn->kind = Kind::kRange;
      minArgs = maxArgs = 2;
    } else if (name == "%VALUES") {
      fn->kind = Kind::kValues;
      maxArgs = 1000;
    } else {
      return Fail(kNotValid, "function " + name + " not valid here");
    }
    if (!Next() || !Expect("(")) return false;
    std::vector<SelectionNode> args;
    while (!IsSymbol(")")) {
      if (tok_.type == Token::Type::kEnd) return Fail(kSyntax, "')' expected at the end");
      if (args.size() == maxArgs) return Fail(kSyntax, "too many values for " + name);
      SelectionNode a;
      if (!Unary(depth + 1, &a)) return false;
      args.push_back(std::move(a));
      if (IsSymbol(",") && !Next()) return false;
    }
    if (args.size() < minArgs) return Fail(kSyntax, "too few values for " + name);
    if (!Next()) return false;
    if (fn->kind == Kind::kWildcard) {
      if (args[0].kind != Kind::kString) return Fail(kSyntax, "%WLDCRD needs a constant");
      if (args.size() == 2) {
        if (args[1].kind != Kind::kString || args[1].text.size() != 2) {
          return Fail(kSyntax, "%WLDCRD wildcards are two characters");
        }
        fn->wildOne = args[1].text[0];
        fn->wildAny = args[1].text[1];
      }
      fn->children.push_back(std::move(args[0]));
      return true;
    }
    for (SelectionNode& a : args) fn->children.push_back(std::move(a));
    return true;
  }

  bool IsAdditive() const { return IsSymbol("+") || IsSymbol("-"); }
  bool IsMultiplicative() const {
    return IsSymbol("*") || IsSymbol("/") || Is(Token::Type::kName, "MOD") ||
           Is(Token::Type::kName, "REM");
  }

  // Makes `*out` the left operand of a new arithmetic node that takes its
  // place; answers the node's right operand, still to be parsed.
  static SelectionNode* ArithNode(ArithOp op, SelectionNode* out) {
    SelectionNode node;
    node.kind = Kind::kArith;
    node.arith = op;
    node.children.push_back(std::move(*out));
    node.children.emplace_back();
    *out = std::move(node);
    return &out->children[1];
  }

  bool Sum(int depth, SelectionNode* out) {
    if (!Product(depth, out)) return false;
    int chain = depth;
    while (IsAdditive()) {
      // A chain builds a tree as deep as it is long: each link counts as a level.
      if (++chain > kMaxSelectionDepth) return Fail(kSyntax, "expression too long");
      ArithOp op = IsSymbol("+") ? ArithOp::kAdd : ArithOp::kSubtract;
      if (!Next() || !Count()) return false;
      SelectionNode* right = ArithNode(op, out);
      if (!Product(chain, right)) return false;
    }
    return true;
  }

  bool Product(int depth, SelectionNode* out) {
    if (!Unary(depth, out)) return false;
    int chain = depth;
    while (IsMultiplicative()) {
      // A chain builds a tree as deep as it is long: each link counts as a level.
      if (++chain > kMaxSelectionDepth) return Fail(kSyntax, "expression too long");
      ArithOp op = IsSymbol("*")                   ? ArithOp::kMultiply
                   : IsSymbol("/")                 ? ArithOp::kDivide
                   : Is(Token::Type::kName, "MOD") ? ArithOp::kModulo
                                                   : ArithOp::kRemainder;
      if (!Next() || !Count()) return false;
      SelectionNode* right = ArithNode(op, out);
      if (!Unary(chain, right)) return false;
    }
    return true;
  }

  bool Unary(int depth, SelectionNode* out) {
    if (depth > kMaxSelectionDepth) return Fail(kSyntax, "selection nested too deeply");
    if (IsSymbol("-") || IsSymbol("+")) {
      bool negate = IsSymbol("-");
      if (!Next() || !Count()) return false;
      if (negate && tok_.type == Token::Type::kNumber) {
        if (!Primary(depth, out)) return false;
        out->text.insert(0, "-");
        return true;
      }
      if (!negate) return Unary(depth + 1, out);
      out->kind = Kind::kNegate;
      out->children.resize(1);
      return Unary(depth + 1, &out->children[0]);
    }
    return Primary(depth, out);
  }

  bool Primary(int depth, SelectionNode* out) {
    if (!Count()) return false;
    switch (tok_.type) {
      case Token::Type::kEnd:
        return Fail(kSyntax, "operand missing at the end");
      case Token::Type::kNumber:
        out->kind = Kind::kNumber;
        out->text = tok_.text;
        return Next();
      case Token::Type::kString:
        out->kind = Kind::kString;
        out->text = tok_.text;
        return Next();
      case Token::Type::kName: {
        std::string name = tok_.text;
        if (!Next()) return false;
        if ((name == "ISBLANK" || name == "NOTBLANK") && IsSymbol("(")) {
          out->kind = name == "ISBLANK" ? Kind::kIsBlank : Kind::kNotBlank;
          out->children.resize(1);
          if (!Next() || !Or(depth + 1, &out->children[0])) return false;
          return Expect(")");
        }
        if (name == "NOT" && Is(Token::Type::kName, "DEFINED")) {
          return Fail(kNotValid, "operator NOT DEFINED not valid in a selection");
        }
        if (name.size() > 10 || IsDigit(name[0]))
          return Fail(kSyntax, "name " + name + " not valid");
        out->kind = Kind::kField;
        out->text = std::move(name);
        return true;
      }
      case Token::Type::kSymbol:
        if (IsSymbol("(")) {
          if (!Next() || !Or(depth + 1, out)) return false;
          return Expect(")");
        }
        return Fail(kSyntax, "operand expected before '" + tok_.text + "'");
      case Token::Type::kStar:
      case Token::Type::kPercent:
        return Fail(kSyntax, tok_.text + " not valid here");
    }
    return Fail(kSyntax, "operand expected");
  }

  std::string_view text_;
  SelectionError* error_;
  size_t pos_ = 0;
  Token tok_;
  size_t nodes_ = 0;
  bool ok_ = true;
};

}  // namespace

bool ParseSelection(std::string_view text, SelectionNode* out, SelectionError* error) {
  *out = SelectionNode{};
  *error = SelectionError{};
  if (text.size() > kMaxSelectionLength) {
    error->messageId = kSyntax;
    error->detail = "selection longer than " + std::to_string(kMaxSelectionLength) + " bytes";
    return false;
  }
  Parser parser(text, error);
  return parser.Parse(out);
}

}  // namespace vantora::host::cl
