#include "host/admin/admin_command.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <memory>

#include "host/server/host_setup.h"
#include "host/server/session/host.h"
#include "host/server/setup/host_installation.h"

namespace vantora::host {
namespace {

constexpr int kOk = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;
// Keeps a demo within what one SQLite file handles comfortably.
constexpr int kMaxRecords = 50'000'000;

constexpr char kHelp[] =
    "usage: vantora-host COMMAND ...\n"
    "  init DIR                     create (or open) a host data directory\n"
    "  add-user DIR NAME            add a user profile; the password comes from\n"
    "                               $VANTORA_PASSWORD, else is asked on the terminal\n"
    "  demo DIR [--records N]       (re)create the demo library DEMO with N\n"
    "                               records in DEMO/BENCH100 (default 1000)\n"
    "  procedure-files DIR LIBRARY  create the stored-procedure catalogue files\n"
    "                               YPROCHDR, YPROCPARMS and YPROCPGM in LIBRARY\n"
    "  password-level DIR [LEVEL]   show or set how passwords compare: 0 or 1 without\n"
    "                               regard to case (the default), 2 or 3 exactly\n"
    "  --help                       show this text\n";

int Usage(std::ostream& err, const std::string& why) {
  err << "vantora-host: " << why << "\n" << kHelp;
  return kUsage;
}

int Refused(std::ostream& err, const Status& s) {
  err << "vantora-host: " << s.ToString() << "\n";
  return kRefused;
}

}  // namespace

int RunAdminCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const SecretPrompt& ask) {
  if (args.empty()) return Usage(err, "no command");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    out << kHelp;
    return kOk;
  }
  if (command != "init" && command != "add-user" && command != "demo" &&
      command != "procedure-files" && command != "password-level") {
    return Usage(err, "unknown command '" + command + "'");
  }
  if (args.size() < 2) return Usage(err, command + ": no data directory");
  int records = kDefaultBenchRecords;
  if (command == "init" && args.size() != 2) return Usage(err, "init takes one directory");
  if (command == "add-user" && args.size() == 4) {
    return Usage(err,
                 "add-user takes no password on the command line, where other users of the "
                 "machine can read it: set VANTORA_PASSWORD, or type it when asked");
  }
  if (command == "add-user" && (args.size() != 3 || args[2].empty())) {
    return Usage(err, "add-user takes a directory and a name");
  }
  if (command == "procedure-files" &&
      (args.size() != 3 || args[2].empty() || args[2].size() > 10)) {
    return Usage(err, "procedure-files takes a directory and a library name (1-10 characters)");
  }
  int level = -1;
  if (command == "password-level") {
    if (args.size() == 3) {
      const std::string& n = args[2];
      auto r = std::from_chars(n.data(), n.data() + n.size(), level);
      if (r.ec != std::errc() || r.ptr != n.data() + n.size() || level < 0 || level > 3) {
        return Usage(err, "password-level takes a level from 0 to 3");
      }
    } else if (args.size() != 2) {
      return Usage(err, "password-level takes a directory and optionally a level");
    }
  }
  if (command == "demo") {
    if (args.size() == 4 && args[2] == "--records") {
      const std::string& n = args[3];
      auto r = std::from_chars(n.data(), n.data() + n.size(), records);
      if (r.ec != std::errc() || r.ptr != n.data() + n.size() || records < 0 ||
          records > kMaxRecords) {
        return Usage(err, "--records takes a number from 0 to " + std::to_string(kMaxRecords));
      }
    } else if (args.size() != 2) {
      return Usage(err, "demo takes a directory and optionally --records N");
    }
  }
  std::unique_ptr<Host> host;
  if (Status s = Host::Open(args[1], {}, &host); !s.ok()) return Refused(err, s);
  if (command == "add-user") {
    auto& profiles = host->storage().userProfiles();
    bool exists = false;
    if (Status s = profiles.Exists(args[2], &exists); !s.ok()) return Refused(err, s);
    if (exists) {
      return Refused(err, Status::Error(StatusCode::kObjectExists, "user profile " + args[2]));
    }
    std::string password;
    std::string why;
    if (!ReadProfilePassword(args[2], ask, &password, &why)) {
      err << "vantora-host: " << why << "\n";
      return kUsage;
    }
    Status s = profiles.Create(args[2], password, "");
    std::fill(password.begin(), password.end(), '\0');
    if (!s.ok()) return Refused(err, s);
    out << "user " << args[2] << " added\n";
  } else if (command == "procedure-files") {
    std::string library = args[2];
    for (char& c : library) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (Status s = CreateProcedureFiles(host->storage().catalogue(), library); !s.ok()) {
      return Refused(err, s);
    }
    out << "YPROCHDR, YPROCPARMS and YPROCPGM created in " << library << "\n";
  } else if (command == "password-level") {
    auto& profiles = host->storage().userProfiles();
    if (level >= 0) {
      if (Status s = profiles.SetPasswordLevel(level); !s.ok()) return Refused(err, s);
    }
    if (Status s = profiles.PasswordLevel(&level); !s.ok()) return Refused(err, s);
    out << "password level " << level << ": passwords compare "
        << (level >= 2 ? "exactly" : "without regard to case") << "\n";
  } else if (command == "demo") {
    if (Status s = CreateDemoLibrary(host->storage(), records); !s.ok()) return Refused(err, s);
    out << "demo library DEMO created, " << records << " records in DEMO/BENCH100\n";
  } else {
    out << "data directory " << args[1] << " ready\n";
  }
  return kOk;
}

}  // namespace vantora::host
