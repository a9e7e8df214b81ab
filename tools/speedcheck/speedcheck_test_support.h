// Scripts the host's side of a speedcheck session on the scripted test
// transport: the replies to connect, open and read.
#ifndef VANTORA_TOOLS_SPEEDCHECK_SPEEDCHECK_TEST_SUPPORT_H_
#define VANTORA_TOOLS_SPEEDCHECK_SPEEDCHECK_TEST_SUPPORT_H_

#include <cstring>
#include <string>
#include <vector>

#include "protocol/byte_order.h"
#include "tests/support/scripted_transport.h"

namespace vantora::speedcheck {

using testing::Reply;
using testing::ScriptedTransport;

inline void QueueReply(int32_t code, int32_t result, std::vector<int32_t> slots = {},
                       std::vector<uint8_t> data = {}) {
  Reply r;
  r.code = code;
  r.result = result;
  r.slots = std::move(slots);
  r.data = std::move(data);
  ScriptedTransport::QueueReceive(r.Bytes());
}

inline void QueueConnect() {
  QueueReply(0x0115, 1);
  QueueReply(0x011D, 1);
}

struct TestField {
  const char* name;
  int16_t pcLength;
};

// Ropen, the file header, Rlength and the field descriptions.
inline void QueueOpen(const std::vector<TestField>& fields, int32_t recordLength) {
  QueueReply(0x0500, 3);
  std::vector<uint8_t> header(16, ' ');
  vantora::wire::StoreLeI16(header.data() + 10, static_cast<int16_t>(fields.size()));
  vantora::wire::StoreLeI16(header.data() + 12, static_cast<int16_t>(recordLength));
  vantora::wire::StoreLeI16(header.data() + 14, 0);
  QueueReply(0x0148, 1, {0, 16}, header);
  QueueReply(0x0111, recordLength);
  std::vector<uint8_t> descriptions;
  for (const TestField& f : fields) {
    uint8_t d[22] = {};
    std::memset(d, ' ', 10);
    std::memcpy(d, f.name, std::strlen(f.name));
    vantora::wire::StoreLeI16(d + 12, f.pcLength);
    vantora::wire::StoreLeI16(d + 18, f.pcLength);
    descriptions.insert(descriptions.end(), d, d + 22);
  }
  QueueReply(0x0148, 1, {0, static_cast<int32_t>(descriptions.size())}, descriptions);
}

// A blocked read delivering `records` (each recordLength bytes).
inline void QueueBlock(const std::vector<std::string>& records) {
  std::vector<uint8_t> data;
  for (const auto& r : records) data.insert(data.end(), r.begin(), r.end());
  QueueReply(0x0146, static_cast<int32_t>(records.size()), {0, static_cast<int32_t>(data.size())},
             data);
}

}  // namespace vantora::speedcheck

#endif  // VANTORA_TOOLS_SPEEDCHECK_SPEEDCHECK_TEST_SUPPORT_H_
