// Dates and times as the host's records carry them: the storage keeps ISO
// texts ("YYYY-MM-DD", "HH.MM.SS"); records travel in the job's format. A
// format is named by its format word (high byte the format code, low byte
// the separator), which the field descriptions carry in the AS/400 decimals.
//
//   date code  text          length      time code  text        length
//   0x00 *ISO  YYYY-MM-DD      10        0x00 *ISO  hh.mm.ss      8
//   0x01 *USA  MM/DD/YYYY      10        0x01 *USA  hh:mm AM      8
//   0x05 *EUR  DD.MM.YYYY      10        0x05 *EUR  hh.mm.ss      8
//   0x07 *JIS  YYYY-MM-DD      10        0x07 *JIS  hh:mm:ss      8
//   0x17 *MDY  MM/DD/YY         8        0x1B *HMS  hh:mm:ss      8
//   0x18 *DMY  DD/MM/YY         8
//   0x19 *YMD  YY/MM/DD         8
// The separators shown are the defaults; *MDY, *DMY, *YMD and *HMS take the
// job's separator. Two-digit years stand for 1940-2039.
#ifndef VANTORA_HOST_SERVER_FILES_DATE_TIME_TEXT_H_
#define VANTORA_HOST_SERVER_FILES_DATE_TIME_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "host/server/session/job.h"

namespace vantora::host {

struct DateTimeStyle {
  uint8_t dateCode = 0x00;
  char dateSeparator = '-';
  uint8_t timeCode = 0x00;
  char timeSeparator = '.';

  uint16_t dateWord() const {
    return static_cast<uint16_t>(dateCode << 8 | uint8_t(dateSeparator));
  }
  uint16_t timeWord() const {
    return static_cast<uint16_t>(timeCode << 8 | uint8_t(timeSeparator));
  }
  int dateLength() const { return dateCode >= 0x17 ? 8 : 10; }
  int timeLength() const { return 8; }
};

// The style of a job's date format ("*ISO", "*YMD", ...; unknown names give
// *ISO) and separators; times take *HMS with the job's time separator, or
// *ISO when that separator is '.'.
DateTimeStyle StyleOf(const DateTimeFormat& format);

// ISO date text -> `out` (style.dateLength() characters). False when the
// ISO text is malformed or its year has no two-digit form.
bool FormatDate(std::string_view iso, const DateTimeStyle& style, char* out);
// A date text in the style -> ISO. False when it is not a valid date, or
// not of the style's length, or has digits where the separators go.
bool ParseDate(std::string_view text, const DateTimeStyle& style, std::string* iso);
// The same for times.
bool FormatTime(std::string_view iso, const DateTimeStyle& style, char* out);
bool ParseTime(std::string_view text, const DateTimeStyle& style, std::string* iso);
// Whether `text` is a timestamp's text, YYYY-MM-DD-hh.mm.ss.nnnnnn (digits
// only checked for their places).
bool IsTimestampText(std::string_view text);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_FILES_DATE_TIME_TEXT_H_
