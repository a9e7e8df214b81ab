// The connection test and read benchmark, apart from any toolkit: the
// dialog's state, its steps (connect, open, read, end), its texts and the
// list it fills. A view (the Qt dialog, or the command line) shows the state
// and forwards the user's actions; messages go through a UiSink.
//
// Every measured step shows the local time it starts and ends at and the
// milliseconds it took ("Clocks :").
#ifndef VANTORA_TOOLS_SPEEDCHECK_SPEEDCHECK_MODEL_H_
#define VANTORA_TOOLS_SPEEDCHECK_SPEEDCHECK_MODEL_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui_sink.h"

namespace vantora::speedcheck {

inline constexpr char kDialogTitle[] = "Vantora Bench: Connection Test";
inline constexpr char kAboutMenuItem[] = "&About speedcheck ....";
inline constexpr char kAboutText[] = "Bench Version 1.1";
inline constexpr char kOpenMode[] = "rr blkrcd=Y";
inline constexpr char kNoSession[] = "Ouverture impossible : session non activée";
inline constexpr char kOutOfMemory[] = "Out of memory";
// Said when "Records to read:" holds something else than a whole number.
inline constexpr char kRecordsNotANumber[] =
    "Records to read: \"%s\" is not a number of records. Type a whole number (0 or nothing "
    "reads one block).";
inline constexpr int kDescriptionSize = 22;

// One field of the open file, from its 22-byte description.
struct Field {
  std::string name;  // 10 characters, blank-padded
  int16_t pcType = 0;
  int16_t pcLength = 0;
  int16_t pcDecimals = 0;
  int16_t hostType = 0;
  int16_t hostLength = 0;
  int16_t hostDecimals = 0;
};

// The conversion table sent at connect: every numeric field as text.
inline constexpr int32_t kConversionTable[12] = {1, 5, 2, 11, 3, -1, 4, -1, 7, -1, 8, -1};

// The text for a client-library failure `code`: the codes of its class and,
// on a line of its own, the library's sentence (VNXErrorText), e.g.
//   Normal error 3004, with message CPF4101.
//   file DEMO/NOSUCH not found (CPF4101)
// The details are fetched from the library at once: call it right after the
// failed call.
std::string ErrorText(int32_t code);

// The number typed in "Records to read:": blanks around it are ignored, and
// nothing counts as 0. False for anything but a whole number from 0 up.
bool ParseRecordsToRead(const std::string& text, int64_t* count);

// "N records/s" for `records` read in `microseconds`, or "too quick to
// measure" when no time could be measured.
std::string RateText(int64_t records, int64_t microseconds);

// Records a block of B records holds for a record length and field count:
// 32600 / (length + fields - 1), at least 1.
int32_t BlockSize(int32_t recordLength, int32_t fieldCount);

// "HH:MM:SS" of a time of day in milliseconds.
std::string TimeOfDayText(int64_t millisecondsOfDay);

class SpeedcheckModel {
 public:
  // Called when the model wants to show progress of a long read (records
  // read so far, records asked for) and when the dialog must close.
  struct Events {
    std::function<void()> changed;
    std::function<void(int64_t, int64_t)> progress;
    std::function<void()> endDialog;
  };

  // `widestLetter`: the greatest width of the capitals A-Z in the dialog's
  // font, in dialog units; `baseUnitX`: the horizontal dialog base unit in
  // pixels (for the list's horizontal extent).
  SpeedcheckModel(platform::UiSink& sink, Events events, int widestLetter = 4, int baseUnitX = 8);
  ~SpeedcheckModel();

  // The user's actions. Each returns false when it failed; a failure is
  // shown as an error, with the client library's words.
  bool Connect();
  bool Open();
  bool Read();
  // Closes the file and the session and terminates the client library.
  void End();

  // Inputs.
  std::string fileName;
  std::string recordsToRead;
  bool useCache = true;

  // What the dialog shows.
  bool connected() const { return connected_; }
  bool ended() const { return ended_; }
  int32_t handle() const { return handle_; }
  int16_t fieldCount() const { return fieldCount_; }
  int32_t recordLength() const { return recordLength_; }
  int32_t recordsInCache() const { return recordsInCache_; }
  int64_t recordsRead() const { return recordsRead_; }
  const std::string& startingTime() const { return startingTime_; }
  const std::string& finishingTime() const { return finishingTime_; }
  int64_t clocks() const { return clocks_; }
  // The microseconds the last measured step took ("Clocks :" in finer grain).
  int64_t elapsedMicroseconds() const { return elapsedMicroseconds_; }
  const std::vector<Field>& fields() const { return fields_; }
  const std::vector<std::string>& listLines() const { return listLines_; }
  // Cumulative tab stops of the list, in dialog units, one per field.
  const std::vector<int>& tabStops() const { return tabStops_; }
  // The list's horizontal extent in pixels.
  int horizontalExtent() const { return horizontalExtent_; }
  // The passes of the last read and their records (for tests and the
  // command line).
  const std::vector<int32_t>& passes() const { return passes_; }
  // The read requests of the last read: one per pass when blocked, one per
  // record (and one per end of file met) otherwise.
  int64_t requests() const { return requests_; }
  // True when the last read stopped because the file holds no record.
  bool fileEmpty() const { return fileEmpty_; }

  bool canConnect() const { return !connected_ && !ended_; }
  bool canOpen() const { return connected_; }
  bool canRead() const { return connected_ && handle_ >= 0; }
  bool canEnd() const { return connected_; }

 private:
  void BeginStep();
  void EndStep();
  void Report(const char* title, int32_t code);
  void Fatal();
  std::string FieldNameLine() const;
  void Changed();

  platform::UiSink& sink_;
  Events events_;
  int widestLetter_;
  int baseUnitX_;

  bool connected_ = false;
  bool ended_ = false;
  int32_t handle_ = -1;
  int16_t fieldCount_ = 0;
  int32_t recordLength_ = 0;
  int32_t recordsInCache_ = 0;
  int64_t recordsRead_ = 0;
  std::string startingTime_;
  std::string finishingTime_;
  int64_t startMark_ = 0;
  int64_t clocks_ = 0;
  int64_t elapsedMicroseconds_ = 0;
  std::vector<Field> fields_;
  std::vector<std::string> listLines_;
  std::vector<int> tabStops_;
  int horizontalExtent_ = 0;
  std::vector<int32_t> passes_;
  int64_t requests_ = 0;
  bool fileEmpty_ = false;
};

}  // namespace vantora::speedcheck

#endif  // VANTORA_TOOLS_SPEEDCHECK_SPEEDCHECK_MODEL_H_
