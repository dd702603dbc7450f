#include "fuzz_input.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace icbus::fuzz {
namespace {

// Values that have broken or could break argument handling: the edges of
// every documented range, and the extremes of the type.
constexpr int kInts[] = {0,          1,      2,       3,       4,       5,          6,
                         9,          10,     -1,      -2,      24,      25,         99,
                         100,        255,    256,     999,     1000,    65535,      65536,
                         123456,     999999, 1000000, 1048575, 1048576, 2147483647, -2147483647 - 1,
                         2147483646, -100};
constexpr std::size_t kIntCount = sizeof kInts / sizeof kInts[0];
constexpr std::uint8_t kRawInt = 0xFF;

const double kDoubles[] = {0.0,
                           -0.0,
                           0.01,
                           0.09,
                           0.1,
                           0.29,
                           1.15,
                           -0.01,
                           -1.0,
                           6553.5,
                           6553.6,
                           167772.15,
                           167772.16,
                           999999.99,
                           1e9,
                           1e15,
                           9.2233720368547758e18,
                           1e300,
                           -1e300,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::lowest(),
                           std::numeric_limits<double>::min(),
                           std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN(),
                           -std::numeric_limits<double>::quiet_NaN(),
                           2147483647.0,
                           2147483648.0,
                           4294967296.0};
constexpr std::size_t kDoubleCount = sizeof kDoubles / sizeof kDoubles[0];
constexpr std::uint8_t kRawDouble = 0xFF;
constexpr double kDoubleStep = 0.05;

constexpr std::uint8_t kNullText = 0xFF;

constexpr std::uint8_t kLongLength = 1;
constexpr std::uint8_t kDelayed = 2;
constexpr std::uint8_t kSplit = 4;
constexpr std::uint8_t kPlain = 8;
constexpr std::uint32_t kDelayUnitMs = 32;
constexpr std::uint32_t kGapUnitMs = 8;

bool SameDouble(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

std::uint8_t CallReader::Byte() { return at_ < size_ ? data_[at_++] : 0; }

std::string CallReader::Bytes(std::size_t count) {
  std::size_t available = at_ < size_ ? size_ - at_ : 0;
  if (count > available) count = available;
  std::string bytes(reinterpret_cast<const char*>(data_ + at_), count);
  at_ += count;
  return bytes;
}

int CallReader::Int() {
  std::uint8_t selector = Byte();
  if (selector < kIntCount) return kInts[selector];
  if (selector != kRawInt) return selector - static_cast<int>(kIntCount);
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= std::uint32_t{Byte()} << (8 * i);
  int result;
  std::memcpy(&result, &value, sizeof result);
  return result;
}

double CallReader::Double() {
  std::uint8_t selector = Byte();
  if (selector < kDoubleCount) return kDoubles[selector];
  if (selector != kRawDouble) return (selector - static_cast<int>(kDoubleCount)) * kDoubleStep;
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= std::uint64_t{Byte()} << (8 * i);
  double result;
  std::memcpy(&result, &bits, sizeof result);
  return result;
}

std::optional<std::string> CallReader::Text() {
  std::uint8_t length = Byte();
  if (length == kNullText) return std::nullopt;
  return Bytes(length);
}

CallWriter& CallWriter::Byte(std::uint8_t value) {
  bytes_.push_back(static_cast<char>(value));
  return *this;
}

CallWriter& CallWriter::Int(int value) {
  for (std::size_t i = 0; i < kIntCount; ++i) {
    if (kInts[i] == value) return Byte(static_cast<std::uint8_t>(i));
  }
  const int small = value + static_cast<int>(kIntCount);
  if (value >= 0 && small < kRawInt) return Byte(static_cast<std::uint8_t>(small));
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  Byte(kRawInt);
  for (int i = 0; i < 4; ++i) Byte(static_cast<std::uint8_t>(bits >> (8 * i)));
  return *this;
}

CallWriter& CallWriter::Double(double value) {
  for (std::size_t i = 0; i < kDoubleCount; ++i) {
    if (SameDouble(kDoubles[i], value)) return Byte(static_cast<std::uint8_t>(i));
  }
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  Byte(kRawDouble);
  for (int i = 0; i < 8; ++i) Byte(static_cast<std::uint8_t>(bits >> (8 * i)));
  return *this;
}

CallWriter& CallWriter::Text(const std::string& text) {
  Byte(static_cast<std::uint8_t>(text.size() < kNullText ? text.size() : kNullText - 1));
  bytes_.append(text, 0, kNullText - 1);
  return *this;
}

CallWriter& CallWriter::NullText() { return Byte(kNullText); }

Answer AnswerReader::Next() {
  Answer answer;
  const std::uint8_t header = Byte();
  if (header == 0) return answer;
  std::size_t length = Byte();
  if (header & kLongLength) length = (length | std::size_t{Byte()} << 8) % (kMaxAnswer + 1);
  if (header & kDelayed) answer.delay_ms = Byte() * kDelayUnitMs;
  if (header & kSplit) {
    answer.split_at = Byte();
    answer.gap_ms = Byte() * kGapUnitMs;
  }
  std::size_t available = at_ < size_ ? size_ - at_ : 0;
  if (length > available) length = available;
  answer.bytes.assign(reinterpret_cast<const char*>(data_ + at_), length);
  at_ += length;
  if (answer.split_at >= answer.bytes.size()) answer.split_at = 0;
  answer.silent = false;
  return answer;
}

void AnswerWriter::Add(const std::optional<std::string>& reply) {
  Answer answer;
  answer.silent = !reply;
  if (reply) answer.bytes = *reply;
  Add(answer);
}

void AnswerWriter::Add(const Answer& answer) {
  if (answer.silent) {
    bytes_.push_back('\0');
    return;
  }
  const std::size_t length = answer.bytes.size() < kMaxAnswer ? answer.bytes.size() : kMaxAnswer;
  const bool delayed = answer.delay_ms > 0;
  const bool split = answer.split_at > 0 && answer.split_at < length;
  bytes_.push_back(
      static_cast<char>(kPlain | kLongLength | (delayed ? kDelayed : 0) | (split ? kSplit : 0)));
  bytes_.push_back(static_cast<char>(length & 0xFF));
  bytes_.push_back(static_cast<char>(length >> 8));
  if (delayed) bytes_.push_back(static_cast<char>(std::min(answer.delay_ms / kDelayUnitMs, 255u)));
  if (split) {
    bytes_.push_back(static_cast<char>(std::min<std::size_t>(answer.split_at, 255)));
    bytes_.push_back(static_cast<char>(std::min(answer.gap_ms / kGapUnitMs, 255u)));
  }
  bytes_.append(answer.bytes, 0, length);
}

std::string JoinStreams(const std::string& calls, const std::string& answers) {
  std::string input;
  input.push_back(static_cast<char>(calls.size() & 0xFF));
  input.push_back(static_cast<char>(calls.size() >> 8 & 0xFF));
  return input + calls + answers;
}

Streams SplitStreams(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return Streams{CallReader(data, 0), AnswerReader(data, 0)};
  std::size_t length = data[0] | std::size_t{data[1]} << 8;
  if (length > size - 2) length = size - 2;
  return Streams{CallReader(data + 2, length), AnswerReader(data + 2 + length, size - 2 - length)};
}

}  // namespace icbus::fuzz
