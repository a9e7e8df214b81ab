// What the driver tells the engine about itself: the driver, its one table
// type and its eleven field types, its capabilities, and the translation of
// field descriptors between the engine's and the driver's own types.
#ifndef VANTORA_DRIVER_FRAME_DESCRIPTIONS_H_
#define VANTORA_DRIVER_FRAME_DESCRIPTIONS_H_

#include <cstdint>

namespace vantora::driver {

constexpr uint16_t kFieldTypeCount = 11;

void DescribeDriver(void* description);
// IDAPI_ERR_UNKNOWN_TYPE for any table type but 1 (the template is copied all the same).
uint16_t DescribeTableType(uint16_t tableType, void* description);
// IDAPI_ERR_UNKNOWN_TYPE for a number outside 1-11.
uint16_t DescribeFieldType(uint16_t fieldType, void* description);
void DescribeCapabilities(void* capabilities);
// toNative != 0: engine side to native; 0: native to engine side.
void TranslateFieldDescriptor(uint16_t toNative, void* engineDescriptor, void* nativeDescriptor);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_DESCRIPTIONS_H_
