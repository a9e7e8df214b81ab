// Stored procedures through the engine, the driver and the host in the
// process: the procedure and parameter lists, and calls of programs (one a
// checking executable registered in programs.ini) and of a data queue.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "host/server/objects/data_queues.h"
#include "host/server/setup/host_installation.h"
#include "tests/support/driver_tables.h"

namespace vantora::testing {
namespace {

struct Field {
  const char* name;
  int direction, pcType, pcLength, pcDecimals, asType, asLength, asDecimals, asDigits;
};

class DriverProcedure : public DriverTablesTest {
 protected:
  void SetUp() override {
    DriverTablesTest::SetUp();
    WriteChecker();
    using namespace host;
    std::unique_ptr<Host> h;
    ASSERT_TRUE(Host::Open(dataDirectory_, {}, &h).ok());
    Catalogue& cat = h->storage().catalogue();
    ASSERT_TRUE(CreateServerFiles(cat, "TEST").ok());
    DataQueueDefinition queue;
    queue.maxLength = 100;
    ASSERT_TRUE(CreateDataQueue(cat, {"TEST", "NOTEQ"}, queue, "notes").ok());
    // IN 5 characters, OUT 7,2 packed (a double on the PC), INOUT 10 characters.
    Declare(*h, "CHECK5", "TEST", "CHKPGM", 'P', 3,
            {{"In5", 1, 0, 5, 0, 0, 5, 0, 5},
             {"Amount", 2, 4, 8, 2, 3, 4, 2, 7},
             {"Text", 3, 0, 10, 0, 0, 10, 0, 10}});
    // The catalogue's PC codes: 3 a 32-bit integer, 2 a 4-byte float.
    Declare(*h, "SUMS", "VANTORA", "SUMBIN", 'P', 3,
            {{"A", 1, 3, 4, 0, 2, 4, 0, 9},
             {"B", 1, 3, 4, 0, 2, 4, 0, 9},
             {"Total", 2, 3, 4, 0, 2, 4, 0, 9}});
    Declare(*h, "TAX", "VANTORA", "ADDTAX", 'P', 5,
            {{"Code", 1, 0, 10, 0, 0, 10, 0, 10},
             {"Amount", 1, 2, 4, 2, 3, 4, 2, 7},
             {"Rate", 1, 4, 8, 1, 3, 2, 1, 3},
             {"WithTax", 2, 2, 4, 2, 3, 5, 2, 9},
             {"Message", 2, 0, 30, 0, 0, 30, 0, 30}});
    Declare(*h, "STAMP", "TEST", "STAMPPGM", 'P', 1, {{"Word", 2, 0, 8, 0, 0, 8, 0, 8}});
    // Packed and zoned fields delivered as text.
    Declare(*h, "PRICED", "TEST", "CHKPGM", 'P', 2,
            {{"Price", 1, 0, 7, 2, 3, 4, 2, 7}, {"Count", 1, 0, 5, 0, 4, 5, 0, 5}});
    Declare(*h, "NOTE", "TEST", "NOTEQ", 'Q', 1, {{"Note", 1, 0, 20, 0, 0, 20, 0, 20}});
    // A header counting three fields over two field records.
    Declare(*h, "BROKEN", "TEST", "CHKPGM", 'P', 3,
            {{"In5", 1, 0, 5, 0, 0, 5, 0, 5}, {"Amount", 2, 4, 8, 2, 3, 4, 2, 7}}, 3);
  }

  // The program CHKPGM: answers 123.45 and "WORLD" when it was given "HELLO"
  // and "ABCDEFGHIJ", else -0 and "BAD INPUT".
  void WriteChecker() {
    const std::filesystem::path script = root_ / "chkpgm.sh";
    std::ofstream(script) << "#!/bin/sh\n"
                             "f=$(mktemp); cat > \"$f\"\n"
                             "in=$(head -c 5 \"$f\"); io=$(tail -c 10 \"$f\"); rm -f \"$f\"\n"
                             "if [ \"$in\" = HELLO ] && [ \"$io\" = ABCDEFGHIJ ]; then\n"
                             "  printf 'HELLO\\000\\022\\064\\137WORLD     '\n"
                             "else\n"
                             "  printf 'HELLO\\000\\000\\000\\015BAD INPUT '\n"
                             "fi\n";
    ::chmod(script.c_str(), 0755);
    std::filesystem::create_directories(dataDirectory_);
    std::ofstream(dataDirectory_ / "programs.ini")
        << "[TEST/CHKPGM]\nCommand=" << script.string()
        << "\nParameters=I CHAR 5, O PACK 7 2, B CHAR 10\n"
        << "[TEST/STAMPPGM]\nCommand=/bin/echo -n STAMPED!\nParameters=O CHAR 8\n";
  }

  void Declare(host::Host& h, const std::string& name, const std::string& library,
               const std::string& program, char kind, int parameters,
               const std::vector<Field>& fields, int headerCount = -1) {
    using namespace host;
    CursorOptions options;
    options.job = -1;
    std::unique_ptr<FileCursor> cursor;
    ASSERT_TRUE(h.storage().OpenCursor({"TEST", "YPROCHDR"}, options, &cursor).ok());
    Record header(8);
    header[0] = Value::Text(name);
    header[1] = Value::Text(library);
    header[2] = Value::Text(program);
    header[3] = Value::Integer(parameters);
    header[4] = Value::Integer(headerCount >= 0 ? headerCount : static_cast<int>(fields.size()));
    header[5] = Value::Text("declared by the test");
    header[6] = Value::Text(std::string(1, kind));
    header[7] = Value::Text("");
    ASSERT_TRUE(cursor->Insert({header}, nullptr).ok());
    cursor.reset();
    ASSERT_TRUE(h.storage().OpenCursor({"TEST", "YPROCPARMS"}, options, &cursor).ok());
    std::vector<Record> rows;
    int parameter = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
      const Field& f = fields[i];
      Record r(12);
      r[0] = Value::Text(name);
      r[1] = Value::Integer(static_cast<int>(i));
      r[2] = Value::Integer(++parameter);
      r[3] = Value::Integer(f.direction);
      r[4] = Value::Integer(f.pcType);
      r[5] = Value::Integer(f.pcLength);
      r[6] = Value::Integer(f.pcDecimals);
      r[7] = Value::Integer(f.asType);
      r[8] = Value::Integer(f.asLength);
      r[9] = Value::Integer(f.asDecimals);
      r[10] = Value::Integer(f.asDigits);
      r[11] = Value::Text(f.name);
      rows.push_back(std::move(r));
    }
    ASSERT_TRUE(cursor->Insert(rows, nullptr).ok());
  }

  void OpenWithCatalogue(const char* level = nullptr) {
    if (level != nullptr) WriteSettings(std::string("[Logfile]\nLevel=") + level + "\n");
    OpenTest();
    // The working library's catalogue comes first in the library list.
    ASSERT_EQ(Rsystem("ADDLIBLE TEST"), 0);
  }

  VdbStatement* Prepare(const char* name) {
    VdbStatement* st = nullptr;
    EXPECT_EQ(VdbPrepareProcedure(db_, name, &st), IDAPI_OK) << name << ": " << LastError().message;
    return st;
  }

  static std::string Value(VdbStatement* st, uint16_t n) {
    char text[256] = {};
    EXPECT_EQ(VdbGetParameterText(st, n, text, sizeof text), IDAPI_OK);
    return text;
  }
};

TEST_F(DriverProcedure, ListsOfProceduresAndParameters) {
  OpenWithCatalogue();
  VdbCursor* procs = nullptr;
  ASSERT_EQ(VdbOpenProcedureList(db_, &procs), IDAPI_OK) << LastError().message;
  std::vector<std::string> names;
  while (VdbNext(procs) == IDAPI_OK) names.push_back(Get(procs, "NAME"));
  EXPECT_EQ(names, (std::vector<std::string>{"BROKEN", "CHECK5", "NOTE", "PRICED", "STAMP", "SUMS",
                                             "TAX"}));
  VdbCloseCursor(procs);

  VdbCursor* params = nullptr;
  ASSERT_EQ(VdbOpenParameterList(db_, "check5", &params), IDAPI_OK) << LastError().message;
  const struct {
    const char* name;
    const char* direction;
    const char* type;
    const char* offset;
    const char* length;
  } expected[] = {
      {"IN5", "1", "1", "0", "5"},     // a string of 5
      {"AMOUNT", "2", "7", "5", "8"},  // a double
      {"TEXT", "3", "1", "13", "10"},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.name);
    ASSERT_EQ(VdbNext(params), IDAPI_OK);
    EXPECT_EQ(Get(params, "NAME"), e.name);
    EXPECT_EQ(Get(params, "DIRECTION"), e.direction);
    EXPECT_EQ(Get(params, "TYPE"), e.type);
    EXPECT_EQ(Get(params, "OFFSET"), e.offset);
    EXPECT_EQ(Get(params, "LENGTH"), e.length);
  }
  EXPECT_EQ(VdbNext(params), IDAPI_ERR_EOF);
  VdbCloseCursor(params);
  // The catalogue's rows carry no digits: a packed field as text is as wide
  // as its PC length, its decimals, a point and a sign (7 and 2: 10).
  ASSERT_EQ(VdbOpenParameterList(db_, "PRICED", &params), IDAPI_OK) << LastError().message;
  const struct {
    const char* name;
    const char* units1;
    const char* units2;
    const char* length;
  } text[] = {{"PRICE", "10", "0", "7"}, {"COUNT", "5", "0", "5"}};
  for (const auto& e : text) {
    SCOPED_TRACE(e.name);
    ASSERT_EQ(VdbNext(params), IDAPI_OK);
    EXPECT_EQ(Get(params, "NAME"), e.name);
    EXPECT_EQ(Get(params, "TYPE"), "1");
    EXPECT_EQ(Get(params, "UNITS1"), e.units1);
    EXPECT_EQ(Get(params, "UNITS2"), e.units2);
    EXPECT_EQ(Get(params, "LENGTH"), e.length);
  }
  EXPECT_EQ(VdbNext(params), IDAPI_ERR_EOF);
  VdbCloseCursor(params);
  ASSERT_EQ(VdbOpenParameterList(db_, "NOSUCH", &params), IDAPI_OK);
  EXPECT_EQ(VdbNext(params), IDAPI_ERR_EOF);
  VdbCloseCursor(params);
  EXPECT_EQ(VdbOpenParameterList(db_, "ELEVENCHARS", &params), IDAPI_ERR_NO_SUCH_PROCEDURE);
}

TEST_F(DriverProcedure, ACallSendsTheInputsAsTheKeyAndTakesTheOutputsAtTheirPlaces) {
  OpenWithCatalogue("3");
  VdbStatement* st = Prepare("CHECK5");
  ASSERT_NE(st, nullptr);
  uint16_t count = 0;
  ASSERT_EQ(VdbParameterCount(st, &count), IDAPI_OK);
  EXPECT_EQ(count, 3);
  ASSERT_EQ(VdbSetParameterText(st, 1, "HELLO"), IDAPI_OK);
  ASSERT_EQ(VdbSetParameterText(st, 3, "ABCDEFGHIJ"), IDAPI_OK);
  ASSERT_EQ(VdbExecute(st, nullptr), IDAPI_OK) << LastError().message;
  EXPECT_EQ(Value(st, 2), "123.45");
  EXPECT_EQ(Value(st, 3), "WORLD");
  EXPECT_EQ(Value(st, 1), "HELLO");
  // The program tells a wrong input apart.
  ASSERT_EQ(VdbSetParameterText(st, 3, "ABCDEFGHIX"), IDAPI_OK);
  ASSERT_EQ(VdbExecute(st, nullptr), IDAPI_OK);
  EXPECT_EQ(Value(st, 3), "BAD INPUT");
  EXPECT_EQ(Value(st, 2), "0");
  EXPECT_EQ(VdbSetParameterText(st, 1, "TOOLONG"), IDAPI_ERR_INVALID_ARGUMENT);
  VdbFreeStatement(st);
  StopEngine();
  const auto trace = ReadTrace();
  int calls = 0;
  for (const auto& r : trace) {
    if (r.operation == "VNXRead" && r.data.find("HELLOABCDEFGHIJ") != std::string::npos) ++calls;
  }
  EXPECT_EQ(calls, 1) << "the key is the IN and INOUT values one after the other";
}

TEST_F(DriverProcedure, IntegerFloatAndNoInputParameters) {
  OpenWithCatalogue();
  VdbStatement* sums = Prepare("SUMS");
  ASSERT_NE(sums, nullptr);
  VdbField f;
  ASSERT_EQ(VdbParameterInfo(sums, 1, &f, nullptr), IDAPI_OK);
  EXPECT_EQ(f.type, IDAPI_TYPE_INT32);
  ASSERT_EQ(VdbSetParameterText(sums, 1, "40000"), IDAPI_OK);
  ASSERT_EQ(VdbSetParameterText(sums, 2, "-2"), IDAPI_OK);
  ASSERT_EQ(VdbExecute(sums, nullptr), IDAPI_OK) << LastError().message;
  EXPECT_EQ(Value(sums, 3), "39998");
  VdbFreeStatement(sums);

  VdbStatement* tax = Prepare("TAX");
  ASSERT_NE(tax, nullptr);
  ASSERT_EQ(VdbParameterInfo(tax, 2, &f, nullptr), IDAPI_OK);
  EXPECT_EQ(f.type, IDAPI_TYPE_FLOAT);  // a 4-byte float, not a 32-bit integer
  EXPECT_EQ(f.length, 4);
  ASSERT_EQ(VdbSetParameterText(tax, 1, "FR"), IDAPI_OK);
  ASSERT_EQ(VdbSetParameterText(tax, 2, "100.5"), IDAPI_OK);
  ASSERT_EQ(VdbSetParameterText(tax, 3, "20"), IDAPI_OK);
  ASSERT_EQ(VdbExecute(tax, nullptr), IDAPI_OK) << LastError().message;
  EXPECT_EQ(Value(tax, 4), "120.6");
  EXPECT_EQ(Value(tax, 5), "TAX ADDED FOR FR");
  VdbFreeStatement(tax);

  VdbStatement* stamp = Prepare("STAMP");
  ASSERT_NE(stamp, nullptr);
  ASSERT_EQ(VdbExecute(stamp, nullptr), IDAPI_OK) << LastError().message;
  EXPECT_EQ(Value(stamp, 1), "STAMPED!");
  VdbFreeStatement(stamp);
}

TEST_F(DriverProcedure, ADataQueueTargetGetsTheInputAsAnEntry) {
  OpenWithCatalogue();
  VdbStatement* note = Prepare("NOTE");
  ASSERT_NE(note, nullptr);
  ASSERT_EQ(VdbSetParameterText(note, 1, "REMEMBER THE MILK"), IDAPI_OK);
  ASSERT_EQ(VdbExecute(note, nullptr), IDAPI_OK) << LastError().message;
  VdbFreeStatement(note);
  char entry[64] = {};
  const int32_t link = VNXLinkDataQueue("NOTEQ     ", "TEST      ", 0, 0, "          ");
  ASSERT_GT(link, 0);
  ASSERT_EQ(VNXReceiveDataQueue(link, entry, sizeof entry, 0, nullptr, nullptr, 0), 20);
  EXPECT_EQ(std::string(entry, 20), "REMEMBER THE MILK   ");
}

TEST_F(DriverProcedure, DeclarationsThatCannotBeCalled) {
  OpenWithCatalogue();
  VdbStatement* st = nullptr;
  const struct {
    const char* name;
    const char* message;
  } cases[] = {
      {"BROKEN", "The procedure BROKEN has 2 field records where its header counts 3"},
      {"NOSUCH", ""},
      {"ELEVENCHARS", "'ELEVENCHARS' is no procedure name (1 to 10 characters)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(VdbPrepareProcedure(db_, c.name, &st), IDAPI_ERR_NO_SUCH_PROCEDURE);
    EXPECT_EQ(st, nullptr);
    if (*c.message != '\0') {
      EXPECT_STREQ(LastError().message, c.message);
    }
  }
}

}  // namespace
}  // namespace vantora::testing
