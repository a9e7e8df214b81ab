// fault_proxy: the load soak's fault proxy (support/fault_proxy.h) as a
// program of its own, to put between a client and vantora-hostd by hand:
//
//   fault_proxy --target PORT [--rate R] [--seed S] [--stall MS] [--long-stall MS]
//
// It listens on a free port of 127.0.0.1, prints it, carries connections to
// 127.0.0.1:PORT harming a share R of the frames (0.001 by default), and on
// SIGINT or SIGTERM prints what it did and ends.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/support/fault_proxy.h"

int main(int argc, char** argv) {
  using namespace vantora::bench;
  FaultPlan plan;
  long target = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help") {
      std::printf(
          "usage: fault_proxy --target PORT [--rate R] [--seed S] [--stall MS] "
          "[--long-stall MS]\n");
      return 0;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "fault_proxy: %s needs a value\n", a.c_str());
      return 2;
    }
    char* end = nullptr;
    const char* v = argv[++i];
    const double number = std::strtod(v, &end);
    if (end == v || *end != '\0' || number < 0) {
      std::fprintf(stderr, "fault_proxy: bad value for %s: %s\n", a.c_str(), v);
      return 2;
    }
    if (a == "--target" && number >= 1 && number <= 65535) {
      target = static_cast<long>(number);
    } else if (a == "--rate" && number <= 1) {
      plan.rate = number;
    } else if (a == "--seed") {
      plan.seed = static_cast<uint32_t>(number);
    } else if (a == "--stall" && number >= 50) {
      plan.shortStallMs = static_cast<int>(number);
    } else if (a == "--long-stall") {
      plan.longStallMs = static_cast<int>(number);
    } else {
      std::fprintf(stderr, "fault_proxy: unknown option or bad value: %s %s\n", a.c_str(), v);
      return 2;
    }
  }
  if (target < 0) {
    std::fprintf(stderr, "fault_proxy: --target PORT is needed (--help)\n");
    return 2;
  }
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  FaultProxy proxy(static_cast<uint16_t>(target), plan);
  std::string error;
  if (!proxy.Start(&error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::printf("fault_proxy: listening on 127.0.0.1 port %u, to port %ld\n", proxy.port(), target);
  std::fflush(stdout);
  int signal = 0;
  sigwait(&stop, &signal);
  proxy.Stop();
  const FaultCounts c = proxy.counts();
  std::printf("fault_proxy: %lld connections, %lld frames to the server, %lld to the client\n",
              static_cast<long long>(c.connections), static_cast<long long>(c.frames[kToServer]),
              static_cast<long long>(c.frames[kToClient]));
  for (int k = 0; k < kFaultKinds; ++k) {
    std::printf("  %-10s %lld to the server, %lld to the client\n",
                FaultName(static_cast<FaultKind>(k)),
                static_cast<long long>(c.faults[k][kToServer]),
                static_cast<long long>(c.faults[k][kToClient]));
  }
  return 0;
}
