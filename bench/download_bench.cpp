// icbus-bench-download: downloads generated records through libicbus.so
// from icbus-sim keeping to the line's speed, in real time, and prints the
// rate reached against the rate the line and the protocol's waits allow.
// Every record line is checked, so a fast but lossy download cannot pass.
//
//   icbus-bench-download [--records N] [--kind KIND] [--decimals 1|2]
//   KIND: consumption (default), attendance, backup, water, topup, desktop
//
// Exit status: 0 when every record arrived exactly once and in order, 1
// when not, 2 on bad arguments.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "download_budget.h"
#include "icbus.h"
#include "record_store.h"
#include "sim_process.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

struct Kind {
  const char* name;
  icbus::sim::TerminalKind terminal;
  bool backup, six_digit;
  int (*next)(int, char*);
  const char* operation;
  const char* prefix;
  std::size_t read, read_two_decimals;
  double pause_ms;
};

// The record operations with their read lengths and pauses.
const Kind kKinds[] = {
    {"consumption", icbus::sim::TerminalKind::kWindow, false, false, GetNext, "GetNext", "20", 32,
     33, 50},
    {"attendance", icbus::sim::TerminalKind::kAttendance, false, false, GetNextK, "GetNextK", "20",
     18, 18, 0},
    {"backup", icbus::sim::TerminalKind::kWindow, true, false, GetNextBak, "GetNextBak", "20", 32,
     38, 50},
    {"water", icbus::sim::TerminalKind::kWater, false, false, GetNextW, "GetNextW", "", 22, 22, 0},
    {"topup", icbus::sim::TerminalKind::kTopUp, false, true, GetNextA, "GetNextA", "20", 33, 33, 0},
    {"desktop", icbus::sim::TerminalKind::kDesktopTopUp, false, true, GetNextAt, "GetNextAt", "203",
     32, 32, 50},
};

constexpr int kMachine = 5;
constexpr int kCard = 123456;

struct Options {
  int records = 1000;
  int decimals = 1;
  const Kind* kind = &kKinds[0];
};

bool Parse(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (i + 1 >= argc) return false;
    std::string value = argv[++i];
    if (arg == "--records") {
      options->records = std::atoi(value.c_str());
      if (options->records < 0 || options->records > 100000) return false;
    } else if (arg == "--decimals") {
      options->decimals = std::atoi(value.c_str());
      if (options->decimals != 1 && options->decimals != 2) return false;
    } else if (arg == "--kind") {
      options->kind = nullptr;
      for (const Kind& kind : kKinds)
        if (value == kind.name) options->kind = &kind;
      if (!options->kind) return false;
    } else {
      return false;
    }
  }
  return true;
}

std::string Installation(const Options& options) {
  nlohmann::json terminal = {{"type", "terminal"},
                             {"machine", kMachine},
                             {"management_card", kCard},
                             {"kind", icbus::sim::TerminalKindName(options.kind->terminal)},
                             {"decimals", options.decimals}};
  terminal[options.kind->backup ? "generate_backup" : "generate"] = options.records;
  return nlohmann::json{{"devices", nlohmann::json::array({terminal})}}.dump();
}

std::vector<std::string> ExpectedLines(const Options& options) {
  const Kind& kind = *options.kind;
  std::vector<std::string> records =
      kind.backup ? icbus::sim::GenerateBackup(options.decimals, kMachine, options.records)
                  : icbus::sim::GenerateRecords(kind.terminal, options.decimals, kMachine,
                                                options.records, nullptr);
  char machine[8];
  std::snprintf(machine, sizeof machine, "%03d", kMachine);
  for (std::string& record : records) record = kind.prefix + record + machine;
  return records;
}

// The download as a host runs it; false when it did not end with "OVER".
bool Download(const Kind& kind, std::vector<std::string>* lines) {
  if ((kind.six_digit ? GetFirstA(1, kMachine, kCard) : GetFirst(1, kMachine)) != 1) return false;
  char out[64];
  for (;;) {
    if (kind.next(kMachine, out) != 1) return false;
    if (std::strcmp(out, "OVER") == 0) return true;
    if (out[0] == '\0') return false;
    lines->push_back(out);
  }
}

icbus::bench::Download Shape(const Options& options) {
  const Kind& kind = *options.kind;
  icbus::bench::Download shape;
  shape.address_frame = kind.six_digit ? 12 : 6;
  shape.records = static_cast<std::size_t>(options.records);
  shape.record_reply = (kind.backup ? icbus::sim::BackupRecordLength(options.decimals)
                                    : icbus::sim::RecordLength(kind.terminal, options.decimals)) +
                       1;
  shape.read = options.decimals == 2 ? kind.read_two_decimals : kind.read;
  shape.pause_ms = kind.pause_ms;
  return shape;
}

void Report(const Options& options, double seconds, double budget_seconds) {
  const icbus::bench::Line line;
  const double n = options.records;
  std::printf("icbus-bench-download: %d %s records (%s, %d decimal%s), %u baud, %u bits a byte\n",
              options.records, options.kind->name, options.kind->operation, options.decimals,
              options.decimals == 1 ? "" : "s", line.baud, line.bits_per_byte);
  std::printf("  downloaded %8.3f s  %8.2f records/s\n", seconds, n / seconds);
  std::printf(
      "  budget     %8.3f s  %8.2f records/s  (wire both ways, %.0f ms pauses, %.0f ms"
      " time-outs)\n",
      budget_seconds, n / budget_seconds, options.kind->pause_ms, line.interval_ms);
  if (options.records > 0) {
    std::printf("  library    %8.3f ms a record above the budget; %.1f %% of its rate\n",
                1000.0 * (seconds - budget_seconds) / n, 100.0 * budget_seconds / seconds);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, &options)) {
    std::fprintf(stderr,
                 "usage: icbus-bench-download [--records N] [--kind consumption|attendance|"
                 "backup|water|topup|desktop] [--decimals 1|2]\n");
    return 2;
  }
  icbus::e2e::SimProcess sim(Installation(options), "", {"--pace"});
  if (!sim.running()) {
    std::fprintf(stderr, "icbus-bench-download: icbus-sim did not start\n");
    return 1;
  }
  icbus::e2e::PortMapping com1(1, sim.link());
  SetDecLen(options.decimals == 2 ? "2" : "");

  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(options.records));
  auto start = SteadyClock::now();
  bool ended = Download(*options.kind, &lines);
  double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();

  if (!ended || lines != ExpectedLines(options)) {
    std::fprintf(stderr, "icbus-bench-download: %s after %zu of %d records\n",
                 ended ? "wrong, lost or duplicated records" : "the download failed", lines.size(),
                 options.records);
    return 1;
  }
  Report(options, seconds, icbus::bench::DownloadMillis(Shape(options), {}) / 1000.0);
  return 0;
}
