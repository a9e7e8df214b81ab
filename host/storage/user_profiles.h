// User profiles: the names and passwords that sessions authenticate with.
// A password is kept as PBKDF2-HMAC-SHA-256 of a random 16-byte salt, never
// as text. Passwords compare exactly; a session layer that follows the
// host's upper-case password rule upper-cases before calling.
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

  // Errors: kInvalidArgument (name, or an empty password), kObjectExists.
  Status Create(std::string_view name, std::string_view password, std::string_view text);
  // Errors: kUserNotFound.
  Status ChangePassword(std::string_view name, std::string_view password);
  Status Delete(std::string_view name);
  // Ok when `password` is the profile's. Errors: kUserNotFound (CPF2204),
  // kWrongPassword (CPF22E2).
  Status Authenticate(std::string_view name, std::string_view password);
  // `*exists` says whether the profile is there (false for a name that is
  // not valid). Errors: those of reading the profiles (kIoError, ...).
  Status Exists(std::string_view name, bool* exists);

 private:
  Status StoreLocked(const std::string& name, std::string_view password, bool create,
                     std::string_view text);

  detail::Database& db_;
  uint32_t iterations_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_USER_PROFILES_H_
