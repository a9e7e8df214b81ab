#include "driver/cursors/filter_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "idapi.h"

namespace vantora::driver {
namespace {

// Lays out an expression by hand: nodes are appended to the node area and
// literals to the literal area, each returning its offset.
class Tree {
 public:
  uint16_t Node(uint32_t cls, uint32_t op, std::initializer_list<uint16_t> words) {
    const size_t at = nodes_.size();
    nodes_.resize(at + 8 + 2 * words.size());
    idapi_put_u32(nodes_.data(), at + IDAPI_FNODE_CLASS, cls);
    idapi_put_u32(nodes_.data(), at + IDAPI_FNODE_OPERATOR, op);
    size_t w = at + 8;
    for (uint16_t v : words) {
      idapi_put_u16(nodes_.data(), w, v);
      w += 2;
    }
    return static_cast<uint16_t>(at);
  }
  uint16_t Literal(const void* bytes, size_t n) {
    const size_t at = literals_.size();
    literals_.insert(literals_.end(), static_cast<const uint8_t*>(bytes),
                     static_cast<const uint8_t*>(bytes) + n);
    return static_cast<uint16_t>(at);
  }
  uint16_t Field(const char* name) {
    return Node(IDAPI_FNODE_FIELD, 0, {1, Literal(name, std::strlen(name) + 1)});
  }
  uint16_t Constant(uint16_t type, const void* value, uint16_t size) {
    return Node(IDAPI_FNODE_CONSTANT, 0, {type, size, Literal(value, size)});
  }
  // The root must be the first node: reserve it, then fill it in last.
  std::vector<uint8_t> Bytes() const {
    // Sized once and filled in place: growing it by inserts makes GCC 12
    // at -O3 report bounds that are not crossed.
    const size_t literalArea = IDAPI_FEXPR_HEADER_SIZE + nodes_.size();
    std::vector<uint8_t> e(literalArea + literals_.size());
    idapi_put_u16(e.data(), IDAPI_FEXPR_VERSION, 1);
    idapi_put_u16(e.data(), IDAPI_FEXPR_NODE_AREA, IDAPI_FEXPR_HEADER_SIZE);
    idapi_put_u16(e.data(), IDAPI_FEXPR_LITERAL_AREA, static_cast<uint16_t>(literalArea));
    std::copy(nodes_.begin(), nodes_.end(), e.begin() + IDAPI_FEXPR_HEADER_SIZE);
    std::copy(literals_.begin(), literals_.end(), e.begin() + static_cast<ptrdiff_t>(literalArea));
    idapi_put_u16(e.data(), IDAPI_FEXPR_TOTAL_SIZE, static_cast<uint16_t>(e.size()));
    return e;
  }
  std::vector<uint8_t> nodes_, literals_;
};

// A tree whose root compares FIELD with one constant.
std::vector<uint8_t> Compare(uint32_t op, uint16_t type, const void* value, uint16_t size) {
  Tree t;
  const uint16_t root = t.Node(IDAPI_FNODE_BINARY, op, {0, 0});
  const uint16_t field = t.Field("FIELD");
  const uint16_t constant = t.Constant(type, value, size);
  idapi_put_u16(t.nodes_.data(), root + IDAPI_FNODE_LEFT, field);
  idapi_put_u16(t.nodes_.data(), root + IDAPI_FNODE_RIGHT, constant);
  return t.Bytes();
}

TEST(FilterText, ConstantsOfEachType) {
  const int16_t minus = -7;
  const uint16_t big16 = 65535;
  const uint32_t big32 = 4294967295u;
  const int32_t march2001 = 730544;  // 2001-03-01 as the engine counts days
  const uint32_t afternoon = (13 * 3600 + 5 * 60 + 9) * 1000 + 250;
  const double stamp = 730544.0 * 86400000.0 + afternoon;
  const double third = 1.0 / 3.0;
  const struct {
    uint32_t op;
    uint16_t type;
    const void* value;
    uint16_t size;
    const char* text;
  } cases[] = {
      {IDAPI_FOP_EQ, IDAPI_TYPE_STRING, "NY\0junk", 8, "(FIELD *EQ \"NY\")"},
      {IDAPI_FOP_EQ, IDAPI_TYPE_STRING, "ABCDEF", 3, "(FIELD *EQ \"ABC\")"},
      {IDAPI_FOP_NE, IDAPI_TYPE_INT16, &minus, 2, "(FIELD *NE -7)"},
      {IDAPI_FOP_GT, IDAPI_TYPE_BOOL, &minus, 2, "(FIELD > -7)"},
      {IDAPI_FOP_LT, IDAPI_TYPE_UINT16, &big16, 2, "(FIELD < 65535)"},
      {IDAPI_FOP_GE, IDAPI_TYPE_UINT32, &big32, 4, "(FIELD >= 4294967295)"},
      {IDAPI_FOP_LE, IDAPI_TYPE_DATE, &march2001, 4, "(FIELD <= \"2001-03-01\")"},
      {IDAPI_FOP_EQ, IDAPI_TYPE_TIME, &afternoon, 4, "(FIELD *EQ \"13.05.09\")"},
      {IDAPI_FOP_EQ, IDAPI_TYPE_TIMESTAMP, &stamp, 8, "(FIELD *EQ \"2001-03-01-13.05.09.250000\")"},
      {IDAPI_FOP_EQ, IDAPI_TYPE_FLOAT, &third, 8, "(FIELD *EQ 0.3333333333333333)"},
      {IDAPI_FOP_ADD, IDAPI_TYPE_INT16, &minus, 2, "(FIELD + -7)"},
      {IDAPI_FOP_MOD, IDAPI_TYPE_INT16, &minus, 2, "(FIELD MOD -7)"},
      {IDAPI_FOP_CONT, IDAPI_TYPE_STRING, "X", 2, "(FIELD CONT \"X\")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::vector<uint8_t> e = Compare(c.op, c.type, c.value, c.size);
    const FilterText t = TranslateFilter(e.data(), e.size());
    ASSERT_TRUE(t.ok) << t.problem;
    EXPECT_EQ(t.text, c.text);
  }
}

TEST(FilterText, WhatCannotBeWrittenFailsTheWholeFilter) {
  const int32_t one = 1;
  const struct {
    const char* why;
    std::vector<uint8_t> bytes;
    const char* problem;
  } cases[] = {
      {"an unknown operator", Compare(0x77, IDAPI_TYPE_INT32, &one, 4),
       "an operator without a selection text"},
      {"a type without a text", Compare(IDAPI_FOP_EQ, IDAPI_TYPE_BLOB, &one, 4),
       "a constant of a type without a text"},
      {"a constant shorter than its type", Compare(IDAPI_FOP_EQ, IDAPI_TYPE_INT32, &one, 2),
       "a constant is too short"},
      {"a day that is no date", Compare(IDAPI_FOP_EQ, IDAPI_TYPE_DATE, "\xff\xff\xff\x7f", 4),
       "a date constant that is no date"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const FilterText t = TranslateFilter(c.bytes.data(), c.bytes.size());
    EXPECT_FALSE(t.ok);
    EXPECT_EQ(t.problem, c.problem);
  }

  // A comparison node below an AND: the AND's left part alone is not sent.
  Tree t;
  const uint16_t root = t.Node(IDAPI_FNODE_BINARY, IDAPI_FOP_AND, {0, 0});
  const uint16_t left = t.Field("A");
  const uint16_t right = t.Node(IDAPI_FNODE_COMPARE, IDAPI_FOP_EQ, {0, 0});
  idapi_put_u16(t.nodes_.data(), root + IDAPI_FNODE_LEFT, left);
  idapi_put_u16(t.nodes_.data(), root + IDAPI_FNODE_RIGHT, right);
  const std::vector<uint8_t> e = t.Bytes();
  const FilterText r = TranslateFilter(e.data(), e.size());
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.text.empty());
  EXPECT_EQ(r.problem, "a node class the selection cannot hold");
}

TEST(FilterText, OffsetsAreCheckedAgainstTheExpression) {
  const int32_t one = 1;
  std::vector<uint8_t> good = Compare(IDAPI_FOP_EQ, IDAPI_TYPE_INT32, &one, 4);
  ASSERT_TRUE(TranslateFilter(good.data(), good.size()).ok);
  // Every cut of the expression short of its end fails without reading past it.
  for (size_t n = 0; n < good.size(); ++n) {
    SCOPED_TRACE(n);
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
    EXPECT_FALSE(TranslateFilter(cut.data(), cut.size()).ok);
  }
  // A node that points at itself is nesting without end.
  Tree loop;
  loop.Node(IDAPI_FNODE_UNARY, IDAPI_FOP_NOT, {0});
  std::vector<uint8_t> e = loop.Bytes();
  const FilterText t = TranslateFilter(e.data(), e.size());
  EXPECT_FALSE(t.ok);
  EXPECT_EQ(t.problem, "the expression is nested too deeply");
  // A field name without its terminating zero inside the expression.
  Tree name;
  name.Node(IDAPI_FNODE_FIELD, 0, {1, name.Literal("ABCDEFGHIJKL", 12)});
  e = name.Bytes();
  EXPECT_FALSE(TranslateFilter(e.data(), e.size()).ok);
}

TEST(FilterText, QuotesForTheCommand) {
  EXPECT_EQ(DoubleApostrophes("(N *EQ \"O''B\")"), "(N *EQ \"O''''B\")");
  EXPECT_EQ(DoubleApostrophes(""), "");
}

}  // namespace
}  // namespace vantora::driver
