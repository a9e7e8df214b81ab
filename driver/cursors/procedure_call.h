// Calling a stored procedure (database slot 34, then the statement slots
// 103 and 102): the program file "*PGM/" + name, the declaration read from
// YPROCHDR and YPROCPARMS, and one keyed read whose key is the input
// parameters one after another and whose record is the parameter record.
#ifndef VANTORA_DRIVER_CURSORS_PROCEDURE_CALL_H_
#define VANTORA_DRIVER_CURSORS_PROCEDURE_CALL_H_

#include <cstdint>
#include <string>
#include <vector>

#include "driver/frame/handles.h"
#include "driver/frame/procedure_list.h"
#include "driver/frame/record_cursor.h"

namespace vantora::driver {

constexpr int kMaxProcedureFields = 4095;

// A prepared procedure (kind 12). Its program file is the handle's second file.
class ProcedureCall : public DriverHandle {
 public:
  ProcedureCall() : DriverHandle(HandleKind::kProcedureCall) {}
  static bool IsKind(HandleKind k) { return k == HandleKind::kProcedureCall; }

  std::string path;                    // "*PGM/" + name
  std::vector<ProcedureField> fields;  // in row order
  std::vector<int32_t> offsets;        // of each field in the parameter record
  int32_t recordLength = 0;
  // What the engine gave with the parameters.
  std::vector<EngineField> engineFields;
  std::vector<uint16_t> engineFlags;
  uint8_t* buffer = nullptr;
};

ProcedureCall* ProcedureOf(const void* statement);

// Database slot 34: IDAPI_ERR_NO_SUCH_PROCEDURE when the name is no
// procedure name, the procedure is not declared, its header counts no
// plausible number of fields (0-4095) or its field records are not that many.
uint16_t PrepareProcedure(void* engineDatabase, const char* procedure, void** outStatement);
// Cursor slot 103 on a procedure: one engine descriptor per field, in order.
uint16_t SetProcedureParameters(ProcedureCall* call, uint16_t count, const void* descriptors,
                                void* buffer);
// Cursor slot 102 on a procedure: calls it; the outputs are written into the
// parameter buffer only when the call and every conversion succeeded.
uint16_t CallProcedure(ProcedureCall* call);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_PROCEDURE_CALL_H_
