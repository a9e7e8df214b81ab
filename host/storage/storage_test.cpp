// Opening data directories, persistence across reopening, and many jobs on
// many threads.
#include "host/storage/storage.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

using testing::I;
using testing::T;

void CreateLedger(Storage& s) {
  ASSERT_OK(s.catalogue().CreateLibrary("BOOKS", "Books"));
  PhysicalFileDef def;
  def.name = {"BOOKS", "LEDGER"};
  def.fields = {BinaryField("JOB", FieldType::kBin4), BinaryField("SEQ", FieldType::kBin4),
                PackedField("AMOUNT", 11, 2)};
  def.key = {{"JOB", false}, {"SEQ", false}};
  def.unique = true;
  ASSERT_OK(s.catalogue().CreatePhysicalFile(def));
}

TEST(StorageTest, DataAndCatalogueSurviveReopening) {
  testing::TempDir dir;
  {
    auto s = testing::OpenStorage(dir);
    CreateLedger(*s);
    std::unique_ptr<FileCursor> c;
    ASSERT_OK(s->OpenCursor({"BOOKS", "LEDGER"}, {.job = 1}, &c));
    ASSERT_OK(c->Insert({I(1), I(1), I(-12345)}, nullptr));
    ASSERT_OK(s->userProfiles().Create("QPGMR", "SECRET", "Programmer"));
  }
  auto s = testing::OpenStorage(dir);
  FileDescription d;
  ASSERT_OK(s->catalogue().DescribeFile({"BOOKS", "LEDGER"}, &d));
  EXPECT_EQ(d.formats[0].fields[2].digits, 11);
  EXPECT_TRUE(d.unique);
  std::unique_ptr<FileCursor> c;
  ASSERT_OK(s->OpenCursor({"BOOKS", "LEDGER"}, {.job = 1}, &c));
  Record r;
  ASSERT_OK(c->Read({.op = ReadOp::kFirst}, &r, nullptr));
  EXPECT_EQ(r, (Record{I(1), I(1), I(-12345)}));
  EXPECT_OK(s->userProfiles().Authenticate("qpgmr", "SECRET"));
  EXPECT_EQ(s->recoveredJobs(), 0);
}

TEST(StorageTest, ASecondHostOnTheSameDirectoryIsRefused) {
  testing::TempDir dir;
  auto first = testing::OpenStorage(dir);
  std::unique_ptr<Storage> second;
  Status s = Storage::Open(dir.path(), testing::FastOptions(), &second);
  EXPECT_EQ(s.code(), StatusCode::kObjectInUse) << s.ToString();
  first.reset();
  EXPECT_OK(Storage::Open(dir.path(), testing::FastOptions(), &second));
}

TEST(StorageTest, OpenRefusesWhatIsNotAnAccessPath) {
  testing::TempDir dir;
  auto s = testing::OpenStorage(dir);
  CreateLedger(*s);
  std::unique_ptr<FileCursor> c;
  EXPECT_CODE(s->OpenCursor({"BOOKS", "NONE"}, {.job = 1}, &c), kFileNotFound);
  EXPECT_CODE(s->OpenCursor({"BOOKS", "LEDGER"}, {.job = 0}, &c), kInvalidArgument);
  ASSERT_OK(s->catalogue().CreateSourceFile({"BOOKS", "QDDSSRC"}, 92, ""));
  EXPECT_CODE(s->OpenCursor({"BOOKS", "QDDSSRC"}, {.job = 1}, &c), kNotSupported);
}

TEST(StorageTest, ManyJobsOnManyThreads) {
  testing::TempDir dir;
  auto s = testing::OpenStorage(dir);
  CreateLedger(*s);
  constexpr int kJobs = 6, kRecords = 150;
  std::vector<std::thread> jobs;
  std::vector<Status> failures(kJobs);
  for (int job = 1; job <= kJobs; ++job) {
    jobs.emplace_back([&, job] {
      std::unique_ptr<FileCursor> c;
      Status st = s->OpenCursor({"BOOKS", "LEDGER"}, {.job = job}, &c);
      for (int i = 1; st.ok() && i <= kRecords; ++i) {
        st = c->Insert({I(job), I(i), I(i * 100)}, nullptr);
        // Read back this job's records so far, in key order, while others write.
        if (st.ok() && i % 50 == 0) {
          SearchKey mine{{I(job)}};
          RecordBatch b;
          st = c->ReadBlock({.op = ReadOp::kKeyEqual, .key = &mine}, kRecords, &b);
          if (st.ok() && b.size != static_cast<size_t>(i)) {
            st = Status::Error(StatusCode::kStorageError, "read back " + std::to_string(b.size));
          }
        }
        if (st.ok() && i % 10 == 0) {
          SearchKey one{{I(job), I(i)}};
          st = c->Read({.op = ReadOp::kKeyEqual, .key = &one, .lock = true}, nullptr, nullptr);
          if (st.ok()) st = c->Update({I(job), I(i), I(-i)});
        }
      }
      failures[job - 1] = st;
      s->EndJob(job).IgnoreError();
    });
  }
  for (auto& t : jobs) t.join();
  for (const Status& st : failures) EXPECT_OK(st);
  std::unique_ptr<FileCursor> c;
  ASSERT_OK(s->OpenCursor({"BOOKS", "LEDGER"}, {.job = 99}, &c));
  int64_t count = 0;
  ASSERT_OK(c->RecordCount(&count));
  EXPECT_EQ(count, kJobs * kRecords);
  RecordBatch b;
  ASSERT_OK(c->ReadBlock({.op = ReadOp::kFirst}, kJobs * kRecords, &b));
  ASSERT_EQ(b.size, static_cast<size_t>(kJobs * kRecords));
  for (size_t k = 0; k < b.size; ++k) {
    int64_t seq = static_cast<int64_t>(k % kRecords) + 1;
    ASSERT_EQ(b.records[k][0], I(static_cast<int64_t>(k / kRecords) + 1));
    ASSERT_EQ(b.records[k][2], I(seq % 10 == 0 ? -seq : seq * 100)) << k;
  }
}

}  // namespace
}  // namespace vantora::host

namespace vantora::host {
namespace {

using testing::I;

// What a read ahead relies on: the epoch stays while jobs only read and
// grows with anything that could change what a read answers.
TEST(StorageTest, TheChangeEpochGrowsWithEveryChangeAndOnlyThen) {
  testing::TempDir dir;
  auto s = testing::OpenStorage(dir);
  CreateLedger(*s);
  std::unique_ptr<FileCursor> reader, writer;
  ASSERT_OK(s->OpenCursor({"BOOKS", "LEDGER"}, {.job = 1}, &reader));
  ASSERT_OK(s->OpenCursor({"BOOKS", "LEDGER"}, {.job = 2, .commitmentControl = true}, &writer));
  ASSERT_OK(writer->Insert({I(1), I(1), I(100)}, nullptr));
  ASSERT_OK(writer->Insert({I(1), I(2), I(200)}, nullptr));
  ASSERT_OK(s->Commit(2));
  RecordBatch batch;
  struct Case {
    const char* what;
    std::function<void()> act;
    bool grows;
  } cases[] = {
      {"a blocked read", [&] { ASSERT_OK(reader->ReadBlock({.op = ReadOp::kFirst}, 2, &batch)); },
       false},
      {"a single read without lock",
       [&] { ASSERT_OK(reader->Read({.op = ReadOp::kFirst}, nullptr, nullptr)); }, false},
      {"a record count",
       [&] {
         int64_t n = 0;
         ASSERT_OK(reader->RecordCount(&n));
       },
       false},
      {"an insert",
       [&] {
         ASSERT_OK(writer->Insert({I(2), I(1), I(5)}, nullptr));
       },
       true},
      {"a read that locks",
       [&] { ASSERT_OK(writer->Read({.op = ReadOp::kFirst, .lock = true}, nullptr, nullptr)); },
       true},
      {"an update",
       [&] {
         ASSERT_OK(writer->Update({I(1), I(1), I(101)}));
       },
       true},
      {"a commit", [&] { ASSERT_OK(s->Commit(2)); }, true},
      {"a lock released",
       [&] {
         ASSERT_OK(writer->Read({.op = ReadOp::kLast, .lock = true}, nullptr, nullptr));
         const uint64_t before = s->ChangeEpoch();
         writer->ReleaseLock();
         EXPECT_GT(s->ChangeEpoch(), before);
       },
       true},
      {"a delete",
       [&] {
         ASSERT_OK(writer->Read({.op = ReadOp::kFirst}, nullptr, nullptr));
         ASSERT_OK(writer->Delete());
       },
       true},
      {"a rollback", [&] { ASSERT_OK(s->Rollback(2)); }, true},
      {"another job's lock request that times out",
       [&] {
         EXPECT_EQ(s->recordLocks().Lock(99, 1, 3, std::chrono::milliseconds(0)).code(),
                   StatusCode::kOk);
         const uint64_t before = s->ChangeEpoch();
         EXPECT_EQ(s->recordLocks().Lock(99, 1, 4, std::chrono::milliseconds(1)).code(),
                   StatusCode::kRecordInUse);
         EXPECT_GT(s->ChangeEpoch(), before);
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const uint64_t before = s->ChangeEpoch();
    c.act();
    if (c.grows) {
      EXPECT_GT(s->ChangeEpoch(), before);
    } else {
      EXPECT_EQ(s->ChangeEpoch(), before);
    }
  }
}

}  // namespace
}  // namespace vantora::host
