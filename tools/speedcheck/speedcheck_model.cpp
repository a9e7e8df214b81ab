#include "tools/speedcheck/speedcheck_model.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>
#include <thread>

#include "mv432ida.h"
#include "platform/clock.h"
#include "protocol/byte_order.h"

namespace vantora::speedcheck {
namespace {

constexpr int32_t kReadNext = VNX_READ_NEXT;
constexpr int32_t kReadFirst = VNX_READ_FIRST;
constexpr int32_t kBlocked = VNX_BLOCK;
// The options word holds a block's record count in its low 12 bits.
constexpr int32_t kMaxBlock = VNX_COUNT_MASK;

constexpr int kHeaderFieldCount = VNX_HDR_FIELD_COUNT;
constexpr int kFieldName = VNX_FLD_NAME;
constexpr int kFieldPcType = VNX_FLD_PC_TYPE;
constexpr int kFieldPcLength = VNX_FLD_PC_LENGTH;
constexpr int kFieldPcDecimals = VNX_FLD_PC_DECIMALS;
constexpr int kFieldHostType = VNX_FLD_AS_TYPE;
constexpr int kFieldHostLength = VNX_FLD_AS_LENGTH;
constexpr int kFieldHostDecimals = VNX_FLD_AS_DECIMALS;

std::string Format(const char* format, auto... args) {
  char text[256];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

std::string MessageId() {
  char id[9] = {};
  Return_Syserr(id);
  id[8] = '\0';
  return id;
}

// The client library's sentence for its last failure; empty when it has none.
std::string Explanation() {
  char text[1024] = {};
  return VNXErrorText(text, sizeof text) > 0 ? std::string(text) : std::string();
}

// The status of a read that ran past the last record.
constexpr int32_t kEndOfFile = 5001;

}  // namespace

std::string ErrorText(int32_t code) {
  const std::string explanation = Explanation();
  std::string codes;
  switch (code) {
    case VNX_ERR_INTERNAL:
      codes = Format("Internal error n°%ld", static_cast<long>(Internal_Error()));
      break;
    case VNX_ERR_COMM: {
      int16_t primary = 0;
      int32_t secondary = 0;
      APPC_ERR(&primary, &secondary);
      codes = Format("APPC Error, primary code : %hx, secondary : %lx",
                     static_cast<unsigned short>(primary), static_cast<unsigned long>(secondary));
      break;
    }
    case VNX_ERR_SIGNAL:
      codes = Format("Signal error %ld, with message %s.", static_cast<long>(retstat()),
                     MessageId().c_str());
      break;
    case VNX_ERR_HOST:
      codes = Format("Normal error %ld, with message %s.", static_cast<long>(retstat()),
                     MessageId().c_str());
      break;
    default:
      codes = Format("Unknown error : %ld", static_cast<long>(code));
  }
  return explanation.empty() ? codes : codes + "\n" + explanation;
}

bool ParseRecordsToRead(const std::string& text, int64_t* count) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) {
    *count = 0;
    return true;
  }
  const size_t last = text.find_last_not_of(" \t");
  int64_t n = 0;
  for (size_t i = first; i <= last; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9' || n > (int64_t{1} << 50)) return false;
    n = n * 10 + (c - '0');
  }
  *count = n;
  return true;
}

std::string RateText(int64_t records, int64_t microseconds) {
  if (microseconds <= 0) return "too quick to measure";
  const double perSecond = static_cast<double>(records) * 1e6 / static_cast<double>(microseconds);
  return Format("%.0f records/s", perSecond);
}

int32_t BlockSize(int32_t recordLength, int32_t fieldCount) {
  int32_t divisor = recordLength + fieldCount - 1;
  int32_t b = divisor > 0 ? 32600 / divisor : kMaxBlock;
  return std::clamp(b, 1, kMaxBlock);
}

std::string TimeOfDayText(int64_t ms) {
  int64_t seconds = ms / 1000;
  return Format("%02d:%02d:%02d", static_cast<int>(seconds / 3600 % 24),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}

SpeedcheckModel::SpeedcheckModel(platform::UiSink& sink, Events events, int widestLetter,
                                 int baseUnitX)
    : sink_(sink), events_(std::move(events)), widestLetter_(widestLetter), baseUnitX_(baseUnitX) {}

SpeedcheckModel::~SpeedcheckModel() = default;

void SpeedcheckModel::Changed() {
  if (events_.changed) events_.changed();
}

void SpeedcheckModel::BeginStep() {
  startingTime_ = TimeOfDayText(platform::MillisecondsOfDay());
  startMark_ = platform::MonotonicMicroseconds();
  sink_.Busy(true);
  Changed();
}

void SpeedcheckModel::EndStep() {
  finishingTime_ = TimeOfDayText(platform::MillisecondsOfDay());
  elapsedMicroseconds_ = platform::MonotonicMicroseconds() - startMark_;
  clocks_ = elapsedMicroseconds_ / 1000;
  sink_.Busy(false);
  Changed();
}

void SpeedcheckModel::Report(const char* title, int32_t code) {
  sink_.Message(kDialogTitle, std::string(title) + ":" + ErrorText(code),
                platform::MessageKind::kError);
}

// A failure that ends the dialog: the session is given up and the library
// terminated, as at the end.
void SpeedcheckModel::Fatal() {
  sink_.Busy(false);
  connected_ = false;
  handle_ = -1;
  VNXTerminate();
  ended_ = true;
  Changed();
  if (events_.endDialog) events_.endDialog();
}

std::string SpeedcheckModel::FieldNameLine() const {
  std::string line;
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) line += '\t';
    line += fields_[i].name;
  }
  return line;
}

bool SpeedcheckModel::Connect() {
  if (connected_ || ended_) return false;
  BeginStep();
  int32_t r = StartSession();
  if (r < 0) {
    Report("StartSession", r);
    Fatal();
    return false;
  }
  uint8_t table[sizeof kConversionTable];
  for (size_t i = 0; i < std::size(kConversionTable); ++i) {
    wire::StoreLeI32(table + 4 * i, kConversionTable[i]);
  }
  SetImpGenConv(6, table);
  EndStep();
  connected_ = true;
  Changed();
  return true;
}

bool SpeedcheckModel::Open() {
  if (!connected_) {
    sink_.Message(kDialogTitle, kNoSession, platform::MessageKind::kError);
    return false;
  }
  BeginStep();
  if (handle_ >= 0) {
    Rclose(handle_);
    handle_ = -1;
  }
  int32_t h = Ropen(fileName.c_str(), kOpenMode);
  if (h < 0) {
    Report("Ropen", h);
    EndStep();
    return false;
  }
  handle_ = h;
  uint8_t header[16] = {};
  int32_t r = VNXGetDesc(h, header, 16, 0x08000000, nullptr);
  if (r < 0) {
    Report("VNXGetDesc", r);
    FreeSession();
    Fatal();
    return false;
  }
  fieldCount_ = wire::LoadLeI16(header + kHeaderFieldCount);
  recordLength_ = Rlength(h);
  Changed();
  std::vector<uint8_t> descriptions;
  try {
    descriptions.resize(static_cast<size_t>(std::max<int16_t>(fieldCount_, 0)) * kDescriptionSize);
  } catch (const std::bad_alloc&) {
    sink_.Message(kDialogTitle, kOutOfMemory, platform::MessageKind::kError);
    Fatal();
    return false;
  }
  r = VNXGetDesc(h, descriptions.data(), kDescriptionSize, 0x10020000 + fieldCount_, nullptr);
  if (r < 0) {
    Report("VNXGetDesc", r);
    FreeSession();
    Fatal();
    return false;
  }
  fields_.clear();
  for (int i = 0; i < fieldCount_; ++i) {
    const uint8_t* d = descriptions.data() + i * kDescriptionSize;
    Field f;
    f.name.assign(reinterpret_cast<const char*>(d + kFieldName), 10);
    f.pcType = wire::LoadLeI16(d + kFieldPcType);
    f.pcLength = wire::LoadLeI16(d + kFieldPcLength);
    f.pcDecimals = wire::LoadLeI16(d + kFieldPcDecimals);
    f.hostType = wire::LoadLeI16(d + kFieldHostType);
    f.hostLength = wire::LoadLeI16(d + kFieldHostLength);
    f.hostDecimals = wire::LoadLeI16(d + kFieldHostDecimals);
    fields_.push_back(f);
  }
  EndStep();
  tabStops_.clear();
  int stop = 0;
  for (const Field& f : fields_) {
    stop += f.pcLength >= 10 ? (f.pcLength + 2) * widestLetter_ : 12 * widestLetter_;
    tabStops_.push_back(stop);
  }
  horizontalExtent_ = stop * baseUnitX_ / 4;
  listLines_.assign(1, FieldNameLine());
  Changed();
  return true;
}

bool SpeedcheckModel::Read() {
  if (!canRead()) return false;
  int64_t wanted = 0;
  if (!ParseRecordsToRead(recordsToRead, &wanted)) {
    sink_.Message(kDialogTitle, Format(kRecordsNotANumber, recordsToRead.substr(0, 40).c_str()),
                  platform::MessageKind::kError);
    return false;
  }
  const int32_t length = Rlength(handle_);
  recordLength_ = length;
  const int32_t block = BlockSize(length, fieldCount_);
  std::vector<uint8_t> records;
  std::vector<char> fieldText;
  try {
    records.resize(static_cast<size_t>(block) * static_cast<size_t>(std::max(length, 0)));
    fieldText.resize(static_cast<size_t>(std::max(length, 0)) + 1);
  } catch (const std::bad_alloc&) {
    sink_.Message(kDialogTitle, kOutOfMemory, platform::MessageKind::kError);
    Fatal();
    return false;
  }
  listLines_.assign(1, FieldNameLine());
  passes_.clear();
  requests_ = 0;
  fileEmpty_ = false;
  recordsRead_ = 0;
  BeginStep();
  int64_t remaining = wanted;
  int32_t last = 0;
  bool previousEmpty = false;
  for (;;) {
    const int32_t operation = previousEmpty ? kReadFirst : kReadNext;
    int32_t delivered = 0;
    int32_t failure = 0;
    if (useCache) {
      delivered = VNXRead(handle_, records.data(), length, block + operation + kBlocked, nullptr, 0,
                          nullptr);
      ++requests_;
      if (delivered < 0) failure = delivered;
    } else {
      int32_t op = operation;
      for (int32_t i = 0; i < block; ++i) {
        int32_t r = VNXRead(handle_, records.data() + static_cast<size_t>(i) * length, length, op,
                            nullptr, 0, nullptr);
        ++requests_;
        // The end of the file ends the pass; any other failure the read.
        if (r < 0) {
          if (r != VNX_ERR_HOST || retstat() != kEndOfFile) failure = r;
          break;
        }
        ++delivered;
        op = kReadNext;
      }
    }
    if (failure < 0) {
      Report("VNXRead", failure);
      FreeSession();
      Fatal();
      return false;
    }
    passes_.push_back(delivered);
    last = delivered;
    remaining -= delivered;
    recordsRead_ += delivered;
    if (events_.progress) events_.progress(recordsRead_, wanted);
    if (delivered >= 1 && remaining <= 0) break;
    // Nothing even from the first record: the file holds no record, and
    // reading again would never end.
    if (delivered == 0 && operation == kReadFirst) {
      fileEmpty_ = true;
      break;
    }
    previousEmpty = delivered == 0;
  }
  EndStep();
  recordsInCache_ = last;
  size_t position = 0;
  for (int32_t r = 0; r < last; ++r) {
    std::string line;
    for (size_t i = 0; i < fields_.size(); ++i) {
      if (i > 0) line += '\t';
      size_t n = static_cast<size_t>(std::max<int16_t>(fields_[i].pcLength, 0));
      n = std::min(n, records.size() - std::min(position, records.size()));
      std::memcpy(fieldText.data(), records.data() + position, std::min(n, fieldText.size() - 1));
      fieldText[std::min(n, fieldText.size() - 1)] = '\0';
      line += fieldText.data();
      position += n;
    }
    listLines_.push_back(std::move(line));
  }
  Changed();
  return true;
}

void SpeedcheckModel::End() {
  if (connected_) {
    if (handle_ >= 0) Rclose(handle_);
    handle_ = -1;
    FreeSession();
    fields_.clear();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    VNXTerminate();
    connected_ = false;
  }
  ended_ = true;
  Changed();
  if (events_.endDialog) events_.endDialog();
}

}  // namespace vantora::speedcheck
