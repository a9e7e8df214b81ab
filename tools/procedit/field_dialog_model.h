// The field dialog "Parameter field edition": one parameter field being
// created or modified, with the rules that tie its host and PC formats.
//
// A view fills the two type lists with kHostTypes and kPcTypes in order,
// shows the state below, forwards each user action, and ends the dialog
// when Ok() answers true. Messages go to the sink given.
#ifndef VANTORA_TOOLS_PROCEDIT_FIELD_DIALOG_MODEL_H_
#define VANTORA_TOOLS_PROCEDIT_FIELD_DIALOG_MODEL_H_

#include <cstdint>
#include <string>

#include "platform/ui_sink.h"
#include "tools/procedit/catalogue_records.h"

namespace vantora::procedit {

class FieldDialogModel {
 public:
  // A new field: empty name, usage In/Out, the check box set, CHAR and
  // CHAR, every number 0.
  explicit FieldDialogModel(platform::UiSink& sink);
  // An existing row; `startsParameter` is the initial check box.
  FieldDialogModel(platform::UiSink& sink, const ProcFieldRecord& row, bool startsParameter);

  const std::string& name() const { return name_; }
  int16_t direction() const { return direction_; }
  bool startsParameter() const { return startsParameter_; }
  int16_t asType() const { return asType_; }
  int16_t asDigits() const { return asDigits_; }
  int16_t asDecimals() const { return asDecimals_; }
  int16_t pcType() const { return pcType_; }
  int16_t pcLength() const { return pcLength_; }
  int16_t pcDecimals() const { return pcDecimals_; }
  // "OK" is enabled while the name is not empty.
  bool okEnabled() const { return !name_.empty(); }
  // The two decimals boxes: enabled for PACK, ZONED, DATE, TIME, TIMESTP.
  bool decimalsEnabled() const;

  // The name box (it takes 10 characters; longer text is cut).
  void NameTyped(const std::string& text);
  // kDirectionIn, kDirectionOut or kDirectionInOut; other values are ignored.
  void UsageChosen(int16_t direction);
  void StartsParameterChecked(bool checked) { startsParameter_ = checked; }
  // A host type picked: its default PC type, fixed digits, forced decimals,
  // and the PC length of the PC type (its fixed length, else the digits).
  void HostTypeChosen(int code);
  // A PC type picked: the PC length becomes its fixed length, else the digits.
  void PcTypeChosen(int code);

  // The number boxes left with `text`. A text that is not an integer from 0
  // to 32767 is refused with "Please enter an integer." and the value kept;
  // the answer is then false.
  bool DigitsLeft(const std::string& text);
  bool AsDecimalsLeft(const std::string& text);
  bool PcLengthLeft(const std::string& text);
  bool PcDecimalsLeft(const std::string& text);

  // "OK": false (with "You must specify a field name") while the name is empty.
  bool Ok();

 private:
  bool ParseInteger(const std::string& text, int16_t* value);
  bool PcLengthVariable() const;

  platform::UiSink& sink_;
  std::string name_;
  int16_t direction_ = kDirectionInOut;
  bool startsParameter_ = true;
  int16_t asType_ = 0;
  int16_t asDigits_ = 0;
  int16_t asDecimals_ = 0;
  int16_t pcType_ = 0;
  int16_t pcLength_ = 0;
  int16_t pcDecimals_ = 0;
};

}  // namespace vantora::procedit

#endif  // VANTORA_TOOLS_PROCEDIT_FIELD_DIALOG_MODEL_H_
