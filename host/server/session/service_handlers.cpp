// Handlers of the requests that need no file: echo, versions and the job's
// code-page tables.
#include <cstring>

#include "host/server/session/handlers.h"
#include "host/server/session/host.h"
#include "host/server/session/host_status.h"
#include "host/server/session/job.h"
#include "protocol/byte_order.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

void Echo(RequestContext& c) {
  auto in = c.request.Input(0);
  c.reply.SetOutput(0, in);
  c.result = 1;
}

void HostVersion(RequestContext& c) {
  uint8_t version[4];
  wire::StoreLeI32(version, kHostVersion);
  c.reply.SetOutput(0, version);
}

void ReadAsciiEbcdic(RequestContext& c) {
  c.reply.SetOutput(0, c.job.pcToEbcdic());
}
void ReadEbcdicAscii(RequestContext& c) {
  c.reply.SetOutput(0, c.job.ebcdicToPc());
}

void WriteTable(RequestContext& c, std::array<uint8_t, 256>& table) {
  auto in = c.request.Input(0);
  if (in.size() != table.size()) {
    c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
    return;
  }
  std::memcpy(table.data(), in.data(), table.size());
}

void WriteAsciiEbcdic(RequestContext& c) {
  WriteTable(c, c.job.pcToEbcdic());
}
void WriteEbcdicAscii(RequestContext& c) {
  WriteTable(c, c.job.ebcdicToPc());
}

}  // namespace

void AddServiceHandlers(HandlerTable& table) {
  table[wire::kOpEcho] = Echo;
  table[wire::kOpRtvAsVer] = HostVersion;
  table[wire::kOpReadTableAsciiEbcdic] = ReadAsciiEbcdic;
  table[wire::kOpReadTableEbcdicAscii] = ReadEbcdicAscii;
  table[wire::kOpWriteTableAsciiEbcdic] = WriteAsciiEbcdic;
  table[wire::kOpWriteTableEbcdicAscii] = WriteEbcdicAscii;
}

}  // namespace vantora::host
