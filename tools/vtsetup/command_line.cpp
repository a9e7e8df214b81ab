#include "tools/vtsetup/command_line.h"

#include <CLI/CLI.hpp>

#include "platform/profile.h"
#include "platform/profile_writer.h"
#include "platform/ui_sink.h"
#include "tools/common/json_line.h"
#include "tools/vtsetup/settings_model.h"
#include "tools/vtsetup/setup_actions.h"

namespace vantora::vtsetup {
namespace {

// Questions are answered by --yes; nothing is shown in between.
class ScriptSink : public platform::UiSink {
 public:
  explicit ScriptSink(bool yes) : yes_(yes) {}
  void Message(const std::string& title, const std::string& text, platform::MessageKind) override {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  }
  platform::Answer Ask(const std::string&, const std::string&, bool) override {
    return yes_ ? platform::Answer::kYes : platform::Answer::kNo;
  }
  void Busy(bool) override {}

 private:
  bool yes_;
};

bool SplitName(const std::string& name, std::string* section, std::string* key) {
  auto slash = name.find('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 == name.size()) return false;
  *section = name.substr(0, slash);
  *key = name.substr(slash + 1);
  return true;
}

bool IsPasswordKey(const std::string& key) {
  std::string lower = key;
  for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return lower == "password";
}

// Applies --set and --unset to the model; keys it does not know go to
// `others`. False with a message on `err` when an argument is refused.
bool TakeChanges(const CommandLineOptions& options, SettingsModel& model,
                 std::vector<platform::ProfileChange>* others, std::FILE* err) {
  auto take = [&](const std::string& name, const std::optional<std::string>& value) {
    std::string section, key;
    if (!SplitName(name, &section, &key)) {
      std::fprintf(err, "vtsetup: \"%s\" is not SECTION/KEY\n", name.c_str());
      return false;
    }
    if (IsPasswordKey(key) && value) {
      std::fprintf(err, "vtsetup: %s/%s is not written: %s\n", section.c_str(), key.c_str(),
                   kPasswordNote);
      return false;
    }
    platform::ProfileChange change{section, key, value};
    if (std::string why = platform::CheckProfileChange(change); !why.empty()) {
      std::fprintf(err, "vtsetup: %s\n", why.c_str());
      return false;
    }
    Field field = FindField(section, key);
    if (field == Field::kCount) {
      others->push_back(std::move(change));
    } else {
      model.SetValue(field, value.value_or(""));
    }
    return true;
  };
  for (const std::string& assignment : options.set) {
    auto equals = assignment.find('=');
    if (equals == std::string::npos) {
      std::fprintf(err, "vtsetup: \"%s\" is not SECTION/KEY=VALUE\n", assignment.c_str());
      return false;
    }
    if (!take(assignment.substr(0, equals), assignment.substr(equals + 1))) return false;
  }
  for (const std::string& name : options.unset) {
    if (!take(name, std::nullopt)) return false;
  }
  return true;
}

void Show(const SettingsModel& model, const SetupActions& actions, std::FILE* out) {
  std::fprintf(out, "settings file: %s%s\n", model.writePath().c_str(),
               model.readPath() != model.writePath()
                   ? (" (not there yet: read from " + model.readPath() + ")").c_str()
                   : "");
  for (const FieldInfo& info : Fields()) {
    std::string notes;
    if (!model.InFile(info.field)) notes = "default";
    if (!model.Enabled(info.field)) {
      notes += (notes.empty() ? "" : ", ") + std::string("not used with network type ") +
               model.network();
    }
    std::string problem = model.Problem(info.field);
    if (!problem.empty()) notes += (notes.empty() ? "" : ", ") + problem;
    std::fprintf(out, "%s/%s=%s%s\n", info.section, info.key, model.Value(info.field).c_str(),
                 notes.empty() ? "" : ("    (" + notes + ")").c_str());
  }
  std::string networks;
  for (const char* type : kNetworkTypes) {
    networks += std::string(networks.empty() ? "" : ", ") + type +
                (actions.TransportAvailable(type) ? " available" : " not available");
  }
  std::fprintf(out, "network types: %s\n", networks.c_str());
  if (model.HoldsPassword()) {
    std::fprintf(out,
                 "warning: the settings file holds a password; keep it readable only by "
                 "its owner, or remove it and use VANTORA_PASSWORD\n");
  }
  std::fprintf(out, "passwords: %s\n", kPasswordNote);
}

// The codes, the sentence in words, then the details of the result class.
void PrintFailure(const ClientFailure& f, std::FILE* to) {
  std::fprintf(to, "%s\n", f.text.c_str());
  switch (f.code) {
    case VNX_ERR_HOST:
    case VNX_ERR_SIGNAL:
      std::fprintf(to, "  class %d, status %d, message %s\n", f.code, f.status,
                   f.messageId.c_str());
      break;
    case VNX_ERR_COMM:
      std::fprintf(to, "  class %d, transport codes: primary %d, secondary %d\n", f.code, f.primary,
                   f.secondary);
      break;
    case VNX_ERR_INTERNAL:
      std::fprintf(to, "  class %d, internal error %d\n", f.code, f.internalError);
      break;
    default:
      break;
  }
}

nlohmann::ordered_json FailureJson(const ClientFailure& f) {
  nlohmann::ordered_json failure;
  failure["step"] = f.step;
  failure["class"] = f.code;
  failure["status"] = f.status;
  failure["messageId"] = f.messageId;
  failure["primary"] = f.primary;
  failure["secondary"] = f.secondary;
  failure["internalError"] = f.internalError;
  failure["codes"] = f.codes;
  failure["explanation"] = f.explanation;
  failure["text"] = f.text;
  return failure;
}

bool Test(SetupActions& actions, const SettingsModel& model, bool json, std::FILE* out,
          std::FILE* err) {
  ConnectionReport r = actions.TestConnection(model);
  const std::string network = model.network();
  if (json) {
    nlohmann::ordered_json result;
    result["ok"] = r.ok;
    result["settings"] = model.readPath();
    result["network"] = network;
    result["transport"] = TransportFileName(network);
    result["clientVersion"] = r.clientVersion;
    result["serverVersion"] = r.serverVersion ? nlohmann::ordered_json(*r.serverVersion)
                                              : nlohmann::ordered_json(nullptr);
    result["driverVersion"] = r.driverVersion;
    result["problem"] = r.problem;
    result["failure"] = r.failure ? FailureJson(*r.failure) : nlohmann::ordered_json(nullptr);
    std::fprintf(out, "%s\n", tools::JsonLine(result).c_str());
    return r.ok;
  }
  std::fprintf(out, "settings: %s (network type %s, transport %s)\n", model.readPath().c_str(),
               network.c_str(), TransportFileName(network).c_str());
  if (!r.problem.empty()) {
    std::fprintf(err, "%s\nConnection test not run.\n", r.problem.c_str());
    if (!r.driverVersion.empty()) std::fprintf(out, "driver: %s\n", r.driverVersion.c_str());
    return false;
  }
  std::fprintf(out, "client version: %d\n", r.clientVersion);
  if (r.serverVersion) {
    std::fprintf(out, "server version: %d\n", *r.serverVersion);
  } else {
    std::fprintf(out, "server version: unknown (no session)\n");
  }
  std::fprintf(out, "driver version: %s\n", r.driverVersion.c_str());
  if (r.failure) {
    PrintFailure(*r.failure, err);
    std::fprintf(err, "Connection test failed.\n");
    return false;
  }
  std::fprintf(out, "Connection test passed.\n");
  return true;
}

bool Clear(SetupActions& actions, const SettingsModel& model, std::FILE* out, std::FILE* err) {
  ClearReport r = actions.ClearIndexDictionary(model);
  if (r.declined) {
    std::fprintf(err, "%s\n\nNothing was done: add --yes to empty it.\n", kClearWarning);
    return false;
  }
  if (!r.problem.empty()) {
    std::fprintf(err, "%s\n", r.problem.c_str());
    return false;
  }
  if (r.failure) {
    PrintFailure(*r.failure, err);
    std::fprintf(err, "The index dictionary was not emptied.\n");
    return false;
  }
  std::fprintf(out, "%s\n", kClearDone);
  return true;
}

}  // namespace

int ParseCommandLine(int argc, char** argv, CommandLineOptions* o, bool* helpShown, std::FILE* out,
                     std::FILE* err) {
  *helpShown = false;
  if (argc <= 1) return -1;
  CLI::App app(
      "Edits the connection settings in MV400.INI, tests the connection and empties the "
      "driver's index dictionary. Without options it opens the dialog.",
      "vtsetup");
  app.add_flag("--show", o->show, "print the connection settings and where they come from");
  app.add_option("--set", o->set, "change keys: SECTION/KEY=VALUE (an empty VALUE removes the key)")
      ->type_name("SECTION/KEY=VALUE")
      ->expected(1, -1);
  app.add_option("--unset", o->unset, "remove keys, so that their defaults apply")
      ->type_name("SECTION/KEY")
      ->expected(1, -1);
  app.add_flag("--system", o->systemWide,
               "write /etc/vantora/MV400.INI instead of the user's file (MV400_INI not set)");
  app.add_flag("--test", o->test, "test the connection and show the versions");
  app.add_flag("--json", o->json, "with --test: print the result as one JSON object");
  app.add_flag("--clear-index-dictionary", o->clearIndexDictionary,
               "empty the driver's index dictionary YIDXR0100 on the host (needs --yes)");
  app.add_flag("--yes", o->yes, "confirm --clear-index-dictionary");
  app.footer(std::string("Passwords: ") + kPasswordNote + "\n");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    std::fprintf(out, "%s", app.help().c_str());
    *helpShown = true;
    return 0;
  } catch (const CLI::ParseError& e) {
    std::fprintf(err, "vtsetup: %s\n%s", e.what(), app.help().c_str());
    return 2;
  }
  if (o->json && !o->test) {
    std::fprintf(err, "vtsetup: --json goes with --test\n");
    return 2;
  }
  if (!o->show && o->set.empty() && o->unset.empty() && !o->test && !o->clearIndexDictionary) {
    std::fprintf(err, "vtsetup: nothing to do\n%s", app.help().c_str());
    return 2;
  }
  return 0;
}

int RunCommandLine(const CommandLineOptions& options, std::FILE* out, std::FILE* err) {
  ScriptSink sink(options.yes);
  SetupActions actions(sink);
  SettingsModel model([&](const std::string& n) { return actions.TransportAvailable(n); });
  const std::string writePath = platform::ProfileWritePath(options.systemWide);
  model.Load(platform::DefaultProfilePath(), writePath);

  if (!options.set.empty() || !options.unset.empty()) {
    std::vector<platform::ProfileChange> others;
    if (!TakeChanges(options, model, &others, err)) return 1;
    if (std::string error = model.Save(others); !error.empty()) {
      std::fprintf(err, "%s\n", error.c_str());
      return 1;
    }
    model.Load(platform::DefaultProfilePath(), writePath);
    if (model.readPath() != writePath) {
      std::fprintf(err, "vtsetup: warning: %s was written, but %s is the file in force\n",
                   writePath.c_str(), model.readPath().c_str());
    }
  }
  bool ok = true;
  if (options.show) Show(model, actions, out);
  if (options.test) ok = Test(actions, model, options.json, out, err) && ok;
  if (options.clearIndexDictionary) ok = Clear(actions, model, out, err) && ok;
  return ok ? 0 : 1;
}

}  // namespace vantora::vtsetup
