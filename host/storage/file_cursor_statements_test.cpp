// A cursor keeps the statements of the moves it repeats; they must not
// outlive the connection's statements, which deleting any file drops.
#include <gtest/gtest.h>

#include "host/storage/file_cursor.h"
#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

using testing::I;
using testing::T;

class KeptStatementsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    storage_ = testing::OpenStorage(dir_);
    ASSERT_OK(storage_->catalogue().CreateLibrary("LIB", ""));
    for (const char* name : {"KEEP", "GONE"}) {
      PhysicalFileDef def;
      def.name = {"LIB", name};
      def.fields = {CharField("NAME", 4), PackedField("N", 5, 0)};
      def.key = {{"NAME", false}};
      ASSERT_OK(storage_->catalogue().CreatePhysicalFile(def));
    }
    CursorOptions o;
    o.job = 1;
    ASSERT_OK(storage_->OpenCursor({"LIB", "KEEP"}, o, &cursor_));
    for (int i = 0; i < 6; ++i) {
      ASSERT_OK(cursor_->Insert({T(std::string(1, static_cast<char>('A' + i))), I(i)}, nullptr));
    }
  }

  // Reads a block of 2 and answers the N values read.
  std::vector<int64_t> Block(ReadOp op) {
    ReadRequest r;
    r.op = op;
    RecordBatch batch;
    Status s = cursor_->ReadBlock(r, 2, &batch);
    EXPECT_TRUE(s.ok()) << s.ToString();
    std::vector<int64_t> values;
    for (size_t i = 0; i < batch.size; ++i) values.push_back(batch.records[i][1].integer());
    return values;
  }

  testing::TempDir dir_;
  std::unique_ptr<Storage> storage_;
  std::unique_ptr<FileCursor> cursor_;
};

TEST_F(KeptStatementsTest, ReadsGoOnAfterAnotherFileIsDeleted) {
  EXPECT_EQ(Block(ReadOp::kFirst), (std::vector<int64_t>{0, 1}));
  EXPECT_EQ(Block(ReadOp::kNext), (std::vector<int64_t>{2, 3}));
  // Deleting a file finalizes every statement of the connection, those
  // this cursor keeps too: the next moves must prepare theirs again.
  ASSERT_OK(storage_->catalogue().DeleteFile({"LIB", "GONE"}));
  EXPECT_EQ(Block(ReadOp::kNext), (std::vector<int64_t>{4, 5}));
  EXPECT_EQ(Block(ReadOp::kPrior), (std::vector<int64_t>{4, 3}));
  ASSERT_OK(storage_->catalogue().CreateLibrary("MORE", ""));
  ASSERT_OK(storage_->catalogue().DeleteLibrary("MORE"));
  EXPECT_EQ(Block(ReadOp::kPrior), (std::vector<int64_t>{2, 1}));
  EXPECT_EQ(Block(ReadOp::kFirst), (std::vector<int64_t>{0, 1}));
}

// More distinct moves than the cursor keeps statements for: each still
// runs its own query.
TEST_F(KeptStatementsTest, MoreMovesThanKeptStatements) {
  const struct {
    ReadOp op;
    std::vector<int64_t> expect;
  } steps[] = {{ReadOp::kFirst, {0, 1}}, {ReadOp::kNext, {2, 3}}, {ReadOp::kLast, {5, 4}},
               {ReadOp::kPrior, {3, 2}}, {ReadOp::kNext, {3, 4}}, {ReadOp::kFirst, {0, 1}},
               {ReadOp::kLast, {5, 4}},  {ReadOp::kNext, {5}},    {ReadOp::kNext, {}},
               {ReadOp::kPrior, {5, 4}}};
  for (const auto& step : steps) {
    ReadRequest r;
    r.op = step.op;
    RecordBatch batch;
    Status s = cursor_->ReadBlock(r, 2, &batch);
    std::vector<int64_t> values;
    if (s.ok()) {
      for (size_t i = 0; i < batch.size; ++i) values.push_back(batch.records[i][1].integer());
    } else {
      EXPECT_CODE(s, kEndOfFile);
    }
    EXPECT_EQ(values, step.expect) << "op " << static_cast<int>(step.op);
  }
}

}  // namespace
}  // namespace vantora::host
