// The block-read path's images (fields straight from the database through
// EncodeRow) against the general path's (a Record, then Encode): the same
// bytes and the same errors for every field type, nulls, blanks and edge
// values, in every form a job can ask for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conversion/code_page.h"
#include "host/server/files/record_codec.h"
#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

using testing::I;
using testing::T;

// Every field type; the odd-numbered ones null-capable.
std::vector<FieldDef> AllTypes() {
  std::vector<FieldDef> f = {CharField("NAME", 6),
                             VarcharField("NOTE", 8),
                             BinaryField("SMALL", FieldType::kBin2, 1),
                             BinaryField("MID", FieldType::kBin4),
                             BinaryField("BIG", FieldType::kBin8),
                             PackedField("AMOUNT", 9, 2),
                             ZonedField("COUNT", 5, 0),
                             FloatField("RATIO", FieldType::kFloat),
                             FloatField("EXACT", FieldType::kDouble),
                             DateTimeField("DAY", FieldType::kDate),
                             DateTimeField("AT", FieldType::kTime),
                             DateTimeField("STAMP", FieldType::kTimestamp),
                             CharField("CODE", 3),
                             PackedField("RATE", 5, 5)};
  for (size_t i = 1; i < f.size(); i += 2) f[i].nullCapable = true;
  return f;
}

std::vector<Record> Rows() {
  const Value null;
  return {
      {T("AB"), T("xy"), I(-123), I(2147483647), I(-9000000000000000000), I(-1234567), I(42),
       Value::Real(0.5), Value::Real(-1e300), T("2024-02-29"), T("23.59.58"),
       T("2024-02-29-23.59.58.123456"), T("Z"), I(99999)},
      // Nulls in every null-capable field.
      {T(""), null, I(0), null, I(0), null, I(0), null, Value::Real(0), null, T("00.00.00"), null,
       T(""), null},
      // Full widths, trailing blanks kept by VARCHAR, negative zero-ish values.
      {T("ABCDEF"), T("a b  "), I(32767), I(-2147483648), I(9223372036854775807), I(9999999),
       I(-99999), Value::Real(3.4e38), Value::Real(1.0 / 3), T("0001-01-01"), T("24.00.00"),
       T("9999-12-31-00.00.00.000000"), T("  "), I(-1)},
      // A date with no two-digit-year form: the two-digit styles refuse it.
      {T("X"), T(""), I(-32768), I(1), I(-1), I(1), I(1), Value::Real(-0.0), Value::Real(1e-300),
       T("1900-06-15"), T("12.00.00"), T("1900-06-15-12.00.00.000001"), T("ABC"), I(0)},
  };
}

struct Form {
  const char* name;
  RecordForm form;
  bool nullMap;
  DateTimeStyle style;
  TextConversions conversions;
  std::vector<std::string> reduced;  // empty: every field
};

std::vector<Form> Forms() {
  DateTimeStyle ymd;
  ymd.dateCode = 0x19, ymd.dateSeparator = '/', ymd.timeCode = 0x1B, ymd.timeSeparator = ':';
  DateTimeStyle usa;
  usa.dateCode = 0x01, usa.dateSeparator = '/', usa.timeCode = 0x01, usa.timeSeparator = ':';
  TextConversions allText{};
  allText.fill(-1);
  TextConversions wide{};
  wide.fill(20);
  return {
      {"pc", RecordForm::kPc, false, {}, {}, {}},
      {"pc_null_map", RecordForm::kPc, true, {}, {}, {}},
      {"pc_ymd", RecordForm::kPc, true, ymd, {}, {}},
      {"pc_usa", RecordForm::kPc, false, usa, {}, {}},
      {"pc_text", RecordForm::kPc, true, {}, allText, {}},
      {"pc_wide_text", RecordForm::kPc, false, {}, wide, {}},
      {"raw", RecordForm::kRaw, false, {}, {}, {}},
      {"raw_null_map", RecordForm::kRaw, true, {}, {}, {}},
      {"raw_ymd", RecordForm::kRaw, true, ymd, {}, {}},
      {"pc_reduced", RecordForm::kPc, true, {}, {}, {"STAMP", "NOTE", "AMOUNT", "DAY"}},
      {"raw_reduced", RecordForm::kRaw, true, {}, {}, {"EXACT", "NAME", "RATE"}},
  };
}

// Encodes each record of a block as it arrives, remembering the status.
class Collect : public RowSink {
 public:
  explicit Collect(const RecordCodec& codec) : codec_(codec) {}
  void Row(size_t index, int64_t rrn, const RowFields& fields) override {
    EXPECT_EQ(index, rrns.size());
    rrns.push_back(rrn);
    images.emplace_back(static_cast<size_t>(codec_.recordLength()), 0xEE);
    statuses.push_back(codec_.EncodeRow(fields, images.back().data()));
  }
  std::vector<int64_t> rrns;
  std::vector<std::vector<uint8_t>> images;
  std::vector<Status> statuses;

 private:
  const RecordCodec& codec_;
};

class RowImagesFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    storage_ = testing::OpenStorage(dir_);
    ASSERT_OK(storage_->catalogue().CreateLibrary("LIB", ""));
    PhysicalFileDef def;
    def.name = {"LIB", "TYPES"};
    def.fields = AllTypes();
    def.key = {{"NAME", false}};
    ASSERT_OK(storage_->catalogue().CreatePhysicalFile(def));
    std::unique_ptr<FileCursor> c = Open();
    for (const Record& r : Rows()) ASSERT_OK(c->Insert(r, nullptr));
  }

  std::unique_ptr<FileCursor> Open() {
    std::unique_ptr<FileCursor> c;
    CursorOptions o;
    o.job = 1;
    Status s = storage_->OpenCursor({"LIB", "TYPES"}, o, &c);
    EXPECT_TRUE(s.ok()) << s.ToString();
    return c;
  }

  testing::TempDir dir_;
  std::unique_ptr<Storage> storage_;
};

class RowImagesTest : public RowImagesFixture, public ::testing::WithParamInterface<Form> {};

// The codec options of one form, over the built-in code page.
CodecOptions OptionsOf(const Form& form) {
  CodecOptions o;
  o.form = form.form;
  o.nullMap = form.nullMap;
  o.style = form.style;
  o.conversions = form.conversions;
  o.toEbcdic = &conversion::BuiltInCodePage().toHost;
  o.toPc = &conversion::BuiltInCodePage().toPc;
  return o;
}

TEST_P(RowImagesTest, SameImagesAndErrorsAsTheRecordPath) {
  const Form& form = GetParam();
  std::unique_ptr<FileCursor> general = Open(), lean = Open();
  const CodecOptions o = OptionsOf(form);
  RecordCodec codec;
  ASSERT_OK(RecordCodec::Build(general->format(), o, &codec));
  if (!form.reduced.empty()) {
    RecordCodec reduced;
    ASSERT_OK(codec.Select(form.reduced, &reduced));
    codec = std::move(reduced);
  }

  // Key order, then backwards, in blocks of 3 so that one block ends
  // inside the file and the next at its end.
  for (ReadOp start : {ReadOp::kFirst, ReadOp::kLast}) {
    ReadRequest request;
    request.op = start;
    size_t total = 0, failures = 0;
    for (int block = 0; block < 3; ++block) {
      RecordBatch records, numbers;
      Collect collect(codec);
      Status a = general->ReadBlock(request, 3, &records);
      Status b = lean->ReadBlock(request, 3, collect, &numbers);
      ASSERT_EQ(a.code(), b.code()) << a.ToString() << " / " << b.ToString();
      if (!a.ok()) break;
      ASSERT_EQ(records.size, numbers.size);
      ASSERT_EQ(collect.rrns.size(), records.size);
      for (size_t i = 0; i < records.size; ++i) {
        EXPECT_EQ(collect.rrns[i], records.rrns[i]);
        EXPECT_EQ(numbers.rrns[i], records.rrns[i]);
        std::vector<uint8_t> image(static_cast<size_t>(codec.recordLength()), 0xEE);
        Status encoded = codec.Encode(records.records[i], image.data());
        EXPECT_EQ(encoded.code(), collect.statuses[i].code())
            << "record " << records.rrns[i] << ": " << encoded.ToString();
        EXPECT_EQ(encoded.ToString(), collect.statuses[i].ToString());
        if (!encoded.ok()) ++failures;
        EXPECT_EQ(image, collect.images[i]) << "record " << records.rrns[i];
      }
      EXPECT_EQ(general->currentRrn(), lean->currentRrn());
      total += records.size;
      request.op = start == ReadOp::kFirst ? ReadOp::kNext : ReadOp::kPrior;
    }
    EXPECT_EQ(total, Rows().size());
    // The two-digit-year styles refuse the 1900 date (unless the reduced
    // codec leaves dates out): the error path is compared too.
    bool twoDigitYears = form.style.dateCode >= 0x17;
    if (twoDigitYears && form.reduced.empty()) {
      EXPECT_GT(failures, 0u);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, RowImagesTest, ::testing::ValuesIn(Forms()),
                         [](const ::testing::TestParamInfo<Form>& p) {
                           return std::string(p.param.name);
                         });

// Images from views of values held elsewhere (an SQL result's row) against
// the general path's: the same bytes and errors, nulls and the null map
// included, in every form.
class ViewImagesTest : public ::testing::TestWithParam<Form> {};

TEST_P(ViewImagesTest, SameImagesAndErrorsAsTheRecordPath) {
  const Form& form = GetParam();
  RecordFormat format;
  format.name = "TYPES";
  format.fields = AllTypes();
  const CodecOptions o = OptionsOf(form);
  RecordCodec codec;
  ASSERT_OK(RecordCodec::Build(format, o, &codec));
  if (!form.reduced.empty()) {
    RecordCodec reduced;
    ASSERT_OK(codec.Select(form.reduced, &reduced));
    codec = std::move(reduced);
  }
  size_t failures = 0;
  for (const Record& record : Rows()) {
    const std::vector<ValueView> views(record.begin(), record.end());
    std::vector<uint8_t> general(static_cast<size_t>(codec.recordLength()), 0xEE);
    std::vector<uint8_t> lean(general);
    Status a = codec.Encode(record, general.data());
    Status b = codec.EncodeViews(views, lean.data());
    EXPECT_EQ(a.ToString(), b.ToString());
    EXPECT_EQ(general, lean);
    if (!a.ok()) ++failures;
  }
  if (form.style.dateCode >= 0x17 && form.reduced.empty()) {
    EXPECT_GT(failures, 0u);  // the 1900 date: the error path is compared too
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, ViewImagesTest, ::testing::ValuesIn(Forms()),
                         [](const ::testing::TestParamInfo<Form>& p) {
                           return std::string(p.param.name);
                         });

// A null shows as its field's zero value without a null map and as '1'
// with one; the lean path must not read the column as anything else.
TEST_F(RowImagesFixture, NullsShowTheirZeroValues) {
  std::unique_ptr<FileCursor> c = Open();
  CodecOptions o;
  o.nullMap = true;
  RecordCodec codec;
  ASSERT_OK(RecordCodec::Build(c->format(), o, &codec));
  ReadRequest request;
  request.op = ReadOp::kFirst;
  Collect collect(codec);
  RecordBatch numbers;
  ASSERT_OK(c->ReadBlock(request, 10, collect, &numbers));
  ASSERT_EQ(collect.images.size(), Rows().size());
  // Key order puts the record with the blank NAME (the nulls) first.
  ASSERT_EQ(numbers.rrns[0], 2);
  ASSERT_OK(collect.statuses[0]);
  const std::vector<uint8_t>& image = collect.images[0];
  std::string map(image.end() - static_cast<ptrdiff_t>(codec.fileFieldCount()), image.end());
  EXPECT_EQ(map, "01010101010101");
  const WireField* note = codec.FieldOf(1);
  ASSERT_NE(note, nullptr);
  // VARCHAR: zero length, then blanks.
  EXPECT_EQ(std::string(image.begin() + note->offset, image.begin() + note->offset + note->length),
            std::string("\0\0        ", 10));
  const WireField* stamp = codec.FieldOf(11);
  ASSERT_NE(stamp, nullptr);
  EXPECT_EQ(std::string(image.begin() + stamp->offset, image.begin() + stamp->offset + 26),
            "0001-01-01-00.00.00.000000");
}

// Blobs in text columns (only SQL written straight to the table puts them
// there): the lean path reads them as texts, as the general path does, an
// empty one included, which is not a null.
TEST_F(RowImagesFixture, BlobsInTextColumnsReadAsTexts) {
  ASSERT_OK(storage_->RunLocked([](SqlConnection& db) {
    const char* sql =
        "UPDATE \"LIB/TYPES\" SET NOTE = X'', CODE = X'4142' WHERE rowid = 1;"
        "UPDATE \"LIB/TYPES\" SET NOTE = X'7A', CODE = X'', RATE = 1 WHERE rowid = 3";
    return db.Exec(sql) ? Status::Ok() : db.LastFailure().AsStatus();
  }));
  std::unique_ptr<FileCursor> general = Open(), lean = Open();
  CodecOptions o;
  o.nullMap = true;
  RecordCodec codec;
  ASSERT_OK(RecordCodec::Build(general->format(), o, &codec));
  ReadRequest request;
  request.op = ReadOp::kFirst;
  RecordBatch records, numbers;
  Collect collect(codec);
  ASSERT_OK(general->ReadBlock(request, 10, &records));
  ASSERT_OK(lean->ReadBlock(request, 10, collect, &numbers));
  ASSERT_EQ(collect.images.size(), records.size);
  int blobs = 0;
  for (size_t i = 0; i < records.size; ++i) {
    std::vector<uint8_t> image(static_cast<size_t>(codec.recordLength()), 0xEE);
    Status encoded = codec.Encode(records.records[i], image.data());
    EXPECT_EQ(encoded.ToString(), collect.statuses[i].ToString());
    EXPECT_EQ(image, collect.images[i]) << "record " << records.rrns[i];
    if (records.rrns[i] == 1 || records.rrns[i] == 3) {
      ++blobs;
      // NOTE is field 1: not null in the map.
      EXPECT_EQ(collect.images[i][static_cast<size_t>(codec.dataLength()) + 1], '0');
    }
  }
  EXPECT_EQ(blobs, 2);
}

}  // namespace
}  // namespace vantora::host
