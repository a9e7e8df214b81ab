#include "driver/cursors/procedure_call.h"

#include <cstring>
#include <memory>

#include "driver/cursors/parameter_values.h"
#include "driver/frame/database.h"
#include "driver/frame/errors.h"
#include "driver/frame/names.h"
#include "driver/frame/slots.h"
#include "mv432ida.h"

namespace vantora::driver {
namespace {

constexpr int32_t kProgramOpenMode = 5;
constexpr int32_t kKeyEqualNoLock = 0x06010000;
constexpr int32_t kKeyEqualBlocked = 0x06090000;
constexpr int32_t kCall = 0x06000000;

uint16_t NotDeclared(const std::string& name, const std::string& why) {
  PostMessage(IDAPI_ERR_NO_SUCH_PROCEDURE, "The procedure " + name + " " + why);
  return IDAPI_ERR_NO_SUCH_PROCEDURE;
}

// A failed read of the catalogue: a missing record is an undeclared procedure.
uint16_t CatalogueFailure(int32_t r, const std::string& name) {
  if (r >= 0) return NotDeclared(name, "is not declared in YPROCHDR");
  const uint16_t s = MapClientFailure(r);
  return s == IDAPI_ERR_FAILED || s == IDAPI_ERR_RECORD_NOT_FOUND || s == IDAPI_ERR_EOF
             ? NotDeclared(name, "is not declared in YPROCHDR")
             : s;
}

uint16_t ReadDeclaration(ProcedureCall* c, const std::string& name, const std::string& key) {
  const int32_t header = VNXopen("YPROCHDR", 1, 0);
  if (header < 0) return MapClientFailure(header);
  uint8_t record[kHeaderReadLength] = {};
  const int32_t r =
      VNXRead(header, record, kHeaderReadLength, kKeyEqualNoLock, key.data(), 10, nullptr);
  Rclose(header);
  if (r < 1) return CatalogueFailure(r, name);
  const int16_t count = idapi_get_i16(record, kHeaderFieldCount);
  if (count < 0 || count > kMaxProcedureFields) {
    return NotDeclared(name, "has a header counting " + std::to_string(count) + " fields");
  }
  if (count == 0) return IDAPI_OK;
  const int32_t parms = VNXopen("YPROCPARMS", 1, 0);
  if (parms < 0) return MapClientFailure(parms);
  std::vector<uint8_t> rows(static_cast<size_t>(count) * kParameterRecordLength);
  const int32_t got = VNXRead(parms, rows.data(), kParameterRecordLength, kKeyEqualBlocked | count,
                              key.data(), 10, nullptr);
  Rclose(parms);
  if (got != count) {
    return NotDeclared(name, "has " + std::to_string(got < 0 ? 0 : got) +
                                 " field records where its header counts " + std::to_string(count));
  }
  int32_t offset = 0;
  for (int16_t i = 0; i < count; ++i) {
    const ProcedureField f =
        ProcedureField::Read(rows.data() + static_cast<size_t>(i) * kParameterRecordLength);
    if (f.asLength <= 0 || (f.direction & 3) == 0) {
      return NotDeclared(name, "has a field " + f.name + " without a length or direction");
    }
    c->fields.push_back(f);
    c->offsets.push_back(offset);
    offset += f.asLength;
  }
  c->recordLength = offset;
  return IDAPI_OK;
}

uint8_t* ValueOf(const ProcedureCall* c, size_t i) {
  uint8_t* at = c->buffer + c->engineFields[i].offset;
  if ((c->engineFlags[i] & IDAPI_PARAM_POINTER) != 0) {
    // The buffer holds the address of a long string.
    uint8_t* pointer = nullptr;
    std::memcpy(&pointer, at, sizeof pointer);
    return pointer;
  }
  return at;
}

}  // namespace

ProcedureCall* ProcedureOf(const void* statement) {
  if (statement == nullptr) return nullptr;
  return LookUp<ProcedureCall>(static_cast<const IdapiCursorObject*>(statement)->handle);
}

uint16_t PrepareProcedure(void* engineDatabase, const char* procedure, void** outStatement) {
  std::string key;
  if (!ProcedureKey(procedure, &key)) {
    PostMessage(IDAPI_ERR_NO_SUCH_PROCEDURE, std::string("'") +
                                                 (procedure != nullptr ? procedure : "") +
                                                 "' is no procedure name (1 to 10 characters)");
    return IDAPI_ERR_NO_SUCH_PROCEDURE;
  }
  DatabaseHandle* db = DatabaseOf(engineDatabase);
  if (db == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  const std::string name = Trim(key);
  const int32_t dbNumber = db->number;
  const std::string library = db->library;
  return OpenCursorObject(engineDatabase, outStatement,
                          [&](int32_t, IdapiCursorObject* engineCursor) -> uint16_t {
                            auto owned = std::make_unique<ProcedureCall>();
                            ProcedureCall* c = owned.get();
                            c->parent = dbNumber;
                            c->library = library;
                            c->path = "*PGM/" + name;
                            const int32_t number = AddHandle(std::move(owned));
                            if (number < 0) return IDAPI_ERR_NO_MEMORY;
                            engineCursor->handle = number;
                            // The declaration first: a name that is not declared
                            // answers so, rather than what opening its program says.
                            uint16_t s = ReadDeclaration(c, name, key);
                            if (s == IDAPI_OK) {
                              const int32_t h = VNXopen(c->path.c_str(), kProgramOpenMode, -1);
                              if (h < 0) {
                                s = MapClientFailure(h);
                                if (s == IDAPI_ERR_FAILED) s = IDAPI_ERR_NO_SUCH_PROCEDURE;
                              } else {
                                c->secondFile = h;
                              }
                            }
                            if (s != IDAPI_OK) FreeHandle(c);
                            return s;
                          });
}

uint16_t SetProcedureParameters(ProcedureCall* c, uint16_t count, const void* descriptors,
                                void* buffer) {
  if (count != c->fields.size()) {
    PostMessage(IDAPI_ERR_INVALID_ARGUMENT, "The procedure has " +
                                                std::to_string(c->fields.size()) +
                                                " parameters, not " + std::to_string(count));
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  if (count > 0 && (descriptors == nullptr || buffer == nullptr)) {
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  c->engineFields.clear();
  c->engineFlags.clear();
  const auto* d = static_cast<const uint8_t*>(descriptors);
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* one = d + static_cast<size_t>(i) * IDAPI_FIELD_DESC_SIZE;
    c->engineFields.push_back(EngineField::Read(one));
    c->engineFlags.push_back(idapi_get_u16(one, IDAPI_FLD_PARAM_FLAGS));
  }
  c->buffer = static_cast<uint8_t*>(buffer);
  return IDAPI_OK;
}

uint16_t CallProcedure(ProcedureCall* c) {
  if (c->engineFields.size() != c->fields.size() || (c->buffer == nullptr && !c->fields.empty())) {
    PostMessage(IDAPI_ERR_INVALID_REQUEST, "The procedure's parameters were not given");
    return IDAPI_ERR_INVALID_REQUEST;
  }
  std::vector<uint8_t> input(static_cast<size_t>(c->recordLength) + 1, ' ');
  int32_t inputLength = 0;
  std::string problem;
  for (size_t i = 0; i < c->fields.size(); ++i) {
    const ProcedureField& f = c->fields[i];
    if ((f.direction & 1) == 0) continue;
    if (!EngineToHost(c->engineFields[i], ValueOf(c, i), f, input.data() + inputLength, &problem)) {
      PostMessage(IDAPI_ERR_INVALID_ARGUMENT, "Parameter " + f.name + ": " + problem);
      return IDAPI_ERR_INVALID_ARGUMENT;
    }
    inputLength += f.asLength;
  }
  std::vector<uint8_t> output(static_cast<size_t>(c->recordLength) + 1, 0);
  const int32_t r = VNXRead(c->secondFile, output.data(), c->recordLength, kCall, input.data(),
                            inputLength, nullptr);
  if (r < 0) {
    const uint16_t s = MapClientFailure(r);
    return s == IDAPI_ERR_FAILED || s == IDAPI_ERR_HOST ? IDAPI_ERR_CALL_FAILED : s;
  }
  // Every output is converted before any is written.
  std::vector<std::vector<uint8_t>> values(c->fields.size());
  for (size_t i = 0; i < c->fields.size(); ++i) {
    const ProcedureField& f = c->fields[i];
    if ((f.direction & 2) == 0) continue;
    const EngineField& e = c->engineFields[i];
    values[i].assign(std::max<size_t>(e.length, 8) + 1, 0);
    if (!HostToEngine(f, output.data() + c->offsets[i], e, values[i].data(), &problem)) {
      PostMessage(IDAPI_ERR_BAD_DATA, "Parameter " + f.name + ": " + problem);
      return IDAPI_ERR_BAD_DATA;
    }
  }
  for (size_t i = 0; i < c->fields.size(); ++i) {
    if ((c->fields[i].direction & 2) == 0) continue;
    const EngineField& e = c->engineFields[i];
    size_t n = e.type == IDAPI_TYPE_FLOAT || e.type == IDAPI_TYPE_TIMESTAMP ? 8 : e.length;
    if (e.type == IDAPI_TYPE_STRING) n = std::strlen(reinterpret_cast<char*>(values[i].data())) + 1;
    std::memcpy(ValueOf(c, i), values[i].data(), std::min(n, values[i].size()));
  }
  return IDAPI_OK;
}

}  // namespace vantora::driver
