// Reads through a filter on a storage cursor: every direction, key reads
// with refused duplicates, blocks, and the plan of an open after commands.
#include "host/server/files/filtered_read.h"

#include <gtest/gtest.h>

#include "host/cl/selection.h"
#include "host/server/commands/command_runner.h"
#include "host/server/commands/open_plan.h"
#include "host/server/session/job.h"
#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

using testing::I;
using testing::T;

class FilteredReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    storage_ = testing::OpenStorage(dir_);
    ASSERT_TRUE(storage_->catalogue().CreateLibrary("LIB", "").ok());
    PhysicalFileDef def;
    def.name = {"LIB", "ITEMS"};
    def.fields = {CharField("CODE", 4), PackedField("QTY", 5, 0)};
    def.key = {{"CODE", false}};
    ASSERT_TRUE(storage_->catalogue().CreatePhysicalFile(def).ok());
    // rrn:  1 A/1  2 B/5  3 A/7  4 C/2  5 B/9  6 D/8
    std::vector<Record> rows = {{T("A"), I(1)}, {T("B"), I(5)}, {T("A"), I(7)},
                                {T("C"), I(2)}, {T("B"), I(9)}, {T("D"), I(8)}};
    ASSERT_TRUE(Open()->Insert(rows, nullptr).ok());
    ASSERT_TRUE(Selection::Compile("QTY *GE 5", Format(), &selection_, &error_)) << error_.detail;
  }

  std::unique_ptr<FileCursor> Open() {
    std::unique_ptr<FileCursor> c;
    CursorOptions o;
    o.job = 7;
    EXPECT_TRUE(storage_->OpenCursor({"LIB", "ITEMS"}, o, &c).ok());
    return c;
  }
  RecordFormat Format() {
    FileDescription d;
    EXPECT_TRUE(storage_->catalogue().DescribeFile({"LIB", "ITEMS"}, &d).ok());
    return d.formats[0];
  }

  testing::TempDir dir_;
  std::unique_ptr<Storage> storage_;
  std::unique_ptr<Selection> selection_;
  cl::SelectionError error_;
};

std::vector<int64_t> ReadAll(FileCursor& c, const RecordFilter* f, ReadOp first, ReadOp next) {
  std::vector<int64_t> out;
  ReadRequest r;
  r.op = first;
  r.positionOnly = true;
  int64_t rrn = 0;
  while (FilteredRead(c, f, r, nullptr, &rrn).ok()) {
    out.push_back(rrn);
    r.op = next;
  }
  return out;
}

TEST_F(FilteredReadTest, BothDirections) {
  auto c = Open();
  EXPECT_EQ(ReadAll(*c, selection_.get(), ReadOp::kFirst, ReadOp::kNext),
            (std::vector<int64_t>{3, 2, 5, 6}));
  EXPECT_EQ(ReadAll(*c, selection_.get(), ReadOp::kLast, ReadOp::kPrior),
            (std::vector<int64_t>{6, 5, 2, 3}));
  EXPECT_EQ(ReadAll(*c, nullptr, ReadOp::kFirst, ReadOp::kNext),
            (std::vector<int64_t>{1, 3, 2, 5, 4, 6}));
}

TEST_F(FilteredReadTest, KeysAndRecordNumbers) {
  auto c = Open();
  SearchKey a{{T("A")}, 0};
  ReadRequest r;
  r.op = ReadOp::kKeyEqual;
  r.key = &a;
  Record rec;
  int64_t rrn = 0;
  ASSERT_TRUE(FilteredRead(*c, selection_.get(), r, &rec, &rrn).ok());
  EXPECT_EQ(rrn, 3);  // the first A (rrn 1, QTY 1) is left out
  SearchKey cKey{{T("C")}, 0};
  r.key = &cKey;
  EXPECT_FALSE(FilteredRead(*c, selection_.get(), r, &rec, &rrn).ok());
  r = ReadRequest{};
  r.op = ReadOp::kKeyGreater;
  r.key = &cKey;
  ASSERT_TRUE(FilteredRead(*c, selection_.get(), r, &rec, &rrn).ok());
  EXPECT_EQ(rrn, 6);
  r = ReadRequest{};
  r.op = ReadOp::kRelativeRecord;
  r.rrn = 4;
  EXPECT_EQ(FilteredRead(*c, selection_.get(), r, &rec, &rrn).code(), StatusCode::kRecordNotFound);
}

TEST_F(FilteredReadTest, Blocks) {
  auto c = Open();
  RecordBatch batch;
  ReadRequest r;
  r.op = ReadOp::kFirst;
  r.positionOnly = true;
  ASSERT_TRUE(FilteredReadBlock(*c, selection_.get(), r, 3, &batch).ok());
  ASSERT_EQ(batch.size, 3u);
  EXPECT_EQ(batch.rrns[0], 3);
  EXPECT_EQ(batch.rrns[2], 5);
  EXPECT_EQ(batch.records[1][1], I(5));
  r.op = ReadOp::kNext;
  ASSERT_TRUE(FilteredReadBlock(*c, selection_.get(), r, 3, &batch).ok());
  ASSERT_EQ(batch.size, 1u);
  EXPECT_EQ(batch.rrns[0], 6);
  EXPECT_FALSE(FilteredReadBlock(*c, selection_.get(), r, 3, &batch).ok());
}

TEST_F(FilteredReadTest, PlanAfterCommands) {
  Job job(9, "TESTER");
  ASSERT_TRUE(RunCommand(*storage_, job, "ADDLIBLE LIB").ok);
  OpenPlan plan;
  ASSERT_TRUE(PlanOpen(*storage_, job, {"LIB", "ITEMS"}, &plan).ok());
  EXPECT_EQ(plan.filter, nullptr);
  ASSERT_TRUE(RunCommand(*storage_, job,
                         "OPNQRYF FILE((ITEMS)) QRYSLT('QTY *GE 5') KEYFLD(*NONE) OPNID(Q1)")
                  .ok);
  ASSERT_TRUE(PlanOpen(*storage_, job, {"LIB", "ITEMS"}, &plan).ok());
  EXPECT_EQ(plan.filter, nullptr);  // not shared without the override
  ASSERT_TRUE(RunCommand(*storage_, job, "OVRDBF ITEMS SHARE(*YES)").ok);
  ASSERT_TRUE(PlanOpen(*storage_, job, {"LIB", "ITEMS"}, &plan).ok());
  ASSERT_NE(plan.filter, nullptr);
  EXPECT_TRUE(plan.arrivalOrder);
  EXPECT_TRUE(plan.readOnly);
  EXPECT_FALSE(plan.commitmentControl);
  ASSERT_TRUE(RunCommand(*storage_, job, "STRCMTCTL LCKLVL(*CHG)").ok);
  ASSERT_TRUE(RunCommand(*storage_, job, "CLOF Q1").ok);
  ASSERT_TRUE(PlanOpen(*storage_, job, {"LIB", "ITEMS"}, &plan).ok());
  EXPECT_EQ(plan.filter, nullptr);
  EXPECT_TRUE(plan.commitmentControl);
  // An override to another file sends the open there.
  PhysicalFileDef other;
  other.name = {"LIB", "OTHER"};
  other.fields = {CharField("X", 1)};
  ASSERT_TRUE(storage_->catalogue().CreatePhysicalFile(other).ok());
  ASSERT_TRUE(RunCommand(*storage_, job, "OVRDBF ITEMS TOFILE(LIB/OTHER)").ok);
  ASSERT_TRUE(PlanOpen(*storage_, job, {"LIB", "ITEMS"}, &plan).ok());
  EXPECT_EQ(plan.file.name, "OTHER");
  ASSERT_TRUE(RunCommand(*storage_, job, "DLTOVR *ALL").ok);
  EXPECT_FALSE(RunCommand(*storage_, job, "DLTOVR ITEMS").ok);
}

}  // namespace
}  // namespace vantora::host
