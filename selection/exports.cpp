// The ten C functions of libMV432SLF.so: the two families' result
// conventions over the one Selection of the process. Every export catches
// what its work throws and answers its family's failure.
#include "mv432slf.h"
#include "protocol/blank_padded.h"
#include "selection/selection.h"

namespace vantora::selection {
namespace {

// The module state: created at the first call, destroyed (with the dialog of
// the last request) when the library is unloaded.
Selection& Module() {
  static HostListLoader loader;
  static Selection selection(loader);
  return selection;
}

bool Is(const char* text, const char* special) {
  return text != nullptr && wire::EqualsIgnoringCase(text, special);
}

}  // namespace
}  // namespace vantora::selection

using vantora::selection::HandBack;
using vantora::selection::kConfirmed;
using vantora::selection::kFailed;
using vantora::selection::Module;

extern "C" {

MV432SLF_API int32_t VNXChoixLibFichier(const char* library) {
  try {
    if (vantora::selection::Is(library, "*CLEAR")) {
      Module().Clear();
      return 0;
    }
    if (vantora::selection::Is(library, "*FIRST")) return Module().First();
    return Module().Request(library);
  } catch (...) {
    Module().RequestFailed();
    return kFailed;
  }
}

MV432SLF_API int32_t VNXChoixLibFichierData(char* library, char* name, int32_t* value) {
  if (library == nullptr || name == nullptr || value == nullptr) return kFailed;
  try {
    *value = 0;
    return Module().Next(library, name).answer;
  } catch (...) {
    return kFailed;
  }
}

MV432SLF_API int32_t VNXChoixLibFichierHideDialog(void) {
  try {
    Module().SetHidden();
  } catch (...) {
  }
  return 0;
}

MV432SLF_API int32_t VNXChoixLibFichierSetPgmMode(int32_t mode) {
  try {
    Module().SetMode(mode);
  } catch (...) {
  }
  return 0;
}

MV432SLF_API int32_t VNXChoixLibFichierCount(int32_t* count) {
  if (count == nullptr) return kFailed;
  try {
    return Module().Count(count);
  } catch (...) {
    *count = 0;
    return kFailed;
  }
}

MV432SLF_API int32_t VNXSlf(const char* library, const char* objectType, const char* filter) {
  try {
    if (vantora::selection::Is(library, "*CLEAR")) {
      Module().Clear();
      return 0;
    }
    if (vantora::selection::Is(library, "*FIRST")) return Module().First();
    if (objectType == nullptr) return 1;
    const int32_t result =
        Module().RequestObjects(library, objectType, filter != nullptr ? filter : "");
    return result == kConfirmed ? 0 : 1;
  } catch (...) {
    Module().RequestFailed();
    return 1;
  }
}

MV432SLF_API int32_t VNXSlfDlgStyle(int32_t style) {
  try {
    Module().SetStyle(style);
  } catch (...) {
  }
  return 0;
}

MV432SLF_API int32_t VNXSlfHide(void) {
  return VNXChoixLibFichierHideDialog();
}

MV432SLF_API int32_t VNXSlfGetCount(int32_t* count) {
  if (count == nullptr) return 1;
  try {
    return Module().Count(count) == 1 ? 0 : 1;
  } catch (...) {
    *count = 0;
    return 1;
  }
}

MV432SLF_API int32_t VNXSlfGetNextEntry(char* library, char* name, void* /*unused*/) {
  if (library == nullptr || name == nullptr) return 1;
  try {
    const HandBack back = Module().Next(library, name);
    return back.answer == 1 && !back.blankName ? 0 : 1;
  } catch (...) {
    return 1;
  }
}

}  // extern "C"
