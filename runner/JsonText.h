#pragma once

#include <ostream>

#include <nlohmann/json.hpp>

#include "HostError.h"

namespace KestraDiags {
namespace HalvexHost {

// Device texts are bytes, not always UTF-8: a stray byte becomes U+FFFD instead of an error.
inline void printJson(const nlohmann::ordered_json& document, std::ostream& out) {
  out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

inline nlohmann::ordered_json errorJson(const HostError& error) {
  return {{"name", error.name}, {"message", error.message}};
}

}  // namespace HalvexHost
}  // namespace KestraDiags
