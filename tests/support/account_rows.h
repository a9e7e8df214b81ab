// The ACCOUNTS file the crash and fault tests build in a library of their
// own, keyed on ID (unique): ID BIN4 | NAME CHAR(10) | BALANCE PACK(9,2).
// Its PC record, in a record read and in an SQL row alike: ID 0-3 (int32),
// NAME 4-13, BALANCE 14-24 (numeric text, blank-padded).
#ifndef VANTORA_TESTS_SUPPORT_ACCOUNT_ROWS_H_
#define VANTORA_TESTS_SUPPORT_ACCOUNT_ROWS_H_

#include <cstdint>
#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <memory>

#include "host/storage/storage.h"
#include "protocol/byte_order.h"

namespace vantora::testing {

inline constexpr int32_t kRowLength = 25;
// Ropen/VNXopen modes of the tests.
inline constexpr int32_t kReadOnly = 1;
inline constexpr int32_t kReadUpdate = 1 | 4;
inline constexpr int32_t kCommitmentControl = 0x20;

struct Account {
  std::string name;
  std::string balance;  // as the PC form shows it, blanks dropped
  bool operator==(const Account&) const = default;
};
using Accounts = std::map<int32_t, Account>;

// How gtest shows an account in a failure.
inline void PrintTo(const Account& a, std::ostream* out) {
  *out << "'" << a.name << "' " << a.balance;
}

inline std::string TrimmedField(const uint8_t* text, size_t length) {
  std::string s(reinterpret_cast<const char*>(text), length);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  while (!s.empty() && s.front() == ' ') s.erase(0, 1);
  return s;
}

inline std::pair<int32_t, Account> DecodeRow(const uint8_t* row) {
  return {wire::LoadLeI32(row), {TrimmedField(row + 4, 10), TrimmedField(row + 14, 11)}};
}

inline std::vector<uint8_t> EncodeRow(int32_t id, const std::string& name,
                                      const std::string& balance) {
  std::vector<uint8_t> row(kRowLength, ' ');
  wire::StoreLeI32(row.data(), id);
  std::memcpy(row.data() + 4, name.data(), name.size());
  std::memcpy(row.data() + 14, balance.data(), balance.size());
  return row;
}

// Creates `library` and its ACCOUNTS file in `storage`, and opens a cursor
// on it for the caller's rows.
inline void CreateAccountsFile(host::Storage& storage, const std::string& library,
                               std::unique_ptr<host::FileCursor>* cursor) {
  ASSERT_TRUE(storage.catalogue().CreateLibrary(library, "accounts").ok());
  host::PhysicalFileDef def;
  def.name = {library, "ACCOUNTS"};
  def.formatName = "ACCTREC";
  def.fields = {host::BinaryField("ID", host::FieldType::kBin4), host::CharField("NAME", 10),
                host::PackedField("BALANCE", 9, 2)};
  def.key = {{"ID", false}};
  def.unique = true;
  ASSERT_TRUE(storage.catalogue().CreatePhysicalFile(def).ok());
  host::CursorOptions options;
  options.job = -1;
  ASSERT_TRUE(storage.OpenCursor(def.name, options, cursor).ok());
}

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_ACCOUNT_ROWS_H_
