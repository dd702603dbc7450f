// Arguments refused before anything is sent. A check that turns an argument
// down can only say so with a Refusal, which cannot be made without a
// sentence saying what is wrong and what fits; Refuse is the one place that
// records it (ICBUS_ERR_BAD_ARGUMENT) and gives the call's failure value. So
// no call can refuse without telling why.
#pragma once
#include <optional>
#include <string>
#include <utility>

#include "link/failure_text.h"

namespace icbus {

class Refusal {
 public:
  // `code`: ICBUS_ERR_BAD_ARGUMENT, or ICBUS_ERR_CARD_VALUE for an amount or
  // count its card field cannot hold.
  explicit Refusal(std::string reason, int code = kBadArgument)
      : reason_(std::move(reason)), code_(code) {}
  const std::string& reason() const { return reason_; }
  int code() const { return code_; }

 private:
  static constexpr int kBadArgument = 1;  // ICBUS_ERR_BAD_ARGUMENT
  std::string reason_;
  int code_;
};

void RecordRefusal(const Refusal& refusal);

// Records why and returns `failure`.
template <class T>
T Refuse(T failure, const Refusal& refusal) {
  RecordRefusal(refusal);
  return failure;
}

// A value that passed its checks, or the refusal of the argument that did not.
template <class T>
class Checked {
 public:
  Checked(T value) : value_(std::move(value)) {}              // NOLINT: a value is a checked value
  Checked(Refusal refusal) : refusal_(std::move(refusal)) {}  // NOLINT: so is a refusal
  explicit operator bool() const { return value_.has_value(); }
  const T& operator*() const { return *value_; }
  T& operator*() { return *value_; }
  const T* operator->() const { return &*value_; }
  T* operator->() { return &*value_; }
  const Refusal& refusal() const { return *refusal_; }

 private:
  std::optional<T> value_;
  std::optional<Refusal> refusal_;
};

// `value` as exactly `width` decimal digits with leading zeros, or the
// refusal of a value that is negative or needs more digits than the frame
// gives it (every later field would move).
Checked<std::string> Digits(long long value, int width, const std::string& what);

// Nothing when `value` lies in [low, high], else the refusal naming the range.
std::optional<Refusal> OutOfRange(long long value, long long low, long long high,
                                  const std::string& what);

}  // namespace icbus
