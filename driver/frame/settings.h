// The driver's settings in MV400.INI.
//
// Buffers/Records, Buffers/Optimize1, Buffers/Optimize2, Logfile/Level and
// MultiThread/ThreadAttach are read when the driver registers (its first
// DrvInit, and again after a full close), before any other thread can use
// it. GENERAL/convtable is read at every session start, GENERAL/pwd at
// every open database.
#ifndef VANTORA_DRIVER_FRAME_SETTINGS_H_
#define VANTORA_DRIVER_FRAME_SETTINGS_H_

#include <cstdint>
#include <string>

namespace vantora::driver {

struct DriverSettings {
  int32_t records = 30;       // read-ahead cache capacity of a record cursor
  int32_t optimize1 = 20;     // reads before a cursor asks for a reduced format
  int32_t optimize2 = 1;      // non-zero: file opens get option 0x10
  int32_t logLevel = 0;       // server-side trace level; 0 = none
  bool threadAttach = false;  // one client-library session per thread
};

// Reads the registration-time settings.
void ReadDriverSettings();
const DriverSettings& Settings();

// GENERAL/convtable: the conversion-table file (at most 259 characters).
std::string ConversionTablePath();
// GENERAL/pwd (at most 9 characters): when not empty, the USER NAME of a
// database is not handed to the client library.
std::string PasswordSetting();

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_SETTINGS_H_
