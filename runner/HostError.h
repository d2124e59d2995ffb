#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <variant>

namespace KestraDiags {
namespace HalvexHost {

// A failure the host reports to its user: a stable name for machines and a one-line message.
struct HostError {
  std::string name;
  std::string message;
};

// The one line a user reads on stderr.
inline void reportError(std::ostream& err, const HostError& error) {
  err << "halvex-host: " << error.message << '\n';
}

// A value, or the reason why there is none.
template <typename T>
class Outcome {
 public:
  Outcome(T value) : m_content(std::move(value)) {}
  Outcome(HostError error) : m_content(std::move(error)) {}

  bool ok() const { return std::holds_alternative<T>(m_content); }
  T& value() { return std::get<T>(m_content); }
  const T& value() const { return std::get<T>(m_content); }
  const HostError& error() const { return std::get<HostError>(m_content); }

 private:
  std::variant<T, HostError> m_content;
};

}  // namespace HalvexHost
}  // namespace KestraDiags
