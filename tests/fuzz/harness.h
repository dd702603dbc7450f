// The hostile-device harness: one input is a host session against the
// fuzzed device. Each call is checked against the library's promises; a
// broken promise prints what happened and aborts, which the fuzzer reports
// as a finding.
//
// Promises checked after every call:
//  - a success is reported only after a reply in which "!" came before any
//    NUL byte was read, and only after the very word the command waits for
//    ("DONE", "OK") where it waits for one;
//  - results stay within the values the export documents;
//  - arguments the export refuses put nothing on the wire;
//  - every text frame is one command ending in its only "!", with no NUL;
//  - a card block is read and written only at the sector and block the
//    caller named, and every block write is 32 hexadecimal characters, except
//    the password write of the two-decimal layout (its first 18 characters)
//    and the account-number write (the account followed by 13 zeros);
//  - output buffers are written only within their size, only on success
//    (ReadCardPass: the empty text on failure), and terminated;
//  - the port is left as the call found it (a transaction opens and closes
//    it; only GetFirst keeps it, only a finished download releases it), and
//    the library's idea of a held port is the line's;
//  - no call takes longer than the longest wait it documents.
// At the end of the input the session (and any own session) is released and
// the line must be closed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "port_recorder.h"
#include "sim/virtual_line.h"

namespace icbus {
struct Session;
}

namespace icbus::fuzz {

// How a call uses the port.
enum class Family {
  kControl,        // settings of the library and the line; no exchange of its own
  kTerminal,       // a transaction with a terminal: opens, exchanges, closes
  kCardWriter,     // transactions with the card writer, at no parity
  kOpensDownload,  // GetFirst: keeps the port when it succeeds
  kRecord,         // a record call: works on the download's port
  kOnHeldPort,     // the swipe poll and the probe: the caller's open port
};

class Harness;

// One call in progress: it draws its arguments from the input, owns the
// buffers it hands to the library, and collects what its row says about the
// result for the checks.
class Call {
 public:
  Call(Harness* harness, const char* name, Family family);
  ~Call();
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  Harness& harness() { return *harness_; }
  int Int();
  double Double();
  // A text in a heap buffer of exactly its length plus the terminator, or
  // null.
  const char* Text();
  // An output buffer of `size` bytes between guard bytes, filled with a
  // pattern; null when the input says so.
  char* Out(std::size_t size);

  // The port before the call and now, the frames it sent, its buffers.
  bool HeldBefore() const { return held_before_; }
  bool HeldNow() const;
  bool Sent() const;
  bool Written(const char* out) const;  // the buffer differs from its fill

  // What the row reports. A call that answered (a reply came through) must
  // have read a "!"; success implies an answer.
  void Succeeded(bool success) { success_ = success; }
  void Answered(bool answered) { answered_ = answered; }
  void InRange(bool in_range) { in_range_ = in_range; }
  // The export promises to fail before sending anything for these arguments.
  void Refuses(bool refused) { refused_ = refused_ || refused; }
  // ReadCardPass writes the empty text when the block fails.
  void EmptyOutputOnFailure() { empty_on_failure_ = true; }
  // The card block this call reads or writes.
  void Block(int sector, int block);
  // A block write this call may make besides 32 hexadecimal characters.
  void AllowWrite(std::string text) { allowed_writes_.push_back(std::move(text)); }
  void AllowPasswordWrite() { password_write_ = true; }
  // A raw frame of this length the call sends (the top-up order).
  void AllowRawFrame(std::size_t length) { raw_frame_ = length; }
  // A success needs a reply of exactly this text ("DONE", "OK").
  void RequireReply(const char* text) { required_reply_ = text; }
  // The output must be a prefix of a reply's text.
  void OutputFromReply(const char* out) { from_reply_ = out; }
  // A row's own promise.
  void Expect(bool condition, const std::string& what);

  // Runs the checks of this call; aborts with a report on the first broken one.
  void Check();

 private:
  struct Guarded;
  const Guarded* Find(const char* out) const;
  void CheckFrames() const;
  void CheckBlockFrame(const std::string& frame) const;
  void CheckOutputs() const;
  void CheckPort() const;
  [[noreturn]] void Fail(const std::string& what) const;

  Harness* harness_;
  const char* name_;
  Family family_;
  std::size_t first_event_;
  std::uint64_t started_micros_;
  bool held_before_;          // by any session of the input: the line is taken
  bool session_held_before_;  // by the session the call works on
  std::vector<std::unique_ptr<char[]>> texts_;
  std::vector<std::unique_ptr<Guarded>> outs_;
  bool success_ = false;
  bool answered_ = false;
  bool in_range_ = true;
  bool refused_ = false;
  bool empty_on_failure_ = false;
  std::optional<std::pair<int, int>> block_;
  std::vector<std::string> allowed_writes_;
  bool password_write_ = false;
  std::size_t raw_frame_ = 0;
  const char* from_reply_ = nullptr;
  const char* required_reply_ = nullptr;
  std::vector<std::string> failures_;
};

// A row of the call table: what an export is, and how to call it.
struct Row {
  const char* name;
  Family family;
  void (*run)(Call& call);
};

// The rows, by family of exports.
const std::vector<Row>& TerminalRows();
const std::vector<Row>& CardRows();
const std::vector<Row>& ControlRows();

class Harness {
 public:
  // The fuzzed device answers from the input's answer stream; `device`
  // (when given) stands on the line instead, for recording seeds.
  Harness(const std::uint8_t* data, std::size_t size,
          std::unique_ptr<sim::Device> device = nullptr);
  ~Harness();
  Harness(const Harness&) = delete;
  Harness& operator=(const Harness&) = delete;

  // Makes every call of the input, then releases the session.
  void Run();

  CallReader& calls() { return streams_.calls; }
  sim::VirtualLine& line() { return *line_; }
  const std::vector<PortEvent>& events() const { return recorder_.events(); }
  bool Held() const;         // any session of this input holds the port
  bool SessionHeld() const;  // the session calls work on now holds it
  std::string Trace(std::size_t from_event) const;

  // Own session (icbus_session_*): entered until Leave.
  void ToggleOwnSession();
  // Makes the `nth` next port call of kind `op` fail.
  void FailPortCall(sim::PortOp op, int nth);

 private:
  void Release();

  Streams streams_;
  sim::ScopedVirtualLine line_;
  PortRecorder recorder_;
  struct OwnSession;
  std::unique_ptr<OwnSession> own_;
  std::vector<const char*> history_;  // the calls so far, for reports
};

// The position of a row in the table the operation byte indexes; -1 for an
// unknown name.
int RowIndex(const char* name);

// Runs one input; the fuzzer's entry point and the corpus replay share it.
void RunInput(const std::uint8_t* data, std::size_t size);

}  // namespace icbus::fuzz
