// The commands of vantora-db, the engine's shell: each command line is split
// into commands (command_words.h), each command runs against the engine's
// application interface and prints its result as a table, CSV or JSON.
//
// A failed command prints "error 0xSSSS: text" (the engine status and the
// driver's message) on the error stream and makes Run answer false.
#ifndef VANTORA_TOOLS_VANTORA_DB_SHELL_H_
#define VANTORA_TOOLS_VANTORA_DB_SHELL_H_

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "idapi_app.h"
#include "tools/vantora-db/result_table.h"

namespace vantora::db {

// The name of an engine field type ("string", "int32", ...).
const char* TypeName(uint16_t type);

struct ShellOptions {
  OutputFormat format = OutputFormat::kTable;
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  // Asks for a password (prompt shown); false when none can be had.
  std::function<bool(const std::string& prompt, std::string* password)> askPassword;
  std::string driverType = "Morvalis400";
};

class Shell {
 public:
  explicit Shell(ShellOptions options);
  ~Shell();
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  // Runs every command of `line`; false when one failed (the rest still run
  // when `keepGoing`, else they are skipped).
  bool Run(const std::string& line, bool keepGoing = false);
  bool quitRequested() const { return quit_; }
  // The names of the commands, for completion and help.
  std::vector<std::string> CommandNames() const;

 private:
  using Args = std::vector<std::string>;
  struct Command {
    std::string usage;
    std::string help;
    std::function<bool(const Args&)> run;
  };

  bool RunCommand(const Args& words);
  bool Fail(uint16_t status);
  bool Usage(const std::string& name, const std::string& problem);
  void Print(const ResultTable& table);
  bool RequireDatabase();

  bool Open(const Args& args);
  bool Close(const Args& args);
  bool Info(const Args& args);
  bool Status(const Args& args);
  bool Help(const Args& args);

  // Tables (shell_tables.cpp).
  void AddTableCommands();
  bool Tables(const Args& args);
  bool Fields(const Args& args);
  bool Indexes(const Args& args);
  bool Browse(const Args& args);
  bool Seek(const Args& args);
  bool Count(const Args& args);
  bool Insert(const Args& args);
  bool Update(const Args& args);
  bool Delete(const Args& args);
  // SQL, transactions and definitions (shell_sql.cpp).
  void AddSqlCommands();
  bool Sql(const Args& args);
  bool Transaction(const std::string& what, const Args& args);
  bool Create(const Args& args);
  bool Drop(const Args& args);
  bool Filter(const Args& args);
  bool NoFilter(const Args& args);
  // The filter set for `table` with `filter`, or "".
  std::string FilterOf(const std::string& table) const;
  bool Procedures(const Args& args);
  bool Parameters(const Args& args);
  bool Call(const Args& args);
  // Opens `table` along `index`; null (after the error) when it cannot.
  VdbCursor* OpenCursor(const std::string& table, const std::string& index, bool readOnly);
  // Prints the rows of a cursor from where it stands: `first` already read.
  bool PrintRows(VdbCursor* cursor, uint16_t first, long limit);

  ShellOptions options_;
  std::map<std::string, Command> commands_;
  VdbDatabase* database_ = nullptr;
  std::map<std::string, std::string> filters_;  // by upper-case table name
  bool started_ = false;
  bool quit_ = false;
};

}  // namespace vantora::db

#endif  // VANTORA_TOOLS_VANTORA_DB_SHELL_H_
