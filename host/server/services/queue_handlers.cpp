// Data queue requests.
//
//   VNXLinkDataQueue(queue, library, createMaxLength, createKeyLength,
//                    createSequence) -> link number (1 up)
//     queue, library: 10-character names; a blank library (or *LIBL) searches
//       the library list, *CURLIB is the current library.
//     createMaxLength: 0 = the queue must exist; > 0 = create it when absent,
//       with that as its longest entry (1-64512 bytes).
//     createKeyLength: key length of a queue created here (1-256 makes it keyed).
//     createSequence: sequence of a queue created here: *FIFO (also blank), *LIFO or
//       *KEYED. Existing queues keep their own definition.
//   VNXUnlinkDataQueue(link) -> 1
//   VNXSendDataQueue(link, data, length, key, keyLength) -> 1
//     keyed queues need a key of at most the key length (blank-padded);
//     others refuse one.
//   VNXReceiveDataQueue(link, buffer, length, wait, order, key, keyLength)
//     -> the length of the entry received (the buffer holds at most `length`
//     bytes of it), 0 when no entry came within the wait.
//     wait: 0 = do not wait, > 0 = seconds, < 0 = without limit.
//     order (keyed queues): "EQ", "GE", "GT", "LE", "LT", "NE"; absent = EQ.
//     The entry's key must stand in that order to the key given.
//
// Entries are kept in the host's storage (data_queues.h): a send answers
// once its entry is committed, a receive once its entry is taken.
//
// Failures answer -1 with status 3101 and: CPF9801 queue not found (also a
// queue deleted while linked), CPF9810
// library not found, CPF9503 entry too long, CPF9505 key not valid for the
// queue, CPF9502 order or key given to a queue that is not keyed, CPF3C90 a
// value out of range; an unknown link answers 3014 with CPF9898.
#include <algorithm>
#include <chrono>

#include "host/server/session/handlers.h"
#include "host/server/session/host.h"
#include "host/server/session/host_services.h"
#include "host/server/session/host_status.h"
#include "host/server/session/job.h"
#include "host/server/session/job_services.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

// Waits in seconds are cut to a day: a longer one is meant as "forever".
constexpr int32_t kMaxWaitSeconds = 86400;

std::string Field(std::span<const uint8_t> bytes) {
  std::string s(bytes.begin(), bytes.end());
  s.erase(std::find(s.begin(), s.end(), '\0'), s.end());
  while (!s.empty() && s.back() == ' ') s.pop_back();
  for (char& ch : s) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
  return s;
}

QueueLink* LinkParam(RequestContext& c) {
  auto& links = ServicesOf(c.job).queueLinks;
  auto it = links.find(c.request.Value(0));
  if (it == links.end()) {
    c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
    return nullptr;
  }
  return &it->second;
}

void Link(RequestContext& c) {
  std::string queue = Field(c.request.Input(0));
  std::string library = Field(c.request.Input(1));
  const int32_t createLength = c.request.Value(2);
  const int32_t keyLength = c.request.Value(3);
  const std::string sequence = Field(c.request.Input(4));
  if (!NormaliseName(queue, &queue).ok()) return c.Fail(kStatusOther, wire::kMsgObjectNotFound);

  Catalogue& catalogue = c.host.storage().catalogue();
  std::vector<std::string> search;
  if (library.empty() || library == "*LIBL") {
    search = c.job.SearchList();
  } else if (library == "*CURLIB") {
    search = {c.job.currentLibrary()};
  } else if (NormaliseName(library, &library).ok()) {
    bool exists = false;
    if (Status s = catalogue.LibraryExists(library, &exists); !s.ok()) return c.Fail(s);
    if (!exists) return c.Fail(kStatusOther, wire::kMsgObjectLibraryNotFound);
    search = {library};
  } else {
    return c.Fail(kStatusOther, wire::kMsgObjectLibraryNotFound);
  }
  ObjectEntry entry;
  bool found = false;
  for (const auto& lib : search) {
    Status s = catalogue.FindObject({lib, queue}, "*DTAQ", &entry);
    if (s.ok()) {
      found = true;
      break;
    }
    // A failed read is not "not found": creating the queue could overwrite it.
    if (s.code() != StatusCode::kObjectNotFound) return c.Fail(s);
  }
  if (!found) {
    if (createLength <= 0) return c.Fail(kStatusOther, wire::kMsgObjectNotFound);
    DataQueueDefinition d;
    d.maxLength = createLength;
    d.keyLength = std::max(keyLength, 0);
    d.sequence = d.keyLength > 0        ? QueueSequence::kKeyed
                 : sequence == "*LIFO"  ? QueueSequence::kLifo
                 : sequence == "*KEYED" ? QueueSequence::kKeyed
                                        : QueueSequence::kFifo;
    std::string home = search.empty() ? c.job.currentLibrary() : search.front();
    entry = {{home, queue}, "*DTAQ", EncodeDataQueueDefinition(d), ""};
    Status s = CreateDataQueue(catalogue, entry.name, d, "");
    if (s.code() == StatusCode::kInvalidArgument)
      return c.Fail(kStatusOther, wire::kMsgValueNotAccepted);
    if (s.code() == StatusCode::kLibraryNotFound)
      return c.Fail(kStatusOther, wire::kMsgObjectLibraryNotFound);
    if (!s.ok()) return c.Fail(s);
  }
  DataQueueDefinition definition;
  if (!DecodeDataQueueDefinition(entry.attribute, &definition)) {
    definition = DataQueueDefinition{};  // a queue created without a definition
  }
  auto& links = ServicesOf(c.job).queueLinks;
  const int32_t number = FreeNumber(links);
  links[number] = {entry.name, ServicesOf(c.host).queues.Get(c.host.storage().queueEntries(),
                                                             entry.name, definition)};
  c.result = number;
}

void Unlink(RequestContext& c) {
  if (LinkParam(c) == nullptr) return;
  ServicesOf(c.job).queueLinks.erase(c.request.Value(0));
}

void Send(RequestContext& c) {
  QueueLink* link = LinkParam(c);
  if (link == nullptr) return;
  auto data = c.request.Input(1);
  auto key = c.request.Input(3);
  const auto& d = link->queue->definition();
  if (data.size() > static_cast<size_t>(d.maxLength))
    return c.Fail(kStatusOther, wire::kMsgDataQueueEntryTooLong);
  if (d.sequence != QueueSequence::kKeyed && !key.empty()) {
    return c.Fail(kStatusOther, wire::kMsgDataQueueNotKeyed);
  }
  Status s = link->queue->Send(data, key);
  if (s.code() == StatusCode::kInvalidArgument)
    return c.Fail(kStatusOther, wire::kMsgDataQueueKeyLengthNotValid);
  if (s.code() == StatusCode::kObjectNotFound)
    return c.Fail(kStatusOther, wire::kMsgObjectNotFound);
  if (!s.ok()) return c.Fail(s);
}

void Receive(RequestContext& c) {
  QueueLink* link = LinkParam(c);
  if (link == nullptr) return;
  const int32_t wait = c.request.Value(3);
  auto orderText = c.request.Input(4);
  auto key = c.request.Input(5);
  const bool keyed = link->queue->definition().sequence == QueueSequence::kKeyed;
  KeyOrder order = KeyOrder::kEqual;
  if (!orderText.empty()) {
    if (!keyed) return c.Fail(kStatusOther, wire::kMsgDataQueueNotKeyed);
    std::string text(orderText.begin(), orderText.end());
    if (!ParseKeyOrder(text, &order)) return c.Fail(kStatusOther, wire::kMsgValueNotAccepted);
  }
  if (!keyed && !key.empty()) return c.Fail(kStatusOther, wire::kMsgDataQueueNotKeyed);
  if (keyed && key.size() > static_cast<size_t>(link->queue->definition().keyLength)) {
    return c.Fail(kStatusOther, wire::kMsgDataQueueKeyLengthNotValid);
  }
  std::chrono::milliseconds limit(-1);
  if (wait >= 0) limit = std::chrono::seconds(std::min(wait, kMaxWaitSeconds));
  // The link's queue is shared; hold it, not the job's services, while waiting.
  std::shared_ptr<DataQueue> queue = link->queue;
  QueueEntry entry;
  Status s = queue->Receive(limit, order, key, &entry);
  if (s.code() == StatusCode::kRecordNotFound) {
    c.result = 0;
    return;
  }
  if (s.code() == StatusCode::kObjectNotFound)
    return c.Fail(kStatusOther, wire::kMsgObjectNotFound);
  if (!s.ok()) return c.Fail(s);
  c.reply.SetOutput(1, entry.data);
  c.result = static_cast<int32_t>(entry.data.size());
}

}  // namespace

void AddQueueHandlers(HandlerTable& table) {
  table[wire::kOpLinkDataQueue] = Link;
  table[wire::kOpUnlinkDataQueue] = Unlink;
  table[wire::kOpSendDataQueue] = Send;
  table[wire::kOpReceiveDataQueue] = Receive;
}

}  // namespace vantora::host
