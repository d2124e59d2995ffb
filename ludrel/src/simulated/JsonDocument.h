#pragma once

#include <string>

#include "simulated/JsonValues.h"

namespace KestraDiags {
namespace Ludrel {

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
  // Throws what Json::parse throws for the text: its parse errors and std::bad_alloc.
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
