// The checks made after every call of the hostile-device harness.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "harness.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define ICBUS_FUZZ_POISON 1
#endif
#endif

namespace icbus::fuzz {
namespace {

constexpr std::size_t kGuardBytes = 16;
constexpr char kGuardFill = '\xA5';
constexpr char kOutFill = '\x5A';
constexpr std::uint8_t kNullOut = 0xFF;
// The longest any call may block: a card operation whose writer trickles
// bytes just inside every time-out (a 33-byte read of 6.8 s, a write of
// 1.2 s, the failure beep of 2.45 s) with its frames' wire time.
constexpr std::uint64_t kLongestCallMicros = 11'000'000;

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool AllHex(const std::string& text) { return std::all_of(text.begin(), text.end(), IsHex); }

bool TwoDigits(const std::string& text, std::size_t at, int* value) {
  if (text.size() < at + 2 || !std::isdigit(static_cast<unsigned char>(text[at])) ||
      !std::isdigit(static_cast<unsigned char>(text[at + 1]))) {
    return false;
  }
  *value = (text[at] - '0') * 10 + (text[at + 1] - '0');
  return true;
}

}  // namespace

struct Call::Guarded {
  std::unique_ptr<char[]> memory;
  std::size_t size = 0;
  char* data() const { return memory.get() + kGuardBytes; }
  // The guards are poisoned while the library has the buffer: a write past
  // it is then reported where it happens.
  void Poison(bool on) const {
#ifdef ICBUS_FUZZ_POISON
    auto* poison = on ? __asan_poison_memory_region : __asan_unpoison_memory_region;
    poison(memory.get(), kGuardBytes);
    poison(data() + size, kGuardBytes);
#else
    (void)on;
#endif
  }
};

Call::Call(Harness* harness, const char* name, Family family)
    : harness_(harness),
      name_(name),
      family_(family),
      first_event_(harness->events().size()),
      started_micros_(harness->line().NowMicros()),
      held_before_(harness->Held()),
      session_held_before_(harness->SessionHeld()) {}

Call::~Call() {
  for (const auto& out : outs_) out->Poison(false);
}

int Call::Int() { return harness_->calls().Int(); }
double Call::Double() { return harness_->calls().Double(); }

const char* Call::Text() {
  auto text = harness_->calls().Text();
  if (!text) return nullptr;
  auto copy = std::make_unique<char[]>(text->size() + 1);
  std::memcpy(copy.get(), text->data(), text->size());
  copy[text->size()] = '\0';
  texts_.push_back(std::move(copy));
  return texts_.back().get();
}

char* Call::Out(std::size_t size) {
  if (harness_->calls().Byte() == kNullOut) return nullptr;
  auto out = std::make_unique<Guarded>();
  out->size = size;
  out->memory = std::make_unique<char[]>(size + 2 * kGuardBytes);
  std::memset(out->memory.get(), kGuardFill, size + 2 * kGuardBytes);
  std::memset(out->data(), kOutFill, size);
  out->Poison(true);
  outs_.push_back(std::move(out));
  return outs_.back()->data();
}

bool Call::HeldNow() const { return harness_->Held(); }

bool Call::Sent() const {
  const auto& events = harness_->events();
  return std::any_of(events.begin() + static_cast<std::ptrdiff_t>(first_event_), events.end(),
                     [](const PortEvent& e) { return e.kind == PortEvent::Kind::kWrite; });
}

const Call::Guarded* Call::Find(const char* out) const {
  for (const auto& guarded : outs_)
    if (guarded->data() == out) return guarded.get();
  return nullptr;
}

bool Call::Written(const char* out) const {
  const Guarded* guarded = Find(out);
  if (!guarded) return false;
  for (std::size_t i = 0; i < guarded->size; ++i)
    if (guarded->data()[i] != kOutFill) return true;
  return false;
}

void Call::Block(int sector, int block) { block_ = std::make_pair(sector, block); }

void Call::Expect(bool condition, const std::string& what) {
  if (!condition) failures_.push_back(what);
}

void Call::Check() {
  if (!in_range_) failures_.push_back("result outside the documented values");
  if (refused_ && (Sent() || success_)) {
    failures_.push_back("arguments the call refuses reached the wire or succeeded");
  }
  if (success_ || answered_) {
    bool bang = false, word = false;
    std::string text;
    for (const std::string& reply : RepliesSince(harness_->events(), first_event_)) {
      if (!ReplyText(reply, &text)) continue;
      bang = true;
      word = word || (required_reply_ && text == required_reply_);
    }
    if (!bang) failures_.push_back("reported an answer without a reply that has \"!\"");
    if (success_ && required_reply_ && !word) {
      failures_.push_back(std::string("succeeded without the answer \"") + required_reply_ + "\"");
    }
  }
  if (family_ != Family::kControl &&
      harness_->line().NowMicros() - started_micros_ > kLongestCallMicros) {
    failures_.push_back("blocked longer than any documented wait");
  }
  CheckFrames();
  CheckOutputs();
  CheckPort();
  if (!failures_.empty()) Fail(failures_.front());
}

void Call::CheckFrames() const {
  const auto& events = harness_->events();
  for (std::size_t i = first_event_; i < events.size(); ++i) {
    const PortEvent& event = events[i];
    if (event.kind != PortEvent::Kind::kWrite) continue;
    const std::string& frame = event.bytes;
    if (raw_frame_ && frame.size() == raw_frame_) continue;
    if (frame.empty() || frame.find('\0') != std::string::npos ||
        frame.find('!') != frame.size() - 1) {
      Fail("a frame that is not one command ending in its only \"!\"");
    }
    // The card writer is spoken to at no parity, without a mode switch;
    // only the closing frame goes out in data mode, as every transaction
    // ends. Terminals hear nothing at no parity. The calls that work on a
    // held port send in whatever mode its holder left it (a download is
    // nothing but the held port: a record call on a port icDevInit opened
    // sends there too).
    const bool card_writer = family_ == Family::kCardWriter;
    const bool closing = frame == "SZ!" && event.parity == kSpaceParity;
    const bool checked = family_ == Family::kTerminal || family_ == Family::kCardWriter ||
                         family_ == Family::kOpensDownload;
    if (checked && !closing && card_writer != (event.parity == kNoParity)) {
      Fail("a frame sent with the wrong parity");
    }
    if (card_writer && (frame.rfind("SR", 0) == 0 || frame.rfind("SW", 0) == 0)) {
      CheckBlockFrame(frame);
    }
  }
}

void Call::CheckBlockFrame(const std::string& frame) const {
  int sector = 0, absolute = 0;
  if (!block_ || !TwoDigits(frame, 2, &sector) || !TwoDigits(frame, 4, &absolute)) {
    Fail("a block frame without a block of this call");
  }
  const long long wanted = static_cast<long long>(block_->first) * 4 + block_->second;
  if (sector != block_->first || absolute != wanted) Fail("a block frame names another block");
  const std::string text = frame.substr(6, frame.size() - 7);
  if (frame[1] == 'R') {
    if (!text.empty()) Fail("a block read that carries data");
    return;
  }
  const bool whole = text.size() == 32 && AllHex(text);
  const bool password = password_write_ && text.size() == 18 && AllHex(text);
  const bool allowed =
      std::find(allowed_writes_.begin(), allowed_writes_.end(), text) != allowed_writes_.end();
  if (!whole && !password && !allowed) Fail("a block write that is not card data");
}

void Call::CheckOutputs() const {
  for (const auto& out : outs_) {
    out->Poison(false);
    const char* data = out->data();
    for (std::size_t i = 0; i < kGuardBytes; ++i) {
      if (out->memory[i] != kGuardFill || data[out->size + i] != kGuardFill) {
        Fail("wrote outside an output buffer");
      }
    }
    const bool terminated = std::memchr(data, '\0', out->size) != nullptr;
    if (success_) {
      if (!terminated) Fail("an output without its terminator");
      continue;
    }
    const bool emptied = empty_on_failure_ && data[0] == '\0';
    for (std::size_t i = emptied ? 1 : 0; i < out->size; ++i) {
      if (data[i] != kOutFill) Fail("wrote an output although the call failed");
    }
  }
  if (from_reply_ && success_ && Written(from_reply_)) {
    bool found = false;
    std::string text;
    for (const std::string& reply : RepliesSince(harness_->events(), first_event_)) {
      if (ReplyText(reply, &text) && text.rfind(from_reply_, 0) == 0) found = true;
    }
    if (!found) Fail("an output text that no reply carried");
  }
}

void Call::CheckPort() const {
  const bool held = harness_->Held();
  if (harness_->line().IsOpen() != held) Fail("the library's held port is not the line's");
  bool opened_or_closed = false;
  const auto& events = harness_->events();
  for (std::size_t i = first_event_; i < events.size(); ++i) {
    const auto kind = events[i].kind;
    if (kind == PortEvent::Kind::kOpen || kind == PortEvent::Kind::kClose) opened_or_closed = true;
  }
  switch (family_) {
    case Family::kControl:
      return;
    case Family::kTerminal:
    case Family::kCardWriter:
      if (held_before_ && (Sent() || success_ || !held)) {
        Fail("a transaction disturbed a port held by a download");
      }
      if (!held_before_ && held) Fail("a transaction left the port held");
      return;
    case Family::kOpensDownload:
      if (held_before_ && (Sent() || success_ || !held)) {
        Fail("a download opened over a held port");
      }
      if (!held_before_ && held != success_) Fail("a download holds the port unless it opened");
      return;
    case Family::kRecord: {
      const bool session_held = harness_->SessionHeld();
      if (!session_held_before_) {
        if (Sent() || success_ || held != held_before_) Fail("a record call without a download");
        return;
      }
      const char* out = outs_.empty() ? nullptr : outs_.front()->data();
      const bool over = success_ && out && (std::strcmp(out, "OVER") == 0 || out[0] == '\0');
      if (session_held != (success_ && !over)) {
        Fail("a download kept or released the port wrongly");
      }
      return;
    }
    case Family::kOnHeldPort:
      if (opened_or_closed || held != held_before_) Fail("a poll opened or closed the port");
      if (!session_held_before_ && (Sent() || success_)) Fail("a poll without a held port");
      return;
  }
}

void Call::Fail(const std::string& what) const {
  std::fprintf(stderr, "\n*** icbus invariant broken by %s: %s\n%s\n", name_, what.c_str(),
               harness_->Trace(first_event_).c_str());
  std::abort();
}

}  // namespace icbus::fuzz
