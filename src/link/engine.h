// The transaction engine. Every command runs one of the courses below from a
// short description; command files hold descriptions, not copies of the course.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace icbus {

struct Session;

enum class Course {
  kPlain,      // "SA%03d!" address phase, then the command in data mode
  kSixDigit,   // "SA%03d%06d!" address phase, then the command in data mode
  kBroadcast,  // command in address mode, no address phase, no "SZ!"
  kInCommand,  // command carries the machine number, sent in address mode
  kCardWriter, // command at no parity, no mode switch
};

enum class WrapUp { kEnd, kEndTwice, kClose };

struct Command {
  Course course = Course::kPlain;
  int machine = 0;
  int card = 0;  // management card number (six-digit course)
  std::uint32_t address_reply_length = 4;
  // The command frame, or a builder that forms it at the moment of sending
  // (a clock that must be the time of sending, not of the call).
  std::string frame;
  std::function<std::string()> build;
  std::size_t frame_length = 0;  // expected length of a built frame
  bool raw = false;              // frame is bytes of a fixed length, not text
  std::uint32_t reply_length = 5;
  // Expected reply text; nullptr accepts any reply in which a "!" arrived.
  const char* expect = nullptr;
  std::size_t buffer_size = 25;  // the frame buffer, terminator included
  WrapUp on_success = WrapUp::kEnd;
  // How a failed switch to data mode is wound up: normally with "SZ!" after
  // one more try; some commands close at once instead.
  WrapUp on_data_mode_failure = WrapUp::kEnd;
  // A pause (with window messages dispatched) between sending the command
  // and reading its reply, for terminals that need time to fetch a record.
  std::uint32_t pause_before_read_ms = 0;
  // Drop whatever still waits in the output queue before sending (the card
  // writer's beep must not sound after a stale command).
  bool clear_output_first = false;
};

struct Outcome {
  bool ok = false;       // a reply with "!" arrived and passed the test
  bool arrived = false;  // a reply with "!" arrived at all
  bool transferred = false;  // the command was written and the read completed
  std::string reply;     // the reply text before its "!" (when one arrived)
};

// Machine number 0..999 and management card number 0..999999 fit the frames.
bool ValidMachine(int machine);
bool ValidCard(int card);

// Every operation comes in two forms: on a given session, and on the session
// the calling thread works on (CurrentSession()).

// Runs a whole transaction on port `port`, wrap-up included. Arguments that
// do not fit the frames fail before the port is opened.
Outcome RunCommand(Session& session, int port, const Command& command);
Outcome RunCommand(int port, const Command& command);

// The steps, for the courses that span calls.
// Steps 1-4: open, address mode, address phase, data mode. On success the
// port stays open in data mode; on failure the wrap-up has run.
bool OpenAndSelect(Session& session, int port, const Command& command);
bool OpenAndSelect(int port, const Command& command);
// Step 5 on the held port: write the frame, read and cut the reply (no wrap-up).
Outcome Exchange(Session& session, const Command& command);
Outcome Exchange(const Command& command);
// The poll: write in whatever mode the held port is in, read fast, cut.
// Nothing when the write or the read failed.
std::optional<Outcome> Poll(Session& session, const std::string& frame, std::uint32_t reply_length);
std::optional<Outcome> Poll(const std::string& frame, std::uint32_t reply_length);

// Wrap-ups: they return `result` unchanged.
int EndSession(Session& session, int result);
int EndSessionTwice(Session& session, int result);
int CloseSession(Session& session, int result);
int EndSession(int result);
int EndSessionTwice(int result);
int CloseSession(int result);

// Reply handling on a frame buffer: the text up to its first zero byte is cut
// at its first "!". False when no "!" is there.
bool TrimReply(const std::uint8_t* buffer, std::size_t size, std::string* text);

}  // namespace icbus
