// The one owner of a bus: a thread that holds the bus's session and runs its
// jobs one at a time (collect a terminal, set its clock, sync its lost-card
// list), polling the terminals for swipes between jobs, so swipes and
// collection share the line. A failed job is recorded and retried with
// back-off; nothing a terminal or the port does stops the worker or makes it
// loop hot.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bus/schedule.h"
#include "config/site_config.h"
#include "store/store.h"

namespace icbus {
class Bus;
}

namespace icbus::site {

// What the status page and the API show of a terminal.
struct TerminalStatus {
  int machine = 0;
  std::string kind;
  Clock::time_point next_collect;
  int failures = 0;        // failed collections in a row
  std::string last_error;  // of the last failed job
  bool collected = false;  // collected completely since the worker started
};

struct BusStatus {
  std::string name;
  bool running = false;
  double busy_seconds = 0;  // time the worker held the line
  std::vector<TerminalStatus> terminals;
};

class BusWorker {
 public:
  BusWorker(BusConfig bus, const SiteConfig& site, Store& store);
  ~BusWorker();
  BusWorker(const BusWorker&) = delete;
  BusWorker& operator=(const BusWorker&) = delete;

  // Runs the schedules until Stop().
  void Start();
  // Collects every terminal once, then the thread ends; Wait() tells whether
  // every download ended complete.
  void StartOnce();
  bool Wait();
  // Ends the job in flight after its current record, releases the terminal
  // and joins the thread.
  void Stop();

  // Collects a terminal (or, with no machine, all) as the next job. False
  // when the bus has no such terminal.
  bool RequestCollect(std::optional<int> machine);
  // A new site file for this bus, taken between jobs.
  void Reload(BusConfig bus, const SiteConfig& site);
  BusStatus Status() const;
  const std::string& name() const { return name_; }

 private:
  enum class Job { kCollect, kClock, kLists };
  struct Due {
    Clock::time_point collect, clock, lists;
    int failures = 0;
    std::string last_error;
    bool collected = false;
    bool all_complete = true;
  };

  void Run(bool once);
  void TakeReload();
  bool RunJob(icbus::Bus& bus, std::size_t index, Job job);
  bool Collect(icbus::Bus& bus, const TerminalConfig& terminal);
  bool SetClock(icbus::Bus& bus, const TerminalConfig& terminal);
  bool SyncList(icbus::Bus& bus, const TerminalConfig& terminal);
  void PollSwipes(icbus::Bus& bus);
  void Failed(std::size_t index, Job job, const std::string& error);
  // Waits until `until`, a request or Stop(), whichever is first.
  void Sleep(Clock::time_point until);

  const std::string name_;
  Store& store_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  BusConfig bus_;
  SiteConfig site_;
  std::optional<std::pair<BusConfig, SiteConfig>> pending_;
  std::vector<Due> due_;
  std::vector<std::size_t> requested_;
  std::atomic<bool> stopping_{false};
  bool running_ = false;
  bool all_complete_ = true;
  double busy_seconds_ = 0;
  int swipe_failures_ = 0;
  Clock::time_point swipes_resume_{};
  std::thread thread_;
};

}  // namespace icbus::site
