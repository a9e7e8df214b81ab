#include "protocol/host_messages.h"

#include <algorithm>

namespace vantora::wire {
namespace {

constexpr MessageDescription kSystemMessages[] = {
    {"CPD0006", "Parentheses in the command do not pair up."},
    {"CPD0013", "Name &1 is not a valid name."},
    {"CPD0014", "A quoted string has no closing apostrophe."},
    {"CPD0020", "Character &1 is not valid in the command."},
    {"CPD0030", "Command &1 in library &2 not found."},
    {"CPD0031", "Value &1 is too long for its parameter."},
    {"CPD0043", "Keyword &1 not valid for this command."},
    {"CPD0044", "Parameter &1 is given more than once."},
    {"CPD0071", "More positional values are given than the command takes."},
    {"CPD0072", "Parameter &1 is required with the values given."},
    {"CPD0075", "Value &1 for parameter &2 is not a number."},
    {"CPD0078", "Value &1 for parameter &2 is not allowed here."},
    {"CPD0084", "Special value &1 for parameter &2 is not valid."},
    {"CPD0085", "Value &1 for parameter &2 is not a valid name."},
    {"CPD0086", "Text for parameter &1 is longer than &2 characters."},
    {"CPD3104", "The selection &1 cannot be read at &2."},
    {"CPD3105", "Field &1 in the selection is not in the file."},
    {"CPD3108", "Value &1 cannot be compared with field &2."},
    {"CPD3109", "Operation &1 in the selection is not valid."},
    {"CPD3110", "Date, time or timestamp value &1 in the selection is not valid."},
    {"CPF1321", "Job &1 user &2 number &3 not found."},
    {"CPF2104", "Library &1 is not in the library list."},
    {"CPF2103", "Library &1 already exists in the library list."},
    {"CPF2105", "Object &1 in &2 type *&3 not found."},
    {"CPF2110", "Library &1 not found."},
    {"CPF2111", "Library &1 already exists."},
    {"CPF2112", "Object &1 in &2 type *&3 already exists."},
    {"CPF2204", "User profile &1 not found."},
    {"CPF22E2", "Password not correct for user profile &1."},
    {"CPF2407", "Message file &2 in &3 not found."},
    {"CPF2419", "Message identifier &1 not found in message file &2 in &3."},
    {"CPF3133", "File &1 in library &2 is not a physical data file."},
    {"CPF3202", "File &1 in library &2 is in use."},
    {"CPF3C21", "Format name &1 for API &2 not valid."},
    {"CPF3C24", "Length of the receiver variable is not valid."},
    {"CPF3CF1", "Error code parameter not valid."},
    {"CPF4101", "File &1 in library &2 not found or inline data file missing."},
    {"CPF4128", "Access path of file &1 in library &2 is not valid for this request."},
    {"CPF4174", "Open identifier &1 is already in use."},
    {"CPF4194", "The file was not opened for this kind of request."},
    {"CPF4520", "No file is open with identifier &1."},
    {"CPF5001", "End of file detected for file &1 in &2."},
    {"CPF5006", "Record not found for member &3 of file &1 in &2."},
    {"CPF5008", "Record number &4 of file &1 in &2 already holds a record."},
    {"CPF5013", "No current record for file &1 in &2."},
    {"CPF5025", "Beginning of file detected for file &1 in &2."},
    {"CPF5026", "Duplicate key for member &3 of file &1 in &2."},
    {"CPF5027", "Record in use by job &4 for file &1 in &2."},
    {"CPF5029", "Data mapping error on member &3 of file &1 in &2."},
    {"CPF5030", "I/O error on member &3 of file &1 in &2; the change was not made."},
    {"CPF5034", "Duplicate key in another member's access path of file &1 in &2."},
    {"CPF5184", "No storage left for member &3 of file &1 in &2; the change was not made."},
    {"CPF7302", "File &1 not created in library &2."},
    {"CPF8350", "Commitment control is not active."},
    {"CPF8351", "Commitment control is already active."},
    {"CPF8101", "All access paths over file &1 in &2 are damaged."},
    {"CPF9502", "Data queue &1 in &2 is not a keyed data queue."},
    {"CPF9503", "Data queue &1 in &2 cannot be used: the entry is longer than the queue allows."},
    {"CPF9505", "Key length &3 not valid for data queue &1 in &2."},
    {"CPF9801", "Object &2 in library &3 not found."},
    {"CPF9810", "Library &1 not found."},
    {"CPF9811", "Program &1 in library &2 not found."},
    {"CPF9820", "Not authorized to use library &1."},
    {"CPF9841", "No override found for file &1."},
    {"CPF9870", "Object &2 type *&5 already exists in library &3."},
    {"CPF9898", "&1."},
    {"CPF9899", "Error occurred while processing the command."},
    {"CPF3C4A", "Program &1 did not answer within &2 seconds and was ended."},
    {"CPF3C4B", "Program &1 ended with status &2."},
    {"CPF3C90", "Literal value &1 cannot be changed to a value the API accepts."},
    {"MCH1210", "Receiver value too small to hold the result."},
    {"MCH1212", "A decimal value is not valid."},
};

constexpr MessageDescription kSqlMessages[] = {
    {"SQL0007", "Character &1 (hexadecimal &2) not valid in the statement."},
    {"SQL0010", "String constant beginning &1 not delimited."},
    {"SQL0084", "Statement &1 not allowed here."},
    {"SQL0100", "Row not found for &1."},
    {"SQL0101", "Statement too long or too complex."},
    {"SQL0104", "Token &1 was not valid."},
    {"SQL0107", "Name &1 too long."},
    {"SQL0117", "Statement inserts a wrong number of values."},
    {"SQL0150", "View or logical file &1 cannot be changed."},
    {"SQL0156", "&1 is not a table."},
    {"SQL0180", "Syntax of a date, time or timestamp value not valid."},
    {"SQL0181", "Value in a date, time or timestamp string not valid."},
    {"SQL0203", "Name &1 is ambiguous."},
    {"SQL0204", "&1 in &2 type *&3 not found."},
    {"SQL0205", "Column &1 not in table &2 in &3."},
    {"SQL0206", "Column or global variable &1 not found."},
    {"SQL0301", "Input host variable or parameter of type &1 not valid."},
    {"SQL0302", "Conversion error on the value of host variable or parameter &2."},
    {"SQL0313", "Number of host variables or parameters not valid."},
    {"SQL0406", "Conversion error on the value &1: it does not fit its column."},
    {"SQL0407", "Null values are not allowed in column &1."},
    {"SQL0420", "Character &1 is not a number."},
    {"SQL0478", "&1 cannot be dropped: other objects depend on it."},
    {"SQL0501", "Cursor &1 not open."},
    {"SQL0502", "Cursor &1 already open."},
    {"SQL0504", "Cursor &1 not declared."},
    {"SQL0508", "Cursor &1 not positioned on a row it can change."},
    {"SQL0509", "Table &1 is not the table of the cursor."},
    {"SQL0510", "The cursor's rows cannot be changed."},
    {"SQL0514", "Prepared statement &1 not found."},
    {"SQL0519", "Prepared statement &2 in use by cursor &1."},
    {"SQL0601", "&1 in &2 type *&3 already exists."},
    {"SQL0603", "Unique index &1 cannot be created: rows with duplicate keys exist."},
    {"SQL0604", "Attributes of column &1 not valid."},
    {"SQL0612", "Column &1 is given more than once."},
    {"SQL0624", "Table &1 already has a primary key."},
    {"SQL0666", "The statement ran longer than the time limit and was ended."},
    {"SQL0802", "A result value does not fit its column."},
    {"SQL0803", "Duplicate key value specified."},
    {"SQL0811", "Result of a SELECT INTO or subquery is more than one row."},
    {"SQL0901", "SQL system error: &1."},
    {"SQL0904", "Resource limit exceeded: &1."},
    {"SQL0913", "Row or object &1 in &2 type *&3 in use."},
    {"SQL7008", "&1 in &2 not valid for the operation."},
    {"SQL7017", "Commitment control is already active for the job."},
};

}  // namespace

std::span<const MessageDescription> MessagesOf(std::string_view file) {
  if (file == kSystemMessageFile) return kSystemMessages;
  if (file == kSqlMessageFile) return kSqlMessages;
  return {};
}

const MessageDescription* FindMessage(std::string_view file, std::string_view id) {
  for (const MessageDescription& m : MessagesOf(file)) {
    if (id == m.id) return &m;
  }
  return nullptr;
}

std::string SubstituteMessage(std::string_view text, std::span<const uint8_t> data) {
  std::vector<std::string> values;
  if (!data.empty()) {
    values.emplace_back();
    for (uint8_t b : data) {
      if (b == kSubstitutionSeparator) {
        values.emplace_back();
      } else {
        values.back() += static_cast<char>(b);
      }
    }
  }
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      size_t n = static_cast<size_t>(text[i + 1] - '1');
      if (n < values.size()) {
        // Fixed-width values arrive blank-padded; the text reads better without.
        std::string_view v = values[n];
        while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
        out += v;
      }
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace vantora::wire
