#include "tools/procedit/procedure_json.h"

#include <nlohmann/json.hpp>
#include <set>

#include "tools/procedit/type_tables.h"

namespace vantora::procedit {
namespace {

using nlohmann::json;

// A small reader that keeps the first error.
class Reader {
 public:
  explicit Reader(std::string* error) : error_(error) {}
  bool ok() const { return ok_; }
  void Fail(const std::string& why) {
    if (ok_) *error_ = why;
    ok_ = false;
  }
  void OnlyMembers(const json& object, const std::set<std::string>& allowed,
                   const std::string& where) {
    for (const auto& item : object.items()) {
      if (!allowed.count(item.key())) Fail(where + ": unknown member \"" + item.key() + "\"");
    }
  }
  std::string Text(const json& object, const char* key, const std::string& where, size_t maximum,
                   bool required) {
    if (!object.contains(key)) {
      if (required) Fail(where + ": \"" + key + "\" is missing");
      return "";
    }
    if (!object[key].is_string()) {
      Fail(where + ": \"" + key + "\" must be a text");
      return "";
    }
    std::string value = object[key].get<std::string>();
    if (required && value.empty()) Fail(where + ": \"" + key + "\" is empty");
    if (value.size() > maximum) {
      Fail(where + ": \"" + key + "\" has more than " + std::to_string(maximum) + " characters");
    }
    return value;
  }
  std::optional<int> Number(const json& object, const char* key, const std::string& where) {
    if (!object.contains(key)) return std::nullopt;
    const json& v = object[key];
    if (!v.is_number_integer() || v.get<int64_t>() < 0 || v.get<int64_t>() > 32767) {
      Fail(where + ": \"" + key + "\" must be an integer from 0 to 32767");
      return std::nullopt;
    }
    return static_cast<int>(v.get<int64_t>());
  }

 private:
  std::string* error_;
  bool ok_ = true;
};

const char* UsageName(int16_t direction) {
  return direction == kDirectionIn ? "in" : direction == kDirectionOut ? "out" : "inout";
}

}  // namespace

bool ParseProcedureJson(const std::string& text, ProcedureSpec* spec, std::string* error) {
  json document = json::parse(text, nullptr, false);
  if (document.is_discarded()) {
    *error = "not a JSON text";
    return false;
  }
  if (!document.is_object()) {
    *error = "the procedure must be a JSON object";
    return false;
  }
  Reader r(error);
  r.OnlyMembers(document, {"name", "description", "target", "kind", "fields"}, "procedure");
  ProcedureSpec out;
  // The name's length is the procedure dialog's check (with its message).
  out.name = r.Text(document, "name", "procedure", std::string::npos, true);
  out.description = r.Text(document, "description", "procedure", kDescriptionLength, false);
  out.target = r.Text(document, "target", "procedure", kTargetBox, true);
  const std::string kind = r.Text(document, "kind", "procedure", 20, false);
  if (kind == "dataQueue") {
    out.kind = TargetKind::kDataQueue;
  } else if (!kind.empty() && kind != "program") {
    r.Fail("procedure: \"kind\" must be \"program\" or \"dataQueue\"");
  }
  if (document.contains("fields")) {
    if (!document["fields"].is_array()) r.Fail("procedure: \"fields\" must be a list");
    int index = 0;
    for (const json& f : document["fields"].is_array() ? document["fields"] : json::array()) {
      const std::string where = "field " + std::to_string(++index);
      if (!f.is_object()) {
        r.Fail(where + ": must be a JSON object");
        break;
      }
      r.OnlyMembers(f,
                    {"name", "usage", "startsParameter", "asType", "digits", "decimals", "pcType",
                     "length", "pcDecimals"},
                    where);
      FieldSpec field;
      field.name = r.Text(f, "name", where, kNameLength, true);
      const std::string usage = r.Text(f, "usage", where, 10, false);
      if (usage == "in") {
        field.direction = kDirectionIn;
      } else if (usage == "out") {
        field.direction = kDirectionOut;
      } else if (!usage.empty() && usage != "inout") {
        r.Fail(where + ": \"usage\" must be \"in\", \"out\" or \"inout\"");
      }
      if (f.contains("startsParameter")) {
        if (!f["startsParameter"].is_boolean()) {
          r.Fail(where + ": \"startsParameter\" must be true or false");
        } else {
          field.startsParameter = f["startsParameter"].get<bool>();
        }
      }
      const std::string asType = r.Text(f, "asType", where, 10, false);
      if (!asType.empty()) {
        field.asType = HostTypeCode(asType);
        if (field.asType < 0) r.Fail(where + ": unknown \"asType\" \"" + asType + "\"");
      }
      field.digits = r.Number(f, "digits", where);
      field.decimals = r.Number(f, "decimals", where);
      if (f.contains("pcType")) {
        const std::string pcType = r.Text(f, "pcType", where, 10, true);
        field.pcType = PcTypeCode(pcType);
        if (*field.pcType < 0) r.Fail(where + ": unknown \"pcType\" \"" + pcType + "\"");
      }
      field.length = r.Number(f, "length", where);
      field.pcDecimals = r.Number(f, "pcDecimals", where);
      out.fields.push_back(field);
    }
  }
  if (!r.ok()) return false;
  *spec = std::move(out);
  return true;
}

std::string ProcedureToJson(const ProcHeaderRecord& header,
                            const std::vector<ProcFieldRecord>& rows) {
  json document = json::object();
  document["name"] = TrimRight(header.procName);
  document["description"] = TrimRight(header.description);
  document["target"] = TargetText(header.programLibrary, header.programName);
  document["kind"] = header.targetKind == kTargetDataQueue ? "dataQueue" : "program";
  json fields = json::array();
  for (size_t i = 0; i < rows.size(); ++i) {
    const ProcFieldRecord& r = rows[i];
    json f = json::object();
    f["name"] = TrimRight(r.fieldName);
    f["usage"] = UsageName(r.direction);
    f["startsParameter"] = i == 0 || r.parameterNo != rows[i - 1].parameterNo;
    f["asType"] = HostTypeName(r.asType);
    f["digits"] = r.asDigits;
    f["decimals"] = r.asDecimals;
    f["pcType"] = PcTypeName(r.pcType);
    f["length"] = r.pcLength;
    f["pcDecimals"] = r.pcDecimals;
    fields.push_back(std::move(f));
  }
  document["fields"] = std::move(fields);
  return document.dump(2) + "\n";
}

bool FillFieldDialog(const FieldSpec& spec, FieldDialogModel& field) {
  field.NameTyped(spec.name);
  field.UsageChosen(spec.direction);
  field.StartsParameterChecked(spec.startsParameter);
  field.HostTypeChosen(spec.asType);
  // Types with fixed digits set them when picked; the text form then
  // carries the same value.
  if (spec.digits && !field.DigitsLeft(std::to_string(*spec.digits))) return false;
  if (spec.decimals && !field.AsDecimalsLeft(std::to_string(*spec.decimals))) return false;
  if (spec.pcType) field.PcTypeChosen(*spec.pcType);
  if (spec.length && !field.PcLengthLeft(std::to_string(*spec.length))) return false;
  if (spec.pcDecimals && !field.PcDecimalsLeft(std::to_string(*spec.pcDecimals))) return false;
  return field.Ok();
}

bool FillProcedureDialog(const ProcedureSpec& spec, ProcedureDialogModel& procedure,
                         const FieldSpec** pending) {
  procedure.NameTyped(spec.name);
  procedure.DescriptionTyped(spec.description);
  procedure.TargetTyped(spec.target);
  procedure.KindChosen(spec.kind);
  for (const FieldSpec& field : spec.fields) {
    procedure.RowSelected(static_cast<int>(procedure.rows().size()) - 1);
    *pending = &field;
    const size_t before = procedure.rows().size();
    procedure.InsertAfter();
    if (procedure.rows().size() == before) {
      *pending = nullptr;
      return false;
    }
  }
  *pending = nullptr;
  return true;
}

}  // namespace vantora::procedit
