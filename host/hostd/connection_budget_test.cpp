#include "host/hostd/connection_budget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantora::hostd {
namespace {

BudgetLimits Limits(int sessions, int signingOn, int early, int perAddress) {
  return {sessions, signingOn, early, perAddress};
}

TEST(ConnectionBudget, StepsAdmitRefuseSignOnAndLeave) {
  // Without early refusals (early == maximum), each step's answer is fixed.
  ConnectionBudget b(Limits(2, 3, 3, 2), 1);
  struct Step {
    char action;  // a admit, s signed on, l leave signing on, L leave signed on
    const char* address;
    Admission admitted;  // for 'a'
    bool signedOn;       // for 's'
    int sessions, signingOn;
  } steps[] = {
      {'a', "A", Admission::kAdmitted, false, 0, 1},
      {'a', "A", Admission::kAdmitted, false, 0, 2},
      {'a', "A", Admission::kAddressFull, false, 0, 2},
      {'a', "B", Admission::kAdmitted, false, 0, 3},
      {'a', "C", Admission::kSigningOnFull, false, 0, 3},
      {'s', "A", Admission::kAdmitted, true, 1, 2},
      {'a', "A", Admission::kAdmitted, false, 1, 3},  // A's place came back
      {'s', "B", Admission::kAdmitted, true, 2, 2},
      {'a', "C", Admission::kSessionsFull, false, 2, 2},
      {'s', "A", Admission::kAdmitted, false, 2, 2},  // no session place: stays signing on
      {'L', "B", Admission::kAdmitted, false, 1, 2},
      {'a', "C", Admission::kAdmitted, false, 1, 3},
      {'l', "A", Admission::kAdmitted, false, 1, 2},
      {'l', "A", Admission::kAdmitted, false, 1, 1},
      {'l', "C", Admission::kAdmitted, false, 1, 0},
      {'a', "A", Admission::kAdmitted, false, 1, 1},
      {'a', "A", Admission::kAdmitted, false, 1, 2},
      {'L', "A", Admission::kAdmitted, false, 0, 2},
  };
  int n = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE("step " + std::to_string(++n));
    switch (s.action) {
      case 'a':
        EXPECT_EQ(b.Admit(s.address), s.admitted);
        break;
      case 's':
        EXPECT_EQ(b.SignedOn(s.address), s.signedOn);
        break;
      case 'l':
        b.Leave(s.address, false);
        break;
      case 'L':
        b.Leave(s.address, true);
        break;
    }
    EXPECT_EQ(b.sessions(), s.sessions);
    EXPECT_EQ(b.signingOn(), s.signingOn);
  }
}

TEST(ConnectionBudget, RefusesAtRandomAboveTheThresholdMoreOftenNearTheMaximum) {
  // 10 signing on of at most 20, refusals from 10: at each count from 10 to
  // 19 a new connection is refused with 30% + 70% * (count - 10) / 10.
  constexpr int kTrials = 4000;
  std::vector<double> refused;
  for (int count = 10; count < 20; ++count) {
    ConnectionBudget b(Limits(100, 20, 10, 20), 7 + static_cast<uint32_t>(count));
    for (int i = 0; i < count; ++i) {
      // Distinct addresses, so the per-address cap stays out of the way; the
      // first `early` are never refused, the rest are retried until admitted.
      while (b.Admit("10.0.0." + std::to_string(i)) != Admission::kAdmitted) {
      }
    }
    int no = 0;
    for (int t = 0; t < kTrials; ++t) {
      const Admission a = b.Admit("10.1.0.1");
      if (a == Admission::kEarlyRefusal) {
        ++no;
      } else {
        ASSERT_EQ(a, Admission::kAdmitted);
        b.Leave("10.1.0.1", false);
      }
    }
    refused.push_back(static_cast<double>(no) / kTrials);
    const double expected = 0.30 + 0.70 * (count - 10) / 10.0;
    EXPECT_NEAR(refused.back(), expected, 0.04) << "at " << count;
  }
  // Below the threshold nothing is refused at random.
  ConnectionBudget b(Limits(100, 20, 10, 20), 3);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(b.Admit("10.0.0.1"), Admission::kAdmitted);
  EXPECT_EQ(b.signingOn(), 10);
}

TEST(ConnectionBudget, ExplainsEachRefusal) {
  const BudgetLimits l = Limits(64, 32, 16, 8);
  EXPECT_EQ(AdmissionText(Admission::kSessionsFull, l),
            "too many connections: 64 sessions (the maximum)");
  EXPECT_EQ(AdmissionText(Admission::kSigningOnFull, l),
            "busy: 32 connections signing on (the maximum)");
  EXPECT_EQ(AdmissionText(Admission::kEarlyRefusal, l),
            "busy: more than 16 connections signing on");
  EXPECT_EQ(AdmissionText(Admission::kAddressFull, l),
            "busy: 8 connections of this address signing on (the maximum)");
}

}  // namespace
}  // namespace vantora::hostd
