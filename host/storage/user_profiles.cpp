// User profiles and password checks.
#include "host/storage/user_profiles.h"

#include "host/storage/names.h"
#include "host/storage/password_hash.h"
#include "host/storage/sqlite_db.h"

namespace vantora::host {

using detail::StatementUse;

namespace {

constexpr size_t kSaltBytes = 16;

std::string_view View(const Sha256Digest& d) {
  return std::string_view(reinterpret_cast<const char*>(d.data()), d.size());
}

}  // namespace

Status UserProfiles::StoreLocked(const std::string& name, std::string_view password, bool create,
                                 std::string_view text) {
  if (password.empty()) return Status::Error(StatusCode::kInvalidArgument, "empty password");
  std::string salt = RandomBytes(kSaltBytes);
  Sha256Digest hash = Pbkdf2Sha256(password, salt, iterations_);
  detail::Connection& c = *db_.connection;
  std::string_view sql =
      create ? "INSERT INTO vt_user_profiles(name, salt, hash, iterations, text) "
               "VALUES(?1, ?2, ?3, ?4, ?5)"
             : "UPDATE vt_user_profiles SET salt = ?2, hash = ?3, iterations = ?4 WHERE name = ?1";
  sqlite3_stmt* q = nullptr;
  Status s = c.Prepare(sql, &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, name);
  sqlite3_bind_blob(q, 2, salt.data(), static_cast<int>(salt.size()), SQLITE_TRANSIENT);
  sqlite3_bind_blob(q, 3, hash.data(), static_cast<int>(hash.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int64(q, 4, iterations_);
  if (create) detail::BindAll(q, 5, text);
  return detail::StepDone(c, q, sql);
}

Status UserProfiles::Create(std::string_view name, std::string_view password,
                            std::string_view text) {
  std::string n;
  Status s = NormaliseName(name, &n);
  if (!s.ok()) return s;
  std::lock_guard lock(db_.mutex);
  detail::Savepoint tx(*db_.connection);
  if (!tx.begun().ok()) return tx.begun();
  s = detail::Run(*db_.connection,
                  "INSERT INTO vt_objects(library, name, type, attribute, text) "
                  "VALUES('QSYS', ?1, '*USRPRF', '', ?2)",
                  n, text);
  if (s.code() == StatusCode::kDuplicateKey) {
    return Status::Error(StatusCode::kObjectExists, "user profile " + n);
  }
  if (s.ok()) s = StoreLocked(n, password, true, text);
  return s.ok() ? tx.Commit() : s;
}

Status UserProfiles::Exists(std::string_view name, bool* exists) {
  *exists = false;
  std::string n;
  if (!NormaliseName(name, &n).ok()) return Status::Ok();
  std::lock_guard lock(db_.mutex);
  constexpr std::string_view kSql = "SELECT 1 FROM vt_user_profiles WHERE name = ?1";
  sqlite3_stmt* q = nullptr;
  if (Status s = db_.connection->Prepare(kSql, &q); !s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, n);
  return detail::StepRow(*db_.connection, q, kSql, exists);
}

Status UserProfiles::ChangePassword(std::string_view name, std::string_view password) {
  std::string n;
  Status s = NormaliseName(name, &n);
  if (!s.ok()) return Status::Error(StatusCode::kUserNotFound, std::string(name));
  bool exists = false;
  if (s = Exists(n, &exists); !s.ok()) return s;
  if (!exists) return Status::Error(StatusCode::kUserNotFound, n);
  std::lock_guard lock(db_.mutex);
  return StoreLocked(n, password, false, {});
}

Status UserProfiles::Delete(std::string_view name) {
  std::string n;
  Status s = NormaliseName(name, &n);
  if (!s.ok()) return Status::Error(StatusCode::kUserNotFound, std::string(name));
  bool exists = false;
  if (s = Exists(n, &exists); !s.ok()) return s;
  if (!exists) return Status::Error(StatusCode::kUserNotFound, n);
  std::lock_guard lock(db_.mutex);
  detail::Savepoint tx(*db_.connection);
  if (!tx.begun().ok()) return tx.begun();
  s = detail::Run(*db_.connection, "DELETE FROM vt_user_profiles WHERE name = ?1", n);
  if (s.ok()) {
    s = detail::Run(*db_.connection,
                    "DELETE FROM vt_objects WHERE library = 'QSYS' AND name = ?1 AND "
                    "type = '*USRPRF'",
                    n);
  }
  return s.ok() ? tx.Commit() : s;
}

Status UserProfiles::Authenticate(std::string_view name, std::string_view password) {
  std::string n;
  if (!NormaliseName(name, &n).ok())
    return Status::Error(StatusCode::kUserNotFound, std::string(name));
  std::string salt, hash;
  int64_t iterations = 0;
  {
    std::lock_guard lock(db_.mutex);
    sqlite3_stmt* q = nullptr;
    constexpr std::string_view kSql =
        "SELECT salt, hash, iterations FROM vt_user_profiles WHERE name = ?1";
    Status s = db_.connection->Prepare(kSql, &q);
    if (!s.ok()) return s;
    StatementUse use(q);
    detail::BindAll(q, 1, n);
    bool found = false;
    if (s = detail::StepRow(*db_.connection, q, kSql, &found); !s.ok()) return s;
    if (!found) return Status::Error(StatusCode::kUserNotFound, n);
    auto blob = [&](int col) {
      auto p = static_cast<const char*>(sqlite3_column_blob(q, col));
      return std::string(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(q, col)));
    };
    salt = blob(0);
    hash = blob(1);
    iterations = sqlite3_column_int64(q, 2);
  }
  // Hashing runs outside the lock: it is slow on purpose.
  Sha256Digest given = Pbkdf2Sha256(password, salt, static_cast<uint32_t>(iterations));
  if (!ConstantTimeEqual(View(given), hash)) return Status::Error(StatusCode::kWrongPassword, n);
  return Status::Ok();
}

}  // namespace vantora::host
