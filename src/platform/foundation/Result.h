#pragma once
// The one shape of "done, or refused with a reason": a value (or nothing) on success, else a
// one-line reason a person can read. Marked [[nodiscard]] so that a refusal is never dropped.
#include <cassert>
#include <optional>
#include <string>
#include <utility>

namespace tessaly::platform {

// A refusal on its way into any Result: `return Refusal{"the toolbar is hidden"};`.
struct Refusal {
  std::string reason;
};

template <class T = void>
class [[nodiscard]] Result {
 public:
  Result(T value) : _value(std::move(value)) {}  // NOLINT: a value is a success
  Result(Refusal refusal) : _reason(std::move(refusal.reason)) {
    if (_reason.empty()) _reason = "refused";
  }

  bool ok() const { return _value.has_value(); }
  explicit operator bool() const { return ok(); }
  // The value; only on success.
  const T& value() const& {
    assert(ok());
    return *_value;
  }
  T& value() & {
    assert(ok());
    return *_value;
  }
  T&& value() && {
    assert(ok());
    return std::move(*_value);
  }
  const T* operator->() const { return &value(); }
  const T& operator*() const& { return value(); }
  // Why it was refused; empty on success.
  const std::string& reason() const { return _reason; }

 private:
  std::optional<T> _value;
  std::string _reason;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Refusal refusal) : _refused(true), _reason(std::move(refusal.reason)) {
    if (_reason.empty()) _reason = "refused";
  }
  static Result success() { return {}; }

  bool ok() const { return !_refused; }
  explicit operator bool() const { return ok(); }
  const std::string& reason() const { return _reason; }

 private:
  bool _refused = false;
  std::string _reason;
};

// A success carrying nothing: `return done();`.
inline Result<> done() {
  return {};
}

}  // namespace tessaly::platform
