// The procedure dialog: parameter numbering through inserts, changes and
// deletes, the field list's lines, the target text and the checks of OK.
#include "tools/procedit/procedure_dialog_model.h"

#include <gtest/gtest.h>

#include <deque>

#include "tools/procedit/texts.h"
#include "tools/procedit/type_tables.h"

namespace vantora::procedit {
namespace {

// Answers each field dialog with the next scripted edit (OK), or Cancel
// when none is left.
class ScriptedFields {
 public:
  struct Edit {
    std::string name;
    bool startsParameter = true;
    bool ok = true;
  };
  FieldDialogRunner Runner() {
    return [this](FieldDialogModel& f) {
      ++opened;
      if (edits.empty()) return false;
      Edit e = edits.front();
      edits.pop_front();
      lastStartsParameter = f.startsParameter();
      lastName = f.name();
      if (!e.name.empty()) f.NameTyped(e.name);
      f.StartsParameterChecked(e.startsParameter);
      return e.ok && f.Ok();
    };
  }
  std::deque<Edit> edits;
  int opened = 0;
  bool lastStartsParameter = false;
  std::string lastName;
};

std::vector<int> Numbers(const ProcedureDialogModel& p) {
  std::vector<int> out;
  for (const auto& r : p.rows()) out.push_back(r.parameterNo);
  return out;
}

std::vector<std::string> Names(const ProcedureDialogModel& p) {
  std::vector<std::string> out;
  for (const auto& r : p.rows()) out.push_back(TrimRight(r.fieldName));
  return out;
}

// A procedure whose rows A, B, ... carry `numbers`.
void Build(ProcedureDialogModel& p, ScriptedFields& fields, const std::vector<int>& numbers) {
  int previous = 0;
  for (size_t i = 0; i < numbers.size(); ++i) {
    fields.edits.push_back({std::string(1, static_cast<char>('A' + i)), numbers[i] != previous});
    p.RowSelected(static_cast<int>(i) - 1);
    p.InsertAfter();
    previous = numbers[i];
  }
  ASSERT_EQ(Numbers(p), numbers);
}

TEST(ProcedureDialogModel, Numbering) {
  enum class Op { kDelete, kInsertBefore, kInsertAfter, kModify };
  struct Case {
    const char* what;
    std::vector<int> start;
    Op op;
    int row;  // selected row, -1 none
    bool check;
    std::vector<int> expected;
  } cases[] = {
      {"delete the third of 1 2 2 3", {1, 2, 2, 3}, Op::kDelete, 2, false, {1, 2, 3}},
      {"delete the second of 1 2 2 3", {1, 2, 2, 3}, Op::kDelete, 1, false, {1, 2, 3}},
      {"delete the first of 1 2 2 3", {1, 2, 2, 3}, Op::kDelete, 0, false, {1, 1, 2}},
      {"insert at the top, checked", {1, 2}, Op::kInsertBefore, -1, true, {1, 2, 3}},
      {"insert at the top, clear", {1, 2}, Op::kInsertBefore, -1, false, {1, 1, 2}},
      {"clear the second of 1 2 3", {1, 2, 3}, Op::kModify, 1, false, {1, 1, 2}},
      {"check the second of 1 1 2", {1, 1, 2}, Op::kModify, 1, true, {1, 2, 3}},
      {"check a row already starting", {1, 2, 3}, Op::kModify, 1, true, {1, 2, 3}},
      {"clear a row continuing", {1, 1, 2}, Op::kModify, 1, false, {1, 1, 2}},
      {"clear a row sharing its number", {1, 2, 2}, Op::kModify, 1, false, {1, 1, 2}},
      {"insert after the first, checked", {1, 2}, Op::kInsertAfter, 0, true, {1, 2, 3}},
      {"insert after the first, clear", {1, 2}, Op::kInsertAfter, 0, false, {1, 1, 2}},
      {"append checked", {1, 1}, Op::kInsertAfter, -1, true, {1, 1, 2}},
      {"append clear", {1, 1}, Op::kInsertAfter, -1, false, {1, 1, 1}},
      {"insert before the second, checked", {1, 2, 3}, Op::kInsertBefore, 1, true, {1, 2, 3, 4}},
      {"clear the first row", {1, 2}, Op::kModify, 0, false, {1, 2}},
      {"delete the only row", {1}, Op::kDelete, 0, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::RecordingSink sink;
    ScriptedFields fields;
    ProcedureDialogModel p(sink, fields.Runner());
    Build(p, fields, c.start);
    p.RowSelected(c.row);
    fields.edits.push_back({"NEW", c.check});
    switch (c.op) {
      case Op::kDelete:
        p.DeleteSelected();
        break;
      case Op::kInsertBefore:
        p.InsertBefore();
        break;
      case Op::kInsertAfter:
        p.InsertAfter();
        break;
      case Op::kModify:
        p.ModifySelected();
        break;
    }
    EXPECT_EQ(Numbers(p), c.expected);
  }
}

TEST(ProcedureDialogModel, InsertPositionsAndTheSelectionAfter) {
  platform::RecordingSink sink;
  ScriptedFields fields;
  ProcedureDialogModel p(sink, fields.Runner());
  Build(p, fields, {1, 2, 3});
  fields.edits.push_back({"TOP"});
  p.RowSelected(-1);
  p.KeyPressed(ListKey::kInsert);  // at the top without a selection
  EXPECT_EQ(Names(p), (std::vector<std::string>{"TOP", "A", "B", "C"}));
  EXPECT_EQ(p.selectedRow(), 0);
  fields.edits.push_back({"END"});
  p.RowSelected(-1);
  p.KeyPressed(ListKey::kKeypadPlus);  // at the end without a selection
  EXPECT_EQ(Names(p).back(), "END");
  EXPECT_EQ(p.selectedRow(), 4);
  fields.edits.push_back({"MID"});
  p.RowSelected(1);
  p.InsertBefore();
  EXPECT_EQ(Names(p), (std::vector<std::string>{"TOP", "MID", "A", "B", "C", "END"}));
  EXPECT_EQ(p.selectedRow(), 1);
  p.RowSelected(5);
  p.KeyPressed(ListKey::kKeypadMinus);  // deleting the last row selects the new last
  EXPECT_EQ(p.selectedRow(), 4);
  p.KeyPressed(ListKey::kDelete);
  EXPECT_EQ(Names(p), (std::vector<std::string>{"TOP", "MID", "A", "B"}));
  EXPECT_EQ(Numbers(p), (std::vector<int>{1, 2, 3, 4}));
  // A cancelled field dialog changes nothing.
  p.RowSelected(0);
  p.InsertAfter();
  EXPECT_EQ(p.rows().size(), 4u);
}

TEST(ProcedureDialogModel, DeleteAndModifyWithoutASelectionDoNothing) {
  platform::RecordingSink sink;
  ScriptedFields fields;
  ProcedureDialogModel p(sink, fields.Runner());
  Build(p, fields, {1, 2});
  const int opened = fields.opened;
  p.RowSelected(-1);
  p.DeleteSelected();
  p.KeyPressed(ListKey::kDelete);
  p.KeyPressed(ListKey::kKeypadMinus);
  p.ModifySelected();
  p.RowSelected(9);  // out of range: none
  EXPECT_EQ(p.selectedRow(), -1);
  p.ModifySelected();
  EXPECT_EQ(Numbers(p), (std::vector<int>{1, 2}));
  EXPECT_EQ(fields.opened, opened);
}

TEST(ProcedureDialogModel, ModifyOpensTheRowWithItsCheckBox) {
  platform::RecordingSink sink;
  ScriptedFields fields;
  ProcedureDialogModel p(sink, fields.Runner());
  Build(p, fields, {1, 1, 2});
  struct Case {
    int row;
    bool checked;
  } cases[] = {{0, true}, {1, false}, {2, true}};
  for (const Case& c : cases) {
    fields.edits.push_back({"", c.checked, false});  // Cancel after looking
    p.RowSelected(c.row);
    p.ModifySelected();
    EXPECT_EQ(fields.lastStartsParameter, c.checked) << c.row;
    EXPECT_EQ(fields.lastName, std::string(1, static_cast<char>('A' + c.row)));
  }
}

TEST(ProcedureDialogModel, FieldListLines) {
  platform::RecordingSink sink;
  ProcedureDialogModel p(sink, [](FieldDialogModel& f) {
    static int n = 0;
    switch (n++) {
      case 0:
        f.NameTyped("Code");
        f.UsageChosen(kDirectionIn);
        f.DigitsLeft("5");
        break;
      case 1:
        f.NameTyped("Amount");
        f.UsageChosen(kDirectionOut);
        f.HostTypeChosen(HostTypeCode("PACK"));
        f.DigitsLeft("7");
        f.AsDecimalsLeft("2");
        break;
      default:
        f.NameTyped("Label");
        f.StartsParameterChecked(false);
        f.DigitsLeft("10");
        break;
    }
    return f.Ok();
  });
  for (int i = 0; i < 3; ++i) {
    p.RowSelected(i - 1);
    p.InsertAfter();
  }
  const auto lines = p.rowTexts();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], " 1\t Code      \t  I  \t CHAR\t  5:0\t(5)\t CHAR\t  5:0\t ");
  EXPECT_EQ(lines[1], " 2\t Amount    \t  O \t PACK\t  7:2\t(4)\t DOUBLE\t  8:0\t ");
  EXPECT_EQ(lines[2], "  \t Label     \t I/O\t CHAR\t 10:0\t(10)\t CHAR\t 10:0\t ");
}

// The field list's cells: one per caption, the numbers in line.
TEST(ProcedureDialogModel, FieldListCells) {
  auto row = [](int parameter, const char* name, int16_t direction, const char* asType, int digits,
                int decimals, const char* pcType, int length) {
    ProcFieldRecord r;
    r.parameterNo = static_cast<int16_t>(parameter);
    r.fieldName = name;
    r.direction = direction;
    r.asType = static_cast<int16_t>(HostTypeCode(asType));
    r.asDigits = static_cast<int16_t>(digits);
    r.asDecimals = static_cast<int16_t>(decimals);
    r.asByteLength = DerivedByteLength(r.asType, r.asDigits);
    r.pcType = static_cast<int16_t>(PcTypeCode(pcType));
    r.pcLength = static_cast<int16_t>(length);
    return r;
  };
  const std::vector<ProcFieldRecord> rows = {
      row(1, "Code", kDirectionIn, "CHAR", 5, 0, "CHAR", 5),
      row(2, "Amount", kDirectionOut, "PACK", 7, 2, "DOUBLE", 8),
      row(2, "Label", kDirectionInOut, "CHAR", 32767, 0, "CHAR", 32767),
      row(3, "When", kDirectionInOut, "TIMESTP", 26, 0, "INT 32", 4),
  };
  const std::array<std::string, kFieldListColumns> expected[] = {
      {" 1", "Code      ", "I", "CHAR        5:0  (5)", "CHAR       5:0"},
      {" 2", "Amount    ", "O", "PACK        7:2  (4)", "DOUBLE     8:0"},
      {"", "Label     ", "I/O", "CHAR    32767:0  (32767)", "CHAR   32767:0"},
      {" 3", "When      ", "I/O", "TIMESTP    26:0  (26)", "INT 32     4:0"},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(FieldRowCells(rows, i), expected[i]) << i;
  }
}

TEST(ProcedureDialogModel, TargetTextSplitsAtOnce) {
  struct Case {
    const char* text;
    const char* library;
    const char* program;
  } cases[] = {{"demo/addtax", "DEMO      ", "ADDTAX    "},
               {"addtax", "          ", "ADDTAX    "},
               {"LIB/", "LIB       ", "          "},
               {"/PGM", "          ", "PGM       "},
               {"A/B/C", "A         ", "B/C       "},
               {"LONGLIBRARYNAME/P", "LONGLIBRAR", "P         "}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    platform::RecordingSink sink;
    ProcedureDialogModel p(sink, nullptr);
    p.TargetTyped(c.text);
    EXPECT_EQ(p.header().programLibrary, c.library);
    EXPECT_EQ(p.header().programName, c.program);
  }
  EXPECT_EQ(TargetText("DEMO      ", "ADDTAX    "), "DEMO/ADDTAX");
  EXPECT_EQ(TargetText("          ", "ADDTAX    "), "ADDTAX");
}

TEST(ProcedureDialogModel, OkChecksThenCompletesHeaderAndRows) {
  struct Case {
    const char* name;
    const char* target;
    const char* message;  // null: accepted
  } cases[] = {
      {"", "DEMO/ADDTAX", text::kNeedProcedureName},
      {"TAX", "", text::kNeedProgramName},
      {"TAX", "DEMO/", text::kNeedProgramName},
      {"TAX", "DEMO/   ", text::kNeedProgramName},
      {"ELEVENCHARS", "DEMO/ADDTAX", text::kNameTooLong},
      {"TAX", "DEMO/PROGRAMNAME1", text::kTargetTooLong},
      {"TAX", "LIBRARYNAME/P", text::kTargetTooLong},
      {"tax", "demo/addtax", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.target);
    platform::RecordingSink sink;
    ScriptedFields fields;
    ProcedureDialogModel p(sink, fields.Runner());
    p.NameTyped(c.name);
    p.TargetTyped(c.target);
    p.DescriptionTyped(std::string(90, 'x'));
    EXPECT_EQ(p.description().size(), 80u);
    if (c.message != nullptr) {
      EXPECT_FALSE(p.Ok());
      ASSERT_EQ(sink.Messages().size(), 1u);
      EXPECT_EQ(sink.Messages()[0].text, c.message);
      continue;
    }
    Build(p, fields, {1, 2, 2});
    p.KindChosen(TargetKind::kDataQueue);
    ASSERT_TRUE(p.Ok());
    EXPECT_TRUE(sink.Messages().empty());
    const ProcHeaderRecord& h = p.header();
    EXPECT_EQ(h.procName, "TAX       ");
    EXPECT_EQ(h.programLibrary, "DEMO      ");
    EXPECT_EQ(h.programName, "ADDTAX    ");
    EXPECT_EQ(h.fieldCount, 3);
    EXPECT_EQ(h.parameterCount, 2);
    EXPECT_EQ(h.targetKind, 'Q');
    EXPECT_EQ(h.reserved, "   ");
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(p.rows()[i].rowSequence, i);
      EXPECT_EQ(p.rows()[i].procName, "TAX       ");
    }
  }
}

TEST(ProcedureDialogModel, WithoutRowsTheCountsAreZero) {
  platform::RecordingSink sink;
  ProcedureDialogModel p(sink, nullptr);
  p.NameTyped("EMPTY");
  p.TargetTyped("NOPARMS");
  ASSERT_TRUE(p.Ok());
  EXPECT_EQ(p.header().fieldCount, 0);
  EXPECT_EQ(p.header().parameterCount, 0);
  EXPECT_EQ(p.header().programLibrary, std::string(10, ' '));
  EXPECT_EQ(p.header().targetKind, 'P');
}

TEST(ProcedureDialogModel, LoadTakesNameDescriptionTargetAndKind) {
  platform::RecordingSink sink;
  ProcedureDialogModel p(sink, nullptr);
  ProcHeaderRecord h;
  h.procName = "QPROC     ";
  h.programLibrary = "DEMO      ";
  h.programName = "ORDERQ    ";
  h.description = FixedText("To the queue", 80);
  h.targetKind = 'Q';
  p.Load(h, {});
  EXPECT_EQ(p.procedureName(), "QPROC");
  EXPECT_EQ(p.originalName(), "QPROC");
  EXPECT_EQ(p.description(), "To the queue");
  EXPECT_EQ(p.targetText(), "DEMO/ORDERQ");
  EXPECT_EQ(p.kind(), TargetKind::kDataQueue);
}

}  // namespace
}  // namespace vantora::procedit
