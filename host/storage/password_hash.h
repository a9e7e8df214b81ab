// Password hashing for user profiles: PBKDF2 with HMAC-SHA-256.
#ifndef VANTORA_HOST_STORAGE_PASSWORD_HASH_H_
#define VANTORA_HOST_STORAGE_PASSWORD_HASH_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantora::host {

using Sha256Digest = std::array<uint8_t, 32>;

Sha256Digest Sha256(std::string_view data);
Sha256Digest HmacSha256(std::string_view key, std::string_view message);
// PBKDF2-HMAC-SHA-256 with a 32-byte output. REQUIRES: iterations >= 1.
Sha256Digest Pbkdf2Sha256(std::string_view password, std::string_view salt, uint32_t iterations);

// `length` random bytes from the operating system's random source.
std::string RandomBytes(size_t length);

// Compares in time independent of where the inputs differ.
bool ConstantTimeEqual(std::string_view a, std::string_view b);

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_PASSWORD_HASH_H_
