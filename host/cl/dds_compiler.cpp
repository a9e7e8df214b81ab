#include "host/cl/dds_compiler.h"

#include <charconv>

#include "host/cl/command_binding.h"
#include "host/cl/dds_keywords.h"
#include "protocol/blank_padded.h"

namespace vantora::host::cl {
namespace {

// One entry: a source line with its continuation lines joined.
struct Entry {
  int line = 0;
  char nameType = ' ';
  std::string name;
  std::string length, decimals;
  char dataType = ' ';
  std::vector<DdsKeyword> keywords;
};

using wire::Trim;

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperString(std::string s) {
  for (char& c : s) c = Upper(c);
  return s;
}

std::string Column(const std::string& line, size_t from, size_t to) {
  // 1-based, inclusive.
  if (line.size() < from) return {};
  return line.substr(from - 1, std::min(line.size(), to) - (from - 1));
}

class Compiler {
 public:
  Compiler(DdsKind kind, DdsFile* out, DdsError* error) : kind_(kind), out_(out), error_(error) {}

  bool Run(const std::vector<std::string>& lines) {
    if (lines.size() > kMaxDdsLines) return Fail(0, "source longer than the limit");
    std::vector<Entry> entries;
    if (!Read(lines, &entries)) return false;
    out_->logical = kind_ == DdsKind::kLogical;
    for (const Entry& e : entries) {
      if (!Take(e)) return false;
    }
    return Finish();
  }

 private:
  bool Fail(int line, std::string detail) {
    error_->line = line;
    error_->detail = std::move(detail);
    return false;
  }

  bool Read(const std::vector<std::string>& lines, std::vector<Entry>* entries) {
    bool continued = false;
    bool keepBlanks = false;
    for (size_t i = 0; i < lines.size(); ++i) {
      const int number = static_cast<int>(i + 1);
      std::string line = lines[i].substr(0, 80);
      for (char c : line) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
          return Fail(number, "control character in the source");
        }
      }
      if (line.size() >= 7 && line[6] == '*') continue;
      std::string keywords = Column(line, 45, 80);
      if (continued) {
        std::string more = keepBlanks ? keywords : Trim(keywords);
        pending_ += more;
      } else {
        if (Trim(line.size() > 6 ? line.substr(6) : std::string()).empty()) continue;
        Entry e;
        e.line = number;
        std::string t = Column(line, 17, 17);
        e.nameType = t.empty() ? ' ' : Upper(t[0]);
        e.name = UpperString(Trim(Column(line, 19, 28)));
        e.length = Trim(Column(line, 30, 34));
        std::string d = Column(line, 35, 35);
        e.dataType = d.empty() ? ' ' : Upper(d[0]);
        e.decimals = Trim(Column(line, 36, 37));
        entries->push_back(std::move(e));
        pending_ = Trim(keywords);
      }
      // Continuation: the keyword text ends with + (next line from its first
      // non-blank) or - (next line from column 45).
      std::string trimmed = Trim(pending_);
      continued = !trimmed.empty() && (trimmed.back() == '+' || trimmed.back() == '-');
      if (continued) {
        keepBlanks = trimmed.back() == '-';
        pending_ = trimmed.substr(0, trimmed.size() - 1);
      } else {
        std::string why;
        if (!ParseDdsKeywords(pending_, &entries->back().keywords, &why)) return Fail(number, why);
      }
    }
    if (continued) return Fail(static_cast<int>(lines.size()), "continuation without a next line");
    return true;
  }

  static bool Digits(const std::string& s, int* out) {
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), *out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && *out >= 0;
  }

  static const DdsArgument* Arg(const DdsKeyword& k, size_t i) {
    return i < k.arguments.size() ? &k.arguments[i] : nullptr;
  }

  bool Take(const Entry& e) {
    switch (e.nameType) {
      case 'R':
        return Record(e);
      case 'K':
        return Key(e);
      case 'S':
      case 'O':
        return SelectOmit(e, true);
      case 'J':
        return Join(e);
      case ' ':
        if (e.name.empty()) {
          if (inSelectOmit_) return SelectOmit(e, false);
          if (inJoin_) return Join(e);
          if (!sawRecord_) return FileKeywords(e);
          return Fail(e.line, "line without a name");
        }
        if (inSelectOmit_) return SelectOmit(e, false);
        inJoin_ = false;
        return Field(e);
      default:
        return Fail(e.line, std::string("name type '") + e.nameType + "' not valid");
    }
  }

  bool FileKeywords(const Entry& e) {
    for (const DdsKeyword& k : e.keywords) {
      if (k.name == "UNIQUE") {
        unique_ = true;
      } else if (k.name == "DYNSLT") {
        out_->dynamicSelect = true;
      } else if (k.name == "REF" || k.name == "FIFO" || k.name == "LIFO" || k.name == "FCFO") {
        // Accepted; they change nothing here.
      } else {
        return Fail(e.line, "keyword " + k.name + " not valid at file level");
      }
    }
    return true;
  }

  bool Record(const Entry& e) {
    if (!IsValidName(e.name)) return Fail(e.line, "record format name '" + e.name + "' not valid");
    if (kind_ == DdsKind::kPhysical && sawRecord_) {
      return Fail(e.line, "a physical file has one record format");
    }
    sawRecord_ = true;
    inSelectOmit_ = false;
    if (kind_ == DdsKind::kPhysical) {
      out_->physical.formatName = e.name;
    } else {
      out_->logicalDef.formats.emplace_back();
      out_->logicalDef.formats.back().name = e.name;
    }
    bool based = false;
    for (const DdsKeyword& k : e.keywords) {
      if (k.name == "TEXT" && Arg(k, 0)) {
        text_ = Arg(k, 0)->text;
      } else if (kind_ == DdsKind::kLogical && (k.name == "PFILE" || k.name == "JFILE")) {
        if (k.arguments.empty()) return Fail(e.line, k.name + " needs a file");
        if (k.name == "PFILE" && k.arguments.size() > 1) {
          return Fail(e.line, "PFILE with several files is not supported");
        }
        if (k.name == "JFILE") {
          if (k.arguments.size() < 2) return Fail(e.line, "JFILE needs two or more files");
          out_->logicalDef.join = true;
        }
        for (const DdsArgument& a : k.arguments) {
          ObjectName n;
          SplitQualified(a.text, &n.library, &n.name);
          if (a.quoted || !IsValidName(n.name) ||
              (!n.library.empty() && !IsValidName(n.library) && n.library != "*LIBL" &&
               n.library != "*CURLIB")) {
            return Fail(e.line, "file name '" + a.text + "' not valid in " + k.name);
          }
          if (n.library == "*LIBL") n.library.clear();
          out_->logicalDef.formats.back().basedOn.push_back(n);
        }
        based = true;
      } else {
        return Fail(e.line, "keyword " + k.name + " not valid on a record line");
      }
    }
    if (kind_ == DdsKind::kLogical && !based) return Fail(e.line, "PFILE or JFILE missing");
    return true;
  }

  bool Field(const Entry& e) {
    if (!sawRecord_) return Fail(e.line, "field before the record line");
    if (sawKey_) return Fail(e.line, "field after the key fields");
    if (!IsValidName(e.name)) return Fail(e.line, "field name '" + e.name + "' not valid");
    if (kind_ == DdsKind::kLogical) return LogicalField(e);
    FieldDef f;
    f.name = e.name;
    FieldSize size;
    size.hasLength = !e.length.empty();
    size.hasDecimals = !e.decimals.empty();
    if (size.hasLength && !Digits(e.length, &size.length)) return Fail(e.line, "length not valid");
    if (size.hasDecimals && !Digits(e.decimals, &size.decimals)) {
      return Fail(e.line, "decimals not valid");
    }
    char type = e.dataType;
    if (type == ' ') type = size.hasDecimals ? 'P' : 'A';
    bool varlen = false, doublePrecision = false;
    if (!FieldKeywords(e, &f, &varlen, &doublePrecision)) return false;
    if (!FieldType(e, type, size, varlen, doublePrecision, &f)) return false;
    if (varlen && type != 'A') return Fail(e.line, "VARLEN on a field that is not character");
    if (size.hasDecimals && size.decimals > size.length) {
      return Fail(e.line, "more decimals than digits");
    }
    out_->physical.fields.push_back(std::move(f));
    return true;
  }

  // A logical file's field names one of the based-on format's fields.
  bool LogicalField(const Entry& e) {
    for (const DdsKeyword& k : e.keywords) {
      if (k.name != "TEXT" && k.name != "COLHDG" && k.name != "JREF" && k.name != "EDTCDE" &&
          k.name != "EDTWRD" && k.name != "CCSID") {
        return Fail(e.line, "keyword " + k.name + " not supported on a logical file field");
      }
    }
    out_->logicalDef.formats.back().fields.push_back(e.name);
    return true;
  }

  // The length and decimals columns of a field line.
  struct FieldSize {
    bool hasLength = false, hasDecimals = false;
    int length = 0, decimals = 0;
  };

  // The keywords of a physical file's field line.
  bool FieldKeywords(const Entry& e, FieldDef* f, bool* varlen, bool* doublePrecision) {
    for (const DdsKeyword& k : e.keywords) {
      const DdsArgument* a = Arg(k, 0);
      if (k.name == "TEXT") {
        if (!a) return Fail(e.line, "TEXT needs a text");
        f->text = a->text;
      } else if (k.name == "COLHDG") {
        for (const DdsArgument& h : k.arguments)
          f->heading += (f->heading.empty() ? "" : " ") + h.text;
      } else if (k.name == "ALWNULL") {
        f->nullCapable = true;
      } else if (k.name == "VARLEN") {
        *varlen = true;
      } else if (k.name == "FLTPCN") {
        if (!a || (a->text != "*DOUBLE" && a->text != "*SINGLE")) {
          return Fail(e.line, "FLTPCN takes *SINGLE or *DOUBLE");
        }
        *doublePrecision = a->text == "*DOUBLE";
      } else if (k.name == "DATFMT" || k.name == "TIMFMT") {
        int code = FormatCode(a ? a->text : "", k.name == "TIMFMT");
        if (code < 0) return Fail(e.line, k.name + " value not valid");
        f->dateTimeFormat = static_cast<uint16_t>((code << 8) | (f->dateTimeFormat & 0xFF));
      } else if (k.name == "DATSEP" || k.name == "TIMSEP") {
        if (!a || a->text.size() != 1) return Fail(e.line, k.name + " takes one character");
        f->dateTimeFormat = static_cast<uint16_t>((f->dateTimeFormat & 0xFF00) |
                                                  static_cast<unsigned char>(a->text[0]));
      } else if (k.name == "DFT" || k.name == "EDTCDE" || k.name == "EDTWRD" || k.name == "CCSID" ||
                 k.name == "CHECK") {
        // Accepted; presentation only.
      } else {
        return Fail(e.line, "keyword " + k.name + " not valid on a field line");
      }
    }
    return true;
  }

  // The field's type from its data type letter and size.
  bool FieldType(const Entry& e, char type, const FieldSize& size, bool varlen,
                 bool doublePrecision, FieldDef* f) {
    auto needLength = [&](int lo, int hi) {
      if (!size.hasLength) return Fail(e.line, "length missing for field " + f->name);
      if (size.length < lo || size.length > hi)
        return Fail(e.line, "length of field " + f->name + " not valid");
      return true;
    };
    switch (type) {
      case 'A':
      case 'H':
        if (!needLength(1, kMaxCharLength)) return false;
        if (size.hasDecimals) return Fail(e.line, "decimals on a character field");
        f->type = varlen && type == 'A' ? FieldType::kVarchar : FieldType::kChar;
        f->length = size.length;
        return true;
      case 'P':
      case 'S':
        if (!needLength(1, 63)) return false;
        f->type = type == 'P' ? FieldType::kPacked : FieldType::kZoned;
        f->digits = size.length;
        f->decimals = size.decimals;
        return true;
      case 'B':
        if (!needLength(1, 18)) return false;
        f->type = size.length <= 4   ? FieldType::kBin2
                  : size.length <= 9 ? FieldType::kBin4
                                     : FieldType::kBin8;
        f->digits = size.length;
        f->decimals = size.decimals;
        return true;
      case 'F':
        if (!needLength(1, doublePrecision ? 17 : 9)) return false;
        f->type = doublePrecision ? FieldType::kDouble : FieldType::kFloat;
        return true;
      case 'L':
      case 'T':
      case 'Z':
        if (size.hasLength || size.hasDecimals)
          return Fail(e.line, "no length for a date, time or timestamp");
        f->type = type == 'L'   ? FieldType::kDate
                  : type == 'T' ? FieldType::kTime
                                : FieldType::kTimestamp;
        return true;
      default:
        return Fail(e.line, std::string("data type '") + type + "' not valid");
    }
  }

  static int FormatCode(const std::string& v, bool time) {
    struct Code {
      const char* name;
      int code;
      bool date, time;
    } static const kCodes[] = {
        {"*ISO", 0x00, true, true},  {"*USA", 0x01, true, true},  {"*EUR", 0x05, true, true},
        {"*JIS", 0x07, true, true},  {"*MDY", 0x17, true, false}, {"*DMY", 0x18, true, false},
        {"*YMD", 0x19, true, false}, {"*JUL", 0x1A, true, false}, {"*HMS", 0x1B, false, true},
    };
    for (const Code& c : kCodes) {
      if (v == c.name && (time ? c.time : c.date)) return c.code;
    }
    return -1;
  }

  bool Key(const Entry& e) {
    if (!sawRecord_) return Fail(e.line, "key before the record line");
    if (inSelectOmit_) return Fail(e.line, "key after select/omit lines");
    if (!IsValidName(e.name)) return Fail(e.line, "key field name '" + e.name + "' not valid");
    sawKey_ = true;
    KeyField k{e.name, false};
    for (const DdsKeyword& kw : e.keywords) {
      if (kw.name == "DESCEND") {
        k.descending = true;
      } else if (kw.name != "ABSVAL" && kw.name != "SIGNED") {
        return Fail(e.line, "keyword " + kw.name + " not valid on a key line");
      }
    }
    if (kind_ == DdsKind::kPhysical) {
      out_->physical.key.push_back(k);
    } else {
      out_->logicalDef.formats.back().key.push_back(k);
    }
    return true;
  }

  bool Join(const Entry& e) {
    if (kind_ != DdsKind::kLogical || !out_->logicalDef.join) {
      return Fail(e.line, "join line outside a join logical file");
    }
    inJoin_ = true;
    for (const DdsKeyword& k : e.keywords) {
      if (k.name != "JOIN" && k.name != "JFLD" && k.name != "JDFTVAL" && k.name != "JDUPSEQ") {
        return Fail(e.line, "keyword " + k.name + " not valid on a join line");
      }
      if ((k.name == "JOIN" || k.name == "JFLD") && k.arguments.size() != 2) {
        return Fail(e.line, k.name + " takes two names");
      }
    }
    return true;
  }

  static std::string Constant(const DdsArgument& a) {
    if (!a.quoted) return a.text;
    std::string out = "\"";
    for (char c : a.text) {
      if (c == '"') out += '"';
      if (c == '\'') out += '\'';
      out += c;
    }
    return out + "\"";
  }

  static bool IsNumber(const std::string& s) {
    size_t i = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
    bool digit = false, dot = false;
    for (; i < s.size(); ++i) {
      if (s[i] >= '0' && s[i] <= '9') {
        digit = true;
      } else if ((s[i] == '.' || s[i] == ',') && !dot) {
        dot = true;
      } else {
        return false;
      }
    }
    return digit;
  }

  bool Value(int line, const DdsArgument& a, std::string* out) {
    if (!a.quoted && !IsNumber(a.text)) {
      return Fail(line, "value '" + a.text + "' is neither a number nor a quoted constant");
    }
    *out = Constant(a);
    for (char& c : *out) {
      if (!a.quoted && c == ',') c = '.';
    }
    return true;
  }

  bool SelectOmit(const Entry& e, bool starts) {
    if (kind_ != DdsKind::kLogical) return Fail(e.line, "select/omit in a physical file");
    if (!sawRecord_) return Fail(e.line, "select/omit before the record line");
    inSelectOmit_ = true;
    if (starts) {
      out_->selectOmit.push_back({e.nameType == 'S', {}});
    }
    SelectOmitRule& rule = out_->selectOmit.back();
    if (e.keywords.size() != 1) return Fail(e.line, "one of COMP, VALUES, RANGE or ALL per line");
    const DdsKeyword& k = e.keywords[0];
    std::string test;
    if (k.name == "ALL") {
      if (!starts || !e.name.empty()) return Fail(e.line, "ALL stands alone without a field");
      return true;
    }
    if (!IsValidName(e.name)) return Fail(e.line, "select/omit field name missing or not valid");
    if (k.name == "COMP") {
      static const char* const kOps[][2] = {{"EQ", "*EQ"}, {"NE", "*NE"}, {"GT", "*GT"},
                                            {"LT", "*LT"}, {"GE", "*GE"}, {"LE", "*LE"},
                                            {"NG", "*NG"}, {"NL", "*NL"}};
      if (k.arguments.size() != 2 || k.arguments[0].quoted) {
        return Fail(e.line, "COMP takes an operator and a value");
      }
      const char* op = nullptr;
      for (const auto& o : kOps) {
        if (k.arguments[0].text == o[0]) op = o[1];
      }
      std::string v;
      if (op == nullptr) return Fail(e.line, "COMP operator " + k.arguments[0].text + " not valid");
      if (!Value(e.line, k.arguments[1], &v)) return false;
      test = e.name + " " + op + " " + v;
    } else if (k.name == "VALUES" || k.name == "RANGE") {
      bool range = k.name == "RANGE";
      if (range ? k.arguments.size() != 2 : k.arguments.empty() || k.arguments.size() > 100) {
        return Fail(e.line, range ? "RANGE takes two values" : "VALUES takes 1 to 100 values");
      }
      test = e.name + (range ? " *EQ %RANGE(" : " *EQ %VALUES(");
      for (size_t i = 0; i < k.arguments.size(); ++i) {
        std::string v;
        if (!Value(e.line, k.arguments[i], &v)) return false;
        test += (i ? " " : "") + v;
      }
      test += ")";
    } else {
      return Fail(e.line, "keyword " + k.name + " not valid on a select/omit line");
    }
    rule.selection += (rule.selection.empty() ? "" : " *AND ") + std::string("(") + test + ")";
    return true;
  }

  bool Finish() {
    if (!sawRecord_) return Fail(0, "no record format");
    if (kind_ == DdsKind::kPhysical) {
      if (out_->physical.fields.empty()) return Fail(0, "no fields");
      out_->physical.unique = unique_;
      out_->physical.text = text_;
      if (unique_ && out_->physical.key.empty()) return Fail(0, "UNIQUE without key fields");
    } else {
      out_->logicalDef.unique = unique_;
      out_->logicalDef.text = text_;
      if (!out_->selectOmit.empty() && out_->logicalDef.formats.size() > 1) {
        return Fail(0, "select/omit with several record formats is not supported");
      }
    }
    return true;
  }

  DdsKind kind_;
  DdsFile* out_;
  DdsError* error_;
  std::string pending_;  // keyword text of the entry being read
  std::string text_;     // the record's TEXT
  bool sawRecord_ = false, sawKey_ = false, inSelectOmit_ = false, inJoin_ = false;
  bool unique_ = false;
};

}  // namespace

bool CompileDds(const std::vector<std::string>& lines, DdsKind kind, DdsFile* out,
                DdsError* error) {
  *out = DdsFile{};
  *error = DdsError{};
  Compiler compiler(kind, out, error);
  return compiler.Run(lines);
}

}  // namespace vantora::host::cl
