// The per-session lock: callers are served in the order they arrived, the
// holder may take it again, and each session has a lock of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "link/api_lock.h"
#include "link/session.h"

namespace icbus::test {
namespace {

// Waits (in real time, briefly) until `count` threads queue on `lock`.
bool WaitForWaiting(const FairLock& lock, std::uint64_t count) {
  for (int i = 0; i < 5000; ++i) {
    if (lock.Waiting() == count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

TEST(FairLock, WaitersAreServedInArrivalOrder) {
  for (int round = 0; round < 20; ++round) {
    FairLock lock;
    std::mutex order_mutex;
    std::vector<int> order;
    std::vector<std::thread> threads;
    lock.lock();
    for (int i = 0; i < 6; ++i) {
      threads.emplace_back([&, i] {
        std::lock_guard<FairLock> hold(lock);
        std::lock_guard<std::mutex> guard(order_mutex);
        order.push_back(i);
      });
      // The next thread starts only once this one has taken its ticket.
      ASSERT_TRUE(WaitForWaiting(lock, static_cast<std::uint64_t>(i + 1)));
    }
    lock.unlock();
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5})) << "round " << round;
    EXPECT_EQ(lock.Waiting(), 0u);
  }
}

TEST(FairLock, ReleasingThreadQueuesBehindThoseAlreadyWaiting) {
  FairLock lock;
  std::vector<int> order;
  std::mutex order_mutex;
  auto note = [&](int who) {
    std::lock_guard<std::mutex> guard(order_mutex);
    order.push_back(who);
  };
  lock.lock();
  std::thread other([&] {
    std::lock_guard<FairLock> hold(lock);
    note(1);
  });
  ASSERT_TRUE(WaitForWaiting(lock, 1));
  lock.unlock();
  // Taking it straight back must not overtake the waiting thread.
  lock.lock();
  note(0);
  lock.unlock();
  other.join();
  EXPECT_EQ(order, (std::vector<int>{1, 0}));
}

TEST(FairLock, HolderMayTakeItAgain) {
  FairLock lock;
  lock.lock();
  lock.lock();
  std::thread other([&] {
    lock.lock();
    lock.unlock();
  });
  ASSERT_TRUE(WaitForWaiting(lock, 1));
  lock.unlock();
  // Still held once: the other thread keeps waiting.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(lock.Waiting(), 1u);
  lock.unlock();
  other.join();
  EXPECT_EQ(lock.Waiting(), 0u);
}

TEST(FairLock, CurrentLockFollowsTheBoundSession) {
  Session bus;
  EXPECT_EQ(&CurrentLock(), &DefaultSession().lock);
  {
    SessionScope scope(bus);
    EXPECT_EQ(&CurrentSession(), &bus);
    EXPECT_EQ(&CurrentLock(), &bus.lock);
    Session inner;
    {
      SessionScope nested(inner);
      EXPECT_EQ(&CurrentSession(), &inner);
    }
    EXPECT_EQ(&CurrentSession(), &bus);
  }
  EXPECT_EQ(&CurrentSession(), &DefaultSession());
}

TEST(FairLock, SessionsDoNotShareALock) {
  Session a, b;
  std::lock_guard<FairLock> hold(a.lock);
  bool taken = false;
  std::thread other([&] {
    std::lock_guard<FairLock> second(b.lock);
    taken = true;
  });
  other.join();
  EXPECT_TRUE(taken);
}

// A leave or unlock from a thread that does not hold the session changes
// nothing: the holder keeps it, its waiter keeps waiting.
TEST(FairLock, AStrayReleaseLeavesTheHolderAndItsWaiter) {
  Session session;
  EnterSession(session);
  std::atomic<bool> entered{false};
  std::thread waiter([&] {
    EnterSession(session);
    entered = true;
    LeaveSession(session);
  });
  ASSERT_TRUE(WaitForWaiting(session.lock, 1));
  std::thread stray([&] {
    LeaveSession(session);
    session.lock.unlock();
  });
  stray.join();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(session.lock.HeldByMe());
  EXPECT_EQ(&CurrentSession(), &session);
  EXPECT_EQ(session.lock.Waiting(), 1u);
  EXPECT_FALSE(entered);
  LeaveSession(session);
  waiter.join();
  EXPECT_TRUE(entered);
  EXPECT_EQ(&CurrentSession(), &DefaultSession());
}

}  // namespace
}  // namespace icbus::test
