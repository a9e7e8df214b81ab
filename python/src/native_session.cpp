#include "native_session.h"

#include <mv432ida.h>

#include <algorithm>
#include <cstring>

#include "byte_order.h"

namespace py = pybind11;

namespace vantora::python {
namespace {

constexpr char kBlankFormat[] = "          ";
constexpr int32_t kNullMapMode = 0x00200000;
constexpr int kSqlcaSize = 136;
constexpr int kSqlcaRows = 104;
constexpr int kLinkSize = 34;
constexpr int kLinkParameterCount = 22;
constexpr int kLinkRecordLength = 30;
constexpr int kParameterSize = 14;
// A program file is opened for reading and update, as the database driver does.
constexpr int32_t kProgramOpenMode = 5;

// A 10-character blank-padded name field.
std::string NameField(const std::string& name) {
  std::string field = name.substr(0, 10);
  field.resize(10, ' ');
  return field;
}

}  // namespace

NativeSession::NativeSession(const std::string& system, const std::string& user,
                             const std::string& password) {
  std::optional<Failure> failure;
  {
    py::gil_scoped_release release;
    worker_ = std::make_shared<SessionWorker>();
    if (worker_->attached() == 0) {
      failure = LocalFailure(
          "no client session free: a process has NT/NbSession client sessions (settings file, "
          "default 1) and every one is in use by another Session; close one, or raise "
          "NT/NbSession");
    } else {
      worker_->Run([&] {
        if (!system.empty() && MCH_name(system.c_str()) != 1) {
          failure = LocalFailure("the system name '" + system + "' is longer than 17 characters");
          return;
        }
        if (!user.empty()) VNXSetUserId(user.c_str(), password.c_str());
        int32_t r = StartSession();
        if (r != 1) failure = CaptureFailure(r);
      });
    }
    if (failure) {
      worker_->Stop();
      worker_.reset();
    }
  }
  if (failure) {
    // Every failure to start a session is a connection failure, whatever its class.
    failure->local = false;
    failure->result = VNX_ERR_COMM;
    RaiseFailure(*failure);
  }
}

NativeSession::~NativeSession() {
  try {
    if (worker_ != nullptr) {
      py::gil_scoped_release release;
      worker_->Stop();
    }
  } catch (...) {
  }
}

void NativeSession::Close() {
  std::shared_ptr<SessionWorker> worker = std::move(worker_);
  worker_ = nullptr;
  if (worker == nullptr) return;
  py::gil_scoped_release release;
  worker->Stop();
}

void NativeSession::Call(const std::function<std::optional<Failure>()>& work) {
  std::shared_ptr<SessionWorker> worker = worker_;
  if (worker == nullptr) RaiseInterfaceError("the session is closed");
  std::optional<Failure> failure;
  bool ran;
  {
    py::gil_scoped_release release;
    ran = worker->Run([&] { failure = work(); });
  }
  if (!ran) RaiseInterfaceError("the session is closed");
  if (failure) RaiseFailure(*failure);
}

std::future<void> NativeSession::Post(std::function<void()> work) {
  if (worker_ == nullptr) return {};
  return worker_->Post(std::move(work));
}

std::shared_ptr<NativeFile> NativeSession::Open(const std::string& name, int32_t mode,
                                                int32_t waitMs, bool stripBlanks,
                                                const std::string& encoding) {
  int32_t handle = -1;
  Call([&]() -> std::optional<Failure> {
    handle = VNXopen(name.c_str(), mode | kNullMapMode, waitMs);
    if (handle < 0) return CaptureFailure(handle);
    return std::nullopt;
  });
  return std::make_shared<NativeFile>(shared_from_this(), name, handle, true, stripBlanks, encoding,
                                      -1);
}

void NativeSession::Command(const std::string& text) {
  Call([&]() -> std::optional<Failure> {
    int32_t r = VNXCmdExec(text.c_str());
    if (r != 1) return CaptureFailure(r);
    return std::nullopt;
  });
}

void NativeSession::Commit() {
  Call([&]() -> std::optional<Failure> {
    int32_t r = Rcommit("");
    if (r != 1) return CaptureFailure(r);
    return std::nullopt;
  });
}

void NativeSession::Rollback() {
  Call([&]() -> std::optional<Failure> {
    int32_t r = Rrollbck();
    if (r != 1) return CaptureFailure(r);
    return std::nullopt;
  });
}

py::bytes NativeSession::CallProgram(const std::string& program, const std::string& library,
                                     const std::string& descriptions, int32_t count,
                                     const std::string& input) {
  if (count < 0 || descriptions.size() != static_cast<size_t>(count) * kParameterSize) {
    throw py::value_error("the parameter descriptions do not match their count");
  }
  std::string output;
  Call([&]() -> std::optional<Failure> {
    uint8_t link[kLinkSize] = {};
    std::memcpy(link, NameField(program).data(), 10);
    std::memcpy(link + 10, NameField(library).data(), 10);
    PutI16LE(link + kLinkParameterCount, count);
    int32_t number = PgmLink(link, descriptions.data(), nullptr);
    if (number < 1) return CaptureFailure(number < 0 ? number : VNX_ERR_HOST);
    const int length = std::max<int>(0, GetI16LE(link + kLinkRecordLength));
    output.assign(static_cast<size_t>(length), '\0');
    int32_t r =
        PgmCall(number, length, output.data(), static_cast<int32_t>(input.size()), input.data());
    std::optional<Failure> failure;
    if (r != 1) failure = CaptureFailure(r);
    PgmUnLink(number);
    return failure;
  });
  return py::bytes(output);
}

py::bytes NativeSession::CallProcedure(const std::string& procedure, const std::string& input,
                                       int32_t recordLength) {
  if (recordLength < 0) throw py::value_error("the record length must not be negative");
  std::string output(static_cast<size_t>(recordLength), '\0');
  Call([&]() -> std::optional<Failure> {
    const std::string path = "*PGM/" + procedure;
    const int32_t handle = VNXopen(path.c_str(), kProgramOpenMode, -1);
    if (handle < 0) return CaptureFailure(handle);
    const int32_t r = VNXRead(handle, output.data(), recordLength, VNX_READ_KEY_EQ, input.data(),
                              static_cast<int32_t>(input.size()), nullptr);
    std::optional<Failure> failure;
    if (r < 0) failure = CaptureFailure(r);
    Rclose(handle);
    return failure;
  });
  return py::bytes(output);
}

void NativeSession::ApiCall(const std::vector<std::string>& texts) {
  constexpr size_t kTexts = 8;
  if (texts.empty() || texts.size() > kTexts) {
    throw py::value_error("an API call takes the API's name and at most seven parameters");
  }
  std::vector<std::string> all(texts);
  all.resize(kTexts);
  Call([&]() -> std::optional<Failure> {
    int32_t r = VNXApiCall(all[0].c_str(), all[1].c_str(), all[2].c_str(), all[3].c_str(),
                           all[4].c_str(), all[5].c_str(), all[6].c_str(), all[7].c_str());
    if (r != 1) return CaptureFailure(r < 0 ? r : VNX_ERR_HOST);
    return std::nullopt;
  });
}

int32_t NativeSession::QueueLink(const std::string& queue, const std::string& library) {
  int32_t link = 0;
  Call([&]() -> std::optional<Failure> {
    link = VNXLinkDataQueue(NameField(queue).c_str(), NameField(library).c_str(), 0, 0,
                            NameField("").c_str());
    if (link < 1) return CaptureFailure(link < 0 ? link : VNX_ERR_HOST);
    return std::nullopt;
  });
  return link;
}

void NativeSession::QueueUnlink(int32_t link) {
  if (closed()) return;
  Call([&]() -> std::optional<Failure> {
    VNXUnlinkDataQueue(link);
    return std::nullopt;
  });
}

void NativeSession::QueueSend(int32_t link, const std::string& data,
                              const std::optional<std::string>& key) {
  const char* keyData = key ? key->data() : nullptr;
  const int32_t keyLength = key ? static_cast<int32_t>(key->size()) : 0;
  Call([&]() -> std::optional<Failure> {
    int32_t r =
        VNXSendDataQueue(link, data.data(), static_cast<int32_t>(data.size()), keyData, keyLength);
    if (r != 1) return CaptureFailure(r);
    return std::nullopt;
  });
}

py::object NativeSession::QueueReceive(int32_t link, int32_t length, int32_t wait,
                                       const std::optional<std::string>& order,
                                       const std::optional<std::string>& key) {
  if (length < 1) throw py::value_error("the entry length must be at least 1");
  std::string buffer(static_cast<size_t>(length), '\0');
  const char* orderText = order ? order->c_str() : nullptr;
  const char* keyData = key ? key->data() : nullptr;
  const int32_t keyLength = key ? static_cast<int32_t>(key->size()) : 0;
  int32_t got = 0;
  Call([&]() -> std::optional<Failure> {
    got = VNXReceiveDataQueue(link, buffer.data(), length, wait, orderText, keyData, keyLength);
    if (got < 0) return CaptureFailure(got);
    return std::nullopt;
  });
  if (got == 0) return py::none();
  buffer.resize(static_cast<size_t>(std::min(got, length)));
  return py::bytes(buffer);
}

int32_t NativeSession::RowCount() {
  uint8_t area[kSqlcaSize] = {};
  if (VNXSqlSqlca(area, kSqlcaSize) != 1) return -1;
  return GetI32LE(area + kSqlcaRows);
}

int32_t NativeSession::SqlImmediate(const std::string& statement) {
  int32_t rows = -1;
  Call([&]() -> std::optional<Failure> {
    int32_t r = VNXSqlImmediate(statement.c_str(), static_cast<int32_t>(statement.size() + 1));
    if (r != 0) return CaptureFailure(r < 0 ? r : VNX_ERR_HOST, true);
    rows = RowCount();
    return std::nullopt;
  });
  return rows;
}

int32_t NativeSession::SqlDeclare(const std::string& statement) {
  int32_t cursor = -1;
  Call([&]() -> std::optional<Failure> {
    cursor = VNXSqlDeclare(statement.c_str(), static_cast<int32_t>(statement.size() + 1));
    if (cursor < 0) return CaptureFailure(cursor, true);
    return std::nullopt;
  });
  return cursor;
}

void NativeSession::SqlBind(int32_t cursor, const std::string& area, int32_t count) {
  std::string padded = area;
  padded.resize((padded.size() + 9) / 10 * 10, '\0');
  Call([&]() -> std::optional<Failure> {
    int32_t r =
        VNXSetTypeKey(cursor, static_cast<int32_t>(padded.size() / 10), padded.data(), count);
    if (r != 1) return CaptureFailure(r < 0 ? r : VNX_ERR_HOST, true);
    return std::nullopt;
  });
}

std::shared_ptr<NativeFile> NativeSession::SqlOpen(int32_t cursor, bool stripBlanks,
                                                   const std::string& encoding) {
  int32_t handle = -1;
  Call([&]() -> std::optional<Failure> {
    handle = VNXSqlOpen(cursor);
    if (handle < 0) return CaptureFailure(handle, true);
    return std::nullopt;
  });
  // Each row's null map follows its fields (asked for at every fetch).
  return std::make_shared<NativeFile>(shared_from_this(), "the SQL result", handle, true,
                                      stripBlanks, encoding, cursor);
}

void NativeSession::SqlClose(int32_t cursor) {
  Call([&]() -> std::optional<Failure> {
    VNXSqlClose(cursor);
    return std::nullopt;
  });
}

void NativeSession::SqlCommit(int32_t option) {
  Call([&]() -> std::optional<Failure> {
    int32_t r = VNXSqlCommit(option);
    if (r != 1) return CaptureFailure(r, true);
    return std::nullopt;
  });
}

NativeFile::NativeFile(std::shared_ptr<NativeSession> session, std::string name, int32_t handle,
                       bool nullMap, bool stripBlanks, const std::string& encoding,
                       int32_t sqlCursor)
    : session_(std::move(session)), name_(std::move(name)), handle_(handle), sqlCursor_(sqlCursor) {
  std::vector<FieldLayout> fields;
  int32_t length = 0;
  session_->Call([&]() -> std::optional<Failure> {
    uint8_t header[VNX_HDR_SIZE] = {};
    int32_t r = VNXGetDesc(handle_, header, VNX_HDR_SIZE, VNX_DESC_FILE_HEADER, kBlankFormat);
    if (r < 0) return CaptureFailure(r);
    formatName_.assign(reinterpret_cast<char*>(header), 10);
    while (!formatName_.empty() && formatName_.back() == ' ') formatName_.pop_back();
    const int fieldCount = GetI16LE(header + VNX_HDR_FIELD_COUNT);
    const int keyCount = GetI16LE(header + VNX_HDR_KEY_COUNT);
    if (fieldCount > 0) {
      std::vector<uint8_t> entries(static_cast<size_t>(fieldCount) * VNX_FLD_SIZE_24);
      r = VNXGetDesc(handle_, entries.data(), VNX_FLD_SIZE_24, VNX_DESC_FIELDS_24 + fieldCount,
                     kBlankFormat);
      if (r < 0) return CaptureFailure(r);
      for (int i = 0; i < std::min(r, fieldCount); ++i) {
        const uint8_t* e = entries.data() + static_cast<size_t>(i) * VNX_FLD_SIZE_24;
        FieldLayout f;
        f.name.assign(reinterpret_cast<const char*>(e + VNX_FLD_NAME), 10);
        while (!f.name.empty() && f.name.back() == ' ') f.name.pop_back();
        f.pcType = GetI16LE(e + VNX_FLD_PC_TYPE);
        f.pcLength = GetI16LE(e + VNX_FLD_PC_LENGTH);
        f.pcDecimals = GetI16LE(e + VNX_FLD_PC_DECIMALS);
        f.asType = GetI16LE(e + VNX_FLD_AS_TYPE);
        f.asLength = GetI16LE(e + VNX_FLD_AS_LENGTH);
        f.asDecimals = static_cast<uint16_t>(GetI16LE(e + VNX_FLD_AS_DECIMALS));
        f.flags = static_cast<uint16_t>(GetI16LE(e + VNX_FLD_FLAGS));
        fields.push_back(std::move(f));
      }
    }
    if (keyCount > 0) {
      std::vector<uint8_t> entries(static_cast<size_t>(keyCount) * VNX_KEY_SIZE);
      r = VNXGetDesc(handle_, entries.data(), VNX_KEY_SIZE, VNX_DESC_KEYS + keyCount, kBlankFormat);
      if (r < 0) return CaptureFailure(r);
      for (int i = 0; i < std::min(r, keyCount); ++i) {
        const uint8_t* e = entries.data() + static_cast<size_t>(i) * VNX_KEY_SIZE;
        keys_.emplace_back(GetI16LE(e + VNX_KEY_FIELD_INDEX), GetI16LE(e + 24) == 1);
      }
    }
    length = sqlCursor_ >= 0 ? 0 : Rlength(handle_);
    return std::nullopt;
  });
  int fieldsLength = 0;
  for (const FieldLayout& f : fields) fieldsLength += f.pcLength;
  // Files that are not database files (a data queue's) carry no null map.
  if (nullMap && length == fieldsLength) nullMap = false;
  decoder_ = std::make_unique<RecordDecoder>(std::move(fields), nullMap, stripBlanks, encoding);
  if (sqlCursor_ < 0 && length > 0 && length != decoder_->imageLength()) {
    RaiseInterfaceError("the record length of " + name_ + " (" + std::to_string(length) +
                        ") differs from its field descriptions (" +
                        std::to_string(decoder_->imageLength()) + ")");
  }
}

NativeFile::~NativeFile() {
  try {
    Close();
  } catch (...) {
  }
}

void NativeFile::EnsureOpen() const {
  if (handle_ < 0) RaiseInterfaceError(name_ + " is closed");
  if (session_->closed()) RaiseInterfaceError("the session of " + name_ + " is closed");
}

// One blocked read's buffers and outcome, shared with the worker thread
// while it reads ahead.
struct NativeFile::Block {
  int32_t options = 0;
  int32_t count = 0;
  int32_t got = 0;
  std::vector<uint8_t> records;
  std::vector<int32_t> numbers;
  std::optional<Failure> failure;
  std::future<void> done;

  // On the worker thread.
  void ReadFrom(int32_t handle, int32_t length) {
    const int32_t r = VNXRead(handle, records.data(), length, options, nullptr, 0, numbers.data());
    if (r >= 0) {
      got = std::min(r, count);
      return;
    }
    Failure f = CaptureFailure(r);
    if (!IsEndOfData(f) && f.messageId != VNX_MSG_RECORD_NOT_FOUND) failure = std::move(f);
  }
};

std::shared_ptr<NativeFile::Block> NativeFile::StartBlock(int32_t options) {
  auto block = std::make_shared<Block>();
  block->options = options;
  block->count = std::max(1, options & VNX_COUNT_MASK);
  const size_t length = static_cast<size_t>(decoder_->imageLength());
  block->records.swap(spareImages_);
  block->records.resize(static_cast<size_t>(block->count) * length);
  block->numbers.resize(static_cast<size_t>(block->count));
  return block;
}

void NativeFile::Settle(bool restore) {
  if (ahead_ == nullptr) return;
  std::shared_ptr<Block> block = std::move(ahead_);
  ahead_ = nullptr;
  if (block->done.valid()) {
    py::gil_scoped_release release;
    block->done.wait();
  }
  if (!restore || lastNumbers_.empty() || session_->closed()) return;
  const int32_t number = lastNumbers_.back();
  session_->Call([&]() -> std::optional<Failure> {
    VNXRead(handle_, nullptr, decoder_->imageLength(),
            VNX_READ_RRN | VNX_READ_POSITION_ONLY | VNX_READ_NO_LOCK, nullptr, number, nullptr);
    return std::nullopt;
  });
}

py::list NativeFile::Decode(const Block& block) {
  lastNumbers_.assign(block.numbers.begin(), block.numbers.begin() + block.got);
  return decoder_->DecodeMany(block.records.data(), block.got);
}

py::list NativeFile::ReadBlock(int32_t options, bool readAhead) {
  EnsureOpen();
  if ((options & VNX_BLOCK) == 0) throw py::value_error("ReadBlock reads blocks: VNX_BLOCK");
  std::shared_ptr<Block> block;
  if (ahead_ != nullptr && ahead_->options == options) {
    block = std::move(ahead_);
    ahead_ = nullptr;
    if (block->done.valid()) {
      py::gil_scoped_release release;
      block->done.wait();
    }
  } else {
    Settle();
    block = StartBlock(options);
    const int32_t handle = handle_;
    const int32_t length = decoder_->imageLength();
    session_->Call([&]() -> std::optional<Failure> {
      block->ReadFrom(handle, length);
      return std::nullopt;
    });
  }
  if (block->failure) RaiseFailure(*block->failure);
  if (readAhead && block->got == block->count) {
    std::shared_ptr<Block> next =
        StartBlock((options & ~static_cast<int32_t>(0xFF000000)) | VNX_READ_NEXT);
    const int32_t handle = handle_;
    const int32_t length = decoder_->imageLength();
    next->done = session_->Post([next, handle, length] { next->ReadFrom(handle, length); });
    if (next->done.valid()) ahead_ = std::move(next);
  }
  py::list records = Decode(*block);
  // The worker is done with this block: its buffer serves the next one.
  spareImages_.swap(block->records);
  return records;
}

void NativeFile::Close() {
  Settle(false);
  if (handle_ < 0) return;
  const int32_t h = handle_;
  const int32_t cursor = sqlCursor_;
  handle_ = -1;
  if (session_->closed()) return;
  session_->Call([h, cursor]() -> std::optional<Failure> {
    if (cursor >= 0) {
      VNXSqlClose(cursor);
    } else {
      Rclose(h);
    }
    return std::nullopt;
  });
}

py::list NativeFile::Read(int32_t options, std::optional<std::string> key, int32_t number) {
  EnsureOpen();
  Settle();
  const bool blocked = (options & VNX_BLOCK) != 0;
  const int count = blocked ? std::max(1, options & VNX_COUNT_MASK) : 1;
  const int length = decoder_->imageLength();
  // Buffers of the call's own: another thread may read the same file meanwhile.
  std::vector<uint8_t> buffer(static_cast<size_t>(count) * static_cast<size_t>(length));
  std::vector<int32_t> numbers(static_cast<size_t>(count));
  const bool positionOnly = (options & VNX_READ_POSITION_ONLY) != 0;
  int32_t got = 0;
  session_->Call([&]() -> std::optional<Failure> {
    const bool byNumber = (options & 0xFF000000) == VNX_READ_RRN;
    const int32_t keyLength = byNumber ? number : (key ? static_cast<int32_t>(key->size()) : 0);
    int32_t r = VNXRead(handle_, positionOnly ? nullptr : buffer.data(), length, options,
                        key && !key->empty() ? key->data() : nullptr, keyLength, numbers.data());
    if (r >= 0) {
      got = blocked ? std::min(r, count) : (r >= 1 ? 1 : 0);
      return std::nullopt;
    }
    Failure f = CaptureFailure(r);
    if (IsEndOfData(f) || f.messageId == VNX_MSG_RECORD_NOT_FOUND) return std::nullopt;
    return f;
  });
  lastNumbers_.assign(numbers.begin(), numbers.begin() + got);
  if (positionOnly) return py::list();
  return decoder_->DecodeMany(buffer.data(), got);
}

std::vector<int32_t> NativeFile::Write(const std::string& images, int32_t count) {
  EnsureOpen();
  Settle();
  const int length = decoder_->imageLength();
  if (count < 1 || count > VNX_COUNT_MASK ||
      images.size() != static_cast<size_t>(count) * static_cast<size_t>(length)) {
    throw py::value_error("write: the images do not make whole records");
  }
  std::vector<int32_t> numbers(static_cast<size_t>(count));
  session_->Call([&]() -> std::optional<Failure> {
    int32_t r = VNXWrite(handle_, images.data(), length, VNX_WRITE_INSERT | VNX_BLOCK | count,
                         numbers.data());
    if (r < 0) return CaptureFailure(r);
    numbers.resize(static_cast<size_t>(std::min(r, count)));
    return std::nullopt;
  });
  return numbers;
}

void NativeFile::Update(const std::string& image) {
  EnsureOpen();
  Settle();
  if (image.size() != static_cast<size_t>(decoder_->imageLength())) {
    throw py::value_error("update: the image is not one record");
  }
  session_->Call([&]() -> std::optional<Failure> {
    int32_t r = VNXWrite(handle_, image.data(), decoder_->imageLength(), VNX_WRITE_UPDATE, nullptr);
    if (r < 0) return CaptureFailure(r);
    return std::nullopt;
  });
}

void NativeFile::Delete() {
  EnsureOpen();
  Settle();
  session_->Call([&]() -> std::optional<Failure> {
    int32_t r = Rdelete(handle_);
    if (r < 0) return CaptureFailure(r);
    return std::nullopt;
  });
}

void NativeFile::Release() {
  EnsureOpen();
  Settle();
  session_->Call([&]() -> std::optional<Failure> {
    int32_t r = Rrlslck(handle_);
    if (r < 0) return CaptureFailure(r);
    return std::nullopt;
  });
}

void NativeFile::MapList(const std::string& space) {
  EnsureOpen();
  Settle(false);
  session_->Call([&]() -> std::optional<Failure> {
    int32_t r = VNXMapFile(handle_, space.c_str(), 0);
    if (r != 1) return CaptureFailure(r < 0 ? r : VNX_ERR_HOST);
    return std::nullopt;
  });
}

int32_t NativeFile::RecordCount() {
  EnsureOpen();
  Settle();
  int32_t count = 0;
  session_->Call([&]() -> std::optional<Failure> {
    uint8_t area[4] = {};
    int32_t r = VNXGetDesc(handle_, area, 4, VNX_DESC_RECORD_COUNT, kBlankFormat);
    if (r < 0) return CaptureFailure(r);
    count = GetI32LE(area);
    return std::nullopt;
  });
  return count;
}

py::list NativeFile::Fetch(int32_t count, int32_t operation) {
  EnsureOpen();
  if (count < 1 || count > 32767) throw py::value_error("fetch: the count must be 1 to 32767");
  const int length = std::max(1, decoder_->imageLength());
  std::vector<uint8_t> buffer(static_cast<size_t>(count) * static_cast<size_t>(length));
  int32_t got = 0;
  session_->Call([&]() -> std::optional<Failure> {
    const int32_t asked = operation | (decoder_->nullMap() ? VNX_FETCH_NULL_MAP : 0);
    int32_t r = VNXSqlEFetch(sqlCursor_, buffer.data(), length, count, asked);
    if (r < 0) return CaptureFailure(r, true);
    got = std::min(r, count);
    return std::nullopt;
  });
  return decoder_->DecodeMany(buffer.data(), got);
}

py::list NativeFile::Fields() const {
  py::list out;
  for (const FieldLayout& f : decoder_->fields()) {
    out.append(py::make_tuple(f.name, f.pcType, f.pcLength, f.pcDecimals, f.asType, f.asLength,
                              f.asDecimals, f.flags, f.offset));
  }
  return out;
}

}  // namespace vantora::python
