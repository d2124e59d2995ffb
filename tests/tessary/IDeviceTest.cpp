#include "tessary/IDevice.h"

#include <gtest/gtest.h>

#include <string>

#include "TestDevice.h"
#include "tessary/FRUinfo.h"

namespace KestraDiags {
namespace TessaryTests {
namespace {

using DeviceEnum::FRUinfo;
using DeviceEnum::IDevice;

TEST(IDeviceTest, ConstructorKeepsItsValuesAndStartsUnclassifiedAndOk) {
  const TestDevice device("USB_DEV_NAME", "USB_DEV_DISABLE", "1", "USB_DEV_DESC", "USBDevice", 42,
                          "host text");

  EXPECT_EQ(device.getNameKey(), "USB_DEV_NAME");
  EXPECT_EQ(device.getDisabledKey(), "USB_DEV_DISABLE");
  EXPECT_EQ(device.getEnabledFlag(), "1");
  EXPECT_EQ(device.getDescriptionKey(), "USB_DEV_DESC");
  EXPECT_EQ(device.getDeviceType(), "USBDevice");
  EXPECT_EQ(device.getCallerValue(), 42u);
  EXPECT_EQ(device.getCallerText(), "host text");

  EXPECT_FALSE(device.deviceFlag());
  EXPECT_EQ(device.getDeviceStatus(), IDevice::DEVICE_OK);
  EXPECT_EQ(device.getDeviceClass(), "USBDevice");
  for (const std::string* text :
       {&device.getDeviceName(), &device.getDeviceDescriptor(), &device.getDeviceDescription(),
        &device.getDeviceLocation(), &device.getDeviceAuxText(), &device.getDeviceAuxLocation(),
        &device.getAddlHWInfo(), &device.getParentLocation(),
        &device.getFRUinfo().getDeviceName()}) {
    EXPECT_EQ(*text, "");
  }
}

TEST(IDeviceTest, NullTextsBecomeEmpty) {
  const TestDevice device(nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr);

  for (const std::string* text :
       {&device.getNameKey(), &device.getDisabledKey(), &device.getEnabledFlag(),
        &device.getDescriptionKey(), &device.getDeviceType(), &device.getCallerText(),
        &device.getDeviceClass()}) {
    EXPECT_EQ(*text, "");
  }
}

TEST(IDeviceTest, StatusFollowsWhatTheDerivedClassWrites) {
  TestDevice device;
  device.setDeviceStatus(IDevice::DEVICE_NOT_PRESENT);
  const IDevice& asBase = device;
  EXPECT_EQ(asBase.getDeviceStatus(), IDevice::DEVICE_NOT_PRESENT);
}

struct FruField {
  const char* name;
  void (FRUinfo::*set)(const char*);
  const std::string& (FRUinfo::*get)() const;
};

const FruField kFruFields[] = {
    {"name", &FRUinfo::setDeviceName, &FRUinfo::getDeviceName},
    {"description", &FRUinfo::setDeviceDescription, &FRUinfo::getDeviceDescription},
    {"manufacturer", &FRUinfo::setDeviceManufacturerName, &FRUinfo::getDeviceManufacturerName},
    {"model", &FRUinfo::setDeviceModelNumber, &FRUinfo::getDeviceModelNumber},
    {"serial", &FRUinfo::setDeviceSerialNumber, &FRUinfo::getDeviceSerialNumber},
    {"firmware", &FRUinfo::setDeviceFirmwareRevisionLevel,
     &FRUinfo::getDeviceFirmwareRevisionLevel},
};

TEST(FRUinfoTest, EachSetterFillsOnlyItsOwnField) {
  for (const FruField& written : kFruFields) {
    FRUinfo info;
    (info.*written.set)("value");
    for (const FruField& read : kFruFields) {
      EXPECT_EQ((info.*read.get)(), &read == &written ? "value" : "")
          << "wrote " << written.name << ", read " << read.name;
    }
  }
}

TEST(FRUinfoTest, NullTextEmptiesTheField) {
  for (const FruField& field : kFruFields) {
    FRUinfo info;
    (info.*field.set)("old");
    (info.*field.set)(nullptr);
    EXPECT_EQ((info.*field.get)(), "") << field.name;
  }
}

}  // namespace
}  // namespace TessaryTests
}  // namespace KestraDiags
