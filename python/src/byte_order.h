// Little- and big-endian integers at a byte offset; the layouts of the
// client library's buffers are read and written only through these.
#ifndef VANTORA_PYTHON_BYTE_ORDER_H_
#define VANTORA_PYTHON_BYTE_ORDER_H_

#include <cstdint>

namespace vantora::python {

inline int16_t GetI16LE(const uint8_t* p) {
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}
inline int32_t GetI32LE(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) |
                              (static_cast<uint32_t>(p[3]) << 24));
}
inline void PutI16LE(uint8_t* p, int32_t v) {
  p[0] = static_cast<uint8_t>(v & 0xFF);
  p[1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}
inline void PutI32LE(uint8_t* p, int32_t v) {
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<uint8_t>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
}

}  // namespace vantora::python

#endif  // VANTORA_PYTHON_BYTE_ORDER_H_
