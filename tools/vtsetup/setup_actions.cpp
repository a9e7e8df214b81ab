#include "tools/vtsetup/setup_actions.h"

#include <cstdio>
#include <optional>

#include "platform/profile_override.h"

namespace vantora::vtsetup {
namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[256];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

// Puts the entered settings in force while it lives, when they differ from
// the file.
class EnteredSettings {
 public:
  explicit EnteredSettings(const SettingsModel& settings) {
    if (settings.Dirty()) override_.emplace(settings.EffectiveText());
  }
  bool ok() const { return !override_ || override_->ok(); }

 private:
  std::optional<platform::ProfileOverride> override_;
};

class BusyScope {
 public:
  explicit BusyScope(platform::UiSink& sink) : sink_(sink) { sink_.Busy(true); }
  ~BusyScope() { sink_.Busy(false); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  platform::UiSink& sink_;
};

std::string SettingsProblem(const SettingsModel& settings) {
  std::string text;
  for (const std::string& p : settings.Problems()) text += (text.empty() ? "" : "\n") + p;
  return text;
}

constexpr char kNoTemporaryFile[] = "cannot write a temporary settings file to try the settings";

}  // namespace

ClientFailure DescribeFailure(ClientLibrary& library, const std::string& step, int32_t code) {
  ClientFailure f;
  f.step = step;
  f.code = code;
  std::string detail;
  switch (code) {
    case VNX_ERR_INTERNAL:
      f.internalError = library.Internal_Error();
      detail = Format("Internal error n°%ld", static_cast<long>(f.internalError));
      break;
    case VNX_ERR_COMM:
      library.APPC_ERR(&f.primary, &f.secondary);
      detail = Format("APPC Error, primary code : %hx, secondary : %lx",
                      static_cast<unsigned short>(f.primary),
                      static_cast<unsigned long>(static_cast<uint32_t>(f.secondary)));
      break;
    case VNX_ERR_SIGNAL:
    case VNX_ERR_HOST: {
      f.status = library.retstat();
      char id[9] = {};
      library.Return_Syserr(id);
      id[8] = '\0';
      f.messageId = id;
      while (!f.messageId.empty() && f.messageId.back() == ' ') f.messageId.pop_back();
      detail = Format(code == VNX_ERR_HOST ? "Normal error %ld, with message %s."
                                           : "Signal error %ld, with message %s.",
                      static_cast<long>(f.status), id);
      break;
    }
    default:
      detail = Format("Unknown error : %ld", static_cast<long>(code));
  }
  f.codes = step + ":" + detail;
  char sentence[1024] = {};
  if (library.VNXErrorText(sentence, sizeof sentence) > 0) f.explanation = sentence;
  f.text = f.explanation.empty() ? f.codes : f.codes + "\n" + f.explanation;
  return f;
}

SetupActions::SetupActions(platform::UiSink& sink) : sink_(sink) {}

SetupActions::~SetupActions() = default;

ClientLibrary* SetupActions::Library(std::string* problem) {
  if (!library_) library_ = ClientLibrary::Load(problem);
  return library_.get();
}

bool SetupActions::TransportAvailable(const std::string& network) const {
  return vtsetup::TransportAvailable(network, library_ ? library_->anchor() : nullptr);
}

std::optional<ClientFailure> SetupActions::Start(ClientLibrary& library,
                                                 const SettingsModel& settings) {
  // The location travels in the settings put in force (any length the
  // transport reads), not as the session's machine name.
  int32_t r = library.PGM_name(settings.EffectiveValue(Field::kProgram).c_str());
  if (r < 0) return DescribeFailure(library, "PGM_name", r);
  r = library.StartSession();
  if (r < 0) return DescribeFailure(library, "StartSession", r);
  return std::nullopt;
}

void SetupActions::End(ClientLibrary& library) {
  library.FreeSession();
  library.VNXTerminate();
}

ConnectionReport SetupActions::TestConnection(const SettingsModel& settings) {
  ConnectionReport report;
  report.problem = SettingsProblem(settings);
  if (!report.problem.empty()) return report;
  EnteredSettings entered(settings);
  if (!entered.ok()) {
    report.problem = kNoTemporaryFile;
    return report;
  }
  BusyScope busy(sink_);
  ClientLibrary* library = Library(&report.problem);
  if (library == nullptr) {
    report.driverVersion = DriverVersion(nullptr);
    return report;
  }
  library->RTV_PC_VER(&report.clientVersion);
  report.failure = Start(*library, settings);
  if (!report.failure) {
    int32_t version = 0;
    int32_t r = library->RTV_AS_VER(&version);
    if (r < 0) {
      report.failure = DescribeFailure(*library, "RTV_AS_VER", r);
    } else {
      report.serverVersion = version;
    }
  }
  library->FreeSession();
  report.driverVersion = DriverVersion(library->anchor());
  library->VNXTerminate();
  report.ok = !report.failure;
  return report;
}

ClearReport SetupActions::ClearIndexDictionary(const SettingsModel& settings) {
  ClearReport report;
  report.problem = SettingsProblem(settings);
  if (!report.problem.empty()) return report;
  if (sink_.Ask(kDialogTitle, kClearWarning, false) != platform::Answer::kYes) {
    report.declined = true;
    return report;
  }
  EnteredSettings entered(settings);
  if (!entered.ok()) {
    report.problem = kNoTemporaryFile;
    return report;
  }
  BusyScope busy(sink_);
  ClientLibrary* library = Library(&report.problem);
  if (library == nullptr) return report;
  report.failure = Start(*library, settings);
  if (!report.failure) {
    int32_t r = library->Rsystem(kClearCommand);
    if (r != 0) report.failure = DescribeFailure(*library, "Rsystem", r);
  }
  End(*library);
  report.ok = !report.failure;
  return report;
}

}  // namespace vantora::vtsetup
