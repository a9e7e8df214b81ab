// The record images of the stored-procedure catalogue, as they travel
// through the client library's record functions:
//
// ProcHeaderRecord, 118 bytes (YPROCHDR, and YPROCPGM over it):
//     0  procName        10 chars  upper case, blank-padded; key of YPROCHDR
//    10  programLibrary  10 chars  upper case; blanks when none was given
//    20  programName     10 chars  upper case
//    30  parameterCount  int16     parameterNo of the last field, 0 without
//    32  fieldCount      int16     records of the procedure in YPROCPARMS
//    34  description     80 chars
//   114  targetKind      1 char    'P' program, 'Q' data queue
//   115  (reserved)      3 chars   blanks
//
// ProcFieldRecord, 40 bytes (YPROCPARMS, keyed on procName, duplicates in
// arrival order):
//     0  procName       10 chars
//    10  rowSequence    int16   0, 1, 2 ... in row order
//    12  parameterNo    int16   from 1; equal numbers form a data structure
//    14  direction      int16   1 in, 2 out, 3 in and out
//    16  pcType         int16   PC type code (type_tables.h)
//    18  pcLength       int16
//    20  pcDecimals     int16
//    22  asType         int16   host type code (type_tables.h)
//    24  asByteLength   int16   derived from asType and asDigits
//    26  asDecimals     int16   the date/time format word for DATE, TIME, TIMESTP
//    28  asDigits       int16   digits, or characters for CHAR
//    30  fieldName      10 chars  as typed (case kept)
//
// Characters are in the PC code page, left-justified, blank-padded, with no
// terminator; the 16-bit integers are in little-endian (PC) byte order.
#ifndef VANTORA_TOOLS_PROCEDIT_CATALOGUE_RECORDS_H_
#define VANTORA_TOOLS_PROCEDIT_CATALOGUE_RECORDS_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vantora::procedit {

inline constexpr int kHeaderLength = 118;
inline constexpr int kFieldLength = 40;
inline constexpr int kNameLength = 10;
inline constexpr int kDescriptionLength = 80;
// The 20-byte key of YPROCPGM: library and program.
inline constexpr int kProgramKeyLength = 20;

inline constexpr char kTargetProgram = 'P';
inline constexpr char kTargetDataQueue = 'Q';

inline constexpr int16_t kDirectionIn = 1;
inline constexpr int16_t kDirectionOut = 2;
inline constexpr int16_t kDirectionInOut = 3;

struct ProcHeaderRecord {
  std::string procName;        // at most 10 characters; padded when encoded
  std::string programLibrary;  // at most 10
  std::string programName;     // at most 10
  int16_t parameterCount = 0;
  int16_t fieldCount = 0;
  std::string description;  // at most 80
  char targetKind = 0;      // 0 for a new procedure that was never browsed
  std::string reserved;     // 3 bytes; zero bytes for a new procedure
};

struct ProcFieldRecord {
  std::string procName;
  int16_t rowSequence = 0;
  int16_t parameterNo = 0;
  int16_t direction = 0;
  int16_t pcType = 0;
  int16_t pcLength = 0;
  int16_t pcDecimals = 0;
  int16_t asType = 0;
  int16_t asByteLength = 0;
  int16_t asDecimals = 0;
  int16_t asDigits = 0;
  std::string fieldName;  // at most 10, case kept
};

// `text` cut to `width` characters and padded with blanks to it.
std::string FixedText(const std::string& text, size_t width);
// `text` without its trailing blanks.
std::string TrimRight(const std::string& text);
std::string UpperCase(std::string text);

// The 118-byte image. Texts longer than their field are cut to it; an
// empty text encodes as blanks, except the bytes of a header that was never
// given any (a new header: targetKind 0 and reserved empty encode as zeros).
std::vector<uint8_t> EncodeHeader(const ProcHeaderRecord& header);
// REQUIRES: `image` holds at least 118 bytes. Texts keep their blanks.
ProcHeaderRecord DecodeHeader(std::span<const uint8_t> image);

std::vector<uint8_t> EncodeField(const ProcFieldRecord& field);
// REQUIRES: `image` holds at least 40 bytes.
ProcFieldRecord DecodeField(std::span<const uint8_t> image);

// The 10-byte key of a procedure: the name blank-padded (cut at 10).
std::string ProcedureKey(const std::string& name);
// The 20-byte key of YPROCPGM.
std::string ProgramKey(const std::string& library, const std::string& program);

}  // namespace vantora::procedit

#endif  // VANTORA_TOOLS_PROCEDIT_CATALOGUE_RECORDS_H_
