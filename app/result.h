#pragma once

// What a step that can fail gives back, the one way the program's logic
// reports failure: the step's value, or why it failed (a sentence for a
// person, or a warning with its title). Nothing is thrown across layers and
// nothing comes back through an out-parameter.
//
//   app::Result<BmpShape> shape = ReadBmpShape(header, limit);
//   if (!shape) return app::Fail("the header " + shape.error());
//   Use(shape->width);

#include <string>
#include <utility>
#include <variant>

namespace tessellux::app {

// The value of a step that gives nothing but its success.
struct Done {};

// Why a step failed, on its way into a Result.
template <typename Error>
struct Failure {
  Error why;
};

inline Failure<std::string> Fail(std::string why) { return {std::move(why)}; }
template <typename Error>
Failure<Error> Fail(Error why) {
  return {std::move(why)};
}

template <typename T = Done, typename Error = std::string>
class [[nodiscard]] Result {
 public:
  Result(T value) : outcome_(std::in_place_index<0>, std::move(value)) {}
  Result(Failure<Error> failure) : outcome_(std::in_place_index<1>, std::move(failure.why)) {}

  bool ok() const { return outcome_.index() == 0; }
  explicit operator bool() const { return ok(); }

  const T& operator*() const& { return std::get<0>(outcome_); }
  T&& operator*() && { return std::get<0>(std::move(outcome_)); }
  const T* operator->() const { return &std::get<0>(outcome_); }
  // Only for a failed step.
  const Error& error() const { return std::get<1>(outcome_); }

 private:
  std::variant<T, Error> outcome_;
};

}  // namespace tessellux::app
