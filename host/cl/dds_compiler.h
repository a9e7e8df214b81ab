// The compiler of DDS source for physical and logical files: from the
// 80-column lines of a source member to the definition the catalogue
// creates. No I/O; it neither resolves files nor checks field names against
// based-on files (the catalogue does when the file is created).
//
// Columns (1-based) of a line:
//   6      form type (A; anything else is taken too, so "*" marks nothing)
//   7      "*": a comment line
//   17     name type: R record, K key, S select, O omit, J join, blank field
//   19-28  name
//   30-34  length (right-aligned digits)
//   35     data type: A P S B F L T Z H
//   36-37  decimal positions
//   45-80  keywords; a "+" or "-" last continues them on the next line
// Entries before the first R line carry file-level keywords.
//
// Data types (blank: A, or P when decimals are given) and what they become:
//   A  CHAR(length), VARCHAR with VARLEN      P  PACKED(length, decimals)
//   S  ZONED(length, decimals)                B  BIN2/BIN4/BIN8 for 1-4/5-9/10-18 digits
//   F  FLOAT, DOUBLE with FLTPCN(*DOUBLE)     L  DATE   T  TIME   Z  TIMESTAMP
//   H  CHAR(length)
// Keywords: file level UNIQUE, DYNSLT, REF, FIFO, LIFO, FCFO; record TEXT,
// PFILE (logical), JFILE (join logical); field TEXT, COLHDG, ALWNULL,
// VARLEN, DATFMT, DATSEP, TIMFMT, TIMSEP, FLTPCN, DFT, EDTCDE, EDTWRD, CCSID,
// CHECK, JREF; join JOIN, JFLD; key DESCEND, ABSVAL, SIGNED; select/omit
// COMP, VALUES, RANGE, ALL. Any other keyword is an error.
//
// Date and time format words (FieldDef::dateTimeFormat): format code in the
// high byte (*ISO 0x00, *USA 0x01, *EUR 0x05, *JIS 0x07, *MDY 0x17, *DMY
// 0x18, *YMD 0x19, *JUL 0x1A, *HMS 0x1B), separator in the low byte (0 = the
// format's own).
//
// Limits: kMaxDdsLines lines.
#ifndef VANTORA_HOST_CL_DDS_COMPILER_H_
#define VANTORA_HOST_CL_DDS_COMPILER_H_

#include <cstddef>
#include <string>
#include <vector>

#include "host/storage/file_definition.h"

namespace vantora::host::cl {

inline constexpr size_t kMaxDdsLines = 100000;

// A select/omit rule: its tests, ANDed, as a record selection text (see
// selection_parser.h); empty for ALL. Rules are tried in order and the first
// one a record satisfies selects or omits it; a record no rule satisfies is
// omitted when the last rule selects, selected when it omits.
struct SelectOmitRule {
  bool select = true;
  std::string selection;
};

struct DdsFile {
  bool logical = false;
  PhysicalFileDef physical;                // !logical; name left empty for the caller
  LogicalFileDef logicalDef;               // logical; based-on names may have an empty library
  std::vector<SelectOmitRule> selectOmit;  // logical only
  bool dynamicSelect = false;
};

struct DdsError {
  int line = 0;  // 1-based line of the source, 0 for the whole source
  std::string detail;
};

enum class DdsKind { kPhysical, kLogical };

// Compiles `lines` as `kind` of source. False with `error` when the source
// is not valid (CRTPF and CRTLF answer CPF7302 for it).
bool CompileDds(const std::vector<std::string>& lines, DdsKind kind, DdsFile* out, DdsError* error);

}  // namespace vantora::host::cl

#endif  // VANTORA_HOST_CL_DDS_COMPILER_H_
