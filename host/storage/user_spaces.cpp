// User spaces in vt_objects, vt_user_spaces and vt_user_space_entries (see
// docs/host-storage.md).
#include "host/storage/user_spaces.h"

#include <bit>
#include <cstring>

#include "host/storage/sqlite_db.h"
#include "protocol/byte_order.h"

namespace vantora::host {

using detail::StatementUse;

namespace {

constexpr uint8_t kNullValue = 0, kIntegerValue = 1, kRealValue = 2, kTextValue = 3;
constexpr size_t kCountBytes = 2, kNumberBytes = 8, kLengthBytes = 4;

}  // namespace

bool EncodeUserSpaceEntry(const Record& entry, std::vector<uint8_t>* out) {
  if (entry.size() > 0xFFFF) return false;
  out->assign(kCountBytes, 0);
  wire::StoreBe16(out->data(), static_cast<uint16_t>(entry.size()));
  for (const Value& v : entry) {
    const size_t at = out->size();
    switch (v.kind()) {
      case Value::Kind::kNull:
        out->push_back(kNullValue);
        break;
      case Value::Kind::kInteger:
        out->resize(at + 1 + kNumberBytes);
        (*out)[at] = kIntegerValue;
        wire::StoreBe64(out->data() + at + 1, static_cast<uint64_t>(v.integer()));
        break;
      case Value::Kind::kReal:
        out->resize(at + 1 + kNumberBytes);
        (*out)[at] = kRealValue;
        wire::StoreBe64(out->data() + at + 1, std::bit_cast<uint64_t>(v.real()));
        break;
      case Value::Kind::kText: {
        const std::string_view text = v.text();
        if (text.size() > 0xFFFFFFFFu) return false;
        out->resize(at + 1 + kLengthBytes + text.size());
        (*out)[at] = kTextValue;
        wire::StoreBe32(out->data() + at + 1, static_cast<uint32_t>(text.size()));
        if (!text.empty())
          std::memcpy(out->data() + at + 1 + kLengthBytes, text.data(), text.size());
        break;
      }
    }
  }
  return true;
}

bool DecodeUserSpaceEntry(const uint8_t* bytes, size_t size, Record* out) {
  if (size < kCountBytes) return false;
  const size_t count = wire::LoadBe16(bytes);
  Record entry;
  entry.reserve(count);
  size_t at = kCountBytes;
  for (size_t i = 0; i < count; ++i) {
    if (at >= size) return false;
    const uint8_t kind = bytes[at++];
    switch (kind) {
      case kNullValue:
        entry.emplace_back();
        break;
      case kIntegerValue:
      case kRealValue: {
        if (size - at < kNumberBytes) return false;
        const uint64_t bits = wire::LoadBe64(bytes + at);
        at += kNumberBytes;
        entry.push_back(kind == kIntegerValue ? Value::Integer(static_cast<int64_t>(bits))
                                              : Value::Real(std::bit_cast<double>(bits)));
        break;
      }
      case kTextValue: {
        if (size - at < kLengthBytes) return false;
        const size_t length = wire::LoadBe32(bytes + at);
        at += kLengthBytes;
        if (size - at < length) return false;
        entry.push_back(
            Value::Text(std::string_view(reinterpret_cast<const char*>(bytes + at), length)));
        at += length;
        break;
      }
      default:
        return false;
    }
  }
  if (at != size) return false;
  *out = std::move(entry);
  return true;
}

Status UserSpaces::ExistsLocked(const ObjectName& name, bool* exists, std::string* attribute,
                                std::string* text) {
  *exists = false;
  constexpr std::string_view kSql =
      "SELECT attribute, text FROM vt_objects WHERE library = ?1 AND name = ?2 "
      "AND type = '*USRSPC'";
  sqlite3_stmt* q = nullptr;
  if (Status s = db_.connection->Prepare(kSql, &q); !s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, name.library, name.name);
  if (Status s = detail::StepRow(*db_.connection, q, kSql, exists); !s.ok() || !*exists) return s;
  if (attribute != nullptr) *attribute = detail::ColumnText(q, 0);
  if (text != nullptr) *text = detail::ColumnText(q, 1);
  return Status::Ok();
}

Status UserSpaces::Create(const ObjectName& name, const UserSpace& space, bool replace) {
  ObjectName n;
  Status s = NormaliseObjectName(name, &n);
  if (!s.ok()) return s;
  std::lock_guard lock(db_.mutex);
  detail::Connection& c = *db_.connection;
  {
    constexpr std::string_view kLibrary =
        "SELECT 1 FROM vt_objects WHERE library = 'QSYS' AND name = ?1 AND type = '*LIB'";
    sqlite3_stmt* q = nullptr;
    s = c.Prepare(kLibrary, &q);
    if (!s.ok()) return s;
    StatementUse use(q);
    detail::BindAll(q, 1, n.library);
    bool library = false;
    if (s = detail::StepRow(c, q, kLibrary, &library); !s.ok()) return s;
    if (!library) return Status::Error(StatusCode::kLibraryNotFound, n.library);
  }
  detail::Savepoint tx(c);
  if (!tx.begun().ok()) return tx.begun();
  bool exists = false;
  if (s = ExistsLocked(n, &exists, nullptr, nullptr); !s.ok()) return s;
  if (exists) {
    if (!replace) return Status::Error(StatusCode::kObjectExists, n.ToString() + " *USRSPC");
    // The object's trigger takes its attributes and list along.
    s = detail::Run(c,
                    "DELETE FROM vt_objects WHERE library = ?1 AND name = ?2 AND type = '*USRSPC'",
                    n.library, n.name);
    if (!s.ok()) return s;
  }
  s = detail::Run(c,
                  "INSERT INTO vt_objects(library, name, type, attribute, text) "
                  "VALUES(?1, ?2, '*USRSPC', ?3, ?4)",
                  n.library, n.name, space.attribute, space.text);
  if (s.ok()) {
    s = detail::Run(c,
                    "INSERT INTO vt_user_spaces(library, name, initial_size, initial_value, "
                    "authority) VALUES(?1, ?2, ?3, ?4, ?5)",
                    n.library, n.name, int64_t{space.initialSize}, int64_t{space.initialValue},
                    space.authority);
  }
  return s.ok() ? tx.Commit() : s;
}

Status UserSpaces::Find(const ObjectName& name, UserSpace* out) {
  ObjectName n;
  if (!NormaliseObjectName(name, &n).ok()) {
    return Status::Error(StatusCode::kObjectNotFound, name.ToString());
  }
  std::lock_guard lock(db_.mutex);
  detail::Connection& c = *db_.connection;
  UserSpace space;
  bool exists = false;
  if (Status s = ExistsLocked(n, &exists, &space.attribute, &space.text); !s.ok()) return s;
  if (!exists) return Status::Error(StatusCode::kObjectNotFound, n.ToString() + " *USRSPC");
  constexpr std::string_view kAttributes =
      "SELECT initial_size, initial_value, authority, list_format FROM vt_user_spaces "
      "WHERE library = ?1 AND name = ?2";
  sqlite3_stmt* q = nullptr;
  Status s = c.Prepare(kAttributes, &q);
  if (!s.ok()) return s;
  {
    StatementUse use(q);
    detail::BindAll(q, 1, n.library, n.name);
    bool found = false;  // a space of an older layout has no row
    if (s = detail::StepRow(c, q, kAttributes, &found); !s.ok()) return s;
    if (found) {
      space.initialSize = static_cast<int32_t>(sqlite3_column_int64(q, 0));
      space.initialValue = static_cast<uint8_t>(sqlite3_column_int64(q, 1));
      space.authority = detail::ColumnText(q, 2);
      space.listFormat = detail::ColumnText(q, 3);
    }
  }
  constexpr std::string_view kEntries =
      "SELECT entry FROM vt_user_space_entries WHERE library = ?1 AND name = ?2 "
      "ORDER BY position";
  s = c.Prepare(kEntries, &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, n.library, n.name);
  s = detail::ForEachRow(c, q, kEntries, [&] {
    Record entry;
    auto bytes = static_cast<const uint8_t*>(sqlite3_column_blob(q, 0));
    if (bytes == nullptr ||
        !DecodeUserSpaceEntry(bytes, static_cast<size_t>(sqlite3_column_bytes(q, 0)), &entry)) {
      return Status::Error(StatusCode::kStorageError,
                           n.ToString() + ": a list entry the host cannot read");
    }
    space.entries.push_back(std::move(entry));
    return Status::Ok();
  });
  if (!s.ok()) return s;
  *out = std::move(space);
  return Status::Ok();
}

Status UserSpaces::WriteList(const ObjectName& name, std::string_view format,
                             const std::vector<Record>& entries) {
  ObjectName n;
  if (!NormaliseObjectName(name, &n).ok()) {
    return Status::Error(StatusCode::kObjectNotFound, name.ToString());
  }
  std::vector<std::vector<uint8_t>> encoded(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!EncodeUserSpaceEntry(entries[i], &encoded[i])) {
      return Status::Error(StatusCode::kInvalidArgument, "list entry too large");
    }
  }
  std::lock_guard lock(db_.mutex);
  detail::Connection& c = *db_.connection;
  detail::Savepoint tx(c);
  if (!tx.begun().ok()) return tx.begun();
  bool exists = false;
  if (Status s = ExistsLocked(n, &exists, nullptr, nullptr); !s.ok()) return s;
  if (!exists) return Status::Error(StatusCode::kObjectNotFound, n.ToString() + " *USRSPC");
  // A space of an older layout gets its row now.
  Status s = detail::Run(c,
                         "INSERT INTO vt_user_spaces(library, name, initial_size, initial_value, "
                         "authority, list_format) VALUES(?1, ?2, 0, 0, '', ?3) "
                         "ON CONFLICT(library, name) DO UPDATE SET list_format = ?3",
                         n.library, n.name, format);
  if (s.ok()) {
    s = detail::Run(c, "DELETE FROM vt_user_space_entries WHERE library = ?1 AND name = ?2",
                    n.library, n.name);
  }
  constexpr std::string_view kInsert =
      "INSERT INTO vt_user_space_entries(library, name, position, entry) VALUES(?1, ?2, ?3, ?4)";
  sqlite3_stmt* q = nullptr;
  if (s.ok()) s = c.Prepare(kInsert, &q);
  for (size_t i = 0; s.ok() && i < encoded.size(); ++i) {
    StatementUse use(q);
    detail::BindAll(q, 1, n.library, n.name, static_cast<int64_t>(i));
    sqlite3_bind_blob64(q, 4, encoded[i].data(), encoded[i].size(), SQLITE_TRANSIENT);
    s = detail::StepDone(c, q, kInsert);
  }
  return s.ok() ? tx.Commit() : s;
}

}  // namespace vantora::host
