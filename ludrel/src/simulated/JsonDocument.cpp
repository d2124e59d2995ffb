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

// The builder Json::parse itself uses, so that a text fails with the same errors, refusing what a
// topology may not hold as the parser meets it. (The library's callback parser would do the same,
// but it searches a list's whole content for a discarded value at the end of every object in it,
// which makes a long list of objects cost its length squared.)
class TopologyBuilder : public nlohmann::detail::json_sax_dom_parser<Json> {
 public:
  TopologyBuilder(Json& root, const TextBuffer& buffer)
      : json_sax_dom_parser(root), m_buffer(buffer) {}

  bool start_object(std::size_t size) {
    enter();
    if (++m_objects > kMaxTopologyObjects) {
      throw TextRefusal{ErrorName::kTooBig, TextRefusal::kNoOffset,
                        "more than " + std::to_string(kMaxTopologyObjects) +
                            " objects, the most a topology may hold"};
    }
    m_openObjectsKeys.emplace_back();
    return json_sax_dom_parser::start_object(size);
  }
  bool key(std::string& name) {
    if (!m_openObjectsKeys.back().insert(name).second) {
      throw TextRefusal{ErrorName::kParse, m_buffer.lastRead(),
                        "the member " + Json(name).dump() + " is given twice in one object"};
    }
    return json_sax_dom_parser::key(name);
  }
  bool end_object() {
    m_openObjectsKeys.pop_back();
    --m_depth;
    return json_sax_dom_parser::end_object();
  }
  bool start_array(std::size_t size) {
    enter();
    return json_sax_dom_parser::start_array(size);
  }
  bool end_array() {
    --m_depth;
    return json_sax_dom_parser::end_array();
  }

 private:
  void enter() {
    if (m_depth++ >= kMaxTopologyDepth) {
      throw TextRefusal{ErrorName::kParse, m_buffer.lastRead(),
                        "nested deeper than " + std::to_string(kMaxTopologyDepth) + " levels"};
    }
  }

  const TextBuffer& m_buffer;
  int m_depth = 0;
  std::size_t m_objects = 0;
  std::vector<std::set<std::string>> m_openObjectsKeys;
};

}  // namespace

JsonDocument::JsonDocument(const std::string& text) {
  TextBuffer buffer(text);
  try {
    std::istream stream(&buffer);
    TopologyBuilder builder(m_root, buffer);
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
