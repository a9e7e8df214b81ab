// Single sequential reads served from the records read ahead answer exactly
// what reading at each request's time answers, whatever other jobs change
// in between.
#include <gtest/gtest.h>

#include <random>

#include "host/storage/file_cursor.h"
#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

using testing::I;
using testing::T;

// ORDERS keyed by CUST ascending (few values, many duplicates) and ORDNO
// descending; job 1 reads it, job 2 changes it.
class AheadFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    storage_ = testing::OpenStorage(dir_);
    ASSERT_OK(storage_->catalogue().CreateLibrary("SALES", ""));
    PhysicalFileDef def;
    def.name = {"SALES", "ORDERS"};
    def.fields = {CharField("CUST", 6), PackedField("ORDNO", 7, 0), PackedField("AMT", 9, 2)};
    def.key = {{"CUST", false}, {"ORDNO", true}};
    ASSERT_OK(storage_->catalogue().CreatePhysicalFile(def));
    writer_ = Open(2, false);
    for (int i = 0; i < 300; ++i) ASSERT_OK(writer_->Insert(RandomRow(), nullptr));
  }

  std::unique_ptr<FileCursor> Open(JobId job, bool arrival) {
    std::unique_ptr<FileCursor> c;
    CursorOptions o;
    o.job = job;
    o.arrivalOrder = arrival;
    Status s = storage_->OpenCursor({"SALES", "ORDERS"}, o, &c);
    EXPECT_TRUE(s.ok()) << s.ToString();
    return c;
  }

  Record RandomRow() {
    static const char* const kCustomers[] = {"A", "B", "C", "D"};
    int64_t ordno = std::uniform_int_distribution<int64_t>(1, 50)(random_);
    return {T(kCustomers[random_() % 4]), I(ordno), I(ordno * 7)};
  }

  // One change by job 2: insert, update (key or not), or delete a record
  // chosen at random (kind < 3) or the reader's current record.
  void Change(int kind, int64_t nextRrn) {
    ReadRequest at;
    at.op = ReadOp::kRelativeRecord;
    at.rrn = nextRrn != 0 && kind >= 3 ? nextRrn
                                       : std::uniform_int_distribution<int64_t>(1, 400)(random_);
    Record row;
    switch (kind % 3) {
      case 0:
        ASSERT_OK(writer_->Insert(RandomRow(), nullptr));
        return;
      case 1:
        if (!writer_->Read(at, &row, nullptr).ok()) return;  // deleted already
        row = random_() % 2 ? RandomRow() : Record{row[0], row[1], I(row[2].integer() + 1)};
        ASSERT_OK(writer_->Update(row));
        return;
      default:
        if (!writer_->Read(at, &row, nullptr).ok()) return;
        ASSERT_OK(writer_->Delete());
        return;
    }
  }

  testing::TempDir dir_;
  std::unique_ptr<Storage> storage_;
  std::unique_ptr<FileCursor> writer_;
  std::mt19937 random_{20261209};
};

class AheadWalk : public AheadFixture, public ::testing::WithParamInterface<bool> {};

// The reader reads ahead; the mirror makes the same reads but puts its own
// place back before each one, which drops what it read ahead, so it reads
// every record at request time. Both must see the same thing at every step.
TEST_P(AheadWalk, ReadsAnswerWhatReadingAtRequestTimeAnswers) {
  const bool arrival = GetParam();
  std::unique_ptr<FileCursor> reader = Open(1, arrival), mirror = Open(3, arrival);
  ReadRequest request;
  request.op = ReadOp::kFirst;
  Record got, want;
  int64_t gotRrn = 0, wantRrn = 0;
  int changes = 0, ends = 0;
  for (int step = 0; step < 3000; ++step) {
    // Long quiet runs, so that reading ahead gets going, then bursts of change.
    const int phase = step % 200;
    if (phase >= 150 && random_() % 3 == 0) {
      Change(static_cast<int>(random_() % 6), wantRrn);
      ++changes;
    }
    if (phase == 100 || phase == 175) {
      request.op = request.op == ReadOp::kPrior ? ReadOp::kNext : ReadOp::kPrior;
    }
    FileCursor::Place place;
    mirror->SavePlace(&place);
    mirror->RestorePlace(place);
    const Status g = reader->Read(request, &got, &gotRrn);
    const Status w = mirror->Read(request, &want, &wantRrn);
    ASSERT_EQ(g.code(), w.code()) << "step " << step;
    ASSERT_EQ(reader->currentRrn(), mirror->currentRrn()) << "step " << step;
    if (w.ok()) {
      ASSERT_EQ(gotRrn, wantRrn) << "step " << step;
      ASSERT_EQ(got, want) << "step " << step << ", rrn " << wantRrn;
      if (request.op == ReadOp::kFirst || request.op == ReadOp::kLast) request.op = ReadOp::kNext;
    } else {
      ++ends;
      request.op = request.op == ReadOp::kPrior ? ReadOp::kLast : ReadOp::kFirst;
    }
  }
  EXPECT_GT(changes, 100);
  EXPECT_GT(ends, 3);
  EXPECT_GT(reader->readsFromAhead(), 1000u);
  EXPECT_EQ(mirror->readsFromAhead(), 0u);
}

INSTANTIATE_TEST_SUITE_P(KeyedAndArrival, AheadWalk, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "Arrival" : "Keyed"; });

// Any other move drops what was read ahead, so the next sequential read
// starts from where that move left the cursor.
TEST_F(AheadFixture, OtherMovesDropTheRecordsReadAhead) {
  struct Case {
    const char* name;
    std::function<void(FileCursor&)> move;
  };
  const Case cases[] = {
      {"position before first", [](FileCursor& c) { c.PositionBeforeFirst(); }},
      {"position after last", [](FileCursor& c) { c.PositionAfterLast(); }},
      {"key read",
       [](FileCursor& c) {
         SearchKey key{{T("C")}};
         ReadRequest r{ReadOp::kKeyGreaterOrEqual, &key};
         Record rec;
         ASSERT_OK(c.Read(r, &rec, nullptr));
       }},
      {"relative record",
       [](FileCursor& c) {
         ReadRequest r{ReadOp::kRelativeRecord};
         r.rrn = 7;
         ASSERT_OK(c.Read(r, nullptr, nullptr));
       }},
      {"block read",
       [](FileCursor& c) {
         RecordBatch batch;
         ASSERT_OK(c.ReadBlock(ReadRequest{ReadOp::kLast}, 3, &batch));
       }},
      {"locked read",
       [](FileCursor& c) {
         ReadRequest r{ReadOp::kFirst};
         r.lock = true;
         Record rec;
         ASSERT_OK(c.Read(r, &rec, nullptr));
         c.ReleaseLock();
       }},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    std::unique_ptr<FileCursor> reader = Open(1, false), mirror = Open(3, false);
    Record got, want;
    ReadRequest next;
    // The mirror reads every record at request time (see above).
    auto mirrorRead = [&] {
      FileCursor::Place place;
      mirror->SavePlace(&place);
      mirror->RestorePlace(place);
      return mirror->Read(next, &want, nullptr);
    };
    for (int i = 0; i < 20; ++i) {
      ASSERT_OK(reader->Read(next, &got, nullptr));
      ASSERT_OK(mirrorRead());
    }
    ASSERT_GT(reader->readsFromAhead(), 0u);
    test.move(*reader);
    test.move(*mirror);
    for (int i = 0; i < 5; ++i) {
      const Status g = reader->Read(next, &got, nullptr);
      const Status w = mirrorRead();
      ASSERT_EQ(g.code(), w.code()) << i;
      if (w.ok()) {
        ASSERT_EQ(got, want) << i;
      }
    }
  }
}

}  // namespace
}  // namespace vantora::host
