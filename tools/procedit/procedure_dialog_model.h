// The procedure dialog "Procedure definition": one procedure edited in
// memory (its header and its field rows) until "OK"; nothing reaches the
// host from here except the selection dialog of "Browse ...".
//
// Parameter numbering keeps the catalogue's invariant: numbers from 1
// without gaps, consecutive rows with one number forming a data structure.
//
//   case                         the row's number        the following rows
//   check box set, first row     1                       +1 when the row is new
//   check box set, other row     previous row's + 1      +1 when new or renumbered
//   check box clear, first row   1                       unchanged
//   check box clear, other row   previous row's          -1 when the row existed and
//                                                        was its parameter's only field
//   row deleted                  -                       -1 when no other row had its number
#ifndef VANTORA_TOOLS_PROCEDIT_PROCEDURE_DIALOG_MODEL_H_
#define VANTORA_TOOLS_PROCEDIT_PROCEDURE_DIALOG_MODEL_H_

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui_sink.h"
#include "tools/procedit/catalogue_records.h"
#include "tools/procedit/field_dialog_model.h"

namespace vantora::procedit {

// Runs the field dialog modally; true when it ended with "OK" (after the
// model's Ok() accepted it).
using FieldDialogRunner = std::function<bool(FieldDialogModel&)>;

// The list positions of the kind list.
enum class TargetKind { kProgram = 0, kDataQueue = 1 };

// Keys of the field list that act on rows.
enum class ListKey { kInsert, kKeypadPlus, kDelete, kKeypadMinus };

// The field list's columns, under the captions "N°:", "Name :", "I/O :",
// "AS Type, Len :" and "PC Type, Len :".
inline constexpr int kFieldListColumns = 5;
// The boxes' limits.
inline constexpr int kProcedureNameBox = 10;
inline constexpr int kTargetBox = 22;
inline constexpr int kDescriptionBox = 80;

// The target text of a header: library without trailing blanks, a slash
// only when it is not empty, then the program without trailing blanks.
std::string TargetText(const std::string& library, const std::string& program);
// Splits a target text at its first slash into library and program (each
// blank-padded to 10, upper case, cut at 10); without a slash the library
// stays blank.
void SplitTarget(const std::string& text, std::string* library, std::string* program);
// The field list's line for `rows[index]`, its parts separated by tabs.
std::string FieldRowText(const std::vector<ProcFieldRecord>& rows, size_t index);
// The same row as the cells of the field list's columns: the parameter
// number (blank when the row continues a data structure), the name, "I",
// "O" or "I/O", the host type with digits:decimals and (bytes), the PC type
// with length:decimals; types padded so that the numbers line up in a
// fixed-width font.
std::array<std::string, kFieldListColumns> FieldRowCells(const std::vector<ProcFieldRecord>& rows,
                                                         size_t index);

class ProcedureDialogModel {
 public:
  // A new procedure: a header of zero bytes and no rows.
  ProcedureDialogModel(platform::UiSink& sink, FieldDialogRunner fieldDialog);

  // An existing procedure read from the catalogue: the name is the stored
  // name without trailing blanks, the description likewise; the target text
  // and the kind come from the header.
  void Load(const ProcHeaderRecord& header, std::vector<ProcFieldRecord> rows);

  const std::string& procedureName() const { return procedureName_; }
  const std::string& description() const { return description_; }
  const std::string& targetText() const { return targetText_; }
  TargetKind kind() const { return kind_; }
  // The name the procedure was loaded under (empty for a new one).
  const std::string& originalName() const { return originalName_; }
  const ProcHeaderRecord& header() const { return header_; }
  const std::vector<ProcFieldRecord>& rows() const { return rows_; }
  std::vector<std::string> rowTexts() const;
  std::vector<std::array<std::string, kFieldListColumns>> rowCells() const;
  // The selected row, -1 when none.
  int selectedRow() const { return selected_; }

  void NameTyped(const std::string& text) { procedureName_ = text; }
  // The description box takes 80 characters; longer text is cut.
  void DescriptionTyped(const std::string& text);
  // Every change of the target text is split into the header at once.
  void TargetTyped(const std::string& text);
  void KindChosen(TargetKind kind) { kind_ = kind; }

  // "Browse ...": the selection dialog for a program or a data queue. Only a
  // chosen, non-blank name replaces the target.
  void Browse();

  // A row clicked (-1 or out of range: none).
  void RowSelected(int row);
  // Insert: a new field before the selected row (at the top without one).
  void InsertBefore();
  // "+" and keypad plus: a new field after the selected row (at the end).
  void InsertAfter();
  // "-", Delete and keypad minus: deletes the selected row; nothing without one.
  void DeleteSelected();
  // "M" and a double-click: modifies the selected row; nothing without one.
  void ModifySelected();
  void KeyPressed(ListKey key);

  // "OK": checks the name and the target (messages, false: the dialog stays
  // open), then completes the header and the rows for saving.
  bool Ok();

 private:
  void EditField(int position, bool isNew);
  void Store(int position, bool isNew, const FieldDialogModel& field);

  platform::UiSink& sink_;
  FieldDialogRunner fieldDialog_;
  ProcHeaderRecord header_;
  std::vector<ProcFieldRecord> rows_;
  std::string procedureName_;
  std::string description_;
  std::string targetText_;
  std::string originalName_;
  TargetKind kind_ = TargetKind::kProgram;
  int selected_ = -1;
};

}  // namespace vantora::procedit

#endif  // VANTORA_TOOLS_PROCEDIT_PROCEDURE_DIALOG_MODEL_H_
