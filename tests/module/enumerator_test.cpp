#include "ModuleFixture.h"

namespace {

using EnumeratorTest = ModuleTest;

TEST_F(EnumeratorTest, TwoFactoryCallsGiveTwoEnumerators) {
  EnumeratorPtr first(m_module.getIDeviceEnumerator(false, kNormal));
  EnumeratorPtr second(m_module.getIDeviceEnumerator(false, IDeviceEnumerator::MODE_PILOT));
  EXPECT_NE(first.get(), second.get());
  EXPECT_EQ(second->getDiagnosticMode(), IDeviceEnumerator::MODE_PILOT);
  EXPECT_FALSE(second->isLogEnabled());
}

struct TraceCase {
  const char* name;
  Json devices;
  std::size_t shown;
  Texts records;
};
ROW_PRINTS_AS_ITS_NAME(TraceCase)

class EnumerationTraceTest : public ModuleTest, public ::testing::WithParamInterface<TraceCase> {};

TEST_P(EnumerationTraceTest, WritesTheRecordsInOrderWithBlanksAsWritten) {
  EXPECT_EQ(enumerate(GetParam().devices).size(), GetParam().shown);
  EXPECT_EQ(traceTexts(enumeratorLog()), GetParam().records);
}

const TraceCase kTraces[] = {
    {"NoDevices",
     Json::array(),
     0,
     {"Entering getDevice Vector() method", "Entering while true",
      "Returning from getDeviceVector"}},
    {"IgnoredRecordIsLeftUntouched",
     Json::array({with(usbDevice("Pad"), "ignore", true)}),
     0,
     {"Entering getDevice Vector() method", "Entering while true",
      "##---------------- Entering HalvexDevice::enumerateDevice",
      "sValue->sDevInstanceId: USB\\VID_04D9&PID_1702\\SN1", "This device should be ignored: Pad",
      "This device is to be ignored: Pad description", "Returning from getDeviceVector"}},
    {"CompositeDeviceOfTheRac",
     Json::array({usbDevice("Keyboard", 0x5B7D, 0x2500)}),
     0,
     {"Entering getDevice Vector() method", "Entering while true",
      "##---------------- Entering HalvexDevice::enumerateDevice",
      "sValue->sDevInstanceId: USB\\VID_04D9&PID_1702\\SN1",
      "This device should NOT be ignored: Keyboard", "Found ZELT4,5 USB Composite Device, ignoring",
      "This device is to be ignored: Keyboard description", "Returning from getDeviceVector"}},
    {"RootHub",
     Json::array({with(rootHub("/dev/bus/usb/001/001", 2), "portStates",
                       Json::array({port(2, "046d:c077 Mouse")}))}),
     1,
     {"Entering getDevice Vector() method",
      "Entering while true",
      "##---------------- Entering HalvexDevice::enumerateDevice",
      "sValue->sDevInstanceId: USB\\VID_1D6B&PID_0002\\0000:00:14.0",
      "This device should NOT be ignored: Root Hub Name",
      "Populate this device: Root Hub Name",
      "Device Status: 0",
      "Entering HalvexDevice::FillHubCache",
      "sHubDescriptor: /dev/bus/usb/001/001",
      "nNumofPorts: 2",
      " -> Key: 046d:c077 Mouse",
      "Port Index: 2",
      "Leaving HalvexDevice::FillHubCache",
      "Size of Hub Cache: 1",
      "B4 ParseNRemChars:DevDescr: USB Root Hub",
      "B4 ParseNRemChars:DevName: Root Hub Name",
      "Details of object created:",
      "Device Description:  USB Root Hub",
      "Device Name:  Root Hub Name",
      "Device Descriptor:  USB Root Hub",
      "Device Location:  usb1",
      "Parent Location:  0000:00:14.0",
      "Device Class:  USB_ROOT_HUB",
      "AddlHWInfo:  Number of Ports:2|",
      "Device Status: 0",
      "##---------------- Leaving HalvexDevice::enumerateDevice",
      "Returning from getDeviceVector"}},
};
INSTANTIATE_TEST_SUITE_P(Records, EnumerationTraceTest, ::testing::ValuesIn(kTraces), RowName());

struct HideCase {
  const char* name;
  Json record;
  bool hidden;
};
ROW_PRINTS_AS_ITS_NAME(HideCase)

class HideRuleTest : public ModuleTest, public ::testing::WithParamInterface<HideCase> {};

TEST_P(HideRuleTest, DecidesFromTheRecordAlone) {
  EXPECT_EQ(enumerate(Json::array({GetParam().record})).empty(), GetParam().hidden);
}

// Shown records of these kinds are in the naming table below.
const HideCase kHideRules[] = {
    {"IgnoredWhateverElse", with(rootHub("/x", 2), "ignore", true), true},
    {"WorkingHostController", hostController(0), true},
    {"Zelt4", usbDevice("Keyboard", 0x5B7D, 0x2500), true},
    {"Zelt5Media", usbDevice("Media", 0x5B7D, 0x0000), true},
    {"Zelt5Storage", usbDevice("Storage", 0x5B7D, 0x0001), true},
    {"RacVendorOtherProduct", usbDevice("Other", 0x5B7D, 0x2501), false},
    {"VirtualInName", usbDevice("Virtual Keyboard"), true},
    {"VirtualInDescription", with(usbDevice("CD"), "description", "A Virtual CD"), true},
    {"LowerCaseVirtualIsShown", usbDevice("virtual keyboard"), false},
    {"RacStorageByInstanceId", with(usbDevice("Disk"), "instanceId", "USB\\VID_5B7D&PID_0001\\1"),
     true},
    {"RacStorageIdInLowerCaseIsShown",
     with(usbDevice("Disk"), "instanceId", "USB\\VID_5b7d&PID_0001\\1"), false},
};
INSTANTIATE_TEST_SUITE_P(Records, HideRuleTest, ::testing::ValuesIn(kHideRules), RowName());

struct NamingCase {
  const char* name;
  Json record;
  const char* deviceName;
  const char* deviceClass;
  const char* description;
  const char* descriptor;
};
ROW_PRINTS_AS_ITS_NAME(NamingCase)

class NamingTest : public ModuleTest, public ::testing::WithParamInterface<NamingCase> {};

TEST_P(NamingTest, FillsNameClassDescriptionAndDescriptor) {
  Devices& devices = enumerate(Json::array({GetParam().record}));
  ASSERT_EQ(devices.size(), 1u);
  const HalvexDevice& device = *deviceAt(devices, 0);
  EXPECT_EQ(device.getDeviceName(), GetParam().deviceName);
  EXPECT_EQ(device.getDeviceClass(), GetParam().deviceClass);
  EXPECT_EQ(device.getDeviceDescription(), GetParam().description);
  EXPECT_EQ(device.getDeviceDescriptor(), GetParam().descriptor);
}

const NamingCase kNamings[] = {
    {"FailingHostControllerKeepsTheConstructedClass", hostController(10), "USB Host Controller",
     "USBDevice", "", ""},
    {"RootHubKeepsItsName", rootHub("/r", 0), "Root Hub Name", "USB_ROOT_HUB", "USB Root Hub",
     "USB Root Hub"},
    {"FailingRootHubHasNoDescriptor", rootHub("/r", 0, 22), "Root Hub Name", "USB_ROOT_HUB",
     "USB Root Hub", ""},
    {"RacHub", externalHub("/h", 0x5B7D, 0xA001), "USB Hub", "USB_EXT_HUB", "Integrated USB Hub",
     "Integrated USB Hub"},
    {"ChipHub", externalHub("/h", 0x04B4, 0x6560), "USB Hub", "USB_EXT_HUB", "Integrated USB Hub",
     "Integrated USB Hub"},
    {"OtherHub", externalHub("/h", 0x05E3, 0x0610), "USB Hub", "USB_EXT_HUB", "Hub Description",
     "Generic USB Hub"},
    {"FailingHub", externalHub("/h", 0x05E3, 0x0610, 10), "USB Hub", "USB_EXT_HUB",
     "Hub Description", ""},
    {"Device", usbDevice("Keyboard"), "Keyboard", "USB_DEVICE", "Keyboard description", ""},
    {"NameFromDescription", with(usbDevice(""), "description", "Only Desc"), "Only Desc",
     "USB_DEVICE", "Only Desc", ""},
    {"FallbackName", with(with(usbDevice(""), "description", ""), "fallbackName", "Fallback"),
     "Fallback", "USB_DEVICE", "", ""},
    {"FloppyByName", usbDevice("USB Floppy"), "FLOPPY_USB_NAME", "144FLOPPY_DRIVE",
     "FLOPPY_H1440_USB_DESCR", ""},
    {"FloppyByIds", usbDevice("Drive", 0x0424, 0x0FDC), "FLOPPY_USB_NAME", "144FLOPPY_DRIVE",
     "FLOPPY_H1440_USB_DESCR", ""},
    {"OpticalByName", usbDevice("DVD CD-RW"), "DVD CD-RW", "OPTICAL_DRIVE", "DVD CD-RW description",
     ""},
    {"OpticalByIds", usbDevice("Drive", 0x0644, 0x1000), "Drive", "OPTICAL_DRIVE",
     "Drive description", ""},
    {"FloppyAndOpticalName", usbDevice("Floppy CD-R"), "FLOPPY_USB_NAME", "OPTICAL_DRIVE",
     "FLOPPY_H1440_USB_DESCR", ""},
    {"GenericHubTextWhateverTheType", with(usbDevice("Thing"), "description", "Ty p USB nu"),
     "Thing", "USB_DEVICE", "Generic USB Hub", ""},
    {"DescriptionIsCleanedNameIsNot",
     with(usbDevice("Cruzer <32GB> 1/2"), "description", "Cruzer & Co <32GB> 1/2"),
     "Cruzer <32GB> 1/2", "USB_DEVICE", "Cruzer  AND  Co ~32GB~ 12", ""},
};
INSTANTIATE_TEST_SUITE_P(Records, NamingTest, ::testing::ValuesIn(kNamings), RowName());

TEST_F(EnumeratorTest, FieldsComeFromTheRecordAndTheHostsArguments) {
  Devices& devices =
      enumerate(Json::array({with(usbDevice("USB Floppy"), "status", 3), rootHub("/r", 0),
                             externalHub("/h", 0x05E3, 0x0610, 10)}),
                "host text", 77);
  ASSERT_EQ(devices.size(), 3u);
  const HalvexDevice& floppy = *deviceAt(devices, 0);
  EXPECT_EQ(floppy.getDeviceStatus(), 3);
  EXPECT_EQ((Texts{floppy.getDeviceLocation(), floppy.getDeviceAuxLocation(),
                   floppy.getParentLocation(), floppy.getDeviceAuxText(), floppy.getDevicePath()}),
            (Texts{"1-1.2", "1-1.2", "1-1", "", ""}));
  // The seven construction values, in the framework constructor's own order.
  EXPECT_EQ(
      (Texts{floppy.getNameKey(), floppy.getDisabledKey(), floppy.getEnabledFlag(),
             floppy.getDescriptionKey(), floppy.getDeviceType(), floppy.getCallerText()}),
      (Texts{"USB_DEV_NAME", "USB_DEV_DISABLE", "1", "USB_DEV_DESC", "USBDevice", "host text"}));
  EXPECT_EQ(floppy.getCallerValue(), 77u);
  // Unit data: name, description, manufacturer, model, serial number, firmware revision. The
  // name is the record's, the description the constructed one.
  const Texts expected[] = {{"USB Floppy", "", "Maker", "", "SN1", "3.01"},
                            {"Root Hub Name", "", "", "", "", ""},
                            {"Hub Name", "", "", "", "", "32.98"}};
  for (std::size_t index = 0; index < devices.size(); ++index) {
    const auto& fru = deviceAt(devices, index)->getFRUinfo();
    EXPECT_EQ((Texts{fru.getDeviceName(), fru.getDeviceDescription(),
                     fru.getDeviceManufacturerName(), fru.getDeviceModelNumber(),
                     fru.getDeviceSerialNumber(), fru.getDeviceFirmwareRevisionLevel()}),
              expected[index]);
  }
}

TEST_F(EnumeratorTest, VectorKeepsLibraryOrderWithoutHiddenDevices) {
  Devices& devices =
      enumerate(Json::array({usbDevice("First"), hostController(0), usbDevice("Second"),
                             usbDevice("Virtual Disk"), usbDevice("Third")}));
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(deviceAt(devices, 0)->getDeviceName(), "First");
  EXPECT_EQ(deviceAt(devices, 1)->getDeviceName(), "Second");
  EXPECT_EQ(deviceAt(devices, 2)->getDeviceName(), "Third");
}

TEST_F(EnumeratorTest, EachCallBuildsANewVectorAndKeepsTheOldOne) {
  // The host releases a vector once it asks for a newer one.
  const std::unique_ptr<Devices> first(&enumerate(Json::array({usbDevice("One")})));
  Devices* second = m_enumerator->getDeviceVector("", 0);
  EXPECT_NE(first.get(), second);
  ASSERT_EQ(first->size(), 1u);
  ASSERT_EQ(second->size(), 1u);
  EXPECT_NE(first->front().getDevice(), second->front().getDevice());
}

struct ThrowCase {
  const char* name;
  Json failing;
  const char* record;
};
ROW_PRINTS_AS_ITS_NAME(ThrowCase)

class ThrowTest : public ModuleTest, public ::testing::WithParamInterface<ThrowCase> {};

TEST_P(ThrowTest, KeepsTheDevicesBeforeAndLogsTheFailure) {
  Devices& devices =
      enumerate(Json::array({usbDevice("Before"), GetParam().failing, usbDevice("After")}));
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(deviceAt(devices, 0)->getDeviceName(), "Before");
  const Texts texts = traceTexts(enumeratorLog());
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(Texts(texts.end() - 2, texts.end()),
            (Texts{GetParam().record, "Returning from getDeviceVector"}));
}

Json nextThrows(Json value) { return with(usbDevice("At"), "nextThrows", std::move(value)); }

const ThrowCase kThrows[] = {
    {"String", nextThrows(thrown("string", "device gone")), "Enum Failed :Message= device gone"},
    {"UnsignedLong", nextThrows(thrown("unsigned long", 4294967295UL)),
     "Enum Failed :ErrCode= 4294967295"},
    {"Int", nextThrows(thrown("int", -7)), "Enum Failed :Unknown"},
    // Only an int from the port query stays inside the hub cache.
    {"StringFromAHubsPortQuery",
     with(rootHub("/r", 3), "portStates",
          Json::array(
              {port(1, "a"), {{"port", 2}, {"isPortBusyThrows", thrown("string", "stall")}}})),
     "Enum Failed :Message= stall"},
};
INSTANTIATE_TEST_SUITE_P(Thrown, ThrowTest, ::testing::ValuesIn(kThrows), RowName());

}  // namespace
