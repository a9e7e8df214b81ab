// The files the record-level tests work on, created in the test's host data
// directory before the first connect, and helpers for their PC records.
//
// TEST/ITEMS, keyed on CODE ascending then SEQ descending, unique:
//   CODE CHAR(6) | SEQ BIN4 | QTY BIN2 | PRICE PACK(7,2) | NOTE VARCHAR(10),
//   null-capable | DAY DATE | RATE DOUBLE
// PC record (51 bytes): CODE 0-5, SEQ 6-9 (int32), QTY 10-11 (int16),
// PRICE 12-20 (numeric text), NOTE 21-32 (int16 length, 10 bytes), DAY
// 33-42 (YYYY-MM-DD), RATE 43-50 (double).
// TEST/ITEMSBYQ: logical file over ITEMS keyed on QTY (duplicates).
// TEST/PLAIN: the same fields, no key (arrival sequence only).
#ifndef VANTORA_TESTS_HOST_FILES_FIXTURE_H_
#define VANTORA_TESTS_HOST_FILES_FIXTURE_H_

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "host/server/session/host.h"
#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/embedded_host.h"
#include "tests/support/message_id.h"

namespace vantora::testing {

inline constexpr int32_t kItemLength = 51;

struct Item {
  std::string code;
  int32_t seq = 0;
  int16_t qty = 0;
  std::string price;  // numeric text, e.g. "12.50"
  std::optional<std::string> note;
  std::string day = "2024-01-01";
  double rate = 0;
};

// Records in arrival order (rrn 1..6); key order differs.
inline std::vector<Item> SampleItems() {
  return {
      {"B001", 5, 30, "12.50", "bolt", "2024-03-01", 1.5},
      {"AA01", 1, 10, "-3.25", "first", "2023-12-31", 0.25},
      {"AB02", 1, 20, "100.00", std::nullopt, "2024-02-29", 2},
      {"AA01", 2, 10, "0.75", "second", "2024-01-15", 3.75},
      {"C003", 7, 20, "99999.99", "", "1999-12-31", -1},
      {"AA01", 3, 40, "1.00", "third", "2030-06-30", 0},
  };
}

class HostFileTest : public EmbeddedHostTest {
 protected:
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    CreateFiles();
    ASSERT_EQ(StartSession(), 1);
  }

  void CreateFiles() {
    VNXTerminate();
    std::unique_ptr<host::Host> h;
    ASSERT_TRUE(host::Host::Open(dataDirectory_, {}, &h).ok());
    host::Storage& storage = h->storage();
    ASSERT_TRUE(storage.catalogue().CreateLibrary("TEST", "tests").ok());
    for (const char* name : {"ITEMS", "PLAIN"}) {
      host::PhysicalFileDef def;
      def.name = {"TEST", name};
      def.formatName = "ITEMREC";
      def.fields = {host::CharField("CODE", 6),
                    host::BinaryField("SEQ", host::FieldType::kBin4),
                    host::BinaryField("QTY", host::FieldType::kBin2),
                    host::PackedField("PRICE", 7, 2),
                    host::VarcharField("NOTE", 10),
                    host::DateTimeField("DAY", host::FieldType::kDate),
                    host::FloatField("RATE", host::FieldType::kDouble)};
      def.fields[4].nullCapable = true;
      if (std::string(name) == "ITEMS") {
        def.key = {{"CODE", false}, {"SEQ", true}};
        def.unique = true;
      }
      ASSERT_TRUE(storage.catalogue().CreatePhysicalFile(def).ok());
      std::unique_ptr<host::FileCursor> cursor;
      host::CursorOptions options;
      options.job = -1;
      ASSERT_TRUE(storage.OpenCursor(def.name, options, &cursor).ok());
      for (const Item& i : SampleItems()) {
        host::Record r(7);
        r[0] = host::Value::Text(i.code);
        r[1] = host::Value::Integer(i.seq);
        r[2] = host::Value::Integer(i.qty);
        r[3] = host::Value::Integer(std::llround(std::stod(i.price) * 100));
        if (i.note) r[4] = host::Value::Text(*i.note);
        r[5] = host::Value::Text(i.day);
        r[6] = host::Value::Real(i.rate);
        ASSERT_TRUE(cursor->Insert(r, nullptr).ok());
      }
    }
    host::LogicalFileDef byQty;
    byQty.name = {"TEST", "ITEMSBYQ"};
    byQty.formats = {{"ITEMREC", {{"TEST", "ITEMS"}}, {}, {{"QTY", false}}}};
    ASSERT_TRUE(storage.catalogue().CreateLogicalFile(byQty).ok());
  }

 public:
  static std::string Code(const uint8_t* record) {
    std::string s(reinterpret_cast<const char*>(record), 6);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }
  static int32_t Seq(const uint8_t* record) { return wire::LoadLeI32(record + 6); }
  static int16_t Qty(const uint8_t* record) { return wire::LoadLeI16(record + 10); }
  static std::string Price(const uint8_t* record) {
    return std::string(reinterpret_cast<const char*>(record + 12), 9);
  }
  static std::string Note(const uint8_t* record) {
    return std::string(reinterpret_cast<const char*>(record + 23), wire::LoadLe16(record + 21));
  }
  static std::string Day(const uint8_t* record) {
    return std::string(reinterpret_cast<const char*>(record + 33), 10);
  }
  static double Rate(const uint8_t* record) {
    uint64_t bits = wire::LoadLe64(record + 43);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
  }
  // "CODE/SEQ" of a record, for compact expectations.
  static std::string Id(const uint8_t* record) {
    return Code(record) + "/" + std::to_string(Seq(record));
  }

  static std::vector<uint8_t> Encode(const Item& i) {
    std::vector<uint8_t> r(kItemLength, ' ');
    std::memcpy(r.data(), i.code.data(), i.code.size());
    wire::StoreLeI32(r.data() + 6, i.seq);
    wire::StoreLeI16(r.data() + 10, i.qty);
    std::memcpy(r.data() + 12, i.price.data(), i.price.size());
    std::string note = i.note.value_or("");
    wire::StoreLe16(r.data() + 21, static_cast<uint16_t>(note.size()));
    std::memcpy(r.data() + 23, note.data(), note.size());
    std::memcpy(r.data() + 33, i.day.data(), 10);
    uint64_t bits;
    std::memcpy(&bits, &i.rate, 8);
    wire::StoreLe64(r.data() + 43, bits);
    return r;
  }
};

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_HOST_FILES_FIXTURE_H_
