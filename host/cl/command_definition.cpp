#include "host/cl/command_definition.h"

#include <algorithm>

namespace vantora::host::cl {
namespace {

using T = ParamType;

ParamDef Make(std::string_view kw, ParamType type, std::string_view specials, const char* def,
              int maxElements = 1) {
  ParamDef p;
  p.keyword = kw;
  p.type = type;
  p.specials = specials;
  p.defaultValue = def;
  p.maxElements = maxElements;
  return p;
}
ParamDef Name(std::string_view kw, const char* def, std::string_view specials = {}) {
  return Make(kw, T::kName, specials, def);
}
ParamDef Qualified(std::string_view kw, const char* def, std::string_view specials = {}) {
  return Make(kw, T::kQualifiedName, specials, def);
}
ParamDef Special(std::string_view kw, std::string_view specials, const char* def,
                 int maxElements = 1) {
  return Make(kw, T::kSpecial, specials, def, maxElements);
}
ParamDef Text(std::string_view kw, int maxLength, const char* def = "*BLANK",
              std::string_view specials = "*BLANK") {
  ParamDef p = Make(kw, T::kText, specials, def);
  p.maxLength = maxLength;
  return p;
}
ParamDef Char(std::string_view kw, std::string_view chars, std::string_view specials,
              const char* def) {
  ParamDef p = Make(kw, T::kChar, specials, def);
  p.chars = chars;
  return p;
}
ParamDef Integer(std::string_view kw, int64_t lo, int64_t hi, const char* def,
                 std::string_view specials = {}) {
  ParamDef p = Make(kw, T::kInteger, specials, def);
  p.minValue = lo;
  p.maxValue = hi;
  return p;
}
ParamDef List(std::string_view kw, const char* def, int maxElements) {
  return Make(kw, T::kList, {}, def, maxElements);
}

std::vector<CommandDef> BuildTable() {
  std::vector<CommandDef> t = {
      {"ADDLIBLE", 2, {Name("LIB", nullptr), List("POSITION", "*FIRST", 2)}},
      {"CHGCURLIB", 1, {Name("CURLIB", nullptr, "*CRTDFT")}},
      {"CHGJOB",
       1,
       {Qualified("JOB", "*", "*"), Special("DATFMT", "*SAME *SYSVAL *YMD *MDY *DMY *JUL", "*SAME"),
        Char("DATSEP", "/-., ", "*SAME *SYSVAL *BLANK", "*SAME"),
        Char("TIMSEP", ":., ", "*SAME *SYSVAL *BLANK", "*SAME"),
        Integer("DFTWAIT", 0, 9999999, "*SAME", "*SAME *SYSVAL *NOMAX")}},
      {"CLOF", 1, {Name("OPNID", nullptr)}},
      {"CLRPFM", 2, {Qualified("FILE", nullptr), Name("MBR", "*FIRST", "*FIRST *LAST")}},
      {"CRTDTAQ",
       2,
       {Qualified("DTAQ", nullptr), Integer("MAXLEN", 1, 64512, nullptr),
        Special("FORCE", "*NO *YES", "*NO"), Special("SEQ", "*FIFO *LIFO *KEYED", "*FIFO"),
        Integer("KEYLEN", 1, 256, "*NONE", "*NONE"), Special("SENDERID", "*NO *YES", "*NO"),
        Text("TEXT", 50)}},
      {"CRTLF",
       3,
       {Qualified("FILE", nullptr), Qualified("SRCFILE", "*LIBL/QDDSSRC"),
        Name("SRCMBR", "*FILE", "*FILE"), Text("TEXT", 50, "*SRCMBRTXT", "*SRCMBRTXT *BLANK"),
        Special("SHARE", "*NO *YES", "*NO"), List("DTAMBRS", "*ALL", 32),
        Special("OPTION", "*SRC *NOSRC *LIST *NOLIST", "*SRC", 4),
        Special("LVLCHK", "*YES *NO", "*YES")}},
      {"CRTLIB",
       2,
       {Name("LIB", nullptr), Special("TYPE", "*PROD *TEST", "*PROD"), Text("TEXT", 50)}},
      {"CRTPF",
       3,
       {Qualified("FILE", nullptr), Qualified("SRCFILE", "*LIBL/QDDSSRC"),
        Name("SRCMBR", "*FILE", "*FILE"), Integer("RCDLEN", 1, 32766, "*NONE", "*NONE"),
        Text("TEXT", 50, "*SRCMBRTXT", "*SRCMBRTXT *BLANK"), List("SIZE", "10000 1000 3", 3),
        Special("SHARE", "*NO *YES", "*NO"), Integer("MAXMBRS", 1, 32767, "1", "*NOMAX"),
        Special("OPTION", "*SRC *NOSRC *LIST *NOLIST", "*SRC", 4),
        Special("LVLCHK", "*YES *NO", "*YES"), Special("REUSEDLT", "*NO *YES", "*NO")}},
      {"CRTSRCPF",
       3,
       {Qualified("FILE", nullptr), Integer("RCDLEN", 13, 32766, "92"),
        Name("MBR", "*NONE", "*NONE *FILE"), Text("TEXT", 50)}},
      {"DLTDTAQ", 1, {Qualified("DTAQ", nullptr)}},
      {"DLTF", 1, {Qualified("FILE", nullptr)}},
      {"DLTOVR",
       2,
       {Name("FILE", nullptr, "*ALL *PRTF"), Special("LVL", "* *JOB *ACTGRPDFN", "*")}},
      {"ENDCMTCTL", 0, {}},
      {"OPNQRYF",
       5,
       {List("FILE", nullptr, 32), Special("OPTION", "*INP *OUT *UPD *DLT *ALL", "*INP", 4),
        List("FORMAT", "*FILE", 2), Text("QRYSLT", 32767, "*ALL", "*ALL"),
        List("KEYFLD", "*NONE", 50), Special("UNIQUEKEY", "*NONE *ALL", "*NONE"),
        Name("OPNID", "*FILE", "*FILE"), Special("SEQONLY", "*YES *NO", "*YES", 2),
        Special("OPNSCOPE", "*ACTGRPDFN *ACTGRP *JOB", "*ACTGRPDFN"),
        Special("ALWCPYDTA", "*YES *NO *OPTIMIZE", "*YES"),
        Special("OPTIMIZE", "*ALLIO *FIRSTIO *MINWAIT", "*ALLIO", 2)}},
      {"OVRDBF",
       3,
       {Name("FILE", nullptr), Qualified("TOFILE", "*FILE", "*FILE"),
        Name("MBR", "*FIRST", "*FIRST *LAST *ALL"), Special("SHARE", "*NO *YES", "*NO"),
        Special("OVRSCOPE", "*ACTGRPDFN *CALLLVL *JOB", "*ACTGRPDFN"),
        Special("SEQONLY", "*NO *YES", "*NO", 2),
        Integer("WAITRCD", 0, 32767, "*NOCHG", "*NOCHG *IMMED *NOMAX")}},
      {"RMVLIBLE", 1, {Name("LIB", nullptr)}},
      {"STRCMTCTL",
       1,
       {Special("LCKLVL", "*CHG *CS *ALL", nullptr), Special("CMTSCOPE", "*ACTGRP *JOB", "*ACTGRP"),
        Text("TEXT", 50, "*DFT", "*DFT")}},
  };
  std::sort(t.begin(), t.end(),
            [](const CommandDef& a, const CommandDef& b) { return a.name < b.name; });
  return t;
}

}  // namespace

const ParamDef* CommandDef::Find(std::string_view keyword) const {
  for (const ParamDef& p : params) {
    if (p.keyword == keyword) return &p;
  }
  return nullptr;
}

const std::vector<CommandDef>& AllCommands() {
  static const std::vector<CommandDef> table = BuildTable();
  return table;
}

const CommandDef* FindCommand(std::string_view name) {
  for (const CommandDef& c : AllCommands()) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

}  // namespace vantora::host::cl
