// SHA-256 (FIPS 180-4), HMAC (RFC 2104) and PBKDF2 (RFC 8018).
#include "host/storage/password_hash.h"

#include <random>

#include "protocol/byte_order.h"

namespace vantora::host {
namespace {

constexpr uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

uint32_t Rotr(uint32_t x, int n) {
  return (x >> n) | (x << (32 - n));
}

class Sha256State {
 public:
  void Update(std::string_view data) {
    for (char c : data) {
      block_[used_++] = static_cast<uint8_t>(c);
      if (used_ == 64) {
        Compress();
        used_ = 0;
      }
    }
    bits_ += uint64_t{data.size()} * 8;
  }

  Sha256Digest Finish() {
    uint64_t bits = bits_;
    uint8_t pad = 0x80;
    Update(std::string_view(reinterpret_cast<const char*>(&pad), 1));
    uint8_t zero = 0;
    while (used_ != 56) Update(std::string_view(reinterpret_cast<const char*>(&zero), 1));
    uint8_t length[8];
    wire::StoreBe64(length, bits);
    Update(std::string_view(reinterpret_cast<const char*>(length), 8));
    Sha256Digest d;
    for (int i = 0; i < 8; ++i) wire::StoreBe32(d.data() + 4 * i, h_[i]);
    return d;
  }

 private:
  void Compress() {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i) w[i] = wire::LoadBe32(block_ + 4 * i);
    for (int i = 16; i < 64; ++i) {
      uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4], f = h_[5], g = h_[6], h = h_[7];
    for (int i = 0; i < 64; ++i) {
      uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) +
                    kRoundConstants[i] + w[i];
      uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    h_[0] += a;
    h_[1] += b;
    h_[2] += c;
    h_[3] += d;
    h_[4] += e;
    h_[5] += f;
    h_[6] += g;
    h_[7] += h;
  }

  uint32_t h_[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                    0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  uint8_t block_[64] = {};
  size_t used_ = 0;
  uint64_t bits_ = 0;
};

std::string_view View(const Sha256Digest& d) {
  return std::string_view(reinterpret_cast<const char*>(d.data()), d.size());
}

}  // namespace

Sha256Digest Sha256(std::string_view data) {
  Sha256State s;
  s.Update(data);
  return s.Finish();
}

Sha256Digest HmacSha256(std::string_view key, std::string_view message) {
  std::string k(key);
  if (k.size() > 64) k = std::string(View(Sha256(k)));
  k.resize(64, '\0');
  std::string inner(64, '\0'), outer(64, '\0');
  for (size_t i = 0; i < 64; ++i) {
    inner[i] = static_cast<char>(k[i] ^ 0x36);
    outer[i] = static_cast<char>(k[i] ^ 0x5c);
  }
  Sha256State in;
  in.Update(inner);
  in.Update(message);
  Sha256Digest innerDigest = in.Finish();
  Sha256State out;
  out.Update(outer);
  out.Update(View(innerDigest));
  return out.Finish();
}

Sha256Digest Pbkdf2Sha256(std::string_view password, std::string_view salt, uint32_t iterations) {
  // One output block: U1 = HMAC(P, S || INT(1)), Ui = HMAC(P, Ui-1), T = xor of all.
  std::string first(salt);
  first += std::string("\0\0\0\1", 4);
  Sha256Digest u = HmacSha256(password, first);
  Sha256Digest t = u;
  for (uint32_t i = 1; i < iterations; ++i) {
    u = HmacSha256(password, View(u));
    for (size_t j = 0; j < t.size(); ++j) t[j] ^= u[j];
  }
  return t;
}

std::string RandomBytes(size_t length) {
  std::random_device device;
  std::string out(length, '\0');
  for (char& c : out) c = static_cast<char>(device() & 0xFF);
  return out;
}

bool ConstantTimeEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  uint8_t diff = 0;
  for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<uint8_t>(a[i] ^ b[i]);
  return diff == 0;
}

}  // namespace vantora::host
