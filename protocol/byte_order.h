// Loads and stores of integers at explicit byte offsets, in a named byte
// order. Every wire layout of the system is read and written through these.
#ifndef VANTORA_PROTOCOL_BYTE_ORDER_H_
#define VANTORA_PROTOCOL_BYTE_ORDER_H_

#include <cstdint>

namespace vantora::wire {

inline uint16_t LoadLe16(const void* p) {
  auto b = static_cast<const uint8_t*>(p);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}
inline uint32_t LoadLe32(const void* p) {
  auto b = static_cast<const uint8_t*>(p);
  return uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
}
inline uint64_t LoadLe64(const void* p) {
  auto b = static_cast<const uint8_t*>(p);
  return uint64_t{LoadLe32(b)} | (uint64_t{LoadLe32(b + 4)} << 32);
}
inline void StoreLe16(void* p, uint16_t v) {
  auto b = static_cast<uint8_t*>(p);
  b[0] = static_cast<uint8_t>(v);
  b[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreLe32(void* p, uint32_t v) {
  auto b = static_cast<uint8_t*>(p);
  b[0] = static_cast<uint8_t>(v);
  b[1] = static_cast<uint8_t>(v >> 8);
  b[2] = static_cast<uint8_t>(v >> 16);
  b[3] = static_cast<uint8_t>(v >> 24);
}
inline void StoreLe64(void* p, uint64_t v) {
  auto b = static_cast<uint8_t*>(p);
  StoreLe32(b, static_cast<uint32_t>(v));
  StoreLe32(b + 4, static_cast<uint32_t>(v >> 32));
}

inline int16_t LoadLeI16(const void* p) {
  return static_cast<int16_t>(LoadLe16(p));
}
inline int32_t LoadLeI32(const void* p) {
  return static_cast<int32_t>(LoadLe32(p));
}
inline void StoreLeI16(void* p, int16_t v) {
  StoreLe16(p, static_cast<uint16_t>(v));
}
inline void StoreLeI32(void* p, int32_t v) {
  StoreLe32(p, static_cast<uint32_t>(v));
}

inline uint16_t LoadBe16(const void* p) {
  auto b = static_cast<const uint8_t*>(p);
  return static_cast<uint16_t>((b[0] << 8) | b[1]);
}
inline uint32_t LoadBe32(const void* p) {
  auto b = static_cast<const uint8_t*>(p);
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | uint32_t{b[3]};
}
inline uint64_t LoadBe64(const void* p) {
  auto b = static_cast<const uint8_t*>(p);
  return (uint64_t{LoadBe32(b)} << 32) | uint64_t{LoadBe32(b + 4)};
}
inline void StoreBe16(void* p, uint16_t v) {
  auto b = static_cast<uint8_t*>(p);
  b[0] = static_cast<uint8_t>(v >> 8);
  b[1] = static_cast<uint8_t>(v);
}
inline void StoreBe32(void* p, uint32_t v) {
  auto b = static_cast<uint8_t*>(p);
  b[0] = static_cast<uint8_t>(v >> 24);
  b[1] = static_cast<uint8_t>(v >> 16);
  b[2] = static_cast<uint8_t>(v >> 8);
  b[3] = static_cast<uint8_t>(v);
}
inline void StoreBe64(void* p, uint64_t v) {
  auto b = static_cast<uint8_t*>(p);
  StoreBe32(b, static_cast<uint32_t>(v >> 32));
  StoreBe32(b + 4, static_cast<uint32_t>(v));
}

}  // namespace vantora::wire

#endif  // VANTORA_PROTOCOL_BYTE_ORDER_H_
