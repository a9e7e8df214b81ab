#include "engine/language_drivers.h"

#include "protocol/blank_padded.h"

namespace vantora::engine {
namespace {

const LanguageDriverInfo kKnown[] = {
    {"DBWINUS0", 1252, "ANSI (Windows code page 1252), US order"},
    {"DBWINWE0", 1252, "ANSI (Windows code page 1252), West European order"},
    {"DB437US0", 437, "PC code page 437, US order"},
    {"DB850WE0", 850, "PC code page 850, West European order"},
    {"DBWINCE0", 1250, "ANSI (Windows code page 1250), Central European order"},
    {"DB8859L1", 28591, "ISO 8859-1"},
    {"DBUTF8", 65001, "UTF-8"},
    {nullptr, 0, nullptr},
};

}  // namespace

const LanguageDriverInfo* KnownLanguageDrivers() {
  return kKnown;
}

const LanguageDriverInfo* FindLanguageDriver(const std::string& name) {
  for (const LanguageDriverInfo* l = kKnown; l->name != nullptr; ++l) {
    if (wire::EqualsIgnoringCase(l->name, name)) return l;
  }
  return nullptr;
}

const LanguageDriverInfo* FindLanguageDriverForCodePage(uint16_t codePage) {
  for (const LanguageDriverInfo* l = kKnown; l->name != nullptr; ++l) {
    if (l->codePage == codePage) return l;
  }
  return nullptr;
}

}  // namespace vantora::engine
