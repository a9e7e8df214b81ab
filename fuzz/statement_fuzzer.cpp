// libFuzzer target: the driver's readers and rewriters of SQL statement
// texts (library qualification, the tables of a SELECT, parameter markers,
// record counts). Nothing may crash; the rewritten text keeps every quoted
// string the application wrote.
#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/cursors/sql_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantora::driver;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string adapted = AdaptStatement(text, "MYLIB");
  const std::string plain = AdaptStatement(text, "");
  if (plain.size() > text.size()) __builtin_trap();  // without a library nothing is added
  (void)adapted;
  const TableList tables = SelectTables(adapted);
  if (tables.count < 0 || (tables.count == 0 && !tables.names.empty())) __builtin_trap();
  size_t used = 0;
  SubstituteMarkers(adapted, {"1", "'O''K'", "2.5"}, &used);
  if (used > 3) __builtin_trap();
  CountStatement(adapted);
  IsGrouped(adapted);
  IsSelect(adapted);
  return 0;
}
