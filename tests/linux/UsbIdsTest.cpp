#include <gtest/gtest.h>

#include <string>

#include "linux/UsbIds.h"

using namespace KestraDiags::Ludrel;

namespace {

// The shape of the real file: comments, vendors with products and interfaces, then the other
// lists, whose lines must never be taken for vendors or products.
constexpr const char* kDatabase =
    "#\tList of USB ID's\n"
    "\n"
    "0001  Fry's Electronics\n"
    "\t7778  Counterfeit flash drive [Kingston]\n"
    "046d  Logitech, Inc.\n"
    "\t0a9c  G432 Gaming Headset\n"
    "# a comment inside a vendor's list\n"
    "\tc52b  Unifying Receiver\n"
    "\t\t0001  an interface of c52b\n"
    "\tc534  Unifying Receiver\n"
    "05e3  Genesys Logic, Inc.\n"
    "\t0610  Hub\r\n"
    "abcd  Unknown\n"
    "\n"
    "C 09  Hub\n"
    "\t00  Unused\n"
    "AT 0409  English(US)\n"
    "HCC 00  Undefined\n"
    "0bad  A vendor-like line after the vendors\n";

TEST(UsbIds, VendorAndProductNames) {
  struct Case {
    int vendor;
    int product;
    const char* vendorName;
    const char* productName;
  };
  const Case cases[] = {
      {0x046D, 0xC52B, "Logitech, Inc.", "Unifying Receiver"},
      {0x046D, 0x0A9C, "Logitech, Inc.", "G432 Gaming Headset"},
      {0x0001, 0x7778, "Fry's Electronics", "Counterfeit flash drive [Kingston]"},
      {0x05E3, 0x0610, "Genesys Logic, Inc.", "Hub"},  // a CR before the newline is dropped
      {0x046D, 0x0001, "Logitech, Inc.", ""},  // an interface of another product is no product
      {0x046D, 0x7778, "Logitech, Inc.", ""},  // a product of another vendor
      {0xABCD, 0x0000, "Unknown", ""},
      {0x1234, 0xC52B, "", ""},
      {0x0009, 0x0000, "", ""},  // "C 09" is the hub class, not a vendor
      {0x0BAD, 0x0000, "", ""},  // the vendors ended at "C 09"
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.vendor) + ":" + std::to_string(c.product));
    const UsbIdNames names = findUsbIdNames(kDatabase, c.vendor, c.product);
    EXPECT_EQ(names.vendor, c.vendorName);
    EXPECT_EQ(names.product, c.productName);
  }
}

TEST(UsbIds, EmptyOrBrokenDatabasesNameNothing) {
  for (const char* text : {"", "\n\n", "046d Logitech\n\tc52b Unifying Receiver\n", "046d  \n",
                           "046dx  Logitech\n", "\tc52b  Unifying Receiver\n"}) {
    SCOPED_TRACE(text);
    const UsbIdNames names = findUsbIdNames(text, 0x046D, 0xC52B);
    EXPECT_EQ(names.vendor, "");
    EXPECT_EQ(names.product, "");
  }
}

}  // namespace
