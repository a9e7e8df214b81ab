// Reading ahead for a sequential reader. A front that can work
// while a reply travels (the TCP server) asks, after sending each reply,
// for the answer to the request most likely to come next: after a next or
// prior read (VNXRead, blocked or not, Rreadn, Rreadp) that takes no record
// lock, the same read again. That answer is prepared by running the read's handler at once,
// and handed out only when
//   - the job's next request is exactly that read (SameRequest), and
//   - nothing any read could see has changed since the preparation began
//     (Storage::ChangeEpoch: no job changed a row, asked for, took or gave
//     back a record lock, or deleted a file).
// Any other request first undoes the preparation: the cursor goes back to
// where it stood and the file's last status and count (Rrstatus) to what
// they were. So a reader sees exactly what it would see reading at request
// time; a change committed by another job between two reads is seen by the
// second, as without reading ahead.
//
// Thread safety: one thread at a time, the session's.
#ifndef VANTORA_HOST_SERVER_READ_AHEAD_H_
#define VANTORA_HOST_SERVER_READ_AHEAD_H_

#include <cstdint>
#include <string>

#include "host/server/files/open_file.h"
#include "host/server/session/host.h"
#include "host/server/session/job.h"
#include "protocol/reply_writer.h"
#include "protocol/request_decoder.h"

namespace vantora::host {

class ReadAhead {
 public:
  // Whether `request`, just answered with `result`, is one to read ahead
  // after.
  static bool Follows(const wire::RequestDecoder& request, int32_t result);

  // Expects `request` again: takes it over by swapping (`request` is left
  // with a decoder to Reset).
  void Expect(wire::RequestDecoder& request);
  // Prepares the answer to the expected request, if one is expected, the
  // cursor holds no record lock and the read would take none. A preparation that fails (an
  // I/O error, say) leaves no trace and nothing prepared.
  void Prepare(Host& host, Job& job);
  // When the prepared answer is the answer to `request` now: swaps it into
  // `reply` and answers true (result(), status(), messageId() tell what it
  // says), and expects the same request again. Otherwise undoes what was
  // prepared and answers false.
  bool Take(Host& host, const wire::RequestDecoder& request, wire::ReplyWriter* reply);
  // Undoes what was prepared and expects nothing. REQUIRES: the job's files
  // are still open.
  void Undo();

  bool prepared() const { return state_ == State::kPrepared; }
  int32_t result() const { return result_; }
  int32_t status() const { return status_; }
  const std::string& messageId() const { return messageId_; }
  // Answers prepared and handed out, and prepared and undone.
  uint64_t used() const { return used_; }
  uint64_t undone() const { return undone_; }

 private:
  enum class State : uint8_t { kIdle, kExpected, kPrepared };

  State state_ = State::kIdle;
  wire::RequestDecoder expected_;
  wire::ReplyWriter reply_;
  uint64_t epoch_ = 0;
  // What the preparation changed, to put back.
  RecordFile* file_ = nullptr;
  FileCursor::Place place_;
  int32_t lastStatus_ = 0;
  int32_t lastCount_ = 0;
  // What the prepared answer says.
  int32_t result_ = 0;
  int32_t status_ = 0;
  std::string messageId_;
  uint64_t used_ = 0;
  uint64_t undone_ = 0;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_READ_AHEAD_H_
