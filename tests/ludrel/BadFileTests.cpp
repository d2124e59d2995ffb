#include <climits>

#include "TopologyFixture.h"

namespace {

constexpr std::size_t kLimit = 16 * 1024 * 1024;

class BadFileTest : public TopologyTest {
 protected:
  std::string devices(const std::string& entries) { return newFile(topologyOf(entries)); }
};

TEST_F(BadFileTest, EachIsRefusedWithOneLineNamingTheFileAndThePlace) {
  // The error's message is the file's path and then this.
  const struct {
    const char* what;
    std::string path;
    const char* error;
    std::string message;
  } cases[] = {
      {"missing", (m_dir / "absent.json").string(), "LUDREL_ERROR_NOT_FOUND",
       ": no such topology file"},
      {"a directory", m_dir.string(), "LUDREL_ERROR_IO",
       ": cannot read the topology file: it is a directory, not a file"},
      {"below a file", writeFile("plain", "") + "/t.json", "LUDREL_ERROR_NOT_FOUND",
       ": no such topology file"},
      {"over the size limit", newFile("{\"devices\": []}" + std::string(kLimit - 14, ' ')),
       "LUDREL_ERROR_TOO_BIG",
       ": the topology file is larger than 16 MiB (16777216 bytes), the most it may be"},
      {"empty", newFile(""), "LUDREL_ERROR_PARSE",
       ": the file is empty; a topology is a JSON object with a \"devices\" list"},
      {"blank", newFile(" \n\t\n"), "LUDREL_ERROR_PARSE",
       ": the file is empty; a topology is a JSON object with a \"devices\" list"},
      {"not JSON", newFile("{\n  \"devices\": [\n    {\"name\": \"a\",}\n  ]\n}\n"),
       "LUDREL_ERROR_PARSE",
       ":3:18: not JSON: syntax error while parsing object key - unexpected '}'; expected "
       "string literal"},
      {"truncated", newFile("{\"devices\": [{\"name\": \"a\""), "LUDREL_ERROR_PARSE",
       ":1:26: not JSON: syntax error while parsing object - unexpected end of input; "
       "expected '}'"},
      {"NUL byte", newFile(std::string("{\"devices\": [{\"name\": \"a\0b\"}]}", 31)),
       "LUDREL_ERROR_PARSE",
       ":1:25: not JSON: syntax error while parsing value - invalid string: control "
       "character U+0000 (NUL) must be escaped to \\u0000; last read: '\"a<U+0000>'"},
      {"invalid UTF-8", newFile("{\"devices\": [{\"name\": \"\xC3(\"}]}"), "LUDREL_ERROR_PARSE",
       ":1:25: not JSON: syntax error while parsing value - invalid string: ill-formed UTF-8 "
       "byte; last read: '\"\\xC3('"},
      {"number overflow", devices(R"({"ports": 1e400})"), "LUDREL_ERROR_PARSE",
       ": not JSON: number overflow parsing '1e400'"},
      {"escaped NUL", devices(R"({"name": "a\u0000b"})"), "LUDREL_ERROR_FORMAT",
       ": /devices/0/name: the text holds a NUL character (\\u0000), which a device text "
       "cannot carry"},
      {"too deep", devices(std::string(40, '[') + std::string(40, ']')), "LUDREL_ERROR_PARSE",
       ": nested deeper than 32 levels"},
      {"too many objects", devices([] {
         std::string entries = "{}";
         for (int i = 0; i < 100000; ++i) entries += ",{}";
         return entries;
       }()),
       "LUDREL_ERROR_TOO_BIG", ": 100002 objects, more than the 100000 a topology may hold"},
      {"a list at the top", newFile("[]"), "LUDREL_ERROR_FORMAT",
       ": the top level: expected an object, got a list"},
      {"no devices", newFile("{}"), "LUDREL_ERROR_FORMAT",
       ": /devices: missing: a topology lists its devices under \"devices\""},
      {"wrong type", devices(R"({}, {}, {}, {"vendor": true})"), "LUDREL_ERROR_FORMAT",
       ": /devices/3/vendor: expected a USB ID as hex text such as \"0x5B7D\" or a number, "
       "got true"},
      {"hex without 0x", devices(R"({"product": "5B7D"})"), "LUDREL_ERROR_FORMAT",
       ": /devices/0/product: expected a USB ID as hex text such as \"0x5B7D\" or a number, "
       "got \"5B7D\""},
      {"USB ID too large", devices(R"({"vendor": "0x10000"})"), "LUDREL_ERROR_FORMAT",
       ": /devices/0/vendor: out of range: \"0x10000\" is not between 0x0000 and 0xFFFF"},
      {"negative USB ID", devices(R"({"vendor": -1})"), "LUDREL_ERROR_FORMAT",
       ": /devices/0/vendor: out of range: -1 is not between 0x0000 and 0xFFFF"},
      {"status too large", devices(R"({"status": 2147483648})"), "LUDREL_ERROR_FORMAT",
       ": /devices/0/status: out of range: 2147483648 is not between -2147483648 and "
       "2147483647"},
      {"beyond 64 bits", devices(R"({"ports": 1e30})"), "LUDREL_ERROR_FORMAT",
       ": /devices/0/ports: out of range: 1e+30 is not between -2147483648 and 2147483647"},
      {"fraction", devices(R"({"ports": 1.5})"), "LUDREL_ERROR_FORMAT",
       ": /devices/0/ports: expected a whole number, got 1.5"},
      {"unknown type", devices(R"({"type": "router"})"), "LUDREL_ERROR_FORMAT",
       ": /devices/0/type: expected \"host-controller\", \"root-hub\", \"hub\", \"device\" "
       "or a type number, got \"router\""},
      {"misspelt member", devices(R"({"vendorId": 1})"), "LUDREL_ERROR_FORMAT",
       ": /devices/0/vendorId: unknown member; an object here may hold type, status, ports, "
       "vendor, product, ignore, devicePath, firmware, serial, manufacturer, fallbackName, name, "
       "description, addlHWInfo, location, parentLocation, instanceId, portStates, nextThrows, "
       "comment"},
      {"port beyond the hub",
       devices(R"({"ports": 2, "devicePath": "h", "portStates": [{"port": 3}]})"),
       "LUDREL_ERROR_FORMAT",
       ": /devices/0/portStates/0/port: out of range: port 3 is not between 1 and the hub's "
       "2 ports"},
      {"port twice",
       devices(R"({"ports": 2, "devicePath": "h", "portStates": [{"port": 2}, {"port": 2}]})"),
       "LUDREL_ERROR_FORMAT", ": /devices/0/portStates/1/port: port 2 is described twice"},
      {"ports without a path", devices(R"({"ports": 2, "portStates": []})"), "LUDREL_ERROR_FORMAT",
       ": /devices/0/portStates: a hub with port states needs a devicePath, by which they "
       "are found"},
      {"two hubs, one path",
       devices(R"({"devicePath": "h", "portStates": []}, {"devicePath": "h", "portStates": []})"),
       "LUDREL_ERROR_FORMAT",
       ": /devices/1/devicePath: the same as that of /devices/0; hub ports are found by "
       "devicePath, so it must be unique"},
      {"unknown thrown type", devices(R"({"nextThrows": {"type": "long", "value": 1}})"),
       "LUDREL_ERROR_FORMAT",
       ": /devices/0/nextThrows/type: expected \"string\", \"unsigned long\" or \"int\", got "
       "\"long\""},
      {"negative unsigned long",
       devices(R"({"nextThrows": {"type": "unsigned long", "value": -1}})"), "LUDREL_ERROR_FORMAT",
       ": /devices/0/nextThrows/value: out of range: -1 is not between 0 and " +
           std::to_string(ULONG_MAX)},  // 32 bits on Windows, 64 on Linux
      {"thrown value missing", devices(R"({"nextThrows": {"type": "int"}})"), "LUDREL_ERROR_FORMAT",
       ": /devices/0/nextThrows/value: missing: say what is thrown"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    useTopologyPath(c.path);
    EXPECT_FALSE(USBDeviceFinder(nullptr).getAllUSBDevices());
    EXPECT_EQ(USBUtil::lastErrorName(), c.error);
    EXPECT_EQ(USBUtil::lastErrorMessage(), c.path + c.message);
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
