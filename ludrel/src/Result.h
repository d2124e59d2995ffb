#pragma once

#include <utility>
#include <variant>

#include "Failure.h"

namespace KestraDiags {
namespace Ludrel {

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
