#include "host/cl/dds_keywords.h"

namespace vantora::host::cl {
namespace {

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Keywords of one entry never nest deeper than this (DATFMT(*ISO) is 1).
constexpr int kMaxGroupDepth = 8;

}  // namespace

bool ParseDdsKeywords(std::string_view text, std::vector<DdsKeyword>* out, std::string* error) {
  out->clear();
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && text[i] == ' ') ++i;
  };
  while (true) {
    skipBlanks();
    if (i >= text.size()) return true;
    DdsKeyword k;
    while (i < text.size() && text[i] != ' ' && text[i] != '(') {
      char c = Upper(text[i]);
      bool ok = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
      if (!ok) {
        *error = "character '" + std::string(1, text[i]) + "' not valid in a keyword";
        return false;
      }
      k.name.push_back(c);
      ++i;
    }
    if (k.name.empty()) {
      *error = "keyword missing before '('";
      return false;
    }
    if (i < text.size() && text[i] == '(') {
      ++i;
      while (true) {
        skipBlanks();
        if (i >= text.size()) {
          *error = "closing parenthesis missing after " + k.name;
          return false;
        }
        if (text[i] == ')') {
          ++i;
          break;
        }
        DdsArgument a;
        if (text[i] == '\'') {
          a.quoted = true;
          ++i;
          while (true) {
            if (i >= text.size()) {
              *error = "closing apostrophe missing in " + k.name;
              return false;
            }
            char c = text[i++];
            if (c == '\'') {
              if (i < text.size() && text[i] == '\'') {
                ++i;
              } else {
                break;
              }
            }
            a.text.push_back(c);
          }
        } else if (text[i] == '(') {
          int depth = 0;
          do {
            if (i >= text.size()) {
              *error = "closing parenthesis missing in " + k.name;
              return false;
            }
            char c = text[i++];
            if (c == '(' && ++depth > kMaxGroupDepth) {
              *error = "parentheses nested too deeply in " + k.name;
              return false;
            }
            if (c == ')') --depth;
            a.text.push_back(Upper(c));
          } while (depth > 0);
        } else {
          while (i < text.size() && text[i] != ' ' && text[i] != '(' && text[i] != ')') {
            if (text[i] == '\'') {
              *error = "apostrophe inside a value of " + k.name;
              return false;
            }
            a.text.push_back(Upper(text[i++]));
          }
          if (i < text.size() && text[i] == '(') {
            *error = "unexpected '(' in " + k.name;
            return false;
          }
        }
        k.arguments.push_back(std::move(a));
      }
    }
    out->push_back(std::move(k));
  }
}

}  // namespace vantora::host::cl
