#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace KestraDiags {
namespace HalvexHost {

// What path names, symbolic links followed, told without opening it: opening a FIFO or a device
// can wait for ever. file_type::not_found when there is nothing, file_type::none when it cannot
// be told.
std::filesystem::file_type fileTypeAt(const std::string& path);

// "a directory", "a FIFO", "a character device" and so on, for messages.
std::string fileTypeName(std::filesystem::file_type type);

// "it is a FIFO" when path names something that exists and is no regular file.
std::optional<std::string> whyNotARegularFile(const std::string& path);

}  // namespace HalvexHost
}  // namespace KestraDiags
