// Positioning on arrival and keyed access paths.
#include "host/storage/file_cursor.h"

#include <gtest/gtest.h>

#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

using testing::I;
using testing::T;

// ORDERS, keyed by CUST ascending and ORDNO descending, not unique.
// Arrival order (rrn: CUST/ORDNO): 1 C1/10, 2 C2/5, 3 C1/20, 4 C1/10, 5 C3/1, 6 AB/7.
// Key order: 6 AB/7, 3 C1/20, 1 C1/10, 4 C1/10, 2 C2/5, 5 C3/1.
class CursorFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    storage_ = testing::OpenStorage(dir_);
    ASSERT_OK(storage_->catalogue().CreateLibrary("SALES", ""));
    PhysicalFileDef def;
    def.name = {"SALES", "ORDERS"};
    def.fields = {CharField("CUST", 6), PackedField("ORDNO", 7, 0), PackedField("AMT", 9, 2),
                  VarcharField("NOTE", 20)};
    def.fields[3].nullCapable = true;
    def.key = {{"CUST", false}, {"ORDNO", true}};
    ASSERT_OK(storage_->catalogue().CreatePhysicalFile(def));
    std::unique_ptr<FileCursor> c = Open(false);
    const std::pair<const char*, int64_t> rows[] = {{"C1", 10}, {"C2", 5}, {"C1", 20},
                                                    {"C1", 10}, {"C3", 1}, {"AB", 7}};
    for (auto [cust, ordno] : rows) {
      int64_t rrn = 0;
      ASSERT_OK(c->Insert({T(cust), I(ordno), I(ordno * 100), Value()}, &rrn));
    }
  }

  std::unique_ptr<FileCursor> Open(bool arrival) {
    std::unique_ptr<FileCursor> c;
    CursorOptions o;
    o.job = 1;
    o.arrivalOrder = arrival;
    Status s = storage_->OpenCursor({"sales", "orders"}, o, &c);
    EXPECT_TRUE(s.ok()) << s.ToString();
    return c;
  }

  testing::TempDir dir_;
  std::unique_ptr<Storage> storage_;
};

struct Step {
  ReadOp op;
  std::vector<Value> key = {};
  int lastFieldBytes = 0;
  int keyFields = 0;
  int64_t rrn = 0;     // kRelativeRecord
  int64_t expect = 0;  // rrn expected, or 0 with `error`
  StatusCode error = StatusCode::kOk;
};

struct Walk {
  const char* name;
  bool arrival;
  std::vector<Step> steps;
};

Step S(ReadOp op, int64_t expect) {
  return Step{op, {}, 0, 0, 0, expect};
}
Step E(ReadOp op, StatusCode error) {
  return Step{op, {}, 0, 0, 0, 0, error};
}
Step K(ReadOp op, std::vector<Value> key, int64_t expect, StatusCode error = StatusCode::kOk) {
  return Step{op, std::move(key), 0, 0, 0, expect, error};
}
Step N(ReadOp op, int keyFields, int64_t expect, StatusCode error = StatusCode::kOk) {
  return Step{op, {}, 0, keyFields, 0, expect, error};
}

class WalkTest : public CursorFixture, public ::testing::WithParamInterface<Walk> {};

TEST_P(WalkTest, EachStepReadsTheExpectedRecord) {
  std::unique_ptr<FileCursor> c = Open(GetParam().arrival);
  int n = 0;
  for (const Step& step : GetParam().steps) {
    ++n;
    SearchKey key{step.key, step.lastFieldBytes};
    ReadRequest r;
    r.op = step.op;
    r.key = &key;
    r.keyFields = step.keyFields;
    r.rrn = step.rrn;
    Record rec;
    int64_t rrn = -1;
    Status s = c->Read(r, &rec, &rrn);
    if (step.error == StatusCode::kOk) {
      ASSERT_TRUE(s.ok()) << "step " << n << ": " << s.ToString();
      EXPECT_EQ(rrn, step.expect) << "step " << n;
      EXPECT_EQ(c->currentRrn(), step.expect) << "step " << n;
      ASSERT_EQ(rec.size(), 4u);
    } else {
      EXPECT_EQ(s.code(), step.error) << "step " << n << ": " << s.ToString();
    }
  }
}

using Op = ReadOp;
constexpr StatusCode kEof = StatusCode::kEndOfFile;
constexpr StatusCode kBof = StatusCode::kBeginningOfFile;
constexpr StatusCode kNotFound = StatusCode::kRecordNotFound;

INSTANTIATE_TEST_SUITE_P(
    Paths, WalkTest,
    ::testing::Values(
        Walk{"KeyedForwardAcrossTheEnd",
             false,
             {S(Op::kNext, 6), S(Op::kNext, 3), S(Op::kNext, 1), S(Op::kNext, 4), S(Op::kNext, 2),
              S(Op::kNext, 5), E(Op::kNext, kEof), E(Op::kNext, kEof), S(Op::kPrior, 5)}},
        Walk{"KeyedBackwardAcrossTheBeginning",
             false,
             {S(Op::kLast, 5), S(Op::kPrior, 2), S(Op::kPrior, 4), S(Op::kPrior, 1),
              S(Op::kPrior, 3), S(Op::kPrior, 6), E(Op::kPrior, kBof), E(Op::kPrior, kBof),
              S(Op::kNext, 6)}},
        Walk{"ArrivalOrder",
             true,
             {S(Op::kFirst, 1), S(Op::kNext, 2), S(Op::kLast, 6), S(Op::kPrior, 5),
              Step{Op::kRelativeRecord, {}, 0, 0, 3, 3}, S(Op::kNext, 4),
              Step{Op::kRelativeRecord, {}, 0, 0, 99, 0, kNotFound}, S(Op::kCurrent, 4),
              E(Op::kKeyEqual, StatusCode::kInvalidArgument)}},
        Walk{"FullKeyEqualThenDuplicatesInArrivalOrder",
             false,
             {K(Op::kKeyEqual, {T("C1"), I(10)}, 1), N(Op::kNextEqualKey, 0, 4),
              N(Op::kNextEqualKey, 0, 0, kEof)}},
        Walk{"PartialKeyEqualThenNextEqualOnOneField",
             false,
             {K(Op::kKeyEqual, {T("C1")}, 3), N(Op::kNextEqualKey, 1, 1),
              N(Op::kNextEqualKey, 1, 4), N(Op::kNextEqualKey, 1, 0, kEof)}},
        Walk{"PriorEqualKey",
             false,
             {K(Op::kKeyLessOrEqual, {T("C1")}, 4), N(Op::kPriorEqualKey, 1, 1),
              N(Op::kPriorEqualKey, 1, 3), N(Op::kPriorEqualKey, 1, 0, kBof)}},
        Walk{"PartialKeyComparisons",
             false,
             {K(Op::kKeyGreater, {T("C1")}, 2), K(Op::kKeyGreaterOrEqual, {T("C1")}, 3),
              K(Op::kKeyLess, {T("C1")}, 6), K(Op::kKeyLessOrEqual, {T("C1")}, 4),
              K(Op::kKeyGreaterOrEqual, {T("B")}, 3), K(Op::kKeyLess, {T("AB")}, 0, kBof),
              K(Op::kKeyGreater, {T("C3")}, 0, kEof)}},
        Walk{"DescendingSecondField",
             false,
             {K(Op::kKeyGreater, {T("C1"), I(10)}, 2),
              K(Op::kKeyGreaterOrEqual, {T("C1"), I(15)}, 1), K(Op::kKeyLess, {T("C1"), I(15)}, 3),
              K(Op::kKeyLess, {T("C1"), I(20)}, 6), K(Op::kKeyLessOrEqual, {T("C1"), I(10)}, 4)}},
        Walk{"BlankPaddedKeysCompareEqual",
             false,
             {K(Op::kKeyEqual, {T("C1    ")}, 3), K(Op::kKeyEqual, {T("C2  "), I(5)}, 2)}},
        Walk{"KeyNotFoundLeavesThePosition",
             false,
             {K(Op::kKeyEqual, {T("C2")}, 2), K(Op::kKeyEqual, {T("C9")}, 0, kNotFound),
              S(Op::kNext, 5), S(Op::kCurrent, 5)}},
        Walk{"CutLastField",
             false,
             {Step{Op::kKeyEqual, {T("C")}, 1, 0, 0, 3}, Step{Op::kKeyLess, {T("C")}, 1, 0, 0, 6},
              Step{Op::kKeyGreater, {T("C")}, 1, 0, 0, 0, kEof},
              Step{Op::kKeyGreaterOrEqual, {T("C2")}, 1, 0, 0, 3}}},
        Walk{"NextAndPriorDifferentKey",
             false,
             {S(Op::kFirst, 6), N(Op::kNextDifferentKey, 1, 3), N(Op::kNextDifferentKey, 1, 2),
              N(Op::kNextDifferentKey, 1, 5), N(Op::kNextDifferentKey, 1, 0, kEof), S(Op::kLast, 5),
              N(Op::kPriorDifferentKey, 1, 2), N(Op::kPriorDifferentKey, 1, 4),
              N(Op::kPriorDifferentKey, 1, 6), N(Op::kPriorDifferentKey, 1, 0, kBof),
              K(Op::kKeyEqual, {T("C1"), I(20)}, 3), N(Op::kNextDifferentKey, 0, 1)}},
        Walk{"RequestsThatDoNotFit",
             false,
             {N(Op::kNextEqualKey, 0, 0, StatusCode::kNoCurrentRecord),
              E(Op::kCurrent, StatusCode::kNoCurrentRecord),
              K(Op::kKeyEqual, {T("C1"), I(1), I(2)}, 0, StatusCode::kInvalidArgument),
              K(Op::kKeyEqual, {I(1)}, 0, StatusCode::kDataMapping),
              Step{Op::kKeyEqual, {T("C1"), I(10)}, 1, 0, 0, 0, StatusCode::kInvalidArgument},
              S(Op::kFirst, 6), N(Op::kNextEqualKey, 3, 0, StatusCode::kInvalidArgument)}}),
    [](const ::testing::TestParamInfo<Walk>& p) { return std::string(p.param.name); });

TEST_F(CursorFixture, OpeningIntoAPointerThatHoldsACursorClosesItFirst) {
  std::unique_ptr<FileCursor> c = Open(false);
  ASSERT_NE(c, nullptr);
  // Used to wait for ever on the storage lock the old cursor's close takes.
  ASSERT_TRUE(storage_->OpenCursor({"sales", "orders"}, {.job = 1}, &c).ok());
  EXPECT_NE(c, nullptr);
  EXPECT_FALSE(storage_->OpenCursor({"sales", "nosuch"}, {.job = 1}, &c).ok());
  EXPECT_EQ(c, nullptr);
}

TEST_F(CursorFixture, ReadsReturnTheStoredValues) {
  std::unique_ptr<FileCursor> c = Open(false);
  Record rec;
  int64_t rrn = 0;
  ASSERT_OK(c->Read({.op = ReadOp::kFirst}, &rec, &rrn));
  EXPECT_EQ(rec, (Record{T("AB"), I(7), I(700), Value()}));
  EXPECT_EQ(c->format().fields[2].decimals, 2);
}

TEST_F(CursorFixture, PositionOnlyMovesWithoutFillingTheRecord) {
  std::unique_ptr<FileCursor> c = Open(false);
  Record rec = {T("untouched")};
  int64_t rrn = 0;
  ASSERT_OK(c->Read({.op = ReadOp::kLast, .positionOnly = true}, &rec, &rrn));
  EXPECT_EQ(rrn, 5);
  EXPECT_EQ(rec, Record{T("untouched")});
  ASSERT_OK(c->Read({.op = ReadOp::kPrior}, &rec, &rrn));
  EXPECT_EQ(rrn, 2);
}

TEST_F(CursorFixture, BeforeFirstAndAfterLast) {
  std::unique_ptr<FileCursor> c = Open(false);
  int64_t rrn = 0;
  SearchKey c2{{T("C2")}};
  ASSERT_OK(c->Read({.op = ReadOp::kKeyEqual, .key = &c2}, nullptr, &rrn));
  c->PositionAfterLast();
  ASSERT_OK(c->Read({.op = ReadOp::kPrior}, nullptr, &rrn));
  EXPECT_EQ(rrn, 5);
  c->PositionBeforeFirst();
  ASSERT_OK(c->Read({.op = ReadOp::kNext}, nullptr, &rrn));
  EXPECT_EQ(rrn, 6);
}

std::vector<int64_t> Rrns(const RecordBatch& b) {
  return std::vector<int64_t>(b.rrns.begin(), b.rrns.begin() + static_cast<long>(b.size));
}

TEST_F(CursorFixture, BlockReadsRunAcrossTheEnd) {
  std::unique_ptr<FileCursor> c = Open(false);
  RecordBatch b;
  ASSERT_OK(c->ReadBlock({.op = ReadOp::kFirst}, 4, &b));
  EXPECT_EQ(Rrns(b), (std::vector<int64_t>{6, 3, 1, 4}));
  EXPECT_EQ(b.records[3][0], T("C1"));
  ASSERT_OK(c->ReadBlock({.op = ReadOp::kNext}, 4, &b));
  EXPECT_EQ(Rrns(b), (std::vector<int64_t>{2, 5}));
  EXPECT_EQ(c->currentRrn(), 5);
  EXPECT_CODE(c->ReadBlock({.op = ReadOp::kNext}, 4, &b), kEndOfFile);
  EXPECT_EQ(b.size, 0u);
  ASSERT_OK(c->ReadBlock({.op = ReadOp::kPrior}, 2, &b));
  EXPECT_EQ(Rrns(b), (std::vector<int64_t>{5, 2}));
}

TEST_F(CursorFixture, BlockReadsContinueLikeTheirOperation) {
  std::unique_ptr<FileCursor> c = Open(false);
  RecordBatch b;
  SearchKey c1{{T("C1")}};
  ASSERT_OK(c->ReadBlock({.op = ReadOp::kKeyEqual, .key = &c1}, 10, &b));
  EXPECT_EQ(Rrns(b), (std::vector<int64_t>{3, 1, 4}));
  ASSERT_OK(c->ReadBlock({.op = ReadOp::kFirst}, 1, &b));
  ASSERT_OK(c->ReadBlock({.op = ReadOp::kNextDifferentKey, .keyFields = 1}, 10, &b));
  EXPECT_EQ(Rrns(b), (std::vector<int64_t>{3, 2, 5}));
  EXPECT_EQ(c->currentRrn(), 5);

  std::unique_ptr<FileCursor> arrival = Open(true);
  ASSERT_OK(arrival->ReadBlock({.op = ReadOp::kRelativeRecord, .rrn = 4}, 10, &b));
  EXPECT_EQ(Rrns(b), (std::vector<int64_t>{4, 5, 6}));
  EXPECT_EQ(arrival->currentRrn(), 6);
  EXPECT_CODE(arrival->ReadBlock({.op = ReadOp::kFirst, .lock = true}, 2, &b), kInvalidArgument);
}

TEST_F(CursorFixture, LockedReadHoldsOneRecordAtATime) {
  std::unique_ptr<FileCursor> c = Open(true);
  RecordLocks& locks = storage_->recordLocks();
  FileDescription d = c->file();
  ASSERT_OK(c->Read({.op = ReadOp::kFirst, .lock = true}, nullptr, nullptr));
  EXPECT_EQ(locks.Holder(d.id, 1), 1);
  ASSERT_OK(c->Read({.op = ReadOp::kNext, .lock = true}, nullptr, nullptr));
  EXPECT_EQ(locks.Holder(d.id, 1), 0);
  EXPECT_EQ(locks.Holder(d.id, 2), 1);
  ASSERT_OK(c->Read({.op = ReadOp::kNext}, nullptr, nullptr));
  EXPECT_EQ(locks.Holder(d.id, 2), 0) << "reading another record releases the lock";
  ASSERT_OK(c->Read({.op = ReadOp::kCurrent, .lock = true}, nullptr, nullptr));
  c->ReleaseLock();
  EXPECT_EQ(locks.Holder(d.id, 3), 0);
  ASSERT_OK(c->Read({.op = ReadOp::kCurrent, .lock = true}, nullptr, nullptr));
  c.reset();
  EXPECT_EQ(locks.Holder(d.id, 3), 0) << "closing releases the lock";
}

TEST_F(CursorFixture, NullKeysSortFirstAscendingAndLastDescending) {
  LogicalFileDef lf;
  lf.name = {"SALES", "BYNOTE"};
  lf.formats = {{"", {{"SALES", "ORDERS"}}, {}, {{"NOTE", true}}}};
  ASSERT_OK(storage_->catalogue().CreateLogicalFile(lf));
  std::unique_ptr<FileCursor> w = Open(true);
  ASSERT_OK(w->Read({.op = ReadOp::kRelativeRecord, .rrn = 2}, nullptr, nullptr));
  ASSERT_OK(w->Update({T("C2"), I(5), I(500), T("x")}));
  ASSERT_OK(w->Read({.op = ReadOp::kRelativeRecord, .rrn = 5}, nullptr, nullptr));
  ASSERT_OK(w->Update({T("C3"), I(1), I(100), T("y")}));

  std::unique_ptr<FileCursor> c;
  ASSERT_OK(storage_->OpenCursor({"SALES", "BYNOTE"}, {.job = 1}, &c));
  std::vector<int64_t> forward, backward;
  int64_t rrn = 0;
  while (c->Read({.op = ReadOp::kNext}, nullptr, &rrn).ok()) forward.push_back(rrn);
  while (c->Read({.op = ReadOp::kPrior}, nullptr, &rrn).ok()) backward.push_back(rrn);
  EXPECT_EQ(forward, (std::vector<int64_t>{5, 2, 1, 3, 4, 6}));
  EXPECT_EQ(backward, (std::vector<int64_t>{6, 4, 3, 1, 2, 5}));
  SearchKey nullKey{{Value()}};
  ASSERT_OK(c->Read({.op = ReadOp::kKeyEqual, .key = &nullKey}, nullptr, &rrn));
  EXPECT_EQ(rrn, 1);
}

}  // namespace
}  // namespace vantora::host
