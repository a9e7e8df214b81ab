// SQL fetch blocks against record reads, through the client and the embedded
// host: a SELECT of a file's fields answers, byte for byte, the images that
// reading the same records one at a time gives (a Record, then the general
// record codec), for a field of every type, nulls and edge values, in
// blocks of every size (one row, blocks that end inside the result, a
// partial last block), rows cut or padded to the length asked, forwards and
// backwards; expression columns take the forms their values give; a value
// with no form of its own answers SQL0802 at open.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/server/session/host.h"
#include "host/storage/file_definition.h"
#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/host_sql_fixture.h"
#include "tests/support/message_id.h"

namespace vantora::testing {
namespace {

constexpr int kRows = 700;
constexpr int kNoTwoDigitYear = 350;  // the record whose date is in 1900

// The PC widths of TEST/EVERY's fields, in order (record_codec.h): BIN4,
// CHAR 6, VARCHAR 8, BIN2, BIN8 (numeric text of 19 digits), PACK 9,2,
// ZONED 5,0, FLOAT, DOUBLE, DATE (*ISO), TIME, TIMESTAMP, PACK 5,5.
constexpr int kWidths[] = {4, 6, 10, 2, 20, 11, 6, 4, 8, 10, 8, 26, 7};
constexpr int kFieldCount = sizeof kWidths / sizeof kWidths[0];
constexpr int kRowLength = 122;

int Offset(int field) {
  int at = 0;
  for (int i = 0; i < field; ++i) at += kWidths[i];
  return at;
}

using Image = std::vector<uint8_t>;

class HostSqlFetch : public EmbeddedHostTest {
 protected:
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    CreateFile();
    ASSERT_EQ(StartSession(), 1);
    ASSERT_EQ(VNXSqlBegin(), 1);
  }
  void TearDown() override {
    VNXSqlEnd();
    FreeSession();
    EmbeddedHostTest::TearDown();
  }

  // TEST/EVERY, keyed on ID (1 up); the odd-numbered fields null-capable and
  // null in every third record; the extremes of each type in the first ones.
  void CreateFile() {
    using namespace host;
    VNXTerminate();
    std::unique_ptr<Host> h;
    ASSERT_TRUE(Host::Open(dataDirectory_, {}, &h).ok());
    ASSERT_TRUE(h->storage().catalogue().CreateLibrary("TEST", "tests").ok());
    PhysicalFileDef def;
    def.name = {"TEST", "EVERY"};
    def.formatName = "EVERYR";
    def.fields = {BinaryField("ID", FieldType::kBin4),
                  CharField("NAME", 6),
                  VarcharField("NOTE", 8),
                  BinaryField("SMALL", FieldType::kBin2),
                  BinaryField("BIG", FieldType::kBin8),
                  PackedField("AMOUNT", 9, 2),
                  ZonedField("QTY", 5, 0),
                  FloatField("RATIO", FieldType::kFloat),
                  FloatField("EXACT", FieldType::kDouble),
                  DateTimeField("DAY", FieldType::kDate),
                  DateTimeField("CLOCK", FieldType::kTime),
                  DateTimeField("STAMP", FieldType::kTimestamp),
                  PackedField("RATE", 5, 5)};
    for (size_t i = 1; i < def.fields.size(); i += 2) def.fields[i].nullCapable = true;
    def.key = {{"ID", false}};
    def.unique = true;
    ASSERT_TRUE(h->storage().catalogue().CreatePhysicalFile(def).ok());
    std::vector<Record> records;
    for (int i = 1; i <= kRows; ++i) {
      Record r(static_cast<size_t>(kFieldCount));
      const bool extreme = i <= 2;
      const int sign = i % 2 == 0 ? -1 : 1;
      char day[16], clock[16];
      std::snprintf(day, sizeof day, "%04d-%02d-%02d", i == kNoTwoDigitYear ? 1900 : 1950 + i % 90,
                    1 + i % 12, 1 + i % 28);
      std::snprintf(clock, sizeof clock, "%02d.%02d.%02d", i % 24, i % 60, (i * 7) % 60);
      r[0] = Value::Integer(i);
      r[1] = Value::Text(i % 5 == 0 ? "" : "N" + std::to_string(i));
      r[2] = Value::Text(i % 7 == 0 ? "a b  " : "note " + std::to_string(i % 1000));
      r[3] = Value::Integer(extreme ? sign * 32767 : i - 350);
      r[4] = Value::Integer(sign * (extreme ? 999999999999999999 : int64_t{i} * 1000000007));
      r[5] = Value::Integer(extreme ? sign * 9999999 : sign * i * 12345);
      r[6] = Value::Integer(extreme ? sign * 99999 : i % 97);
      r[7] = Value::Real(extreme ? sign * 3.4e38 : i * 0.5);
      r[8] = Value::Real(extreme ? sign * 1e300 : 1.0 / i);
      r[9] = Value::Text(day);
      r[10] = Value::Text(clock);
      r[11] = Value::Text(std::string(day) + "-" + clock + "." + std::to_string(100000 + i));
      r[12] = Value::Integer(extreme ? 99999 : i * 7);  // (-0.99999 is wider than its text)
      if (i % 3 == 0) {
        for (size_t f = 1; f < r.size(); f += 2) r[f] = Value();
      }
      records.push_back(std::move(r));
    }
    std::unique_ptr<FileCursor> cursor;
    CursorOptions options;
    options.job = -1;
    ASSERT_TRUE(h->storage().OpenCursor(def.name, options, &cursor).ok());
    ASSERT_TRUE(cursor->Insert(records, nullptr).ok());
    cursor.reset();
    // Blobs in text columns, which only SQL written straight to the table
    // puts there: an empty one is not a null.
    Status s = h->storage().RunLocked([](SqlConnection& db) {
      const char* sql =
          "UPDATE \"TEST/EVERY\" SET NOTE = X'', NAME = X'4142' WHERE ID = 4;"
          "UPDATE \"TEST/EVERY\" SET NOTE = X'7A7A', STAMP = X'' WHERE ID = 8";
      return db.Exec(sql) ? Status::Ok() : db.LastFailure().AsStatus();
    });
    ASSERT_TRUE(s.ok()) << s.ToString();
  }

  // Every record of TEST/EVERY in key order, read one at a time.
  static std::vector<Image> RecordImages() {
    std::vector<Image> out;
    const int32_t h = Ropen("TEST/EVERY", "rr");
    EXPECT_GE(h, 0);
    if (h < 0) return out;
    EXPECT_EQ(Rlength(h), kRowLength);
    int32_t op = VNX_READ_FIRST;
    for (int guard = 0; guard <= kRows; ++guard) {
      Image image(kRowLength, 0xEE);
      int32_t number = 0;
      const int32_t got = VNXRead(h, image.data(), kRowLength, op, nullptr, 0, &number);
      if (got != 1) {
        EXPECT_EQ(guard, kRows) << "read failed: status " << retstat() << " " << MessageId();
        break;
      }
      out.push_back(std::move(image));
      op = VNX_READ_NEXT;
    }
    Rclose(h);
    return out;
  }

  // The rows of an open cursor from a first move on, then `then`, in blocks
  // of `count` rows of `slot` bytes, until a block comes back empty.
  static std::vector<Image> Fetched(int32_t cursor, int32_t slot, int32_t count, int32_t first,
                                    int32_t then, std::vector<int32_t>* sizes = nullptr) {
    std::vector<Image> out;
    int32_t op = first;
    for (int guard = 0; guard <= kRows + 1; ++guard) {
      Image block(static_cast<size_t>(slot) * static_cast<size_t>(count), 0xEE);
      const int32_t n = VNXSqlEFetch(cursor, block.data(), slot, count, op);
      if (n < 0) ADD_FAILURE() << "fetch failed: SQLCODE " << ReadSqlca().code;
      if (n <= 0) break;
      if (sizes != nullptr) sizes->push_back(n);
      for (int32_t i = 0; i < n; ++i) {
        out.emplace_back(block.begin() + i * slot, block.begin() + (i + 1) * slot);
      }
      // Nothing written past the rows delivered.
      for (size_t b = static_cast<size_t>(n) * static_cast<size_t>(slot); b < block.size(); ++b) {
        if (block[b] != 0xEE) {
          ADD_FAILURE() << "byte " << b << " written past " << n << " rows";
          break;
        }
      }
      op = then;
    }
    return out;
  }

  // `image` cut or blank-padded to `slot` bytes, as a fetch delivers it.
  static Image Slotted(const Image& image, int32_t slot) {
    Image out(static_cast<size_t>(slot), ' ');
    std::memcpy(out.data(), image.data(), std::min<size_t>(image.size(), out.size()));
    return out;
  }
};

constexpr int32_t kNext = 0, kPrior = 1, kFirst = 2, kLast = 3, kRelative = 5;
constexpr int32_t kFetchCurrentWithMap = VNX_FETCH_CURRENT | VNX_FETCH_NULL_MAP;

TEST_F(HostSqlFetch, RowsAreTheRecordImagesInBlocksOfEverySize) {
  const std::vector<Image> records = RecordImages();
  ASSERT_EQ(records.size(), static_cast<size_t>(kRows));
  const int32_t cursor = Declare("SELECT * FROM TEST/EVERY ORDER BY ID FOR FETCH ONLY");
  ASSERT_GE(cursor, 1);
  // One row, blocks that end inside the result (7 does not divide 700),
  // one block that takes it whole; the slot short, exact and long.
  for (int32_t count : {1, 7, 64, 250, kRows + 9}) {
    for (int32_t slot : {kRowLength - 5, kRowLength, kRowLength + 3}) {
      SCOPED_TRACE("count " + std::to_string(count) + ", slot " + std::to_string(slot));
      ASSERT_GE(VNXSqlOpen(cursor), 0);
      std::vector<int32_t> sizes;
      const std::vector<Image> rows = Fetched(cursor, slot, count, kNext, kNext, &sizes);
      ASSERT_EQ(rows.size(), records.size());
      for (size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i], Slotted(records[i], slot)) << "row " << i + 1;
      }
      // Full blocks, then a partial one when the count does not divide the
      // rows, or the reply's room cut the block.
      for (size_t b = 0; b + 1 < sizes.size(); ++b) EXPECT_EQ(sizes[b], sizes[0]);
      EXPECT_LE(sizes.back(), sizes[0]);
      if (count == 7) {
        EXPECT_EQ(sizes.back(), kRows % 7 == 0 ? 7 : kRows % 7);
      }
      EXPECT_EQ(ReadSqlca().code, 100);
      ASSERT_EQ(VNXSqlClose(cursor), 1);
    }
  }
}

TEST_F(HostSqlFetch, BackwardBlocksAndSingleFetchesMatchTheRecords) {
  const std::vector<Image> records = RecordImages();
  ASSERT_EQ(records.size(), static_cast<size_t>(kRows));
  const int32_t cursor = Declare("SELECT * FROM TEST/EVERY ORDER BY ID FOR FETCH ONLY");
  ASSERT_GE(cursor, 1);
  ASSERT_GE(VNXSqlOpen(cursor), 0);
  // Last, then prior blocks of 9: every row, last first.
  std::vector<Image> rows(1, Image(kRowLength, 0xEE));
  ASSERT_EQ(VNXSqlEFetch(cursor, rows[0].data(), kRowLength, 1, kLast), 1);
  const std::vector<Image> before = Fetched(cursor, kRowLength, 9, kPrior, kPrior);
  rows.insert(rows.end(), before.begin(), before.end());
  ASSERT_EQ(rows.size(), records.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i], records[records.size() - 1 - i]) << "row " << records.size() - i;
  }
  // A first block, a relative move, then one row at a time.
  Image firstBlock(static_cast<size_t>(kRowLength) * 5, 0xEE);
  ASSERT_EQ(VNXSqlEFetch(cursor, firstBlock.data(), kRowLength, 5, kFirst), 5);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(Image(firstBlock.begin() + static_cast<ptrdiff_t>(i * kRowLength),
                    firstBlock.begin() + static_cast<ptrdiff_t>((i + 1) * kRowLength)),
              records[i]);
  }
  Image row(kRowLength, 0xEE);
  ASSERT_EQ(VNXSqlEFetch(cursor, row.data(), kRowLength, 1, kRelative | (100 << 8)), 1);
  EXPECT_EQ(row, records[104]);
  for (size_t i = 105; i < 110; ++i) {
    std::fill(row.begin(), row.end(), 0xEE);
    ASSERT_EQ(VNXSqlFetch(cursor, row.data(), kRowLength), 1);
    EXPECT_EQ(row, records[i]) << "row " << i + 1;
  }
  ASSERT_EQ(VNXSqlClose(cursor), 1);
}

TEST_F(HostSqlFetch, ChosenColumnsAreThoseFieldsImagesInTheirOrder) {
  const std::vector<Image> records = RecordImages();
  ASSERT_EQ(records.size(), static_cast<size_t>(kRows));
  // STAMP, NOTE, BIG, RATIO, ID: fields of every width, nulls among them.
  const int fields[] = {11, 2, 4, 7, 0};
  int length = 0;
  for (int f : fields) length += kWidths[f];
  const int32_t cursor = Declare(
      "SELECT STAMP, NOTE, BIG, RATIO, ID FROM TEST/EVERY WHERE MOD(ID, 2) = 1 ORDER BY ID");
  ASSERT_GE(cursor, 1);
  ASSERT_GE(VNXSqlOpen(cursor), 0);
  const std::vector<Image> rows = Fetched(cursor, length, 33, kNext, kNext);
  ASSERT_EQ(rows.size(), static_cast<size_t>(kRows / 2));
  for (size_t i = 0; i < rows.size(); ++i) {
    const Image& record = records[2 * i];
    Image expected;
    for (int f : fields) {
      expected.insert(expected.end(), record.begin() + Offset(f),
                      record.begin() + Offset(f) + kWidths[f]);
    }
    ASSERT_EQ(rows[i], expected) << "row " << 2 * i + 1;
  }
  ASSERT_EQ(VNXSqlClose(cursor), 1);
}

TEST_F(HostSqlFetch, CombinedSelectsReadTheirColumnsAsStored) {
  const std::vector<Image> records = RecordImages();
  ASSERT_EQ(records.size(), static_cast<size_t>(kRows));
  // The columns' forms come from the first select; the rows from both.
  const int32_t cursor = Declare(
      "SELECT NAME, DAY, ID FROM TEST/EVERY WHERE ID <= 9 UNION ALL "
      "SELECT NAME, DAY, ID FROM TEST/EVERY WHERE ID > 690 ORDER BY 3");
  ASSERT_GE(cursor, 1) << ReadSqlca().code;
  ASSERT_GE(VNXSqlOpen(cursor), 0) << ReadSqlca().code;
  const int fields[] = {1, 9, 0};
  const int32_t length = kWidths[1] + kWidths[9] + kWidths[0];
  const std::vector<Image> rows = Fetched(cursor, length, 4, kNext, kNext);
  ASSERT_EQ(rows.size(), 19u);
  for (size_t i = 0; i < rows.size(); ++i) {
    const Image& record = records[i < 9 ? i : kRows - 19 + i];
    Image expected;
    for (int f : fields) {
      expected.insert(expected.end(), record.begin() + Offset(f),
                      record.begin() + Offset(f) + kWidths[f]);
    }
    EXPECT_EQ(rows[i], expected) << "row " << i;
  }
  ASSERT_EQ(VNXSqlClose(cursor), 1);
}

TEST_F(HostSqlFetch, ANumberUnderATextFieldsNameShowsAsItsText) {
  // The column takes the form of the field it is named after (CHAR 6).
  const int32_t cursor =
      Declare("SELECT ID * 1000 AS NAME, ID AS NAME FROM TEST/EVERY WHERE ID = 5");
  ASSERT_GE(cursor, 1) << ReadSqlca().code;
  ASSERT_GE(VNXSqlOpen(cursor), 0) << ReadSqlca().code;
  char row[10];
  ASSERT_EQ(VNXSqlFetch(cursor, row, sizeof row), 1);
  // The expression's form from its values; the direct reference's from the field.
  EXPECT_EQ(wire::LoadLeI32(reinterpret_cast<uint8_t*>(row)), 5000);
  EXPECT_EQ(std::string(row + 4, 6), "5     ");
  ASSERT_EQ(VNXSqlClose(cursor), 1);
}

TEST_F(HostSqlFetch, ExpressionColumnsTakeTheFormsOfTheirValues) {
  // ID * 2: integers within 32 bits, LONG 4. ID * 10000000000: past 32
  // bits, DOUBLE 8, each integer as a real. ID / 4.0: DOUBLE 8. 'X' || ID:
  // CHAR of the longest value (3). A null in an integer column: its zero.
  // Texts and numbers in one column: CHAR, the numbers as their text.
  const int32_t cursor = Declare(
      "SELECT ID * 2, ID * 10000000000, ID / 4.0, 'X' || ID, NULLIF(ID % 3, 0), "
      "CASE WHEN ID = 3 THEN 'ABCD' WHEN ID = 4 THEN 2.5 ELSE ID END "
      "FROM TEST/EVERY WHERE ID IN (3, 4, 10) ORDER BY ID");
  ASSERT_GE(cursor, 1) << ReadSqlca().code;
  ASSERT_GE(VNXSqlOpen(cursor), 0) << ReadSqlca().code;
  constexpr int32_t kLength = 4 + 8 + 8 + 3 + 4 + 4;
  const std::vector<Image> rows = Fetched(cursor, kLength, 2, kNext, kNext);
  ASSERT_EQ(rows.size(), 3u);
  const int ids[] = {3, 4, 10};
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(ids[i]);
    const uint8_t* r = rows[i].data();
    EXPECT_EQ(wire::LoadLeI32(r), ids[i] * 2);
    double big, quarter;
    const uint64_t bigBits = wire::LoadLe64(r + 4), quarterBits = wire::LoadLe64(r + 12);
    std::memcpy(&big, &bigBits, 8);
    std::memcpy(&quarter, &quarterBits, 8);
    EXPECT_EQ(big, ids[i] * 1e10);
    EXPECT_EQ(quarter, ids[i] / 4.0);
    std::string text = "X" + std::to_string(ids[i]);
    text.resize(3, ' ');
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + 20), 3), text);
    EXPECT_EQ(wire::LoadLeI32(r + 23), ids[i] % 3);
    const char* mixed[] = {"ABCD", "2.5 ", "10  "};
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + 27), 4), mixed[i]);
  }
  ASSERT_EQ(VNXSqlClose(cursor), 1);
}

TEST_F(HostSqlFetch, AValueWithoutAFormAnswersAtOpen) {
  // The two-digit-year format has no form for the 1900 date, which lies in
  // the middle of the result: the open fails, the cursor stays closed.
  ASSERT_GE(Rsystem("CHGJOB DATFMT(*YMD) DATSEP('/')"), 0);
  const int32_t cursor = Declare("SELECT ID, DAY FROM TEST/EVERY ORDER BY ID");
  ASSERT_GE(cursor, 1);
  EXPECT_EQ(VNXSqlOpen(cursor), -1);
  EXPECT_EQ(ReadSqlca().code, -802);
  uint8_t row[12];
  EXPECT_EQ(VNXSqlFetch(cursor, row, sizeof row), -1);
  EXPECT_EQ(ReadSqlca().code, -501);
  // A null date shows its zero value, 0001-01-01, which has no such form
  // either. Without those rows the result opens, its dates in the job's
  // format.
  const int32_t nulls = Declare("SELECT ID, DAY FROM TEST/EVERY WHERE ID = 3");
  ASSERT_GE(nulls, 1);
  EXPECT_EQ(VNXSqlOpen(nulls), -1);
  EXPECT_EQ(ReadSqlca().code, -802);
  const int32_t others = Declare("SELECT ID, DAY FROM TEST/EVERY WHERE DAY IS NOT NULL AND ID <> " +
                                 std::to_string(kNoTwoDigitYear) + " ORDER BY ID");
  ASSERT_GE(others, 1);
  ASSERT_GE(VNXSqlOpen(others), 0) << ReadSqlca().code;
  const std::vector<Image> rows = Fetched(others, 12, 100, kNext, kNext);
  size_t expected = 0;
  for (int i = 1; i <= kRows; ++i) expected += i % 3 != 0 && i != kNoTwoDigitYear ? 1 : 0;
  ASSERT_EQ(rows.size(), expected);
  // Record 1: 1951-02-02.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(rows[0].data() + 4), 8), "51/02/02");
  EXPECT_EQ(wire::LoadLeI32(rows.back().data()), kRows);
  ASSERT_EQ(VNXSqlClose(others), 1);
}

TEST_F(HostSqlFetch, AskedForItEachRowCarriesItsNullMap) {
  const std::vector<Image> records = RecordImages();
  ASSERT_EQ(records.size(), static_cast<size_t>(kRows));
  // The fields, then a byte per column: the odd-numbered fields are null in
  // every third record; an empty text is not a null. The expression column
  // is null where its value is.
  const int32_t cursor = Declare("SELECT T.*, NULLIF(MOD(ID, 3), 0) FROM TEST/EVERY T ORDER BY ID");
  ASSERT_GE(cursor, 1) << ReadSqlca().code;
  ASSERT_GE(VNXSqlOpen(cursor), 0) << ReadSqlca().code;
  constexpr int32_t kColumns = kFieldCount + 1;
  constexpr int32_t kData = kRowLength + 8;  // MOD answers a DOUBLE
  const std::vector<Image> rows =
      Fetched(cursor, kData + kColumns, 64, kNext | VNX_FETCH_NULL_MAP, kNext | VNX_FETCH_NULL_MAP);
  ASSERT_EQ(rows.size(), records.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const bool nulls = (i + 1) % 3 == 0;
    ASSERT_EQ(Image(rows[i].begin(), rows[i].begin() + kRowLength), records[i]) << "row " << i + 1;
    std::string map;
    for (int f = 0; f < kColumns; ++f) map += nulls && (f % 2 == 1 || f == kFieldCount) ? '1' : '0';
    ASSERT_EQ(std::string(rows[i].begin() + kData, rows[i].end()), map) << "row " << i + 1;
    if (nulls) {
      EXPECT_EQ(Image(rows[i].begin() + kRowLength, rows[i].begin() + kData), Image(8, 0));
    }
  }
  // Without the flag the same slot holds the fields, then blanks.
  Image row(kData + kColumns, 0xEE);
  ASSERT_EQ(VNXSqlEFetch(cursor, row.data(), kData + kColumns, 1, kFirst), 1);
  EXPECT_EQ(std::string(row.begin() + kData, row.end()), std::string(kColumns, ' '));
  // A relative move back keeps its distance beside the flag; a short slot
  // cuts the map.
  ASSERT_EQ(VNXSqlEFetch(cursor, row.data(), kData + kColumns, 1, kRelative | (8 << 8)), 1);
  ASSERT_EQ(VNXSqlEFetch(cursor, row.data(), kData + kColumns, 1,
                         kRelative | VNX_FETCH_NULL_MAP | (-3 << 8)),
            1);
  EXPECT_EQ(wire::LoadLeI32(row.data()), 6);
  EXPECT_EQ(row[kData + 1], '1');
  ASSERT_EQ(VNXSqlEFetch(cursor, row.data(), kData + 2, 1, kFetchCurrentWithMap), 1);
  EXPECT_EQ(std::string(row.begin() + kData, row.begin() + kData + 2), "01");
  // The single-row fetch never brings the map.
  Image single(kData + kColumns, 0xEE);
  ASSERT_EQ(VNXSqlFetch(cursor, single.data(), kData + kColumns), 1);
  EXPECT_EQ(wire::LoadLeI32(single.data()), 7);
  EXPECT_EQ(single[kData], 0xEE);
  ASSERT_EQ(VNXSqlClose(cursor), 1);
}

}  // namespace
}  // namespace vantora::testing
