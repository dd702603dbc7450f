#include "link/api_lock.h"

#include "link/last_error.h"
#include "link/session.h"

namespace icbus {

void FairLock::lock() {
  std::unique_lock<std::mutex> guard(mutex_);
  const std::thread::id self = std::this_thread::get_id();
  if (depth_ > 0 && owner_ == self) {
    ++depth_;
    return;
  }
  const std::uint64_t ticket = next_ticket_++;
  turn_.wait(guard, [&] { return serving_ == ticket; });
  owner_ = self;
  depth_ = 1;
}

// Only the holder can release it: a stray unlock from another thread must
// not hand the bus to a third one mid-transaction.
void FairLock::unlock() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (depth_ == 0 || owner_ != std::this_thread::get_id() || --depth_ > 0) return;
  owner_ = std::thread::id();
  ++serving_;
  turn_.notify_all();
}

bool FairLock::HeldByMe() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return depth_ > 0 && owner_ == std::this_thread::get_id();
}

std::uint64_t FairLock::Waiting() const {
  std::lock_guard<std::mutex> guard(mutex_);
  std::uint64_t queued = next_ticket_ - serving_;
  return depth_ > 0 ? queued - 1 : queued;
}

FairLock& CurrentLock() { return CurrentSession().lock; }

ExportCall::ExportCall() : guard_(CurrentLock()) { ResetLastError(); }

}  // namespace icbus
