#include "tools/vantora-db/shell.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <utility>

#include "platform/console.h"
#include "platform/interrupt.h"
#include "protocol/blank_padded.h"
#include "tools/vantora-db/command_options.h"
#include "tools/vantora-db/command_words.h"
#include "tools/vantora-db/nearest_word.h"
#include "tools/vantora-db/statement_reader.h"

namespace vantora::db {
namespace {

std::string Hex(uint16_t status) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", status);
  return text;
}

std::string TextAt(const unsigned char* record, size_t offset, size_t width) {
  return std::string(reinterpret_cast<const char*>(record + offset),
                     idapi_text_length(record, offset, width));
}

}  // namespace

void Shell::Messages::Message(const std::string&, const std::string& text,
                              platform::MessageKind kind) {
  std::string line = text;
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  if (kind == platform::MessageKind::kError) {
    std::lock_guard guard(mutex_);
    errors_.push_back(line);
  } else {
    std::fprintf(err_, "%s: %s\n", kind == platform::MessageKind::kWarning ? "warning" : "note",
                 line.c_str());
  }
}

std::vector<std::string> Shell::Messages::TakeErrors() {
  std::lock_guard guard(mutex_);
  return std::exchange(errors_, {});
}

Shell::Shell(ShellOptions options) : options_(std::move(options)), messages_(options_.err) {
  platform::InstallUiSink(&messages_);
  started_ = VdbStart() == IDAPI_OK;
  commands_["open"] = {
      "open [SERVER-NAME] [--user USER] [--transaction] [--new-session] "
      "[--langdriver NAME] [--param NAME=VALUE]...",
      "open a database: SERVER-NAME is LIBRARY, or AS400:/SYSTEM/LIBRARY; "
      "the password comes from VANTORA_PASSWORD or a prompt",
      [this](const Args& a) { return Open(a); }};
  commands_["close"] = {"close", "close the open database",
                        [this](const Args& a) { return Close(a); }};
  commands_["info"] = {"info", "describe the driver, its table type and its field types",
                       [this](const Args& a) { return Info(a); }};
  commands_["status"] = {"status", "show the last error",
                         [this](const Args& a) { return Status(a); }};
  commands_["help"] = {"help [COMMAND]", "list the commands, or explain one",
                       [this](const Args& a) { return Help(a); }};
  commands_["quit"] = {"quit", "leave the shell", [this](const Args&) {
                         quit_ = true;
                         return true;
                       }};
  commands_["exit"] = commands_["quit"];
  commands_["exit"].usage = "exit";
  AddTableCommands();
  AddSqlCommands();
}

Shell::~Shell() {
  Finish();
  platform::InstallUiSink(nullptr);
  if (database_ != nullptr) VdbCloseDatabase(database_);
  if (started_) VdbStop();
}

std::vector<std::string> Shell::CommandNames() const {
  std::vector<std::string> names;
  for (const auto& [name, command] : commands_) names.push_back(name);
  return names;
}

bool Shell::NeedsMore(const std::string& text) {
  return ReadPieces(text, false).incomplete;
}

std::string Shell::Prompt(bool continuation) const {
  std::string name = database_ != nullptr ? databaseName_ : "vantora-db";
  if (database_ != nullptr && inTransaction_) name += "*";
  return name + (continuation ? "-> " : "> ");
}

bool Shell::Run(const std::string& text, bool keepGoing, const std::string& source) {
  bool ok = true;
  for (const Piece& piece : ReadPieces(text, true).pieces) {
    if (!source.empty()) location_ = source + ":" + std::to_string(piece.line) + ": ";
    bool done;
    if (piece.sql) {
      done = RunSql(piece.text);
    } else {
      const SplitResult split = SplitCommands(piece.text);
      if (!split.error.empty()) {
        std::fprintf(Err(), "error: %s\n", split.error.c_str());
        done = false;
      } else if (split.commands.empty() || split.commands[0][0].rfind('#', 0) == 0) {
        done = true;  // a comment
      } else {
        done = RunCommand(split.commands[0]);
      }
    }
    // A failure a library showed but the command did not answer.
    const std::vector<std::string> shown = messages_.TakeErrors();
    if (done && !shown.empty()) {
      std::fprintf(Err(), "error: %s\n", shown.back().c_str());
      done = false;
    }
    location_.clear();
    platform::ClearInterrupt();
    if (!done) {
      ok = false;
      if (!keepGoing) break;
    }
    if (quit_) break;
  }
  return ok;
}

namespace {

// The psql-like short names of commands.
const std::map<std::string, std::string>& Aliases() {
  static const std::map<std::string, std::string> aliases = {
      {"\\dt", "tables"}, {"\\d", "fields"}, {"\\di", "indexes"}, {"\\df", "procs"},
      {"\\q", "quit"},    {"\\?", "help"},   {"\\h", "help"},
  };
  return aliases;
}

}  // namespace

bool Shell::RunCommand(const Args& words) {
  if (!started_) {
    std::fprintf(Err(), "error: the engine could not be started\n");
    return false;
  }
  std::string name = words[0];
  if (auto alias = Aliases().find(name); alias != Aliases().end()) {
    // \d alone lists the tables, \d TABLE the fields.
    name = name == "\\d" && words.size() == 1 ? "tables" : alias->second;
  }
  auto it = commands_.find(name);
  if (it == commands_.end()) {
    std::vector<std::string> known = CommandNames();
    for (const auto& [alias, command] : Aliases()) known.push_back(alias);
    for (const std::string& verb : SqlVerbs()) {
      std::string upper = verb;
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      known.push_back(upper);
    }
    const std::string nearest = NearestWord(name, known);
    if (nearest.empty()) {
      std::fprintf(Err(), "error: no command %s (try help)\n", name.c_str());
    } else {
      std::fprintf(Err(), "error: no command %s; did you mean %s? (try help)\n", name.c_str(),
                   nearest.c_str());
    }
    return false;
  }
  return it->second.run(Args(words.begin() + 1, words.end()));
}

std::FILE* Shell::Err() {
  if (!location_.empty()) {
    std::fputs(location_.c_str(), options_.err);
    location_.clear();
  }
  return options_.err;
}

void Shell::Note(const char* format, ...) {
  std::FILE* to = options_.format == OutputFormat::kTable ? options_.out : options_.err;
  va_list args;
  va_start(args, format);
  std::vfprintf(to, format, args);  // NOLINT(clang-analyzer-valist.Uninitialized): started above
  va_end(args);
  std::fflush(to);
}

bool Shell::Interrupted() {
  std::fprintf(Err(), "error: interrupted (Ctrl-C)\n");
  return false;
}

bool Shell::Fail(uint16_t status) {
  if (status == IDAPI_ERR_COMMUNICATION) connectionLost_ = true;
  VdbError e;
  VdbLastError(&e);
  const bool posted = e.status == status;
  auto trimmed = [](std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
      text.pop_back();
    }
    return text;
  };
  // The words: the explanation where the driver gave one, else its message
  // (with its context, the host's text, when it adds one), else the
  // status's meaning.
  std::string words = posted ? trimmed(e.explanation) : "";
  const std::string message = posted ? trimmed(e.message) : "";
  const std::string context = posted ? trimmed(e.context) : "";
  if (words.empty() || words == message) {
    words = message.empty() ? VdbStatusText(status) : message;
    if (!context.empty() && words.find(context) == std::string::npos) {
      words = context.find(words) != std::string::npos ? context : words + ": " + context;
    }
  }
  std::string codes = Hex(status);
  if (posted && e.nativeCode[0] != '\0' && words.find(e.nativeCode) == std::string::npos) {
    codes += ", native code " + std::string(e.nativeCode);
  }
  std::fprintf(Err(), "error: %s (%s)\n", words.c_str(), codes.c_str());
  return false;
}

bool Shell::Usage(const std::string& name, const std::string& problem) {
  std::fprintf(Err(), "%s: %s\nusage: %s\n", name.c_str(), problem.c_str(),
               commands_[name].usage.c_str());
  return false;
}

void Shell::Print(const ResultTable& table) {
  if (options_.format == OutputFormat::kJson) {
    std::fputs(jsonOpen_ ? ",\n" : "[\n", options_.out);
    jsonOpen_ = true;
  }
  const std::string text = table.Text(options_.format);
  std::fwrite(text.data(), 1, text.size(), options_.out);
  if (options_.format == OutputFormat::kTable) {
    const size_t n = table.rows().size();
    std::fprintf(options_.out, "(%zu row%s%s)\n", n, n == 1 ? "" : "s",
                 table.more() ? "; more with --limit N or --all" : "");
  }
  std::fflush(options_.out);
}

void Shell::Finish() {
  if (finished_) return;
  finished_ = true;
  if (options_.format == OutputFormat::kJson) {
    std::fputs(jsonOpen_ ? "\n]\n" : "[]\n", options_.out);
    std::fflush(options_.out);
  }
}

bool Shell::RequireDatabase() {
  if (database_ != nullptr) return true;
  std::fprintf(Err(), "error: no database is open (use open)\n");
  return false;
}

bool Shell::Open(const Args& args) {
  CLI::App app("open a database", "open");
  std::string server;
  std::string user;
  std::string langdriver;
  bool transaction = false;
  bool newSession = false;
  std::vector<std::string> extra;
  app.add_option("server", server, "LIBRARY, or AS400:/SYSTEM/LIBRARY");
  app.add_option("-u,--user", user, "user profile (password: VANTORA_PASSWORD or a prompt)");
  app.add_flag("--transaction", transaction, "under commitment control");
  app.add_flag("--new-session", newSession, "in a session of its own");
  app.add_option("--langdriver", langdriver, "language driver name");
  app.add_option("--param", extra, "a further connection parameter NAME=VALUE");
  bool help = false;
  if (!ParseOptions(app, args, options_.out, ErrorStream(), &help)) return help;

  std::vector<std::pair<std::string, std::string>> named;
  if (!server.empty()) named.emplace_back("SERVER NAME", server);
  if (!user.empty()) named.emplace_back("USER NAME", user);
  if (transaction) named.emplace_back("TRANSACTION", "true");
  if (newSession || connectionLost_) named.emplace_back("NEWSESSION", "true");
  if (!langdriver.empty()) named.emplace_back("LANGDRIVER", langdriver);
  for (const std::string& p : extra) {
    const size_t eq = p.find('=');
    if (eq == std::string::npos || eq == 0) return Usage("open", "--param wants NAME=VALUE");
    named.emplace_back(p.substr(0, eq), p.substr(eq + 1));
  }
  std::string password;
  bool havePassword = false;
  if (!user.empty()) {
    if (auto env = platform::EnvironmentValue("VANTORA_PASSWORD")) {
      password = *env;
      havePassword = true;
    } else if (options_.askPassword &&
               options_.askPassword("Password for " + user + ": ", &password)) {
      havePassword = true;
    } else {
      std::fprintf(options_.err,
                   "error: no password for %s: set VANTORA_PASSWORD or run in a terminal\n",
                   user.c_str());
      return false;
    }
  }
  std::vector<VdbParameter> parameters;
  parameters.reserve(named.size());
  for (const auto& [name, value] : named) parameters.push_back({name.c_str(), value.c_str()});
  if (database_ != nullptr) {
    VdbCloseDatabase(database_);
    database_ = nullptr;
    inTransaction_ = false;
  }
  VdbDatabase* db = nullptr;
  const uint16_t status = VdbOpenDatabase(
      options_.driverType.c_str(), server.c_str(), parameters.data(),
      static_cast<int32_t>(parameters.size()), havePassword ? password.c_str() : nullptr, &db);
  std::fill(password.begin(), password.end(), '\0');
  if (status != IDAPI_OK) return Fail(status);
  database_ = db;
  connectionLost_ = false;
  char langdrv[IDAPI_NAME_SIZE] = {};
  uint16_t codePage = 0;
  VdbDatabaseInfo(db, langdrv, &codePage, nullptr);
  databaseName_ = server.empty() ? "(default library)" : server;
  const size_t slash = databaseName_.find_last_of("/!");
  if (slash != std::string::npos) databaseName_ = databaseName_.substr(slash + 1);
  inTransaction_ = false;
  tableNamesRead_ = false;
  fieldNames_.clear();
  Note("opened %s (language driver %s, code page %u)\n",
       server.empty() ? "the default library" : server.c_str(), langdrv, codePage);
  return true;
}

bool Shell::Close(const Args& args) {
  if (!args.empty()) return Usage("close", "takes no arguments");
  if (!RequireDatabase()) return false;
  const uint16_t status = VdbCloseDatabase(database_);
  database_ = nullptr;
  inTransaction_ = false;
  return status == IDAPI_OK ? true : Fail(status);
}

bool Shell::Info(const Args& args) {
  if (!args.empty()) return Usage("info", "takes no arguments");
  const char* type = options_.driverType.c_str();
  unsigned char d[IDAPI_DRIVER_DESC_SIZE];
  if (uint16_t s = VdbDescribeDriver(type, d); s != IDAPI_OK) return Fail(s);
  char version[32] = {};
  VdbDriverProperty(type, IDAPI_PROP_DRIVER_VERSION, version, sizeof version);
  ResultTable driver({"driver", "description", "version", "database type"});
  driver.Add({TextAt(d, IDAPI_DDESC_TYPE, 32), TextAt(d, IDAPI_DDESC_TEXT, 32), version,
              TextAt(d, IDAPI_DDESC_DBTYPE, 32)});
  Print(driver);

  ResultTable tables(
      {"table type", "name", "description", "format", "max record", "max field", "max name"});
  for (size_t c : {0u, 4u, 5u, 6u}) tables.SetNumeric(c);
  unsigned char t[IDAPI_TABLE_TYPE_DESC_SIZE];
  for (uint16_t n = 1; VdbDescribeTableType(type, n, t) == IDAPI_OK; ++n) {
    tables.Add({std::to_string(n), TextAt(t, IDAPI_TTDESC_NAME, 32),
                TextAt(t, IDAPI_TTDESC_TEXT, 32), TextAt(t, IDAPI_TTDESC_FORMAT, 32),
                std::to_string(idapi_get_u16(t, IDAPI_TTDESC_MAX_RECORD_SIZE)),
                std::to_string(idapi_get_u16(t, IDAPI_TTDESC_MAX_FIELD_SIZE)),
                std::to_string(idapi_get_u16(t, IDAPI_TTDESC_MAX_NAME_LENGTH))});
  }
  if (options_.format == OutputFormat::kTable) std::fputs("\n", options_.out);
  Print(tables);

  ResultTable fields({"field type", "name", "description", "native", "logical", "max units",
                      "max decimals", "unit size", "min units"});
  for (size_t c : {0u, 3u, 4u, 5u, 6u, 7u, 8u}) fields.SetNumeric(c);
  unsigned char f[IDAPI_FIELD_TYPE_DESC_SIZE];
  for (uint16_t n = 1; VdbDescribeFieldType(type, n, f) == IDAPI_OK; ++n) {
    char native[8];
    std::snprintf(native, sizeof native, "0x%X", idapi_get_u16(f, IDAPI_FTDESC_NATIVE));
    fields.Add({std::to_string(n), TextAt(f, IDAPI_FTDESC_NAME, 32),
                TextAt(f, IDAPI_FTDESC_TEXT, 32), native,
                std::to_string(idapi_get_u16(f, IDAPI_FTDESC_LOGICAL)),
                std::to_string(idapi_get_u16(f, IDAPI_FTDESC_MAX_UNITS1)),
                std::to_string(idapi_get_u16(f, IDAPI_FTDESC_MAX_UNITS2)),
                std::to_string(idapi_get_u16(f, IDAPI_FTDESC_UNIT_SIZE)),
                std::to_string(idapi_get_u16(f, IDAPI_FTDESC_MIN_UNITS))});
  }
  if (options_.format == OutputFormat::kTable) std::fputs("\n", options_.out);
  Print(fields);
  // The descriptions were asked until the driver had no more: that answer
  // is no error of the command.
  VdbClearError();
  return true;
}

bool Shell::Status(const Args& args) {
  if (!args.empty()) return Usage("status", "takes no arguments");
  VdbError e;
  VdbLastError(&e);
  std::string message = e.message;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  ResultTable t({"status", "meaning", "message", "context", "native code"});
  t.Add({Hex(e.status), VdbStatusText(e.status), message, e.context, e.nativeCode});
  Print(t);
  return true;
}

bool Shell::Help(const Args& args) {
  if (args.size() > 1) return Usage("help", "takes at most one command");
  if (!args.empty() && commands_.count(args[0]) == 0) {
    std::fprintf(Err(), "error: no command %s\n", args[0].c_str());
    return false;
  }
  for (const auto& [name, command] : commands_) {
    if (!args.empty() && args[0] != name) continue;
    std::fprintf(options_.out, "%s\n    %s\n", command.usage.c_str(), command.help.c_str());
  }
  if (args.empty()) {
    std::fputs(
        "SQL STATEMENT;\n"
        "    a line starting with an SQL verb (SELECT, WITH, VALUES, INSERT INTO, UPDATE ... SET,\n"
        "    DELETE FROM, CREATE, DROP, ALTER, CALL P(...), LOCK, COMMIT WORK, SET, ...) runs as\n"
        "    SQL, over as many lines as it takes, up to its ';'\n"
        "\\dt, \\d [TABLE], \\di TABLE, \\df, \\?, \\q\n"
        "    tables, fields (or tables), indexes, procs, help, quit\n",
        options_.out);
  }
  std::fflush(options_.out);
  return true;
}

}  // namespace vantora::db

namespace vantora::db {

std::vector<std::string> Shell::Completions(const std::string& line, size_t start) {
  std::string before = line.substr(0, std::min(start, line.size()));
  const size_t semicolon = before.find_last_of(';');
  if (semicolon != std::string::npos) before = before.substr(semicolon + 1);
  const SplitResult split = SplitCommands(before);
  const std::vector<std::string> typed =
      split.commands.empty() ? std::vector<std::string>() : split.commands.back();
  std::vector<std::string> words;
  if (typed.empty()) {
    words = CommandNames();
    for (const auto& [alias, command] : Aliases()) words.push_back(alias);
    for (std::string verb : SqlVerbs()) {
      for (char& c : verb) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      words.push_back(verb);
    }
    return words;
  }
  if (auto it = commands_.find(typed[0]); it != commands_.end()) {
    const std::string& usage = it->second.usage;
    for (size_t at = usage.find("--"); at != std::string::npos; at = usage.find("--", at + 2)) {
      const size_t end = usage.find_first_of(" ]|", at);
      words.push_back(usage.substr(at, end == std::string::npos ? end : end - at));
    }
    if (typed[0] == "open") return words;
  }
  if (database_ == nullptr) return words;
  auto same = [](const std::string& a, const std::string& b) {
    return wire::EqualsIgnoringCase(a, b);
  };
  const std::vector<std::string> tables = TableNames();
  std::string table;  // the last table the line names
  for (const std::string& w : typed) {
    for (const std::string& t : tables) {
      if (same(w, t)) table = t;
    }
  }
  if (typed.back() == "--index" && !table.empty()) {
    VdbCursor* c = nullptr;
    if (VdbOpenIndexList(database_, table.c_str(), &c) == IDAPI_OK) {
      while (VdbNext(c) == IDAPI_OK) {
        void* row = nullptr;
        VdbRecordBuffer(c, &row, nullptr);
        std::string name = static_cast<const char*>(row);
        const size_t slash = name.find('/');
        words.push_back(slash == std::string::npos ? name : name.substr(slash + 1));
      }
      VdbCloseCursor(c);
    }
    VdbClearError();
    return words;
  }
  if (typed[0] == "call" || typed[0] == "params") {
    VdbCursor* c = nullptr;
    if (VdbOpenProcedureList(database_, &c) == IDAPI_OK) {
      char name[300];
      while (VdbNext(c) == IDAPI_OK) {
        if (VdbGetFieldText(c, 1, name, sizeof name, nullptr) == IDAPI_OK) words.push_back(name);
      }
      VdbCloseCursor(c);
    }
    VdbClearError();
    return words;
  }
  words.insert(words.end(), tables.begin(), tables.end());
  if (!table.empty()) {
    const std::vector<std::string>& fields = FieldNames(table);
    words.insert(words.end(), fields.begin(), fields.end());
  }
  return words;
}

}  // namespace vantora::db
