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

// The records between the loop's start and its end, in order, with blanks as written.
TEST_P(EnumerationTraceTest, WritesTheRecordsOfEachDevice) {
  EXPECT_EQ(enumerate(GetParam().devices).size(), GetParam().shown);
  const Texts loopStart = {"Entering getDevice Vector() method", "Entering while true"};
  EXPECT_EQ(traceTexts(enumeratorLog()),
            loopStart + GetParam().records + Texts{"Returning from getDeviceVector"});
}

const TraceCase kTraces[] = {
    {"NoDevices", Json::array(), 0, {}},
    // The library's mark hides even a hub, whose description stays the record's.
    {"IgnoredRecordIsLeftUntouched",
     Json::array({with(rootHub("/r", 2), "ignore", true)}),
     0,
     {"##---------------- Entering HalvexDevice::enumerateDevice",
      "sValue->sDevInstanceId: USB\\VID_1D6B&PID_0002\\0000:00:14.0",
      "This device should be ignored: Root Hub Name", "This device is to be ignored: Root Hub"}},
    {"CompositeDeviceOfTheRac",
     Json::array({usbDevice("Keyboard", 0x5B7D, 0x2500)}),
     0,
     {"##---------------- Entering HalvexDevice::enumerateDevice",
      "sValue->sDevInstanceId: USB\\VID_04D9&PID_1702\\SN1",
      "This device should NOT be ignored: Keyboard", "Found ZELT4,5 USB Composite Device, ignoring",
      "This device is to be ignored: Keyboard description"}},
    // Its port walk is in hub_cache_test.cpp.
    {"RootHub",
     Json::array({rootHub("/dev/bus/usb/001/001", 0)}),
     1,
     {"##---------------- Entering HalvexDevice::enumerateDevice",
      "sValue->sDevInstanceId: USB\\VID_1D6B&PID_0002\\0000:00:14.0",
      "This device should NOT be ignored: Root Hub Name",
      "Populate this device: Root Hub Name",
      "Device Status: 0",
      "Entering HalvexDevice::FillHubCache",
      "sHubDescriptor: /dev/bus/usb/001/001",
      "nNumofPorts: 0",
      "Leaving HalvexDevice::FillHubCache",
      "Size of Hub Cache: 0",
      "B4 ParseNRemChars:DevDescr: USB Root Hub",
      "B4 ParseNRemChars:DevName: Root Hub Name",
      "Details of object created:",
      "Device Description:  USB Root Hub",
      "Device Name:  Root Hub Name",
      "Device Descriptor:  USB Root Hub",
      "Device Location:  usb1",
      "Parent Location:  0000:00:14.0",
      "Device Class:  USB_ROOT_HUB",
      "AddlHWInfo:  Number of Ports:0|",
      "Device Status: 0",
      "##---------------- Leaving HalvexDevice::enumerateDevice"}},
    // Its IDs are written before its ports are walked; its description is cleaned.
    {"ExternalHub",
     Json::array({with(externalHub("/dev/bus/usb/001/002", 0x0BDA, 0x5411), "description",
                       "Hub & \"Co\"")}),
     1,
     {"##---------------- Entering HalvexDevice::enumerateDevice",
      "sValue->sDevInstanceId: USB\\VID_04B4&PID_6560\\5&1",
      "This device should NOT be ignored: Hub Name",
      "Populate this device: Hub Name",
      "Device Status: 0",
      "nidProduct: 21521",
      "nidVendor: 3034",
      "Entering HalvexDevice::FillHubCache",
      "sHubDescriptor: /dev/bus/usb/001/002",
      "nNumofPorts: 4",
      "Leaving HalvexDevice::FillHubCache",
      "Size of Hub Cache: 0",
      "B4 ParseNRemChars:DevDescr: Hub & \"Co\"",
      "B4 ParseNRemChars:DevName: USB Hub",
      "Details of object created:",
      "Device Description:  Hub  AND  ~Co~",
      "Device Name:  USB Hub",
      "Device Descriptor:  Generic USB Hub",
      "Device Location:  1-1",
      "Parent Location:  usb1",
      "Device Class:  USB_EXT_HUB",
      "AddlHWInfo:  Number of Ports:4|",
      "Device Status: 0",
      "##---------------- Leaving HalvexDevice::enumerateDevice"}},
};
INSTANTIATE_TEST_SUITE_P(Records, EnumerationTraceTest, ::testing::ValuesIn(kTraces), RowName());

struct NamingCase {
  const char* name;
  Json record;
  const char* fields;  // "name | class | description | descriptor"; empty when it is hidden
};
ROW_PRINTS_AS_ITS_NAME(NamingCase)

class NamingTest : public ModuleTest, public ::testing::WithParamInterface<NamingCase> {};

TEST_P(NamingTest, HidesTheDeviceOrFillsNameClassDescriptionAndDescriptor) {
  Devices& devices = enumerate(Json::array({GetParam().record}));
  std::string fields;
  for (std::size_t index = 0; index < devices.size(); ++index) {
    const HalvexDevice& device = *deviceAt(devices, index);
    fields += device.getDeviceName() + " | " + device.getDeviceClass() + " | " +
              device.getDeviceDescription() + " | " + device.getDeviceDescriptor();
  }
  EXPECT_EQ(fields, GetParam().fields);
}

// A shown root hub's fields are in its enumeration records above.
const NamingCase kNamings[] = {
    {"WorkingHostController", hostController(0), ""},
    {"FailingHostControllerKeepsTheConstructedClass", hostController(10),
     "USB Host Controller | USBDevice |  | "},
    {"FailingRootHubHasNoDescriptor", rootHub("/r", 0, 22),
     "Root Hub Name | USB_ROOT_HUB | USB Root Hub | "},
    {"RacHub", externalHub("/h", 0x5B7D, 0xA001),
     "USB Hub | USB_EXT_HUB | Integrated USB Hub | Integrated USB Hub"},
    {"ChipHub", externalHub("/h", 0x04B4, 0x6560),
     "USB Hub | USB_EXT_HUB | Integrated USB Hub | Integrated USB Hub"},
    {"OtherHub", externalHub("/h", 0x05E3, 0x0610),
     "USB Hub | USB_EXT_HUB | Hub Description | Generic USB Hub"},
    {"FailingHub", externalHub("/h", 0x05E3, 0x0610, 10),
     "USB Hub | USB_EXT_HUB | Hub Description | "},
    {"Device", usbDevice("Keyboard"), "Keyboard | USB_DEVICE | Keyboard description | "},
    {"NameFromDescription", with(usbDevice(""), "description", "Only Desc"),
     "Only Desc | USB_DEVICE | Only Desc | "},
    {"FallbackName", with(with(usbDevice(""), "description", ""), "fallbackName", "Fallback"),
     "Fallback | USB_DEVICE |  | "},
    {"FloppyByName", usbDevice("USB Floppy"),
     "FLOPPY_USB_NAME | 144FLOPPY_DRIVE | FLOPPY_H1440_USB_DESCR | "},
    {"FloppyByIds", usbDevice("Drive", 0x0424, 0x0FDC),
     "FLOPPY_USB_NAME | 144FLOPPY_DRIVE | FLOPPY_H1440_USB_DESCR | "},
    {"OpticalByName", usbDevice("DVD CD-RW"),
     "DVD CD-RW | OPTICAL_DRIVE | DVD CD-RW description | "},
    {"OpticalByIds", usbDevice("Drive", 0x0644, 0x1000),
     "Drive | OPTICAL_DRIVE | Drive description | "},
    {"FloppyAndOpticalName", usbDevice("Floppy CD-R"),
     "FLOPPY_USB_NAME | OPTICAL_DRIVE | FLOPPY_H1440_USB_DESCR | "},
    {"GenericHubTextWhateverTheType", with(usbDevice("Thing"), "description", "Ty p USB nu"),
     "Thing | USB_DEVICE | Generic USB Hub | "},
    {"DescriptionIsCleanedNameIsNot",
     with(usbDevice("Cruzer <32GB> 1/2"), "description", "Cruzer & Co <32GB> 1/2"),
     "Cruzer <32GB> 1/2 | USB_DEVICE | Cruzer  AND  Co ~32GB~ 12 | "},
    // The remote-access controller's composite devices; the Zelt4 one is in the records above.
    {"Zelt5Media", usbDevice("Media", 0x5B7D, 0x0000), ""},
    {"Zelt5Storage", usbDevice("Storage", 0x5B7D, 0x0001), ""},
    {"RacVendorOtherProduct", usbDevice("Other", 0x5B7D, 0x2501),
     "Other | USB_DEVICE | Other description | "},
    {"VirtualInName", usbDevice("Virtual Keyboard"), ""},
    {"VirtualInDescription", with(usbDevice("CD"), "description", "A Virtual CD"), ""},
    {"LowerCaseVirtualIsShown", usbDevice("virtual keyboard"),
     "virtual keyboard | USB_DEVICE | virtual keyboard description | "},
    {"RacStorageByInstanceId", with(usbDevice("Disk"), "instanceId", "USB\\VID_5B7D&PID_0001\\1"),
     ""},
    {"RacStorageIdInLowerCaseIsShown",
     with(usbDevice("Disk"), "instanceId", "USB\\VID_5b7d&PID_0001\\1"),
     "Disk | USB_DEVICE | Disk description | "},
};
INSTANTIATE_TEST_SUITE_P(Records, NamingTest, ::testing::ValuesIn(kNamings), RowName());

TEST_F(EnumeratorTest, FieldsComeFromTheRecordAndTheHostsArguments) {
  // Shown devices keep the library's order, hidden ones leave no gap.
  Devices& devices =
      enumerate(Json::array({hostController(0), with(usbDevice("USB Floppy"), "status", 3),
                             usbDevice("Virtual Disk"), rootHub("/r", 0),
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
