// The text form of a procedure: what it accepts, what it refuses, and
// filling the dialogs from it.
#include "tools/procedit/procedure_json.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tools/procedit/texts.h"
#include "tools/procedit/type_tables.h"

namespace vantora::procedit {
namespace {

TEST(ProcedureJson, ParsesAFullProcedure) {
  ProcedureSpec spec;
  std::string error;
  ASSERT_TRUE(ParseProcedureJson(R"({
      "name": "probe", "description": "Edge cases", "target": "DEMO/PROBE",
      "fields": [
        {"name": "Code", "usage": "in", "digits": 5},
        {"name": "Amount", "usage": "out", "asType": "PACK", "digits": 7, "decimals": 2},
        {"name": "Label", "startsParameter": false, "digits": 10,
         "pcType": "COMP3", "length": 12, "pcDecimals": 1}
      ]})",
                                 &spec, &error))
      << error;
  EXPECT_EQ(spec.name, "probe");
  EXPECT_EQ(spec.kind, TargetKind::kProgram);
  ASSERT_EQ(spec.fields.size(), 3u);
  EXPECT_EQ(spec.fields[0].direction, kDirectionIn);
  EXPECT_EQ(spec.fields[1].asType, HostTypeCode("PACK"));
  EXPECT_EQ(spec.fields[1].decimals, 2);
  EXPECT_EQ(spec.fields[2].direction, kDirectionInOut);
  EXPECT_FALSE(spec.fields[2].startsParameter);
  EXPECT_EQ(spec.fields[2].pcType, PcTypeCode("COMP3"));
  EXPECT_EQ(spec.fields[2].length, 12);
}

TEST(ProcedureJson, Refusals) {
  struct Case {
    const char* text;
    const char* error;  // a part of the message
  } cases[] = {
      {"[", "not a JSON text"},
      {"[1]", "JSON object"},
      {R"({"target": "P"})", "\"name\" is missing"},
      {R"({"name": "", "target": "P"})", "\"name\" is empty"},
      {R"({"name": "A"})", "\"target\" is missing"},
      {R"({"name": "A", "target": "P", "colour": 1})", "unknown member \"colour\""},
      {R"({"name": "A", "target": "P", "kind": "queue"})", "\"kind\""},
      {R"({"name": 5, "target": "P"})", "must be a text"},
      {R"({"name": "A", "target": "P", "fields": {}})", "must be a list"},
      {R"({"name": "A", "target": "P", "fields": [3]})", "field 1: must be a JSON object"},
      {R"({"name": "A", "target": "P", "fields": [{"usage": "in"}]})", "field 1: \"name\""},
      {R"({"name": "A", "target": "P", "fields": [{"name": "ElevenChars"}]})", "more than 10"},
      {R"({"name": "A", "target": "P", "fields": [{"name": "F", "usage": "up"}]})", "\"usage\""},
      {R"({"name": "A", "target": "P", "fields": [{"name": "F", "asType": "char"}]})",
       "unknown \"asType\""},
      {R"({"name": "A", "target": "P", "fields": [{"name": "F", "pcType": "INT"}]})",
       "unknown \"pcType\""},
      {R"({"name": "A", "target": "P", "fields": [{"name": "F", "digits": -1}]})", "0 to 32767"},
      {R"({"name": "A", "target": "P", "fields": [{"name": "F", "digits": 2.5}]})", "0 to 32767"},
      {R"({"name": "A", "target": "P", "fields": [{"name": "F", "startsParameter": 1}]})",
       "true or false"},
      {R"({"name": "A", "target": "P", "fields": [{"name": "F"}, {"name": "G", "x": 1}]})",
       "field 2: unknown member \"x\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ProcedureSpec spec;
    std::string error;
    EXPECT_FALSE(ParseProcedureJson(c.text, &spec, &error));
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
  ProcedureSpec spec;
  std::string error;
  const std::string longDescription =
      R"({"name": "A", "target": "P", "description": ")" + std::string(81, 'd') + "\"}";
  EXPECT_FALSE(ParseProcedureJson(longDescription, &spec, &error));
}

TEST(ProcedureJson, FillsTheDialogsAsAUserWould) {
  ProcedureSpec spec;
  std::string error;
  ASSERT_TRUE(ParseProcedureJson(R"({"name": "stamp", "target": "demo/answer",
      "kind": "dataQueue", "description": "d",
      "fields": [{"name": "Day", "usage": "out", "asType": "DATE", "decimals": 0},
                 {"name": "N", "asType": "BIN4", "startsParameter": false},
                 {"name": "Z", "asType": "ZONED", "digits": 9, "decimals": 3}]})",
                                 &spec, &error))
      << error;
  platform::RecordingSink sink;
  const FieldSpec* pending = nullptr;
  ProcedureDialogModel p(sink, [&pending](FieldDialogModel& f) {
    return pending != nullptr && FillFieldDialog(*pending, f);
  });
  ASSERT_TRUE(FillProcedureDialog(spec, p, &pending));
  ASSERT_TRUE(p.Ok());
  ASSERT_EQ(p.rows().size(), 3u);
  const auto& day = p.rows()[0];
  EXPECT_EQ(day.asDigits, 10);  // DATE sets its digits
  EXPECT_EQ(day.asByteLength, 10);
  EXPECT_EQ(day.pcLength, 10);
  EXPECT_EQ(day.direction, kDirectionOut);
  EXPECT_EQ(p.rows()[1].parameterNo, 1);
  EXPECT_EQ(p.rows()[1].pcType, PcTypeCode("INT 32"));
  EXPECT_EQ(p.rows()[2].parameterNo, 2);
  EXPECT_EQ(p.rows()[2].asByteLength, 9);
  EXPECT_EQ(p.header().targetKind, 'Q');
  EXPECT_EQ(p.header().programLibrary, "DEMO      ");

  // Exported again, it reads back to the same rows.
  const std::string text = ProcedureToJson(p.header(), p.rows());
  const auto document = nlohmann::json::parse(text);
  EXPECT_EQ(document["name"], "STAMP");
  EXPECT_EQ(document["target"], "DEMO/ANSWER");
  EXPECT_EQ(document["kind"], "dataQueue");
  EXPECT_EQ(document["fields"][1]["startsParameter"], false);
  EXPECT_EQ(document["fields"][0]["asType"], "DATE");
  ProcedureSpec again;
  ASSERT_TRUE(ParseProcedureJson(text, &again, &error)) << error;
  ProcedureDialogModel q(sink, [&pending](FieldDialogModel& f) {
    return pending != nullptr && FillFieldDialog(*pending, f);
  });
  ASSERT_TRUE(FillProcedureDialog(again, q, &pending));
  ASSERT_TRUE(q.Ok());
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(EncodeField(q.rows()[i]), EncodeField(p.rows()[i]));
  EXPECT_EQ(EncodeHeader(q.header()), EncodeHeader(p.header()));
}

TEST(ProcedureJson, ARefusedFieldStopsTheFilling) {
  ProcedureSpec spec;
  spec.name = "A";
  spec.target = "P";
  FieldSpec bad;
  bad.name = "";  // the field dialog refuses an empty name
  spec.fields = {bad};
  platform::RecordingSink sink;
  const FieldSpec* pending = nullptr;
  ProcedureDialogModel p(sink, [&pending](FieldDialogModel& f) {
    return pending != nullptr && FillFieldDialog(*pending, f);
  });
  EXPECT_FALSE(FillProcedureDialog(spec, p, &pending));
  ASSERT_FALSE(sink.Messages().empty());
  EXPECT_EQ(sink.Messages()[0].text, text::kNeedFieldName);
}

}  // namespace
}  // namespace vantora::procedit
