// Requests whose shape leaves no use on this host: they answer a documented
// refusal, -1 with status 3014 (request not valid) and CPF9898, and change
// nothing.
//
//   VNXCreateVirtualDesc, VNXredefines: descriptions of formats that no file
//     of the host has; the host describes only its real record formats.
//   VNXDBstart, VNXDBopen, VNXDBstop, VNXDBinit: the requests of a separate
//     database server, which this host does not run.
//   SetConvFld, SetTypeFld: per-field changes of the form a field travels
//     in; the host takes each field's form from its description and the text
//     conversions (SetImpGenConv, SetImpConv).
//
// Each is registered only when no other area answers it, so a later real
// meaning replaces the refusal without touching this file.
#include "host/server/session/handlers.h"
#include "host/server/session/host_status.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

void Refuse(RequestContext& c) {
  c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
}

}  // namespace

void AddRemainingHandlers(HandlerTable& table) {
  for (int op : {wire::kOpCreateVirtualDesc, wire::kOpRedefines, wire::kOpDbStart, wire::kOpDbOpen,
                 wire::kOpDbStop, wire::kOpDbInit, wire::kOpSetConvFld, wire::kOpSetTypeFld}) {
    if (table[static_cast<size_t>(op)] == nullptr) table[static_cast<size_t>(op)] = Refuse;
  }
}

}  // namespace vantora::host
