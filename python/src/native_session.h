// The extension's objects: a client session (NativeSession) and the files
// and SQL results opened in it (NativeFile), thin over the client library.
// The Python modules of the package build the public API on them.
//
// Every request runs on the session's worker thread with the GIL released;
// a failure raises the vantora exception its codes call for. Objects of a
// closed session raise vantora.InterfaceError.
#ifndef VANTORA_PYTHON_NATIVE_SESSION_H_
#define VANTORA_PYTHON_NATIVE_SESSION_H_

#include <pybind11/pybind11.h>

#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "failure.h"
#include "record_decoder.h"
#include "session_worker.h"

namespace vantora::python {

class NativeFile;

class NativeSession : public std::enable_shared_from_this<NativeSession> {
 public:
  // Attaches a client session and opens it on the host; `system`, `user`
  // and `password` may be empty (the settings' defaults).
  NativeSession(const std::string& system, const std::string& user, const std::string& password);
  ~NativeSession();

  void Close();
  bool closed() const { return worker_ == nullptr; }

  // Runs `work` on the worker thread without the GIL; a failure it answers
  // is raised.
  void Call(const std::function<std::optional<Failure>()>& work);
  // Queues `work` on the worker thread and answers at once; an invalid
  // future when the session is closed.
  std::future<void> Post(std::function<void()> work);

  // VNXopen with `mode` bits and the record wait in milliseconds (< 0: the
  // job's); every open carries a null map.
  std::shared_ptr<NativeFile> Open(const std::string& name, int32_t mode, int32_t waitMs,
                                   bool stripBlanks, const std::string& encoding);
  void Command(const std::string& text);
  void Commit();
  void Rollback();
  // Links, calls and unlinks `library`/`program` with the 14-byte parameter
  // descriptions; answers the parameter record.
  pybind11::bytes CallProgram(const std::string& program, const std::string& library,
                              const std::string& descriptions, int32_t count,
                              const std::string& input);
  // Calls the stored procedure `procedure` as the host declares it: opens
  // "*PGM/" + procedure, reads it by the key `input` (the input parameters in
  // their host forms), closes it; answers the `recordLength`-byte parameter
  // record.
  pybind11::bytes CallProcedure(const std::string& procedure, const std::string& input,
                                int32_t recordLength);

  int32_t QueueLink(const std::string& queue, const std::string& library);
  void QueueUnlink(int32_t link);
  void QueueSend(int32_t link, const std::string& data, const std::optional<std::string>& key);
  // The entry, or None when none came within `wait` seconds.
  pybind11::object QueueReceive(int32_t link, int32_t length, int32_t wait,
                                const std::optional<std::string>& order,
                                const std::optional<std::string>& key);

  // VNXApiCall: `texts` the API's name and up to seven parameters as text.
  void ApiCall(const std::vector<std::string>& texts);

  // SQL: a statement run at once answers the rows it changed.
  int32_t SqlImmediate(const std::string& statement);
  int32_t SqlDeclare(const std::string& statement);
  void SqlBind(int32_t cursor, const std::string& area, int32_t count);
  std::shared_ptr<NativeFile> SqlOpen(int32_t cursor, bool stripBlanks,
                                      const std::string& encoding);
  void SqlClose(int32_t cursor);
  void SqlCommit(int32_t option);

 private:
  int32_t RowCount();

  std::shared_ptr<SessionWorker> worker_;  // null once closed; changed with the GIL held
};

class NativeFile {
 public:
  // Takes the open `handle` and describes it; `sqlCursor` >= 0: the result
  // of that SQL cursor, closed by VNXSqlClose rather than Rclose.
  NativeFile(std::shared_ptr<NativeSession> session, std::string name, int32_t handle, bool nullMap,
             bool stripBlanks, const std::string& encoding, int32_t sqlCursor);
  ~NativeFile();

  void Close();
  bool closed() const { return handle_ < 0 || session_->closed(); }

  // Reads with VNXRead: `options` the operation code and flags (the count
  // in bits 0-11 with VNX_BLOCK); `key` the PC key image; `number` the
  // relative record number for VNX_READ_RRN. Answers the records read;
  // none at the end or beginning of the file or when no record has the key.
  pybind11::list Read(int32_t options, std::optional<std::string> key, int32_t number);
  // A blocked read (`options` with VNX_BLOCK and a count) for iterating: with
  // `readAhead`, once a block came whole, the next one (VNX_READ_NEXT, the
  // same count) is read on the session's thread while this one is decoded,
  // and the next ReadBlock of that kind takes it. Any other request on the
  // file first waits for such a read and puts the cursor back on the last
  // record answered.
  pybind11::list ReadBlock(int32_t options, bool readAhead);
  // Inserts `count` images (imageLength() bytes each); answers their numbers.
  std::vector<int32_t> Write(const std::string& images, int32_t count);
  void Update(const std::string& image);
  void Delete();
  void Release();
  int32_t RecordCount();
  // VNXMapFile: from now on the file's reads read the list last written
  // into the user space `space` (the file is that list's format file).
  void MapList(const std::string& space);
  // Up to `count` rows of the SQL result (VNXSqlEFetch `operation`).
  pybind11::list Fetch(int32_t count, int32_t operation);

  pybind11::list Fields() const;
  const std::vector<std::pair<int, bool>>& keys() const { return keys_; }
  const std::vector<int32_t>& lastNumbers() const { return lastNumbers_; }
  const std::string& formatName() const { return formatName_; }
  const std::string& name() const { return name_; }
  RecordDecoder& decoder() { return *decoder_; }

 private:
  struct Block;
  void EnsureOpen() const;
  // Waits for a read ahead; with `restore` puts the cursor back.
  void Settle(bool restore = true);
  std::shared_ptr<Block> StartBlock(int32_t options);
  pybind11::list Decode(const Block& block);

  std::shared_ptr<NativeSession> session_;
  std::string name_;
  int32_t handle_;
  int32_t sqlCursor_;
  std::string formatName_;
  std::vector<std::pair<int, bool>> keys_;  // field index, descending
  std::unique_ptr<RecordDecoder> decoder_;
  std::vector<int32_t> lastNumbers_;
  std::shared_ptr<Block> ahead_;  // a read ahead nobody took yet
  // The last decoded block's image buffer, kept so that the next block does
  // not allocate (and zero fresh pages) again.
  std::vector<uint8_t> spareImages_;
};

}  // namespace vantora::python

#endif  // VANTORA_PYTHON_NATIVE_SESSION_H_
