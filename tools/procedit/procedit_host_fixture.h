// The fixture of procedit's tests against the embedded host: a session,
// scripted field and procedure dialogs, and the records as the host holds
// them, built by hand so that the tests do not lean on the code they test.
#ifndef VANTORA_TOOLS_PROCEDIT_PROCEDIT_HOST_FIXTURE_H_
#define VANTORA_TOOLS_PROCEDIT_PROCEDIT_HOST_FIXTURE_H_

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/embedded_host.h"
#include "tools/procedit/catalogue_files.h"
#include "tools/procedit/main_dialog_model.h"
#include "tools/procedit/type_tables.h"

namespace vantora::procedit::testing {

inline std::string Pad(const std::string& s, size_t n) {
  std::string out = s;
  out.resize(n, ' ');
  return out;
}

inline std::string Int16(int v) {
  std::string out(2, '\0');
  wire::StoreLeI16(out.data(), static_cast<int16_t>(v));
  return out;
}

// The 118-byte header as the host must hold it, built by hand.
inline std::string HeaderImage(const std::string& name, const std::string& library,
                               const std::string& program, int parameters, int fields,
                               const std::string& description, char kind) {
  return Pad(name, 10) + Pad(library, 10) + Pad(program, 10) + Int16(parameters) + Int16(fields) +
         Pad(description, 80) + std::string(1, kind) + "   ";
}

// The 40-byte field record, built by hand.
inline std::string FieldImage(const std::string& procedure, int row, int parameter, int direction,
                              int pcType, int pcLength, int pcDecimals, int asType, int bytes,
                              int decimals, int digits, const std::string& name) {
  return Pad(procedure, 10) + Int16(row) + Int16(parameter) + Int16(direction) + Int16(pcType) +
         Int16(pcLength) + Int16(pcDecimals) + Int16(asType) + Int16(bytes) + Int16(decimals) +
         Int16(digits) + Pad(name, 10);
}

// Reads what the host holds for one procedure, through a handle of its own.
struct Stored {
  bool found = false;
  std::string header;
  std::vector<std::string> fields;
};

inline Stored ReadStored(const std::string& name) {
  Stored s;
  const std::string key = Pad(name, 10);
  int32_t hdr = VNXopen("YPROCHDR", 1, 0);
  int32_t parms = VNXopen("YPROCPARMS", 1, 0);
  EXPECT_GE(hdr, 0);
  EXPECT_GE(parms, 0);
  std::vector<uint8_t> record(118);
  if (VNXRead(hdr, record.data(), 118, 0x06010000, key.data(), 10, nullptr) == 1) {
    s.found = true;
    s.header.assign(reinterpret_cast<const char*>(record.data()), 118);
  }
  std::vector<uint8_t> field(40);
  for (int32_t option = 0x06010000;
       VNXRead(parms, field.data(), 40, option, key.data(), 10, nullptr) == 1;
       option = 0x0B010000) {
    s.fields.emplace_back(reinterpret_cast<const char*>(field.data()), 40);
  }
  Rclose(hdr);
  Rclose(parms);
  return s;
}

// Fields scripted for the field dialog: each edit fills one dialog.
struct FieldEdit {
  std::string name;
  int16_t direction = kDirectionInOut;
  bool startsParameter = true;
  const char* asType = "CHAR";
  int digits = 0;
  int decimals = 0;
};

class ProceditHost : public vantora::testing::EmbeddedHostTest {
 protected:
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    ASSERT_EQ(StartSession(), 1);
  }

  FieldDialogRunner FieldRunner() {
    return [this](FieldDialogModel& f) {
      if (fieldEdits.empty()) return false;
      FieldEdit e = fieldEdits.front();
      fieldEdits.pop_front();
      if (!e.name.empty()) f.NameTyped(e.name);
      f.UsageChosen(e.direction);
      f.StartsParameterChecked(e.startsParameter);
      f.HostTypeChosen(HostTypeCode(e.asType));
      if (e.digits != 0) f.DigitsLeft(std::to_string(e.digits));
      if (e.decimals != 0) f.AsDecimalsLeft(std::to_string(e.decimals));
      return f.Ok();
    };
  }

  // The procedure dialog: runs the next scripted step, then OK.
  ProcedureDialogRunner ProcedureRunner() {
    return [this](ProcedureDialogModel& p) {
      if (procedureSteps.empty()) return false;
      auto step = procedureSteps.front();
      procedureSteps.pop_front();
      step(p);
      return p.Ok();
    };
  }

  std::unique_ptr<MainDialogModel> Main(CatalogueFiles& files) {
    auto model = std::make_unique<MainDialogModel>(sink, files, ProcedureRunner(), FieldRunner());
    model->Opening();
    return model;
  }

  // Declares TAXPROC over DEMO/ADDTAX through the dialogs.
  void DeclareTax(MainDialogModel& main) {
    procedureSteps.push_back([this](ProcedureDialogModel& p) {
      p.NameTyped("taxproc");
      p.DescriptionTyped("Adds a tax");
      p.TargetTyped("demo/addtax");
      fieldEdits = {{"Code", kDirectionIn, true, "CHAR", 10},
                    {"Amount", kDirectionIn, true, "PACK", 7, 2},
                    {"Rate", kDirectionIn, true, "PACK", 3, 1},
                    {"Result", kDirectionOut, true, "PACK", 9, 2},
                    {"Message", kDirectionOut, true, "CHAR", 30}};
      for (int i = 0; i < 5; ++i) {
        p.RowSelected(i - 1);
        p.InsertAfter();
      }
    });
    main.NewClicked();
  }

  platform::RecordingSink sink;
  std::deque<FieldEdit> fieldEdits;
  std::deque<std::function<void(ProcedureDialogModel&)>> procedureSteps;
};

}  // namespace vantora::procedit::testing

#endif  // VANTORA_TOOLS_PROCEDIT_PROCEDIT_HOST_FIXTURE_H_
