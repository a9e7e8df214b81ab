#include "tools/procedit/main_dialog_model.h"

#include <algorithm>
#include <cstdio>

#include "tools/procedit/texts.h"

namespace vantora::procedit {
namespace {

// The wait cursor over a stretch of host work.
class Busy {
 public:
  explicit Busy(platform::UiSink& sink) : sink_(sink) { sink_.Busy(true); }
  ~Busy() { sink_.Busy(false); }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  platform::UiSink& sink_;
};

}  // namespace

MainDialogModel::MainDialogModel(platform::UiSink& sink, CatalogueFiles& files,
                                 ProcedureDialogRunner procedureDialog,
                                 FieldDialogRunner fieldDialog)
    : sink_(sink),
      files_(files),
      procedureDialog_(std::move(procedureDialog)),
      fieldDialog_(std::move(fieldDialog)) {}

void MainDialogModel::Error(const std::string& text) {
  sink_.Message(text::kProgramTitle, text, platform::MessageKind::kError);
}

void MainDialogModel::HostError(const char* text) {
  const std::string why = CatalogueFiles::Explanation();
  Error(why.empty() ? std::string(text) : std::string(text) + "\n" + why);
}

void MainDialogModel::Opening() {
  if (!files_.Open()) {
    const std::string& why = files_.openFailure();
    Error(why.empty() ? std::string(text::kFilesNotOpened)
                      : std::string(text::kFilesNotOpened) + "\n" + why);
  }
  programMode_ = false;
  Refill();
}

bool MainDialogModel::UseLibrary(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  const std::string name =
      first == std::string::npos ? std::string() : UpperCase(TrimRight(text.substr(first)));
  if (name.empty() || name.size() > static_cast<size_t>(kNameLength) ||
      name.find_first_of(" \t") != std::string::npos) {
    Error(text::kLibraryName);
    return false;
  }
  std::string why;
  {
    Busy busy(sink_);
    if (!files_.MakeCurrentLibrary(name, &why)) {
      char message[512];
      std::snprintf(message, sizeof message, text::kLibraryNotUsed, name.c_str(), why.c_str());
      Error(message);
      return false;
    }
    files_.Close();
    library_ = name;
  }
  Opening();
  return files_.isOpen();
}

void MainDialogModel::Closing() {
  files_.Close();
}

void MainDialogModel::Refill() {
  procedures_.clear();
  programs_.clear();
  listed_.clear();
  selectedProcedure_ = -1;
  selectedProgram_ = -1;
  if (!files_.isOpen()) return;
  if (!programMode_) {
    listed_ = files_.ListHeaders();
    std::sort(listed_.begin(), listed_.end(),
              [](const auto& a, const auto& b) { return a.procName < b.procName; });
    for (const auto& h : listed_) procedures_.push_back(h.procName);
    return;
  }
  for (const auto& h : files_.ListPrograms()) {
    programs_.push_back(TargetText(h.programLibrary, h.programName));
  }
  std::sort(programs_.begin(), programs_.end());
}

void MainDialogModel::ProcedureModeClicked() {
  programMode_ = false;
  Refill();
}

void MainDialogModel::ProgramModeClicked() {
  programMode_ = true;
  Refill();
}

void MainDialogModel::ProcedureSelected(int index) {
  selectedProcedure_ = index >= 0 && index < static_cast<int>(procedures_.size()) ? index : -1;
}

void MainDialogModel::ProgramSelected(int index) {
  if (!programMode_ || index < 0 || index >= static_cast<int>(programs_.size())) return;
  selectedProgram_ = index;
  procedures_.clear();
  selectedProcedure_ = -1;
  std::string library;
  std::string program;
  SplitTarget(programs_[static_cast<size_t>(index)], &library, &program);
  for (const auto& h : files_.ProceduresOf(library, program)) procedures_.push_back(h.procName);
}

std::unique_ptr<ProcedureDialogModel> MainDialogModel::NewProcedure() {
  return std::make_unique<ProcedureDialogModel>(sink_, fieldDialog_);
}

std::unique_ptr<ProcedureDialogModel> MainDialogModel::OpenProcedure(const std::string& name) {
  const std::string trimmed = TrimRight(name);
  ProcHeaderRecord header;
  std::vector<ProcFieldRecord> rows;
  {
    Busy busy(sink_);
    if (!files_.ReadHeader(trimmed, &header)) {
      Error(text::kProcedureNotFound);
      return nullptr;
    }
    const int read = files_.ReadFields(trimmed, header.fieldCount, &rows);
    if (read != header.fieldCount) {
      char message[256];
      std::snprintf(message, sizeof message, text::kFieldCountDiffers, header.fieldCount, read);
      sink_.Message(text::kProgramTitle, message, platform::MessageKind::kWarning);
    }
  }
  auto model = NewProcedure();
  model->Load(header, std::move(rows));
  return model;
}

bool MainDialogModel::Save(const ProcedureDialogModel& procedure, SaveMode mode) {
  const ProcHeaderRecord& header = procedure.header();
  const std::string name = TrimRight(header.procName);
  bool written = false;
  {
    Busy busy(sink_);
    const bool exists = files_.HeaderExists(name);
    // A procedure saved under another name than it was opened with is new
    // for that name: an existing one is only replaced after the question.
    const bool renamed = mode == SaveMode::kExisting && name != UpperCase(procedure.originalName());
    bool replace = false;
    if (exists && (mode == SaveMode::kNew || renamed)) {
      if (sink_.Ask(text::kProgramTitle, text::kAlreadyExists, false) != platform::Answer::kYes) {
        Refill();
        return false;
      }
      replace = true;
    } else if (!exists && mode == SaveMode::kExisting) {
      if (sink_.Ask(text::kProgramTitle, text::kNotInDirectory, false) != platform::Answer::kYes) {
        Refill();
        return false;
      }
    } else {
      replace = exists;
    }
    if (replace && !files_.DeleteFoundHeader()) {
      HostError(text::kDeleteFailed);
      Refill();
      return false;
    }
    if (!files_.WriteHeader(header)) {
      HostError(text::kWriteFailed);
      Refill();
      return false;
    }
    // Field records left under this name (by a save that stopped half-way)
    // would come before the new ones in arrival order: they go in any case.
    if (!files_.DeleteAllFields(name)) {
      HostError(text::kDeleteFailed);
      Refill();
      return false;
    }
    written = true;
    for (const auto& row : procedure.rows()) {
      if (!files_.WriteField(row)) {
        written = false;
        break;
      }
    }
  }
  if (!written) HostError(text::kWriteFailed);
  Refill();
  return written;
}

bool MainDialogModel::Remove(const std::string& name) {
  if (sink_.Ask(text::kProgramTitle, text::kConfirmRemove, false) != platform::Answer::kYes) {
    return false;
  }
  const std::string trimmed = TrimRight(name);
  bool removed = false;
  {
    Busy busy(sink_);
    if (files_.HeaderExists(trimmed)) {
      if (!files_.DeleteFoundHeader()) {
        HostError(text::kDeleteFailed);  // the fields stay with their header
      } else {
        removed = true;
        if (!files_.DeleteAllFields(trimmed)) HostError(text::kDeleteFailed);
      }
    }
  }
  Refill();
  return removed;
}

void MainDialogModel::NewClicked() {
  if (!newEnabled()) return;
  auto procedure = NewProcedure();
  if (procedureDialog_ && procedureDialog_(*procedure)) Save(*procedure, SaveMode::kNew);
}

void MainDialogModel::EditClicked() {
  if (!editEnabled()) return;
  auto procedure = OpenProcedure(procedures_[static_cast<size_t>(selectedProcedure_)]);
  if (procedure && procedureDialog_ && procedureDialog_(*procedure)) {
    Save(*procedure, SaveMode::kExisting);
  }
}

void MainDialogModel::RemoveClicked() {
  if (!removeEnabled()) return;
  Remove(procedures_[static_cast<size_t>(selectedProcedure_)]);
}

}  // namespace vantora::procedit
