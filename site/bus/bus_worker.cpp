#include "bus/bus_worker.h"

#include <fstream>
#include <memory>

#include "collect/collector.h"
#include "icbus.hpp"
#include "log/journal_log.h"

namespace icbus::site {

namespace {

std::string Terminal(const std::string& bus, int machine) {
  return "bus " + bus + " terminal " + std::to_string(machine);
}

// The one place the worker sets up its session.
std::unique_ptr<icbus::Bus> OpenBus(const BusConfig& config) {
  auto bus = config.device.empty() ? std::make_unique<icbus::Bus>(config.port)
                                   : std::make_unique<icbus::Bus>(config.device);
  bus->SetDecimals(config.decimals);
  bus->SetFastReplies(config.fast_replies);
  // A terminal that answers late must not have its reply taken for the
  // next terminal's answer.
  bus->SetSettleAfterTimeout(std::chrono::milliseconds(config.settle_ms));
  return bus;
}

// The lost-card list: one card number a line; blank lines and "#" comments
// are skipped.
bool ReadCardList(const std::string& path, std::vector<std::string>* cards, std::string* error) {
  std::ifstream file(path);
  if (!file) {
    *error = "cannot read the lost-card list " + path;
    return false;
  }
  std::string line;
  while (std::getline(file, line)) {
    std::size_t hash = line.find('#');
    if (hash != std::string::npos) line.resize(hash);
    line.erase(0, line.find_first_not_of(" \t\r"));
    line.erase(line.find_last_not_of(" \t\r") + 1);
    if (!line.empty()) cards->push_back(line);
  }
  return true;
}

}  // namespace

BusWorker::BusWorker(BusConfig bus, const SiteConfig& site, Store& store)
    : name_(bus.name), store_(store), bus_(std::move(bus)), site_(site) {}

BusWorker::~BusWorker() { Stop(); }

void BusWorker::Start() {
  running_ = true;
  thread_ = std::thread([this] { Run(false); });
}

void BusWorker::StartOnce() {
  running_ = true;
  thread_ = std::thread([this] { Run(true); });
}

bool BusWorker::Wait() {
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  return all_complete_;
}

void BusWorker::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool BusWorker::RequestCollect(std::optional<int> machine) {
  std::lock_guard<std::mutex> lock(mutex_);
  bool found = false;
  for (std::size_t i = 0; i < bus_.terminals.size(); ++i) {
    if (machine && bus_.terminals[i].machine != *machine) continue;
    requested_.push_back(i);
    found = true;
  }
  wake_.notify_all();
  return found;
}

void BusWorker::Reload(BusConfig bus, const SiteConfig& site) {
  std::lock_guard<std::mutex> lock(mutex_);
  pending_.emplace(std::move(bus), site);
  wake_.notify_all();
}

BusStatus BusWorker::Status() const {
  std::lock_guard<std::mutex> lock(mutex_);
  BusStatus status{name_, running_ && !stopping_, busy_seconds_, {}};
  for (std::size_t i = 0; i < bus_.terminals.size() && i < due_.size(); ++i) {
    status.terminals.push_back({bus_.terminals[i].machine, TerminalKindName(bus_.terminals[i].kind),
                                due_[i].collect, due_[i].failures, due_[i].last_error,
                                due_[i].collected});
  }
  return status;
}

void BusWorker::TakeReload() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (pending_) {
    bus_ = std::move(pending_->first);
    site_ = std::move(pending_->second);
    pending_.reset();
    due_.clear();
    requested_.clear();
  }
  if (due_.size() == bus_.terminals.size()) return;
  // A new schedule: collect at once when collecting on a period, set
  // clocks and lists at their first due time.
  Clock::time_point now = Clock::now();
  due_.assign(bus_.terminals.size(), Due{});
  for (Due& due : due_) {
    due.collect = site_.collect.every_minutes > 0 ? now : NextDue(site_.collect, now);
    due.clock = NextDue(site_.clock, now);
    due.lists = NextDue(site_.lists, now);
  }
}

void BusWorker::Run(bool once) {
  TakeReload();
  std::unique_ptr<icbus::Bus> bus = OpenBus(bus_);
  if (once) {
    for (std::size_t i = 0; i < bus_.terminals.size() && !stopping_; ++i) {
      bool complete = RunJob(*bus, i, Job::kCollect);
      std::lock_guard<std::mutex> lock(mutex_);
      all_complete_ = all_complete_ && complete;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    all_complete_ = all_complete_ && !stopping_;
    running_ = false;
    return;
  }
  while (!stopping_) {
    bool reloaded = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      reloaded = pending_.has_value();
    }
    if (reloaded) {
      TakeReload();
      bus = OpenBus(bus_);
      store_.AddEvent(name_, std::nullopt, "reloaded", "the site file was read again");
    }
    // The next job: asked-for collections first, then the earliest due.
    std::optional<std::pair<std::size_t, Job>> job;
    Clock::time_point now = Clock::now(), earliest = Clock::time_point::max();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!requested_.empty()) {
        job.emplace(requested_.front(), Job::kCollect);
        requested_.erase(requested_.begin());
      }
      for (std::size_t i = 0; !job && i < due_.size(); ++i) {
        const Due& due = due_[i];
        if (due.collect <= now)
          job.emplace(i, Job::kCollect);
        else if (due.clock <= now)
          job.emplace(i, Job::kClock);
        else if (due.lists <= now)
          job.emplace(i, Job::kLists);
        earliest = std::min({earliest, due.collect, due.clock, due.lists});
      }
    }
    if (job) {
      RunJob(*bus, job->first, job->second);
      continue;
    }
    if (bus_.swipes && Clock::now() >= swipes_resume_) {
      PollSwipes(*bus);
      earliest = std::min(earliest, Clock::now() + std::chrono::milliseconds(site_.swipe_poll_ms));
    } else if (bus_.swipes) {
      earliest = std::min(earliest, swipes_resume_);
    }
    Sleep(earliest);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  running_ = false;
}

bool BusWorker::RunJob(icbus::Bus& bus, std::size_t index, Job job) {
  const TerminalConfig terminal = bus_.terminals[index];
  auto started = Clock::now();
  bool ok = job == Job::kCollect ? Collect(bus, terminal)
            : job == Job::kClock ? SetClock(bus, terminal)
                                 : SyncList(bus, terminal);
  std::lock_guard<std::mutex> lock(mutex_);
  busy_seconds_ += std::chrono::duration<double>(Clock::now() - started).count();
  if (index >= due_.size()) return ok;
  Due& due = due_[index];
  Clock::time_point now = Clock::now();
  const Schedule& schedule = job == Job::kCollect ? site_.collect
                             : job == Job::kClock ? site_.clock
                                                  : site_.lists;
  Clock::time_point next = NextDue(schedule, now);
  if (ok) {
    if (job == Job::kCollect) {
      due.failures = 0;
      due.collected = true;
    }
  } else {
    ++due.failures;
    // Sooner than the schedule, but never sooner than the back-off.
    next = std::min(next, now + BackOff(due.failures, site_.retry_max_minutes));
  }
  (job == Job::kCollect ? due.collect : job == Job::kClock ? due.clock : due.lists) = next;
  return ok;
}

bool BusWorker::Collect(icbus::Bus& bus, const TerminalConfig& terminal) {
  bool complete = true;
  for (const std::string& name : terminal.records) {
    const SiteRecordKind* kind = RecordKindByName(name);
    if (!kind || stopping_) {
      complete = false;
      continue;
    }
    CollectResult result =
        CollectRecords(bus, store_, name_, terminal, *kind, [this] { return stopping_.load(); });
    if (result.complete) {
      LogInfo(Terminal(name_, terminal.machine) + ": " + name + " collected, " +
              std::to_string(result.stored) + " new of " + std::to_string(result.received));
    } else {
      complete = false;
      if (!result.error.empty()) {
        LogWarning(Terminal(name_, terminal.machine) + ": " + name +
                   " download failed: " + result.error);
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::size_t i = 0; i < due_.size() && i < bus_.terminals.size(); ++i) {
          if (bus_.terminals[i].machine == terminal.machine) due_[i].last_error = result.error;
        }
      }
    }
  }
  return complete;
}

bool BusWorker::SetClock(icbus::Bus& bus, const TerminalConfig& terminal) {
  bool ok = NeedsManagementCard(terminal.kind) && terminal.management_card
                ? bus.SetTime(terminal.machine, *terminal.management_card)
                : bus.SetTime(terminal.machine);
  if (ok) {
    store_.AddEvent(name_, terminal.machine, "clock_set", "set to the host's local time");
  } else {
    store_.AddEvent(name_, terminal.machine, "failed", "clock: " + icbus::Bus::LastError().message);
  }
  return ok;
}

bool BusWorker::SyncList(icbus::Bus& bus, const TerminalConfig& terminal) {
  std::vector<std::string> cards;
  std::string error;
  // The terminal's list cannot be read back, so it is written whole: emptied,
  // then every entry of the file added.
  bool ok = ReadCardList(site_.lost_cards_file, &cards, &error);
  if (ok && !bus.ClearCards(terminal.machine)) {
    ok = false;
    error = "emptying the list: " + icbus::Bus::LastError().message;
  }
  for (std::size_t i = 0; ok && i < cards.size() && !stopping_; ++i) {
    if (!bus.AddCard(terminal.machine, cards[i])) {
      ok = false;
      error = "adding card " + cards[i] + ": " + icbus::Bus::LastError().message;
    }
  }
  if (ok) {
    store_.AddEvent(name_, terminal.machine, "list_synced",
                    std::to_string(cards.size()) + " cards from " + site_.lost_cards_file);
  } else {
    store_.AddEvent(name_, terminal.machine, "failed", "lost-card list: " + error);
  }
  return ok;
}

void BusWorker::PollSwipes(icbus::Bus& bus) {
  std::vector<int> machines;
  for (const TerminalConfig& terminal : bus_.terminals) machines.push_back(terminal.machine);
  auto started = Clock::now();
  auto swipes = bus.PollSwipes(machines);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    busy_seconds_ += std::chrono::duration<double>(Clock::now() - started).count();
  }
  if (!swipes) {
    // The port is gone or held: wait longer each time, up to a minute.
    ++swipe_failures_;
    if (swipe_failures_ == 1) {
      LogWarning("bus " + name_ + ": swipe poll: " + icbus::Bus::LastError().message);
    }
    swipes_resume_ = Clock::now() + std::min(std::chrono::milliseconds(60000),
                                             std::chrono::milliseconds(site_.swipe_poll_ms) *
                                                 (1 << std::min(swipe_failures_, 6)));
    return;
  }
  swipe_failures_ = 0;
  for (const auto& [machine, line] : *swipes) store_.AddSwipe(name_, machine, line);
}

void BusWorker::Sleep(Clock::time_point until) {
  std::unique_lock<std::mutex> lock(mutex_);
  // Bounded, so a clock change never leaves the worker asleep for long.
  Clock::time_point bound = Clock::now() + std::chrono::seconds(5);
  wake_.wait_until(lock, std::min(until, bound),
                   [this] { return stopping_.load() || !requested_.empty() || pending_; });
}

}  // namespace icbus::site
