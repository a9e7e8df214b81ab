// The commands of vantora-db, the engine's shell: what it is given is cut
// into its own commands and SQL statements (statement_reader.h); each runs
// against the engine's application interface and prints its result as a
// table, CSV or JSON.
//
// Results go to the output stream; messages ("1 record inserted") too when
// the format is a table, else to the error stream, so that a script reads
// only results. With JSON the results of a whole run make one document: an
// array of result objects (result_table.h), ended by Finish.
//
// A failed command prints, once, "error: WORDS (0xSSSS)" on the error
// stream: the failure in words as the engine's last error explains it, with
// the engine status (and the native code, such as an SQLCODE) beside; in a
// script named by `source` the line starts with "FILE:LINE: ".
#ifndef VANTORA_TOOLS_VANTORA_DB_SHELL_H_
#define VANTORA_TOOLS_VANTORA_DB_SHELL_H_

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "idapi_app.h"
#include "platform/ui_sink.h"
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

  // Runs every command and SQL statement of `text`, all of the input (an
  // SQL statement without its ';' at its end is whole); false when one
  // failed (the rest still run when `keepGoing`, else they are skipped).
  // `source` names a script file for the error messages.
  bool Run(const std::string& text, bool keepGoing = false, const std::string& source = "");
  // Whether `text`, typed so far, ends inside an SQL statement that still
  // wants its ';'.
  static bool NeedsMore(const std::string& text);
  bool quitRequested() const { return quit_; }
  // The prompt: "vantora-db> " without a database, "DEMO> " with one,
  // "DEMO*> " inside a transaction; "-> " in place of "> " to go on with a
  // statement.
  std::string Prompt(bool continuation) const;
  // Ends the output: closes the JSON document. Called by the destructor
  // when not before.
  void Finish();
  // The names of the commands, for completion and help.
  std::vector<std::string> CommandNames() const;
  // The words that may complete the word starting at `start` of `line`:
  // command names and SQL verbs first, then the command's options, the
  // tables and procedures of the open database, and the fields and indexes
  // of the tables the line names.
  std::vector<std::string> Completions(const std::string& line, size_t start);

 private:
  using Args = std::vector<std::string>;
  struct Command {
    std::string usage;
    std::string help;
    std::function<bool(const Args&)> run;
  };

  bool RunCommand(const Args& words);
  bool RunSql(const std::string& statement);
  bool Fail(uint16_t status);
  // The error stream, after the script's "FILE:LINE: " when there is one
  // to name (once per failing command).
  std::FILE* Err();
  std::function<std::FILE*()> ErrorStream() {
    return [this] { return Err(); };
  }
  // A message: on the output for a table, on the error stream otherwise.
  void Note(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // An interrupted command: says so and answers false.
  bool Interrupted();
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
  // Prints the rows of a cursor from where it stands: `first` already read;
  // at most `limit` (all when negative), saying when there are more (read
  // ahead by one when `lookAhead`).
  bool PrintRows(VdbCursor* cursor, uint16_t first, long limit, bool lookAhead = true);
  // Runs a prepared statement (bound) and prints its rows or changes.
  bool ExecuteStatement(VdbStatement* statement, long limit);
  const std::vector<std::string>& TableNames();
  const std::vector<std::string>& FieldNames(const std::string& table);

  // The message boxes of the libraries: a failure they show is the one the
  // command reports in words, so errors are kept, not printed; one left
  // after a command that answered success makes it fail with its text.
  // Warnings and information go to the error stream.
  class Messages : public platform::UiSink {
   public:
    explicit Messages(std::FILE* err) : err_(err) {}
    void Message(const std::string& title, const std::string& text,
                 platform::MessageKind kind) override;
    platform::Answer Ask(const std::string&, const std::string&, bool withCancel) override {
      return withCancel ? platform::Answer::kCancel : platform::Answer::kNo;
    }
    void Busy(bool) override {}
    std::vector<std::string> TakeErrors();

   private:
    std::FILE* err_;
    std::mutex mutex_;
    std::vector<std::string> errors_;
  };

  ShellOptions options_;
  Messages messages_;
  std::map<std::string, Command> commands_;
  VdbDatabase* database_ = nullptr;
  std::map<std::string, std::string> filters_;  // by upper-case table name
  bool started_ = false;
  bool quit_ = false;
  std::string databaseName_;  // for the prompt
  bool inTransaction_ = false;
  // A command failed for want of the host: the next open starts a session
  // of its own rather than the one that was lost.
  bool connectionLost_ = false;
  std::string location_;  // "FILE:LINE: " of the running command, until printed
  bool jsonOpen_ = false;
  bool finished_ = false;
  // Names for completion, read once per database.
  std::vector<std::string> tableNames_;
  bool tableNamesRead_ = false;
  std::map<std::string, std::vector<std::string>> fieldNames_;
};

}  // namespace vantora::db

#endif  // VANTORA_TOOLS_VANTORA_DB_SHELL_H_
