// The field converter: turns one field of a raw AS/400 record into its PC
// form (toPc) and back (toAs), as the field's description says. The record
// layer calls it field by field; docs/conversion.md lists what each pair of
// types does in each direction.
//
// Widths: `remaining` is the number of PC bytes still available in the PC
// record. The PC width used is min(pcLength, remaining); the caller then
// advances its PC position by that width and its raw position by asLength,
// and subtracts pcLength from `remaining`. A text field is cut to the width;
// a PC field of fixed size ("INT", "LONG", "FLOAT", "DOUBLE", "COMP",
// "COMP3", "COMP3S") that the width cuts is not converted.
//
// Results (field_status.h): kConverted; kNotConverted when the pair has no
// operation in that direction; a failure when the value cannot be carried
// over faithfully. On failure and on kNotConverted the target field is left
// as it was, except that toAs blanks an AS/400 "CHAR" target it does not
// convert. Failures never store a different number: a value too wide for its
// target is refused, not cut.
//
// Text fields go through the current code page (code_page.h), or the one
// given.
//
// Threads: the functions keep no state; they may run on several threads at
// once as long as nobody replaces the code page meanwhile.
// Performance: no allocation, no locale, no locks.
//
// Example, reading a packed 7,2 field into a PC DOUBLE:
//   FieldDescription d{.pcType = 4, .pcLength = 8, .asType = 3, .asLength = 4, .asDecimals = 2};
//   uint8_t raw[4] = {0x00, 0x12, 0x34, 0x5D}; uint8_t pc[8];
//   toPc(d, raw, pc, 8);   // pc holds -123.45 as a little-endian double
#ifndef VANTORA_CONVERSION_FIELD_CONVERTER_H_
#define VANTORA_CONVERSION_FIELD_CONVERTER_H_

#include <cstdint>

#include "conversion/code_page.h"
#include "conversion/field_description.h"
#include "conversion/field_status.h"

namespace vantora::conversion {

// AS/400 -> PC. REQUIRES: `rawField` holds asLength bytes and `pcField`
// min(pcLength, remaining) bytes; the two do not overlap. `rawField` is only
// read.
FieldStatus toPc(const FieldDescription& description, const uint8_t* rawField, uint8_t* pcField,
                 int32_t remaining);
FieldStatus toPc(const FieldDescription& description, const uint8_t* rawField, uint8_t* pcField,
                 int32_t remaining, const CodePage& codePage);

// PC -> AS/400. REQUIRES: `pcField` holds min(pcLength, remaining) bytes and
// `rawField` asLength bytes; the two do not overlap. `pcField` is only read.
FieldStatus toAs(const FieldDescription& description, const uint8_t* pcField, uint8_t* rawField,
                 int32_t remaining);
FieldStatus toAs(const FieldDescription& description, const uint8_t* pcField, uint8_t* rawField,
                 int32_t remaining, const CodePage& codePage);

// The PC width a field takes in a record with `remaining` PC bytes left
// (0 once the record is used up).
inline int32_t PcWidth(const FieldDescription& description, int32_t remaining) {
  int32_t width = description.pcLength < remaining ? description.pcLength : remaining;
  return width > 0 ? width : 0;
}

}  // namespace vantora::conversion

#endif  // VANTORA_CONVERSION_FIELD_CONVERTER_H_
