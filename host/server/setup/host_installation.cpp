#include "host/server/setup/host_installation.h"

#include "host/server/objects/programs.h"
#include "host/server/services/object_lists.h"
#include "protocol/host_messages.h"

namespace vantora::host {
namespace {

FieldDef Bin2(std::string name) {
  return BinaryField(std::move(name), FieldType::kBin2);
}

// `*exists` says whether the file is there; a failed read answers its error.
Status FileExists(Catalogue& catalogue, const ObjectName& name, bool* exists) {
  FileDescription d;
  Status s = catalogue.DescribeFile(name, &d);
  *exists = s.ok();
  return s.ok() || s.code() == StatusCode::kFileNotFound ? Status::Ok() : s;
}

Status CreateFile(Catalogue& catalogue, const PhysicalFileDef& def) {
  bool exists = false;
  if (Status s = FileExists(catalogue, def.name, &exists); !s.ok() || exists) return s;
  return catalogue.CreatePhysicalFile(def);
}

PhysicalFileDef FormatFile(const std::string& library, const char* name, const char* text,
                           std::vector<FieldDef> fields) {
  PhysicalFileDef def;
  def.name = {library, name};
  def.text = text;
  def.fields = std::move(fields);
  return def;
}

PhysicalFileDef IndexDictionary(const std::string& library) {
  PhysicalFileDef def;
  def.name = {library, "YIDXR0100"};
  def.formatName = "YIDXR";
  def.text = "Index dictionary of the database driver";
  def.fields = {CharField("KIND", 1),   CharField("PFFIL", 10), CharField("PFLIB", 10),
                CharField("LFFIL", 10), CharField("LFLIB", 10), Bin2("RESV"),
                Bin2("IDXNO"),          Bin2("UNIQUE"),         Bin2("NKEYS")};
  for (int i = 1; i <= 50; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "KEY%02d", i);
    def.fields.push_back(Bin2(name));
  }
  def.key = {{"KIND"}, {"PFFIL"}, {"PFLIB"}};
  return def;
}

PhysicalFileDef ProcedureHeaders(const std::string& library) {
  PhysicalFileDef def;
  def.name = {library, "YPROCHDR"};
  def.formatName = "YPROCH";
  def.text = "Stored procedures";
  def.fields = {CharField("PROCNAME", 10), CharField("PGMLIB", 10), CharField("PGMNAME", 10),
                Bin2("PARMCOUNT"),         Bin2("FIELDCOUNT"),      CharField("DESCR", 80),
                CharField("TARGET", 1),    CharField("RESV", 3)};
  def.key = {{"PROCNAME"}};
  def.unique = true;
  return def;
}

PhysicalFileDef ProcedureFields(const std::string& library) {
  PhysicalFileDef def;
  def.name = {library, "YPROCPARMS"};
  def.formatName = "YPROCP";
  def.text = "Fields of stored procedure parameters";
  def.fields = {CharField("PROCNAME", 10),
                Bin2("ROWSEQ"),
                Bin2("PARMNO"),
                Bin2("DIRECTION"),
                Bin2("PCTYPE"),
                Bin2("PCLEN"),
                Bin2("PCDEC"),
                Bin2("ASTYPE"),
                Bin2("ASLEN"),
                Bin2("ASDEC"),
                Bin2("ASDIGITS"),
                CharField("FLDNAME", 10)};
  def.key = {{"PROCNAME"}};
  return def;
}

Status CreateByProgram(Catalogue& catalogue, const std::string& library) {
  LogicalFileDef def;
  def.name = {library, "YPROCPGM"};
  def.text = "Stored procedures by program";
  def.formats = {{"YPROCH", {{library, "YPROCHDR"}}, {}, {{"PGMLIB"}, {"PGMNAME"}}}};
  bool exists = false;
  if (Status s = FileExists(catalogue, def.name, &exists); !s.ok() || exists) return s;
  return catalogue.CreateLogicalFile(def);
}

Status CreateEntry(Catalogue& catalogue, const ObjectEntry& entry) {
  ObjectEntry existing;
  Status s = catalogue.FindObject(entry.name, entry.type, &existing);
  if (s.ok()) return s;
  if (s.code() != StatusCode::kObjectNotFound) return s;
  return catalogue.CreateObject(entry);
}

}  // namespace

Status CreateProcedureFiles(Catalogue& catalogue, const std::string& library) {
  bool exists = false;
  if (Status s = catalogue.LibraryExists(library, &exists); !s.ok()) return s;
  if (!exists) return Status::Error(StatusCode::kLibraryNotFound, library);
  for (const char* name : {"YPROCHDR", "YPROCPARMS", "YPROCPGM"}) {
    if (Status s = FileExists(catalogue, {library, name}, &exists); !s.ok()) return s;
    if (exists) return Status::Error(StatusCode::kObjectExists, library + "/" + name);
  }
  if (Status s = catalogue.CreatePhysicalFile(ProcedureHeaders(library)); !s.ok()) return s;
  if (Status s = catalogue.CreatePhysicalFile(ProcedureFields(library)); !s.ok()) return s;
  return CreateByProgram(catalogue, library);
}

Status CreateServerFiles(Catalogue& catalogue, const std::string& library) {
  for (const char* name : {"YIDXR0100", "YPROCHDR", "YPROCPARMS", "YPROCPGM"}) {
    bool exists = false;
    if (Status s = FileExists(catalogue, {library, name}, &exists); !s.ok()) return s;
    if (exists) return Status::Error(StatusCode::kObjectExists, library + "/" + name);
  }
  if (Status s = catalogue.CreatePhysicalFile(IndexDictionary(library)); !s.ok()) return s;
  return CreateProcedureFiles(catalogue, library);
}

Status InstallHostObjects(Storage& storage, const std::filesystem::path& directory) {
  Catalogue& catalogue = storage.catalogue();
  const std::string lib = kHostLibrary;
  bool exists = false;
  if (Status s = catalogue.LibraryExists(lib, &exists); !s.ok()) return s;
  if (!exists) {
    if (Status s = catalogue.CreateLibrary(lib, "Vantora host objects"); !s.ok()) return s;
  }
  const PhysicalFileDef files[] = {
      FormatFile(lib, "YOBJL0200", "Format OBJL0200 of QUSLOBJ", ObjectListFields()),
      FormatFile(lib, "YDBRL0100", "Format DBRL0100 of QDBLDBR", RelationListFields()),
      FormatFile(lib, "YRTVM0100", "Format RTVM0100 of QMHRTVM", RetrievedMessageFields()),
      FormatFile(lib, "YLJBL0100", "Format LJBL0100 of QMHLJOBL", JobLogFields()),
      IndexDictionary(lib),
      ProcedureHeaders(lib),
      ProcedureFields(lib),
  };
  for (const auto& def : files) {
    if (Status s = CreateFile(catalogue, def); !s.ok()) return s;
  }
  if (Status s = CreateByProgram(catalogue, lib); !s.ok()) return s;
  for (const char* file : {wire::kSystemMessageFile, wire::kSqlMessageFile}) {
    const char* text = file == wire::kSystemMessageFile ? "System messages" : "SQL messages";
    if (Status s = CreateEntry(catalogue, {{std::string(kSystemLibrary), file}, "*MSGF", "", text});
        !s.ok()) {
      return s;
    }
  }
  ProgramRegistry registry(directory / "programs.ini");
  for (const ProgramDefinition& p : registry.All()) {
    if (Status s = catalogue.LibraryExists(p.name.library, &exists); !s.ok()) return s;
    if (!exists) continue;  // listed once the library exists
    const char* attribute = p.builtin ? "CLE" : "EXE";
    if (Status s = CreateEntry(catalogue, {p.name, "*PGM", attribute, p.text}); !s.ok()) return s;
  }
  return Status::Ok();
}

}  // namespace vantora::host
