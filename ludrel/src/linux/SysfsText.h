#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace KestraDiags {
namespace Ludrel {

// How the kernel writes USB attributes in sysfs: one value and a newline, numbers sometimes
// padded with blanks (bNumInterfaces is " 1", version " 2.00").

// A text attribute without the newline the kernel ends it with; inner and trailing blanks are
// part of a device's strings and stay.
std::string attributeText(std::string_view raw);

// The whole attribute as a number, blanks and newline around it allowed, a hexadecimal one with
// or without "0x" (PCI writes "0x8086", USB "8086"); nothing when it holds anything else, is
// empty or exceeds 0x7FFFFFFF.
std::optional<int> hexAttribute(std::string_view raw);
std::optional<int> decimalAttribute(std::string_view raw);

// The attribute without the blanks and newline around it.
std::string trimmedAttribute(std::string_view raw);

// Up to three numbers in a printf format, as the kernel writes its attributes ("%04x\n").
std::string formatted(const char* format, int a, int b = 0, int c = 0);

}  // namespace Ludrel
}  // namespace KestraDiags
