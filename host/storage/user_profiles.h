// User profiles: the names and passwords that sessions authenticate with.
// A password is kept as PBKDF2-HMAC-SHA-256 of a random 16-byte salt, never
// as text.
//
// The host's password level (system value QPWDLVL, kept in the data
// directory) decides how passwords compare. Levels 0 and 1, the default, as
// hosts had them when the clients were written: without regard to case (a
// password is kept as its upper-case form, and any case of it signs on; the
// database driver upper-cases what it sends). Levels 2 and 3: exactly. A
// password set at level 0 or 1 keeps its upper-case form after a change to 2
// or 3 until it is set again; one set before levels existed compares exactly,
// or all in upper or all in lower case.
//
// Each profile also appears as the object QSYS/<name> of type "*USRPRF".
//
// Thread safety: every method takes the storage's lock. Owned by Storage.
#ifndef VANTORA_HOST_STORAGE_USER_PROFILES_H_
#define VANTORA_HOST_STORAGE_USER_PROFILES_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "host/storage/status.h"

namespace vantora::host {

namespace detail {
struct Database;
}

class UserProfiles {
 public:
  // `iterations`: PBKDF2 rounds for new passwords (stored per profile, so
  // changing it later does not invalidate existing ones).
  UserProfiles(detail::Database& db, uint32_t iterations) : db_(db), iterations_(iterations) {}
  UserProfiles(const UserProfiles&) = delete;
  UserProfiles& operator=(const UserProfiles&) = delete;

  // The longest password: the sign-on's field holds 10 characters.
  static constexpr size_t kMaxPasswordLength = 10;

  // Errors: kInvalidArgument (name, an empty password or one over 10
  // characters), kObjectExists.
  Status Create(std::string_view name, std::string_view password, std::string_view text);
  // Errors: kUserNotFound, kInvalidArgument as for Create.
  Status ChangePassword(std::string_view name, std::string_view password);
  Status Delete(std::string_view name);
  // Ok when `password` is the profile's. Errors: kUserNotFound (CPF2204),
  // kWrongPassword (CPF22E2).
  Status Authenticate(std::string_view name, std::string_view password);
  // `*exists` says whether the profile is there (false for a name that is
  // not valid). Errors: those of reading the profiles (kIoError, ...).
  Status Exists(std::string_view name, bool* exists);

  // The password level: 0 (the default) to 3. Errors of the setter:
  // kInvalidArgument outside 0-3; of both, kIoError when the storage fails.
  Status PasswordLevel(int* level);
  Status SetPasswordLevel(int level);

 private:
  Status StoreLocked(const std::string& name, std::string_view password, bool create,
                     std::string_view text);
  Status PasswordLevelLocked(int* level);

  detail::Database& db_;
  uint32_t iterations_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_USER_PROFILES_H_
