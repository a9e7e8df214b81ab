#include "driver/cursors/statements.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "driver/cursors/constant_text.h"
#include "driver/cursors/date_time_text.h"
#include "driver/cursors/procedure_call.h"
#include "driver/cursors/sql_text.h"
#include "driver/frame/database.h"
#include "driver/frame/errors.h"
#include "driver/frame/open_table.h"
#include "driver/frame/record_cursor.h"
#include "driver/frame/sessions.h"
#include "driver/frame/settings.h"
#include "driver/frame/slots.h"
#include "mv432ida.h"

namespace vantora::driver {
namespace {

constexpr char kForFetchOnly[] = " FOR FETCH ONLY";
constexpr size_t kEntrySize = 12;

// The parameter area of SELECTs and the parameter descriptors, shared by
// every statement of the process.
struct SharedParameters {
  std::mutex lock;
  std::vector<uint8_t> area;
  std::vector<uint8_t> descriptors;
};

SharedParameters& Shared() {
  static SharedParameters shared;
  return shared;
}

StatementHandle* StatementOf(const void* statement) {
  if (statement == nullptr) return nullptr;
  return LookUp<StatementHandle>(static_cast<const IdapiCursorObject*>(statement)->handle);
}

// How a parameter travels in the area of the host's parameter binding.
struct HostParameter {
  int16_t pcType = 0;
  int16_t length = 0;
  int16_t asType = 0;
  std::string text;  // values that travel as text
  bool ok = true;
};

HostParameter Binary(int16_t pcType, int16_t length, int16_t asType) {
  HostParameter p;
  p.pcType = pcType;
  p.length = length;
  p.asType = asType;
  return p;
}

HostParameter MapParameter(const EngineField& f, const uint8_t* value) {
  HostParameter p;
  char text[64];
  int n = 0;
  switch (f.type) {
    case IDAPI_TYPE_STRING:
      p.length = static_cast<int16_t>(idapi_text_length(value, 0, f.length));
      p.text.assign(reinterpret_cast<const char*>(value), static_cast<size_t>(p.length));
      break;
    case IDAPI_TYPE_BOOL:
    case IDAPI_TYPE_INT16:
    case IDAPI_TYPE_UINT16:
      p = Binary(1, 2, 1);
      break;
    case IDAPI_TYPE_INT32:
    case IDAPI_TYPE_UINT32:
      p = Binary(2, 4, 2);
      break;
    case IDAPI_TYPE_FLOAT:
      p = Binary(4, 8, 8);  // the engine's floats are doubles
      break;
    case IDAPI_TYPE_DATE:
      n = DateToText(text, idapi_get_i32(value, 0), 0x0000);
      p.asType = 5;
      break;
    case IDAPI_TYPE_TIME:
      n = TimeToText(text, idapi_get_i32(value, 0), false, 0x0000);
      p.asType = 6;
      break;
    case IDAPI_TYPE_TIMESTAMP: {
      double d;
      std::memcpy(&d, value, 8);
      n = TimestampToText(text, d, 0x0000);
      p.asType = 9;
      break;
    }
    default:
      p.ok = false;
      break;
  }
  if (p.asType >= 5 && p.pcType == 0) {
    p.ok = n > 0;
    p.text.assign(text, static_cast<size_t>(n));
    p.length = static_cast<int16_t>(n);
  }
  return p;
}

uint16_t Unbindable(const EngineField& f) {
  PostMessage(IDAPI_ERR_NOT_SUPPORTED,
              "The parameter " + std::to_string(f.number) + " has a type that cannot be bound");
  return IDAPI_ERR_NOT_SUPPORTED;
}

uint16_t BindSelectParameters(StatementHandle* s, const std::vector<EngineField>& fields,
                              const uint8_t* record) {
  SharedParameters& shared = Shared();
  std::lock_guard guard(shared.lock);
  std::vector<HostParameter> mapped;
  size_t size = kEntrySize * fields.size();
  for (const EngineField& f : fields) {
    HostParameter p = MapParameter(f, record + f.offset);
    if (!p.ok) return Unbindable(f);
    size += static_cast<size_t>(p.length);
    mapped.push_back(std::move(p));
  }
  shared.area.assign(size, ' ');
  size_t at = kEntrySize * fields.size();
  for (size_t i = 0; i < fields.size(); ++i) {
    const HostParameter& p = mapped[i];
    uint8_t* entry = shared.area.data() + kEntrySize * i;
    idapi_put_u16(entry, 0, static_cast<uint16_t>(p.pcType));
    idapi_put_u16(entry, 2, static_cast<uint16_t>(p.length));
    idapi_put_u16(entry, 4, 0);
    idapi_put_u16(entry, 6, static_cast<uint16_t>(p.asType));
    idapi_put_u16(entry, 8, static_cast<uint16_t>(p.length));
    idapi_put_u16(entry, 10, 0);
    if (p.pcType == 0) {
      std::memcpy(shared.area.data() + at, p.text.data(), p.text.size());
    } else {
      std::memcpy(shared.area.data() + at, record + fields[i].offset,
                  static_cast<size_t>(p.length));
    }
    at += static_cast<size_t>(p.length);
  }
  const int32_t units = static_cast<int32_t>((size + 9) / 10);
  shared.area.resize(static_cast<size_t>(units) * 10, ' ');
  const int32_t r =
      VNXSetTypeKey(s->sqlNumber, units, reinterpret_cast<const char*>(shared.area.data()),
                    static_cast<int32_t>(fields.size()));
  return r < 0 ? MapSqlFailure(r) : IDAPI_OK;
}

uint16_t WriteParametersIntoText(StatementHandle* s, const std::vector<EngineField>& fields,
                                 const uint8_t* record) {
  std::lock_guard guard(Shared().lock);
  std::vector<std::string> literals;
  for (const EngineField& f : fields) {
    std::string literal, problem;
    if (!AppendConstant(f.type, record + f.offset, f.length, kSqlStyle, &literal, &problem)) {
      PostMessage(IDAPI_ERR_NOT_SUPPORTED,
                  "The parameter " + std::to_string(f.number) + " cannot be written: " + problem);
      return IDAPI_ERR_NOT_SUPPORTED;
    }
    literals.push_back(std::move(literal));
  }
  const size_t markers = CountMarkers(s->prepared);
  if (markers > literals.size()) {
    PostMessage(IDAPI_ERR_INVALID_ARGUMENT, "The statement has " + std::to_string(markers) +
                                                " parameter markers; " +
                                                std::to_string(literals.size()) + " were given");
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  s->text = SubstituteMarkers(s->prepared, literals);
  return IDAPI_OK;
}

std::vector<EngineField> ReadDescriptors(uint16_t count, const void* descriptors) {
  std::vector<EngineField> fields;
  const auto* d = static_cast<const uint8_t*>(descriptors);
  for (uint16_t i = 0; i < count; ++i) {
    fields.push_back(EngineField::Read(d + static_cast<size_t>(i) * IDAPI_FIELD_DESC_SIZE));
  }
  return fields;
}

// The length of a result row: the record length of the result's header.
int32_t RowLength(int32_t result) {
  unsigned char header[VNX_HDR_SIZE] = {};
  if (VNXGetDesc(result, header, sizeof header, VNX_DESC_FILE_HEADER, nullptr) < 1) return 0;
  return idapi_get_i16(header, VNX_HDR_RECORD_LENGTH);
}

uint16_t OpenQueryCursor(StatementHandle* s, void* engineDatabase, void** outCursor) {
  const int32_t result = VNXSqlOpen(s->sqlNumber);
  if (result < 0) return MapSqlFailure(result);
  const int32_t dbNumber = s->parent;
  return OpenCursorObject(engineDatabase, outCursor,
                          [&](int32_t, IdapiCursorObject* engineCursor) -> uint16_t {
                            auto owned = std::make_unique<RecordCursor>();
                            RecordCursor* c = owned.get();
                            c->parent = dbNumber;
                            c->library = s->library;
                            c->sqlCursor = s->sqlNumber;
                            c->statement = s->text;
                            c->paths.resize(1);
                            c->paths[0].name = "*SQL";
                            c->paths[0].handle = result;
                            c->cache.Ask(Settings().records);
                            const int32_t number = AddHandle(std::move(owned));
                            if (number < 0) {
                              VNXSqlClose(s->sqlNumber);
                              return IDAPI_ERR_NO_MEMORY;
                            }
                            engineCursor->handle = number;
                            const int32_t length = RowLength(result);
                            uint16_t status = IDAPI_ERR_INVALID_REQUEST;
                            if (length > 0) {
                              status = DescribeFields(c, result, length);
                              // Fetches bring the null map behind the fields.
                              if (c->nullCapable) c->exchangedLength = length + c->fieldCount;
                            } else {
                              PostMessage(status, "The host did not describe the query's rows");
                            }
                            if (status != IDAPI_OK) FreeHandle(c);
                            return status;
                          });
}

}  // namespace

uint16_t AllocateStatement(void* engineDatabase, void** outStatement) {
  DatabaseHandle* db = DatabaseOf(engineDatabase);
  if (db == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  const int32_t dbNumber = db->number;
  const std::string library = db->library;
  const bool sqlNaming = db->sqlNaming;
  return OpenCursorObject(engineDatabase, outStatement,
                          [&](int32_t, IdapiCursorObject* engineCursor) -> uint16_t {
                            auto s = std::make_unique<StatementHandle>();
                            s->parent = dbNumber;
                            s->library = library;
                            s->sqlNaming = sqlNaming;
                            const int32_t number = AddHandle(std::move(s));
                            if (number < 0) return IDAPI_ERR_NO_MEMORY;
                            engineCursor->handle = number;
                            return IDAPI_OK;
                          });
}

uint16_t SetStatementProperty(void* statement, uint32_t property, uint32_t value) {
  StatementHandle* s = StatementOf(statement);
  if (s == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  if (property == IDAPI_PROP_CHANGEABLE) {
    if (value == 1) s->options |= kStatementChangeable;
    if (value == 0) s->options &= ~kStatementChangeable;
  }
  return IDAPI_OK;
}

// The job of the session is told the database's naming when it differs.
uint16_t UseNaming(const StatementHandle* s) {
  if (SessionSqlNaming() == s->sqlNaming) return IDAPI_OK;
  const std::string text = s->sqlNaming ? "SET OPTION NAMING = *SQL" : "SET OPTION NAMING = *SYS";
  const int32_t r = VNXSqlImmediate(text.c_str(), static_cast<int32_t>(text.size()));
  if (r != 0) return MapSqlFailure(r);
  MarkSessionSqlNaming(s->sqlNaming);
  return IDAPI_OK;
}

uint16_t PrepareStatement(void*, void* statement, const char* text) {
  StatementHandle* s = StatementOf(statement);
  if (s == nullptr || text == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  if (uint16_t n = UseNaming(s); n != IDAPI_OK) return n;
  const std::string adapted = AdaptStatement(text, s->library, s->sqlNaming ? '.' : '/');
  if (adapted.empty()) {
    PostMessage(IDAPI_ERR_INVALID_ARGUMENT, "The statement is empty");
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  if (!IsSelect(adapted)) {
    s->text = adapted;
    s->prepared = adapted;
    return IDAPI_OK;
  }
  const std::string declared =
      (s->options & kStatementChangeable) != 0 ? adapted : adapted + kForFetchOnly;
  const int32_t number = VNXSqlDeclare(declared.c_str(), static_cast<int32_t>(declared.size()));
  if (number < 0) {
    // Never run the statement prepared before: executing answers 1.
    s->sqlNumber = -1;
    s->text.clear();
    s->prepared = declared;
    return MapSqlFailure(number);
  }
  s->sqlNumber = number;
  s->text = declared;
  s->prepared = declared;
  return IDAPI_OK;
}

uint16_t SetParameterDescriptors(void* statement, uint16_t count, const void* descriptors, void*) {
  if (StatementOf(statement) == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  if (count > 0 && descriptors == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  SharedParameters& shared = Shared();
  std::lock_guard guard(shared.lock);
  const auto* d = static_cast<const uint8_t*>(descriptors);
  shared.descriptors.assign(d, d + static_cast<size_t>(count) * IDAPI_FIELD_DESC_SIZE);
  return IDAPI_OK;
}

uint16_t SetParameters(void* statement, uint16_t count, const void* descriptors, void* record) {
  if (ProcedureCall* p = ProcedureOf(statement)) {
    return SetProcedureParameters(p, count, descriptors, record);
  }
  StatementHandle* s = StatementOf(statement);
  if (s == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  if (count > 0 && (descriptors == nullptr || record == nullptr)) {
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  const std::vector<EngineField> fields = ReadDescriptors(count, descriptors);
  const auto* values = static_cast<const uint8_t*>(record);
  if (IsSelect(s->prepared)) {
    if (s->sqlNumber < 0) return 1;
    return BindSelectParameters(s, fields, values);
  }
  return WriteParametersIntoText(s, fields, values);
}

uint16_t ExecuteStatement(void* statement, void** outCursor) {
  if (ProcedureCall* p = ProcedureOf(statement)) {
    if (outCursor != nullptr) *outCursor = nullptr;
    return CallProcedure(p);
  }
  StatementHandle* s = StatementOf(statement);
  if (s == nullptr || outCursor == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  *outCursor = nullptr;
  if (s->prepared.empty()) return 1;
  if (uint16_t n = UseNaming(s); n != IDAPI_OK) return n;
  if (IsSelect(s->prepared)) {
    if (s->sqlNumber < 0) return 1;
    auto* engineStatement = static_cast<IdapiCursorObject*>(statement);
    return OpenQueryCursor(s, engineStatement->database, outCursor);
  }
  const int32_t r = VNXSqlImmediate(s->text.c_str(), static_cast<int32_t>(s->text.size()));
  if (r != 0) return MapSqlFailure(r);
  // SQLERRD(3) of the communication area: the rows the statement changed.
  unsigned char sqlca[136] = {};
  s->rowsChanged = VNXSqlSqlca(sqlca, sizeof sqlca) >= 0 ? idapi_get_i32(sqlca, 104) : 0;
  return IDAPI_OK;
}

bool StatementProperty(void* statement, uint32_t property, char* out, uint16_t* length,
                       uint16_t* status) {
  StatementHandle* s = StatementOf(statement);
  if (s == nullptr) return false;
  if (property != IDAPI_PROP_ROWS_CHANGED) {
    *status = IDAPI_OK;
    return true;
  }
  const std::string text = std::to_string(s->rowsChanged);
  if (out != nullptr) std::memcpy(out, text.c_str(), text.size() + 1);
  if (length != nullptr) *length = static_cast<uint16_t>(text.size());
  *status = IDAPI_OK;
  return true;
}

}  // namespace vantora::driver
