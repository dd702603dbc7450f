#include "collect/collector.h"

#include <vector>

#include "collect/clearing.h"

namespace icbus::site {

namespace {

// Where the records of a download go: the stored run they continue, or a new
// run once they turn out to differ from it.
class RunWriter {
 public:
  RunWriter(Store& store, const StoreKey& key, std::int64_t download, int run,
            std::vector<std::string> stored)
      : store_(store), key_(key), download_(download), run_(run), stored_(std::move(stored)) {}

  int run() const { return run_; }
  int added() const { return added_; }
  int read() const { return static_cast<int>(read_.size()); }

  void Take(const std::string& line) {
    read_.push_back(line);
    std::size_t position = read_.size();
    if (!replaced_ && position <= stored_.size()) {
      if (line == stored_[position - 1]) return;  // already stored at this position
      StartNewRun("record " + std::to_string(position) + " differs from the one stored");
      return;
    }
    Add(position);
  }
  // At the end marker: fewer records than stored means the store was
  // replaced by one that begins like the old one.
  void End() {
    if (!replaced_ && read_.size() < stored_.size()) {
      StartNewRun("the terminal handed over " + std::to_string(read_.size()) + " records, " +
                  std::to_string(stored_.size()) + " are stored");
    }
  }

 private:
  void StartNewRun(const std::string& why) {
    replaced_ = true;
    ++run_;
    store_.StartRun(key_, run_, "replaced");
    store_.AddEvent(key_.bus, key_.machine, "run_started",
                    key_.kind + " run " + std::to_string(run_) + ": " + why +
                        ", so the terminal's store was replaced");
    for (std::size_t position = 1; position <= read_.size(); ++position) Add(position);
  }
  void Add(std::size_t position) {
    int at = static_cast<int>(position);
    if (store_.AddRecord(download_, at, key_, run_, at, read_[position - 1])) ++added_;
  }

  Store& store_;
  StoreKey key_;
  std::int64_t download_;
  int run_;
  std::vector<std::string> stored_;
  std::vector<std::string> read_;
  bool replaced_ = false;
  int added_ = 0;
};

void ClearIfSafe(icbus::Bus& bus, Store& store, const StoreKey& key, const TerminalConfig& terminal,
                 const ClearCheck& check, int run) {
  std::string why = WhyNotClear(check);
  if (!why.empty()) {
    store.AddEvent(key.bus, key.machine, "not_cleared", why);
    return;
  }
  bool cleared = terminal.management_card && NeedsManagementCard(terminal.kind)
                     ? bus.Clear(terminal.machine, *terminal.management_card)
                     : bus.Clear(terminal.machine);
  if (!cleared) {
    store.AddEvent(key.bus, key.machine, "failed", "clear: " + icbus::Bus::LastError().message);
    return;
  }
  store.StartRun(key, run + 1, "cleared");
  store.AddEvent(key.bus, key.machine, "cleared",
                 "cleared after " + std::to_string(check.received) + " records were collected");
}

}  // namespace

CollectResult CollectRecords(icbus::Bus& bus, Store& store, const std::string& bus_name,
                             const TerminalConfig& terminal, const SiteRecordKind& kind,
                             const std::function<bool()>& stop) {
  StoreKey key{bus_name, terminal.machine, kind.name};
  int run = 0, stored = 0;
  store.CurrentRun(key, &run, &stored);
  if (run == 0) {
    run = 1;
    store.StartRun(key, run, "first");
  }
  CollectResult result;
  std::optional<int> count_before = CountRecords(bus, terminal, kind);
  if (kind.counted && !count_before) {
    result.error = "count: " + icbus::Bus::LastError().message;
    std::int64_t id = store.BeginDownload(key, run, std::nullopt);
    store.FinishDownload(id, "failed", std::nullopt, 0, 0, result.error);
    store.AddEvent(bus_name, terminal.machine, "failed",
                   kind.name + std::string(" ") + result.error);
    return result;
  }
  std::vector<std::string> lines = stored ? store.RunLines(key, run) : std::vector<std::string>();
  std::int64_t id = store.BeginDownload(key, run, count_before);
  RunWriter writer(store, key, id, run, std::move(lines));

  std::optional<int> card;
  if (NeedsManagementCard(terminal.kind)) card = terminal.management_card;
  bool stopped = false;
  {
    icbus::Download download = bus.Records(terminal.machine, kind.kind, card);
    while (download.Open()) {
      if (stop()) {
        stopped = true;
        break;
      }
      auto line = download.Next();
      if (line) writer.Take(*line);
    }
    result.complete = download.Complete();
    if (!result.complete && !stopped) result.error = icbus::Bus::LastError().message;
  }  // an open download releases the terminal ("SZ!") here
  if (result.complete) writer.End();
  result.received = writer.read();
  result.stored = writer.added();

  std::optional<int> count_after;
  if (result.complete && kind.counted) count_after = CountRecords(bus, terminal, kind);
  const char* outcome = result.complete ? "complete" : stopped ? "stopped" : "failed";
  store.FinishDownload(id, outcome, count_after, result.received, result.stored, result.error);
  if (!result.complete && !stopped) {
    store.AddEvent(bus_name, terminal.machine, "failed",
                   kind.name + std::string(" download: ") + result.error);
  }
  if (terminal.clear && kind.main && !stopped) {
    ClearIfSafe(bus, store, key, terminal,
                ClearCheck{result.complete, count_before, count_after, result.received},
                writer.run());
  }
  return result;
}

}  // namespace icbus::site
