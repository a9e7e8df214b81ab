// The EBCDIC/PC conversion tables the driver installs in the client library
// at every session start: built-in, or replaced by the file that
// GENERAL/convtable names (512 bytes: 256 of EBCDIC to PC, then 256 of PC
// to EBCDIC; a shorter file replaces what it holds, the rest keeps its
// previous contents).
#ifndef VANTORA_DRIVER_FRAME_CONVERSION_TABLES_H_
#define VANTORA_DRIVER_FRAME_CONVERSION_TABLES_H_

#include <array>
#include <cstdint>
#include <string>

namespace vantora::driver {

struct ConversionTables {
  std::array<uint8_t, 256> toPc;    // indexed by the EBCDIC code
  std::array<uint8_t, 256> toHost;  // indexed by the PC code
};

const ConversionTables& BuiltInConversionTables();

// Overwrites `tables` with what the file at `path` holds; false (tables
// unchanged) when it cannot be opened.
bool LoadConversionFile(const std::string& path, ConversionTables* tables);

// The driver's tables: the built-in ones, changed by every file loaded.
ConversionTables& DriverConversionTables();

// Reads GENERAL/convtable, loads the file it names (when set and readable)
// into the driver's tables and hands both tables to the client library.
void InstallConversionTables();

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_CONVERSION_TABLES_H_
