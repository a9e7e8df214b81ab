#include "host/cl/cl_parser.h"

namespace vantora::host::cl {
namespace {

constexpr const char* kUnbalanced = "CPD0006";
constexpr const char* kNoClosingQuote = "CPD0014";
constexpr const char* kNameNotValid = "CPD0013";
constexpr const char* kCharNotValid = "CPD0020";
constexpr const char* kTooLarge = "CPD0031";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsNameStart(char c) {
  c = Upper(c);
  return (c >= 'A' && c <= 'Z') || c == '$' || c == '#' || c == '@';
}

bool IsNameChar(char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '_' || c == '.';
}

class Parser {
 public:
  Parser(std::string_view text, ClSyntaxError* error) : text_(text), error_(error) {}

  bool Command(ClCommand* out) {
    SkipBlanks();
    if (!ok_) return false;
    std::string first;
    if (!Name(&first)) return Fail(kNameNotValid, "command name missing or not valid");
    if (Peek() == '/') {
      ++pos_;
      out->library = first;
      if (!Name(&out->name)) return Fail(kNameNotValid, "command name after the library");
    } else {
      out->name = first;
    }
    if (pos_ < text_.size() && !IsBlank(text_[pos_]) && text_[pos_] != '(') {
      return Fail(kCharNotValid, "character not valid in the command name");
    }
    while (true) {
      SkipBlanks();
      if (!ok_) return false;
      if (pos_ >= text_.size()) break;
      ClParameter p;
      if (!Parameter(&p)) return false;
      out->parameters.push_back(std::move(p));
    }
    return ok_;
  }

 private:
  char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

  bool Fail(const char* id, std::string detail) {
    if (ok_) {
      error_->messageId = id;
      error_->detail = std::move(detail);
      error_->offset = pos_;
    }
    ok_ = false;
    return false;
  }

  void SkipBlanks() {
    while (pos_ < text_.size()) {
      if (IsBlank(text_[pos_])) {
        ++pos_;
      } else if (text_.compare(pos_, 2, "/*") == 0) {
        size_t end = text_.find("*/", pos_ + 2);
        if (end == std::string_view::npos) {
          Fail(kCharNotValid, "comment not closed");
          return;
        }
        pos_ = end + 2;
      } else {
        return;
      }
    }
  }

  bool Name(std::string* out) {
    if (!IsNameStart(Peek())) return false;
    size_t start = pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_]) && text_[pos_] != '.') ++pos_;
    if (pos_ - start > 10) return false;
    for (size_t i = start; i < pos_; ++i) out->push_back(Upper(text_[i]));
    return true;
  }

  bool Count() {
    if (++elements_ > kMaxElements) return Fail(kTooLarge, "too many values");
    return true;
  }

  bool Parameter(ClParameter* out) {
    // A keyword is a name glued to its opening parenthesis.
    size_t start = pos_;
    std::string keyword;
    if (Name(&keyword) && Peek() == '(') {
      ++pos_;
      out->keyword = std::move(keyword);
      return Elements(1, &out->elements);
    }
    pos_ = start;
    ClElement e;
    if (!Element(0, &e)) return false;
    if (e.kind == ClElement::Kind::kList) {
      out->elements = std::move(e.items);
    } else {
      out->elements.push_back(std::move(e));
    }
    return true;
  }

  // Elements up to the closing parenthesis, which is consumed.
  bool Elements(int depth, std::vector<ClElement>* out) {
    if (depth > kMaxNesting) return Fail(kTooLarge, "parentheses nested too deeply");
    while (true) {
      SkipBlanks();
      if (!ok_) return false;
      if (pos_ >= text_.size()) return Fail(kUnbalanced, "closing parenthesis missing");
      if (text_[pos_] == ')') {
        ++pos_;
        return true;
      }
      ClElement e;
      if (!Element(depth, &e)) return false;
      out->push_back(std::move(e));
    }
  }

  bool Element(int depth, ClElement* out) {
    if (!Count()) return false;
    char c = Peek();
    if (c == '(') {
      ++pos_;
      out->kind = ClElement::Kind::kList;
      return Elements(depth + 1, &out->items);
    }
    if (c == ')') return Fail(kUnbalanced, "closing parenthesis without an opening one");
    if (c == '\'') {
      out->kind = ClElement::Kind::kQuoted;
      ++pos_;
      while (true) {
        if (pos_ >= text_.size()) return Fail(kNoClosingQuote, "closing apostrophe missing");
        char d = text_[pos_++];
        if (d == '\'') {
          if (Peek() != '\'') break;
          ++pos_;
        }
        out->text.push_back(d);
      }
      return true;
    }
    out->kind = ClElement::Kind::kWord;
    while (pos_ < text_.size()) {
      char d = text_[pos_];
      if (IsBlank(d) || d == '(' || d == ')') break;
      if (d == '\'') return Fail(kCharNotValid, "apostrophe inside a value");
      out->text.push_back(Upper(d));
      ++pos_;
    }
    return true;
  }

  std::string_view text_;
  ClSyntaxError* error_;
  size_t pos_ = 0;
  size_t elements_ = 0;
  bool ok_ = true;
};

}  // namespace

bool ParseClCommand(std::string_view text, ClCommand* out, ClSyntaxError* error) {
  *out = ClCommand{};
  *error = ClSyntaxError{};
  if (text.size() > kMaxCommandLength) {
    error->messageId = kTooLarge;
    error->detail = "command longer than " + std::to_string(kMaxCommandLength) + " bytes";
    return false;
  }
  Parser parser(text, error);
  return parser.Command(out);
}

}  // namespace vantora::host::cl
