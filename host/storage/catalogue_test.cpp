#include "host/storage/catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/storage/fault_vfs.h"
#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

class CatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    storage_ = testing::OpenStorage(dir_);
    ASSERT_OK(cat().CreateLibrary("sales", "Sales"));
    PhysicalFileDef pf;
    pf.name = {"SALES", "ORDERS"};
    pf.fields = {CharField("CUST", 6), PackedField("ORDNO", 7, 0), PackedField("AMT", 9, 2)};
    pf.key = {{"ORDNO", false}};
    ASSERT_OK(cat().CreatePhysicalFile(pf));
    PhysicalFileDef lines;
    lines.name = {"SALES", "LINES"};
    lines.fields = {PackedField("ORDNO", 7, 0), CharField("ITEM", 10)};
    ASSERT_OK(cat().CreatePhysicalFile(lines));
  }
  Catalogue& cat() { return storage_->catalogue(); }

  LogicalFileDef Keyed(const char* name, std::vector<KeyField> key) {
    LogicalFileDef lf;
    lf.name = {"SALES", name};
    lf.formats = {{"", {{"SALES", "ORDERS"}}, {}, std::move(key)}};
    return lf;
  }

  testing::TempDir dir_;
  std::unique_ptr<Storage> storage_;
};

TEST_F(CatalogueTest, DescribesPhysicalAndLogicalFiles) {
  LogicalFileDef byCust = Keyed("BYCUST", {{"CUST", false}, {"AMT", true}});
  byCust.formats[0].fields = {"cust", "amt"};
  byCust.text = "Orders by customer";
  ASSERT_OK(cat().CreateLogicalFile(byCust));

  FileDescription d;
  ASSERT_OK(cat().DescribeFile({"sales", "bycust"}, &d));
  EXPECT_EQ(d.kind, FileKind::kLogical);
  EXPECT_TRUE(d.IsAccessPath());
  EXPECT_EQ(d.formats[0].name, "BYCUST");
  ASSERT_EQ(d.formats[0].fields.size(), 2u);
  EXPECT_EQ(d.formats[0].fields[1].decimals, 2) << "fields come from the physical file";
  EXPECT_EQ(d.formats[0].HostRecordLength(), 6 + 5);
  ASSERT_EQ(d.formats[0].key.size(), 2u);
  EXPECT_TRUE(d.formats[0].key[1].descending);
  EXPECT_EQ(d.basedOn, (std::vector<ObjectName>{{"SALES", "ORDERS"}}));
  EXPECT_EQ(d.text, "Orders by customer");
}

TEST_F(CatalogueTest, JoinAndMultiFormatFilesAreListedButNotAccessPaths) {
  LogicalFileDef join;
  join.name = {"SALES", "ORDJOIN"};
  join.join = true;
  join.formats = {{"JOINFMT", {{"SALES", "ORDERS"}, {"SALES", "LINES"}}, {"CUST", "ITEM"}, {}}};
  ASSERT_OK(cat().CreateLogicalFile(join));
  LogicalFileDef multi;
  multi.name = {"SALES", "ORDMULTI"};
  multi.formats = {{"ORDFMT", {{"SALES", "ORDERS"}}, {}, {{"ORDNO", false}}},
                   {"LINFMT", {{"SALES", "LINES"}}, {}, {{"ORDNO", false}}}};
  ASSERT_OK(cat().CreateLogicalFile(multi));
  ASSERT_OK(cat().CreateLogicalFile(Keyed("BYCUST", {{"CUST", false}})));

  std::vector<Dependent> deps;
  ASSERT_OK(cat().ListDependents({"SALES", "ORDERS"}, &deps));
  ASSERT_EQ(deps.size(), 3u);
  EXPECT_EQ(deps[0].file.name, "BYCUST");
  EXPECT_FALSE(deps[0].join);
  EXPECT_EQ(deps[1].file.name, "ORDJOIN");
  EXPECT_TRUE(deps[1].join);
  EXPECT_EQ(deps[2].file.name, "ORDMULTI");

  FileDescription d;
  ASSERT_OK(cat().DescribeFile({"SALES", "ORDMULTI"}, &d));
  EXPECT_EQ(d.formats.size(), 2u);
  EXPECT_FALSE(d.IsAccessPath());
  std::unique_ptr<FileCursor> c;
  EXPECT_CODE(storage_->OpenCursor({"SALES", "ORDJOIN"}, {.job = 1}, &c), kNotSupported);
}

TEST_F(CatalogueTest, BadDefinitionsAreRefused) {
  PhysicalFileDef pf;
  pf.name = {"SALES", "BAD"};
  EXPECT_CODE(cat().CreatePhysicalFile(pf), kInvalidDefinition);
  pf.fields = {CharField("A", 1), CharField("a", 2)};
  EXPECT_CODE(cat().CreatePhysicalFile(pf), kInvalidDefinition);
  pf.fields = {CharField("ROWID", 1)};
  EXPECT_CODE(cat().CreatePhysicalFile(pf), kInvalidDefinition);
  pf.fields = {CharField("A", 1)};
  pf.key = {{"B", false}};
  EXPECT_CODE(cat().CreatePhysicalFile(pf), kInvalidDefinition);
  pf.key = {};
  pf.fields = {PackedField("BIG", 31, 0)};
  EXPECT_CODE(cat().CreatePhysicalFile(pf), kInvalidDefinition);
  pf.fields = {CharField("A", 1)};
  pf.name = {"NOLIB", "BAD"};
  EXPECT_CODE(cat().CreatePhysicalFile(pf), kLibraryNotFound);
  pf.name = {"SALES", "ORDERS"};
  EXPECT_CODE(cat().CreatePhysicalFile(pf), kObjectExists);
  EXPECT_CODE(cat().CreateLogicalFile(Keyed("BADLF", {{"NOPE", false}})), kInvalidDefinition);
  LogicalFileDef overMissing = Keyed("BADLF", {});
  overMissing.formats[0].basedOn = {{"SALES", "MISSING"}};
  EXPECT_CODE(cat().CreateLogicalFile(overMissing), kFileNotFound);
}

TEST_F(CatalogueTest, UniqueLogicalFileOverDuplicatesIsRefused) {
  std::unique_ptr<FileCursor> c;
  ASSERT_OK(storage_->OpenCursor({"SALES", "ORDERS"}, {.job = 1}, &c));
  std::vector<Record> two = {{Value::Text("C1"), Value::Integer(1), Value::Integer(0)},
                             {Value::Text("C1"), Value::Integer(2), Value::Integer(0)}};
  ASSERT_OK(c->Insert(two, nullptr));
  c.reset();
  LogicalFileDef lf = Keyed("UNIQCUST", {{"CUST", false}});
  lf.unique = true;
  EXPECT_CODE(cat().CreateLogicalFile(lf), kDuplicateKey);
  FileDescription d;
  EXPECT_CODE(cat().DescribeFile({"SALES", "UNIQCUST"}, &d), kFileNotFound)
      << "nothing of the refused file is left";
}

TEST_F(CatalogueTest, DeleteRespectsDependentsAndOpenCursors) {
  ASSERT_OK(cat().CreateLogicalFile(Keyed("BYCUST", {{"CUST", false}})));
  EXPECT_CODE(cat().DeleteFile({"SALES", "ORDERS"}), kObjectInUse);
  {
    std::unique_ptr<FileCursor> c;
    ASSERT_OK(storage_->OpenCursor({"SALES", "BYCUST"}, {.job = 1}, &c));
    EXPECT_CODE(cat().DeleteFile({"SALES", "BYCUST"}), kObjectInUse);
  }
  ASSERT_OK(cat().DeleteFile({"SALES", "BYCUST"}));
  ASSERT_OK(cat().DeleteFile({"SALES", "ORDERS"}));
  FileDescription d;
  EXPECT_CODE(cat().DescribeFile({"SALES", "ORDERS"}, &d), kFileNotFound);
  // The name is free again, with a different layout.
  PhysicalFileDef pf;
  pf.name = {"SALES", "ORDERS"};
  pf.fields = {CharField("OTHER", 3)};
  ASSERT_OK(cat().CreatePhysicalFile(pf));
  std::unique_ptr<FileCursor> c;
  ASSERT_OK(storage_->OpenCursor({"SALES", "ORDERS"}, {.job = 1}, &c));
  EXPECT_OK(c->Insert({Value::Text("X")}, nullptr));
}

TEST_F(CatalogueTest, ObjectListingsAndLibraries) {
  ASSERT_OK(cat().CreateObject({{"SALES", "ORDQ"}, "*DTAQ", "", "Order queue"}));
  ASSERT_OK(cat().CreateObject({{"SALES", "ORDPGM"}, "*pgm", "CLP", ""}));
  EXPECT_CODE(cat().CreateObject({{"SALES", "ORDQ"}, "*DTAQ", "", ""}), kObjectExists);
  EXPECT_CODE(cat().CreateObject({{"SALES", "X"}, "*FILE", "", ""}), kInvalidArgument);
  EXPECT_CODE(cat().CreateObject({{"NOLIB", "X"}, "*DTAQ", "", ""}), kLibraryNotFound);

  std::vector<ObjectEntry> all, files, ord;
  ASSERT_OK(cat().ListObjects("SALES", "*ALL", "*ALL", &all));
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0].name.name, "LINES");
  EXPECT_EQ(all[0].attribute, "PF");
  ASSERT_OK(cat().ListObjects("SALES", "*FILE", "*ALL", &files));
  EXPECT_EQ(files.size(), 2u);
  ASSERT_OK(cat().ListObjects("SALES", "*ALL", "ORD*", &ord));
  ASSERT_EQ(ord.size(), 3u);
  EXPECT_EQ(ord[1].type, "*PGM");
  EXPECT_CODE(cat().ListObjects("NOLIB", "*ALL", "*ALL", &all), kLibraryNotFound);

  std::vector<ObjectEntry> libs;
  ASSERT_OK(cat().ListObjects("QSYS", "*LIB", "*ALL", &libs));
  ASSERT_EQ(libs.size(), 3u);  // QGPL, QSYS, SALES
  EXPECT_EQ(libs[2].name.name, "SALES");

  EXPECT_CODE(cat().DeleteLibrary("SALES"), kObjectInUse);
  EXPECT_CODE(cat().CreateLibrary("SALES", ""), kLibraryExists);
  ASSERT_OK(cat().DeleteObject({"SALES", "ORDQ"}, "*DTAQ"));
  EXPECT_CODE(cat().DeleteObject({"SALES", "ORDQ"}, "*DTAQ"), kObjectNotFound);
}

TEST_F(CatalogueTest, DeviceFilesAreListedButHoldNoData) {
  ASSERT_OK(cat().CreateDeviceFile({"sales", "ordscr"}, "DSPF", "Order entry screens"));
  EXPECT_CODE(cat().CreateDeviceFile({"SALES", "ORDSCR"}, "PRTF", ""), kObjectExists);
  EXPECT_CODE(cat().CreateDeviceFile({"SALES", "ORDERS"}, "DSPF", ""), kObjectExists);
  EXPECT_CODE(cat().CreateDeviceFile({"SALES", "X"}, "PF", ""), kInvalidArgument);
  EXPECT_CODE(cat().CreateDeviceFile({"NOLIB", "X"}, "DSPF", ""), kLibraryNotFound);
  // A database file cannot take the name of a device file.
  PhysicalFileDef pf;
  pf.name = {"SALES", "ORDSCR"};
  pf.fields = {CharField("X", 1)};
  EXPECT_CODE(cat().CreatePhysicalFile(pf), kObjectExists);

  std::vector<ObjectEntry> files;
  ASSERT_OK(cat().ListObjects("SALES", "*FILE", "ORDS*", &files));
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].attribute, "DSPF");
  EXPECT_EQ(files[0].text, "Order entry screens");
  FileDescription d;
  EXPECT_CODE(cat().DescribeFile({"SALES", "ORDSCR"}, &d), kFileNotFound);

  ASSERT_OK(cat().DeleteFile({"SALES", "ORDSCR"}));
  EXPECT_CODE(cat().DeleteFile({"SALES", "ORDSCR"}), kFileNotFound);
  ASSERT_OK(cat().ListObjects("SALES", "*FILE", "ORDS*", &files));
  EXPECT_TRUE(files.empty());
  ASSERT_OK(cat().CreatePhysicalFile(pf));  // the name is free again
}

TEST_F(CatalogueTest, ResolvesThroughALibraryList) {
  ASSERT_OK(cat().CreateLibrary("FIRST", ""));
  std::vector<std::string> list = {"FIRST", "SALES", "QGPL"};
  ObjectName found;
  ASSERT_OK(cat().ResolveFile(list, "orders", &found));
  EXPECT_EQ(found, (ObjectName{"SALES", "ORDERS"}));
  EXPECT_CODE(cat().ResolveFile(list, "NOFILE", &found), kFileNotFound);
}

// Listings that a failed read cuts short answer the failure, never a shorter
// list: each read is failed in turn, on a reopened storage so that the pages
// come from the file.
TEST_F(CatalogueTest, ListingsUnderReadFaultsAreWholeOrFail) {
  constexpr size_t kDependents = 40;
  for (size_t i = 0; i < kDependents; ++i) {
    ASSERT_OK(
        cat().CreateLogicalFile(Keyed(("BY" + std::to_string(i)).c_str(), {{"CUST", false}})));
  }
  struct Counts {
    size_t dependents = 0, objects = 0, fields = 0;
  };
  auto list = [&](Counts* n) {
    std::vector<Dependent> deps;
    Status st = cat().ListDependents({"SALES", "ORDERS"}, &deps);
    n->dependents = deps.size();
    std::vector<ObjectEntry> objects;
    if (st.ok()) st = cat().ListObjects("*ALL", "*ALL", "*ALL", &objects);
    n->objects = objects.size();
    FileDescription d;
    if (st.ok()) st = cat().DescribeFile({"SALES", "ORDERS"}, &d);
    n->fields = d.formats.empty() ? 0 : d.formats[0].fields.size();
    return st;
  };
  Counts whole;
  ASSERT_OK(list(&whole));
  ASSERT_EQ(whole.dependents, kDependents);
  ASSERT_EQ(whole.fields, 3u);

  int failures = 0;
  for (int64_t countdown = 1;; ++countdown) {
    ASSERT_LT(countdown, 10'000) << "the walk does not end";
    storage_.reset();
    storage_ = testing::OpenStorage(dir_);
    ASSERT_NE(storage_, nullptr);
    StorageFaults::Arm({.operation = StorageOperation::kRead, .countdown = countdown});
    Counts n;
    Status st = list(&n);
    const bool hit = StorageFaults::Hits() > 0;
    StorageFaults::Disarm();
    if (st.ok()) {
      EXPECT_EQ(n.dependents, whole.dependents) << "read " << countdown << " failed";
      EXPECT_EQ(n.objects, whole.objects) << "read " << countdown << " failed";
      EXPECT_EQ(n.fields, whole.fields) << "read " << countdown << " failed";
    } else {
      EXPECT_CODE(st, kIoError);
      ++failures;
    }
    if (!hit) {
      EXPECT_OK(st);
      break;
    }
  }
  EXPECT_GT(failures, 3);
}

}  // namespace
}  // namespace vantora::host
