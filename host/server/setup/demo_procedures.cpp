#include "host/server/setup/demo_procedures.h"

#include <vector>

#include "host/server/objects/programs.h"
#include "host/server/setup/host_installation.h"

// GCC 12 at -O3 reports a false -Wrestrict overlap in std::string::assign
// when Value::Text is inlined with short literals (see seek_sql.cpp).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace vantora::host {
namespace {

// Host type codes and PC type codes of the catalogue.
enum AsType { kChar = 0, kBin4 = 2, kPack = 3, kZoned = 4 };
enum PcType { kPcChar = 0, kPcInt32 = 3, kPcDouble = 4 };
enum Direction { kIn = 1, kOut = 2, kBoth = 3 };

struct DemoField {
  const char* name;
  int parameterNo;
  Direction direction;
  AsType asType;
  int digits;
  int decimals;
};

struct DemoProcedure {
  const char* name;
  const char* library;
  const char* program;
  char kind;
  const char* description;
  std::vector<DemoField> fields;
};

int ByteLength(AsType type, int digits) {
  if (type == kPack) return digits / 2 + 1;
  if (type == kBin4) return 4;
  return digits;
}

PcType PcOf(AsType type) {
  if (type == kChar) return kPcChar;
  if (type == kBin4) return kPcInt32;
  return kPcDouble;
}

int PcLength(AsType type, int digits) {
  PcType pc = PcOf(type);
  return pc == kPcChar ? digits : pc == kPcInt32 ? 4 : 8;
}

const std::vector<DemoProcedure>& Procedures() {
  static const std::vector<DemoProcedure> all = {
      {"TAXCALC",
       "DEMO",
       "ADDTAX",
       'P',
       "Adds a tax rate in percent to an amount",
       {{"Code", 1, kIn, kChar, 10, 0},
        {"Amount", 2, kIn, kPack, 7, 2},
        {"Rate", 3, kIn, kPack, 3, 1},
        {"Result", 4, kOut, kPack, 9, 2},
        {"Message", 5, kOut, kChar, 30, 0}}},
      {"SHOUT", "DEMO", "UPPER", 'P', "Upper-cases a text", {{"Text", 1, kBoth, kChar, 40, 0}}},
      {"ADDNUMS",
       "DEMO",
       "SUMBIN",
       'P',
       "Adds two 32-bit integers",
       {{"A", 1, kIn, kBin4, 9, 0}, {"B", 2, kIn, kBin4, 9, 0}, {"Sum", 3, kOut, kBin4, 9, 0}}},
      {"PROBE",
       "VANTORA",
       "PROBE",
       'P',
       "Code PING or NEG: known amount, label echoed in upper case",
       {{"Code", 1, kIn, kChar, 5, 0},
        {"Amount", 2, kOut, kPack, 7, 2},
        {"Label", 3, kBoth, kChar, 10, 0}}},
      {"ANSWER",
       "VANTORA",
       "ANSWER",
       'P',
       "Answers 42 and a text; takes no input",
       {{"Number", 1, kOut, kBin4, 9, 0}, {"Text", 2, kOut, kChar, 20, 0}}},
      {"NEWORDER",
       "DEMO",
       "ORDERQ",
       'Q',
       "Sends an order to the data queue ORDERQ",
       {{"OrderNo", 1, kIn, kChar, 8, 0},
        {"Item", 1, kIn, kChar, 10, 0},
        {"Qty", 1, kIn, kZoned, 5, 0}}},
  };
  return all;
}

Status Replace(Catalogue& catalogue, const char* file) {
  FileDescription existing;
  if (catalogue.DescribeFile({kDemoLibrary, file}, &existing).ok()) {
    return catalogue.DeleteFile({kDemoLibrary, file});
  }
  return Status::Ok();
}

Status Fill(Storage& storage, const char* file, const std::vector<Record>& records) {
  std::unique_ptr<FileCursor> cursor;
  CursorOptions options;
  options.job = -1;  // the host itself
  if (Status s = storage.OpenCursor({kDemoLibrary, file}, options, &cursor); !s.ok()) return s;
  return cursor->Insert(records, nullptr);
}

}  // namespace

Status CreateDemoProcedures(Storage& storage) {
  Catalogue& catalogue = storage.catalogue();
  for (const char* file : {"YPROCPGM", "YPROCHDR", "YPROCPARMS"}) {
    if (Status s = Replace(catalogue, file); !s.ok()) return s;
  }
  if (Status s = CreateProcedureFiles(catalogue, kDemoLibrary); !s.ok()) return s;
  std::vector<Record> headers;
  std::vector<Record> fields;
  for (const DemoProcedure& p : Procedures()) {
    const int parameters = p.fields.empty() ? 0 : p.fields.back().parameterNo;
    headers.push_back(
        {Value::Text(p.name), Value::Text(p.library), Value::Text(p.program),
         Value::Integer(parameters), Value::Integer(static_cast<int64_t>(p.fields.size())),
         Value::Text(p.description), Value::Text(std::string(1, p.kind)), Value::Text("   ")});
    int row = 0;
    for (const DemoField& f : p.fields) {
      fields.push_back({Value::Text(p.name), Value::Integer(row++), Value::Integer(f.parameterNo),
                        Value::Integer(f.direction), Value::Integer(PcOf(f.asType)),
                        Value::Integer(PcLength(f.asType, f.digits)), Value::Integer(0),
                        Value::Integer(f.asType), Value::Integer(ByteLength(f.asType, f.digits)),
                        Value::Integer(f.decimals), Value::Integer(f.digits), Value::Text(f.name)});
    }
  }
  if (Status s = Fill(storage, "YPROCHDR", headers); !s.ok()) return s;
  return Fill(storage, "YPROCPARMS", fields);
}

}  // namespace vantora::host
