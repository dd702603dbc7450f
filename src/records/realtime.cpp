#include "records/realtime.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

#include "link/api_lock.h"
#include "link/clock.h"
#include "link/engine.h"
#include "link/refusal.h"
#include "link/session.h"

namespace icbus::records {
namespace {

constexpr std::uint32_t kPollReplyLength = 21;
constexpr std::uint32_t kPollPauseMs = 600;
constexpr std::size_t kSwipeLength = 20;
constexpr char kNothing[] = "000000";

std::optional<Outcome> PollTerminal(int machine) {
  if (auto refusal = OutOfRange(machine, 0, 999, "machine number")) {
    return Refuse(std::optional<Outcome>(), *refusal);
  }
  char frame[16];
  std::snprintf(frame, sizeof frame, "SY%03d!", machine);
  return Poll(frame, kPollReplyLength);
}

// "yyyymmddhhnn" of the local time.
std::string Stamp() {
  LocalTime t = ActiveClock().Local();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d", t.year % 10000, t.month % 100,
                t.day % 100, t.hour % 100, t.minute % 100);
  return stamp;
}

}  // namespace

bool RealTime(int machine, char* out) {
  if (!out) return Refuse(false, Refusal("no buffer for the swipe (a null pointer)"));
  auto outcome = PollTerminal(machine);
  if (!outcome) return false;
  if (outcome->arrived) std::memcpy(out, outcome->reply.c_str(), outcome->reply.size() + 1);
  return true;
}

void HandOver::Run(std::function<void()> work) {
  Item item{std::move(work)};
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_) return;
  pending_.push_back(&item);
  changed_.notify_all();
  changed_.wait(lock, [&] { return item.done || (closed_ && !item.taken); });
  if (!item.done) {
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
      if (*it == &item) {
        pending_.erase(it);
        break;
      }
    }
  }
}

int HandOver::Serve(int timeout_ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                    [&] { return !pending_.empty() || closed_; });
  int served = 0;
  while (!pending_.empty()) {
    Item* item = pending_.front();
    pending_.pop_front();
    item->taken = true;
    lock.unlock();
    item->work();
    lock.lock();
    item->done = true;
    ++served;
  }
  changed_.notify_all();
  return served;
}

void HandOver::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

Monitor::Monitor(int port, int machine, HandOver* hand_over, Show show)
    : session_(&CurrentSession()), port_(port), machine_(machine), hand_over_(hand_over), show_(std::move(show)) {
  // Every field is set before the loop starts.
  thread_ = std::thread([this] { Loop(); });
}

Monitor::~Monitor() {
  RequestStop();
  if (thread_.joinable()) {
    if (hand_over_) {
      while (running_) hand_over_->Serve(10);
    }
    thread_.join();
  }
}

void Monitor::RequestStop() { stop_ = true; }

void Monitor::StopAndWait() {
  RequestStop();
  while (running_) hand_over_->Serve(10);
  if (thread_.joinable()) thread_.join();
}

void Monitor::Loop() {
  SessionScope scope(*session_);
  {
    ICBUS_SERIALISED;
    if (!DevInit(PortDigits(port_).c_str())) {
      running_ = false;
      return;
    }
    if (!ChangeDevSettings(0)) {
      CloseSession(0);
      running_ = false;
      return;
    }
  }
  while (!stop_) {
    std::optional<Outcome> outcome;
    {
      ICBUS_SERIALISED;
      outcome = PollTerminal(machine_);
    }
    // A poll that brought no "!" has nothing new to report: listing the
    // previous answer again would duplicate a swipe.
    if (outcome && outcome->arrived) {
      const std::string reply = outcome->reply;
      if (reply.size() == kSwipeLength) {
        const std::string line = Stamp() + reply;
        hand_over_->Run([&] { show_(line); });
      }
      if (reply != kNothing) hand_over_->Run([&] { show_(reply); });
    }
    ActiveClock().SleepMillis(kPollPauseMs);
  }
  {
    ICBUS_SERIALISED;
    DevClose();
  }
  running_ = false;
}

}  // namespace icbus::records
