// The real-time poll and the monitor that repeats it.
#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace icbus {
struct Session;
}

namespace icbus::records {

// One poll "SY%03d!" over the port the caller holds open (no open, no mode
// switch, no "SZ!"). True when the poll was written and the read completed;
// the reply text is copied into `out` only when a "!" arrived.
bool RealTime(int machine, char* out);

// Runs work handed over from a worker thread on the owner's thread, and lets
// the worker wait until it is done (the monitor's list updates belong to the
// thread that owns the window).
class HandOver {
 public:
  // Worker side: queue `work` and wait until the owner has run it. Gives up
  // (without running it) once the owner has closed the hand-over.
  void Run(std::function<void()> work);
  // Owner side: run what is pending; waits up to `timeout_ms` for something
  // to arrive. Returns how many were run.
  int Serve(int timeout_ms);
  // Owner side: refuse further work and release a worker that waits.
  void Close();

 private:
  struct Item {
    std::function<void()> work;
    bool taken = false;  // the owner is running it: wait for it even when closed
    bool done = false;
  };
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Item*> pending_;
  bool closed_ = false;
};

// Watches one terminal's swipes: opens the port once, keeps it in address
// mode, polls about every 600 ms and hands each line to `show` through the
// hand-over (a swipe as a time-stamped line and then bare; any other reply
// except "000000" once, bare). It works on the session of the thread that
// made it, and takes that session's lock for each step.
class Monitor {
 public:
  using Show = std::function<void(const std::string& line)>;
  Monitor(int port, int machine, HandOver* hand_over, Show show);
  ~Monitor();
  Monitor(const Monitor&) = delete;
  Monitor& operator=(const Monitor&) = delete;

  // Returns at once; the loop ends after its current poll and pause.
  void RequestStop();
  // Stops and waits for the loop to end and the port to close, serving the
  // worker's pending hand-overs meanwhile. Call it on the owner's thread.
  void StopAndWait();
  // False once the loop has ended (for instance when the port could not be
  // opened).
  bool Running() const { return running_; }

 private:
  void Loop();
  Session* session_;
  int port_, machine_;
  HandOver* hand_over_;
  Show show_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{true};
  std::thread thread_;
};

}  // namespace icbus::records
