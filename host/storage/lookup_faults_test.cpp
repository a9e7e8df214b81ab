// The storage's lookups under read faults: each existence check (libraries,
// objects, data queues, user profiles, user spaces, the journal's pending
// changes) and each create that looks first is run with the page cache
// emptied and the N-th read failed, for N = 1, 2, ... until a run reads
// without the fault. A failed read answers kIoError, never what an absent
// (or present) object would get: taken for "not found", a create could
// overwrite what is there.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/storage/fault_vfs.h"
#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

using testing::I;
using testing::T;

constexpr ObjectName kQueue{"SALES", "ORDERQ"};
constexpr ObjectName kSpace{"SALES", "LIST"};
constexpr JobId kPendingJob = 7;

std::span<const uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// One lookup and what it answers when every read works; `undo` puts back
// what a successful run changed, so that each N starts alike.
struct Lookup {
  const char* what;
  std::function<Status(Storage&)> run;
  StatusCode answer;
  std::function<void(Storage&)> undo = nullptr;
};

// A boolean check turned into a status: kOk when it says `expected`.
Status Says(const std::function<Status(bool*)>& check, bool expected) {
  bool value = !expected;
  Status s = check(&value);
  if (!s.ok()) return s;
  return value == expected ? Status::Ok() : Status::Error(StatusCode::kInvalidArgument, "wrong");
}

std::vector<Lookup> Lookups() {
  UserSpace space;
  space.attribute = "PF";
  space.initialSize = 100;
  return {
      {"library that is there",
       [](Storage& s) {
         return Says([&](bool* e) { return s.catalogue().LibraryExists("SALES", e); }, true);
       },
       StatusCode::kOk},
      {"library that is not",
       [](Storage& s) {
         return Says([&](bool* e) { return s.catalogue().LibraryExists("NOLIB", e); }, false);
       },
       StatusCode::kOk},
      {"CreateLibrary over one that is there",
       [](Storage& s) { return s.catalogue().CreateLibrary("SALES", ""); },
       StatusCode::kLibraryExists},
      {"CreateLibrary", [](Storage& s) { return s.catalogue().CreateLibrary("NEWLIB", ""); },
       StatusCode::kOk, [](Storage& s) { ASSERT_OK(s.catalogue().DeleteLibrary("NEWLIB")); }},
      {"CreateObject in a library that is not",
       [](Storage& s) {
         return s.catalogue().CreateObject({{"NOLIB", "X"}, "*DTAQ", "", ""});
       },
       StatusCode::kLibraryNotFound},
      {"FindObject of a data queue",
       [](Storage& s) {
         ObjectEntry e;
         return s.catalogue().FindObject(kQueue, "*DTAQ", &e);
       },
       StatusCode::kOk},
      {"CreateObject over a data queue that is there",
       [](Storage& s) {
         return s.catalogue().CreateObject({kQueue, "*DTAQ", "", ""});
       },
       StatusCode::kObjectExists},
      {"CreatePhysicalFile over a file that is there",
       [](Storage& s) {
         PhysicalFileDef def;
         def.name = {"SALES", "ITEMS"};
         def.fields = {CharField("ID", 4)};
         return s.catalogue().CreatePhysicalFile(def);
       },
       StatusCode::kObjectExists},
      {"data queue send",
       [](Storage& s) { return s.queueEntries().Append(kQueue, {}, Bytes("E")); }, StatusCode::kOk,
       [](Storage& s) {
         QueueEntry e;
         ASSERT_OK(s.queueEntries().Take(kQueue, QueueSequence::kFifo, KeyOrder::kEqual, {}, &e));
       }},
      {"data queue send to a queue that is not",
       [](Storage& s) {
         return s.queueEntries().Append({"SALES", "NOQ"}, {}, Bytes("E"));
       },
       StatusCode::kObjectNotFound},
      {"data queue receive from an empty queue",
       [](Storage& s) {
         QueueEntry e;
         return s.queueEntries().Take(kQueue, QueueSequence::kFifo, KeyOrder::kEqual, {}, &e);
       },
       StatusCode::kRecordNotFound},
      {"user profile that is there",
       [](Storage& s) {
         return Says([&](bool* e) { return s.userProfiles().Exists("ALICE", e); }, true);
       },
       StatusCode::kOk},
      {"sign-on", [](Storage& s) { return s.userProfiles().Authenticate("ALICE", "secret"); },
       StatusCode::kOk},
      {"password change",
       [](Storage& s) { return s.userProfiles().ChangePassword("ALICE", "secret"); },
       StatusCode::kOk},
      {"user profile created over one that is there",
       [](Storage& s) { return s.userProfiles().Create("ALICE", "x", ""); },
       StatusCode::kObjectExists},
      {"user space created over one that is there",
       [space](Storage& s) { return s.userSpaces().Create(kSpace, space, false); },
       StatusCode::kObjectExists},
      {"user space found",
       [](Storage& s) {
         UserSpace found;
         return s.userSpaces().Find(kSpace, &found);
       },
       StatusCode::kOk},
      {"user space list written",
       [](Storage& s) { return s.userSpaces().WriteList(kSpace, "OBJL0200", {}); },
       StatusCode::kOk},
      {"journal: a job's pending changes",
       [](Storage& s) {
         return Says([&](bool* pending) { return s.journal().HasPending(kPendingJob, pending); },
                     true);
       },
       StatusCode::kOk},
      {"journal: a job without any",
       [](Storage& s) {
         return Says(
             [&](bool* pending) { return s.journal().HasPending(kPendingJob + 1, pending); },
             false);
       },
       StatusCode::kOk},
  };
}

class LookupFaultWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    storage_ = testing::OpenStorage(dir_);
    Storage& s = *storage_;
    ASSERT_OK(s.catalogue().CreateLibrary("SALES", ""));
    ASSERT_OK(s.catalogue().CreateObject({kQueue, "*DTAQ", "", ""}));
    ASSERT_OK(s.userProfiles().Create("ALICE", "secret", ""));
    UserSpace space;
    space.attribute = "PF";
    space.initialSize = 100;
    ASSERT_OK(s.userSpaces().Create(kSpace, space, false));
    PhysicalFileDef def;
    def.name = {"SALES", "ITEMS"};
    def.fields = {CharField("ID", 4)};
    ASSERT_OK(s.catalogue().CreatePhysicalFile(def));
    // Job 7 leaves a change uncommitted.
    std::unique_ptr<FileCursor> c;
    CursorOptions o;
    o.job = kPendingJob;
    o.commitmentControl = true;
    ASSERT_OK(s.OpenCursor(def.name, o, &cursor_));
    ASSERT_OK(cursor_->Insert({T("A")}, nullptr));
  }
  void TearDown() override {
    StorageFaults::Disarm();
    cursor_.reset();
    storage_.reset();
  }

  // Empties the connection's page cache, so that the lookup reads its pages.
  void EmptyCache() {
    ASSERT_OK(storage_->RunLocked([](SqlConnection& db) {
      EXPECT_TRUE(db.Exec("PRAGMA shrink_memory"));
      return Status::Ok();
    }));
  }

  testing::TempDir dir_;
  std::unique_ptr<Storage> storage_;
  std::unique_ptr<FileCursor> cursor_;
};

TEST_F(LookupFaultWalk, AFailedReadIsNeverTakenForAnAnswer) {
  for (const Lookup& lookup : Lookups()) {
    SCOPED_TRACE(lookup.what);
    int64_t n = 1;
    for (; n < 200; ++n) {
      SCOPED_TRACE("read " + std::to_string(n) + " fails");
      EmptyCache();
      StorageFaults::Arm({.operation = StorageOperation::kRead, .countdown = n});
      const Status st = lookup.run(*storage_);
      const bool hit = StorageFaults::Hits() > 0;
      StorageFaults::Disarm();
      const StatusCode expected = hit ? StatusCode::kIoError : lookup.answer;
      EXPECT_EQ(st.code(), expected) << st.ToString();
      if (st.ok() && lookup.undo) lookup.undo(*storage_);
      if (st.code() != expected || !hit) break;
    }
    EXPECT_GT(n, 1) << "the lookup read nothing";
  }
}

}  // namespace
}  // namespace vantora::host
