// The main dialog "Stored Procedure configuration": the declared procedures
// of the working library (or the programs they call), and New, Edit and
// Remove with the saving rules of the catalogue.
//
// The model holds the catalogue files from Opening() to Closing(). It runs
// the procedure dialog through the runner given; questions and messages go
// to the sink (caption "RPC configuration program"), and the wait cursor is
// shown while the host works.
#ifndef VANTORA_TOOLS_PROCEDIT_MAIN_DIALOG_MODEL_H_
#define VANTORA_TOOLS_PROCEDIT_MAIN_DIALOG_MODEL_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui_sink.h"
#include "tools/procedit/catalogue_files.h"
#include "tools/procedit/procedure_dialog_model.h"

namespace vantora::procedit {

// Runs the procedure dialog modally; true when it ended with "OK" (after
// the model's Ok() accepted it).
using ProcedureDialogRunner = std::function<bool(ProcedureDialogModel&)>;

enum class SaveMode { kNew, kExisting };

class MainDialogModel {
 public:
  // `files` is not owned and must outlive the model.
  MainDialogModel(platform::UiSink& sink, CatalogueFiles& files,
                  ProcedureDialogRunner procedureDialog, FieldDialogRunner fieldDialog);

  // Before the dialog shows: opens the three files ("The files YPROCHDR,
  // YPROCPARMS or YPROCPGM couldn't be opened ..." when one fails, and the
  // dialog then stays with empty lists and New, Edit and Remove disabled),
  // and fills the lists in procedure mode.
  void Opening();
  // When the dialog is destroyed: closes the files.
  void Closing();

  // The library field: the library whose catalogue is shown, as last opened
  // with UseLibrary; empty while the job's own library list decides.
  const std::string& library() const { return library_; }
  // "Open" beside the library field (and --library): makes `text` (blanks
  // around it dropped, upper case) the job's current library and shows its
  // catalogue, as Opening() does. A name that is not 1 to 10 characters
  // without blanks, a library that does not exist or holds no catalogue is
  // refused with a message; the catalogue shown then stays. True when the
  // library's catalogue is open.
  bool UseLibrary(const std::string& text);

  bool filesOpen() const { return files_.isOpen(); }
  bool programMode() const { return programMode_; }
  // The procedure list (names as stored, 10 characters) and the program
  // list (target texts), both sorted.
  const std::vector<std::string>& procedures() const { return procedures_; }
  const std::vector<std::string>& programs() const { return programs_; }
  // The headers behind the procedure list of procedure mode, in its order.
  const std::vector<ProcHeaderRecord>& listedHeaders() const { return listed_; }
  int selectedProcedure() const { return selectedProcedure_; }
  int selectedProgram() const { return selectedProgram_; }
  bool programListEnabled() const { return programMode_; }
  bool newEnabled() const { return filesOpen(); }
  bool editEnabled() const { return filesOpen() && selectedProcedure_ >= 0; }
  bool removeEnabled() const { return editEnabled(); }

  void ProcedureModeClicked();
  void ProgramModeClicked();
  void ProcedureSelected(int index);
  // A program chosen in program mode: the procedure list shows its procedures.
  void ProgramSelected(int index);

  // "New Procedure", "Edit Procedure" (and a double-click), "Remove proc.".
  void NewClicked();
  void EditClicked();
  void RemoveClicked();

  // The steps behind the buttons, also used by the command line.
  // A dialog model on the stored procedure `name` (trailing blanks
  // ignored); null after "Procedure not found, aborting process".
  std::unique_ptr<ProcedureDialogModel> OpenProcedure(const std::string& name);
  // A dialog model on a new procedure.
  std::unique_ptr<ProcedureDialogModel> NewProcedure();
  // Saves a procedure whose Ok() succeeded; true when header and all rows
  // were written. Refills the lists.
  bool Save(const ProcedureDialogModel& procedure, SaveMode mode);
  // Removes `name` after the question; true when its header was removed
  // (and its fields with it). Refills the lists.
  bool Remove(const std::string& name);

  // Fills the lists again in the current mode.
  void Refill();

 private:
  void Error(const std::string& text);
  // `text`, then the client library's sentence for the call that just failed.
  void HostError(const char* text);

  platform::UiSink& sink_;
  CatalogueFiles& files_;
  ProcedureDialogRunner procedureDialog_;
  FieldDialogRunner fieldDialog_;
  std::string library_;
  bool programMode_ = false;
  std::vector<std::string> procedures_;
  std::vector<std::string> programs_;
  std::vector<ProcHeaderRecord> listed_;
  int selectedProcedure_ = -1;
  int selectedProgram_ = -1;
};

}  // namespace vantora::procedit

#endif  // VANTORA_TOOLS_PROCEDIT_MAIN_DIALOG_MODEL_H_
