// The language drivers the engine knows: a name and the code page of the
// text it stands for.
#ifndef VANTORA_ENGINE_LANGUAGE_DRIVERS_H_
#define VANTORA_ENGINE_LANGUAGE_DRIVERS_H_

#include <cstdint>
#include <string>

namespace vantora::engine {

struct LanguageDriverInfo {
  const char* name;
  uint16_t codePage;
  const char* text;
};

// The known language drivers, ended by an entry with a null name.
const LanguageDriverInfo* KnownLanguageDrivers();
// The entry named `name` (without case), or null.
const LanguageDriverInfo* FindLanguageDriver(const std::string& name);
// The first entry of `codePage`, or null.
const LanguageDriverInfo* FindLanguageDriverForCodePage(uint16_t codePage);

}  // namespace vantora::engine

#endif  // VANTORA_ENGINE_LANGUAGE_DRIVERS_H_
