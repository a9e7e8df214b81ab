#include "tools/procedit/procedure_dialog_model.h"

#include <algorithm>
#include <cstdio>

#include "mv432slf.h"
#include "tools/procedit/texts.h"
#include "tools/procedit/type_tables.h"

namespace vantora::procedit {
namespace {

bool Blank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\0'; });
}

char KindLetter(TargetKind kind) {
  return kind == TargetKind::kDataQueue ? kTargetDataQueue : kTargetProgram;
}

}  // namespace

std::string TargetText(const std::string& library, const std::string& program) {
  const std::string lib = TrimRight(library);
  return lib.empty() ? TrimRight(program) : lib + "/" + TrimRight(program);
}

void SplitTarget(const std::string& text, std::string* library, std::string* program) {
  const size_t slash = text.find('/');
  const std::string lib = slash == std::string::npos ? "" : text.substr(0, slash);
  const std::string pgm = slash == std::string::npos ? text : text.substr(slash + 1);
  *library = UpperCase(FixedText(lib, kNameLength));
  *program = UpperCase(FixedText(pgm, kNameLength));
}

std::string FieldRowText(const std::vector<ProcFieldRecord>& rows, size_t index) {
  const ProcFieldRecord& r = rows[index];
  char part[64];
  std::string line;
  if (index == 0 || r.parameterNo != rows[index - 1].parameterNo) {
    std::snprintf(part, sizeof part, "%2d\t ", r.parameterNo);
    line += part;
  } else {
    line += "  \t ";
  }
  line += FixedText(r.fieldName, kNameLength) + "\t ";
  line += r.direction == kDirectionIn    ? " I  \t "
          : r.direction == kDirectionOut ? " O \t "
                                         : "I/O\t ";
  line += HostTypeName(r.asType) + "\t ";
  std::snprintf(part, sizeof part, "%2d:%d\t(%d)", r.asDigits, r.asDecimals, r.asByteLength);
  line += std::string(part) + "\t ";
  line += PcTypeName(r.pcType) + "\t ";
  std::snprintf(part, sizeof part, "%2d:%d", r.pcLength, r.pcDecimals);
  line += std::string(part) + "\t ";
  return line;
}

std::array<std::string, kFieldListColumns> FieldRowCells(const std::vector<ProcFieldRecord>& rows,
                                                         size_t index) {
  const ProcFieldRecord& r = rows[index];
  char part[64];
  std::array<std::string, kFieldListColumns> cells;
  if (index == 0 || r.parameterNo != rows[index - 1].parameterNo) {
    std::snprintf(part, sizeof part, "%2d", r.parameterNo);
    cells[0] = part;
  }
  cells[1] = FixedText(r.fieldName, kNameLength);
  cells[2] = r.direction == kDirectionIn ? "I" : r.direction == kDirectionOut ? "O" : "I/O";
  std::snprintf(part, sizeof part, "%-7s %5d:%-2d (%d)", HostTypeName(r.asType).c_str(), r.asDigits,
                r.asDecimals, r.asByteLength);
  cells[3] = part;
  std::snprintf(part, sizeof part, "%-6s %5d:%d", PcTypeName(r.pcType).c_str(), r.pcLength,
                r.pcDecimals);
  cells[4] = part;
  return cells;
}

ProcedureDialogModel::ProcedureDialogModel(platform::UiSink& sink, FieldDialogRunner fieldDialog)
    : sink_(sink), fieldDialog_(std::move(fieldDialog)) {}

void ProcedureDialogModel::Load(const ProcHeaderRecord& header, std::vector<ProcFieldRecord> rows) {
  header_ = header;
  rows_ = std::move(rows);
  procedureName_ = TrimRight(header.procName);
  originalName_ = procedureName_;
  description_ = TrimRight(header.description);
  targetText_ = TargetText(header.programLibrary, header.programName);
  kind_ = header.targetKind == kTargetDataQueue ? TargetKind::kDataQueue : TargetKind::kProgram;
  selected_ = -1;
}

std::vector<std::string> ProcedureDialogModel::rowTexts() const {
  std::vector<std::string> lines;
  for (size_t i = 0; i < rows_.size(); ++i) lines.push_back(FieldRowText(rows_, i));
  return lines;
}

std::vector<std::array<std::string, kFieldListColumns>> ProcedureDialogModel::rowCells() const {
  std::vector<std::array<std::string, kFieldListColumns>> cells;
  for (size_t i = 0; i < rows_.size(); ++i) cells.push_back(FieldRowCells(rows_, i));
  return cells;
}

void ProcedureDialogModel::DescriptionTyped(const std::string& text) {
  description_ = text.substr(0, kDescriptionBox);
}

void ProcedureDialogModel::TargetTyped(const std::string& text) {
  targetText_ = text;
  SplitTarget(text, &header_.programLibrary, &header_.programName);
}

void ProcedureDialogModel::Browse() {
  const char kind = KindLetter(kind_);
  if (kind != header_.targetKind) VNXChoixLibFichier("*CLEAR");
  header_.targetKind = kind;
  VNXChoixLibFichierSetPgmMode(kind_ == TargetKind::kDataQueue ? 2 : 1);
  if (VNXChoixLibFichier(nullptr) != 1) return;
  char library[kNameLength];
  char name[kNameLength];
  int32_t scratch = 0;
  std::fill(std::begin(library), std::end(library), ' ');
  std::fill(std::begin(name), std::end(name), ' ');
  if (VNXChoixLibFichierData(library, name, &scratch) != 1) return;
  const std::string chosen(name, kNameLength);
  if (Blank(chosen)) return;  // nothing chosen: the target stays as it was
  header_.programLibrary = std::string(library, kNameLength);
  header_.programName = chosen;
  targetText_ = TargetText(header_.programLibrary, header_.programName);
}

void ProcedureDialogModel::RowSelected(int row) {
  selected_ = row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1;
}

void ProcedureDialogModel::InsertBefore() {
  EditField(selected_ < 0 ? 0 : selected_, true);
}

void ProcedureDialogModel::InsertAfter() {
  EditField(selected_ < 0 ? static_cast<int>(rows_.size()) : selected_ + 1, true);
}

void ProcedureDialogModel::ModifySelected() {
  if (selected_ >= 0) EditField(selected_, false);
}

void ProcedureDialogModel::DeleteSelected() {
  if (selected_ < 0) return;
  const auto position = static_cast<size_t>(selected_);
  const int16_t number = rows_[position].parameterNo;
  bool shared = false;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (i != position && rows_[i].parameterNo == number) shared = true;
  }
  rows_.erase(rows_.begin() + selected_);
  if (!shared) {
    for (size_t i = position; i < rows_.size(); ++i) --rows_[i].parameterNo;
  }
  RowSelected(std::min(selected_, static_cast<int>(rows_.size()) - 1));
}

void ProcedureDialogModel::KeyPressed(ListKey key) {
  switch (key) {
    case ListKey::kInsert:
      InsertBefore();
      break;
    case ListKey::kKeypadPlus:
      InsertAfter();
      break;
    case ListKey::kDelete:
    case ListKey::kKeypadMinus:
      DeleteSelected();
      break;
  }
}

void ProcedureDialogModel::EditField(int position, bool isNew) {
  const auto p = static_cast<size_t>(position);
  FieldDialogModel field =
      isNew ? FieldDialogModel(sink_)
            : FieldDialogModel(sink_, rows_[p],
                               p == 0 || rows_[p].parameterNo > rows_[p - 1].parameterNo);
  if (!fieldDialog_ || !fieldDialog_(field)) return;
  Store(position, isNew, field);
  RowSelected(position);
}

void ProcedureDialogModel::Store(int position, bool isNew, const FieldDialogModel& field) {
  const auto p = static_cast<size_t>(position);
  ProcFieldRecord row;
  row.procName = header_.procName;
  row.fieldName = FixedText(field.name(), kNameLength);
  row.direction = field.direction();
  row.asType = field.asType();
  row.asDigits = field.asDigits();
  row.asDecimals = field.asDecimals();
  row.asByteLength = DerivedByteLength(field.asType(), field.asDigits());
  row.pcType = field.pcType();
  row.pcLength = field.pcLength();
  row.pcDecimals = field.pcDecimals();

  int oldNumber = -1;
  bool onlyField = false;
  if (isNew) {
    rows_.insert(rows_.begin() + position, row);
  } else {
    oldNumber = rows_[p].parameterNo;
    onlyField = true;
    for (size_t i = 0; i < rows_.size(); ++i) {
      if (i != p && rows_[i].parameterNo == oldNumber) onlyField = false;
    }
    rows_[p] = row;
  }
  const int previous = p > 0 ? rows_[p - 1].parameterNo : 0;
  int number = 1;
  int shift = 0;
  if (field.startsParameter()) {
    number = p == 0 ? 1 : previous + 1;
    if (isNew || (p > 0 && oldNumber != number)) shift = 1;
  } else {
    number = p == 0 ? 1 : previous;
    if (!isNew && p > 0 && onlyField) shift = -1;
  }
  rows_[p].parameterNo = static_cast<int16_t>(number);
  for (size_t i = p + 1; i < rows_.size(); ++i) {
    rows_[i].parameterNo = static_cast<int16_t>(rows_[i].parameterNo + shift);
  }
}

bool ProcedureDialogModel::Ok() {
  if (procedureName_.empty()) {
    sink_.Message(text::kProgramTitle, text::kNeedProcedureName, platform::MessageKind::kWarning);
    return false;
  }
  if (procedureName_.size() > static_cast<size_t>(kNameLength)) {
    sink_.Message(text::kProgramTitle, text::kNameTooLong, platform::MessageKind::kWarning);
    return false;
  }
  std::string library;
  std::string program;
  SplitTarget(targetText_, &library, &program);
  if (targetText_.empty() || Blank(program)) {
    sink_.Message(text::kProgramTitle, text::kNeedProgramName, platform::MessageKind::kWarning);
    return false;
  }
  const size_t slash = targetText_.find('/');
  const size_t libraryLength = slash == std::string::npos ? 0 : slash;
  const size_t programLength =
      slash == std::string::npos ? targetText_.size() : targetText_.size() - slash - 1;
  if (libraryLength > static_cast<size_t>(kNameLength) ||
      programLength > static_cast<size_t>(kNameLength)) {
    sink_.Message(text::kProgramTitle, text::kTargetTooLong, platform::MessageKind::kWarning);
    return false;
  }
  header_.procName = FixedText(UpperCase(procedureName_), kNameLength);
  header_.description = FixedText(description_, kDescriptionLength);
  header_.reserved = "   ";
  header_.targetKind = KindLetter(kind_);
  for (size_t i = 0; i < rows_.size(); ++i) {
    rows_[i].rowSequence = static_cast<int16_t>(i);
    rows_[i].procName = header_.procName;
  }
  header_.fieldCount = static_cast<int16_t>(rows_.size());
  header_.parameterCount = rows_.empty() ? int16_t{0} : rows_.back().parameterNo;
  return true;
}

}  // namespace vantora::procedit
