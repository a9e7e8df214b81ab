// Inserting, updating and deleting through cursors, and record locks
// between jobs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "host/storage/file_cursor.h"
#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

using std::chrono::milliseconds;
using testing::I;
using testing::T;

// CUSTOMER, unique key CUSTNO; logical file BYNAME over it (NAME, CUSTNO),
// keyed by NAME.
class WriteFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    storage_ = testing::OpenStorage(dir_);
    ASSERT_OK(storage_->catalogue().CreateLibrary("SALES", ""));
    PhysicalFileDef def;
    def.name = {"SALES", "CUSTOMER"};
    def.fields = {ZonedField("CUSTNO", 6, 0), CharField("NAME", 20),
                  DateTimeField("SINCE", FieldType::kDate), FloatField("RATE", FieldType::kDouble)};
    def.key = {{"CUSTNO", false}};
    def.unique = true;
    ASSERT_OK(storage_->catalogue().CreatePhysicalFile(def));
    LogicalFileDef lf;
    lf.name = {"SALES", "BYNAME"};
    lf.formats = {{"", {{"SALES", "CUSTOMER"}}, {"NAME", "CUSTNO"}, {{"NAME", false}}}};
    ASSERT_OK(storage_->catalogue().CreateLogicalFile(lf));
  }

  std::unique_ptr<FileCursor> Open(const char* file, JobId job,
                                   milliseconds wait = milliseconds(0)) {
    std::unique_ptr<FileCursor> c;
    CursorOptions o;
    o.job = job;
    o.lockWait = wait;
    Status s = storage_->OpenCursor({"SALES", file}, o, &c);
    EXPECT_TRUE(s.ok()) << s.ToString();
    return c;
  }

  static Record Customer(int64_t no, const char* name) {
    return {I(no), T(name), T("2020-01-31"), Value::Real(0.5)};
  }

  testing::TempDir dir_;
  std::unique_ptr<Storage> storage_;
};

TEST_F(WriteFixture, InsertUpdateDeleteThroughThePhysicalFile) {
  auto c = Open("CUSTOMER", 1);
  int64_t rrn = 0;
  ASSERT_OK(c->Insert(Customer(2, "BETA"), &rrn));
  EXPECT_EQ(rrn, 1);
  ASSERT_OK(c->Insert(Customer(1, "ALPHA"), &rrn));
  EXPECT_EQ(rrn, 2);
  EXPECT_EQ(c->currentRrn(), 0) << "inserting does not move the cursor";

  Record r;
  ASSERT_OK(c->Read({.op = ReadOp::kFirst, .lock = true}, &r, &rrn));
  EXPECT_EQ(r, Customer(1, "ALPHA"));
  ASSERT_OK(c->Update(Customer(3, "ALPHA")));
  EXPECT_CODE(c->Read({.op = ReadOp::kNext}, &r, &rrn), kEndOfFile)
      << "the cursor follows the record to its new key, the last";
  ASSERT_OK(c->Read({.op = ReadOp::kPrior}, &r, &rrn));
  EXPECT_EQ(r, Customer(3, "ALPHA"));
  ASSERT_OK(c->Read({.op = ReadOp::kPrior}, &r, &rrn));
  EXPECT_EQ(r, Customer(2, "BETA"));

  ASSERT_OK(c->Read({.op = ReadOp::kFirst}, &r, &rrn));
  EXPECT_EQ(rrn, 1);
  ASSERT_OK(c->Delete());
  EXPECT_CODE(c->Read({.op = ReadOp::kCurrent}, &r, &rrn), kRecordNotFound);
  ASSERT_OK(c->Read({.op = ReadOp::kNext}, &r, &rrn)) << "a deleted record still anchors next";
  EXPECT_EQ(r, Customer(3, "ALPHA"));
  int64_t count = 0;
  ASSERT_OK(c->RecordCount(&count));
  EXPECT_EQ(count, 1);
}

TEST_F(WriteFixture, RelativeRecordNumbersAreNotReused) {
  auto c = Open("CUSTOMER", 1);
  int64_t rrn = 0;
  ASSERT_OK(c->Insert(Customer(1, "A"), &rrn));
  ASSERT_OK(c->Insert(Customer(2, "B"), &rrn));
  ASSERT_OK(c->Read({.op = ReadOp::kRelativeRecord, .rrn = 2}, nullptr, nullptr));
  ASSERT_OK(c->Delete());
  ASSERT_OK(c->Insert(Customer(3, "C"), &rrn));
  EXPECT_EQ(rrn, 3);
  EXPECT_CODE(c->InsertAt(1, Customer(4, "D")), kRecordExists);
  ASSERT_OK(c->InsertAt(2, Customer(4, "D")));
  ASSERT_OK(c->InsertAt(10, Customer(5, "E")));
  ASSERT_OK(c->Insert(Customer(6, "F"), &rrn));
  EXPECT_EQ(rrn, 11);
}

TEST_F(WriteFixture, UniqueKeyViolationsAnswerDuplicateKey) {
  auto c = Open("CUSTOMER", 1);
  ASSERT_OK(c->Insert(Customer(1, "A"), nullptr));
  ASSERT_OK(c->Insert(Customer(2, "B"), nullptr));
  EXPECT_CODE(c->Insert(Customer(1, "Z"), nullptr), kDuplicateKey);
  ASSERT_OK(c->Read({.op = ReadOp::kLast}, nullptr, nullptr));
  EXPECT_CODE(c->Update(Customer(1, "B")), kDuplicateKey);

  std::vector<Record> block = {Customer(7, "G"), Customer(2, "dup"), Customer(8, "H")};
  std::vector<int64_t> rrns;
  EXPECT_CODE(c->Insert(block, &rrns), kDuplicateKey);
  EXPECT_EQ(rrns.size(), 1u) << "the records before the failing one are written";
  int64_t count = 0;
  ASSERT_OK(c->RecordCount(&count));
  EXPECT_EQ(count, 3);
}

TEST_F(WriteFixture, ValuesThatDoNotFitAreRefused) {
  auto c = Open("CUSTOMER", 1);
  EXPECT_CODE(c->Insert({I(1234567), T("A"), T("2020-01-01"), Value::Real(0)}, nullptr),
              kDataMapping);
  EXPECT_CODE(c->Insert({I(1), T("A"), T("2020-02-30"), Value::Real(0)}, nullptr), kDataMapping);
  EXPECT_CODE(c->Insert({I(1), T("A")}, nullptr), kInvalidArgument);
  EXPECT_CODE(c->Update(Customer(1, "A")), kNoCurrentRecord);
}

TEST_F(WriteFixture, LogicalFileShowsItsFieldsInItsKeyOrder) {
  auto pf = Open("CUSTOMER", 1);
  std::vector<Record> three = {Customer(1, "MILLER"), Customer(2, "ADAMS"), Customer(3, "SMITH")};
  ASSERT_OK(pf->Insert(three, nullptr));
  auto lf = Open("BYNAME", 1);
  ASSERT_EQ(lf->format().fields.size(), 2u);
  Record r;
  int64_t rrn = 0;
  ASSERT_OK(lf->Read({.op = ReadOp::kFirst}, &r, &rrn));
  EXPECT_EQ(r, (Record{T("ADAMS"), I(2)}));
  EXPECT_EQ(rrn, 2);

  ASSERT_OK(lf->Insert({T("BAKER"), I(4)}, &rrn));
  ASSERT_OK(pf->Read({.op = ReadOp::kRelativeRecord, .rrn = rrn}, &r, nullptr));
  EXPECT_EQ(r, (Record{I(4), T("BAKER"), T("0001-01-01"), Value::Real(0)}))
      << "fields the logical file does not show get their defaults";
  EXPECT_CODE(lf->Insert({T("X"), I(1)}, nullptr), kDuplicateKey)
      << "the physical file's unique key holds through its logical files";

  SearchKey smith{{T("SMITH")}};
  ASSERT_OK(lf->Read({.op = ReadOp::kKeyEqual, .key = &smith, .lock = true}, &r, nullptr));
  EXPECT_EQ(storage_->recordLocks().Holder(pf->file().id, 3), 1)
      << "a logical file locks the physical file's record";
}

TEST_F(WriteFixture, CharacterFieldsAreStoredWithoutTrailingBlanks) {
  auto c = Open("CUSTOMER", 1);
  ASSERT_OK(c->Insert(Customer(1, "PADDED    "), nullptr));
  Record r;
  ASSERT_OK(c->Read({.op = ReadOp::kFirst}, &r, nullptr));
  EXPECT_EQ(r[1], T("PADDED"));
  std::string stored;
  ASSERT_OK(storage_->RunLocked([&](SqlConnection& db) {
    return db.Run("SELECT NAME FROM \"SALES/CUSTOMER\" WHERE NAME = 'PADDED  '", {},
                  [&](const SqlStatement& q) { stored = q.ColumnText(0); });
  }));
  EXPECT_EQ(stored, "PADDED") << "SQL finds it with a blank-padded literal";
}

TEST_F(WriteFixture, SecondJobWaitsThenGetsRecordInUse) {
  auto first = Open("CUSTOMER", 1);
  ASSERT_OK(first->Insert(Customer(1, "A"), nullptr));
  ASSERT_OK(first->Read({.op = ReadOp::kFirst, .lock = true}, nullptr, nullptr));

  Status secondRead;
  auto started = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration waited{};
  std::thread job2([&] {
    auto second = Open("BYNAME", 2, milliseconds(150));
    secondRead = second->Read({.op = ReadOp::kFirst, .lock = true}, nullptr, nullptr);
    waited = std::chrono::steady_clock::now() - started;
    // Without a lock the record can still be read.
    EXPECT_OK(second->Read({.op = ReadOp::kFirst}, nullptr, nullptr));
  });
  job2.join();
  EXPECT_EQ(secondRead.code(), StatusCode::kRecordInUse) << secondRead.ToString();
  EXPECT_EQ(std::string(secondRead.messageId()), "CPF5027");
  EXPECT_GE(waited, milliseconds(150));
}

TEST_F(WriteFixture, SecondJobGetsTheRecordWhenTheFirstUpdatesIt) {
  auto first = Open("CUSTOMER", 1);
  ASSERT_OK(first->Insert(Customer(1, "BEFORE"), nullptr));
  ASSERT_OK(first->Read({.op = ReadOp::kFirst, .lock = true}, nullptr, nullptr));

  std::atomic<bool> waiting{false};
  Record seen;
  Status secondRead;
  std::thread job2([&] {
    auto second = Open("CUSTOMER", 2, milliseconds(10000));
    waiting = true;
    secondRead = second->Read({.op = ReadOp::kFirst, .lock = true}, &seen, nullptr);
  });
  while (!waiting) std::this_thread::yield();
  std::this_thread::sleep_for(milliseconds(50));
  ASSERT_OK(first->Update(Customer(1, "AFTER")));  // releases the lock
  job2.join();
  ASSERT_OK(secondRead);
  EXPECT_EQ(seen[1], T("AFTER")) << "the waiting job reads the record as it is once locked";
}

TEST_F(WriteFixture, UpdateWaitsForTheLockItself) {
  auto first = Open("CUSTOMER", 1);
  auto second = Open("CUSTOMER", 2, milliseconds(20));
  ASSERT_OK(first->Insert(Customer(1, "A"), nullptr));
  ASSERT_OK(second->Read({.op = ReadOp::kFirst}, nullptr, nullptr));
  ASSERT_OK(first->Read({.op = ReadOp::kFirst, .lock = true}, nullptr, nullptr));
  EXPECT_CODE(second->Update(Customer(1, "B")), kRecordInUse);
  EXPECT_CODE(second->Delete(), kRecordInUse);
  first->ReleaseLock();
  ASSERT_OK(second->Delete());
}

}  // namespace
}  // namespace vantora::host
