#include "odbc/statement.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "odbc/connection.h"
#include "odbc/text_io.h"

namespace vantora::odbc {
namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Calls `f(i)` for each character position outside quotes and comments;
// `f` answers how many characters it took (0: copy the character).
template <typename F>
void ScanOutsideQuotes(const std::string& text, F f) {
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '\'' || c == '"') {
      size_t j = i + 1;
      for (; j < text.size(); ++j) {
        if (text[j] != c) continue;
        if (j + 1 < text.size() && text[j + 1] == c) {
          ++j;
          continue;
        }
        break;
      }
      i = std::min(j + 1, text.size());
      continue;
    }
    const size_t taken = f(i);
    i += taken > 0 ? taken : 1;
  }
}

// Positions of the "?" markers outside quotes and comments.
std::vector<size_t> MarkerPositions(const std::string& text) {
  std::vector<size_t> at;
  ScanOutsideQuotes(text, [&](size_t i) -> size_t {
    if (text.compare(i, 2, "--") == 0) {
      const size_t end = text.find('\n', i);
      return (end == std::string::npos ? text.size() : end) - i;
    }
    if (text[i] == '?') at.push_back(i);
    return 0;
  });
  return at;
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) out += kDigits[c >> 4], out += kDigits[c & 15];
  return out;
}

Binding* ParameterBinding(Stmt* st, size_t number) {
  Desc* apd = st->apdIn;
  if (number >= apd->records.size()) return nullptr;
  Binding* b = &apd->records[number];
  return b->bound() ? b : nullptr;
}

// The value of parameter `number` (from 1) for row `row` of the parameter array.
bool ReadParameter(Stmt* st, size_t number, SQLULEN row, Value* value, Diagnostics& diag) {
  Binding* b = ParameterBinding(st, number);
  if (b == nullptr) {
    diag.Add("07002", "Parameter " + std::to_string(number) + " is not bound");
    return false;
  }
  Desc* apd = st->apdIn;
  const SQLLEN offset = apd->bindOffset != nullptr ? *apd->bindOffset : 0;
  const SQLLEN stride = apd->bindType == SQL_BIND_BY_COLUMN ? b->size : apd->bindType;
  char* data = b->data != nullptr ? static_cast<char*>(b->data) + offset + row * stride : nullptr;
  SQLLEN* indicator = nullptr;
  if (b->indicator != nullptr) {
    indicator = reinterpret_cast<SQLLEN*>(
        reinterpret_cast<char*>(b->indicator) + offset +
        (apd->bindType == SQL_BIND_BY_COLUMN ? row * sizeof(SQLLEN) : row * apd->bindType));
  }
  SQLLEN octets = indicator != nullptr ? *indicator : SQL_NTS;
  if (octets == SQL_NULL_DATA) {
    *value = Value::Null();
    return true;
  }
  if (octets == SQL_DATA_AT_EXEC || octets <= SQL_LEN_DATA_AT_EXEC_OFFSET) {
    diag.Add("HYC00", "Data at execution (SQLParamData, SQLPutData) is not supported");
    return false;
  }
  if (data == nullptr) {
    diag.Add("HY009", "Parameter " + std::to_string(number) + " has no buffer");
    return false;
  }
  if (b->cType == SQL_C_BINARY && octets == SQL_NTS) octets = b->size;
  std::string state, message;
  if (!ParameterValue(b->cType, b->sqlType, b->decimals, data, octets, value, &state, &message)) {
    diag.Add(state, message);
    return false;
  }
  return true;
}

std::string Two(int v) {
  return (v < 10 ? "0" : "") + std::to_string(v);
}

std::string DateTimeText(const Value& v) {
  char b[40];
  switch (v.kind) {
    case Value::Kind::kDate:
      std::snprintf(b, sizeof b, "%04d-%02d-%02d", v.year, v.month, v.day);
      return b;
    case Value::Kind::kTime:
      return Two(v.hour) + ":" + Two(v.minute) + ":" + Two(v.second);
    default:
      std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d.%03u", v.year, v.month, v.day,
                    v.hour, v.minute, v.second, v.fraction / 1000000u);
      return b;
  }
}

struct Prepared {
  std::vector<VdbValue> values;
  std::vector<std::string> texts;
  std::string text;  // the statement with the literals written in
  bool literals = false;
};

// The parameters of one execution: bound values, or literals in the text.
bool BuildParameters(Stmt* st, SQLULEN row, Prepared* p, Diagnostics& diag) {
  const std::vector<size_t> markers = MarkerPositions(st->hostText);
  p->texts.reserve(markers.size());
  std::vector<std::string> literal(markers.size());
  std::vector<bool> isLiteral(markers.size(), false);
  std::vector<uint16_t> types;
  for (size_t i = 0; i < markers.size(); ++i) {
    Value v;
    if (!ReadParameter(st, i + 1, row, &v, diag)) return false;
    switch (v.kind) {
      case Value::Kind::kNull:
        literal[i] = "NULL";
        isLiteral[i] = true;
        break;
      case Value::Kind::kDecimal: {
        std::string n;
        DecimalText(v.text, &n);
        literal[i] = n;
        isLiteral[i] = true;
        break;
      }
      case Value::Kind::kBinary:
        literal[i] = "X'" + Hex(v.text) + "'";
        isLiteral[i] = true;
        break;
      case Value::Kind::kInteger:
        if (v.integer < INT32_MIN || v.integer > INT32_MAX) {
          literal[i] = std::to_string(v.integer);
          isLiteral[i] = true;
        } else {
          types.push_back(IDAPI_TYPE_INT32);
          p->texts.push_back(std::to_string(v.integer));
        }
        break;
      case Value::Kind::kDouble:
        types.push_back(IDAPI_TYPE_FLOAT);
        p->texts.push_back(ValueText(v));
        break;
      case Value::Kind::kDate:
      case Value::Kind::kTime:
      case Value::Kind::kTimestamp:
        // ISO texts: the host reads them into the column they meet (the
        // engine's date parameters travel in the job's date format).
        types.push_back(IDAPI_TYPE_STRING);
        p->texts.push_back(DateTimeText(v));
        break;
      case Value::Kind::kText: {
        bool lossy = false;
        std::string host = Utf8ToCp1252(v.text, &lossy);
        if (lossy) {
          diag.Add("22018", "Parameter " + std::to_string(i + 1) +
                                " holds characters the host's code page cannot hold");
          return false;
        }
        types.push_back(IDAPI_TYPE_STRING);
        p->texts.push_back(std::move(host));
        break;
      }
    }
  }
  for (size_t i = 0; i < types.size(); ++i) p->values.push_back({types[i], p->texts[i].c_str()});
  p->literals = std::find(isLiteral.begin(), isLiteral.end(), true) != isLiteral.end();
  if (p->literals) {
    std::string out;
    size_t from = 0;
    for (size_t i = 0; i < markers.size(); ++i) {
      out.append(st->hostText, from, markers[i] - from);
      out += isLiteral[i] ? literal[i] : "?";
      from = markers[i] + 1;
    }
    out.append(st->hostText, from, std::string::npos);
    p->text = std::move(out);
  }
  return true;
}

SQLRETURN ExecuteCall(Stmt* st, Diagnostics& diag) {
  VdbStatement* call = st->prepared;
  uint16_t count = 0;
  VdbParameterCount(call, &count);
  for (uint16_t n = 1; n <= count; ++n) {
    VdbField f{};
    uint16_t direction = 0;
    VdbParameterInfo(call, n, &f, &direction);
    Binding* b = ParameterBinding(st, n);
    if ((direction & IDAPI_PARAM_IN) == 0) continue;
    if (b == nullptr || b->ioType == SQL_PARAM_OUTPUT) {
      return diag.Add("07002", "The procedure's parameter " + std::to_string(n) + " (" + f.name +
                                   ") is an input: bind it as SQL_PARAM_INPUT or INPUT_OUTPUT");
    }
    Value v;
    if (!ReadParameter(st, n, 0, &v, diag)) return SQL_ERROR;
    if (v.kind == Value::Kind::kNull) {
      return diag.Add("HYC00", "A procedure's parameter cannot be NULL");
    }
    std::string text = v.kind == Value::Kind::kDate || v.kind == Value::Kind::kTime ||
                               v.kind == Value::Kind::kTimestamp
                           ? DateTimeText(v)
                           : Utf8ToCp1252(ValueText(v));
    if (const uint16_t s = VdbSetParameterText(call, n, text.c_str()); s != IDAPI_OK) {
      return diag.AddEngineError(s);
    }
  }
  if (const uint16_t s = VdbExecute(call, nullptr); s != IDAPI_OK) return diag.AddEngineError(s);
  SQLRETURN result = SQL_SUCCESS;
  for (uint16_t n = 1; n <= count; ++n) {
    VdbField f{};
    uint16_t direction = 0;
    VdbParameterInfo(call, n, &f, &direction);
    Binding* b = ParameterBinding(st, n);
    if ((direction & IDAPI_PARAM_OUT) == 0 || b == nullptr || b->ioType == SQL_PARAM_INPUT) {
      continue;
    }
    char text[4096] = {};
    if (const uint16_t s = VdbGetParameterText(call, n, text, sizeof text); s != IDAPI_OK) {
      return diag.AddEngineError(s);
    }
    const Column c = ColumnOf(f);
    Value v = Value::Text(Cp1252ToUtf8(text, std::strlen(text)));
    if (c.sqlType == SQL_DECIMAL || c.sqlType == SQL_NUMERIC) {
      std::string normal;
      if (DecimalText(text, &normal)) v = Value::Decimal(normal);
    }
    if (c.sqlType == SQL_CHAR && v.text.size() < c.size) v.text.append(c.size - v.text.size(), ' ');
    SQLLEN* length = b->indicator != nullptr ? b->indicator : b->length;
    const Conversion r = Convert(v, b->cType, c.sqlType, b->data, b->size, 0, length, nullptr);
    if (r.code == SQL_ERROR) return diag.Add(r.state, r.message);
    if (r.code == SQL_SUCCESS_WITH_INFO) result = diag.Add(r.state, r.message);
  }
  st->rowCount = -1;
  if (SQLRETURN r = AutoCommit(st->dbc, diag); r != SQL_SUCCESS) return r;
  return result;
}

// One execution of the prepared statement with the parameters of `row`.
SQLRETURN ExecuteOnce(Stmt* st, SQLULEN row, SQLLEN* changed, Diagnostics& diag) {
  Prepared p;
  if (!BuildParameters(st, row, &p, diag)) return SQL_ERROR;
  VdbStatement* statement = st->prepared;
  VdbStatement* own = nullptr;
  if (p.literals) {
    if (const uint16_t s = VdbPrepare(st->dbc->db, p.text.c_str(), 0, &own); s != IDAPI_OK) {
      return diag.AddEngineError(s);
    }
    statement = own;
  }
  auto release = [&] {
    if (own != nullptr) VdbFreeStatement(own);
  };
  if (!p.values.empty() || st->markers > 0) {
    if (const uint16_t s =
            VdbBind(statement, p.values.data(), static_cast<uint16_t>(p.values.size()));
        s != IDAPI_OK) {
      const SQLRETURN r = diag.AddEngineError(s);
      release();
      return r;
    }
  }
  VdbCursor* cursor = nullptr;
  if (const uint16_t s = VdbExecute(statement, &cursor); s != IDAPI_OK) {
    const SQLRETURN r = diag.AddEngineError(s);
    release();
    if (st->dbc->autocommit && st->dbc->transactions) {
      Diagnostics ignored;
      AutoCommit(st->dbc, ignored);  // what the statement did before it failed is not kept apart
    }
    return r;
  }
  if (cursor != nullptr) {
    auto result = std::make_unique<EngineResult>(cursor, st->dbc->codePage, "", st->dbc->library);
    release();
    st->isSelect = true;
    if (st->cursorType != SQL_CURSOR_FORWARD_ONLY) {
      SQLRETURN status = SQL_SUCCESS;
      std::unique_ptr<TableResult> all = result->ReadAll(diag, &status);
      if (all == nullptr) return status;
      st->rowCount = all->Size();
      st->result = std::move(all);
    } else {
      st->result = std::move(result);
      st->rowCount = -1;
    }
    return SQL_SUCCESS;
  }
  int32_t rows = 0;
  VdbRowsChanged(statement, &rows);
  VdbClearError();
  release();
  *changed += rows;
  return AutoCommit(st->dbc, diag);
}

}  // namespace

Stmt* NewStatement(Dbc* dbc) {
  auto* st = new Stmt;
  st->dbc = dbc;
  for (Desc* d : {&st->ard, &st->apd, &st->ird, &st->ipd}) {
    d->owner = st;
    d->dbc = dbc;
    d->records.resize(1);
  }
  st->apd.parameters = st->ipd.parameters = true;
  st->ird.application = st->ipd.application = false;
  dbc->statements.push_back(st);
  Register(st);
  for (Desc* d : {&st->ard, &st->apd, &st->ird, &st->ipd}) Register(d);
  return st;
}

void CloseCursor(Stmt* st) {
  st->result.reset();
  st->getDataColumn = 0;
  st->getDataOffset = 0;
  st->rowsetStart = 0;
  st->rowsInRowset = 0;
  if (st->state == StmtState::kExecuted || st->state == StmtState::kPositioned) {
    st->state = st->prepared != nullptr ? StmtState::kPrepared : StmtState::kAllocated;
  }
}

void FreeStatement(Stmt* st) {
  CloseCursor(st);
  if (st->prepared != nullptr) VdbFreeStatement(st->prepared);
  VdbClearError();
  auto& list = st->dbc->statements;
  list.erase(std::remove(list.begin(), list.end(), st), list.end());
  for (Desc* d : {&st->ard, &st->apd, &st->ird, &st->ipd}) Unregister(d);
  Unregister(st);
  delete st;
}

std::string NativeText(const std::string& text) {
  std::string out;
  size_t from = 0;
  ScanOutsideQuotes(text, [&](size_t i) -> size_t {
    if (text[i] == '{') {
      size_t j = i + 1;
      while (j < text.size() && std::isspace(static_cast<unsigned char>(text[j]))) ++j;
      size_t k = j;
      while (k < text.size() && std::isalpha(static_cast<unsigned char>(text[k]))) ++k;
      const std::string word = Upper(text.substr(j, k - j));
      if (word == "D" || word == "T" || word == "TS" || word == "FN" || word == "OJ" ||
          word == "ESCAPE" || word == "CALL") {
        out.append(text, from, i - from);
        if (word == "ESCAPE" || word == "CALL") out += word + " ";
        from = k;
        return k - i;
      }
    } else if (text[i] == '}') {
      out.append(text, from, i - from);
      from = i + 1;
    }
    return 0;
  });
  out.append(text, from, std::string::npos);
  // Blanks left by the braces.
  size_t a = out.find_first_not_of(' ');
  size_t b = out.find_last_not_of(' ');
  return a == std::string::npos ? "" : out.substr(a, b - a + 1);
}

bool CallOf(const std::string& text, std::string* procedure, size_t* arguments) {
  std::string t = NativeText(text);
  size_t i = 0;
  auto skip = [&] {
    while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
  };
  skip();
  if (Upper(t.substr(i, 4)) != "CALL" || i + 4 >= t.size() ||
      !std::isspace(static_cast<unsigned char>(t[i + 4]))) {
    return false;
  }
  i += 4;
  skip();
  size_t start = i;
  std::string name;
  if (i < t.size() && t[i] == '"') {
    const size_t end = t.find('"', i + 1);
    if (end == std::string::npos) return false;
    name = t.substr(i + 1, end - i - 1);
    i = end + 1;
  } else {
    while (i < t.size() &&
           (std::isalnum(static_cast<unsigned char>(t[i])) || t[i] == '_' || t[i] == '#' ||
            t[i] == '@' || t[i] == '$' || t[i] == '.' || t[i] == '/')) {
      ++i;
    }
    name = Upper(t.substr(start, i - start));
  }
  // A qualified name keeps its procedure's part: the catalogue is the library list's.
  if (const size_t q = name.find_last_of("./"); q != std::string::npos) name.erase(0, q + 1);
  *procedure = name;
  *arguments = MarkerPositions(t.substr(i)).size();
  return !name.empty();
}

SQLRETURN Prepare(Stmt* st, const std::string& text) {
  Diagnostics& diag = st->diag;
  CloseCursor(st);
  if (st->prepared != nullptr) {
    VdbFreeStatement(st->prepared);
    st->prepared = nullptr;
  }
  st->state = StmtState::kAllocated;
  st->text = text;
  st->isCall = CallOf(text, &st->procedure, &st->markers);
  st->isSelect = false;
  st->rowCount = -1;
  if (st->isCall) {
    if (const uint16_t s = VdbPrepareProcedure(st->dbc->db, st->procedure.c_str(), &st->prepared);
        s != IDAPI_OK) {
      diag.AddEngineError(s);
      diag.records.back().state = "42000";
      diag.records.back().text = "No procedure " + st->procedure +
                                 " is declared in the library list's catalogue (" +
                                 diag.records.back().text + ")";
      return SQL_ERROR;
    }
    uint16_t count = 0;
    VdbParameterCount(st->prepared, &count);
    st->markers = count;
    st->state = StmtState::kPrepared;
    return SQL_SUCCESS;
  }
  bool lossy = false;
  st->hostText = Utf8ToCp1252(NativeText(text), &lossy);
  if (lossy) {
    return diag.Add("22018", "The statement holds characters the host's code page cannot hold");
  }
  if (const uint16_t s = VdbPrepare(st->dbc->db, st->hostText.c_str(), 0, &st->prepared);
      s != IDAPI_OK) {
    st->prepared = nullptr;
    return diag.AddEngineError(s);
  }
  uint16_t count = 0;
  VdbParameterCount(st->prepared, &count);
  st->markers = count;
  st->state = StmtState::kPrepared;
  return SQL_SUCCESS;
}

SQLRETURN Execute(Stmt* st) {
  Diagnostics& diag = st->diag;
  if (st->prepared == nullptr) return diag.Add("HY010", "The statement is not prepared");
  if (st->result != nullptr) return diag.Add("24000", "A cursor is open: close it first");
  st->cancelRequested = false;
  if (st->isCall) {
    const SQLRETURN r = ExecuteCall(st, diag);
    if (SQL_SUCCEEDED(r)) st->state = StmtState::kExecuted;
    return r;
  }
  Desc* apd = st->apdIn;
  const SQLULEN rows = st->markers > 0 ? std::max<SQLULEN>(apd->arraySize, 1) : 1;
  SQLLEN changed = 0;
  SQLRETURN result = SQL_SUCCESS;
  SQLULEN processed = 0;
  for (SQLULEN row = 0; row < rows; ++row) {
    if (st->ipd.statusArray != nullptr) st->ipd.statusArray[row] = SQL_PARAM_UNUSED;
  }
  for (SQLULEN row = 0; row < rows; ++row) {
    if (apd->statusArray != nullptr && apd->statusArray[row] == SQL_PARAM_IGNORE) continue;
    const SQLRETURN r = ExecuteOnce(st, row, &changed, diag);
    ++processed;
    if (st->ipd.statusArray != nullptr) {
      st->ipd.statusArray[row] = r == SQL_SUCCESS   ? SQL_PARAM_SUCCESS
                                 : SQL_SUCCEEDED(r) ? SQL_PARAM_SUCCESS_WITH_INFO
                                                    : SQL_PARAM_ERROR;
    }
    if (!SQL_SUCCEEDED(r)) {
      result = r;
      break;
    }
    if (r == SQL_SUCCESS_WITH_INFO) result = r;
    if (st->result != nullptr) break;  // a SELECT gives one result
  }
  if (st->ipd.processed != nullptr) *st->ipd.processed = processed;
  if (!SQL_SUCCEEDED(result)) return result;
  if (st->result == nullptr) {
    st->rowCount = changed;
    if (changed == 0 && !st->isSelect) {
      // A searched UPDATE or DELETE that found no row.
      const std::string verb =
          Upper(st->hostText.substr(st->hostText.find_first_not_of(" \t\r\n") == std::string::npos
                                        ? 0
                                        : st->hostText.find_first_not_of(" \t\r\n"),
                                    6));
      if (verb == "UPDATE" || verb == "DELETE") result = SQL_NO_DATA;
    }
  }
  st->state = StmtState::kExecuted;
  return result;
}

void SetResult(Stmt* st, std::unique_ptr<ResultSet> result) {
  CloseCursor(st);
  if (st->prepared != nullptr) {
    VdbFreeStatement(st->prepared);
    st->prepared = nullptr;
  }
  st->result = std::move(result);
  st->rowCount = -1;
  st->state = StmtState::kExecuted;
}

}  // namespace vantora::odbc
