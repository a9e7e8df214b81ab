#include "tools/vtsetup/settings_model.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/profile.h"
#include "platform/user_paths.h"

namespace vantora::vtsetup {
namespace {

// A value the reader never gives (it ends every value at a line end): tells
// a missing key from an empty one.
constexpr char kAbsent[] = "\n";

// The longest server program path (PGM_name), user profile, SNA LU name.
constexpr std::size_t kProgramMax = 63;
constexpr std::size_t kNameMax = 10;
constexpr std::size_t kLuMax = 8;

std::string Lower(std::string s) {
  for (char& c : s) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return s;
}

bool HasBlank(const std::string& s) {
  return s.find_first_of(" \t") != std::string::npos;
}

bool AllDigits(const std::string& s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// True for a port number, 1 to 65535, in digits only.
bool IsPort(const std::string& s) {
  if (!AllDigits(s)) return false;
  long value = 0;
  for (char c : s) value = value * 10 + (c - '0');
  return value >= 1 && value <= 65535;
}

// What the TCP transport accepts as General/Location: a name or address,
// optionally with ":port" (an IPv6 address with a port in brackets).
std::string LocationProblem(const std::string& v) {
  if (HasBlank(v)) return "a host name or address holds no blank";
  std::string port;
  bool hasPort = false;
  if (v.front() == '[') {
    const std::size_t close = v.find(']');
    if (close == std::string::npos || close == 1) return "an address in brackets needs its ']'";
    if (close + 1 < v.size()) {
      if (v[close + 1] != ':') return "only \":port\" may follow ']'";
      hasPort = true;
      port = v.substr(close + 2);
    }
  } else if (const std::size_t colon = v.find(':');
             colon != std::string::npos && colon == v.rfind(':')) {
    if (colon == 0) return "a host name or address comes before \":port\"";
    hasPort = true;
    port = v.substr(colon + 1);
  }
  if (hasPort && !IsPort(port)) {
    return "the port after ':' is a number from 1 to 65535";
  }
  return {};
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool FileExists(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return static_cast<bool>(in);
}

std::size_t IndexOf(Field field) {
  return static_cast<std::size_t>(field);
}

}  // namespace

const std::vector<FieldInfo>& Fields() {
  static const std::vector<FieldInfo> fields = {
      {Field::kNetwork, "General", "Network", "Network type", FieldKind::kChoice},
      {Field::kLocation, "General", "Location", "AS/400 name or TCP/IP address", FieldKind::kText},
      {Field::kProgram, "General", "Program", "Server program", FieldKind::kText},
      {Field::kNoWait, "General", "NoWait", "No-wait mode", FieldKind::kFlag},
      {Field::kLu, "SNA", "Lu", "SNA local LU name", FieldKind::kText},
      {Field::kPort, "Tcp", "Port", "TCP port", FieldKind::kNumber},
      {Field::kConnectTimeout, "Tcp", "ConnectTimeout", "Connect time limit (s)",
       FieldKind::kNumber},
      {Field::kReceiveTimeout, "Tcp", "ReceiveTimeout", "Reply time limit (s)", FieldKind::kNumber},
      {Field::kUser, "Tcp", "User", "User profile", FieldKind::kText},
      {Field::kTls, "Tcp", "Tls", "TLS (verify the server's certificate)", FieldKind::kFlag},
      {Field::kTlsCaFile, "Tcp", "TlsCaFile", "Trusted authorities (PEM file)", FieldKind::kText},
      {Field::kDataDirectory, "Host", "DataDirectory", "Host data directory", FieldKind::kText},
      {Field::kDefaultUser, "Host", "DefaultUser", "Host default user", FieldKind::kText},
  };
  return fields;
}

const FieldInfo& InfoOf(Field field) {
  return Fields()[IndexOf(field)];
}

Field FindField(const std::string& section, const std::string& key) {
  for (const FieldInfo& info : Fields()) {
    if (Lower(section) == Lower(info.section) && Lower(key) == Lower(info.key)) return info.field;
  }
  return Field::kCount;
}

std::string DefaultValue(Field field) {
  switch (field) {
    case Field::kNetwork:
      return "ehn";
    case Field::kLocation:
      return "localhost";
    case Field::kProgram:
      return "VANTORA/VANTORA";
    case Field::kNoWait:
    case Field::kTls:
      return "0";
    case Field::kPort:
      return "8471";
    case Field::kConnectTimeout:
      return "10";
    case Field::kReceiveTimeout:
      return "60";
    case Field::kDataDirectory: {
      const std::string data = platform::UserDataHome();
      return data.empty() ? data : data + "/vantora/host";
    }
    case Field::kDefaultUser:
      return "VANTORA";
    case Field::kLu:
    case Field::kUser:
    case Field::kTlsCaFile:  // the system's trust store
    case Field::kCount:
      break;
  }
  return {};
}

SettingsModel::SettingsModel(std::function<bool(const std::string&)> transportAvailable)
    : transportAvailable_(std::move(transportAvailable)) {
  Load({}, {});
}

void SettingsModel::Load(const std::string& readPath, const std::string& writePath) {
  readPath_ = readPath;
  writePath_ = writePath;
  fileText_ = FileExists(writePath) ? ReadText(writePath) : ReadText(readPath);
  const platform::Profile profile = platform::Profile::FromText(fileText_);
  const std::size_t n = IndexOf(Field::kCount);
  fileValues_.assign(n, {});
  inFile_.assign(n, false);
  values_.assign(n, {});
  for (const FieldInfo& info : Fields()) {
    const std::size_t i = IndexOf(info.field);
    std::string value = profile.GetString(info.section, info.key, kAbsent);
    inFile_[i] = value != kAbsent;
    fileValues_[i] = inFile_[i] ? value : std::string();
    values_[i] = inFile_[i] ? value : DefaultValue(info.field);
  }
}

const std::string& SettingsModel::Value(Field field) const {
  return values_[IndexOf(field)];
}

std::string SettingsModel::EffectiveValue(Field field) const {
  const std::string& v = values_[IndexOf(field)];
  return v.empty() ? DefaultValue(field) : v;
}

void SettingsModel::SetValue(Field field, std::string value) {
  values_[IndexOf(field)] = std::move(value);
}

bool SettingsModel::InFile(Field field) const {
  return inFile_[IndexOf(field)];
}

bool SettingsModel::NetworkAvailable(const std::string& network) const {
  return transportAvailable_ && transportAvailable_(network);
}

bool SettingsModel::Enabled(Field field) const {
  const std::string net = Lower(EffectiveValue(Field::kNetwork));
  switch (field) {
    case Field::kLocation:
      return net == "tcp" || net == "sna";
    case Field::kLu:
      return net == "sna";
    case Field::kPort:
    case Field::kConnectTimeout:
    case Field::kReceiveTimeout:
    case Field::kUser:
    case Field::kTls:
    case Field::kTlsCaFile:
      return net == "tcp";
    case Field::kDataDirectory:
    case Field::kDefaultUser:
      return net == "ehn";
    default:
      return true;
  }
}

bool SettingsModel::Changed(Field field) const {
  const std::size_t i = IndexOf(field);
  return inFile_[i] ? values_[i] != fileValues_[i]
                    : !values_[i].empty() && values_[i] != DefaultValue(field);
}

std::string SettingsModel::Problem(Field field) const {
  if (!Enabled(field) && !Changed(field)) return {};
  const std::string& v = Value(field);
  if (v.empty()) return {};  // the key is left out and its default applies
  if (v.find_first_of("\r\n") != std::string::npos) return "a value cannot hold a line break";
  switch (field) {
    case Field::kNetwork: {
      if (v.size() > 4) {
        return "the client library reads at most 4 characters: \"" + v + "\" would be read as \"" +
               v.substr(0, 4) + "\"";
      }
      if (!NetworkAvailable(v)) {
        return "not available: the transport module for \"" + v + "\" is not installed";
      }
      return {};
    }
    case Field::kLocation:
      return LocationProblem(v);
    case Field::kProgram:
      if (v.size() > kProgramMax) return "at most 63 characters";
      if (HasBlank(v)) return "a program path holds no blank";
      return {};
    case Field::kNoWait:
    case Field::kTls:
      return v == "0" || v == "1" ? std::string() : "0 (off) or 1 (on)";
    case Field::kTlsCaFile:
      return FileExists(v) ? std::string() : "no file " + v + " can be read";
    case Field::kLu:
      if (v.size() > kLuMax) return "an LU name has at most 8 characters";
      if (HasBlank(v)) return "an LU name holds no blank";
      return {};
    case Field::kPort: {
      if (!IsPort(v)) {
        return "a port is a number from 1 to 65535";
      }
      return {};
    }
    case Field::kConnectTimeout:
    case Field::kReceiveTimeout:
      return AllDigits(v) ? std::string() : "a number of seconds (0: no limit)";
    case Field::kUser:
    case Field::kDefaultUser:
      if (v.size() > kNameMax) return "a user profile has at most 10 characters";
      if (HasBlank(v)) return "a user profile holds no blank";
      return {};
    case Field::kDataDirectory:
      return {};
    case Field::kCount:
      break;
  }
  return {};
}

std::vector<std::string> SettingsModel::Problems() const {
  std::vector<std::string> problems;
  for (const FieldInfo& info : Fields()) {
    std::string why = Problem(info.field);
    if (!why.empty()) problems.push_back(std::string(info.section) + "/" + info.key + ": " + why);
  }
  return problems;
}

std::vector<platform::ProfileChange> SettingsModel::Changes() const {
  std::vector<platform::ProfileChange> changes;
  for (const FieldInfo& info : Fields()) {
    if (!Changed(info.field)) continue;
    const std::string& v = values_[IndexOf(info.field)];
    changes.push_back(
        {info.section, info.key, v.empty() ? std::nullopt : std::optional<std::string>(v)});
  }
  return changes;
}

std::string SettingsModel::EffectiveText() const {
  return platform::ApplyProfileChanges(fileText_, Changes());
}

std::string SettingsModel::Save(const std::vector<platform::ProfileChange>& others) {
  std::vector<std::string> problems = Problems();
  if (!problems.empty()) {
    std::string text = "The settings were not saved:";
    for (const std::string& p : problems) text += "\n" + p;
    return text;
  }
  std::vector<platform::ProfileChange> changes = Changes();
  changes.insert(changes.end(), others.begin(), others.end());
  if (changes.empty()) return {};
  std::string error = platform::WriteProfileChanges(writePath_, changes, readPath_);
  if (!error.empty()) return "The settings were not saved: " + error;
  Load(readPath_, writePath_);
  return {};
}

bool SettingsModel::HoldsPassword() const {
  return platform::ProfileHoldsPassword(fileText_);
}

}  // namespace vantora::vtsetup
