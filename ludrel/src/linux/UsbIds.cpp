#include "linux/UsbIds.h"

#include <cstdio>
#include <memory>

namespace KestraDiags {
namespace Ludrel {
namespace {

// Where distributions install the database, most common first.
constexpr const char* kDatabasePaths[] = {
    "/usr/share/misc/usb.ids",
    "/usr/share/hwdata/usb.ids",
    "/var/lib/usbutils/usb.ids",
    "/usr/share/usb.ids",
};

// The database is about 1.5 MB; anything much larger is not one.
constexpr std::size_t kLargestDatabase = 16 * 1024 * 1024;

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "xxxx  name": a four-digit hexadecimal ID, two blanks, the name. Nothing for other lines.
std::optional<std::pair<int, std::string_view>> idLine(std::string_view line) {
  if (line.size() < 7 || line[4] != ' ' || line[5] != ' ') return std::nullopt;
  int id = 0;
  for (int i = 0; i < 4; ++i) {
    const int digit = hexValue(line[i]);
    if (digit < 0) return std::nullopt;
    id = id * 16 + digit;
  }
  return std::make_pair(id, line.substr(6));
}

}  // namespace

UsbIdNames findUsbIdNames(std::string_view database, int vendor, int product) {
  // A vendor line starts in the first column; its products follow, indented by one tab (two
  // tabs mark an interface of the product above).
  UsbIdNames names;
  bool inVendor = false;
  while (!database.empty()) {
    const std::size_t end = database.find('\n');
    std::string_view line = database.substr(0, end);
    database.remove_prefix(end == std::string_view::npos ? database.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] != '\t') {
      const auto entry = idLine(line);
      // The vendors come first: the next vendor, or the first line of another list ("C 09  Hub"),
      // ends the search.
      if (inVendor || !entry) break;
      if (entry->first == vendor) {
        names.vendor = std::string(entry->second);
        inVendor = true;
      }
    } else if (inVendor && line.size() > 1 && line[1] != '\t') {
      const auto entry = idLine(line.substr(1));
      if (entry && entry->first == product) {
        names.product = std::string(entry->second);
        break;
      }
    }
  }
  return names;
}

std::optional<std::string> readUsbIdsDatabase() {
  for (const char* path : kDatabasePaths) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"),
                                                               &std::fclose);
    if (!file) continue;
    std::string text;
    char buffer[64 * 1024];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
      text.append(buffer, count);
      if (text.size() > kLargestDatabase) break;
    }
    if (!std::ferror(file.get()) && text.size() <= kLargestDatabase) return text;
  }
  return std::nullopt;
}

}  // namespace Ludrel
}  // namespace KestraDiags
