// Storage faults walked through the existence checks of the embedded host:
// libraries, data queues, user spaces and user profiles, each looked up
// before something is created, linked or signed on. The storage's VFS fails
// the N-th read or write from the start of a job's work, for N = 1, 2, 3, ...
// until an N runs without the fault being hit. A failed lookup must answer
// the storage's error (CPF5030, or CPF5184 for a full disk), never "not
// found" or "exists": taken for "not found", a queue or user space would be
// created over the one that is there. After the data directory is opened
// again (the fault disarmed), the objects that were there are there
// unchanged, and every create answered as done is there.
//
// Through the host the lookups read mostly from the storage's page cache,
// so that read faults reach few of them here (user spaces' among them); the
// storage's own walk (host/storage/lookup_faults_test.cpp) empties the cache
// before each lookup and fails every read of each in turn.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/server/objects/data_queues.h"
#include "host/server/session/host.h"
#include "host/storage/fault_vfs.h"
#include "mv432ida.h"
#include "tests/support/embedded_host.h"
#include "tests/support/message_id.h"

namespace vantora::testing {
namespace {

using host::StorageFault;
using host::StorageFaults;
using host::StorageOperation;

constexpr char kOldEntry[] = "THE ENTRY THAT WAS THERE";

std::string Pad(const std::string& s, size_t n) {
  std::string out = s;
  out.resize(n, ' ');
  return out;
}

int32_t LinkQueue(const char* name, int32_t createLength) {
  return VNXLinkDataQueue(Pad(name, 10).c_str(), Pad("FAULT", 10).c_str(), createLength, 0,
                          Pad("*FIFO", 10).c_str());
}

int32_t CreateSpace(const char* name) {
  return VNXApiCall("QUSCRTUS", name, "PF", "1000", " ", "*ALL", "created by the walk", "*NO");
}

// One lookup of the work: what it answers when it finds what it looks for
// (or not), and the object a done step leaves behind.
struct Step {
  const char* what;
  std::function<int32_t()> run;
  // The result and message identifier when the lookup worked; a
  // non-negative result stands for any non-negative one.
  int32_t expected;
  const char* expectedId;
  // After a reopen: true when the object the step made is there.
  std::function<bool()> made;
};

bool IsStorageError(const std::string& id) {
  return id == "CPF5030" || id == "CPF5184";
}

std::vector<Step> Lookups() {
  return {
      {"CRTLIB NEWLIB", [] { return Rsystem("CRTLIB LIB(NEWLIB)"); }, 0, "",
       [] { return Rsystem("CRTLIB LIB(NEWLIB)") == -1 && MessageId() == "CPF2111"; }},
      {"CHGCURLIB FAULT", [] { return Rsystem("CHGCURLIB CURLIB(FAULT)"); }, 0, "", nullptr},
      {"link FAULT/NEWQ, created when absent", [] { return LinkQueue("NEWQ", 64); }, 1, "",
       [] { return LinkQueue("NEWQ", 0) > 0; }},
      {"link FAULT/OLDQ, created when absent", [] { return LinkQueue("OLDQ", 64); }, 1, "",
       nullptr},
      {"QUSCRTUS FAULT/NEWSPACE", [] { return CreateSpace("FAULT/NEWSPACE"); }, 1, "",
       [] { return CreateSpace("FAULT/NEWSPACE") == -1 && MessageId() == "CPF9870"; }},
      {"QUSCRTUS FAULT/OLDSPACE, not replacing it", [] { return CreateSpace("FAULT/OLDSPACE"); },
       -1, "CPF9870", nullptr},
      {"sign-on of BOB",
       [] {
         EXPECT_EQ(VNXSession(2), 2);
         EXPECT_EQ(VNXSetUserId("BOB", "bobpw"), 1);
         // Session 2 stays current: its failure is the one to look at (the
         // walk returns to session 0 after the last step).
         return StartSession();
       },
       1, "", nullptr},
  };
}

}  // namespace
}  // namespace vantora::testing

namespace vantora::host {
// How gtest names a walk's fault.
inline void PrintTo(const StorageFault& f, std::ostream* out) {
  *out << (f.operation == StorageOperation::kRead ? "read" : "write")
       << (f.diskFull     ? ", disk full"
           : f.persistent ? ", broken for good"
                          : "");
}
}  // namespace vantora::host

namespace vantora::testing {
namespace {

class ObjectFaultWalk : public EmbeddedHostTest,
                        public ::testing::WithParamInterface<StorageFault> {
 protected:
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    if (template_.empty()) {
      PrepareObjects();
      ASSERT_FALSE(HasFatalFailure());
      // The first session prepares the host's own objects.
      ASSERT_EQ(StartSession(), 1);
      ASSERT_EQ(FreeSession(), 1);
      VNXTerminate();
      const auto dir = root_.parent_path() / ("objects." + std::to_string(::getpid()));
      std::filesystem::remove_all(dir);
      std::filesystem::copy(dataDirectory_, dir, std::filesystem::copy_options::recursive);
      template_ = dir;
    }
  }
  void TearDown() override {
    StorageFaults::Disarm();
    EmbeddedHostTest::TearDown();
  }
  static void TearDownTestSuite() {
    if (!template_.empty()) std::filesystem::remove_all(template_);
    template_.clear();
  }

  // The library FAULT with a queue holding one entry and a user space, and
  // the user profile BOB.
  void PrepareObjects() {
    std::unique_ptr<host::Host> h;
    host::HostOptions options;
    options.storage.passwordIterations = 50;
    ASSERT_TRUE(host::Host::Open(dataDirectory_, options, &h).ok());
    host::Storage& s = h->storage();
    ASSERT_TRUE(s.catalogue().CreateLibrary("FAULT", "").ok());
    ASSERT_TRUE(s.userProfiles().Create("BOB", "bobpw", "").ok());
    host::DataQueueDefinition fifo{host::QueueSequence::kFifo, 64, 0};
    ASSERT_TRUE(host::CreateDataQueue(s.catalogue(), {"FAULT", "OLDQ"}, fifo, "").ok());
    const std::string entry = kOldEntry;
    ASSERT_TRUE(s.queueEntries()
                    .Append({"FAULT", "OLDQ"}, {},
                            {reinterpret_cast<const uint8_t*>(entry.data()), entry.size()})
                    .ok());
    host::UserSpace space;
    space.attribute = "PF";
    space.initialSize = 100;
    space.text = "there before";
    ASSERT_TRUE(s.userSpaces().Create({"FAULT", "OLDSPACE"}, space, false).ok());
  }

  // The job's lookups with the fault armed at the N-th operation; returns
  // whether it was hit and which steps answered done.
  bool RunOnce(int64_t n, std::vector<bool>* done) {
    VNXTerminate();
    std::filesystem::remove_all(dataDirectory_);
    std::filesystem::copy(template_, dataDirectory_, std::filesystem::copy_options::recursive);
    EXPECT_EQ(OpenMultiSession(3), 1);
    EXPECT_EQ(VNXSession(0), 0);
    EXPECT_EQ(StartSession(), 1);

    StorageFault fault = GetParam();
    fault.countdown = n;
    StorageFaults::Arm(fault);
    int failures = 0;
    done->clear();
    for (const Step& step : Lookups()) {
      const int32_t r = step.run();
      const std::string id = r < 0 ? MessageId() : "";
      const bool asExpected =
          step.expected >= 0 ? r >= 0 : r == step.expected && id == step.expectedId;
      if (asExpected) {
        done->push_back(true);
        continue;
      }
      done->push_back(false);
      ++failures;
      EXPECT_TRUE(r == -1 && IsStorageError(id))
          << step.what << " answered " << r << " " << id << ": a failed read is not an answer";
    }
    VNXSession(0);
    FreeSession();
    const bool hit = StorageFaults::Hits() > 0;
    StorageFaults::Disarm();
    EXPECT_EQ(CloseMultiSession(), 1);
    if (!hit) {
      EXPECT_EQ(failures, 0);
    }
    return hit;
  }

  // Opens the data directory again and checks what is there.
  void ExpectAfterReopen(const std::vector<bool>& done) {
    VNXTerminate();
    ASSERT_EQ(StartSession(), 1);
    // The queue that was there still holds its entry, and only it.
    const int32_t oldQueue = LinkQueue("OLDQ", 0);
    ASSERT_GT(oldQueue, 0) << MessageId();
    char buffer[64];
    const int32_t got =
        VNXReceiveDataQueue(oldQueue, buffer, sizeof buffer, 0, nullptr, nullptr, 0);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(std::max(got, 0))), kOldEntry);
    EXPECT_EQ(VNXReceiveDataQueue(oldQueue, buffer, sizeof buffer, 0, nullptr, nullptr, 0), 0);
    // So does the space, and BOB.
    EXPECT_EQ(CreateSpace("FAULT/OLDSPACE"), -1);
    EXPECT_EQ(MessageId(), "CPF9870");
    // What was answered as made is there.
    const std::vector<Step> steps = Lookups();
    for (size_t i = 0; i < steps.size(); ++i) {
      if (done[i] && steps[i].made) {
        EXPECT_TRUE(steps[i].made()) << steps[i].what;
      }
    }
    EXPECT_EQ(FreeSession(), 1);
    ASSERT_EQ(VNXSetUserId("BOB", "bobpw"), 1);
    EXPECT_EQ(StartSession(), 1) << MessageId();
    EXPECT_EQ(FreeSession(), 1);
  }

  static inline std::filesystem::path template_;
};

TEST_P(ObjectFaultWalk, AFailedLookupAnswersTheErrorAndOverwritesNothing) {
  int64_t n = 1;
  int failedSteps = 0;
  for (; n <= 500; ++n) {
    SCOPED_TRACE("fault at operation " + std::to_string(n));
    std::vector<bool> done;
    const bool hit = RunOnce(n, &done);
    for (bool d : done) failedSteps += d ? 0 : 1;
    ExpectAfterReopen(done);
    if (HasFailure() || !hit) break;
  }
  EXPECT_LE(n, 500) << "the walk did not end";
  EXPECT_GT(failedSteps, 0) << "no fault reached a lookup";
  RecordProperty("steps", static_cast<int>(n));
}

StorageFault Fault(StorageOperation operation, bool persistent = false, bool diskFull = false) {
  StorageFault f;
  f.operation = operation;
  f.persistent = persistent;
  f.diskFull = diskFull;
  return f;
}

INSTANTIATE_TEST_SUITE_P(
    Walks, ObjectFaultWalk,
    ::testing::Values(Fault(StorageOperation::kRead), Fault(StorageOperation::kRead, true),
                      Fault(StorageOperation::kWrite), Fault(StorageOperation::kWrite, true, true)),
    [](const ::testing::TestParamInfo<StorageFault>& f) {
      const StorageFault& p = f.param;
      return std::string(p.operation == StorageOperation::kRead ? "Read" : "Write") +
             (p.diskFull     ? "FullDisk"
              : p.persistent ? "Broken"
                             : "");
    });

}  // namespace
}  // namespace vantora::testing
