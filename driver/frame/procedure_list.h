// The procedure-list cursor (database slot 32, kind 10) and the
// procedure-parameter cursor (database slot 33, kind 11): the stored
// procedures declared in the catalogue files YPROCHDR and YPROCPARMS (opened
// by their unqualified names, through the job's library list), and the
// parameter fields of one of them.
#ifndef VANTORA_DRIVER_FRAME_PROCEDURE_LIST_H_
#define VANTORA_DRIVER_FRAME_PROCEDURE_LIST_H_

#include <cstdint>
#include <string>

#include "driver/frame/catalogue_cursor.h"
#include "driver/frame/type_mapping.h"

namespace vantora::driver {

// YPROCHDR, as the driver reads it (the first 34 bytes of its 118).
constexpr int kHeaderReadLength = 34;
constexpr int kHeaderFieldCount = 32;
// YPROCPARMS: 40-byte records.
constexpr int kParameterRecordLength = 40;
constexpr int kParmSequence = 10;
constexpr int kParmDirection = 14;
constexpr int kParmPcType = 16;
constexpr int kParmPcLength = 18;
constexpr int kParmPcDecimals = 20;
constexpr int kParmAsType = 22;
constexpr int kParmAsLength = 24;
constexpr int kParmAsDecimals = 26;
constexpr int kParmAsDigits = 28;
constexpr int kParmName = 30;

constexpr size_t kProcedureNameLimit = 10;

// One YPROCPARMS record, read.
struct ProcedureField {
  int16_t sequence = 0;
  int16_t direction = 0;  // 1 input, 2 output, 3 both
  int16_t pcType = 0;     // the catalogue's PC type code
  int16_t pcLength = 0;
  int16_t pcDecimals = 0;
  int16_t asType = 0;
  int16_t asLength = 0;    // bytes
  int16_t asDecimals = 0;  // dates, times, timestamps: the format word
  int16_t asDigits = 0;
  std::string name;  // trimmed

  static ProcedureField Read(const uint8_t* record);
  // The engine's view of the field: the catalogue's PC type codes (2 a
  // 4-byte float, 3 a 32-bit integer; 5-10 the COBOL forms) taken to the
  // client library's before the type mapping.
  EngineType Engine() const;
};

// The client library's PC type of a catalogue PC type code.
int16_t ClientPcType(int16_t cataloguePcType, int16_t asType);

// The 10-character blank-padded key of `procedure`; false when the name is
// empty or longer than 10 characters.
bool ProcedureKey(const char* procedure, std::string* key);

uint16_t OpenProcedureList(void* engineDatabase, const char* wildcard, uint16_t reserved,
                           void** outCursor);
uint16_t OpenParameterList(void* engineDatabase, const char* procedure, void** outCursor);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_PROCEDURE_LIST_H_
