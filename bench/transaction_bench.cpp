// icbus-bench-transactions: how far each transaction is from what the line
// allows, in the compatible mode and with fast replies, and how buses in
// parallel scale. Real time, against icbus-sim keeping to the line's speed
// (--pace) on pseudo-terminals, through the C++ interface.
//
//   icbus-bench-transactions [--calls N] [--records N]
//
// For each operation: the bytes on the wire both ways, the budget (their
// wire time at 11 bits a byte, plus the waits the mode cannot avoid: in the
// compatible mode 200 ms for every reply shorter than its read, in both the
// 50 ms record pause), the median of N calls, their ratio, and the CPU time
// of the calling thread per call (least and median). Then the throughput of GetRecordCount on
// 1, 2 and 4 buses at once, each with its own simulator, and the longest
// wait of two threads sharing one bus. Every result is checked; a wrong one
// ends the run with status 1.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "download_budget.h"
#include "icbus.hpp"
#include "record_store.h"
#include "sim_process.h"
#include "wire_bytes.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
using icbus::Bus;
using icbus::e2e::SimProcess;

constexpr double kMillisPerByte = 11.0 * 1000.0 / 19200.0;
constexpr int kTerminal = 5, kCard = 123456, kTopUp = 3, kTopUpCard = 4321;

// The terminals whose records are downloaded, by kind.
struct Kind {
  const char* name;
  icbus::sim::TerminalKind terminal;
  int machine;
  icbus::RecordKind records;
  std::size_t read;  // the record operation's read length
  double pause_ms;   // the pause before each record read
};

const Kind kKinds[] = {
    {"consumption", icbus::sim::TerminalKind::kWindow, kTerminal, icbus::RecordKind::kConsumption,
     32, 50},
    {"attendance", icbus::sim::TerminalKind::kAttendance, 6, icbus::RecordKind::kAttendance, 18, 0},
    {"water", icbus::sim::TerminalKind::kWater, 7, icbus::RecordKind::kWater, 22, 0},
    {"topup", icbus::sim::TerminalKind::kTopUp, 8, icbus::RecordKind::kSelfServiceTopUp, 33, 0},
};

std::string Installation(int records) {
  nlohmann::json devices = nlohmann::json::array();
  for (const Kind& kind : kKinds) {
    devices.push_back({{"type", "terminal"},
                       {"machine", kind.machine},
                       {"management_card", kCard},
                       {"kind", icbus::sim::TerminalKindName(kind.terminal)},
                       {"generate", records}});
  }
  devices.push_back(
      {{"type", "topup_machine"}, {"machine", kTopUp}, {"management_card", kTopUpCard}});
  devices.push_back(
      {{"type", "card_writer"}, {"cards", {nlohmann::json::object()}}, {"present", 0}});
  return nlohmann::json{{"devices", devices}}.dump();
}

double ThreadCpuMillis() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// One operation: the call (false when its result is wrong), the reads whose
// reply is shorter than the read, which the compatible mode waits out, and
// for a download its own budget by mode.
struct Operation {
  std::string name;
  std::function<bool(Bus&)> call;
  int short_reads;
  std::function<double(bool fast)> download_budget;
};

struct Figures {
  std::size_t bytes = 0;
  double median_ms = 0;
  // The calling thread's CPU time per call: the least of the calls (a
  // shared virtual machine charges stolen time to whatever runs), and the
  // median.
  double cpu_min_ms = 0, cpu_median_ms = 0;
  bool ok = true;
};

Figures Measure(const Operation& op, Bus& bus, const SimProcess& sim, int calls) {
  Figures figures;
  // A first call gives the bytes on the wire (the log is read only here, so
  // the timed calls share the thread with nothing else).
  std::size_t before = sim.Frames().size();
  figures.ok = op.call(bus);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the log catches up
  figures.bytes = icbus::bench::WireBytes(sim.Frames(), before);
  std::vector<double> wall, cpu;
  for (int i = 0; i < calls; ++i) {
    double cpu_start = ThreadCpuMillis();
    auto start = SteadyClock::now();
    figures.ok = op.call(bus) && figures.ok;
    wall.push_back(std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count());
    cpu.push_back(ThreadCpuMillis() - cpu_start);
  }
  figures.median_ms = Median(wall);
  figures.cpu_min_ms = *std::min_element(cpu.begin(), cpu.end());
  figures.cpu_median_ms = Median(cpu);
  return figures;
}

// A download of `records` records of one kind, each line counted. Its
// budget: the wire both ways, the record pause (the reply arrives during it),
// and in the compatible mode every read whose reply is shorter ("OVER!").
Operation DownloadOf(const Kind& kind, int records) {
  bool six_digit = kind.terminal == icbus::sim::TerminalKind::kTopUp;
  icbus::bench::Download shape;
  shape.address_frame = six_digit ? 12 : 6;
  shape.records = static_cast<std::size_t>(records);
  shape.record_reply = icbus::sim::RecordLength(kind.terminal, 1) + 1;
  shape.read = kind.read;
  shape.pause_ms = kind.pause_ms;
  return {std::string("download ") + kind.name,
          [=](Bus& bus) {
            auto download = bus.Records(kind.machine, kind.records,
                                        six_digit ? std::optional<int>(kCard) : std::nullopt);
            int lines = 0;
            while (auto line = download.Next()) ++lines;
            return download.Complete() && lines == records;
          },
          0,
          [shape](bool fast) {
            icbus::bench::Line line;
            if (fast) line.interval_ms = 0;
            return icbus::bench::DownloadMillis(shape, line);
          }};
}

std::vector<Operation> Operations(int records) {
  const std::string name = "\xd5\xc5\xc8\xfd";  // two GBK characters
  std::vector<Operation> operations = {
      {"GetTime", [](Bus& b) { return b.GetTime(kTerminal).has_value(); }, 1, nullptr},
      {"GetRecordCount", [=](Bus& b) { return b.RecordCount(kTerminal) == records; }, 2, nullptr},
      {"GetTotal", [](Bus& b) { return b.Total(kTerminal).has_value(); }, 1, nullptr},
      {"TransmitATM", [=](Bus& b) { return b.SendTopUp(kTopUp, kTopUpCard, 1, 1, 12.3, name); }, 1,
       0},
      {"ReadCard", [](Bus& b) { return b.ReadCardNumber(2, 2).has_value(); }, 0, nullptr},
      {"ReadBalance", [](Bus& b) { return b.ReadBalance(2, 2, 0).has_value(); }, 0, nullptr},
  };
  for (const Kind& kind : kKinds) operations.push_back(DownloadOf(kind, records));
  return operations;
}

bool ReportOperations(Bus& bus, const SimProcess& sim, int calls, int records) {
  std::printf("%-22s %6s %10s %10s %10s %7s %8s %8s %8s\n", "operation", "bytes", "mode",
              "budget ms", "median ms", "ratio", "cpu min", "cpu med", "speedup");
  bool ok = true;
  for (const Operation& op : Operations(records)) {
    double compatible_median = 0;
    for (bool fast : {false, true}) {
      bus.SetFastReplies(fast);
      Figures f = Measure(op, bus, sim, calls);
      ok = ok && f.ok;
      double budget = op.download_budget
                          ? op.download_budget(fast)
                          : f.bytes * kMillisPerByte + (fast ? 0 : 200.0 * op.short_reads);
      if (!fast) compatible_median = f.median_ms;
      std::printf("%-22s %6zu %10s %10.1f %10.1f %7.2f %8.3f %8.3f", fast ? "" : op.name.c_str(),
                  f.bytes, fast ? "fast" : "compatible", budget, f.median_ms, f.median_ms / budget,
                  f.cpu_min_ms, f.cpu_median_ms);
      if (fast) std::printf(" %7.1fx", compatible_median / f.median_ms);
      std::printf("%s\n", f.ok ? "" : "  WRONG RESULT");
    }
  }
  bus.SetFastReplies(false);
  return ok;
}

// GetRecordCount calls per second on `buses` buses at once.
double Throughput(std::vector<std::unique_ptr<Bus>>& all, std::size_t buses, bool fast, int calls,
                  int records, bool* ok) {
  std::vector<std::thread> threads;
  std::vector<int> good(buses, 0);
  auto start = SteadyClock::now();
  for (std::size_t i = 0; i < buses; ++i) {
    threads.emplace_back([&, i] {
      all[i]->SetFastReplies(fast);
      for (int n = 0; n < calls; ++n) good[i] += all[i]->RecordCount(kTerminal) == records;
    });
  }
  for (auto& thread : threads) thread.join();
  double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
  for (int g : good) *ok = *ok && g == calls;
  return buses * calls / seconds;
}

bool ReportParallel(std::vector<std::unique_ptr<Bus>>& all, int calls, int records) {
  bool ok = true;
  std::printf("\nGetRecordCount on buses in parallel (%d calls each)\n", calls);
  std::printf("%-10s %6s %12s %10s\n", "mode", "buses", "calls/s", "vs 1 bus");
  for (bool fast : {false, true}) {
    double one = 0;
    for (std::size_t buses : {1u, 2u, 4u}) {
      double rate = Throughput(all, buses, fast, calls, records, &ok);
      if (buses == 1) one = rate;
      std::printf("%-10s %6zu %12.2f %9.2fx\n", fast ? "fast" : "compatible", buses, rate,
                  rate / one);
    }
  }
  return ok;
}

// Two threads on one bus: the longest any call took, against the longest
// single transaction; with a fair lock no call waits for more than one of
// the other thread's.
void ReportFairness(Bus& bus, int calls) {
  std::vector<double> alone, shared[2];
  for (int i = 0; i < calls; ++i) {
    auto start = SteadyClock::now();
    bus.GetTime(kTerminal);
    alone.push_back(std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count());
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < calls; ++i) {
        auto start = SteadyClock::now();
        bus.GetTime(kTerminal);
        shared[t].push_back(
            std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count());
      }
    });
  }
  for (auto& thread : threads) thread.join();
  double longest_alone = *std::max_element(alone.begin(), alone.end());
  double longest_shared = 0;
  for (auto& times : shared)
    longest_shared = std::max(longest_shared, *std::max_element(times.begin(), times.end()));
  std::printf(
      "\nfair lock: two threads x %d GetTime on one bus: longest call %.1f ms, of which %.1f ms "
      "waiting; longest transaction alone %.1f ms (the wait is %.2f of them)\n",
      calls, longest_shared, longest_shared - longest_alone, longest_alone,
      (longest_shared - longest_alone) / longest_alone);
}

}  // namespace

int main(int argc, char** argv) {
  int calls = 9, records = 20;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string arg = argv[i];
    int value = std::atoi(argv[i + 1]);
    if (arg == "--calls" && value > 0 && value <= 1000) {
      calls = value;
    } else if (arg == "--records" && value > 0 && value <= 10000) {
      records = value;
    } else {
      std::fprintf(stderr, "usage: icbus-bench-transactions [--calls N] [--records N]\n");
      return 2;
    }
  }
  if (argc % 2 == 0) {
    std::fprintf(stderr, "usage: icbus-bench-transactions [--calls N] [--records N]\n");
    return 2;
  }
  std::vector<std::unique_ptr<SimProcess>> sims;
  std::vector<std::unique_ptr<Bus>> buses;
  for (int i = 0; i < 4; ++i) {
    sims.push_back(std::make_unique<SimProcess>(Installation(records), "",
                                                std::vector<std::string>{"--pace"}));
    if (!sims.back()->running()) {
      std::fprintf(stderr, "icbus-bench-transactions: icbus-sim did not start\n");
      return 1;
    }
    buses.push_back(std::make_unique<Bus>(sims.back()->link()));
  }
  std::printf(
      "icbus-bench-transactions: %d calls each, %d records a download, paced "
      "icbus-sim on pseudo-terminals, 19200 baud, 11 bits a byte\n\n",
      calls, records);
  bool ok = ReportOperations(*buses[0], *sims[0], calls, records);
  ok = ReportParallel(buses, calls, records) && ok;
  ReportFairness(*buses[1], calls);
  if (!ok) std::fprintf(stderr, "icbus-bench-transactions: wrong results (see above)\n");
  return ok ? 0 : 1;
}
