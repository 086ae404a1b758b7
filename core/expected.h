// A value or an error: the result type of operations that can fail without being a fault.
#pragma once

#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace sorvane {

// Wraps an error so that `Expected<T, E>` can be built from it unambiguously.
template <class E>
struct Unexpected {
  E error;
};
template <class E>
Unexpected(E) -> Unexpected<E>;

template <class T, class E>
class [[nodiscard]] Expected {
 public:
  Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Expected(Unexpected<E> e) : state_(std::in_place_index<1>, std::move(e.error)) {}
  // An error converts implicitly unless it could be mistaken for a value.
  template <class U = E, std::enable_if_t<!std::is_convertible_v<U, T>, int> = 0>
  Expected(E error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool has_value() const { return state_.index() == 0; }
  explicit operator bool() const { return has_value(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  E& error() & { return std::get<1>(state_); }
  const E& error() const& { return std::get<1>(state_); }
  E&& error() && { return std::get<1>(std::move(state_)); }

 private:
  std::variant<T, E> state_;
};

// Success without a value, or an error.
template <class E>
class [[nodiscard]] Expected<void, E> {
 public:
  Expected() = default;
  Expected(Unexpected<E> e) : error_(std::move(e.error)) {}
  Expected(E error) : error_(std::move(error)) {}

  bool has_value() const { return !error_.has_value(); }
  explicit operator bool() const { return has_value(); }

  E& error() & { return *error_; }
  const E& error() const& { return *error_; }
  E&& error() && { return *std::move(error_); }

 private:
  std::optional<E> error_;
};

}  // namespace sorvane
