#include <climits>
#include <sstream>
#include <tuple>
#include <vector>

#include "TopologyFixture.h"

namespace {

constexpr std::size_t kLimit = 16 * 1024 * 1024;

class BadFileTest : public TopologyTest {
 protected:
  std::string devices(const std::string& entries) { return newFile(topologyOf(entries)); }
};

// One refused topology a line: the file's text, " -> ", the error's name after "LUDREL_ERROR_",
// then the message that follows the file's path.
constexpr const char* kRefusedTexts = R"(
{"devices": [{"ports": 1e400}]} -> PARSE: not JSON: number overflow parsing '1e400'
{"devices": [{"name": "a\u0000b"}]} -> FORMAT: /devices/0/name: the text holds a NUL character (\u0000), which a device text cannot carry
{"devices": [[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]} -> PARSE:1:44: nested deeper than 32 levels
{"devices": [{"name": "a", "ports": 2, "name": "b"}]} -> PARSE:1:45: the member "name" is given twice in one object
[] -> FORMAT: the top level: expected an object, got a list
{} -> FORMAT: the top level: missing "devices", the list of devices
{"devices": [{}, {}, {}, {"vendor": true}]} -> FORMAT: /devices/3/vendor: expected a USB ID as hex text such as "0x5B7D" or a number, got true
{"devices": [{"product": "5B7D"}]} -> FORMAT: /devices/0/product: expected a USB ID as hex text such as "0x5B7D" or a number, got "5B7D"
{"devices": [{"vendor": "0x10000"}]} -> FORMAT: /devices/0/vendor: out of range: "0x10000" is not between 0x0000 and 0xFFFF
{"devices": [{"vendor": -1}]} -> FORMAT: /devices/0/vendor: out of range: -1 is not between 0x0000 and 0xFFFF
{"devices": [{"status": 2147483648}]} -> FORMAT: /devices/0/status: out of range: 2147483648 is not between -2147483648 and 2147483647
{"devices": [{"ports": 1e30}]} -> FORMAT: /devices/0/ports: out of range: 1e+30 is not between -2147483648 and 2147483647
{"devices": [{"ports": 1.5}]} -> FORMAT: /devices/0/ports: expected a whole number, got 1.5
{"devices": [{"type": "root-hub", "ports": 256}]} -> FORMAT: /devices/0/ports: out of range: 256 is more than 255, the most ports a hub can have
{"devices": [{"type": "hub", "addlHWInfo": "Number of Ports:99999999999|"}]} -> FORMAT: /devices/0/addlHWInfo: out of range: the port count it gives is not between -2147483648 and 255, the most ports a hub can have
{"devices": [{"type": 1, "addlHWInfo": "Speed:High|Number of Ports: 256"}]} -> FORMAT: /devices/0/addlHWInfo: out of range: the port count it gives is not between -2147483648 and 255, the most ports a hub can have
{"devices": [{"type": "hub", "addlHWInfo": "-2147483649 ports|"}]} -> FORMAT: /devices/0/addlHWInfo: out of range: the port count it gives is not between -2147483648 and 255, the most ports a hub can have
{"devices": [{"type": "router"}]} -> FORMAT: /devices/0/type: expected "host-controller", "root-hub", "hub", "device" or a type number, got "router"
{"devices": [{"vendorId": 1}]} -> FORMAT: /devices/0/vendorId: unknown member; an object here may hold type, status, ports, vendor, product, ignore, devicePath, firmware, serial, manufacturer, fallbackName, name, description, addlHWInfo, location, parentLocation, instanceId, speed, portStates, nextThrows, hubStatus, hubChange, comment
{"devices": [{"ports": 2, "devicePath": "h", "portStates": [{"port": 3}]}]} -> FORMAT: /devices/0/portStates/0/port: out of range: port 3 is not between 1 and the hub's 2 ports
{"devices": [{"ports": 2, "devicePath": "h", "portStates": [{"port": 2}, {"port": 2}]}]} -> FORMAT: /devices/0/portStates/1/port: port 2 is described twice
{"devices": [{"ports": 2, "portStates": []}]} -> FORMAT: /devices/0/portStates: a hub with port states needs a devicePath, by which they are found
{"devices": [{"devicePath": "h", "portStates": []}, {"devicePath": "h", "portStates": []}]} -> FORMAT: /devices/1/devicePath: the same as that of /devices/0; hub ports are found by devicePath, so it must be unique
{"devices": [{"ports": 1, "devicePath": "h", "portStates": [{"port": 1, "portStatus": 65536}]}]} -> FORMAT: /devices/0/portStates/0/portStatus: out of range: 65536 is not between 0 and 65535
{"devices": [{"ports": 1, "devicePath": "h", "portStates": [{"port": 1, "overCurrentCount": -1}]}]} -> FORMAT: /devices/0/portStates/0/overCurrentCount: out of range: -1 is not between 0 and 4294967295
{"devices": [{"devicePath": "h", "hubStatus": 2}]} -> FORMAT: /devices/0/hubStatus: a hub's own word, for a root hub or hub or a device with portStates
{"devices": [{"type": "hub", "hubChange": 2}]} -> FORMAT: /devices/0/hubChange: a hub with words of its own needs a devicePath, by which they are found
{"devices": [{"nextThrows": {"type": "long", "value": 1}}]} -> FORMAT: /devices/0/nextThrows/type: expected "string", "unsigned long" or "int", got "long"
{"devices": [{"nextThrows": {"type": "int"}}]} -> FORMAT: /devices/0/nextThrows: missing "value": what is thrown
{"devices": [], "events": [{"afterMs": 0, "kind": "plug"}]} -> FORMAT: /events/0/kind: expected "over-current", "add" or "remove", got "plug"
{"devices": [], "events": [{"kind": "add", "device": "1-2"}]} -> FORMAT: /events/0: missing "afterMs": milliseconds after the event before, or after opening
{"devices": [], "events": [{"afterMs": 3600001, "kind": "add", "device": "1-2"}]} -> FORMAT: /events/0/afterMs: out of range: 3600001 is more than 3600000 (an hour), the longest delay
{"devices": [], "events": [{"afterMs": 0, "kind": "add", "device": "1-2", "port": 1}]} -> FORMAT: /events/0/port: unknown member; an object here may hold afterMs, kind, device, comment
{"devices": [], "events": [{"afterMs": 0, "kind": "over-current", "port": 1}]} -> FORMAT: /events/0: missing "hub": the location of the hub
{"devices": [{"location": "1-2"}], "events": [{"afterMs": 0, "kind": "over-current", "hub": "1-2", "port": 1}]} -> FORMAT: /events/0/hub: no root hub or hub of the file has the location "1-2"
{"devices": [{"type": "hub", "ports": 2, "location": "1-2"}], "events": [{"afterMs": 0, "kind": "over-current", "hub": "1-2", "port": 3}]} -> FORMAT: /events/0/port: out of range: port 3 is not between 1 and the hub's 2 ports
{"devices": [{"location": "1-1"}], "events": [{"afterMs": 0, "kind": "remove", "device": "1-2"}]} -> FORMAT: /events/0/device: no device of the file has the location "1-2"
{"getAllUSBDevicesFails": "controller stopped", "devices": [{}]} -> IO: getAllUSBDevices fails as the topology asks: controller stopped
)";

TEST_F(BadFileTest, EachIsRefusedWithOneLineNamingTheFileAndThePlace) {
  // The file, the error's name after "LUDREL_ERROR_", and its message after the file's path.
  std::string manyObjects = "{}";
  for (int i = 0; i < 100000; ++i) manyObjects += ",{}";
  std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {(m_dir / "absent.json").string(), "NOT_FOUND", ": no such topology file"},
      {m_dir.string(), "IO", ": cannot read the topology file: it is a directory, not a file"},
      {writeFile("plain", "") + "/t.json", "NOT_FOUND", ": no such topology file"},
      {newFile("{\"devices\": []}" + std::string(kLimit - 14, ' ')), "TOO_BIG",
       ": the topology file is larger than 16 MiB (16777216 bytes), the most it may be"},
      {newFile(" \n\t\n"), "PARSE",
       ": the file is empty; a topology is a JSON object with a \"devices\" list"},
      {newFile("{\n  \"devices\": [\n    {\"name\": \"a\",}\n  ]\n}\n"), "PARSE",
       ":3:18: not JSON: syntax error while parsing object key - unexpected '}'; expected "
       "string literal"},
      {newFile(std::string("{\"devices\": [{\"name\": \"a\0b\"}]}", 31)), "PARSE",
       ":1:25: not JSON: syntax error while parsing value - invalid string: control character "
       "U+0000 (NUL) must be escaped to \\u0000; last read: '\"a<U+0000>'"},
      {newFile("{\"devices\": [{\"name\": \"\xC3(\"}]}"), "PARSE",
       ":1:25: not JSON: syntax error while parsing value - invalid string: ill-formed UTF-8 "
       "byte; last read: '\"\\xC3('"},
      {newFile(std::string("{\"devices\": []}\0{}", 18)), "PARSE",
       ":1:16: not JSON: a NUL byte after the value"},
      {devices(manyObjects), "TOO_BIG", ": more than 100000 objects, the most a topology may hold"},
      {devices(R"({"nextThrows": {"type": "unsigned long", "value": -1}})"), "FORMAT",
       ": /devices/0/nextThrows/value: out of range: -1 is not between 0 and " +
           std::to_string(ULONG_MAX)},  // 32 bits on Windows, 64 on Linux
  };
  std::istringstream lines(kRefusedTexts);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t arrow = line.find(" -> "), colon = line.find(':', arrow + 4);
    if (arrow == std::string::npos) continue;
    cases.emplace_back(newFile(line.substr(0, arrow)), line.substr(arrow + 4, colon - arrow - 4),
                       line.substr(colon));
  }
  for (const auto& [path, error, message] : cases) {
    SCOPED_TRACE(message);
    useTopologyPath(path);
    USBDeviceFinder finder(nullptr);
    EXPECT_FALSE(finder.getAllUSBDevices());
    Usb_Device* record = nullptr;
    EXPECT_FALSE(finder.Next(&record));
    EXPECT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_" + error);
    EXPECT_EQ(USBUtil::lastErrorMessage(), path + message);
    // Port queries on a bad file answer "free" instead of throwing.
    EXPECT_EQ(portAnswers("h", 1), "free, -1");
  }
}

TEST_F(BadFileTest, AFileOfExactlyTheLimitIsRead) {
  const std::string json = topologyOf(R"({"name": "x"})");
  const std::string path = useTopology(json + std::string(kLimit - json.size(), '\n'));
  ASSERT_EQ(std::filesystem::file_size(path), kLimit);
  EXPECT_EQ(enumerate().size(), 1u);
}

TEST_F(BadFileTest, AFailureReachesAnOpenLogOncePerRepeat) {
  const std::string path = useTopology("{");
  const std::string logPath = writeFile("trace.log", "");
  std::ofstream log(logPath);
  for (int enumeration = 0; enumeration < 2; ++enumeration) {
    USBDeviceFinder finder(&log);
    EXPECT_FALSE(finder.getAllUSBDevices());
    std::string key;
    int state = 0;
    for (int port = 1; port <= 3; ++port) {
      finder.isPortBusy("h", port, key, nullptr);
      finder.checkforOCState("h", port, state, nullptr);
    }
  }
  std::ofstream closed;
  EXPECT_FALSE(USBDeviceFinder(&closed).getAllUSBDevices());
  log.close();
  const std::string line = "Ludrel: LUDREL_ERROR_PARSE: " + path +
                           ":1:2: not JSON: syntax error while parsing object key - unexpected end "
                           "of input; expected string literal\n";
  EXPECT_EQ(readText(logPath), line + line) << "one line per enumeration, none per port";
}

}  // namespace
