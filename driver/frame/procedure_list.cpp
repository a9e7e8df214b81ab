#include "driver/frame/procedure_list.h"

#include <cctype>
#include <cstring>
#include <memory>

#include "driver/frame/database.h"
#include "driver/frame/errors.h"
#include "driver/frame/names.h"
#include "driver/frame/slots.h"
#include "mv432ida.h"

namespace vantora::driver {
namespace {

constexpr int32_t kFirst = 0x04010000;
constexpr int32_t kNext = 0x02010000;
constexpr int32_t kKeyEqual = 0x06010000;
constexpr int32_t kNextEqual = 0x0B010000;

class ProcedureListCursor : public CatalogueCursor {
 public:
  ProcedureListCursor() : CatalogueCursor(HandleKind::kProcedureList) {}
  uint16_t Next(void* out) override;
};

class ParameterListCursor : public CatalogueCursor {
 public:
  ParameterListCursor() : CatalogueCursor(HandleKind::kProcedureParameters) {}
  uint16_t Next(void* out) override;
  std::string key;
  uint16_t offset = 0;  // the running offset of the next parameter
};

uint16_t ProcedureListCursor::Next(void* out) {
  uint8_t record[kHeaderReadLength];
  const int32_t r = VNXRead(secondFile, record, kHeaderReadLength,
                            state == kStateBeforeFirst ? kFirst : kNext, nullptr, 0, nullptr);
  if (r < 1) return IDAPI_ERR_EOF;
  state = kStateReading;
  ++row;
  if (out == nullptr) return IDAPI_OK;
  auto* o = static_cast<uint8_t*>(out);
  std::memset(o, 0, IDAPI_PROC_ROW_SIZE);
  const std::string name =
      Upper(Trim(std::string(reinterpret_cast<const char*>(record), kProcedureNameLimit)));
  std::memcpy(o + IDAPI_PROW_NAME, name.data(), name.size());
  int32_t date = 0;
  uint32_t time = 0;
  IdapiEncodeDate(1, 1, 1, &date);  // no date is kept with a procedure
  IdapiEncodeTime(0, 0, 0, &time);
  idapi_put_u32(o, IDAPI_PROW_DATE, static_cast<uint32_t>(date));
  idapi_put_u32(o, IDAPI_PROW_TIME, time);
  return IDAPI_OK;
}

uint16_t ParameterListCursor::Next(void* out) {
  uint8_t record[kParameterRecordLength];
  const int32_t r = VNXRead(secondFile, record, kParameterRecordLength,
                            state == kStateBeforeFirst ? kKeyEqual : kNextEqual, key.data(),
                            static_cast<int32_t>(kProcedureNameLimit), nullptr);
  if (r < 1) return IDAPI_ERR_EOF;
  state = kStateReading;
  ++row;
  const ProcedureField p = ProcedureField::Read(record);
  const EngineType t = p.Engine();
  if (out != nullptr) {
    auto* o = static_cast<uint8_t*>(out);
    std::memset(o, 0, IDAPI_PARAM_ROW_SIZE);
    idapi_put_u16(o, IDAPI_PPROW_SEQUENCE, static_cast<uint16_t>(p.sequence));
    const std::string name = Upper(p.name);
    std::memcpy(o + IDAPI_PPROW_NAME, name.data(), std::min<size_t>(name.size(), 31));
    std::memcpy(o + IDAPI_PPROW_DIRECTION, record + kParmDirection, 4);
    idapi_put_u16(o, IDAPI_PPROW_TYPE, t.type);
    idapi_put_u16(o, IDAPI_PPROW_SUBTYPE, t.subtype);
    idapi_put_u16(o, IDAPI_PPROW_UNITS1, t.units1);
    idapi_put_u16(o, IDAPI_PPROW_UNITS2, t.units2);
    idapi_put_u16(o, IDAPI_PPROW_OFFSET, offset);
    idapi_put_u16(o, IDAPI_PPROW_LENGTH, t.length);
  }
  offset = static_cast<uint16_t>(offset + t.length);
  return IDAPI_OK;
}

template <typename Cursor, typename Setup>
uint16_t OpenCatalogue(void* engineDatabase, const char* file, void** outCursor, Setup setup) {
  DatabaseHandle* db = DatabaseOf(engineDatabase);
  if (db == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  const int32_t dbNumber = db->number;
  const std::string library = db->library;
  return OpenCursorObject(engineDatabase, outCursor,
                          [&](int32_t, IdapiCursorObject* engineCursor) -> uint16_t {
                            auto owned = std::make_unique<Cursor>();
                            Cursor* c = owned.get();
                            c->parent = dbNumber;
                            c->library = library;
                            setup(c);
                            const int32_t number = AddHandle(std::move(owned));
                            if (number < 0) return IDAPI_ERR_NO_MEMORY;
                            engineCursor->handle = number;
                            const int32_t h = VNXopen(file, 1, 0);
                            if (h < 0) {
                              const uint16_t s = MapClientFailure(h);
                              FreeHandle(c);
                              return s;
                            }
                            c->secondFile = h;
                            return IDAPI_OK;
                          });
}

}  // namespace

ProcedureField ProcedureField::Read(const uint8_t* r) {
  ProcedureField p;
  p.sequence = idapi_get_i16(r, kParmSequence);
  p.direction = idapi_get_i16(r, kParmDirection);
  p.pcType = idapi_get_i16(r, kParmPcType);
  p.pcLength = idapi_get_i16(r, kParmPcLength);
  p.pcDecimals = idapi_get_i16(r, kParmPcDecimals);
  p.asType = idapi_get_i16(r, kParmAsType);
  p.asLength = idapi_get_i16(r, kParmAsLength);
  p.asDecimals = idapi_get_i16(r, kParmAsDecimals);
  p.asDigits = idapi_get_i16(r, kParmAsDigits);
  p.name = Trim(std::string(reinterpret_cast<const char*>(r + kParmName), 10));
  return p;
}

int16_t ClientPcType(int16_t cataloguePcType, int16_t asType) {
  switch (cataloguePcType) {
    case 0:
      return 0;  // text
    case 1:
      return 1;  // 16-bit integer
    case 2:
      return 3;  // 4-byte float
    case 3:
      return 2;  // 32-bit integer
    case 4:
      return 4;  // 8-byte float
    default:
      // The COBOL forms: numbers of a numeric host field, texts of a CHAR one.
      return asType == kAsChar || asType == kAsDate || asType == kAsTime || asType == kAsTimestamp
                 ? 0
                 : 4;
  }
}

EngineType ProcedureField::Engine() const {
  const int16_t pc = ClientPcType(pcType, asType);
  int16_t length = pcLength;
  if (pc == 4) length = 8;
  if (pc == 3 || pc == 2) length = 4;
  if (pc == 1) length = 2;
  return MapType(pc, length, pcDecimals, asType, asDecimals, 0);
}

bool ProcedureKey(const char* procedure, std::string* key) {
  if (procedure == nullptr) return false;
  const std::string name = Upper(Trim(procedure));
  if (name.empty() || name.size() > kProcedureNameLimit) return false;
  *key = Pad(name, kProcedureNameLimit);
  return true;
}

uint16_t OpenProcedureList(void* engineDatabase, const char*, uint16_t, void** outCursor) {
  return OpenCatalogue<ProcedureListCursor>(
      engineDatabase, "YPROCHDR", outCursor, [](ProcedureListCursor* c) {
        c->AddField("NAME", IDAPI_TYPE_STRING, 65, IDAPI_PROW_NAME);
        c->rowLength = IDAPI_PROC_ROW_SIZE;
      });
}

uint16_t OpenParameterList(void* engineDatabase, const char* procedure, void** outCursor) {
  std::string key;
  if (!ProcedureKey(procedure, &key)) {
    PostMessage(IDAPI_ERR_NO_SUCH_PROCEDURE, std::string("'") +
                                                 (procedure != nullptr ? procedure : "") +
                                                 "' is no procedure name (1 to 10 characters)");
    return IDAPI_ERR_NO_SUCH_PROCEDURE;
  }
  return OpenCatalogue<ParameterListCursor>(
      engineDatabase, "YPROCPARMS", outCursor, [&](ParameterListCursor* c) {
        c->key = key;
        c->AddField("SEQUENCE", IDAPI_TYPE_UINT16, 2, IDAPI_PPROW_SEQUENCE);
        c->AddField("NAME", IDAPI_TYPE_STRING, 32, IDAPI_PPROW_NAME);
        c->AddField("DIRECTION", IDAPI_TYPE_UINT16, 2, IDAPI_PPROW_DIRECTION);
        c->AddField("PCTYPE", IDAPI_TYPE_UINT16, 2, IDAPI_PPROW_DIRECTION + 2);
        c->AddField("TYPE", IDAPI_TYPE_UINT16, 2, IDAPI_PPROW_TYPE);
        c->AddField("SUBTYPE", IDAPI_TYPE_UINT16, 2, IDAPI_PPROW_SUBTYPE);
        c->AddField("UNITS1", IDAPI_TYPE_UINT16, 2, IDAPI_PPROW_UNITS1);
        c->AddField("UNITS2", IDAPI_TYPE_UINT16, 2, IDAPI_PPROW_UNITS2);
        c->AddField("OFFSET", IDAPI_TYPE_UINT16, 2, IDAPI_PPROW_OFFSET);
        c->AddField("LENGTH", IDAPI_TYPE_UINT16, 2, IDAPI_PPROW_LENGTH);
        c->rowLength = IDAPI_PARAM_ROW_SIZE;
      });
}

}  // namespace vantora::driver
