// User profiles and password checks.
#include "host/storage/user_profiles.h"

#include <algorithm>
#include <vector>

#include "host/storage/names.h"
#include "host/storage/password_hash.h"
#include "host/storage/sqlite_db.h"

namespace vantora::host {

using detail::StatementUse;

namespace {

constexpr size_t kSaltBytes = 16;

constexpr char kPasswordLevel[] = "QPWDLVL";

std::string_view View(const Sha256Digest& d) {
  return std::string_view(reinterpret_cast<const char*>(d.data()), d.size());
}

std::string InCase(std::string_view text, bool upper) {
  std::string out(text);
  for (char& c : out) {
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool CaseSensitive(int level) {
  return level >= 2;
}

}  // namespace

Status UserProfiles::StoreLocked(const std::string& name, std::string_view password, bool create,
                                 std::string_view text) {
  if (password.empty()) return Status::Error(StatusCode::kInvalidArgument, "empty password");
  if (password.size() > kMaxPasswordLength) {
    return Status::Error(StatusCode::kInvalidArgument,
                         "a password of more than 10 characters (a sign-on carries 10)");
  }
  int level = 0;
  if (Status s = PasswordLevelLocked(&level); !s.ok()) return s;
  std::string salt = RandomBytes(kSaltBytes);
  const std::string kept = CaseSensitive(level) ? std::string(password) : InCase(password, true);
  Sha256Digest hash = Pbkdf2Sha256(kept, salt, iterations_);
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
  bool caseSensitive = false;
  {
    std::lock_guard lock(db_.mutex);
    int level = 0;
    if (Status s = PasswordLevelLocked(&level); !s.ok()) return s;
    caseSensitive = CaseSensitive(level);
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
  // Hashing runs outside the lock: it is slow on purpose. Without regard to
  // case, the upper-case form is kept; a password kept before levels existed
  // is tried as given and in lower case too.
  std::vector<std::string> forms{caseSensitive ? std::string(password) : InCase(password, true)};
  if (!caseSensitive) {
    forms.emplace_back(password);
    forms.push_back(InCase(password, false));
  }
  for (size_t i = 0; i < forms.size(); ++i) {
    if (std::find(forms.begin(), forms.begin() + static_cast<long>(i), forms[i]) !=
        forms.begin() + static_cast<long>(i)) {
      continue;  // the same form again
    }
    const Sha256Digest given = Pbkdf2Sha256(forms[i], salt, static_cast<uint32_t>(iterations));
    if (ConstantTimeEqual(View(given), hash)) return Status::Ok();
  }
  return Status::Error(StatusCode::kWrongPassword, n);
}

Status UserProfiles::PasswordLevelLocked(int* level) {
  *level = 0;
  sqlite3_stmt* q = nullptr;
  constexpr std::string_view kSql = "SELECT value FROM vt_system_values WHERE name = ?1";
  Status s = db_.connection->Prepare(kSql, &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, std::string(kPasswordLevel));
  bool found = false;
  if (s = detail::StepRow(*db_.connection, q, kSql, &found); !s.ok()) return s;
  if (found) *level = sqlite3_column_int(q, 0);
  return Status::Ok();
}

Status UserProfiles::PasswordLevel(int* level) {
  std::lock_guard lock(db_.mutex);
  return PasswordLevelLocked(level);
}

Status UserProfiles::SetPasswordLevel(int level) {
  if (level < 0 || level > 3) {
    return Status::Error(StatusCode::kInvalidArgument,
                         "password level " + std::to_string(level) + " (0 to 3)");
  }
  std::lock_guard lock(db_.mutex);
  return detail::Run(*db_.connection,
                     "INSERT INTO vt_system_values(name, value) VALUES(?1, ?2) "
                     "ON CONFLICT(name) DO UPDATE SET value = excluded.value",
                     std::string(kPasswordLevel), std::to_string(level));
}

}  // namespace vantora::host
