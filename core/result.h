// A value, or why there is none: one type for every computation that can
// fail, which cannot be ignored ([[nodiscard]]), as abseil's StatusOr.
//
// Three kinds of failure, each with its reason in words (`why`):
//   refused   the input is not acceptable (bad input; exit status 2),
//   no answer the input is fine but has no result ("na"; exit status 3),
//   failed    something outside the input failed: a file could not be
//             read or written (exit status 1).
// Example:
//   Result<double> ohms = GroupOhms(...);
//   OSTREVIN_PASS_ON(ohms);   // passes the failure on, any value type
//   Use(*ohms);
#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace ostrevin {

enum class Failure { kRefused, kNoAnswer, kFailed };

// What a refusal is about, as data for a caller to say in its own words and
// units: what (a code such as "conductor-shallow"), which of the inputs
// (conductors counted from 0), and the lengths it names, in metres. The
// text beside it says the same in metres, for callers without words of
// their own.
struct Detail {
  std::string code;
  std::vector<std::size_t> items;
  std::vector<double> metres;
};

// Why there is no value.
struct Why {
  Failure failure = Failure::kRefused;
  std::string text;
  Detail detail;
};

inline Why Refused(std::string why, Detail detail = {}) {
  return {Failure::kRefused, std::move(why), std::move(detail)};
}
inline Why NoAnswer(std::string why) { return {Failure::kNoAnswer, std::move(why), {}}; }
inline Why Failed(std::string why) { return {Failure::kFailed, std::move(why), {}}; }

// The value of a check that gives nothing but success.
struct Ok {};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::move(value)) {}  // NOLINT: a value is a result
  Result(Why why) : state_(std::move(why)) {}    // NOLINT: so is a failure

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  const T& operator*() const& { return value(); }
  T& operator*() & { return value(); }
  T&& operator*() && { return std::move(value()); }
  const T* operator->() const { return &value(); }
  T* operator->() { return &value(); }
  const T& value() const {
    assert(ok());
    return std::get<0>(state_);
  }
  T& value() {
    assert(ok());
    return std::get<0>(state_);
  }

  // The failure; only when !ok().
  const Why& Failed() const& {
    assert(!ok());
    return std::get<1>(state_);
  }
  bool refused() const { return !ok() && Failed().failure == Failure::kRefused; }
  bool noAnswer() const { return !ok() && Failed().failure == Failure::kNoAnswer; }
  // The reason in words; empty for a value.
  const std::string& why() const {
    static const std::string none;
    return ok() ? none : Failed().text;
  }

 private:
  std::variant<T, Why> state_;
};

// A check: nothing on success, or why not.
using Checked = Result<Ok>;

// Passes a failure on, from a function that returns a Result (any value
// type), when `result` holds none; as abseil's RETURN_IF_ERROR:
//   OSTREVIN_PASS_ON(solved);
#define OSTREVIN_PASS_ON(result)             \
  do {                                       \
    if (!(result)) return (result).Failed(); \
  } while (false)

}  // namespace ostrevin
