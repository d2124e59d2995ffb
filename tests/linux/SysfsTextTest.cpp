#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "linux/SysfsText.h"

using namespace KestraDiags::Ludrel;

namespace {

struct NumberCase {
  const char* raw;
  std::optional<int> hex;
  std::optional<int> decimal;
};

TEST(SysfsText, NumbersAsTheKernelWritesThem) {
  const NumberCase cases[] = {
      {"1d6b\n", 0x1D6B, std::nullopt},    // idVendor
      {"0601\n", 0x0601, 601},             // bcdDevice, read as hex
      {" 1\n", 0x1, 1},                    // bNumInterfaces is padded
      {"0x8086\n", 0x8086, std::nullopt},  // a PCI vendor
      {"0X10DE", 0x10DE, std::nullopt},
      {"\n", std::nullopt, std::nullopt},  // an unconfigured device's bConfigurationValue
      {"", std::nullopt, std::nullopt},
      {"0x", std::nullopt, std::nullopt},
      {"1.5\n", std::nullopt, std::nullopt},  // a low-speed device's speed
      {"-1", std::nullopt, std::nullopt},
      {"7fffffff", 0x7FFFFFFF, std::nullopt},
      {"80000000", std::nullopt, 80000000},
      {"2147483647", std::nullopt, 2147483647},
      {"2147483648", std::nullopt, std::nullopt},
      {"1 2", std::nullopt, std::nullopt},
  };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.raw + "\"");
    EXPECT_EQ(hexAttribute(c.raw), c.hex);
    EXPECT_EQ(decimalAttribute(c.raw), c.decimal);
  }
}

TEST(SysfsText, TextsLoseOnlyTheirNewline) {
  EXPECT_EQ(attributeText("SanDisk 3.2Gen1 \n"), "SanDisk 3.2Gen1 ");
  EXPECT_EQ(attributeText(" padded"), " padded");
  EXPECT_EQ(attributeText("two\n\n"), "two\n");
  EXPECT_EQ(attributeText(""), "");

  EXPECT_EQ(trimmedAttribute("\t removable \n"), "removable");
  EXPECT_EQ(trimmedAttribute(" \n"), "");
}

}  // namespace
