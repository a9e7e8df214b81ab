// The values of a stored procedure's parameters, between the engine's form
// (its field types, in the application's parameter buffer) and the program's
// parameter record on the host: CHAR blank-padded text, BIN2 and BIN4
// big-endian integers (scaled by their decimals), PACK and ZONED decimal
// bytes, FLOAT and DOUBLE big-endian IEEE numbers, DATE, TIME and TIMESTP
// texts in the format the parameter's format word names.
#ifndef VANTORA_DRIVER_CURSORS_PARAMETER_VALUES_H_
#define VANTORA_DRIVER_CURSORS_PARAMETER_VALUES_H_

#include <cstdint>
#include <string>

#include "driver/frame/procedure_list.h"
#include "driver/frame/record_cursor.h"

namespace vantora::driver {

// Writes the engine value `value` (of `engine`'s type and length) as the
// host form of `field` into `out` (field.asLength bytes). False, with
// `problem`, for a value that does not fit or a type without a conversion.
bool EngineToHost(const EngineField& engine, const uint8_t* value, const ProcedureField& field,
                  uint8_t* out, std::string* problem);

// Reads the host form of `field` at `in` into the engine value `value` of
// `engine`'s type (strings: at most engine.length bytes with their NUL).
bool HostToEngine(const ProcedureField& field, const uint8_t* in, const EngineField& engine,
                  uint8_t* value, std::string* problem);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_PARAMETER_VALUES_H_
