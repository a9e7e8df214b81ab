#include "driver/frame/descriptions.h"

#include <cstring>
#include <initializer_list>

#include "idapi.h"

namespace vantora::driver {
namespace {

struct FieldType {
  const char* name;
  const char* text;
  uint16_t native;
  uint16_t logical;
  uint16_t maxUnits1;
  uint16_t maxUnits2;
  uint16_t unitSize;
  uint16_t minUnits;
};

const FieldType kFieldTypes[kFieldTypeCount] = {
    {"CHAR", "Character String", 1, 1, 1024, 0, 1, 1},
    {"BIN2", "Small integer", 5, 5, 1, 0, 2, 1},
    {"BIN4", "Long integer", 6, 6, 1, 0, 4, 1},
    {"DOUBLE", "Double", 7, 7, 1, 0, 8, 1},
    {"BOOL", "Boolean", 4, 4, 1, 0, 1, 1},
    {"DATE", "Standard date", 2, 2, 8, 0, 1, 8},
    {"TIME", "Standard time", 10, 10, 6, 0, 1, 6},
    {"TIMEST", "TimeStamp", 11, 11, 1, 0, 26, 1},
    {"UINT16", "Small unsigned integer", 12, 12, 1, 0, 2, 1},
    {"UINT32", "Long unsigned integer", 13, 13, 1, 0, 4, 1},
    {"PACK", "Packed number", IDAPI_NATIVE_PACKED, 7, 9999, 99, 1, 1},
};

void FieldTypeTemplate(unsigned char* d) {
  std::memset(d, 0, IDAPI_FIELD_TYPE_DESC_SIZE);
  const FieldType& c = kFieldTypes[0];
  idapi_put_text(d, IDAPI_FTDESC_NAME, 32, c.name);
  idapi_put_text(d, IDAPI_FTDESC_TEXT, 32, c.text);
  idapi_put_u16(d, IDAPI_FTDESC_NATIVE, c.native);
  idapi_put_u16(d, IDAPI_FTDESC_LOGICAL, c.logical);
  idapi_put_u16(d, IDAPI_FTDESC_MAX_UNITS1, c.maxUnits1);
  idapi_put_u16(d, IDAPI_FTDESC_UNIT_SIZE, c.unitSize);
  for (int i = 0; i < IDAPI_FTDESC_FLAG_COUNT; ++i) idapi_put_u16(d, IDAPI_FTDESC_FLAGS + 2 * i, 1);
  idapi_put_u16(d, IDAPI_FTDESC_MIN_UNITS, c.minUnits);
  idapi_put_u16(d, IDAPI_FTDESC_WORD98, 1);
}

}  // namespace

void DescribeDriver(void* description) {
  auto* d = static_cast<unsigned char*>(description);
  std::memset(d, 0, IDAPI_DRIVER_DESC_SIZE);
  idapi_put_text(d, IDAPI_DDESC_TYPE, 32, "Morvalis400");
  idapi_put_text(d, IDAPI_DDESC_TEXT, 32, "Morvalis/400 the BDE driver to ");
  idapi_put_u32(d, IDAPI_DDESC_VERSION, 3);
  idapi_put_text(d, IDAPI_DDESC_DBTYPE, 32, "AS400");
  const uint16_t flags[IDAPI_DDESC_FLAG_COUNT] = {1, 1, 1, 0, 1, 0, 0, 1, 0, 1, 2, 0};
  for (int i = 0; i < IDAPI_DDESC_FLAG_COUNT; ++i) {
    idapi_put_u16(d, IDAPI_DDESC_FLAGS + 2 * i, flags[i]);
  }
}

uint16_t DescribeTableType(uint16_t tableType, void* description) {
  auto* d = static_cast<unsigned char*>(description);
  std::memset(d, 0, IDAPI_TABLE_TYPE_DESC_SIZE);
  idapi_put_text(d, IDAPI_TTDESC_NAME, 32, "Morvalis400");
  idapi_put_text(d, IDAPI_TTDESC_TEXT, 32, "AS400 DB file");
  idapi_put_text(d, IDAPI_TTDESC_FORMAT, 32, "FIXED  ");
  const uint16_t flags[IDAPI_TTDESC_FLAG_COUNT] = {1, 1, 0, 0, 0, 0, 1, 1};
  for (int i = 0; i < IDAPI_TTDESC_FLAG_COUNT; ++i) {
    idapi_put_u16(d, IDAPI_TTDESC_FLAGS + 2 * i, flags[i]);
  }
  idapi_put_u16(d, IDAPI_TTDESC_MAX_RECORD_SIZE, 32000);
  idapi_put_u16(d, IDAPI_TTDESC_MAX_FIELD_SIZE, 1300);
  idapi_put_u16(d, IDAPI_TTDESC_MAX_NAME_LENGTH, 10);
  if (tableType != 1) return IDAPI_ERR_UNKNOWN_TYPE;
  idapi_put_u16(d, IDAPI_TTDESC_NUMBER, 1);
  idapi_put_text(d, IDAPI_TTDESC_FORMAT, 32, "CREATEABLE");
  return IDAPI_OK;
}

uint16_t DescribeFieldType(uint16_t fieldType, void* description) {
  auto* d = static_cast<unsigned char*>(description);
  FieldTypeTemplate(d);
  if (fieldType < 1 || fieldType > kFieldTypeCount) return IDAPI_ERR_UNKNOWN_TYPE;
  const FieldType& t = kFieldTypes[fieldType - 1];
  idapi_put_u16(d, IDAPI_FTDESC_NUMBER, fieldType);
  idapi_put_text(d, IDAPI_FTDESC_NAME, 32, t.name);
  idapi_put_text(d, IDAPI_FTDESC_TEXT, 32, t.text);
  idapi_put_u16(d, IDAPI_FTDESC_NATIVE, t.native);
  idapi_put_u16(d, IDAPI_FTDESC_LOGICAL, t.logical);
  idapi_put_u16(d, IDAPI_FTDESC_SUBTYPE, 0);
  idapi_put_u16(d, IDAPI_FTDESC_MAX_UNITS1, t.maxUnits1);
  idapi_put_u16(d, IDAPI_FTDESC_MAX_UNITS2, t.maxUnits2);
  idapi_put_u16(d, IDAPI_FTDESC_UNIT_SIZE, t.unitSize);
  idapi_put_u16(d, IDAPI_FTDESC_MIN_UNITS, t.minUnits);
  return IDAPI_OK;
}

void DescribeCapabilities(void* capabilities) {
  auto* d = static_cast<unsigned char*>(capabilities);
  std::memset(d, 0, IDAPI_CAPABILITIES_SIZE);
  for (int word : {8, 9, 10}) idapi_put_u16(d, 2 * static_cast<size_t>(word), 1);
}

void TranslateFieldDescriptor(uint16_t toNative, void* engineDescriptor, void* nativeDescriptor) {
  if (toNative != 0) {
    std::memmove(nativeDescriptor, engineDescriptor, IDAPI_FIELD_DESC_SIZE);
    if (idapi_get_u16(engineDescriptor, IDAPI_FLD_TYPE) == IDAPI_TYPE_TIMESTAMP) {
      idapi_put_u16(nativeDescriptor, IDAPI_FLD_TYPE, IDAPI_TYPE_TIMESTAMP);
      idapi_put_u16(nativeDescriptor, IDAPI_FLD_LENGTH, 26);
      idapi_put_u16(nativeDescriptor, IDAPI_FLD_UNITS1, 1);
    }
    return;
  }
  std::memmove(engineDescriptor, nativeDescriptor, IDAPI_FIELD_DESC_SIZE);
  const uint16_t type = idapi_get_u16(nativeDescriptor, IDAPI_FLD_TYPE);
  if (type == IDAPI_TYPE_TIMESTAMP) {
    idapi_put_u16(engineDescriptor, IDAPI_FLD_LENGTH, 8);
  } else if (type == IDAPI_NATIVE_PACKED) {
    idapi_put_u16(engineDescriptor, IDAPI_FLD_TYPE, IDAPI_TYPE_FLOAT);
    idapi_put_u16(engineDescriptor, IDAPI_FLD_LENGTH, 8);
  }
}

}  // namespace vantora::driver
