#include "tools/procedit/command_line.h"

#include <fstream>
#include <iostream>
#include <sstream>

#include "mv432ida.h"
#include "tools/procedit/catalogue_files.h"
#include "tools/procedit/main_dialog_model.h"
#include "tools/procedit/procedure_json.h"
#include "tools/procedit/texts.h"

namespace vantora::procedit {
namespace {

// Messages to the error stream; questions answered with a preset answer
// (and remembered, so that a declined overwrite can be told apart).
class CommandLineSink : public platform::UiSink {
 public:
  CommandLineSink(std::ostream& err, platform::Answer answer) : err_(err), answer_(answer) {}
  void Message(const std::string&, const std::string& text, platform::MessageKind) override {
    err_ << "procedit: " << OneLine(text) << "\n";
    ++messages_;
  }
  platform::Answer Ask(const std::string&, const std::string&, bool) override {
    if (answer_ != platform::Answer::kYes) declined_ = true;
    return answer_;
  }
  void Busy(bool) override {}
  bool declined() const { return declined_; }
  int messages() const { return messages_; }

 private:
  static std::string OneLine(std::string text) {
    for (char& c : text) {
      if (c == '\n') c = ' ';
    }
    return text;
  }
  std::ostream& err_;
  platform::Answer answer_;
  bool declined_ = false;
  int messages_ = 0;
};

const char* KindName(char kind) {
  return kind == kTargetDataQueue ? "data queue" : "program";
}

void PrintList(const MainDialogModel& model, std::ostream& out) {
  for (const ProcHeaderRecord& h : model.listedHeaders()) {
    out << TrimRight(h.procName) << "\t" << TargetText(h.programLibrary, h.programName) << "\t"
        << KindName(h.targetKind) << "\t" << TrimRight(h.description) << "\n";
  }
}

void PrintProcedure(const ProcedureDialogModel& p, std::ostream& out) {
  const ProcHeaderRecord& h = p.header();
  out << "procedure:   " << TrimRight(h.procName) << "\n"
      << "description: " << TrimRight(h.description) << "\n"
      << "target:      " << TargetText(h.programLibrary, h.programName) << " ("
      << KindName(h.targetKind) << ")\n"
      << "parameters:  " << h.parameterCount << ", fields: " << p.rows().size() << "\n";
  if (p.rows().empty()) return;
  out << text::kNumberCaption << "\t" << text::kNameCaption << "\t" << text::kIoCaption << "\t"
      << text::kAsTypeCaption << "\t\t" << text::kPcTypeCaption << "\n";
  for (const std::string& line : p.rowTexts()) out << line << "\n";
}

bool ReadText(const std::string& file, std::istream& input, std::string* text, std::ostream& err) {
  std::ostringstream buffer;
  if (file == "-") {
    buffer << input.rdbuf();
  } else {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      err << "procedit: cannot read " << file << "\n";
      return false;
    }
    buffer << in.rdbuf();
  }
  *text = buffer.str();
  return true;
}

int Act(const CommandLineOptions& options, std::istream& input, std::ostream& out,
        std::ostream& err) {
  std::string defineText;
  ProcedureSpec spec;
  if (options.action == Action::kDefine) {
    std::string why;
    if (!ReadText(options.argument, input, &defineText, err)) return kExitFailed;
    if (!ParseProcedureJson(defineText, &spec, &why)) {
      err << "procedit: " << options.argument << ": " << why << "\n";
      return kExitFailed;
    }
  }
  const bool yes =
      options.action == Action::kRemove || (options.action == Action::kDefine && options.replace);
  CommandLineSink sink(err, yes ? platform::Answer::kYes : platform::Answer::kNo);
  const FieldSpec* pending = nullptr;
  CatalogueFiles files;
  MainDialogModel model(sink, files, nullptr, [&pending](FieldDialogModel& field) {
    return pending != nullptr && FillFieldDialog(*pending, field);
  });
  if (!options.library.empty()) {
    if (!model.UseLibrary(options.library)) return kExitFailed;
  } else {
    model.Opening();
  }
  if (!model.filesOpen()) return kExitFailed;
  int result = kExitOk;
  switch (options.action) {
    case Action::kList:
      PrintList(model, out);
      break;
    case Action::kShow:
    case Action::kExport: {
      auto procedure = model.OpenProcedure(UpperCase(options.argument));
      if (!procedure) {
        result = kExitFailed;
      } else if (options.action == Action::kShow) {
        PrintProcedure(*procedure, out);
      } else {
        out << ProcedureToJson(procedure->header(), procedure->rows());
      }
      break;
    }
    case Action::kDefine: {
      auto procedure = model.NewProcedure();
      if (!FillProcedureDialog(spec, *procedure, &pending) || !procedure->Ok()) {
        result = kExitFailed;
      } else if (!model.Save(*procedure, SaveMode::kNew)) {
        if (sink.declined()) {
          err << "procedit: " << TrimRight(procedure->header().procName)
              << " exists; --replace overwrites it\n";
        }
        result = kExitFailed;
      } else {
        out << "procedure " << TrimRight(procedure->header().procName) << " defined, "
            << procedure->rows().size() << " fields\n";
      }
      break;
    }
    case Action::kRemove:
      if (model.Remove(UpperCase(options.argument))) {
        out << "procedure " << UpperCase(options.argument) << " removed\n";
      } else {
        if (sink.messages() == 0) {
          err << "procedit: no procedure " << UpperCase(options.argument) << "\n";
        }
        result = kExitFailed;
      }
      break;
    case Action::kDialog:
    case Action::kHelp:
      break;
  }
  model.Closing();
  return result;
}

}  // namespace

const char* CommandLineHelp() {
  return "usage: procedit [--library LIB]       the dialogs\n"
         "       procedit [--library LIB] --list\n"
         "       procedit [--library LIB] --show NAME\n"
         "       procedit [--library LIB] --export NAME\n"
         "       procedit [--library LIB] --define FILE [--replace]\n"
         "       procedit [--library LIB] --remove NAME\n"
         "\n"
         "Declares the host's programs and data queues as stored procedures in the\n"
         "catalogue files YPROCHDR, YPROCPARMS and YPROCPGM of the working library\n"
         "(the first of the job's library list; --library makes LIB the current\n"
         "library first; the dialogs open with LIB's catalogue, and their library\n"
         "field opens another). The host is the one of the settings file (MV400.INI).\n"
         "\n"
         "  --list           the declared procedures: name, target, kind, description\n"
         "  --show NAME      one procedure and its parameter fields\n"
         "  --export NAME    one procedure as JSON (the form --define reads)\n"
         "  --define FILE    creates the procedure described in FILE (- reads standard\n"
         "                   input); an existing one is kept unless --replace is given\n"
         "  --remove NAME    removes a procedure and its fields\n"
         "  --help           this text\n"
         "\n"
         "Exits 0 when done, 1 when a step failed, 2 for a wrong command line.\n";
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLineOptions* options,
                      std::string* error) {
  CommandLineOptions o;
  bool actionGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto takeAction = [&](Action action, bool withValue) {
      if (actionGiven) {
        *error = "only one of --list, --show, --export, --define, --remove";
        return false;
      }
      actionGiven = true;
      o.action = action;
      if (!withValue) return true;
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        *error = arg + " needs a value";
        return false;
      }
      o.argument = args[++i];
      return true;
    };
    bool ok = true;
    if (arg == "--help" || arg == "-h") {
      o.action = Action::kHelp;
      *options = o;
      return true;
    } else if (arg == "--list") {
      ok = takeAction(Action::kList, false);
    } else if (arg == "--show") {
      ok = takeAction(Action::kShow, true);
    } else if (arg == "--export") {
      ok = takeAction(Action::kExport, true);
    } else if (arg == "--define") {
      ok = takeAction(Action::kDefine, true);
    } else if (arg == "--remove") {
      ok = takeAction(Action::kRemove, true);
    } else if (arg == "--replace") {
      o.replace = true;
    } else if (arg == "--library") {
      if (i + 1 >= args.size() || args[i + 1].empty() || args[i + 1].size() > 10) {
        *error = "--library needs a library name of at most 10 characters";
        return false;
      }
      o.library = UpperCase(args[++i]);
    } else {
      *error = "unknown option " + arg;
      return false;
    }
    if (!ok) return false;
  }
  if (o.replace && o.action != Action::kDefine) {
    *error = "--replace goes with --define";
    return false;
  }
  *options = o;
  return true;
}

int RunCommandLine(const CommandLineOptions& options, std::istream& input, std::ostream& out,
                   std::ostream& err) {
  if (StartSession() < 0) {
    const std::string sentence = CatalogueFiles::Explanation();
    err << "procedit: " << text::kNoSession << " (" << CatalogueFiles::LastFailure() << ")"
        << (sentence.empty() ? "" : ": " + sentence) << "\n";
    FreeSession();
    VNXTerminate();
    return kExitFailed;
  }
  const int result = Act(options, input, out, err);
  FreeSession();
  VNXTerminate();
  return result;
}

}  // namespace vantora::procedit
