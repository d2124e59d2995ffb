#pragma once

#include <cstddef>
#include <string>

#include "simulated/JsonFields.h"

namespace KestraDiags {
namespace Ludrel {

// Nesting deeper than this is refused before it can cost much memory; a topology needs six.
constexpr int kMaxTopologyDepth = 32;
// So are more objects than this: each costs far more in memory than its few bytes of text, and a
// machine has some hundreds of devices, a benchmark ten thousand.
constexpr std::size_t kMaxTopologyObjects = 100000;

// A text that is JSON, but not JSON that a topology may be: the failure's name, the offset of the
// byte concerned (kNoOffset for the whole text) and what is wrong.
struct TextRefusal {
  static constexpr std::size_t kNoOffset = static_cast<std::size_t>(-1);
  const char* name;
  std::size_t offset;
  std::string problem;
};

// A parsed JSON text whose end allocates nothing, even when the parse is cut short.
//
// The library's own destructor moves the members of a list or object that is not empty into a
// vector it reserves first; when memory has run out, that reservation throws out of a destructor
// and ends the process. A document takes its lists and objects apart leaf first instead, so that
// every value it destroys is a scalar or an empty list or object, neither of which allocates.
// The parse builds into the document's own root for the same reason: a failed allocation halfway
// leaves a partial tree there, which is taken apart the same way before the failure goes on.
class JsonDocument {
 public:
  // Throws what Json::parse throws for the text (its parse errors and std::bad_alloc), and a
  // TextRefusal for nesting deeper than kMaxTopologyDepth, more than kMaxTopologyObjects objects,
  // a member given twice in one object, or anything after a NUL byte that ends the value.
  explicit JsonDocument(const std::string& text);
  ~JsonDocument();
  JsonDocument(const JsonDocument&) = delete;
  JsonDocument& operator=(const JsonDocument&) = delete;

  const Json& root() const { return m_root; }

 private:
  Json m_root;
};

}  // namespace Ludrel
}  // namespace KestraDiags
