// Calls on one bus are serialised: host threads and the swipe monitor's own
// thread take the lock of the session they work on for a whole transaction,
// so they never share the port mid-exchange. The lock is fair: threads are
// served in the order they asked, so no caller waits longer than the
// transactions queued before it. The thread that holds it may take it again
// (a call that runs another call inside it).
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace icbus {

// A re-entrant ticket lock.
class FairLock {
 public:
  FairLock() = default;
  FairLock(const FairLock&) = delete;
  FairLock& operator=(const FairLock&) = delete;

  void lock();
  void unlock();
  bool HeldByMe() const;
  // Threads waiting for their turn (for tests and diagnostics).
  std::uint64_t Waiting() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable turn_;
  std::uint64_t next_ticket_ = 0;
  std::uint64_t serving_ = 0;
  std::thread::id owner_;
  unsigned depth_ = 0;
};

// The lock of the session the calling thread works on: the process-wide
// default session on a host thread, a bus's own session inside its calls.
FairLock& CurrentLock();

// One call of the C interface: it holds the current session's lock from
// start to end and begins with no failure recorded on its thread.
class ExportCall {
 public:
  ExportCall();
  ExportCall(const ExportCall&) = delete;
  ExportCall& operator=(const ExportCall&) = delete;

 private:
  std::lock_guard<FairLock> guard_;
};

#define ICBUS_SERIALISED ::icbus::ExportCall icbus_api_guard

}  // namespace icbus
