#include "bench/load_soak_checker.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace vantora::soak {

void Checker::Fail(const std::string& what) {
  ++failures_;
  if (failures_ <= 20) std::printf("  check failed: %s\n", what.c_str());
}

void Checker::File(const std::vector<SessionLog>& logs) {
  std::map<int32_t, Account> expected;
  for (int32_t id = 1; id <= options_.hot; ++id) expected[id] = {0, kInitialHotBalance, "HOT"};
  for (size_t s = 0; s < logs.size(); ++s) {
    const SessionLog& log = logs[s];
    for (const auto& [id, delta] : log.hotDeltas) {
      expected[id].balance += static_cast<int32_t>(delta);
    }
    for (const auto& [id, account] : log.own) expected[id] = account;
    expected[kMarkerBase + static_cast<int32_t>(s)] =
        Marker(static_cast<int>(s), log.lastCommitted);
  }
  std::map<int32_t, Account> actual;
  const int32_t h = VNXopen("SOAK/ACCOUNTS", 1, -1);
  if (h < 0) return Fail("the file cannot be opened: " + MessageId());
  std::vector<uint8_t> block(256 * static_cast<size_t>(kRecordLength));
  int32_t options = VNX_READ_FIRST | VNX_BLOCK | VNX_READ_NO_LOCK | 256;
  for (int32_t n; (n = VNXRead(h, block.data(), kRecordLength, options, nullptr, 0, nullptr)) > 0;
       options = VNX_READ_NEXT | VNX_BLOCK | VNX_READ_NO_LOCK | 256) {
    for (int32_t i = 0; i < n; ++i) {
      auto [id, account] = Decode(&block[static_cast<size_t>(i) * kRecordLength]);
      if (!actual.emplace(id, account).second) Fail("record " + std::to_string(id) + " twice");
    }
  }
  Rclose(h);
  for (const auto& [id, account] : expected) {
    auto it = actual.find(id);
    if (it == actual.end()) {
      Fail("record " + std::to_string(id) + " lost");
    } else if (!(it->second == account)) {
      Fail("record " + std::to_string(id) + " holds balance " + std::to_string(it->second.balance) +
           " '" + it->second.note + "', expected " + std::to_string(account.balance) + " '" +
           account.note + "'");
    }
  }
  for (const auto& [id, account] : actual) {
    if (expected.count(id) == 0) Fail("record " + std::to_string(id) + " was never committed");
  }
  records_ = actual.size();
  expectedRecords_ = expected.size();
}

void Checker::Queues(const std::vector<SessionLog>& logs) {
  // FIFO: every entry received or left was sent, none twice; of those
  // answered as sent, no more are missing than the receives without an
  // answer could have taken.
  std::multiset<std::string> sent, doubt, out;
  for (const SessionLog& log : logs) {
    sent.insert(log.fifoSent.begin(), log.fifoSent.end());
    doubt.insert(log.fifoSentInDoubt.begin(), log.fifoSentInDoubt.end());
    out.insert(log.fifoReceived.begin(), log.fifoReceived.end());
    fifoReceived_ += log.fifoReceived.size();
    fifoLostReceives_ += static_cast<size_t>(log.fifoLostReceives);
  }
  const int32_t fifo = LinkQueue("WORKQ");
  const int32_t keyed = LinkQueue("KEYQ");
  if (fifo <= 0 || keyed <= 0) return Fail("the queues cannot be linked: " + MessageId());
  char buffer[kQueueEntryLength];
  for (int32_t n;
       (n = VNXReceiveDataQueue(fifo, buffer, sizeof buffer, 0, nullptr, nullptr, 0)) > 0;) {
    out.emplace(buffer, static_cast<size_t>(n));
    ++fifoLeft_;
  }
  fifoSent_ = sent.size();
  fifoDoubtSent_ = doubt.size();
  for (auto it = out.begin(); it != out.end(); it = out.upper_bound(*it)) {
    if (out.count(*it) > 1) {
      Fail("queue entry " + *it + " received " + std::to_string(out.count(*it)) + " times");
    }
    if (doubt.count(*it) > 0) {
      ++fifoDoubtFound_;
    } else if (sent.count(*it) == 0) {
      Fail("queue entry " + *it + " was never sent");
    }
  }
  for (const std::string& e : sent) fifoMissing_ += out.count(e) == 0 ? 1 : 0;
  if (fifoMissing_ > fifoLostReceives_) {
    Fail(std::to_string(fifoMissing_) + " queue entries answered as sent are lost; " +
         std::to_string(fifoLostReceives_) + " receives without an answer could have taken them");
  }
  for (size_t s = 0; s < logs.size(); ++s) Keyed(logs[s], static_cast<int>(s), keyed);
  // Nothing else is left under any key.
  const std::string lowest(kKeyLength, ' ');
  if (VNXReceiveDataQueue(keyed, buffer, sizeof buffer, 0, "GE", lowest.data(), kKeyLength) != 0) {
    Fail("a keyed entry no session sent");
  }
}

void Checker::Keyed(const SessionLog& log, int session, int32_t link) {
  // Received, then left: in the order sent, each sent (answered or not),
  // the answered ones missing no more than the unanswered receives.
  const std::string key = SessionKey(session);
  std::vector<std::string> all = log.keyedReceived;
  char buffer[kQueueEntryLength];
  for (int32_t n; (n = VNXReceiveDataQueue(link, buffer, sizeof buffer, 0, "EQ", key.data(),
                                           kKeyLength)) > 0;) {
    all.emplace_back(buffer, static_cast<size_t>(n));
    ++keyedLeft_;
  }
  keyedSent_ += log.keyedSent.size();
  keyedDoubtSent_ += log.keyedSentInDoubt.size();
  keyedLostReceives_ += static_cast<size_t>(log.keyedLostReceives);
  const std::set<std::string> sent(log.keyedSent.begin(), log.keyedSent.end());
  const std::set<std::string> doubt(log.keyedSentInDoubt.begin(), log.keyedSentInDoubt.end());
  // Those answered keep their order; one unanswered may have landed late.
  int64_t last = -1;
  std::set<std::string> seen;
  for (const std::string& e : all) {
    if (!seen.insert(e).second) Fail("keyed entry " + e + " twice");
    if (doubt.count(e) == 0) {
      if (KeyedNumber(e) <= last) Fail("keyed entries of " + key + " out of order at " + e);
      last = KeyedNumber(e);
    }
    if (doubt.count(e) > 0) {
      ++keyedDoubtFound_;
    } else if (sent.count(e) == 0) {
      Fail("keyed entry " + e + " was never sent");
    }
  }
  size_t missing = 0;
  for (const std::string& e : sent) missing += seen.count(e) == 0 ? 1 : 0;
  keyedMissing_ += missing;
  if (missing > static_cast<size_t>(log.keyedLostReceives)) {
    Fail(std::to_string(missing) + " keyed entries of " + key +
         " answered as sent are lost; its unanswered receives could have taken " +
         std::to_string(log.keyedLostReceives));
  }
}

void Checker::Print() const {
  std::printf("file: %zu records (expected %zu)\n", records_, expectedRecords_);
  std::printf("FIFO queue: %zu sent, %zu received, %zu left", fifoSent_, fifoReceived_, fifoLeft_);
  if (options_.lossy()) {
    std::printf(
        "; %zu sends unanswered (%zu of them there), %zu receives unanswered, %zu "
        "answered entries taken by them",
        fifoDoubtSent_, fifoDoubtFound_, fifoLostReceives_, fifoMissing_);
  }
  std::printf("\nkeyed queue: %zu sent, %zu left", keyedSent_, keyedLeft_);
  if (options_.lossy()) {
    std::printf(
        "; %zu sends unanswered (%zu of them there), %zu receives unanswered, %zu "
        "answered entries taken by them",
        keyedDoubtSent_, keyedDoubtFound_, keyedLostReceives_, keyedMissing_);
  }
  std::printf("; each session's in order\n");
}

}  // namespace vantora::soak
