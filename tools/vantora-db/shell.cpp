#include "tools/vantora-db/shell.h"

#include <CLI/CLI.hpp>

#include <cstring>

#include "platform/console.h"
#include "tools/vantora-db/command_options.h"
#include "tools/vantora-db/command_words.h"

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

Shell::Shell(ShellOptions options) : options_(std::move(options)) {
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
  if (database_ != nullptr) VdbCloseDatabase(database_);
  if (started_) VdbStop();
}

std::vector<std::string> Shell::CommandNames() const {
  std::vector<std::string> names;
  for (const auto& [name, command] : commands_) names.push_back(name);
  return names;
}

bool Shell::Run(const std::string& line, bool keepGoing) {
  const SplitResult split = SplitCommands(line);
  if (!split.error.empty()) {
    std::fprintf(options_.err, "error: %s\n", split.error.c_str());
    return false;
  }
  bool ok = true;
  for (const auto& words : split.commands) {
    if (words[0].rfind("#", 0) == 0) continue;  // a comment
    if (!RunCommand(words)) {
      ok = false;
      if (!keepGoing) break;
    }
    if (quit_) break;
  }
  return ok;
}

bool Shell::RunCommand(const Args& words) {
  if (!started_) {
    std::fprintf(options_.err, "error: the engine could not be started\n");
    return false;
  }
  auto it = commands_.find(words[0]);
  if (it == commands_.end()) {
    std::fprintf(options_.err, "error: no command %s (try help)\n", words[0].c_str());
    return false;
  }
  return it->second.run(Args(words.begin() + 1, words.end()));
}

bool Shell::Fail(uint16_t status) {
  VdbError e;
  VdbLastError(&e);
  const std::string message = e.status == status && e.message[0] != '\0'
                                  ? std::string(e.message)
                                  : std::string(VdbStatusText(status));
  std::string text = message;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  std::fprintf(options_.err, "error %s: %s\n", Hex(status).c_str(), text.c_str());
  if (e.status == status && e.context[0] != '\0') {
    std::fprintf(options_.err, "  %s\n", e.context);
  }
  if (e.status == status && e.nativeCode[0] != '\0') {
    std::fprintf(options_.err, "  native code %s\n", e.nativeCode);
  }
  return false;
}

bool Shell::Usage(const std::string& name, const std::string& problem) {
  std::fprintf(options_.err, "%s: %s\nusage: %s\n", name.c_str(), problem.c_str(),
               commands_[name].usage.c_str());
  return false;
}

void Shell::Print(const ResultTable& table) {
  table.Write(options_.format, options_.out);
  std::fflush(options_.out);
}

bool Shell::RequireDatabase() {
  if (database_ != nullptr) return true;
  std::fprintf(options_.err, "error: no database is open (use open)\n");
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
  if (!ParseOptions(app, args, options_.out, options_.err, &help)) return help;

  std::vector<std::pair<std::string, std::string>> named;
  if (!server.empty()) named.emplace_back("SERVER NAME", server);
  if (!user.empty()) named.emplace_back("USER NAME", user);
  if (transaction) named.emplace_back("TRANSACTION", "true");
  if (newSession) named.emplace_back("NEWSESSION", "true");
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
  for (const auto& [name, value] : named) parameters.push_back({name.c_str(), value.c_str()});
  if (database_ != nullptr) {
    VdbCloseDatabase(database_);
    database_ = nullptr;
  }
  VdbDatabase* db = nullptr;
  const uint16_t status = VdbOpenDatabase(
      options_.driverType.c_str(), server.c_str(), parameters.data(),
      static_cast<int32_t>(parameters.size()), havePassword ? password.c_str() : nullptr, &db);
  std::fill(password.begin(), password.end(), '\0');
  if (status != IDAPI_OK) return Fail(status);
  database_ = db;
  char langdrv[IDAPI_NAME_SIZE] = {};
  uint16_t codePage = 0;
  VdbDatabaseInfo(db, langdrv, &codePage, nullptr);
  ResultTable t({"database", "language driver", "code page"});
  t.SetNumeric(2);
  t.Add({server.empty() ? "(default library)" : server, langdrv, std::to_string(codePage)});
  Print(t);
  return true;
}

bool Shell::Close(const Args& args) {
  if (!args.empty()) return Usage("close", "takes no arguments");
  if (!RequireDatabase()) return false;
  const uint16_t status = VdbCloseDatabase(database_);
  database_ = nullptr;
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
    std::fprintf(options_.err, "error: no command %s\n", args[0].c_str());
    return false;
  }
  for (const auto& [name, command] : commands_) {
    if (!args.empty() && args[0] != name) continue;
    std::fprintf(options_.out, "%s\n    %s\n", command.usage.c_str(), command.help.c_str());
  }
  std::fflush(options_.out);
  return true;
}

}  // namespace vantora::db
