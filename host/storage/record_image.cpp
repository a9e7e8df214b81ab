// Record image layout (all integers little-endian):
//
//   offset 0   u16  number of values n
//   then n values, each:
//     u8 tag   0 null
//              1 integer: 8 bytes, two's complement
//              2 real:    8 bytes, the IEEE 754 double's bits
//              3 text:    u32 length, then that many bytes
#include "host/storage/record_image.h"

#include <cstring>

#include "protocol/byte_order.h"

namespace vantora::host {
namespace {

constexpr uint8_t kNullTag = 0;
constexpr uint8_t kIntegerTag = 1;
constexpr uint8_t kRealTag = 2;
constexpr uint8_t kTextTag = 3;

void Append(std::string& out, const uint8_t* bytes, size_t n) {
  out.append(reinterpret_cast<const char*>(bytes), n);
}

Status Malformed(const char* why) {
  return Status::Error(StatusCode::kStorageError, std::string("record image ") + why);
}

}  // namespace

std::string EncodeRecordImage(const Record& record) {
  std::string out;
  uint8_t buf[8];
  wire::StoreLe16(buf, static_cast<uint16_t>(record.size()));
  Append(out, buf, 2);
  for (const Value& v : record) {
    switch (v.kind()) {
      case Value::Kind::kNull:
        out += static_cast<char>(kNullTag);
        break;
      case Value::Kind::kInteger:
        out += static_cast<char>(kIntegerTag);
        wire::StoreLe64(buf, static_cast<uint64_t>(v.integer()));
        Append(out, buf, 8);
        break;
      case Value::Kind::kReal: {
        out += static_cast<char>(kRealTag);
        double d = v.real();
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        wire::StoreLe64(buf, bits);
        Append(out, buf, 8);
        break;
      }
      case Value::Kind::kText:
        out += static_cast<char>(kTextTag);
        wire::StoreLe32(buf, static_cast<uint32_t>(v.text().size()));
        Append(out, buf, 4);
        out += v.text();
        break;
    }
  }
  return out;
}

Status DecodeRecordImage(std::string_view image, Record* out) {
  auto p = reinterpret_cast<const uint8_t*>(image.data());
  size_t left = image.size();
  if (left < 2) return Malformed("truncated");
  size_t n = wire::LoadLe16(p);
  p += 2;
  left -= 2;
  out->resize(n);
  for (size_t i = 0; i < n; ++i) {
    if (left < 1) return Malformed("truncated");
    uint8_t tag = *p++;
    --left;
    Value& v = (*out)[i];
    switch (tag) {
      case kNullTag:
        v.SetNull();
        break;
      case kIntegerTag:
      case kRealTag: {
        if (left < 8) return Malformed("truncated");
        uint64_t bits = wire::LoadLe64(p);
        p += 8;
        left -= 8;
        if (tag == kIntegerTag) {
          v.SetInteger(static_cast<int64_t>(bits));
        } else {
          double d;
          std::memcpy(&d, &bits, 8);
          v.SetReal(d);
        }
        break;
      }
      case kTextTag: {
        if (left < 4) return Malformed("truncated");
        size_t length = wire::LoadLe32(p);
        p += 4;
        left -= 4;
        if (left < length) return Malformed("truncated");
        v.SetText(std::string_view(reinterpret_cast<const char*>(p), length));
        p += length;
        left -= length;
        break;
      }
      default:
        return Malformed("has an unknown tag");
    }
  }
  return left == 0 ? Status::Ok() : Malformed("has bytes after its last value");
}

}  // namespace vantora::host
