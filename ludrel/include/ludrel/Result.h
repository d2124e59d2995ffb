#pragma once

#include <string>
#include <utility>
#include <variant>

namespace KestraDiags {
namespace Ludrel {

// A failure as the library reports it: a fixed name for programs, a one-line message for people.
struct Failure {
  std::string name;
  std::string message;
};

inline bool operator==(const Failure& a, const Failure& b) {
  return a.name == b.name && a.message == b.message;
}

// A value or the failure that stands in its place.
template <typename T>
class Result {
 public:
  Result(T value) : m_content(std::move(value)) {}
  Result(Failure failure) : m_content(std::move(failure)) {}

  bool ok() const { return std::holds_alternative<T>(m_content); }
  const T& value() const { return std::get<T>(m_content); }
  T& value() { return std::get<T>(m_content); }
  const Failure& failure() const { return std::get<Failure>(m_content); }

 private:
  std::variant<T, Failure> m_content;
};

}  // namespace Ludrel
}  // namespace KestraDiags
