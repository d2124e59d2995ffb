#include "ModuleFixture.h"
#include "Topology.h"

#include "../support/NamedCase.h"

namespace {

using Texts = std::vector<std::string>;

class EnumeratorTest : public ModuleTest {
 protected:
  // Enumerates with the enumerator log on and returns the devices of that one call.
  std::vector<VirtualDevice>& enumerate(const Json& devices) {
    useTopology(topology(devices));
    m_enumerator.reset(m_module.getIDeviceEnumerator(true, kNormal));
    return *m_enumerator->getDeviceVector("host text", 77);
  }
  HalvexDevice& onlyDevice(const Json& record) {
    std::vector<VirtualDevice>& devices = enumerate(Json::array({record}));
    EXPECT_EQ(devices.size(), 1u);
    return *deviceAt(devices, 0);
  }
  Texts texts() const { return traceTexts(enumeratorLog()); }

  EnumeratorPtr m_enumerator;
};

struct HideCase {
  const char* name;
  Json record;
  bool hidden;
};

ROW_PRINTS_AS_ITS_NAME(HideCase)

class HideRuleTest : public EnumeratorTest, public ::testing::WithParamInterface<HideCase> {};

TEST_P(HideRuleTest, DecidesFromTheRecordAlone) {
  EXPECT_EQ(enumerate(Json::array({GetParam().record})).empty(), GetParam().hidden);
}

Json with(Json record, const char* field, Json value) {
  record[field] = std::move(value);
  return record;
}

INSTANTIATE_TEST_SUITE_P(
    Records, HideRuleTest,
    ::testing::Values(HideCase{"IgnoredWhateverElse", with(rootHub("/x", 2), "ignore", true), true},
                      HideCase{"WorkingHostController", hostController(0), true},
                      HideCase{"FailingHostController", hostController(10), false},
                      HideCase{"Zelt4", usbDevice("Keyboard", 0x5B7D, 0x2500), true},
                      HideCase{"Zelt5Media", usbDevice("Media", 0x5B7D, 0x0000), true},
                      HideCase{"Zelt5Storage", usbDevice("Storage", 0x5B7D, 0x0001), true},
                      HideCase{"RacVendorOtherProduct", usbDevice("Other", 0x5B7D, 0x2501), false},
                      HideCase{"IntegratedHubOfTheRac", externalHub("/h", 0x5B7D, 0xA001), false},
                      HideCase{"VirtualInName", usbDevice("Virtual Keyboard"), true},
                      HideCase{"VirtualInDescription",
                               with(usbDevice("CD"), "description", "A Virtual CD"), true},
                      HideCase{"LowerCaseVirtualIsShown", usbDevice("virtual keyboard"), false},
                      HideCase{"RacStorageByInstanceId",
                               with(usbDevice("Disk"), "instanceId", "USB\\VID_5B7D&PID_0001\\1"),
                               true},
                      HideCase{"RacStorageIdInLowerCaseIsShown",
                               with(usbDevice("Disk"), "instanceId", "USB\\VID_5b7d&PID_0001\\1"),
                               false}),
    [](const ::testing::TestParamInfo<HideCase>& info) { return info.param.name; });

TEST_F(EnumeratorTest, IgnoredRecordIsTracedAndLeftUntouched) {
  enumerate(Json::array({with(usbDevice("Pad"), "ignore", true)}));
  EXPECT_EQ(texts(), (Texts{"Entering getDevice Vector() method", "Entering while true",
                            "##---------------- Entering HalvexDevice::enumerateDevice",
                            "sValue->sDevInstanceId: USB\\VID_04D9&PID_1702\\SN1",
                            "This device should be ignored: Pad",
                            "This device is to be ignored: Pad description",
                            "Returning from getDeviceVector"}));
}

TEST_F(EnumeratorTest, HiddenCompositeDeviceWritesOneRecordForItsRule) {
  enumerate(Json::array({usbDevice("Keyboard", 0x5B7D, 0x2500)}));
  const Texts expected = {"sValue->sDevInstanceId: USB\\VID_04D9&PID_1702\\SN1",
                          "This device should NOT be ignored: Keyboard",
                          "Found ZELT4,5 USB Composite Device, ignoring",
                          "This device is to be ignored: Keyboard description"};
  const Texts all = texts();
  EXPECT_TRUE(std::search(all.begin(), all.end(), expected.begin(), expected.end()) != all.end());
}

TEST_F(EnumeratorTest, RootHubRecordsInOrderWithBlanksAsWritten) {
  useTopology(topology(Json::array({with(rootHub("/dev/bus/usb/001/001", 2), "portStates",
                                         Json::array({port(2, "046d:c077 Mouse")}))})));
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  enumerator->getDeviceVector("", 0);
  EXPECT_EQ(texts(), (Texts{"Entering getDevice Vector() method",
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
                            "Returning from getDeviceVector"}));
}

struct NamingCase {
  const char* name;
  Json record;
  const char* deviceName;
  const char* deviceClass;
  const char* description;
  const char* descriptor;
};

ROW_PRINTS_AS_ITS_NAME(NamingCase)

class NamingTest : public EnumeratorTest, public ::testing::WithParamInterface<NamingCase> {};

TEST_P(NamingTest, FillsNameClassDescriptionAndDescriptor) {
  const HalvexDevice& device = onlyDevice(GetParam().record);
  EXPECT_EQ(device.getDeviceName(), GetParam().deviceName);
  EXPECT_EQ(device.getDeviceClass(), GetParam().deviceClass);
  EXPECT_EQ(device.getDeviceDescription(), GetParam().description);
  EXPECT_EQ(device.getDeviceDescriptor(), GetParam().descriptor);
}

INSTANTIATE_TEST_SUITE_P(
    Records, NamingTest,
    ::testing::Values(
        NamingCase{"RootHubKeepsItsName", rootHub("/r", 0), "Root Hub Name", "USB_ROOT_HUB",
                   "USB Root Hub", "USB Root Hub"},
        NamingCase{"FailingRootHubHasNoDescriptor", rootHub("/r", 0, 22), "Root Hub Name",
                   "USB_ROOT_HUB", "USB Root Hub", ""},
        NamingCase{"RacHub", externalHub("/h", 0x5B7D, 0xA001), "USB Hub", "USB_EXT_HUB",
                   "Integrated USB Hub", "Integrated USB Hub"},
        NamingCase{"ChipHub", externalHub("/h", 0x04B4, 0x6560), "USB Hub", "USB_EXT_HUB",
                   "Integrated USB Hub", "Integrated USB Hub"},
        NamingCase{"OtherHub", externalHub("/h", 0x05E3, 0x0610), "USB Hub", "USB_EXT_HUB",
                   "Hub Description", "Generic USB Hub"},
        NamingCase{"FailingHub", externalHub("/h", 0x05E3, 0x0610, 10), "USB Hub", "USB_EXT_HUB",
                   "Hub Description", ""},
        NamingCase{"Device", usbDevice("Keyboard"), "Keyboard", "USB_DEVICE",
                   "Keyboard description", ""},
        NamingCase{"NameFromDescription", with(usbDevice(""), "description", "Only Desc"),
                   "Only Desc", "USB_DEVICE", "Only Desc", ""},
        NamingCase{"FallbackName",
                   with(with(usbDevice(""), "description", ""), "fallbackName", "Fallback"),
                   "Fallback", "USB_DEVICE", "", ""},
        NamingCase{"FloppyByName", usbDevice("USB Floppy"), "FLOPPY_USB_NAME", "144FLOPPY_DRIVE",
                   "FLOPPY_H1440_USB_DESCR", ""},
        NamingCase{"FloppyByIds", usbDevice("Drive", 0x0424, 0x0FDC), "FLOPPY_USB_NAME",
                   "144FLOPPY_DRIVE", "FLOPPY_H1440_USB_DESCR", ""},
        NamingCase{"OpticalByName", usbDevice("DVD CD-RW"), "DVD CD-RW", "OPTICAL_DRIVE",
                   "DVD CD-RW description", ""},
        NamingCase{"OpticalByIds", usbDevice("Drive", 0x0644, 0x1000), "Drive", "OPTICAL_DRIVE",
                   "Drive description", ""},
        NamingCase{"FloppyAndOpticalName", usbDevice("Floppy CD-R"), "FLOPPY_USB_NAME",
                   "OPTICAL_DRIVE", "FLOPPY_H1440_USB_DESCR", ""},
        NamingCase{"GenericHubTextWhateverTheType",
                   with(usbDevice("Thing"), "description", "Ty p USB nu"), "Thing", "USB_DEVICE",
                   "Generic USB Hub", ""},
        NamingCase{"FailingHostControllerKeepsTheConstructedClass", hostController(10),
                   "USB Host Controller", "USBDevice", "", ""},
        NamingCase{"DescriptionIsCleanedNameIsNot",
                   with(usbDevice("Cruzer <32GB> 1/2"), "description", "Cruzer & Co <32GB> 1/2"),
                   "Cruzer <32GB> 1/2", "USB_DEVICE", "Cruzer  AND  Co ~32GB~ 12", ""}),
    [](const ::testing::TestParamInfo<NamingCase>& info) { return info.param.name; });

TEST_F(EnumeratorTest, UnitDataKeepsTheFirstNameAndTheConstructedDescription) {
  const HalvexDevice& floppy = onlyDevice(usbDevice("USB Floppy"));
  const auto& fru = floppy.getFRUinfo();
  EXPECT_EQ(fru.getDeviceName(), "USB Floppy");
  EXPECT_EQ(fru.getDeviceDescription(), "");
  EXPECT_EQ(fru.getDeviceManufacturerName(), "Maker");
  EXPECT_EQ(fru.getDeviceModelNumber(), "");
  EXPECT_EQ(fru.getDeviceSerialNumber(), "SN1");
  EXPECT_EQ(fru.getDeviceFirmwareRevisionLevel(), "3.01");
}

TEST_F(EnumeratorTest, RootHubFirmwareStaysEmptyAndHubSerialToo) {
  std::vector<VirtualDevice>& devices =
      enumerate(Json::array({rootHub("/r", 0), externalHub("/h", 0x05E3, 0x0610, 10)}));
  EXPECT_EQ(deviceAt(devices, 0)->getFRUinfo().getDeviceFirmwareRevisionLevel(), "");
  EXPECT_EQ(deviceAt(devices, 1)->getFRUinfo().getDeviceFirmwareRevisionLevel(), "32.98");
  EXPECT_EQ(deviceAt(devices, 1)->getFRUinfo().getDeviceSerialNumber(), "");
}

TEST_F(EnumeratorTest, CommonFieldsComeFromTheRecordAndTheHostsArguments) {
  const HalvexDevice& device = onlyDevice(with(usbDevice("Pad"), "status", 3));
  EXPECT_EQ(device.getDeviceStatus(), 3);
  EXPECT_EQ(device.getDeviceLocation(), "1-1.2");
  EXPECT_EQ(device.getDeviceAuxLocation(), "1-1.2");
  EXPECT_EQ(device.getParentLocation(), "1-1");
  EXPECT_EQ(device.getDeviceAuxText(), "");
  EXPECT_EQ(device.getDevicePath(), "");
  // The seven construction values, in the framework constructor's own order.
  EXPECT_EQ(device.getNameKey(), "USB_DEV_NAME");
  EXPECT_EQ(device.getDisabledKey(), "USB_DEV_DISABLE");
  EXPECT_EQ(device.getEnabledFlag(), "1");
  EXPECT_EQ(device.getDescriptionKey(), "USB_DEV_DESC");
  EXPECT_EQ(device.getDeviceType(), "USBDevice");
  EXPECT_EQ(device.getCallerValue(), 77u);
  EXPECT_EQ(device.getCallerText(), "host text");
}

TEST_F(EnumeratorTest, VectorKeepsLibraryOrderWithoutHiddenDevices) {
  std::vector<VirtualDevice>& devices =
      enumerate(Json::array({usbDevice("First"), hostController(0), usbDevice("Second"),
                             usbDevice("Virtual Disk"), usbDevice("Third")}));
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(deviceAt(devices, 0)->getDeviceName(), "First");
  EXPECT_EQ(deviceAt(devices, 1)->getDeviceName(), "Second");
  EXPECT_EQ(deviceAt(devices, 2)->getDeviceName(), "Third");
}

TEST_F(EnumeratorTest, EachCallBuildsANewVectorAndKeepsTheOldOne) {
  std::vector<VirtualDevice>* first = &enumerate(Json::array({usbDevice("One")}));
  std::unique_ptr<std::vector<VirtualDevice>> earlier(first);  // the host releases earlier ones
  std::vector<VirtualDevice>* second = m_enumerator->getDeviceVector("", 0);
  EXPECT_NE(first, second);
  ASSERT_EQ(first->size(), 1u);
  ASSERT_EQ(second->size(), 1u);
  EXPECT_NE(first->front().getDevice(), second->front().getDevice());
}

TEST_F(EnumeratorTest, TwoFactoryCallsGiveTwoEnumerators) {
  EnumeratorPtr first(m_module.getIDeviceEnumerator(false, kNormal));
  EnumeratorPtr second(m_module.getIDeviceEnumerator(false, IDeviceEnumerator::MODE_PILOT));
  EXPECT_NE(first.get(), second.get());
  EXPECT_EQ(second->getDiagnosticMode(), IDeviceEnumerator::MODE_PILOT);
  EXPECT_FALSE(second->isLogEnabled());
}

TEST_F(EnumeratorTest, NoDevicesGivesAnEmptyVector) {
  EXPECT_TRUE(enumerate(Json::array()).empty());
  EXPECT_EQ(texts(), (Texts{"Entering getDevice Vector() method", "Entering while true",
                            "Returning from getDeviceVector"}));
}

TEST_F(EnumeratorTest, FailedListingGivesAnEmptyVectorAndThreeRecords) {
  useTopology(Json{{"getAllUSBDevicesFails", "bus gone"}, {"devices", Json::array()}}.dump());
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  std::vector<VirtualDevice>* devices = enumerator->getDeviceVector("", 0);
  ASSERT_NE(devices, nullptr);
  EXPECT_TRUE(devices->empty());
  EXPECT_EQ(texts(), (Texts{"Entering getDevice Vector() method", "Enumeration failed",
                            "Enum Failed :Unknown", "Returning from getDeviceVector"}));
}

struct ThrowCase {
  const char* name;
  Json thrownValue;
  const char* record;
};

ROW_PRINTS_AS_ITS_NAME(ThrowCase)

class ThrowingNextTest : public EnumeratorTest, public ::testing::WithParamInterface<ThrowCase> {};

TEST_P(ThrowingNextTest, KeepsTheDevicesBeforeAndLogsTheFailure) {
  std::vector<VirtualDevice>& devices = enumerate(
      Json::array({usbDevice("Before"), with(usbDevice("At"), "nextThrows", GetParam().thrownValue),
                   usbDevice("After")}));
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(deviceAt(devices, 0)->getDeviceName(), "Before");
  const Texts all = texts();
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ(all[all.size() - 2], GetParam().record);
  EXPECT_EQ(all.back(), "Returning from getDeviceVector");
}

INSTANTIATE_TEST_SUITE_P(
    ThrownTypes, ThrowingNextTest,
    ::testing::Values(ThrowCase{"String", thrown("string", "device gone"),
                                "Enum Failed :Message= device gone"},
                      ThrowCase{"UnsignedLong", thrown("unsigned long", 4294967295UL),
                                "Enum Failed :ErrCode= 4294967295"},
                      ThrowCase{"Int", thrown("int", -7), "Enum Failed :Unknown"}),
    [](const ::testing::TestParamInfo<ThrowCase>& info) { return info.param.name; });

TEST_F(EnumeratorTest, HubWhosePortQueryThrowsANonIntIsNotAppended) {
  Json hub = with(rootHub("/r", 3), "portStates",
                  Json::array({{{"port", 1}, {"key", "a"}},
                               {{"port", 2}, {"isPortBusyThrows", thrown("string", "stall")}}}));
  std::vector<VirtualDevice>& devices = enumerate(Json::array({usbDevice("Before"), hub}));
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(texts()[texts().size() - 2], "Enum Failed :Message= stall");
}

}  // namespace
