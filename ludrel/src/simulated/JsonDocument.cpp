#include "simulated/JsonDocument.h"

#include <istream>
#include <set>
#include <streambuf>
#include <vector>

#include "Failure.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

// Empties value's lists and objects, the deepest first. The nesting is bounded while parsing
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

// The text as a stream that tells how far the parser has read it.
class TextBuffer : public std::streambuf {
 public:
  explicit TextBuffer(const std::string& text) {
    char* begin = const_cast<char*>(text.data());  // only ever read
    setg(begin, begin, begin + text.size());
  }
  std::size_t lastRead() const { return static_cast<std::size_t>(gptr() - eback()) - 1; }
};

}  // namespace

JsonDocument::JsonDocument(const std::string& text) {
  TextBuffer buffer(text);
  std::size_t objects = 0;
  std::vector<std::set<std::string>> openObjectsKeys;
  const auto refuseWhatTopologiesMayNotHold = [&](int depth, Json::parse_event_t event,
                                                  const Json& parsed) {
    using Event = Json::parse_event_t;
    if ((event == Event::object_start || event == Event::array_start) &&
        depth >= kMaxTopologyDepth) {
      throw TextRefusal{ErrorName::kParse, buffer.lastRead(),
                        "nested deeper than " + std::to_string(kMaxTopologyDepth) + " levels"};
    }
    if (event == Event::object_start) {
      if (++objects > kMaxTopologyObjects) {
        throw TextRefusal{ErrorName::kTooBig, TextRefusal::kNoOffset,
                          "more than " + std::to_string(kMaxTopologyObjects) +
                              " objects, the most a topology may hold"};
      }
      openObjectsKeys.emplace_back();
    } else if (event == Event::object_end) {
      openObjectsKeys.pop_back();
    } else if (event == Event::key &&
               !openObjectsKeys.back().insert(parsed.get<std::string>()).second) {
      throw TextRefusal{ErrorName::kParse, buffer.lastRead(),
                        "the member " + parsed.dump() + " is given twice in one object"};
    }
    return true;
  };
  try {
    std::istream stream(&buffer);
    // The builder Json::parse itself uses, so that a text fails with the same errors.
    nlohmann::detail::json_sax_dom_callback_parser<Json> builder(m_root,
                                                                 refuseWhatTopologiesMayNotHold);
    Json::sax_parse(stream, &builder);
    // The parser takes a NUL byte outside a text for the end of the input; a value it parsed
    // whole can only have ended there.
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) {
      throw TextRefusal{ErrorName::kParse, nul, "not JSON: a NUL byte after the value"};
    }
  } catch (...) {
    dismantle(m_root);
    throw;
  }
}

JsonDocument::~JsonDocument() { dismantle(m_root); }

}  // namespace Ludrel
}  // namespace KestraDiags
