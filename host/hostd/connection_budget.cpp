#include "host/hostd/connection_budget.h"

namespace vantora::hostd {

ConnectionBudget::ConnectionBudget(BudgetLimits limits, uint32_t seed)
    : limits_(limits), random_(seed) {}

Admission ConnectionBudget::Admit(const std::string& address) {
  std::lock_guard lock(mutex_);
  if (sessions_ >= limits_.maxSessions) return Admission::kSessionsFull;
  if (signingOn_ >= limits_.maxSigningOn) return Admission::kSigningOnFull;
  int& mine = signingOnByAddress_[address];
  if (mine >= limits_.maxSigningOnPerAddress) {
    if (mine == 0) signingOnByAddress_.erase(address);
    return Admission::kAddressFull;
  }
  if (signingOn_ >= limits_.earlySigningOn) {
    // 30% at the threshold, rising evenly to 100% at the maximum.
    const int span = limits_.maxSigningOn - limits_.earlySigningOn;
    const int above = signingOn_ - limits_.earlySigningOn;
    const uint32_t percent = 30 + static_cast<uint32_t>(70 * above / span);
    if (random_() % 100 < percent) {
      if (mine == 0) signingOnByAddress_.erase(address);
      return Admission::kEarlyRefusal;
    }
  }
  ++mine;
  ++signingOn_;
  return Admission::kAdmitted;
}

bool ConnectionBudget::SignedOn(const std::string& address) {
  std::lock_guard lock(mutex_);
  if (sessions_ >= limits_.maxSessions) return false;
  ++sessions_;
  ForgetOneSigningOn(address);
  return true;
}

void ConnectionBudget::Leave(const std::string& address, bool signedOn) {
  std::lock_guard lock(mutex_);
  if (signedOn) {
    --sessions_;
  } else {
    ForgetOneSigningOn(address);
  }
}

void ConnectionBudget::ForgetOneSigningOn(const std::string& address) {
  --signingOn_;
  auto it = signingOnByAddress_.find(address);
  if (it != signingOnByAddress_.end() && --it->second <= 0) signingOnByAddress_.erase(it);
}

int ConnectionBudget::sessions() const {
  std::lock_guard lock(mutex_);
  return sessions_;
}

int ConnectionBudget::signingOn() const {
  std::lock_guard lock(mutex_);
  return signingOn_;
}

std::string AdmissionText(Admission a, const BudgetLimits& limits) {
  switch (a) {
    case Admission::kAdmitted:
      return "admitted";
    case Admission::kSessionsFull:
      return "too many connections: " + std::to_string(limits.maxSessions) +
             " sessions (the maximum)";
    case Admission::kSigningOnFull:
      return "busy: " + std::to_string(limits.maxSigningOn) +
             " connections signing on (the maximum)";
    case Admission::kEarlyRefusal:
      return "busy: more than " + std::to_string(limits.earlySigningOn) + " connections signing on";
    case Admission::kAddressFull:
      return "busy: " + std::to_string(limits.maxSigningOnPerAddress) +
             " connections of this address signing on (the maximum)";
  }
  return "refused";
}

}  // namespace vantora::hostd
