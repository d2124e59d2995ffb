#include "simulated/JsonDocument.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

// Empties value's lists and objects, the deepest first. The nesting is bounded before parsing
// (kMaxTopologyDepth), so the recursion is too.
void dismantle(Json& value) noexcept {
  if (Json::array_t* list = value.get_ptr<Json::array_t*>()) {
    while (!list->empty()) {
      dismantle(list->back());
      list->pop_back();
    }
  } else if (Json::object_t* members = value.get_ptr<Json::object_t*>()) {
    while (!members->empty()) {
      dismantle(members->begin()->second);
      members->erase(members->begin());
    }
  }
}

}  // namespace

JsonDocument::JsonDocument(const std::string& text) {
  try {
    // The builder Json::parse itself uses, so that a text fails with the same errors.
    nlohmann::detail::json_sax_dom_parser<Json> builder(m_root);
    Json::sax_parse(text, &builder);
  } catch (...) {
    dismantle(m_root);
    throw;
  }
}

JsonDocument::~JsonDocument() { dismantle(m_root); }

}  // namespace Ludrel
}  // namespace KestraDiags
