// The fuzzer's input, read as two streams: the calls a host makes (which
// export, with which arguments) and the answers the device on the line gives
// to the frames it hears. Input layout: a little-endian 16-bit length of the
// call stream, the call stream, then the answer stream. Each reader has a
// writer of the same encoding, so seed inputs can be written from real
// sessions.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace icbus::fuzz {

// Calls: an operation byte, then its arguments.
//   int     one byte: an index into the table of hostile values, a small
//           value, or kRawInt followed by four bytes (little-endian)
//   double  one byte: an index into the table of hostile values, a multiple
//           of 0.05 yuan, or kRawDouble followed by eight bytes
//   text    a length byte (kNullText: a null pointer), then the bytes; the
//           harness copies them into a buffer of exactly that length plus a
//           terminator, so NUL bytes inside end the text early
class CallReader {
 public:
  CallReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool AtEnd() const { return at_ >= size_; }
  std::uint8_t Byte();
  int Int();
  double Double();
  // Nothing for a null pointer.
  std::optional<std::string> Text();

 private:
  std::string Bytes(std::size_t count);
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

class CallWriter {
 public:
  CallWriter& Byte(std::uint8_t value);
  CallWriter& Int(int value);
  CallWriter& Double(double value);
  CallWriter& Text(const std::string& text);
  CallWriter& NullText();
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// One answer of the device to one frame it heard.
struct Answer {
  bool silent = true;
  std::string bytes;
  std::uint32_t delay_ms = 0;  // before the first byte
  std::size_t split_at = 0;    // 0: in one piece; else a pause after this many bytes
  std::uint32_t gap_ms = 0;    // the pause
};

// Answers: a header byte; 0 (or the end of the stream) is silence. Otherwise
// bit 0 selects a two-byte length (up to kMaxAnswer) instead of one byte,
// bit 1 adds a delay byte (x 32 ms), bit 2 a split position byte and a gap
// byte (x 8 ms); then the bytes.
class AnswerReader {
 public:
  AnswerReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  Answer Next();

 private:
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

class AnswerWriter {
 public:
  // A device's plain reply, at once and in one piece; nothing is silence.
  void Add(const std::optional<std::string>& reply);
  // Any answer: late, in two pieces, up to kMaxAnswer bytes. The delay is
  // kept in steps of 32 ms and the gap in steps of 8 ms.
  void Add(const Answer& answer);
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

constexpr std::size_t kMaxAnswer = 4096;

// The whole input from its two streams.
std::string JoinStreams(const std::string& calls, const std::string& answers);
// An input split into its streams; the call stream is cut to what the
// input holds.
struct Streams {
  CallReader calls;
  AnswerReader answers;
};
Streams SplitStreams(const std::uint8_t* data, std::size_t size);

}  // namespace icbus::fuzz
